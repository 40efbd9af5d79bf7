#include "Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// ---- Colours -------------------------------------------------------------------

TColor ColorToRGB(TColor color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}

namespace {

struct TColorName {
  TColor Color;
  const char* Name;
};

constexpr TColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clWindow, "clWindow"},
    {clWindowText, "clWindowText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnHighlight, "clBtnHighlight"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clGrayText, "clGrayText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
};

int ppiOverride = 0;
int ppiMeasured = 0;

}  // namespace

bool IdentToColor(const std::string& ident, TColor& color) {
  for (const TColorName& entry : kColorNames) {
    if (SameText(ident, entry.Name)) {
      color = entry.Color;
      return true;
    }
  }
  return false;
}

bool ColorToIdent(TColor color, std::string& ident) {
  for (const TColorName& entry : kColorNames) {
    if (entry.Color == color) {
      ident = entry.Name;
      return true;
    }
  }
  return false;
}

const TIntegerIdents& ColorIdents() {
  static const TIntegerIdents idents([] {
    std::vector<std::pair<std::string, int64_t>> entries;
    for (const TColorName& entry : kColorNames)
      entries.emplace_back(entry.Name, entry.Color);
    return entries;
  }());
  return idents;
}

int ScreenPixelsPerInch() {
  if (ppiOverride > 0)
    return ppiOverride;
  if (ppiMeasured == 0) {
    HDC dc = GetDC(nullptr);
    ppiMeasured = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
      ReleaseDC(nullptr, dc);
  }
  return ppiMeasured;
}

void SetScreenPixelsPerInch(int ppi) {
  ppiOverride = ppi;
  ppiMeasured = 0;
}

// ---- Fonts, brushes and pens ----------------------------------------------------

VEL_ENUM_TYPE_IMPL(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
VEL_ENUM_TYPE_IMPL(TFontPitch, "fpDefault", "fpVariable", "fpFixed")
VEL_ENUM_TYPE_IMPL(TBrushStyle, "bsSolid", "bsClear")
VEL_ENUM_TYPE_IMPL(TPenStyle, "psSolid", "psClear")

VEL_CLASS_IMPL(TGraphicsObject, TPersistent)

void TGraphicsObject::Changed() {
  if (OnChange)
    OnChange(this);
}

namespace {

// The system's GUI font, which controls use unless told otherwise.
TFontData GuiFontData() {
  TFontData data;
  LOGFONTA lf{};
  if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf) == sizeof(lf)) {
    data.Name = lf.lfFaceName;
    data.Height = lf.lfHeight;
  } else {
    data.Name = "Tahoma";
    data.Height = -11;
  }
  return data;
}

BYTE PitchFlag(TFontPitch pitch) {
  switch (pitch) {
    case fpFixed:
      return FIXED_PITCH;
    case fpVariable:
      return VARIABLE_PITCH;
    default:
      return DEFAULT_PITCH;
  }
}

HFONT MakeFont(const TFontData& data) {
  LOGFONTA lf{};
  lf.lfHeight = data.Height;
  lf.lfWeight = data.Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = data.Style.Contains(fsItalic);
  lf.lfUnderline = data.Style.Contains(fsUnderline);
  lf.lfStrikeOut = data.Style.Contains(fsStrikeOut);
  lf.lfCharSet = data.Charset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = PitchFlag(data.Pitch);
  lstrcpynA(lf.lfFaceName, data.Name.c_str(), LF_FACESIZE);
  return CreateFontIndirectA(&lf);
}

}  // namespace

VEL_CLASS_IMPL(TFont, TGraphicsObject)

void TFont::Publish(TPublisher<TFont>& p) {
  p.Property("Charset", &TFont::Charset, &TFont::SetCharset);
  p.Property("Color", &TFont::Color, &TFont::SetColor, ColorIdents());
  p.Property("Height", &TFont::Height, &TFont::SetHeight);
  p.Property("Name", &TFont::Name, &TFont::SetName);
  p.Property("Pitch", &TFont::Pitch, &TFont::SetPitch);
  p.Property("Size", &TFont::Size, &TFont::SetSize);
  p.Property("Style", &TFont::Style, &TFont::SetStyle);
}

TFont::TFont() : data_(GuiFontData()) {}

void TFont::SetName(const std::string& name) {
  Update(data_.Name, name);
}

void TFont::SetHeight(int height) {
  Update(data_.Height, height);
}

int TFont::Size() const {
  return -MulDiv(data_.Height, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int points) {
  SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72));
}

void TFont::SetPitch(TFontPitch pitch) {
  Update(data_.Pitch, pitch);
}

void TFont::SetCharset(TFontCharset charset) {
  Update(data_.Charset, charset);
}

void TFont::SetColor(TColor color) {
  Update(color_, color);
}

void TFont::SetStyle(TFontStyles style) {
  Update(data_.Style, style);
}

HFONT TFont::Handle() {
  return static_cast<HFONT>(handles_.Get(data_, [this] { return MakeFont(data_); }));
}

void TFont::Assign(TPersistent* source) {
  auto* font = dynamic_cast<TFont*>(source);
  if (!font) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (data_ == font->data_ && color_ == font->color_)
    return;
  data_ = font->data_;
  color_ = font->color_;
  Changed();
}

VEL_CLASS_IMPL(TBrush, TGraphicsObject)

void TBrush::Publish(TPublisher<TBrush>& p) {
  p.Property("Color", &TBrush::Color, &TBrush::SetColor, ColorIdents());
  p.Property("Style", &TBrush::Style, &TBrush::SetStyle);
}

void TBrush::SetColor(TColor color) {
  Update(color_, color);
}

void TBrush::SetStyle(TBrushStyle style) {
  Update(style_, style);
}

HBRUSH TBrush::Handle() {
  if (style_ == bsClear)
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  return static_cast<HBRUSH>(
      handles_.Get(color_, [this] { return CreateSolidBrush(ColorToRGB(color_)); }));
}

void TBrush::Assign(TPersistent* source) {
  auto* brush = dynamic_cast<TBrush*>(source);
  if (!brush) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (color_ == brush->color_ && style_ == brush->style_)
    return;
  color_ = brush->color_;
  style_ = brush->style_;
  Changed();
}

VEL_CLASS_IMPL(TPen, TGraphicsObject)

void TPen::Publish(TPublisher<TPen>& p) {
  p.Property("Color", &TPen::Color, &TPen::SetColor, ColorIdents());
  p.Property("Style", &TPen::Style, &TPen::SetStyle);
  p.Property("Width", &TPen::Width, &TPen::SetWidth);
}

void TPen::SetColor(TColor color) {
  Update(color_, color);
}

void TPen::SetStyle(TPenStyle style) {
  Update(style_, style);
}

void TPen::SetWidth(int width) {
  Update(width_, width);
}

HPEN TPen::Handle() {
  const TKey key{color_, style_, width_};
  return static_cast<HPEN>(handles_.Get(key, [this] {
    return CreatePen(style_ == psClear ? PS_NULL : PS_SOLID, width_, ColorToRGB(color_));
  }));
}

void TPen::Assign(TPersistent* source) {
  auto* pen = dynamic_cast<TPen*>(source);
  if (!pen) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (color_ == pen->color_ && style_ == pen->style_ && width_ == pen->width_)
    return;
  color_ = pen->color_;
  style_ = pen->style_;
  width_ = pen->width_;
  Changed();
}

// ---- Canvas ---------------------------------------------------------------------

VEL_CLASS_IMPL(TCanvas, TPersistent)

TCanvas::TCanvas() : font_(Create<TFont>()), brush_(Create<TBrush>()), pen_(Create<TPen>()) {}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
}

HDC TCanvas::Handle() {
  RequireFont();
  RequireBrush();
  RequirePen();
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_)
    return;
  if (dc_) {
    DeselectHandles();
    HDC old = dc_;
    const bool owned = ownsHandle_;
    dc_ = nullptr;
    ownsHandle_ = false;
    if (owned)
      FreeHandle(old);
  }
  if (dc) {
    oldFont_ = GetCurrentObject(dc, OBJ_FONT);
    oldBrush_ = GetCurrentObject(dc, OBJ_BRUSH);
    oldPen_ = GetCurrentObject(dc, OBJ_PEN);
    dc_ = dc;
  }
}

// Leaves the DC selecting what it selected before, so that neither the DC's
// next user nor our objects' end finds a dangling selection.
void TCanvas::DeselectHandles() {
  SelectObject(dc_, oldFont_);
  SelectObject(dc_, oldBrush_);
  SelectObject(dc_, oldPen_);
}

void TCanvas::RequireHandle() {
  if (dc_)
    return;
  HDC dc = CreateHandle();
  if (!dc)
    throw EInvalidOperation("Canvas does not allow drawing");
  SetHandle(dc);
  ownsHandle_ = true;
}

// The DC may have been restored (RestoreDC) to another font since we last
// looked, so the check is against the DC itself, not a remembered flag.
void TCanvas::RequireFont() {
  RequireHandle();
  HFONT font = font_->Handle();
  if (GetCurrentObject(dc_, OBJ_FONT) != font)
    SelectObject(dc_, font);
  // The text colour is restored with the rest of a DC's state, and a
  // restored state may keep our font with another colour.
  const COLORREF color = ColorToRGB(font_->Color());
  if (GetTextColor(dc_) != color)
    SetTextColor(dc_, color);
}

void TCanvas::RequireBrush() {
  RequireHandle();
  HBRUSH brush = brush_->Handle();
  if (GetCurrentObject(dc_, OBJ_BRUSH) != brush) {
    SelectObject(dc_, brush);
    SetBkColor(dc_, ColorToRGB(brush_->Color()));
    SetBkMode(dc_, brush_->Style() == bsClear ? TRANSPARENT : OPAQUE);
  }
}

void TCanvas::RequirePen() {
  RequireHandle();
  HPEN pen = pen_->Handle();
  if (GetCurrentObject(dc_, OBJ_PEN) != pen)
    SelectObject(dc_, pen);
}

void TCanvas::Changing() {
  if (OnChanging)
    OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange)
    OnChange(this);
}

TPoint TCanvas::PenPos() {
  RequireHandle();
  TPoint p;
  GetCurrentPositionEx(dc_, &p);
  return p;
}

TCanvasOrientation TCanvas::CanvasOrientation() {
  RequireHandle();
  return (GetLayout(dc_) & LAYOUT_RTL) ? coRightToLeft : coLeftToRight;
}

TRect TCanvas::ClipRect() {
  RequireHandle();
  TRect r;
  GetClipBox(dc_, &r);
  return r;
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  RequireBrush();
  ::FillRect(dc_, &r, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  RequireBrush();
  ::FrameRect(dc_, &r, brush_->Handle());
  Changed();
}

void TCanvas::Rectangle(const TRect& r) {
  Changing();
  RequirePen();
  RequireBrush();
  ::Rectangle(dc_, r.left, r.top, r.right, r.bottom);
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequireHandle();
  MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequirePen();
  ::LineTo(dc_, x, y);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Changing();
  RequireFont();
  RequireBrush();
  ExtTextOutA(dc_, x, y, textFlags_, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  Changing();
  RequireFont();
  RequireBrush();
  UINT options = ETO_CLIPPED | textFlags_;
  if (brush_->Style() != bsClear)
    options |= ETO_OPAQUE;
  ExtTextOutA(dc_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequireFont();
  TSize size;
  GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  RequireBrush();
  ::DrawFocusRect(dc_, &r);
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty())
    return;
  Changing();
  RequireHandle();
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
  Changed();
}

TColor TCanvas::Pixels(int x, int y) {
  RequireHandle();
  return GetPixel(dc_, x, y);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  RequireHandle();
  SetPixel(dc_, x, y, ColorToRGB(color));
  Changed();
}

// ---- Window canvas -------------------------------------------------------------

VEL_CLASS_IMPL(TWindowCanvas, TCanvas)

namespace {

// Window canvases that hold a DC from GetDC; main thread only.
std::vector<TWindowCanvas*>& WindowCanvases() {
  static std::vector<TWindowCanvas*> list;
  return list;
}

}  // namespace

TWindowCanvas::~TWindowCanvas() {
  ReleaseHandle();
}

void TWindowCanvas::SetWindow(HWND window) {
  if (window == window_)
    return;
  ReleaseHandle();
  window_ = window;
}

void TWindowCanvas::FreeDeviceContexts() {
  const std::vector<TWindowCanvas*> holders = WindowCanvases();
  for (TWindowCanvas* canvas : holders)
    canvas->ReleaseHandle();
}

HDC TWindowCanvas::CreateHandle() {
  if (!window_)
    return nullptr;
  HDC dc = GetDC(window_);
  if (!dc)
    throw EOutOfResources("Out of system resources");
  WindowCanvases().push_back(this);
  return dc;
}

void TWindowCanvas::FreeHandle(HDC dc) {
  ReleaseDC(window_, dc);
  auto& list = WindowCanvases();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// ---- Graphics and bitmaps -----------------------------------------------------------

VEL_CLASS_IMPL(TGraphic, TPersistent)

void TGraphic::Changed() {
  if (OnChange)
    OnChange(this);
}

// A DIB section and what it takes to read and write its pixels.
struct TDibSection {
  HBITMAP Handle = nullptr;
  uint8_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  bool TopDown = false;
  std::vector<RGBQUAD> Palette;

  TDibSection() = default;
  TDibSection(const TDibSection&) = delete;
  TDibSection& operator=(const TDibSection&) = delete;
  ~TDibSection() {
    if (Handle)
      DeleteObject(Handle);
  }

  int Stride() const { return ((Width * BitCount + 31) / 32) * 4; }
  uint8_t* Row(int y) const { return Bits + Stride() * (TopDown ? y : Height - 1 - y); }
  RGBQUAD Pixel(int x, int y) const;
  void SetPixel(int x, int y, RGBQUAD c);
};

namespace {

constexpr RGBQUAD kBlack{0, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

int BitCountOf(TPixelFormat format) {
  return format == pf1bit ? 1 : 24;
}

// Index and shift of pixel x in a row of a palette DIB.
struct TPackedPixel {
  int Byte;
  int Shift;
  uint8_t Mask;
};

TPackedPixel PackedPixel(int x, int bitCount) {
  const int bit = x * bitCount;
  return {bit / 8, 8 - bitCount - bit % 8, static_cast<uint8_t>((1 << bitCount) - 1)};
}

// Weighted as the eye sees brightness, so that lime turns white and red black.
int Distance(const RGBQUAD& a, const RGBQUAD& b) {
  const int r = a.rgbRed - b.rgbRed;
  const int g = a.rgbGreen - b.rgbGreen;
  const int bl = a.rgbBlue - b.rgbBlue;
  return 30 * r * r + 59 * g * g + 11 * bl * bl;
}

int NearestIndex(const std::vector<RGBQUAD>& palette, const RGBQUAD& c) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(palette.size()); ++i) {
    if (Distance(palette[i], c) < Distance(palette[best], c))
      best = i;
  }
  return best;
}

// A new top-down DIB section with every bit set: white, as long as a palette
// has white last.
std::unique_ptr<TDibSection> CreateDib(int width, int height, int bitCount,
                                       const std::vector<RGBQUAD>& palette) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + palette.size() * sizeof(RGBQUAD));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = -height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bitCount);
  header->biCompression = BI_RGB;
  header->biClrUsed = static_cast<DWORD>(palette.size());
  if (!palette.empty())
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), palette.data(), palette.size() * 4);

  auto dib = std::make_unique<TDibSection>();
  void* bits = nullptr;
  dib->Handle = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
                                 DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib->Handle)
    throw EOutOfResources("Out of system resources");
  dib->Bits = static_cast<uint8_t*>(bits);
  dib->Width = width;
  dib->Height = height;
  dib->BitCount = bitCount;
  dib->TopDown = true;
  dib->Palette = palette;
  std::memset(dib->Bits, 0xFF, static_cast<size_t>(dib->Stride()) * height);
  return dib;
}

std::unique_ptr<TDibSection> CreateDib(int width, int height, TPixelFormat format) {
  return CreateDib(
      width, height, BitCountOf(format),
      format == pf1bit ? std::vector<RGBQUAD>{kBlack, kWhite} : std::vector<RGBQUAD>{});
}

std::vector<RGBQUAD> ColorTableOf(HBITMAP bitmap) {
  std::vector<RGBQUAD> table(256);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  table.resize(GetDIBColorTable(dc, 0, 256, table.data()));
  SelectObject(dc, old);
  DeleteDC(dc);
  return table;
}

// Takes ownership of a DIB section made by someone else (LoadImageA).
std::unique_ptr<TDibSection> AdoptDib(HBITMAP bitmap) {
  auto dib = std::make_unique<TDibSection>();
  dib->Handle = bitmap;
  DIBSECTION ds{};
  if (GetObjectA(bitmap, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits)
    throw EInvalidGraphic("Bitmap image is not valid");
  const int bitCount = ds.dsBm.bmBitsPixel;
  const bool supported =
      ds.dsBmih.biCompression == BI_RGB &&
      (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32);
  if (!supported)
    throw EInvalidGraphic("Unsupported bitmap format");
  dib->Bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
  dib->Width = ds.dsBm.bmWidth;
  dib->Height = std::abs(ds.dsBmih.biHeight);
  dib->BitCount = bitCount;
  dib->TopDown = ds.dsBmih.biHeight < 0;
  if (bitCount <= 8)
    dib->Palette = ColorTableOf(bitmap);
  return dib;
}

// Copies the part both share, converting the pixel format on the way.
void CopyPixels(const TDibSection& from, TDibSection& to) {
  GdiFlush();
  const int width = std::min(from.Width, to.Width);
  const int height = std::min(from.Height, to.Height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      to.SetPixel(x, y, from.Pixel(x, y));
  }
}

}  // namespace

RGBQUAD TDibSection::Pixel(int x, int y) const {
  const uint8_t* row = Row(y);
  if (BitCount <= 8) {
    const TPackedPixel p = PackedPixel(x, BitCount);
    const size_t index = (row[p.Byte] >> p.Shift) & p.Mask;
    return index < Palette.size() ? Palette[index] : kBlack;
  }
  const uint8_t* px = row + x * (BitCount / 8);
  return RGBQUAD{px[0], px[1], px[2], 0};
}

void TDibSection::SetPixel(int x, int y, RGBQUAD c) {
  uint8_t* row = Row(y);
  if (BitCount <= 8) {
    const TPackedPixel p = PackedPixel(x, BitCount);
    const int index = NearestIndex(Palette, c);
    row[p.Byte] = static_cast<uint8_t>((row[p.Byte] & ~(p.Mask << p.Shift)) | (index << p.Shift));
    return;
  }
  uint8_t* px = row + x * (BitCount / 8);
  px[0] = c.rgbBlue;
  px[1] = c.rgbGreen;
  px[2] = c.rgbRed;
}

VEL_CLASS_IMPL(TBitmapCanvas, TCanvas)

TBitmapCanvas::~TBitmapCanvas() {
  ReleaseHandle();
}

// An empty bitmap still gets a DC, so text can be measured on its canvas.
HDC TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc)
    throw EOutOfResources("Out of system resources");
  if (bitmap_->Handle())
    oldBitmap_ = SelectObject(dc, bitmap_->Handle());
  return dc;
}

void TBitmapCanvas::FreeHandle(HDC dc) {
  if (oldBitmap_)
    SelectObject(dc, oldBitmap_);
  oldBitmap_ = nullptr;
  DeleteDC(dc);
}

VEL_CLASS_IMPL(TBitmap, TGraphic)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();  // lets go of the DIB before it is deleted
}

HBITMAP TBitmap::Handle() const {
  return dib_ ? dib_->Handle : nullptr;
}

void TBitmap::Replace(std::unique_ptr<TDibSection> dib, int width, int height,
                      TPixelFormat format) {
  if (canvas_)
    canvas_->ReleaseHandle();
  dib_ = std::move(dib);
  width_ = width;
  height_ = height;
  format_ = format;
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_)
    return;
  std::unique_ptr<TDibSection> dib;
  if (width > 0 && height > 0) {
    dib = CreateDib(width, height, format_);
    if (dib_)
      CopyPixels(*dib_, *dib);
  }
  Replace(std::move(dib), width, height, format_);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_)
    return;
  std::unique_ptr<TDibSection> dib;
  if (dib_) {
    dib = CreateDib(width_, height_, format);
    CopyPixels(*dib_, *dib);
  }
  Replace(std::move(dib), width_, height_, format);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_.reset(Create<TBitmapCanvas>(this));
    canvas_->OnChange = Method<&TBitmap::CanvasChanged>(this);
  }
  return canvas_.get();
}

uint8_t* TBitmap::ScanLine(int y) {
  if (!dib_ || y < 0 || y >= height_)
    throw EInvalidGraphicOperation("Scan line index out of range");
  GdiFlush();
  return dib_->Row(y);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  HANDLE image = LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!image)
    throw EInvalidGraphic(Format("Resource %s not found", name));
  std::unique_ptr<TDibSection> dib = AdoptDib(static_cast<HBITMAP>(image));
  if (dib->BitCount != 1 && dib->BitCount != 24) {
    auto converted = CreateDib(dib->Width, dib->Height, pf24bit);
    CopyPixels(*dib, *converted);
    dib = std::move(converted);
  }
  const int width = dib->Width;
  const int height = dib->Height;
  const TPixelFormat format = dib->BitCount == 1 ? pf1bit : pf24bit;
  Replace(std::move(dib), width, height, format);
}

void TBitmap::Assign(TPersistent* source) {
  auto* bitmap = dynamic_cast<TBitmap*>(source);
  if (!bitmap) {
    TGraphic::Assign(source);
    return;
  }
  if (bitmap == this)
    return;
  std::unique_ptr<TDibSection> dib;
  if (const TDibSection* from = bitmap->dib_.get()) {
    GdiFlush();
    dib = CreateDib(from->Width, from->Height, from->BitCount, from->Palette);
    const size_t rowBytes = static_cast<size_t>(from->Stride());
    for (int y = 0; y < from->Height; ++y)
      std::memcpy(dib->Row(y), from->Row(y), rowBytes);
  }
  Replace(std::move(dib), bitmap->width_, bitmap->height_, bitmap->format_);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  HDC source = Canvas()->Handle();
  StretchBlt(canvas->Handle(), r.left, r.top, r.Width(), r.Height(), source, 0, 0, width_, height_,
             SRCCOPY);
}

// ---- Picture ---------------------------------------------------------------------

VEL_CLASS_IMPL(TPicture, TPersistent)

TBitmap* TPicture::Bitmap() {
  if (!bitmap_) {
    bitmap_.reset(Create<TBitmap>());
    bitmap_->OnChange = Method<&TPicture::BitmapChanged>(this);
  }
  return bitmap_.get();
}

void TPicture::Assign(TPersistent* source) {
  if (auto* picture = dynamic_cast<TPicture*>(source)) {
    if (picture != this)
      Bitmap()->Assign(picture->Bitmap());
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    Bitmap()->Assign(bitmap);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::BitmapChanged(TObject*) {
  if (OnChange)
    OnChange(this);
}

// ---- Drawing helpers ------------------------------------------------------------------

namespace {

// Puts a canvas's brush back as it was when the scope ends.
class TBrushRestorer {
 public:
  explicit TBrushRestorer(TBrush* brush)
      : brush_(brush), color_(brush->Color()), style_(brush->Style()) {}
  ~TBrushRestorer() {
    brush_->SetColor(color_);
    brush_->SetStyle(style_);
  }
  TBrushRestorer(const TBrushRestorer&) = delete;
  TBrushRestorer& operator=(const TBrushRestorer&) = delete;

 private:
  TBrush* brush_;
  TColor color_;
  TBrushStyle style_;
};

}  // namespace

void Frame3D(TCanvas* canvas, TRect& r, TColor topLeft, TColor bottomRight, int width) {
  TBrush* brush = canvas->Brush();
  TBrushRestorer restorer(brush);
  brush->SetStyle(bsSolid);
  for (int i = 0; i < width; ++i) {
    if (!IsRectEmpty(r)) {
      // The top-right and bottom-left corner pixels belong to the lower edges.
      brush->SetColor(topLeft);
      canvas->FillRect(TRect(r.left, r.top, r.right - 1, r.top + 1));
      canvas->FillRect(TRect(r.left, r.top, r.left + 1, r.bottom - 1));
      brush->SetColor(bottomRight);
      canvas->FillRect(TRect(r.right - 1, r.top, r.right, r.bottom));
      canvas->FillRect(TRect(r.left, r.bottom - 1, r.right, r.bottom));
    }
    InflateRect(r, -1, -1);
  }
}

namespace {

bool UxThemeActive() {
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  if (!uxtheme)
    return false;
  using TQuery = BOOL(WINAPI*)();
  auto query = [uxtheme](const char* name) {
    return reinterpret_cast<TQuery>(reinterpret_cast<void*>(GetProcAddress(uxtheme, name)));
  };
  const TQuery isThemeActive = query("IsThemeActive");
  const TQuery isAppThemed = query("IsAppThemed");
  const bool active = isThemeActive && isAppThemed && isThemeActive() && isAppThemed();
  FreeLibrary(uxtheme);
  return active;
}

}  // namespace

bool TThemeServices::ThemesEnabled() {
  if (override_ >= 0)
    return override_ != 0;
  if (!known_) {
    enabled_ = UxThemeActive();
    known_ = true;
  }
  return enabled_;
}

void TThemeServices::SetThemesEnabledOverride(int enabled) {
  override_ = enabled;
}

TThemeServices& ThemeServices() {
  static TThemeServices services;
  return services;
}
