#include "ExtCtrls.h"

#include "StdCtrls.h"
#include "Streams.h"
#include "SysUtils.h"
#include "System.h"
#include "Threads.h"

VEL_ENUM_TYPE_IMPL(TBevelCut, "bvNone", "bvLowered", "bvRaised", "bvSpace")

// ---- TCustomPanel ----------------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomPanel, TCustomControl)

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetParentColor(false);
}

void TCustomPanel::AfterConstruction() {
  TCustomControl::AfterConstruction();
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 185, 41);
}

void TCustomPanel::PaintBevel(TRect& r, TBevelCut cut) {
  if (cut == bvNone)
    return;
  const bool lowered = cut == bvLowered;
  Frame3D(Canvas(), r, lowered ? clBtnShadow : clBtnHighlight,
          lowered ? clBtnHighlight : clBtnShadow, bevelWidth_);
}

bool TCustomPanel::ShowsParentBackground() const {
  return parentBackground_ && ThemeServices().ThemesEnabled();
}

void TCustomPanel::Dispatch(TMessage& m) {
  if (m.Msg != WM_ERASEBKGND) {
    TCustomControl::Dispatch(m);
    return;
  }
  if (ShowsParentBackground() && Parent()) {
    const TRect r = ClientRect();
    FillRect(reinterpret_cast<HDC>(m.WParam), &r, Parent()->Brush()->Handle());
  }
  m.Result = 1;
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  PaintBevel(r, bevelOuter_);
  const bool themed = ShowsParentBackground();
  if (themed)
    InflateRect(&r, -borderWidth_, -borderWidth_);
  else
    Frame3D(canvas, r, Color(), Color(), borderWidth_);
  PaintBevel(r, bevelInner_);
  if (!themed) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  // One line as high as "W", centred; a second line is clipped away.
  const int h = canvas->TextHeight("W");
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  const UINT flags =
      DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_VCENTER | AlignmentDrawFlag(alignment_));
  const std::string caption = Caption();
  DrawTextA(canvas->Handle(), caption.c_str(), -1, &r, flags);
}

VEL_COMPONENT_IMPL(TPanel, TCustomPanel)

void TPanel::Publish(TPublisher<TPanel>& p) {
  using C = TCustomPanel;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("BevelInner", &C::BevelInner, &C::SetBevelInner);
  p.Property("BevelOuter", &C::BevelOuter, &C::SetBevelOuter);
  p.Property("BevelWidth", &C::BevelWidth, &C::SetBevelWidth);
  p.Property("BorderWidth", &C::BorderWidth, &C::SetBorderWidth);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("ParentBackground", &C::ParentBackground, &C::SetParentBackground);
}

// ---- TImage ------------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TImage, TGraphicControl)

void TImage::Publish(TPublisher<TImage>& p) {
  p.Property("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
  p.Property("Center", &TImage::Center, &TImage::SetCenter);
  p.Property("PictureResource", &TImage::PictureResource, &TImage::SetPictureResource);
  p.Property("Stretch", &TImage::Stretch, &TImage::SetStretch);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture) {
  picture_->OnChange = Method<&TImage::PictureChanged>(this);
}

void TImage::AfterConstruction() {
  TGraphicControl::AfterConstruction();
  SetBounds(Left(), Top(), 105, 105);
}

void TImage::SetAutoSize(bool value) {
  if (value == autoSize_)
    return;
  autoSize_ = value;
  PictureChanged(this);
}

void TImage::SetCenter(bool value) {
  if (value == center_)
    return;
  center_ = value;
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (value == stretch_)
    return;
  stretch_ = value;
  Invalidate();
}

void TImage::SetPictureResource(const std::string& value) {
  if (value == pictureResource_)
    return;
  pictureResource_ = value;
  if (!ComponentState().Contains(csLoading))
    LoadPictureResource();
}

void TImage::Loaded() {
  TGraphicControl::Loaded();
  LoadPictureResource();
}

void TImage::LoadPictureResource() {
  if (pictureResource_.empty())
    return;
  // A missing picture is a build fault: it must show at once.
  if (!FindResourceA(HInstance(), pictureResource_.c_str(), MAKEINTRESOURCEA(2)))
    throw EResNotFound(Format("Resource %s not found", pictureResource_));
  picture_->Bitmap()->LoadFromResourceName(HInstance(), pictureResource_);
}

void TImage::PictureChanged(TObject*) {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

TRect TImage::DestRect() const {
  if (stretch_)
    return ClientRect();
  const int w = picture_->Width();
  const int h = picture_->Height();
  if (center_)
    return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
  return Bounds(0, 0, w, h);
}

void TImage::Paint() {
  TGraphic* graphic = picture_->Graphic();
  if (!graphic || graphic->Empty())
    return;
  const TRect r = DestRect();
  TBitmap* bitmap = picture_->Bitmap();
  StretchBlt(Canvas()->Handle(), r.left, r.top, r.Width(), r.Height(), bitmap->Canvas()->Handle(),
             0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
}

// ---- TTimer ------------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TTimer, TComponent)

void TTimer::Publish(TPublisher<TTimer>& p) {
  p.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
  p.Property("Interval", &TTimer::Interval, &TTimer::SetInterval);
  p.Property("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
}

TTimer::TTimer(TComponent* owner)
    : TComponent(owner), window_(AllocateHWnd(Method<&TTimer::WndProc>(this))) {}

TTimer::~TTimer() {
  KillTimer(window_, 1);
  DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_)
    return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(int value) {
  if (value == interval_)
    return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& value) {
  if (value == onTimer_)
    return;
  onTimer_ = value;
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(window_, 1);
  if (!enabled_ || interval_ <= 0 || !onTimer_ || ComponentState().Contains(csLoading))
    return;
  if (!SetTimer(window_, 1, static_cast<UINT>(interval_), nullptr))
    throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer() {
  if (onTimer_)
    onTimer_(this);
}

void TTimer::WndProc(TMessage& m) {
  if (m.Msg != WM_TIMER) {
    m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
    return;
  }
  // The handler's failure is reported; the timer goes on ticking.
  try {
    Timer();
  } catch (...) {
    HandleException(this);
  }
}

void RegisterExtCtrlsClasses() {
  for (const TMetaClass* meta :
       {&TPanel::StaticClass(), &TImage::StaticClass(), &TTimer::StaticClass()})
    RegisterClass(*meta);
}
