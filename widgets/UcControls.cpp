#include "UcControls.h"

#include "ActnList.h"
#include "StdCtrls.h"
#include "System.h"
#include "UcGraphics.h"
#include "UcMenus.h"
#include "UcSysUtils.h"
#include "UcWindows.h"

namespace {

constexpr char kUnit[] = "widgets/UcControls";

struct TModuleState {
  UINT destroyMessage = 0;
  ATOM windowAtom = 0;
  ATOM controlAtom = 0;
  std::string windowAtomName;
  std::string controlAtomName;
  TComponentList* helpers = nullptr;
  TComponentList* waitingTraps = nullptr;
  TWinControl* creationControl = nullptr;
  bool stopped = false;
  int trapCount = 0;
};

TModuleState& State() {
  static TModuleState state;
  return state;
}

bool IsWindowed(const TControl* control) {
  return dynamic_cast<const TWinControl*>(control) != nullptr;
}

// The window of a windowed control; 0 for a windowless one or none yet.
HWND WindowOf(TControl* control) {
  auto* windowed = dynamic_cast<TWinControl*>(control);
  return windowed ? windowed->WindowHandle() : nullptr;
}

bool HasAnsiWindow(TControl* control) {
  const HWND window = WindowOf(control);
  return window && !IsWindowUnicode(window);
}

std::wstring WindowTextW(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  // The copied count, not the length asked before: windows that answer the
  // two differently would leave zeros behind the text.
  const int copied = GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? copied : 0);
  return text;
}

// The 8-bit setters that SetPairedWideText calls.
struct TTextSetter {
  TControl* control;
  void SetText(const std::string& value) { control->SetText(value); }
  void SetHint(const std::string& value) { control->SetHint(value); }
};

// Keeps a flag set for a scope and gives it its previous value back after,
// whatever happens.
class TFlagScope {
 public:
  TFlagScope(bool& flag, bool value) : flag_(flag), previous_(flag) { flag_ = value; }
  ~TFlagScope() { flag_ = previous_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

const char* AtomName(ATOM atom) {
  return MAKEINTATOM(atom);
}

ATOM AddAtom(const std::string& name) {
  return CheckedHandle(GlobalAddAtomA(name.c_str()));
}

}  // namespace

// ---- Helpers -----------------------------------------------------------------------------

VEL_CLASS_IMPL(TWideControlHelper, TWideComponentHelper)

TWideControlHelper::TWideControlHelper(TControl* control, TComponentList* helperList)
    : TWideComponentHelper(control, helperList), control_(control) {}

void TWideControlHelper::StoreText(const std::wstring& text) {
  wideText_ = text;
  hasText_ = true;
}

void TWideControlHelper::ForgetText() {
  wideText_.clear();
  hasText_ = false;
}

TWideControlHelper* GetWideControlHelper(TControl* control, bool create) {
  TComponentList* helpers = State().helpers;
  if (!helpers)
    return nullptr;
  auto* helper = static_cast<TWideControlHelper*>(FindWideComponentHelper(helpers, control));
  if (!helper && create)
    helper = Create<TWideControlHelper>(control, helpers);
  return helper;
}

// ---- Wide text -----------------------------------------------------------------------

std::wstring GetWideControlText(TControl* control) {
  if (!IsUnicodePlatform() || HasAnsiWindow(control))
    return AnsiToWide(control->Text());
  if (!IsWindowed(control)) {
    TWideControlHelper* helper = GetWideControlHelper(control, false);
    if (helper && helper->HasText())
      return GetPairedWideText(helper->WideText(), control->Text());
    return AnsiToWide(control->Text());
  }
  if (const HWND window = WindowOf(control))
    return WindowTextW(window);
  return HelperWideTextOr(control, AnsiToWide(control->Text()));
}

void SetWideControlText(TControl* control, const std::wstring& value) {
  if (!IsUnicodePlatform() || HasAnsiWindow(control)) {
    control->SetText(WideToAnsi(value));
    return;
  }
  if (!IsWindowed(control)) {
    TWideControlHelper* helper = GetWideControlHelper(control, true);
    if (!helper) {
      control->SetText(WideToAnsi(value));
      return;
    }
    // A helper made for the hint alone starts from the 8-bit text.
    if (!helper->HasText())
      helper->StoreText(AnsiToWide(control->Text()));
    TTextSetter setter{control};
    SetPairedWideText(value, helper->WideText(), control->Text(),
                      Method<&TTextSetter::SetText>(&setter));
    return;
  }
  if (const HWND window = WindowOf(control)) {
    if (GetWideControlText(control) == value)
      return;
    PlatformSetWindowText(window, value);
    control->Perform(CM_TEXTCHANGED, 0, 0);
    return;
  }
  StoreWideTextInHelper(control, value);
}

std::wstring GetWideControlHint(TControl* control) {
  TWideControlHelper* helper = IsUnicodePlatform() ? GetWideControlHelper(control, false) : nullptr;
  if (helper)
    return GetPairedWideText(helper->WideHint(), control->Hint());
  return AnsiToWide(control->Hint());
}

void SetWideControlHint(TControl* control, const std::wstring& value) {
  TWideControlHelper* helper = IsUnicodePlatform() ? GetWideControlHelper(control, true) : nullptr;
  if (!helper) {
    control->SetHint(WideToAnsi(value));
    return;
  }
  TTextSetter setter{control};
  SetPairedWideText(value, helper->WideHint(), control->Hint(),
                    Method<&TTextSetter::SetHint>(&setter));
}

bool IsWideCaptionStored(TControl* control) {
  TControlActionLink* link = control->ActionLink();
  return !link || !link->IsCaptionLinked();
}

bool IsWideHintStored(TControl* control) {
  TControlActionLink* link = control->ActionLink();
  return !link || !link->IsHintLinked();
}

std::wstring FindWideHint(TControl* control) {
  for (TControl* c = control; c; c = c->Parent()) {
    std::wstring hint = GetWideControlHint(c);
    if (!hint.empty())
      return hint;
  }
  return std::wstring();
}

std::wstring ShortHintPart(const std::wstring& hint) {
  const size_t bar = hint.find(L'|');
  return bar == std::wstring::npos ? hint : hint.substr(0, bar);
}

std::wstring LongHintPart(const std::wstring& hint) {
  const size_t bar = hint.find(L'|');
  return bar == std::wstring::npos ? hint : hint.substr(bar + 1);
}

void StoreWideTextInHelper(TControl* control, const std::wstring& value) {
  if (TWideControlHelper* helper = GetWideControlHelper(control, true))
    helper->StoreText(value);
  control->SetText(WideToAnsi(value));
}

std::wstring HelperWideTextOr(TControl* control, const std::wstring& fallback) {
  TWideControlHelper* helper = GetWideControlHelper(control, false);
  return helper && helper->HasText() ? helper->WideText() : fallback;
}

bool IsWindowTextMessage(UINT msg) {
  return msg == WM_SETTEXT || msg == WM_GETTEXT || msg == WM_GETTEXTLENGTH;
}

// ---- Unicode windows ------------------------------------------------------------------

UINT DestroyWindowMessage() {
  return State().destroyMessage;
}

namespace {

// Takes the control's last parked trap out of the waiting list, or makes a
// new one.
TWinControlTrap* FindOrCreateTrap(TWinControl* control) {
  TComponentList* waiting = State().waitingTraps;
  for (int i = waiting ? waiting->Count() - 1 : -1; i >= 0; --i) {
    auto* trap = static_cast<TWinControlTrap*>(waiting->Items(i));
    if (trap->Control() == control) {
      waiting->Delete(i);
      return trap;
    }
  }
  return Create<TWinControlTrap>(control);
}

void Park(TWinControlTrap* trap) {
  if (State().waitingTraps)
    State().waitingTraps->Add(trap);
}

// A window whose creation failed leaves no trap waiting, but one that the
// control's message chain still leads to lives on with the control.
void FreeWaitingTraps(TWinControl* control) {
  TComponentList* waiting = State().waitingTraps;
  for (int i = waiting ? waiting->Count() - 1 : -1; i >= 0; --i) {
    auto* trap = static_cast<TWinControlTrap*>(waiting->Items(i));
    if (trap->Control() == control && !trap->IsTrapHookInChain())
      trap->Free();
  }
}

LRESULT CALLBACK WideCreationWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = CreationControl();
  if (!control)
    return DefWindowProcW(window, msg, wParam, lParam);
  LRESULT result = 0;
  Guard(control, [&] {
    control->SetWindowHandle(window);
    TWinControlTrap* trap = FindOrCreateTrap(control);
    Park(trap);
    const WNDPROC instance = trap->MainProcedure();
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
    if ((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) && GetWindowLongW(window, GWL_ID) == 0)
      SetWindowLongPtrW(window, GWLP_ID, reinterpret_cast<LONG_PTR>(window));
    SetPropA(window, AtomName(State().controlAtom), control);
    SetPropA(window, AtomName(State().windowAtom), control);
    SetCreationControl(nullptr);
    result = CallWindowProcW(instance, window, msg, wParam, lParam);
  });
  return result;
}

WNDPROC SystemClassProcedure(const std::wstring& systemClass, HINSTANCE instance) {
  WNDCLASSW info{};
  if (!systemClass.empty() && (GetClassInfoW(instance, systemClass.c_str(), &info) ||
                               GetClassInfoW(nullptr, systemClass.c_str(), &info)))
    return info.lpfnWndProc;
  return DefWindowProcW;
}

// This module's control under creation, for the duration of one call.
class TUnicodeCreationScope {
 public:
  explicit TUnicodeCreationScope(TWinControl* control) { State().creationControl = control; }
  ~TUnicodeCreationScope() { State().creationControl = nullptr; }
  TUnicodeCreationScope(const TUnicodeCreationScope&) = delete;
  TUnicodeCreationScope& operator=(const TUnicodeCreationScope&) = delete;
};

}  // namespace

std::wstring RegisterWideWindowClass(const TCreateParams& params) {
  const std::wstring name = AnsiToWide(params.WinClassName + ".UnicodeClass");
  const HINSTANCE instance = HInstance();
  WNDCLASSW existing{};
  if (GetClassInfoW(instance, name.c_str(), &existing)) {
    if (existing.lpfnWndProc == WideCreationWndProc)
      return name;
    if (!UnregisterClassW(name.c_str(), instance))
      RaiseLastOSError();
  }
  const WNDCLASSA& source = params.WindowClass;
  const char* menu = source.lpszMenuName;
  const std::wstring menuName = menu && !IsIntegerResourceName(menu) ? AnsiToWide(menu) : L"";
  WNDCLASSW wc{};
  wc.style = source.style;
  wc.cbClsExtra = source.cbClsExtra;
  wc.cbWndExtra = source.cbWndExtra;
  wc.hIcon = source.hIcon;
  wc.hCursor = source.hCursor;
  wc.hbrBackground = source.hbrBackground;
  wc.hInstance = instance;
  wc.lpfnWndProc = WideCreationWndProc;
  wc.lpszMenuName = menuName.empty() ? reinterpret_cast<LPCWSTR>(menu) : menuName.c_str();
  wc.lpszClassName = name.c_str();
  if (!RegisterClassW(&wc))
    RaiseLastOSError();
  return name;
}

void CreateUnicodeHandle(TWinControl* control, const TCreateParams& params,
                         const std::wstring& systemClass) {
  const TCreateParams& p = params;
  if (!IsUnicodePlatform()) {
    control->SetWindowHandle(CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(),
                                             p.Style, p.X, p.Y, p.Width, p.Height, p.WndParent,
                                             nullptr, p.WindowClass.hInstance, p.Param));
    return;
  }
  control->SetDefWndProc(SystemClassProcedure(systemClass, p.WindowClass.hInstance));
  const std::wstring className = RegisterWideWindowClass(params);
  HWND window = nullptr;
  DWORD error = 0;
  {
    const TUnicodeCreationScope creating(control);
    window = CreateWindowExW(p.ExStyle, className.c_str(), nullptr, p.Style, p.X, p.Y, p.Width,
                             p.Height, p.WndParent, nullptr, HInstance(), p.Param);
    error = GetLastError();
  }
  if (!window) {
    control->SetWindowHandle(nullptr);
    FreeWaitingTraps(control);
    SetLastError(error ? error : ERROR_CANNOT_MAKE);
    RaiseLastOSError();
  }
  control->SetWindowHandle(window);
  SubClassUnicodeControl(control, p.Caption);
}

void SubClassUnicodeControl(TWinControl* control, const std::string& caption) {
  if (!IsWindowUnicode(control->WindowHandle()))
    throw EUcInternalError("Internal Error: SubClassUnicodeControl.Control is not Unicode.");
  FindOrCreateTrap(control)->AttachTrap();
  SetWideControlText(control, HelperWideTextOr(control, AnsiToWide(caption)));
}

LRESULT NotifyFormatFor(HWND window) {
  const bool unicode =
      IsUnicodePlatform() &&
      (IsWindowUnicode(window) ||
       (State().creationControl && State().creationControl->WindowHandle() == window));
  return unicode ? NFR_UNICODE : NFR_ANSI;
}

TWinControlTrap* AttachedTrap(TWinControl* control) {
  const TWndMethod current = control->WindowProc();
  // Every trap's hook runs through the same code; the object is the trap.
  const TWndMethod anyHook =
      Method<&TWinControlTrap::TrapMessageHook>(static_cast<TWinControlTrap*>(nullptr));
  return current.SameMethodCode(anyHook) ? static_cast<TWinControlTrap*>(current.Data()) : nullptr;
}

int TrapCount() {
  return State().trapCount;
}

// ---- The trap ---------------------------------------------------------------------------------

VEL_CLASS_IMPL(TWinControlTrap, TComponent)

// Counts a procedure of the trap as running; the outermost one frees a trap
// whose control went away meanwhile.
class TWinControlTrap::TDepthScope {
 public:
  explicit TDepthScope(TWinControlTrap* trap) : trap_(trap) { ++trap_->depth_; }
  ~TDepthScope() {
    if (--trap_->depth_ == 0 && trap_->freePending_)
      trap_->Free();
  }
  TDepthScope(const TDepthScope&) = delete;
  TDepthScope& operator=(const TDepthScope&) = delete;

 private:
  TWinControlTrap* trap_;
};

TWinControlTrap::TWinControlTrap(TWinControl* control)
    : TComponent(nullptr),
      mainProcedure_(MakeObjectInstance(Method<&TWinControlTrap::TrapMainProcedure>(this))),
      windowProcedure_(MakeObjectInstance(Method<&TWinControlTrap::TrapWindowProcedure>(this))),
      defaultProcedure_(MakeObjectInstance(Method<&TWinControlTrap::TrapDefaultProcedure>(this))),
      control_(control) {
  control_->FreeNotification(this);
  ++State().trapCount;
}

TWinControlTrap::~TWinControlTrap() {
  FreeObjectInstance(mainProcedure_);
  FreeObjectInstance(windowProcedure_);
  FreeObjectInstance(defaultProcedure_);
  --State().trapCount;
}

TWndMethod TWinControlTrap::Hook() {
  return Method<&TWinControlTrap::TrapMessageHook>(this);
}

void TWinControlTrap::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || component != control_)
    return;
  control_ = nullptr;
  if (depth_ > 0) {
    freePending_ = true;
  } else {
    Free();
  }
}

void TWinControlTrap::AttachTrap() {
  window_ = control_->WindowHandle();
  previousWindowProcedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC));
  previousDefaultProcedure_ = control_->DefWndProc();
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure_));
  control_->SetDefWndProc(defaultProcedure_);
  HookControlWindowProc();
  attached_ = true;
}

void TWinControlTrap::DetachTrap(bool windowStays) {
  const bool destroying = control_->ComponentState().Contains(csDestroying);
  if (windowStays) {
    // The window keeps the text, and 8-bit text from now on.
    if (TWideControlHelper* helper = GetWideControlHelper(control_, false))
      helper->ForgetText();
  } else if (!destroying) {
    StoreWideTextInHelper(control_, GetWideControlText(control_));
  }
  // The text went through the trap; from here on its hook only passes on.
  attached_ = false;
  if (control_->WindowProc().SameMethodCode(Hook()))
    control_->SetWindowProc(previousMessageMethod_);
  if (windowStays) {
    KeepAsAnsiWindow();
  } else {
    control_->SetDefWndProc(previousDefaultProcedure_);
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousWindowProcedure_));
  }
  if (!destroying)
    Park(this);
}

void TWinControlTrap::KeepAsAnsiWindow() {
  // Without the trap the class library hands its 8-bit text buffers straight
  // to the default procedure, which would read and write them as wide text.
  // As an 8-bit window the system converts on both sides: the default
  // procedure is reached through the handle that an 8-bit caller gets for it.
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousDefaultProcedure_));
  const auto ansiDefault = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousWindowProcedure_));
  control_->SetDefWndProc(ansiDefault);
}

void TWinControlTrap::HookControlWindowProc() {
  if (IsTrapHookInChain())
    return;
  previousMessageMethod_ = control_->WindowProc();
  control_->SetWindowProc(Hook());
}

bool TWinControlTrap::IsTrapHookInChain() {
  const TWndMethod current = control_->WindowProc();
  if (current.SameMethodCode(control_->OwnWindowProc()))
    return false;
  if (current.SameMethodCode(Hook()))
    return true;
  const TFlagScope probing(probing_, true);
  probeFound_ = false;
  TMessage probe{};
  current(probe);
  return probeFound_;
}

// Win32's messages reach the control here, through its main procedure.
void TWinControlTrap::TrapMainProcedure(TMessage& m) {
  if (!control_) {
    m.Result = DefWindowProcW(window_, m.Msg, m.WParam, m.LParam);
    return;
  }
  const TDepthScope running(this);
  TMessage* const outer = win32Message_;
  win32Message_ = &m;
  control_->MainWndProc(m);
  win32Message_ = outer;
}

void TWinControlTrap::TrapWindowProcedure(TMessage& m) {
  if (State().stopped) {
    if ((m.Msg == WM_DESTROY || m.Msg == State().destroyMessage) && control_)
      control_->SetWindowHandle(nullptr);
    return;
  }
  const TDepthScope running(this);
  m.Result = CallWindowProcW(previousWindowProcedure_, window_, m.Msg, m.WParam, m.LParam);
}

void TWinControlTrap::TrapMessageHook(TMessage& m) {
  if (probing_ && m.Msg == 0) {
    probeFound_ = true;
    return;
  }
  if (!control_ || !control_->WindowHandle()) {
    if (control_)
      control_->OwnWindowProc()(m);
    return;
  }
  if (!attached_) {
    previousMessageMethod_(m);
    return;
  }
  const TDepthScope running(this);
  if (m.Msg == CM_HINTSHOW)
    PrepareWideHintShow(m);
  // A text message the class library sent itself carries an 8-bit buffer.
  if (&m != win32Message_ && IsWindowTextMessage(m.Msg)) {
    m.Result = SendMessageA(window_, m.Msg, m.WParam, m.LParam);
  } else {
    // A character from outside that is packed already goes on as it is.
    if (m.Msg == WM_CHAR && HIWORD(m.WParam) == 0)
      PackCharMessage(m);
    previousMessageMethod_(m);
  }
  if (m.Msg == State().destroyMessage && control_ && attached_)
    DetachTrap(true);
}

void TWinControlTrap::TrapDefaultProcedure(TMessage& m) {
  switch (m.Msg) {
    case WM_NOTIFYFORMAT:
      m.Result = NotifyFormatFor(reinterpret_cast<HWND>(m.WParam));
      return;
    case WM_CHAR:
      UnpackCharMessage(m);
      break;
    case WM_IME_CHAR:
      if (!IsPlatform51OrLater()) {
        m.Result = SendMessageW(window_, WM_CHAR, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_DESTROY:
      if (control_)
        DetachTrap(false);
      break;
    default:
      break;
  }
  PassToDefault(m);
}

void TWinControlTrap::PassToDefault(TMessage& m) {
  m.Result = CallWindowProcW(previousDefaultProcedure_, window_, m.Msg, m.WParam, m.LParam);
}

// ---- Characters above 255 -------------------------------------------------------------

namespace {

void RequireCharMessage(const TMessage& m) {
  Assert(m.Msg == WM_CHAR, kUnit);
}

}  // namespace

void PackCharMessage(TMessage& m) {
  RequireCharMessage(m);
  TWMChar chr(m);
  Assert(chr.HighWord() == 0, kUnit);
  if (chr.CharCode() > 255) {
    chr.SetHighWord(chr.CharCode());
    chr.SetCharCode(255);
  }
}

void UnpackCharMessage(TMessage& m) {
  RequireCharMessage(m);
  TWMChar chr(m);
  if (chr.HighWord() > 0 && chr.CharCode() == 255)
    chr.SetCharCode(chr.HighWord());
  chr.SetHighWord(0);
}

wchar_t CharOfCharMessage(const TMessage& m) {
  RequireCharMessage(m);
  const WORD code = LOWORD(m.WParam);
  const WORD high = HIWORD(m.WParam);
  return static_cast<wchar_t>(code == 255 && high != 0 ? high : code);
}

void SetCharMessageChar(TMessage& m, wchar_t c) {
  RequireCharMessage(m);
  m.WParam = static_cast<WORD>(c);
  PackCharMessage(m);
}

// ---- Wide hints --------------------------------------------------------------------------

namespace {

const TMetaClass& WideHintWindowClass() {
  return TUcCustomHintWindow::StaticClass();
}

}  // namespace

void PrepareWideHintShow(TMessage& m) {
  THintInfo* info = TCMHintShow(m).HintInfo();
  if (!IsUnicodePlatform() || !info)
    return;
  const TMetaClass* cls = info->HintWindowClass;
  const bool plain = cls == &THintWindow::StaticClass();
  if (!plain && !(cls && cls->InheritsFrom(&WideHintWindowClass())))
    return;
  if (plain)
    info->HintWindowClass = &WideHintWindowClass();
  info->HintData = info;
  info->HintStr = WideToAnsi(ShortHintPart(FindWideHint(info->HintControl)));
}

bool IsWideHintData(const void* data) {
  // Only the application's own record is ever read: any other pointer could
  // fault, and no fault can be caught here.
  if (!data || !Application() || data != &Application()->CurrentHintInfo())
    return false;
  const THintInfo& info = Application()->CurrentHintInfo();
  return info.HintData == data && info.HintWindowClass &&
         info.HintWindowClass->InheritsFrom(&WideHintWindowClass());
}

std::wstring GetWideHintText(const THintInfo& info) {
  const std::wstring converted = AnsiToWide(info.HintStr);
  if (converted.empty())
    return converted;
  const std::wstring wide = ShortHintPart(FindWideHint(info.HintControl));
  if (WideToAnsi(wide) == info.HintStr)
    return wide;
  const auto* action =
      info.HintControl ? dynamic_cast<const TCustomAction*>(info.HintControl->Action()) : nullptr;
  if (!Application() || !Application()->HintShortCuts() || !action || !action->ShortCut())
    return converted;
  const TShortCut shortCut = action->ShortCut();
  if (info.HintStr != Format("%s (%s)", WideToAnsi(wide), ShortCutToText(shortCut)))
    return converted;
  return WideFormat(L"%s (%s)", wide, ShortCutToWideText(shortCut));
}

VEL_COMPONENT_IMPL(TUcCustomHintWindow, THintWindow)

TUcCustomHintWindow::TUcCustomHintWindow(TComponent* owner) : THintWindow(owner) {}

void TUcCustomHintWindow::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, std::wstring());
}

void TUcCustomHintWindow::Dispatch(TMessage& m) {
  if (m.Msg != CM_TEXTCHANGED) {
    THintWindow::Dispatch(m);
    return;
  }
  if (!activating_ && HandleAllocated()) {
    const std::wstring caption = Caption();
    const int width = CanvasWideTextWidth(Canvas(), caption) + 6;
    const int height = CanvasWideTextHeight(Canvas(), caption) + 6;
    Canvas()->ReleaseHandle();
    SetBounds(Left(), Top(), width, height);
  }
  Invalidate();
}

void TUcCustomHintWindow::Paint() {
  if (!paintBlocked_)
    THintWindow::Paint();
}

void TUcCustomHintWindow::DrawHintText(HDC dc, TRect& rect, UINT flags) {
  if (IsUnicodePlatform())
    PlatformDrawText(dc, Caption(), -1, &rect, flags);
  else
    THintWindow::DrawHintText(dc, rect, flags);
}

void TUcCustomHintWindow::ActivateHint(const TRect& rect, const std::string& hint) {
  const TFlagScope activating(activating_, true);
  THintWindow::ActivateHint(rect, hint);
}

void TUcCustomHintWindow::ActivateHintData(const TRect& rect, const std::string& hint, void* data) {
  if (!IsUnicodePlatform() || !IsWideHintData(data)) {
    THintWindow::ActivateHintData(rect, hint, data);
    return;
  }
  {
    const TFlagScope blocked(paintBlocked_, true);
    const TFlagScope activating(activating_, true);
    THintWindow::ActivateHintData(rect, hint, data);
    SetCaption(GetWideHintText(*static_cast<const THintInfo*>(data)));
  }
  paintBlocked_ = false;
  Invalidate();
}

TRect TUcCustomHintWindow::CalcHintRect(int maxWidth, const std::string& hint, void* data) {
  if (!IsUnicodePlatform() || !IsWideHintData(data))
    return THintWindow::CalcHintRect(maxWidth, hint, data);
  HandleNeeded();
  TRect r(0, 0, maxWidth, 0);
  PlatformDrawText(Canvas()->Handle(), GetWideHintText(*static_cast<const THintInfo*>(data)), -1,
                   &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
  Canvas()->ReleaseHandle();
  r.right += 6;
  r.bottom += 2;
  return r;
}

// ---- Wide list items -----------------------------------------------------------------

void WideListAddItem(TControl* list, const std::wstring& item, TObject* object) {
  if (auto* wide = dynamic_cast<IWideListControl*>(list)) {
    wide->AddItem(item, object);
    return;
  }
  auto* combo = dynamic_cast<TCustomComboBox*>(list);
  if (!combo)
    throw EInvalidCast(Format("%s is no list control", list->ClassName()));
  combo->AddItem(WideToAnsi(item), object);
}

// ---- Module ---------------------------------------------------------------------------------

void InitUcControls() {
  TModuleState& s = State();
  s.stopped = false;
  s.destroyMessage = CheckedHandle(RegisterWindowMessageA("UcControls.DestroyWindow"));
  s.helpers = Create<TComponentList>(true);
  s.waitingTraps = Create<TComponentList>(false);
  s.windowAtomName = Format("%s%.8X", kWindowAtomPrefix, GetCurrentProcessId());
  s.controlAtomName =
      Format("ControlOfs%.8X%.8X", reinterpret_cast<uintptr_t>(HInstance()), GetCurrentThreadId());
  s.windowAtom = AddAtom(s.windowAtomName);
  s.controlAtom = AddAtom(s.controlAtomName);
}

void DoneUcControls() {
  TModuleState& s = State();
  if (s.controlAtom)
    GlobalDeleteAtom(s.controlAtom);
  if (s.windowAtom)
    GlobalDeleteAtom(s.windowAtom);
  s.controlAtom = s.windowAtom = 0;
  if (s.helpers)
    s.helpers->Free();
  if (s.waitingTraps)
    s.waitingTraps->Free();
  s.helpers = s.waitingTraps = nullptr;
  s.stopped = true;
  s.windowAtomName.clear();
  s.controlAtomName.clear();
}
