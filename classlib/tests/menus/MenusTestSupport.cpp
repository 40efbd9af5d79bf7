#include "MenusTestSupport.h"

#include "LibraryEnvironment.h"

#include <algorithm>

namespace {
const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);
}  // namespace

TOwned<TBitmap> SolidBitmap(int width, int height, TColor colour) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(colour);
  bitmap->Canvas()->FillRect(TRect(0, 0, width, height));
  return bitmap;
}

std::vector<TColor> ColoursOf(TBitmap* bitmap) {
  std::vector<TColor> colours;
  for (int y = 0; y < bitmap->Height(); ++y) {
    for (int x = 0; x < bitmap->Width(); ++x) {
      const TColor c = bitmap->Canvas()->Pixels(x, y);
      if (std::find(colours.begin(), colours.end(), c) == colours.end())
        colours.push_back(c);
    }
  }
  return colours;
}

bool IsGrey(TColor colour) {
  const TColor r = colour & 0xFF;
  return ((colour >> 8) & 0xFF) == r && ((colour >> 16) & 0xFF) == r;
}

int Brightness(TColor colour) {
  return static_cast<int>((colour & 0xFF) + ((colour >> 8) & 0xFF) + ((colour >> 16) & 0xFF)) / 3;
}

namespace {

template <typename Better>
int Extreme(TBitmap* bitmap, const TRect& r, int start, Better better) {
  int result = start;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const int b = Brightness(bitmap->Canvas()->Pixels(x, y));
      if (better(b, result))
        result = b;
    }
  }
  return result;
}

}  // namespace

int Darkest(TBitmap* bitmap, const TRect& r) {
  return Extreme(bitmap, r, 256, [](int b, int best) { return b < best; });
}

int Lightest(TBitmap* bitmap, const TRect& r) {
  return Extreme(bitmap, r, -1, [](int b, int best) { return b > best; });
}

bool Uniform(TBitmap* bitmap, const TRect& r) {
  const TColor first = bitmap->Canvas()->Pixels(r.left, r.top);
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (bitmap->Canvas()->Pixels(x, y) != first)
        return false;
    }
  }
  return true;
}
