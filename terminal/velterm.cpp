// The terminal program's main block.
#include "Forms.h"
#include "Startup.h"
#include "VeltermModules.h"
#include "frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RegisterTerminalModules();
  try {
    classlib::Startup();
  } catch (...) {
    ShowException(std::current_exception());
    return 1;
  }
  try {
    Application()->Initialize();
    Application()->SetTitle("VelmorTerminal");
    Application()->SetMainFormOnTaskBar(true);
    TMainForm* mainForm = nullptr;
    Application()->CreateForm(&mainForm);
    Application()->Run();
  } catch (...) {
    ShowException(std::current_exception());
  }
  classlib::Shutdown();
  return 0;
}
