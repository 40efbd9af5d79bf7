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
  // Gives back a DC this canvas took by itself; a DC set from outside
  // (painting) stays.
  void ReleaseOwnDC();

  // DCs taken outside painting go back at idle time, and when the window
  // they belong to is destroyed: a cache DC kept longer keeps a stale origin
  // and outlives its window.
  static void FreeDeviceContexts();
  static void FreeWindowDCs(HWND window);

 protected:
  HDC CreateHandle() override;
  void FreeHandle(HDC dc) override;

 private:
  TControl* control_ = nullptr;
  HWND window_ = nullptr;  // the window the DC came from
};
