// The main form without an instrument: what the controls allow and show by
// state, type, options and standard; the result display and its blinking;
// the status bar; languages; the console key; messages from outside; and
// engine events that arrive after the port was closed.
#include "MainFormTestSupport.h"
#include "uOneAppOnlySetup.h"

#include <pbt.h>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

std::string Caption(TControl* control) {
  return Ansi(GetWideControlText(control));
}

class MainFormDisplayTest : public MainFormTest {
 protected:
  // No port is probed: serial tests may be using them.
  void SetUp() override {
    MainFormTest::SetUp();
    SetPortProbe([](int) { return false; });
    RescanPorts();
    MakeForm();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    SetPortProbe(nullptr);
  }

  TCOMDevice* Device() const { return form_->Device(); }

  // Every control that holds a value, and what it holds.
  std::vector<std::string> FieldValues() const {
    std::vector<std::string> values;
    for (int i = 0; i < form_->ComponentCount(); ++i) {
      TComponent* c = form_->Components(i);
      if (auto* check = dynamic_cast<TUcCheckBox*>(c))
        values.push_back(check->Name() + (check->Checked() ? "=1" : "=0"));
      else if (auto* combo = dynamic_cast<TUcComboBox*>(c))
        values.push_back(combo->Name() + "=" + IntToStr(combo->ItemIndex()));
      else if (auto* edit = dynamic_cast<TUcAlignedEdit*>(c))
        values.push_back(edit->Name() + "=" + Ansi(edit->Text()));
    }
    for (TUcPanel* panel :
         {form_->pClassCode, form_->pMoisture, form_->pAlarmRelayOn, form_->pAlarmRelayOff})
      values.push_back(panel->Name() + "=" + Ansi(panel->Caption()));
    return values;
  }

  static bool AllEmpty(const std::vector<std::string>& values) {
    for (const std::string& v : values) {
      const std::string value = v.substr(v.find('=') + 1);
      if (!value.empty() && value != "0" && value != "-1")
        return false;
    }
    return true;
  }

  // Ticks of the display with these ISO results and limits, the class code
  // shown after each.
  std::vector<std::string> IsoTicks(const std::vector<std::string>& results,
                                    const std::vector<int>& limits, int ticks) {
    Device()->ReportingStandard = stISO;
    for (size_t i = 0; i < results.size(); ++i)
      Device()->Results[i] = results[i];
    for (size_t i = 0; i < limits.size(); ++i)
      Device()->PartLimits[i] = limits[i];
    return Ticks(ticks, form_->pClassCode);
  }

  std::vector<std::string> Ticks(int ticks, TUcPanel* panel) {
    std::vector<std::string> shown;
    for (int i = 0; i < ticks; ++i) {
      form_->FlashTimerTimer(form_->FlashTimer);
      shown.push_back(WideToUtf8(panel->Caption()));
    }
    return shown;
  }

  static std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
      out += c == L'\x2265' ? std::string(">=") : std::string(1, static_cast<char>(c));
    return out;
  }
};

// ---- Not connected ------------------------------------------------------------------------

TEST_F(MainFormDisplayTest, StartsNotConnectedWithEveryFieldEmptyAndTheSettingsDisabled) {
  EXPECT_TRUE(AllEmpty(FieldValues())) << ::testing::PrintToString(FieldValues());
  EXPECT_EQ("Not Connected", PanelText(0));
  EXPECT_EQ("", PanelText(1));
  EXPECT_EQ("Connect", Caption(form_->btnConnect));
  EXPECT_EQ(
      "kol\xB5"
      "ex Setup Utility",
      form_->Caption());
  EXPECT_EQ(L"kol\u00B5ex Setup Utility", form_->pUpperContainer->Caption());
  EXPECT_FALSE(form_->PollTimer->Enabled());
  EXPECT_FALSE(form_->FlashTimer->Enabled());
  for (TControl* off : std::initializer_list<TControl*>{
           form_->cbCommEcho, form_->edMeasPeriodSec, form_->lRepStandard, form_->cbPartLimits1,
           form_->edMoistLimit, form_->btnStart, form_->btnStop, form_->edDetectorID,
           form_->cbDateFormat, form_->lClassCode, form_->cbBrightness})
    EXPECT_FALSE(off->Enabled()) << off->Name();
  for (TControl* on : std::initializer_list<TControl*>{form_->lPort, form_->cbPorts,
                                                       form_->edSerialNr, form_->pAlarmRelayOn})
    EXPECT_TRUE(on->Enabled()) << on->Name();
  EXPECT_EQ(" Communications", Caption(form_->stCommunications));
  EXPECT_EQ("5 - highest", Ansi(form_->cbBrightness->Items()->Strings(0)));
}

TEST_F(MainFormDisplayTest, EnablingFollowsTheRunStateAndDisablingEmptiesEveryField) {
  Device()->RunState = rsStopped;
  form_->EnableControls(true);
  EXPECT_TRUE(form_->btnStart->Enabled());
  EXPECT_FALSE(form_->btnStop->Enabled());
  EXPECT_TRUE(form_->edMeasPeriodSec->Enabled());
  EXPECT_TRUE(form_->lRelayState->Enabled());
  Device()->RunState = rsRunning;
  form_->EnableControls(true);
  EXPECT_FALSE(form_->btnStart->Enabled());
  EXPECT_TRUE(form_->btnStop->Enabled());

  form_->edSerialNr->SetText(L"100234");
  form_->edMeasPeriodSec->SetText(L"60");
  form_->cbRelayHyst->SetChecked(true);
  form_->cbDateFormat->SetItemIndex(1);
  form_->pClassCode->SetCaption(L"18/16/13");
  form_->pAlarmRelayOff->SetCaption(L"Off");
  form_->EnableControls(false);
  EXPECT_TRUE(AllEmpty(FieldValues())) << ::testing::PrintToString(FieldValues());
  EXPECT_FALSE(form_->btnStart->Enabled());
  EXPECT_FALSE(form_->btnStop->Enabled());
  EXPECT_FALSE(form_->cbRelayHyst->Enabled());
  // The group headings stay as they are.
  EXPECT_TRUE(form_->stMeasConfig->Enabled());
}

TEST_F(MainFormDisplayTest, TheFourChannelTypeTradesTheMoistureLimitForAFourthLimit) {
  const TNotifyEvent standardChange = form_->cbRepStandard->OnChange;
  ASSERT_TRUE(standardChange);
  EXPECT_EQ(form_->edMoistLimit->BoundsRect(), form_->cbPartLimits4->BoundsRect());
  EXPECT_EQ(form_->lMoistureLimitRH->BoundsRect(), form_->lPartLimits4->BoundsRect());

  Device()->DeviceType = dtKvmf;
  form_->ConfigureForDeviceType();
  EXPECT_EQ(1, form_->cbRepStandard->Items()->Count());
  EXPECT_FALSE(form_->edMoistLimit->Visible());
  EXPECT_FALSE(form_->lMoistureLimit->Visible());
  EXPECT_TRUE(form_->cbPartLimits4->Visible());
  EXPECT_TRUE(form_->lPartLimits4->Visible());
  EXPECT_TRUE(form_->cbPartLimits4->OnChange);
  EXPECT_TRUE(form_->cbRepStandard->OnChange == standardChange);

  Device()->DeviceType = dtKvmh;
  form_->ConfigureForDeviceType();
  EXPECT_EQ(2, form_->cbRepStandard->Items()->Count());
  EXPECT_EQ("NAS", Ansi(form_->cbRepStandard->Items()->Strings(1)));
  EXPECT_TRUE(form_->edMoistLimit->Visible());
  EXPECT_FALSE(form_->cbPartLimits4->Visible());
  EXPECT_FALSE(form_->cbPartLimits4->OnChange);
  EXPECT_TRUE(form_->cbRepStandard->OnChange == standardChange);
}

TEST_F(MainFormDisplayTest, OptionFlagsChooseTheRelayDisplayAndOutputRows) {
  form_->EnableControls(true);
  Device()->OptionFlags = ofJ1939Output;
  form_->ApplyOptionFlags();
  EXPECT_EQ("SAE J1939", Caption(form_->lVoltageRange));
  EXPECT_TRUE(form_->lVoltageRange->Enabled());
  EXPECT_FALSE(form_->cbVoltageRange->Visible());
  EXPECT_TRUE(form_->btnSAEJ1939Set->Visible());
  EXPECT_TRUE(form_->btnSAEJ1939Clear->Visible());
  EXPECT_FALSE(form_->btnSAEJ1939Set->Enabled());
  EXPECT_FALSE(form_->btnSAEJ1939Clear->Enabled());
  EXPECT_FALSE(form_->btnRelayStateSet->Enabled());
  EXPECT_FALSE(form_->cbOrientation->Enabled());

  Device()->OptionFlags = 0;
  form_->ApplyOptionFlags();
  EXPECT_EQ("Voltage Range", Caption(form_->lVoltageRange));
  EXPECT_FALSE(form_->lVoltageRange->Enabled());
  EXPECT_TRUE(form_->cbVoltageRange->Visible());
  EXPECT_FALSE(form_->cbVoltageRange->Enabled());
  EXPECT_FALSE(form_->btnSAEJ1939Set->Visible());

  Device()->OptionFlags = ofRelay | ofDisplay | ofVoltageOutput | ofJ1939Output;
  form_->ApplyOptionFlags();
  EXPECT_EQ("Voltage Range", Caption(form_->lVoltageRange));
  EXPECT_TRUE(form_->cbVoltageRange->Visible());
  EXPECT_TRUE(form_->cbVoltageRange->Enabled());
  EXPECT_FALSE(form_->btnSAEJ1939Set->Visible());
  for (TControl* on : std::initializer_list<TControl*>{
           form_->lManuallyOpRelay, form_->btnRelayStateSet, form_->btnRelayStateClear,
           form_->lRelayState, form_->pAlarmRelayOn, form_->lOrientation, form_->cbBrightness})
    EXPECT_TRUE(on->Enabled()) << on->Name();
}

TEST_F(MainFormDisplayTest, TheStandardSetsTheLimitListsAndTheDustTheSizeLabels) {
  Device()->PartLimits[0] = 18;
  form_->SetReportingStandard("ISO", "ACFTD");
  EXPECT_EQ(17, form_->cbPartLimits1->Items()->Count());
  EXPECT_EQ(17, form_->cbPartLimits4->Items()->Count());
  EXPECT_TRUE(form_->cbPartLimits3->Visible());
  EXPECT_FALSE(form_->cbPartLimits4->Visible());
  EXPECT_EQ(L"2\u00B5", form_->lPartLimits1->Caption());
  EXPECT_EQ(L"37\u00B5", form_->lPartLimits4->Caption());
  EXPECT_EQ(kNoLimit, Device()->PartLimits[0]);

  form_->SetReportingStandard("ISO", "MTD");
  EXPECT_EQ(L"4\u00B5", form_->lPartLimits1->Caption());
  EXPECT_EQ(L"30\u00B5", form_->lPartLimits4->Caption());
  form_->SetReportingStandard("ISO", "SAND");
  EXPECT_EQ(L"4\u00B5", form_->lPartLimits1->Caption());

  Device()->DeviceType = dtKvmf;
  form_->SetReportingStandard("ISO", "MTD");
  EXPECT_TRUE(form_->cbPartLimits4->Visible());

  form_->cbPartLimits2->SetItemIndex(3);
  form_->SetReportingStandard("NAS", "MTD");
  EXPECT_EQ(14, form_->cbPartLimits1->Items()->Count());
  EXPECT_EQ("0", Ansi(form_->cbPartLimits1->Items()->Strings(13)));
  EXPECT_TRUE(form_->cbPartLimits1->Visible());
  for (TUcComboBox* box : {form_->cbPartLimits2, form_->cbPartLimits3, form_->cbPartLimits4}) {
    EXPECT_FALSE(box->Visible()) << box->Name();
    EXPECT_EQ(-1, box->ItemIndex()) << box->Name();
  }
  EXPECT_EQ(L"", form_->lPartLimits1->Caption());

  Device()->PartLimits[1] = 12;
  form_->SetReportingStandard("SAE", "MTD");
  EXPECT_EQ(12, Device()->PartLimits[1]);
  EXPECT_EQ(14, form_->cbPartLimits1->Items()->Count());
}

// The next instrument's dust may name no sizes: it must not show these.
TEST_F(MainFormDisplayTest, DisablingPutsBackTheSizeLabelsOfTheFormData) {
  const auto captions = [this] {
    std::vector<std::wstring> texts;
    for (TUcLabel* label :
         {form_->lPartLimits1, form_->lPartLimits2, form_->lPartLimits3, form_->lPartLimits4})
      texts.push_back(label->Caption());
    return texts;
  };
  const std::vector<std::wstring> design = {L"2\u00B5", L"5\u00B5", L"15\u00B5", L"30\u00B5"};
  EXPECT_EQ(design, captions());
  for (const char* standard : {"ISO", "NAS"}) {
    form_->EnableControls(true);
    form_->SetReportingStandard(standard, "MTD");
    EXPECT_NE(design, captions()) << standard;
    form_->EnableControls(false);
    EXPECT_EQ(design, captions()) << standard;
  }
  form_->EnableControls(true);
  form_->SetReportingStandard("ISO", "SAND");
  EXPECT_EQ(design, captions());
}

TEST_F(MainFormDisplayTest, ALimitReplyStoresEachItemAndSelectsItsEntry) {
  form_->SetReportingStandard("ISO", "MTD");
  form_->cbPartLimits4->SetItemIndex(5);
  form_->SetPartLimitsFromReply("*, 18 ,x");
  EXPECT_EQ(kNoLimit, Device()->PartLimits[0]);
  EXPECT_EQ("*", Ansi(form_->cbPartLimits1->Text()));
  EXPECT_EQ(18, Device()->PartLimits[1]);
  EXPECT_EQ("18", Ansi(form_->cbPartLimits2->Text()));
  EXPECT_EQ(kNoLimit, Device()->PartLimits[2]);
  EXPECT_EQ(-1, form_->cbPartLimits3->ItemIndex());
  EXPECT_EQ(kNoLimit, Device()->PartLimits[3]);
  EXPECT_EQ(5, form_->cbPartLimits4->ItemIndex());

  form_->SetPartLimitsFromReply("07,23,-1,16");
  EXPECT_EQ(7, Device()->PartLimits[0]);
  EXPECT_EQ("7", Ansi(form_->cbPartLimits1->Text()));
  EXPECT_EQ(-1, form_->cbPartLimits2->ItemIndex());
  EXPECT_EQ(kNoLimit, Device()->PartLimits[2]);
  EXPECT_EQ(16, Device()->PartLimits[3]);
}

// The columns of the combo box's selection field that hold dark (text)
// pixels, as the screen shows them.
std::vector<int> DarkColumns(TUcComboBox* combo) {
  combo->Repaint();
  classlib::PumpFor(100);
  RECT client;
  GetClientRect(combo->Handle(), &client);
  const int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
  HDC dc = GetDC(combo->Handle());
  std::vector<int> columns;
  for (int x = 0; x < width; ++x)
    for (int y = 3; y < client.bottom - 3; ++y) {
      const COLORREF c = GetPixel(dc, x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) {
        columns.push_back(x);
        break;
      }
    }
  ReleaseDC(combo->Handle(), dc);
  return columns;
}

TEST_F(MainFormDisplayTest, ComboItemsAreDrawnCentredAndNoSelectionDrawsNoText) {
  form_->EnableControls(true);
  TUcComboBox* combo = form_->cbOrientation;
  combo->SetItemIndex(0);
  const std::vector<int> text = DarkColumns(combo);
  ASSERT_FALSE(text.empty());
  RECT client;
  GetClientRect(combo->Handle(), &client);
  const int fieldCentre = (client.right - GetSystemMetrics(SM_CXVSCROLL)) / 2;
  EXPECT_NEAR(fieldCentre, (text.front() + text.back()) / 2, 4);
  combo->SetItemIndex(-1);
  EXPECT_TRUE(DarkColumns(combo).empty());
}

// ---- Result display ------------------------------------------------------------------------

TEST_F(MainFormDisplayTest, ACodeAboveItsLimitBlanksForTwoTicksOfFive) {
  const std::vector<std::string> shown = IsoTicks({"18", "16", "13"}, {17, 20, 20, 999}, 6);
  const std::vector<std::string> expected = {"18/16/13", "18/16/13", "18/16/13",
                                             "  /16/13", "  /16/13", "18/16/13"};
  EXPECT_EQ(expected, shown);
  EXPECT_EQ(1, form_->BlinkCounter());
  EXPECT_EQ(form_->pMoisture->Font()->Size(), form_->pClassCode->Font()->Size());
}

TEST_F(MainFormDisplayTest, AGreaterThanCodeCountsOneMoreAndShowsAsAtLeast) {
  form_->SetBlinkCounter(3);
  EXPECT_EQ(std::vector<std::string>({"18/  /13"}), IsoTicks({"18", ">22", "13"}, {20, 22, 20}, 1));
  form_->SetBlinkCounter(0);
  EXPECT_EQ(std::vector<std::string>({"18/>=22/13"}),
            IsoTicks({"18", ">22", "13"}, {20, 22, 20}, 1));
}

TEST_F(MainFormDisplayTest, NoLimitAndTheResetLimitKeepCodesSteady) {
  const std::vector<std::string> steady(5, "18/16/13");
  EXPECT_EQ(steady, IsoTicks({"18", "16", "13"}, {-1, 999, 999}, 5));
  Device()->PartLimits[0] = -5;
  EXPECT_EQ(steady, Ticks(5, form_->pClassCode));
}

TEST_F(MainFormDisplayTest, FourChannelsShowTheirFourthCodeInTheSmallFont) {
  Device()->DeviceType = dtKvmf;
  EXPECT_EQ(std::vector<std::string>({"18/16/13/10"}),
            IsoTicks({"18", "16", "13", "10"}, {20, 20, 20, 20}, 1));
  EXPECT_EQ(9, form_->pClassCode->Font()->Size());
  EXPECT_EQ(std::vector<std::string>({"--/--/--/--"}), IsoTicks({"no data", "", ""}, {}, 1));
  EXPECT_EQ(9, form_->pClassCode->Font()->Size());
  // A missing fourth code keeps its dashes.
  EXPECT_EQ(std::vector<std::string>({"18/16/13/--"}), IsoTicks({"18", "16", "13", ""}, {}, 1));

  Device()->DeviceType = dtKvmh;
  EXPECT_EQ(std::vector<std::string>({"--/--/--"}), IsoTicks({"--/--/--", "", "", ""}, {}, 1));
  EXPECT_EQ(form_->pMoisture->Font()->Size(), form_->pClassCode->Font()->Size());
}

TEST_F(MainFormDisplayTest, AnIncompleteResultLeavesTheCodeShown) {
  IsoTicks({"18", "16", "13"}, {}, 1);
  EXPECT_EQ(std::vector<std::string>({"18/16/13"}), IsoTicks({"19", "", "14"}, {}, 1));
}

TEST_F(MainFormDisplayTest, ANasClassBlinksAboveTheFirstLimitWithoutGreaterThanRule) {
  Device()->ReportingStandard = stNAS;
  Device()->Results[0] = "9";
  Device()->PartLimits[0] = 8;
  EXPECT_EQ(std::vector<std::string>({"9", "9", "9", "  ", "  "}), Ticks(5, form_->pClassCode));
  Device()->Results[0] = ">12";
  EXPECT_EQ(std::vector<std::string>({">12"}), Ticks(1, form_->pClassCode));
  Device()->Results[0] = "No Data";
  EXPECT_EQ(std::vector<std::string>({"--"}), Ticks(1, form_->pClassCode));
  Device()->Results[0] = "";
  EXPECT_EQ(std::vector<std::string>({"--"}), Ticks(1, form_->pClassCode));
}

TEST_F(MainFormDisplayTest, MoistureBlinksOnlyAsAnIntegerAboveItsLimit) {
  Device()->MoistureLimit = 45;
  Device()->Moisture = "50";
  EXPECT_EQ(std::vector<std::string>({"50", "50", "50", "", "", "50"}), Ticks(6, form_->pMoisture));
  Device()->Moisture = "50.5";
  EXPECT_EQ(std::vector<std::string>(5, "50.5"), Ticks(5, form_->pMoisture));
  Device()->Moisture = "no data";
  EXPECT_EQ(std::vector<std::string>({"--"}), Ticks(1, form_->pMoisture));
  Device()->Moisture = "";
  EXPECT_EQ(std::vector<std::string>({"--"}), Ticks(1, form_->pMoisture));
}

TEST_F(MainFormDisplayTest, ATickLeavesTheTimerAsItFoundIt) {
  form_->FlashTimerTimer(form_->FlashTimer);
  EXPECT_FALSE(form_->FlashTimer->Enabled());
  form_->FlashTimer->SetEnabled(true);
  form_->FlashTimerTimer(form_->FlashTimer);
  EXPECT_TRUE(form_->FlashTimer->Enabled());
  form_->FlashTimer->SetEnabled(false);
}

TEST(ParseLimit, ReadsCodesAndCountsGreaterThanAsOneMore) {
  EXPECT_EQ(18, ParseLimit(L"18"));
  EXPECT_EQ(23, ParseLimit(L">22"));
  EXPECT_EQ(0, ParseLimit(L">-1"));
  EXPECT_EQ(-1, ParseLimit(L">"));
  EXPECT_EQ(-1, ParseLimit(L">x"));
  EXPECT_EQ(-1, ParseLimit(L"x"));
  EXPECT_EQ(-1, ParseLimit(L""));
}

// ---- Status bar ----------------------------------------------------------------------------

TEST_F(MainFormDisplayTest, StateWordsAreTranslatedInAnyCaseAndOthersShownAsReceived) {
  EXPECT_EQ("Measuring", form_->StateText("running"));
  EXPECT_EQ("Not Connected", form_->StateText("UNDEFINED"));
  EXPECT_EQ("Ready to measure", form_->StateText("Recovered"));
  EXPECT_EQ("Calibrating", form_->StateText("Calibrating"));
  EXPECT_EQ("", form_->StateText(""));
  Device()->StateText = "RUNNING";
  form_->UpdateStatusBar();
  EXPECT_EQ("", PanelText(1));
}

// ---- Languages ----------------------------------------------------------------------------

TEST_F(MainFormDisplayTest, TheLanguageMenuNeverOffersEnglishUsa) {
  TMenuItem* menu = form_->miLanguage;
  ASSERT_GT(menu->Count(), 0);
  for (int i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    EXPECT_NE(1, item->Tag());
    EXPECT_TRUE(LanguageAvailable(item->Tag()));
    EXPECT_EQ("miLanguage" + IntToStr(item->Tag()), item->Name());
    EXPECT_EQ(item->Tag() == 0, item->Checked()) << item->Name();
    EXPECT_EQ(WideToAnsi(GetLanguageName(item->Tag())), item->Caption());
  }
}

TEST_F(MainFormDisplayTest, TheSelectedLanguageChangesNothingAndWritesNoFile) {
  form_->LanguageClick(form_->miLanguage->Items(0));
  EXPECT_FALSE(FileExists(ConfigFile()));
  EXPECT_EQ(0, form_->Language());
}

TEST_F(MainFormDisplayTest, AnotherLanguageIsSavedAndAppliedKeepingTheBrightness) {
  TMenuItem* german = form_->FindComponent("miLanguage2")
                          ? dynamic_cast<TMenuItem*>(form_->FindComponent("miLanguage2"))
                          : nullptr;
  ASSERT_NE(nullptr, german);
  form_->cbBrightness->SetItemIndex(2);
  form_->LanguageClick(german);
  EXPECT_EQ(2, form_->Language());
  EXPECT_EQ(2, CurrentLanguage());
  EXPECT_NE(std::string::npos, ReadAll(ConfigFile()).find("Language=2"));
  EXPECT_EQ(LookupLanguageText(2, 14), GetWideControlText(form_->btnConnect));
  EXPECT_EQ(LookupLanguageText(2, 22), form_->StatusBar->Panels()->Items(0)->Text());
  EXPECT_EQ(LookupLanguageText(2, 106), form_->cbBrightness->Items()->Strings(2));
  EXPECT_EQ(2, form_->cbBrightness->ItemIndex());
  EXPECT_EQ(WideToAnsi(LookupLanguageText(2, 122)), form_->StateText("RUNNING"));
  EXPECT_TRUE(german->Checked());
  EXPECT_FALSE(form_->miLanguage->Items(0)->Checked());
  EXPECT_EQ(WideToAnsi(LookupLanguageText(2, 0)), form_->Caption());
}

// ---- Keys, colours, messages ----------------------------------------------------------------

TEST_F(MainFormDisplayTest, CtrlShiftCTogglesTheConsoleOnlyInDebugMode) {
  WORD key = 'C';
  form_->FormKeyDown(form_.get(), key, TShiftState{ssCtrl, ssShift});
  EXPECT_FALSE(console_->Visible());
  SetDebugMode(true);
  key = 'C';
  form_->FormKeyDown(form_.get(), key, TShiftState{ssCtrl});
  EXPECT_FALSE(console_->Visible());
  form_->FormKeyDown(form_.get(), key, TShiftState{ssCtrl, ssShift});
  EXPECT_TRUE(console_->Visible());
  form_->FormKeyDown(form_.get(), key, TShiftState{ssCtrl, ssShift});
  EXPECT_FALSE(console_->Visible());
  SetDebugMode(false);
}

TEST_F(MainFormDisplayTest, TheHeaderStripsAndDisplaysTakeTheirColours) {
  EXPECT_EQ(static_cast<TColor>(0x0ECBFE), form_->pUpperContainer->Color());
  EXPECT_EQ(static_cast<TColor>(0x0ECBFE), form_->stResults->Color());
  EXPECT_EQ(clBlack, form_->stResults->Font()->Color());
  EXPECT_EQ(static_cast<TColor>(0x96E1FF), form_->pAlarmRelayOff->Color());
  EXPECT_GT(form_->imgCompany->Picture()->Bitmap()->Width(), 0);
  EXPECT_GT(form_->imgProduct->Picture()->Bitmap()->Width(), 0);
}

TEST_F(MainFormDisplayTest, PowerQueriesPassWhileNotConnectedAndTheWakeUpRestores) {
  EXPECT_NE(static_cast<LRESULT>(BROADCAST_QUERY_DENY),
            form_->Perform(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0));
  form_->SetWindowState(wsMinimized);
  EXPECT_EQ(1, form_->Perform(WM_USER + 1, 0, 0));
  EXPECT_EQ(wsNormal, form_->WindowState());
}

TEST_F(MainFormDisplayTest, TheWindowOfTheInstanceHoldingTheGuardCarriesTheMarker) {
  ASSERT_TRUE(form_->OwnsInstance());
  EXPECT_TRUE(IsSetupMainWindow(form_->Handle()));
  const HWND old = form_->Handle();
  form_->RecreateWnd();
  classlib::PumpFor(50);
  EXPECT_NE(old, form_->Handle());
  EXPECT_TRUE(IsSetupMainWindow(form_->Handle()));
}

// ---- Events after the port closed -----------------------------------------------------------

TEST_F(MainFormDisplayTest, LateTagsAndRepliesChangeNothing) {
  form_->EngineTag(form_->Engine(), "%detect_done%");
  EXPECT_FALSE(form_->PollTimer->Enabled());
  EXPECT_FALSE(form_->FlashTimer->Enabled());
  form_->EngineResponse(form_->Engine(), "RDS", "RUNNING");
  EXPECT_TRUE(ConsoleHas("RDS > RUNNING"));
  EXPECT_EQ("", Device()->StateText);
  EXPECT_FALSE(form_->btnStop->Enabled());
  form_->EngineResponse(form_->Engine(), "STR", "OK");
  EXPECT_FALSE(form_->btnStop->Enabled());
  EXPECT_EQ(rsNoState, Device()->RunState);
}

}  // namespace
