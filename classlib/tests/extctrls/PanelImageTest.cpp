// Panels paint their bevels, background and one-line caption; images draw
// their picture where Center and Stretch put it and load it by name.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Streams.h"

#include <gtest/gtest.h>

namespace {

// A control's painting, captured in a bitmap of its size.
class TCapture {
 public:
  explicit TCapture(TControl* control) : control_(control) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, control->Width(), control->Height());
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, control->Width(), control->Height()};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const UINT msg = dynamic_cast<TWinControl*>(control) ? WM_PRINTCLIENT : WM_PAINT;
    control->Perform(msg, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
  }
  ~TCapture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TCapture(const TCapture&) = delete;
  TCapture& operator=(const TCapture&) = delete;

  TColor At(int x, int y) const { return GetPixel(dc_, x, y); }
  bool Contains(TColor colour) const {
    for (int y = 0; y < control_->Height(); ++y)
      for (int x = 0; x < control_->Width(); ++x)
        if (At(x, y) == ColorToRGB(colour))
          return true;
    return false;
  }

 private:
  TControl* control_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

class PanelAndImage : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(0, 0, 300, 200);
  }
  template <typename T>
  T* Add(const TRect& bounds) {
    T* c = Create<T>(form_.get());
    c->SetBoundsRect(bounds);
    c->SetParent(form_.get());
    return c;
  }
  TOwned<TForm> form_;
};

TEST_F(PanelAndImage, BevelsShadeTheirEdgesAndTheColourFillsTheRest) {
  auto* panel = Add<TPanel>(Bounds(0, 0, 60, 30));
  EXPECT_EQ(panel->Color(), clBtnFace);
  panel->SetColor(clRed);
  panel->SetCaption("");
  panel->SetParentBackground(false);
  struct TCase {
    TBevelCut outer;
    TColor topLeft;
    TColor bottomRight;
  };
  for (const TCase& c : {TCase{bvLowered, clBtnShadow, clBtnHighlight},
                         TCase{bvRaised, clBtnHighlight, clBtnShadow}}) {
    panel->SetBevelOuter(c.outer);
    const TCapture shot(panel);
    EXPECT_EQ(shot.At(0, 10), ColorToRGB(c.topLeft));
    EXPECT_EQ(shot.At(10, 0), ColorToRGB(c.topLeft));
    EXPECT_EQ(shot.At(59, 10), ColorToRGB(c.bottomRight));
    EXPECT_EQ(shot.At(10, 29), ColorToRGB(c.bottomRight));
    EXPECT_EQ(shot.At(30, 15), ColorToRGB(clRed));
  }
  // A border in the panel's colour, then an inner bevel inside it.
  panel->SetBevelOuter(bvNone);
  panel->SetBorderWidth(3);
  panel->SetBevelInner(bvLowered);
  const TCapture shot(panel);
  EXPECT_EQ(shot.At(2, 10), ColorToRGB(clRed));
  EXPECT_EQ(shot.At(3, 10), ColorToRGB(clBtnShadow));
}

TEST_F(PanelAndImage, WithThemesTheParentBackgroundShowsUnlessSwitchedOff) {
  auto* panel = Add<TPanel>(Bounds(0, 0, 60, 30));
  panel->SetColor(clRed);
  for (int themes : {0, 1}) {
    ThemeServices().SetThemesEnabledOverride(themes);
    for (bool parentBackground : {false, true}) {
      panel->SetParentBackground(parentBackground);
      const TCapture shot(panel);
      const bool filled = shot.At(30, 15) == ColorToRGB(clRed);
      EXPECT_EQ(filled, !(themes && parentBackground)) << themes << parentBackground;
    }
  }
  ThemeServices().SetThemesEnabledOverride(-1);
}

TEST_F(PanelAndImage, TheCaptionShowsOneLineInTheFontColour) {
  auto* panel = Add<TPanel>(Bounds(0, 0, 120, 60));
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clWhite);
  panel->Font()->SetColor(clBlue);
  panel->Font()->SetHeight(-20);
  panel->SetCaption("WWW\r\nWWW");
  const TCapture shot(panel);
  EXPECT_TRUE(shot.Contains(clBlue));
  // The second line is clipped away: nothing below the middle line's band.
  bool lowerText = false;
  for (int y = 45; y < 60; ++y)
    for (int x = 0; x < 120; ++x)
      lowerText = lowerText || shot.At(x, y) != ColorToRGB(clWhite);
  EXPECT_FALSE(lowerText);
}

TEST_F(PanelAndImage, PictureResourceLoadsByNameAndAMissingOneRaises) {
  auto* image = Add<TImage>(Bounds(0, 0, 20, 20));
  image->SetPictureResource("PICTURE");
  EXPECT_EQ(image->Picture()->Width(), 3);
  EXPECT_EQ(image->Picture()->Height(), 2);
  try {
    image->SetPictureResource("NO_SUCH_PICTURE");
    FAIL() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_NE(std::string(e.what()).find("NO_SUCH_PICTURE"), std::string::npos);
  }
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(image->Height(), 2);
}

TEST_F(PanelAndImage, AnImageDrawsAtTheOriginCentredOrStretched) {
  auto* image = Add<TImage>(Bounds(0, 0, 9, 6));
  {
    const TCapture empty(image);
    EXPECT_FALSE(empty.Contains(clRed));
  }
  image->SetPictureResource("PICTURE");  // red lime blue / white black brown
  {
    const TCapture plain(image);
    EXPECT_EQ(plain.At(0, 0), ColorToRGB(clRed));
    EXPECT_EQ(plain.At(2, 1), RGB(128, 64, 32));
  }
  image->SetCenter(true);
  {
    const TCapture centred(image);
    EXPECT_EQ(centred.At(3, 2), ColorToRGB(clRed));
    EXPECT_EQ(centred.At(0, 0), ColorToRGB(clWhite));
  }
  image->SetStretch(true);
  const TCapture stretched(image);
  EXPECT_EQ(stretched.At(2, 2), ColorToRGB(clRed));
  EXPECT_EQ(stretched.At(8, 5), RGB(128, 64, 32));
}

}  // namespace
