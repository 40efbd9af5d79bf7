// Small controls and forms of the form tests' own, and helpers that drive
// real windows under the application's loop.
#pragma once

#include "Forms.h"
#include "Startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// What the controls and forms report, in order: "Name:event".
std::vector<std::string>& EventLog();
void Log(const TComponent* who, const std::string& event);
// The entries of the log that start with prefix.
std::vector<std::string> LogOf(const std::string& prefix);

// A windowed, focusable control that logs focus and keys. WM_GETDLGCODE
// answers DlgCode.
class TTestBox : public TCustomControl {
  VEL_CLASS(TTestBox, TCustomControl)
  static void Publish(TPublisher<TTestBox>& p);

 public:
  explicit TTestBox(TComponent* owner);
  int DlgCode() const { return dlgCode_; }
  void SetDlgCode(int code) { dlgCode_ = code; }

 protected:
  void DoEnter() override;
  void DoExit() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void Dispatch(TMessage& m) override;

 private:
  int dlgCode_ = 0;
  bool entered_ = false;
};

// A container for other controls.
class TTestPanel : public TCustomControl {
  VEL_CLASS(TTestPanel, TCustomControl)
 public:
  explicit TTestPanel(TComponent* owner);
};

// A button: Enter clicks the Default one, Esc the Cancel one, its
// accelerator (the letter after '&') clicks it; a ModalResult goes to the
// form.
class TTestButton : public TCustomControl {
  VEL_CLASS(TTestButton, TCustomControl)
  static void Publish(TPublisher<TTestButton>& p);

 public:
  explicit TTestButton(TComponent* owner);
  bool Default() const { return default_; }
  void SetDefault(bool on) { default_ = on; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult r) { modalResult_ = r; }
  void Click() override;

 protected:
  void Dispatch(TMessage& m) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

// A windowless control; it may swap the hint window class and mark the hint
// data in CM_HINTSHOW.
class TTestLabel : public TGraphicControl {
  VEL_CLASS(TTestLabel, TGraphicControl)
 public:
  explicit TTestLabel(TComponent* owner);
  static bool swapHintClass;

 protected:
  void Dispatch(TMessage& m) override;
};

// A hint window that remembers the data it was activated with.
class TTestHintWindow : public THintWindow {
  VEL_CLASS(TTestHintWindow, THintWindow)
 public:
  using THintWindow::THintWindow;
  void ActivateHintData(const TRect& rect, const std::string& hint, void* data) override;
  void* data = nullptr;
  std::string text;
};

// Takes exactly THintAction, as a status bar that shows hints does.
class TTestHintTarget : public TTestPanel {
  VEL_CLASS(TTestHintTarget, TTestPanel)
 public:
  using TTestPanel::TTestPanel;
  bool ExecuteAction(TBasicAction* action) override;
  std::vector<std::string> hints;
};

// Every test starts with a fresh library: a new application object, no
// forms, nothing terminated.
class FormsTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Shows form and waits until it is the active window.
void ShowAndActivate(TCustomForm* form);
// Posts a key press (down, up) to window and lets the loop handle it.
void PressKey(HWND window, WORD vk);
void PostKey(HWND window, UINT msg, WORD vk);
void HandlePending();

// Runs each step on a timer tick of its own, in order, from whatever loop
// runs meanwhile (modal loops included).
class TScript {
 public:
  TScript(std::vector<std::function<void()>> steps, UINT intervalMs = 50);
  ~TScript();
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;
  bool Done() const { return next_ >= steps_.size(); }

 private:
  void Tick(TMessage& m);

  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  HWND window_;
};
