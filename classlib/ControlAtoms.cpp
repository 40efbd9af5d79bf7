#include "ControlAtoms.h"

#include "Controls.h"
#include "SysUtils.h"
#include "System.h"

namespace {

ATOM windowAtom = 0;
ATOM controlAtom = 0;
TWinControl* creationControl = nullptr;
bool newStyleControls = true;

ATOM AddAtom(const std::string& name) {
  const ATOM atom = GlobalAddAtomA(name.c_str());
  if (!atom)
    RaiseLastOSError();
  return atom;
}

const char* AtomName(ATOM atom) {
  return MAKEINTATOM(atom);
}

}  // namespace

ATOM WindowAtom() {
  return windowAtom;
}
ATOM ControlAtom() {
  return controlAtom;
}

void InitControls() {
  windowAtom = AddAtom(Format("%s%.8X", kWindowAtomPrefix, GetCurrentProcessId()));
  controlAtom = AddAtom(
      Format("ControlOfs%.8X%.8X", reinterpret_cast<uintptr_t>(HInstance()), GetCurrentThreadId()));
}

void DoneControls() {
  if (controlAtom)
    GlobalDeleteAtom(controlAtom);
  if (windowAtom)
    GlobalDeleteAtom(windowAtom);
  controlAtom = windowAtom = 0;
}

TWinControl* FindControl(HWND window) {
  DWORD pid = 0;
  if (!window || !controlAtom || !GetWindowThreadProcessId(window, &pid) ||
      pid != GetCurrentProcessId())
    return nullptr;
  return static_cast<TWinControl*>(GetPropA(window, AtomName(controlAtom)));
}

TWinControl* CreationControl() {
  return creationControl;
}
void SetCreationControl(TWinControl* control) {
  creationControl = control;
}

LRESULT CALLBACK InitWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = creationControl;
  if (!control)
    return DefWindowProcA(window, msg, wParam, lParam);
  control->SetWindowHandle(window);
  const WNDPROC instance = control->ObjectInstance();
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
  if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && GetWindowLongA(window, GWL_ID) == 0)
    SetWindowLongPtrA(window, GWLP_ID, reinterpret_cast<LONG_PTR>(window));
  SetPropA(window, AtomName(controlAtom), control);
  SetPropA(window, AtomName(windowAtom), control);
  creationControl = nullptr;
  return CallWindowProcA(instance, window, msg, wParam, lParam);
}

bool NewStyleControls() {
  return newStyleControls;
}
void SetNewStyleControls(bool on) {
  newStyleControls = on;
}

void RemoveControlProps(HWND window) {
  RemovePropA(window, AtomName(controlAtom));
  RemovePropA(window, AtomName(windowAtom));
}
