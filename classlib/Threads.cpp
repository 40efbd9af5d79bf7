#include "Threads.h"

#include "Startup.h"
#include "System.h"

#include <process.h>

#include <atomic>

// ---- Locks and events ----------------------------------------------------------

TCriticalSection::TCriticalSection() {
  InitializeCriticalSection(&cs_);
}
TCriticalSection::~TCriticalSection() {
  DeleteCriticalSection(&cs_);
}
void TCriticalSection::Enter() {
  EnterCriticalSection(&cs_);
}
void TCriticalSection::Leave() {
  LeaveCriticalSection(&cs_);
}
bool TCriticalSection::TryEnter() {
  return TryEnterCriticalSection(&cs_) != FALSE;
}

TEvent::TEvent(bool manualReset, bool initialState)
    : handle_(CreateEventA(nullptr, manualReset, initialState, nullptr)) {
  if (!handle_)
    RaiseLastOSError();
}

TEvent::~TEvent() {
  CloseHandle(handle_);
}
void TEvent::SetEvent() {
  ::SetEvent(handle_);
}
void TEvent::ResetEvent() {
  ::ResetEvent(handle_);
}

TWaitResult TEvent::WaitFor(DWORD timeoutMs) {
  switch (WaitForSingleObject(handle_, timeoutMs)) {
    case WAIT_OBJECT_0:
      return TWaitResult::wrSignaled;
    case WAIT_TIMEOUT:
      return TWaitResult::wrTimeout;
    case WAIT_ABANDONED:
      return TWaitResult::wrAbandoned;
    default:
      return TWaitResult::wrError;
  }
}

// ---- Utility windows and the sync window -----------------------------------

namespace {

const char kUtilWindowClass[] = "VelUtilWindow";
// Only ever sent to the sync window, whose class is ours alone.
const UINT kSyncMessage = WM_USER + 1;
// The window's closure lives in its extra bytes: object, then code.
const int kDataSlot = 0;
const int kCodeSlot = sizeof(LONG_PTR);

std::atomic<HWND> syncWindow{nullptr};

LRESULT CALLBACK UtilWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const TMethod method{reinterpret_cast<void*>(GetWindowLongPtrA(wnd, kDataSlot)),
                       reinterpret_cast<void*>(GetWindowLongPtrA(wnd, kCodeSlot))};
  // Creation and destruction messages arrive while no method is attached.
  if (!method.Code)
    return DefWindowProcA(wnd, msg, wParam, lParam);
  TMessage message;
  message.Msg = msg;
  message.WParam = wParam;
  message.LParam = lParam;
  Guard(nullptr, [&] { TWndMethod::FromMethod(method)(message); });
  return message.Result;
}

void RegisterUtilClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(HInstance(), kUtilWindowClass, &wc))
    return;
  wc.lpfnWndProc = UtilWindowProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = HInstance();
  wc.lpszClassName = kUtilWindowClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    RaiseLastOSError();
}

// A Synchronize call on its way to the main thread and back.
struct TSyncRequest {
  const std::function<void()>* method;
  std::exception_ptr error;
  bool served = false;

  void Run() {
    try {
      (*method)();
    } catch (...) {
      error = std::current_exception();
    }
    served = true;
  }
};

void SyncWindowMethod(void*, TMessage& message) {
  if (message.Msg == kSyncMessage)
    reinterpret_cast<TSyncRequest*>(message.LParam)->Run();
}

void RunSynchronized(const std::function<void()>& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  TSyncRequest request{&method, nullptr, false};
  if (HWND wnd = syncWindow.load())
    SendMessageA(wnd, kSyncMessage, 0, reinterpret_cast<LPARAM>(&request));
  if (!request.served)
    throw EThread("Synchronize: the main thread serves no requests");
  if (request.error)
    std::rethrow_exception(request.error);
}

// Delivers sent messages (Synchronize, SendMessageTimeout of other threads)
// but leaves posted ones queued, so no timer or paint runs inside the wait.
void WaitServingSentMessages(HANDLE handle) {
  while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

HWND AllocateHWnd(const TWndMethod& method) {
  RegisterUtilClass();
  HWND wnd = CreateWindowExA(0, kUtilWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             HInstance(), nullptr);
  if (!wnd)
    RaiseLastOSError();
  const TMethod m = method.AsMethod();
  SetWindowLongPtrA(wnd, kDataSlot, reinterpret_cast<LONG_PTR>(m.Data));
  SetWindowLongPtrA(wnd, kCodeSlot, reinterpret_cast<LONG_PTR>(m.Code));
  return wnd;
}

void DeallocateHWnd(HWND wnd) {
  if (!wnd)
    return;
  // The owner is usually being destroyed: its method sees no WM_DESTROY.
  SetWindowLongPtrA(wnd, kCodeSlot, 0);
  DestroyWindow(wnd);
}

void InitSyncWindow() {
  if (!syncWindow.load())
    syncWindow = AllocateHWnd(TWndMethod(nullptr, &SyncWindowMethod));
}

void DoneSyncWindow() {
  DeallocateHWnd(syncWindow.exchange(nullptr));
  // Fails, harmlessly, while other utility windows still exist.
  UnregisterClassA(kUtilWindowClass, HInstance());
}

// ---- TThread -------------------------------------------------------------------

int ThreadPriorityValue(TThreadPriority p) {
  static const int kValues[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                THREAD_PRIORITY_TIME_CRITICAL};
  return kValues[p];
}

TThread::TThread(bool createSuspended) {
  unsigned id = 0;
  handle_ = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id));
  if (!handle_)
    throw EThread("Thread creation error: " + SysErrorMessage(GetLastError()));
  threadId_ = id;
  if (!createSuspended)
    Start();
}

TThread::~TThread() {
  if (!Finished() && GetCurrentThreadId() != threadId_) {
    Terminate();
    if (started_) {
      WaitFor();
    } else {
      // Let the thread run just far enough to see that it was never started.
      ResumeThread(handle_);
      WaitForSingleObject(handle_, INFINITE);
    }
  }
  CloseHandle(handle_);
}

unsigned __stdcall TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  if (!thread->started_)
    return 0;  // freed before it was started
  try {
    thread->Execute();
  } catch (...) {
    thread->fatalException_ = std::current_exception();
  }
  const DWORD result = thread->returnValue_;
  const bool freeIt = thread->freeOnTerminate_;
  InterlockedExchange(&thread->finished_, 1);
  if (freeIt)
    delete thread;
  return result;
}

void TThread::Start() {
  if (InterlockedExchange(&started_, 1) == 0)
    ResumeThread(handle_);
}

void TThread::Terminate() {
  InterlockedExchange(&terminated_, 1);
}

DWORD TThread::WaitFor() {
  if (!started_)
    throw EThread("Cannot wait for a thread that was never started");
  if (GetCurrentThreadId() == threadId_)
    throw EThread("A thread cannot wait for itself");
  if (IsMainThread())
    WaitServingSentMessages(handle_);
  else
    WaitForSingleObject(handle_, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(handle_, &code);
  return code;
}

TThreadPriority TThread::Priority() const {
  const int value = GetThreadPriority(handle_);
  for (int p = tpIdle; p <= tpTimeCritical; ++p)
    if (ThreadPriorityValue(static_cast<TThreadPriority>(p)) == value)
      return static_cast<TThreadPriority>(p);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority p) {
  if (p == Priority())
    return;
  if (!SetThreadPriority(handle_, ThreadPriorityValue(p)))
    RaiseLastOSError();
}

void TThread::Synchronize(const TThreadMethod& method) {
  RunSynchronized(method);
}
void TThread::Synchronize(const std::function<void()>& method) {
  RunSynchronized(method);
}
void TThread::StaticSynchronize(const std::function<void()>& method) {
  RunSynchronized(method);
}
