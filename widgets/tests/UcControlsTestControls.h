// Test controls that use the wide layer the ways the wide controls do: one
// windowless, and windowed ones on EDIT, on BUTTON and on no system class.
#pragma once

#include "StdCtrls.h"
#include "UcActnList.h"
#include "UcControls.h"

#include <string>
#include <vector>

// What every wide control does: wide action links, the action's wide texts
// taken before the 8-bit ones, and the hint prepared on CM_HINTSHOW.
template <typename Base>
class TTestWideControl : public Base {
 public:
  using Base::Base;
  void ActionChange(TObject* sender, bool checkDefaults) override {
    WideActionChange(this, sender, checkDefaults);
    Base::ActionChange(sender, checkDefaults);
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_HINTSHOW)
      PrepareWideHintShow(m);
    Base::Dispatch(m);
  }

 protected:
  const TMetaClass* GetActionLinkClass() const override {
    return GetWideActionLinkClass(this, Base::GetActionLinkClass());
  }
};

class TTestWideLabel : public TTestWideControl<TGraphicControl> {
  VEL_CLASS(TTestWideLabel, TGraphicControl)
 public:
  using TTestWideControl::TTestWideControl;
};

class TTestWideEdit : public TTestWideControl<TEdit> {
  VEL_CLASS(TTestWideEdit, TEdit)
 public:
  using TTestWideControl::TTestWideControl;
  // Every character the 8-bit key handling saw.
  std::vector<char> KeyPressChars;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void KeyPress(char& key) override;
};

class TTestWideButton : public TTestWideControl<TButton> {
  VEL_CLASS(TTestWideButton, TButton)
 public:
  using TTestWideControl::TTestWideControl;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
};

// On no system class; a WM_CREATE answer of -1 makes its creation fail.
class TTestWideBox : public TTestWideControl<TCustomControl> {
  VEL_CLASS(TTestWideBox, TCustomControl)
 public:
  using TTestWideControl::TTestWideControl;
  bool FailCreation = false;
  // Frees the control from inside its own handling of this message.
  UINT FreeOnMessage = 0;
  // Answers WM_GETTEXTLENGTH with this much more than the text has, as some
  // system windows do.
  int ExtraTextLength = 0;
  // Replaces the window class name.
  std::string ClassNameOverride;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void Dispatch(TMessage& m) override;
};
