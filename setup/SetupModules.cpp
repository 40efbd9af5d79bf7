#include "SetupModules.h"

#include "Startup.h"
#include "UcStdCtrlsSetup.h"
#include "VelSafeSync.h"
#include "WidgetModules.h"
#include "frmProgress.h"
#include "uLanguagesSetup.h"

void RegisterSetupClasses() {
  RegisterClass(TBusyProgressBar::StaticClass());
  RegisterUcStdCtrlsSetupClasses();
}

// The engine reads by polling, but the port's threads still report their
// failures (a lost device among them) on the main thread.
void RegisterSetupModules() {
  RegisterVelSafeSync();
  RegisterWidgetModules();
  RegisterLanguages(SetupLanguageSet, SetupLocaleMap);
  classlib::RegisterModule("kolvexmk", RegisterSetupClasses, FreeProgressForm);
}
