#include "UcSysUtils.h"

#include "System.h"
#include "UcWindows.h"

#include <vector>

namespace {

bool unicodePlatform = false;
bool platform51OrLater = false;

constexpr DWORD kShareModes[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE};

DWORD AccessOfMode(uint16_t mode) {
  switch (mode & 3) {
    case 0:
      return GENERIC_READ;
    case 1:
      return GENERIC_WRITE;
    default:
      return GENERIC_READ | GENERIC_WRITE;
  }
}

DWORD ShareOfMode(uint16_t mode) {
  const unsigned index = (mode & 0xF0u) >> 4;
  return index < sizeof kShareModes / sizeof kShareModes[0] ? kShareModes[index] : 0;
}

// A buffer FormatMessage allocated, freed with LocalFree.
template <typename Char>
class TLocalText {
 public:
  TLocalText() = default;
  TLocalText(const TLocalText&) = delete;
  TLocalText& operator=(const TLocalText&) = delete;
  ~TLocalText() {
    if (text_)
      LocalFree(text_);
  }
  // The address FormatMessage stores the buffer at (ALLOCATE_BUFFER).
  Char* Target() { return reinterpret_cast<Char*>(&text_); }
  std::basic_string<Char> Text(DWORD length) const {
    return text_ ? std::basic_string<Char>(text_, length) : std::basic_string<Char>();
  }

 private:
  Char* text_ = nullptr;
};

// The text as the system returns it; FormatMessage sizes the buffer itself,
// so a long text is never lost to a fixed one.
std::wstring FormatSystemMessage(DWORD flags, HMODULE module, DWORD code) {
  flags |= FORMAT_MESSAGE_ALLOCATE_BUFFER;
  if (IsUnicodePlatform()) {
    TLocalText<wchar_t> text;
    const DWORD n = FormatMessageW(flags, module, code, 0, text.Target(), 0, nullptr);
    return text.Text(n);
  }
  TLocalText<char> text;
  const DWORD n = FormatMessageA(flags, module, code, 0, text.Target(), 0, nullptr);
  return AnsiToWide(text.Text(n));
}

}  // namespace

bool IsUnicodePlatform() {
  return unicodePlatform;
}

bool IsPlatform51OrLater() {
  return platform51OrLater;
}

void InitPlatformFlags() {
  const TPlatformInfo& p = Platform();
  SetPlatformFlags(
      p.IsNT(), p.Win32MajorVersion > 5 || (p.Win32MajorVersion == 5 && p.Win32MinorVersion >= 1));
}

void SetPlatformFlags(bool unicode, bool platform51) {
  unicodePlatform = unicode;
  platform51OrLater = platform51;
}

HANDLE WideFileCreate(const std::wstring& name) {
  return PlatformCreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE WideFileOpen(const std::wstring& name, uint16_t mode) {
  return PlatformCreateFile(name, AccessOfMode(mode), ShareOfMode(mode), nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring WideExpandFileName(const std::wstring& name) {
  std::vector<wchar_t> buffer(MAX_PATH);
  wchar_t* filePart = nullptr;
  DWORD r = PlatformGetFullPathName(name, MAX_PATH, buffer.data(), &filePart);
  if (r >= buffer.size()) {
    // r is the size the whole path needs, terminator included.
    buffer.resize(r);
    r = PlatformGetFullPathName(name, r, buffer.data(), &filePart);
    if (r >= buffer.size())
      return std::wstring();
  }
  return std::wstring(buffer.data(), r);
}

std::wstring WideSysErrorMessage(DWORD code) {
  return SystemErrorText(L"system", nullptr, code);
}

std::wstring SystemErrorText(const std::wstring& moduleName, HMODULE module, DWORD code) {
  DWORD flags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY;
  if (module)
    flags |= FORMAT_MESSAGE_FROM_HMODULE;
  std::wstring text = FormatSystemMessage(flags, module, code);
  if (Trim(text).empty())
    text = WideFormat(L"Unspecified error (%d) from %s.", code, moduleName);
  return text;
}

bool IsIntegerResourceName(const void* value) {
  return (reinterpret_cast<uintptr_t>(value) >> 16) == 0;
}

size_t WideLastDelimiter(const std::wstring& delimiters, const std::wstring& text) {
  for (size_t i = text.size(); i > 0; --i) {
    const wchar_t c = text[i - 1];
    if (c != L'\0' && delimiters.find(c) != std::wstring::npos)
      return i;
  }
  return 0;
}
