// Runtime basics: string helpers, conversions, Format and the exception
// hierarchy. 8-bit strings are std::string in the ANSI code page; wide
// strings are std::wstring (UTF-16).
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// ---- Strings ---------------------------------------------------------------

// Trim functions remove characters with codes up to 32.
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
std::wstring Trim(const std::wstring& s);
std::wstring TrimLeft(const std::wstring& s);
std::wstring TrimRight(const std::wstring& s);

// ASCII-only case mapping.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
std::wstring UpperCase(const std::wstring& s);
std::wstring LowerCase(const std::wstring& s);

std::string IntToStr(int64_t value);
std::string IntToHex(uint32_t value, int digits);  // upper-case hex

// Optional sign and decimal digits, or '$'/"0x" and hex digits, within 32 bits;
// anything else (blanks and overflow included) gives the default.
int StrToIntDef(const std::string& s, int def);
int StrToInt(const std::string& s);  // raises EConvertError

// 1-based position of sub in s, 0 when absent.
size_t Pos(const std::string& sub, const std::string& s);
// count characters from 1-based index; out-of-range parts are cut off.
std::string Copy(const std::string& s, size_t index, size_t count);
bool StartsStr(const std::string& prefix, const std::string& s);

// Quoted item from p (p points at the quote): a doubled quote gives one, and
// the item runs to the closing quote or the end. p is left after the item.
std::string AnsiExtractQuotedStr(const char*& p, const char* end, char quote);

// The one conversion pair of the system: CP_ACP, flags 0, no default character.
std::wstring AnsiToWide(const std::string& s);
std::string WideToAnsi(const std::wstring& s);
unsigned DefaultAnsiCodePage();

int WideCompareStr(const std::wstring& a, const std::wstring& b);   // ordinal
int WideCompareText(const std::wstring& a, const std::wstring& b);  // user locale, no case
bool WideSameText(const std::wstring& a, const std::wstring& b);
int CompareText(const std::string& a, const std::string& b);  // ASCII, no case
bool SameText(const std::string& a, const std::string& b);

// ---- Format ------------------------------------------------------------------

// One argument of Format/WideFormat. Built implicitly from the usual types, so
// callers write Format("COM%d", n). Table texts are never handed to printf.
class TFormatArg {
 public:
  enum class Kind { Int, UInt, Char, WideChar, Str, WideStr };
  TFormatArg(int v) : kind_(Kind::Int), int_(v) {}
  TFormatArg(long v) : kind_(Kind::Int), int_(v) {}
  TFormatArg(long long v) : kind_(Kind::Int), int_(v) {}
  TFormatArg(unsigned v) : kind_(Kind::UInt), int_(v) {}
  TFormatArg(unsigned long v) : kind_(Kind::UInt), int_(v) {}
  TFormatArg(unsigned long long v) : kind_(Kind::UInt), int_(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned short v) : kind_(Kind::UInt), int_(v) {}
  TFormatArg(short v) : kind_(Kind::Int), int_(v) {}
  TFormatArg(char v) : kind_(Kind::Char), int_(static_cast<unsigned char>(v)) {}
  TFormatArg(wchar_t v) : kind_(Kind::WideChar), int_(v) {}
  TFormatArg(const char* v) : kind_(Kind::Str), str_(v ? v : "") {}
  TFormatArg(const std::string& v) : kind_(Kind::Str), str_(v) {}
  TFormatArg(const wchar_t* v) : kind_(Kind::WideStr), wstr_(v ? v : L"") {}
  TFormatArg(const std::wstring& v) : kind_(Kind::WideStr), wstr_(v) {}

  Kind kind() const { return kind_; }
  int64_t AsInt() const { return int_; }
  const std::string& AsStr() const { return str_; }
  const std::wstring& AsWideStr() const { return wstr_; }

 private:
  Kind kind_;
  int64_t int_ = 0;
  std::string str_;
  std::wstring wstr_;
};

using TFormatArgs = std::vector<TFormatArg>;

// %s %d %u %x %X %c %%, with '-', width and precision (%0.3d pads to 3
// digits). Too few arguments or a kind mismatch raise EConvertError; surplus
// arguments are ignored.
std::string FormatArgs(const std::string& fmt, const TFormatArgs& args);
std::wstring WideFormatArgs(const std::wstring& fmt, const TFormatArgs& args);

template <typename... A>
std::string Format(const std::string& fmt, const A&... args) {
  return FormatArgs(fmt, TFormatArgs{TFormatArg(args)...});
}
template <typename... A>
std::wstring WideFormat(const std::wstring& fmt, const A&... args) {
  return WideFormatArgs(fmt, TFormatArgs{TFormatArg(args)...});
}

// ---- Exceptions --------------------------------------------------------------

// Declares ClassName() and a CreateFmt of the class's own type, so that
// `throw EConvertError::CreateFmt(...)` keeps the class.
#define VEL_EXCEPTION_CLASS(Name, Base)                               \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    template <typename... A>                                          \
    static Name CreateFmt(const std::string& fmt, const A&... args) { \
      return Name(Format(fmt, args...));                              \
    }                                                                 \
    const char* ClassName() const override { return #Name; }          \
  }

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  template <typename... A>
  static Exception CreateFmt(const std::string& fmt, const A&... args) {
    return Exception(Format(fmt, args...));
  }

  const std::string& Message() const { return message_; }
  void SetMessage(const std::string& m) { message_ = m; }
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

VEL_EXCEPTION_CLASS(EAbort, Exception);
VEL_EXCEPTION_CLASS(EConvertError, Exception);
VEL_EXCEPTION_CLASS(EListError, Exception);
VEL_EXCEPTION_CLASS(EStringListError, EListError);
VEL_EXCEPTION_CLASS(EStreamError, Exception);
VEL_EXCEPTION_CLASS(EFilerError, EStreamError);
VEL_EXCEPTION_CLASS(EReadError, EFilerError);
VEL_EXCEPTION_CLASS(EWriteError, EFilerError);
VEL_EXCEPTION_CLASS(EFCreateError, EStreamError);
VEL_EXCEPTION_CLASS(EFOpenError, EStreamError);
VEL_EXCEPTION_CLASS(EInvalidCast, Exception);
VEL_EXCEPTION_CLASS(EAssertionFailed, Exception);
VEL_EXCEPTION_CLASS(EOutOfResources, Exception);
VEL_EXCEPTION_CLASS(EInvalidOperation, Exception);
VEL_EXCEPTION_CLASS(EThread, Exception);
VEL_EXCEPTION_CLASS(ERegistryException, Exception);

class EOSError : public Exception {
 public:
  EOSError(std::string message, uint32_t errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  uint32_t ErrorCode() const { return errorCode_; }
  const char* ClassName() const override { return "EOSError"; }

 private:
  uint32_t errorCode_;
};

// A file that cannot be written, or a name or value it cannot hold.
// ErrorCode is the system's code for why, 0 where the system gave none.
class EIniFileException : public Exception {
 public:
  explicit EIniFileException(std::string message, uint32_t errorCode = 0)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  uint32_t ErrorCode() const { return errorCode_; }
  const char* ClassName() const override { return "EIniFileException"; }

 private:
  uint32_t errorCode_;
};

[[noreturn]] void Abort();  // throws a silent EAbort
std::string SysErrorMessage(uint32_t code);
[[noreturn]] void RaiseLastOSError();
// Raises EAssertionFailed ("Assertion failure (unit)") when cond is false.
void Assert(bool cond, const char* unit, const std::string& message = "");

// The current exception (inside a catch) kept as a value: the ceException path
// carries it to another thread and raises it there.
bool IsEAbort(const std::exception_ptr& e);
[[noreturn]] void Rethrow(const std::exception_ptr& e);
// Message of any exception: Message() of Exception, what() of the others.
std::string ExceptionMessage(const std::exception_ptr& e);
std::string ExceptionClassName(const std::exception_ptr& e);
