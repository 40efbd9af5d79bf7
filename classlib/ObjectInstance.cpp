#include "ObjectInstance.h"

#include "Startup.h"
#include "SysUtils.h"

#include <cstdint>
#include <new>
#include <vector>

namespace {

// One instance: "pop ecx; push <self>; push ecx; jmp StdWndProc" in front of
// its method, so the window procedure gets the instance as an extra first
// argument and, being stdcall, pops it with the others.
#pragma pack(push, 1)
struct TInstance {
  uint8_t popEcx;
  uint8_t pushImm;
  TInstance* self;
  uint8_t pushEcx;
  uint8_t jmp;
  int32_t target;
  uint8_t pad[4];
  TWndMethod method;
  TInstance* nextFree;
};
#pragma pack(pop)

LRESULT WINAPI StdWndProc(TInstance* instance, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // A window may still call an instance its owner has freed.
  if (!instance->method)
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  Guard(nullptr, [&] { instance->method(m); });
  return m.Result;
}

// Executable pages carved into instances; freed instances are reused. The
// pages stay until the process ends: a window may call its procedure late.
class TInstancePool {
 public:
  ~TInstancePool() {
    for (void* page : pages_)
      VirtualFree(page, 0, MEM_RELEASE);
  }

  TInstance* Take() {
    if (!free_)
      AddPage();
    TInstance* instance = free_;
    free_ = instance->nextFree;
    return instance;
  }
  void Give(TInstance* instance) {
    instance->method = nullptr;
    instance->nextFree = free_;
    free_ = instance;
  }

 private:
  static constexpr size_t kPageSize = 4096;
  void AddPage() {
    void* page = VirtualAlloc(nullptr, kPageSize, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    if (!page)
      RaiseLastOSError();
    pages_.push_back(page);
    auto* first = static_cast<TInstance*>(page);
    for (size_t i = 0; i < kPageSize / sizeof(TInstance); ++i) {
      new (&first[i]) TInstance{};
      Give(&first[i]);
    }
  }

  std::vector<void*> pages_;
  TInstance* free_ = nullptr;
};

TInstancePool& InstancePool() {
  static TInstancePool pool;
  return pool;
}

}  // namespace

WNDPROC MakeObjectInstance(const TWndMethod& method) {
  TInstance* instance = InstancePool().Take();
  instance->popEcx = 0x59;
  instance->pushImm = 0x68;
  instance->self = instance;
  instance->pushEcx = 0x51;
  instance->jmp = 0xE9;
  const auto next = reinterpret_cast<intptr_t>(&instance->target) + sizeof(instance->target);
  instance->target = static_cast<int32_t>(reinterpret_cast<intptr_t>(&StdWndProc) - next);
  instance->method = method;
  FlushInstructionCache(GetCurrentProcess(), instance, sizeof(TInstance));
  return reinterpret_cast<WNDPROC>(instance);
}

void FreeObjectInstance(WNDPROC instance) {
  if (instance)
    InstancePool().Give(reinterpret_cast<TInstance*>(instance));
}
