#include "UcGraphics.h"
#include "UcWindows.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::wstring kText = L"\u0416\u0443\u0440 \u03B1\u03B2 \u65E5\xD83D\xDE00";
// Fallback fonts may draw the CJK letter and the pair past the measured
// extent, so the ink is checked on letters of the canvas's own font.
const std::wstring kLetters = L"\u0416\u0443\u0440 \u03B1\u03B2";

TOwned<TBitmap> WhiteBitmap(int width, int height) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetSize(width, height);
  return bitmap;
}

// The box of the pixels that are not white; empty when there are none.
TRect InkBox(TBitmap* bitmap) {
  TRect box(bitmap->Width(), bitmap->Height(), 0, 0);
  for (int y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < bitmap->Width(); ++x) {
      if (row[3 * x] == 0xFF && row[3 * x + 1] == 0xFF && row[3 * x + 2] == 0xFF)
        continue;
      box = TRect(std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                  std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1));
    }
  }
  return box;
}

std::vector<uint8_t> Pixels(TBitmap* bitmap) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* row = bitmap->ScanLine(y);
    pixels.insert(pixels.end(), row, row + 3 * bitmap->Width());
  }
  return pixels;
}

struct TChangeCounter {
  int Changing = 0;
  int Changed = 0;
  void OnChanging(TObject*) { ++Changing; }
  void OnChanged(TObject*) { ++Changed; }
};

TEST(CanvasWideTextTest, InkPenAndNotifications) {
  TOwned<TBitmap> bitmap = WhiteBitmap(300, 40);
  TCanvas* canvas = bitmap->Canvas();
  TChangeCounter counter;
  canvas->OnChanging = Method<&TChangeCounter::OnChanging>(&counter);
  canvas->OnChange = Method<&TChangeCounter::OnChanged>(&counter);
  const TSize extent = CanvasWideTextExtent(canvas, kText);
  ASSERT_GT(extent.cx, 0);
  EXPECT_EQ(CanvasWideTextWidth(canvas, kText), extent.cx);
  EXPECT_EQ(CanvasWideTextHeight(canvas, kText), extent.cy);
  EXPECT_EQ(CanvasWideTextWidth(canvas, L""), 0);

  CanvasWideTextOut(canvas, 10, 5, kLetters);
  EXPECT_EQ(counter.Changing, 1);
  EXPECT_EQ(counter.Changed, 1);
  const int width = CanvasWideTextWidth(canvas, kLetters);
  EXPECT_EQ(canvas->PenPos(), TPoint(10 + width, 5));
  const TRect ink = InkBox(bitmap.get());
  ASSERT_LT(ink.left, ink.right);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + width + 2);  // a glyph may overhang its cell
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 5 + extent.cy);
}

TEST(CanvasWideTextTest, RightToLeftStartsAfterTheText) {
  TOwned<TBitmap> bitmap = WhiteBitmap(300, 40);
  TCanvas* canvas = bitmap->Canvas();
  const int width = CanvasWideTextWidth(canvas, kText);
  SetLayout(canvas->Handle(), LAYOUT_RTL);
  ASSERT_EQ(canvas->CanvasOrientation(), coRightToLeft);
  CanvasWideTextOut(canvas, 10, 5, kText);
  EXPECT_EQ(canvas->PenPos(), TPoint(10 + width + 1 + width, 5));
}

TEST(PlatformDrawTextTest, AnsiPathDrawsWhatDrawTextADraws) {
  TForcedPlatformFlags ansi(false, true);
  const std::pair<std::wstring, int> cases[] = {{kText, -1}, {kText, 3}, {kText, 999}};
  for (const auto& c : cases) {
    TOwned<TBitmap> wrapped = WhiteBitmap(300, 30);
    TOwned<TBitmap> direct = WhiteBitmap(300, 30);
    TRect r1(2, 2, 298, 28);
    TRect r2 = r1;
    const int n = c.second < 0 ? static_cast<int>(c.first.size()) : c.second;
    const std::string ansiText = WideToAnsi(c.first.substr(0, static_cast<size_t>(n)));
    const int h1 = PlatformDrawText(wrapped->Canvas()->Handle(), c.first, c.second, &r1, DT_LEFT);
    const int h2 = DrawTextA(direct->Canvas()->Handle(), ansiText.c_str(), -1, &r2, DT_LEFT);
    EXPECT_EQ(h1, h2);
    EXPECT_EQ(Pixels(wrapped.get()), Pixels(direct.get())) << c.second;
    EXPECT_LT(InkBox(wrapped.get()).left, 300);
  }
}

}  // namespace
