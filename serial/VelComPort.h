// The serial port component: its properties hold the line settings, its
// events report what happens on the line, and a few operations open, close,
// read, write and purge. Notices of the port's event thread reach the main
// thread through the hidden window of VelSafeSync.
#pragma once

#include "Classes.h"
#include "SysUtils.h"
#include "Threads.h"
#include "TypInfo.h"
#include "VelComPortCore.h"
#include "VelDataDispatcher.h"
#include "Win.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>

enum TVelBaudrate {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000,
  brUser
};
enum TVelDatabits { db4, db5, db6, db7, db8 };
enum TVelParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVelStopbits { sbOne, sbOneAndHalf, sbTwo };
enum TVelFlowControl { fwNone, fwXOnXOff, fwRtsCts, fwDtrDsr };
enum TVelComOption { coParityCheck, coDsrSensitivity, coIgnoreXOff, coErrorChar, coStripNull };
using TVelComOptions = TSet<TVelComOption>;

VEL_ENUM_TYPE(TVelBaudrate);
VEL_ENUM_TYPE(TVelDatabits);
VEL_ENUM_TYPE(TVelParity);
VEL_ENUM_TYPE(TVelStopbits);
VEL_ENUM_TYPE(TVelFlowControl);
VEL_ENUM_TYPE(TVelComOption);
VEL_ENUM_TYPE(TThreadPriority);
VEL_ENUM_TYPE(TVelCoreEvent);

using TVelCPTCoreEvent = TClosure<void(TObject* Sender, TVelCoreEvent EventKind, DWORD Data)>;
using TVelCPTErrorEvent = TClosure<void(TObject* Sender, DWORD Errors)>;
using TVelCPTDataReceivedEvent = TClosure<void(TObject* Sender, int Count)>;

VEL_EXCEPTION_CLASS(EVelComPortError, Exception);

class TVelCustomSerialPort : public TVelDataDispConnComponent {
  VEL_CLASS(TVelCustomSerialPort, TVelDataDispConnComponent)
 public:
  explicit TVelCustomSerialPort(TComponent* owner);
  ~TVelCustomSerialPort() override;

  bool Active() const;
  void SetActive(bool active);
  void Open() override;
  // Fires OnPortClose also when the port was not open.
  void Close() override;

  // Raises EVelComPortError when the bytes do not fit or the port is closed.
  void WriteData(const void* buffer, int count) override;
  void SendString(const std::string& text);
  void SendChar(char c);
  // Raises EVelComPortError when fewer bytes than asked were read.
  void ReadData(void* buffer, int count);
  // 0 while the port is closing: nothing is read then.
  char ReadChar();
  // Every byte waiting in the driver; empty while closing or closed.
  void ReadString(std::string& text);
  int OutBufFree() const;
  int InBufUsed() const;
  void PurgeRX();
  void PurgeTX();

  // The line settings as the next open (or the open port) gets them.
  const DCB& PortDCB() const { return dcb_; }

  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool value) { autoOpen_ = value; }
  TVelBaudrate BaudRate() const { return baudRate_; }
  void SetBaudRate(TVelBaudrate value);
  int UserBaudRate() const { return userBaudRate_; }
  void SetUserBaudRate(int value);
  TVelDatabits Databits() const { return databits_; }
  void SetDatabits(TVelDatabits value);
  TVelParity Parity() const { return parity_; }
  void SetParity(TVelParity value);
  TVelStopbits Stopbits() const { return stopbits_; }
  void SetStopbits(TVelStopbits value);
  TVelFlowControl FlowControl() const { return flowControl_; }
  void SetFlowControl(TVelFlowControl value);
  TVelComOptions Options() const { return options_; }
  void SetOptions(TVelComOptions value);
  bool DTR() const { return dtr_; }
  void SetDTR(bool value);
  bool RTS() const { return rts_; }
  void SetRTS(bool value);
  int InBufSize() const { return inBufSize_; }
  void SetInBufSize(int value);
  int OutBufSize() const { return outBufSize_; }
  void SetOutBufSize(int value);
  char XOnChar() const { return xOnChar_; }
  void SetXOnChar(char value);
  char XOffChar() const { return xOffChar_; }
  void SetXOffChar(char value);
  uint16_t XOnLim() const { return xOnLim_; }
  void SetXOnLim(uint16_t value);
  uint16_t XOffLim() const { return xOffLim_; }
  void SetXOffLim(uint16_t value);
  TThreadPriority EventThreadPriority() const { return eventThreadPriority_; }
  void SetEventThreadPriority(TThreadPriority value) { eventThreadPriority_ = value; }
  TThreadPriority WriteThreadPriority() const { return writeThreadPriority_; }
  void SetWriteThreadPriority(TThreadPriority value) { writeThreadPriority_ = value; }

  TNotifyEvent OnCTSChanged;
  TVelCPTDataReceivedEvent OnDataRecived;
  TNotifyEvent OnDSRChanged;
  TVelCPTErrorEvent OnLineError;
  // Runs on the event thread; while assigned, notices other than exceptions
  // stay there and reach none of the other events. Read and written under a
  // lock, so that the event thread never sees it half assigned.
  TVelCPTCoreEvent OnNonSyncEvent() const;
  void SetOnNonSyncEvent(const TVelCPTCoreEvent& value);
  TNotifyEvent OnOutBufFree;
  TNotifyEvent OnPortClose;
  TNotifyEvent OnPortOpen;
  TNotifyEvent OnRINGDetected;
  TNotifyEvent OnRLSDChanged;
  TVelCPTCoreEvent OnSyncEvent;

 protected:
  void Loaded() override;
  virtual void OpenCore() = 0;
  // Raises EVelComPortError with the component's name before the message.
  virtual void ComError(const std::string& message);
  void CheckClosed();
  TVelComPortCore* Core() const { return core_.get(); }

 private:
  // One notice on its way to the main thread; its message carries Seq.
  struct TNotice {
    uint32_t Seq;
    TVelCoreEvent Kind;
    DWORD Data;
    std::exception_ptr Error;
  };

  bool Designing() const { return ComponentState().Contains(csDesigning); }
  ::DCB BuildDCB() const;
  void UpdateDCB();
  void PushSettings();
  void CalcFlowLimits();
  void SetLine(bool& field, bool value, DWORD setFunction, DWORD clearFunction);
  // Stores a line setting that only the DCB carries, and rebuilds it.
  template <typename T>
  void SetDCBSetting(T& field, T value) {
    if (value == field)
      return;
    field = value;
    UpdateDCB();
  }
  void ReleaseEventThread();

  void CoreEvent(TObject* sender, TVelCoreEvent kind, DWORD data, const std::exception_ptr& error);
  void SyncCall(TVelCoreEvent kind, DWORD data, const std::exception_ptr& error);
  bool TakeNotice(uint32_t seq, TNotice& notice);
  void DropNotices();
  void SyncEventCallback(WPARAM seq);
  // The rest of a notice is dropped once a handler closed or freed the port.
  void DispatchSyncEvent(const TNotice& notice);
  void DispatchKind(const TNotice& notice, DWORD data);
  void DoLineEvents(DWORD mask);
  template <typename Event, typename... Args>
  bool Raise(const Event& event, Args... args);
  bool StillOpen(uint32_t connection) const;

  TOwned<TVelComPortCore> core_;
  uint32_t syncId_ = 0;
  ::DCB dcb_{};
  std::atomic<bool> closing_{false};
  std::atomic<bool> destroying_{false};
  std::atomic<bool> delivering_{false};
  // False from the moment the destructor runs: a handler that freed the port
  // ends the dispatch without touching it again.
  const std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  // Counts the closes, so that a dispatch sees a close and reopen too.
  std::atomic<uint32_t> connection_{0};
  TVelCPTCoreEvent onNonSyncEvent_;
  mutable TCriticalSection noticeLock_;
  std::deque<TNotice> notices_;
  uint32_t lastSeq_ = 0;

  bool autoOpen_ = false;
  TVelBaudrate baudRate_ = br115200;
  int userBaudRate_ = 0;
  TVelDatabits databits_ = db8;
  TVelParity parity_ = paNone;
  TVelStopbits stopbits_ = sbOne;
  TVelFlowControl flowControl_ = fwNone;
  TVelComOptions options_;
  bool dtr_ = true;
  bool rts_ = true;
  int inBufSize_ = 4096;
  int outBufSize_ = 2048;
  char xOnChar_ = 17;
  char xOffChar_ = 19;
  uint16_t xOnLim_ = 0;
  uint16_t xOffLim_ = 0;
  TThreadPriority eventThreadPriority_ = tpNormal;
  TThreadPriority writeThreadPriority_ = tpHighest;
};

class TVelCustomComPort : public TVelCustomSerialPort {
  VEL_CLASS(TVelCustomComPort, TVelCustomSerialPort)
 public:
  explicit TVelCustomComPort(TComponent* owner) : TVelCustomSerialPort(owner) {}

  uint16_t ComNumber() const { return comNumber_; }
  // Reopens an open port on the new number.
  void SetComNumber(uint16_t value);

 protected:
  void OpenCore() override;

 private:
  uint16_t comNumber_ = 0;
};

class TVelComPort : public TVelCustomComPort {
  VEL_CLASS(TVelComPort, TVelCustomComPort)
  static void Publish(TPublisher<TVelComPort>& p);

 public:
  explicit TVelComPort(TComponent* owner) : TVelCustomComPort(owner) {}
};
