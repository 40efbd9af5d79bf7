#include "Startup.h"
#include "ThreadDialog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

const UINT kProbe = WM_USER + 5;

// A main-thread window that counts the probe and timer messages it receives
// and answers the probe with 42.
class TProbeWindow {
 public:
  TProbeWindow() : wnd_(AllocateHWnd(Method<&TProbeWindow::WndProc>(this))) {}
  ~TProbeWindow() { DeallocateHWnd(wnd_); }
  HWND Handle() const { return wnd_; }

  std::atomic<int> probes{0};
  std::atomic<int> timers{0};
  std::atomic<DWORD> probeThread{0};

 private:
  void WndProc(TMessage& m) {
    if (m.Msg == kProbe) {
      ++probes;
      probeThread = GetCurrentThreadId();
      m.Result = 42;
    } else if (m.Msg == WM_TIMER) {
      ++timers;
    }
  }
  HWND wnd_;
};

// Synchronizes once from a worker and records on which thread the method ran.
struct TSyncProbe {
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> done{false};
  TLambdaThread thread{[this](TLambdaThread& self) {
    self.Synchronize([this] { ranOn = GetCurrentThreadId(); });
    done = true;
  }};
};

TEST(Synchronize, RunsOnTheMainThreadDirectlyInAMessageLoopAndInWaitFor) {
  DWORD ranOn = 0;
  TThread::StaticSynchronize([&] { ranOn = GetCurrentThreadId(); });
  EXPECT_EQ(GetCurrentThreadId(), ranOn);

  TSyncProbe looped;
  ASSERT_TRUE(PumpUntil([&] { return looped.done.load(); }));
  EXPECT_EQ(GetCurrentThreadId(), looped.ranOn);

  TSyncProbe waited;
  waited.thread.WaitFor();
  EXPECT_EQ(GetCurrentThreadId(), waited.ranOn);
}

// A worker that waits for the box, sends a timed message and synchronizes
// inside its modal loop (the port engine's delivery and the command engine's
// events both land there), then closes it.
template <typename Char>
void SynchronizeInsideMessageBox(int(WINAPI* messageBox)(HWND, const Char*, const Char*, UINT),
                                 HWND(WINAPI* findWindow)(const Char*, const Char*),
                                 const Char* caption) {
  TProbeWindow window;
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> boxUp{false};
  DWORD_PTR answer = 0;
  TLambdaThread thread([&](TLambdaThread& self) {
    for (int i = 0; i < 500 && !findWindow(nullptr, caption); ++i)
      Sleep(10);
    SendMessageTimeoutA(window.Handle(), kProbe, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 2000,
                        &answer);
    self.Synchronize([&] {
      ranOn = GetCurrentThreadId();
      HWND box = findWindow(nullptr, caption);
      boxUp = IsWindowVisible(box) != FALSE;
      // Close this thread's dialog whatever it is, so that a failure does not
      // hang the run.
      PostMessageA(FindThreadDialog(), WM_COMMAND, IDOK, 0);
    });
  });
  messageBox(nullptr, caption, caption, MB_OK);
  thread.WaitFor();
  EXPECT_FALSE(thread.FatalException());
  EXPECT_EQ(GetCurrentThreadId(), ranOn);
  EXPECT_TRUE(boxUp);
  EXPECT_EQ(42u, answer);
  EXPECT_EQ(GetCurrentThreadId(), window.probeThread);
}

TEST(Synchronize, RunsInsideMessageBoxAAndW) {
  SynchronizeInsideMessageBox<char>(MessageBoxA, FindWindowA, "Sync inside box A");
  SynchronizeInsideMessageBox<wchar_t>(MessageBoxW, FindWindowW, L"Sync inside box W \u00e9");
}

TEST(WaitFor, DispatchesNoPostedMessages) {
  TProbeWindow window;
  SetTimer(window.Handle(), 1, 1, nullptr);
  PostMessageA(window.Handle(), kProbe, 0, 0);
  TLambdaThread thread([](TLambdaThread& self) {
    Sleep(100);
    self.Synchronize([] {});
  });
  thread.WaitFor();
  EXPECT_EQ(0, window.probes);
  EXPECT_EQ(0, window.timers);
  EXPECT_TRUE(PumpUntil([&] { return window.probes == 1 && window.timers > 0; }));
  KillTimer(window.Handle(), 1);
}

TEST(WaitFor, ServesSendMessageTimeoutPromptly) {
  TProbeWindow window;
  DWORD_PTR answer = 0;
  bool sent = false;
  TLambdaThread thread([&](TLambdaThread&) {
    sent = SendMessageTimeoutA(window.Handle(), kProbe, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 5000,
                               &answer) != 0;
  });
  const DWORD start = GetTickCount();
  thread.WaitFor();
  EXPECT_LT(GetTickCount() - start, 2000u);
  EXPECT_TRUE(sent);
  EXPECT_EQ(42u, answer);
  EXPECT_EQ(GetCurrentThreadId(), window.probeThread);
}

class SynchronizeException : public testing::Test {
 protected:
  void SetUp() override {
    SetExceptionHandler([this](TObject*, const std::exception_ptr&) { ++reported_; });
  }
  void TearDown() override { SetExceptionHandler(nullptr); }
  int reported_ = 0;
};

TEST_F(SynchronizeException, IsRaisedAgainInTheWorkerAndIfUncaughtBecomesFatal) {
  std::string caught;
  TLambdaThread thread([&](TLambdaThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("from main"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
    self.Synchronize([] { throw EConvertError("lost"); });
  });
  thread.WaitFor();
  EXPECT_EQ("from main", caught);
  EXPECT_EQ("lost", ExceptionMessage(thread.FatalException()));
  EXPECT_EQ(0, reported_);
}

TEST(Synchronize, WithoutTheSyncWindowRaisesInTheWorker) {
  DoneSyncWindow();
  bool ran = false;
  TLambdaThread thread([&](TLambdaThread& self) { self.Synchronize([&] { ran = true; }); });
  thread.WaitFor();
  InitSyncWindow();
  EXPECT_FALSE(ran);
  ASSERT_TRUE(thread.FatalException());
  EXPECT_EQ("EThread", ExceptionClassName(thread.FatalException()));
}

}  // namespace
