// Focus kept per form, and keys through the loop's pre-processing: tab
// order, arrows, key preview, Enter without a Default button.
#include "FormsTestSupport.h"
#include "StdCtrls.h"
#include "ThreadDialog.h"
#include "System.h"

namespace {

class TFocusForm : public TForm {
  VEL_CLASS(TFocusForm, TForm)
  static void Publish(TPublisher<TFocusForm>& p);

 public:
  using TForm::TForm;
  TTestBox* Box1 = nullptr;
  TTestPanel* Panel1 = nullptr;
  TTestBox* Box2 = nullptr;
  TTestBox* Box3 = nullptr;
  TTestBox* Box4 = nullptr;
  WORD swallow = 0;

  void FormKeyDown(TObject*, WORD& key, TShiftState) {
    Log(this, "keydown " + IntToStr(key));
    if (key == swallow)
      key = 0;
  }
};

VEL_COMPONENT_IMPL(TFocusForm, TForm)

void TFocusForm::Publish(TPublisher<TFocusForm>& p) {
  p.Field<&TFocusForm::Box1>("Box1");
  p.Field<&TFocusForm::Panel1>("Panel1");
  p.Field<&TFocusForm::Box2>("Box2");
  p.Field<&TFocusForm::Box3>("Box3");
  p.Field<&TFocusForm::Box4>("Box4");
  p.Method<&TFocusForm::FormKeyDown>("FormKeyDown");
}

class FocusAndKeys : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application()->CreateForm(&form_);
    ShowAndActivate(form_);
  }
  // Focuses control and starts the log afresh.
  void FocusOn(TTestBox* control) {
    control->SetFocus();
    HandlePending();
    EXPECT_EQ(control->WindowHandle(), GetFocus());
    EventLog().clear();
  }
  void Press(WORD vk) { PressKey(GetFocus(), vk); }
  static void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }

  TFocusForm* form_ = nullptr;
};

TEST_F(FocusAndKeys, EnterRunsBeforeTheControlsOwnFocusHandling) {
  // Activation focused the first control of the tab order.
  EXPECT_EQ(form_->Box1, form_->ActiveControl());
  EXPECT_EQ(form_->Box1->WindowHandle(), GetFocus());
  EXPECT_EQ((std::vector<std::string>{"Box1:enter", "Box1:setfocus entered"}), EventLog());
  EventLog().clear();
  form_->Box3->SetFocus();
  EXPECT_EQ((std::vector<std::string>{"Box1:exit", "Box3:enter", "Box3:setfocus entered"}),
            EventLog());
  EXPECT_EQ(form_->Box3, form_->ActiveControl());
}

TEST_F(FocusAndKeys, LeavingTheFormIsNoExitAndComingBackRestoresTheFocus) {
  FocusOn(form_->Box2);
  TOwned<TForm> other(CreateNew<TForm>(nullptr));
  ShowAndActivate(other.get());
  EXPECT_NE(form_->Box2->WindowHandle(), GetFocus());
  ShowAndActivate(form_);
  EXPECT_EQ(form_->Box2->WindowHandle(), GetFocus());
  // A message box over the form.
  TScript script({[] { PostMessageA(FindThreadDialog(), WM_COMMAND, IDOK, 0); }});
  MessageBoxA(form_->Handle(), "text", "caption", MB_OK);
  HandlePending();
  EXPECT_EQ(form_->Box2->WindowHandle(), GetFocus());
  // Focused again twice, entered never again.
  EXPECT_EQ(2u, LogOf("Box2:setfocus entered").size());
  EXPECT_TRUE(LogOf("Box2:exit").empty());
  EXPECT_TRUE(LogOf("Box2:enter").empty());
}

TEST_F(FocusAndKeys, TabFollowsTheFormsTabOrderThroughNestedPanels) {
  FocusOn(form_->Box1);
  std::vector<TControl*> visited;
  for (int i = 0; i < 4; ++i) {
    Press(VK_TAB);
    visited.push_back(FindControl(GetFocus()));
  }
  EXPECT_EQ((std::vector<TControl*>{form_->Box3, form_->Box2, form_->Box4, form_->Box1}), visited);
  SetShift(true);
  Press(VK_TAB);
  SetShift(false);
  EXPECT_EQ(form_->Box4, FindControl(GetFocus()));
  // The form took the keys: no control saw them.
  EXPECT_TRUE(LogOf("Box1:key").empty());
  EXPECT_TRUE(LogOf("FocusForm:keydown").empty());
}

TEST_F(FocusAndKeys, ArrowsMoveAmongSiblingsUnlessTheControlWantsThem) {
  FocusOn(form_->Box3);
  Press(VK_DOWN);
  EXPECT_EQ(form_->Box2, FindControl(GetFocus()));
  form_->Box2->SetDlgCode(DLGC_WANTARROWS);
  EventLog().clear();
  Press(VK_DOWN);
  EXPECT_EQ(form_->Box2, FindControl(GetFocus()));
  EXPECT_EQ((std::vector<std::string>{"FocusForm:keydown 40", "Box2:keydown 40"}), EventLog());
}

TEST_F(FocusAndKeys, KeyPreviewRunsTheFormFirstAndAZeroKeyStillGivesItsCharacter) {
  FocusOn(form_->Box1);
  Press('A');
  EXPECT_EQ(
      (std::vector<std::string>{"FocusForm:keydown 65", "Box1:keydown 65", "Box1:keypress 97"}),
      EventLog());
  // The form swallows the key; the character was translated before.
  form_->swallow = 'B';
  EventLog().clear();
  Press('B');
  EXPECT_EQ((std::vector<std::string>{"FocusForm:keydown 66", "Box1:keypress 98"}), EventLog());
}

TEST_F(FocusAndKeys, EnterReachesKeyPressWithoutADefaultButton) {
  FocusOn(form_->Box1);
  Press(VK_RETURN);
  EXPECT_EQ(
      (std::vector<std::string>{"FocusForm:keydown 13", "Box1:keydown 13", "Box1:keypress 13"}),
      EventLog());
}

// Windows hands the focus to the parent of a window it destroys; the form
// must neither take that for a user's move nor keep a control that is gone.

TEST_F(FocusAndKeys, FreeingAContainerOfTheFocusedControlLeavesNoActiveControlBehind) {
  FocusOn(form_->Box2);
  form_->Panel1->Free();
  form_->Panel1 = nullptr;
  form_->Box2 = form_->Box3 = nullptr;
  EXPECT_EQ(nullptr, form_->ActiveControl());
  form_->Box4->SetFocus();
  HandlePending();
  EXPECT_EQ(form_->Box4, form_->ActiveControl());
  EXPECT_EQ(std::vector<std::string>{"Box4:enter"}, LogOf("Box4:enter"));
}

TEST_F(FocusAndKeys, UnparentingTheFocusedControlForgetsItAndTheNextControlIsEntered) {
  FocusOn(form_->Box2);
  form_->Box2->SetParent(nullptr);
  EXPECT_NE(form_->Box2, form_->ActiveControl());
  EXPECT_TRUE(LogOf("Box2:exit").empty());
  form_->Box2->Free();
  form_->Box2 = nullptr;
  form_->Box4->SetFocus();
  HandlePending();
  EXPECT_EQ(form_->Box4, form_->ActiveControl());
  EXPECT_EQ(std::vector<std::string>{"Box4:enter"}, LogOf("Box4:enter"));
}

TEST_F(FocusAndKeys, RecreatingWindowsKeepsTheFocusWithoutEnterOrExit) {
  struct TCase {
    const char* what;
    std::function<TWinControl*(TFocusForm*)> recreated;
  };
  const TCase cases[] = {
      {"the container", [](TFocusForm* f) -> TWinControl* { return f->Panel1; }},
      {"the control", [](TFocusForm* f) -> TWinControl* { return f->Box2; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    FocusOn(form_->Box2);
    const HWND old = form_->Box2->WindowHandle();
    c.recreated(form_)->RecreateWnd();
    HandlePending();
    EXPECT_NE(old, form_->Box2->WindowHandle());
    EXPECT_EQ(form_->Box2->WindowHandle(), GetFocus());
    EXPECT_EQ(form_->Box2, form_->ActiveControl());
    EXPECT_TRUE(LogOf("Box2:exit").empty());
    EXPECT_TRUE(LogOf("Box2:enter").empty());
  }
}

TEST_F(FocusAndKeys, RecreatingAControlWhoseChildWindowHasTheFocusFocusesItAgain) {
  // A control that keeps an inner window of its own, as a drop-down combo
  // keeps its edit.
  FocusOn(form_->Box2);
  const HWND inner = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 10,
                                     form_->Box2->Handle(), nullptr, HInstance(), nullptr);
  ::SetFocus(inner);
  HandlePending();
  EventLog().clear();
  form_->Box2->RecreateWnd();
  HandlePending();
  EXPECT_EQ(form_->Box2->WindowHandle(), GetFocus());
  EXPECT_EQ(form_->Box2, form_->ActiveControl());
  EXPECT_TRUE(LogOf("Box2:exit").empty());
}

TEST_F(FocusAndKeys, ADropDownComboKeepsTheFocusInItsEditAcrossRecreation) {
  struct TExits {
    int count = 0;
    void Exit(TObject*) { ++count; }
  } exits;
  auto* combo = Create<TComboBox>(form_);
  combo->SetBounds(120, 140, 120, 21);
  combo->SetParent(form_);
  combo->OnExit = Method<&TExits::Exit>(&exits);
  combo->SetFocus();
  HandlePending();
  ASSERT_TRUE(IsChild(combo->Handle(), GetFocus()));
  combo->RecreateWnd();
  HandlePending();
  EXPECT_EQ(combo->EditHandle(), GetFocus());
  EXPECT_EQ(combo, form_->ActiveControl());
  EXPECT_EQ(0, exits.count);
}

}  // namespace
