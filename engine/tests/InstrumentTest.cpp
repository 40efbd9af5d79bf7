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

const char* const kConnectSequence[] = {
    "@flush@", "@detect_echo@", "RCE", "REV", "RPI",           "RPV", "RDS",
    "RDI",     "RPN",           "RSN", "RSV", "RDF",           "RCD", "RDD",
    "RDU",     "%read_config%", "RPT", "ROF", "%read_options%"};

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
  for (const char* entry : kConnectSequence)
    Queue(entry);
  ASSERT_TRUE(WaitForEvent("tag %read_options%"));
  EXPECT_EQ(esEchoOff, engine_->EchoState());
  EXPECT_EQ((Strings{"send RCE",
                     "response RCE > RCE=OFF",
                     "send REV",
                     "response REV > REV=ON",
                     "send RPI",
                     "response RPI > RPI=kolvex MK",
                     "send RPV",
                     "response RPV > RPV=2",
                     "send RDS",
                     "response RDS > IDLE",
                     "send RDI",
                     "response RDI > RDI=LINE 1",
                     "send RPN",
                     "response RPN > RPN=KMK-100",
                     "send RSN",
                     "response RSN > RSN=100234",
                     "send RSV",
                     "response RSV > RSV=1.24",
                     "send RDF",
                     "response RDF > RDF=dd/mm/yy",
                     "send RCD",
                     "response RCD > RCD=01/02/24",
                     "send RDD",
                     "response RDD > RDD=01/02/25",
                     "send RDU",
                     "response RDU > RDU=MTD",
                     "tag %read_config%",
                     "send RPT",
                     "response RPT > RPT=kvmh",
                     "send ROF",
                     "response ROF > ROF=ACDFG",
                     "tag %read_options%"}),
            events_);
  EXPECT_EQ(0, instrument_->Overlaps());
  EXPECT_EQ("EECCHHOO", instrument_->Received().front());
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
  int code = 0;
  ASSERT_TRUE(TCommEngine::ParseErrorCode("ERROR 13", code));
  EXPECT_EQ(L"Option not fitted", TCommEngine::ErrorCodeText(code, host_));
  ASSERT_TRUE(TCommEngine::ParseErrorCode("ERROR 20", code));
  EXPECT_EQ(L"Number out of range", TCommEngine::ErrorCodeText(code, host_));
}

TEST_F(InstrumentTest, AnUnansweredCommandIsSentAgainAfterASecond) {
  Start({"echo=on"});
  engine_->SetEchoState(esEchoOn);
  instrument_->IgnoreNext(1);
  Queue("RDS");
  ASSERT_TRUE(WaitForEvent("response RDS > IDLE", 3000));
  EXPECT_EQ("RDS\r\rRDS\r", instrument_->Wire());
  ASSERT_EQ((Strings{"send RDS", "send RDS", "response RDS > IDLE"}), events_);
  const DWORD gap = ticks_[1] - ticks_[0];
  EXPECT_GE(gap, 950u);
  EXPECT_LT(gap, 1500u);
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
