// Wide text output and measurement on a canvas. These use the W drawing
// functions on every platform family.
#pragma once

#include "Graphics.h"

#include <string>

// Draws text at (x, y) with the canvas's font, brush and text flags, and
// leaves the pen after it. On a right-to-left canvas the text starts at
// x + its width + 1.
void CanvasWideTextOut(TCanvas* canvas, int x, int y, const std::wstring& text);
// (0, 0) when the device context cannot measure.
void WideTextExtentPoint(HDC dc, const std::wstring& text, TSize& size);
TSize CanvasWideTextExtent(TCanvas* canvas, const std::wstring& text);
int CanvasWideTextWidth(TCanvas* canvas, const std::wstring& text);
int CanvasWideTextHeight(TCanvas* canvas, const std::wstring& text);
