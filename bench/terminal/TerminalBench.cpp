// Receive throughput of the terminal program: its real main form, port and
// terminal in this process, on the virtual null-modem. The peer floods
// numbered lines of fixed length; a pty write blocks while the program's
// input is full, so the peer's rate is the program's. Measured from the
// first byte received until the last line stands in the terminal's buffer.
//   terminal_bench [MiB]   (default 8)
#include "Forms.h"
#include "PeerClient.h"
#include "Startup.h"
#include "SysUtils.h"
#include "System.h"
#include "VeltermModules.h"
#include "frmMain.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const double kLineRate = 25600.0;  // bytes/s at 256000 baud
const size_t kLineLength = 64;     // CR LF included
const size_t kSendChunk = 256 * 1024;

std::string Line(size_t number) {
  std::string line = Format("%08u ", static_cast<unsigned>(number));
  while (line.size() < kLineLength - 2)
    line += static_cast<char>('a' + line.size() % 26);
  return line;
}

// Counts the lines the terminal is given and notes the first delivery.
struct TCounter {
  size_t lines = 0;
  DWORD first = 0;
  void Char(TObject*, char& c) {
    if (c == '\n')
      ++lines;
  }
  void Sync(TObject*, TVelCoreEvent, DWORD) {
    if (first == 0)
      first = GetTickCount();
  }
};

int Run(size_t mib) {
  TPeerPort peer(10, 256);
  TOwned<TMainForm> form(Create<TMainForm>(nullptr));
  form->Settings()->SetPort(peer.Number());
  form->Show();
  form->tbConnectClick(form->tbConnect);
  if (!form->ComPort->Active()) {
    std::fprintf(stderr, "terminal_bench: the port did not open\n");
    return 1;
  }
  TCounter counter;
  form->termHistory->OnProcessChar = Method<&TCounter::Char>(&counter);
  form->ComPort->OnSyncEvent = Method<&TCounter::Sync>(&counter);

  const size_t lines = mib * 1024 * 1024 / kLineLength;
  std::string chunk;
  for (size_t i = 0; i < lines; ++i) {
    chunk += Line(i) + "\r\n";
    if (chunk.size() >= kSendChunk || i + 1 == lines) {
      peer.Send(chunk);
      chunk.clear();
    }
  }
  TVelTerminalBuffer* buffer = form->termHistory->Buffer();
  const std::string last = Line(lines - 1);
  const bool done = classlib::PumpUntil(
      [&] { return counter.lines >= lines && buffer->RowText(buffer->WriteRow() - 1) == last; },
      600000);
  const DWORD ms = GetTickCount() - counter.first;
  bool inOrder = done;
  for (size_t k = 1; k <= 20 && inOrder; ++k)
    inOrder = buffer->RowText(buffer->WriteRow() - static_cast<int>(k)) == Line(lines - k);
  const size_t bytes = lines * kLineLength;
  const double rate = ms > 0 ? bytes * 1000.0 / ms : 0;
  std::printf(
      "terminal receive: %zu bytes in %lu ms = %.0f bytes/s = %.2f x line rate, %ld lines lost%s\n",
      bytes, static_cast<unsigned long>(ms), rate, rate / kLineRate,
      static_cast<long>(lines) - static_cast<long>(counter.lines),
      inOrder ? "" : ", last lines NOT in order");
  form->ClosePort();
  return done && inOrder && counter.lines == lines ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
  RegisterTerminalModules();
  classlib::Startup();
  SetInstanceGuid(Format("{velterm-bench-%s}", IntToHex(GetCurrentProcessId(), 8)));
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  SetSettingsFolder(temp);
  int result = 1;
  try {
    result = Run(mib > 0 ? mib : 8);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "terminal_bench: %s\n", e.what());
  }
  classlib::Shutdown();
  return result;
}
