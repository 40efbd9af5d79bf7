// What the instrument receives from the main form: the connect and options
// sequences in order, the poll and its list, Start and Stop, and a user's
// relay command that a poll must not overwrite.
#include "CommandsTestSupport.h"

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

using Lines = std::vector<std::string>;

class CommandsTest : public ConnectedFormTest {
 protected:
  // The lines from the first RCE on, the echo probe left out.
  static Lines FromFirstRead(const Lines& lines) {
    const auto first = std::find(lines.begin(), lines.end(), "RCE");
    return Lines(first, lines.end());
  }

  // Stops the timer and runs one tick by hand.
  std::vector<std::string> PollOnce(TFakeInstrument& fake) {
    form_->PollTimer->SetEnabled(false);
    classlib::PumpFor(300);
    fake.ClearReceived();
    form_->PollTimerTimer(form_->PollTimer);
    classlib::PumpFor(600);
    return fake.Received();
  }
};

TEST_F(CommandsTest, ConnectReadsEverythingOnceInOrderThenPolls) {
  TFakeInstrument fake;
  Connect(fake);
  const Lines received = fake.Received();
  ASSERT_FALSE(received.empty());
  // The probe comes first and is no command the instrument knows.
  EXPECT_NE("RCE", received.front());
  const Lines expected = {"RCE", "REV", "RPI", "RPV", "RDS", "RDI", "RPN", "RSN", "RSV", "RDF",
                          "RCD", "RDD", "RDU", "RPT", "ROF", "RSU", "RRS", "RMP", "RRI", "RPM",
                          "RPD", "RSS", "RSH", "RWC", "RWM", "RDO", "RDB", "RMV", "RVM", "RJE",
                          "RLT", "RML", "RDS", "RLR", "RMV", "RSS", "RSN"};
  const Lines got = FromFirstRead(received);
  ASSERT_GE(got.size(), expected.size());
  EXPECT_EQ(expected, Lines(got.begin(), got.begin() + static_cast<long>(expected.size())));
  EXPECT_EQ(Lines{}, SetCommands(fake));

  // Everything the fake holds is on the form.
  EXPECT_EQ("kolvex MK", Text(form_->edProductID));
  EXPECT_EQ("LINE 1", Text(form_->edDetectorID));
  EXPECT_EQ("KMK-100", Text(form_->edPartNr));
  EXPECT_EQ("100234", Text(form_->edSerialNr));
  EXPECT_EQ("1.24", Text(form_->edFirmware));
  EXPECT_EQ("dd/mm/yy", Ansi(form_->cbDateFormat->Text()));
  EXPECT_EQ("01/02/24", Text(form_->edCalDate));
  EXPECT_EQ("01/02/25", Text(form_->edCalDueDate));
  EXPECT_EQ("MTD", Text(form_->edCalDust));
  EXPECT_EQ("kvmh", Text(form_->edDetectorType));
  EXPECT_EQ("ISO", Ansi(form_->cbRepStandard->Text()));
  EXPECT_EQ("60", Text(form_->edMeasPeriodSec));
  EXPECT_EQ("2", Text(form_->edRepIntervalMin));
  EXPECT_EQ("0", Text(form_->edRepIntervalSec));
  EXPECT_EQ("5", Text(form_->edPwrOnHoldOffSec));
  EXPECT_EQ("45", Text(form_->edMoistLimit));
  EXPECT_EQ(45, form_->Device()->MoistureLimit);
  EXPECT_FALSE(form_->cbCommEcho->Checked());
  EXPECT_TRUE(form_->cbVerboseErrors->Checked());
  EXPECT_TRUE(form_->cbParticleLimits->Checked());
  EXPECT_EQ(0, form_->cbOrientation->ItemIndex());
  EXPECT_EQ(0, form_->cbBrightness->ItemIndex());
  EXPECT_EQ(1, form_->cbVoltageRange->ItemIndex());
  EXPECT_EQ("18", Ansi(form_->cbPartLimits1->Text()));
  EXPECT_EQ("16", Ansi(form_->cbPartLimits2->Text()));
  EXPECT_EQ("13", Ansi(form_->cbPartLimits3->Text()));
  EXPECT_EQ("Off", Ansi(form_->pAlarmRelayOff->Caption()));
  EXPECT_TRUE(form_->btnStart->Enabled());
  EXPECT_FALSE(form_->btnStop->Enabled());
  EXPECT_EQ(0x6D, form_->Device()->OptionFlags);
}

TEST_F(CommandsTest, ThePollFollowsTheOptionsAndReadsTheSerialNumberEveryFiveSeconds) {
  TFakeInstrument fake;
  Connect(fake);
  // Once a second, while the serial number is not due again.
  fake.ClearReceived();
  const DWORD start = GetTickCount();
  ASSERT_TRUE(
      classlib::PumpUntil([&] { return GetTickCount() - form_->LastSerialPoll() >= 4200; }, 6000));
  const int seconds = static_cast<int>((GetTickCount() - start) / 1000);
  const int polls = Count(fake.Received(), "RLR");
  EXPECT_GE(polls, seconds - 1);
  EXPECT_LE(polls, seconds + 1);
  EXPECT_EQ(polls, Count(fake.Received(), "RMV"));
  EXPECT_EQ(polls, Count(fake.Received(), "RSS"));
  EXPECT_EQ(0, Count(fake.Received(), "RSN"));
  // Without the relay and the moisture sensor; the serial number not yet due.
  form_->Device()->OptionFlags = ofDisplay | ofVoltageOutput;
  EXPECT_EQ((Lines{"RDS", "RLR"}), PollOnce(fake));
  ASSERT_TRUE(
      classlib::PumpUntil([&] { return GetTickCount() - form_->LastSerialPoll() >= 5000; }, 6000));
  EXPECT_EQ((Lines{"RDS", "RLR", "RSN"}), PollOnce(fake));
  EXPECT_EQ((Lines{"RDS", "RLR"}), PollOnce(fake));
}

TEST_F(CommandsTest, TicksWhileReadsStillWaitAddNothing) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.SetDelay(400);
  fake.ClearReceived();
  for (int tick = 0; tick < 3; ++tick)
    form_->PollTimerTimer(form_->PollTimer);
  ASSERT_TRUE(WaitFor(fake, "RSS", 1, 4000));
  classlib::PumpFor(500);
  const Lines received = fake.Received();
  EXPECT_EQ(1, Count(received, "RDS"));
  EXPECT_EQ(1, Count(received, "RLR"));
  EXPECT_EQ(1, Count(received, "RSS"));
  EXPECT_EQ(0, fake.Overlaps());
}

// No poll while an error box waits for its answer.
TEST_F(CommandsTest, NoPollWhileTheErrorBoxIsOpen) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.ClearReceived();
  boxes_.answer = IDYES;
  boxes_.whileOpen = [&] { form_->PollTimerTimer(form_->PollTimer); };
  form_->EngineResponse(form_->Engine(), "SMP", "ERROR 47");
  ASSERT_EQ(1u, boxes_.boxes.size());
  classlib::PumpFor(600);
  EXPECT_EQ(Lines{"RMP"}, fake.Received());
}

// The user's relay command is not lost to the poll's read of the relay.
TEST_F(CommandsTest, AQueuedRelayCommandSurvivesThePoll) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.SetDelay(300);
  fake.ClearReceived();
  form_->Engine()->SendCommand("RDI", false);
  Click(form_->btnRelayStateSet);
  form_->PollTimerTimer(form_->PollTimer);
  ASSERT_TRUE(WaitFor(fake, "SSS ON"));
  EXPECT_TRUE(WaitFor(fake, "RSS"));
  EXPECT_TRUE(
      classlib::PumpUntil([&] { return Ansi(form_->pAlarmRelayOn->Caption()) == "On"; }, kReplyMs));
}

TEST_F(CommandsTest, StartAndStopSendTheirCommandAndReadTheState) {
  TFakeInstrument fake;
  Connect(fake);
  fake.ClearReceived();
  Click(form_->btnStart);
  EXPECT_FALSE(form_->btnStart->Enabled());
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->btnStop->Enabled(); }, kReplyMs));
  EXPECT_EQ(rsRunning, form_->Device()->RunState);
  ASSERT_TRUE(WaitFor(fake, "RDS"));
  const Lines received = fake.Received();
  EXPECT_EQ("STR", received.front());
  EXPECT_EQ("RDS", received[1]);

  fake.ClearReceived();
  Click(form_->btnStop);
  EXPECT_FALSE(form_->btnStop->Enabled());
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->btnStart->Enabled(); }, kReplyMs));
  EXPECT_EQ(rsStopped, form_->Device()->RunState);
  EXPECT_NE(0.0, static_cast<double>(form_->Device()->StopTime));
  EXPECT_EQ("STP", fake.Received().front());
}

// The fake's record of each round trip, which the benchmark reads.
TEST_F(CommandsTest, TheFakeTimesEachRoundTrip) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.SetDelay(40, 80);
  fake.ClearReceived();
  form_->Engine()->SendCommands("RMP,RPD,RDI", false);
  ASSERT_TRUE(WaitFor(fake, "RDI"));
  classlib::PumpFor(300);
  const std::vector<TFakeInstrument::TTiming> timings = fake.Timings();
  ASSERT_EQ(3u, timings.size());
  EXPECT_EQ("RMP", timings[0].command);
  for (const auto& timing : timings) {
    EXPECT_GE(timing.answeredMs - timing.arrivedMs, 39.0) << timing.command;
    EXPECT_LE(timing.answeredMs - timing.arrivedMs, 200.0) << timing.command;
  }
  // The next command comes after the previous answer.
  EXPECT_GT(timings[1].arrivedMs, timings[0].answeredMs);
}

}  // namespace
