// The terminal program's settings dialog: port, line settings, terminator,
// colours and local echo, edited on the main form's settings object, which
// is written only on OK. Its button registers ".vtcfg" with the shell, so
// that opening a settings file starts the program with it.
#pragma once

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UcExtCtrls.h"
#include "UcStdCtrls.h"
#include "uSettings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

constexpr char kSettingsFileExt[] = ".vtcfg";
// Icon number of the settings file in the program file.
constexpr int kSettingsFileIcon = 2;

// The fields whose change makes an open port reopen.
struct TPortSettings {
  int32_t Port = 0;
  int32_t Baud = 0;
  uint8_t Databits = 0;
  uint8_t Parity = 0;
  uint8_t Stopbits = 0;
  uint8_t FlowControl = 0;

  bool operator==(const TPortSettings& other) const;
  bool operator!=(const TPortSettings& other) const { return !(*this == other); }
};
TPortSettings PortSettingsOf(const TSettings& settings);

// What the association asks of the system; tests replace each part. An
// empty function restores the system's own.
struct TAssociationSystem {
  // The full path of the running program.
  std::function<std::string()> ProgramPath;
  // Bit n set when drive 'A'+n is removable.
  std::function<uint32_t()> RemovableDrives;
  std::function<bool()> UserIsAdmin;
  // Creates the key below HKEY_CLASSES_ROOT and, when given, writes its
  // default value; raises when that fails.
  std::function<void(const std::string& key, const std::optional<std::string>& value)> WriteKey;
};
void SetAssociationSystem(const TAssociationSystem& system);

// The shell's name of the settings file type in the current language.
std::string AssociationProgId();
// The open command the association writes for the program at exe.
std::string AssociationCommand(const std::string& exe);

class TSettingsForm : public TForm {
  VEL_CLASS(TSettingsForm, TForm)
  static void Publish(TPublisher<TSettingsForm>& p);

 public:
  using TForm::TForm;

  TUcPanel* pContainer = nullptr;
  TUcLabel* lPort = nullptr;
  TComboBox* cbPort = nullptr;
  TUcLabel* lBaud = nullptr;
  TUcComboBox* cbBaud = nullptr;
  TUcLabel* lDatabits = nullptr;
  TUcComboBox* cbDatabits = nullptr;
  TUcLabel* lParity = nullptr;
  TUcComboBox* cbParity = nullptr;
  TUcLabel* lStopbits = nullptr;
  TUcComboBox* cbStopbits = nullptr;
  TUcLabel* lFlowcontrol = nullptr;
  TUcComboBox* cbFlowControl = nullptr;
  TUcLabel* lTerminator = nullptr;
  TUcComboBox* cbTerminator = nullptr;
  TUcLabel* lColor = nullptr;
  TUcPanel* pUserColor = nullptr;
  TUcPanel* pCommentColor = nullptr;
  TUcPanel* pDeviceColor = nullptr;
  TUcLabel* lColorHint = nullptr;
  TUcLabel* lOptions = nullptr;
  TUcCheckBox* cbLocalEcho = nullptr;
  TUcButton* btnOk = nullptr;
  TUcButton* btnCancel = nullptr;
  TUcButton* btnRegisterExt = nullptr;
  TColorDialog* ColorDlg = nullptr;

  // The caller's settings (not owned).
  TSettings* Settings() const { return settings_; }
  void SetSettings(TSettings* settings) { settings_ = settings; }

  void FormCreate(TObject* sender);
  void btnOkClick(TObject* sender);
  void OnColorClick(TObject* sender);
  void btnRegisterExtClick(TObject* sender);

  void UpdateCaptions();
  void LoadSettings();
  void StoreSettings();
  bool IsExtensionRegistered();
  bool NotOnRemovableDrive();

 private:
  void ShowAssociationState();
  void ShowRegistered();
  void ShowMissing();
  void SetShield(bool on);
  void WriteAssociation();

  TSettings* settings_ = nullptr;
};

// Runs the dialog modally on settings; true when it ended with OK.
bool ExecuteSettingsDialog(TSettings* settings);
