#include "frmMain.h"

#include "DateUtils.h"
#include "StringList.h"
#include "SysUtils.h"
#include "System.h"
#include "VelComPortCore.h"
#include "VelUtils.h"
#include "frmAbout.h"
#include "frmConsol.h"
#include "frmProgress.h"
#include "uLanguagesSetup.h"
#include "uOneAppOnly.h"
#include "uOneAppOnlySetup.h"
#include "uToolbox.h"
#include "uToolboxSetup.h"

#include <shlobj.h>

VEL_COMPONENT_IMPL(TMainForm, TForm)

const char kApplicationTitle[] = "kolvex MK Setup";

namespace {

// Text numbers of the language table.
enum : int {
  txTitle = 0,
  txAbout = 3,
  txErrorCaption = 10,
  txConnect = 14,
  txDisconnect = 15,
  txPortNotAvailable = 16,
  txSearching = 17,
  txDisconnectedCaption = 18,
  txNoDevice = 19,
  txReadingConfig = 20,
  txConnected = 21,
  txNotConnected = 22,
  txFirstState = 117,
  txMail = 125,
  txReadingOptions = 126,
  txVoltageRange = 109,
  txJ1939 = 127,
};

constexpr TColor kHeaderColour = 0x0ECBFE;
constexpr TColor kDisplayColour = 0x96E1FF;
constexpr int kLanguageCount = 8;
// English (USA) shares the English texts and is never offered.
constexpr int kHiddenLanguage = 1;
// The state words in the order of their texts.
const char* const kStateWords[TMainForm::kStateCount] = {
    "IDLE", "BOOTING", "SELFTEST", "WAITING", "RECOVERED", "RUNNING", "FAULTY", "UNDEFINED"};

int& DebugFlag() {
  static int flag = -1;
  return flag;
}

std::string& InstanceGuid() {
  static std::string guid = SetupInstanceGuid;
  return guid;
}

std::string& AppDataOverride() {
  static std::string folder;
  return folder;
}

std::string AppDataFolder() {
  const std::string& folder = AppDataOverride();
  return folder.empty() ? GetSpecialFolderPath(nullptr, CSIDL_APPDATA) : folder;
}

// Puts a timer back into the state it had, also when the scope raises.
class TTimerPause {
 public:
  explicit TTimerPause(TTimer* timer) : timer_(timer), enabled_(timer->Enabled()) {
    timer_->SetEnabled(false);
  }
  ~TTimerPause() { timer_->SetEnabled(enabled_); }
  TTimerPause(const TTimerPause&) = delete;
  TTimerPause& operator=(const TTimerPause&) = delete;

 private:
  TTimer* timer_;
  bool enabled_;
};

// One update bracket of a wide item list.
class TItemsUpdate {
 public:
  explicit TItemsUpdate(TUcStrings* items) : items_(items) { items_->BeginUpdate(); }
  ~TItemsUpdate() { items_->EndUpdate(); }
  TItemsUpdate(const TItemsUpdate&) = delete;
  TItemsUpdate& operator=(const TItemsUpdate&) = delete;

 private:
  TUcStrings* items_;
};

// Detaches a combo box's OnChange for the life of a scope.
class TChangeMute {
 public:
  explicit TChangeMute(TUcComboBox* combo) : combo_(combo), saved_(combo->OnChange) {
    combo_->OnChange = TNotifyEvent();
  }
  ~TChangeMute() { combo_->OnChange = saved_; }
  TChangeMute(const TChangeMute&) = delete;
  TChangeMute& operator=(const TChangeMute&) = delete;

 private:
  TUcComboBox* combo_;
  TNotifyEvent saved_;
};

void SetItems(TUcComboBox* combo, const std::vector<std::wstring>& items) {
  TItemsUpdate update(combo->Items());
  combo->Items()->Clear();
  for (const std::wstring& item : items)
    combo->Items()->Add(item);
}

// The comma-separated items of a list text.
std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    items.push_back(
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos)
      return items;
    start = comma + 1;
  }
}

std::vector<std::wstring> WideItems(const std::string& commaText) {
  std::vector<std::wstring> items;
  for (const std::string& item : SplitCommas(commaText))
    items.push_back(AnsiToWide(item));
  return items;
}

void SelectItem(TUcComboBox* combo, const std::wstring& text) {
  combo->SetItemIndex(combo->Items()->IndexOf(text));
}

const char kIsoLimits[] = "*,22,21,20,19,18,17,16,15,14,13,12,11,10,9,8,7";
const char kNasLimits[] = "*,12,11,10,9,8,7,6,5,4,3,2,1,0";

// Whether text is a valid integer; value then holds it.
bool TryParseInt(const std::string& text, int& value) {
  value = StrToIntDef(text, -1);
  return value == StrToIntDef(text, 0);
}

bool IsNoData(const std::string& text) {
  const std::string lower = LowerCase(text);
  return lower == "no data" || lower == "--";
}

// The value is over a limit that is set, in the blank phase of the blink.
bool BlankPhase(int value, int limit, int blinkCounter) {
  return limit >= 0 && value > limit && blinkCounter > 2;
}

}  // namespace

bool DebugMode() {
  int& flag = DebugFlag();
  if (flag < 0)
    flag = DebuggerPresent() || FindCmdLineSwitch("debug") ? 1 : 0;
  return flag == 1;
}

void SetDebugMode(bool value) {
  DebugFlag() = value ? 1 : 0;
}

void SetInstanceGuid(const std::string& guid) {
  InstanceGuid() = guid;
}

void SetAppDataFolder(const std::string& folder) {
  AppDataOverride() = folder;
}

int ParseLimit(const std::wstring& text) {
  const std::string ansi = WideToAnsi(text);
  if (ansi.size() > 1 && ansi[0] == '>') {
    int value = 0;
    return TryParseInt(ansi.substr(1), value) ? value + 1 : -1;
  }
  return StrToIntDef(ansi, -1);
}

void TMainForm::Publish(TPublisher<TMainForm>& p) {
  p.Field<&TMainForm::pUpperContainer>("pUpperContainer");
  p.Field<&TMainForm::imgCompany>("imgCompany");
  p.Field<&TMainForm::imgProduct>("imgProduct");
  p.Field<&TMainForm::pCommunications>("pCommunications");
  p.Field<&TMainForm::stCommunications>("stCommunications");
  p.Field<&TMainForm::lPort>("lPort");
  p.Field<&TMainForm::cbPorts>("cbPorts");
  p.Field<&TMainForm::btnConnect>("btnConnect");
  p.Field<&TMainForm::cbCommEcho>("cbCommEcho");
  p.Field<&TMainForm::cbVerboseErrors>("cbVerboseErrors");
  p.Field<&TMainForm::pMeasConfig>("pMeasConfig");
  p.Field<&TMainForm::stMeasConfig>("stMeasConfig");
  p.Field<&TMainForm::lSTISensorUsed>("lSTISensorUsed");
  p.Field<&TMainForm::cbSTISensorUsed>("cbSTISensorUsed");
  p.Field<&TMainForm::lRepStandard>("lRepStandard");
  p.Field<&TMainForm::cbRepStandard>("cbRepStandard");
  p.Field<&TMainForm::lMeasPeriod>("lMeasPeriod");
  p.Field<&TMainForm::edMeasPeriodSec>("edMeasPeriodSec");
  p.Field<&TMainForm::lMeasPeriodSec>("lMeasPeriodSec");
  p.Field<&TMainForm::lRepInterval>("lRepInterval");
  p.Field<&TMainForm::edRepIntervalMin>("edRepIntervalMin");
  p.Field<&TMainForm::lRepIntervalM>("lRepIntervalM");
  p.Field<&TMainForm::edRepIntervalSec>("edRepIntervalSec");
  p.Field<&TMainForm::lRepIntervalS>("lRepIntervalS");
  p.Field<&TMainForm::lPwrOnMode>("lPwrOnMode");
  p.Field<&TMainForm::cbPwrOnMode>("cbPwrOnMode");
  p.Field<&TMainForm::lPwrOnHoldOff>("lPwrOnHoldOff");
  p.Field<&TMainForm::edPwrOnHoldOffSec>("edPwrOnHoldOffSec");
  p.Field<&TMainForm::lPwrOnHoldOffSec>("lPwrOnHoldOffSec");
  p.Field<&TMainForm::pDetectorInfo>("pDetectorInfo");
  p.Field<&TMainForm::stDetectorInfo>("stDetectorInfo");
  p.Field<&TMainForm::lDetectorID>("lDetectorID");
  p.Field<&TMainForm::edDetectorID>("edDetectorID");
  p.Field<&TMainForm::lProductID>("lProductID");
  p.Field<&TMainForm::edProductID>("edProductID");
  p.Field<&TMainForm::lDetectorType>("lDetectorType");
  p.Field<&TMainForm::edDetectorType>("edDetectorType");
  p.Field<&TMainForm::lPartNr>("lPartNr");
  p.Field<&TMainForm::edPartNr>("edPartNr");
  p.Field<&TMainForm::lSerialNr>("lSerialNr");
  p.Field<&TMainForm::edSerialNr>("edSerialNr");
  p.Field<&TMainForm::lFirmware>("lFirmware");
  p.Field<&TMainForm::edFirmware>("edFirmware");
  p.Field<&TMainForm::lDateFormat>("lDateFormat");
  p.Field<&TMainForm::cbDateFormat>("cbDateFormat");
  p.Field<&TMainForm::lCalDate>("lCalDate");
  p.Field<&TMainForm::edCalDate>("edCalDate");
  p.Field<&TMainForm::lCalDueDate>("lCalDueDate");
  p.Field<&TMainForm::edCalDueDate>("edCalDueDate");
  p.Field<&TMainForm::lCalDust>("lCalDust");
  p.Field<&TMainForm::edCalDust>("edCalDust");
  p.Field<&TMainForm::pRelayOptions>("pRelayOptions");
  p.Field<&TMainForm::stRelayOptions>("stRelayOptions");
  p.Field<&TMainForm::lManuallyOpRelay>("lManuallyOpRelay");
  p.Field<&TMainForm::btnRelayStateSet>("btnRelayStateSet");
  p.Field<&TMainForm::btnRelayStateClear>("btnRelayStateClear");
  p.Field<&TMainForm::lRelayHyst>("lRelayHyst");
  p.Field<&TMainForm::cbRelayHyst>("cbRelayHyst");
  p.Field<&TMainForm::lRelayOp>("lRelayOp");
  p.Field<&TMainForm::cbParticleLimits>("cbParticleLimits");
  p.Field<&TMainForm::cbMoistLimits>("cbMoistLimits");
  p.Field<&TMainForm::pDisplayOptions>("pDisplayOptions");
  p.Field<&TMainForm::stDisplayOptions>("stDisplayOptions");
  p.Field<&TMainForm::lOrientation>("lOrientation");
  p.Field<&TMainForm::cbOrientation>("cbOrientation");
  p.Field<&TMainForm::lBrightness>("lBrightness");
  p.Field<&TMainForm::cbBrightness>("cbBrightness");
  p.Field<&TMainForm::pOutputOptions>("pOutputOptions");
  p.Field<&TMainForm::stOutputOptions>("stOutputOptions");
  p.Field<&TMainForm::lVoltageRange>("lVoltageRange");
  p.Field<&TMainForm::cbVoltageRange>("cbVoltageRange");
  p.Field<&TMainForm::btnSAEJ1939Set>("btnSAEJ1939Set");
  p.Field<&TMainForm::btnSAEJ1939Clear>("btnSAEJ1939Clear");
  p.Field<&TMainForm::pAlarmLimits>("pAlarmLimits");
  p.Field<&TMainForm::stAlarmLimits>("stAlarmLimits");
  p.Field<&TMainForm::lParticleLimits>("lParticleLimits");
  p.Field<&TMainForm::lPartLimits1>("lPartLimits1");
  p.Field<&TMainForm::lPartLimits2>("lPartLimits2");
  p.Field<&TMainForm::lPartLimits3>("lPartLimits3");
  p.Field<&TMainForm::lPartLimits4>("lPartLimits4");
  p.Field<&TMainForm::cbPartLimits1>("cbPartLimits1");
  p.Field<&TMainForm::cbPartLimits2>("cbPartLimits2");
  p.Field<&TMainForm::cbPartLimits3>("cbPartLimits3");
  p.Field<&TMainForm::cbPartLimits4>("cbPartLimits4");
  p.Field<&TMainForm::lMoistureLimit>("lMoistureLimit");
  p.Field<&TMainForm::edMoistLimit>("edMoistLimit");
  p.Field<&TMainForm::lMoistureLimitRH>("lMoistureLimitRH");
  p.Field<&TMainForm::pResults>("pResults");
  p.Field<&TMainForm::stResults>("stResults");
  p.Field<&TMainForm::lClassCode>("lClassCode");
  p.Field<&TMainForm::pClassCode>("pClassCode");
  p.Field<&TMainForm::lMoisture>("lMoisture");
  p.Field<&TMainForm::pMoisture>("pMoisture");
  p.Field<&TMainForm::lRelayState>("lRelayState");
  p.Field<&TMainForm::pAlarmRelayOn>("pAlarmRelayOn");
  p.Field<&TMainForm::pAlarmRelayOff>("pAlarmRelayOff");
  p.Field<&TMainForm::btnStart>("btnStart");
  p.Field<&TMainForm::btnStop>("btnStop");
  p.Field<&TMainForm::StatusBar>("StatusBar");
  p.Field<&TMainForm::UcMainMenu1>("UcMainMenu1");
  p.Field<&TMainForm::mmFile>("mmFile");
  p.Field<&TMainForm::miExit>("miExit");
  p.Field<&TMainForm::mmOptions>("mmOptions");
  p.Field<&TMainForm::miLanguage>("miLanguage");
  p.Field<&TMainForm::mmHelp>("mmHelp");
  p.Field<&TMainForm::miAbout>("miAbout");
  p.Field<&TMainForm::UcActionList1>("UcActionList1");
  p.Field<&TMainForm::FileExitAction>("FileExitAction");
  p.Field<&TMainForm::HelpAboutAction>("HelpAboutAction");
  p.Field<&TMainForm::PollTimer>("PollTimer");
  p.Field<&TMainForm::FlashTimer>("FlashTimer");
  p.Field<&TMainForm::ApplicationEvents1>("ApplicationEvents1");
  p.Method<&TMainForm::FormCreate>("FormCreate");
  p.Method<&TMainForm::FormClose>("FormClose");
  p.Method<&TMainForm::FormDestroy>("FormDestroy");
  p.Method<&TMainForm::FormKeyDown>("FormKeyDown");
  p.Method<&TMainForm::btnConnectClick>("btnConnectClick");
  p.Method<&TMainForm::btnStartClick>("btnStartClick");
  p.Method<&TMainForm::btnStopClick>("btnStopClick");
  p.Method<&TMainForm::PollTimerTimer>("PollTimerTimer");
  p.Method<&TMainForm::FlashTimerTimer>("FlashTimerTimer");
  p.Method<&TMainForm::ApplicationEvents1Activate>("ApplicationEvents1Activate");
  p.Method<&TMainForm::ApplicationEvents1Exception>("ApplicationEvents1Exception");
  p.Method<&TMainForm::FileExitActionExecute>("FileExitActionExecute");
  p.Method<&TMainForm::HelpAboutActionExecute>("HelpAboutActionExecute");
  p.Method<&TMainForm::OnDataEntryFieldChanged>("OnDataEntryFieldChanged");
  p.Method<&TMainForm::FilterForIntegerInput>("FilterForIntegerInput");
  p.Method<&TMainForm::FilterForIntegerPaste>("FilterForIntegerPaste");
  p.Method<&TMainForm::FilterForTextInput>("FilterForTextInput");
  p.Method<&TMainForm::ValidateIntegerInput>("ValidateIntegerInput");
  p.Method<&TMainForm::OnCenterCombobox>("OnCenterCombobox");
}

// ---- Engine host ----------------------------------------------------------------------------

std::wstring TMainForm::GetLangText(int textNumber) const {
  return ::GetLangText(textNumber);
}

bool TMainForm::LoggingEnabled() const {
  return DebugMode();
}

std::string TMainForm::LogBaseFolder() const {
  return AppDataFolder();
}

// ---- Start and end --------------------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
  CheckSingleInstance();
  // The fourth limit box shares the place of the moisture limit.
  cbPartLimits4->SetBoundsRect(edMoistLimit->BoundsRect());
  lPartLimits4->SetBoundsRect(lMoistureLimitRH->BoundsRect());
  const auto sizeLabels = SizeLabels();
  for (size_t i = 0; i < sizeLabels.size(); ++i)
    designSizeCaptions_[i] = sizeLabels[i]->Caption();
  settings_.reset(Create<TSettings>(AppDataFolder()));
  SetSettingsAccessor([this] { return settings_.get(); });
  SetCaption(Application()->Title());
  pUpperContainer->SetCaption(AnsiToWide(Application()->Title()));
  SetLanguage(settings_->Language());
  device_.reset(Create<TCOMDevice>());
  blinkCounter_ = 0;
  CreateEngine();
  errorBoxOpen_ = false;
  ApplyHeaderColours();
  FillPortList();
  btnConnect->SetEnabled(cbPorts->Items()->Count() > 0);
  EnableControls(false);
  BuildLanguageMenu();
  ApplyLanguage();
}

// A second start wakes the first and ends when its message loop starts.
void TMainForm::CheckSingleInstance() {
  TOwned<TOneAppOnly> guard(Create<TOneAppOnly>(InstanceGuid(), IsSetupMainWindow));
  if (!guard->AlreadyRunning()) {
    ownsInstance_ = true;
    // The form data may have made the window already (list items live in
    // their windows).
    if (HandleAllocated())
      MarkInstanceWindow(WindowHandle());
    return;
  }
  guard->ActivateRunningInstance(WM_ACTIVATE_INSTANCE);
  Application()->SetShowMainForm(false);
  Application()->Terminate();
}

void TMainForm::CreateEngine() {
  engine_.reset(Create<TCommEngine>(static_cast<const ICommEngineHost&>(*this)));
  engine_->OnDisconnect = Method<&TMainForm::EngineDisconnect>(this);
  engine_->OnResponse = Method<&TMainForm::EngineResponse>(this);
  engine_->OnSend = Method<&TMainForm::EngineSend>(this);
  engine_->OnTag = Method<&TMainForm::EngineTag>(this);
}

void TMainForm::SetLanguage(uint8_t language) {
  language_ = language;
  SetCurrentLanguage(language);
}

void TMainForm::FillPortList() {
  TOwned<TStringList> ports(Create<TStringList>());
  EnumComPorts(ports.get(), false);
  TUcStrings* items = cbPorts->Items();
  {
    TItemsUpdate update(items);
    items->Clear();
    for (int i = 0; i < ports->Count(); ++i)
      items->Add(AnsiToWide(ports->Strings(i)));
  }
  SelectItem(cbPorts, AnsiToWide("COM" + IntToStr(settings_->Port())));
  if (cbPorts->ItemIndex() < 0 && items->Count() > 0)
    cbPorts->SetItemIndex(0);
}

void TMainForm::ApplyHeaderColours() {
  imgCompany->Picture()->Bitmap()->LoadFromResourceName(HInstance(), "VelmorLogo");
  pUpperContainer->SetColor(kHeaderColour);
  pUpperContainer->Font()->SetColor(clBlack);
  for (TUcStaticText* strip : {stCommunications, stMeasConfig, stDetectorInfo, stRelayOptions,
                               stDisplayOptions, stOutputOptions, stAlarmLimits, stResults}) {
    strip->SetColor(kHeaderColour);
    strip->Font()->SetColor(clBlack);
  }
  for (TUcPanel* panel : {pClassCode, pMoisture, pAlarmRelayOn, pAlarmRelayOff})
    panel->SetColor(kDisplayColour);
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  ClickDisconnect();
}

// The engine thread goes first: it calls into the settings and the model.
// A handler it still waits in runs while the thread is awaited, and does
// nothing then.
void TMainForm::FormDestroy(TObject*) {
  destroying_ = true;
  if (engine_) {
    engine_->Terminate();
    engine_->WaitFor();
    engine_.reset();
  }
  SetSettingsAccessor(nullptr);
  settings_.reset();
  device_.reset();
}

void TMainForm::CreateWnd() {
  TForm::CreateWnd();
  if (ownsInstance_)
    MarkInstanceWindow(WindowHandle());
}

void TMainForm::DestroyWnd() {
  if (ownsInstance_)
    UnmarkInstanceWindow(WindowHandle());
  TForm::DestroyWnd();
}

// ---- Connect and disconnect -----------------------------------------------------------------

void TMainForm::btnConnectClick(TObject*) {
  SwitchConnection(!engine_->IsConnected());
}

void TMainForm::ClickDisconnect() {
  if (engine_ && engine_->IsConnected())
    SwitchConnection(false);
}

void TMainForm::SwitchConnection(bool connect) {
  device_->Reset();
  blinkCounter_ = 0;
  if (connect)
    Connect();
  else
    Disconnect();
  UpdateStatusBar();
}

// A disconnect while connecting takes the progress window down too, or the
// main form would stay disabled.
void TMainForm::Disconnect() {
  FlashTimer->SetEnabled(false);
  PollTimer->SetEnabled(false);
  cbPorts->SetEnabled(true);
  engine_->SetActive(false);
  btnConnect->SetCaption(GetLangText(txConnect));
  EnableControls(false);
  AllowSystemSleep(true);
  HideProgress();
}

void TMainForm::Connect() {
  const int port = ComPortNumber(WideToAnsi(cbPorts->Text()), 1);
  engine_->SetPort(port, static_cast<DWORD>(settings_->DataTimeout()));
  engine_->SetActive(true);
  if (!engine_->IsConnected()) {
    ShowMessageBoxW(Handle(), WideFormat(GetLangText(txPortNotAvailable), port),
                    GetLangText(txErrorCaption), MB_OK | MB_ICONERROR);
    return;
  }
  settings_->SetPort(port);
  settings_->Save();
  cbPorts->SetEnabled(false);
  lastErrorSubtype_.clear();
  lastErrorCode_ = 0;
  lastErrorTick_ = 0;
  btnConnect->SetCaption(GetLangText(txDisconnect));
  EnableControls(true);
  ConfigureForDeviceType();
  SetEnabled(false);
  ProgressForm()->ShowInfo(GetLangText(txSearching));
  QueueConnectSequence();
}

void TMainForm::HideProgress() {
  TProgressForm* progress = ProgressForm();
  if (!progress->Visible())
    return;
  progress->HideProgress();
  SetEnabled(true);
}

void TMainForm::AbortConnection(bool showBox, const std::wstring& text) {
  ClickDisconnect();
  HideProgress();
  FlashTimer->SetEnabled(false);
  PollTimer->SetEnabled(false);
  UpdateStatusBar();
  if (showBox)
    ShowErrorBox(text);
}

void TMainForm::ShowErrorBox(const std::wstring& text) {
  TFlagScope<bool> open(errorBoxOpen_);
  ShowMessageBoxW(Handle(), text, GetLangText(txErrorCaption), MB_OK | MB_ICONERROR);
}

bool TMainForm::IsSupportedModel(const std::string& text) {
  const std::string lower = LowerCase(text);
  return lower == "kolvex mk" || lower == "kolvex mkq7";
}

bool TMainForm::IsSupportedType(const std::string& text) {
  const std::string lower = LowerCase(text);
  return lower == "kvmh" || lower == "kvmf";
}

// ---- Engine events --------------------------------------------------------------------------

void TMainForm::AddConsoleLine(const std::string& text, TColor color) {
  if (ConsolForm)
    ConsolForm->AddLine(text, color, Now());
}

void TMainForm::EngineSend(TObject*, const std::string& text) {
  if (destroying_)
    return;
  AddConsoleLine(text, settings_->ColorUser());
}

// A reply the engine read before the window closed the port still arrives;
// it is shown but changes nothing.
void TMainForm::EngineResponse(TObject*, const std::string& command, const std::string& reply) {
  if (destroying_)
    return;
  AddConsoleLine(command + " > " + reply, settings_->ColorDevice());
  if (!engine_->IsConnected())
    return;
  if (command.empty())
    DispatchResultLine(reply);
  else
    DispatchReply(command, reply);
}

void TMainForm::DispatchReply(const std::string& command, const std::string& reply) {
  std::string mnemonic = UpperCase(Trim(command));
  const size_t blank = mnemonic.find(' ');
  if (blank != std::string::npos && blank > 0)
    mnemonic.resize(blank);
  if (mnemonic.size() <= 2 || (mnemonic[0] != 'R' && mnemonic[0] != 'S'))
    return;
  const char letter = mnemonic[0];
  const std::string subtype = mnemonic.substr(1);
  const std::string text = Trim(reply);
  const std::string upper = UpperCase(text);
  // An error reply is never a value, even one whose code does not parse.
  if (StartsStr("ERROR", upper)) {
    int code = 0;
    if (!TCommEngine::ParseErrorCode(upper, code))
      code = 0;
    HandleDeviceError(letter, subtype, code);
    return;
  }
  const size_t equals = text.find('=');
  DispatchValue(letter, subtype,
                equals == std::string::npos ? upper : Trim(text.substr(equals + 1)));
}

void TMainForm::DispatchResultLine(const std::string& reply) {
  const std::string text = Trim(reply);
  const size_t equals = text.find('=');
  if (equals == std::string::npos || equals + 1 == text.size())
    return;
  DispatchValue('\0', UpperCase(Trim(text.substr(0, equals))), Trim(text.substr(equals + 1)));
}

// Tags of a pass that ran while the window closed the port change nothing.
void TMainForm::EngineTag(TObject*, const std::string& tag) {
  if (destroying_ || !engine_->IsConnected())
    return;
  TProgressForm* progress = ProgressForm();
  if (tag == "%read_config%") {
    if (progress->Visible())
      progress->SetInfo(GetLangText(txReadingConfig));
  } else if (tag == "%read_options%") {
    if (progress->Visible())
      progress->SetInfo(GetLangText(txReadingOptions));
    ReadOptions();
  } else if (tag == "%detect_done%") {
    HideProgress();
    lastSerialPoll_ = 0;
    FlashTimer->SetEnabled(true);
    PollTimer->SetEnabled(true);
  }
}

// Also when the port closed by itself, its device gone: the form is cleaned
// all the same.
void TMainForm::EngineDisconnect(TObject*) {
  if (destroying_)
    return;
  SwitchConnection(false);
  HideProgress();
  ShowMessageBoxW(Handle(), GetLangText(txNoDevice), GetLangText(txDisconnectedCaption),
                  MB_OK | MB_ICONWARNING);
}

// ---- Other handlers -------------------------------------------------------------------------

void TMainForm::HelpAboutActionExecute(TObject*) {
  SetAboutTexts(::GetLangText, txMail);
  ShowAboutBox();
}

void TMainForm::FileExitActionExecute(TObject*) {
  Close();
}

void TMainForm::ApplicationEvents1Activate(TObject*) {
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
}

// A lost device reaches the user through the engine's disconnect and its
// box; every other failure gets the standard box.
void TMainForm::ApplicationEvents1Exception(TObject*, const std::exception_ptr& error) {
  if (!IsDeviceLost(error))
    Application()->ShowException(error);
}

void TMainForm::FormKeyDown(TObject*, WORD& key, TShiftState shift) {
  if (!DebugMode() || key != 'C' || !shift.Contains(ssCtrl) || !shift.Contains(ssShift) ||
      !ConsolForm)
    return;
  if (ConsolForm->Visible())
    ConsolForm->Close();
  else
    ConsolForm->Show();
}

// ---- Messages from outside ------------------------------------------------------------------

void TMainForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_ACTIVATE_INSTANCE:
      WMActivateInstance(message);
      break;
    case WM_POWERBROADCAST:
      WMPowerBroadcast(message);
      break;
    case WM_QUERYENDSESSION:
      WMQueryEndSession(message);
      break;
    default:
      TForm::Dispatch(message);
  }
}

void TMainForm::WMActivateInstance(TMessage& message) {
  message.Result = 1;
  if (WindowState() == wsMinimized)
    SetWindowState(wsNormal);
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
}

// The default handling's answer decides whether the session may end.
void TMainForm::WMQueryEndSession(TMessage& message) {
  ClickDisconnect();
  TForm::Dispatch(message);
}

// The computer may not sleep while an instrument is connected.
void TMainForm::WMPowerBroadcast(TMessage& message) {
  const bool connected = engine_ && engine_->IsConnected();
  switch (message.WParam) {
    case PBT_APMQUERYSUSPEND:
    case PBT_APMQUERYSTANDBY:
      if (connected) {
        message.Result = BROADCAST_QUERY_DENY;
        return;
      }
      break;
    case PBT_APMSUSPEND:
    case PBT_APMBATTERYLOW:
      ClickDisconnect();
      break;
    default:
      break;
  }
  TForm::Dispatch(message);
}

// ---- Languages ------------------------------------------------------------------------------

void TMainForm::BuildLanguageMenu() {
  miLanguage->Clear();
  for (int id = 0; id < kLanguageCount; ++id) {
    if (id == kHiddenLanguage || !LanguageAvailable(id))
      continue;
    auto* item = Create<TMenuItem>(this);
    item->SetCaption(WideToAnsi(GetLanguageName(id)));
    item->SetTag(id);
    item->SetChecked(id == language_);
    item->OnClick = Method<&TMainForm::LanguageClick>(this);
    item->SetName("miLanguage" + IntToStr(id));
    miLanguage->Add(item);
  }
}

void TMainForm::LanguageClick(TObject* sender) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || item->Tag() == language_)
    return;
  SetLanguage(static_cast<uint8_t>(item->Tag()));
  settings_->SetLanguage(language_);
  settings_->Save();
  ApplyLanguage();
}

void TMainForm::ApplyLanguage() {
  for (int i = 0; i < kStateCount; ++i)
    stateTexts_[i] = WideToAnsi(GetLangText(txFirstState + i));
  SetCaption(WideToAnsi(GetLangText(txTitle)));
  pUpperContainer->SetCaption(GetLangText(txTitle));
  ApplyCaptions();
  if (ConsolForm)
    ConsolForm->UpdateCaption();
  for (int i = 0; i < miLanguage->Count(); ++i)
    miLanguage->Items(i)->SetChecked(miLanguage->Items(i)->Tag() == language_);
  UpdateStatusBar();
}

void TMainForm::ApplyCaptions() {
  const std::pair<TUcMenuItem*, int> menus[] = {
      {mmFile, 58}, {mmOptions, 59}, {mmHelp, 60}, {miLanguage, 62}};
  for (const auto& menu : menus)
    menu.first->SetCaption(GetLangText(menu.second));
  FileExitAction->SetCaption(GetLangText(61));
  HelpAboutAction->SetCaption(GetLangText(txAbout));
  TUcStaticText* const strips[] = {stCommunications, stMeasConfig,     stDetectorInfo,
                                   stRelayOptions,   stDisplayOptions, stOutputOptions,
                                   stAlarmLimits,    stResults};
  for (int i = 0; i < 8; ++i)
    strips[i]->SetCaption(L" " + GetLangText(63 + i));
  const std::pair<TControl*, int> captions[] = {{lPort, 71},
                                                {cbCommEcho, 72},
                                                {cbVerboseErrors, 73},
                                                {lSTISensorUsed, 74},
                                                {lRepStandard, 75},
                                                {lMeasPeriod, 76},
                                                {lMeasPeriodSec, 77},
                                                {lRepInterval, 81},
                                                {lRepIntervalM, 80},
                                                {lRepIntervalS, 78},
                                                {lPwrOnMode, 82},
                                                {cbPwrOnMode, 83},
                                                {lPwrOnHoldOff, 84},
                                                {lPwrOnHoldOffSec, 77},
                                                {lDetectorID, 85},
                                                {lProductID, 86},
                                                {lDetectorType, 87},
                                                {lPartNr, 88},
                                                {lSerialNr, 89},
                                                {lFirmware, 90},
                                                {lDateFormat, 91},
                                                {lCalDate, 92},
                                                {lCalDueDate, 93},
                                                {lCalDust, 94},
                                                {lManuallyOpRelay, 95},
                                                {btnRelayStateSet, 96},
                                                {btnRelayStateClear, 97},
                                                {lRelayHyst, 98},
                                                {cbRelayHyst, 96},
                                                {lRelayOp, 99},
                                                {cbParticleLimits, 100},
                                                {cbMoistLimits, 101},
                                                {lOrientation, 102},
                                                {lBrightness, 103},
                                                {btnSAEJ1939Set, 96},
                                                {btnSAEJ1939Clear, 97},
                                                {lParticleLimits, 100},
                                                {lMoistureLimit, 110},
                                                {lMoistureLimitRH, 116},
                                                {lClassCode, 111},
                                                {lMoisture, 112},
                                                {lRelayState, 113},
                                                {btnStart, 114},
                                                {btnStop, 115}};
  for (const auto& caption : captions)
    SetWideControlText(caption.first, GetLangText(caption.second));
  btnConnect->SetCaption(GetLangText(engine_->IsConnected() ? txDisconnect : txConnect));
  if (cbVoltageRange->Visible())
    lVoltageRange->SetCaption(GetLangText(txVoltageRange));
  if (btnSAEJ1939Set->Visible())
    lVoltageRange->SetCaption(GetLangText(txJ1939));
  ApplyBrightnessItems();
}

// Items 0..4 are brightness 5 down to 1; the selection stays.
void TMainForm::ApplyBrightnessItems() {
  TUcStrings* items = cbBrightness->Items();
  const int selected = cbBrightness->ItemIndex();
  struct TReselect {
    TUcComboBox* combo;
    int index;
    ~TReselect() { combo->SetItemIndex(index); }
  } reselect{cbBrightness, selected};
  TItemsUpdate update(items);
  items->Clear();
  for (int text = 108; text >= 104; --text)
    items->Add(GetLangText(text));
}

// ---- Control states -------------------------------------------------------------------------

namespace {

void EnableAll(std::initializer_list<TControl*> controls, bool enabled) {
  for (TControl* control : controls)
    control->SetEnabled(enabled);
}

void ShowAll(std::initializer_list<TControl*> controls, bool visible) {
  for (TControl* control : controls)
    control->SetVisible(visible);
}

void EnableGroup(TWinControl* group, bool enabled) {
  for (int i = 0; i < group->ControlCount(); ++i) {
    TControl* control = group->Controls(i);
    // The strip is the group's heading, not one of its settings.
    if (!control->Is<TUcStaticText>())
      control->SetEnabled(enabled);
  }
}

}  // namespace

void TMainForm::EnableControls(bool enabled) {
  cbCommEcho->SetEnabled(enabled);
  cbVerboseErrors->SetEnabled(enabled);
  for (TWinControl* group : std::initializer_list<TWinControl*>{
           pMeasConfig, pRelayOptions, pDisplayOptions, pOutputOptions, pAlarmLimits})
    EnableGroup(group, enabled);
  for (int i = 0; i < pDetectorInfo->ControlCount(); ++i) {
    TControl* control = pDetectorInfo->Controls(i);
    if (control->Is<TUcLabel>())
      control->SetEnabled(enabled);
  }
  edDetectorID->SetEnabled(enabled);
  cbDateFormat->SetEnabled(enabled);
  EnableAll({lClassCode, lMoisture, lRelayState}, enabled);
  btnStart->SetEnabled(enabled && device_->RunState == rsStopped);
  btnStop->SetEnabled(enabled && device_->RunState == rsRunning);
  if (!enabled)
    ClearFields();
}

void TMainForm::ClearFields() {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* component = Components(i);
    if (auto* check = dynamic_cast<TUcCheckBox*>(component))
      check->SetChecked(false);
    else if (auto* combo = dynamic_cast<TUcComboBox*>(component))
      combo->SetItemIndex(combo == cbPorts ? combo->ItemIndex() : -1);
    else if (auto* edit = dynamic_cast<TUcAlignedEdit*>(component))
      edit->SetText(std::wstring());
  }
  for (TUcPanel* panel : {pClassCode, pMoisture, pAlarmRelayOn, pAlarmRelayOff})
    panel->SetCaption(std::wstring());
  const auto sizeLabels = SizeLabels();
  for (size_t i = 0; i < sizeLabels.size(); ++i)
    sizeLabels[i]->SetCaption(designSizeCaptions_[i]);
}

std::array<TUcLabel*, kResultChannels> TMainForm::SizeLabels() const {
  return {lPartLimits1, lPartLimits2, lPartLimits3, lPartLimits4};
}

void TMainForm::ConfigureForDeviceType() {
  const bool fourChannels = device_->DeviceType == dtKvmf;
  {
    TChangeMute mute(cbRepStandard);
    SetItems(cbRepStandard, WideItems(fourChannels ? "ISO" : "ISO,NAS"));
  }
  ShowAll({lMoistureLimit, edMoistLimit, lMoistureLimitRH}, !fourChannels);
  cbPartLimits4->SetVisible(fourChannels);
  cbPartLimits4->OnChange =
      fourChannels ? Method<&TMainForm::OnDataEntryFieldChanged>(this) : TNotifyEvent();
  lPartLimits4->SetVisible(fourChannels);
}

void TMainForm::ApplyOptionFlags() {
  const uint8_t flags = device_->OptionFlags;
  EnableAll({lManuallyOpRelay, btnRelayStateSet, btnRelayStateClear, lRelayState, pAlarmRelayOn,
             pAlarmRelayOff},
            (flags & ofRelay) != 0);
  EnableAll({lOrientation, cbOrientation, lBrightness, cbBrightness}, (flags & ofDisplay) != 0);
  const bool voltage = (flags & ofVoltageOutput) != 0;
  const bool j1939 = (flags & ofJ1939Output) != 0;
  lVoltageRange->SetCaption(GetLangText(txVoltageRange));
  cbVoltageRange->SetEnabled(voltage);
  cbVoltageRange->SetVisible(true);
  btnSAEJ1939Set->SetVisible(false);
  btnSAEJ1939Clear->SetVisible(false);
  if (!voltage && j1939) {
    lVoltageRange->SetCaption(std::wstring());
    cbVoltageRange->SetVisible(false);
  }
  btnSAEJ1939Set->SetEnabled(false);
  btnSAEJ1939Clear->SetEnabled(false);
  if (j1939 && !voltage) {
    lVoltageRange->SetCaption(GetLangText(txJ1939));
    btnSAEJ1939Set->SetVisible(true);
    btnSAEJ1939Clear->SetVisible(true);
  }
  lVoltageRange->SetEnabled(voltage || j1939);
}

void TMainForm::SetReportingStandard(const std::string& standard, const std::string& dust) {
  TUcComboBox* const limits[] = {cbPartLimits1, cbPartLimits2, cbPartLimits3, cbPartLimits4};
  const auto labels = SizeLabels();
  if (standard == "ISO") {
    const std::vector<std::wstring> items = WideItems(kIsoLimits);
    for (TUcComboBox* box : limits)
      SetItems(box, items);
    for (int i = 0; i < 3; ++i)
      limits[i]->SetVisible(true);
    cbPartLimits4->SetVisible(device_->DeviceType == dtKvmf);
    const wchar_t* const* sizes = nullptr;
    static const wchar_t* const kAcftd[] = {L"2\u00B5", L"5\u00B5", L"15\u00B5", L"37\u00B5"};
    static const wchar_t* const kMtd[] = {L"4\u00B5", L"6\u00B5", L"14\u00B5", L"30\u00B5"};
    if (dust == "ACFTD")
      sizes = kAcftd;
    else if (dust == "MTD")
      sizes = kMtd;
    if (sizes)
      for (int i = 0; i < 4; ++i)
        labels[i]->SetCaption(sizes[i]);
  } else if (standard == "NAS") {
    SetItems(cbPartLimits1, WideItems(kNasLimits));
    cbPartLimits1->SetVisible(true);
    for (int i = 1; i < 4; ++i) {
      limits[i]->SetVisible(false);
      limits[i]->SetItemIndex(-1);
    }
    for (TUcLabel* label : labels)
      label->SetCaption(std::wstring());
  } else {
    return;
  }
  for (int32_t& limit : device_->PartLimits)
    limit = kNoLimit;
}

void TMainForm::SetPartLimitsFromReply(const std::string& reply) {
  TUcComboBox* const boxes[] = {cbPartLimits1, cbPartLimits2, cbPartLimits3, cbPartLimits4};
  const std::vector<std::string> items = SplitCommas(reply);
  for (size_t i = 0; i < kResultChannels; ++i) {
    device_->PartLimits[i] = kNoLimit;
    if (i >= items.size())
      continue;
    std::string item = Trim(items[i]);
    if (item != "*") {
      const int value = StrToIntDef(item, -1);
      item = IntToStr(value);
      if (value != -1)
        device_->PartLimits[i] = value;
    }
    SelectItem(boxes[i], AnsiToWide(item));
  }
}

// Items drawn centred on the colours the combo box prepared.
void TMainForm::OnCenterCombobox(TWinControl* control, int index, const TRect& rect,
                                 TOwnerDrawState state) {
  auto* combo = dynamic_cast<TUcComboBox*>(control);
  if (!combo)
    return;
  TCanvas* canvas = combo->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(state.Contains(odSelected) ? clHighlight : clWindow);
  canvas->FillRect(rect);
  if (index < 0)
    return;
  const std::wstring text = combo->Items()->Strings(index);
  const int width = canvas->TextWidth(WideToAnsi(text));
  const int x = rect.left + (rect.Width() - width) / 2;
  TextOutW(canvas->Handle(), x, rect.top, text.c_str(), static_cast<int>(text.size()));
}

// ---- Result display and status bar ----------------------------------------------------------

void TMainForm::FlashTimerTimer(TObject*) {
  TTimerPause pause(FlashTimer);
  if (device_->ReportingStandard == stISO)
    ShowIsoCode();
  else if (device_->ReportingStandard == stNAS)
    ShowNasClass();
  ShowMoisture();
  if (++blinkCounter_ > 4)
    blinkCounter_ = 0;
}

void TMainForm::ShowIsoCode() {
  const std::string* results = device_->Results;
  const bool fourChannels = device_->DeviceType == dtKvmf;
  const std::string first = LowerCase(results[0]);
  if (first == "no data" || first.find("--/--/--") != std::string::npos) {
    ShowClassCode(fourChannels ? L"--/--/--/--" : L"--/--/--");
    return;
  }
  if (results[0].empty() || results[1].empty() || results[2].empty())
    return;
  std::wstring parts[kResultChannels] = {L"--", L"--", L"--", L"--"};
  for (int i = 0; i < kResultChannels; ++i) {
    if (results[i].empty())
      continue;
    parts[i] = AnsiToWide(results[i]);
    if (BlankPhase(ParseLimit(parts[i]), device_->PartLimits[i], blinkCounter_))
      parts[i] = L"  ";
  }
  std::wstring text = parts[0] + L"/" + parts[1] + L"/" + parts[2];
  if (fourChannels)
    text += L"/" + parts[3];
  for (wchar_t& c : text)
    if (c == L'>')
      c = L'\x2265';
  ShowClassCode(text);
}

void TMainForm::ShowNasClass() {
  const std::string& result = device_->Results[0];
  if (IsNoData(result)) {
    ShowClassCode(L"--");
    return;
  }
  if (result.empty())
    return;
  const bool blank = BlankPhase(StrToIntDef(result, -1), device_->PartLimits[0], blinkCounter_);
  ShowClassCode(blank ? L"  " : AnsiToWide(result));
}

void TMainForm::ShowMoisture() {
  const std::string& moisture = device_->Moisture;
  if (moisture.empty())
    return;
  std::wstring text = L"--";
  if (!IsNoData(moisture))
    text = BlankPhase(StrToIntDef(moisture, -1), device_->MoistureLimit, blinkCounter_)
               ? std::wstring()
               : AnsiToWide(moisture);
  pMoisture->SetCaption(text);
}

// Four channels need the small font to fit.
void TMainForm::ShowClassCode(const std::wstring& text) {
  pClassCode->SetCaption(text);
  const int size = CountWideChar(text, L'/') > 2 ? 9 : pMoisture->Font()->Size();
  if (pClassCode->Font()->Size() != size)
    pClassCode->Font()->SetSize(size);
}

std::string TMainForm::StateText(const std::string& reply) const {
  const std::string upper = UpperCase(reply);
  for (int i = 0; i < kStateCount; ++i)
    if (upper == kStateWords[i])
      return stateTexts_[i];
  return reply;
}

void TMainForm::UpdateStatusBar() {
  TUcStatusPanels* panels = StatusBar->Panels();
  const bool connected = engine_->IsConnected();
  panels->Items(0)->SetText(GetLangText(connected ? txConnected : txNotConnected));
  panels->Items(1)->SetText(connected ? AnsiToWide(StateText(device_->StateText)) : std::wstring());
}
