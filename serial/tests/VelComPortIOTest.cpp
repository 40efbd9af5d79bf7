// Bytes both ways, purges, the port's notices and its life cycle on the
// virtual null-modem, with the real event and write threads.
#include "VelComPort.h"

#include "PeerClient.h"
#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Opens up the core, so that a test can play the event thread's notices.
class TTestComPort : public TVelComPort {
 public:
  using TVelComPort::TVelComPort;
  using TVelCustomSerialPort::Core;
};

std::string Pattern(size_t size, unsigned seed = 0) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>('A' + (i + seed) % 26);
  return bytes;
}

// What the port's events told, in order.
struct TRecorder {
  TVelCustomSerialPort* port = nullptr;
  std::vector<std::string> events;
  std::vector<int> counts;
  std::string received;
  DWORD dataThread = 0;
  bool readOnData = true;
  bool closeOnData = false;
  DWORD syncBusyMs = 0;

  void Data(TObject*, int count) {
    events.push_back("data");
    counts.push_back(count);
    dataThread = GetCurrentThreadId();
    if (closeOnData)
      port->Close();
    if (!readOnData || count <= 0)
      return;
    received += port->ReadChar();
    std::string rest(count - 1, '\0');
    if (count > 1)
      port->ReadData(&rest[0], count - 1);
    received += rest;
  }
  void Sync(TObject*, TVelCoreEvent kind, DWORD data) {
    events.push_back("sync" + std::to_string(kind) + ":" + std::to_string(data));
    // Only the first notice is slow.
    const DWORD busyMs = syncBusyMs;
    syncBusyMs = 0;
    Sleep(busyMs);
  }
  void LineError(TObject*, DWORD) { events.push_back("error"); }
  void Cts(TObject*) { events.push_back("CTS"); }
  void Dsr(TObject*) { events.push_back("DSR"); }
  void OutFree(TObject*) { events.push_back("outfree"); }
  void NonSync(TObject*, TVelCoreEvent, DWORD) { throw Exception("raised on the event thread"); }

  size_t Count(const std::string& name) const {
    return std::count(events.begin(), events.end(), name);
  }
};

class VelComPortIO : public ::testing::Test {
 protected:
  void SetUp() override {
    port_->SetComNumber(static_cast<uint16_t>(peer_.Number()));
    recorder_.port = port_.get();
    ReportedExceptions().clear();
  }

  void ListenForData() {
    port_->OnDataRecived = Method<&TRecorder::Data>(&recorder_);
    port_->OnSyncEvent = Method<&TRecorder::Sync>(&recorder_);
  }

  // Waits until the driver holds count received bytes.
  bool WaitInput(int count) {
    return PumpUntil([&] { return port_->InBufUsed() >= count; }, 3000);
  }

  // Plays notices of the event thread, in order, from another thread.
  void Notify(const std::vector<std::pair<TVelCoreEvent, DWORD>>& notices) {
    std::atomic<bool> done{false};
    TVelComPortCore* core = port_->Core();
    std::thread worker([&] {
      for (const auto& [kind, data] : notices)
        core->OnNotify(core, kind, data, nullptr);
      done = true;
    });
    PumpUntil([&] { return done.load(); }, 5000);
    worker.join();
  }

  TPeerPort peer_;
  TOwned<TTestComPort> port_{Create<TTestComPort>(nullptr)};
  TRecorder recorder_;
};

// ---- Writing ----------------------------------------------------------------------

TEST_F(VelComPortIO, WritesOfEverySizeArriveOnceAndInOrder) {
  port_->SetOutBufSize(300);
  port_->Open();
  std::string sent;
  for (int size = 1; size <= 300; ++size) {
    const std::string block = Pattern(size, size);
    ASSERT_TRUE(PumpUntil([&] { return port_->OutBufFree() >= size; }, 3000));
    port_->WriteData(block.data(), size);
    sent += block;
  }
  ASSERT_TRUE(PumpUntil([&] { return port_->OutBufFree() == 300; }, 3000));
  port_->SendChar('!');
  port_->SendString("end");
  sent += "!end";
  EXPECT_EQ(peer_.Receive(sent.size(), 10000), sent);
}

TEST_F(VelComPortIO, WriteBeyondTheFreeSpaceQueuesNothing) {
  port_->SetOutBufSize(64);
  port_->Open();
  EXPECT_EQ(RaisedMessage<EVelComPortError>([&] { port_->SendString(Pattern(65)); }),
            " - Write data error [requested: 65, free: 64] ");
  port_->SendString(Pattern(64));  // exactly the free space fits
  ASSERT_TRUE(PumpUntil([&] { return port_->OutBufFree() == 64; }, 3000));
  port_->SendString("x");
  EXPECT_EQ(peer_.Receive(65, 3000), Pattern(64) + "x");
  EXPECT_EQ(peer_.Receive(1, 200), "");
}

TEST_F(VelComPortIO, DrainedRingReportsOutBufFreeOnce) {
  port_->OnOutBufFree = Method<&TRecorder::OutFree>(&recorder_);
  port_->Open();
  port_->SendString("abc");
  EXPECT_TRUE(PumpUntil([&] { return recorder_.Count("outfree") == 1; }, 3000));
  PumpFor(300);
  EXPECT_EQ(recorder_.Count("outfree"), 1u);
  EXPECT_EQ(peer_.Receive(3, 2000), "abc");
}

// ---- Reading ----------------------------------------------------------------------

TEST_F(VelComPortIO, ReceivedBytesArriveOnTheMainThread) {
  ListenForData();
  port_->Open();
  peer_.Send("hello, port");
  EXPECT_TRUE(PumpUntil([&] { return recorder_.received.size() >= 11; }, 3000));
  EXPECT_EQ(recorder_.received, "hello, port");
  EXPECT_EQ(recorder_.dataThread, GetCurrentThreadId());
  for (int count : recorder_.counts)
    EXPECT_GT(count, 0);
}

TEST_F(VelComPortIO, UnreadBytesAreReportedAgain) {
  ListenForData();
  recorder_.readOnData = false;
  port_->Open();
  peer_.Send("12345");
  ASSERT_TRUE(WaitInput(5));
  recorder_.events.clear();
  recorder_.counts.clear();
  PumpFor(700);
  // The 200 ms check of the input queue.
  EXPECT_GE(recorder_.Count("sync2:5"), 2u);
  EXPECT_GE(recorder_.counts.size(), 2u);
  for (int count : recorder_.counts)
    EXPECT_EQ(count, 5);
  std::string text;
  port_->ReadString(text);
  EXPECT_EQ(text, "12345");
  recorder_.counts.clear();
  PumpFor(450);
  EXPECT_TRUE(recorder_.counts.empty());
}

// A burst carrying received characters and a line error: the error is
// reported after the data.
TEST_F(VelComPortIO, BurstWithDataAndErrorRaisesEventsInOrder) {
  ListenForData();
  recorder_.readOnData = false;
  port_->OnLineError = Method<&TRecorder::LineError>(&recorder_);
  port_->Open();
  peer_.Send("xyz");
  ASSERT_TRUE(WaitInput(3));
  recorder_.events.clear();
  port_->OnSyncEvent = nullptr;
  port_->OnSyncEvent = Method<&TRecorder::Sync>(&recorder_);
  port_->OnDataRecived = nullptr;
  port_->OnDataRecived = Method<&TRecorder::Data>(&recorder_);
  Notify({{ceLineEvent, EV_RXCHAR | EV_ERR}});
  const std::vector<std::string> expected = {"sync1:129", "data", "error"};
  ASSERT_GE(recorder_.events.size(), 3u);
  // The 200 ms check may add its own notice before ours.
  const auto ours = std::search(recorder_.events.begin(), recorder_.events.end(), expected.begin(),
                                expected.end());
  EXPECT_NE(ours, recorder_.events.end());
  EXPECT_EQ(recorder_.counts.back(), 3);
}

// The count of a read notice is taken when it is delivered, not when the
// event thread saw it.
TEST_F(VelComPortIO, ReadNoticeCarriesTheCountAtDelivery) {
  ListenForData();
  recorder_.readOnData = false;
  port_->Open();
  peer_.Send("abcd");
  ASSERT_TRUE(WaitInput(4));
  recorder_.counts.clear();
  Notify({{ceNeedReadData, 99}});
  ASSERT_FALSE(recorder_.counts.empty());
  for (int count : recorder_.counts)
    EXPECT_EQ(count, 4);
}

// The first notice's handler outlasts the 2000 ms delivery wait, so the event
// thread sends the second one meanwhile; the first must finish with its own
// line events.
TEST_F(VelComPortIO, SlowHandlerDoesNotMixUpNotices) {
  port_->OnSyncEvent = Method<&TRecorder::Sync>(&recorder_);
  port_->OnCTSChanged = Method<&TRecorder::Cts>(&recorder_);
  port_->OnDSRChanged = Method<&TRecorder::Dsr>(&recorder_);
  port_->Open();
  PumpFor(50);
  recorder_.events.clear();
  recorder_.syncBusyMs = 2100;
  Notify({{ceLineEvent, EV_CTS}, {ceLineEvent, EV_DSR}});
  const std::vector<std::string> expected = {"sync1:8", "CTS", "sync1:16", "DSR"};
  EXPECT_EQ(recorder_.events, expected);
}

// ---- Purging ----------------------------------------------------------------------

TEST_F(VelComPortIO, ReadStringTakesEveryWaitingByteAfterAPurge) {
  port_->Open();
  std::string text = "stale";
  port_->ReadString(text);
  EXPECT_EQ(text, "");
  peer_.Send("to be dropped");
  ASSERT_TRUE(WaitInput(13));
  port_->PurgeRX();
  EXPECT_EQ(port_->InBufUsed(), 0);
  peer_.Send("kept\r");
  ASSERT_TRUE(WaitInput(5));
  port_->ReadString(text);
  EXPECT_EQ(text, "kept\r");
  EXPECT_THROW(port_->ReadChar(), EVelComPortError);
}

// A purge while a large write is still under way: what reaches the peer is a
// prefix of the purged data and then the new data, never a resent block.
TEST_F(VelComPortIO, PurgeTXDuringAWriteSendsNothingTwice) {
  const int size = 512 * 1024;
  port_->SetOutBufSize(size);
  port_->Open();
  for (int round = 0; round < 5; ++round) {
    const std::string big = Pattern(size, round);
    port_->WriteData(big.data(), size);
    port_->PurgeTX();
    EXPECT_EQ(port_->OutBufFree(), size);
    port_->SendString("<after>");
    const std::string got = peer_.ReceiveUntil('>', size + 7, 10000);
    ASSERT_GE(got.size(), 7u);
    EXPECT_EQ(got.substr(got.size() - 7), "<after>");
    const std::string prefix = got.substr(0, got.size() - 7);
    EXPECT_EQ(prefix, big.substr(0, prefix.size())) << "round " << round;
    EXPECT_EQ(peer_.Receive(1, 100), "");
  }
}

// ---- Life cycle -------------------------------------------------------------------

struct TOpenCloseLog {
  std::vector<std::string> events;
  void Open(TObject*) { events.push_back("open"); }
  void Close(TObject*) { events.push_back("close"); }
};

TEST_F(VelComPortIO, ComNumberChangeReopensOnTheNewPort) {
  TPeerPort other;
  TOpenCloseLog log;
  port_->OnPortOpen = Method<&TOpenCloseLog::Open>(&log);
  port_->OnPortClose = Method<&TOpenCloseLog::Close>(&log);
  port_->Open();
  port_->SetComNumber(static_cast<uint16_t>(other.Number()));
  EXPECT_TRUE(port_->Active());
  EXPECT_EQ(log.events, (std::vector<std::string>{"open", "close", "open"}));
  port_->SendString("moved");
  EXPECT_EQ(other.Receive(5, 2000), "moved");
  EXPECT_EQ(peer_.Receive(1, 100), "");
}

TEST_F(VelComPortIO, BufferSizesChangeOnlyWhileClosed) {
  port_->Open();
  EXPECT_EQ(RaisedMessage<EVelComPortError>([&] { port_->SetInBufSize(1024); }),
            " - Port is not closed ");
  EXPECT_EQ(port_->InBufSize(), 4096);
  EXPECT_THROW(port_->SetOutBufSize(100), EVelComPortError);
  port_->Close();
  port_->SetOutBufSize(100);
  port_->Open();
  EXPECT_EQ(port_->OutBufFree(), 100);
}

// Unread bytes keep the 200 ms check busy while the port closes; every close
// must end promptly, well before a delivery's 2000 ms wait (Wine alone may
// take up to a second to end a pending event wait on a loaded machine).
TEST_F(VelComPortIO, CloseAndReopenManyTimesWithInputWaiting) {
  ListenForData();
  recorder_.readOnData = false;
  for (int round = 0; round < 25; ++round) {
    port_->Open();
    peer_.Send("pending");
    PumpFor(round % 5 * 60);
    const DWORD start = GetTickCount();
    port_->Close();
    EXPECT_LT(GetTickCount() - start, 1500u) << "round " << round;
    EXPECT_FALSE(port_->Active());
  }
}

// Another thread reads, writes and purges while the main thread opens and
// closes: operations that race with a close must see a closed port, not freed
// threads.
TEST_F(VelComPortIO, OperationsRacingWithCloseSeeAClosedPort) {
  std::atomic<bool> stop{false};
  std::atomic<int> operations{0};
  std::atomic<int> zeros{0};
  std::thread worker([&] {
    std::string text;
    while (!stop) {
      try {
        port_->ReadString(text);
        zeros += static_cast<int>(std::count(text.begin(), text.end(), '\0'));
        port_->SendString("ping");
        port_->PurgeTX();
        port_->PurgeRX();
        port_->OutBufFree();
        port_->InBufUsed();
      } catch (const EVelComPortError&) {
        // closed at that moment
      }
      ++operations;
    }
  });
  for (int round = 0; round < 20; ++round) {
    port_->Open();
    peer_.Send("data for the reader");
    PumpFor(20);
    port_->Close();
  }
  stop = true;
  worker.join();
  EXPECT_GT(operations.load(), 20);
  EXPECT_EQ(zeros.load(), 0) << "bytes returned that were never read";
}

// A read racing with purges of the input: whatever ReadString returns was
// really read, never bytes it only expected.
TEST_F(VelComPortIO, ReadStringReturnsOnlyBytesRead) {
  port_->Open();
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::atomic<bool> bad{false};
  std::thread reader([&] {
    std::string text;
    while (!stop) {
      port_->ReadString(text);
      if (text.find('\0') != std::string::npos)
        bad = true;
      if (!text.empty())
        ++reads;
    }
  });
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 1500 && !bad) {
    peer_.Send(Pattern(200));
    PumpFor(2);
    port_->PurgeRX();
  }
  stop = true;
  reader.join();
  EXPECT_FALSE(bad) << "a read returned bytes it never read";
  EXPECT_GT(reads.load(), 0);
}

TEST_F(VelComPortIO, CloseFromInsideTheDataHandler) {
  ListenForData();
  recorder_.closeOnData = true;
  port_->Open();
  const DWORD start = GetTickCount();
  peer_.Send("bye");
  EXPECT_TRUE(PumpUntil([&] { return !port_->Active(); }, 3000));
  // The event thread was waiting for this very handler: answered at once,
  // it need not run into its 2000 ms delivery limit.
  EXPECT_LT(GetTickCount() - start, 1500u);
  EXPECT_EQ(recorder_.Count("data"), 1u);
  recorder_.closeOnData = false;
  port_->Open();
  peer_.Send("again");
  EXPECT_TRUE(PumpUntil([&] { return recorder_.received.find("again") != std::string::npos; }));
}

TEST_F(VelComPortIO, EventThreadExceptionReachesTheMainThread) {
  port_->SetOnNonSyncEvent(Method<&TRecorder::NonSync>(&recorder_));
  port_->Open();
  peer_.Send("x");
  EXPECT_TRUE(PumpUntil([&] { return !ReportedExceptions().empty(); }, 3000));
  EXPECT_EQ(ReportedExceptions().front(), "raised on the event thread");
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// The device goes away under an open port: the port closes itself through
// its close event and says so once, no thread spins, and a port that is back
// opens again.
void ExpectLostOnce(TVelCustomSerialPort& port, TOpenCloseLog& log) {
  EXPECT_TRUE(PumpUntil([&] { return !port.Active(); }, 3000)) << "the port stayed open";
  PumpFor(300);
  EXPECT_EQ(log.events, (std::vector<std::string>{"open", "close"}));
  ASSERT_EQ(ReportedExceptions().size(), 1u);
  EXPECT_NE(ReportedExceptions().front().find("connection to COM"), std::string::npos)
      << ReportedExceptions().front();
}

TEST_F(VelComPortIO, VanishedDeviceClosesThePortOnceWhileBytesArriveOrGoOut) {
  TOpenCloseLog log;
  port_->OnPortOpen = Method<&TOpenCloseLog::Open>(&log);
  port_->OnPortClose = Method<&TOpenCloseLog::Close>(&log);
  ListenForData();

  // While bytes arrive.
  port_->Open();
  peer_.Send(std::string(2000, 'r'));
  ASSERT_TRUE(PumpUntil([&] { return !recorder_.received.empty(); }, 3000));
  peer_.Vanish();
  ExpectLostOnce(*port_, log);
  const double cpuBefore = ProcessCpuMs();
  PumpFor(1000);
  EXPECT_LT(ProcessCpuMs() - cpuBefore, 300.0) << "busy threads after the device vanished";
  EXPECT_THROW(port_->SendString("into the void"), EVelComPortError);

  // While a long write is under way.
  TPeerPort other;
  port_->SetComNumber(static_cast<uint16_t>(other.Number()));
  log.events.clear();
  ReportedExceptions().clear();
  port_->SetBaudRate(br300);
  port_->Open();
  port_->SendString(std::string(2000, 'w'));
  other.Receive(1, 3000);
  other.Vanish();
  ExpectLostOnce(*port_, log);
}

// The device goes away while the port is closed or freed: what was asked
// for is done, and nothing is said of the device afterwards.
TEST_F(VelComPortIO, ADeviceLostWhileThePortClosesIsNotToldAfterwards) {
  for (const bool free : {false, true}) {
    for (DWORD delay = 0; delay <= 60; delay += 10) {
      TPeerPort peer;
      TOwned<TTestComPort> port(Create<TTestComPort>(nullptr));
      port->SetComNumber(static_cast<uint16_t>(peer.Number()));
      port->Open();
      peer.Send(std::string(200, 'r'));
      peer.Vanish();
      Sleep(delay);
      if (free)
        port.reset();
      else
        port->Close();
      const size_t told = ReportedExceptions().size();
      PumpFor(150);
      EXPECT_EQ(told, ReportedExceptions().size())
          << (free ? "freed " : "closed ") << delay << " ms on";
    }
  }
}

}  // namespace
