#include "UcStdCtrlsSetup.h"

#include "Forms.h"
#include "SetupEnvironment.h"
#include "System.h"
#include "UcSysUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Records every resize of its own while its form is read.
class TProbeStaticText : public TUcStaticText {
  VEL_CLASS(TProbeStaticText, TUcStaticText)
 public:
  using TUcStaticText::TUcStaticText;
  std::vector<int> widthsWhileRead;

 protected:
  void AdjustBounds() override {
    const int before = Width();
    TUcStaticText::AdjustBounds();
    if (ComponentState().Contains(csReading) && Width() != before)
      widthsWhileRead.push_back(Width());
  }
};
VEL_COMPONENT_IMPL(TProbeStaticText, TUcStaticText)

class TWideControlsForm : public TForm {
  VEL_CLASS(TWideControlsForm, TForm)
  static void Publish(TPublisher<TWideControlsForm>& p) {
    p.Field<&TWideControlsForm::stPort>("stPort");
    p.Field<&TWideControlsForm::edPort>("edPort");
    p.Field<&TWideControlsForm::edCentred>("edCentred");
    p.Field<&TWideControlsForm::stProbe>("stProbe");
  }

 public:
  using TForm::TForm;
  TUcStaticText* stPort = nullptr;
  TUcEdit* edPort = nullptr;
  TUcAlignedEdit* edCentred = nullptr;
  TProbeStaticText* stProbe = nullptr;
};
VEL_COMPONENT_IMPL(TWideControlsForm, TForm)

namespace {

class TWideControlsEnvironment : public TSetupEnvironment {
 protected:
  void AfterStartup() override { RegisterClass(TProbeStaticText::StaticClass()); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TWideControlsEnvironment);

const std::wstring kWide = L"\u0416\u25CF\u4E2Dx";

std::wstring WindowTextW(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// The size GetTextExtentPoint32W gives text in control's font, plus the
// static text's border allowance.
SIZE AutoSizeOf(TControl* control, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, control->Font()->Handle());
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  size.cx += 4 * GetSystemMetrics(SM_CXBORDER);
  size.cy += 4 * GetSystemMetrics(SM_CYBORDER);
  return size;
}

class WideControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(Create<TWideControlsForm>(nullptr));
    form_->Show();
    classlib::PumpFor(30);
  }

  int CharX(TWinControl* edit, int index) {
    const LRESULT pos = SendMessageW(edit->Handle(), EM_POSFROMCHAR, index, 0);
    return static_cast<short>(LOWORD(pos));
  }

  TOwned<TWideControlsForm> form_;
};

TEST_F(WideControlsTest, TheFormDataLoadsAllThreeClasses) {
  ASSERT_TRUE(form_->stPort && form_->edPort && form_->edCentred && form_->stProbe);
  EXPECT_EQ(L"&\u041F\u043E\u0440\u0442", form_->stPort->Caption());
  EXPECT_EQ(form_->edPort, form_->stPort->FocusControl());
  EXPECT_EQ(L"\u0416\u25CFx", form_->edPort->Text());
  EXPECT_EQ(L"\u0416\u25CFx", WindowTextW(form_->edPort->Handle()));
  EXPECT_TRUE(IsWindowUnicode(form_->edPort->Handle()));
  EXPECT_EQ(taCenter, form_->edCentred->Alignment());
}

TEST_F(WideControlsTest, CentredTextStartsInTheMiddle) {
  TUcAlignedEdit* edit = form_->edCentred;
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_CENTER);
  const int centred = CharX(edit, 0);
  EXPECT_GT(centred, edit->ClientWidth() / 2 - 20);
  edit->SetAlignment(taLeftJustify);
  const int left = CharX(edit, 0);
  EXPECT_LT(left, 5);
  edit->SetAlignment(taRightJustify);
  EXPECT_GT(CharX(edit, 0), centred);
}

TEST_F(WideControlsTest, AnAlignmentChangeRecreatesTheWindowAndKeepsTheText) {
  TUcAlignedEdit* edit = form_->edCentred;
  edit->SetText(kWide);
  const HWND before = edit->Handle();
  edit->SetAlignment(taRightJustify);
  EXPECT_NE(before, edit->Handle()) << "the style is read when the window is made";
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_RIGHT);
  EXPECT_EQ(kWide, WindowTextW(edit->Handle()));
  EXPECT_EQ(kWide, edit->Text());
  const HWND after = edit->Handle();
  edit->SetAlignment(taRightJustify);
  EXPECT_EQ(after, edit->Handle()) << "an unchanged value does nothing";
}

TEST_F(WideControlsTest, AWidePasswordCharShowsAsItself) {
  TUcEdit* edit = form_->edPort;
  const HWND window = edit->Handle();
  edit->SetPasswordChar(L'\u25CF');
  EXPECT_EQ(window, edit->Handle()) << "no new window";
  EXPECT_EQ(0x25CF, SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0));
  EXPECT_EQ('*', edit->TCustomEdit::PasswordChar());
  EXPECT_EQ(L'\u25CF', edit->PasswordChar());

  // It survives a new window.
  form_->edCentred->SetPasswordChar(L'\u25CF');
  form_->edCentred->SetAlignment(taLeftJustify);
  EXPECT_EQ(0x25CF, SendMessageW(form_->edCentred->Handle(), EM_GETPASSWORDCHAR, 0, 0));
  form_->edCentred->TCustomEdit::SetPasswordChar('#');
  form_->edCentred->SetAlignment(taCenter);
  EXPECT_EQ('#', SendMessageW(form_->edCentred->Handle(), EM_GETPASSWORDCHAR, 0, 0));

  // Other code setting the 8-bit character wins.
  edit->TCustomEdit::SetPasswordChar('#');
  EXPECT_EQ(L'#', edit->PasswordChar());
  edit->SetPasswordChar(0);
  EXPECT_EQ(0, SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0));
  EXPECT_EQ('\0', edit->TCustomEdit::PasswordChar());
}

TEST_F(WideControlsTest, SelectionCountsUtf16Units) {
  TUcEdit* edit = form_->edPort;
  edit->SetText(L"\u0416x\U0001F600yz");
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(2u, start);
  EXPECT_EQ(5u, end);
  EXPECT_EQ(2, edit->SelStart());
  EXPECT_EQ(3, edit->SelLength());
  EXPECT_EQ(L"\U0001F600y", edit->SelText());
}

TEST_F(WideControlsTest, AutoSizeFollowsCaptionAndFontButNotTheReading) {
  TProbeStaticText* text = form_->stProbe;
  EXPECT_TRUE(text->widthsWhileRead.empty());
  SIZE expected = AutoSizeOf(text, text->Caption());
  EXPECT_EQ(expected.cx, text->Width()) << "sized once the form was read";

  const std::wstring caption = L"\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416";
  text->SetCaption(caption);
  expected = AutoSizeOf(text, caption);
  EXPECT_EQ(expected.cx, text->Width());
  EXPECT_EQ(expected.cy, text->Height());
  EXPECT_NE(AutoSizeOf(text, L"????????").cx, text->Width()) << "the wide caption is measured";

  text->Font()->SetSize(20);
  expected = AutoSizeOf(text, caption);
  EXPECT_EQ(expected.cx, text->Width());
  EXPECT_EQ(expected.cy, text->Height());

  text->SetAutoSize(false);
  text->SetCaption(L"x");
  EXPECT_EQ(expected.cx, text->Width());
}

TEST_F(WideControlsTest, TheAcceleratorFocusesTheFocusControl) {
  SetForegroundWindow(form_->Handle());
  form_->edCentred->SetFocus();
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->edCentred->Focused(); }, 3000));

  EXPECT_EQ(0, form_->Perform(CM_DIALOGCHAR, L'x', 0));
  EXPECT_TRUE(form_->edCentred->Focused());
  // Lower case matches the upper-case hot key.
  EXPECT_EQ(1, form_->Perform(CM_DIALOGCHAR, 0x043F, 0));
  EXPECT_TRUE(form_->edPort->Focused());

  form_->stPort->SetEnabled(false);
  form_->edCentred->SetFocus();
  EXPECT_EQ(0, form_->Perform(CM_DIALOGCHAR, 0x041F, 0));
  EXPECT_TRUE(form_->edCentred->Focused());
}

// The 8-bit family, forced on Wine's NT family: an 8-bit window whose
// selection counts bytes, and on far-east systems the late read-only state.
TEST_F(WideControlsTest, EightBitFamilyPaths) {
  const bool farEast = SysLocale().FarEast;
  SetPlatformFlags(false, true);
  SysLocale().FarEast = true;
  TUcEdit* edit = Create<TUcEdit>(form_.get());
  edit->SetReadOnly(true);
  edit->SetText(L"abcdef");
  edit->SetParent(form_.get());
  const HWND window = edit->Handle();
  SysLocale().FarEast = farEast;
  const bool unicodeWindow = IsWindowUnicode(window);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  const std::wstring selected = edit->SelText();
  edit->SetPasswordChar(L'\u25CF');
  const LRESULT shown = SendMessageA(window, EM_GETPASSWORDCHAR, 0, 0);
  InitPlatformFlags();

  EXPECT_FALSE(unicodeWindow);
  EXPECT_TRUE(style & ES_READONLY) << "set once the window exists";
  EXPECT_EQ(L"bcd", selected);
  EXPECT_EQ('*', shown);
}

// ---- The 8-bit family's conversions ----------------------------------------------------------

TEST(SelectionConversionTest, BytesAndCharactersOfADoubleByteCodePage) {
  constexpr UINT kShiftJis = 932;
  const std::string ansi =
      "\x93\xFA\x96\x7B"
      "abc";  // two characters of two bytes each
  EXPECT_EQ(0, AnsiToWidePosition(ansi, 0, kShiftJis));
  EXPECT_EQ(2, AnsiToWidePosition(ansi, 4, kShiftJis));
  EXPECT_EQ(3, AnsiToWidePosition(ansi, 5, kShiftJis));
  EXPECT_EQ(5, AnsiToWidePosition(ansi, 99, kShiftJis));
  EXPECT_EQ(0, AnsiToWidePosition(ansi, -1, kShiftJis));

  const std::wstring wide = L"\u65E5\u672Cabc";
  EXPECT_EQ(4, WideToAnsiLength(wide, 0, 2, kShiftJis));
  EXPECT_EQ(3, WideToAnsiLength(wide, 1, 2, kShiftJis));
  EXPECT_EQ(3, WideToAnsiLength(wide, 2, 99, kShiftJis));
  EXPECT_EQ(0, WideToAnsiLength(wide, 9, 2, kShiftJis));
}

TEST(SelectionConversionTest, PasswordCharacters) {
  EXPECT_EQ('*', PasswordCharToAnsi(L'\u25CF'));
  EXPECT_EQ('#', PasswordCharToAnsi(L'#'));
  EXPECT_EQ('\xE9', PasswordCharToAnsi(L'\u00E9'));
  EXPECT_EQ('\0', PasswordCharToAnsi(0));
}

}  // namespace
