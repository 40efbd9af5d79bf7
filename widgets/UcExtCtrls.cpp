#include "UcExtCtrls.h"

#include "StdCtrls.h"
#include "UcActnList.h"
#include "UcClasses.h"
#include "UcGraphics.h"
#include "UcSysUtils.h"
#include "UcWindows.h"

VEL_COMPONENT_IMPL(TUcCustomPanel, TCustomPanel)
VEL_COMPONENT_IMPL(TUcPanel, TUcCustomPanel)

// ---- TUcCustomPanel --------------------------------------------------------------------

void TUcCustomPanel::Publish(TPublisher<TUcCustomPanel>& p) {
  p.Property("Hint", &TUcCustomPanel::Hint, &TUcCustomPanel::SetHint);
}

void TUcCustomPanel::DefineProperties(TFiler& filer) {
  TCustomPanel::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcCustomPanel::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TCustomPanel::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcCustomPanel::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TCustomPanel::GetActionLinkClass());
}

void TUcCustomPanel::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, std::wstring());
}

void TUcCustomPanel::PaintBevel(TRect& r, TBevelCut cut) {
  if (cut == bvNone)
    return;
  const bool lowered = cut == bvLowered;
  Frame3D(Canvas(), r, lowered ? clBtnShadow : clBtnHighlight,
          lowered ? clBtnHighlight : clBtnShadow, BevelWidth());
}

void TUcCustomPanel::Paint() {
  if (!IsUnicodePlatform()) {
    TCustomPanel::Paint();
    return;
  }
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  PaintBevel(r, BevelOuter());
  // Themed, the parent's background shows through border and client.
  const bool themed = ThemeServices().ThemesEnabled() && ParentBackground();
  if (themed)
    InflateRect(&r, -BorderWidth(), -BorderWidth());
  else
    Frame3D(canvas, r, Color(), Color(), BorderWidth());
  PaintBevel(r, BevelInner());
  if (!themed) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  const int h = CanvasWideTextHeight(canvas, L"W");
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  const UINT flags =
      DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_VCENTER | AlignmentDrawFlag(Alignment()));
  PlatformDrawText(canvas->Handle(), GetWideControlText(this), -1, &r, flags);
}

// ---- TUcPanel ----------------------------------------------------------------------------

void TUcPanel::Publish(TPublisher<TUcPanel>& p) {
  using C = TCustomPanel;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("BevelInner", &C::BevelInner, &C::SetBevelInner);
  p.Property("BevelOuter", &C::BevelOuter, &C::SetBevelOuter);
  p.Property("BevelWidth", &C::BevelWidth, &C::SetBevelWidth);
  p.Property("BorderWidth", &C::BorderWidth, &C::SetBorderWidth);
  p.Property("Caption", &TUcPanel::Caption, &TUcPanel::SetCaption);
  p.Property("ParentBackground", &C::ParentBackground, &C::SetParentBackground);
}

// ---- Module ---------------------------------------------------------------------------------

void InitUcExtCtrls() {
  RegisterClass(TUcPanel::StaticClass());
}
