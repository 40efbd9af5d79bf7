// Finds the dialog box (a message box, say) that the calling thread shows, so
// that a test can close its own box. The active or foreground window will not
// do: it may belong to another test program on the same display.
#pragma once

#include "Win.h"

#include <cstring>

namespace thread_dialog_detail {
inline BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found) {
  char className[8] = "";
  GetClassNameA(window, className, sizeof className);
  if (!IsWindowVisible(window) || std::strcmp(className, "#32770") != 0)
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}
}  // namespace thread_dialog_detail

inline HWND FindThreadDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), thread_dialog_detail::TakeVisibleDialog,
                    reinterpret_cast<LPARAM>(&found));
  return found;
}
