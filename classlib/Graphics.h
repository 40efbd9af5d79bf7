// Colours, fonts, brushes, pens, the canvas that draws with them, bitmaps and
// a few drawing helpers.
#pragma once

#include "Classes.h"
#include "TypInfo.h"
#include "Types.h"
#include "Win.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The canvas has its own TextOut; the Win32 one is TextOutA.
#undef TextOut

class TCanvas;

VEL_EXCEPTION_CLASS(EInvalidGraphic, Exception);
VEL_EXCEPTION_CLASS(EInvalidGraphicOperation, Exception);

// ---- Colours --------------------------------------------------------------------

// 0x00BBGGRR for an RGB colour (red in the low byte); 0x80000000 | COLOR_xxx for
// a system colour. Comparisons are exact on all 32 bits, so a system colour
// never equals an RGB one, whatever it currently looks like.
using TColor = uint32_t;

constexpr TColor SystemColor(int index) {
  return 0x80000000u | static_cast<TColor>(index);
}
constexpr bool IsSystemColor(TColor c) {
  return (c & 0x80000000u) != 0;
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);

// The RGB value a colour shows now: system colours through GetSysColor.
TColor ColorToRGB(TColor color);

// Colour names as form data writes them ("clBtnFace"; case-insensitive).
bool IdentToColor(const std::string& ident, TColor& color);
bool ColorToIdent(TColor color, std::string& ident);
// The colour names, for integer properties that form data may set by name.
const TIntegerIdents& ColorIdents();

// The screen's logical pixels per inch, which turns font points into pixels.
int ScreenPixelsPerInch();
// Tests fix the value; 0 measures the screen again.
void SetScreenPixelsPerInch(int ppi);

// ---- Fonts, brushes and pens ------------------------------------------------------

// Keeps every GDI object an owner made until the owner dies: a DC state saved
// with SaveDC may select any of them again on RestoreDC, so none may be
// deleted earlier. Owners make few distinct objects, so this stays small.
template <typename Key>
class TGdiObjectCache {
 public:
  TGdiObjectCache() = default;
  TGdiObjectCache(const TGdiObjectCache&) = delete;
  TGdiObjectCache& operator=(const TGdiObjectCache&) = delete;
  ~TGdiObjectCache() {
    for (auto& entry : entries_)
      DeleteObject(entry.second);
  }

  // The object made for key, made by make() the first time.
  template <typename Make>
  HGDIOBJ Get(const Key& key, Make make) {
    for (auto& entry : entries_) {
      if (entry.first == key)
        return entry.second;
    }
    HGDIOBJ obj = make();
    if (!obj)
      throw EOutOfResources("Out of system resources");
    entries_.emplace_back(key, obj);
    return obj;
  }

 private:
  std::vector<std::pair<Key, HGDIOBJ>> entries_;
};

// Fonts, brushes and pens tell their user (a canvas, a control) of every real
// change through OnChange.
class TGraphicsObject : public TPersistent {
  VEL_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  void Changed();
  // Stores value into field and reports the change; nothing when equal.
  template <typename T>
  void Update(T& field, const T& value) {
    if (field == value)
      return;
    field = value;
    Changed();
  }
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psClear };
VEL_ENUM_TYPE(TFontStyle);
VEL_ENUM_TYPE(TFontPitch);
VEL_ENUM_TYPE(TBrushStyle);
VEL_ENUM_TYPE(TPenStyle);
using TFontCharset = uint8_t;

// Everything that decides which HFONT a font is.
struct TFontData {
  std::string Name;
  int Height = 0;  // pixels; negative: character height, positive: cell height
  TFontPitch Pitch = fpDefault;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontStyles Style;

  bool operator==(const TFontData& o) const {
    return Name == o.Name && Height == o.Height && Pitch == o.Pitch && Charset == o.Charset &&
           Style == o.Style;
  }
};

// Starts as the system's GUI font in clWindowText.
class TFont : public TGraphicsObject {
  VEL_CLASS(TFont, TGraphicsObject)
 public:
  TFont();

  const std::string& Name() const { return data_.Name; }
  void SetName(const std::string& name);
  int Height() const { return data_.Height; }
  void SetHeight(int height);
  // Points, through the screen's pixels per inch.
  int Size() const;
  void SetSize(int points);
  TFontPitch Pitch() const { return data_.Pitch; }
  void SetPitch(TFontPitch pitch);
  TFontCharset Charset() const { return data_.Charset; }
  void SetCharset(TFontCharset charset);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return data_.Style; }
  void SetStyle(TFontStyles style);

  // Made on demand; stays valid as long as this font object lives, even after
  // the font changes.
  HFONT Handle();

  // Copies every property from another TFont; one OnChange when any differs.
  void Assign(TPersistent* source) override;

 private:
  static void Publish(TPublisher<TFont>& p);

  TFontData data_;
  TColor color_ = clWindowText;
  TGdiObjectCache<TFontData> handles_;
};

class TBrush : public TGraphicsObject {
  VEL_CLASS(TBrush, TGraphicsObject)
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A clear brush is the stock null brush.
  HBRUSH Handle();

  void Assign(TPersistent* source) override;

 private:
  static void Publish(TPublisher<TBrush>& p);

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TGdiObjectCache<TColor> handles_;
};

class TPen : public TGraphicsObject {
  VEL_CLASS(TPen, TGraphicsObject)
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  int Width() const { return width_; }
  void SetWidth(int width);
  HPEN Handle();

  void Assign(TPersistent* source) override;

 private:
  static void Publish(TPublisher<TPen>& p);

  struct TKey {
    TColor Color;
    TPenStyle Style;
    int Width;
    bool operator==(const TKey& o) const {
      return Color == o.Color && Style == o.Style && Width == o.Width;
    }
  };
  TColor color_ = clBlack;
  TPenStyle style_ = psSolid;
  int width_ = 1;
  TGdiObjectCache<TKey> handles_;
};

// ---- Canvas ---------------------------------------------------------------------

class TGraphic;

enum TCanvasOrientation { coLeftToRight, coRightToLeft };

// Draws on a device context with its Font, Brush and Pen. Before drawing it
// makes sure they are the objects selected in the DC; it compares with what
// the DC really selects, so a RestoreDC behind its back is noticed. A canvas
// without a DC asks CreateHandle for one.
class TCanvas : public TPersistent {
  VEL_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC with font, brush and pen selected. Owner-draw code sets a DC it
  // was given and sets 0 again afterwards; the objects the DC held before
  // are selected back then.
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }
  // Gives the DC back (SetHandle(0)).
  void ReleaseHandle() { SetHandle(nullptr); }

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(font); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* brush) { brush_->Assign(brush); }
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* pen) { pen_->Assign(pen); }

  TPoint PenPos();
  void SetPenPos(const TPoint& p) { MoveTo(p.x, p.y); }
  TCanvasOrientation CanvasOrientation();
  // ETO_ options added to every TextOut and TextRect.
  int TextFlags() const { return textFlags_; }
  void SetTextFlags(int flags) { textFlags_ = flags; }
  TRect ClipRect();

  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void Rectangle(const TRect& r);
  void Rectangle(int left, int top, int right, int bottom) {
    Rectangle(TRect(left, top, right, bottom));
  }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::string& text);
  // Text at (x, y), clipped to r; a solid brush fills r behind it.
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  void DrawFocusRect(const TRect& r);
  void Draw(int x, int y, TGraphic* graphic);
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // Around every drawing operation; public so that drawing routines outside
  // the canvas report their changes too.
  virtual void Changing();
  virtual void Changed();

  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  // Obtains a DC when drawing needs one and none was set; null when this
  // canvas cannot draw by itself.
  virtual HDC CreateHandle() { return nullptr; }
  // Gives back a DC that CreateHandle returned, once the canvas let go of it.
  virtual void FreeHandle(HDC dc) { (void)dc; }

  void RequireHandle();
  void RequireFont();
  void RequireBrush();
  void RequirePen();

 private:
  void DeselectHandles();

  HDC dc_ = nullptr;
  bool ownsHandle_ = false;  // dc_ came from CreateHandle
  // What the DC selected before this canvas took it.
  HGDIOBJ oldFont_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
  int textFlags_ = 0;
  TOwned<TFont> font_;
  TOwned<TBrush> brush_;
  TOwned<TPen> pen_;
};

// Draws on a window outside painting: the DC comes from GetDC when first
// needed and goes back with ReleaseHandle, FreeDeviceContexts or the end of
// the canvas. Painting code sets the paint DC with SetHandle instead, which
// gives back a DC taken with GetDC first.
class TWindowCanvas : public TCanvas {
  VEL_CLASS(TWindowCanvas, TCanvas)
 public:
  explicit TWindowCanvas(HWND window = nullptr) : window_(window) {}
  ~TWindowCanvas() override;

  HWND Window() const { return window_; }
  void SetWindow(HWND window);

  // Gives back every DC that window canvases took with GetDC (idle time).
  static void FreeDeviceContexts();

 protected:
  HDC CreateHandle() override;
  void FreeHandle(HDC dc) override;

 private:
  HWND window_;
};

// ---- Graphics ---------------------------------------------------------------------

// A picture that can draw itself stretched into a rectangle of a canvas.
class TGraphic : public TPersistent {
  VEL_CLASS(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool Empty() const = 0;

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
  void Changed();
};

enum TPixelFormat { pf1bit, pf24bit };

class TBitmap;
struct TDibSection;

// Draws into a bitmap through a memory DC that selects it.
class TBitmapCanvas : public TCanvas {
  VEL_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override;

 protected:
  HDC CreateHandle() override;
  void FreeHandle(HDC dc) override;

 private:
  TBitmap* bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
};

// A device-independent bitmap (DIB section) of 1 or 24 bits per pixel.
class TBitmap : public TGraphic {
  VEL_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  ~TBitmap() override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  // Keeps the part of the picture that still fits.
  void SetSize(int width, int height);
  bool Empty() const override { return width_ <= 0 || height_ <= 0; }

  // Changing it converts the picture: to 1 bit, each pixel becomes black or
  // white, whichever is nearer.
  TPixelFormat PixelFormat() const { return format_; }
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const { return format_ == pf1bit; }
  void SetMonochrome(bool mono) { SetPixelFormat(mono ? pf1bit : pf24bit); }

  TCanvas* Canvas();
  // Null while the bitmap is empty.
  HBITMAP Handle() const;
  // The bytes of row y (top row 0): BGR triples for pf24bit, one bit per
  // pixel (most significant first) for pf1bit.
  uint8_t* ScanLine(int y);

  // A bitmap resource, read as a DIB section. Other depths than 1 and 24
  // bits are turned into pf24bit.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);

  void Assign(TPersistent* source) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& r) override;

 private:
  // Replaces the picture (null: empty); the canvas lets go of the old one
  // first.
  void Replace(std::unique_ptr<TDibSection> dib, int width, int height, TPixelFormat format);
  void CanvasChanged(TObject*) { Changed(); }

  std::unique_ptr<TDibSection> dib_;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pf24bit;
  TOwned<TBitmapCanvas> canvas_;
};

// Holds one bitmap, made on first use.
class TPicture : public TPersistent {
  VEL_CLASS(TPicture, TPersistent)
 public:
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* bitmap) { Bitmap()->Assign(bitmap); }
  // Null until the bitmap is first asked for.
  TGraphic* Graphic() const { return bitmap_.get(); }
  int Width() const { return bitmap_ ? bitmap_->Width() : 0; }
  int Height() const { return bitmap_ ? bitmap_->Height() : 0; }

  // From another picture or a bitmap.
  void Assign(TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void BitmapChanged(TObject*);

  TOwned<TBitmap> bitmap_;
};

// ---- Drawing helpers -----------------------------------------------------------------

// Draws a raised or sunken frame of width lines round r: topLeft on the top
// and left edges, bottomRight on the others. r shrinks by width on every side.
void Frame3D(TCanvas* canvas, TRect& r, TColor topLeft, TColor bottomRight, int width);

// Drawing is left to right only, so there is nothing to adjust.
constexpr UINT DrawTextBiDiModeFlags(UINT flags) {
  return flags;
}

// Whether visual styles draw controls: uxtheme's IsThemeActive and IsAppThemed,
// loaded on demand (false where uxtheme is missing).
class TThemeServices {
 public:
  bool ThemesEnabled();
  // Asks uxtheme again (after WM_THEMECHANGED).
  void UpdateThemes() { known_ = false; }
  // Tests: fix the answer (0 off, 1 on) or, with -1, ask uxtheme again.
  void SetThemesEnabledOverride(int enabled);

 private:
  bool known_ = false;
  bool enabled_ = false;
  int override_ = -1;
};

TThemeServices& ThemeServices();
