#include "Keystrokes.h"

#include "SysUtils.h"

namespace {

// Repeats of a held key follow each other within the keyboard's repeat delay
// (one second at most); a press after a longer pause is a new one, even
// when the release went to another program.
constexpr DWORD kLongestRepeatGapMs = 1500;

HHOOK hook = nullptr;
TKeystrokeOrigins origins;  // GUI thread only, as the hook

bool IsKeyDown(UINT message) {
  return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

bool IsKeyUp(UINT message) {
  return message == WM_KEYUP || message == WM_SYSKEYUP;
}

LRESULT CALLBACK KeystrokeHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    const HWND root = msg->hwnd ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
    if (origins.Stray(*msg, root))
      msg->message = WM_NULL;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

// The repeat flag alone will not do: the system leaves it off the first
// repeat that follows a change of the active window.
bool TKeystrokeOrigins::Stray(const MSG& msg, HWND root) {
  const bool down = IsKeyDown(msg.message);
  if (!down && !IsKeyUp(msg.message))
    return false;
  TPress& press = presses_[LOBYTE(msg.wParam)];
  const bool repeat = (HIWORD(msg.lParam) & KF_REPEAT) != 0;
  const bool held = press.down && (repeat || msg.time - press.time <= kLongestRepeatGapMs);
  if (down && !held) {
    press = {true, root, msg.time};
    return false;
  }
  const bool stray = press.down && press.root != root;
  if (down)
    press.time = msg.time;
  else
    press = {};
  return stray;
}

void InitKeystrokes() {
  if (hook)
    return;
  hook = SetWindowsHookExA(WH_GETMESSAGE, KeystrokeHookProc, nullptr, GetCurrentThreadId());
  if (!hook)
    RaiseLastOSError();
}

void DoneKeystrokes() {
  if (hook)
    UnhookWindowsHookEx(hook);
  hook = nullptr;
  origins = TKeystrokeOrigins();
}
