// The setup utility's main block.
#include "Forms.h"
#include "SetupModules.h"
#include "Startup.h"
#include "frmConsol.h"
#include "frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RegisterSetupModules();
  try {
    classlib::Startup();
  } catch (...) {
    ShowException(std::current_exception());
    return 1;
  }
  try {
    Application()->Initialize();
    Application()->SetTitle(kApplicationTitle);
    Application()->SetMainFormOnTaskBar(true);
    TMainForm* mainForm = nullptr;
    Application()->CreateForm(&mainForm);
    // Made in every mode: it collects the traffic, and debug mode shows it.
    Application()->CreateForm(&ConsolForm);
    Application()->Run();
  } catch (...) {
    ShowException(std::current_exception());
  }
  classlib::Shutdown();
  return 0;
}
