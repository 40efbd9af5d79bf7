#include "ComCtrlsTestSupport.h"

#include <richedit.h>

TEST_F(ComCtrlsTest, ProgressBarRangePositionAndStep) {
  TProgressBar* bar = Add<TProgressBar>(TRect(0, 0, 200, 17));
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);  // clamped before the window exists
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetPosition(50);
  bar->HandleNeeded();
  EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETRANGE, FALSE, 0), 100);

  bar->SetMax(60);
  bar->SetStep(7);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 57);
  bar->StepIt();
  EXPECT_LT(bar->Position(), 60);  // the native bar starts again
  bar->SetMax(10);
  EXPECT_LE(bar->Position(), 10);
}

namespace {

class RichEdit : public ComCtrlsTest {
 protected:
  void SetUp() override {
    ComCtrlsTest::SetUp();
    edit_ = Add<TRichEdit>(TRect(0, 0, 300, 200));
    edit_->SetMaxLength(0x7FFFFFFF);
  }

  // The colour of the first character of line.
  COLORREF LineColour(int line) {
    const int start = static_cast<int>(edit_->Perform(EM_LINEINDEX, line, 0));
    edit_->SetSel(start, start + 1);
    CHARFORMAT2A format{};
    format.cbSize = sizeof(format);
    edit_->Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format.crTextColor;
  }

  // The console's way: cap, then colour at the end, then add.
  void AddLine(const std::string& text, TColor colour) {
    TStrings* lines = edit_->Lines();
    TStringsUpdate update(*lines);
    while (lines->Count() >= 500)
      lines->Delete(0);
    edit_->SetSelStart(edit_->GetTextLen());
    edit_->SelAttributes()->SetColor(colour);
    lines->Add(text);
  }

  TRichEdit* edit_ = nullptr;
};

}  // namespace

TEST_F(RichEdit, CountLeavesOutTheEmptyLineAfterTheLastBreak) {
  TStrings* lines = edit_->Lines();
  EXPECT_EQ(lines->Count(), 0);
  lines->Add("one");
  lines->Add("two");
  lines->Add("three");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(edit_->Perform(EM_GETLINECOUNT, 0, 0), 4);
  EXPECT_EQ(lines->Strings(2), "three");
  // A break counts one position.
  EXPECT_EQ(edit_->GetTextLen(), 3 + 1 + 3 + 1 + 5 + 1);

  lines->Delete(0);
  lines->Insert(1, "between");
  EXPECT_EQ(lines->Text(), "two\r\nbetween\r\nthree\r\n");
  EXPECT_THROW(lines->Strings(3), EStringListError);
  EXPECT_THROW(lines->Delete(-1), EStringListError);

  // A last line without its break gets one before the next line.
  edit_->SetText("open");
  lines->Add("next");
  EXPECT_EQ(lines->Count(), 2);
  EXPECT_EQ(lines->Strings(1), "next");
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
}

TEST_F(RichEdit, TheCapKeepsFiveHundredLines) {
  for (int i = 1; i <= 501; ++i)
    AddLine("line " + std::to_string(i), clBlack);
  EXPECT_EQ(edit_->Lines()->Count(), 500);
  EXPECT_EQ(edit_->Lines()->Strings(0), "line 2");
  EXPECT_EQ(edit_->Lines()->Strings(499), "line 501");
}

TEST_F(RichEdit, EachAddedLineKeepsItsColour) {
  AddLine("red", clRed);
  AddLine("blue", clBlue);
  AddLine("green", clGreen);
  EXPECT_EQ(LineColour(0), RGB(255, 0, 0));
  EXPECT_EQ(LineColour(1), RGB(0, 0, 255));
  EXPECT_EQ(LineColour(2), RGB(0, 128, 0));
}

TEST_F(RichEdit, AHiddenFormTakesLinesAndSelectionClamps) {
  ASSERT_FALSE(form_->Visible());
  edit_->Lines()->Add("while hidden");
  EXPECT_TRUE(edit_->HandleAllocated());
  EXPECT_EQ(edit_->Lines()->Strings(0), "while hidden");
  edit_->SetSelStart(10000);
  EXPECT_EQ(edit_->SelStart(), edit_->GetTextLen());
  edit_->SetSelStart(2);
  edit_->SetSelLength(3);
  EXPECT_EQ(edit_->SelLength(), 3);
  edit_->SetSelLength(-4);
  EXPECT_EQ(edit_->SelLength(), 0);
}

TEST_F(RichEdit, StylesAndReadOnly) {
  edit_->HandleNeeded();
  EXPECT_TRUE(GetWindowLongA(edit_->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  edit_->Lines()->Add("kept");
  edit_->SetBorderStyle(bsNone);
  EXPECT_FALSE(GetWindowLongA(edit_->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(edit_->Lines()->Strings(0), "kept");
  edit_->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongA(edit_->Handle(), GWL_STYLE) & ES_READONLY);
}
