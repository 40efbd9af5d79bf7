// Wide menus: menu items with wide captions and hints, the texts of hot keys
// and shortcuts in the current keyboard layout, and the popup list that puts
// a hovered popup item's wide hint into the wide application object.
#pragma once

#include "Forms.h"
#include "Menus.h"

#include <string>

// ---- Shortcut and hot-key texts --------------------------------------------------------

// The shortcut as the current keyboard layout names its key ("Ctrl+Ф" where
// the key shows Ф). Keys with fixed names (function keys, arrows, Enter, Esc,
// Tab, Backspace, Space, Insert, Delete, the paging keys) and every key on
// the 8-bit platform keep the class library's text. A key without a name
// gives an empty text, without modifier names.
std::wstring ShortCutToWideText(TShortCut shortCut);

// 1-based position of the hot-key character ("&" before it, "&&" being a
// literal "&"); the last one counts; 0 when none.
int WideHotKeyPos(const std::wstring& caption);
// The hot-key character as a one-character text; empty when none.
std::wstring WideHotKey(const std::wstring& caption);
// The caption as shown: "&&" becomes "&", a lone "&" goes, and on far-east
// systems a group "(&X)" goes whole.
std::wstring RemoveHotKeyMarkers(const std::wstring& caption);
// Equality of the captions without their markers, without and with regard to
// letter case.
bool CaptionsMatchIgnoringCase(const std::wstring& a, const std::wstring& b);
bool CaptionsMatchExactly(const std::wstring& a, const std::wstring& b);
// Moves destination's hot-key markers to where source has them, when the two
// differ only in their markers once in 8 bits. EUcInternalError when the 8-bit
// texts still differ afterwards (destination keeps what was done).
void SyncHotKeyPosition(const std::wstring& source, std::wstring& destination);

// ---- Keyboard layout --------------------------------------------------------------------

// The calling thread's keyboard layout, GetKeyboardLayout(0) unless a test
// replaced it.
HKL CurrentKeyboardLayout();
using TKeyboardLayoutSource = HKL (*)();
void SetKeyboardLayoutSource(TKeyboardLayoutSource source);  // nullptr restores

// ---- Module ---------------------------------------------------------------------------------

// The module's start and stop steps (WidgetModules): the popup list, and the
// wide menu and action classes made known to the component reader.
void InitUcMenus();
void DoneUcMenus();
