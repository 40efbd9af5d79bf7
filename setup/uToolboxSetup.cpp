#include "uToolboxSetup.h"

#include "Win.h"

#include <algorithm>

namespace {

using TSetThreadExecutionState = DWORD(WINAPI*)(DWORD flags);

constexpr DWORD kContinuous = 0x80000000;      // ES_CONTINUOUS
constexpr DWORD kSystemRequired = 0x00000001;  // ES_SYSTEM_REQUIRED

}  // namespace

bool AllowSystemSleep(bool allow) {
  try {
    // Looked up at run time: the oldest platforms lack it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setState = kernel ? reinterpret_cast<TSetThreadExecutionState>(reinterpret_cast<void*>(
                                 GetProcAddress(kernel, "SetThreadExecutionState")))
                           : nullptr;
    if (!setState)
      return false;
    return setState(allow ? kContinuous : kContinuous | kSystemRequired) != 0;
  } catch (...) {
    return false;
  }
}

int CountWideChar(const std::wstring& text, wchar_t c) {
  return static_cast<int>(std::count(text.begin(), text.end(), c));
}
