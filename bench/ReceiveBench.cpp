// Receive throughput of the port component on the virtual null-modem: the
// peer floods a pattern at full speed and an OnDataRecived handler reads it,
// first exactly the count it is told (as the terminal does), then everything
// waiting. Prints bytes/s, the ratio to the 256000-baud line rate, the
// longest gap between deliveries and the bytes lost or corrupted.
#include "Forms.h"
#include "PeerClient.h"
#include "Startup.h"
#include "SysUtils.h"
#include "VelComPort.h"
#include "VelSafeSync.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const double kLineRate = 25600.0;  // bytes/s at 256000 baud
const DWORD kSilenceMs = 5000;
const size_t kSendChunk = 256 * 1024;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

class TReceiver {
 public:
  TReceiver(TVelComPort& port, const std::string& expected, bool drain)
      : port_(port), expected_(expected), drain_(drain) {}

  void Data(TObject*, int count) {
    const DWORD now = GetTickCount();
    if (deliveries_++ > 0)
      longestGap_ = std::max(longestGap_, now - last_);
    last_ = now;
    if (drain_) {
      std::string text;
      port_.ReadString(text);
      Take(text);
    } else if (count > 0) {
      std::string text(count, '\0');
      port_.ReadData(&text[0], count);
      Take(text);
    }
  }

  size_t Received() const { return received_; }
  size_t Corrupted() const { return corrupted_; }
  DWORD LongestGap() const { return longestGap_; }
  DWORD LastDelivery() const { return last_; }
  int Deliveries() const { return deliveries_; }

 private:
  void Take(const std::string& text) {
    for (char c : text) {
      if (received_ >= expected_.size() || expected_[received_] != c)
        ++corrupted_;
      ++received_;
    }
  }

  TVelComPort& port_;
  const std::string& expected_;
  const bool drain_;
  size_t received_ = 0;
  size_t corrupted_ = 0;
  int deliveries_ = 0;
  DWORD last_ = 0;
  DWORD longestGap_ = 0;
};

void Run(const char* title, size_t size, bool drain) {
  const std::string data = Pattern(size);
  TPeerPort peer(10, 256);
  TOwned<TVelComPort> port(Create<TVelComPort>(nullptr));
  port->SetComNumber(static_cast<uint16_t>(peer.Number()));
  port->SetBaudRate(br256000);
  TReceiver receiver(*port, data, drain);
  port->OnDataRecived = Method<&TReceiver::Data>(&receiver);
  port->Open();
  const DWORD start = GetTickCount();
  for (size_t sent = 0; sent < size; sent += kSendChunk)
    peer.Send(data.substr(sent, kSendChunk));
  classlib::PumpUntil(
      [&] {
        return receiver.Received() >= size ||
               GetTickCount() - std::max(start, receiver.LastDelivery()) > kSilenceMs;
      },
      INFINITE);
  const DWORD elapsed = std::max<DWORD>(receiver.LastDelivery() - start, 1);
  port->Close();
  const double rate = receiver.Received() * 1000.0 / elapsed;
  std::printf(
      "%-22s %8zu bytes in %6lu ms: %10.0f bytes/s, %6.1fx line rate, longest gap %4lu ms,"
      " %d deliveries, lost %zu, corrupted %zu\n",
      title, receiver.Received(), static_cast<unsigned long>(elapsed), rate, rate / kLineRate,
      static_cast<unsigned long>(receiver.LongestGap()), receiver.Deliveries(),
      size - std::min(size, receiver.Received()), receiver.Corrupted());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const double mib = argc > 1 ? std::atof(argv[1]) : 4.0;
  const size_t size = static_cast<size_t>(mib * 1024 * 1024);
  RegisterVelSafeSync();
  classlib::Startup();
  int rc = 0;
  try {
    Run("count-reading handler", size, false);
    Run("draining handler", size, true);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "receive_bench: %s\n", e.what());
    rc = 1;
  }
  classlib::Shutdown();
  return rc;
}
