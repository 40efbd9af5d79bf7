// Buttons, check boxes and radio buttons: values from code raise nothing,
// the user's clicks and keys do; the action link carries Checked.
#include "StdCtrlsTestSupport.h"

namespace {

using Log = std::vector<std::string>;

class Buttons : public StdCtrlsTest {};

LRESULT CheckOf(TWinControl* c) {
  return SendMessageA(c->Handle(), BM_GETCHECK, 0, 0);
}

TEST_F(Buttons, CheckBoxStateFromCodeIsSilentAndClicksCycleThroughGrayed) {
  auto* box = Add<TCheckBox>("Box");
  Watch(box);
  box->SetChecked(true);
  EXPECT_EQ(CheckOf(box), BST_CHECKED);
  box->SetState(cbGrayed);
  EXPECT_EQ(CheckOf(box), BST_INDETERMINATE);
  box->SetState(cbUnchecked);
  EXPECT_TRUE(log_.empty());
  box->SetAllowGrayed(true);
  std::vector<TCheckBoxState> states;
  for (int i = 0; i < 3; ++i) {
    SendMessageA(box->Handle(), BM_CLICK, 0, 0);
    states.push_back(box->State());
  }
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbChecked, cbGrayed, cbUnchecked}));
  EXPECT_EQ(log_, Log(3, "Box:click"));
  // Without AllowGrayed a checked box goes back to unchecked.
  box->SetAllowGrayed(false);
  box->SetChecked(true);
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(CheckOf(box), BST_UNCHECKED);
}

TEST_F(Buttons, StateSetBeforeTheWindowAndKeptAcrossRecreation) {
  auto* box = Create<TCheckBox>(form_.get());
  box->SetState(cbGrayed);
  box->SetParent(form_.get());
  EXPECT_EQ(CheckOf(box), BST_INDETERMINATE);
  box->SetAlignment(taLeftJustify);  // re-creates the window
  EXPECT_EQ(CheckOf(box), BST_INDETERMINATE);
  EXPECT_TRUE(GetWindowLongA(box->Handle(), GWL_STYLE) & BS_LEFTTEXT);
}

TEST_F(Buttons, RadioButtonsUncheckTheirSiblingsAndOnlyAnUncheckedOneClicks) {
  auto* one = Add<TRadioButton>("One");
  auto* two = Add<TRadioButton>("Two", Bounds(8, 40, 120, 24));
  Watch(one);
  Watch(two);
  one->SetChecked(true);
  two->SetChecked(true);
  EXPECT_FALSE(one->Checked());
  EXPECT_EQ(CheckOf(one), BST_UNCHECKED);
  EXPECT_TRUE(log_.empty());
  SendMessageA(one->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(one->Checked());
  EXPECT_FALSE(two->Checked());
  EXPECT_EQ(CheckOf(two), BST_UNCHECKED);
  SendMessageA(one->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(log_, Log{"One:click"});
}

TEST_F(Buttons, ClickFromCodeRunsEvenWhenDisabledAndHandsTheModalResultToTheForm) {
  auto* ok = Add<TButton>("Ok");
  Watch(ok);
  ok->SetEnabled(false);
  ok->SetModalResult(mrOk);
  ok->SetCaption("OK");
  {
    TMessageCounter counter(ok);
    ok->SetCaption("OK");
    EXPECT_EQ(counter.Count(WM_SETTEXT), 0);
  }
  ok->Click();
  EXPECT_EQ(log_, Log{"Ok:click"});
  EXPECT_EQ(form_->ModalResult(), mrOk);
  // BN_CLICKED from the native button clicks once.
  ok->SetEnabled(true);
  SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(log_, (Log{"Ok:click", "Ok:click"}));
}

TEST_F(Buttons, EnterClicksTheFocusedButtonOrTheDefaultOneAndEscTheCancelOne) {
  auto* ok = Add<TButton>("Ok");
  auto* cancel = Add<TButton>("Cancel", Bounds(8, 40, 75, 25));
  auto* other = Add<TButton>("Other", Bounds(8, 70, 75, 25));
  auto* edit = Add<TEdit>("Edit", Bounds(100, 8, 100, 21));
  for (TButton* b : {ok, cancel, other})
    Watch(b);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  EXPECT_TRUE(GetWindowLongA(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  Focus(edit);
  form_->Perform(CM_DIALOGKEY, VK_RETURN, 0);
  form_->Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
  Focus(other);
  // The focused button takes the default frame from the Default one.
  EXPECT_FALSE(GetWindowLongA(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(form_->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
  Focus(edit);
  EXPECT_TRUE(GetWindowLongA(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(log_, (Log{"Ok:click", "Cancel:click", "Other:click"}));
  // A disabled Default button takes no Enter.
  ok->SetEnabled(false);
  EXPECT_EQ(form_->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
}

TEST_F(Buttons, AcceleratorsClickFocusAndToggle) {
  auto* go = Add<TButton>("Go");
  auto* box = Add<TCheckBox>("Box", Bounds(8, 40, 120, 24));
  auto* radio = Add<TRadioButton>("Radio", Bounds(8, 70, 120, 24));
  go->SetCaption("&Go");
  box->SetCaption("Chec&k");
  radio->SetCaption("R&&D &x");
  Watch(go);
  Watch(box);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'g', 0), 1);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'K', 0), 1);
  EXPECT_EQ(box->WindowHandle(), GetFocus());
  EXPECT_TRUE(box->Checked());
  // "&&" marks nothing.
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'd', 0), 0);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'x', 0), 1);
  EXPECT_EQ(radio->WindowHandle(), GetFocus());
  EXPECT_EQ(log_, (Log{"Go:click", "Box:click"}));
}

TEST_F(Buttons, TheActionLinkSetsCheckedWithoutAClick) {
  auto* box = Add<TCheckBox>("Box");
  TOwned<TAction> action(Create<TAction>(nullptr));
  Watch(box);
  box->SetAction(action.get());
  ASSERT_NE(box->ActionLink(), nullptr);
  EXPECT_EQ(box->ActionLink()->ClassType(), &TButtonActionLink::StaticClass());
  EXPECT_EQ(TButtonActionLink::StaticClass().Parent(), &TWinControlActionLink::StaticClass());
  action->SetChecked(true);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(CheckOf(box), BST_CHECKED);
  // Once the box differs from the action it no longer follows it.
  box->SetState(cbGrayed);
  action->SetChecked(false);
  EXPECT_EQ(box->State(), cbGrayed);
  EXPECT_TRUE(log_.empty());
  EXPECT_THROW(TButtonActionLink link(Create<TLabel>(form_.get())), EInvalidCast);
}

}  // namespace
