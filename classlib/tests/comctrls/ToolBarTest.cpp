#include "ComCtrlsTestSupport.h"

namespace {

struct TClicks {
  std::vector<std::string> names;
  void Click(TObject* sender) { names.push_back(static_cast<TComponent*>(sender)->Name()); }
};

class ToolBar : public ComCtrlsTest {
 protected:
  void SetUp() override {
    ComCtrlsTest::SetUp();
    bar_ = Add<TToolBar>(TRect(0, 0, 400, 30));
    bar_->SetShowCaptions(true);
    bar_->SetButtonWidth(60);
    for (const char* caption : {"One", "", "Three"})
      AddButton(caption);
    bar_->HandleNeeded();
  }

  TToolButton* AddButton(const std::string& caption, TToolButtonStyle style = tbsButton) {
    TToolButton* b = Create<TToolButton>(form_);
    b->SetName("B" + std::to_string(bar_->ButtonCount()));
    b->SetCaption(caption);
    b->SetStyle(style);
    b->OnClick = Method<&TClicks::Click>(&clicks_);
    b->SetParent(bar_);
    return b;
  }

  std::string NativeText(int index) {
    char buffer[64] = {};
    SendMessageA(bar_->Handle(), TB_GETBUTTONTEXTA, index, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }

  TPoint Centre(TToolButton* b) {
    RECT r{};
    SendMessageA(bar_->Handle(), TB_GETITEMRECT, b->Index(), reinterpret_cast<LPARAM>(&r));
    return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  TToolBar* bar_ = nullptr;
  TClicks clicks_;
};

}  // namespace

TEST_F(ToolBar, InsertedButtonsCarryNoStringForAnEmptyCaption) {
  std::vector<int> strings;
  std::vector<TToolButton*> inserted;
  TSpy spy(bar_);
  spy.Edit = [&](TMessage& m) {
    if (m.Msg != TB_INSERTBUTTONA)
      return;
    strings.push_back(reinterpret_cast<TBBUTTON*>(m.LParam)->iString);
    inserted.push_back(bar_->Buttons(static_cast<int>(m.WParam)));
  };
  bar_->RecreateWnd();
  bar_->HandleNeeded();
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_NE(strings[0], -1);
  EXPECT_EQ(strings[1], -1);
  EXPECT_NE(strings[2], -1);
  EXPECT_EQ(inserted,
            (std::vector<TToolButton*>{bar_->Buttons(0), bar_->Buttons(1), bar_->Buttons(2)}));
  // The empty caption does not borrow the next button's text.
  EXPECT_EQ(NativeText(1), "");
  EXPECT_EQ(NativeText(2), "Three");

  strings.clear();
  bar_->SetShowCaptions(false);
  bar_->HandleNeeded();
  EXPECT_EQ(strings, (std::vector<int>{-1, -1, -1}));
}

TEST_F(ToolBar, AStringTheHandlerChangesIsTheOneShown) {
  TSpy spy(bar_);
  spy.Edit = [&](TMessage& m) {
    if (m.Msg != TB_INSERTBUTTONA || m.WParam != 0)
      return;
    const char replacement[] = "Replaced\0";
    reinterpret_cast<TBBUTTON*>(m.LParam)->iString =
        SendMessageA(bar_->Handle(), TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(replacement));
  };
  bar_->RefreshButton(bar_->Buttons(0));
  EXPECT_EQ(NativeText(0), "Replaced");
}

TEST_F(ToolBar, RefreshKeepsOrderAndCaption) {
  bar_->Buttons(1)->SetCaption("Two");
  bar_->Buttons(0)->SetEnabled(false);
  bar_->Buttons(2)->SetVisible(false);
  bar_->Buttons(2)->SetVisible(true);
  for (int i = 0; i < 3; ++i) {
    TBBUTTON b{};
    SendMessageA(bar_->Handle(), TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, i);
  }
  EXPECT_EQ(NativeText(0), "One");
  EXPECT_EQ(NativeText(1), "Two");
  EXPECT_EQ(NativeText(2), "Three");
  EXPECT_FALSE(SendMessageA(bar_->Handle(), TB_ISBUTTONENABLED, 0, 0));
  EXPECT_THROW(bar_->Buttons(3), EListError);
}

TEST_F(ToolBar, OneClickGivesOneClickAndCheckButtonsFollowTheNativeState) {
  TToolButton* check = AddButton("Check", tbsCheck);
  ShowForm();
  ClickAt(bar_->Handle(), Centre(bar_->Buttons(0)));
  EXPECT_EQ(clicks_.names, (std::vector<std::string>{"B0"}));

  clicks_.names.clear();
  ClickAt(bar_->Handle(), Centre(check));
  EXPECT_EQ(clicks_.names, (std::vector<std::string>{"B3"}));
  EXPECT_TRUE(check->Down());
  ClickAt(bar_->Handle(), Centre(check));
  EXPECT_FALSE(check->Down());

  // From code: the native state follows, no OnClick.
  clicks_.names.clear();
  check->SetDown(true);
  EXPECT_TRUE(SendMessageA(bar_->Handle(), TB_ISBUTTONCHECKED, 3, 0));
  EXPECT_TRUE(clicks_.names.empty());
  // Click() from code runs even on a disabled button.
  check->SetEnabled(false);
  check->Click();
  EXPECT_EQ(clicks_.names, (std::vector<std::string>{"B3"}));
}

TEST_F(ToolBar, GroupedCheckButtons) {
  TToolButton* a = AddButton("A", tbsCheck);
  TToolButton* b = AddButton("B", tbsCheck);
  for (TToolButton* button : {a, b})
    button->SetGrouped(true);
  b->SetAllowAllUp(true);
  ShowForm();
  ClickAt(bar_->Handle(), Centre(a));
  ClickAt(bar_->Handle(), Centre(b));
  EXPECT_FALSE(a->Down()) << "the group released it";
  EXPECT_TRUE(b->Down());
  // AllowAllUp: the down button comes up again.
  ClickAt(bar_->Handle(), Centre(b));
  EXPECT_FALSE(b->Down());
  EXPECT_FALSE(SendMessageA(bar_->Handle(), TB_ISBUTTONCHECKED, b->Index(), 0));
  // Without it the group keeps one button down.
  ClickAt(bar_->Handle(), Centre(a));
  ClickAt(bar_->Handle(), Centre(a));
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(clicks_.names.size(), 5u);
}

TEST_F(ToolBar, HitTestsFindTheButtonsAfterLayoutChanges) {
  bar_->SetButtonWidth(80);
  bar_->SetAutoSize(true);
  bar_->SetWidth(150);  // wraps the third button to a second row
  for (int i = 0; i < bar_->ButtonCount(); ++i) {
    TToolButton* b = bar_->Buttons(i);
    EXPECT_EQ(bar_->ControlAtPos(Centre(b), false), b) << i;
    EXPECT_GT(b->Width(), 0);
  }
  RECT last{};
  SendMessageA(bar_->Handle(), TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
  EXPECT_GE(bar_->ClientHeight(), last.bottom);
}

TEST_F(ToolBar, ActionsGiveCaptionDownAndTheDisabledImages) {
  TOwned<TImageList> images(Create<TImageList>(nullptr));
  TOwned<TImageList> disabled(Create<TImageList>(nullptr));
  bar_->SetImages(images.get());
  bar_->SetDisabledImages(disabled.get());
  EXPECT_EQ(
      reinterpret_cast<HIMAGELIST>(SendMessageA(bar_->Handle(), TB_GETDISABLEDIMAGELIST, 0, 0)),
      disabled->Handle());

  TOwned<TAction> action(Create<TAction>(nullptr));
  action->SetCaption("From action");
  action->SetChecked(true);
  action->SetImageIndex(2);
  TToolButton* b = bar_->Buttons(1);
  b->SetAction(action.get());
  EXPECT_EQ(NativeText(1), "From action");
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->ImageIndex(), 2);
  TBBUTTON native{};
  SendMessageA(bar_->Handle(), TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(&native));
  EXPECT_EQ(native.iBitmap, 2);

  action->SetEnabled(false);
  EXPECT_FALSE(SendMessageA(bar_->Handle(), TB_ISBUTTONENABLED, 1, 0));
  action->SetChecked(false);
  EXPECT_FALSE(b->Down());

  // A freed list is dropped by the bar.
  disabled.reset();
  EXPECT_EQ(bar_->DisabledImages(), nullptr);
  EXPECT_EQ(SendMessageA(bar_->Handle(), TB_GETDISABLEDIMAGELIST, 0, 0), 0);
  b->SetAction(nullptr);
}

TEST_F(ToolBar, FreedButtonLeavesTheBar) {
  bar_->Buttons(1)->Free();
  ASSERT_EQ(bar_->ButtonCount(), 2);
  EXPECT_EQ(SendMessageA(bar_->Handle(), TB_BUTTONCOUNT, 0, 0), 2);
  EXPECT_EQ(NativeText(1), "Three");
  EXPECT_EQ(bar_->Buttons(1)->Index(), 1);
}

namespace {

struct THintWatch {
  std::string hint;
  TControl* control = nullptr;
  void Show(TObject*, std::string& text, bool& canShow, THintInfo& info) {
    hint = text;
    control = info.HintControl;
    canShow = false;
  }
};

}  // namespace

TEST_F(ToolBar, HintsAreTheButtonsOwn) {
  ShowForm();
  TToolButton* third = bar_->Buttons(2);
  third->SetHint("Third button|Does the third thing");
  third->SetShowHint(true);
  bar_->SetHint("The bar");
  bar_->SetShowHint(true);
  THintWatch watch;
  Application()->OnShowHint = Method<&THintWatch::Show>(&watch);
  Application()->SetHintPause(0);
  const TPoint at = Centre(third);
  SetCursorPos(bar_->ClientToScreen(at).x, bar_->ClientToScreen(at).y);
  PostMessageA(bar_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  classlib::PumpUntil([&] { return watch.control != nullptr; }, 3000);
  Application()->OnShowHint = {};
  EXPECT_EQ(watch.control, third);
  EXPECT_EQ(watch.hint, "Third button");
}

// The border around the face is the bar's own to paint, in its colour, also
// where the bar grew; the edges go on top of it.
TEST_F(ToolBar, TheBorderIsPaintedInTheBarsColourAlsoWhereItGrew) {
  bar_->SetEdgeBorders({});
  bar_->SetBorderWidth(2);
  bar_->SetColor(clRed);
  form_->SetClientWidth(700);
  ShowForm();
  bar_->SetWidth(600);
  classlib::PumpFor(100);
  RECT r;
  GetWindowRect(bar_->Handle(), &r);
  HDC screen = GetDC(nullptr);
  for (int x : {5, 450, 595})
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(screen, r.left + x, r.top)) << x;
  ReleaseDC(nullptr, screen);
}
