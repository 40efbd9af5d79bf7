// Mouse routing to windowless children, clicks, capture, cursor and wheel.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TMouseLog {
  std::vector<std::string> log;
  void Down(TObject*, TMouseButton, TShiftState shift, int x, int y) {
    log.push_back(Format("down %d,%d%s", x, y, shift.Contains(ssDouble) ? " double" : ""));
  }
  void Move(TObject*, TShiftState, int x, int y) { log.push_back(Format("move %d,%d", x, y)); }
  void Click(TObject*) { log.push_back("click"); }
  void DblClick(TObject*) { log.push_back("dblclick"); }
  void WheelDown(TObject*, TShiftState, const TPoint&, bool& handled) {
    log.push_back("wheel down");
    handled = true;
  }
  void WheelUp(TObject*, TShiftState, const TPoint&, bool& handled) {
    log.push_back("wheel up");
    handled = true;
  }
};

void Send(TWinControl* c, UINT msg, int x, int y, WPARAM keys = 0) {
  SendMessageA(c->Handle(), msg, keys, MAKELPARAM(x, y));
}

// A 100 by 100 host for windowless children.
class Mouse : public ::testing::Test {
 protected:
  void SetUp() override { host->SetBounds(0, 0, 100, 100); }
  TOwned<TTestWinControl> host{Create<TTestWinControl>(nullptr)};
};

TEST_F(Mouse, WindowlessChildGetsItsMessagesInItsOwnCoordinatesAndClicks) {
  auto* label = AddChild<TTestGraphic>(host.get(), Bounds(20, 30, 40, 20));
  TMouseLog events, hostEvents;
  label->OnMouseDown = Method<&TMouseLog::Down>(&events);
  label->OnClick = Method<&TMouseLog::Click>(&events);
  host->OnMouseDown = Method<&TMouseLog::Down>(&hostEvents);
  Send(host.get(), WM_LBUTTONDOWN, 25, 35, MK_LBUTTON);
  Send(host.get(), WM_LBUTTONUP, 26, 36);
  EXPECT_EQ(events.log, (std::vector<std::string>{"down 5,5", "click"}));
  EXPECT_TRUE(hostEvents.log.empty());

  Send(host.get(), WM_LBUTTONDOWN, 25, 35, MK_LBUTTON);
  Send(host.get(), WM_LBUTTONUP, 90, 90);  // released outside: no click
  EXPECT_EQ(events.log.back(), "down 5,5");

  label->SetEnabled(false);  // a disabled child lets its parent have it
  Send(host.get(), WM_LBUTTONDOWN, 25, 35, MK_LBUTTON);
  Send(host.get(), WM_LBUTTONUP, 25, 35);
  EXPECT_EQ(hostEvents.log, std::vector<std::string>{"down 25,35"});
}

TEST_F(Mouse, DoubleClickIsDblClickThenMouseDownWithDouble) {
  auto* label = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 40, 20));
  TMouseLog events;
  label->OnMouseDown = Method<&TMouseLog::Down>(&events);
  label->OnClick = Method<&TMouseLog::Click>(&events);
  label->OnDblClick = Method<&TMouseLog::DblClick>(&events);
  Send(host.get(), WM_LBUTTONDOWN, 1, 1, MK_LBUTTON);
  Send(host.get(), WM_LBUTTONUP, 1, 1);
  Send(host.get(), WM_LBUTTONDBLCLK, 1, 1, MK_LBUTTON);
  Send(host.get(), WM_LBUTTONUP, 1, 1);  // the second release is no click
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"down 1,1", "click", "dblclick", "down 1,1 double"}));
}

TEST_F(Mouse, CaptureKeepsMovesComingToTheWindowlessControlWhileDragging) {
  auto* view = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 30, 30));
  TMouseLog events;
  view->OnMouseMove = Method<&TMouseLog::Move>(&events);
  ShowTopLevel(host.get());
  Send(host.get(), WM_LBUTTONDOWN, 15, 15, MK_LBUTTON);
  EXPECT_EQ(GetCaptureControl(), view);
  EXPECT_EQ(GetCapture(), host->WindowHandle());
  Send(host.get(), WM_MOUSEMOVE, 80, -20, MK_LBUTTON);  // outside both
  EXPECT_EQ(events.log, std::vector<std::string>{"move 70,-30"});
  Send(host.get(), WM_LBUTTONUP, 80, -20);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Mouse, WheelNotchesBecomeOneCallEach) {
  TTestWinControl* c = host.get();
  TMouseLog events;
  c->OnMouseWheelDown = Method<&TMouseLog::WheelDown>(&events);
  c->OnMouseWheelUp = Method<&TMouseLog::WheelUp>(&events);
  EXPECT_EQ(SendMessageA(c->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -2 * WHEEL_DELTA), 0), 1);
  EXPECT_EQ(events.log, (std::vector<std::string>{"wheel down", "wheel down"}));
  events.log.clear();
  SendMessageA(c->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
  EXPECT_TRUE(events.log.empty());  // half a notch waits for the other half
  SendMessageA(c->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
  EXPECT_EQ(events.log, std::vector<std::string>{"wheel up"});
}

TEST_F(Mouse, CursorOfTheWindowlessChildUnderTheMouse) {
  auto* link = AddChild<TTestGraphic>(host.get(), Bounds(10, 10, 30, 30));
  link->SetCursor(crHandPoint);
  ShowTopLevel(host.get());
  const HWND h = host->WindowHandle();
  const TPoint over = host->ClientToScreen(TPoint(20, 20));
  SetCursorPos(over.x, over.y);
  SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen()->Cursors(crHandPoint));
  Screen()->SetCursor(crHourGlass);  // the screen's cursor wins
  SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen()->Cursors(crHourGlass));
  Screen()->SetCursor(crDefault);
}

}  // namespace
