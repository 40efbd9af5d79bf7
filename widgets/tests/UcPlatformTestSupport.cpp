#include "UcPlatformTestSupport.h"

#include "LibraryEnvironment.h"
#include "System.h"
#include "WidgetModules.h"

namespace {

void OverrideTestPlatform() {
  TPlatformInfo info;
  info.Win32Platform = VEL_TEST_PLATFORM;
  info.Win32MajorVersion = VEL_TEST_MAJOR;
  info.Win32MinorVersion = VEL_TEST_MINOR;
  OverridePlatform(info);
}

// A module that starts before the layer's overrides the platform, since the
// class library's own start-up fills the platform record afresh.
class TPlatformEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override {
    classlib::RegisterModule("TestPlatform", &OverrideTestPlatform, nullptr);
    RegisterWidgetModules();
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TPlatformEnvironment);

}  // namespace
