// Not a check: keeps a small painted form and a hint on the display for VEL_HOLD_MS
// milliseconds, so that tools/screenshot can be tried on it (run with
// --gtest_also_run_disabled_tests).
#include "FormsTestSupport.h"

#include <cstdlib>

namespace {

struct TSamplePainter {
  TForm* form;
  void Paint(TObject*) {
    TCanvas* canvas = form->Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->Rectangle(10, 10, 230, 60);
    canvas->TextOut(20, 28, "Painted by OnPaint");
  }
};

TEST_F(FormsTest, DISABLED_ShowFormForScreenshot) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetCaption("Screenshot sample");
  form->SetClientWidth(240);
  form->SetClientHeight(110);
  form->SetPosition(poScreenCenter);
  TSamplePainter painter{form.get()};
  form->OnPaint = Method<&TSamplePainter::Paint>(&painter);
  auto* panel = new TTestPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(10, 70, 220, 30);
  panel->SetColor(clHighlight);
  panel->SetHint("A hint window|shown below the panel");
  panel->SetShowHint(true);
  ShowAndActivate(form.get());
  Application()->SetHintHidePause(0);
  const TPoint over = panel->ClientToScreen(TPoint(20, 10));
  Mouse()->SetCursorPos(over);
  Application()->ActivateHint(over);
  const char* hold = std::getenv("VEL_HOLD_MS");
  const DWORD ms = hold ? static_cast<DWORD>(std::atoi(hold)) : 1000;
  classlib::PumpUntil([] { return false; }, ms);
}

}  // namespace
