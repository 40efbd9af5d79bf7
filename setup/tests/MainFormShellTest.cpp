// The main form against the fake instrument on a pty: connecting and the
// progress window, the port's failures, the instrument falling silent,
// suspend, battery and session end, the error box, the form going away
// while the engine waits in a handler, replies that are no values, and a
// flood of malformed replies.
#include "FakeInstrument.h"
#include "MainFormTestSupport.h"

#include <pbt.h>

#include <cstdint>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

constexpr DWORD kConnectMs = 15000;

class MainFormShellTest : public MainFormTest {
 protected:
  bool Connected() const { return form_->Engine()->IsConnected(); }
  bool Settled() const { return form_->PollTimer->Enabled(); }

  // Connect clicked on a form whose settings name the fake's port.
  void StartConnect(TFakeInstrument& fake) {
    RescanPorts();
    MakeForm(fake.ComNumber());
    ASSERT_EQ("COM" + IntToStr(fake.ComNumber()), Ansi(form_->cbPorts->Text()));
    form_->btnConnectClick(form_->btnConnect);
  }

  void Connect(TFakeInstrument& fake) {
    StartConnect(fake);
    ASSERT_TRUE(classlib::PumpUntil([this] { return Settled(); }, kConnectMs));
  }

  // The state of a window that is not connected.
  void ExpectNotConnected() {
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(form_->PollTimer->Enabled());
    EXPECT_FALSE(form_->FlashTimer->Enabled());
    EXPECT_FALSE(ProgressForm()->Visible());
    EXPECT_TRUE(form_->Enabled());
    EXPECT_TRUE(form_->cbPorts->Enabled());
    EXPECT_EQ("Connect", Ansi(form_->btnConnect->Caption()));
    EXPECT_EQ("Not Connected", PanelText(0));
    EXPECT_EQ("", Ansi(form_->edSerialNr->Text()));
    EXPECT_EQ("", Ansi(form_->pClassCode->Caption()));
    EXPECT_FALSE(form_->edMeasPeriodSec->Enabled());
  }

  int BoxesWith(const std::string& text) const {
    int count = 0;
    for (const auto& box : boxes_.boxes)
      count += box.text == text ? 1 : 0;
    return count;
  }

  static std::vector<std::string> SetCommands(TFakeInstrument& fake) {
    std::vector<std::string> sets;
    for (const std::string& line : fake.Received())
      if (!line.empty() && line[0] == 'S')
        sets.push_back(line);
    return sets;
  }
};

// ---- Connecting --------------------------------------------------------------------------

TEST_F(MainFormShellTest, ConnectingShowsProgressThenTheConnectedForm) {
  TFakeInstrument fake({"delay=30"});
  StartConnect(fake);
  EXPECT_TRUE(Connected());
  EXPECT_TRUE(ProgressForm()->Visible());
  EXPECT_FALSE(form_->Enabled());
  EXPECT_FALSE(form_->cbPorts->Enabled());
  EXPECT_EQ("Disconnect", Ansi(form_->btnConnect->Caption()));
  EXPECT_EQ("Connected", PanelText(0));
  EXPECT_NE(std::string::npos, ReadAll(ConfigFile()).find("Port=" + IntToStr(fake.ComNumber())));

  ASSERT_TRUE(classlib::PumpUntil([this] { return Settled(); }, kConnectMs));
  EXPECT_FALSE(ProgressForm()->Visible());
  EXPECT_TRUE(form_->Enabled());
  EXPECT_TRUE(form_->FlashTimer->Enabled());
  EXPECT_EQ("Idle", PanelText(1));
  EXPECT_EQ("100234", Ansi(form_->edSerialNr->Text()));
  EXPECT_EQ("kolvex MK", Ansi(form_->edProductID->Text()));
  EXPECT_TRUE(form_->btnStart->Enabled());
  EXPECT_TRUE(SetCommands(fake).empty());
  EXPECT_TRUE(boxes_.boxes.empty());

  form_->btnConnectClick(form_->btnConnect);
  ExpectNotConnected();
}

TEST_F(MainFormShellTest, APortThatDoesNotOpenGivesItsBoxAndSavesNothing) {
  TFakeInstrument fake;
  RescanPorts();
  MakeForm(fake.ComNumber());
  DeleteFileA(ConfigFile().c_str());
  fake.Peer().Vanish();
  form_->btnConnectClick(form_->btnConnect);
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ(Format("COM%d is not available", fake.ComNumber()), boxes_.boxes[0].text);
  EXPECT_EQ("Error", boxes_.boxes[0].caption);
  ExpectNotConnected();
  EXPECT_FALSE(FileExists(ConfigFile()));
}

TEST_F(MainFormShellTest, WithoutPortsTheListIsEmptyAndConnectStaysDisabled) {
  SetPortProbe([](int) { return false; });
  RescanPorts();
  MakeForm();
  SetPortProbe(nullptr);
  RescanPorts();
  EXPECT_EQ(0, form_->cbPorts->Items()->Count());
  EXPECT_FALSE(form_->btnConnect->Enabled());
}

TEST_F(MainFormShellTest, ASavedPortMissingFromTheListSelectsTheFirst) {
  TFakeInstrument fake;
  RescanPorts();
  WriteConfig("[COM]\r\nPort=999\r\n");
  MakeForm();
  ASSERT_GT(form_->cbPorts->Items()->Count(), 0);
  EXPECT_EQ(0, form_->cbPorts->ItemIndex());
  EXPECT_TRUE(form_->btnConnect->Enabled());
}

// ---- Leaving -------------------------------------------------------------------------------

TEST_F(MainFormShellTest, SilenceDisconnectsWithItsBoxAndEmptiesTheForm) {
  TFakeInstrument fake;
  Connect(fake);
  fake.SetSilent(true);
  ASSERT_TRUE(classlib::PumpUntil([this] { return !boxes_.boxes.empty(); }, 8000));
  EXPECT_EQ("No device connected!", boxes_.boxes[0].text);
  EXPECT_EQ("Disconnected", boxes_.boxes[0].caption);
  EXPECT_TRUE(boxes_.boxes[0].flags & MB_ICONWARNING);
  ExpectNotConnected();
}

// The device goes away under the open port: one box, the same as for a
// silent instrument, a clean form, and a new connection once it is back.
TEST_F(MainFormShellTest, AVanishedDeviceDisconnectsWithItsBoxAndConnectsAgainWhenBack) {
  TFakeInstrument fake;
  Connect(fake);
  fake.Peer().Vanish();
  ASSERT_TRUE(classlib::PumpUntil([this] { return !boxes_.boxes.empty(); }, 2000));
  classlib::PumpFor(300);
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("No device connected!", boxes_.boxes[0].text);
  EXPECT_EQ("Disconnected", boxes_.boxes[0].caption);
  ExpectNotConnected();

  fake.PlugBackIn();
  form_->btnConnectClick(form_->btnConnect);
  ASSERT_TRUE(classlib::PumpUntil([this] { return Settled(); }, kConnectMs));
  EXPECT_EQ("100234", Ansi(form_->edSerialNr->Text()));
  EXPECT_EQ(1u, boxes_.boxes.size());
}

TEST_F(MainFormShellTest, SuspendWhileConnectingLeavesNoProgressWindowBehind) {
  TFakeInstrument fake({"delay=150"});
  StartConnect(fake);
  classlib::PumpFor(400);
  ASSERT_TRUE(ProgressForm()->Visible());
  form_->Perform(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  ExpectNotConnected();
  // Tags of the pass that was running change nothing afterwards.
  classlib::PumpFor(1500);
  ExpectNotConnected();
}

TEST_F(MainFormShellTest, SuspendQueriesAreRefusedWhileConnected) {
  TFakeInstrument fake;
  Connect(fake);
  EXPECT_EQ(static_cast<LRESULT>(BROADCAST_QUERY_DENY),
            form_->Perform(WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0));
  EXPECT_EQ(static_cast<LRESULT>(BROADCAST_QUERY_DENY),
            form_->Perform(WM_POWERBROADCAST, PBT_APMQUERYSTANDBY, 0));
  EXPECT_TRUE(Connected());
  form_->Perform(WM_POWERBROADCAST, PBT_APMBATTERYLOW, 0);
  ExpectNotConnected();

  form_->btnConnectClick(form_->btnConnect);
  ASSERT_TRUE(classlib::PumpUntil([this] { return Settled(); }, kConnectMs));
  form_->Perform(WM_QUERYENDSESSION, 0, 0);
  ExpectNotConnected();
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MainFormShellTest, AnAbortedConnectionShowsItsBoxMarkedOpen) {
  TFakeInstrument fake;
  Connect(fake);
  bool openDuringBox = false;
  boxes_.whileOpen = [&] { openDuringBox = form_->ErrorBoxOpen(); };
  form_->AbortConnection(true, L"Part changed!");
  ExpectNotConnected();
  ASSERT_EQ(1u, boxes_.boxes.size());
  EXPECT_EQ("Part changed!", boxes_.boxes[0].text);
  EXPECT_EQ("Error", boxes_.boxes[0].caption);
  EXPECT_TRUE(openDuringBox);
  EXPECT_FALSE(form_->ErrorBoxOpen());
}

TEST_F(MainFormShellTest, TheFormGoesAwayWhileTheEngineWaitsInAHandler) {
  // The communication log tells when the engine has given up.
  SetDebugMode(true);
  TFakeInstrument fake;
  Connect(fake);
  const std::string log = folder_ + Format("\\Velmor\\kolvexMK\\comm_%0.3d.log", fake.ComNumber());
  fake.SetSilent(true);
  auto logHas = [&log](const std::string& text, size_t times) {
    const std::string content = ReadAll(log);
    size_t found = 0;
    for (size_t at = content.find(text); at != std::string::npos; at = content.find(text, at + 1))
      ++found;
    return found >= times;
  };
  // The second resend is served; then this thread serves nothing more, and
  // the engine gives up and waits in its disconnect event.
  ASSERT_TRUE(classlib::PumpUntil([&] { return logHas("sending again: ", 2); }, 8000));
  classlib::PumpFor(300);
  const DWORD wait = GetTickCount();
  while (!logHas("disconnected", 1) && GetTickCount() - wait < 3000)
    Sleep(50);
  ASSERT_TRUE(logHas("disconnected", 1));
  const DWORD start = GetTickCount();
  form_.reset();
  SetDebugMode(false);
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_TRUE(boxes_.boxes.empty());
}

// ---- Replies that are no values --------------------------------------------------------------

TEST_F(MainFormShellTest, AnEmptyValueIsEmptyAndAnErrorIsNeverAValue) {
  TFakeInstrument fake;
  Connect(fake);
  form_->EngineResponse(form_->Engine(), "RDI", "RDI=");
  EXPECT_EQ("", Ansi(form_->edDetectorID->Text()));
  form_->EngineResponse(form_->Engine(), "ROF", " ROF= ");
  EXPECT_EQ(0, form_->Device()->OptionFlags);

  form_->EngineResponse(form_->Engine(), "RSN", "ERROR 99999999999");
  form_->EngineResponse(form_->Engine(), "RMP", "error 0");
  EXPECT_TRUE(Connected());
  EXPECT_EQ("100234", Ansi(form_->edSerialNr->Text()));
  EXPECT_EQ("60", Ansi(form_->edMeasPeriodSec->Text()));
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(ConsoleHas("error: R SN 0"));
  EXPECT_TRUE(ConsoleHas("error: R MP 0"));

  // A value without '=' is the whole reply, upper-cased; the command is cut
  // at its blank.
  form_->EngineResponse(form_->Engine(), "rds extra", "  running ");
  EXPECT_EQ("RUNNING", form_->Device()->StateText);
  EXPECT_EQ("Measuring", PanelText(1));
  // An unsolicited result names its subtype; nothing follows '=' here.
  form_->EngineResponse(form_->Engine(), "", "NAS=");
  EXPECT_TRUE(Connected());
}

// ---- Bad input ---------------------------------------------------------------------------------

TEST_F(MainFormShellTest, AFloodOfMalformedRepliesQueuesNoSetCommand) {
  TFakeInstrument fake;
  Connect(fake);
  boxes_.answer = IDYES;
  fake.ClearReceived();
  // Not RCE: an echo state the fake does not have would end the connection.
  const char* const commands[] = {"REV", "RPV", "RDS", "RDI", "RSV", "RDF", "RCD", "RDD",
                                  "RDU", "ROF", "RSU", "RRS", "RMP", "RRI", "RPM", "RPD",
                                  "RSS", "RSH", "RWC", "RWM", "RDO", "RDB", "RMV", "RVM",
                                  "RJE", "RLT", "RML", "RLR", "STR", "STP", "RXY"};
  const char* const replies[] = {"",
                                 "=",
                                 "XYZ=",
                                 "ERROR",
                                 "ERROR 0",
                                 "ERROR -12",
                                 "ERROR 99999999999",
                                 "ERROR 47",
                                 "OK",
                                 "garbage",
                                 "BOOTIN",
                                 "idle",
                                 "RUNNING",
                                 "RDS=WEIRD",
                                 "RMP=-5",
                                 "RMP=99999999999",
                                 "RDO=7",
                                 "RDB=9",
                                 "RRI=x",
                                 "RML=4%5%",
                                 "RLT=*,,x,99,18",
                                 "RLR=18/16",
                                 "RLR=>22/>22/>22",
                                 "RMV=no data",
                                 "RRS=SAE",
                                 "RDU=",
                                 "\x01\x02\x7f",
                                 "RMP=60\r\nRMP=70",
                                 "ISO=1/2/3",
                                 "RDF=yy/mm/dd",
                                 "RVM=3.0",
                                 "RCE=on",
                                 "REV=OFF"};
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  // The console's lines cost more than the replies: it sits this out.
  ConsolForm = nullptr;
  for (int i = 0; i < 10000 && Connected(); ++i) {
    std::string reply = replies[next(sizeof(replies) / sizeof(replies[0]))];
    if (next(4) == 0)
      reply = reply.substr(0, next(static_cast<uint32_t>(reply.size()) + 1));
    form_->EngineResponse(form_->Engine(), commands[next(sizeof(commands) / sizeof(commands[0]))],
                          reply);
  }
  ConsolForm = console_.get();
  EXPECT_TRUE(Connected());

  form_->EngineResponse(form_->Engine(), "RDO", "RDO=7");
  EXPECT_EQ(-1, form_->cbOrientation->ItemIndex());
  form_->EngineResponse(form_->Engine(), "RDB", "RDB=9");
  EXPECT_EQ(-1, form_->cbBrightness->ItemIndex());
  form_->EngineResponse(form_->Engine(), "RRI", "RRI=x");
  EXPECT_EQ("0", Ansi(form_->edRepIntervalMin->Text()));
  EXPECT_EQ("0", Ansi(form_->edRepIntervalSec->Text()));
  form_->EngineResponse(form_->Engine(), "RML", "RML=4%5%");
  EXPECT_EQ(kNoLimit, form_->Device()->MoistureLimit);
  EXPECT_EQ("45%", Ansi(form_->edMoistLimit->Text()));

  classlib::PumpFor(1500);
  EXPECT_TRUE(SetCommands(fake).empty()) << ::testing::PrintToString(SetCommands(fake));
}

}  // namespace
