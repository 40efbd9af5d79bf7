#include "VelComPortCore.h"

#include "Startup.h"
#include "System.h"
#include "VelSafeSync.h"
#include "VelUtils.h"

#include <algorithm>

namespace {

const DWORD kEventMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_ERR | EV_RING;
const DWORD kInputCheckMs = 200;
// While a handler reads what comes, the input is looked at this often: the
// platform may notice new bytes under a pending wait only after 150 ms.
const DWORD kStreamCheckMs = 10;
const DWORD kThreadStartMs = 3000;
const DWORD kPurgeAnswerMs = 2000;
const DWORD kWriteRetryMs = 100;
// A cancelled wait that the driver never completes must not hold up a close.
const DWORD kCancelledWaitMs = 1000;

const char kInvalidPort[] = "Invalid port number (COM%d)";
const char kCantOpen[] = "Can't open device COM%d";
const char kTimeoutsError[] = "Error setting timeouts";
const char kBuffersError[] = "Error initializing buffers";
const char kEventMaskError[] = " Error setting EventMask";
const char kDCBError[] = "Error setting parameters from DCB";
const char kThreadsError[] = "Error creating threads";
const char kDeviceLost[] = "The connection to COM%d was lost: %s";

const int kFailuresInARow = 3;
const DWORD kFailureWindowMs = 1000;

// Codes the driver gives for a device that is gone or no longer usable.
bool MeansDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_NOT_READY:
    case ERROR_DEVICE_REMOVED:
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
      return true;
    default:
      return false;
  }
}

template <typename Thread>
void StopAndFree(std::unique_ptr<Thread>& thread) {
  if (!thread)
    return;
  thread->StopThread();
  thread.reset();
}

}  // namespace

std::string ComDeviceName(int portNumber) {
  const bool longForm = Platform().IsNT() && portNumber > 9;
  return Format(longForm ? "\\\\.\\COM%d" : "COM%d", portNumber);
}

bool IsDeviceLost(const std::exception_ptr& error) {
  if (!error)
    return false;
  try {
    std::rethrow_exception(error);
  } catch (const EVelComPortLost&) {
    return true;
  } catch (...) {
    return false;
  }
}

// ---- TVelFailureWatch -----------------------------------------------------------

bool TVelFailureWatch::Lasting(DWORD error) {
  const DWORD now = GetTickCount();
  if (failures_ == 0 || now - firstTick_ > kFailureWindowMs) {
    failures_ = 0;
    firstTick_ = now;
  }
  ++failures_;
  return MeansDeviceGone(error) || failures_ >= kFailuresInARow;
}

// ---- TVelComPortCoreThread ---------------------------------------------------

TVelComPortCoreThread::TVelComPortCoreThread(TVelComPortCore& core)
    : TThread(true), core_(core), handle_(core.handle_) {}

void TVelComPortCoreThread::StopThread() {
  Terminate();
  closeEvent_.SetEvent();
  WaitFor();
}

void TVelComPortCoreThread::HandleException() {
  const std::exception_ptr e = std::current_exception();
  if (e && !IsEAbort(e))
    ReportException(e);
}

void TVelComPortCoreThread::DeviceFailed(DWORD error) {
  if (!Terminated() && failures_.Lasting(error))
    core_.DeviceLost(error);
}

// Posted, never waited for: the main thread may itself be waiting for this
// thread (a close) or for a lock that the closer holds. Without a main thread
// to show it on, it goes to the debugger rather than nowhere.
void TVelComPortCoreThread::ReportException(const std::exception_ptr& e) {
  const bool posted = SafeSyncPost([e] {
    if (HWND capture = GetCapture())
      SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ShowException(e);
  });
  if (!posted)
    DebugOutput("Serial port thread: " + ExceptionMessage(e));
}

// ---- TVelComPortEventThread --------------------------------------------------

TVelComPortEventThread::TWaitRecord::TWaitRecord()
    : Event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  Overlapped.hEvent = Event;
}

TVelComPortEventThread::TWaitRecord::~TWaitRecord() {
  CloseHandle(Event);
}

TVelComPortEventThread::TVelComPortEventThread(TVelComPortCore& core,
                                               const TVelCoreNotifyEvent& notify)
    : TVelComPortCoreThread(core),
      wait_(std::make_unique<TWaitRecord>()),
      waitMask_(kEventMask),
      armedMask_(kEventMask),
      notify_(notify) {
  readOverlapped_.hEvent = readEvent_.Handle();
}

TVelComPortEventThread::~TVelComPortEventThread() {
  // A wait that may still complete into its record keeps the record.
  if (state_ == TWaitState::Pending)
    static_cast<void>(wait_.release());
}

void TVelComPortEventThread::StopThread() {
  silenced_ = true;
  Terminate();
  // An empty mask ends a pending wait where the driver does so; the thread
  // cancels it otherwise.
  SetCommMask(handle_, 0);
  PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
  TVelComPortCoreThread::StopThread();
}

// Asks for no more than the driver holds: a driver that ignores the
// return-at-once time-outs (Wine's) would otherwise wait for bytes that may
// never come, with the read lock held.
int TVelComPortEventThread::ReadData(void* buffer, int count) {
  COMSTAT stat;
  core_.GetComStat(stat);
  count = std::min(count, static_cast<int>(stat.cbInQue));
  if (count <= 0)
    return 0;
  DWORD read = 0;
  if (!ReadFile(handle_, buffer, count, &read, &readOverlapped_)) {
    if (GetLastError() != ERROR_IO_PENDING ||
        !GetOverlappedResult(handle_, &readOverlapped_, &read, TRUE))
      return 0;
    readEvent_.ResetEvent();
  }
  bytesRead_ += read;
  return static_cast<int>(read);
}

void TVelComPortEventThread::Execute() {
  try {
    core_.outputFree_.ResetEvent();
    core_.threadsStarted_.SetEvent();
    while (!Terminated())
      WaitOnce();
  } catch (...) {
    HandleException();
  }
  AbandonWait();
}

void TVelComPortEventThread::WaitOnce() {
  if (state_ == TWaitState::Armed)
    ArmWait();
  HANDLE objects[4];
  DWORD count = 0;
  objects[count++] = closeEvent_.Handle();
  objects[count++] = core_.deviceLost_.Handle();
  if (state_ == TWaitState::Pending)
    objects[count++] = wait_->Event;
  objects[count++] = core_.outputFree_.Handle();
  // After a wait that completed at once the next one is armed without delay.
  const DWORD timeout = state_ == TWaitState::Armed ? 0 : InputCheckMs();
  const DWORD result = WaitForMultipleObjects(count, objects, FALSE, timeout);
  if (state_ == TWaitState::BackingOff)
    state_ = TWaitState::Armed;
  if (result == WAIT_TIMEOUT) {
    if (timeout != 0)
      CheckInput();
    return;
  }
  if (result >= WAIT_OBJECT_0 + count)
    RaiseLastOSError();
  const HANDLE signalled = objects[result - WAIT_OBJECT_0];
  if (signalled == closeEvent_.Handle())
    Terminate();
  else if (signalled == core_.deviceLost_.Handle())
    RaiseDeviceLost();
  else if (signalled == wait_->Event)
    CollectWait();
  else
    NotifyCore(ceOutFree, 0);
}

void TVelComPortEventThread::ArmWait() {
  if (Terminated())
    return;
  ApplyWaitMask();
  wait_->Mask = 0;
  if (WaitCommEvent(handle_, &wait_->Mask, &wait_->Overlapped))
    ProcessCommEvent(true);
  else if (GetLastError() == ERROR_IO_PENDING)
    state_ = TWaitState::Pending;
  else
    WaitFailed(GetLastError());
}

void TVelComPortEventThread::WaitFailed(DWORD error) {
  state_ = TWaitState::BackingOff;
  DeviceFailed(error);
}

void TVelComPortEventThread::RaiseDeviceLost() {
  throw EVelComPortLost::CreateFmt(kDeviceLost, core_.portNumber_,
                                   SysErrorMessage(core_.lostError_));
}

void TVelComPortEventThread::ApplyWaitMask() {
  if (armedMask_ != waitMask_ && SetCommMask(handle_, waitMask_))
    armedMask_ = waitMask_;
}

void TVelComPortEventThread::CollectWait() {
  DWORD unused = 0;
  if (GetOverlappedResult(handle_, &wait_->Overlapped, &unused, FALSE)) {
    ProcessCommEvent(false);
    return;
  }
  const DWORD error = GetLastError();
  ResetEvent(wait_->Event);
  if (error == ERROR_IO_INCOMPLETE)
    return;
  if (remasking_)
    state_ = TWaitState::Armed;
  else
    WaitFailed(error);
  remasking_ = false;
}

// A wait that completed at once with nothing but EV_RXCHAR and no new bytes
// is the platform's report of bytes already told about: no notice, and the
// next waits leave EV_RXCHAR out.
void TVelComPortEventThread::ProcessCommEvent(bool atOnce) {
  ResetEvent(wait_->Event);
  failures_.Clear();
  const DWORD mask = wait_->Mask;
  state_ = TWaitState::Armed;
  if (mask == 0) {
    // A stop is under way, our own mask change ended the wait, or the driver
    // woke us for nothing.
    if (Terminated())
      state_ = TWaitState::Stopping;
    else if (!remasking_)
      state_ = TWaitState::BackingOff;
    remasking_ = false;
    return;
  }
  remasking_ = false;
  if (atOnce && mask == EV_RXCHAR && !InputArrived()) {
    SetInputMasked(true);
    return;
  }
  if (mask & EV_RXCHAR)
    NotifyInput(ceLineEvent, mask);
  else
    NotifyCore(ceLineEvent, mask);
}

// Bytes left unread are reported again. EV_RXCHAR comes back once the queue
// is empty or growing, also when the handler of this notice emptied it.
void TVelComPortEventThread::CheckInput() {
  COMSTAT stat;
  core_.GetComStat(stat);
  bool restore = stat.cbInQue == 0 || InputArrived();
  if (stat.cbInQue > 0) {
    NotifyInput(ceNeedReadData, stat.cbInQue);
    core_.GetComStat(stat);
    restore = restore || stat.cbInQue == 0 || InputArrived();
  }
  if (restore && waitMask_ != kEventMask)
    SetInputMasked(false);
}

// A new mask takes effect with the next wait. A pending wait is cancelled
// (not every driver ends it when the mask changes); its end re-arms at once.
void TVelComPortEventThread::SetInputMasked(bool masked) {
  waitMask_ = masked ? kEventMask & ~EV_RXCHAR : kEventMask;
  if (state_ != TWaitState::Pending)
    return;
  remasking_ = true;
  ApplyWaitMask();
  CancelIo(handle_);
}

// Every byte the driver ever queued, as far as this thread can tell: the
// bytes read so far and those waiting, counted under one lock.
DWORD TVelComPortEventThread::InputTotal() {
  TLockGuard guard(core_.readLock_);
  COMSTAT stat;
  core_.GetComStat(stat);
  return bytesRead_ + stat.cbInQue;
}

bool TVelComPortEventThread::InputArrived() {
  return static_cast<int32_t>(InputTotal() - noticedTotal_) > 0;
}

void TVelComPortEventThread::RememberInput() {
  noticedTotal_ = InputTotal();
}

void TVelComPortEventThread::NotifyInput(TVelCoreEvent kind, DWORD data) {
  RememberInput();
  const DWORD readBefore = bytesRead_;
  NotifyCore(kind, data);
  if (bytesRead_ != readBefore)
    lastReadTick_ = GetTickCount();
}

DWORD TVelComPortEventThread::InputCheckMs() const {
  const bool streaming = lastReadTick_ != 0 && GetTickCount() - lastReadTick_ < kInputCheckMs;
  return streaming ? kStreamCheckMs : kInputCheckMs;
}

// The record may be written until the cancelled wait completes; when the
// driver does not complete it in time, the destructor leaves the record be.
void TVelComPortEventThread::AbandonWait() {
  if (state_ != TWaitState::Pending)
    return;
  CancelIo(handle_);
  WaitForSingleObject(wait_->Event, kCancelledWaitMs);
  if (HasOverlappedIoCompleted(&wait_->Overlapped))
    state_ = TWaitState::Stopping;
}

void TVelComPortEventThread::NotifyCore(TVelCoreEvent kind, DWORD data,
                                        const std::exception_ptr& error) {
  if (silenced_ || !notify_)
    return;
  try {
    notify_(&core_, kind, data, error);
  } catch (...) {
    // An exception about an exception is not passed on again.
    if (kind == ceException)
      TVelComPortCoreThread::HandleException();
    else
      HandleException();
  }
}

void TVelComPortEventThread::HandleException() {
  const std::exception_ptr e = std::current_exception();
  if (!e || IsEAbort(e))
    return;
  if (!silenced_ && notify_)
    NotifyCore(ceException, 0, e);
  else if (!IsDeviceLost(e))  // a port being closed or freed has lost nothing
    ReportException(e);
}

// ---- TVelComPortWriteThread --------------------------------------------------

TVelComPortWriteThread::TVelComPortWriteThread(TVelComPortCore& core, int bufferSize)
    : TVelComPortCoreThread(core), ring_(bufferSize) {
  writeOverlapped_.hEvent = writeEvent_.Handle();
}

void TVelComPortWriteThread::StopThread() {
  PurgeOutput();
  TVelComPortCoreThread::StopThread();
}

bool TVelComPortWriteThread::QueueWrite(const void* buffer, int count) {
  if (!ring_.PutData(buffer, count))
    return false;
  dataReady_.SetEvent();
  return true;
}

bool TVelComPortWriteThread::PurgeOutput() {
  if (Finished())
    return false;
  purgeDone_.ResetEvent();
  purgeRequest_.SetEvent();
  if (purgeDone_.WaitFor(kPurgeAnswerMs) != TWaitResult::wrSignaled)
    return false;
  return purgeResult_;
}

void TVelComPortWriteThread::Execute() {
  try {
    core_.threadsStarted_.SetEvent();
    while (!Terminated())
      WaitIdle();
  } catch (...) {
    HandleException();
  }
}

void TVelComPortWriteThread::WaitIdle() {
  const HANDLE objects[] = {closeEvent_.Handle(), purgeRequest_.Handle(), dataReady_.Handle()};
  switch (WaitForMultipleObjects(3, objects, FALSE, retry_ ? kWriteRetryMs : INFINITE)) {
    case WAIT_OBJECT_0:
      Terminate();
      break;
    case WAIT_OBJECT_0 + 1:
      Purge();
      break;
    case WAIT_OBJECT_0 + 2:
    case WAIT_TIMEOUT:
      WriteNextBlock();
      break;
    default:
      RaiseLastOSError();
  }
}

// The block is written straight from the ring without the lock: writers only
// append behind it, and nothing removes it before WriteCompleted.
void TVelComPortWriteThread::WriteNextBlock() {
  const uint8_t* block;
  int count;
  {
    TLockGuard guard(core_.writeLock_);
    block = ring_.ReadPointer();
    count = ring_.LinearUsedSpace();
  }
  retry_ = false;
  if (count == 0)
    return;
  DWORD written = 0;
  if (core_.writeFunction_(handle_, block, count, &written, &writeOverlapped_))
    WriteCompleted(written);
  else if (GetLastError() == ERROR_IO_PENDING)
    AwaitWrite();
  else
    WriteFailed(GetLastError());
}

void TVelComPortWriteThread::AwaitWrite() {
  const HANDLE objects[] = {closeEvent_.Handle(), purgeRequest_.Handle(), writeEvent_.Handle()};
  const DWORD result = WaitForMultipleObjects(3, objects, FALSE, INFINITE);
  if (result == WAIT_OBJECT_0 + 2) {
    DWORD written = 0;
    if (GetOverlappedResult(handle_, &writeOverlapped_, &written, TRUE)) {
      WriteCompleted(written);
    } else {
      const DWORD error = GetLastError();
      writeEvent_.ResetEvent();
      WriteFailed(error);
    }
    return;
  }
  CancelWrite();
  if (result == WAIT_OBJECT_0)
    Terminate();
  else if (result == WAIT_OBJECT_0 + 1)
    Purge();
  else
    RaiseLastOSError();
}

void TVelComPortWriteThread::WriteFailed(DWORD error) {
  retry_ = true;
  DeviceFailed(error);
}

void TVelComPortWriteThread::WriteCompleted(DWORD written) {
  writeEvent_.ResetEvent();
  failures_.Clear();
  bool drained;
  {
    TLockGuard guard(core_.writeLock_);
    ring_.Remove(static_cast<int>(written));
    drained = ring_.UsedSpace() == 0;
  }
  if (drained)
    core_.outputFree_.SetEvent();
  else if (written > 0)
    dataReady_.SetEvent();
  else
    retry_ = true;
}

// Collects an outstanding write, so that its record and the ring bytes it
// reads from are free again.
void TVelComPortWriteThread::CancelWrite() {
  CancelIo(handle_);
  DWORD written = 0;
  GetOverlappedResult(handle_, &writeOverlapped_, &written, TRUE);
  writeEvent_.ResetEvent();
}

// Runs on this thread, so no write can be under way while the ring empties.
void TVelComPortWriteThread::Purge() {
  {
    TLockGuard guard(core_.writeLock_);
    dataReady_.ResetEvent();
    ring_.Clear();
    purgeResult_ = PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR) != FALSE;
  }
  retry_ = false;
  purgeDone_.SetEvent();
}

// ---- TVelComPortCore -----------------------------------------------------------

TVelComPortCore::TVelComPortCore() = default;

TVelComPortCore::~TVelComPortCore() {
  CloseComm();
}

bool TVelComPortCore::OpenComm(int portNumber) {
  TLockGuard guard(openLock_);
  if (opened_ || closing_)
    return false;
  portNumber_ = portNumber;
  if (portNumber <= 0)
    RaiseError(kInvalidPort);
  handle_ = INVALID_HANDLE_VALUE;
  InternalOpen();
  return true;
}

void TVelComPortCore::CloseComm() {
  TLockGuard guard(openLock_);
  // A close nested in the waits of this one (through a sent message) has
  // nothing left to do, and from here on the port reports closed.
  if (!opened_ || closing_)
    return;
  TFlagScope<bool> closing(closing_);
  opened_ = false;
  InternalClose();
}

void TVelComPortCore::InternalOpen() {
  OpenDevice();
  try {
    ApplyTimeouts();
    ApplyBuffers();
    ApplyEventMask();
    ApplyDCB();
    lineErrors_ = 0;
    StartThreads();
    opened_ = true;
  } catch (...) {
    InternalClose();
    throw;
  }
}

// Readers, writers and purges test the active flag again under their lock, so
// once it is cleared here none of them is still using a thread object.
void TVelComPortCore::InternalClose() {
  if (handle_ == INVALID_HANDLE_VALUE)
    return;
  {
    TLockGuard readGuard(readLock_);
    TLockGuard writeGuard(writeLock_);
    active_ = false;
    PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  }
  // Without the read lock: the event thread may need it for its last poll.
  StopAndFree(writeThread_);
  StopAndFree(eventThread_);
  SafeCloseHandle(handle_);
}

void TVelComPortCore::OpenDevice() {
  handle_ =
      CreateFileA(ComDeviceName(portNumber_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ != INVALID_HANDLE_VALUE)
    return;
  RaiseError(GetLastError() == ERROR_FILE_NOT_FOUND ? kInvalidPort : kCantOpen);
}

// A read returns at once with what the driver holds; writes have no time-out.
void TVelComPortCore::ApplyTimeouts() {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!SetCommTimeouts(handle_, &timeouts))
    RaiseError(kTimeoutsError);
}

void TVelComPortCore::ApplyBuffers() {
  if (!SetupComm(handle_, inBufSize_, outBufSize_))
    RaiseError(kBuffersError);
}

void TVelComPortCore::ApplyEventMask() {
  if (!SetCommMask(handle_, kEventMask))
    RaiseError(kEventMaskError);
}

void TVelComPortCore::ApplyDCB() {
  if (SetCommState(handle_, &dcb_))
    return;
  GetCommState(handle_, &dcb_);
  RaiseError(kDCBError);
}

void TVelComPortCore::StartThreads() {
  lostError_ = 0;
  deviceLost_.ResetEvent();
  writeThread_ = std::make_unique<TVelComPortWriteThread>(*this, outBufSize_);
  writeThread_->Start();
  WaitThreadsStarted();
  writeThread_->SetPriority(writeThreadPriority_);
  eventThread_ = std::make_unique<TVelComPortEventThread>(*this, OnNotify);
  eventThread_->Start();
  WaitThreadsStarted();
  eventThread_->SetPriority(eventThreadPriority_);
  SetActive(true);
}

void TVelComPortCore::WaitThreadsStarted() {
  if (threadsStarted_.WaitFor(kThreadStartMs) != TWaitResult::wrSignaled)
    RaiseError(kThreadsError);
}

void TVelComPortCore::SetActive(bool active) {
  TLockGuard readGuard(readLock_);
  TLockGuard writeGuard(writeLock_);
  active_ = active;
}

void TVelComPortCore::RaiseError(const char* text) const {
  throw EVelComPortCoreError(Format(text, portNumber_));
}

void TVelComPortCore::DeviceLost(DWORD error) {
  DWORD none = 0;
  lostError_.compare_exchange_strong(none, error);
  deviceLost_.SetEvent();
}

void TVelComPortCore::SetDCB(const DCB& dcb) {
  TLockGuard guard(readLock_);
  dcb_ = dcb;
  if (active_)
    ApplyDCB();
}

void TVelComPortCore::SetEventThreadPriority(TThreadPriority priority) {
  TLockGuard guard(readLock_);
  eventThreadPriority_ = priority;
  if (active_)
    eventThread_->SetPriority(priority);
}

void TVelComPortCore::SetWriteThreadPriority(TThreadPriority priority) {
  TLockGuard guard(readLock_);
  writeThreadPriority_ = priority;
  if (active_)
    writeThread_->SetPriority(priority);
}

bool TVelComPortCore::WriteData(const void* buffer, int count) {
  TLockGuard guard(writeLock_);
  return active_ && writeThread_->QueueWrite(buffer, count);
}

int TVelComPortCore::OutBufFree() {
  TLockGuard guard(writeLock_);
  return active_ ? writeThread_->FreeSpace() : 0;
}

int TVelComPortCore::ReadData(void* buffer, int count) {
  if (!active_)
    return -1;
  TLockGuard guard(readLock_);
  return active_ ? eventThread_->ReadData(buffer, count) : -1;
}

bool TVelComPortCore::PurgeRX() {
  if (!active_)
    return false;
  TLockGuard guard(readLock_);
  return active_ && PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
}

// Holds the read lock so that a close waits until the write thread answered.
bool TVelComPortCore::PurgeTX() {
  if (!active_)
    return false;
  TLockGuard guard(readLock_);
  return active_ && writeThread_->PurgeOutput();
}

void TVelComPortCore::GetComStat(COMSTAT& stat) {
  stat = COMSTAT{};
  if (!active_)
    return;
  TLockGuard guard(readLock_);
  DWORD errors = 0;
  if (active_ && ClearCommError(handle_, &errors, &stat))
    lineErrors_ |= errors;
}

DWORD TVelComPortCore::GetLineErrors() {
  COMSTAT stat;
  // Also takes the errors that no status query has collected yet.
  GetComStat(stat);
  TLockGuard guard(readLock_);
  if (!active_)
    return 0;
  const DWORD errors = lineErrors_;
  lineErrors_ = 0;
  return errors;
}

bool TVelComPortCore::EscapeFunction(DWORD function) {
  if (!active_)
    return false;
  TLockGuard guard(readLock_);
  return active_ && EscapeCommFunction(handle_, function);
}
