#include "ControlCanvas.h"

#include "Controls.h"

#include <algorithm>
#include <vector>

namespace {

// Sets a canvas's DC for the length of a scope, whatever happens inside.
class TCanvasDC {
 public:
  TCanvasDC(TCanvas* canvas, HDC dc) : canvas_(canvas) { canvas_->SetHandle(dc); }
  ~TCanvasDC() { canvas_->SetHandle(nullptr); }
  TCanvasDC(const TCanvasDC&) = delete;
  TCanvasDC& operator=(const TCanvasDC&) = delete;

 private:
  TCanvas* canvas_;
};

// Control canvases that hold a DC they took themselves; main thread only.
std::vector<TControlCanvas*>& DCHolders() {
  static std::vector<TControlCanvas*> list;
  return list;
}

}  // namespace

// ---- TControlCanvas ----------------------------------------------------------------------

VEL_CLASS_IMPL(TControlCanvas, TCanvas)

TControlCanvas::~TControlCanvas() {
  ReleaseHandle();
}

void TControlCanvas::SetControl(TControl* control) {
  if (control == control_)
    return;
  ReleaseHandle();
  control_ = control;
}

HDC TControlCanvas::CreateHandle() {
  if (!control_)
    return nullptr;
  auto* windowed = dynamic_cast<TWinControl*>(control_);
  TWinControl* host = windowed ? windowed : control_->Parent();
  if (!host || !host->HandleAllocated())
    return nullptr;
  HDC dc = GetDCEx(host->WindowHandle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!dc)
    return nullptr;
  window_ = host->WindowHandle();
  DCHolders().push_back(this);
  if (!windowed) {
    SetWindowOrgEx(dc, -control_->Left(), -control_->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
  }
  return dc;
}

void TControlCanvas::FreeHandle(HDC dc) {
  ReleaseDC(window_, dc);
  window_ = nullptr;
  auto& list = DCHolders();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::ReleaseOwnDC() {
  if (window_)
    ReleaseHandle();
}

void TControlCanvas::FreeDeviceContexts() {
  const std::vector<TControlCanvas*> holders = DCHolders();
  for (TControlCanvas* canvas : holders)
    canvas->ReleaseHandle();
}

void TControlCanvas::FreeWindowDCs(HWND window) {
  const std::vector<TControlCanvas*> holders = DCHolders();
  for (TControlCanvas* canvas : holders) {
    if (canvas->window_ == window)
      canvas->ReleaseHandle();
  }
}

// ---- TGraphicControl ---------------------------------------------------------------------

VEL_COMPONENT_IMPL(TGraphicControl, TControl)

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(new TControlCanvas) {
  canvas_->SetControl(this);
}

void TGraphicControl::SetParent(TWinControl* parent) {
  if (parent != Parent())
    canvas_->ReleaseOwnDC();
  TControl::SetParent(parent);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  // The DC's origin and clipping are those of the old bounds.
  if (left != Left() || top != Top() || width != Width() || height != Height())
    canvas_->ReleaseOwnDC();
  TControl::SetBounds(left, top, width, height);
}

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg != WM_PAINT || !m.WParam) {
    TControl::Dispatch(m);
    return;
  }
  const TCanvasDC dc(canvas_.get(), reinterpret_cast<HDC>(m.WParam));
  Paint();
  m.Result = 0;
}

// ---- TCustomControl ------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomControl, TWinControl)

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(new TControlCanvas) {
  canvas_->SetControl(this);
}

void TCustomControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT || m.Msg == WM_PRINTCLIENT) {
    PaintHandler(m);
    return;
  }
  TWinControl::Dispatch(m);
}

void TCustomControl::PaintWindow(HDC dc) {
  const TCanvasDC canvasDC(canvas_.get(), dc);
  Paint();
}

void TCustomControl::DestroyWnd() {
  canvas_->ReleaseHandle();
  TWinControl::DestroyWnd();
}
