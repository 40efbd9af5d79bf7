#include "WidgetModules.h"

#include "Startup.h"
#include "UcControls.h"
#include "UcMenus.h"
#include "UcSysUtils.h"

// The order matters to the modules that follow: the application object's
// module decides on its hook by the platform itself, before the flags are
// set; the control modules come after them. Modules without a step of their
// own are listed all the same, so that each new one finds its place.
void RegisterWidgetModules() {
  classlib::RegisterModule("UcWindows", nullptr, nullptr);
  classlib::RegisterModule("UcClasses", nullptr, nullptr);
  // UcClipBrd, UcDialogs and UcForms go here.
  // The default ANSI code page is the class library's; the UTF-7 tables are
  // made on first use and live until the process ends.
  classlib::RegisterModule("UcSystem", nullptr, nullptr);
  classlib::RegisterModule("UcSysUtils", InitPlatformFlags, nullptr);
  classlib::RegisterModule("UcControls", InitUcControls, DoneUcControls);
  classlib::RegisterModule("UcMenus", InitUcMenus, DoneUcMenus);
  // UcComCtrls goes here.
}
