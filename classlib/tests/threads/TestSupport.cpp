#include "TestSupport.h"

#include "Startup.h"

#include <gtest/gtest.h>

namespace {

// gtest_main knows nothing of the library's start-up; the tests run between
// Startup and Shutdown like a program's WinMain.
class TLibraryEnvironment : public testing::Environment {
 public:
  void SetUp() override { classlib::Startup(); }
  void TearDown() override { classlib::Shutdown(); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs)
      return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}
