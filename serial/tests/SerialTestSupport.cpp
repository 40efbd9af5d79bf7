#include "SerialTestSupport.h"

#include "Startup.h"
#include "SysUtils.h"
#include "System.h"
#include "VelSafeSync.h"

#include <gtest/gtest.h>

namespace {

class TSerialEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RegisterVelSafeSync();
    classlib::Startup();
    SetExceptionHandler([](TObject*, const std::exception_ptr& e) {
      ReportedExceptions().push_back(ExceptionMessage(e));
    });
    SetMessageBoxFunc([](HWND, const std::string& text, const std::string&, UINT) {
      ReportedExceptions().push_back(text);
      return IDOK;
    });
  }
  void TearDown() override { classlib::Shutdown(); }
};

::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TSerialEnvironment);

}  // namespace

std::vector<std::string>& ReportedExceptions() {
  static std::vector<std::string> reported;
  return reported;
}
