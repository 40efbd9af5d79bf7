// The edit: OnChange only from the user's edits, the password character
// without a window, and everything kept across re-creation.
#include "StdCtrlsTestSupport.h"

namespace {

using Log = std::vector<std::string>;

class Edit : public StdCtrlsTest {};

TEST_F(Edit, TextSetThroughTheOwnChainRaisesNothingButTypingDoes) {
  auto* edit = Add<TEdit>("Edit");
  Watch(edit);
  edit->SetText("from code");
  // The wide layer's text set passes through the same chain.
  SendMessageA(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("from outside"));
  edit->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("performed"));
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(edit->Modified());
  SendMessageA(edit->Handle(), WM_CHAR, 'x', 1);
  EXPECT_EQ(log_, (Log{"Edit:key x", "Edit:change"}));
  EXPECT_EQ(edit->Text(), "xperformed");
  EXPECT_TRUE(edit->Modified());
  edit->SetText("again");
  EXPECT_FALSE(edit->Modified());
}

TEST_F(Edit, PasswordCharNeverCreatesTheWindow) {
  TEdit* edit = Create<TEdit>(form_.get());
  edit->SetPasswordChar('*');
  EXPECT_FALSE(edit->HandleAllocated());
  edit->SetParent(form_.get());
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  edit->SetPasswordChar('#');
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '#');
}

TEST_F(Edit, RecreationKeepsTextLimitsSelectionModifiedAndFocus) {
  auto* edit = Add<TEdit>("Edit");
  Watch(edit);
  edit->SetText("kept text");
  edit->SetMaxLength(14);
  edit->SetReadOnly(true);
  edit->SetPasswordChar('*');
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  edit->SetModified(true);
  Focus(edit);
  const HWND before = edit->Handle();
  edit->SetBorderStyle(bsNone);  // re-creates the window
  ASSERT_NE(edit->Handle(), before);
  EXPECT_EQ(edit->Text(), "kept text");
  EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 14);
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 3);
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(edit->Handle(), GetFocus());
  EXPECT_TRUE(log_.empty());
}

TEST_F(Edit, MaxLengthLimitsTypingAndSelectionOutOfRangeClamps) {
  auto* edit = Add<TEdit>("Edit");
  edit->SetText("");
  edit->SetMaxLength(2);
  for (char c : {'1', '2', '3'})
    SendMessageA(edit->Handle(), WM_CHAR, c, 1);
  EXPECT_EQ(edit->Text(), "12");
  edit->SetSelStart(99);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelText(), "");
}

}  // namespace
