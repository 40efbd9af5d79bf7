// Setters do nothing for an unchanged value; values set from code raise no
// user events; parent font, colour and hints reach the children that follow.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TClicks {
  int count = 0;
  void Click(TObject*) { ++count; }
};

TEST(Setters, UnchangedValuesSendNothing) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  c->HandleNeeded();
  c->SetColor(clWindow);
  c->SetColor(clRed);
  c->SetColor(clRed);
  c->Font()->SetSize(c->Font()->Size());
  c->Font()->SetColor(clBlue);
  c->Font()->SetColor(clBlue);
  c->SetCaption("a");
  c->SetCaption("a");
  c->SetEnabled(true);
  c->SetVisible(true);
  c->SetCursor(crDefault);
  EXPECT_EQ(c->Count(CM_COLORCHANGED), 1);
  EXPECT_EQ(c->Count(CM_FONTCHANGED), 1);
  EXPECT_EQ(c->Count(CM_TEXTCHANGED), 1);
  EXPECT_EQ(c->Count(WM_SETTEXT), 1);
  EXPECT_EQ(c->Count(CM_ENABLEDCHANGED), 0);
  EXPECT_EQ(c->Count(CM_VISIBLECHANGED), 0);
  EXPECT_EQ(c->Count(CM_CURSORCHANGED), 0);
}

TEST(Setters, WindowedTextComparesWithTheWindowsOwnText) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  SetWindowTextA(c->Handle(), "typed");
  c->Messages.clear();
  c->SetText("typed");
  EXPECT_EQ(c->Count(WM_SETTEXT), 0);
  EXPECT_EQ(c->Count(CM_TEXTCHANGED), 0);
  c->SetText("new");
  EXPECT_EQ(c->Count(CM_TEXTCHANGED), 1);
}

TEST(Setters, VisibleAndEnabledAreTheControlsOwnFlags) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* child = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  ShowTopLevel(host.get());
  EXPECT_TRUE(child->Showing());
  EXPECT_TRUE(IsWindowVisible(child->WindowHandle()));
  host->SetEnabled(false);
  host->Hide();
  EXPECT_TRUE(child->Visible());
  EXPECT_TRUE(child->Enabled());
  EXPECT_FALSE(child->Showing());
  EXPECT_FALSE(child->CanFocus());
  child->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(child->WindowHandle()));
}

TEST(Setters, ClickFromCodeRaisesOnClickEvenWhenDisabledButValuesDoNot) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  TClicks clicks;
  c->OnClick = Method<&TClicks::Click>(&clicks);
  c->SetCaption("x");
  c->SetColor(clRed);
  c->SetEnabled(false);
  EXPECT_EQ(clicks.count, 0);
  c->Click();
  EXPECT_EQ(clicks.count, 1);
}

TEST(Setters, ParentFontColourAndShowHintReachFollowingChildrenOnly) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetColor(clBtnFace);
  host->Font()->SetName("Tahoma");
  auto* follower = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  auto* label = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 10, 10));
  auto* own = AddChild<TTestGraphic>(host.get(), Bounds(0, 0, 10, 10));
  EXPECT_EQ(follower->Font()->Name(), "Tahoma");
  EXPECT_EQ(label->Color(), clBtnFace);
  own->SetColor(clWhite);
  own->Font()->SetSize(14);
  EXPECT_FALSE(own->ParentColor());
  EXPECT_FALSE(own->ParentFont());

  follower->HandleNeeded();
  follower->Messages.clear();
  host->SetColor(clYellow);
  host->Font()->SetName("Courier New");
  EXPECT_EQ(label->Color(), clYellow);
  EXPECT_TRUE(label->ParentColor());
  EXPECT_EQ(follower->Font()->Name(), "Courier New");
  EXPECT_TRUE(follower->ParentFont());
  EXPECT_EQ(follower->Count(WM_SETFONT), 1);
  EXPECT_EQ(own->Color(), clWhite);
  EXPECT_NE(own->Font()->Name(), "Courier New");

  host->SetShowHint(true);
  EXPECT_TRUE(label->ShowHint());
  own->SetShowHint(false);
  host->SetShowHint(false);
  host->SetShowHint(true);
  EXPECT_FALSE(own->ShowHint());
}

}  // namespace
