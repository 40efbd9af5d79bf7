#include "SysUtils.h"

#include "Win.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <typeinfo>

// ---- Strings ---------------------------------------------------------------

namespace {

template <typename C>
bool IsBlank(C c) {
  using U = std::make_unsigned_t<C>;
  return static_cast<U>(c) <= 32;
}

template <typename S>
S TrimLeftOf(const S& s) {
  auto first = std::find_if_not(s.begin(), s.end(), IsBlank<typename S::value_type>);
  return S(first, s.end());
}

template <typename S>
S TrimRightOf(const S& s) {
  auto last = std::find_if_not(s.rbegin(), s.rend(), IsBlank<typename S::value_type>);
  return S(s.begin(), last.base());
}

template <typename S>
S MapAscii(S s, typename S::value_type from, typename S::value_type to) {
  const int shift = to - from;
  for (auto& c : s) {
    if (c >= from && c < from + 26)
      c = static_cast<typename S::value_type>(c + shift);
  }
  return s;
}

}  // namespace

std::string Trim(const std::string& s) {
  return TrimRightOf(TrimLeftOf(s));
}
std::string TrimLeft(const std::string& s) {
  return TrimLeftOf(s);
}
std::string TrimRight(const std::string& s) {
  return TrimRightOf(s);
}
std::wstring Trim(const std::wstring& s) {
  return TrimRightOf(TrimLeftOf(s));
}
std::wstring TrimLeft(const std::wstring& s) {
  return TrimLeftOf(s);
}
std::wstring TrimRight(const std::wstring& s) {
  return TrimRightOf(s);
}

std::string UpperCase(const std::string& s) {
  return MapAscii(s, 'a', 'A');
}
std::string LowerCase(const std::string& s) {
  return MapAscii(s, 'A', 'a');
}
std::wstring UpperCase(const std::wstring& s) {
  return MapAscii(s, L'a', L'A');
}
std::wstring LowerCase(const std::wstring& s) {
  return MapAscii(s, L'A', L'a');
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

namespace {

std::string DigitsOf(uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return out;
}

std::string ZeroPad(std::string digits, size_t minDigits) {
  if (digits.size() < minDigits)
    digits.insert(0, minDigits - digits.size(), '0');
  return digits;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Digits of the given base, accumulated without passing limit; false on any
// other character, no digits at all or overflow.
bool ParseDigits(const std::string& s, size_t from, unsigned base, uint64_t limit,
                 uint64_t& value) {
  if (from >= s.size())
    return false;
  value = 0;
  for (size_t i = from; i < s.size(); ++i) {
    const int d = HexDigit(s[i]);
    if (d < 0 || static_cast<unsigned>(d) >= base)
      return false;
    value = value * base + d;
    if (value > limit)
      return false;
  }
  return true;
}

bool TryStrToInt(const std::string& s, int& result) {
  uint64_t value = 0;
  const bool dollar = !s.empty() && s[0] == '$';
  const bool zeroX = s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  if (dollar || zeroX) {
    if (!ParseDigits(s, dollar ? 1 : 2, 16, 0xFFFFFFFFu, value))
      return false;
    result = static_cast<int>(static_cast<uint32_t>(value));
    return true;
  }
  const bool negative = !s.empty() && s[0] == '-';
  const bool sign = negative || (!s.empty() && s[0] == '+');
  const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  if (!ParseDigits(s, sign ? 1 : 0, 10, limit, value))
    return false;
  result = static_cast<int>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
  return true;
}

}  // namespace

std::string IntToHex(uint32_t value, int digits) {
  return ZeroPad(DigitsOf(value, 16, true), std::max(digits, 0));
}

int StrToIntDef(const std::string& s, int def) {
  int result = 0;
  return TryStrToInt(s, result) ? result : def;
}

int StrToInt(const std::string& s) {
  int result = 0;
  if (!TryStrToInt(s, result)) {
    throw EConvertError::CreateFmt("'%s' is not a valid integer value", s);
  }
  return result;
}

size_t Pos(const std::string& sub, const std::string& s) {
  if (sub.empty())
    return 0;
  const size_t at = s.find(sub);
  return at == std::string::npos ? 0 : at + 1;
}

std::string Copy(const std::string& s, size_t index, size_t count) {
  const size_t from = index == 0 ? 0 : index - 1;
  return from >= s.size() ? std::string() : s.substr(from, count);
}

bool StartsStr(const std::string& prefix, const std::string& s) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::string AnsiExtractQuotedStr(const char*& p, const char* end, char quote) {
  std::string item;
  if (p == end || *p != quote)
    return item;
  ++p;
  while (p != end) {
    if (*p == quote) {
      ++p;
      if (p == end || *p != quote)
        return item;
    }
    item += *p++;
  }
  return item;
}

std::wstring AnsiToWide(const std::string& s) {
  if (s.empty())
    return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string WideToAnsi(const std::wstring& s) {
  if (s.empty())
    return std::string();
  const int size = static_cast<int>(s.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, s.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, s.data(), size, &out[0], n, nullptr, nullptr);
  return out;
}

unsigned DefaultAnsiCodePage() {
  return GetACP();
}

int WideCompareStr(const std::wstring& a, const std::wstring& b) {
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int WideCompareText(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

bool WideSameText(const std::wstring& a, const std::wstring& b) {
  return WideCompareText(a, b) == 0;
}

int CompareText(const std::string& a, const std::string& b) {
  // char_traits<char> compares bytes unsigned: characters above 127 sort last.
  return LowerCase(a).compare(LowerCase(b));
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareText(a, b) == 0;
}

// ---- Format ------------------------------------------------------------------

namespace {

std::string AsOutput(const std::string& s, const std::string*) {
  return s;
}
std::wstring AsOutput(const std::string& s, const std::wstring*) {
  return AnsiToWide(s);
}
std::string AsOutput(const std::wstring& s, const std::string*) {
  return WideToAnsi(s);
}
std::wstring AsOutput(const std::wstring& s, const std::wstring*) {
  return s;
}

const char* const kBadFormat = "Format '%s' invalid or incompatible with argument";

// Widths and precisions above this are refused: format strings come from
// translations too, and a huge number would wrap or exhaust memory.
constexpr size_t kMaxFormatWidth = 1024;

struct TSpec {
  bool leftAlign = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
  char type = 0;
};

// Integers that fit 32 bits show their 32-bit pattern in %u and %x, as the
// platform's own integer type would.
uint64_t UnsignedBits(const TFormatArg& arg) {
  const int64_t v = arg.AsInt();
  if (arg.kind() == TFormatArg::Kind::Int && v < 0 && v >= INT32_MIN) {
    return static_cast<uint32_t>(v);
  }
  return static_cast<uint64_t>(v);
}

bool IsInteger(const TFormatArg& arg) {
  return arg.kind() == TFormatArg::Kind::Int || arg.kind() == TFormatArg::Kind::UInt;
}

bool IsChar(const TFormatArg& arg) {
  return arg.kind() == TFormatArg::Kind::Char || arg.kind() == TFormatArg::Kind::WideChar;
}

template <typename S>
class TFormatter {
 public:
  using C = typename S::value_type;

  TFormatter(const S& fmt, const TFormatArgs& args) : fmt_(fmt), args_(args) {}

  S Run() {
    S out;
    while (pos_ < fmt_.size()) {
      const C c = fmt_[pos_++];
      if (c != C('%')) {
        out += c;
      } else if (pos_ < fmt_.size() && fmt_[pos_] == C('%')) {
        out += c;
        ++pos_;
      } else {
        out += Item(ParseSpec());
      }
    }
    return out;
  }

 private:
  [[noreturn]] void Fail(const char* text) const {
    throw EConvertError::CreateFmt(text, AsOutput(fmt_, static_cast<std::string*>(nullptr)));
  }

  // Stops growing past the limit, so that no number of digits can wrap.
  size_t ParseNumber() {
    size_t n = 0;
    while (pos_ < fmt_.size() && fmt_[pos_] >= C('0') && fmt_[pos_] <= C('9')) {
      n = std::min(n * 10 + (fmt_[pos_++] - C('0')), kMaxFormatWidth + 1);
    }
    if (n > kMaxFormatWidth)
      Fail(kBadFormat);
    return n;
  }

  TSpec ParseSpec() {
    TSpec spec;
    if (pos_ < fmt_.size() && fmt_[pos_] == C('-')) {
      spec.leftAlign = true;
      ++pos_;
    }
    spec.width = ParseNumber();
    if (pos_ < fmt_.size() && fmt_[pos_] == C('.')) {
      ++pos_;
      spec.hasPrecision = true;
      spec.precision = ParseNumber();
    }
    if (pos_ >= fmt_.size())
      Fail(kBadFormat);
    const C type = fmt_[pos_++];
    // Type letters are case-insensitive, except that X gives upper-case hex.
    spec.type = type == C('X') ? 'X' : static_cast<char>(type | 0x20);
    const std::string known = "dusxXc";
    if (static_cast<unsigned>(type) > 127 || known.find(spec.type) == std::string::npos) {
      Fail(kBadFormat);
    }
    return spec;
  }

  const TFormatArg& NextArg() {
    if (argIndex_ >= args_.size())
      Fail("No argument for format '%s'");
    return args_[argIndex_++];
  }

  S Item(const TSpec& spec) {
    const TFormatArg& arg = NextArg();
    S text;
    switch (spec.type) {
      case 'd':
      case 'u':
      case 'x':
      case 'X':
        if (!IsInteger(arg))
          Fail(kBadFormat);
        text = AsOutput(Number(arg, spec), static_cast<S*>(nullptr));
        break;
      case 'c':
        if (!IsChar(arg))
          Fail(kBadFormat);
        text = CharText(arg);
        break;
      default:  // 's'
        text = StringText(arg);
        if (spec.hasPrecision && text.size() > spec.precision)
          text.resize(spec.precision);
        break;
    }
    return Pad(text, spec);
  }

  static std::string Number(const TFormatArg& arg, const TSpec& spec) {
    const bool isSigned = arg.kind() == TFormatArg::Kind::Int;
    const int64_t v = arg.AsInt();
    std::string digits;
    bool negative = false;
    if (spec.type == 'd' && isSigned && v < 0) {
      negative = true;
      digits = DigitsOf(0 - static_cast<uint64_t>(v), 10, false);
    } else {
      const unsigned base = spec.type == 'x' || spec.type == 'X' ? 16 : 10;
      digits = DigitsOf(UnsignedBits(arg), base, spec.type == 'X');
    }
    digits = ZeroPad(digits, spec.hasPrecision ? spec.precision : 0);
    return negative ? "-" + digits : digits;
  }

  static S CharText(const TFormatArg& arg) {
    if (arg.kind() == TFormatArg::Kind::WideChar) {
      return AsOutput(std::wstring(1, static_cast<wchar_t>(arg.AsInt())), static_cast<S*>(nullptr));
    }
    return AsOutput(std::string(1, static_cast<char>(arg.AsInt())), static_cast<S*>(nullptr));
  }

  S StringText(const TFormatArg& arg) const {
    switch (arg.kind()) {
      case TFormatArg::Kind::Str:
        return AsOutput(arg.AsStr(), static_cast<S*>(nullptr));
      case TFormatArg::Kind::WideStr:
        return AsOutput(arg.AsWideStr(), static_cast<S*>(nullptr));
      case TFormatArg::Kind::Char:
      case TFormatArg::Kind::WideChar:
        return CharText(arg);
      default:
        Fail(kBadFormat);
    }
  }

  static S Pad(const S& text, const TSpec& spec) {
    if (text.size() >= spec.width)
      return text;
    const S fill(spec.width - text.size(), C(' '));
    return spec.leftAlign ? text + fill : fill + text;
  }

  const S& fmt_;
  const TFormatArgs& args_;
  size_t pos_ = 0;
  size_t argIndex_ = 0;
};

}  // namespace

std::string FormatArgs(const std::string& fmt, const TFormatArgs& args) {
  return TFormatter<std::string>(fmt, args).Run();
}

std::wstring WideFormatArgs(const std::wstring& fmt, const TFormatArgs& args) {
  return TFormatter<std::wstring>(fmt, args).Run();
}

// ---- Exceptions --------------------------------------------------------------

void Abort() {
  throw EAbort("Operation aborted");
}

std::string SysErrorMessage(uint32_t code) {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::unique_ptr<char, decltype(&LocalFree)> owner(buffer, &LocalFree);
  std::string text(buffer ? buffer : "", n);
  // System texts end in a period and a line break.
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '.'))
    text.pop_back();
  return text;
}

void RaiseLastOSError() {
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS)
    throw EOSError("A call to an OS function failed", code);
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", code, SysErrorMessage(code)), code);
}

void Assert(bool cond, const char* unit, const std::string& message) {
  if (cond)
    return;
  const std::string text = message.empty() ? "Assertion failure" : "Assertion failure: " + message;
  throw EAssertionFailed(Format("%s (%s)", text, unit ? unit : ""));
}

bool IsEAbort(const std::exception_ptr& e) {
  if (!e)
    return false;
  try {
    std::rethrow_exception(e);
  } catch (const EAbort&) {
    return true;
  } catch (...) {
    return false;
  }
}

void Rethrow(const std::exception_ptr& e) {
  if (!e)
    throw Exception("No exception to re-raise");
  std::rethrow_exception(e);
}

std::string ExceptionMessage(const std::exception_ptr& e) {
  if (!e)
    return std::string();
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    return x.Message();
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "Unknown exception";
  }
}

std::string ExceptionClassName(const std::exception_ptr& e) {
  if (!e)
    return std::string();
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    return x.ClassName();
  } catch (const std::exception& x) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(typeid(x).name(), nullptr, nullptr, &status), &std::free);
    return name ? name.get() : typeid(x).name();
  } catch (...) {
    return "Unknown";
  }
}
