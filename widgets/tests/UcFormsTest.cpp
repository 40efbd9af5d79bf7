// The wide application object: characters above 255 through the class
// library's own loop, the wide application hint and its hint action, the idle
// control, accelerators and the layer's start-up.
#include "UcActnList.h"
#include "UcControlsTestControls.h"
#include "UcForms.h"
#include "System.h"
#include "UcMenus.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u0440\u043D\u0430\u043B";
const std::wstring kPair = L"\xD83D\xDE00";

std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

// Records the messages OnMessage sees for one window.
struct TMessageRecorder {
  HWND window = nullptr;
  bool handle = false;
  std::vector<UINT> seen;
  void OnMessage(TObject*, MSG& msg, bool& handled) {
    if (msg.hwnd != window)
      return;
    seen.push_back(msg.message);
    if (msg.message == WM_CHAR)
      handled = handle;
  }
};

// Records the wide hints of the hint actions offered to it.
class THintRecorder : public TControl {
  VEL_CLASS(THintRecorder, TControl)
 public:
  using TControl::TControl;
  bool ExecuteAction(TBasicAction* action) override {
    offered.push_back(action->ClassType());
    if (auto* wide = dynamic_cast<TUcHintAction*>(action))
      hints.push_back(wide->Hint());
    return false;
  }
  std::vector<const TMetaClass*> offered;
  std::vector<std::wstring> hints;
};

class UcFormsTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(80, 80, 300, 200);
    edit_ = Create<TTestWideEdit>(form_.get());
    edit_->SetParent(form_.get());
    edit_->SetBounds(10, 10, 200, 24);
    recorder_.window = edit_->Handle();
    Application()->OnMessage = Method<&TMessageRecorder::OnMessage>(&recorder_);
  }
  void TearDown() override {
    Application()->OnMessage = nullptr;
    Application()->SetDialogHandle(nullptr);
  }

  void PostAndPump(HWND window, WPARAM chr) {
    PostMessageW(window, WM_CHAR, chr, 1);
    EXPECT_TRUE(classlib::PumpUntil([window] {
      MSG msg;
      return !PeekMessageW(&msg, window, 0, 0, PM_NOREMOVE);
    }));
    classlib::PumpFor(20);
  }

  TOwned<TForm> form_;
  TTestWideEdit* edit_ = nullptr;
  TMessageRecorder recorder_;
};

TEST_F(UcFormsTest, CharacterAboveTwoFiftyFiveReachesTheWideEditOnceThroughTheLoop) {
  PostAndPump(edit_->Handle(), 0x0416);
  EXPECT_EQ(L"\u0416", WindowText(edit_->Handle()));
  ASSERT_EQ(1u, edit_->KeyPressChars.size());
  EXPECT_EQ(static_cast<char>(255), edit_->KeyPressChars[0]);
  EXPECT_EQ((std::vector<UINT>{WM_CHAR, WM_NULL}), recorder_.seen);

  PostMessageW(edit_->Handle(), WM_CHAR, kPair[0], 1);
  PostAndPump(edit_->Handle(), kPair[1]);
  EXPECT_EQ(L"\u0416" + kPair, WindowText(edit_->Handle()));
}

TEST_F(UcFormsTest, CharactersTheLoopCanCarryAreLeftToIt) {
  PostAndPump(edit_->Handle(), 0xE9);
  EXPECT_EQ(L"\u00E9", WindowText(edit_->Handle()));
  EXPECT_EQ((std::vector<UINT>{WM_CHAR}), recorder_.seen);
}

TEST_F(UcFormsTest, PlainEditsAndEightBitDialogsAreLeftToTheLoop) {
  auto* plain = Create<TEdit>(form_.get());
  plain->SetParent(form_.get());
  recorder_.window = plain->Handle();
  PostAndPump(plain->Handle(), 0x0416);
  EXPECT_EQ((std::vector<UINT>{WM_CHAR}), recorder_.seen);
  EXPECT_EQ("?", plain->Text());

  recorder_.window = edit_->Handle();
  recorder_.seen.clear();
  Application()->SetDialogHandle(plain->Handle());
  PostAndPump(edit_->Handle(), 0x0416);
  EXPECT_EQ((std::vector<UINT>{WM_CHAR}), recorder_.seen);
}

TEST_F(UcFormsTest, PeekWithoutRemovalLeavesTheMessageAlone) {
  PostMessageW(edit_->Handle(), WM_CHAR, 0x0416, 1);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, edit_->Handle(), 0, 0, PM_NOREMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_CHAR), msg.message);
  EXPECT_EQ(0x0416u, msg.wParam);
  EXPECT_TRUE(classlib::PumpUntil([this] { return !recorder_.seen.empty(); }));
  EXPECT_EQ(L"\u0416", WindowText(edit_->Handle()));
}

TEST_F(UcFormsTest, HandledCharacterIsNotDispatchedAndTheLoopSeesNothing) {
  recorder_.handle = true;
  PostAndPump(edit_->Handle(), 0x0416);
  EXPECT_EQ(L"", WindowText(edit_->Handle()));
  EXPECT_EQ((std::vector<UINT>{WM_CHAR, WM_NULL}), recorder_.seen);
}

TEST(UcAccelerator, MatchesTheMarkedCharacterInEitherCase) {
  EXPECT_TRUE(MatchWideAccelerator('S', L"&Save"));
  EXPECT_TRUE(MatchWideAccelerator('s', L"&Save"));
  EXPECT_FALSE(MatchWideAccelerator('S', L"Save"));
  EXPECT_TRUE(MatchWideAccelerator(0x0416, L"&\u0436\u0443\u043A"));
  EXPECT_FALSE(MatchWideAccelerator('A', L"Fish && Chips"));
  EXPECT_FALSE(MatchWideAccelerator('S', L""));
  // The far-east group "(&S)" behind a caption marks its letter the same way.
  const bool farEast = SysLocale().FarEast;
  SysLocale().FarEast = true;
  EXPECT_TRUE(MatchWideAccelerator('S', L"\u4FDD\u5B58(&S)"));
  EXPECT_FALSE(MatchWideAccelerator('S', L"\u4FDD\u5B58(S)"));
  SysLocale().FarEast = farEast;
}

TEST(UcApplicationStartup, HookMessageAndApplicationAreInPlace) {
  ASSERT_NE(nullptr, WideApplication());
  EXPECT_NE(nullptr, WideCharHook());
  EXPECT_EQ(RegisterWindowMessageA("UcControls.DestroyWindow"), DestroyWindowMessage());
  EXPECT_NE(0u, DestroyWindowMessage());
  ASSERT_NE(nullptr, WidePopupList());
  EXPECT_NE(nullptr, WidePopupList()->PreviousPopupList());
}

class UcApplicationHintTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(90, 90, 200, 100);
    recorder_ = Create<THintRecorder>(form_.get());
    recorder_->SetParent(form_.get());
    form_->Show();
  }
  void TearDown() override {
    Application()->SetMouseControlSource(nullptr);
    WideApplication()->SetHint(L"");
  }

  TOwned<TForm> form_;
  THintRecorder* recorder_ = nullptr;
};

TEST_F(UcApplicationHintTest, WideHintReplacesThePlainHintActionWithAWideOne) {
  WideApplication()->SetHint(kCyrillic);
  EXPECT_EQ(WideToAnsi(kCyrillic), Application()->Hint());
  EXPECT_EQ(kCyrillic, WideApplication()->Hint());
  ASSERT_FALSE(recorder_->hints.empty());
  EXPECT_EQ(kCyrillic, recorder_->hints.back());
  for (const TMetaClass* offered : recorder_->offered)
    EXPECT_NE(&THintAction::StaticClass(), offered);
  // The 8-bit side changed by other code wins.
  Application()->SetHint("plain");
  EXPECT_EQ(L"plain", WideApplication()->Hint());
  EXPECT_EQ(L"plain", recorder_->hints.back());
}

TEST_F(UcApplicationHintTest, HintOfTheControlUnderTheMouseKeepsItsLetters) {
  auto* label = Create<TTestWideLabel>(form_.get());
  label->SetParent(form_.get());
  label->SetBounds(0, 0, 50, 20);
  SetWideControlHint(label, L"\u041A|" + kCyrillic);
  Application()->SetMouseControlSource([label] { return label; });
  classlib::PumpFor(50);
  EXPECT_EQ(WideToAnsi(kCyrillic), Application()->Hint());
  EXPECT_EQ(kCyrillic, WideApplication()->Hint());
}

TEST_F(UcApplicationHintTest, OtherActionsPassThroughTheHook) {
  const HWND app = Application()->Handle();
  TOwned<TUcHintAction> wide(Create<TUcHintAction>(nullptr));
  wide->SetHint(kCyrillic);
  recorder_->hints.clear();
  SendMessageA(app, CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(wide.get()));
  EXPECT_EQ((std::vector<std::wstring>{kCyrillic}), recorder_->hints);
  TOwned<THintAction> stale(Create<THintAction>(nullptr));
  stale->SetHint("not the application's hint");
  recorder_->offered.clear();
  SendMessageA(app, CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(stale.get()));
  EXPECT_EQ((std::vector<const TMetaClass*>{&THintAction::StaticClass()}), recorder_->offered);
}

TEST(UcIdleControl, PlacedOnceOnTheMainFormAndForgottenWithIt) {
  TForm* mainForm = nullptr;
  Application()->CreateForm(&mainForm);
  PostMessageW(mainForm->Handle(), WM_NULL, 0, 0);
  classlib::PumpFor(30);
  ASSERT_TRUE(WideApplication()->MainFormChecked());
  TUcAppIdleEventControl* idle = WideApplication()->IdleControl();
  ASSERT_NE(nullptr, idle);
  EXPECT_EQ(mainForm, idle->Owner());
  EXPECT_EQ(mainForm, idle->Parent());
  EXPECT_EQ(TRect(0, 0, 0, 0), idle->BoundsRect());
  EXPECT_NE(nullptr, dynamic_cast<TUcAction*>(idle->Action()));
  PostMessageW(mainForm->Handle(), WM_NULL, 0, 0);
  classlib::PumpFor(30);
  EXPECT_EQ(idle, WideApplication()->IdleControl());
  mainForm->Free();
  EXPECT_EQ(nullptr, WideApplication()->IdleControl());
}

}  // namespace

VEL_COMPONENT_IMPL(THintRecorder, TControl)
