// Measures and draws an owner-drawn menu item by sending the owner window the
// messages the system sends.
#pragma once

#include "Graphics.h"
#include "Menus.h"

inline TSize MeasureMenuItem(HWND owner, TMenuItem* item) {
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_MENU;
  measure.itemID = item->Command();
  SendMessageW(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  return TSize(static_cast<int>(measure.itemWidth), static_cast<int>(measure.itemHeight));
}

// Draws item over the whole bitmap; the owner's answer (1 when it drew).
inline LRESULT DrawMenuItem(HWND owner, TMenuItem* item, UINT itemState, TBitmap* bitmap) {
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = item->Command();
  draw.itemState = itemState;
  draw.hDC = bitmap->Canvas()->Handle();
  draw.rcItem = TRect(0, 0, bitmap->Width(), bitmap->Height());
  return SendMessageW(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
}
