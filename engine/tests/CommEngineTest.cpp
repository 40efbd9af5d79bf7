// The pass logic on an in-memory port and a fake clock: each test runs the
// engine's passes itself, on the main thread, so the events run inline.
#include "FileUtils.h"
#include "StringList.h"
#include "TestSupport.h"
#include "uCommEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Closes as the real port does: it reports closed from the start of the
// close and refuses to open until the close is done.
class TFakePort : public ICommPort {
 public:
  bool Active() override { return active; }
  void SetActive(bool value) override {
    if (value && openError)
      throw Exception("port busy");
    if (value && closing)
      return;
    const bool close = active && !value;
    active = value;
    if (close && whileClosing) {
      closing = true;
      whileClosing();
      closing = false;
    }
  }
  int ComNumber() override { return comNumber; }
  void SetComNumber(int number) override { comNumber = number; }
  int InBufUsed() override {
    if (failReads)
      throw Exception("device gone");
    if (strayReads)
      throw 42;
    return babbling ? 1 : static_cast<int>(input.size());
  }
  char ReadChar() override {
    ++charsRead;
    if (babbling)
      return 'x';
    if (input.empty())
      throw Exception("nothing to read");
    const char c = input[0];
    input.erase(0, 1);
    return c;
  }
  std::string ReadString() override {
    std::string all;
    all.swap(input);
    return all;
  }
  void SendString(const std::string& text) override {
    if (writeError)
      throw Exception("write failed");
    wire += text;
    if (answer)
      input += answer(text);
  }
  void SendChar(char c) override { SendString(std::string(1, c)); }
  void PurgeRX() override {
    input.clear();
    ++purges;
  }
  void PurgeTX() override { ++purges; }

  bool active = false;
  bool closing = false;
  bool openError = false;
  bool strayReads = false;
  bool writeError = false;
  bool failReads = false;
  bool babbling = false;
  int comNumber = 0;
  int purges = 0;
  int charsRead = 0;
  std::string input;
  std::string wire;  // everything written
  std::function<std::string(const std::string&)> answer;
  // What the port's close serves meanwhile (a handler of the main thread).
  std::function<void()> whileClosing;
};

class TTestEngine : public TCommEngine {
 public:
  TTestEngine(const ICommEngineHost& host, std::unique_ptr<ICommPort> port)
      : TCommEngine(host, std::move(port), true) {}
  using TCommEngine::Queue;
  using TCommEngine::RunPass;
};

class EngineTest : public testing::Test {
 protected:
  void SetUp() override { CreateEngine(); }

  void CreateEngine() {
    auto port = std::make_unique<TFakePort>();
    port_ = port.get();
    engine_ = std::make_unique<TTestEngine>(host_, std::move(port));
    engine_->OnSend = Method<&EngineTest::Sent>(this);
    engine_->OnResponse = Method<&EngineTest::Responded>(this);
    engine_->OnTag = Method<&EngineTest::Tagged>(this);
    engine_->OnDisconnect = Method<&EngineTest::Disconnected>(this);
  }

  void Connect(DWORD dataTimeout = 100) {
    ASSERT_TRUE(engine_->SetPort(7, dataTimeout));
    engine_->SetActive(true);
    ASSERT_TRUE(engine_->IsConnected());
  }
  void Queue(const std::string& commaText) { ASSERT_TRUE(engine_->SendCommands(commaText, false)); }
  void Passes(int count) {
    for (int i = 0; i < count; ++i)
      engine_->RunPass();
  }
  // The wire since the last call.
  std::string Written() {
    std::string text;
    text.swap(port_->wire);
    return text;
  }
  Strings TakeEvents() {
    Strings taken;
    taken.swap(events_);
    return taken;
  }
  // The log after a pass whose read fails as the port's flag failure says,
  // then a pass that sends.
  Strings LogAfterAFailedPass(bool TFakePort::*failure) {
    host_.LogFolder = logFolder_.Path();
    Connect();
    port_->*failure = true;
    Passes(1);
    port_->*failure = false;
    Queue("RDS");
    Passes(1);
    return LogTexts();
  }
  std::string LogFileName() const { return logFolder_.Path() + "\\Velmor\\kolvexMK\\comm_007.log"; }
  // The texts of the time-stamped lines.
  Strings LogTexts() const {
    TStringList lines;
    lines.SetText(ReadWholeFile(LogFileName()));
    Strings texts;
    for (int i = 0; i < lines.Count(); ++i) {
      const size_t separator = lines.Strings(i).find(" : ");
      if (separator != std::string::npos)
        texts.push_back(lines.Strings(i).substr(separator + 3));
    }
    return texts;
  }

  void Sent(TObject* sender, const std::string& command) {
    EXPECT_EQ(engine_.get(), sender);
    events_.push_back("send " + command);
    if (onSend)
      onSend();
  }
  void Responded(TObject*, const std::string& command, const std::string& response) {
    events_.push_back("response " + command + " > " + response);
    if (onResponse)
      onResponse();
  }
  void Tagged(TObject*, const std::string& tag) {
    events_.push_back("tag " + tag);
    if (onTag)
      onTag();
  }
  void Disconnected(TObject*) {
    events_.push_back("disconnect");
    if (onDisconnect)
      onDisconnect();
  }

  TFakeClock clock_;
  TScratchFolder logFolder_;
  TTestHost host_;
  TFakePort* port_ = nullptr;
  std::unique_ptr<TTestEngine> engine_;
  Strings events_;
  std::function<void()> onSend, onResponse, onTag, onDisconnect;
};

// ---- Sending and matching ---------------------------------------------------------

TEST_F(EngineTest, WritesOneCommandAtATimeAndTheNextOneWithTheReply) {
  Connect();
  Queue("RDS,RLR");
  Passes(3);
  EXPECT_EQ("RDS\r", Written());
  port_->input = "RDS=IDLE\r";
  Passes(1);
  EXPECT_EQ("RLR\r", Written());
  port_->input = "RLR=18/16/13\r";
  Passes(2);
  EXPECT_EQ(
      (Strings{"send RDS", "response RDS > RDS=IDLE", "send RLR", "response RLR > RLR=18/16/13"}),
      TakeEvents());
  EXPECT_EQ(0, engine_->Queue().Count());
}

TEST_F(EngineTest, ALineThatIsNoReplyLeavesTheCommandWaiting) {
  Connect();
  Queue("RMP,RDS");
  Passes(1);
  port_->input = "RDS=IDLE\r";  // not the reply to RMP
  Passes(2);
  port_->input = "rmp = 60\r";
  Passes(1);
  EXPECT_EQ("RMP\rRDS\r", Written());
  EXPECT_EQ((Strings{"send RMP", "response RMP > rmp = 60", "send RDS"}), TakeEvents());
}

// A set edited while it awaits its reply is written after it, not dropped.
TEST_F(EngineTest, AnEditOfTheSetInFlightIsStillWritten) {
  Connect();
  ASSERT_TRUE(engine_->SendCommand("SMP 60", true));
  Passes(1);
  ASSERT_TRUE(engine_->SendCommand("SMP 6", true));
  port_->input = "SMP=60\r";
  Passes(1);
  EXPECT_EQ("SMP 60\rSMP 6\r", Written());
}

TEST_F(EngineTest, EntriesAreTrimmedBeforeTheyAreWritten) {
  Connect();
  engine_->SendCommand("  SMP 60 \t", false);
  Passes(1);
  EXPECT_EQ("SMP 60\r", Written());
}

TEST_F(EngineTest, UnsolicitedResultsAreReportedWhileACommandWaits) {
  Connect();
  Queue("RDS");
  Passes(1);
  port_->input = "iso=18/16/13\rNAS=7\r";
  Passes(2);
  EXPECT_EQ(1, engine_->Queue().Count()) << "RDS still waits";
  port_->input = "IDLE\r";
  Passes(1);
  EXPECT_EQ(
      (Strings{"send RDS", "response  > iso=18/16/13", "response  > NAS=7", "response RDS > IDLE"}),
      TakeEvents());
}

TEST_F(EngineTest, ALineWhileNothingWaitsIsDropped) {
  Connect();
  port_->input = "RDS=IDLE\r";
  Passes(2);
  EXPECT_EQ(Strings{}, TakeEvents());
  EXPECT_EQ("", port_->input);
}

TEST_F(EngineTest, TagsAndRepliesAreReportedInQueueOrder) {
  Connect();
  Queue("%read_config%,RPT,%r%,%%");
  Passes(2);  // internal entries and tags take a pass each
  port_->input = "RPT=kvmh\r";
  Passes(2);
  port_->input = "ERROR 1\r";
  Passes(1);
  EXPECT_EQ((Strings{"tag %read_config%", "send RPT", "response RPT > RPT=kvmh", "tag %r%",
                     "send %%", "response %% > ERROR 1"}),
            TakeEvents());
  EXPECT_EQ("RPT\r%%\r", Written());
}

TEST(ReplyMatch, TheMnemonicAndTheSpecialForms) {
  EXPECT_TRUE(TCommEngine::IsResponseFor("SMP 60", "smp=60"));
  EXPECT_TRUE(TCommEngine::IsResponseFor("SMP 60", "SMP=5"));
  EXPECT_TRUE(TCommEngine::IsResponseFor(" SMP 60", "error 20"));
  EXPECT_FALSE(TCommEngine::IsResponseFor("SMP 60", "SM"));
  EXPECT_TRUE(TCommEngine::IsResponseFor("STR", "OK"));
  EXPECT_TRUE(TCommEngine::IsResponseFor("STP", " ok "));
  EXPECT_FALSE(TCommEngine::IsResponseFor("RDS", "OK"));
  EXPECT_FALSE(TCommEngine::IsResponseFor("STR", "OK then"));
  EXPECT_TRUE(TCommEngine::IsResponseFor("OK", "OK"));
  for (const char* word :
       {"UNDEFINED", "BOOTING", "SELFTEST", "IDLE", "WAITING", "RUNNING", "FAULTY", "RECOVERED"})
    EXPECT_TRUE(TCommEngine::IsResponseFor("RDS", word)) << word;
  EXPECT_FALSE(TCommEngine::IsResponseFor("RDS", "IDLER"));
  EXPECT_FALSE(TCommEngine::IsResponseFor("RLR", "IDLE"));
}

TEST_F(EngineTest, OnlyInEchoModeTheEchoOfTheLastCommandIsDroppedOnce) {
  Connect();
  engine_->SetEchoState(esEchoOff);
  Queue("RMP");
  Passes(1);
  port_->input = "RMP\r";
  Passes(1);
  engine_->SetEchoState(esEchoOn);
  Queue("RMP");
  Passes(1);
  port_->input = "RMP\rRMP\r";
  Passes(3);
  EXPECT_EQ((Strings{"send RMP", "response RMP > RMP", "send RMP", "response RMP > RMP"}),
            TakeEvents());
}

TEST_F(EngineTest, DetectEchoFindsTheProbeEchoedOrAnsweredOrUnanswered) {
  Connect();
  struct {
    std::function<std::string(const std::string&)> answer;
    TEchoState expected;
  } const cases[] = {
      {[](const std::string& text) { return text + "ERROR 1\r"; }, esEchoOn},
      {[](const std::string&) { return std::string("error 1\r"); }, esEchoOff},
      {nullptr, esEchoOff},
  };
  TFakeClock::SetStep(1000);  // the silent probe gives up after a few readings
  for (const auto& c : cases) {
    port_->answer = c.answer;
    Queue("@detect_echo@");
    Passes(1);
    EXPECT_EQ(c.expected, engine_->EchoState());
    EXPECT_EQ("EECCHHOO\r", Written());
    EXPECT_EQ("", port_->input) << "purged after the probe";
  }
  port_->writeError = true;
  Queue("@detect_echo@");
  Passes(1);
  EXPECT_EQ(esUnknown, engine_->EchoState());
  EXPECT_EQ(0, engine_->Queue().Count());
}

TEST_F(EngineTest, FlushPurgesAndEndsAPartialLineInTheInstrument) {
  Connect();
  port_->input = "junk";
  Queue("@flush@,@other@,RDS");
  Passes(3);
  EXPECT_EQ("\rRDS\r", Written());
  EXPECT_EQ((Strings{"send RDS"}), TakeEvents());
}

// ---- Time-outs, resends and the disconnect ----------------------------------------

TEST_F(EngineTest, AnUnansweredCommandIsSentTwiceMoreThenTheInstrumentIsLost) {
  Connect();
  onDisconnect = [this] { EXPECT_TRUE(engine_->IsConnected()) << "raised before the close"; };
  Queue("RDS,RLR");
  Passes(1);
  TFakeClock::Advance(999);
  Passes(1);
  EXPECT_EQ("RDS\r", Written());
  for (int resend = 1; resend <= 2; ++resend) {
    TFakeClock::Advance(1000);
    Passes(1);
    EXPECT_EQ("\rRDS\r", Written()) << resend;
  }
  TFakeClock::Advance(999);
  Passes(1);
  EXPECT_TRUE(engine_->IsConnected());
  TFakeClock::Advance(1);
  Passes(1);
  EXPECT_FALSE(engine_->IsConnected());
  EXPECT_EQ("", Written());
  EXPECT_EQ((Strings{"send RDS", "send RDS", "send RDS", "disconnect"}), TakeEvents());
  EXPECT_EQ(2, engine_->Queue().Count()) << "the queue stays until the next open";
  engine_->SetActive(true);
  EXPECT_EQ(0, engine_->Queue().Count());
}

// The port closes by itself (its device went away): the host hears of it
// once, as of a lost instrument; a close the host asks for is no loss, and
// the next connection works.
TEST_F(EngineTest, APortThatClosesByItselfIsReportedOnceAsALostInstrument) {
  host_.LogFolder = logFolder_.Path();
  Connect();
  Queue("RDS");
  Passes(1);
  TakeEvents();
  port_->active = false;
  Passes(3);
  EXPECT_EQ((Strings{"disconnect"}), TakeEvents());
  const Strings log = LogTexts();
  EXPECT_EQ((Strings{"connection lost", "disconnected"}), Strings(log.end() - 2, log.end()));

  Connect();
  Queue("RDS");
  Passes(1);
  EXPECT_EQ((Strings{"send RDS"}), TakeEvents());
  engine_->SetActive(false);
  Passes(2);
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(EngineTest, AReplyToAResendFinishesTheCommand) {
  Connect();
  Queue("RDS,RLR");
  Passes(1);
  TFakeClock::Advance(1000);
  Passes(1);
  port_->input = "RDS=IDLE\r";
  Passes(1);
  EXPECT_EQ("RDS\r\rRDS\rRLR\r", Written());
  // The new command has its own time and resends.
  TFakeClock::Advance(2999);
  Passes(3);
  EXPECT_TRUE(engine_->IsConnected());
}

TEST_F(EngineTest, ADisconnectHandlerMayCloseThePortItself) {
  host_.LogFolder = logFolder_.Path();
  Connect();
  onDisconnect = [this] { engine_->SetActive(false); };
  Queue("RDS");
  Passes(1);
  for (int i = 0; i < 3; ++i) {
    TFakeClock::Advance(1000);
    Passes(1);
  }
  EXPECT_FALSE(engine_->IsConnected());
  const Strings log = LogTexts();
  EXPECT_EQ(1, std::count(log.begin(), log.end(), "communication stopped"));
  EXPECT_EQ("disconnected", log[log.size() - 2]);
}

// A device that never stops sending must not keep the engine in the drain;
// without echo mode there is no drain at all.
TEST_F(EngineTest, OnlyInEchoModeAResendDrainsAndThenBoundedly) {
  for (const bool echo : {true, false}) {
    CreateEngine();
    Connect();
    if (echo)
      engine_->SetEchoState(esEchoOn);
    Queue("RDS");
    Passes(1);
    port_->babbling = true;
    const int purges = port_->purges;
    TFakeClock::Advance(1000);
    Passes(1);  // one byte by line assembly, then the drain
    EXPECT_EQ(1 + (echo ? TCommEngine::kMaxDrainBytes : 0), port_->charsRead) << echo;
    EXPECT_EQ("RDS\r\rRDS\r", Written()) << echo;
    if (!echo) {
      EXPECT_EQ(purges, port_->purges);
    }
  }
}

TEST_F(EngineTest, AFailedWriteEndsInResendsAndTheDisconnect) {
  Connect();
  port_->writeError = true;
  Queue("RDS");
  Passes(1);
  for (int i = 0; i < 3; ++i) {
    TFakeClock::Advance(1000);
    Passes(1);
  }
  EXPECT_EQ((Strings{"send RDS", "send RDS", "send RDS", "disconnect"}), TakeEvents());
}

// ---- Handlers that close the port or keep the main thread busy ----------------------

TEST_F(EngineTest, NothingIsSentOrReportedAfterAHandlerClosedThePort) {
  host_.LogFolder = logFolder_.Path();
  Connect();
  Queue("RPI,RDS");
  Passes(1);
  onResponse = [this] { engine_->SetActive(false); };  // an unsupported model
  port_->input = "RPI=other\r";
  Passes(1);
  EXPECT_EQ("RPI\r", Written());
  EXPECT_EQ((Strings{"send RPI", "response RPI > RPI=other"}), TakeEvents());
  EXPECT_EQ(1, engine_->Queue().Count()) << "RDS stays for the next open to discard";
  const Strings log = LogTexts();
  EXPECT_EQ(0, std::count(log.begin(), log.end(), "sending: RDS"));
}

TEST_F(EngineTest, TimeInAHandlerIsNoGapInAPartialLine) {
  Connect(100);
  Queue("%read_config%");
  onTag = [] { TFakeClock::Advance(500); };
  port_->input = "ISO=18/1";
  Passes(1);  // the partial line, then the tag
  port_->input = "6/13\r";
  Passes(1);
  EXPECT_EQ((Strings{"tag %read_config%", "response  > ISO=18/16/13"}), TakeEvents());
}

// ---- Line assembly ---------------------------------------------------------------

// A gap longer than the data time-out starts a new line; time-out 0 never does.
TEST_F(EngineTest, TheDataTimeoutSplitsALineAtAGap) {
  const struct {
    DWORD dataTimeout, gap;
    const char* rest;
    const char* line;
  } cases[] = {{100, 101, "IDLE\r", "IDLE"}, {0, 60000, "LE\r", "RDS=IDLE"}};
  for (const auto& c : cases) {
    CreateEngine();
    Connect(c.dataTimeout);
    Queue("RDS");
    Passes(1);
    port_->input = "RDS=ID";
    Passes(1);
    TFakeClock::Advance(c.gap);
    port_->input = c.rest;
    Passes(1);
    EXPECT_EQ((Strings{"send RDS", std::string("response RDS > ") + c.line}), TakeEvents());
  }
}

TEST_F(EngineTest, LinesUpTo254BytesAreDeliveredAndLongerOnesDropped) {
  Connect();
  Queue("RDI");
  Passes(1);
  const std::string longest = "RDI=" + std::string(250, 'a');
  // 255 bytes without CR are dropped; the rest starts a new line.
  port_->input = " " + longest + "RDI=b\r";
  Passes(1);
  Queue("RDI");
  Passes(1);
  port_->input = longest + "\r";
  Passes(1);
  EXPECT_EQ((Strings{"send RDI", "response RDI > RDI=b", "send RDI", "response RDI > " + longest}),
            TakeEvents());
}

TEST_F(EngineTest, BlankLinesAreSkipped) {
  Connect();
  Queue("RDS");
  Passes(1);
  port_->input = "\r \n\rIDLE\r";
  Passes(1);
  EXPECT_EQ((Strings{"send RDS", "response RDS > IDLE"}), TakeEvents());
}

// The gap counts from the last read: neither the engine's writes nor its
// events in between keep an old partial line alive.
TEST_F(EngineTest, AnOldPartialLineIsDroppedWhateverWasWrittenSince) {
  const struct {
    const char* command;
    const char* partial;
    bool resend;  // else the partial line is noise and a new command follows
    const char* reply;
  } cases[] = {{"RDS", "RDS=IDL", true, "RDS=IDLE"},
               {"RSN", "RSN=100234\n", true, "RSN=100234"},
               {"RDS", "x#!", false, "IDLE"}};
  for (const auto& c : cases) {
    CreateEngine();
    Connect(100);
    if (c.resend) {
      Queue(c.command);
      Passes(1);
    }
    port_->input = c.partial;
    Passes(1);
    TFakeClock::Advance(1000);
    if (!c.resend)
      Queue(c.command);
    Passes(1);
    port_->input = std::string(c.reply) + "\r";
    Passes(1);
    EXPECT_EQ(std::string("response ") + c.command + " > " + c.reply, TakeEvents().back())
        << c.partial;
  }
}

// ---- Operations of the main thread --------------------------------------------------

TEST_F(EngineTest, ClosedPortQueuesNothingAndAnOpenPortKeepsItsSettings) {
  EXPECT_FALSE(engine_->SendCommand("RDS", false));
  EXPECT_FALSE(engine_->SendCommands("RDS,RLR", true));
  EXPECT_EQ(0, engine_->Queue().Count());
  Connect();
  EXPECT_FALSE(engine_->SetPort(3, 50));
  EXPECT_EQ(7, port_->comNumber);
  Queue("RDS");
  engine_->SetActive(true);
  EXPECT_EQ(1, engine_->Queue().Count());
}

TEST_F(EngineTest, SetPortForgetsTheEchoState) {
  host_.LogFolder = logFolder_.Path();
  ASSERT_TRUE(engine_->SetPort(7, 100));
  engine_->SetEchoState(esEchoOn);
  engine_->SetEchoState(esEchoOn);
  ASSERT_TRUE(engine_->SetPort(4, 50));
  EXPECT_EQ(esUnknown, engine_->EchoState());
  EXPECT_EQ((Strings{"echo-state changed to: esEchoOn", "echo-state changed to: esEchoOn"}),
            LogTexts());
}

TEST_F(EngineTest, APortThatCannotOpenIsLogged) {
  host_.LogFolder = logFolder_.Path();
  port_->openError = true;
  engine_->SetPort(7, 100);
  engine_->SetActive(true);
  EXPECT_FALSE(engine_->IsConnected());
  EXPECT_EQ((Strings{"error accessing port: port busy"}), LogTexts());
}

// ---- The communication log ------------------------------------------------------------

TEST_F(EngineTest, TheLogFollowsTheDialogue) {
  host_.LogFolder = logFolder_.Path();
  Connect();
  Queue("%read_config%,@flush@,RDS");
  Passes(3);
  port_->input = "IDLE\r";
  Passes(1);
  engine_->SetEchoState(esEchoOn);
  engine_->SetActive(false);
  EXPECT_EQ((Strings{"communication started (COM7)", "dispatching tag: %read_config%",
                     "executing command: @flush@", "sending: RDS", "received: IDLE",
                     "finalizing: RDS > IDLE", "dispatching response: IDLE",
                     "echo-state changed to: esEchoOn", "communication stopped"}),
            LogTexts());
  engine_.reset();
  const std::string file = ReadWholeFile(LogFileName());
  EXPECT_EQ("File opened\r\n", file.substr(0, 13));
  EXPECT_EQ("File closed\r\n", file.substr(file.size() - 13));
}

TEST_F(EngineTest, WithLoggingOffNoFileIsCreated) {
  Connect();
  Queue("RDS");
  Passes(1);
  EXPECT_FALSE(DirectoryExists(logFolder_.Path() + "\\Velmor"));
}

TEST_F(EngineTest, AnExceptionInAPassIsLoggedAndThePassesGoOn) {
  EXPECT_EQ((Strings{"communication started (COM7)", "unexpected av in receiver: device gone",
                     "sending: RDS"}),
            LogAfterAFailedPass(&TFakePort::failReads));
}

// Both threads may write the first line; the file is made once.
TEST_F(EngineTest, TheLogIsCreatedOnceWhicheverThreadWritesFirst) {
  host_.LogFolder = logFolder_.Path();
  engine_->SetPort(7, 100);
  auto toggle = [this] {
    for (int i = 0; i < 200; ++i)
      engine_->SetEchoState(i % 2 ? esEchoOn : esEchoOff);
  };
  {
    TLambdaThread other([&](TLambdaThread&) { toggle(); });
    toggle();
  }
  engine_.reset();
  TStringList lines;
  lines.SetText(ReadWholeFile(LogFileName()));
  ASSERT_EQ(2 + 2 * 200, lines.Count()) << "every change logged once, in one file";
  EXPECT_EQ("File opened", lines.Strings(0));
  EXPECT_EQ("File closed", lines.Strings(lines.Count() - 1));
  for (int i = 1; i < lines.Count() - 1; ++i)
    EXPECT_NE(std::string::npos, lines.Strings(i).find(" : echo-state changed to: es")) << i;
}

// ---- Handlers that raise --------------------------------------------------------------

// An exception reaches the application's handler; a silent Abort() nothing.
const struct {
  std::function<void()> raise;
  Strings reported;
} kRaisingHandlers[] = {{[] { throw Exception("handler failed"); }, {"handler failed"}},
                        {[] { Abort(); }, {}}};

TEST_F(EngineTest, ARaisingSendHandlerNeitherHurriesTheResendNorLosesTheInstrument) {
  for (const auto& handler : kRaisingHandlers) {
    CreateEngine();
    Connect();
    ReportedExceptions().clear();
    onSend = handler.raise;
    Queue("RDS");
    Passes(1);
    TFakeClock::Advance(999);
    Passes(3);
    EXPECT_EQ("RDS\r", Written());
    EXPECT_TRUE(engine_->IsConnected());
    TFakeClock::Advance(1);
    Passes(1);
    EXPECT_EQ("\rRDS\r", Written());
    EXPECT_EQ(ReportedExceptions().size(), 2 * handler.reported.size());
  }
}

TEST_F(EngineTest, ARaisingTagHandlerStillRemovesItsTag) {
  for (const auto& handler : kRaisingHandlers) {
    CreateEngine();
    Connect();
    ReportedExceptions().clear();
    onTag = handler.raise;
    Queue("%read_config%,RDS");
    Passes(3);
    EXPECT_EQ((Strings{"tag %read_config%", "send RDS"}), TakeEvents());
    EXPECT_EQ("RDS\r", Written());
    EXPECT_EQ(handler.reported, ReportedExceptions());
  }
}

TEST_F(EngineTest, ARaisingDisconnectHandlerStillClosesThePort) {
  for (const auto& handler : kRaisingHandlers) {
    CreateEngine();
    Connect();
    onDisconnect = handler.raise;
    Queue("RDS");
    Passes(1);
    for (int i = 0; i < 3; ++i) {
      TFakeClock::Advance(1000);
      Passes(1);
    }
    EXPECT_FALSE(engine_->IsConnected());
    EXPECT_EQ("disconnect", TakeEvents().back());
  }
}

TEST_F(EngineTest, AnyExceptionInAPassIsLoggedAndThePassesGoOn) {
  EXPECT_EQ((Strings{"communication started (COM7)", "unexpected av in receiver: Unknown exception",
                     "sending: RDS"}),
            LogAfterAFailedPass(&TFakePort::strayReads));
}

// ---- Closing and reopening under way ----------------------------------------------------

// While the port closes, a handler served meanwhile closes and opens again:
// one close is logged, and the handler could take the engine lock.
TEST_F(EngineTest, ACloseNestedInACloseIsLoggedOnce) {
  host_.LogFolder = logFolder_.Path();
  Connect();
  std::atomic<bool> answered{false};
  bool lockFree = false;
  std::thread other;
  port_->whileClosing = [&] {
    other = std::thread([&] {
      engine_->IsConnected();
      answered = true;
    });
    const DWORD start = GetTickCount();
    while (!answered && GetTickCount() - start < 1000)
      Sleep(5);
    lockFree = answered;
    engine_->SetActive(false);
    engine_->SetActive(true);
  };
  engine_->SetActive(false);
  other.join();
  EXPECT_TRUE(lockFree) << "the engine lock was held while a handler ran";
  EXPECT_FALSE(engine_->IsConnected());
  EXPECT_EQ((Strings{"communication started (COM7)", "communication stopped"}), LogTexts());
}

// A handler that reconnects: the old connection's command is neither resent
// nor finished by a late reply on the new one.
TEST_F(EngineTest, AReconnectInAHandlerStartsAFreshExchange) {
  Connect();
  Queue("RDS");
  Passes(1);
  bool reconnect = true;
  onSend = [&] {
    if (!reconnect)
      return;
    reconnect = false;
    engine_->SetActive(false);
    engine_->SetActive(true);
    Queue("RLR");
  };
  TFakeClock::Advance(1000);
  Passes(1);
  EXPECT_EQ("RDS\r\rRDS\r", Written());
  Passes(1);
  EXPECT_EQ("RLR\r", Written());
  port_->input = "RDS=IDLE\r";
  Passes(1);
  EXPECT_EQ(1, engine_->Queue().Count()) << "RLR still waits for its own reply";
}

TEST_F(EngineTest, APartialLineEndsWithItsConnection) {
  Connect(0);
  Queue("RDS");
  Passes(1);
  port_->input = "RDS=ID";
  Passes(1);
  engine_->SetActive(false);
  Passes(1);
  engine_->SetActive(true);
  Queue("RDS");
  Passes(1);
  port_->input = "IDLE\r";
  Passes(1);
  EXPECT_EQ("response RDS > IDLE", TakeEvents().back());
}

// ---- Error replies -------------------------------------------------------------------

TEST(ErrorReplies, CodesAreTheDigitsAfterError) {
  struct {
    const char* reply;
    bool result;
    int code;
  } const cases[] = {{"ERROR", true, 0},      {"ERROR NOW", true, 0},
                     {"ERROR 0", false, 0},   {"ERROR12", true, 12},
                     {"ERROR 12", true, 12},  {"ERROR -12", true, 12},
                     {"ERROR 1 2", true, 12}, {"ERROR 99999999999", false, 0}};
  for (const auto& c : cases) {
    int code = -1;
    EXPECT_EQ(c.result, TCommEngine::ParseErrorCode(c.reply, code)) << c.reply;
    EXPECT_EQ(c.code, code) << c.reply;
  }
  int untouched = -1;
  EXPECT_FALSE(TCommEngine::ParseErrorCode("RMP=ERROR", untouched));
  EXPECT_EQ(-1, untouched);
}

TEST(ErrorReplies, CodesSelectTheirTexts) {
  const struct {
    int code;
    int text;
  } cases[] = {{0, 27},  {1, 28},  {13, 40}, {20, 47}, {21, 48}, {29, 48}, {30, 49}, {31, 50},
               {39, 50}, {40, 51}, {44, 55}, {45, 56}, {46, 57}, {49, 57}, {50, 26}, {-1, 26}};
  for (const auto& c : cases)
    EXPECT_EQ(c.text, TCommEngine::ErrorCodeTextNumber(c.code)) << c.code;
  TTestHost host;
  EXPECT_EQ(L"Number out of range", TCommEngine::ErrorCodeText(20, host));
  EXPECT_EQ(L"Error 50", TCommEngine::ErrorCodeText(50, host));
  EXPECT_EQ(L"Error -3", TCommEngine::ErrorCodeText(-3, host));
}

}  // namespace
