// The component's properties and line settings, and what it does while
// closed; no device is needed.
#include "VelComPort.h"

#include "SerialTestSupport.h"
#include "System.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

DWORD FlagWord(const DCB& dcb) {
  DWORD flags;
  std::memcpy(&flags, reinterpret_cast<const BYTE*>(&dcb) + 2 * sizeof(DWORD), sizeof(flags));
  return flags;
}

const DWORD kBinary = 0x1;
const DWORD kDtrEnable = 0x10;
const DWORD kRtsEnable = 0x1000;

struct TEventLog {
  std::vector<std::string> events;
  void PortOpen(TObject*) { events.push_back("open"); }
  void PortClose(TObject*) { events.push_back("close"); }
  void PortCloseFails(TObject*) {
    events.push_back("close");
    throw Exception("handler failed");
  }
};

class VelComPortSettings : public ::testing::Test {
 protected:
  TOwned<TVelComPort> port_{Create<TVelComPort>(nullptr)};
  TEventLog log_;
};

// The defaults that the DCB does not show, then the DCB the first open pushes.
TEST_F(VelComPortSettings, NewPortHasTheDeclaredDefaults) {
  EXPECT_FALSE(port_->AutoOpen());
  EXPECT_EQ(port_->OutBufSize(), 2048);
  EXPECT_EQ(port_->EventThreadPriority(), tpNormal);
  EXPECT_EQ(port_->WriteThreadPriority(), tpHighest);

  const DCB& dcb = port_->PortDCB();
  EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
  EXPECT_EQ(dcb.BaudRate, 115200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.XonChar, 17);
  EXPECT_EQ(dcb.XoffChar, 19);
  EXPECT_EQ(FlagWord(dcb), kBinary | kDtrEnable | kRtsEnable);
}

TEST_F(VelComPortSettings, FlowControlSetsHandshakeFlagsAndLimits) {
  port_->SetFlowControl(fwRtsCts);
  EXPECT_EQ(FlagWord(port_->PortDCB()), kBinary | kDtrEnable | 0x2004);
  port_->SetFlowControl(fwDtrDsr);
  EXPECT_EQ(FlagWord(port_->PortDCB()), kBinary | kRtsEnable | 0x28);
  port_->SetFlowControl(fwXOnXOff);
  EXPECT_EQ(FlagWord(port_->PortDCB()), kBinary | kDtrEnable | kRtsEnable | 0x300);
  EXPECT_EQ(port_->XOnLim(), 1024);
  EXPECT_EQ(port_->XOffLim(), 3072);
  EXPECT_EQ(port_->PortDCB().XonLim, 1024);
  EXPECT_EQ(port_->PortDCB().XoffLim, 3072);
  port_->SetFlowControl(fwNone);
  EXPECT_EQ(port_->XOnLim(), 0);
  EXPECT_EQ(port_->XOffLim(), 0);
}

TEST_F(VelComPortSettings, LimitsFollowEachOtherWithinTheInputBuffer) {
  port_->SetXOnLim(1000);
  EXPECT_EQ(port_->XOffLim(), 3096);
  port_->SetXOffLim(4000);
  EXPECT_EQ(port_->XOnLim(), 96);
  port_->SetInBufSize(800);
  port_->SetFlowControl(fwXOnXOff);
  EXPECT_EQ(port_->XOnLim(), 200);
  EXPECT_EQ(port_->XOffLim(), 600);
}

TEST_F(VelComPortSettings, OptionsMapToTheirFlags) {
  port_->SetDTR(false);
  port_->SetRTS(false);
  // DTR and RTS reach the DCB at its next rebuild only.
  EXPECT_EQ(FlagWord(port_->PortDCB()), kBinary | kDtrEnable | kRtsEnable);
  port_->SetOptions({coParityCheck, coDsrSensitivity, coIgnoreXOff, coErrorChar, coStripNull});
  EXPECT_EQ(FlagWord(port_->PortDCB()), kBinary | 0x2 | 0x40 | 0x80 | 0x400 | 0x800);
}

// The values the null-modem cannot show: four bits and one and a half stop bits.
TEST_F(VelComPortSettings, LineSettingsMapToTheDCB) {
  port_->SetDatabits(db4);
  port_->SetStopbits(sbOneAndHalf);
  EXPECT_EQ(port_->PortDCB().ByteSize, 4);
  EXPECT_EQ(port_->PortDCB().StopBits, ONE5STOPBITS);
}

// Each table rate reaches the device (see the line tests); here the switch
// between the table and the user rate.
TEST_F(VelComPortSettings, UserRateAndTableRateReplaceEachOther) {
  port_->SetUserBaudRate(250000);
  EXPECT_EQ(port_->BaudRate(), brUser);
  EXPECT_EQ(port_->PortDCB().BaudRate, 250000u);
  port_->SetBaudRate(br9600);
  EXPECT_EQ(port_->UserBaudRate(), 0);
  EXPECT_EQ(port_->PortDCB().BaudRate, 9600u);
}

TEST_F(VelComPortSettings, ClosedPortReportsItsErrorsWithAnEmptyName) {
  EXPECT_EQ(port_->OutBufFree(), 0);
  EXPECT_EQ(port_->InBufUsed(), 0);
  port_->SendString("");  // nothing to write, nothing raised
  EXPECT_EQ(RaisedMessage<EVelComPortError>([&] { port_->SendString("abc"); }),
            " - Write data error [requested: 3, free: 0] ");
  EXPECT_EQ(RaisedMessage<EVelComPortError>([&] { port_->ReadChar(); }), " - Read data error ");
  std::string text = "old";
  port_->ReadString(text);
  EXPECT_EQ(text, "");
  port_->SetName("Port1");
  EXPECT_EQ(RaisedMessage<EVelComPortError>([&] { port_->SendChar('x'); }),
            "Port1 - Write data error [requested: 1, free: 0] ");
}

TEST_F(VelComPortSettings, CloseOfAClosedPortStillFiresOnPortClose) {
  port_->OnPortClose = Method<&TEventLog::PortClose>(&log_);
  port_->Close();
  port_->SetActive(false);
  EXPECT_EQ(log_.events, (std::vector<std::string>{"close", "close"}));
}

// COM0 is never valid; no test links a port as high as COM200.
TEST_F(VelComPortSettings, InvalidOrMissingPortLeavesThePortClosed) {
  port_->OnPortOpen = Method<&TEventLog::PortOpen>(&log_);
  for (const int number : {0, 200}) {
    port_->SetComNumber(static_cast<uint16_t>(number));
    EXPECT_EQ(RaisedMessage<EVelComPortCoreError>([&] { port_->SetActive(true); }),
              "Invalid port number (COM" + std::to_string(number) + ")");
    EXPECT_FALSE(port_->Active());
  }
  EXPECT_TRUE(log_.events.empty());
}

// A raising OnPortClose must not leave the port deaf: reads and writes of a
// port that is "still closing" would silently do nothing.
TEST_F(VelComPortSettings, FailingCloseHandlerDoesNotLeaveThePortClosing) {
  port_->OnPortClose = Method<&TEventLog::PortCloseFails>(&log_);
  EXPECT_THROW(port_->Close(), Exception);
  EXPECT_THROW(port_->SendString("x"), EVelComPortError);
}

TEST(VelComPortCore, DeviceNamesByPlatform) {
  const TPlatformInfo real = Platform();
  TPlatformInfo nt = real;
  nt.Win32Platform = VER_PLATFORM_WIN32_NT;
  OverridePlatform(nt);
  EXPECT_EQ(ComDeviceName(9), "COM9");
  EXPECT_EQ(ComDeviceName(10), "\\\\.\\COM10");
  TPlatformInfo nine = real;
  nine.Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  OverridePlatform(nine);
  EXPECT_EQ(ComDeviceName(10), "COM10");
  OverridePlatform(real);
}

TEST(VelComPortCore, ClosedCoreAnswersWithoutTouchingAnything) {
  TOwned<TVelComPortCore> core(new TVelComPortCore());
  char byte = 0;
  COMSTAT stat;
  std::memset(&stat, 0xFF, sizeof(stat));
  EXPECT_FALSE(core->WriteData("x", 1));
  EXPECT_EQ(core->OutBufFree(), 0);
  EXPECT_EQ(core->ReadData(&byte, 1), -1);
  EXPECT_FALSE(core->PurgeRX());
  EXPECT_FALSE(core->PurgeTX());
  core->GetComStat(stat);
  EXPECT_EQ(stat.cbInQue, 0u);
  EXPECT_EQ(stat.cbOutQue, 0u);
  EXPECT_EQ(core->GetLineErrors(), 0u);
  EXPECT_FALSE(core->EscapeFunction(SETDTR));
  EXPECT_THROW(core->OpenComm(-3), EVelComPortCoreError);
  EXPECT_FALSE(core->Opened());
  core->CloseComm();  // nothing to close
}

}  // namespace
