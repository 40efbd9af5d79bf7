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
