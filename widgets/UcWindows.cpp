#include "UcWindows.h"

#include "SysUtils.h"
#include "UcSysUtils.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kEllipsisRoom = 5;

TGetFullPathNameA getFullPathNameA = GetFullPathNameA;

// GetFullPathNameA into a buffer that fits the whole path: the kept bytes and
// the offset of the file part (npos when none). False on failure.
bool AnsiFullPath(const std::string& name, std::string& path, size_t& filePart) {
  std::vector<char> buffer(520);
  char* part = nullptr;
  DWORD r = getFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &part);
  if (r >= buffer.size()) {
    // r is the size still needed, terminator included.
    buffer.resize(r);
    r = getFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &part);
  }
  if (r == 0 || r >= buffer.size())
    return false;
  path.assign(buffer.data(), r);
  filePart = part ? static_cast<size_t>(part - buffer.data()) : std::string::npos;
  return true;
}

DWORD AnsiGetFullPathName(const std::wstring& name, DWORD bufferLength, wchar_t* buffer,
                          wchar_t** filePart) {
  if (filePart)
    *filePart = nullptr;
  std::string path;
  size_t part = 0;
  if (!AnsiFullPath(WideToAnsi(name), path, part))
    return 0;
  const std::wstring wide = AnsiToWide(path);
  if (wide.size() >= bufferLength) {
    if (bufferLength != 0)
      buffer[0] = L'\0';
    return static_cast<DWORD>(wide.size() + 1);
  }
  std::copy(wide.begin(), wide.end(), buffer);
  buffer[wide.size()] = L'\0';
  if (filePart && part != std::string::npos)
    *filePart = buffer + AnsiToWide(path.substr(0, part)).size();
  return static_cast<DWORD>(wide.size());
}

}  // namespace

BOOL PlatformSetWindowText(HWND window, const std::wstring& text) {
  if (IsUnicodePlatform())
    return SetWindowTextW(window, text.c_str());
  return SetWindowTextA(window, WideToAnsi(text).c_str());
}

HANDLE PlatformCreateFile(const std::wstring& name, DWORD access, DWORD share,
                          SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                          HANDLE templateFile) {
  if (IsUnicodePlatform()) {
    return CreateFileW(name.c_str(), access, share, security, disposition, flags, templateFile);
  }
  return CreateFileA(WideToAnsi(name).c_str(), access, share, security, disposition, flags,
                     templateFile);
}

int PlatformDrawText(HDC dc, const std::wstring& text, int count, RECT* rect, UINT format) {
  const size_t n = count < 0 ? text.size() : std::min(text.size(), static_cast<size_t>(count));
  // Writable copies with room for the ellipsis that DT_MODIFYSTRING may add.
  if (IsUnicodePlatform()) {
    std::wstring buffer = text.substr(0, n) + std::wstring(kEllipsisRoom, L'\0');
    return DrawTextW(dc, &buffer[0], count < 0 ? -1 : static_cast<int>(n), rect, format);
  }
  std::string buffer = WideToAnsi(text.substr(0, n)) + std::string(kEllipsisRoom, '\0');
  return DrawTextA(dc, &buffer[0], -1, rect, format);
}

DWORD PlatformGetFullPathName(const std::wstring& name, DWORD bufferLength, wchar_t* buffer,
                              wchar_t** filePart) {
  if (IsUnicodePlatform())
    return GetFullPathNameW(name.c_str(), bufferLength, buffer, filePart);
  return AnsiGetFullPathName(name, bufferLength, buffer, filePart);
}

void SetGetFullPathNameA(TGetFullPathNameA function) {
  getFullPathNameA = function ? function : GetFullPathNameA;
}
