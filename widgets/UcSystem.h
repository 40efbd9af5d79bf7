// Conversions between wide (UTF-16) and 8-bit text beyond the system's default
// pair: UTF-8, UTF-7 (RFC 2152, optional direct characters written directly),
// any code page, the keyboard's code page and the byte order of UTF-16.
#pragma once

#include "Win.h"

#include <string>

// Per UTF-16 unit: a surrogate is three bytes of its own, so a pair gives six.
std::string WideStringToUTF8(const std::wstring& w);
// Also takes four-byte sequences (lead F0-F4), which become a surrogate pair.
// Malformed input gives the empty string; it never raises.
std::wstring UTF8ToWideString(const std::string& s);

std::string WideStringToUTF7(const std::wstring& w);
// Raises EUcGeneralError "Invalid UTF7" once the whole input is read when any
// of it is malformed.
std::wstring UTF7ToWideString(const std::string& s);

// 65000 is UTF-7 and 65001 UTF-8; any other code page goes to the system. A
// code page the system refuses gives the empty string.
constexpr UINT kCodePageUTF7 = 65000;
constexpr UINT kCodePageUTF8 = 65001;
std::wstring StringToWideStringCP(const std::string& s, UINT codePage);
std::string WideStringToStringCP(const std::wstring& w, UINT codePage);

// The ANSI code page of a locale; GetACP when the locale names none.
UINT LCIDToCodePage(LCID locale);
// The code page of the calling thread's keyboard layout.
UINT KeyboardCodePage();
// The character a key message carries: codes above 0xFF are characters
// already; a byte is converted in the keyboard code page, and stays as it is
// when that code page cannot convert it.
wchar_t KeyCodeToWideChar(WORD code);

// Swaps the two bytes of every unit (big-endian UTF-16 to little-endian and
// back), embedded U+0000 included.
void SwapWideByteOrder(std::wstring& buffer);
