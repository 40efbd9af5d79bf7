// The terminal program's main block.
#include "Forms.h"
#include "VeltermModules.h"
#include "frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RegisterTerminalModules();
  return RunProgram("VelmorTerminal", [] {
    TMainForm* mainForm = nullptr;
    Application()->CreateForm(&mainForm);
  });
}
