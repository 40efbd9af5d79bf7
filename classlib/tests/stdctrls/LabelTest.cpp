// Labels and static texts: auto-size from the caption, accelerators that
// focus another control, painting.
#include "StdCtrlsTestSupport.h"

#include <algorithm>

namespace {

class Captions : public StdCtrlsTest {};

// The size DrawTextA gives text in font (one line).
TSize Measured(TFont* font, const std::string& text) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font->Handle());
  TRect r;
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return TSize(r.Width(), r.Height());
}

TEST_F(Captions, AutoSizeFollowsCaptionAndFontAndKeepsOneLineWhenEmpty) {
  auto* label = Add<TLabel>("Label", Bounds(100, 10, 65, 17));
  label->SetCaption("Hello, world");
  const TSize hello = Measured(label->Font(), "Hello, world");
  const int fontHeight = label->Font()->Height();
  EXPECT_EQ(TSize(label->Width(), label->Height()), hello);
  label->Font()->SetHeight(-30);
  EXPECT_GT(label->Height(), hello.cy);
  label->Font()->SetHeight(fontHeight);
  const int line = label->Height();
  for (const char* caption : {"", "&"}) {
    label->SetCaption(caption);
    EXPECT_EQ(label->Height(), line) << '"' << caption << '"';
  }
  // A right-aligned label keeps its right edge.
  label->SetCaption("x");
  label->SetAlignment(taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption("a longer caption");
  EXPECT_EQ(label->Left() + label->Width(), right);
  label->SetAutoSize(false);
  label->SetCaption("y");
  EXPECT_EQ(label->Left() + label->Width(), right);
}

// Records where each DoDrawText call draws.
class TProbeLabel : public TLabel {
 public:
  using TLabel::TLabel;
  std::vector<std::pair<bool, HWND>> calls;  // measuring, window of the DC

 protected:
  void DoDrawText(TRect& rect, UINT flags) override {
    calls.emplace_back((flags & DT_CALCRECT) != 0, WindowFromDC(Canvas()->Handle()));
    TLabel::DoDrawText(rect, flags);
  }
};

TEST_F(Captions, AutoSizeMeasuresOnTheScreenNeverOnTheParentsWindow) {
  auto* label = Add<TProbeLabel>("Label");
  label->SetCaption("measured");
  label->Font()->SetHeight(-20);
  ASSERT_FALSE(label->calls.empty());
  for (const auto& call : label->calls) {
    EXPECT_TRUE(call.first);
    EXPECT_EQ(call.second, GetDesktopWindow());
  }
  EXPECT_FALSE(label->Canvas()->HandleAllocated());
}

TEST_F(Captions, LabelAcceleratorFocusesItsControlOnlyWhenItMay) {
  auto* label = Add<TLabel>("Label");
  auto* edit = Add<TEdit>("Edit", Bounds(8, 40, 100, 21));
  auto* other = Add<TEdit>("Other", Bounds(8, 70, 100, 21));
  label->SetCaption("&Name");
  Focus(other);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'n', 0), 0);  // no FocusControl
  label->SetFocusControl(edit);
  label->SetShowAccelChar(false);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'n', 0), 0);
  label->SetShowAccelChar(true);
  label->SetEnabled(false);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'n', 0), 0);
  label->SetEnabled(true);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'N', 0), 1);
  EXPECT_EQ(edit->WindowHandle(), GetFocus());
  // A freed FocusControl is dropped.
  edit->Free();
  EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(Captions, LabelPaintsItsColourAndCaptionAndADisabledOneTwice) {
  auto* label = Add<TLabel>("Label", Bounds(0, 0, 80, 20));
  // Thick strokes: smoothed edges leave their inside in the pure colour.
  label->Font()->SetHeight(-32);
  label->Font()->SetStyle({fsBold});
  label->SetCaption("WWWW");
  label->SetColor(clYellow);
  label->Font()->SetColor(clRed);
  auto has = [](const std::vector<COLORREF>& seen, TColor c) {
    return std::find(seen.begin(), seen.end(), ColorToRGB(c)) != seen.end();
  };
  std::vector<COLORREF> seen = Painted(label);
  EXPECT_EQ(seen.front(), ColorToRGB(clYellow));
  EXPECT_TRUE(has(seen, clRed));
  label->SetEnabled(false);
  seen = Painted(label);
  EXPECT_FALSE(has(seen, clRed));
  EXPECT_TRUE(has(seen, clBtnShadow));
  EXPECT_TRUE(has(seen, clBtnHighlight));
}

TEST_F(Captions, AWrappedEllipsisLabelDropsWholeWordsUntilTheRestFits) {
  auto* label = Add<TLabel>("Label", Bounds(0, 0, 10, 10));
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetEllipsisPosition(epEndEllipsis);
  label->SetColor(clWhite);
  label->Font()->SetColor(clBlack);
  const TSize kept = Measured(label->Font(), "alpha beta...");
  const TSize dots = Measured(label->Font(), "...");
  // One line high; room for "alpha beta..." once "..." is kept aside, not
  // for "alpha beta gamma".
  label->SetBounds(0, 0, kept.cx + dots.cx + 2, kept.cy);
  label->SetCaption("alpha beta gamma delta");
  const std::vector<COLORREF> shown = Painted(label);
  const std::vector<COLORREF> expected = Rendered(label->Width(), label->Height(), [label](HDC dc) {
    RECT r{0, 0, label->Width(), label->Height()};
    const HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, "alpha beta...", -1, &r, DT_WORDBREAK | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  });
  EXPECT_TRUE(shown == expected);
}

TEST_F(Captions, StaticTextSizesToItsCaptionAndTakesItsColour) {
  auto* text = Add<TStaticText>("Strip", Bounds(20, 30, 10, 10));
  text->SetCaption("Amber strip");
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, text->Font()->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, "Amber strip", 11, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(text->BoundsRect(), Bounds(20, 30, size.cx + 4 * GetSystemMetrics(SM_CXBORDER),
                                       size.cy + 4 * GetSystemMetrics(SM_CYBORDER)));
  text->SetColor(RGB(0xFE, 0xCB, 0x0E));
  HDC paint = GetDC(form_->Handle());
  const LRESULT brush =
      SendMessageA(form_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(paint),
                   reinterpret_cast<LPARAM>(text->Handle()));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(text->Brush()->Handle()));
  EXPECT_EQ(GetBkColor(paint), RGB(0xFE, 0xCB, 0x0E));
  ReleaseDC(form_->Handle(), paint);
  EXPECT_TRUE(GetWindowLongA(text->Handle(), GWL_STYLE) & SS_NOTIFY);
}

TEST_F(Captions, StaticTextAcceleratorFocusesItsControl) {
  auto* text = Add<TStaticText>("Strip");
  auto* edit = Add<TEdit>("Edit", Bounds(8, 40, 100, 21));
  text->SetCaption("&Port");
  text->SetFocusControl(edit);
  EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, 'p', 0), 1);
  EXPECT_EQ(edit->WindowHandle(), GetFocus());
}

}  // namespace
