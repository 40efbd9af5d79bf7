// Threads and synchronisation. Synchronize is a message *sent* to a hidden
// window of the main thread, so it also runs inside modal loops, message
// boxes and WaitFor on the main thread.
#pragma once

#include "Closure.h"
#include "Messages.h"
#include "SysUtils.h"
#include "Win.h"

#include <exception>
#include <functional>

// Recursive lock on a Win32 critical section.
class TCriticalSection {
 public:
  TCriticalSection();
  ~TCriticalSection();
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Enter();
  void Leave();
  bool TryEnter();

 private:
  CRITICAL_SECTION cs_;
};

// Holds a critical section for its scope.
class TLockGuard {
 public:
  explicit TLockGuard(TCriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~TLockGuard() { cs_.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TCriticalSection& cs_;
};

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A Win32 event, manual or auto reset.
class TEvent {
 public:
  TEvent(bool manualReset, bool initialState);
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(DWORD timeoutMs);
  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
int ThreadPriorityValue(TThreadPriority p);  // -15, -2, -1, 0, 1, 2, 15

using TThreadMethod = TClosure<void()>;

// A worker thread. A subclass passes createSuspended = true and calls Start()
// at the end of its own constructor: with false the thread starts inside this
// base constructor and may reach Execute before the subclass is built.
class TThread {
 public:
  explicit TThread(bool createSuspended);
  // An unfinished thread is terminated and waited for; a never-started one
  // ends without running Execute. The subclass is already gone by then, so a
  // subclass whose Execute uses its own members stops the thread in its own
  // destructor (Terminate, then WaitFor).
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();  // resumes a suspended thread; nothing when already started
  void Resume() { Start(); }
  void Terminate();  // any thread, the thread itself included
  // On the main thread, keeps serving sent messages (Synchronize) while it
  // waits, but no posted ones. Returns the exit code. Raises EThread for a
  // thread that was never started and when called by the thread itself.
  DWORD WaitFor();

  bool Terminated() const { return terminated_ != 0; }
  bool Started() const { return started_ != 0; }
  bool Finished() const { return finished_ != 0; }
  HANDLE Handle() const { return handle_; }
  DWORD ThreadID() const { return threadId_; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority p);
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool v) { freeOnTerminate_ = v; }
  // The exception that ended Execute, if any.
  const std::exception_ptr& FatalException() const { return fatalException_; }
  DWORD ReturnValue() const { return returnValue_; }

  // Runs method on the main thread and waits for it; an exception raised by
  // the method is raised again here, in the calling thread. Raises EThread
  // when no sync window serves the request (before Startup, after Shutdown).
  void Synchronize(const TThreadMethod& method);
  void Synchronize(const std::function<void()>& method);
  static void StaticSynchronize(const std::function<void()>& method);

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(DWORD v) { returnValue_ = v; }

 private:
  static unsigned __stdcall ThreadProc(void* self);

  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
  volatile LONG terminated_ = 0;
  volatile LONG finished_ = 0;
  volatile LONG started_ = 0;
  bool freeOnTerminate_ = false;
  DWORD returnValue_ = 0;
  std::exception_ptr fatalException_;
};

// Hidden message-only windows for timers and internal helpers, owned by the
// calling thread (the main thread in practice). Their window procedure runs
// method inside the exception barrier and returns the message's Result, 0
// unless the method sets it. A method that wants default processing for a
// message sets Result = DefWindowProcA(wnd, ...) itself; message-only windows
// get no broadcasts, so ignoring a message is always safe.
HWND AllocateHWnd(const TWndMethod& method);
void DeallocateHWnd(HWND wnd);  // nullptr is ignored

// Started and stopped by classlib::Startup()/Shutdown(): the window that
// serves Synchronize.
void InitSyncWindow();
void DoneSyncWindow();
