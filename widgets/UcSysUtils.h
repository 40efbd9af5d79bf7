// The platform flags, the widget layer's exceptions, files opened by wide
// names, full paths and system error texts, and small helpers.
#pragma once

#include "SysUtils.h"
#include "Win.h"

#include <cstdint>
#include <string>

// ---- Platform flags ------------------------------------------------------------------

// The NT family: W functions are called directly.
bool IsUnicodePlatform();
// Windows XP (5.1) or later.
bool IsPlatform51OrLater();
// Sets both flags from the class library's platform record; the start-up step
// of the layer runs it once.
void InitPlatformFlags();
// Start-up and tests only.
void SetPlatformFlags(bool unicodePlatform, bool platform51OrLater);

// ---- Exceptions --------------------------------------------------------------------------

// An exception whose text is wide; Message() holds its 8-bit conversion.
class WideException : public Exception {
 public:
  explicit WideException(const std::wstring& message)
      : Exception(WideToAnsi(message)), wideMessage_(message) {}
  const std::wstring& WideMessage() const { return wideMessage_; }
  const char* ClassName() const override { return "WideException"; }

 private:
  std::wstring wideMessage_;
};

// Like VEL_EXCEPTION_CLASS, with a CreateFmt that formats a wide text.
#define VEL_WIDE_EXCEPTION_CLASS(Name, Base)                           \
  class Name : public Base {                                           \
   public:                                                             \
    using Base::Base;                                                  \
    template <typename... A>                                           \
    static Name CreateFmt(const std::wstring& fmt, const A&... args) { \
      return Name(WideFormat(fmt, args...));                           \
    }                                                                  \
    const char* ClassName() const override { return #Name; }           \
  }

VEL_WIDE_EXCEPTION_CLASS(EWideFileStreamError, WideException);
VEL_WIDE_EXCEPTION_CLASS(EWideFCreateError, EWideFileStreamError);
VEL_WIDE_EXCEPTION_CLASS(EWideFOpenError, EWideFileStreamError);
// A failure of the layer (malformed UTF-7) and an internal inconsistency.
VEL_EXCEPTION_CLASS(EUcGeneralError, Exception);
VEL_EXCEPTION_CLASS(EUcInternalError, Exception);

// ---- Files and system texts ----------------------------------------------------------

// Creates or empties the file for reading and writing, unshared.
// INVALID_HANDLE_VALUE on failure, as CreateFile.
HANDLE WideFileCreate(const std::wstring& name);
// mode: access in bits 0-1 (0 read, 1 write, 2 both), sharing in bits 4-7
// (0 and 1 none, 2 deny write, 3 deny read, 4 deny none), as TFileStream's.
HANDLE WideFileOpen(const std::wstring& name, uint16_t mode);
// The full path of any length; empty when the system cannot make one.
std::wstring WideExpandFileName(const std::wstring& name);

std::wstring WideSysErrorMessage(DWORD code);
// The system's text for code as it returns it (trailing line break kept),
// from module when given. Never fails: without a text the result is
// "Unspecified error (code) from moduleName.".
std::wstring SystemErrorText(const std::wstring& moduleName, HMODULE module, DWORD code);

// ---- Helpers ---------------------------------------------------------------------------------

// A resource identifier rather than a pointer to a name.
bool IsIntegerResourceName(const void* value);
// 1-based position of the last character of text that is one of delimiters
// (never a 0 character); 0 when there is none.
size_t WideLastDelimiter(const std::wstring& delimiters, const std::wstring& text);
// value itself; 0 raises the last system error (EOSError).
template <typename T>
T CheckedHandle(T value) {
  if (!value)
    RaiseLastOSError();
  return value;
}
