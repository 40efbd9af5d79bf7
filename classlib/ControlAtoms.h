// Atoms and the window-to-control map: how a window of this process is
// known as a control's window, and how a new window becomes one.
#pragma once

#include "Win.h"

class TWinControl;

// The window atom's name is this prefix followed by the process id as "%.8X";
// the control atom's is "ControlOfs%.8X%.8X" with HInstance() and the main
// thread id. Every window of a control carries the control under both.
constexpr char kWindowAtomPrefix[] = "VelClassLib";
ATOM WindowAtom();
ATOM ControlAtom();
// Made and deleted by classlib::Startup()/Shutdown().
void InitControls();
void DoneControls();

// The control of a window of this process; nullptr for any other window.
TWinControl* FindControl(HWND window);

// The control whose window CreateWnd is creating right now; the initial
// window procedure takes it and clears it.
TWinControl* CreationControl();
void SetCreationControl(TWinControl* control);

// Where a new window's first message goes: makes it the control's window
// (handle, window procedure, id, props), then forwards the message.
LRESULT CALLBACK InitWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Whether controls draw the 3-D edges of newer systems (true from start-up).
bool NewStyleControls();
void SetNewStyleControls(bool on);

// Makes control the creation control for a scope (around the window's
// creation), whatever happens inside.
class TCreationScope {
 public:
  explicit TCreationScope(TWinControl* control) : old_(CreationControl()) {
    SetCreationControl(control);
  }
  ~TCreationScope() { SetCreationControl(old_); }
  TCreationScope(const TCreationScope&) = delete;
  TCreationScope& operator=(const TCreationScope&) = delete;

 private:
  TWinControl* old_;
};

// Takes the atoms off a window that goes away (WM_NCDESTROY).
void RemoveControlProps(HWND window);
