#include "frmSettings.h"

#include "FileUtils.h"
#include "Registry.h"
#include "SysUtils.h"
#include "System.h"
#include "uTerminalText.h"
#include "uToolbox.h"

#include <shlobj.h>

#include <tuple>

namespace {

constexpr UINT kSetShield = 0x160C;  // BCM_SETSHIELD
// The panel keeps this height, so that it ends above the buttons.
constexpr int kContainerHeight = 244;
// btnRegisterExt.Tag: the association is missing and the button writes it.
constexpr int kOffersRegistration = 1;
constexpr int kNone = 27;

TAssociationSystem& System() {
  static TAssociationSystem system;
  return system;
}

std::string ProgramPath() {
  if (System().ProgramPath)
    return System().ProgramPath();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

uint32_t RemovableDrives() {
  return System().RemovableDrives ? System().RemovableDrives() : GetRemovableDrives();
}

bool UserIsAdmin() {
  return System().UserIsAdmin ? System().UserIsAdmin() : IsUserAdmin();
}

void WriteClassesKey(const std::string& key, const std::optional<std::string>& value) {
  if (System().WriteKey) {
    System().WriteKey(key, value);
    return;
  }
  TOwned<TRegistry> registry(Create<TRegistry>());
  registry->SetRootKey(HKEY_CLASSES_ROOT);
  if (!value) {
    if (!registry->CreateKey(key))
      throw ERegistryException::CreateFmt("Failed to create key %s", key);
    return;
  }
  if (!registry->OpenKey(key, true))
    throw ERegistryException::CreateFmt("Failed to create key %s", key);
  registry->WriteString("", *value);
  registry->CloseKey();
}

// The default value of a key below HKEY_CLASSES_ROOT; false when the key is
// missing. A value that is no string raises.
bool ReadClassesValue(TRegistry& registry, const std::string& key, std::string& value) {
  if (!registry.OpenKeyReadOnly("\\" + key))
    return false;
  value = registry.ReadString("");
  return true;
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// Only a selection is stored: a field whose value the list does not hold
// keeps it.
void StoreIndex(TCustomComboBox* combo, TSettings* settings, void (TSettings::*set)(uint8_t)) {
  if (combo->ItemIndex() >= 0)
    (settings->*set)(static_cast<uint8_t>(combo->ItemIndex()));
}

std::string SelectedText(TComboBox* combo) {
  return combo->ItemIndex() >= 0 ? combo->Items()->Strings(combo->ItemIndex()) : "";
}

int PortItemNumber(const std::string& item) {
  return ComPortNumber(item, 0);
}

int BaudItemNumber(const std::wstring& item) {
  return StrToIntDef(WideToAnsi(item), 0);
}

// The index of the item that shows a value. One the list lacks joins it
// where its number belongs: it is kept unless the user picks another.
template <typename S>
int KeptItemIndex(TStringsBase<S>* items, const S& shown, int value, int (*number)(const S&)) {
  int index = items->IndexOf(shown);
  if (index >= 0)
    return index;
  index = 0;
  while (index < items->Count() && number(items->Strings(index)) < value)
    ++index;
  items->Insert(index, shown);
  return index;
}

void SetWideItem(TUcComboBox* combo, int index, const std::wstring& text) {
  const int selected = combo->ItemIndex();
  combo->Items()->SetStrings(index, text);
  combo->SetItemIndex(selected);
}

}  // namespace

bool TPortSettings::operator==(const TPortSettings& other) const {
  return std::tie(Port, Baud, Databits, Parity, Stopbits, FlowControl) ==
         std::tie(other.Port, other.Baud, other.Databits, other.Parity, other.Stopbits,
                  other.FlowControl);
}

TPortSettings PortSettingsOf(const TSettings& settings) {
  TPortSettings port;
  port.Port = settings.Port();
  port.Baud = settings.Baud();
  port.Databits = settings.Databits();
  port.Parity = settings.Parity();
  port.Stopbits = settings.Stopbits();
  port.FlowControl = settings.FlowControl();
  return port;
}

void SetAssociationSystem(const TAssociationSystem& system) {
  System() = system;
}

std::string AssociationProgId() {
  return WideToAnsi(LangText(0) + L" " + LangText(7));
}

std::string AssociationCommand(const std::string& exe) {
  // Quoted, so that a path with blanks reaches the program as one parameter.
  return "\"" + exe + "\" \"%1\"";
}

VEL_COMPONENT_IMPL(TSettingsForm, TForm)

void TSettingsForm::Publish(TPublisher<TSettingsForm>& p) {
  p.Field<&TSettingsForm::pContainer>("pContainer");
  p.Field<&TSettingsForm::lPort>("lPort");
  p.Field<&TSettingsForm::cbPort>("cbPort");
  p.Field<&TSettingsForm::lBaud>("lBaud");
  p.Field<&TSettingsForm::cbBaud>("cbBaud");
  p.Field<&TSettingsForm::lDatabits>("lDatabits");
  p.Field<&TSettingsForm::cbDatabits>("cbDatabits");
  p.Field<&TSettingsForm::lParity>("lParity");
  p.Field<&TSettingsForm::cbParity>("cbParity");
  p.Field<&TSettingsForm::lStopbits>("lStopbits");
  p.Field<&TSettingsForm::cbStopbits>("cbStopbits");
  p.Field<&TSettingsForm::lFlowcontrol>("lFlowcontrol");
  p.Field<&TSettingsForm::cbFlowControl>("cbFlowControl");
  p.Field<&TSettingsForm::lTerminator>("lTerminator");
  p.Field<&TSettingsForm::cbTerminator>("cbTerminator");
  p.Field<&TSettingsForm::lColor>("lColor");
  p.Field<&TSettingsForm::pUserColor>("pUserColor");
  p.Field<&TSettingsForm::pCommentColor>("pCommentColor");
  p.Field<&TSettingsForm::pDeviceColor>("pDeviceColor");
  p.Field<&TSettingsForm::lColorHint>("lColorHint");
  p.Field<&TSettingsForm::lOptions>("lOptions");
  p.Field<&TSettingsForm::cbLocalEcho>("cbLocalEcho");
  p.Field<&TSettingsForm::btnOk>("btnOk");
  p.Field<&TSettingsForm::btnCancel>("btnCancel");
  p.Field<&TSettingsForm::btnRegisterExt>("btnRegisterExt");
  p.Field<&TSettingsForm::ColorDlg>("ColorDlg");
  p.Method<&TSettingsForm::FormCreate>("FormCreate");
  p.Method<&TSettingsForm::btnOkClick>("btnOkClick");
  p.Method<&TSettingsForm::OnColorClick>("OnColorClick");
  p.Method<&TSettingsForm::btnRegisterExtClick>("btnRegisterExtClick");
}

void TSettingsForm::FormCreate(TObject*) {
  settings_ = nullptr;
  UpdateCaptions();
  EnumComPorts(cbPort->Items(), false);
  for (TUcPanel* panel : {pUserColor, pCommentColor, pDeviceColor}) {
    panel->SetParentBackground(false);
    panel->SetColor(clWindow);
  }
  ShowAssociationState();
  pCommentColor->SetVisible(false);
  lColorHint->SetTop(lColorHint->Top() - pCommentColor->Height());
  cbLocalEcho->SetLeft(247);
  cbLocalEcho->SetTop(139);
  SetHeight(Height() - (pContainer->Height() - kContainerHeight));
  pContainer->SetHeight(kContainerHeight);
}

void TSettingsForm::UpdateCaptions() {
  SetCaption(LangText8(7));
  const std::pair<TUcLabel*, int> labels[] = {
      {lPort, 8},         {lBaud, 9},        {lDatabits, 10}, {lParity, 11},    {lStopbits, 12},
      {lFlowcontrol, 13}, {lTerminator, 14}, {lColor, 15},    {lColorHint, 20}, {lOptions, 16},
  };
  for (const auto& label : labels)
    label.first->SetCaption(LangText(label.second));
  pUserColor->SetCaption(LangText(17));
  pCommentColor->SetCaption(LangText(18));
  pDeviceColor->SetCaption(LangText(19));
  cbLocalEcho->SetCaption(LangText(21));
  btnOk->SetCaption(LangText(1));
  btnCancel->SetCaption(LangText(2));
  btnRegisterExt->SetCaption(LangText(btnRegisterExt->Tag() == kOffersRegistration ? 65 : 64));
  for (int i = 0; i < cbParity->Items()->Count(); ++i)
    SetWideItem(cbParity, i, LangText(kNone + i));
  SetWideItem(cbFlowControl, 0, LangText(kNone));
  SetWideItem(cbTerminator, 0, LangText(kNone));
}

void TSettingsForm::LoadSettings() {
  const int port = settings_->Port();
  cbPort->SetItemIndex(
      KeptItemIndex(cbPort->Items(), "COM" + IntToStr(port), port, PortItemNumber));
  const int baud = settings_->Baud();
  cbBaud->SetItemIndex(
      KeptItemIndex(cbBaud->Items(), AnsiToWide(IntToStr(baud)), baud, BaudItemNumber));
  cbDatabits->SetItemIndex(settings_->Databits());
  cbParity->SetItemIndex(settings_->Parity());
  cbStopbits->SetItemIndex(settings_->Stopbits());
  cbFlowControl->SetItemIndex(settings_->FlowControl());
  cbTerminator->SetItemIndex(settings_->Terminator());
  pUserColor->Font()->SetColor(settings_->ColorUser());
  pCommentColor->Font()->SetColor(settings_->ColorComment());
  pDeviceColor->Font()->SetColor(settings_->ColorDevice());
  cbLocalEcho->SetChecked(settings_->LocalEcho());
}

void TSettingsForm::StoreSettings() {
  settings_->SetPort(ComPortNumber(SelectedText(cbPort), 1));
  if (cbBaud->ItemIndex() >= 0)
    settings_->SetBaud(
        StrToIntDef(WideToAnsi(cbBaud->Items()->Strings(cbBaud->ItemIndex())), 9600));
  StoreIndex(cbDatabits, settings_, &TSettings::SetDatabits);
  StoreIndex(cbParity, settings_, &TSettings::SetParity);
  StoreIndex(cbStopbits, settings_, &TSettings::SetStopbits);
  StoreIndex(cbFlowControl, settings_, &TSettings::SetFlowControl);
  StoreIndex(cbTerminator, settings_, &TSettings::SetTerminator);
  settings_->SetColorUser(pUserColor->Font()->Color());
  settings_->SetColorComment(pCommentColor->Font()->Color());
  settings_->SetColorDevice(pDeviceColor->Font()->Color());
  settings_->SetLocalEcho(cbLocalEcho->Checked());
}

void TSettingsForm::btnOkClick(TObject*) {
  StoreSettings();
  SetModalResult(mrOk);
}

void TSettingsForm::OnColorClick(TObject* sender) {
  auto* panel = static_cast<TUcPanel*>(sender);
  ColorDlg->SetColor(panel->Font()->Color());
  if (ColorDlg->Execute())
    panel->Font()->SetColor(ColorDlg->Color());
}

// ---- File association -----------------------------------------------------------------

void TSettingsForm::btnRegisterExtClick(TObject*) {
  try {
    WriteAssociation();
    SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr);
  } catch (const std::exception&) {
    // Without the rights the button keeps offering the registration.
  }
  if (IsExtensionRegistered())
    ShowRegistered();
}

void TSettingsForm::WriteAssociation() {
  const std::string progId = AssociationProgId();
  const std::string exe = ProgramPath();
  WriteClassesKey(kSettingsFileExt, progId);
  WriteClassesKey(progId, std::nullopt);
  WriteClassesKey(progId + "\\DefaultIcon", exe + "," + IntToStr(kSettingsFileIcon));
  WriteClassesKey(progId + "\\Shell\\Open\\Command", AssociationCommand(exe));
}

bool TSettingsForm::IsExtensionRegistered() {
  try {
    const std::string progId = AssociationProgId();
    const std::string exe = ProgramPath();
    TOwned<TRegistry> registry(Create<TRegistry>(KEY_READ));
    registry->SetRootKey(HKEY_CLASSES_ROOT);
    std::string value;
    if (!ReadClassesValue(*registry, kSettingsFileExt, value) || value != progId)
      return false;
    if (!registry->KeyExists("\\" + progId))
      return false;
    if (!ReadClassesValue(*registry, progId + "\\DefaultIcon", value) || !StartsWith(value, exe))
      return false;
    return ReadClassesValue(*registry, progId + "\\Shell\\Open\\Command", value) &&
           value == AssociationCommand(exe);
  } catch (const std::exception&) {
    return false;
  }
}

bool TSettingsForm::NotOnRemovableDrive() {
  const std::string drive = LowerCase(ExtractFileDrive(ProgramPath()));
  if (drive.empty() || drive[0] < 'a' || drive[0] > 'z')
    return true;
  return (RemovableDrives() & (1u << (drive[0] - 'a'))) == 0;
}

void TSettingsForm::ShowAssociationState() {
  btnRegisterExt->SetVisible(NotOnRemovableDrive());
  if (!btnRegisterExt->Visible())
    return;
  if (IsExtensionRegistered())
    ShowRegistered();
  else
    ShowMissing();
}

void TSettingsForm::ShowRegistered() {
  btnRegisterExt->SetEnabled(false);
  btnRegisterExt->SetCaption(LangText(64));
  btnRegisterExt->SetTag(0);
  SetShield(false);
}

void TSettingsForm::ShowMissing() {
  btnRegisterExt->SetEnabled(UserIsAdmin());
  btnRegisterExt->SetCaption(LangText(65));
  btnRegisterExt->SetTag(kOffersRegistration);
  SetShield(true);
}

void TSettingsForm::SetShield(bool on) {
  SendMessageA(btnRegisterExt->Handle(), kSetShield, 0, on ? 1 : 0);
}

bool ExecuteSettingsDialog(TSettings* settings) {
  TOwned<TSettingsForm> form(Create<TSettingsForm>(nullptr));
  form->SetSettings(settings);
  form->LoadSettings();
  form->SetPopupParent(Application()->MainForm());
  return form->ShowModal() == mrOk;
}
