// How the port's notices reach the main thread under load and while handlers
// close or free the port, on the virtual null-modem.
#include "VelComPort.h"

#include "LambdaThread.h"
#include "PeerClient.h"
#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

class TTestComPort : public TVelComPort {
 public:
  using TVelComPort::TVelComPort;
  using TVelCustomSerialPort::Core;
};

std::string Stream(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 987654321;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

// Plays a notice of the event thread from another thread while the main
// thread serves it. A notice for a port closed meanwhile ends in a silent
// EAbort, as on the event thread.
void Notify(TVelComPortCore* core, TVelCoreEvent kind, DWORD data) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      core->OnNotify(core, kind, data, nullptr);
    } catch (const EAbort&) {
    }
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 5000);
  worker.join();
}

struct TEventLog {
  std::vector<std::string> events;
  std::vector<DWORD> ticks;
  TVelComPort* port = nullptr;
  bool closeOnSync = false;
  bool freeOnSync = false;

  void Add(const std::string& event) {
    events.push_back(event);
    ticks.push_back(GetTickCount());
  }
  void Sync(TObject*, TVelCoreEvent, DWORD) {
    Add("sync");
    if (closeOnSync)
      port->Close();
    if (freeOnSync)
      port->Free();
  }
  void Data(TObject*, int) { Add("data"); }
  void Error(TObject*, DWORD errors) { Add("error " + std::to_string(errors)); }
  void Cts(TObject*) { Add("CTS"); }
  void Closed(TObject*) { Add("close"); }
  size_t Count(const std::string& event) const {
    return std::count(events.begin(), events.end(), event);
  }
};

class VelComPortEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    port_->SetComNumber(static_cast<uint16_t>(peer_.Number()));
    log_.port = port_.get();
  }

  TPeerPort peer_;
  TOwned<TTestComPort> port_{Create<TTestComPort>(nullptr)};
  TEventLog log_;
};

// Unread input must not keep the event wait from being armed: the line
// events of the device still come through, each one promptly.
TEST_F(VelComPortEvents, ModemLineChangesAreReportedWhileInputWaitsUnread) {
  port_->OnCTSChanged = Method<&TEventLog::Cts>(&log_);
  port_->Open();
  peer_.Send("unread");
  ASSERT_TRUE(PumpUntil([&] { return port_->InBufUsed() == 6; }, 3000));
  PumpFor(300);
  for (int toggle = 0; toggle < 10; ++toggle) {
    const DWORD start = GetTickCount();
    peer_.SetInputLine(TInputLine::CTS, toggle % 2 != 0);
    EXPECT_TRUE(PumpUntil([&] { return log_.Count("CTS") == toggle + 1u; }, 1000)) << toggle;
    EXPECT_LT(GetTickCount() - start, 500u) << "toggle " << toggle;
    PumpFor(100);
  }
  EXPECT_EQ(log_.Count("CTS"), 10u);
  EXPECT_EQ(port_->InBufUsed(), 6);
}

// The terminal's way of reading: exactly the count each notice tells.
struct TCountReader {
  TVelComPort* port = nullptr;
  std::string received;
  DWORD last = 0;
  DWORD longestGap = 0;

  void Data(TObject*, int count) {
    const DWORD now = GetTickCount();
    if (last != 0)
      longestGap = std::max(longestGap, now - last);
    last = now;
    if (count <= 0)
      return;
    const size_t old = received.size();
    received.resize(old + count);
    port->ReadData(&received[old], count);
  }
};

TEST_F(VelComPortEvents, AHandlerReadingTheToldCountGetsAFullSpeedStreamWithoutPauses) {
  const size_t total = 4 * 1024 * 1024;
  TCountReader reader;
  reader.port = port_.get();
  port_->OnDataRecived = Method<&TCountReader::Data>(&reader);
  port_->Open();
  const std::string data = Stream(total);
  const DWORD start = GetTickCount();
  peer_.Send(data);
  PumpUntil([&] { return reader.received.size() >= total; }, 60000);
  const DWORD ms = std::max<DWORD>(GetTickCount() - start, 1);
  std::printf(
      "[ THROUGHPUT ] count-reading handler: %zu bytes in %lu ms, %.0f bytes/s,"
      " longest gap %lu ms\n",
      reader.received.size(), static_cast<unsigned long>(ms), reader.received.size() * 1000.0 / ms,
      static_cast<unsigned long>(reader.longestGap));
  ASSERT_EQ(reader.received.size(), total);
  EXPECT_TRUE(reader.received == data) << "bytes changed, lost or repeated";
  EXPECT_LT(reader.longestGap, 100u);
}

// A driver that takes fewer bytes than asked: the rest is written next,
// nothing twice and nothing lost.
BOOL WINAPI WriteSevenAtMost(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                             LPOVERLAPPED overlapped) {
  return WriteFile(file, buffer, std::min<DWORD>(count, 7), written, overlapped);
}

TEST_F(VelComPortEvents, ShortWritesLoseAndRepeatNothing) {
  port_->Core()->SetWriteFunction(&WriteSevenAtMost);
  port_->SetOutBufSize(1000);
  port_->Open();
  const std::string data = Stream(3000);
  for (size_t sent = 0; sent < data.size(); sent += 500) {
    ASSERT_TRUE(PumpUntil([&] { return port_->OutBufFree() >= 500; }, 5000));
    port_->WriteData(data.data() + sent, 500);
  }
  EXPECT_TRUE(peer_.Receive(data.size(), 10000) == data);
  EXPECT_EQ(peer_.Receive(1, 200), "");
}

// ---- Handlers that close or free the port -------------------------------------------

TEST_F(VelComPortEvents, NothingOfANoticeIsDispatchedAfterAHandlerClosedThePort) {
  port_->OnSyncEvent = Method<&TEventLog::Sync>(&log_);
  port_->OnDataRecived = Method<&TEventLog::Data>(&log_);
  port_->OnLineError = Method<&TEventLog::Error>(&log_);
  port_->OnCTSChanged = Method<&TEventLog::Cts>(&log_);
  port_->OnPortClose = Method<&TEventLog::Closed>(&log_);
  port_->Open();
  log_.closeOnSync = true;
  Notify(port_->Core(), ceLineEvent, EV_RXCHAR | EV_ERR | EV_CTS);
  EXPECT_EQ(log_.events, (std::vector<std::string>{"sync", "close"}));
  EXPECT_FALSE(port_->Active());
}

// Its memory stays as it was when freed (a small leak in a test): a dispatch
// that went on after the free would find the handlers still stored in it.
class TKeptComPort : public TTestComPort {
 public:
  using TTestComPort::TTestComPort;
  static void operator delete(void*) {}
};

// The port is freed while the event thread waits for the delivery: the rest
// of the notice must not touch it.
TEST_F(VelComPortEvents, AHandlerMayFreeThePort) {
  TTestComPort* port = Create<TKeptComPort>(nullptr);
  port->SetComNumber(static_cast<uint16_t>(peer_.Number()));
  port->OnSyncEvent = Method<&TEventLog::Sync>(&log_);
  port->OnDataRecived = Method<&TEventLog::Data>(&log_);
  port->Open();
  log_.port = port;
  log_.freeOnSync = true;
  peer_.Send("x");
  EXPECT_TRUE(PumpUntil([&] { return !log_.events.empty(); }, 3000));
  PumpFor(100);
  EXPECT_EQ(log_.events, std::vector<std::string>{"sync"});
}

// While the main thread closes, another thread's synchronised method (as the
// command engine's handlers are) runs inside the close's wait and closes too.
TEST_F(VelComPortEvents, ACloseNestedInACloseFiresOnePortClose) {
  port_->OnPortClose = Method<&TEventLog::Closed>(&log_);
  std::atomic<bool> outerClosing{false};
  std::atomic<bool> stop{false};
  int nested = 0;
  bool reopened = false;
  TLambdaThread other([&](TLambdaThread& self) {
    while (!stop) {
      self.Synchronize([&] {
        if (!outerClosing)
          return;
        ++nested;
        EXPECT_FALSE(port_->Active()) << "a closing port reports closed";
        port_->Close();
        port_->Open();
        reopened = port_->Active();
      });
    }
  });
  for (int round = 0; round < 5; ++round) {
    port_->Open();
    PumpFor(20);
    log_.events.clear();
    outerClosing = true;
    port_->Close();
    outerClosing = false;
    EXPECT_EQ(log_.events, std::vector<std::string>{"close"}) << "round " << round;
    EXPECT_FALSE(port_->Active());
    EXPECT_FALSE(reopened);
  }
  stop = true;
  PumpUntil([&] { return other.Finished(); }, 3000);
  EXPECT_GT(nested, 0) << "no close ran nested";
}

}  // namespace
