// The system calls that take text, called as W functions on the NT family and
// as A functions with the text in the ANSI code page elsewhere
// (IsUnicodePlatform). Each returns what the system function returns.
#pragma once

#include "Win.h"

#include <string>

BOOL PlatformSetWindowText(HWND window, const std::wstring& text);
HANDLE PlatformCreateFile(const std::wstring& name, DWORD access, DWORD share,
                          SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                          HANDLE templateFile);
// count -1 draws all of text. The 8-bit form draws the converted text and
// copies nothing back into text or rect.
int PlatformDrawText(HDC dc, const std::wstring& text, int count, RECT* rect, UINT format);
// GetFullPathNameW's contract: the length without terminator when the path
// fits into bufferLength characters, else the length the buffer needs (with
// terminator); 0 on failure. filePart may be null.
DWORD PlatformGetFullPathName(const std::wstring& name, DWORD bufferLength, wchar_t* buffer,
                              wchar_t** filePart);

// Tests: replaces GetFullPathNameA on the 8-bit path (nullptr restores it).
// Where the tests run, the system's own fails beyond MAX_PATH, so paths longer
// than its 520-byte buffer cannot be made otherwise.
using TGetFullPathNameA = DWORD(WINAPI*)(LPCSTR name, DWORD length, LPSTR buffer, LPSTR* filePart);
void SetGetFullPathNameA(TGetFullPathNameA function);
