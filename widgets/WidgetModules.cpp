#include "WidgetModules.h"

#include "Startup.h"
#include "UcComCtrls.h"
#include "UcControls.h"
#include "UcExtCtrls.h"
#include "UcForms.h"
#include "UcMenus.h"
#include "UcStdCtrls.h"
#include "UcSysUtils.h"

// The order matters to the modules that follow: the application object's
// module decides on its hook by the platform itself, before the flags are
// set; the control modules come after them. Modules without a step of their
// own are listed all the same, so that each new one finds its place.
void RegisterWidgetModules() {
  classlib::RegisterModule("UcWindows", nullptr, nullptr);
  classlib::RegisterModule("UcClasses", nullptr, nullptr);
  classlib::RegisterModule("UcClipBrd", nullptr, nullptr);
  classlib::RegisterModule("UcDialogs", nullptr, nullptr);
  classlib::RegisterModule("UcForms", InitUcForms, DoneUcForms);
  // The default ANSI code page is the class library's; the UTF-7 tables are
  // made on first use and live until the process ends.
  classlib::RegisterModule("UcSystem", nullptr, nullptr);
  classlib::RegisterModule("UcSysUtils", InitPlatformFlags, nullptr);
  classlib::RegisterModule("UcControls", InitUcControls, DoneUcControls);
  classlib::RegisterModule("UcMenus", InitUcMenus, DoneUcMenus);
  classlib::RegisterModule("UcComCtrls", InitUcComCtrls, nullptr);
  classlib::RegisterModule("UcExtCtrls", InitUcExtCtrls, nullptr);
  classlib::RegisterModule("UcStdCtrls", InitUcStdCtrls, nullptr);
}
