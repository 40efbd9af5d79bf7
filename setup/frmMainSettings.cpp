// The main form's set commands: one change handler for the user's changes,
// a builder for each kind of control, the key filters of the edits and the
// range check of the numeric ones. Every set command is queued with replace,
// so a copy that still waits is overwritten.
#include "frmMain.h"

#include "SysUtils.h"

#include <algorithm>

namespace {

constexpr TColor kNoteColour = 0xC0C0C0;
constexpr char kBackspace = 8;
constexpr char kReturn = 13;

// The command for each state of a check box.
struct TCheckCommand {
  TUcCheckBox* TMainForm::*Box;
  const char* On;
  const char* Off;
};

const TCheckCommand kCheckCommands[] = {
    {&TMainForm::cbCommEcho, "SCE ON", "SCE OFF"},
    {&TMainForm::cbVerboseErrors, "SEV ON", "SEV OFF"},
    {&TMainForm::cbSTISensorUsed, "SSU YES", "SSU NO"},
    {&TMainForm::cbPwrOnMode, "SPM AUTO", "SPM MANUAL"},
    {&TMainForm::cbRelayHyst, "SSH ON", "SSH OFF"},
    {&TMainForm::cbParticleLimits, "SWC ON", "SWC OFF"},
    {&TMainForm::cbMoistLimits, "SWM ON", "SWM OFF"},
};

struct TButtonCommand {
  TUcButton* TMainForm::*Button;
  const char* Command;
};

const TButtonCommand kButtonCommands[] = {
    {&TMainForm::btnRelayStateSet, "SSS ON"},
    {&TMainForm::btnRelayStateClear, "SSS OFF"},
    {&TMainForm::btnSAEJ1939Set, "SJE ON"},
    {&TMainForm::btnSAEJ1939Clear, "SJE OFF"},
};

// The range of a numeric edit.
struct TIntegerRange {
  TUcAlignedEdit* TMainForm::*Edit;
  int Low;
  int High;
};

const TIntegerRange kIntegerRanges[] = {
    {&TMainForm::edMeasPeriodSec, 5, 180}, {&TMainForm::edRepIntervalMin, 0, 60},
    {&TMainForm::edRepIntervalSec, 0, 59}, {&TMainForm::edPwrOnHoldOffSec, 5, 900},
    {&TMainForm::edMoistLimit, 5, 95},
};

constexpr int kMaxMinutes = 60;

// The selected item's text; false without a selection.
bool SelectedText(TUcComboBox* combo, std::string& text) {
  const int index = combo->ItemIndex();
  if (index < 0 || index >= combo->Items()->Count())
    return false;
  text = WideToAnsi(combo->Items()->Strings(index));
  return true;
}

std::string EditText(TUcAlignedEdit* edit) {
  return WideToAnsi(edit->Text());
}

// The quotes delimit the text on the line, and a control character could end
// it: both go, typed or pasted.
std::string QuotableText(const std::string& text) {
  std::string result;
  for (char c : text)
    if (c != '"' && static_cast<unsigned char>(c) >= 32)
      result += c;
  return result;
}

}  // namespace

void TMainForm::OnDataEntryFieldChanged(TObject* sender) {
  auto* control = dynamic_cast<TWinControl*>(sender);
  if (!control || !control->Enabled() || !engine_->IsConnected())
    return;
  AddConsoleLine("Changed: " + control->Name(), kNoteColour);
  if (dynamic_cast<TUcCheckBox*>(sender))
    CheckBoxChanged(sender);
  else if (dynamic_cast<TUcComboBox*>(sender))
    ComboBoxChanged(sender);
  else if (dynamic_cast<TUcAlignedEdit*>(sender))
    EditChanged(sender);
  else if (dynamic_cast<TUcButton*>(sender))
    ButtonChanged(sender);
}

void TMainForm::ButtonChanged(TObject* sender) {
  for (const TButtonCommand& entry : kButtonCommands)
    if (this->*entry.Button == sender) {
      engine_->SendCommand(entry.Command, true);
      return;
    }
  AddConsoleLine("unknown button changed", kNoteColour);
}

void TMainForm::CheckBoxChanged(TObject* sender) {
  for (const TCheckCommand& entry : kCheckCommands) {
    TUcCheckBox* box = this->*entry.Box;
    if (box == sender) {
      engine_->SendCommand(box->Checked() ? entry.On : entry.Off, true);
      return;
    }
  }
  AddConsoleLine("unknown checkbox changed", kNoteColour);
}

// A box without a selection sends nothing: an empty item would make a
// command the instrument cannot take.
void TMainForm::ComboBoxChanged(TObject* sender) {
  auto* combo = dynamic_cast<TUcComboBox*>(sender);
  std::string text;
  const bool selected = combo && SelectedText(combo, text);
  if (combo == cbRepStandard || combo == cbDateFormat || combo == cbOrientation ||
      combo == cbBrightness || combo == cbVoltageRange) {
    if (!selected)
      return;
    const int index = combo->ItemIndex();
    if (combo == cbRepStandard)
      engine_->SendCommand("SRS " + text, true);
    else if (combo == cbDateFormat)
      engine_->SendCommand("SDF " + text, true);
    else if (combo == cbOrientation)
      engine_->SendCommand("SDO " + IntToStr(index), true);
    else if (combo == cbBrightness)
      engine_->SendCommand("SDB " + IntToStr(5 - index), true);
    else
      engine_->SendCommand(index == 0 ? "SVM 3" : "SVM 5", true);
    return;
  }
  if (combo == cbPartLimits1 || combo == cbPartLimits2 || combo == cbPartLimits3 ||
      combo == cbPartLimits4) {
    SendPartLimits();
    return;
  }
  AddConsoleLine("unknown combobox changed", kNoteColour);
}

// SLT names every limit box of the standard; it goes out only when each has
// a selection.
void TMainForm::SendPartLimits() {
  std::string standard;
  if (!SelectedText(cbRepStandard, standard))
    return;
  standard = UpperCase(standard);
  std::vector<TUcComboBox*> boxes;
  if (standard == "ISO") {
    boxes = {cbPartLimits1, cbPartLimits2, cbPartLimits3};
    if (cbPartLimits4->Visible())
      boxes.push_back(cbPartLimits4);
  } else if (standard == "NAS") {
    boxes = {cbPartLimits1};
  } else {
    return;
  }
  std::string command = "SLT ";
  for (size_t i = 0; i < boxes.size(); ++i) {
    std::string item;
    if (!SelectedText(boxes[i], item))
      return;
    command += (i > 0 ? "," : "") + item;
  }
  engine_->SendCommand(command, true);
}

void TMainForm::EditChanged(TObject* sender) {
  auto* edit = dynamic_cast<TUcAlignedEdit*>(sender);
  if (edit == edMeasPeriodSec) {
    engine_->SendCommand("SMP " + EditText(edit), true);
  } else if (edit == edRepIntervalMin || edit == edRepIntervalSec) {
    const int seconds = StrToIntDef(EditText(edRepIntervalMin), 0) * 60 +
                        StrToIntDef(EditText(edRepIntervalSec), 0);
    engine_->SendCommand("SRI " + IntToStr(seconds), true);
  } else if (edit == edPwrOnHoldOffSec) {
    engine_->SendCommand("SPD " + EditText(edit), true);
  } else if (edit == edMoistLimit) {
    engine_->SendCommand("SML " + EditText(edit) + "%", true);
  } else if (edit == edDetectorID) {
    engine_->SendCommand("SDI \"" + QuotableText(EditText(edit)) + "\"", true);
  } else {
    AddConsoleLine("unknown edit changed", kNoteColour);
  }
}

// Enter checks and sends the value and moves on; only digits and backspace
// are typed.
void TMainForm::FilterForIntegerInput(TObject* sender, char& key) {
  auto* control = dynamic_cast<TWinControl*>(sender);
  if (!control || !control->Enabled())
    return;
  if (key == kReturn) {
    key = 0;
    auto* edit = dynamic_cast<TUcAlignedEdit*>(sender);
    const bool numeric =
        std::any_of(std::begin(kIntegerRanges), std::end(kIntegerRanges),
                    [&](const TIntegerRange& range) { return this->*range.Edit == edit; });
    if (numeric) {
      CheckIntegerInput(edit);
      // The exit that follows has nothing new to send.
      edit->SetModified(false);
    }
    SelectNext(control, true, true);
    return;
  }
  if (key != kBackspace && (key < '0' || key > '9'))
    key = 0;
}

// A paste keeps what typing could have put in: the digits.
void TMainForm::FilterForIntegerPaste(TObject*, std::wstring& text) {
  text.erase(
      std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c < L'0' || c > L'9'; }),
      text.end());
}

void TMainForm::FilterForTextInput(TObject* sender, char& key) {
  auto* control = dynamic_cast<TWinControl*>(sender);
  if (!control || !control->Enabled())
    return;
  if (key == '"' && sender == edDetectorID) {
    key = 0;
    return;
  }
  if (key != kReturn)
    return;
  key = 0;
  if (sender == edDetectorID)
    OnDataEntryFieldChanged(sender);
  SelectNext(control, true, true);
}

// Leaving an edit the user has not changed since the program set its text
// sends nothing: a value the instrument reported, or an emptied edit, is
// not the user's.
void TMainForm::ValidateIntegerInput(TObject* sender) {
  auto* edit = dynamic_cast<TUcAlignedEdit*>(sender);
  if (!edit || !edit->Enabled() || !edit->Modified())
    return;
  CheckIntegerInput(edit);
}

// The text is rewritten to the number that goes out, clamped to its range.
// An empty minutes or seconds text stays empty and counts as 0.
void TMainForm::CheckIntegerInput(TUcAlignedEdit* edit) {
  const auto range =
      std::find_if(std::begin(kIntegerRanges), std::end(kIntegerRanges),
                   [&](const TIntegerRange& entry) { return this->*entry.Edit == edit; });
  if (range == std::end(kIntegerRanges) || !edit->Enabled())
    return;
  const std::string text = EditText(edit);
  int value = StrToIntDef(text, 0);
  if (edit == edRepIntervalSec && EditText(edRepIntervalMin) == IntToStr(kMaxMinutes))
    value = 0;
  value = std::clamp(value, range->Low, range->High);
  const std::string corrected = text.empty() && value == 0 ? text : IntToStr(value);
  if (corrected != text)
    edit->SetText(AnsiToWide(corrected));
  if (edit == edRepIntervalMin && value == kMaxMinutes)
    edRepIntervalSec->SetText(L"0");
  OnDataEntryFieldChanged(edit);
}
