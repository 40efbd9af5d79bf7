// The wide companion of the class library's application object: a wide
// application hint kept paired with Application()->Hint(), the hint action
// that carries it as wide text, and a message hook that lets characters above
// 255 reach Unicode windows whole past the class library's 8-bit loop.
#pragma once

#include "Controls.h"
#include "Forms.h"

#include <string>

class TUcAppIdleEventControl;

class TUcApplication : public TComponent {
  VEL_CLASS(TUcApplication, TComponent)
 public:
  // Hooks the application window (Application() must exist).
  TUcApplication();
  ~TUcApplication() override;

  // The wide application hint: the widened Application()->Hint() unless the
  // stored wide text (or the hint of the control under the mouse) still
  // converts to it.
  std::wstring Hint();
  void SetHint(const std::wstring& value);

  // The idle control was placed on the main form.
  bool MainFormChecked() const { return mainFormChecked_; }
  TUcAppIdleEventControl* IdleControl() const { return idleControl_; }

  // The hook's work on one removed message: true when it took a WM_CHAR
  // above 255 for a Unicode window and dispatched it itself.
  bool ProcessWideCharMessage(MSG& msg);
  // Idle time: follows the control under the mouse while the 8-bit hint
  // still is its long hint.
  void IdleHintUpdate(TObject* sender);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool MainWindowHook(TMessage& m);
  std::wstring MouseControlHint();
  void CheckMainForm();
  void SetAnsiHint(const std::string& value);

  bool mainFormChecked_ = false;
  std::wstring wideHint_;
  TUcAppIdleEventControl* idleControl_ = nullptr;
};

// A windowless control of no size on the main form, whose action's idle
// update keeps the wide hint in step.
class TUcAppIdleEventControl : public TControl {
  VEL_CLASS(TUcAppIdleEventControl, TControl)
 public:
  explicit TUcAppIdleEventControl(TComponent* owner);
  void AfterConstruction() override;
};

// The one instance, between the module's start and stop; null outside.
TUcApplication* WideApplication();
// The hook of the GUI thread; null where none is installed.
HHOOK WideCharHook();

// Whether code (a character code of a key message) is caption's accelerator,
// without regard to case; a caption without one never matches.
bool MatchWideAccelerator(WORD code, const std::wstring& caption);

// The module's start and stop steps (WidgetModules).
void InitUcForms();
void DoneUcForms();
