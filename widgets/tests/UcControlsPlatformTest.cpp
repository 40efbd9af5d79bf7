// Unicode windows, hints and the application object on an overridden
// platform: built twice, as the 9x family (4.10) and as NT 5.0.
#include "Forms.h"
#include "System.h"
#include "UcControlsTestControls.h"
#include "UcForms.h"
#include "UcPlatformTestSupport.h"
#include "UcSysUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u0440\u043D\u0430\u043B";

class UcControlsPlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(40, 40, 300, 200);
    edit_ = Create<TTestWideEdit>(form_.get());
    edit_->SetParent(form_.get());
    edit_->SetBounds(10, 10, 200, 24);
  }

  TOwned<TForm> form_;
  TTestWideEdit* edit_ = nullptr;
};

TEST_F(UcControlsPlatformTest, FlagsFollowTheOverriddenPlatform) {
  EXPECT_EQ(kNT, IsUnicodePlatform());
  EXPECT_FALSE(IsPlatform51OrLater());
  ASSERT_NE(nullptr, WideApplication());
  EXPECT_EQ(kNT, WideCharHook() != nullptr);
}

TEST_F(UcControlsPlatformTest, WindowsAreUnicodeOnlyOnTheNTFamily) {
  const int traps = TrapCount();
  SetWideControlText(edit_, kCyrillic);
  const HWND window = edit_->Handle();
  EXPECT_EQ(kNT, IsWindowUnicode(window) != 0);
  EXPECT_EQ(kNT, AttachedTrap(edit_) != nullptr);
  EXPECT_EQ(kNT ? traps + 1 : traps, TrapCount());
  EXPECT_EQ(kNT ? kCyrillic : AnsiToWide(WideToAnsi(kCyrillic)), GetWideControlText(edit_));
  EXPECT_EQ(WideToAnsi(kCyrillic), edit_->Text());
}

TEST_F(UcControlsPlatformTest, ImeCharacterTakesThePathOfTheVersion) {
  if (!kNT)
    GTEST_SKIP() << "no trap on the 9x family";
  SendMessageW(edit_->Handle(), WM_IME_CHAR, 0x0416, 1);
  // Below 5.1 it arrives at once as a character, packed for the key handling.
  ASSERT_EQ(1u, edit_->KeyPressChars.size());
  EXPECT_EQ(static_cast<char>(255), edit_->KeyPressChars[0]);
  wchar_t text[16] = {};
  GetWindowTextW(edit_->Handle(), text, 16);
  EXPECT_EQ(std::wstring(L"\u0416"), text);
}

TEST_F(UcControlsPlatformTest, HintsUseTheBaseWindowOffTheNTFamily) {
  auto* label = Create<TTestWideLabel>(form_.get());
  label->SetParent(form_.get());
  label->SetShowHint(true);
  SetWideControlHint(label, kCyrillic + L"|long");
  Application()->SetMouseControlSource([label] { return label; });
  Application()->ActivateHint(TPoint(100, 100));
  THintWindow* window = Application()->HintWindowInstance();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(kNT, window->ClassType() == &TUcCustomHintWindow::StaticClass());
  EXPECT_EQ(kNT, IsWindowUnicode(window->WindowHandle()) != 0);
  EXPECT_EQ(WideToAnsi(kCyrillic), window->Caption());
  Application()->CancelHint();
  Application()->SetMouseControlSource(nullptr);
}

TEST_F(UcControlsPlatformTest, WideApplicationHintPairsWithTheEightBitHint) {
  WideApplication()->SetHint(kCyrillic);
  EXPECT_EQ(WideToAnsi(kCyrillic), Application()->Hint());
  EXPECT_EQ(kCyrillic, WideApplication()->Hint());
  Application()->SetHint("plain");
  EXPECT_EQ(L"plain", WideApplication()->Hint());
}

TEST(UcIdleControlPlatform, MadeOnlyWhereTheHookRuns) {
  TForm* mainForm = nullptr;
  Application()->CreateForm(&mainForm);
  PostMessageW(mainForm->Handle(), WM_NULL, 0, 0);
  classlib::PumpFor(30);
  EXPECT_EQ(kNT, WideApplication()->IdleControl() != nullptr);
  mainForm->Free();
}

}  // namespace
