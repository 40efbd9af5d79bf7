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

void PumpOnce(DWORD waitMs) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= timeoutMs)
      return done();
    PumpOnce(10);
  }
  return true;
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms)
    PumpOnce(10);
}

std::vector<std::string>& ReportedExceptions() {
  static std::vector<std::string> reported;
  return reported;
}
