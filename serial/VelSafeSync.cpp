#include "VelSafeSync.h"

#include "Startup.h"
#include "SysUtils.h"
#include "System.h"

#include <memory>

namespace {

const char kWindowClass[] = "VelSafeSyncObjWnd";
const UINT kSyncMessage = 0x501;
// Carries a heap copy of a posted method in wParam.
const UINT kPostMessage = 0x502;
const int kSlotCount = 64;

struct SafeSyncSlot {
  bool Enabled = false;
  TSafeSyncMethod Method;
  uint32_t Id = 0;
};

// Created by the start-up code, before any thread can register.
HANDLE lock = nullptr;
bool created = false;
HWND window = nullptr;
std::unique_ptr<SafeSyncSlot[]> table;
uint32_t nextId = 0;

// Holds the unit's mutex for its scope; Held() is false when the unit was
// never started or has been shut down. A mutex left by a thread that ended
// while holding it is ours all the same: the table is changed only in steps
// that cannot be cut in half.
class TTableLock {
 public:
  TTableLock() : held_(lock && Owned(WaitForSingleObject(lock, INFINITE))) {}
  ~TTableLock() {
    if (held_)
      ReleaseMutex(lock);
  }
  TTableLock(const TTableLock&) = delete;
  TTableLock& operator=(const TTableLock&) = delete;
  bool Held() const { return held_; }

 private:
  static bool Owned(DWORD result) { return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED; }

  bool held_;
};

uint32_t SafeSyncNextId() {
  if (++nextId == 0)
    ++nextId;
  return nextId;
}

SafeSyncSlot* FindSlot(uint32_t id) {
  if (!table)
    return nullptr;
  for (int i = 0; i < kSlotCount; ++i)
    if (table[i].Id == id)
      return &table[i];
  return nullptr;
}

SafeSyncSlot* FindFreeSlot() {
  for (int i = 0; i < kSlotCount; ++i)
    if (!table[i].Method)
      return &table[i];
  return nullptr;
}

bool IsLive(const SafeSyncSlot* slot) {
  return slot && slot->Method && slot->Enabled;
}

// The window to send to for id, or null when its receiver would not run.
HWND LiveWindow(uint32_t id) {
  TTableLock guard;
  return guard.Held() && IsLive(FindSlot(id)) ? window : nullptr;
}

// The receiver to run for id, or an empty method when there is none to run.
TSafeSyncMethod LiveMethod(uint32_t id) {
  TTableLock guard;
  if (!guard.Held())
    return nullptr;
  SafeSyncSlot* slot = FindSlot(id);
  return IsLive(slot) ? slot->Method : nullptr;
}

// Takes a posted method back from its message.
std::unique_ptr<std::function<void()>> PostedMethod(WPARAM wParam) {
  return std::unique_ptr<std::function<void()>>(reinterpret_cast<std::function<void()>*>(wParam));
}

LRESULT CALLBACK SafeSyncWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPostMessage) {
    const auto method = PostedMethod(wParam);
    Guard(nullptr, [&] { (*method)(); });
    return 0;
  }
  if (msg != kSyncMessage)
    return DefWindowProcA(wnd, msg, wParam, lParam);
  const TSafeSyncMethod method = LiveMethod(static_cast<uint32_t>(lParam));
  if (method)
    Guard(nullptr, [&] { method(wParam); });
  return 0;
}

void RegisterWindowClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(HInstance(), kWindowClass, &wc)) {
    if (wc.lpfnWndProc == SafeSyncWndProc)
      return;
    UnregisterClassA(kWindowClass, HInstance());
  }
  wc = WNDCLASSA{};
  wc.lpfnWndProc = SafeSyncWndProc;
  wc.hInstance = HInstance();
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc))
    RaiseLastOSError();
}

// Raises when the window cannot be made: without it no notice would ever be
// delivered. The next registration tries again.
void SafeSyncInitWindow() {
  if (created)
    return;
  RegisterWindowClass();
  window = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, HInstance(), nullptr);
  if (!window)
    RaiseLastOSError();
  table.reset(new SafeSyncSlot[kSlotCount]);
  created = true;
}

// Methods posted but not yet run are dropped with the window.
void DropPostedMethods() {
  MSG msg;
  while (PeekMessageA(&msg, window, kPostMessage, kPostMessage, PM_REMOVE))
    PostedMethod(msg.wParam);
}

void SafeSyncDoneWindow() {
  TTableLock guard;
  if (!created)
    return;
  created = false;
  DropPostedMethods();
  DestroyWindow(window);
  window = nullptr;
  table.reset();
}

void SafeSyncInit() {
  if (!lock)
    lock = CreateMutexA(nullptr, FALSE, nullptr);
}

}  // namespace

void RegisterVelSafeSync() {
  // The lock stays for the life of the process: a worker of a port that
  // outlives shut-down may still ask for it.
  classlib::RegisterModule("VelSafeSync", SafeSyncInit, SafeSyncDoneWindow);
}

uint32_t SafeSyncRegister(const TSafeSyncMethod& method) {
  TTableLock guard;
  if (!guard.Held() || !method)
    return 0;
  SafeSyncInitWindow();
  SafeSyncSlot* slot = FindFreeSlot();
  if (!slot)
    return 0;
  slot->Enabled = false;
  slot->Method = method;
  slot->Id = SafeSyncNextId();
  return slot->Id;
}

bool SafeSyncUnregister(uint32_t id) {
  TTableLock guard;
  SafeSyncSlot* slot = guard.Held() && id != 0 ? FindSlot(id) : nullptr;
  if (!slot)
    return false;
  slot->Method = nullptr;
  slot->Id = 0;
  slot->Enabled = false;
  return true;
}

bool SafeSyncSetEnabled(uint32_t id, bool enabled) {
  TTableLock guard;
  SafeSyncSlot* slot = guard.Held() && id != 0 ? FindSlot(id) : nullptr;
  if (!slot || !slot->Method)
    return false;
  slot->Enabled = enabled;
  return true;
}

bool SafeSyncPost(const std::function<void()>& method) {
  TTableLock guard;
  if (!guard.Held() || !created)
    return false;
  auto copy = std::make_unique<std::function<void()>>(method);
  if (!PostMessageA(window, kPostMessage, reinterpret_cast<WPARAM>(copy.get()), 0))
    return false;
  static_cast<void>(copy.release());
  return true;
}

bool SafeSyncCall(uint32_t id, DWORD timeoutMs, WPARAM payload) {
  const HWND target = id != 0 ? LiveWindow(id) : nullptr;
  if (!target)
    return false;
  DWORD_PTR result = 0;
  // Neither a time-out nor a failed send is reported: the answer below is
  // about the receiver only.
  SendMessageTimeoutA(target, kSyncMessage, payload, static_cast<LPARAM>(id),
                      SMTO_BLOCK | SMTO_ABORTIFHUNG, timeoutMs, &result);
  TTableLock guard;
  return guard.Held() && created && IsWindow(window) && IsLive(FindSlot(id));
}
