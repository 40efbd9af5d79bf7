// Not a check: keeps a form that paints wide text on the display for
// VEL_HOLD_MS milliseconds, so that tools/screenshot can capture it (run with
// --gtest_also_run_disabled_tests). The left column paints with the wide
// platform flag, the right one with the 8-bit paths forced.
#include "Forms.h"
#include "UcGraphics.h"
#include "UcWindows.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const wchar_t* const kLines[] = {L"\u0416\u0443\u0440\u043D\u0430\u043B \u0436\u0443\u043A",
                                 L"\u0391\u03B2\u03B3\u03B4 \u03A8\u03A9",
                                 L"\u65E5\u672C\u8A9E \u4E2D\u6587", L"Pair \xD83D\xDE00 end"};

struct TWideTextPainter {
  TForm* form;

  void Paint(TObject*) {
    TCanvas* canvas = form->Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(form->ClientRect());
    PaintColumn(canvas, 10, true);
    PaintColumn(canvas, 250, false);
  }

  static void PaintColumn(TCanvas* canvas, int x, bool wide) {
    TForcedPlatformFlags flags(wide, true);
    canvas->TextOut(x, 5, wide ? "Wide flag" : "8-bit flag forced");
    int y = 30;
    for (const wchar_t* line : kLines) {
      CanvasWideTextOut(canvas, x, y, line);
      TRect r(x, y + 20, x + 230, y + 40);
      PlatformDrawText(canvas->Handle(), line, -1, &r, DT_LEFT | DT_SINGLELINE);
      y += 45;
    }
  }
};

TEST(WideTextScreenshot, DISABLED_ShowFormForScreenshot) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetCaption("Wide text sample");
  form->SetClientWidth(490);
  form->SetClientHeight(215);
  form->SetPosition(poScreenCenter);
  TWideTextPainter painter{form.get()};
  form->OnPaint = Method<&TWideTextPainter::Paint>(&painter);
  form->Show();
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 1000);
}

}  // namespace
