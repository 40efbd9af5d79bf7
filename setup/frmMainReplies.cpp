// The main form's handling of the instrument's replies: values into the data
// model and the controls, the identity checks, the run state, and the error
// replies with their box, the controls of missing options and the re-read.
// A value the program puts into a control raises no change event, so nothing
// here sends a set command.
#include "frmMain.h"

#include "DateUtils.h"
#include "SysUtils.h"

#include <map>

namespace {

constexpr TColor kNoteColour = 0xC0C0C0;

enum : int {
  txProductIdFailed = 7,
  txSerialFailed = 8,
  txErrorQuestion = 9,
  txErrorCaption = 10,
  txNotSupported = 11,
  txPartChanged = 12,
  txDeviceChanged = 13,
  txOn = 96,
  txOff = 97,
};

constexpr int kUnknownCommand = 1;
constexpr int kNotFitted = 13;

bool IsMissingOption(int code) {
  return code == kUnknownCommand || code == kNotFitted;
}

// One reply's value: as sent (V) and upper-cased (U).
struct TValue {
  const std::string& Text;
  std::string Upper;
};

using TValueHandler = void (*)(TMainForm& form, const TValue& value);

void SetEditText(TUcAlignedEdit* edit, const std::string& text) {
  edit->SetText(AnsiToWide(text));
}

void SelectText(TUcComboBox* combo, const std::string& text) {
  combo->SetItemIndex(combo->Items()->IndexOf(AnsiToWide(text)));
}

// An index the box does not have selects nothing.
void SelectIndex(TUcComboBox* combo, int index) {
  combo->SetItemIndex(index >= 0 && index < combo->Items()->Count() ? index : -1);
}

std::string UpperText(TUcComboBox* combo) {
  const int index = combo->ItemIndex();
  return index < 0 ? std::string() : UpperCase(WideToAnsi(combo->Items()->Strings(index)));
}

void ShowRunState(TMainForm& form, bool running) {
  form.Device()->RunState = running ? rsRunning : rsStopped;
  form.btnStart->SetEnabled(!running);
  form.btnStop->SetEnabled(running);
}

// The part and serial numbers fix the instrument for the whole connection.
void CheckIdentity(TMainForm& form, std::string& stored, TUcAlignedEdit* edit,
                   const std::string& value, int changedText) {
  if (!stored.empty() && stored != value) {
    form.AbortConnection(true, form.GetLangText(changedText));
    return;
  }
  stored = value;
  SetEditText(edit, value);
}

void OnCommEcho(TMainForm& form, const TValue& v) {
  const bool on = v.Upper == "ON";
  form.cbCommEcho->SetChecked(on);
  form.Engine()->SetEchoState(on ? esEchoOn : esEchoOff);
}

void OnReportingStandard(TMainForm& form, const TValue& v) {
  TCOMDevice* device = form.Device();
  device->ReportingStandard = v.Upper == "ISO" ? stISO : v.Upper == "NAS" ? stNAS : stNone;
  form.SetReportingStandard(v.Upper, UpperCase(WideToAnsi(form.edCalDust->Text())));
  SelectText(form.cbRepStandard, v.Text);
  form.Engine()->SendCommand("RLT", true);
}

void OnReportingInterval(TMainForm& form, const TValue& v) {
  const int seconds = StrToIntDef(v.Text, 0);
  SetEditText(form.edRepIntervalMin, IntToStr(seconds / 60));
  SetEditText(form.edRepIntervalSec, IntToStr(seconds % 60));
}

void OnDetectorId(TMainForm& form, const TValue& v) {
  form.Device()->DetectorID = v.Text;
  SetEditText(form.edDetectorID, v.Text);
}

void OnProductId(TMainForm& form, const TValue& v) {
  if (!TMainForm::IsSupportedModel(v.Text)) {
    form.AbortConnection(true, form.GetLangText(txNotSupported));
    return;
  }
  form.Device()->ProductID = v.Text;
  SetEditText(form.edProductID, v.Text);
}

void OnDateFormat(TMainForm& form, const TValue& v) {
  SelectText(form.cbDateFormat, v.Text);
  form.Engine()->SendCommand("RCD", true);
  form.Engine()->SendCommand("RDD", true);
}

void OnCalDust(TMainForm& form, const TValue& v) {
  form.Device()->CalDust = v.Text;
  SetEditText(form.edCalDust, v.Text);
  form.SetReportingStandard(UpperText(form.cbRepStandard), v.Upper);
}

void OnRelayState(TMainForm& form, const TValue& v) {
  const bool on = v.Upper == "ON";
  form.pAlarmRelayOn->SetCaption(on ? form.GetLangText(txOn) : std::wstring());
  form.pAlarmRelayOff->SetCaption(on ? std::wstring() : form.GetLangText(txOff));
}

// Items 0..4 are brightness 5 down to 1.
void OnBrightness(TMainForm& form, const TValue& v) {
  const int level = StrToIntDef(v.Text, -1);
  SelectIndex(form.cbBrightness, level >= 1 && level <= 5 ? 5 - level : -1);
}

// The first '%' only: "4%5%" is no number and leaves no limit.
void OnMoistureLimit(TMainForm& form, const TValue& v) {
  std::string text = v.Text;
  const size_t percent = text.find('%');
  if (percent != std::string::npos)
    text.erase(percent, 1);
  text = Trim(text);
  SetEditText(form.edMoistLimit, text);
  form.Device()->MoistureLimit = StrToIntDef(text, kNoLimit);
}

void OnDeviceState(TMainForm& form, const TValue& v) {
  form.Device()->StateText = v.Text;
  ShowRunState(form, v.Upper == "RUNNING");
  form.UpdateStatusBar();
}

void OnStarted(TMainForm& form, const TValue& v) {
  if (v.Upper != "OK")
    return;
  ShowRunState(form, true);
  form.Device()->StopTime = 0;
}

// The display is refreshed once; the blink timer stays as it was.
void OnStopped(TMainForm& form, const TValue& v) {
  if (v.Upper != "OK")
    return;
  ShowRunState(form, false);
  form.Device()->StopTime = Now();
  form.FlashTimerTimer(&form);
}

void OnOptions(TMainForm& form, const TValue& v) {
  uint8_t flags = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (v.Upper.find(static_cast<char>('A' + bit)) != std::string::npos)
      flags |= static_cast<uint8_t>(1u << bit);
  form.Device()->OptionFlags = flags;
  form.ApplyOptionFlags();
}

void OnDeviceType(TMainForm& form, const TValue& v) {
  if (!TMainForm::IsSupportedType(v.Text)) {
    form.AbortConnection(true, form.GetLangText(txNotSupported));
    return;
  }
  form.Device()->DeviceType = LowerCase(v.Text) == "kvmf" ? dtKvmf : dtKvmh;
  SetEditText(form.edDetectorType, v.Text);
  form.ConfigureForDeviceType();
}

void OnJ1939(TMainForm& form, const TValue& v) {
  const bool on = v.Upper == "ON";
  form.btnSAEJ1939Set->SetEnabled(!on);
  form.btnSAEJ1939Clear->SetEnabled(on);
}

void Ignore(TMainForm&, const TValue&) {}

const std::map<std::string, TValueHandler>& ValueHandlers() {
  static const std::map<std::string, TValueHandler> handlers = {
      {"PV", [](TMainForm& f, const TValue& v) { f.Device()->PVText = v.Text; }},
      {"CE", OnCommEcho},
      {"EV", [](TMainForm& f, const TValue& v) { f.cbVerboseErrors->SetChecked(v.Upper == "ON"); }},
      {"SU",
       [](TMainForm& f, const TValue& v) { f.cbSTISensorUsed->SetChecked(v.Upper == "YES"); }},
      {"RS", OnReportingStandard},
      {"MP", [](TMainForm& f, const TValue& v) { SetEditText(f.edMeasPeriodSec, v.Text); }},
      {"RI", OnReportingInterval},
      {"PM", [](TMainForm& f, const TValue& v) { f.cbPwrOnMode->SetChecked(v.Upper == "AUTO"); }},
      {"PD", [](TMainForm& f, const TValue& v) { SetEditText(f.edPwrOnHoldOffSec, v.Text); }},
      {"DI", OnDetectorId},
      {"PI", OnProductId},
      {"PN",
       [](TMainForm& f, const TValue& v) {
         CheckIdentity(f, f.Device()->PartNumber, f.edPartNr, v.Text, txPartChanged);
       }},
      {"SN",
       [](TMainForm& f, const TValue& v) {
         CheckIdentity(f, f.Device()->SerialNumber, f.edSerialNr, v.Text, txDeviceChanged);
       }},
      {"SV",
       [](TMainForm& f, const TValue& v) {
         f.Device()->Firmware = v.Text;
         SetEditText(f.edFirmware, v.Text);
       }},
      {"DF", OnDateFormat},
      {"CD",
       [](TMainForm& f, const TValue& v) {
         f.Device()->CalDate = v.Text;
         SetEditText(f.edCalDate, v.Text);
       }},
      {"DD",
       [](TMainForm& f, const TValue& v) {
         f.Device()->CalDueDate = v.Text;
         SetEditText(f.edCalDueDate, v.Text);
       }},
      {"DU", OnCalDust},
      {"SS", OnRelayState},
      {"SH", [](TMainForm& f, const TValue& v) { f.cbRelayHyst->SetChecked(v.Upper == "ON"); }},
      {"WC",
       [](TMainForm& f, const TValue& v) { f.cbParticleLimits->SetChecked(v.Upper == "ON"); }},
      {"WM", [](TMainForm& f, const TValue& v) { f.cbMoistLimits->SetChecked(v.Upper == "ON"); }},
      {"DO",
       [](TMainForm& f, const TValue& v) { SelectIndex(f.cbOrientation, StrToIntDef(v.Text, 0)); }},
      {"DB", OnBrightness},
      {"VM", [](TMainForm& f,
                const TValue& v) { f.cbVoltageRange->SetItemIndex(v.Text == "3" ? 0 : 1); }},
      {"LT", [](TMainForm& f, const TValue& v) { f.SetPartLimitsFromReply(v.Text); }},
      {"ML", OnMoistureLimit},
      {"LR", [](TMainForm& f, const TValue& v) { f.Device()->SetResult(v.Text); }},
      {"MV", [](TMainForm& f, const TValue& v) { f.Device()->SetMoisture(v.Text); }},
      {"DS", OnDeviceState},
      {"TR", OnStarted},
      {"TP", OnStopped},
      {"OF", OnOptions},
      {"PT", OnDeviceType},
      // Results the instrument sends on its own show only on the console.
      {"ON", Ignore},
      {"ISO", Ignore},
      {"NAS", Ignore},
      {"JE", OnJ1939},
  };
  return handlers;
}

// Sets a flag for the life of a scope, also when the scope raises.
class TFlagSet {
 public:
  explicit TFlagSet(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagSet() { flag_ = false; }
  TFlagSet(const TFlagSet&) = delete;
  TFlagSet& operator=(const TFlagSet&) = delete;

 private:
  bool& flag_;
};

// Empties what a control shows; labels and buttons keep their captions.
void EmptyControl(TControl* control) {
  if (auto* combo = dynamic_cast<TUcComboBox*>(control))
    combo->SetItemIndex(-1);
  else if (auto* check = dynamic_cast<TUcCheckBox*>(control))
    check->SetChecked(false);
  else if (auto* edit = dynamic_cast<TUcAlignedEdit*>(control))
    edit->SetText(std::wstring());
  else if (auto* panel = dynamic_cast<TUcPanel*>(control))
    panel->SetCaption(std::wstring());
}

}  // namespace

void TMainForm::DispatchValue(char, const std::string& subtype, const std::string& value) {
  const auto& handlers = ValueHandlers();
  const auto handler = handlers.find(subtype);
  if (handler == handlers.end()) {
    AddConsoleLine("unknown subtype in response (\"" + subtype + "\")", kNoteColour);
    return;
  }
  handler->second(*this, TValue{value, UpperCase(value)});
}

void TMainForm::HandleDeviceError(char letter, const std::string& subtype, int code) {
  const std::string mnemonic(1, letter);
  AddConsoleLine(Format("error: %s %s %d \"%s\"", mnemonic, subtype, code,
                        WideToAnsi(TCommEngine::ErrorCodeText(code, *this))),
                 kNoteColour);
  if (code == 0)
    return;
  DisableFailedControls(subtype, code);
  if (letter == 'R' && IsMissingOption(code)) {
    if (subtype == "MV") {
      device_->OptionFlags &= ~ofMoistureSensor;
      return;
    }
    if (subtype == "SS") {
      device_->OptionFlags &= ~ofRelay;
      return;
    }
    if (subtype == "PI") {
      AbortConnection(true, GetLangText(txProductIdFailed));
      return;
    }
    if (subtype == "SN") {
      AbortConnection(true, GetLangText(txSerialFailed));
      return;
    }
    if (subtype == "JE") {
      device_->OptionFlags &= ~ofJ1939Output;
      return;
    }
  }
  if (code >= 2 && code != kNotFitted)
    AskToContinue(letter, subtype, code);
}

// After Yes the same error is not asked about again for a while; any other
// answer ends the connection.
void TMainForm::AskToContinue(char letter, const std::string& subtype, int code) {
  if (subtype == lastErrorSubtype_ && code == lastErrorCode_ &&
      GetTickCount() - lastErrorTick_ <= kErrorMemoryMs)
    return;
  int answer = IDNO;
  {
    TFlagSet open(errorBoxOpen_);
    const std::wstring text = WideFormat(GetLangText(txErrorQuestion), code, std::string(1, letter),
                                         subtype, TCommEngine::ErrorCodeText(code, *this));
    answer = ShowMessageBoxW(Handle(), text, GetLangText(txErrorCaption), MB_YESNO | MB_ICONERROR);
  }
  if (answer != IDYES) {
    AbortConnection(false, std::wstring());
    return;
  }
  lastErrorSubtype_ = subtype;
  lastErrorCode_ = code;
  lastErrorTick_ = GetTickCount();
}

std::vector<TControl*> TMainForm::FailedControls(const std::string& subtype) const {
  const bool j1939 = (device_->OptionFlags & ofJ1939Output) != 0;
  const bool voltage = (device_->OptionFlags & ofVoltageOutput) != 0;
  std::vector<TControl*> controls;
  if (subtype == "LT")
    controls = {cbPartLimits1, cbPartLimits2, cbPartLimits3, cbPartLimits4,  lPartLimits1,
                lPartLimits2,  lPartLimits3,  lPartLimits4,  lParticleLimits};
  else if (subtype == "ML")
    controls = {edMoistLimit, lMoistureLimitRH, lMoistureLimit};
  else if (subtype == "VM")
    controls = {cbVoltageRange};
  else if (subtype == "DB")
    controls = {cbBrightness, lBrightness};
  else if (subtype == "DO")
    controls = {cbOrientation, lOrientation};
  else if (subtype == "WM")
    controls = {cbMoistLimits};
  else if (subtype == "WC")
    controls = {cbParticleLimits};
  else if (subtype == "SH")
    controls = {cbRelayHyst, lRelayHyst};
  else if (subtype == "SS")
    controls = {lManuallyOpRelay, btnRelayStateSet, btnRelayStateClear,
                lRelayState,      pAlarmRelayOn,    pAlarmRelayOff};
  else if (subtype == "DF")
    controls = {cbDateFormat, lDateFormat};
  else if (subtype == "DI")
    controls = {edDetectorID, lDetectorID};
  else if (subtype == "PD")
    controls = {edPwrOnHoldOffSec, lPwrOnHoldOffSec, lPwrOnHoldOff};
  else if (subtype == "PM")
    controls = {cbPwrOnMode, lPwrOnMode};
  else if (subtype == "RI")
    controls = {edRepIntervalMin, edRepIntervalSec, lRepInterval, lRepIntervalM, lRepIntervalS};
  else if (subtype == "MP")
    controls = {edMeasPeriodSec, lMeasPeriodSec, lMeasPeriod};
  else if (subtype == "SU")
    controls = {cbSTISensorUsed, lSTISensorUsed};
  else if (subtype == "RS")
    controls = {cbRepStandard, lRepStandard};
  else if (subtype == "EV")
    controls = {cbVerboseErrors};
  else if (subtype == "CE")
    controls = {cbCommEcho};
  else if (subtype == "LR")
    controls = {pClassCode, lClassCode};
  else if (subtype == "MV")
    controls = {pMoisture, lMoisture};
  else if (subtype == "JE")
    controls = {btnSAEJ1939Set, btnSAEJ1939Clear};
  // The shared label stays for the other output option.
  if ((subtype == "VM" && !j1939) || (subtype == "JE" && !voltage))
    controls.push_back(lVoltageRange);
  return controls;
}

// Codes 1 and 13 grey out an option's controls and read it once more; the
// next such error finds them grey and reads nothing. Start and Stop are no
// reads, and a subtype without controls would be read again for ever.
void TMainForm::DisableFailedControls(const std::string& subtype, int code) {
  const bool enable = !IsMissingOption(code);
  const std::vector<TControl*> controls = FailedControls(subtype);
  bool reread = subtype != "TR" && subtype != "TP" && (enable || !controls.empty());
  for (TControl* control : controls) {
    if (control->Enabled())
      control->SetEnabled(enable);
    else if (!control->Is<TUcLabel>())
      reread = false;
    EmptyControl(control);
  }
  lRelayOp->SetEnabled(cbParticleLimits->Enabled() || cbMoistLimits->Enabled());
  if (reread)
    engine_->SendCommand("R" + subtype, false);
}
