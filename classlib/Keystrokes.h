// A keystroke stays with the top-level window it was pressed in.
//
// A modal box (a system message box, a common dialog, a modal form) closes on
// the press of Enter or Escape inside its own loop. The rest of that
// keystroke, the repeats while the key is held and its release, then goes to
// the focused control of the window below, where the class library's key
// handling takes every repeat for a new press: Enter moves on and sends, a
// focused button clicks. The other way round, a key still held when a box
// opens would answer the box. A hook on the GUI thread sees every key message
// that any loop of the thread takes out of the queue and turns those of a
// keystroke pressed in another top-level window into WM_NULL.
#pragma once

#include "Win.h"

#include <array>

// Where each key was last pressed, and whether it is still down.
class TKeystrokeOrigins {
 public:
  // Records a press (a key-down of a key not held) in root, the top-level
  // window of msg; true for a repeat or release of a key pressed in another
  // top-level window. A release ends the keystroke. Other messages are
  // never stray.
  bool Stray(const MSG& msg, HWND root);

 private:
  struct TPress {
    bool down = false;
    HWND root = nullptr;
    DWORD time = 0;  // of the key's last message
  };
  std::array<TPress, 256> presses_{};
};

// The hook of the calling thread (start-up), and its removal (shut-down).
void InitKeystrokes();
void DoneKeystrokes();
