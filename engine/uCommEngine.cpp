#include "uCommEngine.h"

#include "FileUtils.h"
#include "Startup.h"
#include "SysUtils.h"
#include "System.h"
#include "VelComPort.h"

VEL_CLASS_IMPL(TCommEngine, TObject)

namespace {

const char kCR = '\r';
const DWORD kIdleSleepMs = 10;
const DWORD kEchoProbeMs = 3000;
const DWORD kEchoPollMs = 50;
const char kEchoProbe[] = "EECCHHOO";
// A partial line that reaches this length is dropped.
const int kLineLimit = 255;
const int kErrorNumberText = 26;
const char kLogFolder[] = "Velmor\\kolvexMK\\";
const char* const kStateWords[] = {"UNDEFINED", "BOOTING", "SELFTEST", "IDLE",
                                   "WAITING",   "RUNNING", "FAULTY",   "RECOVERED"};

class TInstrumentPort : public ICommPort {
 public:
  TInstrumentPort() : port_(Create<TVelComPort>(nullptr)) {
    port_->SetBaudRate(br9600);
    port_->SetDatabits(db8);
    port_->SetParity(paNone);
    port_->SetStopbits(sbOne);
    port_->SetFlowControl(fwNone);
  }
  bool Active() override { return port_->Active(); }
  void SetActive(bool active) override { port_->SetActive(active); }
  int ComNumber() override { return port_->ComNumber(); }
  void SetComNumber(int number) override { port_->SetComNumber(static_cast<uint16_t>(number)); }
  int InBufUsed() override { return port_->InBufUsed(); }
  char ReadChar() override { return port_->ReadChar(); }
  std::string ReadString() override {
    std::string text;
    port_->ReadString(text);
    return text;
  }
  void SendString(const std::string& text) override { port_->SendString(text); }
  void SendChar(char c) override { port_->SendChar(c); }
  void PurgeRX() override { port_->PurgeRX(); }
  void PurgeTX() override { port_->PurgeTX(); }

 private:
  TOwned<TVelComPort> port_;
};

bool Bracketed(const std::string& entry, char mark) {
  return entry.size() >= 3 && entry.front() == mark && entry.back() == mark;
}

}  // namespace

std::unique_ptr<ICommPort> CreateInstrumentPort() {
  return std::make_unique<TInstrumentPort>();
}

std::string EchoStateName(TEchoState state) {
  switch (state) {
    case esEchoOn:
      return "esEchoOn";
    case esEchoOff:
      return "esEchoOff";
    default:
      return "esUnknown";
  }
}

TCommEngine::TCommEngine(const ICommEngineHost& host, std::unique_ptr<ICommPort> port,
                         bool createSuspended)
    : TThread(true), host_(host), port_(std::move(port)) {
  comNumber_ = port_->ComNumber();
  if (!createSuspended)
    Start();
}

TCommEngine::~TCommEngine() {
  if (!Started())
    return;
  Terminate();
  WaitFor();
}

// ---- Operations of the main thread ------------------------------------------

bool TCommEngine::SendCommand(const std::string& command, bool replace) {
  return IsConnected() && queue_.Add(command, replace) >= 0;
}

bool TCommEngine::SendCommands(const std::string& commaText, bool replace) {
  return IsConnected() && queue_.AddCommaText(commaText, replace);
}

bool TCommEngine::IsConnected() {
  TLockGuard lock(lock_);
  return port_->Active();
}

bool TCommEngine::SetPort(int comNumber, DWORD dataTimeout) {
  TLockGuard lock(lock_);
  if (port_->Active())
    return false;
  port_->SetComNumber(comNumber);
  comNumber_ = comNumber;
  echoState_ = esUnknown;
  dataTimeout_ = dataTimeout;
  return true;
}

// Entries left from an earlier connection are discarded only when opening.
// The log tells what this call did, whatever a call nested in its close did.
void TCommEngine::SetActive(bool active) {
  TLockGuard switching(switchLock_);
  if (!active)
    wanted_ = false;
  {
    TLockGuard lock(lock_);
    if (port_->Active() == active)
      return;
  }
  ++connection_;
  if (!SwitchPort(active))
    return;
  wanted_ = active;
  WriteLog(active ? Format("communication started (COM%d)", port_->ComNumber())
                  : "communication stopped");
}

// False when the port did not open (a refused open logs nothing).
bool TCommEngine::SwitchPort(bool active) {
  try {
    if (active) {
      TLockGuard lock(lock_);
      port_->PurgeRX();
      port_->PurgeTX();
      queue_.Clear();
    }
    port_->SetActive(active);
    return !active || port_->Active();
  } catch (const std::exception& e) {
    WriteLog(std::string("error accessing port: ") + e.what());
    return false;
  }
}

// Logs also when the state does not change: the host reports the
// instrument's setting each time it reads it.
void TCommEngine::SetEchoState(TEchoState state) {
  echoState_ = state;
  WriteLog("echo-state changed to: " + EchoStateName(state));
}

// ---- Protocol knowledge -----------------------------------------------------

bool TCommEngine::ParseErrorCode(const std::string& reply, int& code) {
  if (!StartsStr("ERROR", reply))
    return false;
  code = 0;
  std::string digits;
  if (reply.size() > 5) {
    for (char c : Trim(reply.substr(5))) {
      if (c >= '0' && c <= '9')
        digits += c;
    }
  }
  if (digits.empty())
    return true;
  code = StrToIntDef(digits, 0);
  return code != 0;
}

int TCommEngine::ErrorCodeTextNumber(int code) {
  const unsigned value = static_cast<unsigned>(code);
  if (value <= 20)
    return 27 + static_cast<int>(value);
  if (value <= 29)
    return 48;
  if (value == 30)
    return 49;
  if (value <= 39)
    return 50;
  if (value <= 45)
    return 51 + static_cast<int>(value - 40);
  if (value <= 49)
    return 57;
  return kErrorNumberText;
}

std::wstring TCommEngine::ErrorCodeText(int code, const ICommEngineHost& host) {
  const int number = ErrorCodeTextNumber(code);
  const std::wstring text = host.GetLangText(number);
  return number == kErrorNumberText ? WideFormat(text, code) : text;
}

bool TCommEngine::IsResponseFor(const std::string& command, const std::string& line) {
  std::string mnemonic = UpperCase(Trim(command));
  mnemonic = mnemonic.substr(0, mnemonic.find(' '));
  const std::string reply = UpperCase(Trim(line));
  if (StartsStr(mnemonic, reply) || StartsStr("ERROR", reply))
    return true;
  if (mnemonic == "STR" || mnemonic == "STP")
    return reply == "OK";
  if (mnemonic != "RDS")
    return false;
  for (const char* word : kStateWords) {
    if (reply == word)
      return true;
  }
  return false;
}

bool TCommEngine::IsResultData(const std::string& line) {
  const std::string upper = UpperCase(line);
  return StartsStr("ISO", upper) || StartsStr("NAS", upper);
}

bool TCommEngine::IsTag(const std::string& entry) {
  return Bracketed(entry, '%');
}

bool TCommEngine::IsInternalCommand(const std::string& entry) {
  return Bracketed(entry, '@');
}

// ---- The thread ---------------------------------------------------------------

void TCommEngine::Execute() {
  while (!Terminated())
    RunPass();
}

// Whatever escapes a pass is logged: a stray exception must not end the
// thread while the window shows the instrument connected.
void TCommEngine::RunPass() {
  TPassFrame frame;
  try {
    Pass(frame);
  } catch (...) {
    WriteLog("unexpected av in receiver: " + ExceptionMessage(std::current_exception()));
  }
  if (frame.Idle)
    Sleep(kIdleSleepMs);
}

// A pass that finishes a command writes the next one at once, so one command
// is outstanding at a time. Nothing of one connection's exchange (the command
// awaited, a partial line) carries over into the next, and a pass whose
// handler closed or reopened the port stops there.
void TCommEngine::Pass(TPassFrame& frame) {
  frame.Connection = connection_;
  if (!IsConnected()) {
    if (wanted_.exchange(false))
      PortLost(frame);
    ResetPassState();
    return;
  }
  if (pass_.Connection != frame.Connection) {
    ResetPassState();
    ResetLineBuffer();
    pass_.Connection = frame.Connection;
  }
  frame.PortOpen = true;
  ReceiveLine(frame);
  if (frame.EchoCanceled)
    return;
  if (pass_.Outstanding)
    CheckReply(frame);
  if (frame.LineReceived && SameConnection(frame))
    DispatchLine(frame);
  if (!pass_.Outstanding && SameConnection(frame))
    SendNextEntry(frame);
}

void TCommEngine::ResetPassState() {
  pass_ = TPassState();
}

void TCommEngine::ReceiveLine(TPassFrame& frame) {
  TLockGuard lock(lock_);
  const int waiting = port_->InBufUsed();
  if (waiting <= 0)
    return;
  frame.Idle = false;
  if (!ReadLine(waiting, frame.Line))
    return;
  if (echoState_ == esEchoOn && frame.Line == pass_.LastSent) {
    WriteLog("echo canceled: " + pass_.LastSent);
    frame.Line.clear();
    pass_.LastSent.clear();
    frame.EchoCanceled = true;
    return;
  }
  WriteLog("received: " + frame.Line);
  frame.LineReceived = true;
}

// A line that matches nothing changes nothing, and the time-out waits for a
// pass without a line.
void TCommEngine::CheckReply(TPassFrame& frame) {
  if (!frame.LineReceived) {
    CheckTimeout(frame);
    return;
  }
  if (!IsResponseFor(pass_.Command, frame.Line))
    return;
  WriteLog("finalizing: " + pass_.Command + " > " + frame.Line);
  queue_.Delete(0);
  pass_.Outstanding = false;
  frame.Finished = true;
}

void TCommEngine::CheckTimeout(TPassFrame& frame) {
  if (TicksSince(pass_.SentTick) < kReplyTimeoutMs)
    return;
  if (pass_.Retries >= kMaxResends) {
    Disconnect(frame);
    return;
  }
  frame.Idle = false;
  ++pass_.Retries;
  const bool written = WriteCommand(pass_.Command, true);
  pass_.SentTick = GetTicks();
  if (written)
    DoSend(pass_.Command);
}

// The unanswered command stays at the head; the next open discards it.
void TCommEngine::Disconnect(TPassFrame& frame) {
  WriteLog("disconnected");
  DoDisconnect();
  CloseConnection(frame.Connection);
  frame.PortOpen = false;
  ResetPassState();
}

// The port closed without being asked (its device went away): the host
// hears of it as of an instrument that stopped answering.
void TCommEngine::PortLost(TPassFrame& frame) {
  WriteLog("connection lost");
  Disconnect(frame);
}

void TCommEngine::CloseConnection(uint32_t connection) {
  if (connection_ == connection)
    SetActive(false);
}

void TCommEngine::DispatchLine(const TPassFrame& frame) {
  WriteLog("dispatching response: " + frame.Line);
  if (IsResultData(frame.Line))
    DoResponse(std::string(), frame.Line);
  else if (frame.Finished)
    DoResponse(pass_.Command, frame.Line);
}

void TCommEngine::SendNextEntry(TPassFrame& frame) {
  std::string entry;
  if (!queue_.PeekFirst(entry))
    return;
  entry = Trim(entry);
  frame.Idle = false;
  pass_.Retries = 0;
  if (IsTag(entry)) {
    WriteLog("dispatching tag: " + entry);
    queue_.Delete(0);
    DoTag(entry);
    return;
  }
  if (IsInternalCommand(entry)) {
    WriteLog("executing command: " + entry);
    RunInternalCommand(entry);
  }
  if (IsInternalCommand(entry) || entry.empty()) {
    queue_.Delete(0);
    return;
  }
  pass_.Command = entry;
  // A handler earlier in this pass may have closed the port: then the entry
  // stays, unsent and unreported. The state is complete before OnSend runs.
  if (frame.PortOpen && WriteCommand(entry, false)) {
    pass_.Outstanding = true;
    pass_.SentTick = GetTicks();
    DoSend(entry);
  }
}

// False, with nothing written or logged, when the port is closed by now. A
// failed write shows as a missing reply: resends, then the disconnect.
bool TCommEngine::WriteCommand(const std::string& command, bool resend) {
  TLockGuard lock(lock_);
  if (!port_->Active())
    return false;
  WriteLog((resend ? "sending again: " : "sending: ") + command);
  try {
    if (resend && echoState_ == esEchoOn)
      DrainInput();
    port_->SendString(resend ? kCR + command + kCR : command + kCR);
  } catch (...) {
    // shows as a missing reply
  }
  pass_.LastSent = command;
  return true;
}

void TCommEngine::DrainInput() {
  for (int n = 0; n < kMaxDrainBytes && port_->InBufUsed() > 0; ++n) {
    try {
      port_->ReadChar();
    } catch (const std::exception&) {
      // dropped anyway
    }
  }
  port_->PurgeRX();
  port_->PurgeTX();
}

void TCommEngine::RunInternalCommand(const std::string& entry) {
  if (entry == "@flush@")
    Flush();
  else if (entry == "@detect_echo@")
    DetectEcho();
}

// Ends any partial line in the instrument.
void TCommEngine::Flush() {
  TLockGuard lock(lock_);
  if (!port_->Active())
    return;
  port_->PurgeRX();
  port_->PurgeTX();
  try {
    port_->SendChar(kCR);
  } catch (const std::exception&) {
  }
}

void TCommEngine::DetectEcho() {
  echoState_ = esUnknown;
  {
    TLockGuard lock(lock_);
    if (port_->Active())
      echoState_ = ProbeEcho();
  }
  WriteLog("echo-state: " + EchoStateName(echoState_));
}

// An instrument that echoes sends the probe back; one that does not answers
// it with an error, or stays silent. After an echo the probe's own error
// reply is awaited too, however late it comes: left for later, it would
// finish the next command.
TEchoState TCommEngine::ProbeEcho() {
  try {
    port_->PurgeRX();
    port_->PurgeTX();
    port_->SendString(std::string(kEchoProbe) + kCR);
    std::string collected;
    const auto has = [&collected](const char* text, size_t from = 0) {
      return collected.find(text, from) != std::string::npos;
    };
    PollInput(
        collected, [&] { return has(kEchoProbe) || has("ERROR"); }, kEchoProbeMs);
    const size_t echo = collected.find(kEchoProbe);
    if (echo != std::string::npos)
      PollInput(
          collected, [&] { return has("ERROR", echo); }, kReplyTimeoutMs);
    port_->PurgeRX();
    port_->PurgeTX();
    return echo != std::string::npos ? esEchoOn : esEchoOff;
  } catch (const std::exception&) {
    return esUnknown;
  }
}

void TCommEngine::PollInput(std::string& collected, const std::function<bool()>& done,
                            DWORD timeoutMs) {
  const DWORD start = GetTicks();
  while (!done() && TicksSince(start) < timeoutMs) {
    Sleep(kEchoPollMs);
    collected += UpperCase(port_->ReadString());
  }
}

// ---- Line assembly ------------------------------------------------------------

// Reads at most count bytes and stops at the first complete line; the bytes
// after it wait for the next pass.
bool TCommEngine::ReadLine(int count, std::string& line) {
  if (lastReadTick_ != 0 && dataTimeout_ != 0 && TicksSince(lastReadTick_) > dataTimeout_)
    ResetLineBuffer();
  bool found = false;
  for (int n = 0; n < count && !found && !Terminated(); ++n) {
    try {
      found = TakeByte(port_->ReadChar(), line);
    } catch (const std::exception&) {
      // the byte counts as read
    }
  }
  lastReadTick_ = GetTicks();
  return found;
}

bool TCommEngine::TakeByte(char c, std::string& line) {
  if (c != kCR) {
    lineBuffer_[lineLength_++] = c;
    if (lineLength_ >= kLineLimit)
      ResetLineBuffer();
    return false;
  }
  if (lineLength_ == 0)
    return false;
  line = Trim(std::string(lineBuffer_, lineLength_));
  ResetLineBuffer();
  return !line.empty();
}

void TCommEngine::ResetLineBuffer() {
  lineLength_ = 0;
  lastReadTick_ = 0;
}

// ---- Events -------------------------------------------------------------------

void TCommEngine::Synchronised(const std::function<void()>& handler) {
  const DWORD start = GetTicks();
  Synchronize([&] { Guard(this, handler); });
  // The time the main thread took is no gap in the device's output; the gap
  // before it still counts.
  if (lastReadTick_ != 0)
    lastReadTick_ += TicksSince(start);
}

void TCommEngine::DoSend(const std::string& command) {
  if (OnSend)
    Synchronised([&] { OnSend(this, command); });
}

void TCommEngine::DoResponse(const std::string& command, const std::string& response) {
  if (OnResponse)
    Synchronised([&] { OnResponse(this, command, response); });
}

void TCommEngine::DoTag(const std::string& tag) {
  if (OnTag)
    Synchronised([&] { OnTag(this, tag); });
}

void TCommEngine::DoDisconnect() {
  if (OnDisconnect)
    Synchronised([&] { OnDisconnect(this); });
}

// ---- Communication log ----------------------------------------------------------

void TCommEngine::WriteLog(const std::string& text) {
  TLog* log = GetLog();
  if (!log)
    return;
  try {
    log->WriteLine(text);
  } catch (const std::exception& e) {
    DebugOutput(std::string("cannot write log-file: ") + e.what());
  }
}

// Both threads write; the first line, whichever writes it, creates the file.
TLog* TCommEngine::GetLog() {
  if (TLog* log = log_.load())
    return log;
  if (!host_.LoggingEnabled())
    return nullptr;
  TLockGuard guard(logGuard_);
  if (!logOwner_) {
    logOwner_ = CreateLog();
    log_ = logOwner_.get();
  }
  return logOwner_.get();
}

std::unique_ptr<TLog> TCommEngine::CreateLog() {
  const std::string base = host_.LogBaseFolder();
  if (base.empty())
    return nullptr;
  const std::string folder = IncludeTrailingPathDelimiter(base) + kLogFolder;
  if (!DirectoryExists(folder))
    ForceDirectories(folder);
  if (!DirectoryExists(folder))
    return nullptr;
  const std::string fileName = folder + Format("comm_%0.3d.log", comNumber_.load());
  try {
    return std::make_unique<TLog>(fileName, kLogMaxSize);
  } catch (const std::exception& e) {
    DebugOutput("cannot create log-file \"" + fileName + "\", message: " + e.what());
    return nullptr;
  }
}
