// Wide actions and their links to a windowless control and a BUTTON control.
#include "Forms.h"
#include "Reader.h"
#include "UcActnList.h"
#include "UcControls.h"
#include "UcMenus.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kBeetle = L"\u0416\u0443\u043A \u65E5\u672C";  // Cyrillic and CJK
const std::wstring kZhe = L"\u0416";
const std::wstring kShcha = L"\u0429";
const std::wstring kHint = L"\u041F\u0443\u0441\u043A|\u03A3\u03C4\u03B1\u03C1\u03C4 \xD83D\xDE00";

// Records the wide text at every CM_TEXTCHANGED, which is what a link's
// delivery of a caption ends in; may raise there to play a failing client.
template <typename Base>
class TRecordingControl : public Base {
 public:
  using Base::Base;
  std::vector<std::wstring> Texts;
  bool RaiseOnText = false;

  void ActionChange(TObject* sender, bool checkDefaults) override {
    WideActionChange(this, sender, checkDefaults);
    Base::ActionChange(sender, checkDefaults);
  }

 protected:
  const TMetaClass* GetActionLinkClass() const override {
    return GetWideActionLinkClass(this, Base::GetActionLinkClass());
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_TEXTCHANGED) {
      Texts.push_back(GetWideControlText(this));
      if (RaiseOnText)
        throw Exception("client failed");
    }
    Base::Dispatch(m);
  }
};

class TActionTestLabel : public TRecordingControl<TGraphicControl> {
  VEL_CLASS(TActionTestLabel, TGraphicControl)
 public:
  using TRecordingControl::TRecordingControl;
};

class TActionTestButton : public TRecordingControl<TButton> {
  VEL_CLASS(TActionTestButton, TButton)
 public:
  using TRecordingControl::TRecordingControl;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override {
    CreateUnicodeHandle(this, params, L"BUTTON");
  }
};

VEL_COMPONENT_IMPL(TActionTestLabel, TGraphicControl)
VEL_COMPONENT_IMPL(TActionTestButton, TButton)

std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

struct TChangeCounter {
  int Count = 0;
  void Changed(TObject*) { ++Count; }
};

class WideActionTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    list_ = Create<TUcActionList>(form_.get());
    action_ = Create<TUcAction>(form_.get());
    action_->SetActionList(list_);
    action_->OnChange = Method<&TChangeCounter::Changed>(&changes_);
    label_ = Create<TActionTestLabel>(form_.get());
    label_->SetParent(form_.get());
    button_ = Create<TActionTestButton>(form_.get());
    button_->SetParent(form_.get());
    menu_ = Create<TUcMainMenu>(form_.get());
    TUcMenuItem* top = Create<TUcMenuItem>(form_.get());
    top->SetCaption(L"Top");
    menu_->Items()->Add(top);
    item_ = Create<TUcMenuItem>(form_.get());
    top->Add(item_);
    form_->SetMenu(menu_);
    button_->HandleNeeded();
  }

  std::wstring MenuText() {
    wchar_t buffer[256] = {};
    GetMenuStringW(item_->Parent()->Handle(), item_->Command(), buffer, 256, MF_BYCOMMAND);
    return buffer;
  }

  void LinkBoth() {
    label_->SetAction(action_);
    button_->SetAction(action_);
    item_->SetAction(action_);
    label_->Texts.clear();
    button_->Texts.clear();
    changes_.Count = 0;
  }

  TOwned<TForm> form_;
  TUcActionList* list_ = nullptr;
  TUcAction* action_ = nullptr;
  TActionTestLabel* label_ = nullptr;
  TActionTestButton* button_ = nullptr;
  TUcMainMenu* menu_ = nullptr;
  TUcMenuItem* item_ = nullptr;
  TChangeCounter changes_;
};

TEST_F(WideActionTest, WideTextsReachWindowlessAndWindowedClients) {
  ASSERT_TRUE(IsWindowUnicode(button_->Handle()));
  LinkBoth();
  EXPECT_EQ(&TUcControlActionLink::StaticClass(), label_->ActionLink()->ClassType());
  EXPECT_EQ(&TUcButtonActionLink::StaticClass(), button_->ActionLink()->ClassType());
  EXPECT_EQ(&TUcMenuActionLink::StaticClass(), item_->ActionLink()->ClassType());
  action_->SetCaption(kBeetle);
  action_->SetHint(kHint);
  EXPECT_EQ(kBeetle, action_->Caption());
  EXPECT_EQ(kBeetle, GetWideControlText(label_));
  EXPECT_EQ(kBeetle, WindowText(button_->Handle()));
  EXPECT_EQ(kBeetle, item_->Caption());
  EXPECT_EQ(kBeetle, MenuText());
  EXPECT_EQ(kHint, GetWideControlHint(label_));
  EXPECT_EQ(kHint, GetWideControlHint(button_));
  EXPECT_EQ(kHint, item_->Hint());
  EXPECT_EQ(std::vector<std::wstring>{kBeetle}, label_->Texts);
  EXPECT_EQ(std::vector<std::wstring>{kBeetle}, button_->Texts);
  EXPECT_EQ(2, changes_.Count);
}

TEST_F(WideActionTest, UnchangedValueTellsNobody) {
  LinkBoth();
  action_->SetCaption(kZhe);
  label_->Texts.clear();
  changes_.Count = 0;
  action_->SetCaption(kZhe);
  action_->SetHint(L"");
  EXPECT_TRUE(label_->Texts.empty());
  EXPECT_EQ(0, changes_.Count);
}

TEST_F(WideActionTest, SameAnsiFormStillReachesEveryClient) {
  LinkBoth();
  action_->SetCaption(kZhe);
  label_->Texts.clear();
  button_->Texts.clear();
  changes_.Count = 0;
  action_->SetCaption(kShcha);  // both are "?" in 8 bits
  const std::vector<std::wstring> expected{L"", kShcha};
  EXPECT_EQ(expected, label_->Texts);
  EXPECT_EQ(expected, button_->Texts);
  EXPECT_EQ(2, changes_.Count);
  EXPECT_EQ(kShcha, action_->Caption());
  EXPECT_EQ(kShcha, MenuText());
}

// The new value is the 8-bit form itself: it survives the round trip, yet
// the 8-bit caption alone would not change.
TEST_F(WideActionTest, TextReplacedByItsOwn8BitFormStillReachesEveryClient) {
  LinkBoth();
  action_->SetCaption(kZhe);
  action_->SetHint(kZhe);
  label_->Texts.clear();
  button_->Texts.clear();
  changes_.Count = 0;
  action_->SetCaption(L"?");
  EXPECT_EQ((std::vector<std::wstring>{L"", L"?"}), label_->Texts);
  EXPECT_EQ(L"?", WindowText(button_->Handle()));
  EXPECT_EQ(L"?", MenuText());
  EXPECT_EQ(2, changes_.Count);
  action_->SetHint(L"?");
  EXPECT_EQ(L"?", GetWideControlHint(label_));
  EXPECT_EQ(L"?", GetWideControlHint(button_));
  // Both stay linked.
  action_->SetCaption(kBeetle);
  action_->SetHint(kHint);
  EXPECT_EQ(kBeetle, GetWideControlText(label_));
  EXPECT_EQ(kBeetle, WindowText(button_->Handle()));
  EXPECT_EQ(kHint, GetWideControlHint(button_));
}

TEST_F(WideActionTest, The8BitCaptionSetDirectlyWins) {
  action_->SetCaption(kBeetle);
  action_->TCustomAction::SetCaption("Plain");
  EXPECT_EQ(L"Plain", action_->Caption());
  action_->TCustomAction::SetHint("Short|Long");
  EXPECT_EQ(L"Short|Long", action_->Hint());
}

TEST_F(WideActionTest, ClientWithItsOwnCaptionIsNoLongerCaptionLinked) {
  LinkBoth();
  action_->SetCaption(kZhe);
  action_->SetHint(kZhe);
  SetWideControlText(label_, kShcha);  // the same 8-bit text as the action's
  SetWideControlText(button_, kShcha);
  action_->SetCaption(kBeetle);
  action_->SetHint(kHint);
  EXPECT_EQ(kShcha, GetWideControlText(label_));
  EXPECT_EQ(kShcha, WindowText(button_->Handle()));
  EXPECT_EQ(kHint, GetWideControlHint(label_));
  EXPECT_EQ(kHint, GetWideControlHint(button_));
}

TEST_F(WideActionTest, AMenuItemDifferingInMarksOrCaseStaysLinkedAButtonDoesNot) {
  LinkBoth();
  action_->SetCaption(L"\u0444\u0430\u0439\u043B");
  item_->SetCaption(L"&\u0424\u0430\u0439\u043B");
  SetWideControlText(button_, L"&\u0424\u0430\u0439\u043B");
  action_->SetCaption(kBeetle);
  EXPECT_EQ(kBeetle, MenuText());
  EXPECT_EQ(L"&\u0424\u0430\u0439\u043B", WindowText(button_->Handle()));
  // The menu item's hint must match exactly.
  action_->SetHint(kZhe);
  item_->SetHint(kShcha);
  action_->SetHint(kHint);
  EXPECT_EQ(kShcha, item_->Hint());
}

TEST_F(WideActionTest, MenuItemsTakeTheWideTextsWhenTheActionChanges) {
  action_->SetCaption(kBeetle);
  action_->SetHint(kHint);
  item_->SetCaption(kZhe);
  item_->ActionChange(action_, true);
  EXPECT_EQ(kZhe, item_->Caption()) << "a caption of its own stays";
  EXPECT_EQ(kHint, item_->Hint());
  item_->ActionChange(action_, false);
  EXPECT_EQ(kBeetle, MenuText());
}

TEST_F(WideActionTest, TheMenuLinkWantsAWideMenuItem) {
  TOwned<TMenuItem> plain(Create<TMenuItem>(nullptr));
  EXPECT_THROW(CreateActionLink(&TUcMenuActionLink::StaticClass(), plain.get()), EInvalidCast);
}

TEST_F(WideActionTest, CheckDefaultsKeepsOnlyACaptionOfTheControlsOwn) {
  action_->SetCaption(kBeetle);
  action_->SetHint(kHint);
  label_->SetName("Label1");
  SetWideControlText(label_, L"Label1");
  WideActionChange(label_, action_, true);
  EXPECT_EQ(kBeetle, GetWideControlText(label_));
  SetWideControlText(button_, L"");
  SetWideControlHint(button_, kZhe);
  WideActionChange(button_, action_, true);
  EXPECT_EQ(kBeetle, WindowText(button_->Handle()));
  EXPECT_EQ(kZhe, GetWideControlHint(button_));
  SetWideControlText(button_, kShcha);
  WideActionChange(button_, action_, true);
  EXPECT_EQ(kShcha, WindowText(button_->Handle()));
  WideActionChange(button_, action_, false);
  EXPECT_EQ(kBeetle, WindowText(button_->Handle()));
  EXPECT_EQ(kHint, GetWideControlHint(button_));
}

TEST_F(WideActionTest, AFailingClientStillEndsTheChange) {
  LinkBoth();
  label_->RaiseOnText = true;
  EXPECT_THROW(action_->SetCaption(kBeetle), Exception);
  TCustomActionHelper* helper = FindWideActionHelper(action_);
  EXPECT_FALSE(helper->Caption.Setting);
  label_->RaiseOnText = false;
  action_->SetCaption(kZhe);
  EXPECT_EQ(kZhe, action_->Caption());
  EXPECT_FALSE(helper->Caption.Setting);
}

TEST_F(WideActionTest, PlainActionsAreServedFromTheir8BitTexts) {
  TOwned<TAction> plain(Create<TAction>(nullptr));
  EXPECT_EQ(nullptr, FindWideActionHelper(plain.get()));
  SetWideActionCaption(plain.get(), kZhe + L"x");
  EXPECT_EQ("?x", plain->Caption());
  EXPECT_EQ(L"?x", GetWideActionCaption(plain.get()));
  // A wide control linked to a plain action takes its 8-bit texts.
  label_->SetAction(plain.get());
  EXPECT_EQ(L"?x", GetWideControlText(label_));
  EXPECT_THROW(FindWideActionHelper(nullptr), EAssertionFailed);
}

TEST_F(WideActionTest, AssignGoesThroughThe8BitTexts) {
  TOwned<TUcAction> source(Create<TUcAction>(nullptr));
  source->SetCaption(L"Caf\u00E9 " + kZhe);
  source->SetHint(L"Tip");
  action_->Assign(source.get());
  EXPECT_EQ("Caf\xE9 ?", action_->TCustomAction::Caption());
  EXPECT_EQ(L"Caf\u00E9 ?", action_->Caption());
  EXPECT_EQ(L"Tip", action_->Hint());
}

TEST(WideActionLinkClassTest, EachKindOfControlGetsItsWideLink) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  TToolButton* toolButton = Create<TToolButton>(form.get());
  TButton* button = Create<TButton>(form.get());
  TEdit* edit = Create<TEdit>(form.get());
  TLabel* label = Create<TLabel>(form.get());
  EXPECT_EQ(&TUcToolButtonActionLink::StaticClass(),
            GetWideActionLinkClass(toolButton, &TToolButtonActionLink::StaticClass()));
  EXPECT_EQ(&TUcButtonActionLink::StaticClass(),
            GetWideActionLinkClass(button, &TButtonActionLink::StaticClass()));
  EXPECT_EQ(&TUcWinControlActionLink::StaticClass(),
            GetWideActionLinkClass(edit, &TWinControlActionLink::StaticClass()));
  EXPECT_EQ(&TUcControlActionLink::StaticClass(),
            GetWideActionLinkClass(label, &TControlActionLink::StaticClass()));
  EXPECT_THROW(GetWideActionLinkClass(button, &TWinControlActionLink::StaticClass()),
               EAssertionFailed);
}

TEST(WideActionFormDataTest, WideAndCompatibilityNamesLoad) {
  TOwned<TUcActionList> list(Create<TUcActionList>(nullptr));
  ReadComponentText(list.get(),
                    "object List: TUcActionList\n"
                    "  object Act: TUcAction\n"
                    "    Caption = #1046'uk'\n"
                    "    CaptionW = 'ignored'\n"
                    "    Caption_UTF7 = '+BBY-'\n"
                    "    Hint = 'Go|'#1055#1091#1089#1082\n"
                    "    HintW = ''\n"
                    "    Hint_UTF7 = ''\n"
                    "  end\n"
                    "  object HintAct: TUcHintAction\n"
                    "    Hint = #12354\n"
                    "    Hint_UTF7 = '+MEI-'\n"
                    "  end\n"
                    "end\n");
  ASSERT_EQ(2, list->ActionCount());
  auto* action = dynamic_cast<TUcAction*>(list->Actions(0));
  ASSERT_NE(nullptr, action);
  EXPECT_EQ(L"\u0416uk", action->Caption());
  EXPECT_EQ(L"Go|\u041F\u0443\u0441\u043A", action->Hint());
  auto* hintAction = dynamic_cast<TUcHintAction*>(list->Actions(1));
  ASSERT_NE(nullptr, hintAction);
  EXPECT_EQ(L"\u3042", hintAction->Hint());
}

}  // namespace
