// Shows a terminal with every colour of its table and prints where each
// sample cell lies on the screen, for a screenshot to check:
//   blank K X Y W H   a blank cell on background K
//   text K B X Y W H  an "H" in foreground K on background B
// then "ready". The window stays for VEL_HOLD_MS milliseconds (default 5000).
#include "Forms.h"
#include "Startup.h"
#include "VelViewers.h"

#include <cstdio>
#include <cstdlib>

namespace {

void PrintCell(TVelTerminal* term, const char* kind, const std::string& colours, int col, int row) {
  const TPoint p = term->ClientToScreen(
      TPoint(term->LeftSpace() + col * term->CharWidth(), row * term->LineHeight()));
  std::printf("%s %s %ld %ld %d %d\n", kind, colours.c_str(), p.x, p.y, term->CharWidth(),
              term->LineHeight());
}

void ShowSample() {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetCaption("Terminal colours");
  form->SetBounds(700, 500, 560, 460);
  TVelTerminal* term = Create<TVelTerminal>(form.get());
  term->SetParent(form.get());
  term->SetAlign(alClient);
  term->Font()->SetName("Fixedsys");
  term->Font()->SetHeight(-16);
  term->SetTermColorMode(cmC16_16);
  for (int k = 0; k < 16; ++k) {
    if (k > 0) {
      term->WriteColorChar('\r', 0, 0);
      term->WriteColorChar('\n', 0, 0);
    }
    for (int i = 0; i < 16; ++i)
      term->WriteColorChar(' ', static_cast<uint8_t>(k), 0);
    for (int i = 0; i < 16; ++i)
      term->WriteColorChar('H', static_cast<uint8_t>(15 - k), static_cast<uint8_t>(k));
  }
  term->FlushDisplay();
  form->Show();
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  classlib::PumpFor(300);
  term->SetTopRow(0);
  classlib::PumpFor(100);
  for (int k = 0; k < 16; ++k) {
    PrintCell(term, "blank", std::to_string(k), 7, k);
    PrintCell(term, "text", std::to_string(k) + " " + std::to_string(15 - k), 24, k);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 5000);
}

}  // namespace

int main() {
  classlib::Startup();
  const bool shown = Guard(nullptr, ShowSample);
  classlib::Shutdown();
  return shown ? 0 : 1;
}
