// Helpers shared by the image list, menu and action list tests.
#pragma once

#include "Graphics.h"

#include <string>
#include <vector>

// A 24-bit bitmap of the size filled with colour.
TOwned<TBitmap> SolidBitmap(int width, int height, TColor colour);

// The colours a bitmap holds, each once, in the order first met row by row.
std::vector<TColor> ColoursOf(TBitmap* bitmap);

// Grey: red, green and blue equal.
bool IsGrey(TColor colour);

// The mean of red, green and blue (RGB colours only).
int Brightness(TColor colour);
// The darkest and the lightest pixel within r, by Brightness. Text is drawn
// smoothed, so its colour shows only at these extremes.
int Darkest(TBitmap* bitmap, const TRect& r);
int Lightest(TBitmap* bitmap, const TRect& r);
bool Uniform(TBitmap* bitmap, const TRect& r);
