#include "UcGraphics.h"

void CanvasWideTextOut(TCanvas* canvas, int x, int y, const std::wstring& text) {
  canvas->Changing();
  const HDC dc = canvas->Handle();
  if (canvas->CanvasOrientation() == coRightToLeft)
    x += CanvasWideTextWidth(canvas, text) + 1;
  ExtTextOutW(dc, x, y, static_cast<UINT>(canvas->TextFlags()), nullptr, text.data(),
              static_cast<UINT>(text.size()), nullptr);
  canvas->MoveTo(x + CanvasWideTextWidth(canvas, text), y);
  canvas->Changed();
}

void WideTextExtentPoint(HDC dc, const std::wstring& text, TSize& size) {
  size = TSize(0, 0);
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
}

TSize CanvasWideTextExtent(TCanvas* canvas, const std::wstring& text) {
  TSize size;
  WideTextExtentPoint(canvas->Handle(), text, size);
  return size;
}

int CanvasWideTextWidth(TCanvas* canvas, const std::wstring& text) {
  return CanvasWideTextExtent(canvas, text).cx;
}

int CanvasWideTextHeight(TCanvas* canvas, const std::wstring& text) {
  return CanvasWideTextExtent(canvas, text).cy;
}
