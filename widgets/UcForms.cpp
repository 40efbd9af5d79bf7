#include "UcForms.h"

#include "System.h"
#include "UcActnList.h"
#include "UcControls.h"
#include "UcMenus.h"
#include "UcSystem.h"
#include "UcWindows.h"

namespace {

TUcApplication* wideApplication = nullptr;
HHOOK wideCharHook = nullptr;

bool IsWideDialogMessage(MSG& msg) {
  const HWND dialog = Application()->DialogHandle();
  if (!dialog)
    return false;
  return IsWindowUnicode(dialog) ? IsDialogMessageW(dialog, &msg) != 0
                                 : IsDialogMessageA(dialog, &msg) != 0;
}

// Only characters the 8-bit loop would lose, and only for windows (and a
// dialog) that take them whole.
bool IsWideCharForUnicodeWindow(const MSG& msg) {
  if (msg.message != WM_CHAR || static_cast<int32_t>(msg.wParam) <= 255 ||
      !IsWindowUnicode(msg.hwnd))
    return false;
  const HWND dialog = Application()->DialogHandle();
  return !dialog || IsWindowUnicode(dialog);
}

LRESULT CALLBACK GetMessageHookProc(int code, WPARAM wParam, LPARAM lParam) {
  Guard(wideApplication, [&] {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && wParam == PM_REMOVE && wideApplication &&
        wideApplication->ProcessWideCharMessage(*msg))
      msg->message = WM_NULL;
  });
  return CallNextHookEx(wideCharHook, code, wParam, lParam);
}

void InstallWideCharHook() {
  wideCharHook =
      SetWindowsHookExW(WH_GETMESSAGE, GetMessageHookProc, nullptr, GetCurrentThreadId());
  if (!wideCharHook)
    RaiseLastOSError();
}

}  // namespace

// ---- The wide application --------------------------------------------------------------

VEL_CLASS_IMPL(TUcApplication, TComponent)

TUcApplication::TUcApplication() : TComponent(nullptr) {
  Application()->HookMainWindow(Method<&TUcApplication::MainWindowHook>(this));
}

TUcApplication::~TUcApplication() {
  if (idleControl_)
    idleControl_->Free();
  if (Application())
    Application()->UnhookMainWindow(Method<&TUcApplication::MainWindowHook>(this));
}

void TUcApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == idleControl_)
    idleControl_ = nullptr;
}

std::wstring TUcApplication::MouseControlHint() {
  TControl* control = Application()->MouseControl();
  return control ? LongHintPart(FindWideHint(control)) : std::wstring();
}

std::wstring TUcApplication::Hint() {
  const std::wstring mouseHint = MouseControlHint();
  if (Application()->Hint() == WideToAnsi(mouseHint))
    wideHint_ = mouseHint;
  return GetPairedWideText(wideHint_, Application()->Hint());
}

void TUcApplication::SetAnsiHint(const std::string& value) {
  Application()->SetHint(value);
}

void TUcApplication::SetHint(const std::wstring& value) {
  SetPairedWideText(value, wideHint_, Application()->Hint(),
                    Method<&TUcApplication::SetAnsiHint>(this));
}

void TUcApplication::IdleHintUpdate(TObject*) {
  const std::wstring mouseHint = MouseControlHint();
  if (Application()->Hint() == WideToAnsi(mouseHint))
    SetHint(mouseHint);
}

bool TUcApplication::MainWindowHook(TMessage& m) {
  if (m.Msg != CM_ACTIONEXECUTE)
    return false;
  auto* action = reinterpret_cast<TBasicAction*>(m.LParam);
  // Exactly the class library's own hint action: a wide one is ours.
  if (!action || action->ClassType() != &THintAction::StaticClass())
    return false;
  const std::wstring hint = Hint();
  if (static_cast<THintAction*>(action)->TCustomAction::Hint() != WideToAnsi(hint))
    return false;
  m.Result = 1;
  TOwned<TUcHintAction> wide(Create<TUcHintAction>(this));
  wide->SetHint(hint);
  wide->Execute();
  return true;
}

void TUcApplication::CheckMainForm() {
  TCustomForm* mainForm = Application()->MainForm();
  if (mainFormChecked_ || !mainForm)
    return;
  mainFormChecked_ = true;
  idleControl_ = Create<TUcAppIdleEventControl>(mainForm);
  idleControl_->FreeNotification(this);
  idleControl_->SetParent(mainForm);
}

bool TUcApplication::ProcessWideCharMessage(MSG& msg) {
  CheckMainForm();
  if (!IsWideCharForUnicodeWindow(msg))
    return false;
  bool handled = false;
  TApplication* app = Application();
  if (app->OnMessage)
    Guard(app, [&] { app->OnMessage(app, msg, handled); });
  app->CancelHint();
  if (!handled && !IsWideDialogMessage(msg))
    DispatchMessageW(&msg);
  return true;
}

// ---- The idle control ----------------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcAppIdleEventControl, TControl)

TUcAppIdleEventControl::TUcAppIdleEventControl(TComponent* owner) : TControl(owner) {}

void TUcAppIdleEventControl::AfterConstruction() {
  TControl::AfterConstruction();
  // Never under the mouse.
  SetBounds(0, 0, 0, 0);
  SetParentFont(false);
  SetVisible(true);
  auto* action = Create<TUcAction>(this);
  const TNotifyEvent update = Method<&TUcApplication::IdleHintUpdate>(WideApplication());
  action->SetOnExecute(update);
  action->OnUpdate = update;
  SetAction(action);
}

// ---- Module and accelerators ------------------------------------------------------------

TUcApplication* WideApplication() {
  return wideApplication;
}

HHOOK WideCharHook() {
  return wideCharHook;
}

bool MatchWideAccelerator(WORD code, const std::wstring& caption) {
  const std::wstring hotKey = WideHotKey(caption);
  return !hotKey.empty() && WideCompareText(std::wstring(1, KeyCodeToWideChar(code)), hotKey) == 0;
}

void InitUcForms() {
  wideApplication = Create<TUcApplication>();
  // The platform itself decides: the flags are set by a later module.
  if (Platform().IsNT())
    InstallWideCharHook();
}

void DoneUcForms() {
  if (wideCharHook)
    UnhookWindowsHookEx(wideCharHook);
  wideCharHook = nullptr;
  if (wideApplication)
    wideApplication->Free();
  wideApplication = nullptr;
}
