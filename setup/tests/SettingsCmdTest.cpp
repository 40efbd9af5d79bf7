// The user's changes become set commands at the instrument, each exactly
// once; what the program itself puts into the controls sends nothing; the
// numeric edits clamp before anything goes out, and pasted text cannot break
// the command line.
#include "CommandsTestSupport.h"
#include "KeyInput.h"

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

using Lines = std::vector<std::string>;

class SettingsCmdTest : public ConnectedFormTest {};

TEST_F(SettingsCmdTest, EachCheckBoxAndButtonSendsItsCommandOnce) {
  TFakeInstrument fake;
  Connect(fake);
  struct TCase {
    TWinControl* control;
    const char* command;
  };
  // The fake's values: echo off, verbose on, STI no, manual, hysteresis off,
  // particle limits on, moisture limit off; a click turns each over.
  const TCase cases[] = {
      {form_->cbCommEcho, "SCE ON"},        {form_->cbCommEcho, "SCE OFF"},
      {form_->cbVerboseErrors, "SEV OFF"},  {form_->cbSTISensorUsed, "SSU YES"},
      {form_->cbPwrOnMode, "SPM AUTO"},     {form_->cbRelayHyst, "SSH ON"},
      {form_->cbParticleLimits, "SWC OFF"}, {form_->cbMoistLimits, "SWM ON"},
      {form_->btnRelayStateSet, "SSS ON"},  {form_->btnRelayStateClear, "SSS OFF"},
      {form_->btnSAEJ1939Set, "SJE ON"},    {form_->btnSAEJ1939Clear, "SJE OFF"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Lines{c.command}, SetsAfter(fake, [&] { Click(c.control); })) << c.command;
    EXPECT_TRUE(ConsoleHas("Changed: " + c.control->Name()));
  }
  EXPECT_TRUE(Connected());
}

TEST_F(SettingsCmdTest, EachComboBoxSendsItsCommandOnce) {
  TFakeInstrument fake;
  Connect(fake);
  EXPECT_EQ(Lines{"SDF mm/dd/yy"},
            SetsAfter(fake, [&] { UserSelects(form_->cbDateFormat, L"mm/dd/yy"); }));
  EXPECT_EQ(Lines{"SDO 3"}, SetsAfter(fake, [&] { UserSelects(form_->cbOrientation, 3); }));
  // Items run from the brightest down.
  EXPECT_EQ(Lines{"SDB 3"}, SetsAfter(fake, [&] { UserSelects(form_->cbBrightness, 2); }));
  EXPECT_EQ(Lines{"SDB 1"}, SetsAfter(fake, [&] { UserSelects(form_->cbBrightness, 4); }));
  EXPECT_EQ(Lines{"SVM 3"}, SetsAfter(fake, [&] { UserSelects(form_->cbVoltageRange, 0); }));
  EXPECT_EQ(Lines{"SVM 5"}, SetsAfter(fake, [&] { UserSelects(form_->cbVoltageRange, 1); }));
  // Three ISO limits on the two-channel type, "*" as it is.
  EXPECT_EQ(Lines{"SLT *,16,13"},
            SetsAfter(fake, [&] { UserSelects(form_->cbPartLimits1, L"*"); }));
  EXPECT_EQ(Lines{"SLT *,16,20"},
            SetsAfter(fake, [&] { UserSelects(form_->cbPartLimits3, L"20"); }));
  // The standard's reply reads the limits again, in the new form.
  EXPECT_EQ(Lines{"SRS NAS"}, SetsAfter(
                                  fake, [&] { UserSelects(form_->cbRepStandard, L"NAS"); }, 1500));
  EXPECT_FALSE(form_->cbPartLimits2->Visible());
  EXPECT_EQ(Lines{"SLT 9"}, SetsAfter(fake, [&] { UserSelects(form_->cbPartLimits1, L"9"); }));
  // The instrument took each of them.
  EXPECT_EQ("9", fake.Value("LT"));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(SettingsCmdTest, FourChannelTypeSendsFourLimits) {
  TFakeInstrument fake({"set=PT=kvmf", "set=LT=18,16,13,12"});
  Connect(fake);
  ASSERT_TRUE(form_->cbPartLimits4->Visible());
  EXPECT_EQ(Lines{"SLT 18,16,13,7"},
            SetsAfter(fake, [&] { UserSelects(form_->cbPartLimits4, L"7"); }));
  EXPECT_EQ("18,16,13,7", fake.Value("LT"));
  EXPECT_TRUE(boxes_.boxes.empty());
}

// A limit box without a selection would put an empty item on the line.
TEST_F(SettingsCmdTest, NoLimitCommandWhileABoxHasNoSelection) {
  TFakeInstrument fake;
  Connect(fake);
  form_->EngineResponse(form_->Engine(), "RLT", "RLT=18,55,13");
  ASSERT_EQ(-1, form_->cbPartLimits2->ItemIndex());
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] { UserSelects(form_->cbPartLimits1, L"17"); }));
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] { UserSelects(form_->cbBrightness, -1); }));
}

TEST_F(SettingsCmdTest, EnterClampsSendsOnceAndMovesOn) {
  TFakeInstrument fake;
  Connect(fake);
  TUcAlignedEdit* period = form_->edMeasPeriodSec;
  EXPECT_EQ(Lines{"SMP 180"}, SetsAfter(fake, [&] {
              Type(period, L"200");
              Key(period, L'\r');
            }));
  EXPECT_EQ("180", Text(period));
  // The exit behind the Enter has nothing new to send.
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] { form_->ValidateIntegerInput(period); }));

  EXPECT_EQ(Lines{"SML 95%"}, SetsAfter(fake, [&] {
              Type(form_->edMoistLimit, L"96");
              Key(form_->edMoistLimit, L'\r');
            }));
  EXPECT_EQ(Lines{"SML 5%"}, SetsAfter(fake, [&] {
              Type(form_->edMoistLimit, L"4");
              Key(form_->edMoistLimit, L'\r');
            }));
  EXPECT_EQ(Lines{"SPD 900"}, SetsAfter(fake, [&] {
              Type(form_->edPwrOnHoldOffSec, L"999");
              Key(form_->edPwrOnHoldOffSec, L'\r');
            }));
  // Letters never reach the edit.
  Type(period, L"9a0");
  EXPECT_EQ("90", Text(period));
}

TEST_F(SettingsCmdTest, TheReportingIntervalKeepsWithinSixtyMinutes) {
  TFakeInstrument fake;
  Connect(fake);
  TUcAlignedEdit* minutes = form_->edRepIntervalMin;
  TUcAlignedEdit* seconds = form_->edRepIntervalSec;
  EXPECT_EQ(Lines{"SRI 3599"}, SetsAfter(fake, [&] {
              Type(minutes, L"59");
              Type(seconds, L"75");
              Key(seconds, L'\r');
            }));
  EXPECT_EQ("59", Text(seconds));
  EXPECT_EQ(Lines{"SRI 3600"}, SetsAfter(fake, [&] {
              Type(seconds, L"30");
              Type(minutes, L"75");
              form_->ValidateIntegerInput(minutes);
            }));
  EXPECT_EQ("60", Text(minutes));
  EXPECT_EQ("0", Text(seconds));
  // At sixty minutes the seconds are 0 whatever is typed.
  EXPECT_EQ(Lines{"SRI 3600"}, SetsAfter(fake, [&] {
              Type(seconds, L"5");
              form_->ValidateIntegerInput(seconds);
            }));
  EXPECT_EQ("0", Text(seconds));
  // Empty minutes stay empty and count as 0.
  EXPECT_EQ(Lines{"SRI 0"}, SetsAfter(fake, [&] {
              Type(minutes, L"");
              SendMessageW(minutes->Handle(), WM_CLEAR, 0, 0);
              form_->ValidateIntegerInput(minutes);
              EXPECT_EQ("", Text(minutes));
            }));
  EXPECT_EQ(Lines{"SRI 20"}, SetsAfter(fake, [&] {
              Type(seconds, L"20");
              Key(seconds, L'\r');
            }));
}

// Only what the user typed since the program set the text goes out on exit.
TEST_F(SettingsCmdTest, LeavingAnEditSendsOnlyTheUsersValue) {
  TFakeInstrument fake;
  Connect(fake);
  TUcAlignedEdit* const edits[] = {form_->edMeasPeriodSec, form_->edRepIntervalMin,
                                   form_->edRepIntervalSec, form_->edPwrOnHoldOffSec,
                                   form_->edMoistLimit};
  // Tab passes over the instrument's values.
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] {
              for (TUcAlignedEdit* edit : edits)
                form_->ValidateIntegerInput(edit);
            }));
  // An error reply empties an edit and leaves it enabled.
  boxes_.answer = IDYES;
  form_->EngineResponse(form_->Engine(), "SMP", "ERROR 47");
  EXPECT_EQ("", Text(form_->edMeasPeriodSec));
  EXPECT_TRUE(form_->edMeasPeriodSec->Enabled());
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] { form_->ValidateIntegerInput(form_->edMeasPeriodSec); }));
  // An out-of-range value the instrument reports is shown, not corrected.
  form_->EngineResponse(form_->Engine(), "RPD", "RPD=2");
  EXPECT_EQ(Lines{},
            SetsAfter(fake, [&] { form_->ValidateIntegerInput(form_->edPwrOnHoldOffSec); }));
  EXPECT_EQ("2", Text(form_->edPwrOnHoldOffSec));
  // A change the user made goes out once; the next pass sends nothing.
  EXPECT_EQ(Lines{"SPD 30"}, SetsAfter(fake, [&] {
              Type(form_->edPwrOnHoldOffSec, L"30");
              form_->ValidateIntegerInput(form_->edPwrOnHoldOffSec);
              form_->ValidateIntegerInput(form_->edPwrOnHoldOffSec);
            }));
}

TEST_F(SettingsCmdTest, PastedTextCannotBreakTheCommand) {
  TFakeInstrument fake;
  Connect(fake);
  TUcAlignedEdit* id = form_->edDetectorID;
  EXPECT_EQ(Lines{"SDI \"abcd\""}, SetsAfter(fake, [&] {
              Paste(id, L"ab\"c\td");
              Key(id, L'\r');
            }));
  // A typed quote is swallowed.
  Type(id, L"x\"y");
  EXPECT_EQ("xy", Text(id));

  // A pasted number keeps its digits only, as typing it would.
  EXPECT_EQ(Lines{"SMP 5"}, SetsAfter(fake, [&] {
              Paste(form_->edMeasPeriodSec, L"5x");
              Key(form_->edMeasPeriodSec, L'\r');
            }));
  EXPECT_EQ("5", Text(form_->edMeasPeriodSec));
  EXPECT_EQ(Lines{"SRI 300"}, SetsAfter(fake, [&] {
              Paste(form_->edRepIntervalMin, L"5x");
              form_->ValidateIntegerInput(form_->edRepIntervalMin);
            }));
  EXPECT_EQ("5", Text(form_->edRepIntervalMin));
  EXPECT_EQ(Lines{"SRI 307"}, SetsAfter(fake, [&] {
              Paste(form_->edRepIntervalSec, L"+7");
              form_->ValidateIntegerInput(form_->edRepIntervalSec);
              EXPECT_EQ("7", Text(form_->edRepIntervalSec));
            }));
}

TEST_F(SettingsCmdTest, APasteIntoANumericEditKeepsWhatTypingCouldHave) {
  TFakeInstrument fake;
  Connect(fake);
  TUcAlignedEdit* period = form_->edMeasPeriodSec;
  // No digit: nothing changes, and leaving sends nothing.
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] {
              Paste(period, L"abc");
              form_->ValidateIntegerInput(period);
            }));
  EXPECT_EQ("60", Text(period));
  // The digits, up to the length limit.
  EXPECT_EQ(Lines{"SMP 123"}, SetsAfter(fake, [&] {
              Paste(period, L"1a2b3c4");
              form_->ValidateIntegerInput(period);
            }));
  EXPECT_EQ("123", Text(period));
  // Shift+Insert, typed.
  TUcAlignedEdit* delay = form_->edPwrOnHoldOffSec;
  SetForegroundWindow(form_->Handle());
  delay->SetFocus();
  ASSERT_TRUE(classlib::PumpUntil([&] { return GetFocus() == delay->Handle(); }, 3000));
  SetClipboardText(L"x45%");
  SendMessageW(delay->Handle(), EM_SETSEL, 0, -1);
  PressChord({VK_SHIFT, VK_INSERT});
  EXPECT_TRUE(classlib::PumpUntil([&] { return Text(delay) == "45"; }, 3000)) << Text(delay);
  EXPECT_EQ(Lines{"SPD 45"}, SetsAfter(fake, [&] { form_->ValidateIntegerInput(delay); }));
}

// Values the program puts into the controls raise no change: this is the
// rule the whole form rests on, checked where it matters, at the instrument.
TEST_F(SettingsCmdTest, ProgramChangesSendNothing) {
  TFakeInstrument fake({"set=SU=YES", "set=PM=AUTO", "set=SH=ON", "set=DB=2", "set=DO=1",
                        "set=VM=3", "set=DF=yy/mm/dd"});
  Connect(fake);
  EXPECT_TRUE(form_->cbSTISensorUsed->Checked());
  EXPECT_EQ(3, form_->cbBrightness->ItemIndex());
  EXPECT_EQ(Lines{}, SetCommands(fake));
  EXPECT_EQ(Lines{}, SetsAfter(
                         fake,
                         [&] {
                           form_->EngineResponse(form_->Engine(), "RSH", "RSH=OFF");
                           form_->EngineResponse(form_->Engine(), "RDO", "RDO=2");
                           form_->EngineResponse(form_->Engine(), "RLT", "RLT=*,7,22");
                           form_->EngineResponse(form_->Engine(), "RRS", "RRS=ISO");
                           form_->DisableFailedControls("SU", 47);
                           form_->DisableFailedControls("DB", 13);
                           form_->ConfigureForDeviceType();
                           form_->ClearFields();
                           ASSERT_GE(form_->miLanguage->Count(), 2);
                           form_->miLanguage->Items(1)->Click();
                           form_->miLanguage->Items(0)->Click();
                         },
                         1500));
  EXPECT_TRUE(Connected());
}

TEST_F(SettingsCmdTest, NothingGoesOutWhileDisconnectedOrDisabled) {
  TFakeInstrument fake;
  Connect(fake);
  form_->cbRelayHyst->SetEnabled(false);
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] { form_->OnDataEntryFieldChanged(form_->cbRelayHyst); }));
  EXPECT_FALSE(ConsoleHas("Changed: cbRelayHyst"));
  form_->btnConnectClick(form_->btnConnect);
  ASSERT_FALSE(Connected());
  form_->edMeasPeriodSec->SetEnabled(true);
  form_->cbCommEcho->SetEnabled(true);
  EXPECT_EQ(Lines{}, SetsAfter(fake, [&] {
              form_->OnDataEntryFieldChanged(form_->cbCommEcho);
              Type(form_->edMeasPeriodSec, L"2");
              Key(form_->edMeasPeriodSec, L'\r');
            }));
  // Clamped all the same.
  EXPECT_EQ("5", Text(form_->edMeasPeriodSec));
  EXPECT_FALSE(ConsoleHas("Changed: cbCommEcho"));
}

}  // namespace
