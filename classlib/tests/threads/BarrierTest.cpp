#include "Startup.h"
#include "System.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

// Records what reaches the exception handler and the debug sink.
class Barrier : public testing::Test {
 protected:
  void SetUp() override {
    SetExceptionHandler([this](TObject*, const std::exception_ptr& e) {
      reported_.push_back(ExceptionMessage(e));
    });
    SetDebugSink([this](const std::string& line) { debugLines_.push_back(line); });
  }
  void TearDown() override {
    SetExceptionHandler(nullptr);
    SetDebugSink(nullptr);
    SetMessageBoxFunc(nullptr);
  }
  std::vector<std::string> reported_;
  std::vector<std::string> debugLines_;
};

// A utility window whose method raises whatever it is told to.
class TThrowingWindow {
 public:
  TThrowingWindow() : wnd_(AllocateHWnd(Method<&TThrowingWindow::WndProc>(this))) {}
  ~TThrowingWindow() { DeallocateHWnd(wnd_); }
  LRESULT Send(UINT msg) { return SendMessageA(wnd_, msg, 0, 0); }

 private:
  void WndProc(TMessage& m) {
    m.Result = 5;
    if (m.Msg == WM_USER)
      throw EConvertError("in window");
    if (m.Msg == WM_USER + 1)
      Abort();
    if (m.Msg == WM_USER + 2)
      throw std::runtime_error("std in window");
  }
  HWND wnd_;
};

TEST_F(Barrier, UtilityWindowExceptionsReachTheHandlerAndTheWindowGoesOn) {
  TThrowingWindow window;
  window.Send(WM_USER);
  window.Send(WM_USER + 1);  // EAbort is silent
  window.Send(WM_USER + 2);
  EXPECT_EQ(5, window.Send(WM_USER + 3));
  EXPECT_EQ((std::vector<std::string>{"in window", "std in window"}), reported_);
  EXPECT_TRUE(debugLines_.empty());
}

TEST_F(Barrier, WorkerThreadExceptionsGoToTheDebuggerOnly) {
  TLambdaThread thread([](TLambdaThread&) {
    Guard(nullptr, [] { throw EConvertError("in worker"); });
    Guard(nullptr, [] { Abort(); });
  });
  thread.WaitFor();
  EXPECT_TRUE(reported_.empty());
  ASSERT_EQ(1u, debugLines_.size());
  EXPECT_NE(std::string::npos, debugLines_[0].find("EConvertError: in worker"));
}

TEST_F(Barrier, AFailingHandlerDoesNotEscape) {
  SetExceptionHandler([](TObject*, const std::exception_ptr&) { throw EConvertError("again"); });
  EXPECT_FALSE(Guard(nullptr, [] { throw EConvertError("first"); }));
  EXPECT_EQ(1u, debugLines_.size());
}

TEST_F(Barrier, DefaultHandlerShowsAnErrorBox) {
  SetExceptionHandler(nullptr);
  std::string text, caption;
  UINT flags = 0;
  SetMessageBoxFunc([&](HWND, const std::string& t, const std::string& c, UINT f) {
    text = t;
    caption = c;
    flags = f;
    return IDOK;
  });
  SetApplicationTitle("Velmor test");
  Guard(nullptr, [] { throw EConvertError("shown"); });
  EXPECT_EQ("shown", text);
  EXPECT_EQ("Velmor test", caption);
  EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), flags);
}

// ---- Start-up ------------------------------------------------------------------

std::vector<std::string> moduleLog;
bool failSecondOnce = false;

void RegisterLoggedModule(const char* name, bool canFail) {
  classlib::RegisterModule(
      name,
      [name, canFail] {
        if (canFail && failSecondOnce) {
          failSecondOnce = false;
          throw EConvertError("no start");
        }
        moduleLog.push_back(std::string("init ") + name);
      },
      [name] { moduleLog.push_back(std::string("done ") + name); });
}

TEST(Startup, ModulesStartInOrderAndStopInReverse) {
  classlib::Shutdown();
  EXPECT_FALSE(classlib::Started());
  EXPECT_EQ(nullptr, Screen());
  static bool registered = false;  // the registry outlives a repeated run
  if (!registered) {
    RegisterLoggedModule("one", false);
    RegisterLoggedModule("two", true);
    RegisterLoggedModule("three", false);
    registered = true;
  }
  moduleLog.clear();
  classlib::Startup();
  EXPECT_THROW(classlib::RegisterModule("late", nullptr, nullptr), EInvalidOperation);
  classlib::Shutdown();
  EXPECT_EQ((std::vector<std::string>{"init one", "init two", "init three", "done three",
                                      "done two", "done one"}),
            moduleLog);

  // A module that fails to start stops those before it and the library.
  moduleLog.clear();
  failSecondOnce = true;
  EXPECT_THROW(classlib::Startup(), EConvertError);
  EXPECT_FALSE(classlib::Started());
  EXPECT_EQ((std::vector<std::string>{"init one", "done one"}), moduleLog);

  classlib::Startup();
  EXPECT_TRUE(classlib::Started());
  EXPECT_EQ(MainThreadID(), GetCurrentThreadId());
}

TEST(Screen, HourGlassAndBack) {
  ASSERT_NE(nullptr, Screen());
  Screen()->SetCursor(crHourGlass);
  EXPECT_EQ(crHourGlass, Screen()->Cursor());
  EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
  Screen()->SetCursor(crDefault);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), GetCursor());
}

}  // namespace
