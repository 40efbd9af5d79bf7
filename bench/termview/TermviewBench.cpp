// Bytes per second that the terminal control takes through WriteColorChar
// and FlushDisplay, set up as the terminal program sets it up, for flushes
// of 1, 64 and 4096 bytes, with the window shown and hidden, in one colour
// (as the terminal program writes) and with a new colour on every byte.
// Each figure is also given as a multiple of the line rate of 256000 baud
// (25,600 bytes/s). A run ends when the last byte is on the screen.
#include "Forms.h"
#include "Startup.h"
#include "VelViewers.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kLineRate = 25600.0;
constexpr double kMinSeconds = 2.0;
// Long enough for any update the control has put off to be drawn.
constexpr DWORD kSettleMs = 40;

// Printable lines of 60 to 79 characters, each ending in CR LF.
std::string MakeStream() {
  std::string stream;
  uint32_t seed = 12345;
  for (int line = 0; line < 2000; ++line) {
    seed = seed * 1103515245 + 12345;
    const int length = 60 + static_cast<int>((seed >> 16) % 20);
    for (int i = 0; i < length; ++i)
      stream += static_cast<char>(' ' + (line + i) % 95);
    stream += "\r\n";
  }
  return stream;
}

double Now() {
  LARGE_INTEGER count;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

TVelTerminal* MakeTerminal(TForm* form) {
  TVelTerminal* term = Create<TVelTerminal>(form);
  term->SetParent(form);
  term->Font()->SetName("Fixedsys");
  term->Font()->SetHeight(-16);
  term->Font()->SetPitch(fpFixed);
  term->SetParentColor(false);
  term->SetParentFont(false);
  term->SetTerminalCaret(ctBlock);
  term->SetUserDataSize(1);
  term->SetBounds(5, 23, 782, 597);
  term->SetOptions(TVelCLVOptions{loCanSelect});
  term->SetScrollBackRows(3000);
  term->SetTermColorMode(cmC16_16);
  return term;
}

struct TMode {
  const char* name;
  bool perByte;
};

// Writes the stream in flushes of the given size until kMinSeconds have
// passed and the screen shows it all; bytes/s.
double Run(TVelTerminal* term, const std::string& stream, size_t flush, const TMode& mode) {
  size_t pos = 0;
  uint8_t fore = 1;
  double bytes = 0;
  const double start = Now();
  double elapsed = 0;
  while (elapsed < kMinSeconds) {
    for (size_t i = 0; i < flush; ++i) {
      term->WriteColorChar(stream[pos], 0, fore);
      pos = pos + 1 == stream.size() ? 0 : pos + 1;
      if (mode.perByte)
        fore = fore == 15 ? 1 : fore + 1;
    }
    term->FlushDisplay();
    Application()->ProcessMessages();
    bytes += static_cast<double>(flush);
    elapsed = Now() - start;
  }
  classlib::PumpFor(kSettleMs);
  if (term->HandleAllocated())
    UpdateWindow(term->Handle());
  return bytes / (Now() - start);
}

void RunAll() {
  const std::string stream = MakeStream();
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetCaption("Terminal throughput");
  form->SetBounds(20, 20, 800, 660);
  TVelTerminal* term = MakeTerminal(form.get());
  const TMode modes[] = {{"one", false}, {"per-byte", true}};
  std::printf("%-8s %6s %-9s %14s %10s\n", "window", "flush", "colours", "bytes/s", "x line");
  for (bool shown : {true, false}) {
    if (shown) {
      form->Show();
    } else {
      form->Hide();
      term->HandleNeeded();
    }
    classlib::PumpFor(200);
    for (size_t flush : {size_t{1}, size_t{64}, size_t{4096}}) {
      for (const TMode& mode : modes) {
        term->ClearTerminal();
        classlib::PumpFor(kSettleMs);
        const double rate = Run(term, stream, flush, mode);
        std::printf("%-8s %6u %-9s %14.0f %10.2f\n", shown ? "shown" : "hidden",
                    static_cast<unsigned>(flush), mode.name, rate, rate / kLineRate);
        std::fflush(stdout);
      }
    }
  }
}

}  // namespace

int main() {
  classlib::Startup();
  const bool ran = Guard(nullptr, RunAll);
  classlib::Shutdown();
  return ran ? 0 : 1;
}
