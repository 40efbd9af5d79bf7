// The setup utility's link to the instrument: a thread that owns the serial
// port and the command queue, writes one command at a time as a CR-ended
// line, matches the reply lines, sends unanswered commands again and reports
// to the main thread through four events, each run there while the thread
// waits. The engine lock guards every port access; it is taken before the
// queue's and the log's locks, never after them, and is never held while an
// event runs.
#pragma once

#include "Classes.h"
#include "Closure.h"
#include "Threads.h"
#include "uCmdBuffer.h"
#include "uLog.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TEchoState : uint8_t { esUnknown, esEchoOn, esEchoOff };
std::string EchoStateName(TEchoState state);

// What the engine takes from the program that hosts it; the host outlives the
// engine. The logging calls come from both threads and must answer the same
// for the engine's life.
class ICommEngineHost {
 public:
  // Text number to text in the user's current language.
  virtual std::wstring GetLangText(int textNumber) const = 0;
  virtual bool LoggingEnabled() const = 0;
  // The per-user data folder the log goes under; empty: no log.
  virtual std::string LogBaseFolder() const = 0;

 protected:
  ~ICommEngineHost() = default;
};

// The serial port as the engine uses it; the engine calls it only under its
// lock. ReadChar raises when no byte can be read.
class ICommPort {
 public:
  virtual ~ICommPort() = default;
  virtual bool Active() = 0;
  virtual void SetActive(bool active) = 0;
  virtual int ComNumber() = 0;
  virtual void SetComNumber(int number) = 0;
  virtual int InBufUsed() = 0;
  virtual char ReadChar() = 0;
  virtual std::string ReadString() = 0;
  virtual void SendString(const std::string& text) = 0;
  virtual void SendChar(char c) = 0;
  virtual void PurgeRX() = 0;
  virtual void PurgeTX() = 0;
};

// The port at 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
std::unique_ptr<ICommPort> CreateInstrumentPort();

using TCommTextEvent = TClosure<void(TObject* Sender, const std::string& Text)>;
using TCommResponseEvent =
    TClosure<void(TObject* Sender, const std::string& Command, const std::string& Response)>;

class TCommEngine : public TObject, public TThread {
  VEL_CLASS(TCommEngine, TObject)
 public:
  static constexpr DWORD kReplyTimeoutMs = 1000;
  static constexpr int kMaxResends = 2;
  static constexpr int64_t kLogMaxSize = 10485760;
  // A babbling device cannot keep the drain before a resend going longer.
  static constexpr int kMaxDrainBytes = 4096;

  // The thread starts at once and idles while the port is closed; with
  // createSuspended it is not started and the caller runs the passes itself.
  explicit TCommEngine(const ICommEngineHost& host,
                       std::unique_ptr<ICommPort> port = CreateInstrumentPort(),
                       bool createSuspended = false);
  ~TCommEngine() override;

  // Queue operations; false (and nothing queued) while the port is closed.
  bool SendCommand(const std::string& command, bool replace);
  bool SendCommands(const std::string& commaText, bool replace);
  bool IsConnected();
  // Only while the port is closed; false otherwise.
  bool SetPort(int comNumber, DWORD dataTimeout);
  void SetActive(bool active);
  TEchoState EchoState() const { return echoState_; }
  void SetEchoState(TEchoState state);

  // "ERROR" replies (trimmed, upper case): true with the code, 0 when no
  // digits follow; digits that make 0 give false.
  static bool ParseErrorCode(const std::string& reply, int& code);
  static int ErrorCodeTextNumber(int code);
  static std::wstring ErrorCodeText(int code, const ICommEngineHost& host);
  static bool IsResponseFor(const std::string& command, const std::string& line);
  static bool IsResultData(const std::string& line);
  static bool IsTag(const std::string& entry);
  static bool IsInternalCommand(const std::string& entry);

  TCommTextEvent OnTag;
  TNotifyEvent OnDisconnect;
  TCommTextEvent OnSend;
  TCommResponseEvent OnResponse;

 protected:
  void Execute() override;
  // One turn of the thread: read, match, resend or give up, dispatch, send
  // the next entry; sleeps briefly when there was nothing to do.
  void RunPass();
  TCmdBuffer& Queue() { return queue_; }

 private:
  // What one pass learnt so far.
  struct TPassFrame {
    // The connection the pass began on; a handler may close and reopen.
    uint32_t Connection = 0;
    bool Idle = true;
    bool PortOpen = false;
    bool Finished = false;
    bool LineReceived = false;
    bool EchoCanceled = false;
    std::string Line;
  };

  void Pass(TPassFrame& frame);
  bool SameConnection(const TPassFrame& frame) const { return connection_ == frame.Connection; }
  void ResetPassState();
  void ReceiveLine(TPassFrame& frame);
  void CheckReply(TPassFrame& frame);
  void CheckTimeout(TPassFrame& frame);
  void Disconnect(TPassFrame& frame);
  void PortLost(TPassFrame& frame);
  // Closes the port unless a handler already closed it or opened a new
  // connection.
  void CloseConnection(uint32_t connection);
  bool SwitchPort(bool active);
  void DispatchLine(const TPassFrame& frame);
  void SendNextEntry(TPassFrame& frame);
  bool WriteCommand(const std::string& command, bool resend);
  void DrainInput();
  void RunInternalCommand(const std::string& entry);
  void Flush();
  void DetectEcho();
  TEchoState ProbeEcho();
  // Adds the input, upper-cased, to collected until done holds or timeoutMs
  // passes.
  void PollInput(std::string& collected, const std::function<bool()>& done, DWORD timeoutMs);

  bool ReadLine(int count, std::string& line);
  bool TakeByte(char c, std::string& line);
  void ResetLineBuffer();

  // Runs the handler on the main thread, without the engine lock, inside the
  // exception barrier there: nothing it raises unwinds into the pass.
  void Synchronised(const std::function<void()>& handler);
  void DoSend(const std::string& command);
  void DoResponse(const std::string& command, const std::string& response);
  void DoTag(const std::string& tag);
  void DoDisconnect();

  void WriteLog(const std::string& text);
  TLog* GetLog();
  std::unique_ptr<TLog> CreateLog();

  const ICommEngineHost& host_;
  std::unique_ptr<TLog> logOwner_;  // created once, under logGuard_
  std::atomic<TLog*> log_{nullptr};
  TCriticalSection logGuard_;
  TCmdBuffer queue_;
  TCriticalSection lock_;
  // Serialises opening and closing, which run without lock_: a close serves
  // the main thread's sent messages, and so the engine's handlers.
  TCriticalSection switchLock_;
  // Counts the opens and closes; the pass state belongs to one connection.
  std::atomic<uint32_t> connection_{0};
  // Whether the host wants the port open: a closed port that is still
  // wanted was lost.
  std::atomic<bool> wanted_{false};
  std::unique_ptr<ICommPort> port_;
  std::atomic<TEchoState> echoState_{esUnknown};
  // The port's number as SetPort set it, for the log's file name.
  std::atomic<int> comNumber_{0};
  DWORD dataTimeout_ = 100;

  char lineBuffer_[256];
  int lineLength_ = 0;
  DWORD lastReadTick_ = 0;

  // Engine thread only.
  struct TPassState {
    uint32_t Connection = 0;
    bool Outstanding = false;
    std::string Command;
    std::string LastSent;
    DWORD SentTick = 0;
    int Retries = 0;
  } pass_;
};
