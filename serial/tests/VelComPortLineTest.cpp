// Line settings and modem lines on the virtual null-modem.
#include "VelComPort.h"

#include "PeerClient.h"
#include "Reader.h"
#include "SerialTestSupport.h"
#include "TypInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class VelComPortLine : public ::testing::Test {
 protected:
  void SetUp() override { port_->SetComNumber(static_cast<uint16_t>(peer_.Number())); }

  TPeerTermios OpenAndReadTermios() {
    port_->Open();
    const TPeerTermios termios = peer_.Termios();
    port_->Close();
    return termios;
  }

  TPeerPort peer_;
  TOwned<TVelComPort> port_{Create<TVelComPort>(nullptr)};
};

// Rates that termios lacks go through Wine's custom divisor, which stays
// set afterwards (as on Linux hardware, 38400 then reads as the custom rate):
// the termios rates come first.
TEST_F(VelComPortLine, EveryBaudRateReachesTheDevice) {
  const struct {
    TVelBaudrate rate;
    unsigned expected;
  } cases[] = {{br110, 110},     {br300, 300},       {br600, 600},       {br1200, 1200},
               {br2400, 2400},   {br4800, 4800},     {br9600, 9600},     {br19200, 19200},
               {br38400, 38400}, {br57600, 57600},   {br115200, 115200}, {br14400, 14400},
               {br56000, 56000}, {br128000, 128000}, {br256000, 256000}};
  for (const auto& c : cases) {
    port_->SetBaudRate(c.rate);
    EXPECT_EQ(OpenAndReadTermios().Baud, c.expected) << "rate #" << c.rate;
  }
  port_->SetUserBaudRate(250000);
  EXPECT_EQ(OpenAndReadTermios().Baud, 250000u);
}

TEST_F(VelComPortLine, DataBitsParityAndStopBitsReachTheDevice) {
  for (int bits = db5; bits <= db8; ++bits) {
    port_->SetDatabits(static_cast<TVelDatabits>(bits));
    EXPECT_EQ(OpenAndReadTermios().DataBits, bits + 4);
  }
  const char parities[] = {'N', 'O', 'E', 'M', 'S'};
  for (int parity = paNone; parity <= paSpace; ++parity) {
    port_->SetParity(static_cast<TVelParity>(parity));
    EXPECT_EQ(OpenAndReadTermios().Parity, parities[parity]);
  }
  port_->SetStopbits(sbTwo);
  EXPECT_EQ(OpenAndReadTermios().StopBits, 2);
  port_->SetStopbits(sbOne);
  EXPECT_EQ(OpenAndReadTermios().StopBits, 1);
}

TEST_F(VelComPortLine, RefusedSettingsFailTheOpenAndLeaveItClosed) {
  port_->SetDatabits(db4);
  EXPECT_EQ(RaisedMessage<EVelComPortCoreError>([&] { port_->Open(); }),
            "Error setting parameters from DCB");
  EXPECT_FALSE(port_->Active());
  port_->SetDatabits(db8);
  port_->Open();
  EXPECT_TRUE(port_->Active());
}

TEST_F(VelComPortLine, RefusedSettingsOnAnOpenPortKeepTheDriversDCB) {
  port_->Open();
  EXPECT_THROW(port_->SetDatabits(db4), EVelComPortCoreError);
  EXPECT_EQ(port_->Databits(), db4);  // the property keeps its new value
  EXPECT_EQ(port_->PortDCB().ByteSize, 8);
  EXPECT_TRUE(port_->Active());
}

TEST_F(VelComPortLine, FlowControlReachesTheDevice) {
  port_->SetFlowControl(fwRtsCts);
  TPeerTermios termios = OpenAndReadTermios();
  EXPECT_TRUE(termios.Crtscts);
  EXPECT_FALSE(termios.Ixon);
  port_->SetFlowControl(fwXOnXOff);
  port_->SetXOnChar('A');
  port_->SetXOffChar('B');
  termios = OpenAndReadTermios();
  EXPECT_FALSE(termios.Crtscts);
  EXPECT_TRUE(termios.Ixon);
  EXPECT_TRUE(termios.Ixoff);
  EXPECT_EQ(termios.XonChar, 'A');
  EXPECT_EQ(termios.XoffChar, 'B');
  port_->SetFlowControl(fwNone);
  termios = OpenAndReadTermios();
  EXPECT_FALSE(termios.Crtscts);
  EXPECT_FALSE(termios.Ixon);
}

TEST_F(VelComPortLine, PortsAboveNineOpenByTheirLongName) {
  TPeerPort high(10, 256);
  port_->SetComNumber(static_cast<uint16_t>(high.Number()));
  port_->Open();
  EXPECT_TRUE(port_->Active());
  port_->SendString("ten");
  EXPECT_EQ(high.Receive(3, 2000), "ten");
}

// ---- Modem lines ------------------------------------------------------------------

struct TLineLog {
  std::vector<std::string> events;
  void Cts(TObject*) { events.push_back("CTS"); }
  void Dsr(TObject*) { events.push_back("DSR"); }
  void Ring(TObject*) { events.push_back("RING"); }
  void Rlsd(TObject*) { events.push_back("RLSD"); }
  bool Saw(const std::string& name) const {
    return std::find(events.begin(), events.end(), name) != events.end();
  }
};

TEST_F(VelComPortLine, ProgramSwitchesDtrAndRts) {
  port_->Open();
  TModemLines lines = peer_.ModemLines();
  EXPECT_TRUE(lines.DTR);
  EXPECT_TRUE(lines.RTS);
  port_->SetDTR(false);
  lines = peer_.ModemLines();
  EXPECT_FALSE(lines.DTR);
  EXPECT_TRUE(lines.RTS);
  port_->SetRTS(false);
  EXPECT_FALSE(peer_.ModemLines().RTS);
  port_->SetDTR(true);
  EXPECT_TRUE(peer_.ModemLines().DTR);
}

// Changed while closed, the lines must not be switched back on by a stale
// DCB at the next open.
TEST_F(VelComPortLine, LinesSwitchedOffWhileClosedStayOffAtOpen) {
  port_->SetDTR(false);
  port_->SetRTS(false);
  port_->Open();
  const TModemLines lines = peer_.ModemLines();
  EXPECT_FALSE(lines.DTR);
  EXPECT_FALSE(lines.RTS);
}

TEST_F(VelComPortLine, PeerLinesRaiseTheirEvents) {
  TLineLog log;
  port_->OnCTSChanged = Method<&TLineLog::Cts>(&log);
  port_->OnDSRChanged = Method<&TLineLog::Dsr>(&log);
  port_->OnRINGDetected = Method<&TLineLog::Ring>(&log);
  port_->OnRLSDChanged = Method<&TLineLog::Rlsd>(&log);
  port_->Open();
  const struct {
    TInputLine line;
    const char* event;
  } cases[] = {{TInputLine::CTS, "CTS"},
               {TInputLine::DSR, "DSR"},
               {TInputLine::DCD, "RLSD"},
               {TInputLine::RI, "RING"}};
  for (const auto& c : cases) {
    // Wine compares the lines with their state when the wait was armed: a
    // change before the event thread waits again would go unseen.
    PumpFor(150);
    log.events.clear();
    const bool ring = c.line == TInputLine::RI;
    // The ring indicator is reported when it goes off again.
    peer_.SetInputLine(c.line, ring);
    if (ring) {
      PumpFor(100);
      peer_.SetInputLine(c.line, false);
    }
    EXPECT_TRUE(PumpUntil([&] { return log.Saw(c.event); }, 3000)) << c.event;
    EXPECT_EQ(log.events, std::vector<std::string>{c.event});
  }
}

// ---- Form data ------------------------------------------------------------------

std::vector<std::string> PublishedNames(const TMetaClass& meta, const TMetaClass& parent) {
  const TPropList& props = GetPropList(&meta);
  std::vector<std::string> names;
  for (size_t i = GetPropList(&parent).size(); i < props.size(); ++i)
    names.push_back(props[i]->Name);
  return names;
}

TEST(VelComPortPublished, PropertiesThenEventsInTheirOrder) {
  EXPECT_EQ(PublishedNames(TVelComPort::StaticClass(), TVelCustomComPort::StaticClass()),
            (std::vector<std::string>{"AutoOpen",       "BaudRate",      "ComNumber",
                                      "Databits",       "DTR",           "EventThreadPriority",
                                      "FlowControl",    "InBufSize",     "Options",
                                      "OutBufSize",     "Parity",        "RTS",
                                      "Stopbits",       "UserBaudRate",  "WriteThreadPriority",
                                      "XOnChar",        "XOffChar",      "XOnLim",
                                      "XOffLim",        "OnCTSChanged",  "OnDataRecived",
                                      "OnDSRChanged",   "OnLineError",   "OnNonSyncEvent",
                                      "OnOutBufFree",   "OnPortClose",   "OnPortOpen",
                                      "OnRINGDetected", "OnRLSDChanged", "OnSyncEvent"}));
  const TPropInfo* options = GetPropInfo(&TVelComPort::StaticClass(), "Options");
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->Kind, tkSet);
  EXPECT_EQ(options->EnumType->ValueName(coStripNull), "coStripNull");
  EXPECT_EQ(GetPropInfo(&TVelComPort::StaticClass(), "OnNonSyncEvent")->Kind, tkMethod);
}

// A form that holds a port, as a program's form description would.
class TPortHolder : public TComponent {
  VEL_CLASS(TPortHolder, TComponent)
  static void Publish(TPublisher<TPortHolder>& p);

 public:
  using TComponent::TComponent;
  void PortOpened(TObject*) { opened = Port && Port->Active(); }

  TVelComPort* Port = nullptr;
  bool opened = false;
};

VEL_CLASS_IMPL(TPortHolder, TComponent)

void TPortHolder::Publish(TPublisher<TPortHolder>& p) {
  p.Field<&TPortHolder::Port>("Port");
  p.Method<&TPortHolder::PortOpened>("PortOpened");
}

TEST(VelComPortPublished, FormDataSetsThePortAndAutoOpenOpensIt) {
  RegisterClass(TVelComPort::StaticClass());
  TPeerPort peer;
  TOwned<TPortHolder> holder(Create<TPortHolder>(nullptr));
  ReadComponentText(holder.get(), Format(R"(
    object Holder: TPortHolder
      object Port: TVelComPort
        BaudRate = br9600
        Parity = paEven
        Options = [coParityCheck]
        FlowControl = fwXOnXOff
        EventThreadPriority = tpHigher
        ComNumber = %d
        AutoOpen = True
        OnPortOpen = PortOpened
      end
    end)",
                                         peer.Number()));
  ASSERT_NE(holder->Port, nullptr);
  EXPECT_TRUE(holder->opened);
  EXPECT_EQ(holder->Port->EventThreadPriority(), tpHigher);
  EXPECT_EQ(holder->Port->XOffLim(), 3072);
  const TPeerTermios termios = peer.Termios();
  EXPECT_EQ(termios.Baud, 9600u);
  EXPECT_EQ(termios.Parity, 'E');
  EXPECT_TRUE(termios.Ixon);
}

}  // namespace
