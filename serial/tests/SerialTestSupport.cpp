#include "SerialTestSupport.h"

#include "Startup.h"
#include "SysUtils.h"
#include "System.h"
#include "VelSafeSync.h"

#include "LibraryEnvironment.h"

namespace {

class TSerialEnvironment : public TLibraryEnvironment {
  void BeforeStartup() override { RegisterVelSafeSync(); }
  void AfterStartup() override {
    SetExceptionHandler([](TObject*, const std::exception_ptr& e) {
      ReportedExceptions().push_back(ExceptionMessage(e));
    });
    SetMessageBoxFunc([](HWND, const std::string& text, const std::string&, UINT) {
      ReportedExceptions().push_back(text);
      return IDOK;
    });
  }
};

::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TSerialEnvironment);

}  // namespace

std::vector<std::string>& ReportedExceptions() {
  static std::vector<std::string> reported;
  return reported;
}
