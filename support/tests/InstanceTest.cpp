// The guard and the window walk against a second process (InstanceHelper).
#include "uOneAppOnly.h"

#include "FileUtils.h"
#include "LibraryEnvironment.h"
#include "System.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

std::string ReadAll(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string TempName(const std::string& tag) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  static int counter = 0;
  return std::string(folder) + "vel-instance-" + IntToStr(GetCurrentProcessId()) + "-" +
         IntToStr(++counter) + "-" + tag;
}

// A running InstanceHelper, ended when the object goes.
class THelper {
 public:
  explicit THelper(const std::vector<std::string>& args) : ready_(TempName("ready")) {
    std::string line =
        "\"" + ExtractFilePath(ParamStr(0)) + "InstanceHelper.exe\" \"" + ready_ + "\"";
    for (const std::string& a : args)
      line += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      throw std::runtime_error("cannot start the helper");
    const DWORD start = GetTickCount();
    while (ReadAll(ready_).empty() && GetTickCount() - start < 20000)
      Sleep(20);
  }
  ~THelper() {
    Kill();
    DeleteFileA(ready_.c_str());
  }
  THelper(const THelper&) = delete;
  THelper& operator=(const THelper&) = delete;

  std::string Ready() const { return ReadAll(ready_); }
  // Ends the process at once, as a crash would: a mutex it owns is abandoned.
  void Kill() {
    if (!pi_.hProcess)
      return;
    TerminateProcess(pi_.hProcess, 9);
    WaitForSingleObject(pi_.hProcess, 10000);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = PROCESS_INFORMATION{};
  }

 private:
  std::string ready_;
  PROCESS_INFORMATION pi_{};
};

// A name no other test run uses.
std::string NewGuid() {
  return Format("{%s-%s}", IntToHex(GetCurrentProcessId(), 8), IntToHex(GetTickCount(), 8));
}

TEST(OneAppOnlyTest, SecondStartFindsTheMutexUntilTheFirstDies) {
  const std::string guid = NewGuid();
  THelper first({"mutex", guid});
  EXPECT_EQ("0", first.Ready());

  TOneAppOnly second(guid, nullptr);
  EXPECT_TRUE(second.AlreadyRunning());

  first.Kill();  // abandoned, not released
  TOneAppOnly next(guid, nullptr);
  EXPECT_FALSE(next.AlreadyRunning());
  // Now this process holds it.
  THelper later({"mutex", guid});
  EXPECT_EQ("1", later.Ready());
}

TEST(OneAppOnlyTest, TerminalGuidIsInRegistryForm) {
  const std::string guid = TerminalInstanceGuid;
  ASSERT_EQ(38u, guid.size());
  EXPECT_EQ(UpperCase(guid), guid);
  EXPECT_EQ('{', guid.front());
  EXPECT_EQ('}', guid.back());
  for (size_t dash : {9u, 14u, 19u, 24u})
    EXPECT_EQ('-', guid[dash]);
}

class WindowWalkTest : public testing::Test {
 protected:
  void TearDown() override { DeleteFileA(log_.c_str()); }

  // The caption of the window that answered; "" when none did.
  std::string Walk() {
    TOneAppOnly guard(TerminalInstanceGuid, IsTerminalMainWindow);
    const HWND answered = guard.ActivateRunningInstance(WM_ACTIVATE_INSTANCE);
    return answered ? WindowCaption(answered) : "";
  }
  std::string Received() const { return ReadAll(log_); }

  const std::string log_ = TempName("log");
};

TEST_F(WindowWalkTest, OnlyTerminalMainWindowsAreAskedUntilOneAnswers) {
  THelper windows({"windows", log_, "pump", "TMainForm|0|VelmorTerminal A",
                   "#32770|0|VelmorTerminal - Error", "TOtherForm|1|VelmorTerminal other",
                   "TMainForm|1|Something else", "TMainForm|1|x VelmorTerminal B",
                   "TMainForm|1|VelmorTerminal C"});
  ASSERT_EQ("ready", windows.Ready());
  EXPECT_EQ("x VelmorTerminal B", Walk());
  EXPECT_EQ("VelmorTerminal A\nx VelmorTerminal B\n", Received());
}

TEST_F(WindowWalkTest, HungWindowDoesNotBlockTheWalk) {
  THelper alive({"windows", log_, "pump", "TMainForm|1|VelmorTerminal alive"});
  THelper hung({"windows", log_, "hang", "TMainForm|1|VelmorTerminal hung"});
  ASSERT_EQ("ready", hung.Ready());
  const DWORD start = GetTickCount();
  EXPECT_EQ("VelmorTerminal alive", Walk());
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 1500u) << "the hung window, topmost, is asked first";
  EXPECT_LT(elapsed, 10000u);
  EXPECT_EQ("VelmorTerminal alive\n", Received());
}

TEST_F(WindowWalkTest, OwnWindowsAreSkipped) {
  HWND own = CreateWindowExA(0, "STATIC", "VelmorTerminal own", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, HInstance(), nullptr);
  int asked = 0;
  TOneAppOnly guard(TerminalInstanceGuid, [&](HWND w) {
    asked += w == own;
    return false;
  });
  EXPECT_EQ(nullptr, guard.ActivateRunningInstance(WM_ACTIVATE_INSTANCE));
  DestroyWindow(own);
  EXPECT_EQ(0, asked);
}

}  // namespace
