#include "UcExtCtrlsTestSupport.h"

#include <algorithm>
#include <map>

namespace {

// Anti-aliased edges of a glyph count as ink once they are clearly off the
// background.
bool IsInk(COLORREF colour, COLORREF background) {
  const int d = std::abs(GetRValue(colour) - GetRValue(background)) +
                std::abs(GetGValue(colour) - GetGValue(background)) +
                std::abs(GetBValue(colour) - GetBValue(background));
  return d > 120;
}

}  // namespace

// ---- TTestBitmap ----------------------------------------------------------------------------

TTestBitmap::TTestBitmap(int width, int height, TColor fill) : width_(width), height_(height) {
  const HDC screen = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  bitmap_ = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  old_ = SelectObject(dc_, bitmap_);
  const HBRUSH brush = CreateSolidBrush(ColorToRGB(fill));
  const RECT all{0, 0, width, height};
  FillRect(dc_, &all, brush);
  DeleteObject(brush);
}

TTestBitmap::~TTestBitmap() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF TTestBitmap::At(int x, int y) const {
  return GetPixel(dc_, x, y);
}

void TTestBitmap::PaintControl(TControl* control) {
  const UINT msg = dynamic_cast<TWinControl*>(control) ? WM_PRINTCLIENT : WM_PAINT;
  control->Perform(msg, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
}

void TTestBitmap::CopyClient(HWND window) {
  const HDC source = GetDC(window);
  BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
  ReleaseDC(window, source);
}

// ---- TInk -------------------------------------------------------------------------------------

TInk::TInk(const TTestBitmap& picture, const TRect& area, COLORREF background)
    : width_(area.Width()), height_(area.Height()), bits_(static_cast<size_t>(width_ * height_)) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      bits_[static_cast<size_t>(y * width_ + x)] =
          IsInk(picture.At(area.left + x, area.top + y), background);
}

int TInk::Count() const {
  return static_cast<int>(std::count(bits_.begin(), bits_.end(), true));
}

TRect TInk::Bounds() const {
  TRect r(width_, height_, 0, 0);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      if (!At(x, y))
        continue;
      r.left = std::min<LONG>(r.left, x);
      r.top = std::min<LONG>(r.top, y);
      r.right = std::max<LONG>(r.right, x + 1);
      r.bottom = std::max<LONG>(r.bottom, y + 1);
    }
  return r.left < r.right ? r : TRect();
}

TInk TInk::Cropped() const {
  const TRect r = Bounds();
  TInk result;
  result.width_ = r.Width();
  result.height_ = r.Height();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      result.bits_.push_back(At(x, y));
  return result;
}

bool TInk::Contains(const TInk& reference) const {
  const int w = reference.width_;
  const int h = reference.height_;
  if (w == 0 || w > width_ || h > height_)
    return false;
  for (int oy = 0; oy + h <= height_; ++oy)
    for (int ox = 0; ox + w <= width_; ++ox) {
      bool same = true;
      for (int y = 0; same && y < h; ++y)
        for (int x = 0; same && x < w; ++x)
          same = At(ox + x, oy + y) == reference.At(x, y);
      if (same)
        return true;
    }
  return false;
}

bool TInk::operator==(const TInk& other) const {
  return width_ == other.width_ && height_ == other.height_ && bits_ == other.bits_;
}

// ---- References -------------------------------------------------------------------------------

COLORREF CommonColour(const TTestBitmap& picture, const TRect& area) {
  std::map<COLORREF, int> counts;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      ++counts[picture.At(x, y)];
  const auto most =
      std::max_element(counts.begin(), counts.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
  return most == counts.end() ? 0 : most->first;
}

TInk ReferenceInk(const std::wstring& text, TFont* font, COLORREF background) {
  constexpr UINT kFlags = DT_SINGLELINE | DT_NOPREFIX;
  TTestBitmap measure(1, 1, clWhite);
  const HGDIOBJ oldFont = SelectObject(measure.DC(), font->Handle());
  RECT size{0, 0, 0, 0};
  DrawTextW(measure.DC(), text.c_str(), -1, &size, kFlags | DT_CALCRECT);
  SelectObject(measure.DC(), oldFont);
  TTestBitmap picture(size.right + 8, size.bottom + 8, static_cast<TColor>(background));
  const HGDIOBJ old = SelectObject(picture.DC(), font->Handle());
  SetTextColor(picture.DC(), RGB(0, 0, 0));
  SetBkMode(picture.DC(), TRANSPARENT);
  RECT r{4, 4, size.right + 4, size.bottom + 4};
  DrawTextW(picture.DC(), text.c_str(), -1, &r, kFlags);
  SelectObject(picture.DC(), old);
  return TInk(picture, TRect(0, 0, picture.Width(), picture.Height()), background).Cropped();
}

std::string CjkFontProblem(TFont* font) {
  const COLORREF white = RGB(255, 255, 255);
  const TInk cjk = ReferenceInk(L"\u65E5\u672C\u8A9E", font, white);
  const TInk privateUse = ReferenceInk(L"\uE000\uE001\uE002", font, white);
  if (cjk.Count() > 0 && cjk != privateUse)
    return std::string();
  return "CJK characters draw as boxes in \"" + font->Name() +
         "\": the test prefix lacks the font link from the dialog fonts to Droid Sans "
         "Fallback (tools/wine-run, prepare_fonts)";
}
