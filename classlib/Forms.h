// Forms, the application object and the hint window.
//
// A form is a windowed control without a parent. It is made in two phases:
// the constructor only builds the object; AfterConstruction reads the form
// data of its class, runs Loaded and then OnCreate. Its window appears only
// when something needs it (Handle, Show, ShowModal); every property set
// before is kept and applied then.
//
// The application object owns the hidden application window, runs the
// message loop (PeekMessageA, so that a WH_GETMESSAGE hook may rewrite a
// message to WM_NULL), idle processing, hints, action dispatch and the
// exception handler. Classlib::Startup() makes it; Run() frees the forms
// when the loop ends: the main form first, then the others, newest first.
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "Menus.h"
#include "Screen.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TApplication;

namespace classlib {

// Tests: runs the application's message loop (idle work included, but never
// waiting in it) until condition holds; false when it still does not hold
// after timeoutMs.
// The time-out is wall-clock time, whatever tick source the program uses.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Tests: runs the loop as PumpUntil does for ms.
void PumpFor(DWORD ms);

}  // namespace classlib

// ---- Small types -------------------------------------------------------------------

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
VEL_ENUM_TYPE(TBorderIcon);
VEL_ENUM_TYPE(TPosition);
VEL_ENUM_TYPE(TWindowState);

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

// Shortcut modifiers on top of the virtual key in the low byte.
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
// The modifier names ShortCutToText puts before the key's name.
constexpr char kShiftKeyText[] = "Shift+";
constexpr char kCtrlKeyText[] = "Ctrl+";
constexpr char kAltKeyText[] = "Alt+";
// "Shift+Ctrl+S": the modifiers in this order, then the key's name; empty
// for a key without a name. Hints and menus show shortcuts this way.
std::string ShortCutToText(TShortCut shortCut);
// The shortcut of a virtual key with Shift, Ctrl and Alt of shift (the mouse
// buttons are ignored); 0 for a key beyond the low byte.
TShortCut ShortCut(WORD key, TShiftState shift);

using TCloseEvent = TClosure<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = TClosure<void(TObject* sender, bool& canClose)>;

// ---- Hint window -------------------------------------------------------------------

// The small topmost window that shows a hint. The application makes it from
// its HintWindowClass, or from the class a control's CM_HINTSHOW handler put
// into the hint info.
class THintWindow : public TCustomControl {
  VEL_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* owner);
  void AfterConstruction() override;

  // Shows text in rect without taking the activation.
  virtual void ActivateHint(const TRect& rect, const std::string& hint);
  virtual void ActivateHintData(const TRect& rect, const std::string& hint, void* data);
  // The size the text needs, wrapped at maxWidth, at the origin.
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint, void* data);
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& message) override;
  void Paint() override;
  // The caption into rect, with the font and mode Paint set up.
  virtual void DrawHintText(HDC dc, TRect& rect, UINT flags);
};

// ---- Forms -------------------------------------------------------------------------

class TCustomForm : public TCustomControl, public IFormSite {
  VEL_CLASS(TCustomForm, TCustomControl)
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // Reads the form data (for classes other than TForm), Loaded, OnCreate.
  void AfterConstruction() override;
  // OnDestroy, while the window and every component still exist; then the
  // window, the components and the free notifications.
  void BeforeDestruction() override;

  // Appearance and placement; stored until the window exists.
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  // The window that owns this one; by default the main form.
  TCustomForm* PopupParent() const { return popupParent_; }
  void SetPopupParent(TCustomForm* parent);
  TRect ClientRect() const override;

  // Keyboard and focus.
  bool KeyPreview() const override { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  TWinControl* ActiveControl() const { return activeControl_; }
  // Focuses control now when the form is active, else when it next is.
  void SetActiveControl(TWinControl* control);
  bool SetFocusedControl(TWinControl* control) override;
  void ControlLeaving(TControl* control) override;
  // The form's window is the active window.
  bool Active() const { return active_; }

  // Showing and closing.
  // Visible, and in front of the other windows.
  void Show();
  // Raises EInvalidOperation for a visible or disabled form.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result);
  bool Modal() const { return modal_; }
  // CloseQuery, then OnClose (caHide by default): the main form ends the
  // application, another form is hidden (caHide), minimised or freed later.
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the messages waiting for it are handled.
  void Release();

  // Offers action to the active control, the form, then its visible
  // controls.
  bool ExecuteAction(TBasicAction* action) override;
  // Every action of a visible control (windowless included) and of the
  // action lists the form owns, in list order, each once, into actions
  // (idle updates).
  void CollectActions(std::vector<TBasicAction*>& actions) const;

  // The menu bar: attached when the window is made; the client size stays
  // as it was when one comes or goes.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  template <typename T>
  friend T* CreateNew(TComponent* owner);
  friend class TApplication;

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWindowHandle() override;
  void Dispatch(TMessage& message) override;
  void Paint() override;
  void Loaded() override;
  void SetClientSize(int width, int height) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoClose(TCloseAction& action);

 private:
  // Raises a form event unless the form is being destroyed: OnDestroy is
  // the last event a form raises.
  template <typename E, typename... Args>
  void RaiseEvent(const E& event, Args&... args) {
    if (event && !ComponentState().Contains(csDestroying))
      event(this, args...);
  }
  // Window style and extended style of the border settings.
  void FrameStyle(DWORD& style, DWORD& exStyle) const;
  // What the frame adds to the client size.
  TSize FrameSize() const;
  HWND OwnerWindow() const;
  void ShowingChanged();
  void ApplyPosition();
  int ShowCommand() const;
  void Activated(TMessage& m);
  bool RestoreFocus();
  void ChangeFocusedControl(TWinControl* control);
  bool DialogKey(TMessage& m);
  void CloseModal();
  void SizeChanged(TMessage& m);
  void MinMaxInfo(TMessage& m);
  // The menu on the window and off it again (the window would destroy it).
  void AttachMenu();
  void DetachMenu();

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TCustomForm* popupParent_ = nullptr;
  bool keyPreview_ = false;
  TWinControl* activeControl_ = nullptr;   // gets the focus
  TWinControl* focusedControl_ = nullptr;  // has had CM_ENTER
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
  bool modal_ = false;
  bool loadsFormData_ = true;
  bool creating_ = false;
  bool shown_ = false;
  TSize loadedClientSize_{-1, -1};  // set by form data, kept for Loaded
  TMainMenu* menu_ = nullptr;
};

// The form class that form data describes; it publishes what forms store.
class TForm : public TCustomForm {
  VEL_CLASS(TForm, TCustomForm)
  static void Publish(TPublisher<TForm>& p);

 public:
  using TCustomForm::TCustomForm;
};

// Makes a form without reading form data.
template <typename T>
T* CreateNew(TComponent* owner) {
  T* form = new T(owner);
  form->loadsFormData_ = false;
  try {
    form->AfterConstruction();
  } catch (...) {
    form->Free();
    throw;
  }
  return form;
}

// The form a control sits on; nullptr when none.
TCustomForm* GetParentForm(TControl* control);

// ---- Application -------------------------------------------------------------------

// A main-window hook: true when it took the message (its Result counts).
using TWindowHook = TClosure<bool(TMessage& message)>;
using TMessageEvent = TClosure<void(TObject* sender, MSG& msg, bool& handled)>;
using TIdleEvent = TClosure<void(TObject* sender, bool& done)>;
using TExceptionEvent = TClosure<void(TObject* sender, const std::exception_ptr& e)>;
using TShowHintEvent =
    TClosure<void(TObject* sender, std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using TActionEvent = TClosure<void(TObject* sender, TBasicAction* action, bool& handled)>;

// Hears the application's events after its own handlers, in the order the
// listeners were added (TApplicationEvents, AppEvnts.h, is one).
class IApplicationEventsListener {
 public:
  virtual void AppActivated(bool active) = 0;
  // True when it took the exception (then nobody after it sees it).
  virtual bool AppException(TObject* sender, const std::exception_ptr& e) = 0;
  // True when it had a handler for the hint.
  virtual bool AppHint() = 0;
  virtual void AppIdle(bool& done) = 0;
  virtual void AppMessage(MSG& msg, bool& handled) = 0;

 protected:
  ~IApplicationEventsListener() = default;
};

class TApplication : public TComponent, public IApplicationSite {
  VEL_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;
  // Makes the hidden window; installs the exception handler, the action
  // dispatcher and the control site.
  void AfterConstruction() override;
  void BeforeDestruction() override;

  HWND Handle() const { return handle_; }
  std::string Title() const;
  void SetTitle(const std::string& title);
  std::string ExeName() const;
  bool Active() const { return active_; }
  bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
  void SetMainFormOnTaskBar(bool on);
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool on) { showMainForm_ = on; }
  TCustomForm* MainForm() const { return mainForm_; }
  int ModalLevel() const { return modalLevel_; }
  // A modeless dialog whose keys IsDialogMessageA handles; 0 normally.
  HWND DialogHandle() const { return dialogHandle_; }
  void SetDialogHandle(HWND dialog) { dialogHandle_ = dialog; }

  // Life of the program.
  void Initialize() {}
  // Makes a form owned by the application; reference is set before its
  // OnCreate runs. The first one becomes the main form.
  template <typename T>
  void CreateForm(T** reference);
  // Shows the main form (when ShowMainForm) and runs the loop until
  // Terminate; then frees the forms.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every waiting message, without idle processing.
  void ProcessMessages();
  // One message, or idle processing and a wait for the next.
  void HandleMessage();
  // Reports the current exception (inside a catch): EAbort is silent, then
  // OnException or the exception box.
  void HandleException(TObject* sender);
  void ShowException(const std::exception_ptr& e);

  // Listeners to the application's events; a listener removes itself
  // before it goes.
  void AddEventsListener(IApplicationEventsListener* listener);
  void RemoveEventsListener(IApplicationEventsListener* listener);

  // Hooks of the application window, asked in order before anything else.
  void HookMainWindow(const TWindowHook& hook);
  void UnhookMainWindow(const TWindowHook& hook);

  // The status hint: setting it raises OnHint, or else executes a
  // THintAction (CM_ACTIONEXECUTE) that carries it.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  int HintPause() const { return hintPause_; }
  void SetHintPause(int ms) { hintPause_ = ms; }
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int ms) { hintShortPause_ = ms; }
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int ms) { hintHidePause_ = ms; }
  bool HintShortCuts() const { return hintShortCuts_; }
  void SetHintShortCuts(bool on) { hintShortCuts_ = on; }
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor color) { hintColor_ = color; }
  const TMetaClass* HintWindowClass() const { return hintWindowClass_; }
  void SetHintWindowClass(const TMetaClass* cls) { hintWindowClass_ = cls; }
  // Shows the hint of the control at the screen position now.
  void ActivateHint(const TPoint& cursorPos);
  void CancelHint();
  // The window showing the hint, and the hint info it was made from, kept
  // alive while it shows.
  THintWindow* HintWindowInstance() const { return hintWindow_; }
  const THintInfo& CurrentHintInfo() const { return hintInfo_; }

  // The control under the mouse as idle processing last saw it.
  TControl* MouseControl() const { return mouseControl_; }
  // Tests: where idle processing and ActivateHint find the control under
  // the mouse; empty restores the real lookup.
  void SetMouseControlSource(std::function<TControl*()> source);

  // IApplicationSite.
  void HintMouseMessage(TControl* control, TMessage& message) override;
  void ControlDestroyed(TControl* control) override;

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TShowHintEvent OnShowHint;
  TActionEvent OnActionExecute;
  TActionEvent OnActionUpdate;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCustomForm;
  friend bool classlib::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

  template <typename T>
  void AddForm(T* form);
  void WndProc(TMessage& m);
  bool CallHooks(TMessage& m);
  bool ProcessMessage(MSG& msg);
  // Keys and presses end a hint.
  void CancelHintOnInput(const MSG& msg);
  bool IsKeyMsg(const MSG& msg);
  bool IsDlgMsg(MSG& msg);
  // Idle work; false when OnIdle asks to be called again at once.
  bool DoIdle();
  void Idle();
  TControl* ControlAtCursor(const TPoint& screenPos) const;
  void UpdateMouseControl();
  void UpdateVisibleFormsActions();
  bool ExecuteThroughForms(TBasicAction* action);
  void SetActive(bool active);
  void EndSession();
  void DestroyForms();
  void ExceptionHandler(TObject* sender, const std::exception_ptr& e);
  // Hints.
  void StartHintTimer(UINT id, int ms);
  void StopHintTimers();
  void HintTimerExpired(UINT id);
  void HideHint();
  THintWindow* HintWindowFor(const TMetaClass* cls);
  // The short hint of control, as CM_HINTSHOW gets it.
  std::string HintText(TControl* control) const;
  bool ActionHandler(TBasicAction* action, const TActionEvent& event);
  bool ExecuteActionHandler(TBasicAction* action) { return ActionHandler(action, OnActionExecute); }
  bool UpdateActionHandler(TBasicAction* action) { return ActionHandler(action, OnActionUpdate); }
  // Runs call on every listener still listening, in order; true when one
  // returned true (call returns false to go on to the next).
  bool NotifyListeners(const std::function<bool(IApplicationEventsListener*)>& call);

  HWND handle_ = nullptr;
  WNDPROC objectInstance_ = nullptr;
  bool active_ = false;
  bool mainFormOnTaskBar_ = false;
  bool showMainForm_ = true;
  bool terminated_ = false;
  TCustomForm* mainForm_ = nullptr;
  int modalLevel_ = 0;
  HWND dialogHandle_ = nullptr;
  std::vector<TWindowHook> hooks_;
  std::vector<IApplicationEventsListener*> listeners_;
  std::string hint_;
  bool showHint_ = true;
  int hintPause_ = 500;
  int hintShortPause_ = 50;
  int hintHidePause_ = 2500;
  bool hintShortCuts_ = true;
  TColor hintColor_ = clInfoBk;
  const TMetaClass* hintWindowClass_;
  THintWindow* hintWindow_ = nullptr;
  TControl* hintControl_ = nullptr;
  THintInfo hintInfo_;
  bool hintActive_ = false;
  TControl* mouseControl_ = nullptr;
  std::function<TControl*()> mouseControlSource_;
};

template <typename T>
void TApplication::CreateForm(T** reference) {
  T* form = new T(this);
  *reference = form;
  try {
    form->AfterConstruction();
  } catch (...) {
    *reference = nullptr;
    form->Free();
    throw;
  }
  AddForm(form);
}

template <typename T>
void TApplication::AddForm(T* form) {
  if constexpr (std::is_base_of_v<TCustomForm, T>) {
    if (!mainForm_)
      mainForm_ = form;
  }
}

// Made by classlib::Startup(), freed by Shutdown(); nullptr outside.
TApplication* Application();
void InitApplication();
void DoneApplication();

// A program's main block: starts the library, makes the forms, runs the loop
// and shuts down. A failing start-up is shown and gives exit code 1.
int RunProgram(const std::string& title, const std::function<void()>& createForms);

// ---- Message boxes and test seams ---------------------------------------------------

// The applications' own message boxes. They go through the replaceable box
// of SetMessageBoxFunc (with the texts converted to 8 bits) when one is set,
// else to MessageBoxW.
int ShowMessageBoxW(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);
