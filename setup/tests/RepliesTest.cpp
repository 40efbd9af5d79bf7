// The main form's handling of replies: values and their fallbacks, the
// identity checks, the run state, the error box and its memory, the controls
// of options that are not fitted, and re-reads that must end.
#include "CommandsTestSupport.h"

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

using Lines = std::vector<std::string>;

class RepliesTest : public ConnectedFormTest {
 protected:
  void Reply(const std::string& command, const std::string& reply) {
    form_->EngineResponse(form_->Engine(), command, reply);
  }
};

TEST_F(RepliesTest, ValuesAndTheirFallbacks) {
  TFakeInstrument fake;
  Connect(fake);
  Reply("RDB", "RDB=3");
  EXPECT_EQ(2, form_->cbBrightness->ItemIndex());
  Reply("RDB", "RDB=7");
  EXPECT_EQ(-1, form_->cbBrightness->ItemIndex());
  // Only the exact "3" is the low range.
  Reply("RVM", "RVM=3.0");
  EXPECT_EQ(1, form_->cbVoltageRange->ItemIndex());
  Reply("RVM", "RVM=3");
  EXPECT_EQ(0, form_->cbVoltageRange->ItemIndex());
  Reply("RML", "RML=45 %");
  EXPECT_EQ("45", Text(form_->edMoistLimit));
  EXPECT_EQ(45, form_->Device()->MoistureLimit);
  Reply("RRI", "RRI=3599");
  EXPECT_EQ("59", Text(form_->edRepIntervalMin));
  EXPECT_EQ("59", Text(form_->edRepIntervalSec));
  Reply("RDO", "RDO=2");
  EXPECT_EQ(2, form_->cbOrientation->ItemIndex());
  Reply("RDO", "RDO=x");
  EXPECT_EQ(0, form_->cbOrientation->ItemIndex());
  Reply("ROF", "ROF=xa h");
  EXPECT_EQ(ofRelay | ofOptionH, form_->Device()->OptionFlags);
  Reply("RSS", "RSS=ON");
  EXPECT_EQ("On", Ansi(form_->pAlarmRelayOn->Caption()));
  EXPECT_EQ("", Ansi(form_->pAlarmRelayOff->Caption()));
  Reply("RJE", "RJE=on");
  EXPECT_FALSE(form_->btnSAEJ1939Set->Enabled());
  EXPECT_TRUE(form_->btnSAEJ1939Clear->Enabled());
  Reply("RCE", "RCE=OFF");
  EXPECT_EQ(esEchoOff, form_->Engine()->EchoState());
  // An unknown subtype only writes its console line.
  Reply("RXY", "RXY=1");
  EXPECT_TRUE(ConsoleHas("unknown subtype in response (\"XY\")"));
  EXPECT_TRUE(Connected());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(RepliesTest, TheRunStateFollowsTheReplies) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  Reply("RDS", "IDLE");
  EXPECT_EQ(rsStopped, form_->Device()->RunState);
  EXPECT_TRUE(form_->btnStart->Enabled());
  Reply("STR", "OK");
  EXPECT_EQ(rsRunning, form_->Device()->RunState);
  EXPECT_FALSE(form_->btnStart->Enabled());
  EXPECT_TRUE(form_->btnStop->Enabled());
  // Anything but OK changes nothing.
  Reply("STP", "NO");
  EXPECT_EQ(rsRunning, form_->Device()->RunState);
  // The stop's one refresh of the display leaves the blink timer alone.
  form_->FlashTimer->SetEnabled(false);
  Reply("STP", "OK");
  EXPECT_EQ(rsStopped, form_->Device()->RunState);
  EXPECT_FALSE(form_->FlashTimer->Enabled());
  Reply("STR", "OK");
  form_->FlashTimer->SetEnabled(true);
  Reply("STP", "OK");
  EXPECT_TRUE(form_->FlashTimer->Enabled());
}

TEST_F(RepliesTest, ThePartNumberIsFixedForTheConnection) {
  TFakeInstrument fake;
  Connect(fake);
  Reply("RPN", "RPN=KMK-100");
  EXPECT_TRUE(Connected());
  Reply("RPN", "RPN=kmk-100");
  EXPECT_FALSE(Connected());
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("Part changed!", boxes_.boxes[0].text);
}

TEST_F(RepliesTest, ASerialNumberThatChangesDuringThePollEndsTheConnection) {
  TFakeInstrument fake;
  Connect(fake);
  fake.Set("SN", "999999");
  ASSERT_TRUE(classlib::PumpUntil([this] { return !Connected(); }, 8000));
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("Device changed!", boxes_.boxes[0].text);
  EXPECT_FALSE(form_->PollTimer->Enabled());
}

TEST_F(RepliesTest, AnUnsupportedTypeOrModelEndsTheConnection) {
  TFakeInstrument fake({"set=PT=kvmx"});
  RescanPorts();
  MakeForm(fake.ComNumber());
  form_->btnConnectClick(form_->btnConnect);
  ASSERT_TRUE(classlib::PumpUntil([&] { return !boxes_.boxes.empty(); }, kConnectMs));
  EXPECT_EQ("The connected device is not supported!", boxes_.boxes[0].text);
  EXPECT_FALSE(Connected());
  EXPECT_FALSE(ProgressForm()->Visible());
}

TEST_F(RepliesTest, TheErrorBoxAsksOnceAndRemembersAYes) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  boxes_.answer = IDYES;
  fake.ClearReceived();
  Reply("SMP", "ERROR 20");
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("Error 20 on command \"SMP\"!\r\n\"Number out of range\"\r\nContinue anyway?",
            boxes_.boxes[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONERROR), boxes_.boxes[0].flags);
  EXPECT_TRUE(ConsoleHas("error: S MP 20 \"Number out of range\""));
  // Emptied, still enabled, and read again.
  EXPECT_EQ("", Text(form_->edMeasPeriodSec));
  EXPECT_TRUE(form_->edMeasPeriodSec->Enabled());
  ASSERT_TRUE(WaitFor(fake, "RMP"));
  EXPECT_TRUE(classlib::PumpUntil([&] { return Text(form_->edMeasPeriodSec) == "60"; }, kReplyMs));
  // The same error again within the memory: no box; another code: a box.
  Reply("SMP", "ERROR 20");
  EXPECT_EQ(1u, boxes_.boxes.size());
  Reply("SMP", "ERROR 47");
  EXPECT_EQ(2u, boxes_.boxes.size());
  // Codes 0, 1 and 13 never ask.
  Reply("RMP", "ERROR");
  Reply("SDO", "ERROR 1");
  Reply("SDB", "ERROR 13");
  EXPECT_EQ(2u, boxes_.boxes.size());
  EXPECT_TRUE(ConsoleHas("error: R MP 0"));
  EXPECT_TRUE(Connected());
}

TEST_F(RepliesTest, TheErrorMemoryEndsAfterFiveSeconds) {
  TFakeInstrument fake;
  Connect(fake);
  boxes_.answer = IDYES;
  Reply("SPD", "ERROR 47");
  classlib::PumpFor(4000);
  Reply("SPD", "ERROR 47");
  EXPECT_EQ(1u, boxes_.boxes.size());
  classlib::PumpFor(1200);
  Reply("SPD", "ERROR 47");
  EXPECT_EQ(2u, boxes_.boxes.size());
}

TEST_F(RepliesTest, NoToTheErrorBoxDisconnectsWithoutAnotherBox) {
  TFakeInstrument fake;
  Connect(fake);
  boxes_.answer = IDNO;
  Reply("SML", "ERROR 47");
  EXPECT_FALSE(Connected());
  EXPECT_EQ(1u, boxes_.boxes.size());
  EXPECT_FALSE(form_->PollTimer->Enabled());
  EXPECT_FALSE(form_->ErrorBoxOpen());
}

// An option that is not fitted goes grey once and is read once more.
TEST_F(RepliesTest, ARelayThatIsNotFittedGoesGreyAndLeavesThePoll) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.ClearReceived();
  Reply("RSS", "ERROR 13");
  for (TControl* control :
       std::initializer_list<TControl*>{form_->lManuallyOpRelay, form_->btnRelayStateSet,
                                        form_->btnRelayStateClear, form_->pAlarmRelayOff})
    EXPECT_FALSE(control->Enabled()) << control->Name();
  EXPECT_EQ("", Ansi(form_->pAlarmRelayOff->Caption()));
  EXPECT_EQ(0, form_->Device()->OptionFlags & ofRelay);
  Reply("RSS", "ERROR 13");
  classlib::PumpFor(600);
  EXPECT_EQ(Lines{"RSS"}, fake.Received());
  EXPECT_TRUE(boxes_.boxes.empty());
  // Neither moisture nor particle limits: the relay's operation label goes too.
  Reply("RWC", "ERROR 13");
  Reply("RWM", "ERROR 13");
  EXPECT_FALSE(form_->lRelayOp->Enabled());
  EXPECT_EQ(0, Count(fake.Received(), "SSS ON"));
}

TEST_F(RepliesTest, TheSharedOutputLabelStaysForTheOtherOutput) {
  TFakeInstrument fake({"set=OF=AFG"});
  Connect(fake);
  Reply("RVM", "ERROR 13");
  EXPECT_FALSE(form_->cbVoltageRange->Enabled());
  EXPECT_TRUE(form_->lVoltageRange->Enabled());
  Reply("RJE", "ERROR 13");
  EXPECT_FALSE(form_->btnSAEJ1939Set->Enabled());
  EXPECT_TRUE(form_->lVoltageRange->Enabled());
  EXPECT_EQ(0, form_->Device()->OptionFlags & ofJ1939Output);
  // Without the other output the label goes too.
  form_->DisableFailedControls("VM", 13);
  EXPECT_FALSE(form_->lVoltageRange->Enabled());
}

// Start and Stop are no reads, and a subtype without controls would be read
// again for the whole connection.
TEST_F(RepliesTest, ReReadsEnd) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.ClearReceived();
  boxes_.answer = IDYES;
  Reply("STR", "ERROR 1");
  Reply("STP", "ERROR 5");
  Reply("RPV", "ERROR 1");
  Reply("RDS", "ERROR 13");
  classlib::PumpFor(800);
  EXPECT_EQ(Lines{}, fake.Received());
  // Another code on a read without controls reads it again.
  Reply("RPV", "ERROR 5");
  EXPECT_TRUE(WaitFor(fake, "RPV"));
  EXPECT_TRUE(Connected());
}

// ---- Types, standards and options as the instrument reports them ----------------------------

TEST_F(RepliesTest, TheFourChannelTypeShowsFourLimitsAndOnlyIso) {
  TFakeInstrument fake({"set=PT=kvmf"});
  Connect(fake);
  EXPECT_EQ(dtKvmf, form_->Device()->DeviceType);
  EXPECT_EQ(1, form_->cbRepStandard->Items()->Count());
  EXPECT_TRUE(form_->cbPartLimits4->Visible());
  EXPECT_FALSE(form_->edMoistLimit->Visible());
  EXPECT_EQ("12", Ansi(form_->cbPartLimits4->Text()));
  EXPECT_EQ(12, form_->Device()->PartLimits[3]);
  fake.Blink();
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->Device()->Results[3] == "13"; }, kReplyMs));
  EXPECT_EQ(">22", form_->Device()->Results[0]);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(RepliesTest, TheNasStandardShowsOneLimit) {
  TFakeInstrument fake({"set=RS=NAS"});
  Connect(fake);
  EXPECT_EQ(stNAS, form_->Device()->ReportingStandard);
  EXPECT_EQ("NAS", Ansi(form_->cbRepStandard->Text()));
  EXPECT_EQ("9", Ansi(form_->cbPartLimits1->Text()));
  EXPECT_FALSE(form_->cbPartLimits2->Visible());
  EXPECT_EQ(9, form_->Device()->PartLimits[0]);
  EXPECT_EQ(kNoLimit, form_->Device()->PartLimits[1]);
  EXPECT_EQ("8", form_->Device()->Results[0]);
}

// Every option is read; those not fitted answer 13, go grey and show no box.
TEST_F(RepliesTest, OptionsThatAreNotFittedGoGreyWithoutABox) {
  TFakeInstrument fake({"set=OF="});
  Connect(fake);
  EXPECT_EQ(0, form_->Device()->OptionFlags);
  for (TControl* control : std::initializer_list<TControl*>{
           form_->cbRelayHyst, form_->cbParticleLimits, form_->cbMoistLimits, form_->lRelayOp,
           form_->cbOrientation, form_->cbBrightness, form_->cbVoltageRange, form_->edMoistLimit,
           form_->btnRelayStateSet, form_->pMoisture})
    EXPECT_FALSE(control->Enabled()) << control->Name();
  EXPECT_EQ(-1, form_->cbBrightness->ItemIndex());
  EXPECT_FALSE(form_->cbParticleLimits->Checked());
  EXPECT_EQ("", Text(form_->edMoistLimit));
  EXPECT_TRUE(form_->edMeasPeriodSec->Enabled());
  EXPECT_TRUE(boxes_.boxes.empty());
  // Each not-fitted read went out twice at most: once in the options, once
  // more to confirm.
  const Lines received = fake.Received();
  for (const char* read : {"RSH", "RWC", "RWM", "RDO", "RDB", "RVM", "RJE", "RML"})
    EXPECT_LE(Count(received, read), 2) << read;
}

TEST_F(RepliesTest, TheJ1939OutputAloneTakesTheOutputRow) {
  TFakeInstrument fake({"set=OF=G"});
  Connect(fake);
  EXPECT_FALSE(form_->cbVoltageRange->Visible());
  EXPECT_TRUE(form_->btnSAEJ1939Set->Visible());
  EXPECT_TRUE(form_->btnSAEJ1939Set->Enabled());
  EXPECT_FALSE(form_->btnSAEJ1939Clear->Enabled());
  EXPECT_EQ("SAE J1939", Ansi(form_->lVoltageRange->Caption()).substr(0, 9));
}

// ---- Replies on the wire ------------------------------------------------------------------------

TEST_F(RepliesTest, AReplyThatAnswersNothingEndsInTheDisconnect) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.ClearReceived();
  fake.SetReply("RDS", "BOGUS");
  form_->Engine()->SendCommand("RDS", false);
  ASSERT_TRUE(classlib::PumpUntil([this] { return !Connected(); }, 8000));
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("No device connected!", boxes_.boxes[0].text);
  // The first write and two resends.
  EXPECT_EQ(3, Count(fake.Received(), "RDS"));
}

// A line for another command and an over-long line are no answers; the
// resend gets the real value.
TEST_F(RepliesTest, ALineForAnotherCommandOrTooLongIsNoAnswer) {
  TFakeInstrument fake;
  Connect(fake);
  form_->PollTimer->SetEnabled(false);
  classlib::PumpFor(300);
  fake.ClearReceived();
  fake.SetReply("RMP", "RPD=77", 1);
  fake.SetReply("RDI", "RDI=" + std::string(251, 'x'), 1);
  form_->Engine()->SendCommands("RMP,RDI", false);
  ASSERT_TRUE(classlib::PumpUntil([&] { return Count(fake.Received(), "RDI") == 2; }, 5000));
  classlib::PumpFor(500);
  EXPECT_EQ("5", Text(form_->edPwrOnHoldOffSec));
  EXPECT_EQ("60", Text(form_->edMeasPeriodSec));
  EXPECT_EQ("LINE 1", form_->Device()->DetectorID);
  // 254 characters are a line.
  fake.SetReply("RDI", "RDI=" + std::string(250, 'y'), 1);
  form_->Engine()->SendCommand("RDI", false);
  ASSERT_TRUE(
      classlib::PumpUntil([&] { return form_->Device()->DetectorID.size() == 250; }, kReplyMs));
  EXPECT_EQ(1, Count(fake.Received(), "RDI") - 2);
  EXPECT_TRUE(Connected());
}

// The first answer an error, the re-read the real value.
TEST_F(RepliesTest, AnErrorOnceThenTheValue) {
  TFakeInstrument fake;
  Connect(fake);
  boxes_.answer = IDYES;
  fake.SetError("RMP", 20, 1);
  form_->Engine()->SendCommand("RMP", false);
  ASSERT_TRUE(classlib::PumpUntil([&] { return !boxes_.boxes.empty(); }, kReplyMs));
  EXPECT_TRUE(classlib::PumpUntil([&] { return Text(form_->edMeasPeriodSec) == "60"; }, kReplyMs));
  EXPECT_EQ(1u, boxes_.boxes.size());
}

// Noise the instrument sends on its own changes nothing.
TEST_F(RepliesTest, RawNoiseOnTheLineChangesNothing) {
  TFakeInstrument fake;
  Connect(fake);
  boxes_.answer = IDYES;
  const std::string pieces[] = {std::string("\0\0RMP=7", 8),
                                "\xff\xfe\x80ISO=1/2/3\r",
                                "  NAS=12\r\n",
                                "\n\r\nRDS=RUNNING",
                                "ERROR 5\r",
                                "\r\r\r",
                                "OK\r",
                                "RMP=",
                                "X"};
  uint32_t seed = 7;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    fake.SendBytes(pieces[(seed >> 16) % (sizeof(pieces) / sizeof(pieces[0]))]);
    if (i % 30 == 0)
      classlib::PumpFor(20);
  }
  fake.SendBytes("\r");
  classlib::PumpFor(1500);
  EXPECT_TRUE(Connected());
  EXPECT_EQ(Lines{}, SetCommands(fake));
  EXPECT_EQ("60", Text(form_->edMeasPeriodSec));
}

// Events of a pass that ran while the window closed the port change nothing.
TEST_F(RepliesTest, LateEventsAfterTheDisconnectChangeNothing) {
  TFakeInstrument fake;
  Connect(fake);
  form_->btnConnectClick(form_->btnConnect);
  ASSERT_FALSE(Connected());
  form_->EngineTag(form_->Engine(), "%detect_done%");
  form_->EngineTag(form_->Engine(), "%read_options%");
  Reply("RDS", "RUNNING");
  Reply("STP", "OK");
  Reply("RSN", "RSN=1");
  EXPECT_FALSE(form_->PollTimer->Enabled());
  EXPECT_FALSE(form_->FlashTimer->Enabled());
  EXPECT_FALSE(form_->btnStart->Enabled());
  EXPECT_FALSE(form_->btnStop->Enabled());
  EXPECT_EQ("", Text(form_->edSerialNr));
  EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
