// The one place the class library includes the Win32 headers. The generic
// (A/W) macros below collide with the library's own names; code that means the
// Win32 function calls its A or W form explicitly.
#pragma once

#include <windows.h>

#undef DeleteFile
#undef GetObject
#undef CreateDirectory
#undef GetClassName
#undef FindText
#undef DrawText
#undef LoadBitmap
#undef LoadIcon
#undef LoadCursor
#undef SendMessage
#undef PostMessage
#undef GetMessage
#undef MessageBox
#undef SetWindowText
#undef GetWindowText
#undef CreateFont
#undef CreateEvent
#undef CreateMutex
#undef Yield
#undef GetCurrentTime
#undef RegisterClass
