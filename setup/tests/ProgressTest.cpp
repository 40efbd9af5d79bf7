#include "frmProgress.h"

#include "SetupEnvironment.h"
#include "SysUtils.h"
#include "ThreadDialog.h"
#include "uLanguagesSetup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TSetupEnvironment);

// What the box showed when the timer closed it.
std::string boxCaption;
std::string boxText;

void CALLBACK CloseThreadDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindThreadDialog();
  if (!box)
    return;
  KillTimer(nullptr, id);
  char text[256] = {};
  GetWindowTextA(box, text, sizeof(text));
  boxCaption = text;
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  boxText = text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Each test has a fresh library with a main form at a known place.
class ProgressTest : public testing::Test {
 protected:
  void SetUp() override {
    classlib::Shutdown();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    classlib::Startup();
    SetCurrentLanguage(0);
    Application()->CreateForm(&main_);
    main_->SetBounds(100, 120, 501, 301);
    main_->Show();
    SetMessageBoxFunc([this](HWND, const std::string& text, const std::string&, UINT) {
      boxes_.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxFunc(nullptr);
    FreeProgressForm();
    SetMarqueeProbe(nullptr);
  }

  static RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
  }
  static DWORD Style(TWinControl* control) {
    return static_cast<DWORD>(GetWindowLongA(control->Handle(), GWL_STYLE));
  }

  TForm* main_ = nullptr;
  std::vector<std::string> boxes_;
};

TEST_F(ProgressTest, ShowInfoCentresOnTheMainFormAndShowsTheText) {
  TProgressForm* progress = ProgressForm();
  EXPECT_EQ(progress, ProgressForm()) << "one window for the program";
  progress->ShowInfo(L"Searching device...");
  ASSERT_TRUE(IsWindowVisible(progress->Handle()));
  const RECT r = WindowRect(progress->Handle());
  EXPECT_EQ(296, r.right - r.left);
  EXPECT_EQ(67, r.bottom - r.top);
  EXPECT_EQ(100 + (501 - 296) / 2, r.left);
  EXPECT_EQ(120 + (301 - 67) / 2, r.top);
  EXPECT_EQ(main_->Handle(), GetWindow(progress->Handle(), GW_OWNER));
  EXPECT_EQ(L"Searching device...", progress->lInfo->Caption());

  // Texts of every language keep their characters.
  progress->SetInfo(LookupLanguageText(7, 126));
  EXPECT_EQ(LookupLanguageText(7, 126), progress->lInfo->Caption());
  // The info strip paints its own colour, not the themed parent's.
  classlib::PumpFor(100);
  HDC dc = GetDC(progress->pInfo->Handle());
  EXPECT_EQ(0x96E1FFu, GetPixel(dc, 4, 4));
  ReleaseDC(progress->pInfo->Handle(), dc);
}

TEST_F(ProgressTest, TheUserCannotCloseIt) {
  SetMessageBoxFunc(nullptr);
  SetCurrentLanguage(2);
  TProgressForm* progress = ProgressForm();
  progress->ShowInfo(L"x");
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseThreadDialog);
  SendMessageA(progress->Handle(), WM_CLOSE, 0, 0);
  KillTimer(nullptr, timer);
  EXPECT_EQ(WideToAnsi(LookupLanguageText(2, 24)), boxCaption);
  EXPECT_EQ(WideToAnsi(LookupLanguageText(2, 25)), boxText);
  EXPECT_TRUE(progress->Visible());
  EXPECT_TRUE(IsWindowVisible(progress->Handle()));
}

TEST_F(ProgressTest, HideProgressClosesAndEnablesTheMainForm) {
  TProgressForm* progress = ProgressForm();
  progress->HideProgress();
  EXPECT_FALSE(progress->Visible()) << "nothing on a hidden window";

  main_->SetEnabled(false);
  progress->ShowInfo(L"x");
  progress->HideProgress();
  EXPECT_FALSE(progress->Visible());
  EXPECT_FALSE(IsWindowVisible(progress->Handle()));
  EXPECT_TRUE(main_->Enabled());
  EXPECT_TRUE(boxes_.empty());

  main_->SetEnabled(false);
  progress->HideProgress();
  EXPECT_FALSE(main_->Enabled()) << "a hidden window does nothing";

  // Shown again, it refuses the user's close again.
  progress->ShowInfo(L"again");
  SendMessageA(progress->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(1u, boxes_.size());
  EXPECT_TRUE(progress->Visible());
}

TEST_F(ProgressTest, TheBarRunsAsAMarqueeWhereThePlatformHasOne) {
  TProgressForm* progress = ProgressForm();
  EXPECT_TRUE(progress->UseMarquee()) << "Wine reports a version after XP";
  progress->ShowInfo(L"x");
  EXPECT_TRUE(Style(progress->pProgress) & PBS_MARQUEE);
  EXPECT_FALSE(progress->Timer1->Enabled());
}

TEST_F(ProgressTest, WithoutTheMarqueeATimerStepsTheBar) {
  SetMarqueeProbe([] { return false; });
  TProgressForm* progress = ProgressForm();
  EXPECT_FALSE(progress->UseMarquee());
  progress->pProgress->SetPosition(50);
  progress->ShowInfo(L"x");
  EXPECT_FALSE(Style(progress->pProgress) & PBS_MARQUEE);
  EXPECT_TRUE(progress->Timer1->Enabled());
  EXPECT_EQ(100, progress->Timer1->Interval());
  EXPECT_EQ(0, progress->pProgress->Position()) << "each showing starts at the beginning";

  int highest = 0;
  EXPECT_TRUE(classlib::PumpUntil(
      [&] {
        const int position = progress->pProgress->Position();
        highest = std::max(highest, position);
        return highest >= 50 && position < highest;
      },
      5000))
      << "it steps and starts again after the end";

  progress->HideProgress();
  EXPECT_FALSE(progress->Timer1->Enabled());
}

TEST_F(ProgressTest, ItOutlivesTheMainFormUntilShutDown) {
  // The program's order: the loop ends, the main form goes, then the
  // setup utility's module frees the progress window.
  ProgressForm()->ShowInfo(L"x");
  main_->Free();
  main_ = nullptr;
  EXPECT_EQ(nullptr, ProgressForm()->PopupParent());
  ProgressForm()->HideProgress();
  FreeProgressForm();
  ProgressForm()->ShowInfo(L"y");
  EXPECT_TRUE(IsWindowVisible(ProgressForm()->Handle()));
}

// Not a check: shows the progress window over its main form for VEL_HOLD_MS
// milliseconds so that tools/screenshot can capture it (run with
// --gtest_also_run_disabled_tests).
TEST_F(ProgressTest, DISABLED_ShowProgressForScreenshot) {
  main_->SetCaption("Progress main form");
  ProgressForm()->ShowInfo(GetLangText(17));
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 1000);
}

}  // namespace
