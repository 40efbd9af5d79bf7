// The virtual null-modem, seen from a Win32 program through the plain serial
// API, the way the serial engine will use it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "PeerClient.h"

namespace {

const DWORD kEventMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_ERR | EV_RING;
// Wine polls the modem lines, about every 300 ms.
const DWORD kEventWaitMs = 2000;

struct THandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using THandle = std::unique_ptr<void, THandleCloser>;

THandle OpenCom(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  return THandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// One overlapped WaitCommEvent. The record must outlive the wait, so an
// unfinished wait is cancelled (SetCommMask) and collected before it goes.
class TCommWait {
 public:
  explicit TCommWait(HANDLE com) : com_(com), record_(new TRecord()) {
    record_->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    pending_ = !WaitCommEvent(com_, &record_->mask, &record_->overlapped) &&
               GetLastError() == ERROR_IO_PENDING;
  }
  ~TCommWait() {
    if (pending_) {
      SetCommMask(com_, kEventMask);
      if (WaitForSingleObject(record_->overlapped.hEvent, 5000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "a cancelled WaitCommEvent did not complete";
        record_.release();  // Wine may still write into it
        return;
      }
    }
    CloseHandle(record_->overlapped.hEvent);
  }
  bool Pending() const { return pending_; }
  // The reported events, or 0 when none came in time.
  DWORD Events(DWORD timeoutMs) {
    if (!pending_ || WaitForSingleObject(record_->overlapped.hEvent, timeoutMs) != WAIT_OBJECT_0)
      return 0;
    DWORD unused;
    pending_ = false;
    return GetOverlappedResult(com_, &record_->overlapped, &unused, FALSE) ? record_->mask : 0;
  }

 private:
  struct TRecord {
    OVERLAPPED overlapped = {};
    DWORD mask = 0;
  };
  HANDLE com_;
  std::unique_ptr<TRecord> record_;
  bool pending_ = false;
};

bool WriteCom(HANDLE com, const std::string& bytes) {
  OVERLAPPED overlapped = {};
  THandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  overlapped.hEvent = event.get();
  DWORD written = 0;
  if (!WriteFile(com, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &overlapped) &&
      GetLastError() != ERROR_IO_PENDING)
    return false;
  return GetOverlappedResult(com, &overlapped, &written, TRUE) && written == bytes.size();
}

// Reads what has arrived until count bytes are there or the time is up.
std::string ReadCom(HANDLE com, size_t count, DWORD timeoutMs) {
  COMMTIMEOUTS immediate = {MAXDWORD, 0, 0, 0, 0};
  SetCommTimeouts(com, &immediate);
  std::string bytes;
  DWORD start = GetTickCount();
  while (bytes.size() < count && GetTickCount() - start < timeoutMs) {
    char chunk[256];
    OVERLAPPED overlapped = {};
    THandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    overlapped.hEvent = event.get();
    DWORD got = 0;
    DWORD wanted = static_cast<DWORD>(std::min(count - bytes.size(), sizeof chunk));
    if (!ReadFile(com, chunk, wanted, &got, &overlapped) && GetLastError() != ERROR_IO_PENDING)
      break;
    if (!GetOverlappedResult(com, &overlapped, &got, TRUE))
      break;
    bytes.append(chunk, got);
    if (got == 0)
      Sleep(10);
  }
  return bytes;
}

// NUL and 0xFF must pass untouched.
const std::string kToProgram("hello\0\xff\0", 8);
const std::string kToPeer("world\r\n\0", 8);

void ExpectBytesBothWays(TPeerPort& peer, const std::string& name) {
  THandle com = OpenCom(name);
  ASSERT_TRUE(com) << name << ": error " << GetLastError();
  ASSERT_TRUE(SetCommMask(com.get(), kEventMask));
  {
    TCommWait wait(com.get());
    ASSERT_TRUE(wait.Pending()) << name << ": WaitCommEvent error " << GetLastError();
    peer.Send(kToProgram);
    EXPECT_TRUE(wait.Events(kEventWaitMs) & EV_RXCHAR) << name;
  }
  EXPECT_EQ(kToProgram, ReadCom(com.get(), 8, kEventWaitMs)) << name;
  ASSERT_TRUE(WriteCom(com.get(), kToPeer));
  EXPECT_EQ(kToPeer, peer.Receive(8, kEventWaitMs)) << name;
}

TEST(NullModem, PortsBelowTenOpenByBothNames) {
  TPeerPort peer(1, 9);
  ExpectBytesBothWays(peer, peer.ShortName());
  ExpectBytesBothWays(peer, peer.DeviceName());
}

TEST(NullModem, PortsAboveNineOpenByDeviceNameAndGetDistinctNumbers) {
  TPeerPort peer(10, 256);
  TPeerPort other(10, 256);
  EXPECT_GE(peer.Number(), 10);
  EXPECT_NE(peer.Number(), other.Number());
  ExpectBytesBothWays(peer, peer.DeviceName());
}

TEST(NullModem, PeerReceivesUntilAStopByteOrTheTimeOut) {
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  ASSERT_TRUE(WriteCom(com.get(), "OK\rREST"));
  EXPECT_EQ("OK\r", peer.ReceiveUntil('\r', 100, kEventWaitMs));
  EXPECT_EQ("REST", peer.Receive(100, 200));
  EXPECT_EQ("", peer.Receive(1, 100));
}

TEST(NullModem, PeerSeesDtrAndRtsAsTheProgramSwitchesThem) {
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  ASSERT_TRUE(SetCommMask(com.get(), kEventMask));
  EXPECT_FALSE(peer.ModemLines().DTR);
  ASSERT_TRUE(EscapeCommFunction(com.get(), SETDTR)) << GetLastError();
  TModemLines lines = peer.ModemLines();
  EXPECT_TRUE(lines.DTR);
  EXPECT_FALSE(lines.RTS);
  ASSERT_TRUE(EscapeCommFunction(com.get(), SETRTS));
  ASSERT_TRUE(EscapeCommFunction(com.get(), CLRDTR));
  lines = peer.ModemLines();
  EXPECT_FALSE(lines.DTR);
  EXPECT_TRUE(lines.RTS);
}

TEST(NullModem, InputLineChangesByThePeerRaiseTheirEvents) {
  struct {
    TInputLine line;
    DWORD event;
    DWORD status;
  } const cases[] = {{TInputLine::CTS, EV_CTS, MS_CTS_ON},
                     {TInputLine::DSR, EV_DSR, MS_DSR_ON},
                     {TInputLine::DCD, EV_RLSD, MS_RLSD_ON},
                     {TInputLine::RI, EV_RING, MS_RING_ON}};
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  ASSERT_TRUE(SetCommMask(com.get(), kEventMask));
  for (const auto& c : cases) {
    DWORD before = 0;
    ASSERT_TRUE(GetCommModemStatus(com.get(), &before));
    bool on = !(before & c.status);
    TCommWait wait(com.get());
    ASSERT_TRUE(wait.Pending());
    peer.SetInputLine(c.line, on);
    EXPECT_EQ(c.event, wait.Events(kEventWaitMs) & c.event) << "event " << c.event;
    DWORD after = 0;
    ASSERT_TRUE(GetCommModemStatus(com.get(), &after));
    EXPECT_EQ(on, (after & c.status) != 0) << "status " << c.status;
  }
  TCommWait quiet(com.get());
  EXPECT_EQ(0u, quiet.Events(400)) << "an event without a change";
}

TEST(NullModem, PeerReadsTheLineSettingsTheProgramChose) {
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(com.get(), &dcb));
  dcb.BaudRate = 9600;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = TWOSTOPBITS;
  ASSERT_TRUE(SetCommState(com.get(), &dcb));
  TPeerTermios t = peer.Termios();
  EXPECT_EQ(9600u, t.Baud);
  EXPECT_EQ(7, t.DataBits);
  EXPECT_EQ('E', t.Parity);
  EXPECT_EQ(2, t.StopBits);
  EXPECT_FALSE(t.Crtscts);

  // Flow control and the custom-divisor rates are checked through the serial
  // engine's line tests.
  dcb.fOutxCtsFlow = TRUE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutX = dcb.fInX = TRUE;
  ASSERT_TRUE(SetCommState(com.get(), &dcb));
  t = peer.Termios();
  EXPECT_TRUE(t.Crtscts);
  EXPECT_TRUE(t.Ixon);
  EXPECT_TRUE(t.Ixoff);
}

TEST(NullModem, VanishedDeviceLeavesAClosableHandleAndNoPortUntilItReturns) {
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  ASSERT_TRUE(SetCommMask(com.get(), kEventMask));
  {
    TCommWait wait(com.get());
    peer.Vanish();
    wait.Events(500);  // may end with an error or stay pending; both are fine
  }
  WriteCom(com.get(), "lost");
  com.reset();
  EXPECT_FALSE(OpenCom(peer.DeviceName()));
  EXPECT_THROW(peer.Send("x"), EPeerError);

  peer.Return();
  com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  ASSERT_TRUE(WriteCom(com.get(), "back"));
  EXPECT_EQ("back", peer.Receive(4, kEventWaitMs));
  EXPECT_THROW(peer.Return(), EPeerError);
}

TEST(NullModem, AbsentDeviceCannotBeOpened) {
  TPeerPort absent(10, 256, TPeerDevice::Absent);
  EXPECT_FALSE(OpenCom(absent.DeviceName()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_THROW(absent.Termios(), EPeerError);
}

TEST(NullModem, ScriptedPeerAnswersTheProgram) {
  TPeerPort peer(10, 256);
  THandle com = OpenCom(peer.DeviceName());
  ASSERT_TRUE(com);
  peer.StartScript("echo");
  ASSERT_TRUE(WriteCom(com.get(), "ping\r"));
  EXPECT_EQ("ping\r", ReadCom(com.get(), 5, kEventWaitMs));
  EXPECT_EQ("5", peer.ScriptCall("count"));
  EXPECT_THROW(peer.StartScript("no-such-script"), EPeerError);
}

}  // namespace
