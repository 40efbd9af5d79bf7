// The setup utility's main block.
#include "Forms.h"
#include "SetupModules.h"
#include "frmConsol.h"
#include "frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RegisterSetupModules();
  return RunProgram(kApplicationTitle, [] {
    TMainForm* mainForm = nullptr;
    Application()->CreateForm(&mainForm);
    // Made in every mode: it collects the traffic, and debug mode shows it.
    Application()->CreateForm(&ConsolForm);
  });
}
