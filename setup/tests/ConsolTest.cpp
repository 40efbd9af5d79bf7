#include "frmConsol.h"

#include "SetupEnvironment.h"
#include "SysUtils.h"
#include "uLanguagesSetup.h"
#include "uSettings.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdlib>
#include <string>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TSetupEnvironment);

class ConsolTest : public testing::Test {
 protected:
  void SetUp() override {
    SetCurrentLanguage(0);
    console_.reset(Create<TConsolForm>(nullptr));
  }
  void TearDown() override {
    console_.reset();
    SetSettingsAccessor(nullptr);
    SetCurrentLanguage(0);
  }

  TStrings* Lines() const { return console_->rtfConsol->Lines(); }
  // The text colour of line index, all of it; CFM_COLOR is clear when the
  // line holds more than one colour.
  TColor LineColor(int index) const {
    TRichEdit* rtf = console_->rtfConsol;
    const int start = static_cast<int>(rtf->Perform(EM_LINEINDEX, index, 0));
    const int length = static_cast<int>(rtf->Perform(EM_LINELENGTH, start, 0));
    rtf->SetSel(start, start + length);
    CHARFORMAT2A format{};
    format.cbSize = sizeof(format);
    rtf->Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    if (!(format.dwMask & CFM_COLOR))
      return 0xFFFFFFFF;
    return format.crTextColor;
  }

  TOwned<TConsolForm> console_;
};

TColor ColorOf(int n) {
  return RGB(n % 256, (n * 7) % 256, (n * 13) % 256);
}

TEST_F(ConsolTest, KeepsTheNewest500LinesEachInItsColour) {
  for (int n = 1; n <= 600; ++n)
    console_->AddLine("line " + IntToStr(n), ColorOf(n), 0);
  ASSERT_EQ(500, Lines()->Count());
  EXPECT_EQ("line 101", Lines()->Strings(0));
  EXPECT_EQ("line 600", Lines()->Strings(499));
  for (int i = 0; i < 500; ++i)
    ASSERT_EQ(ColorOf(101 + i), LineColor(i)) << "line " << 101 + i;
}

TEST_F(ConsolTest, TimeStamps) {
  const TDateTime time = EncodeDate(2009, 3, 24) + EncodeTime(14, 5, 9, 123);
  console_->AddLine("RDS", clBlue, time);
  console_->AddLine("no time", clBlue, 0);
  console_->AddLine("before 1900", clBlue, -1.5);

  TOwned<TSettings> settings(Create<TSettings>(std::string()));
  SetSettingsAccessor([&settings] { return settings.get(); });
  console_->AddLine("stamped", clBlue, time);
  settings->SetShowTimeStamp(false);
  console_->AddLine("switched off", clBlue, time);

  ASSERT_EQ(5, Lines()->Count());
  // The pinned locale's short date is month/day/year.
  EXPECT_EQ("3/24/2009 14:05:09.123: RDS", Lines()->Strings(0));
  EXPECT_EQ("no time", Lines()->Strings(1));
  EXPECT_EQ("before 1900", Lines()->Strings(2));
  EXPECT_EQ("3/24/2009 14:05:09.123: stamped", Lines()->Strings(3));
  EXPECT_EQ("switched off", Lines()->Strings(4));
}

TEST_F(ConsolTest, LinesAddedWhileHiddenAreThereWhenShown) {
  console_->AddLine("one", clRed, 0);
  console_->AddLine("two", clBlue, 0);
  EXPECT_FALSE(console_->Visible());
  console_->Show();
  classlib::PumpFor(50);
  ASSERT_EQ(2, Lines()->Count());
  EXPECT_EQ("two", Lines()->Strings(1));
  char text[64] = {};
  GetWindowTextA(console_->rtfConsol->Handle(), text, sizeof(text));
  EXPECT_EQ("one\r\ntwo\r\n", std::string(text));
  // The lines are in the fixed-pitch font of the layout.
  console_->rtfConsol->SetSel(0, 3);
  CHARFORMAT2A format{};
  format.cbSize = sizeof(format);
  console_->rtfConsol->Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  EXPECT_STREQ("Courier New", format.szFaceName);
}

TEST_F(ConsolTest, ShownAtTheWorkAreasCornerAndClosingOnlyHides) {
  SetCurrentLanguage(2);
  console_->Show();
  classlib::PumpFor(50);
  RECT workArea{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT window{};
  GetWindowRect(console_->Handle(), &window);
  EXPECT_EQ(workArea.right, window.right);
  EXPECT_EQ(workArea.bottom, window.bottom);
  EXPECT_EQ(WideToAnsi(LookupLanguageText(2, 23)), console_->Caption());
  EXPECT_NE("Console", console_->Caption());

  SetCurrentLanguage(0);
  console_->UpdateCaption();
  EXPECT_EQ("Console", console_->Caption());

  SendMessageA(console_->Handle(), WM_CLOSE, 0, 0);
  classlib::PumpFor(50);
  EXPECT_FALSE(console_->Visible());
  EXPECT_FALSE(IsWindowVisible(console_->Handle()));
  console_->AddLine("still collecting", clRed, 0);
  EXPECT_EQ(1, Lines()->Count());
}

TEST_F(ConsolTest, OddLinesAndColoursKeepTheCap) {
  const std::string odd[] = {
      "",         std::string(254, 'x'),          "two\nparts",
      "cr\ronly", std::string("nul\0inside", 10), "\xE4\xF6\xFC\xDF \x80\xFF high bytes"};
  const TColor colours[] = {0xFFFFFFFF, 0x80000005, 0x12345678, 0x1FFFFFFF, clRed};
  for (int n = 0; n < 600; ++n) {
    ASSERT_NO_THROW(console_->AddLine(odd[n % 6], colours[n % 5], n % 2 ? Now() : 0)) << n;
    // A line break inside a text makes two lines at once.
    ASSERT_LE(Lines()->Count(), 500) << n;
  }
  EXPECT_EQ(500, Lines()->Count());
  console_->AddLine("last", clRed, 0);
  EXPECT_EQ(500, Lines()->Count());
  EXPECT_EQ("last", Lines()->Strings(499));
}

// Not a check: shows the console with its three kinds of line for
// VEL_HOLD_MS milliseconds so that tools/screenshot can capture it (run
// with --gtest_also_run_disabled_tests).
TEST_F(ConsolTest, DISABLED_ShowConsoleForScreenshot) {
  TOwned<TSettings> settings(Create<TSettings>(std::string()));
  SetSettingsAccessor([&settings] { return settings.get(); });
  for (int i = 0; i < 4; ++i) {
    console_->AddLine("RDS", settings->ColorUser(), Now());
    console_->AddLine("RDS > RDS=18/16/13", settings->ColorDevice(), Now());
    console_->AddLine("Changed: edMeasPeriod", TConsolForm::InfoColor, Now());
  }
  console_->Show();
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 1000);
}

}  // namespace
