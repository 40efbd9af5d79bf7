#include "UcControlsTestControls.h"

VEL_COMPONENT_IMPL(TTestWideLabel, TGraphicControl)
VEL_COMPONENT_IMPL(TTestWideEdit, TEdit)
VEL_COMPONENT_IMPL(TTestWideButton, TButton)
VEL_COMPONENT_IMPL(TTestWideBox, TCustomControl)

void TTestWideEdit::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, L"EDIT");
}

void TTestWideEdit::KeyPress(char& key) {
  KeyPressChars.push_back(key);
  TTestWideControl::KeyPress(key);
}

void TTestWideButton::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, L"BUTTON");
}

void TTestWideBox::CreateParams(TCreateParams& params) {
  TTestWideControl::CreateParams(params);
  if (!ClassNameOverride.empty())
    params.WinClassName = ClassNameOverride;
}

void TTestWideBox::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, std::wstring());
}

void TTestWideBox::Dispatch(TMessage& m) {
  if (m.Msg == WM_CREATE && FailCreation) {
    m.Result = -1;
    return;
  }
  if (FreeOnMessage && m.Msg == FreeOnMessage) {
    FreeOnMessage = 0;
    Free();
    return;
  }
  TTestWideControl::Dispatch(m);
  if (m.Msg == WM_GETTEXTLENGTH)
    m.Result += ExtraTextLength;
}
