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
