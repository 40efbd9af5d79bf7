// Test controls that use the wide layer the ways the wide controls do: one
// windowless, and windowed ones on EDIT, on BUTTON and on no system class.
#pragma once

#include "StdCtrls.h"
#include "UcControls.h"

#include <string>
#include <vector>

// Windowless: wide text and hint through the helpers, and the hint prepared
// on CM_HINTSHOW.
class TTestWideLabel : public TGraphicControl {
  VEL_CLASS(TTestWideLabel, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
  void Dispatch(TMessage& m) override;
};

class TTestWideEdit : public TEdit {
  VEL_CLASS(TTestWideEdit, TEdit)
 public:
  using TEdit::TEdit;
  // Every character the 8-bit key handling saw.
  std::vector<char> KeyPressChars;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void KeyPress(char& key) override;
};

class TTestWideButton : public TButton {
  VEL_CLASS(TTestWideButton, TButton)
 public:
  using TButton::TButton;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
};

// On no system class; a WM_CREATE answer of -1 makes its creation fail.
class TTestWideBox : public TCustomControl {
  VEL_CLASS(TTestWideBox, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
  bool FailCreation = false;
  // Frees the control from inside its own handling of this message.
  UINT FreeOnMessage = 0;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void Dispatch(TMessage& m) override;
};
