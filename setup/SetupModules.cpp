#include "SetupModules.h"

#include "Startup.h"
#include "UcStdCtrlsSetup.h"
#include "WidgetModules.h"
#include "frmProgress.h"
#include "uLanguagesSetup.h"

void RegisterSetupClasses() {
  RegisterClass(TBusyProgressBar::StaticClass());
  RegisterUcStdCtrlsSetupClasses();
}

void RegisterSetupModules() {
  RegisterWidgetModules();
  RegisterLanguages(SetupLanguageSet, SetupLocaleMap);
  classlib::RegisterModule("kolvexmk", RegisterSetupClasses, FreeProgressForm);
}
