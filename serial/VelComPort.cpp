#include "VelComPort.h"

#include "Startup.h"
#include "VelSafeSync.h"
#include "VelUtils.h"

#include <algorithm>

VEL_CLASS_IMPL(TVelCustomSerialPort, TVelDataDispConnComponent)
VEL_CLASS_IMPL(TVelCustomComPort, TVelCustomSerialPort)
VEL_COMPONENT_IMPL(TVelComPort, TVelCustomComPort)

namespace {

const DWORD kBaudRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                            19200, 38400, 56000, 57600, 115200, 128000, 256000};
const DWORD kSyncTimeoutMs = 2000;
// Notices whose messages never arrive (a hung main thread) are dropped
// oldest first beyond this many.
const size_t kMaxPendingNotices = 64;

// Restores the default cursor on every way out of an open.
class THourGlass {
 public:
  THourGlass() { SetScreenCursor(crHourGlass); }
  ~THourGlass() { SetScreenCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;

 private:
  static void SetScreenCursor(TCursor cursor) {
    if (TScreen* screen = Screen())
      screen->SetCursor(cursor);
  }
};

}  // namespace

// ---- TVelCustomSerialPort -------------------------------------------------------

TVelCustomSerialPort::TVelCustomSerialPort(TComponent* owner) : TVelDataDispConnComponent(owner) {
  if (Designing())
    return;
  syncId_ = SafeSyncRegister(Method<&TVelCustomSerialPort::SyncEventCallback>(this));
  core_.reset(new TVelComPortCore());
  core_->OnNotify = Method<&TVelCustomSerialPort::CoreEvent>(this);
  UpdateDCB();
}

TVelCustomSerialPort::~TVelCustomSerialPort() {
  *alive_ = false;
  destroying_ = true;
  if (!core_)
    return;
  SafeSyncUnregister(syncId_);
  ReleaseEventThread();
  core_.reset();
}

bool TVelCustomSerialPort::Active() const {
  return core_ && core_->Opened();
}

void TVelCustomSerialPort::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

// Refused while a close is under way: a handler served during the close's
// waits would otherwise open the port under it.
void TVelCustomSerialPort::Open() {
  if (closing_)
    return;
  if (!Designing() && !Active()) {
    SafeSyncSetEnabled(syncId_, true);
    try {
      PushSettings();
      closing_ = false;
      OpenCore();
    } catch (...) {
      SafeSyncSetEnabled(syncId_, false);
      throw;
    }
    if (OnPortOpen)
      OnPortOpen(this);
  }
  TVelDataDispConnComponent::Open();
}

// A close nested in this one (a handler served while it waits) has nothing
// left to do and fires no second OnPortClose.
void TVelCustomSerialPort::Close() {
  if (closing_)
    return;
  TFlagScope<std::atomic<bool>> closing(closing_);
  ++connection_;
  TVelDataDispConnComponent::Close();
  if (Designing())
    return;
  SafeSyncSetEnabled(syncId_, false);
  ReleaseEventThread();
  core_->CloseComm();
  DropNotices();
  if (OnPortClose)
    OnPortClose(this);
}

// Settings changed while closed (DTR, RTS, buffer sizes) reach the device
// only through a freshly built DCB.
void TVelCustomSerialPort::PushSettings() {
  dcb_ = BuildDCB();
  core_->SetDCB(dcb_);
  core_->SetInBufSize(inBufSize_);
  core_->SetOutBufSize(outBufSize_);
  core_->SetEventThreadPriority(eventThreadPriority_);
  core_->SetWriteThreadPriority(writeThreadPriority_);
}

// A close from inside one of our own event handlers: the event thread is
// still waiting for this very message and could not end while we wait for
// it, so it is answered now.
void TVelCustomSerialPort::ReleaseEventThread() {
  if (delivering_ && InSendMessage())
    ReplyMessage(0);
}

void TVelCustomSerialPort::Loaded() {
  TVelDataDispConnComponent::Loaded();
  if (autoOpen_)
    Open();
  else
    UpdateDCB();
}

void TVelCustomSerialPort::WriteData(const void* buffer, int count) {
  if (closing_)
    return;
  if (!core_ || !core_->WriteData(buffer, count))
    ComError(Format("Write data error [requested: %d, free: %d]", count, OutBufFree()));
}

void TVelCustomSerialPort::SendString(const std::string& text) {
  if (!text.empty())
    WriteData(text.data(), static_cast<int>(text.size()));
}

void TVelCustomSerialPort::SendChar(char c) {
  WriteData(&c, 1);
}

void TVelCustomSerialPort::ReadData(void* buffer, int count) {
  if (closing_)
    return;
  if (!core_ || core_->ReadData(buffer, count) < count)
    ComError("Read data error");
}

char TVelCustomSerialPort::ReadChar() {
  char c = 0;
  ReadData(&c, 1);
  return c;
}

void TVelCustomSerialPort::ReadString(std::string& text) {
  text.clear();
  if (closing_ || !core_)
    return;
  text.resize(InBufUsed());
  if (text.empty())
    return;
  const int read = core_->ReadData(&text[0], static_cast<int>(text.size()));
  text.resize(std::max(read, 0));
}

int TVelCustomSerialPort::OutBufFree() const {
  return core_ ? core_->OutBufFree() : 0;
}

int TVelCustomSerialPort::InBufUsed() const {
  COMSTAT stat{};
  if (core_)
    core_->GetComStat(stat);
  return static_cast<int>(stat.cbInQue);
}

void TVelCustomSerialPort::PurgeRX() {
  if (!closing_ && core_)
    core_->PurgeRX();
}

void TVelCustomSerialPort::PurgeTX() {
  if (!closing_ && core_)
    core_->PurgeTX();
}

void TVelCustomSerialPort::CheckClosed() {
  if (Active())
    ComError("Port is not closed");
}

void TVelCustomSerialPort::ComError(const std::string& message) {
  throw EVelComPortError(Format("%s - %s ", Name(), message));
}

// ---- Properties -------------------------------------------------------------------

void TVelCustomSerialPort::SetBaudRate(TVelBaudrate value) {
  if (value == baudRate_)
    return;
  baudRate_ = value;
  if (value != brUser)
    userBaudRate_ = 0;
  UpdateDCB();
}

void TVelCustomSerialPort::SetUserBaudRate(int value) {
  if (value == userBaudRate_)
    return;
  userBaudRate_ = value;
  baudRate_ = brUser;
  UpdateDCB();
}

void TVelCustomSerialPort::SetDatabits(TVelDatabits value) {
  SetDCBSetting(databits_, value);
}

void TVelCustomSerialPort::SetParity(TVelParity value) {
  SetDCBSetting(parity_, value);
}

void TVelCustomSerialPort::SetStopbits(TVelStopbits value) {
  SetDCBSetting(stopbits_, value);
}

void TVelCustomSerialPort::SetFlowControl(TVelFlowControl value) {
  if (value == flowControl_)
    return;
  flowControl_ = value;
  CalcFlowLimits();
  UpdateDCB();
}

void TVelCustomSerialPort::SetOptions(TVelComOptions value) {
  SetDCBSetting(options_, value);
}

void TVelCustomSerialPort::SetDTR(bool value) {
  SetLine(dtr_, value, SETDTR, CLRDTR);
}

void TVelCustomSerialPort::SetRTS(bool value) {
  SetLine(rts_, value, SETRTS, CLRRTS);
}

// Switches the line of an open port at once; the DCB follows at its next
// rebuild.
void TVelCustomSerialPort::SetLine(bool& field, bool value, DWORD setFunction,
                                   DWORD clearFunction) {
  if (value == field)
    return;
  if (core_)
    core_->EscapeFunction(value ? setFunction : clearFunction);
  field = value;
}

void TVelCustomSerialPort::SetInBufSize(int value) {
  if (value == inBufSize_)
    return;
  CheckClosed();
  inBufSize_ = value;
  CalcFlowLimits();
}

void TVelCustomSerialPort::SetOutBufSize(int value) {
  if (value == outBufSize_)
    return;
  CheckClosed();
  outBufSize_ = value;
}

void TVelCustomSerialPort::SetXOnChar(char value) {
  SetDCBSetting(xOnChar_, value);
}

void TVelCustomSerialPort::SetXOffChar(char value) {
  SetDCBSetting(xOffChar_, value);
}

void TVelCustomSerialPort::SetXOnLim(uint16_t value) {
  if (value == xOnLim_)
    return;
  xOnLim_ = value;
  xOffLim_ = static_cast<uint16_t>(inBufSize_ - value);
}

void TVelCustomSerialPort::SetXOffLim(uint16_t value) {
  if (value == xOffLim_)
    return;
  xOffLim_ = value;
  xOnLim_ = static_cast<uint16_t>(inBufSize_ - value);
}

void TVelCustomSerialPort::CalcFlowLimits() {
  const bool none = flowControl_ == fwNone;
  xOnLim_ = static_cast<uint16_t>(none ? 0 : inBufSize_ / 4);
  xOffLim_ = static_cast<uint16_t>(none ? 0 : inBufSize_ - inBufSize_ / 4);
}

::DCB TVelCustomSerialPort::BuildDCB() const {
  ::DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  dcb.BaudRate = baudRate_ == brUser ? static_cast<DWORD>(userBaudRate_) : kBaudRates[baudRate_];
  dcb.ByteSize = static_cast<BYTE>(4 + databits_);
  dcb.Parity = static_cast<BYTE>(parity_);
  dcb.StopBits = static_cast<BYTE>(stopbits_);
  dcb.XonChar = xOnChar_;
  dcb.XoffChar = xOffChar_;
  dcb.XonLim = xOnLim_;
  dcb.XoffLim = xOffLim_;
  dcb.fBinary = TRUE;
  switch (flowControl_) {
    case fwNone:
      break;
    case fwXOnXOff:
      dcb.fOutX = TRUE;
      dcb.fInX = TRUE;
      break;
    case fwRtsCts:
      dcb.fOutxCtsFlow = TRUE;
      dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
      break;
    case fwDtrDsr:
      dcb.fOutxDsrFlow = TRUE;
      dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
      break;
  }
  dcb.fParity = options_.Contains(coParityCheck);
  dcb.fDsrSensitivity = options_.Contains(coDsrSensitivity);
  dcb.fTXContinueOnXoff = options_.Contains(coIgnoreXOff);
  dcb.fErrorChar = options_.Contains(coErrorChar);
  dcb.fNull = options_.Contains(coStripNull);
  if (dtr_ && flowControl_ != fwDtrDsr)
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
  if (rts_ && flowControl_ != fwRtsCts)
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
  return dcb;
}

// A DCB the driver refuses leaves the driver's settings in dcb_; the
// properties keep their new values.
void TVelCustomSerialPort::UpdateDCB() {
  if (Designing())
    return;
  dcb_ = BuildDCB();
  if (!Active())
    return;
  try {
    core_->SetDCB(dcb_);
  } catch (...) {
    dcb_ = core_->CurrentDCB();
    throw;
  }
}

// ---- Notices ----------------------------------------------------------------------

// Runs on the event thread.
void TVelCustomSerialPort::CoreEvent(TObject*, TVelCoreEvent kind, DWORD data,
                                     const std::exception_ptr& error) {
  if (closing_ || destroying_)
    return;
  if (kind != ceException) {
    if (const TVelCPTCoreEvent nonSync = OnNonSyncEvent()) {
      nonSync(this, kind, data);
      return;
    }
  }
  SyncCall(kind, data, error);
}

TVelCPTCoreEvent TVelCustomSerialPort::OnNonSyncEvent() const {
  TLockGuard guard(noticeLock_);
  return onNonSyncEvent_;
}

void TVelCustomSerialPort::SetOnNonSyncEvent(const TVelCPTCoreEvent& value) {
  TLockGuard guard(noticeLock_);
  onNonSyncEvent_ = value;
}

// Each notice is queued with its own number, which its message carries: a
// delivery that comes after the 2000 ms wait still finds its own payload.
void TVelCustomSerialPort::SyncCall(TVelCoreEvent kind, DWORD data,
                                    const std::exception_ptr& error) {
  uint32_t seq;
  {
    TLockGuard guard(noticeLock_);
    if (notices_.size() >= kMaxPendingNotices)
      notices_.pop_front();
    seq = ++lastSeq_;
    notices_.push_back({seq, kind, data, error});
  }
  if (SafeSyncCall(syncId_, kSyncTimeoutMs, seq))
    return;
  TNotice dropped;
  TakeNotice(seq, dropped);
  Abort();
}

bool TVelCustomSerialPort::TakeNotice(uint32_t seq, TNotice& notice) {
  TLockGuard guard(noticeLock_);
  const auto it = std::find_if(notices_.begin(), notices_.end(),
                               [seq](const TNotice& n) { return n.Seq == seq; });
  if (it == notices_.end())
    return false;
  notice = *it;
  notices_.erase(it);
  return true;
}

void TVelCustomSerialPort::DropNotices() {
  TLockGuard guard(noticeLock_);
  notices_.clear();
}

void TVelCustomSerialPort::SyncEventCallback(WPARAM seq) {
  TNotice notice;
  if (!TakeNotice(static_cast<uint32_t>(seq), notice) || closing_ || destroying_)
    return;
  // Restored only while the port lives: a handler may have freed it.
  const std::shared_ptr<std::atomic<bool>> alive = alive_;
  const bool wasDelivering = delivering_.exchange(true);
  struct TRestore {
    const std::shared_ptr<std::atomic<bool>>& alive;
    std::atomic<bool>& flag;
    const bool value;
    ~TRestore() {
      if (*alive)
        flag = value;
    }
  } restore{alive, delivering_, wasDelivering};
  DispatchSyncEvent(notice);
}

void TVelCustomSerialPort::DispatchSyncEvent(const TNotice& notice) {
  DWORD data = notice.Data;
  // The count the event thread saw may be stale by now.
  if (notice.Kind == ceNeedReadData) {
    data = InBufUsed();
    if (data == 0)
      return;
  }
  if (Raise(OnSyncEvent, notice.Kind, data))
    DispatchKind(notice, data);
}

void TVelCustomSerialPort::DispatchKind(const TNotice& notice, DWORD data) {
  switch (notice.Kind) {
    case ceOutFree:
      Raise(OnOutBufFree);
      break;
    case ceLineEvent:
      if (!(data & EV_RXCHAR) || Raise(OnDataRecived, InBufUsed()))
        DoLineEvents(data);
      break;
    case ceNeedReadData:
      Raise(OnDataRecived, static_cast<int>(data));
      break;
    case ceException:
      if (!notice.Error)
        break;
      // A lost device closes the port before the user hears of it.
      if (IsDeviceLost(notice.Error))
        Close();
      Rethrow(notice.Error);
  }
}

void TVelCustomSerialPort::DoLineEvents(DWORD mask) {
  const DWORD errors = core_->GetLineErrors();
  if ((mask & EV_ERR) && !Raise(OnLineError, errors))
    return;
  const struct {
    DWORD bit;
    TNotifyEvent TVelCustomSerialPort::*event;
  } lineEvents[] = {{EV_CTS, &TVelCustomSerialPort::OnCTSChanged},
                    {EV_DSR, &TVelCustomSerialPort::OnDSRChanged},
                    {EV_RING, &TVelCustomSerialPort::OnRINGDetected},
                    {EV_RLSD, &TVelCustomSerialPort::OnRLSDChanged}};
  for (const auto& line : lineEvents) {
    if ((mask & line.bit) && !Raise(this->*line.event))
      return;
  }
}

// Raises an assigned event; false when the port was closed or freed by it.
template <typename Event, typename... Args>
bool TVelCustomSerialPort::Raise(const Event& event, Args... args) {
  if (!event)
    return true;
  const std::shared_ptr<std::atomic<bool>> alive = alive_;
  const uint32_t connection = connection_;
  event(this, args...);
  return *alive && StillOpen(connection);
}

bool TVelCustomSerialPort::StillOpen(uint32_t connection) const {
  return connection_ == connection && !closing_;
}

// ---- TVelCustomComPort ------------------------------------------------------------

void TVelCustomComPort::SetComNumber(uint16_t value) {
  if (value == comNumber_)
    return;
  const bool reopen = Active();
  if (reopen)
    Close();
  comNumber_ = value;
  if (reopen)
    Open();
}

void TVelCustomComPort::OpenCore() {
  THourGlass hourGlass;
  Core()->OpenComm(comNumber_);
}

// ---- Published ------------------------------------------------------------------

VEL_ENUM_TYPE_IMPL(TVelBaudrate, "br110", "br300", "br600", "br1200", "br2400", "br4800", "br9600",
                   "br14400", "br19200", "br38400", "br56000", "br57600", "br115200", "br128000",
                   "br256000", "brUser")
VEL_ENUM_TYPE_IMPL(TVelDatabits, "db4", "db5", "db6", "db7", "db8")
VEL_ENUM_TYPE_IMPL(TVelParity, "paNone", "paOdd", "paEven", "paMark", "paSpace")
VEL_ENUM_TYPE_IMPL(TVelStopbits, "sbOne", "sbOneAndHalf", "sbTwo")
VEL_ENUM_TYPE_IMPL(TVelFlowControl, "fwNone", "fwXOnXOff", "fwRtsCts", "fwDtrDsr")
VEL_ENUM_TYPE_IMPL(TVelComOption, "coParityCheck", "coDsrSensitivity", "coIgnoreXOff",
                   "coErrorChar", "coStripNull")
VEL_ENUM_TYPE_IMPL(TThreadPriority, "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher",
                   "tpHighest", "tpTimeCritical")
VEL_ENUM_TYPE_IMPL(TVelCoreEvent, "ceOutFree", "ceLineEvent", "ceNeedReadData", "ceException")

void TVelComPort::Publish(TPublisher<TVelComPort>& p) {
  p.Property("AutoOpen", &TVelComPort::AutoOpen, &TVelComPort::SetAutoOpen);
  p.Property("BaudRate", &TVelComPort::BaudRate, &TVelComPort::SetBaudRate);
  p.Property("ComNumber", &TVelComPort::ComNumber, &TVelComPort::SetComNumber);
  p.Property("Databits", &TVelComPort::Databits, &TVelComPort::SetDatabits);
  p.Property("DTR", &TVelComPort::DTR, &TVelComPort::SetDTR);
  p.Property("EventThreadPriority", &TVelComPort::EventThreadPriority,
             &TVelComPort::SetEventThreadPriority);
  p.Property("FlowControl", &TVelComPort::FlowControl, &TVelComPort::SetFlowControl);
  p.Property("InBufSize", &TVelComPort::InBufSize, &TVelComPort::SetInBufSize);
  p.Property("Options", &TVelComPort::Options, &TVelComPort::SetOptions);
  p.Property("OutBufSize", &TVelComPort::OutBufSize, &TVelComPort::SetOutBufSize);
  p.Property("Parity", &TVelComPort::Parity, &TVelComPort::SetParity);
  p.Property("RTS", &TVelComPort::RTS, &TVelComPort::SetRTS);
  p.Property("Stopbits", &TVelComPort::Stopbits, &TVelComPort::SetStopbits);
  p.Property("UserBaudRate", &TVelComPort::UserBaudRate, &TVelComPort::SetUserBaudRate);
  p.Property("WriteThreadPriority", &TVelComPort::WriteThreadPriority,
             &TVelComPort::SetWriteThreadPriority);
  p.Property("XOnChar", &TVelComPort::XOnChar, &TVelComPort::SetXOnChar);
  p.Property("XOffChar", &TVelComPort::XOffChar, &TVelComPort::SetXOffChar);
  p.Property("XOnLim", &TVelComPort::XOnLim, &TVelComPort::SetXOnLim);
  p.Property("XOffLim", &TVelComPort::XOffLim, &TVelComPort::SetXOffLim);
  p.Event("OnCTSChanged", &TVelComPort::OnCTSChanged);
  p.Event("OnDataRecived", &TVelComPort::OnDataRecived);
  p.Event("OnDSRChanged", &TVelComPort::OnDSRChanged);
  p.Event("OnLineError", &TVelComPort::OnLineError);
  p.Property("OnNonSyncEvent", &TVelComPort::OnNonSyncEvent, &TVelComPort::SetOnNonSyncEvent);
  p.Event("OnOutBufFree", &TVelComPort::OnOutBufFree);
  p.Event("OnPortClose", &TVelComPort::OnPortClose);
  p.Event("OnPortOpen", &TVelComPort::OnPortOpen);
  p.Event("OnRINGDetected", &TVelComPort::OnRINGDetected);
  p.Event("OnRLSDChanged", &TVelComPort::OnRLSDChanged);
  p.Event("OnSyncEvent", &TVelComPort::OnSyncEvent);
}
