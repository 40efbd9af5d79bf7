#include "VeltermModules.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Startup.h"
#include "VelSafeSync.h"
#include "WidgetModules.h"
#include "frmAbout.h"
#include "uLanguages.h"
#include "uTerminalText.h"

namespace {

// The About box's "eMail" caption in the terminal program's table.
constexpr int kMailText = 71;

void InitTerminal() {
  RegisterStdCtrlsClasses();
  RegisterExtCtrlsClasses();
  RegisterComCtrlsClasses();
  RegisterMenuClasses();
  RegisterActionClasses();
  RegisterImageListClasses();
  RegisterDialogClasses();
  RegisterAppEvntsClasses();
  SetAboutTexts(LangText, kMailText);
}

}  // namespace

void RegisterTerminalModules() {
  RegisterVelSafeSync();
  RegisterWidgetModules();
  RegisterLanguages(TerminalLanguageSet, TerminalLocaleMap);
  classlib::RegisterModule("velterm", InitTerminal, nullptr);
}
