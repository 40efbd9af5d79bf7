// How a second start of the setup utility finds the running instance's main
// window: by a marker, a window property named after the program's GUID,
// which only the instance that holds the single-instance mutex sets. The
// title cannot serve: the main window shows a text of its language and the
// application window none, and both programs' main forms share their class.
#pragma once

#include "Win.h"

// The setup utility's single-instance GUID.
extern const char SetupInstanceGuid[];

// Marks window as the running instance's main window. Call it again for a
// re-created window; unmark before the window goes.
void MarkInstanceWindow(HWND window);
void UnmarkInstanceWindow(HWND window);
// The setup utility's rule for TOneAppOnly: the window carries the marker.
bool IsSetupMainWindow(HWND window);
