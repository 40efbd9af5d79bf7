// Megabytes through the virtual null-modem in both directions at full speed;
// prints the throughput reached.
#include "VelComPort.h"

#include "PeerClient.h"
#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>

namespace {

const size_t kTotal = 4 * 1024 * 1024;

// Every byte value, in an order that repeats only after the whole stream.
std::string Stream(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

void ReportThroughput(const char* direction, size_t bytes, DWORD ms) {
  const double kibPerSecond = bytes / 1024.0 / (ms ? ms : 1) * 1000.0;
  std::printf("[ THROUGHPUT ] %s: %zu bytes in %lu ms, %.0f KiB/s\n", direction, bytes,
              static_cast<unsigned long>(ms), kibPerSecond);
}

struct TReader {
  TVelCustomSerialPort* port = nullptr;
  std::string received;
  // Drains the driver: what arrived while reading is read at once too.
  void Data(TObject*, int count) {
    for (; count > 0; count = port->InBufUsed()) {
      const size_t old = received.size();
      received.resize(old + count);
      port->ReadData(&received[old], count);
    }
  }
};

class VelComPortStress : public ::testing::Test {
 protected:
  void SetUp() override {
    port_->SetComNumber(static_cast<uint16_t>(peer_.Number()));
    port_->SetBaudRate(br115200);
  }

  TPeerPort peer_;
  TOwned<TVelComPort> port_{Create<TVelComPort>(nullptr)};
};

TEST_F(VelComPortStress, MegabytesFromThePeerArriveCompleteAndInOrder) {
  TReader reader;
  reader.port = port_.get();
  port_->OnDataRecived = Method<&TReader::Data>(&reader);
  port_->Open();
  const std::string data = Stream(kTotal);
  const DWORD start = GetTickCount();
  peer_.Send(data);
  PumpUntil([&] { return reader.received.size() >= kTotal; }, 120000);
  ReportThroughput("peer to port", reader.received.size(), GetTickCount() - start);
  ASSERT_EQ(reader.received.size(), kTotal);
  EXPECT_TRUE(reader.received == data) << "bytes changed, lost or repeated";
}

TEST_F(VelComPortStress, MegabytesWrittenArriveCompleteAndInOrder) {
  const int block = 4096;
  port_->SetOutBufSize(64 * 1024);
  port_->Open();
  const std::string data = Stream(kTotal);
  auto received = std::async(std::launch::async, [&] { return peer_.Receive(kTotal, 120000); });
  const DWORD start = GetTickCount();
  for (size_t sent = 0; sent < kTotal; sent += block) {
    ASSERT_TRUE(PumpUntil([&] { return port_->OutBufFree() >= block; }, 10000));
    port_->WriteData(data.data() + sent, block);
  }
  PumpUntil([&] { return received.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            120000);
  const std::string got = received.get();
  ReportThroughput("port to peer", got.size(), GetTickCount() - start);
  ASSERT_EQ(got.size(), kTotal);
  EXPECT_TRUE(got == data) << "bytes changed, lost or repeated";
}

}  // namespace
