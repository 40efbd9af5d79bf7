#include "frmMain.h"

#include "Clipbrd.h"
#include "DateUtils.h"
#include "FileUtils.h"
#include "SysUtils.h"
#include "UcGraphics.h"
#include "UcSysUtils.h"
#include "System.h"
#include "frmASCII.h"
#include "frmAbout.h"
#include "frmSettings.h"
#include "uLanguages.h"
#include "uOneAppOnly.h"
#include "uTerminalText.h"
#include "uToolbox.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace {

constexpr TColor kContainerColor = 0x000ECBFE;
constexpr char kSettingsExt[] = ".vtcfg";
constexpr char kTextExt[] = ".txt";
// Colour-table entries of the terminal.
constexpr uint8_t kBackground = 0;
constexpr uint8_t kDeviceColor = 1;
constexpr uint8_t kUserColor = 2;
constexpr int kLanguages = 9;
// Posted to itself to load a handed file once the sender has its answer.
constexpr UINT WM_LOAD_HANDED_FILE = WM_APP + 1;
// As long as a second start waits for the answer to its wake-up.
constexpr UINT kHandOverTimeoutMs = 2000;
// Longer is no file name.
constexpr DWORD kHandedNameLimit = 32768;

std::string& InstanceGuid() {
  static std::string guid = TerminalInstanceGuid;
  return guid;
}

std::string& SettingsFolder() {
  static std::string folder;
  return folder;
}

std::string TerminatorBytes(uint8_t terminator) {
  switch (terminator) {
    case 1:
      return "\n";
    case 2:
      return "\r";
    case 3:
      return "\r\n";
    case 4:
      return "\n\r";
    default:
      return "";
  }
}

// A byte from a settings file as one of the port's enumerations; a value
// past the last one gives the field's default.
template <typename E>
E EnumOrDefault(uint8_t value, E last, E fallback) {
  return value <= static_cast<uint8_t>(last) ? static_cast<E>(value) : fallback;
}

const char* TableText(uint8_t index, std::initializer_list<const char*> texts) {
  return index < texts.size() ? texts.begin()[index] : "?";
}

// Texts of the file commands.
constexpr int kLoadSettingsText = 59;
constexpr int kSaveSettingsText = 60;
constexpr int kSaveHistoryText = 61;

// A message about a file: its name on a line of its own, then the text.
std::wstring FileMessage(const std::string& name, const std::wstring& text) {
  return AnsiToWide(name) + L"\r\n" + text;
}

bool HasExtension(const std::string& name, const std::string& ext) {
  return LowerCase(ExtractFileExt(name)) == ext;
}

// What the command line, a drop or a second start may load.
bool IsSettingsFile(const std::string& name) {
  return FileExists(name) && HasExtension(name, kSettingsExt);
}

// The file name a WM_COPYDATA of a second start carries; empty when it
// carries none.
std::string HandedFileName(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kHandedSettingsFile || !data->lpData || data->cbData == 0 ||
      data->cbData > kHandedNameLimit)
    return "";
  const std::string bytes(static_cast<const char*>(data->lpData), data->cbData);
  return bytes.substr(0, bytes.find('\0'));
}

// Lines split at CR, LF or CR LF; a break at the very end adds no line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    lines.push_back(line);
    line.clear();
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

// Keeps a window disabled for its scope.
class TDisabledWindow {
 public:
  explicit TDisabledWindow(TControl* control) : control_(control) { control_->SetEnabled(false); }
  ~TDisabledWindow() { control_->SetEnabled(true); }
  TDisabledWindow(const TDisabledWindow&) = delete;
  TDisabledWindow& operator=(const TDisabledWindow&) = delete;

 private:
  TControl* control_;
};

// Ends a drop however the handler leaves.
class TDropFinisher {
 public:
  explicit TDropFinisher(HDROP drop) : drop_(drop) {}
  ~TDropFinisher() { DragFinish(drop_); }
  TDropFinisher(const TDropFinisher&) = delete;
  TDropFinisher& operator=(const TDropFinisher&) = delete;

 private:
  HDROP drop_;
};

}  // namespace

bool HandSettingsFile(HWND window, const std::string& path) {
  COPYDATASTRUCT data{kHandedSettingsFile, static_cast<DWORD>(path.size() + 1),
                      const_cast<char*>(path.c_str())};
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kHandOverTimeoutMs, &answer) &&
         answer == 1;
}

void SetInstanceGuid(const std::string& guid) {
  InstanceGuid() = guid;
}

void SetSettingsFolder(const std::string& folder) {
  SettingsFolder() = folder;
}

VEL_COMPONENT_IMPL(TMainForm, TForm)

void TMainForm::Publish(TPublisher<TMainForm>& p) {
  p.Field<&TMainForm::ToolBar1>("ToolBar1");
  p.Field<&TMainForm::tbExit>("tbExit");
  p.Field<&TMainForm::tbConnect>("tbConnect");
  p.Field<&TMainForm::tbSave>("tbSave");
  p.Field<&TMainForm::tbClear>("tbClear");
  p.Field<&TMainForm::tbCopy>("tbCopy");
  p.Field<&TMainForm::tbPaste>("tbPaste");
  p.Field<&TMainForm::tbASCII>("tbASCII");
  p.Field<&TMainForm::tbPasswdMode>("tbPasswdMode");
  p.Field<&TMainForm::tbSettings>("tbSettings");
  p.Field<&TMainForm::pContainer>("pContainer");
  p.Field<&TMainForm::lMode>("lMode");
  p.Field<&TMainForm::StatusBar1>("StatusBar1");
  p.Field<&TMainForm::ActionList1>("ActionList1");
  p.Field<&TMainForm::HistoryClearAction>("HistoryClearAction");
  p.Field<&TMainForm::HistorySaveAction>("HistorySaveAction");
  p.Field<&TMainForm::HistoryCopyAction>("HistoryCopyAction");
  p.Field<&TMainForm::FileExitAction>("FileExitAction");
  p.Field<&TMainForm::HelpAboutAction>("HelpAboutAction");
  p.Field<&TMainForm::FileSettingsAction>("FileSettingsAction");
  p.Field<&TMainForm::OptASCIIAction>("OptASCIIAction");
  p.Field<&TMainForm::FileLoadAction>("FileLoadAction");
  p.Field<&TMainForm::FileSaveAction>("FileSaveAction");
  p.Field<&TMainForm::HistoryPasteAction>("HistoryPasteAction");
  p.Field<&TMainForm::PasswdModeAction>("PasswdModeAction");
  p.Field<&TMainForm::MainMenu1>("MainMenu1");
  p.Field<&TMainForm::mmFile>("mmFile");
  p.Field<&TMainForm::mmHistory>("mmHistory");
  p.Field<&TMainForm::mmOptions>("mmOptions");
  p.Field<&TMainForm::miLanguage>("miLanguage");
  p.Field<&TMainForm::mmHelp>("mmHelp");
  p.Field<&TMainForm::puHistory>("puHistory");
  p.Field<&TMainForm::il16x16>("il16x16");
  p.Field<&TMainForm::il24x24>("il24x24");
  p.Field<&TMainForm::il24x24Gray>("il24x24Gray");
  p.Field<&TMainForm::ApplicationEvents1>("ApplicationEvents1");
  p.Field<&TMainForm::OpenDlg>("OpenDlg");
  p.Field<&TMainForm::SaveDlg>("SaveDlg");
  p.Method<&TMainForm::FormCreate>("FormCreate");
  p.Method<&TMainForm::FormClose>("FormClose");
  p.Method<&TMainForm::FormDestroy>("FormDestroy");
  p.Method<&TMainForm::FormKeyDown>("FormKeyDown");
  p.Method<&TMainForm::FormKeyUp>("FormKeyUp");
  p.Method<&TMainForm::tbConnectClick>("tbConnectClick");
  p.Method<&TMainForm::termHistoryKeyPress>("termHistoryKeyPress");
  p.Method<&TMainForm::ApplicationEvents1Activate>("ApplicationEvents1Activate");
  p.Method<&TMainForm::ApplicationEvents1Exception>("ApplicationEvents1Exception");
  p.Method<&TMainForm::FileExitActionExecute>("FileExitActionExecute");
  p.Method<&TMainForm::FileLoadActionExecute>("FileLoadActionExecute");
  p.Method<&TMainForm::FileLoadActionUpdate>("FileLoadActionUpdate");
  p.Method<&TMainForm::FileSaveActionExecute>("FileSaveActionExecute");
  p.Method<&TMainForm::FileSettingsActionExecute>("FileSettingsActionExecute");
  p.Method<&TMainForm::HistoryClearActionExecute>("HistoryClearActionExecute");
  p.Method<&TMainForm::HistoryCopyActionExecute>("HistoryCopyActionExecute");
  p.Method<&TMainForm::HistoryActionUpdate>("HistoryActionUpdate");
  p.Method<&TMainForm::HistoryPasteActionExecute>("HistoryPasteActionExecute");
  p.Method<&TMainForm::HistoryPasteActionUpdate>("HistoryPasteActionUpdate");
  p.Method<&TMainForm::HistorySaveActionExecute>("HistorySaveActionExecute");
  p.Method<&TMainForm::OptASCIIActionExecute>("OptASCIIActionExecute");
  p.Method<&TMainForm::OptASCIIActionUpdate>("OptASCIIActionUpdate");
  p.Method<&TMainForm::PasswdModeActionExecute>("PasswdModeActionExecute");
  p.Method<&TMainForm::HelpAboutActionExecute>("HelpAboutActionExecute");
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {}

TMainForm::~TMainForm() = default;

// ---- Start-up and shutdown ---------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
  CheckSingleInstance();
  ToolBar1->SetDrawingStyle(dsGradient);
  MakeGrayImageList(il24x24, il24x24Gray);
  CreateRuntimeControls();
  pContainer->SetParentBackground(false);
  pContainer->SetColor(kContainerColor);
  settings_.reset(SettingsFolder().empty() ? Create<TSettings>()
                                           : Create<TSettings>(SettingsFolder()));
  LoadCommandLineFile();
  keyConsumed_ = false;
  termHistory->SetHeight(pContainer->ClientHeight() - termHistory->Top() - 4);
  termHistory->SetScrollBackRows(3000);
  termHistory->ClearTerminal();
  SetCaption(Application()->Title());
  SetLanguageId(settings_->Language());
  passwordMode_ = false;
  SetAcceptFiles(true);
  BuildLanguageMenu();
  UpdateCaptions();
  ApplySettings(false);
  if (Screen()->Width() <= 800)
    SetWindowState(wsMaximized);
}

void TMainForm::CheckSingleInstance() {
  TOwned<TOneAppOnly> guard(Create<TOneAppOnly>(InstanceGuid(), IsTerminalMainWindow));
  if (!guard->AlreadyRunning())
    return;
  const HWND running = guard->ActivateRunningInstance(WM_ACTIVATE_INSTANCE);
  // The file this start was asked to open goes to the instance it woke.
  if (running && ParamCount() >= 1) {
    const std::string file = ExpandFileName(ParamStr(1));
    if (!file.empty())
      HandSettingsFile(running, file);
  }
  Application()->SetShowMainForm(false);
  Application()->Terminate();
  Halt(1);
}

void TMainForm::CreateRuntimeControls() {
  ComPort = Create<TVelComPort>(this);
  ComPort->SetBaudRate(brUser);
  ComPort->SetUserBaudRate(9600);
  ComPort->OnDataRecived = Method<&TMainForm::PortDataReceived>(this);
  ComPort->OnPortClose = Method<&TMainForm::PortClosed>(this);

  textViewFont_.reset(Create<TFont>());
  textViewFont_->SetName("Fixedsys");
  textViewFont_->SetHeight(-16);
  textViewFont_->SetPitch(fpFixed);
  textViewFont_->SetCharset(DEFAULT_CHARSET);
  textViewFont_->SetColor(clWindowText);

  termHistory = Create<TVelTerminal>(this);
  termHistory->SetParent(pContainer);
  termHistory->SetCaretBlinkTime(530);
  termHistory->Font()->Assign(textViewFont_.get());
  termHistory->SetParentColor(false);
  termHistory->SetParentFont(false);
  termHistory->SetPopupMenu(puHistory);
  termHistory->SetTerminalCaret(ctBlock);
  termHistory->SetUserDataSize(1);
  termHistory->SetVisible(false);
  termHistory->SetBounds(5, 23, 782, 597);
  termHistory->SetAnchors({akLeft, akTop, akRight, akBottom});
  termHistory->SetOptions({loCanSelect});
  termHistory->OnKeyDown = Method<&TMainForm::FormKeyDown>(this);
  termHistory->OnKeyPress = Method<&TMainForm::termHistoryKeyPress>(this);
  termHistory->OnKeyUp = Method<&TMainForm::FormKeyUp>(this);
}

void TMainForm::LoadCommandLineFile() {
  if (ParamCount() < 1)
    return;
  const std::string name = ParamStr(1);
  if (IsSettingsFile(name) && !ComPort->Active())
    settings_->LoadFromFile(ExpandFileName(name));
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  ClosePort();
}

void TMainForm::FormDestroy(TObject*) {
  settings_.reset();
}

void TMainForm::CreateWnd() {
  TForm::CreateWnd();
  DragAcceptFiles(WindowHandle(), acceptFiles_);
}

void TMainForm::SetAcceptFiles(bool accept) {
  acceptFiles_ = accept;
  if (HandleAllocated())
    DragAcceptFiles(WindowHandle(), accept);
}

void TMainForm::SetLanguageId(uint8_t language) {
  languageId_ = language;
  SetTextLanguage(language);
}

// ---- Settings to port and view -------------------------------------------------------

void TMainForm::ApplySettings(bool keepPortSettings) {
  if (!keepPortSettings) {
    // A number outside the port's 16 bits would open another port.
    const int32_t port = settings_->Port();
    ComPort->SetComNumber(port >= 1 && port <= 65535 ? static_cast<uint16_t>(port) : 0);
    ComPort->SetUserBaudRate(settings_->Baud());
    ComPort->SetDatabits(EnumOrDefault(settings_->Databits(), db8, db8));
    ComPort->SetParity(EnumOrDefault(settings_->Parity(), paSpace, paNone));
    ComPort->SetStopbits(EnumOrDefault(settings_->Stopbits(), sbTwo, sbOne));
    ComPort->SetFlowControl(EnumOrDefault(settings_->FlowControl(), fwDtrDsr, fwNone));
  }
  ShowTerminalView();
  for (int i = 0; i < ActionList1->ActionCount(); ++i)
    ActionList1->Actions(i)->Update();
  UpdateStatusBar();
}

void TMainForm::ShowTerminalView() {
  termHistory->SetColor(clWindow);
  termHistory->Font()->SetColor(clWindowText);
  termHistory->SetSelectedColor(clHighlight);
  termHistory->SetSelectedTextColor(clHighlightText);
  termHistory->SetTermColorMode(cmC16_16);
  TVelTRMColorTable table;
  termHistory->GetColorTable(table);
  table[kBackground] = termHistory->Color();
  table[kDeviceColor] = settings_->ColorDevice();
  table[kUserColor] = settings_->ColorUser();
  termHistory->SetColorTable(table);
  lMode->SetCaption(LangText(41) + L":");
  termHistory->SetVisible(true);
  termHistory->FlushDisplay();
}

// ---- Connecting ------------------------------------------------------------------------

void TMainForm::tbConnectClick(TObject*) {
  bool opened = false;
  if (ComPort->Active()) {
    ClosePort();
  } else {
    ApplySettings(false);
    OpenPort();
    opened = ComPort->Active();
  }
  ShowConnectState();
  if (opened && termHistory->CanFocus())
    termHistory->SetFocus();
  UpdateStatusBar();
  keyConsumed_ = false;
}

void TMainForm::ShowConnectState() {
  const bool open = ComPort->Active();
  tbConnect->SetCaption(LangText(open ? 38 : 37));
  tbConnect->SetImageIndex(open ? 0 : 1);
  SetAcceptFiles(!open);
  if (HintsFromCaptions())
    tbConnect->SetHint(tbConnect->Caption());
}

bool TMainForm::HintsFromCaptions() const {
  return !ToolBar1->ShowCaptions() && ToolBar1->ShowHint();
}

void TMainForm::OpenPort() {
  try {
    ComPort->SetActive(true);
    ComPort->PurgeRX();
    ComPort->PurgeTX();
  } catch (const Exception&) {
    // The box says the port could not be opened: it must not stay open
    // behind it when only a purge failed.
    try {
      ComPort->SetActive(false);
    } catch (const Exception&) {
    }
    ShowMessageBoxW(Handle(), LangText(51) + std::to_wstring(settings_->Port()), LangText(50),
                    MB_ICONERROR);
  }
}

void TMainForm::ClosePort() {
  ComPort->SetActive(false);
}

// Also when the port closed by itself, its device gone: the form shows the
// state the port is in.
void TMainForm::PortClosed(TObject*) {
  ShowConnectState();
  UpdateStatusBar();
  keyConsumed_ = false;
}

// A lost device is told in the user's language, after its port closed;
// every other failure gets the standard box.
void TMainForm::ApplicationEvents1Exception(TObject*, const std::exception_ptr& error) {
  if (!IsDeviceLost(error)) {
    Application()->ShowException(error);
    return;
  }
  ShowMessageBoxW(Handle(), LangText(72) + std::to_wstring(ComPort->ComNumber()), LangText(50),
                  MB_ICONERROR);
}

// ---- Receiving and sending -------------------------------------------------------------

void TMainForm::PortDataReceived(TObject*, int count) {
  TLockGuard lock(receiveLock_);
  // One read takes what the driver holds (a read per byte costs a driver
  // round trip each); bytes beyond it are read one by one, so that each byte
  // that cannot be read still gets its own line.
  std::string data(std::max(0, std::min(count, ComPort->InBufUsed())), '\0');
  if (!data.empty()) {
    try {
      ComPort->ReadData(&data[0], static_cast<int>(data.size()));
    } catch (const Exception&) {
      data.clear();
    }
  }
  for (int i = 0; i < count; ++i) {
    try {
      const char c = i < static_cast<int>(data.size()) ? data[i] : ComPort->ReadChar();
      termHistory->WriteColorChar(c, kBackground, kDeviceColor);
    } catch (const Exception& e) {
      DebugOutput(DateTimeToStr(Now()) + Format(": unexpected av (%s: %s) while reading from port",
                                                e.ClassName(), e.Message()));
    }
  }
  if (count > 0)
    termHistory->FlushDisplay();
}

void TMainForm::termHistoryKeyPress(TObject* sender, char& key) {
  const char typed = key;
  key = 0;
  if ((keyConsumed_ && sender) || !ComPort->Active())
    return;
  const std::string text =
      typed == '\r' ? TerminatorBytes(settings_->Terminator()) : std::string(1, typed);
  if (settings_->LocalEcho()) {
    for (char c : text) {
      const auto byte = static_cast<uint8_t>(c);
      const bool masked = passwordMode_ && byte >= 32 && byte != 128;
      termHistory->WriteColorChar(masked ? '*' : c, kBackground, kUserColor);
    }
    termHistory->FlushDisplay();
  }
  if (!text.empty())
    ComPort->SendString(text);
}

void TMainForm::FormKeyDown(TObject*, WORD& key, TShiftState shift) {
  if (!shift.Contains(ssCtrl) || !shift.Contains(ssShift) || key < 'A' || key > 'Z' ||
      !ComPort->Active())
    return;
  char code = static_cast<char>(key - 64);
  keyConsumed_ = true;
  key = 0;
  termHistoryKeyPress(nullptr, code);
}

void TMainForm::FormKeyUp(TObject*, WORD& key, TShiftState) {
  if (!keyConsumed_)
    return;
  keyConsumed_ = false;
  key = 0;
}

void TMainForm::ApplicationEvents1Activate(TObject*) {
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
  if (!ComPort->Active())
    return;
  try {
    termHistory->SetFocus();
  } catch (const std::exception&) {
  }
}

// ---- Captions, status bar and languages -------------------------------------------------

void TMainForm::UpdateTitle() {
  std::string title = LangText8(0);
  if (!settings_->IsDefaultFile())
    title += " [" + settings_->DisplayFileName() + "]";
  SetCaption(title);
}

void TMainForm::UpdateCaptions() {
  UpdateTitle();
  mmFile->SetCaption(LangText(35));
  mmHistory->SetCaption(LangText(40));
  mmOptions->SetCaption(LangText(16));
  miLanguage->SetCaption(LangText(49));
  mmHelp->SetCaption(LangText(36));
  lMode->SetCaption(LangText(41) + L":");
  ShowConnectState();
  SetActionCaptions();
  for (int i = 0; i < miLanguage->Count(); ++i)
    miLanguage->Items(i)->SetChecked(miLanguage->Items(i)->Tag() == languageId_);
  ToolBar1->Realign();
  UpdateStatusBar();
}

void TMainForm::SetActionCaptions() {
  const std::pair<TUcAction*, std::wstring> captions[] = {
      {HistoryClearAction, LangText(45)},
      {HistorySaveAction, LangText(61)},
      {HistoryCopyAction, LangText(46)},
      {FileExitAction, LangText(39)},
      {HelpAboutAction, LangText(3)},
      {FileSettingsAction, LangText(7)},
      {OptASCIIAction, LangText(43) + L" ASCII"},
      {FileLoadAction, LangText(59)},
      {FileSaveAction, LangText(60)},
      {HistoryPasteAction, LangText(47)},
      {PasswdModeAction, LangText(69)},
  };
  for (const auto& caption : captions)
    caption.first->SetCaption(caption.second);
  if (!HintsFromCaptions())
    return;
  for (int i = 0; i < ActionList1->ActionCount(); ++i) {
    auto* action = static_cast<TUcAction*>(ActionList1->Actions(i));
    action->SetHint(action->Caption());
  }
}

void TMainForm::UpdateStatusBar() {
  const std::wstring texts[4] = {
      AnsiToWide(Format("COM%d: %d,%s,%s,%s", settings_->Port(), settings_->Baud(),
                        TableText(settings_->Databits(), {"4", "5", "6", "7", "8"}),
                        TableText(settings_->Parity(), {"n", "o", "e", "m", "s"}),
                        TableText(settings_->Stopbits(), {"1", "1.5", "2"}))),
      LangText(ComPort->Active() ? 57 : 58),
      LangText(22),
      LangText(settings_->LocalEcho() ? 53 : 54),
  };
  // The bar measures with its own font on its window's DC.
  StatusBar1->Handle();
  for (int i = 0; i < 4; ++i) {
    TUcStatusPanel* panel = StatusBar1->Panels()->Items(i);
    panel->SetText(texts[i]);
    panel->SetWidth(CanvasWideTextWidth(StatusBar1->Canvas(), texts[i]) + 32);
  }
}

void TMainForm::BuildLanguageMenu() {
  miLanguage->Clear();
  for (int n = 0; n < kLanguages; ++n) {
    if (!LanguageAvailable(n))
      continue;
    auto* item = Create<TUcMenuItem>(this);
    item->TMenuItem::SetCaption(WideToAnsi(GetLanguageName(n)));
    item->SetTag(n);
    item->SetChecked(n == languageId_);
    item->OnClick = Method<&TMainForm::LanguageItemClick>(this);
    item->SetName("miLanguage" + std::to_string(n));
    miLanguage->Add(item);
  }
}

void TMainForm::LanguageItemClick(TObject* sender) {
  auto* item = static_cast<TMenuItem*>(sender);
  if (item->Tag() == languageId_)
    return;
  SetLanguageId(static_cast<uint8_t>(item->Tag()));
  settings_->SetLanguage(languageId_);
  if (settings_->IsDefaultFile())
    settings_->AutoSave();
  UpdateCaptions();
}

// ---- Settings files --------------------------------------------------------------------

void TMainForm::LoadSettingsFile(const std::string& path) {
  settings_->LoadFromFile(path);
  SetLanguageId(settings_->Language());
  HistoryClearAction->Execute();
  UpdateCaptions();
  ApplySettings(false);
}

void TMainForm::FileLoadActionExecute(TObject*) {
  OpenDlg->SetFilter(LangText8(7) + " (*" + kSettingsExt + ")|*" + kSettingsExt);
  OpenDlg->SetFilterIndex(1);
  OpenDlg->SetFileName("");
  if (OpenDlg->Execute())
    LoadSettingsFile(OpenDlg->FileName());
}

void TMainForm::FileLoadActionUpdate(TObject*) {
  FileLoadAction->SetEnabled(!ComPort->Active());
}

std::string TMainForm::SavedName(const std::string& ext) const {
  std::string name = SaveDlg->FileName();
  if (!name.empty() && name.back() == '.')
    name.pop_back();
  if (!HasExtension(name, ext))
    name += ext;
  return name;
}

std::string TMainForm::ChooseSaveName(const std::string& filter, const char* ext, int title) {
  SaveDlg->SetDefaultExt(ext + 1);
  SaveDlg->SetFilter(filter);
  SaveDlg->SetFilterIndex(1);
  SaveDlg->SetFileName("");
  // The question is asked here and not by the dialog, which would ask about
  // the name as typed, before its extension is made sure of.
  while (SaveDlg->Execute()) {
    const std::string name = SavedName(ext);
    if (!FileExists(name) || AskReplace(name, title))
      return name;
    SaveDlg->SetFileName(name);
  }
  return "";
}

bool TMainForm::AskReplace(const std::string& name, int title) {
  return ShowMessageBoxW(Handle(), FileMessage(name, LangText(73)), LangText(title),
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void TMainForm::ShowSaveFailure(const std::string& name, const std::wstring& reason) {
  ShowMessageBoxW(Handle(), FileMessage(name, LangText(74) + L"\r\n\r\n" + reason), LangText(50),
                  MB_ICONERROR);
}

void TMainForm::FileSaveActionExecute(TObject*) {
  const std::string name = ChooseSaveName(
      LangText8(7) + " (*" + kSettingsExt + ")|*" + kSettingsExt, kSettingsExt, kSaveSettingsText);
  if (name.empty())
    return;
  std::wstring reason;
  if (!settings_->SaveToFile(name, &reason)) {
    ShowSaveFailure(name, reason);
    return;
  }
  UpdateTitle();
}

void TMainForm::FileSettingsActionExecute(TObject*) {
  const TPortSettings before = PortSettingsOf(*settings_);
  if (!ExecuteSettingsDialog(settings_.get()))
    return;
  if (settings_->IsDefaultFile())
    settings_->AutoSave();
  // Field by field: joined numbers could read the same for other settings.
  if (!ComPort->Active() || PortSettingsOf(*settings_) == before) {
    ApplySettings(ComPort->Active());
    return;
  }
  tbConnect->Click();
  ApplySettings(false);
  tbConnect->Click();
  ShowMessageBoxW(Handle(), LangText(70), LangText(7), MB_ICONINFORMATION);
}

// ---- Terminal text ---------------------------------------------------------------------

void TMainForm::HistoryClearActionExecute(TObject*) {
  termHistory->ClearTerminal();
}

void TMainForm::HistoryCopyActionExecute(TObject*) {
  CopyTextToClipboard(termHistory->GetSelectedText());
}

void TMainForm::HistoryActionUpdate(TObject* sender) {
  if (sender == HistoryCopyAction)
    HistoryCopyAction->SetEnabled(termHistory->HasSelection());
  else
    static_cast<TCustomAction*>(sender)->SetEnabled(true);
}

void TMainForm::HistorySaveActionExecute(TObject*) {
  const std::string name =
      ChooseSaveName(LangText8(55) + " (*.txt)|*.txt", kTextExt, kSaveHistoryText);
  if (name.empty())
    return;
  std::string text;
  if (termHistory->LineCount() > 0)
    text = termHistory->GetTextRange(
        TPoint(0, 0), TPoint(termHistory->MaxLineLength() - 1, termHistory->LineCount() - 1));
  try {
    ReplaceFileContents(name, text);
  } catch (const EOSError& e) {
    ShowSaveFailure(name, Trim(WideSysErrorMessage(e.ErrorCode())));
  }
}

void TMainForm::HistoryPasteActionExecute(TObject*) {
  if (!IsClipboardFormatAvailable(CF_TEXT))
    return;
  PasteText(Clipboard()->AsText());
}

void TMainForm::HistoryPasteActionUpdate(TObject*) {
  HistoryPasteAction->SetEnabled(ComPort->Active() && IsClipboardFormatAvailable(CF_TEXT));
}

void TMainForm::PasteText(const std::string& text) {
  TDisabledWindow disabled(this);
  for (const std::string& line : SplitLines(text)) {
    SendPastedLine(line);
    WaitLine(GetTicks());
    if (!PasteGoesOn())
      return;
  }
}

bool TMainForm::PasteGoesOn() const {
  return ComPort->Active() && !Application()->Terminated();
}

void TMainForm::SendPastedLine(const std::string& line) {
  for (char c : line) {
    if (!WaitForRoom(1))
      return;
    termHistoryKeyPress(termHistory, c);
  }
  char cr = '\r';
  if (WaitForRoom(static_cast<int>(TerminatorBytes(settings_->Terminator()).size())))
    termHistoryKeyPress(termHistory, cr);
}

bool TMainForm::WaitForRoom(int bytes) {
  const DWORD start = GetTicks();
  while (PasteGoesOn() && ComPort->OutBufFree() < bytes) {
    // Out of time: the write goes ahead and reports the full ring.
    if (TicksSince(start) >= kPasteRoomTimeoutMs)
      return true;
    Application()->ProcessMessages();
    Sleep(10);
  }
  return PasteGoesOn();
}

void TMainForm::WaitLine(DWORD start) {
  while (TicksSince(start) < kPasteLineMs && !Application()->Terminated()) {
    Application()->ProcessMessages();
    Sleep(10);
  }
}

// ---- Other commands --------------------------------------------------------------------

void TMainForm::OptASCIIActionExecute(TObject*) {
  uint8_t code = 0;
  if (!ExecuteASCIIDialog(code))
    return;
  char key = static_cast<char>(code);
  termHistoryKeyPress(nullptr, key);
}

void TMainForm::OptASCIIActionUpdate(TObject*) {
  OptASCIIAction->SetEnabled(ComPort->Active());
}

void TMainForm::PasswdModeActionExecute(TObject*) {
  passwordMode_ = !passwordMode_;
  tbPasswdMode->SetDown(passwordMode_);
}

void TMainForm::HelpAboutActionExecute(TObject*) {
  ShowAboutBox();
}

void TMainForm::FileExitActionExecute(TObject*) {
  Close();
}

// ---- Messages from outside -------------------------------------------------------------

void TMainForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_DROPFILES:
      WMDropFiles(message);
      break;
    case WM_ACTIVATE_INSTANCE:
      WMRestoreInstance(message);
      break;
    case WM_COPYDATA:
      WMCopyData(message);
      break;
    case WM_LOAD_HANDED_FILE:
      LoadHandedFile();
      break;
    default:
      TForm::Dispatch(message);
  }
}

void TMainForm::WMDropFiles(TMessage& message) {
  const auto drop = reinterpret_cast<HDROP>(message.WParam);
  TDropFinisher finisher(drop);
  message.Result = 0;
  if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) < 1)
    return;
  const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  std::string name(length + 1, '\0');
  DragQueryFileA(drop, 0, &name[0], length + 1);
  name.resize(length);
  if (IsSettingsFile(name) && !ComPort->Active())
    LoadSettingsFile(name);
}

void TMainForm::WMCopyData(TMessage& message) {
  const std::string name = HandedFileName(reinterpret_cast<const COPYDATASTRUCT*>(message.LParam));
  message.Result = name.empty() ? 0 : 1;
  if (name.empty())
    return;
  // Not while the sender waits: loading may show a box.
  handedFiles_.push_back(name);
  PostMessageA(Handle(), WM_LOAD_HANDED_FILE, 0, 0);
}

void TMainForm::LoadHandedFile() {
  if (handedFiles_.empty())
    return;
  const std::string name = handedFiles_.front();
  handedFiles_.pop_front();
  if (!IsSettingsFile(name))
    return;
  // A drop would be refused: files are not taken while connected, and a
  // dialog or a paste works on the settings being shown.
  if (ComPort->Active() || !IsWindowEnabled(Handle())) {
    ShowMessageBoxW(Handle(), FileMessage(name, LangText(75)), LangText(kLoadSettingsText),
                    MB_ICONWARNING);
    return;
  }
  LoadSettingsFile(name);
}

void TMainForm::WMRestoreInstance(TMessage& message) {
  message.Result = 1;
  if (WindowState() == wsMinimized)
    SetWindowState(wsNormal);
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
}
