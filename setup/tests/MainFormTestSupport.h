// The main form in a test program: a settings folder of its own, a guard of
// its own, message boxes recorded instead of shown, and the console the
// program makes after the main form.
#pragma once

#include "SetupEnvironment.h"
#include "TestFiles.h"
#include "StringList.h"
#include "SysUtils.h"
#include "frmConsol.h"
#include "frmMain.h"
#include "frmProgress.h"
#include "uLanguagesSetup.h"
#include "uToolbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TMainFormEnvironment : public TSetupEnvironment {
 protected:
  // This process neither ends as a second instance nor holds the program's
  // own mutex.
  void AfterStartup() override {
    SetInstanceGuid(Format("{kolvexmk-test-%s}", IntToHex(GetCurrentProcessId(), 8)));
    Application()->SetTitle(kApplicationTitle);
  }
};

// Message boxes as the program would have shown them.
struct TBoxRecorder {
  struct TBox {
    std::string text;
    std::string caption;
    UINT flags;
  };
  std::vector<TBox> boxes;
  // The answer the next boxes give.
  int answer = IDOK;
  // Runs inside each box, while it would be open.
  std::function<void()> whileOpen;

  TBoxRecorder() {
    SetMessageBoxFunc([this](HWND, const std::string& text, const std::string& caption, UINT f) {
      boxes.push_back({text, caption, f});
      if (whileOpen)
        whileOpen();
      return answer;
    });
  }
  ~TBoxRecorder() { SetMessageBoxFunc(nullptr); }
  TBoxRecorder(const TBoxRecorder&) = delete;
  TBoxRecorder& operator=(const TBoxRecorder&) = delete;
};

inline std::string Ansi(const std::wstring& text) {
  return WideToAnsi(text);
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = NewTempFolder("mainform");
    SetAppDataFolder(folder_);
    SetDebugMode(false);
    SetCurrentLanguage(0);
    console_.reset(Create<TConsolForm>(nullptr));
    ConsolForm = console_.get();
  }

  void TearDown() override {
    form_.reset();
    if (ProgressForm()->Visible())
      ProgressForm()->HideProgress();
    ConsolForm = nullptr;
    console_.reset();
    SetAppDataFolder(std::string());
    RemoveTree(folder_);
  }

  static void RescanPorts() {
    TOwned<TStringList> ports(Create<TStringList>());
    EnumComPorts(ports.get(), true);
  }

  std::string ConfigFile() const { return folder_ + "\\Velmor\\kolvexMK\\config.kcc"; }

  void WriteConfig(const std::string& content) {
    ForceDirectories(folder_ + "\\Velmor\\kolvexMK");
    WriteAll(ConfigFile(), content);
  }

  // The form on screen; with a port, the settings name it first.
  TMainForm* MakeForm(int port = 0) {
    if (port > 0)
      WriteConfig(Format("[COM]\r\nPort=%d\r\n", port));
    form_.reset(Create<TMainForm>(nullptr));
    form_->Show();
    classlib::PumpFor(50);
    return form_.get();
  }

  std::string PanelText(int index) const {
    return Ansi(form_->StatusBar->Panels()->Items(index)->Text());
  }

  // The console's lines, oldest first.
  std::vector<std::string> ConsoleLines() const {
    std::vector<std::string> lines;
    TStrings* text = console_->rtfConsol->Lines();
    for (int i = 0; i < text->Count(); ++i)
      lines.push_back(text->Strings(i));
    return lines;
  }

  bool ConsoleHas(const std::string& part) const {
    for (const std::string& line : ConsoleLines())
      if (line.find(part) != std::string::npos)
        return true;
    return false;
  }

  std::string folder_;
  TBoxRecorder boxes_;
  TOwned<TConsolForm> console_;
  TOwned<TMainForm> form_;
};
