// Round-trip latency that kolvexmk.exe adds: the real program in its own
// process against the fake instrument on the virtual null-modem. It connects,
// polls for a while, and the fake's timings give, for each pair of commands
// sent back to back (the connect sequence and each poll burst), the time from
// the last byte of one answer to the arrival of the next command. A second
// run of each case with the communication log (-debug) splits that time into
// the engine's wait and the main thread's handlers: the log's "received" to
// "sending" stretch is the handlers' share.
//   kolvexmk_bench [seconds]   (default 30)
#include "FakeInstrument.h"
#include "KolvexmkDriver.h"
#include "Startup.h"
#include "SysUtils.h"
#include "System.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Poll bursts are a second apart; a longer gap is the wait for the next one.
const double kBurstGapMs = 250.0;
const char* const kProgram = "..\\..\\setup\\kolvexmk.exe";

using TTiming = TFakeInstrument::TTiming;

// One back-to-back pair: timings[Index - 1] answered, timings[Index] arrived.
struct TGap {
  size_t Index;
  double Ms;
};

std::vector<TGap> BackToBack(const std::vector<TTiming>& timings) {
  std::vector<TGap> gaps;
  for (size_t i = 1; i < timings.size(); ++i) {
    const double ms = timings[i].arrivedMs - timings[i - 1].answeredMs;
    if (ms >= 0 && ms < kBurstGapMs)
      gaps.push_back({i, ms});
  }
  return gaps;
}

struct TStats {
  size_t Count = 0;
  double Median = 0;
  double P95 = 0;
  double Mean = 0;
};

TStats StatsOf(std::vector<double> values) {
  TStats stats;
  stats.Count = values.size();
  if (values.empty())
    return stats;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  stats.Median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  stats.P95 = values[std::min(n - 1, static_cast<size_t>(0.95 * n))];
  stats.Mean = std::accumulate(values.begin(), values.end(), 0.0) / n;
  return stats;
}

std::string Describe(const TStats& s) {
  char text[128];
  std::snprintf(text, sizeof(text), "median %.1f ms, p95 %.1f ms, mean %.1f ms (%u round trips)",
                s.Median, s.P95, s.Mean, static_cast<unsigned>(s.Count));
  return text;
}

// One log line: its time of day in ms and its text; false for other lines.
bool ParseLogLine(const std::string& line, double& ms, std::string& text) {
  int day, month, year, h, m, s, z;
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%d.%d.%d %d:%d:%d.%d : %n", &day, &month, &year, &h, &m, &s, &z,
                  &consumed) != 7 ||
      consumed == 0)
    return false;
  ms = ((h * 60.0 + m) * 60.0 + s) * 1000.0 + z;
  text = line.substr(consumed);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
    text.pop_back();
  return true;
}

// Per command written (in order): its command and, when a line came in after
// the previous command went out, the ms from that line to this write.
struct TWrite {
  std::string Command;
  double HandlerMs;
  bool AfterLine;
};

std::vector<TWrite> WritesOf(const std::string& log) {
  static const std::string kSending = "sending: ";
  static const std::string kReceived = "received: ";
  std::vector<TWrite> writes;
  std::istringstream lines(log);
  std::string line, text;
  double ms = 0, lineMs = 0;
  bool lineSeen = false;
  while (std::getline(lines, line)) {
    if (!ParseLogLine(line, ms, text))
      continue;
    if (text.rfind(kReceived, 0) == 0) {
      lineMs = ms;
      lineSeen = true;
    } else if (text.rfind(kSending, 0) == 0) {
      writes.push_back({text.substr(kSending.size()), ms - lineMs, lineSeen});
      lineSeen = false;
    }
  }
  return writes;
}

// The handlers' share of each gap, matching the log's writes to the fake's
// commands in order; commands the log does not name (the echo probe) are
// passed over.
void Breakdown(const std::vector<TTiming>& timings, const std::vector<TGap>& gaps,
               const std::string& log) {
  const std::vector<TWrite> writes = WritesOf(log);
  std::vector<const TWrite*> byTiming(timings.size(), nullptr);
  size_t w = 0;
  for (size_t i = 0; i < timings.size() && w < writes.size(); ++i) {
    size_t k = w;
    while (k < writes.size() && writes[k].Command != timings[i].command)
      ++k;
    if (k == writes.size())
      continue;
    byTiming[i] = &writes[k];
    w = k + 1;
  }
  std::vector<double> handlers, engine;
  for (const TGap& gap : gaps) {
    const TWrite* write = byTiming[gap.Index];
    if (!write || !write->AfterLine)
      continue;
    const double handler = std::min(write->HandlerMs, gap.Ms);
    handlers.push_back(handler);
    engine.push_back(gap.Ms - handler);
  }
  std::printf("    engine's wait:       %s\n", Describe(StatsOf(engine)).c_str());
  std::printf("    main thread's share: %s\n", Describe(StatsOf(handlers)).c_str());
}

// Starts the program against the fake, connects, polls for seconds and
// returns the fake's timings; the program has ended on return.
std::vector<TTiming> Session(TFakeInstrument& fake, DWORD seconds, bool debug) {
  const TConfigFile config(fake.ComNumber());
  const TKolvexmk program(debug ? "-debug" : "", kProgram);
  const HWND main = program.WaitWindow();
  if (!main)
    throw std::runtime_error("the main window did not come");
  if (!ClickConnect(main))
    throw std::runtime_error("the program did not connect");
  Sleep(seconds * 1000);
  return fake.Timings();
}

TStats GapStats(const std::vector<TGap>& gaps) {
  std::vector<double> ms;
  for (const TGap& gap : gaps)
    ms.push_back(gap.Ms);
  return StatsOf(ms);
}

void Run(const char* title, DWORD seconds, unsigned delayMin, unsigned delayMax) {
  std::printf("%s:\n", title);
  {
    TFakeInstrument fake;
    fake.SetDelay(delayMin, delayMax);
    const std::vector<TGap> gaps = BackToBack(Session(fake, seconds, false));
    std::printf("  added latency:         %s\n", Describe(GapStats(gaps)).c_str());
  }
  TFakeInstrument fake;
  fake.SetDelay(delayMin, delayMax);
  const std::string log = CommLogName(fake.ComNumber());
  DeleteFileA(log.c_str());
  const std::vector<TTiming> timings = Session(fake, seconds, true);
  const std::vector<TGap> gaps = BackToBack(timings);
  std::printf("  with the log (-debug): %s\n", Describe(GapStats(gaps)).c_str());
  Breakdown(timings, gaps, ReadFile(log));
  DeleteFileA(log.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 30;
  classlib::Startup();
  int rc = 0;
  try {
    const DWORD poll = static_cast<DWORD>(seconds > 0 ? seconds : 30);
    std::printf("kolvexmk round trips, %lu s of polling per run\n",
                static_cast<unsigned long>(poll));
    Run("answer at once", poll, 0, 0);
    Run("answer 0..20 ms late", poll, 0, 20);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kolvexmk_bench: %s\n", e.what());
    rc = 1;
  }
  classlib::Shutdown();
  return rc;
}
