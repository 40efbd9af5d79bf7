// One open serial device and the two threads behind it: the event thread waits
// for line events (and looks at the input queue every 200 ms of silence), the
// write thread drains a ring of outgoing bytes into the device. Reads happen
// on the caller's thread. The core knows nothing of the component's
// properties; its owner pushes settings in before each open and gets one
// notification method.
#pragma once

#include "Classes.h"
#include "SysUtils.h"
#include "Threads.h"
#include "VelCircularBuffer.h"
#include "Win.h"

#include <atomic>
#include <exception>
#include <memory>
#include <string>

enum TVelCoreEvent { ceOutFree, ceLineEvent, ceNeedReadData, ceException };

// Data: ceOutFree 0; ceLineEvent the EV_ mask of the completed wait;
// ceNeedReadData the bytes waiting in the driver. A ceException notice carries
// the exception in Error (Data 0); the receiver keeps it.
using TVelCoreNotifyEvent = TClosure<void(TObject* Sender, TVelCoreEvent EventKind, DWORD Data,
                                          const std::exception_ptr& Error)>;

VEL_EXCEPTION_CLASS(EVelComPortCoreError, Exception);
// The device stopped answering for good (unplugged, or its far end closed).
VEL_EXCEPTION_CLASS(EVelComPortLost, EVelComPortCoreError);

// True when error is the report of a lost device.
bool IsDeviceLost(const std::exception_ptr& error);

// How the write thread hands a block to the driver: WriteFile, or a stand-in
// of a test that cuts writes short.
using TVelWriteFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

// "COMn", or "\\.\COMn" for ports above 9 on the NT family.
std::string ComDeviceName(int portNumber);

class TVelComPortCore;

// Tells a device that is gone from one that failed once: a code that means
// the device is gone, or several failures in a row within a second.
class TVelFailureWatch {
 public:
  // Counts a failure; true when the failures last.
  bool Lasting(DWORD error);
  void Clear() { failures_ = 0; }

 private:
  int failures_ = 0;
  DWORD firstTick_ = 0;
};

class TVelComPortCoreThread : public TThread {
 public:
  explicit TVelComPortCoreThread(TVelComPortCore& core);
  // Ends the thread and waits for it; the owner frees it afterwards.
  virtual void StopThread();

 protected:
  // Call inside a catch: reports the current exception (EAbort is silent).
  virtual void HandleException();
  // Shows e in the standard message box on the main thread.
  void ReportException(const std::exception_ptr& e);

  // A failed wait, read or write other than a cancel: once failures last,
  // the core learns that the device is lost.
  void DeviceFailed(DWORD error);

  TVelComPortCore& core_;
  const HANDLE handle_;
  TEvent closeEvent_{true, false};
  TVelFailureWatch failures_;
};

class TVelComPortEventThread : public TVelComPortCoreThread {
 public:
  TVelComPortEventThread(TVelComPortCore& core, const TVelCoreNotifyEvent& notify);
  ~TVelComPortEventThread() override;
  void StopThread() override;
  // Runs on the caller's thread under the core's read lock; returns the bytes
  // read, 0 when the read failed.
  int ReadData(void* buffer, int count);

 protected:
  void Execute() override;
  void HandleException() override;

 private:
  // The wait's record lives on the heap: a cancelled wait that the driver
  // never completes keeps it (leaked) rather than writing into freed memory.
  struct TWaitRecord {
    TWaitRecord();
    ~TWaitRecord();
    TWaitRecord(const TWaitRecord&) = delete;
    TWaitRecord& operator=(const TWaitRecord&) = delete;
    OVERLAPPED Overlapped{};
    DWORD Mask = 0;
    HANDLE Event;
  };
  enum class TWaitState {
    Armed,       // a new wait is armed on the next pass
    Pending,     // a wait is outstanding
    BackingOff,  // the last wait failed: one pass without a wait first
    Stopping     // the stop cleared the mask: no wait is armed any more
  };

  void WaitOnce();
  void ArmWait();
  void ApplyWaitMask();
  void CollectWait();
  void WaitFailed(DWORD error);
  void ProcessCommEvent(bool atOnce);
  void CheckInput();
  void SetInputMasked(bool masked);
  DWORD InputTotal();
  bool InputArrived();
  void RememberInput();
  // A notice about input; a handler that reads on it keeps the input checks
  // frequent for a while.
  void NotifyInput(TVelCoreEvent kind, DWORD data);
  DWORD InputCheckMs() const;
  void AbandonWait();
  [[noreturn]] void RaiseDeviceLost();
  void NotifyCore(TVelCoreEvent kind, DWORD data, const std::exception_ptr& error = nullptr);

  std::unique_ptr<TWaitRecord> wait_;
  TWaitState state_ = TWaitState::Armed;
  // The platform reports EV_RXCHAR at every arm while bytes are unread; with
  // nothing new arriving, waits go on for line events only until the input
  // check finds the queue empty or growing.
  DWORD waitMask_;
  DWORD armedMask_;
  // Our mask change ended the pending wait: its end is no failure.
  bool remasking_ = false;
  // Bytes read and queued, as counted at the last notice about input.
  DWORD noticedTotal_ = 0;
  std::atomic<DWORD> bytesRead_{0};
  DWORD lastReadTick_ = 0;
  TEvent readEvent_{true, false};
  OVERLAPPED readOverlapped_{};
  const TVelCoreNotifyEvent notify_;
  std::atomic<bool> silenced_{false};
};

class TVelComPortWriteThread : public TVelComPortCoreThread {
 public:
  TVelComPortWriteThread(TVelComPortCore& core, int bufferSize);
  void StopThread() override;
  // All bytes or none; callers hold the core's write lock.
  bool QueueWrite(const void* buffer, int count);
  int FreeSpace() const { return ring_.FreeSpace(); }
  // Asks the thread to drop every queued byte and the driver's output; false
  // when it did not answer within 2000 ms or the driver refused.
  bool PurgeOutput();

 protected:
  void Execute() override;

 private:
  void WaitIdle();
  void WriteNextBlock();
  void AwaitWrite();
  void WriteCompleted(DWORD written);
  void WriteFailed(DWORD error);
  void CancelWrite();
  void Purge();

  TEvent purgeDone_{false, false};
  TEvent purgeRequest_{false, false};
  TEvent dataReady_{false, false};
  TEvent writeEvent_{true, false};
  OVERLAPPED writeOverlapped_{};
  TVelCircularBuffer ring_;
  // Bytes are queued but the last write made no progress: try again after a
  // pause rather than at once.
  bool retry_ = false;
  std::atomic<bool> purgeResult_{false};
};

class TVelComPortCore : public TObject {
 public:
  TVelComPortCore();
  ~TVelComPortCore() override;

  // False when already open; raises EVelComPortCoreError when it fails, and
  // leaves the port closed then.
  bool OpenComm(int portNumber);
  void CloseComm();
  bool Active() const { return active_; }
  bool Opened() const { return opened_; }

  void SetDCB(const DCB& dcb);
  // After a refused DCB: the driver's settings.
  const DCB& CurrentDCB() const { return dcb_; }
  void SetInBufSize(int size) { inBufSize_ = size; }
  void SetOutBufSize(int size) { outBufSize_ = size; }
  void SetEventThreadPriority(TThreadPriority priority);
  void SetWriteThreadPriority(TThreadPriority priority);
  void SetWriteFunction(TVelWriteFunction function) { writeFunction_ = function; }

  bool WriteData(const void* buffer, int count);
  int OutBufFree();
  // -1 when the port is not open.
  int ReadData(void* buffer, int count);
  bool PurgeRX();
  bool PurgeTX();
  void GetComStat(COMSTAT& stat);
  // The error flags gathered since the last call.
  DWORD GetLineErrors();
  bool EscapeFunction(DWORD function);

  // Called on the event thread; copied into each new event thread.
  TVelCoreNotifyEvent OnNotify;

 private:
  friend class TVelComPortCoreThread;
  friend class TVelComPortEventThread;
  friend class TVelComPortWriteThread;

  void InternalOpen();
  void InternalClose();
  void OpenDevice();
  void ApplyTimeouts();
  void ApplyBuffers();
  void ApplyEventMask();
  void ApplyDCB();
  void StartThreads();
  void WaitThreadsStarted();
  void SetActive(bool active);
  [[noreturn]] void RaiseError(const char* text) const;
  // Any thread: the first lasting failure is kept for the event thread to
  // report.
  void DeviceLost(DWORD error);

  int portNumber_ = 0;
  DCB dcb_{};
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> active_{false};
  std::atomic<bool> opened_{false};
  bool closing_ = false;
  DWORD lineErrors_ = 0;
  int inBufSize_ = 8192;
  int outBufSize_ = 4096;
  TThreadPriority writeThreadPriority_ = tpHigher;
  TThreadPriority eventThreadPriority_ = tpNormal;
  TVelWriteFunction writeFunction_ = &WriteFile;
  // Serialises open and close; no worker thread ever takes it.
  TCriticalSection openLock_;
  TCriticalSection readLock_;
  TCriticalSection writeLock_;
  TEvent threadsStarted_{false, false};
  TEvent outputFree_{false, false};
  TEvent deviceLost_{true, false};
  std::atomic<DWORD> lostError_{0};
  std::unique_ptr<TVelComPortWriteThread> writeThread_;
  std::unique_ptr<TVelComPortEventThread> eventThread_;
};
