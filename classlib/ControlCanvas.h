// Canvases of controls; the painted control classes that draw on them are
// declared in Controls.h and made here.
#pragma once

#include "Graphics.h"
#include "Win.h"

class TControl;

// Draws on a control: its window's DC, or for a windowless control the
// parent's, moved to the control's origin and clipped to it.
class TControlCanvas : public TCanvas {
  VEL_CLASS(TControlCanvas, TCanvas)
 public:
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void SetControl(TControl* control);

 protected:
  HDC CreateHandle() override;
  void FreeHandle(HDC dc) override;

 private:
  TControl* control_ = nullptr;
  HWND window_ = nullptr;  // the window the DC came from
};
