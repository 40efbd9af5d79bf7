// Pictures for pixel checks of wide controls: a bitmap a control paints into
// (or a window is copied into), the ink of text in it, and reference
// drawings of wide text to look for there.
#pragma once

#include "Controls.h"
#include "Graphics.h"

#include <string>
#include <vector>

class TTestBitmap {
 public:
  TTestBitmap(int width, int height, TColor fill);
  ~TTestBitmap();
  TTestBitmap(const TTestBitmap&) = delete;
  TTestBitmap& operator=(const TTestBitmap&) = delete;

  HDC DC() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF At(int x, int y) const;
  // The control's client painting at the origin: WM_PRINTCLIENT for a
  // windowed control, WM_PAINT with the DC for a windowless one.
  void PaintControl(TControl* control);
  // The window's client area as the screen shows it.
  void CopyClient(HWND window);

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// Which pixels of an area differ clearly from its background.
class TInk {
 public:
  TInk() = default;
  TInk(const TTestBitmap& picture, const TRect& area, COLORREF background);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool At(int x, int y) const { return bits_[static_cast<size_t>(y * width_ + x)]; }
  int Count() const;
  // The smallest rectangle holding every ink pixel; empty without ink.
  TRect Bounds() const;
  // This ink cut to its bounds.
  TInk Cropped() const;
  // Whether reference (cropped) lies somewhere in this ink: at one place
  // every pixel of its rectangle is ink exactly where the reference's is.
  bool Contains(const TInk& reference) const;
  bool operator==(const TInk& other) const;
  bool operator!=(const TInk& other) const { return !(*this == other); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<bool> bits_;
};

// The colour most of the area has.
COLORREF CommonColour(const TTestBitmap& picture, const TRect& area);

// text drawn with DrawTextW in font (its colour black) on background, one
// line, "&" marking nothing; the ink cut to its bounds.
TInk ReferenceInk(const std::wstring& text, TFont* font, COLORREF background);

// The text of the failure when CJK characters draw like private-use ones
// (boxes) in font; empty when they differ.
std::string CjkFontProblem(TFont* font);
