// Exceptions in event handlers and paint code end in the handler; painting
// still validates, and messages keep flowing.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TThrower {
  void Click(TObject*) { throw EConvertError("bad click"); }
  void Abort(TObject*) { ::Abort(); }
};

TEST(Barrier, ExceptionInOnClickReachesTheHandlerAndMessagesGoOn) {
  TCaughtExceptions caught;
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  c->SetBounds(0, 0, 50, 50);
  TThrower thrower;
  c->OnClick = Method<&TThrower::Click>(&thrower);
  const HWND h = c->Handle();
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(caught.Messages, std::vector<std::string>{"bad click"});
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 0);
  EXPECT_EQ(c->Count(WM_USER + 1), 1);

  c->OnClick = Method<&TThrower::Abort>(&thrower);  // EAbort stays silent
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(caught.Messages.size(), 1u);
}

TEST(Barrier, AFailingPaintStillValidatesItsRegion) {
  TCaughtExceptions caught;
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 60, 60);
  auto* graphic = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 20, 20));
  graphic->ThrowInPaint = true;
  ShowTopLevel(host.get());
  ProcessMessages();
  caught.Messages.clear();
  graphic->Paints = 0;

  InvalidateRect(host->WindowHandle(), nullptr, TRUE);
  UpdateWindow(host->WindowHandle());
  EXPECT_EQ(caught.Messages, std::vector<std::string>{"paint failed"});
  EXPECT_FALSE(GetUpdateRect(host->WindowHandle(), nullptr, FALSE));
  ProcessMessages();
  EXPECT_EQ(graphic->Paints, 1);  // no repaint loop

  host->OnPaintBody = [](TTestWinControl*) { throw EInvalidOperation("own paint failed"); };
  InvalidateRect(host->WindowHandle(), nullptr, TRUE);
  UpdateWindow(host->WindowHandle());
  EXPECT_EQ(caught.Messages.back(), "own paint failed");
  EXPECT_FALSE(GetUpdateRect(host->WindowHandle(), nullptr, FALSE));
  EXPECT_EQ(host->Canvas()->HandleAllocated(), false);  // the paint DC was let go
}

}  // namespace

namespace {

struct TRecorder {
  int Calls = 0;
  void Handle(TMessage& m) {
    ++Calls;
    m.Result = 7;
  }
};

// A window that still holds an instance its owner freed gets the default
// procedure's answer, never a call through an empty method.
TEST(Barrier, AFreedWindowProcedureInstanceAnswersLikeTheDefault) {
  TCaughtExceptions caught;
  TRecorder recorder;
  const WNDPROC proc = MakeObjectInstance(Method<&TRecorder::Handle>(&recorder));
  const HWND h = CreateWindowExA(0, "STATIC", "abc", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallWindowProcA(proc, h, WM_USER, 0, 0), 7);
  FreeObjectInstance(proc);
  EXPECT_EQ(CallWindowProcA(proc, h, WM_GETTEXTLENGTH, 0, 0),
            DefWindowProcA(h, WM_GETTEXTLENGTH, 0, 0));
  EXPECT_EQ(recorder.Calls, 1);
  EXPECT_TRUE(caught.Messages.empty());
  DestroyWindow(h);
}

}  // namespace
