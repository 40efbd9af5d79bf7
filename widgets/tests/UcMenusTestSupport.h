// What the menu tests read from native menus and compare in drawings.
#pragma once

#include "Graphics.h"

#include <string>

// The native text of the entry with command in menu.
inline std::wstring MenuText(HMENU menu, UINT command) {
  wchar_t buffer[256] = {};
  GetMenuStringW(menu, command, buffer, 256, MF_BYCOMMAND);
  return buffer;
}

inline TOwned<TBitmap> SolidBitmap(int width, int height, TColor colour) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(colour);
  bitmap->Canvas()->FillRect(TRect(0, 0, width, height));
  return bitmap;
}

// Whole bitmaps by default.
inline bool SamePixels(TBitmap* a, TBitmap* b, TRect r = TRect(0, 0, 0, 0)) {
  if (r.Width() == 0)
    r = TRect(0, 0, a->Width(), a->Height());
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (a->Canvas()->Pixels(x, y) != b->Canvas()->Pixels(x, y))
        return false;
    }
  }
  return true;
}
