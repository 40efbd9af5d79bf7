// What the dialog tests of the terminal program share: the library's
// start-up with the program's modules, a main form on a fresh settings
// folder, a recorder for message boxes and a way to act inside a modal loop.
#pragma once

#include "frmMain.h"

#include "FileUtils.h"
#include "LibraryEnvironment.h"
#include "Screen.h"
#include "SysUtils.h"
#include "System.h"
#include "VeltermModules.h"
#include "uToolbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Every port up to COM40 counts as existing, so that the dialog's port list,
// which is scanned once in the process, holds the test ports made later.
constexpr int kListedPorts = 40;

class TTerminalTestEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterTerminalModules(); }
  // A guard of its own: this process neither halts as a second instance nor
  // keeps the program's mutex from the process-level tests.
  void AfterStartup() override {
    SetInstanceGuid(Format("{velterm-dialog-test-%s}", IntToHex(GetCurrentProcessId(), 8)));
    SetPortProbe([](int port) { return port <= kListedPorts; });
  }
};

// A message box seam that records instead of showing.
struct TBoxRecorder {
  std::vector<std::string> texts;
  std::vector<std::string> captions;
  std::vector<UINT> flags;
  TBoxRecorder() {
    SetMessageBoxFunc([this](HWND, const std::string& text, const std::string& caption, UINT f) {
      texts.push_back(text);
      captions.push_back(caption);
      flags.push_back(f);
      return IDOK;
    });
  }
  ~TBoxRecorder() { SetMessageBoxFunc(nullptr); }
  TBoxRecorder(const TBoxRecorder&) = delete;
  TBoxRecorder& operator=(const TBoxRecorder&) = delete;
};

// Runs an action once the modal loop that follows has started. A dialog the
// action leaves open is cancelled after a while, so that a failing test
// does not hang.
class TWhileModal {
 public:
  explicit TWhileModal(std::function<void()> action) {
    Action() = std::move(action);
    actionTimer_ = SetTimer(nullptr, 0, 150, Run);
    rescueTimer_ = SetTimer(nullptr, 0, 15000, Rescue);
  }
  ~TWhileModal() {
    KillTimer(nullptr, actionTimer_);
    KillTimer(nullptr, rescueTimer_);
    Action() = nullptr;
  }
  TWhileModal(const TWhileModal&) = delete;
  TWhileModal& operator=(const TWhileModal&) = delete;

 private:
  static std::function<void()>& Action() {
    static std::function<void()> action;
    return action;
  }
  static void CALLBACK Run(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::function<void()> action = std::move(Action());
    Action() = nullptr;
    if (action)
      action();
  }
  static void CALLBACK Rescue(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (int i = 0; i < Screen()->FormCount(); ++i) {
      if (Screen()->Forms(i)->Modal())
        Screen()->Forms(i)->SetModalResult(mrCancel);
    }
  }

  UINT_PTR actionTimer_ = 0;
  UINT_PTR rescueTimer_ = 0;
};

// The shown form of class T; null when none.
template <typename T>
T* OpenForm() {
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    if (auto* form = dynamic_cast<T*>(Screen()->Forms(i)))
      if (form->Visible())
        return form;
  }
  ADD_FAILURE() << "no open form";
  return nullptr;
}

inline void PostKey(HWND window, WORD key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

inline std::wstring WideFromForm(TCustomForm* form) {
  return AnsiToWide(form->Caption());
}

// The program file beside the test programs' folder.
inline std::string VeltermPath() {
  return ExpandFileName(ExtractFilePath(ParamStr(0)) + "..\\velterm.exe");
}

inline std::string NewTestFolder(const char* tag) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  const std::string folder =
      Format("%svelterm-%s-%d-%d-%d\\", temp, tag, static_cast<int>(GetCurrentProcessId()),
             static_cast<int>(GetTickCount()), ++counter);
  ForceDirectories(folder);
  return folder;
}

// A main form on a settings folder of its own.
class TTerminalFormTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = NewTestFolder("dialog");
    SetSettingsFolder(folder_);
    OverrideCommandLine("velterm.exe");
  }

  void TearDown() override {
    form_.reset();
    OverrideCommandLine("");
  }

  // The form on screen, its settings pointing at port.
  TMainForm* MakeMainForm(int port) {
    form_.reset(Create<TMainForm>(nullptr));
    form_->Settings()->SetPort(port);
    form_->ApplySettings(false);
    form_->Show();
    classlib::PumpFor(100);
    return form_.get();
  }

  void Connect() {
    form_->tbConnectClick(form_->tbConnect);
    ASSERT_TRUE(form_->ComPort->Active());
  }

  // The language menu's choice; the texts of the whole process follow.
  void SwitchLanguage(int language) {
    TOwned<TMenuItem> item(Create<TMenuItem>(nullptr));
    item->SetTag(language);
    form_->LanguageItemClick(item.get());
  }

  std::string folder_;
  TOwned<TMainForm> form_;
};
