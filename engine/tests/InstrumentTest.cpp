// The engine on a real port against the fake instrument, in real time.
#include "FakeInstrument.h"
#include "StringList.h"
#include "TestSupport.h"
#include "uCommEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// The connect sequence and the fake instrument's replies; tags get none.
const struct {
  const char* entry;
  const char* reply;
} kConnectSequence[] = {{"@flush@", nullptr},
                        {"@detect_echo@", nullptr},
                        {"RCE", "RCE=OFF"},
                        {"REV", "REV=ON"},
                        {"RPI", "RPI=kolvex MK"},
                        {"RPV", "RPV=2"},
                        {"RDS", "IDLE"},
                        {"RDI", "RDI=LINE 1"},
                        {"RPN", "RPN=KMK-100"},
                        {"RSN", "RSN=100234"},
                        {"RSV", "RSV=1.24"},
                        {"RDF", "RDF=dd/mm/yy"},
                        {"RCD", "RCD=01/02/24"},
                        {"RDD", "RDD=01/02/25"},
                        {"RDU", "RDU=MTD"},
                        {"%read_config%", nullptr},
                        {"RPT", "RPT=kvmh"},
                        {"ROF", "ROF=ACDFG"},
                        {"%read_options%", nullptr}};

class InstrumentTest : public testing::Test {
 protected:
  void Start(const Strings& options = {}, DWORD dataTimeout = 100) {
    instrument_ = std::make_unique<TFakeInstrument>(options);
    engine_ = std::make_unique<TCommEngine>(host_);
    engine_->OnSend = Method<&InstrumentTest::Sent>(this);
    engine_->OnResponse = Method<&InstrumentTest::Responded>(this);
    engine_->OnTag = Method<&InstrumentTest::Tagged>(this);
    engine_->OnDisconnect = Method<&InstrumentTest::Disconnected>(this);
    ASSERT_TRUE(engine_->SetPort(instrument_->ComNumber(), dataTimeout));
    engine_->SetActive(true);
    ASSERT_TRUE(engine_->IsConnected());
  }
  void TearDown() override {
    engine_.reset();  // closes the port before the instrument goes
    instrument_.reset();
  }

  void Queue(const std::string& command) { ASSERT_TRUE(engine_->SendCommand(command, false)); }
  // Queues the connect sequence; the events it should bring, in order.
  Strings QueueConnectSequence(bool echo) {
    Strings expected;
    for (const auto& step : kConnectSequence) {
      Queue(step.entry);
      const std::string entry = step.entry;
      const std::string reply = entry == "RCE" && echo ? "RCE=ON" : step.reply ? step.reply : "";
      if (entry[0] == '%') {
        expected.push_back("tag " + entry);
      } else if (!reply.empty()) {
        expected.push_back("send " + entry);
        expected.push_back("response " + entry + " > " + reply);
      }
    }
    return expected;
  }
  bool WaitForEvent(const std::string& event, DWORD timeoutMs = 5000) {
    return PumpUntil([&] { return Has(event); }, timeoutMs);
  }
  bool Has(const std::string& event) const {
    return std::find(events_.begin(), events_.end(), event) != events_.end();
  }

  void Record(const std::string& event) {
    events_.push_back(event);
    ticks_.push_back(GetTickCount());
  }
  void Sent(TObject*, const std::string& command) { Record("send " + command); }
  void Responded(TObject*, const std::string& command, const std::string& response) {
    Record("response " + command + " > " + response);
  }
  void Tagged(TObject*, const std::string& tag) { Record("tag " + tag); }
  void Disconnected(TObject*) { Record("disconnect"); }

  TTestHost host_;
  std::unique_ptr<TFakeInstrument> instrument_;
  std::unique_ptr<TCommEngine> engine_;
  Strings events_;
  std::vector<DWORD> ticks_;
};

TEST_F(InstrumentTest, TheConnectSequenceRunsOneCommandAtATime) {
  Start({"delay=20"});
  const Strings expected = QueueConnectSequence(false);
  ASSERT_TRUE(WaitForEvent("tag %read_options%"));
  EXPECT_EQ(esEchoOff, engine_->EchoState());
  EXPECT_EQ(expected, events_);
  EXPECT_EQ(0, instrument_->Overlaps());
  EXPECT_EQ("EECCHHOO", instrument_->Received().front());
}

// The probe's echo comes at once, its error reply later than the echo wait:
// that reply must not finish the next command.
TEST_F(InstrumentTest, ALateAnswerToTheEchoProbeFinishesNoOtherCommand) {
  Start({"echo=on", "delay=150"});
  const Strings expected = QueueConnectSequence(true);
  ASSERT_TRUE(WaitForEvent("tag %read_options%", 10000));
  EXPECT_EQ(esEchoOn, engine_->EchoState());
  EXPECT_EQ(expected, events_);
}

TEST_F(InstrumentTest, AnEchoingInstrumentIsDetectedAndItsEchoesDropped) {
  Start({"echo=on"});
  Queue("@detect_echo@");
  Queue("SMP 90");
  Queue("RMP");
  ASSERT_TRUE(WaitForEvent("response RMP > RMP=90"));
  EXPECT_EQ(esEchoOn, engine_->EchoState());
  EXPECT_EQ(
      (Strings{"send SMP 90", "response SMP 90 > SMP=90", "send RMP", "response RMP > RMP=90"}),
      events_);
}

TEST_F(InstrumentTest, UnsolicitedResultsArriveBetweenCommandAndReply) {
  Start({"delay=400"});
  Queue("RDS");
  ASSERT_TRUE(WaitForEvent("send RDS"));
  instrument_->SendLine("ISO=18/16/13");
  ASSERT_TRUE(WaitForEvent("response RDS > IDLE"));
  EXPECT_EQ((Strings{"send RDS", "response  > ISO=18/16/13", "response RDS > IDLE"}), events_);
}

TEST_F(InstrumentTest, LateAndSplitRepliesAreMatchedWithoutResend) {
  Start({"delay=600", "split=5=150"}, 1000);
  Queue("RLR");
  ASSERT_TRUE(WaitForEvent("response RLR > RLR=18/16/13"));
  EXPECT_EQ("RLR\r", instrument_->Wire());
}

TEST_F(InstrumentTest, ErrorRepliesGiveTheirCodesAndTexts) {
  Start({"error=RMV=13"});
  Queue("RMV");
  Queue("SMP 900");
  ASSERT_TRUE(WaitForEvent("response SMP 900 > ERROR 20"));
  EXPECT_TRUE(Has("response RMV > ERROR 13"));
  EXPECT_EQ(L"Option not fitted", TCommEngine::ErrorCodeText(13, host_));
}

TEST_F(InstrumentTest, ASilentInstrumentIsReportedLostAndThePortClosed) {
  TScratchFolder logFolder;
  host_.LogFolder = logFolder.Path();
  Start({"silent=on"});
  Queue("RDS");
  ASSERT_TRUE(WaitForEvent("disconnect", 6000));
  EXPECT_FALSE(engine_->IsConnected());
  EXPECT_EQ("RDS\r\rRDS\r\rRDS\r", instrument_->Wire());
  ASSERT_EQ((Strings{"send RDS", "send RDS", "send RDS", "disconnect"}), events_);
  for (size_t i = 1; i < ticks_.size(); ++i) {
    EXPECT_GE(ticks_[i] - ticks_[i - 1], 950u) << i;
    EXPECT_LT(ticks_[i] - ticks_[i - 1], 1500u) << i;
  }
  engine_.reset();
  TStringList lines;
  lines.SetText(ReadWholeFile(
      logFolder.Path() + Format("\\Velmor\\kolvexMK\\comm_%0.3d.log", instrument_->ComNumber())));
  Strings texts;
  for (int i = 0; i < lines.Count(); ++i)
    texts.push_back(lines.Strings(i).substr(std::min<size_t>(26, lines.Strings(i).size())));
  EXPECT_EQ((Strings{"", Format("communication started (COM%d)", instrument_->ComNumber()),
                     "sending: RDS", "sending again: RDS", "sending again: RDS", "disconnected",
                     "communication stopped", ""}),
            texts);
}

}  // namespace
