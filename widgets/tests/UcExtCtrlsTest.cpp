// The wide panel by its pixels: bevels, border and fill with and without
// themes, the wide caption in one centred line band placed by Alignment,
// repainting on a new caption; its Unicode window, form data and the 8-bit
// family.
#include "Forms.h"
#include "Reader.h"
#include "UcExtCtrls.h"
#include "UcExtCtrlsTestSupport.h"
#include "UcGraphics.h"
#include "UcSysUtils.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u043A";
const std::wstring kGreek = L"\u0391\u03B2\u03B3";
const std::wstring kCjk = L"\u65E5\u672C\u8A9E";

// Themes as a test needs them, asked of uxtheme again afterwards.
class TThemesForced {
 public:
  explicit TThemesForced(bool on) { ThemeServices().SetThemesEnabledOverride(on ? 1 : 0); }
  ~TThemesForced() { ThemeServices().SetThemesEnabledOverride(-1); }
  TThemesForced(const TThemesForced&) = delete;
  TThemesForced& operator=(const TThemesForced&) = delete;
};

constexpr COLORREF kMarker = RGB(255, 0, 255);

class UcPanelTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(60, 60, 400, 240);
    panel_ = Create<TUcPanel>(form_.get());
    panel_->SetBounds(10, 10, 240, 60);
    panel_->SetParent(form_.get());
    panel_->SetParentBackground(false);
    panel_->SetColor(clWhite);
    panel_->Font()->SetColor(clBlack);
    panel_->Font()->SetHeight(-18);
  }

  // The panel's painting on a background no step paints.
  std::unique_ptr<TTestBitmap> Shot() {
    auto shot = std::make_unique<TTestBitmap>(panel_->Width(), panel_->Height(), kMarker);
    shot->PaintControl(panel_);
    return shot;
  }

  // The caption's band: one line as high as "W" in the panel's font,
  // centred within the bevels (width 1) and border.
  TRect Band(int inset) {
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, panel_->Font()->Handle());
    TSize size;
    WideTextExtentPoint(dc, L"W", size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int h = size.cy;
    const int top = (inset + panel_->Height() - inset - h) / 2;
    return TRect(inset, top, panel_->Width() - inset, top + h);
  }

  TOwned<TForm> form_;
  TUcPanel* panel_ = nullptr;
};

TEST_F(UcPanelTest, BevelsShadeTheirEdgesRaisedAndLowered) {
  panel_->SetCaption(L"");
  struct TCase {
    TBevelCut cut;
    TColor topLeft;
    TColor bottomRight;
  };
  for (const TCase& c : {TCase{bvLowered, clBtnShadow, clBtnHighlight},
                         TCase{bvRaised, clBtnHighlight, clBtnShadow}}) {
    panel_->SetBevelOuter(c.cut);
    panel_->SetBevelInner(bvNone);
    auto shot = Shot();
    EXPECT_EQ(ColorToRGB(c.topLeft), shot->At(0, 30)) << c.cut;
    EXPECT_EQ(ColorToRGB(c.topLeft), shot->At(100, 0)) << c.cut;
    EXPECT_EQ(ColorToRGB(c.bottomRight), shot->At(239, 30)) << c.cut;
    EXPECT_EQ(ColorToRGB(c.bottomRight), shot->At(100, 59)) << c.cut;
    EXPECT_EQ(ColorToRGB(clWhite), shot->At(100, 30)) << c.cut;
    // Inside a border of the panel's colour, the inner bevel.
    panel_->SetBorderWidth(2);
    panel_->SetBevelInner(c.cut);
    shot = Shot();
    EXPECT_EQ(ColorToRGB(clWhite), shot->At(2, 30)) << c.cut;
    EXPECT_EQ(ColorToRGB(c.topLeft), shot->At(3, 30)) << c.cut;
    EXPECT_EQ(ColorToRGB(c.bottomRight), shot->At(236, 30)) << c.cut;
    panel_->SetBorderWidth(0);
  }
}

TEST_F(UcPanelTest, ColourFillsUnlessThemesShowTheParentBackground) {
  panel_->SetColor(clYellow);
  for (bool themes : {false, true}) {
    const TThemesForced forced(themes);
    for (bool parentBackground : {false, true}) {
      panel_->SetParentBackground(parentBackground);
      panel_->SetBorderWidth(3);
      auto shot = Shot();
      const bool fills = !(themes && parentBackground);
      EXPECT_EQ(fills ? ColorToRGB(clYellow) : kMarker, shot->At(120, 5))
          << themes << parentBackground;
      // The border: the panel's colour, or left alone with themes.
      EXPECT_EQ(fills ? ColorToRGB(clYellow) : kMarker, shot->At(2, 30))
          << themes << parentBackground;
    }
  }
}

TEST_F(UcPanelTest, CaptionInkLiesInOneCentredBandPlacedByAlignment) {
  ASSERT_EQ("", CjkFontProblem(panel_->Font()));
  panel_->SetCaption(kCyrillic + L" " + kCjk);
  const TRect band = Band(1);
  const TRect inner(1, 1, 239, 59);
  for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
    panel_->SetAlignment(alignment);
    auto shot = Shot();
    const TRect ink = TInk(*shot, inner, ColorToRGB(clWhite)).Bounds();
    ASSERT_GT(ink.Width(), 20) << alignment;
    EXPECT_GE(ink.top + 1, band.top) << alignment;
    EXPECT_LE(ink.bottom + 1, band.bottom) << alignment;
    const int left = ink.left + 1;
    const int right = ink.right + 1;
    if (alignment == taLeftJustify)
      EXPECT_LE(left, 4);
    else if (alignment == taRightJustify)
      EXPECT_GE(right, 236);
    else
      EXPECT_LE(std::abs((left + right) / 2 - 120), 3);
    // Ink of the wide text, not of its 8-bit form.
    const TInk drawn(*shot, band, ColorToRGB(clWhite));
    EXPECT_TRUE(drawn.Contains(ReferenceInk(kCjk, panel_->Font(), ColorToRGB(clWhite))));
    EXPECT_FALSE(drawn.Contains(ReferenceInk(L"???", panel_->Font(), ColorToRGB(clWhite))));
  }
}

TEST_F(UcPanelTest, ASecondLineNeverShows) {
  panel_->SetAlignment(taLeftJustify);
  panel_->SetCaption(kGreek + L"\r\n" + kCjk + kCjk + kCjk + kCjk);
  auto shot = Shot();
  const TRect band = Band(1);
  const TInk all(*shot, TRect(1, 1, 239, 59), ColorToRGB(clWhite));
  const TRect ink = all.Bounds();
  EXPECT_GE(ink.top + 1, band.top);
  EXPECT_LE(ink.bottom + 1, band.bottom);
  EXPECT_EQ(ReferenceInk(kGreek, panel_->Font(), ColorToRGB(clWhite)), all.Cropped());
}

TEST_F(UcPanelTest, ANewWideCaptionRepaintsAndReadsBackFromTheUnicodeWindow) {
  panel_->SetCaption(kGreek);
  form_->Show();
  const HWND window = panel_->Handle();
  EXPECT_TRUE(IsWindowUnicode(window));
  UpdateWindow(window);
  ValidateRect(window, nullptr);
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(window, &dirty, FALSE));
  panel_->SetCaption(kCjk);
  EXPECT_TRUE(GetUpdateRect(window, &dirty, FALSE));
  wchar_t text[16] = {};
  GetWindowTextW(window, text, 16);
  EXPECT_EQ(kCjk, std::wstring(text));
  // The same text again is no change: nothing to repaint.
  ValidateRect(window, nullptr);
  panel_->SetCaption(kCjk);
  EXPECT_FALSE(GetUpdateRect(window, &dirty, FALSE));
  // Re-created, the caption comes back.
  panel_->RecreateWnd();
  EXPECT_EQ(kCjk, panel_->Caption());
}

TEST_F(UcPanelTest, FormDataSetsTheWideCaptionAndHint) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  ReadComponentText(form.get(),
                    "object F: TForm\n"
                    "  object P: TUcPanel\n"
                    "    Caption = '\xD0\x96\xD1\x83\xD0\xBA &\xE6\x97\xA5'\n"
                    "    CaptionW = 'ignored'\n"
                    "    Hint = '\xCE\x91\xCE\xB2|long'\n"
                    "    BevelOuter = bvLowered\n"
                    "    ParentBackground = False\n"
                    "    Color = clYellow\n"
                    "  end\n"
                    "end\n");
  auto* panel = static_cast<TUcPanel*>(form->FindComponent("P"));
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(kCyrillic + L" &\u65E5", panel->Caption());
  EXPECT_EQ(L"\u0391\u03B2|long", panel->Hint());
  EXPECT_EQ(bvLowered, panel->BevelOuter());
  EXPECT_FALSE(panel->ParentBackground());
  EXPECT_EQ(clYellow, panel->Color());
  TOwned<TForm> bad(CreateNew<TForm>(nullptr));
  EXPECT_THROW(ReadComponentText(
                   bad.get(), "object F: TForm\n  object P: TUcPanel\n    Bogus = 1\n  end\nend\n"),
               EReadError);
}

TEST_F(UcPanelTest, EightBitFamilyPaintsAsTheBase) {
  const TForcedPlatformFlags ansi(false, false);
  panel_->SetCaption(kCyrillic);
  EXPECT_FALSE(IsWindowUnicode(panel_->Handle()));
  EXPECT_EQ(L"???", panel_->Caption());
  auto shot = Shot();
  const TInk drawn(*shot, Band(1), ColorToRGB(clWhite));
  EXPECT_TRUE(drawn.Contains(ReferenceInk(L"???", panel_->Font(), ColorToRGB(clWhite))));
}

}  // namespace
