#include "Graphics.h"

#include <gtest/gtest.h>

namespace {

TOwned<TBitmap> WhiteBitmap(int width, int height) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetSize(width, height);
  return bitmap;
}

// Where a 24-bit bitmap differs from a background colour, and how many
// pixels do.
struct TInk {
  TRect Box;
  int Count = 0;
};

TInk InkOf(TBitmap* bitmap, TColor background = clWhite) {
  TInk ink;
  ink.Box = Rect(bitmap->Width(), bitmap->Height(), 0, 0);
  for (int y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < bitmap->Width(); ++x) {
      const uint8_t* px = row + 3 * x;
      if (RGB(px[2], px[1], px[0]) == background)
        continue;
      ++ink.Count;
      ink.Box = Rect(std::min<LONG>(ink.Box.left, x), std::min<LONG>(ink.Box.top, y),
                     std::max<LONG>(ink.Box.right, x + 1), std::max<LONG>(ink.Box.bottom, y + 1));
    }
  }
  return ink;
}

bool Contains(const TRect& outer, const TRect& inner) {
  TRect common;
  return IntersectRect(common, outer, inner) && common == inner;
}

// ---- Painting into memory DCs -----------------------------------------------------

TEST(Canvas, FillsAndFramesWithTheBrush) {
  TOwned<TBitmap> bitmap = WhiteBitmap(20, 20);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(2, 2, 10, 10));
  EXPECT_EQ(canvas->Pixels(2, 2), clRed);
  EXPECT_EQ(canvas->Pixels(9, 9), clRed);
  EXPECT_EQ(canvas->Pixels(10, 10), clWhite);
  EXPECT_EQ(canvas->Pixels(1, 5), clWhite);

  canvas->Brush()->SetColor(clBlue);
  canvas->FrameRect(Rect(12, 12, 18, 18));
  EXPECT_EQ(canvas->Pixels(12, 12), clBlue);
  EXPECT_EQ(canvas->Pixels(17, 17), clBlue);
  EXPECT_EQ(canvas->Pixels(14, 14), clWhite);

  // A system colour is drawn as what it currently is.
  canvas->Brush()->SetColor(clBtnShadow);
  canvas->FillRect(Rect(0, 19, 20, 20));
  EXPECT_EQ(canvas->Pixels(0, 19), ColorToRGB(clBtnShadow));

  canvas->SetPixels(0, 0, clLime);
  EXPECT_EQ(canvas->Pixels(0, 0), clLime);
}

TEST(Canvas, TextStaysInsideItsMeasuredBox) {
  TOwned<TBitmap> bitmap = WhiteBitmap(160, 50);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetColor(clBlack);
  canvas->TextOut(10, 5, "Hello");
  const TSize extent = canvas->TextExtent("Hello");
  ASSERT_GT(extent.cx, 0);
  const TInk ink = InkOf(bitmap.get());
  EXPECT_GT(ink.Count, 0);
  EXPECT_TRUE(Contains(Bounds(10, 5, extent.cx, extent.cy), ink.Box));
}

TEST(Canvas, TextRectClipsAndFillsWithASolidBrush) {
  TOwned<TBitmap> bitmap = WhiteBitmap(100, 40);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetColor(clBlack);
  canvas->Brush()->SetColor(clYellow);
  const TRect clip = Rect(10, 10, 30, 20);
  canvas->TextRect(clip, 10, 5, "WWWWWWWW");
  const TInk touched = InkOf(bitmap.get());
  EXPECT_EQ(touched.Box, clip);
  // Some of the text shows inside, on the brush colour.
  bool textShown = false;
  for (int y = clip.top; y < clip.bottom; ++y) {
    for (int x = clip.left; x < clip.right; ++x)
      textShown |= canvas->Pixels(x, y) == clBlack;
  }
  EXPECT_TRUE(textShown);

  // A clear brush leaves the background alone.
  TOwned<TBitmap> clear = WhiteBitmap(100, 40);
  clear->Canvas()->Font()->SetColor(clBlack);
  clear->Canvas()->Brush()->SetStyle(bsClear);
  clear->Canvas()->TextRect(clip, 10, 5, "WWWWWWWW");
  const TInk text = InkOf(clear.get());
  EXPECT_GT(text.Count, 0);
  EXPECT_LT(text.Count, clip.Width() * clip.Height());
  EXPECT_TRUE(Contains(clip, text.Box));
}

TEST(Canvas, Frame3DDrawsBothColoursAndShrinks) {
  TOwned<TBitmap> bitmap = WhiteBitmap(10, 10);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(clGray);
  canvas->Brush()->SetStyle(bsClear);
  TRect r = Rect(0, 0, 10, 10);
  Frame3D(canvas, r, clRed, clBlue, 2);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));

  // Both rings; the far corners belong to the bottom-right colour.
  const struct {
    int x, y;
    TColor colour;
  } expected[] = {{0, 0, clRed},  {5, 0, clRed},  {0, 5, clRed},  {1, 1, clRed},  {9, 0, clBlue},
                  {0, 9, clBlue}, {9, 9, clBlue}, {9, 5, clBlue}, {5, 9, clBlue}, {8, 1, clBlue}};
  for (const auto& e : expected)
    EXPECT_EQ(canvas->Pixels(e.x, e.y), e.colour) << e.x << "," << e.y;
  EXPECT_EQ(canvas->Pixels(2, 2), clWhite);  // inside untouched

  // The caller's brush is as it was.
  EXPECT_EQ(canvas->Brush()->Color(), clGray);
  EXPECT_EQ(canvas->Brush()->Style(), bsClear);
}

TEST(Canvas, DrawingRaisesChangingThenChange) {
  TOwned<TBitmap> bitmap = WhiteBitmap(4, 4);
  struct TLog {
    std::string Text;
    void Changing(TObject*) { Text += "<"; }
    void Changed(TObject*) { Text += ">"; }
  } log;
  TCanvas* canvas = bitmap->Canvas();
  canvas->OnChanging = Method<&TLog::Changing>(&log);
  canvas->OnChange = Method<&TLog::Changed>(&log);
  canvas->FillRect(Rect(0, 0, 2, 2));
  canvas->LineTo(3, 3);
  canvas->TextExtent("x");  // measuring changes nothing
  EXPECT_EQ(log.Text, "<><>");
}

// ---- The canvas handle outside painting, and fonts across SaveDC/RestoreDC ----------

class WindowCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }
  HWND window = nullptr;
};

TEST_F(WindowCanvasTest, GetsAWindowDCOnDemandAndGivesItBack) {
  TOwned<TWindowCanvas> canvas(Create<TWindowCanvas>(window));
  EXPECT_FALSE(canvas->HandleAllocated());
  HDC dc = canvas->Handle();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(WindowFromDC(dc), window);
  TEXTMETRICA tm{};
  EXPECT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_GT(canvas->TextWidth("W"), 0);

  TWindowCanvas::FreeDeviceContexts();
  EXPECT_FALSE(canvas->HandleAllocated());
  EXPECT_GT(canvas->TextHeight("W"), 0);  // takes a new one
  EXPECT_TRUE(canvas->HandleAllocated());
  canvas->ReleaseHandle();
  EXPECT_FALSE(canvas->HandleAllocated());

  TOwned<TWindowCanvas> windowless(Create<TWindowCanvas>());
  EXPECT_THROW(windowless->TextWidth("x"), EInvalidOperation);
}

TEST_F(WindowCanvasTest, ADCSetFromOutsideIsNotGivenBack) {
  TOwned<TWindowCanvas> canvas(Create<TWindowCanvas>(window));
  canvas->Handle();  // holds a DC from GetDC
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ stockFont = GetCurrentObject(memory, OBJ_FONT);
  canvas->SetHandle(memory);  // as painting does
  TWindowCanvas::FreeDeviceContexts();
  EXPECT_TRUE(canvas->HandleAllocated());
  EXPECT_EQ(canvas->Handle(), memory);
  EXPECT_EQ(GetCurrentObject(memory, OBJ_FONT), canvas->Font()->Handle());

  canvas->SetHandle(nullptr);
  EXPECT_EQ(GetCurrentObject(memory, OBJ_FONT), stockFont);  // left as found
  EXPECT_TRUE(DeleteDC(memory));
}

TEST(CanvasFonts, MeasureWithTheSelectedFont) {
  TOwned<TBitmap> bitmap = WhiteBitmap(1, 1);
  TCanvas* canvas = bitmap->Canvas();
  const std::string text = "Hello, world";
  canvas->Font()->SetName("Tahoma");
  canvas->Font()->SetHeight(-11);
  const TSize small = canvas->TextExtent(text);
  canvas->Font()->SetHeight(-22);
  const TSize big = canvas->TextExtent(text);
  EXPECT_GT(big.cx, small.cx);
  EXPECT_GT(big.cy, small.cy);
  EXPECT_EQ(canvas->TextHeight(text), big.cy);
}

void UseTestFont(TFont* font) {
  font->SetName("Tahoma");
  font->SetHeight(-20);
  font->SetColor(clBlack);
}

TEST(CanvasFonts, ReselectedAfterRestoreDCWithStyleChangedInside) {
  const std::string text = "Hello";
  // The reference: bold text drawn plainly.
  TOwned<TBitmap> reference = WhiteBitmap(120, 30);
  UseTestFont(reference->Canvas()->Font());
  reference->Canvas()->Font()->SetStyle({fsBold});
  reference->Canvas()->TextOut(2, 2, text);
  const TInk boldInk = InkOf(reference.get());

  TOwned<TBitmap> bitmap = WhiteBitmap(120, 30);
  TCanvas* canvas = bitmap->Canvas();
  UseTestFont(canvas->Font());
  HDC dc = canvas->Handle();
  HGDIOBJ plainFont = GetCurrentObject(dc, OBJ_FONT);
  const int plainWidth = canvas->TextWidth(text);

  const int saved = SaveDC(dc);
  canvas->Font()->SetStyle({fsBold});
  HDC again = canvas->Handle();  // fetched again after the style change
  EXPECT_EQ(again, dc);
  HGDIOBJ boldFont = GetCurrentObject(dc, OBJ_FONT);
  EXPECT_NE(boldFont, plainFont);
  const int boldWidth = canvas->TextWidth(text);
  EXPECT_GT(boldWidth, plainWidth);
  ASSERT_TRUE(RestoreDC(dc, saved));

  // The saved state selected the plain font again; it must still be alive.
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), plainFont);
  LOGFONTA lf{};
  ASSERT_EQ(GetObjectA(plainFont, sizeof(lf), &lf), int(sizeof(lf)));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);

  // The canvas notices and draws bold, although its font did not change since.
  EXPECT_EQ(canvas->TextWidth(text), boldWidth);
  canvas->TextOut(2, 2, text);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), boldFont);
  const TInk ink = InkOf(bitmap.get());
  EXPECT_EQ(ink.Count, boldInk.Count);
  EXPECT_EQ(ink.Box, boldInk.Box);

  canvas->Font()->SetStyle({});
  EXPECT_EQ(canvas->TextWidth(text), plainWidth);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), plainFont);
}

TEST(CanvasFonts, FontColourChangeReachesTheDC) {
  TOwned<TBitmap> bitmap = WhiteBitmap(4, 4);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetColor(clRed);
  EXPECT_EQ(GetTextColor(canvas->Handle()), clRed);
  canvas->Font()->SetColor(clNavy);  // same HFONT, new colour
  EXPECT_EQ(GetTextColor(canvas->Handle()), clNavy);
}

TEST(CanvasFonts, TextColourFollowsTheFontAfterRestoreDCKeptTheFont) {
  TOwned<TBitmap> bitmap = WhiteBitmap(60, 20);
  TCanvas* canvas = bitmap->Canvas();
  UseTestFont(canvas->Font());
  canvas->Font()->SetColor(clRed);
  canvas->TextOut(0, 0, "x");
  HDC dc = canvas->Handle();
  const int saved = SaveDC(dc);  // our font, in red
  canvas->Font()->SetColor(clBlue);
  canvas->TextOut(0, 0, "x");
  ASSERT_TRUE(RestoreDC(dc, saved));
  EXPECT_EQ(GetTextColor(dc), clRed);

  canvas->TextOut(0, 0, "WWW");
  EXPECT_EQ(GetTextColor(dc), clBlue);
  bool red = false;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 60; ++x)
      red = red || canvas->Pixels(x, y) == clRed;
  }
  EXPECT_FALSE(red);
}

}  // namespace
