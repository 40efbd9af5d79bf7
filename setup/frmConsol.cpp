#include "frmConsol.h"

#include "SysUtils.h"
#include "System.h"
#include "uLanguagesSetup.h"
#include "uSettings.h"

VEL_COMPONENT_IMPL(TConsolForm, TForm)

TConsolForm* ConsolForm = nullptr;

namespace {

constexpr int kCaptionText = 23;

bool ShowTimeStamps() {
  const TSettings* settings = ProgramSettings();
  return !settings || settings->ShowTimeStamp();
}

std::string StampedLine(const std::string& text, TDateTime time) {
  if (time <= 0 || !ShowTimeStamps())
    return text;
  return ShortDateToStr(time) + FormatDateTime(" hh:nn:ss.zzz", time) + ": " + text;
}

// Holds the lines' update bracket, closed also when a step raises.
class TUpdateBracket {
 public:
  explicit TUpdateBracket(TStrings* lines) : lines_(lines) { lines_->BeginUpdate(); }
  ~TUpdateBracket() { lines_->EndUpdate(); }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

 private:
  TStrings* lines_;
};

}  // namespace

void TConsolForm::Publish(TPublisher<TConsolForm>& p) {
  p.Field<&TConsolForm::rtfConsol>("rtfConsol");
  p.Method<&TConsolForm::FormCreate>("FormCreate");
  p.Method<&TConsolForm::FormShow>("FormShow");
}

void TConsolForm::FormCreate(TObject*) {
  rtfConsol->Lines()->Clear();
  rtfConsol->SetMaxLength(0x7FFFFFFF);
}

void TConsolForm::FormShow(TObject*) {
  RECT workArea{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  SetBounds(workArea.right - Width(), workArea.bottom - Height(), Width(), Height());
  UpdateCaption();
}

void TConsolForm::UpdateCaption() {
  SetCaption(WideToAnsi(GetLangText(kCaptionText)));
}

void TConsolForm::AddLine(const std::string& text, TColor color, TDateTime time) {
  const std::string line = StampedLine(text, time);
  TStrings* lines = rtfConsol->Lines();
  TUpdateBracket bracket(lines);
  AppendLine(line, color);
  // After the new line: a text with breaks of its own makes several.
  while (lines->Count() > MaxLines)
    lines->Delete(0);
  ScrollToEnd();
}

void TConsolForm::AppendLine(const std::string& line, TColor color) {
  rtfConsol->SetSelStart(rtfConsol->GetTextLen());
  rtfConsol->SelAttributes()->SetColor(color);
  try {
    rtfConsol->Lines()->Add(line);
  } catch (const Exception& e) {
    DebugOutput(DateTimeToStr(Now()) +
                Format(": unexpected av (%s: %s) while adding line to richedit: %s", e.ClassName(),
                       e.Message(), line));
  }
}

// The caret to the end of the last line's text, and the view to the caret.
void TConsolForm::ScrollToEnd() {
  TStrings* lines = rtfConsol->Lines();
  const int last = lines->Count() - 1;
  if (last >= 0) {
    const int start = static_cast<int>(rtfConsol->Perform(EM_LINEINDEX, last, 0));
    rtfConsol->SetSelStart(start + static_cast<int>(TrimRight(lines->Strings(last)).size()));
  }
  rtfConsol->Perform(EM_SCROLLCARET, 0, 0);
}
