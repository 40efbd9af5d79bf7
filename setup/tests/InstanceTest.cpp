// The running-instance search against windows of a second process
// (SetupInstanceHelper).
#include "uOneAppOnlySetup.h"

#include "LibraryEnvironment.h"
#include "TestFiles.h"
#include "System.h"
#include "uOneAppOnly.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

// A running helper with its windows, ended when the object goes.
class THelper {
 public:
  THelper(const std::string& log, const std::vector<std::string>& windows)
      : ready_(NewTempFolder("instance") + "\\ready") {
    std::string line = "\"" + ExtractFilePath(ParamStr(0)) + "SetupInstanceHelper.exe\" \"" +
                       ready_ + "\" \"" + log + "\"";
    for (const std::string& w : windows)
      line += " \"" + w + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      throw std::runtime_error("cannot start the helper");
    const DWORD start = GetTickCount();
    while (ReadAll(ready_).empty() && GetTickCount() - start < 20000)
      Sleep(20);
  }
  ~THelper() {
    TerminateProcess(pi_.hProcess, 9);
    WaitForSingleObject(pi_.hProcess, 10000);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    RemoveTree(ExcludeTrailingPathDelimiter(ExtractFilePath(ready_)));
  }
  THelper(const THelper&) = delete;
  THelper& operator=(const THelper&) = delete;

  bool Ready() const { return ReadAll(ready_) == "ready"; }

 private:
  std::string ready_;
  PROCESS_INFORMATION pi_{};
};

class InstanceSearchTest : public testing::Test {
 protected:
  void SetUp() override { log_ = NewTempFolder("instance-log") + "\\log"; }
  void TearDown() override { RemoveTree(ExcludeTrailingPathDelimiter(ExtractFilePath(log_))); }

  void Search() {
    TOneAppOnly guard(SetupInstanceGuid, IsSetupMainWindow);
    guard.ActivateRunningInstance(WM_ACTIVATE_INSTANCE);
  }

  std::string log_;
};

TEST_F(InstanceSearchTest, OnlyMarkedWindowsAreAskedUntilOneAnswers) {
  THelper helper(log_, {"0|1|kolvex MK Setup", "1|0|first marked", "0|1|kolvex MK Setup again",
                        "1|1|second marked", "1|1|third marked"});
  ASSERT_TRUE(helper.Ready());
  Search();
  EXPECT_EQ("first marked\nsecond marked\n", ReadAll(log_));
}

TEST_F(InstanceSearchTest, TheExactTitleAloneGetsNothing) {
  THelper helper(log_, {"0|1|kolvex MK Setup", "0|1|kolvex Setup Utility"});
  ASSERT_TRUE(helper.Ready());
  Search();
  EXPECT_EQ("", ReadAll(log_));
}

TEST(InstanceMarkerTest, MarkAndUnmark) {
  HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, HInstance(),
                           nullptr);
  EXPECT_FALSE(IsSetupMainWindow(w));
  MarkInstanceWindow(w);
  EXPECT_TRUE(IsSetupMainWindow(w));
  UnmarkInstanceWindow(w);
  EXPECT_FALSE(IsSetupMainWindow(w));
  DestroyWindow(w);
}

}  // namespace
