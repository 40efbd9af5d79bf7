// Small controls of the tests' own, a form-like host, and helpers that drive
// the message loop and catch what reaches the exception handler.
#pragma once

#include "Forms.h"
#include "Controls.h"
#include "Startup.h"

#include <functional>
#include <string>
#include <vector>

// A windowed control that records what its message map sees; without a
// parent it is a popup window of its own.
class TTestWinControl : public TCustomControl {
  VEL_CLASS(TTestWinControl, TCustomControl)
 public:
  explicit TTestWinControl(TComponent* owner);

  void Dispatch(TMessage& m) override;
  int Count(UINT msg) const;

  std::vector<UINT> Messages;
  std::function<void(TTestWinControl*)> OnPaintBody;
  // Answer to WM_GETDLGCODE.
  LRESULT DlgCode = 0;

  using TWinControl::DefWndProc;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;

 private:
  static void Publish(TPublisher<TTestWinControl>& p);
};

// A windowless control that fills itself with its colour.
class TTestGraphic : public TGraphicControl {
  VEL_CLASS(TTestGraphic, TGraphicControl)
 public:
  explicit TTestGraphic(TComponent* owner);
  void Dispatch(TMessage& m) override;
  int Count(UINT msg) const;

  std::vector<UINT> Messages;
  int Paints = 0;
  bool ThrowInPaint = false;

 protected:
  void Paint() override;

 private:
  static void Publish(TPublisher<TTestGraphic>& p);
};

// A host that plays the form: focus bookkeeping and key preview.
class TTestForm : public TTestWinControl, public IFormSite {
  VEL_CLASS(TTestForm, TTestWinControl)
 public:
  explicit TTestForm(TComponent* owner) : TTestWinControl(owner) {}

  bool SetFocusedControl(TWinControl* control) override;
  bool KeyPreview() const override { return Preview; }
  void ControlLeaving(TControl* control) override;

  TWinControl* ActiveControl = nullptr;
  bool Preview = false;
  std::vector<std::string> Log;  // "enter X", "exit X", "form key N"...

 protected:
  void KeyDown(WORD& key, TShiftState shift) override;
};

// Shows a control without parent (Visible is already true from the start).
void ShowTopLevel(TWinControl* control);

// Handles the messages waiting in the queue.
void ProcessMessages();

// Collects the messages of exceptions that reach the exception box
// meanwhile, whoever handles them on the way.
class TCaughtExceptions {
 public:
  TCaughtExceptions();
  ~TCaughtExceptions();
  std::vector<std::string> Messages;

 private:
  TMessageBoxFunc previous_;
};

// A control owned and parented by the host, at the given bounds.
template <typename T>
T* AddChild(TWinControl* parent, const TRect& bounds, const std::string& name = "") {
  T* c = Create<T>(parent);
  if (!name.empty())
    c->SetName(name);
  c->SetBoundsRect(bounds);
  c->SetParent(parent);
  return c;
}
