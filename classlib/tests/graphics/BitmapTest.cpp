#include "Graphics.h"

#include <gtest/gtest.h>

namespace {

// MONO8X4 (1 bit, colour table white then black, as glyph images come):
//   row 0: 4 black, 4 white   row 1: 4 white, 4 black
//   row 2: black, white, ...  row 3: all white
// RGB3X2 (24 bit): red, lime, blue / white, black, RGB(128, 64, 32).
const TColor kMono[4][8] = {
    {clBlack, clBlack, clBlack, clBlack, clWhite, clWhite, clWhite, clWhite},
    {clWhite, clWhite, clWhite, clWhite, clBlack, clBlack, clBlack, clBlack},
    {clBlack, clWhite, clBlack, clWhite, clBlack, clWhite, clBlack, clWhite},
    {clWhite, clWhite, clWhite, clWhite, clWhite, clWhite, clWhite, clWhite},
};
const TColor kBrown = RGB(128, 64, 32);
const TColor kRgb[2][3] = {{clRed, clLime, clBlue}, {clWhite, clBlack, kBrown}};

TOwned<TBitmap> Load(const char* name) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->LoadFromResourceName(GetModuleHandleA(nullptr), name);
  return bitmap;
}

template <int H, int W>
void ExpectPixels(TBitmap* bitmap, const TColor (&expected)[H][W]) {
  ASSERT_EQ(bitmap->Width(), W);
  ASSERT_EQ(bitmap->Height(), H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x)
      EXPECT_EQ(bitmap->Canvas()->Pixels(x, y), expected[y][x]) << "at " << x << "," << y;
  }
}

TEST(Bitmap, LoadsOneBitResource) {
  TOwned<TBitmap> bitmap = Load("MONO8X4");
  EXPECT_EQ(bitmap->PixelFormat(), pf1bit);
  EXPECT_TRUE(bitmap->Monochrome());
  EXPECT_NE(bitmap->Handle(), nullptr);
  ExpectPixels(bitmap.get(), kMono);
  // Raw bits follow the resource's own colour table: set bits are black.
  EXPECT_EQ(bitmap->ScanLine(0)[0], 0xF0);
  EXPECT_EQ(bitmap->ScanLine(2)[0], 0xAA);
}

TEST(Bitmap, LoadsTwentyFourBitResource) {
  TOwned<TBitmap> bitmap = Load("RGB3X2");
  EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
  EXPECT_FALSE(bitmap->Monochrome());
  ExpectPixels(bitmap.get(), kRgb);
  const uint8_t* row = bitmap->ScanLine(1);
  EXPECT_EQ(row[6], 32);  // blue first
  EXPECT_EQ(row[7], 64);
  EXPECT_EQ(row[8], 128);
  EXPECT_THROW(bitmap->ScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(bitmap->ScanLine(-1), EInvalidGraphicOperation);

  TOwned<TBitmap> missing(Create<TBitmap>());
  EXPECT_THROW(missing->LoadFromResourceName(GetModuleHandleA(nullptr), "NOSUCHBITMAP"),
               EInvalidGraphic);
  EXPECT_TRUE(missing->Empty());
}

TEST(Bitmap, PixelFormatChangeKeepsContent) {
  TOwned<TBitmap> mono = Load("MONO8X4");
  mono->SetPixelFormat(pf24bit);
  EXPECT_FALSE(mono->Monochrome());
  ExpectPixels(mono.get(), kMono);

  // To one bit each colour goes to the nearer of black and white.
  TOwned<TBitmap> colour = Load("RGB3X2");
  colour->SetMonochrome(true);
  EXPECT_EQ(colour->PixelFormat(), pf1bit);
  const TColor asMono[2][3] = {{clBlack, clWhite, clBlack}, {clWhite, clBlack, clBlack}};
  ExpectPixels(colour.get(), asMono);
  colour->SetPixelFormat(pf24bit);
  ExpectPixels(colour.get(), asMono);
}

TEST(Bitmap, SetSizeKeepsWhatFitsAndAddsWhite) {
  TOwned<TBitmap> bitmap = Load("RGB3X2");
  bitmap->SetSize(4, 1);
  const TColor expected[1][4] = {{clRed, clLime, clBlue, clWhite}};
  ExpectPixels(bitmap.get(), expected);
  bitmap->SetSize(0, 5);
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(bitmap->Handle(), nullptr);
}

TEST(Bitmap, AssignCopiesPixelsAndFormat) {
  TOwned<TBitmap> source = Load("MONO8X4");
  TOwned<TBitmap> copy(Create<TBitmap>());
  copy->Assign(source.get());
  EXPECT_EQ(copy->PixelFormat(), pf1bit);
  EXPECT_NE(copy->Handle(), source->Handle());
  ExpectPixels(copy.get(), kMono);

  copy->Canvas()->Brush()->SetColor(clWhite);
  copy->Canvas()->FillRect(Rect(0, 0, 8, 4));
  ExpectPixels(source.get(), kMono);  // the original keeps its own picture
}

TEST(Bitmap, DrawsOntoAnotherCanvas) {
  TOwned<TBitmap> source = Load("RGB3X2");
  TOwned<TBitmap> target(Create<TBitmap>());
  target->SetSize(10, 10);
  target->Canvas()->Draw(5, 4, source.get());
  TCanvas* canvas = target->Canvas();
  EXPECT_EQ(canvas->Pixels(5, 4), clRed);
  EXPECT_EQ(canvas->Pixels(7, 4), clBlue);
  EXPECT_EQ(canvas->Pixels(7, 5), kBrown);
  EXPECT_EQ(canvas->Pixels(4, 4), clWhite);
  EXPECT_EQ(canvas->Pixels(8, 4), clWhite);
}

// What the glyph test does: black text on white in a one-bit bitmap.
TEST(Bitmap, OneBitCanvasDrawsBlackOnWhite) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetMonochrome(true);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->SetColor(clBlack);
  const TSize extent = canvas->TextExtent("W");  // measured before there is a picture
  ASSERT_GT(extent.cx, 0);
  bitmap->SetSize(extent.cx, extent.cy);
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(Rect(0, 0, extent.cx, extent.cy));
  canvas->TextOut(0, 0, "W");
  int black = 0;
  for (int y = 0; y < extent.cy; ++y) {
    for (int x = 0; x < extent.cx; ++x) {
      const TColor c = canvas->Pixels(x, y);
      EXPECT_TRUE(c == clBlack || c == clWhite);
      black += c == clBlack;
    }
  }
  EXPECT_GT(black, 0);
}

struct TChangeLog {
  int Count = 0;
  void Changed(TObject*) { ++Count; }
};

TEST(Picture, HoldsABitmapAndReportsItsChanges) {
  TOwned<TPicture> picture(Create<TPicture>());
  TChangeLog log;
  picture->OnChange = Method<&TChangeLog::Changed>(&log);
  TOwned<TBitmap> source = Load("RGB3X2");
  picture->Assign(source.get());
  EXPECT_EQ(log.Count, 1);
  EXPECT_EQ(picture->Width(), 3);
  EXPECT_EQ(picture->Graphic(), picture->Bitmap());
  ExpectPixels(picture->Bitmap(), kRgb);

  picture->Bitmap()->Canvas()->FillRect(Rect(0, 0, 1, 1));  // drawing is a change too
  EXPECT_EQ(log.Count, 2);

  TOwned<TPicture> copy(Create<TPicture>());
  copy->Assign(picture.get());
  EXPECT_EQ(copy->Height(), 2);
  TOwned<TFont> font(Create<TFont>());
  EXPECT_THROW(copy->Assign(font.get()), EConvertError);
}

}  // namespace
