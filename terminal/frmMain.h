// The terminal program's main window: one serial port and one terminal view.
// Bytes from the port show in the device colour; keys typed into the view go
// to the port, Enter as the configured terminator, echoed in the user colour
// when local echo is on. Around that: the actions with their menus and tool
// bar, the status bar, the language menu, the settings files, the terminal
// text commands, and the two messages from outside (dropped files and the
// wake-up of a second instance).
#pragma once

#include "ActnList.h"
#include "AppEvnts.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Threads.h"
#include "VelComPort.h"
#include "VelViewers.h"
#include "UcActnList.h"
#include "UcComCtrls.h"
#include "UcMenus.h"
#include "UcStdCtrls.h"
#include "uSettings.h"

#include <cstdint>
#include <deque>
#include <string>

// The single-instance guard's GUID; in-process tests use their own so that
// they neither halt nor block the program's own guard.
void SetInstanceGuid(const std::string& guid);

// The folder that stands for the user's application-data folder (tests);
// empty uses the user's own.
void SetSettingsFolder(const std::string& folder);

// The tag of WM_COPYDATA with which a second start hands the running
// instance the settings file named on its command line (its full path).
constexpr ULONG_PTR kHandedSettingsFile = 0x56544346;
// Hands a settings file to a running instance's main window, waiting at
// most as long as for its answer to the wake-up; true when it took it.
bool HandSettingsFile(HWND window, const std::string& path);

// How long a paste waits for room in the port's outgoing ring before it
// gives up and lets the write fail.
constexpr DWORD kPasteRoomTimeoutMs = 5000;
// The time each pasted line is given before the next one starts.
constexpr DWORD kPasteLineMs = 500;

class TMainForm : public TForm {
  VEL_CLASS(TMainForm, TForm)
  static void Publish(TPublisher<TMainForm>& p);

 public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;

  // Form data.
  TUcToolBar* ToolBar1 = nullptr;
  TUcToolButton* tbExit = nullptr;
  TUcToolButton* tbConnect = nullptr;
  TUcToolButton* tbSave = nullptr;
  TUcToolButton* tbClear = nullptr;
  TUcToolButton* tbCopy = nullptr;
  TUcToolButton* tbPaste = nullptr;
  TUcToolButton* tbASCII = nullptr;
  TUcToolButton* tbPasswdMode = nullptr;
  TUcToolButton* tbSettings = nullptr;
  TPanel* pContainer = nullptr;
  TUcLabel* lMode = nullptr;
  TUcStatusBar* StatusBar1 = nullptr;
  TUcActionList* ActionList1 = nullptr;
  TUcAction* HistoryClearAction = nullptr;
  TUcAction* HistorySaveAction = nullptr;
  TUcAction* HistoryCopyAction = nullptr;
  TUcAction* FileExitAction = nullptr;
  TUcAction* HelpAboutAction = nullptr;
  TUcAction* FileSettingsAction = nullptr;
  TUcAction* OptASCIIAction = nullptr;
  TUcAction* FileLoadAction = nullptr;
  TUcAction* FileSaveAction = nullptr;
  TUcAction* HistoryPasteAction = nullptr;
  TUcAction* PasswdModeAction = nullptr;
  TUcMainMenu* MainMenu1 = nullptr;
  TUcMenuItem* mmFile = nullptr;
  TUcMenuItem* mmHistory = nullptr;
  TUcMenuItem* mmOptions = nullptr;
  TUcMenuItem* miLanguage = nullptr;
  TUcMenuItem* mmHelp = nullptr;
  TUcPopupMenu* puHistory = nullptr;
  TImageList* il16x16 = nullptr;
  TImageList* il24x24 = nullptr;
  TImageList* il24x24Gray = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;
  TOpenDialog* OpenDlg = nullptr;
  TSaveDialog* SaveDlg = nullptr;

  // Made at run time, owned by the form.
  TVelComPort* ComPort = nullptr;
  TVelTerminal* termHistory = nullptr;
  TSettings* Settings() const { return settings_.get(); }

  uint8_t LanguageId() const { return languageId_; }
  bool PasswordMode() const { return passwordMode_; }
  bool KeyConsumed() const { return keyConsumed_; }

  // Published handlers.
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormDestroy(TObject* sender);
  void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void FormKeyUp(TObject* sender, WORD& key, TShiftState shift);
  void tbConnectClick(TObject* sender);
  void termHistoryKeyPress(TObject* sender, char& key);
  void ApplicationEvents1Activate(TObject* sender);
  void ApplicationEvents1Exception(TObject* sender, const std::exception_ptr& error);
  void FileExitActionExecute(TObject* sender);
  void FileLoadActionExecute(TObject* sender);
  void FileLoadActionUpdate(TObject* sender);
  void FileSaveActionExecute(TObject* sender);
  void FileSettingsActionExecute(TObject* sender);
  void HistoryClearActionExecute(TObject* sender);
  void HistoryCopyActionExecute(TObject* sender);
  void HistoryActionUpdate(TObject* sender);
  void HistoryPasteActionExecute(TObject* sender);
  void HistoryPasteActionUpdate(TObject* sender);
  void HistorySaveActionExecute(TObject* sender);
  void OptASCIIActionExecute(TObject* sender);
  void OptASCIIActionUpdate(TObject* sender);
  void PasswdModeActionExecute(TObject* sender);
  void HelpAboutActionExecute(TObject* sender);

  void CreateRuntimeControls();
  void ApplySettings(bool keepPortSettings);
  void ShowTerminalView();
  void OpenPort();
  void ClosePort();
  void PortClosed(TObject* sender);
  void PortDataReceived(TObject* sender, int count);
  void UpdateCaptions();
  void UpdateStatusBar();
  void BuildLanguageMenu();
  void LanguageItemClick(TObject* sender);
  void LoadSettingsFile(const std::string& path);
  // Sends clipboard-style text line by line (the paste action's body).
  void PasteText(const std::string& text);

 protected:
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;

 private:
  void CheckSingleInstance();
  void SetLanguageId(uint8_t language);
  void SetAcceptFiles(bool accept);
  void ShowConnectState();
  void UpdateTitle();
  void SetActionCaptions();
  void WMDropFiles(TMessage& message);
  void WMRestoreInstance(TMessage& message);
  void WMCopyData(TMessage& message);
  void LoadHandedFile();
  void LoadCommandLineFile();
  bool HintsFromCaptions() const;
  // Waits, pumping messages, until the ring has room for bytes; false when
  // the port closed, the program is ending or the time ran out.
  bool WaitForRoom(int bytes);
  void WaitLine(DWORD start);
  bool PasteGoesOn() const;
  void SendPastedLine(const std::string& line);
  // The file name the save dialog returned, with ext (".txt") made sure.
  std::string SavedName(const std::string& ext) const;
  // The name to save to, asked for with the save dialog; an existing file
  // only when the user agreed to replace it; empty when the user cancelled.
  // title: the text number of the command.
  std::string ChooseSaveName(const std::string& filter, const char* ext, int title);
  bool AskReplace(const std::string& name, int title);
  void ShowSaveFailure(const std::string& name, const std::wstring& reason);

  TOwned<TSettings> settings_;
  TOwned<TFont> textViewFont_;
  TCriticalSection receiveLock_;
  uint8_t languageId_ = 0;
  bool keyConsumed_ = false;
  bool passwordMode_ = false;
  bool acceptFiles_ = false;
  // Settings files handed over by second starts, loaded after the hand-over.
  std::deque<std::string> handedFiles_;
};
