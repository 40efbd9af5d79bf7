// The setup utility's main window: the port box and the Connect button, the
// instrument's settings in eight groups, the latest result, the status bar,
// and the language menu. It owns the settings, the instrument model and the
// command engine; the engine's four events arrive here on the main thread.
//
// The class is split over several sources: this one (the shell: start-up,
// connect and disconnect, the engine's events, messages from outside,
// languages, the control states and the result display), frmMainCommands.cpp
// (the command sequences and the poll), frmMainReplies.cpp (the replies) and
// frmMainSettings.cpp (the set commands and the input checks).
#pragma once

#include "AppEvnts.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "UcComCtrls.h"
#include "UcExtCtrls.h"
#include "Forms.h"
#include "UcActnList.h"
#include "UcMenus.h"
#include "UcStdCtrls.h"
#include "UcStdCtrlsSetup.h"
#include "uComDevice.h"
#include "uCommEngine.h"
#include "uSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Set at the first call: a debugger is attached or the command line carries
// the switch "debug" (after '-' or '/', any case). It enables the console
// toggle and the communication log.
bool DebugMode();
// Tests.
void SetDebugMode(bool value);

// The application title; the main window's caption is a text of its language.
extern const char kApplicationTitle[];

// Tests: the single-instance guard's GUID (the program's own by default), and
// the application-data folder that the settings and the log go under (empty:
// the user's).
void SetInstanceGuid(const std::string& guid);
void SetAppDataFolder(const std::string& folder);

// The number of an ISO channel code; ">n" counts as n + 1; -1 when the text
// is no number.
int ParseLimit(const std::wstring& text);

class TMainForm : public TForm, public ICommEngineHost {
  VEL_CLASS(TMainForm, TForm)
  static void Publish(TPublisher<TMainForm>& p);

 public:
  using TForm::TForm;

  // The eight device-state words the status bar translates.
  static constexpr int kStateCount = 8;
  static constexpr UINT kErrorMemoryMs = 5000;

  // ---- Form data ------------------------------------------------------------------------
  TUcPanel* pUpperContainer = nullptr;
  TImage* imgCompany = nullptr;
  TImage* imgProduct = nullptr;

  TUcPanel* pCommunications = nullptr;
  TUcStaticText* stCommunications = nullptr;
  TUcLabel* lPort = nullptr;
  TUcComboBox* cbPorts = nullptr;
  TUcButton* btnConnect = nullptr;
  TUcCheckBox* cbCommEcho = nullptr;
  TUcCheckBox* cbVerboseErrors = nullptr;

  TUcPanel* pMeasConfig = nullptr;
  TUcStaticText* stMeasConfig = nullptr;
  TUcLabel* lSTISensorUsed = nullptr;
  TUcCheckBox* cbSTISensorUsed = nullptr;
  TUcLabel* lRepStandard = nullptr;
  TUcComboBox* cbRepStandard = nullptr;
  TUcLabel* lMeasPeriod = nullptr;
  TUcAlignedEdit* edMeasPeriodSec = nullptr;
  TUcLabel* lMeasPeriodSec = nullptr;
  TUcLabel* lRepInterval = nullptr;
  TUcAlignedEdit* edRepIntervalMin = nullptr;
  TUcLabel* lRepIntervalM = nullptr;
  TUcAlignedEdit* edRepIntervalSec = nullptr;
  TUcLabel* lRepIntervalS = nullptr;
  TUcLabel* lPwrOnMode = nullptr;
  TUcCheckBox* cbPwrOnMode = nullptr;
  TUcLabel* lPwrOnHoldOff = nullptr;
  TUcAlignedEdit* edPwrOnHoldOffSec = nullptr;
  TUcLabel* lPwrOnHoldOffSec = nullptr;

  TUcPanel* pDetectorInfo = nullptr;
  TUcStaticText* stDetectorInfo = nullptr;
  TUcLabel* lDetectorID = nullptr;
  TUcAlignedEdit* edDetectorID = nullptr;
  TUcLabel* lProductID = nullptr;
  TUcAlignedEdit* edProductID = nullptr;
  TUcLabel* lDetectorType = nullptr;
  TUcAlignedEdit* edDetectorType = nullptr;
  TUcLabel* lPartNr = nullptr;
  TUcAlignedEdit* edPartNr = nullptr;
  TUcLabel* lSerialNr = nullptr;
  TUcAlignedEdit* edSerialNr = nullptr;
  TUcLabel* lFirmware = nullptr;
  TUcAlignedEdit* edFirmware = nullptr;
  TUcLabel* lDateFormat = nullptr;
  TUcComboBox* cbDateFormat = nullptr;
  TUcLabel* lCalDate = nullptr;
  TUcAlignedEdit* edCalDate = nullptr;
  TUcLabel* lCalDueDate = nullptr;
  TUcAlignedEdit* edCalDueDate = nullptr;
  TUcLabel* lCalDust = nullptr;
  TUcAlignedEdit* edCalDust = nullptr;

  TUcPanel* pRelayOptions = nullptr;
  TUcStaticText* stRelayOptions = nullptr;
  TUcLabel* lManuallyOpRelay = nullptr;
  TUcButton* btnRelayStateSet = nullptr;
  TUcButton* btnRelayStateClear = nullptr;
  TUcLabel* lRelayHyst = nullptr;
  TUcCheckBox* cbRelayHyst = nullptr;
  TUcLabel* lRelayOp = nullptr;
  TUcCheckBox* cbParticleLimits = nullptr;
  TUcCheckBox* cbMoistLimits = nullptr;

  TUcPanel* pDisplayOptions = nullptr;
  TUcStaticText* stDisplayOptions = nullptr;
  TUcLabel* lOrientation = nullptr;
  TUcComboBox* cbOrientation = nullptr;
  TUcLabel* lBrightness = nullptr;
  TUcComboBox* cbBrightness = nullptr;

  TUcPanel* pOutputOptions = nullptr;
  TUcStaticText* stOutputOptions = nullptr;
  TUcLabel* lVoltageRange = nullptr;
  TUcComboBox* cbVoltageRange = nullptr;
  TUcButton* btnSAEJ1939Set = nullptr;
  TUcButton* btnSAEJ1939Clear = nullptr;

  TUcPanel* pAlarmLimits = nullptr;
  TUcStaticText* stAlarmLimits = nullptr;
  TUcLabel* lParticleLimits = nullptr;
  TUcLabel* lPartLimits1 = nullptr;
  TUcLabel* lPartLimits2 = nullptr;
  TUcLabel* lPartLimits3 = nullptr;
  TUcLabel* lPartLimits4 = nullptr;
  TUcComboBox* cbPartLimits1 = nullptr;
  TUcComboBox* cbPartLimits2 = nullptr;
  TUcComboBox* cbPartLimits3 = nullptr;
  TUcComboBox* cbPartLimits4 = nullptr;
  TUcLabel* lMoistureLimit = nullptr;
  TUcAlignedEdit* edMoistLimit = nullptr;
  TUcLabel* lMoistureLimitRH = nullptr;

  TUcPanel* pResults = nullptr;
  TUcStaticText* stResults = nullptr;
  TUcLabel* lClassCode = nullptr;
  TUcPanel* pClassCode = nullptr;
  TUcLabel* lMoisture = nullptr;
  TUcPanel* pMoisture = nullptr;
  TUcLabel* lRelayState = nullptr;
  TUcPanel* pAlarmRelayOn = nullptr;
  TUcPanel* pAlarmRelayOff = nullptr;
  TUcButton* btnStart = nullptr;
  TUcButton* btnStop = nullptr;

  TUcStatusBar* StatusBar = nullptr;
  TUcMainMenu* UcMainMenu1 = nullptr;
  TUcMenuItem* mmFile = nullptr;
  TUcMenuItem* miExit = nullptr;
  TUcMenuItem* mmOptions = nullptr;
  TUcMenuItem* miLanguage = nullptr;
  TUcMenuItem* mmHelp = nullptr;
  TUcMenuItem* miAbout = nullptr;
  TUcActionList* UcActionList1 = nullptr;
  TUcAction* FileExitAction = nullptr;
  TUcAction* HelpAboutAction = nullptr;
  TTimer* PollTimer = nullptr;
  TTimer* FlashTimer = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;

  // ---- Owned objects and state ----------------------------------------------------------
  TSettings* Settings() const { return settings_.get(); }
  TCOMDevice* Device() const { return device_.get(); }
  TCommEngine* Engine() const { return engine_.get(); }
  uint8_t Language() const { return language_; }
  bool ErrorBoxOpen() const { return errorBoxOpen_; }
  int BlinkCounter() const { return blinkCounter_; }
  void SetBlinkCounter(int value) { blinkCounter_ = value; }
  DWORD LastSerialPoll() const { return lastSerialPoll_; }
  // Whether this instance holds the single-instance mutex.
  bool OwnsInstance() const { return ownsInstance_; }

  // ICommEngineHost.
  std::wstring GetLangText(int textNumber) const override;
  bool LoggingEnabled() const override;
  std::string LogBaseFolder() const override;

  // ---- Shell ------------------------------------------------------------------------------
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormDestroy(TObject* sender);
  void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void btnConnectClick(TObject* sender);
  void ApplicationEvents1Activate(TObject* sender);
  void ApplicationEvents1Exception(TObject* sender, const std::exception_ptr& error);
  void FileExitActionExecute(TObject* sender);
  void HelpAboutActionExecute(TObject* sender);
  void LanguageClick(TObject* sender);

  void EngineSend(TObject* sender, const std::string& text);
  void EngineResponse(TObject* sender, const std::string& command, const std::string& reply);
  void EngineTag(TObject* sender, const std::string& tag);
  void EngineDisconnect(TObject* sender);

  void AbortConnection(bool showBox, const std::wstring& text);
  static bool IsSupportedModel(const std::string& text);
  static bool IsSupportedType(const std::string& text);
  void BuildLanguageMenu();
  void ApplyLanguage();
  void ApplyHeaderColours();

  // ---- Control states ---------------------------------------------------------------------
  void EnableControls(bool enabled);
  void ClearFields();
  void ConfigureForDeviceType();
  void ApplyOptionFlags();
  void SetReportingStandard(const std::string& standard, const std::string& dust);
  void SetPartLimitsFromReply(const std::string& reply);
  void OnCenterCombobox(TWinControl* control, int index, const TRect& rect, TOwnerDrawState state);

  // ---- Result display and status bar -------------------------------------------------------
  void FlashTimerTimer(TObject* sender);
  void ShowClassCode(const std::wstring& text);
  void UpdateStatusBar();
  std::string StateText(const std::string& reply) const;

  // ---- Command sequences and the poll (frmMainCommands.cpp) --------------------------------
  // The connect sequence, queued once the port is open.
  void QueueConnectSequence();
  void ReadOptions();
  void PollTimerTimer(TObject* sender);
  void btnStartClick(TObject* sender);
  void btnStopClick(TObject* sender);

  // ---- Replies (frmMainReplies.cpp) ---------------------------------------------------------
  void DispatchValue(char letter, const std::string& subtype, const std::string& value);
  void HandleDeviceError(char letter, const std::string& subtype, int code);
  void DisableFailedControls(const std::string& subtype, int code);

  // ---- Set commands and input checks (frmMainSettings.cpp) ---------------------------------
  void OnDataEntryFieldChanged(TObject* sender);
  void ButtonChanged(TObject* sender);
  void CheckBoxChanged(TObject* sender);
  void ComboBoxChanged(TObject* sender);
  void EditChanged(TObject* sender);
  void FilterForIntegerInput(TObject* sender, char& key);
  void FilterForIntegerPaste(TObject* sender, std::wstring& text);
  void FilterForTextInput(TObject* sender, char& key);
  void ValidateIntegerInput(TObject* sender);

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& message) override;

 private:
  void CheckSingleInstance();
  void CreateEngine();
  void SetLanguage(uint8_t language);
  void FillPortList();
  // Runs the Connect button's disconnect branch when the port is open.
  void ClickDisconnect();
  // The Connect button's work: a fresh model, then connect or disconnect.
  void SwitchConnection(bool connect);
  void Disconnect();
  void Connect();
  void HideProgress();
  void ShowErrorBox(const std::wstring& text);
  void AddConsoleLine(const std::string& text, TColor color);
  void DispatchReply(const std::string& command, const std::string& reply);
  void DispatchResultLine(const std::string& reply);
  void ApplyCaptions();
  void ApplyBrightnessItems();
  void ShowIsoCode();
  void ShowNasClass();
  void ShowMoisture();
  void WMActivateInstance(TMessage& message);
  void WMPowerBroadcast(TMessage& message);
  void WMQueryEndSession(TMessage& message);
  // The error box with Yes and No, unless the same error had a Yes lately.
  void AskToContinue(char letter, const std::string& subtype, int code);
  // The controls that show a subtype's value, labels included.
  std::vector<TControl*> FailedControls(const std::string& subtype) const;
  // The range check of a numeric edit and its set command.
  void CheckIntegerInput(TUcAlignedEdit* edit);
  void SendPartLimits();
  // The particle size labels of the four limits.
  std::array<TUcLabel*, kResultChannels> SizeLabels() const;

  TOwned<TSettings> settings_;
  TOwned<TCOMDevice> device_;
  TOwned<TCommEngine> engine_;
  uint8_t language_ = 0;
  bool errorBoxOpen_ = false;
  int blinkCounter_ = 0;
  // The error box's memory after a Yes: the subtype, code and tick.
  std::string lastErrorSubtype_;
  int lastErrorCode_ = 0;
  DWORD lastErrorTick_ = 0;
  DWORD lastSerialPoll_ = 0;
  std::array<std::string, kStateCount> stateTexts_;
  // The size labels' captions in the form data, for a form without instrument.
  std::array<std::wstring, kResultChannels> designSizeCaptions_;
  bool ownsInstance_ = false;
  // Set while the form is destroyed: late engine events change nothing.
  bool destroying_ = false;
};
