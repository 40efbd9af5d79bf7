// The wide label, button, check box and radio button: the label's wide
// drawing and sizing, accelerators in any script, Unicode windows, form data
// and the 8-bit family.
#include "Reader.h"
#include "UcActnList.h"
#include "UcStdCtrlsTestSupport.h"
#include "WidgetEnvironment.h"

#include <algorithm>

namespace {

class UcLabels : public UcStdCtrlsTest {
 protected:
  // A label drawn black on white, so that its ink compares with DrawTextW's.
  TUcLabel* Plain(const TRect& bounds = Bounds(0, 0, 10, 10)) {
    auto* label = Add<TUcLabel>("Label", bounds);
    label->SetColor(clWhite);
    label->Font()->SetColor(clBlack);
    return label;
  }
};

TEST_F(UcLabels, AutoSizeFollowsTheWideCaptionAndKeepsOneLineWhenEmpty) {
  TUcLabel* label = Plain();
  const std::wstring caption = kCyrillic + L" " + kGreek + L" " + kCjk;
  label->SetCaption(caption);
  EXPECT_EQ(label->Caption(), caption);
  EXPECT_EQ(TSize(label->Width(), label->Height()), MeasuredW(label->Font(), caption));
  const int line = label->Height();
  for (const wchar_t* text : {L"", L"&"}) {
    label->SetCaption(text);
    EXPECT_EQ(label->Height(), line) << "caption \"" << WideToAnsi(text) << '"';
  }
  // Without ShowAccelChar the ampersands are drawn and measured.
  label->SetShowAccelChar(false);
  label->SetCaption(L"&" + kCyrillic + L"&&");
  EXPECT_EQ(label->Width(), MeasuredW(label->Font(), L"&" + kCyrillic + L"&&", DT_NOPREFIX).cx);
  label->SetShowAccelChar(true);
  EXPECT_EQ(label->Width(), MeasuredW(label->Font(), L"&" + kCyrillic + L"&&").cx);
}

TEST_F(UcLabels, PaintsTheWideInkNotTheEightBitOne) {
  TUcLabel* label = Plain();
  const std::wstring caption = kCyrillic + kCjk;
  label->SetCaption(caption);
  const std::vector<COLORREF> shown = Painted(label);
  EXPECT_TRUE(shown == ReferenceText(label->Width(), label->Height(), label->Font(), caption, 0));
  EXPECT_FALSE(shown == ReferenceText(label->Width(), label->Height(), label->Font(),
                                      AnsiToWide(WideToAnsi(caption)), 0));
}

TEST_F(UcLabels, DisabledLabelDrawsHighlightOffsetThenShadow) {
  TUcLabel* label = Plain();
  label->Font()->SetHeight(-24);
  label->SetCaption(kCyrillic);
  label->SetEnabled(false);
  const int w = label->Width();
  const int h = label->Height();
  const std::vector<COLORREF> expected = Rendered(w, h, [&](HDC dc) {
    const HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    RECT r{1, 1, w + 1, h + 1};
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextW(dc, kCyrillic.c_str(), -1, &r, DT_EXPANDTABS);
    OffsetRect(&r, -1, -1);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
    DrawTextW(dc, kCyrillic.c_str(), -1, &r, DT_EXPANDTABS);
    SelectObject(dc, old);
  });
  const std::vector<COLORREF> shown = Painted(label);
  EXPECT_TRUE(shown == expected);
  EXPECT_NE(std::find(shown.begin(), shown.end(), ColorToRGB(clBtnHighlight)), shown.end());
}

TEST_F(UcLabels, WrappedEndEllipsisDropsWholeWordsOrSingleCharacters) {
  TUcLabel* label = Plain();
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetEllipsisPosition(epEndEllipsis);
  const std::wstring kept = kCyrillic + L" " + kGreek + L"...";
  const TSize size = MeasuredW(label->Font(), kept);
  const int dots = MeasuredW(label->Font(), L"...").cx;
  label->SetBounds(0, 0, size.cx + dots + 2, size.cy);
  label->SetCaption(kCyrillic + L" " + kGreek + L"\t" + kCyrillic + L" " + kGreek);
  EXPECT_TRUE(Painted(label) == ReferenceText(label->Width(), label->Height(), label->Font(), kept,
                                              DT_WORDBREAK | DT_END_ELLIPSIS));
  // Without blanks a character goes per step, the line break included.
  label->SetCaption(kGreek + L"\nab");
  EXPECT_TRUE(Painted(label) == ReferenceText(label->Width(), label->Height(), label->Font(),
                                              kGreek + L"...", DT_WORDBREAK | DT_END_ELLIPSIS));
}

TEST_F(UcLabels, CentredEllipsisLabelMeasuresWithoutDrawing) {
  TUcLabel* label = Plain();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 60, 60);
  label->SetLayout(tlCenter);
  label->SetEllipsisPosition(epEndEllipsis);
  label->SetCaption(kGreek + L" " + kGreek + L" " + kGreek);
  const std::vector<COLORREF> shown = Painted(label);
  // Nothing is drawn in the top line, where the measure would have drawn.
  const int line = MeasuredW(label->Font(), kGreek).cy;
  EXPECT_TRUE(std::all_of(shown.begin(), shown.begin() + 60 * (60 - line) / 2 - 60,
                          [](COLORREF c) { return c == RGB(255, 255, 255); }));
}

TEST_F(UcLabels, ACaptionWithTheSameEightBitFormIsAnnounced) {
  TUcLabel* label = Plain();
  label->SetCaption(L"\u0416");
  for (const wchar_t* next : {L"\u0414", L"?"}) {
    const TMessageCounter counter(label);
    label->SetCaption(next);
    EXPECT_GE(counter.Count(CM_TEXTCHANGED), 1) << WideToAnsi(next);
    EXPECT_EQ(label->Caption(), next);
  }
}

TEST_F(UcLabels, HintShowPreparesTheWideShortHint) {
  TUcLabel* label = Plain();
  label->SetHint(kCyrillic + L"|" + kGreek);
  THintInfo info;
  info.HintControl = label;
  info.HintWindowClass = &THintWindow::StaticClass();
  label->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintWindowClass, &TUcCustomHintWindow::StaticClass());
  EXPECT_EQ(info.HintData, &info);
  EXPECT_EQ(info.HintStr, "???");
}

class UcAccelerators : public UcStdCtrlsTest {
 protected:
  // Alt+key as the keyboard posts it, through the application's loop.
  void AltKey(TWinControl* focused, wchar_t key) {
    PostMessageW(focused->Handle(), WM_SYSCHAR, key, 1 << 29);
    Application()->ProcessMessages();
  }
  LRESULT DialogChar(wchar_t key) { return form_->Perform(CM_DIALOGCHAR, key, 0); }
};

TEST_F(UcAccelerators, LatinHotKeysInMixedCaptionsWorkThroughTheLoop) {
  auto* edit = Add<TEdit>("Edit", Bounds(8, 200, 100, 21));
  auto* button = Add<TUcButton>("Button", Bounds(8, 8, 120, 25));
  auto* check = Add<TUcCheckBox>("Check", Bounds(8, 40, 120, 25));
  auto* radio = Add<TUcRadioButton>("Radio", Bounds(8, 70, 120, 25));
  auto* label = Add<TUcLabel>("Label", Bounds(8, 100, 120, 20));
  auto* target = Add<TEdit>("Target", Bounds(8, 130, 100, 21));
  button->SetCaption(kCyrillic + L" &B");
  check->SetCaption(kCjk + L" &C");
  radio->SetCaption(kGreek + L" &R");
  label->SetCaption(kCyrillic + L" &L");
  Watch(button);
  edit->SetFocus();
  AltKey(edit, L'b');
  EXPECT_EQ(log_, std::vector<std::string>{"Button:click"});
  AltKey(edit, L'c');
  EXPECT_TRUE(check->Focused());
  EXPECT_TRUE(check->Checked());
  AltKey(check, L'r');
  EXPECT_TRUE(radio->Focused());
  // The label's hot key leads to its FocusControl, only while it may.
  AltKey(radio, L'l');
  EXPECT_TRUE(radio->Focused());
  label->SetFocusControl(target);
  label->SetEnabled(false);
  AltKey(radio, L'l');
  EXPECT_TRUE(radio->Focused());
  label->SetEnabled(true);
  label->SetShowAccelChar(false);
  AltKey(radio, L'l');
  EXPECT_TRUE(radio->Focused());
  label->SetShowAccelChar(true);
  AltKey(radio, L'L');
  EXPECT_TRUE(target->Focused());
}

TEST_F(UcAccelerators, CyrillicAndGreekHotKeysMatchInEitherCase) {
  auto* button = Add<TUcButton>("Button");
  auto* check = Add<TUcCheckBox>("Check", Bounds(8, 40, 120, 25));
  button->SetCaption(L"&" + kCyrillic);  // &Жук
  check->SetCaption(L"&" + kGreek);      // &Σκαθάρι
  Watch(button);
  EXPECT_EQ(DialogChar(L'\u0416'), 1);
  EXPECT_EQ(DialogChar(L'\u0436'), 1);
  EXPECT_EQ(log_.size(), 2u);
  EXPECT_EQ(DialogChar(L'\u03C3'), 1);
  EXPECT_EQ(check->State(), cbChecked);
  // The 8-bit caption is "&???": Alt+? clicks nothing.
  EXPECT_EQ(DialogChar(L'?'), 0);
  EXPECT_EQ(log_.size(), 2u);
  button->SetCaption(L"A&&B " + kCyrillic);
  EXPECT_EQ(DialogChar(L'b'), 0);
  EXPECT_EQ(log_.size(), 2u);
}

class UcButtons : public UcStdCtrlsTest {};

TEST_F(UcButtons, WindowsAreUnicodeAndKeepTheWideCaption) {
  auto* button = Add<TUcButton>("Button");
  auto* check = Add<TUcCheckBox>("Check", Bounds(8, 40, 120, 25));
  auto* radio = Add<TUcRadioButton>("Radio", Bounds(8, 70, 120, 25));
  const std::wstring caption = kCyrillic + kGreek + kCjk;
  for (TButtonControl* c : std::vector<TButtonControl*>{button, check, radio}) {
    SetWideControlText(c, caption);
    ASSERT_TRUE(IsWindowUnicode(c->Handle()));
    wchar_t text[64] = {};
    GetWindowTextW(c->Handle(), text, 64);
    EXPECT_EQ(text, caption);
    c->RecreateWnd();
    EXPECT_EQ(GetWideControlText(c), caption);
  }
  EXPECT_EQ(button->Caption(), caption);
  // The same 8-bit form still reaches the window.
  button->SetCaption(L"\u0414");
  button->SetCaption(L"\u0416");
  wchar_t text[8] = {};
  GetWindowTextW(button->Handle(), text, 8);
  EXPECT_STREQ(text, L"\u0416");
}

TEST_F(UcButtons, FormDataSetsWideTextsAndRejectsUnknownNames) {
  const std::string text =
      "object Form: TForm\n"
      "  object L: TUcLabel\n    Caption = 'Ж&ук'\n    CaptionW = 'old'\n"
      "    Hint = 'Σκ|long'\n  end\n"
      "  object B: TUcButton\n    Caption = '甲虫'\n    Caption_UTF7 = 'x'\n  end\n"
      "  object C: TUcCheckBox\n    Caption = 'Жук'\n    Checked = True\n  end\n"
      "  object R: TUcRadioButton\n    Caption = 'Σ'\n    Hint = '甲'\n  end\n"
      "end\n";
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  ReadComponentText(form.get(), text);
  auto* label = form->FindComponent("L")->As<TUcLabel>();
  EXPECT_EQ(label->Caption(), L"\u0416&\u0443\u043A");
  EXPECT_EQ(label->Hint(), L"\u03A3\u03BA|long");
  EXPECT_EQ(form->FindComponent("B")->As<TUcButton>()->Caption(), kCjk);
  auto* check = form->FindComponent("C")->As<TUcCheckBox>();
  EXPECT_EQ(check->Caption(), kCyrillic);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(form->FindComponent("R")->As<TUcRadioButton>()->Hint(), L"\u7532");
  TOwned<TForm> bad(CreateNew<TForm>(nullptr));
  EXPECT_THROW(ReadComponentText(bad.get(),
                                 "object Form: TForm\n  object L: TUcLabel\n"
                                 "    CaptionX = 'x'\n  end\nend\n"),
               EReadError);
}

TEST_F(UcButtons, EightBitFamilyBehavesAsTheBase) {
  const TForcedPlatformFlags ansi(false, true);
  auto* button = Add<TUcButton>("Button");
  auto* label = Add<TUcLabel>("Label", Bounds(8, 40, 10, 10));
  button->SetCaption(L"&" + kCyrillic + L"\u00E9");
  label->SetCaption(L"x\u00E9");
  EXPECT_FALSE(IsWindowUnicode(button->Handle()));
  EXPECT_EQ(button->TControl::Caption(), "&???\xE9");
  EXPECT_EQ(button->Caption(), L"&???\u00E9");
  EXPECT_EQ(label->TControl::Caption(), "x\xE9");
  for (TButtonControl* other :
       std::vector<TButtonControl*>{Add<TUcCheckBox>("Check", Bounds(8, 70, 120, 25)),
                                    Add<TUcRadioButton>("Radio", Bounds(8, 100, 120, 25))}) {
    SetWideControlText(other, kGreek);
    EXPECT_FALSE(IsWindowUnicode(other->Handle()));
    EXPECT_EQ(other->TControl::Caption(), WideToAnsi(kGreek));
  }
  Watch(button);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, '?', 0), 1);
  EXPECT_EQ(log_.size(), 1u);
}

TEST_F(UcButtons, LinkClassesAreTheWideOnes) {
  auto* action = Create<TUcAction>(form_.get());
  action->SetCaption(kCyrillic);
  auto* button = Add<TUcButton>("Button");
  auto* label = Add<TUcLabel>("Label", Bounds(8, 40, 10, 10));
  button->SetAction(action);
  label->SetAction(action);
  EXPECT_TRUE(button->ActionLink()->Is<TUcButtonActionLink>());
  EXPECT_TRUE(label->ActionLink()->Is<TUcControlActionLink>());
  action->SetCaption(kGreek);
  EXPECT_EQ(button->Caption(), kGreek);
  EXPECT_EQ(label->Caption(), kGreek);
}

}  // namespace
