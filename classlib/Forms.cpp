#include "Forms.h"

#include "Reader.h"
#include "Startup.h"
#include "System.h"

#include <algorithm>

namespace {

TApplication* application = nullptr;

constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;
constexpr char kApplicationClass[] = "TApplication";

// The control of window or of the nearest window above it (a control's
// inner windows, such as a combo box's edit).
TWinControl* FindControlOrParent(HWND window) {
  for (HWND w = window; w; w = GetAncestor(w, GA_PARENT)) {
    if (TWinControl* control = FindControl(w))
      return control;
  }
  return nullptr;
}

// The first non-empty hint of control and its parents.
std::string FindHint(const TControl* control) {
  for (; control; control = control->Parent()) {
    if (!control->Hint().empty())
      return control->Hint();
  }
  return std::string();
}

TRect ScreenRectOf(const TControl* control) {
  const TPoint origin = control->ClientToScreen(TPoint(0, 0));
  return Bounds(origin.x, origin.y, control->Width(), control->Height());
}

void AddOnce(std::vector<TBasicAction*>& actions, TBasicAction* action) {
  if (action && std::find(actions.begin(), actions.end(), action) == actions.end())
    actions.push_back(action);
}

void CollectControlActions(const TControl* control, std::vector<TBasicAction*>& actions) {
  if (!control->Visible())
    return;
  AddOnce(actions, control->Action());
  if (const auto* windowed = dynamic_cast<const TWinControl*>(control)) {
    for (int i = 0; i < windowed->ControlCount(); ++i)
      CollectControlActions(windowed->Controls(i), actions);
  }
}

// The name of a virtual key as shortcuts show it.
std::string KeyText(WORD key) {
  static const std::pair<WORD, const char*> kNames[] = {
      {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
      {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
      {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
      {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
  };
  for (const auto& [vk, name] : kNames) {
    if (vk == key)
      return name;
  }
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24)
    return "F" + IntToStr(key - VK_F1 + 1);
  char name[64] = {};
  const LONG scan = static_cast<LONG>(MapVirtualKeyA(key, 0)) << 16;
  return scan && GetKeyNameTextA(scan, name, sizeof name) > 0 ? name : "";
}

HICON ApplicationIcon() {
  HICON icon = LoadIconA(HInstance(), "MAINICON");
  return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

// The top-level windows of this thread that a modal form disables while it
// shows: enabled again, and the previously active window activated, when
// the scope ends.
class TModalWindowsDisabled {
 public:
  explicit TModalWindowsDisabled(HWND modal) : modal_(modal), previous_(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND w : disabled_)
      EnableWindow(w, FALSE);
  }
  ~TModalWindowsDisabled() {
    for (HWND w : disabled_) {
      if (IsWindow(w))
        EnableWindow(w, TRUE);
    }
    if (previous_ && previous_ != modal_ && IsWindow(previous_))
      SetActiveWindow(previous_);
  }
  TModalWindowsDisabled(const TModalWindowsDisabled&) = delete;
  TModalWindowsDisabled& operator=(const TModalWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND w, LPARAM self) {
    auto* scope = reinterpret_cast<TModalWindowsDisabled*>(self);
    if (w != scope->modal_ && IsWindowVisible(w) && IsWindowEnabled(w))
      scope->disabled_.push_back(w);
    return TRUE;
  }

  HWND modal_;
  HWND previous_;
  std::vector<HWND> disabled_;
};

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  const std::string key = KeyText(shortCut & 0xFF);
  if (key.empty())
    return key;
  std::string text;
  if (shortCut & scShift)
    text += kShiftKeyText;
  if (shortCut & scCtrl)
    text += kCtrlKeyText;
  if (shortCut & scAlt)
    text += kAltKeyText;
  return text + key;
}

TShortCut ShortCut(WORD key, TShiftState shift) {
  if (key > 0xFF)
    return 0;
  TShortCut shortCut = key;
  if (shift.Contains(ssShift))
    shortCut |= scShift;
  if (shift.Contains(ssCtrl))
    shortCut |= scCtrl;
  if (shift.Contains(ssAlt))
    shortCut |= scAlt;
  return shortCut;
}

// ---- THintWindow ---------------------------------------------------------------------

VEL_COMPONENT_IMPL(THintWindow, TCustomControl)

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {}

void THintWindow::AfterConstruction() {
  TCustomControl::AfterConstruction();
  SetVisible(false);
  SetColor(clInfoBk);
  if (Screen())
    Canvas()->Font()->Assign(Screen()->HintFont());
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClass.style = CS_SAVEBITS;
  params.WndParent = Application() ? Application()->Handle() : nullptr;
}

void THintWindow::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCHITTEST:
      m.Result = HTTRANSPARENT;
      break;
    case CM_TEXTCHANGED:
      if (HandleAllocated()) {
        const TSize size = Canvas()->TextExtent(Caption());
        Canvas()->ReleaseHandle();
        SetBounds(Left(), Top(), size.cx + 6, size.cy + 6);
      }
      Invalidate();
      break;
    default:
      TCustomControl::Dispatch(m);
  }
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  r.left += 2;
  r.top += 2;
  TCanvas* canvas = Canvas();
  canvas->Font()->SetColor(Screen() ? Screen()->HintFont()->Color() : clInfoText);
  SetBkMode(canvas->Handle(), TRANSPARENT);
  DrawHintText(canvas->Handle(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::DrawHintText(HDC dc, TRect& rect, UINT flags) {
  const std::string text = Caption();
  DrawTextA(dc, text.c_str(), -1, &rect, flags);
}

void THintWindow::ActivateHint(const TRect& rect, const std::string& hint) {
  HandleNeeded();
  SetCaption(hint);
  SetBoundsRect(rect);
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  Invalidate();
  Update();
}

void THintWindow::ActivateHintData(const TRect& rect, const std::string& hint, void*) {
  ActivateHint(rect, hint);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint, void*) {
  HandleNeeded();
  TRect r(0, 0, maxWidth, 0);
  DrawTextA(Canvas()->Handle(), hint.c_str(), -1, &r,
            DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  Canvas()->ReleaseHandle();
  r.right += 6;
  r.bottom += 2;
  return r;
}

// ---- TCustomForm ---------------------------------------------------------------------

VEL_ENUM_TYPE_IMPL(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp")
VEL_ENUM_TYPE_IMPL(TPosition, "poDesigned", "poDefault", "poScreenCenter", "poMainFormCenter")
VEL_ENUM_TYPE_IMPL(TWindowState, "wsNormal", "wsMinimized", "wsMaximized")

VEL_COMPONENT_IMPL(TCustomForm, TCustomControl)

TCustomForm::TCustomForm(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
}

TCustomForm::~TCustomForm() = default;

void TCustomForm::AfterConstruction() {
  TCustomControl::AfterConstruction();
  creating_ = true;
  SetVisible(false);
  SetColor(clBtnFace);
  if (Screen())
    Screen()->AddForm(this);
  const TMetaClass* cls = ClassType();
  if (loadsFormData_ && cls != &TForm::StaticClass() && cls != &TCustomForm::StaticClass())
    ReadComponentResource(this);
  // A failing OnCreate is reported; the form is still made.
  if (OnCreate)
    Guard(this, [this] { OnCreate(this); });
  creating_ = false;
  if (Visible())
    UpdateControlState();
}

void TCustomForm::BeforeDestruction() {
  if (!ComponentState().Contains(csDestroying))
    Destroying();
  if (OnDestroy)
    Guard(this, [this] { OnDestroy(this); });
  if (Screen())
    Screen()->RemoveForm(this);
  TCustomControl::BeforeDestruction();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  // The menu took itself off the window already.
  if (operation == opRemove && component == menu_)
    menu_ = nullptr;
  if (operation == opRemove && component == popupParent_)
    popupParent_ = nullptr;
}

// Border and placement.

void TCustomForm::FrameStyle(DWORD& style, DWORD& exStyle) const {
  style = 0;
  exStyle = 0;
  switch (borderStyle_) {
    case bsNone:
      style = WS_POPUP;
      break;
    case bsSingle:
      style = WS_CAPTION;
      break;
    case bsSizeable:
      style = WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      style = WS_POPUP | WS_CAPTION;
      exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      style = WS_CAPTION;
      exStyle = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      style = WS_CAPTION | WS_THICKFRAME;
      exStyle = WS_EX_TOOLWINDOW;
      break;
  }
  if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu))
    style |= WS_SYSMENU;
  if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
    if (borderIcons_.Contains(biMinimize))
      style |= WS_MINIMIZEBOX;
    if (borderIcons_.Contains(biMaximize))
      style |= WS_MAXIMIZEBOX;
  }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_)
    return;
  const TRect client = ClientRect();
  borderStyle_ = style;
  if (HandleAllocated()) {
    RecreateWnd();
  } else if (!ComponentState().Contains(csLoading)) {
    // Without a window the client area keeps its size, the frame changes.
    SetClientSize(client.Width(), client.Height());
  }
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == borderIcons_)
    return;
  borderIcons_ = icons;
  RecreateWnd();
}

TRect TCustomForm::ClientRect() const {
  if (HandleAllocated())
    return TCustomControl::ClientRect();
  const TSize frame = FrameSize();
  return TRect(0, 0, std::max<LONG>(0, Width() - frame.cx), std::max<LONG>(0, Height() - frame.cy));
}

TSize TCustomForm::FrameSize() const {
  DWORD style;
  DWORD exStyle;
  FrameStyle(style, exStyle);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, menu_ != nullptr, exStyle);
  return TSize(frame.right - frame.left, frame.bottom - frame.top);
}

void TCustomForm::CreateWnd() {
  const TRect client = ClientRect();
  TCustomControl::CreateWnd();
  AttachMenu();
  // The system may draw a thicker frame than it computes, and an owner-drawn
  // menu bar is only measured now: the client size is what the form asked
  // for.
  if (ClientRect() != client)
    TCustomControl::SetClientSize(client.Width(), client.Height());
}

void TCustomForm::DestroyWindowHandle() {
  DetachMenu();
  TCustomControl::DestroyWindowHandle();
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_)
    return;
  const TRect client = ClientRect();
  if (menu_) {
    DetachMenu();
    menu_->RemoveFreeNotification(this);
  }
  menu_ = menu;
  if (menu_)
    menu_->FreeNotification(this);
  AttachMenu();
  if (!ComponentState().Contains(csLoading))
    SetClientSize(client.Width(), client.Height());
}

void TCustomForm::AttachMenu() {
  if (!menu_ || !HandleAllocated())
    return;
  ::SetMenu(WindowHandle(), menu_->Handle());
  menu_->SetWindowHandle(WindowHandle());
}

void TCustomForm::DetachMenu() {
  if (!menu_ || !HandleAllocated())
    return;
  ::SetMenu(WindowHandle(), nullptr);
  menu_->SetWindowHandle(nullptr);
}

void TCustomForm::SetClientSize(int width, int height) {
  // Form data may give the client size before the border: Loaded applies
  // it again once every property is in.
  if (ComponentState().Contains(csLoading))
    loadedClientSize_ = TSize(width, height);
  if (HandleAllocated()) {
    TCustomControl::SetClientSize(width, height);
    return;
  }
  const TSize frame = FrameSize();
  SetBounds(Left(), Top(), width + frame.cx, height + frame.cy);
}

void TCustomForm::Loaded() {
  if (loadedClientSize_.cx >= 0) {
    const TSize size = loadedClientSize_;
    loadedClientSize_ = TSize(-1, -1);
    SetClientSize(size.cx, size.cy);
  }
  TCustomControl::Loaded();
}

void TCustomForm::SetWindowState(TWindowState state) {
  if (state == windowState_)
    return;
  windowState_ = state;
  if (!HandleAllocated() || !IsWindowVisible(WindowHandle()))
    return;
  const HWND window = WindowHandle();
  ShowWindow(window, state == wsMinimized   ? SW_MINIMIZE
                     : state == wsMaximized ? SW_SHOWMAXIMIZED
                                            : SW_SHOWNORMAL);
  // A minimised window that was maximised comes back maximised first.
  if (state == wsNormal && IsZoomed(window))
    ShowWindow(window, SW_SHOWNORMAL);
}

void TCustomForm::SizeChanged(TMessage& m) {
  if (!IsWindowVisible(WindowHandle()))
    return;
  switch (m.WParam) {
    case SIZE_MINIMIZED:
      windowState_ = wsMinimized;
      break;
    case SIZE_MAXIMIZED:
      windowState_ = wsMaximized;
      break;
    case SIZE_RESTORED:
      windowState_ = wsNormal;
      break;
    default:
      break;
  }
}

void TCustomForm::MinMaxInfo(TMessage& m) {
  DefaultHandler(m);
  auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
  const TSizeConstraints* c = Constraints();
  if (c->MinWidth() > 0)
    info->ptMinTrackSize.x = c->MinWidth();
  if (c->MinHeight() > 0)
    info->ptMinTrackSize.y = c->MinHeight();
  if (c->MaxWidth() > 0)
    info->ptMaxTrackSize.x = c->MaxWidth();
  if (c->MaxHeight() > 0)
    info->ptMaxTrackSize.y = c->MaxHeight();
  m.Result = 0;
}

void TCustomForm::SetPopupParent(TCustomForm* parent) {
  if (parent == popupParent_)
    return;
  if (popupParent_)
    popupParent_->RemoveFreeNotification(this);
  popupParent_ = parent;
  if (parent)
    parent->FreeNotification(this);
  if (HandleAllocated())
    SetWindowLongPtrA(WindowHandle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(OwnerWindow()));
}

HWND TCustomForm::OwnerWindow() const {
  if (popupParent_ && popupParent_ != this)
    return popupParent_->Handle();
  TApplication* app = Application();
  if (!app)
    return nullptr;
  if (!app->MainFormOnTaskBar())
    return app->Handle();
  TCustomForm* main = app->MainForm();
  return main && main != this ? main->Handle() : nullptr;
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  DWORD style;
  DWORD exStyle;
  FrameStyle(style, exStyle);
  params.Style = (params.Style & ~(WS_CHILD | WS_CLIPSIBLINGS)) | style;
  params.ExStyle |= exStyle;
  params.WndParent = OwnerWindow();
  TApplication* app = Application();
  if (app && app->MainForm() == this && app->MainFormOnTaskBar())
    params.ExStyle |= WS_EX_APPWINDOW;
  if (position_ == poDefault)
    params.X = params.Y = CW_USEDEFAULT;
  params.WindowClass.style = CS_DBLCLKS;
  params.WindowClass.hIcon = ApplicationIcon();
}

// Showing.

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated())
    SetWindowPos(WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

int TCustomForm::ShowCommand() const {
  switch (windowState_) {
    case wsMaximized:
      return SW_SHOWMAXIMIZED;
    case wsMinimized:
      return SW_SHOWMINIMIZED;
    default:
      return SW_SHOWNORMAL;
  }
}

void TCustomForm::ApplyPosition() {
  TRect area(0, 0, Screen() ? Screen()->Width() : 0, Screen() ? Screen()->Height() : 0);
  switch (position_) {
    case poScreenCenter:
      break;
    case poMainFormCenter: {
      TCustomForm* main = Application() ? Application()->MainForm() : nullptr;
      if (main && main != this && main->HandleAllocated())
        area = main->BoundsRect();
      break;
    }
    default:
      return;
  }
  SetBounds(area.left + (area.Width() - Width()) / 2, area.top + (area.Height() - Height()) / 2,
            Width(), Height());
}

void TCustomForm::ShowingChanged() {
  const HWND window = WindowHandle();
  if (Showing()) {
    RaiseEvent(OnShow);
    if (!shown_) {
      shown_ = true;
      ApplyPosition();
    }
    ShowWindow(window, ShowCommand());
  } else {
    RaiseEvent(OnHide);
    ShowWindow(window, SW_HIDE);
  }
}

TModalResult TCustomForm::ShowModal() {
  TApplication* app = Application();
  if (Visible() || !Enabled() || modal_ || !app)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture())
    SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  app->CancelHint();
  HandleNeeded();
  // Declared in reverse order of their ends: first the form is hidden and
  // unmarked, then the other windows come back.
  const TModalWindowsDisabled disabled(WindowHandle());
  struct TModalState {
    TCustomForm* form;
    TApplication* app;
    TModalState(TCustomForm* f, TApplication* a) : form(f), app(a) {
      form->modal_ = true;
      ++app->modalLevel_;
    }
    ~TModalState() {
      form->modal_ = false;
      --app->modalLevel_;
      if (form->HandleAllocated())
        SetWindowPos(form->WindowHandle(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Guard(form, [this] { form->Hide(); });
    }
  } state(this, app);
  modalResult_ = mrNone;
  Show();
  do {
    if (!app->Terminated())
      app->HandleMessage();
    if (app->Terminated())
      modalResult_ = mrCancel;
    else if (modalResult_ != mrNone)
      CloseModal();
  } while (modalResult_ == mrNone);
  return modalResult_;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone)
    modalResult_ = mrNone;
  else if (action == caFree)
    Release();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  RaiseEvent(OnCloseQuery, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  RaiseEvent(OnClose, action);
}

void TCustomForm::SetModalResult(TModalResult result) {
  if (result == modalResult_)
    return;
  modalResult_ = result;
  // The modal loop may be waiting for a posted message while this runs in a
  // sent one (Synchronize): wake it.
  if (modal_ && HandleAllocated())
    PostMessageA(WindowHandle(), WM_NULL, 0, 0);
}

void TCustomForm::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery())
    return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone)
    return;
  TApplication* app = Application();
  if (app && app->MainForm() == this) {
    app->Terminate();
    return;
  }
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    default:
      Release();
  }
}

void TCustomForm::Release() {
  PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

// Focus.

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == activeControl_)
    return;
  if (control && control != this && !ContainsControl(control))
    throw EInvalidOperation("Invalid control for the active control of the form");
  if (ComponentState().Contains(csLoading) || !active_ || !control) {
    activeControl_ = control;
    return;
  }
  control->SetFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (ComponentState().Contains(csDestroying) || control->ComponentState().Contains(csDestroying))
    return true;
  if (Screen())
    Screen()->SetActiveForm(this);
  if (control == this) {
    // The form itself got the focus: it goes on to the active control.
    if (activeControl_ && activeControl_->CanFocus() && activeControl_->HandleAllocated()) {
      ::SetFocus(activeControl_->WindowHandle());
      return false;
    }
    return true;
  }
  activeControl_ = control;
  if (control != focusedControl_)
    ChangeFocusedControl(control);
  return true;
}

void TCustomForm::ChangeFocusedControl(TWinControl* next) {
  TWinControl* previous = focusedControl_;
  focusedControl_ = next;
  // Leave the old control and its containers up to the one both share, then
  // enter the new one's containers from the outside in.
  for (TWinControl* c = previous; c && c != this && !c->ContainsControl(next); c = c->Parent())
    c->Perform(CM_EXIT);
  std::vector<TWinControl*> entered;
  for (TWinControl* c = next; c && c != this && !(previous && c->ContainsControl(previous));
       c = c->Parent())
    entered.push_back(c);
  for (auto it = entered.rbegin(); it != entered.rend(); ++it)
    (*it)->Perform(CM_ENTER);
}

bool TCustomForm::RestoreFocus() {
  TWinControl* target = activeControl_;
  if (!target || !target->CanFocus())
    target = FindNextControl(nullptr, true, true, false);
  if (!target)
    return false;
  ::SetFocus(target->Handle());
  return true;
}

void TCustomForm::Activated(TMessage& m) {
  active_ = LOWORD(m.WParam) != WA_INACTIVE;
  if (active_ && Screen())
    Screen()->SetActiveForm(this);
  if (active_ && !HIWORD(m.WParam) && RestoreFocus()) {
    m.Result = 0;
  } else {
    DefaultHandler(m);
  }
  RaiseEvent(active_ ? OnActivate : OnDeactivate);
}

namespace {

// Whether inner is outer or lies inside it.
bool IsOrInside(const TControl* inner, const TControl* outer) {
  for (; inner; inner = inner->Parent()) {
    if (inner == outer)
      return true;
  }
  return false;
}

}  // namespace

void TCustomForm::ControlLeaving(TControl* control) {
  if (IsOrInside(activeControl_, control))
    activeControl_ = nullptr;
  if (IsOrInside(focusedControl_, control))
    focusedControl_ = nullptr;
}

bool TCustomForm::DialogKey(TMessage& m) {
  if (GetKeyState(VK_MENU) < 0)
    return false;
  const WORD key = TWMKey(m).CharCode();
  if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
    SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
    m.Result = 1;
    return true;
  }
  const bool arrow = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
  if (arrow && activeControl_ && activeControl_->Parent()) {
    activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN, false);
    m.Result = 1;
    return true;
  }
  return false;
}

// Actions.

bool TCustomForm::ExecuteAction(TBasicAction* action) {
  if (activeControl_ && activeControl_->ExecuteAction(action))
    return true;
  return TCustomControl::ExecuteAction(action);
}

void TCustomForm::CollectActions(std::vector<TBasicAction*>& actions) const {
  CollectControlActions(this, actions);
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* list = dynamic_cast<TActionList*>(Components(i));
    for (int j = 0; list && j < list->ActionCount(); ++j)
      AddOnce(actions, list->Actions(j));
  }
}

// Messages.

void TCustomForm::Paint() {
  RaiseEvent(OnPaint);
}

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      m.Result = 0;
      break;
    case WM_QUERYENDSESSION:
      m.Result = CloseQuery() ? 1 : 0;
      break;
    case WM_ACTIVATE:
      Activated(m);
      break;
    case WM_ACTIVATEAPP:
      if (Application())
        Application()->SetActive(m.WParam != 0);
      TCustomControl::Dispatch(m);
      break;
    case WM_SIZE:
      SizeChanged(m);
      TCustomControl::Dispatch(m);
      break;
    case WM_GETMINMAXINFO:
      MinMaxInfo(m);
      break;
    case CM_VISIBLECHANGED:
      // Shown only once OnCreate has run.
      if (!creating_)
        TCustomControl::Dispatch(m);
      break;
    case CM_SHOWINGCHANGED:
      ShowingChanged();
      break;
    case CM_DIALOGKEY:
      if (!DialogKey(m))
        TCustomControl::Dispatch(m);
      break;
    case CM_ACTIONEXECUTE:
      m.Result =
          TCMActionExecute(m).Action() && ExecuteAction(TCMActionExecute(m).Action()) ? 1 : 0;
      break;
    case WM_COMMAND:
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_MENUCHAR:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      // The menu's messages come before the reflection to child controls.
      if (!menu_ || !DispatchMenuMessage({menu_}, m))
        TCustomControl::Dispatch(m);
      break;
    case CM_RELEASE:
      Free();
      break;
    default:
      TCustomControl::Dispatch(m);
  }
}

TCustomForm* GetParentForm(TControl* control) {
  return dynamic_cast<TCustomForm*>(FormControlOf(control));
}

// ---- TForm ---------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TForm, TCustomForm)

void TForm::Publish(TPublisher<TForm>& p) {
  p.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
  p.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight);
  p.Property("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth);
  p.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
  p.Property("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  p.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition);
  p.Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState);
  p.Event("OnActivate", &TCustomForm::OnActivate);
  p.Event("OnClose", &TCustomForm::OnClose);
  p.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
  p.Event("OnCreate", &TCustomForm::OnCreate);
  p.Event("OnDeactivate", &TCustomForm::OnDeactivate);
  p.Event("OnDestroy", &TCustomForm::OnDestroy);
  p.Event("OnHide", &TCustomForm::OnHide);
  p.Event("OnPaint", &TCustomForm::OnPaint);
  p.Event("OnShow", &TCustomForm::OnShow);
}

// ---- TApplication --------------------------------------------------------------------

VEL_CLASS_IMPL(TApplication, TComponent)

TApplication::TApplication(TComponent* owner)
    : TComponent(owner), hintWindowClass_(&THintWindow::StaticClass()) {}

TApplication::~TApplication() {
  if (handle_)
    DestroyWindow(handle_);
  FreeObjectInstance(objectInstance_);
}

void TApplication::AfterConstruction() {
  TComponent::AfterConstruction();
  WNDCLASSA wc{};
  if (!GetClassInfoA(HInstance(), kApplicationClass, &wc)) {
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = HInstance();
    wc.hIcon = ApplicationIcon();
    wc.lpszClassName = kApplicationClass;
    if (!RegisterClassA(&wc))
      RaiseLastOSError();
  }
  handle_ = CreateWindowExA(0, kApplicationClass, Title().c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0,
                            0, nullptr, nullptr, HInstance(), nullptr);
  if (!handle_)
    RaiseLastOSError();
  objectInstance_ = MakeObjectInstance(Method<&TApplication::WndProc>(this));
  SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(objectInstance_));

  SetExceptionHandler(
      [this](TObject* sender, const std::exception_ptr& e) { ExceptionHandler(sender, e); });
  TActionDispatcher dispatcher;
  dispatcher.Execute = Method<&TApplication::ExecuteActionHandler>(this);
  dispatcher.Update = Method<&TApplication::UpdateActionHandler>(this);
  dispatcher.Window = Method<&TApplication::Handle>(this);
  SetActionDispatcher(dispatcher);
  SetApplicationSite(this);
}

void TApplication::BeforeDestruction() {
  CancelHint();
  DestroyForms();
  TComponent::BeforeDestruction();
  SetApplicationSite(nullptr);
  SetActionDispatcher(TActionDispatcher());
  SetExceptionHandler(nullptr);
  if (handle_) {
    DestroyWindow(handle_);
    handle_ = nullptr;
  }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove)
    return;
  if (component == mainForm_)
    mainForm_ = nullptr;
  if (component == hintWindow_)
    hintWindow_ = nullptr;
}

std::string TApplication::Title() const {
  return ApplicationTitle();
}

void TApplication::SetTitle(const std::string& title) {
  if (title == ApplicationTitle())
    return;
  SetApplicationTitle(title);
  if (handle_ && !mainFormOnTaskBar_)
    SetWindowTextA(handle_, title.c_str());
}

std::string TApplication::ExeName() const {
  return ParamStr(0);
}

void TApplication::SetMainFormOnTaskBar(bool on) {
  if (on == mainFormOnTaskBar_)
    return;
  mainFormOnTaskBar_ = on;
  if (handle_)
    SetWindowTextA(handle_, on ? "" : Title().c_str());
}

// The loop.

void TApplication::Run() {
  if (mainForm_ && !terminated_) {
    if (showMainForm_)
      Guard(this, [this] { mainForm_->Show(); });
    while (!terminated_)
      Guard(this, [this] { HandleMessage(); });
  }
  DestroyForms();
  // A quit request that ended nothing must not close a later message box.
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg))
    Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage)
    Guard(this, [&] { OnMessage(this, msg, handled); });
  NotifyListeners([&](IApplicationEventsListener* l) {
    Guard(this, [&] { l->AppMessage(msg, handled); });
    return false;
  });
  if (handled)
    return true;
  CancelHintOnInput(msg);
  if (!IsKeyMsg(msg) && !IsDlgMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void TApplication::CancelHintOnInput(const MSG& msg) {
  const UINT m = msg.message;
  const bool cancels = (m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == WM_LBUTTONDOWN ||
                       m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_NCLBUTTONDOWN ||
                       m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN || m == WM_ACTIVATE;
  if (hintActive_ && cancels)
    CancelHint();
}

bool TApplication::IsKeyMsg(const MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
    return false;
  const HWND capture = GetCapture();
  TWinControl* control = FindControlOrParent(capture ? capture : msg.hwnd);
  return control &&
         SendMessageA(control->WindowHandle(), CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::IsDlgMsg(MSG& msg) {
  return dialogHandle_ && IsDialogMessageA(dialogHandle_, &msg);
}

void TApplication::Idle() {
  if (DoIdle())
    WaitMessage();
}

bool TApplication::DoIdle() {
  TControlCanvas::FreeDeviceContexts();
  Guard(this, [this] { UpdateMouseControl(); });
  if (hintActive_ && !mouseControl_)
    CancelHint();
  Guard(this, [this] { UpdateVisibleFormsActions(); });
  bool done = true;
  if (OnIdle)
    Guard(this, [&] { OnIdle(this, done); });
  NotifyListeners([&](IApplicationEventsListener* l) {
    Guard(this, [&] { l->AppIdle(done); });
    return false;
  });
  return done;
}

TControl* TApplication::ControlAtCursor(const TPoint& screenPos) const {
  if (mouseControlSource_)
    return mouseControlSource_();
  TWinControl* windowed = FindControlOrParent(WindowFromPoint(screenPos));
  if (!windowed)
    return nullptr;
  TControl* windowless = windowed->ControlAtPos(windowed->ScreenToClient(screenPos), false);
  return windowless ? windowless : windowed;
}

void TApplication::UpdateMouseControl() {
  TControl* control = ControlAtCursor(Mouse() ? Mouse()->CursorPos() : TPoint());
  if (control == mouseControl_)
    return;
  TControl* previous = mouseControl_;
  mouseControl_ = control;
  if (previous)
    previous->Perform(CM_MOUSELEAVE);
  if (control && control == mouseControl_)
    control->Perform(CM_MOUSEENTER);
  SetHint(GetLongHint(FindHint(mouseControl_)));
}

void TApplication::SetMouseControlSource(std::function<TControl*()> source) {
  mouseControlSource_ = std::move(source);
}

void TApplication::UpdateVisibleFormsActions() {
  if (!Screen())
    return;
  const TActionUpdatePass pass;
  std::vector<TBasicAction*> actions;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* form = Screen()->Forms(i);
    if (form->Visible())
      form->CollectActions(actions);
  }
  for (TBasicAction* action : actions) {
    if (TActionUpdatePass::Claim(action))
      action->Update();
  }
  // Through the items' own virtual: a subclass may do more there.
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* form = Screen()->Forms(i);
    TMenuItem* bar = form->Visible() && form->Menu() ? form->Menu()->Items() : nullptr;
    for (int j = 0; bar && j < bar->Count(); ++j)
      bar->Items(j)->InitiateAction();
  }
}

// The application window.

void TApplication::HookMainWindow(const TWindowHook& hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end())
    hooks_.push_back(hook);
}

void TApplication::UnhookMainWindow(const TWindowHook& hook) {
  const auto it = std::find(hooks_.begin(), hooks_.end(), hook);
  if (it != hooks_.end())
    hooks_.erase(it);
}

bool TApplication::CallHooks(TMessage& m) {
  const std::vector<TWindowHook> hooks = hooks_;
  for (const TWindowHook& hook : hooks) {
    // A hook may unhook others while it runs.
    if (std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end() && hook(m))
      return true;
  }
  return false;
}

void TApplication::WndProc(TMessage& m) {
  if (CallHooks(m))
    return;
  switch (m.Msg) {
    case CM_ACTIONEXECUTE:
      m.Result = ExecuteThroughForms(TCMActionExecute(m).Action()) ? 1 : 0;
      break;
    case WM_ACTIVATEAPP:
      SetActive(m.WParam != 0);
      break;
    case WM_CLOSE:
      if (mainForm_)
        mainForm_->Close();
      break;
    case WM_QUERYENDSESSION:
      m.Result = 1;
      break;
    case WM_ENDSESSION:
      if (m.WParam)
        EndSession();
      break;
    case WM_TIMER:
      HintTimerExpired(static_cast<UINT>(m.WParam));
      break;
    default:
      m.Result = DefWindowProcA(handle_, m.Msg, m.WParam, m.LParam);
  }
}

bool TApplication::ExecuteThroughForms(TBasicAction* action) {
  if (!action)  // sent from outside with nothing to run
    return false;
  const auto executes = [action](TCustomForm* form) {
    return form && form->Perform(CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(action)) != 0;
  };
  TCustomForm* active = Screen() ? Screen()->ActiveForm() : nullptr;
  return executes(active) || (mainForm_ != active && executes(mainForm_));
}

bool TApplication::ActionHandler(TBasicAction* action, const TActionEvent& event) {
  bool handled = false;
  if (event)
    event(this, action, handled);
  return handled;
}

void TApplication::SetActive(bool active) {
  if (active == active_)
    return;
  active_ = active;
  if (!active)
    CancelHint();
  const TNotifyEvent& event = active ? OnActivate : OnDeactivate;
  if (event)
    event(this);
  NotifyListeners([active](IApplicationEventsListener* l) {
    l->AppActivated(active);
    return false;
  });
}

void TApplication::EndSession() {
  // Modal loops may be running under this message and use their forms when
  // they return: they end with the loop, and Run frees the forms after.
  Terminate();
}

void TApplication::DestroyForms() {
  if (mainForm_) {
    TCustomForm* main = mainForm_;
    Guard(this, [main] { main->Free(); });
  }
  for (;;) {
    TCustomForm* last = nullptr;
    for (int i = ComponentCount() - 1; i >= 0 && !last; --i)
      last = dynamic_cast<TCustomForm*>(Components(i));
    if (!last)
      break;
    Guard(this, [last] { last->Free(); });
  }
}

// Exceptions.

void TApplication::ExceptionHandler(TObject* sender, const std::exception_ptr& e) {
  if (OnException) {
    OnException(sender, e);
    return;
  }
  if (!NotifyListeners([&](IApplicationEventsListener* l) { return l->AppException(sender, e); }))
    ShowException(e);
}

void TApplication::AddEventsListener(IApplicationEventsListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
    listeners_.push_back(listener);
}

void TApplication::RemoveEventsListener(IApplicationEventsListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

bool TApplication::NotifyListeners(const std::function<bool(IApplicationEventsListener*)>& call) {
  // A handler may free its own listener or another one.
  const std::vector<IApplicationEventsListener*> listeners = listeners_;
  for (IApplicationEventsListener* listener : listeners) {
    const bool listening =
        std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
    if (listening && call(listener))
      return true;
  }
  return false;
}

void TApplication::HandleException(TObject* sender) {
  ::HandleException(sender);
}

void TApplication::ShowException(const std::exception_ptr& e) {
  ::ShowException(e);
}

// Hints.

void TApplication::SetHint(const std::string& hint) {
  if (hint == hint_)
    return;
  hint_ = hint;
  bool heard = false;
  if (OnHint) {
    OnHint(this);
    heard = true;
  }
  NotifyListeners([&heard](IApplicationEventsListener* l) {
    heard = l->AppHint() || heard;
    return false;
  });
  if (heard)
    return;
  TOwned<THintAction> action(Create<THintAction>(this));
  action->SetHint(hint);
  action->Execute();
}

void TApplication::SetShowHint(bool on) {
  if (on == showHint_)
    return;
  showHint_ = on;
  if (!on)
    CancelHint();
}

void TApplication::HintMouseMessage(TControl* control, TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE: {
      const bool hinted = showHint_ && control->ShowHint() && !FindHint(control).empty();
      if (!hinted) {
        CancelHint();
        break;
      }
      const TPoint pos = control->ClientToScreen(TWMMouse(m).Pos());
      if (control == hintControl_ && PtInRect(hintInfo_.CursorRect, pos))
        break;
      const bool wasActive = hintActive_;
      HideHint();
      hintControl_ = control;
      hintInfo_.CursorRect = ScreenRectOf(control);
      StartHintTimer(kHintShowTimer, wasActive ? hintShortPause_ : hintPause_);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      CancelHint();
      break;
    default:
      break;
  }
}

void TApplication::ActivateHint(const TPoint& cursorPos) {
  StopHintTimers();
  TControl* control = ControlAtCursor(cursorPos);
  if (!control || !showHint_ || !control->ShowHint()) {
    CancelHint();
    return;
  }
  hintControl_ = control;
  hintInfo_ = THintInfo();
  hintInfo_.HintControl = control;
  hintInfo_.HintWindowClass = hintWindowClass_;
  hintInfo_.HintPos = TPoint(cursorPos.x, cursorPos.y + GetSystemMetrics(SM_CYCURSOR));
  hintInfo_.HintMaxWidth = Screen() ? Screen()->Width() : GetSystemMetrics(SM_CXSCREEN);
  hintInfo_.HintColor = hintColor_;
  hintInfo_.CursorRect = ScreenRectOf(control);
  hintInfo_.CursorPos = control->ScreenToClient(cursorPos);
  hintInfo_.HideTimeout = hintHidePause_;
  hintInfo_.HintStr = HintText(control);
  bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&hintInfo_)) == 0;
  if (canShow && OnShowHint)
    OnShowHint(this, hintInfo_.HintStr, canShow, hintInfo_);
  if (!canShow || hintInfo_.HintStr.empty()) {
    HideHint();
    return;
  }
  THintWindow* window = HintWindowFor(hintInfo_.HintWindowClass);
  window->SetColor(hintInfo_.HintColor);
  TRect r = window->CalcHintRect(hintInfo_.HintMaxWidth, hintInfo_.HintStr, hintInfo_.HintData);
  OffsetRect(&r, hintInfo_.HintPos.x, hintInfo_.HintPos.y);
  // Kept on the screen.
  const int right = GetSystemMetrics(SM_CXSCREEN);
  const int bottom = GetSystemMetrics(SM_CYSCREEN);
  OffsetRect(&r, std::min<LONG>(0, right - r.right), std::min<LONG>(0, bottom - r.bottom));
  window->ActivateHintData(r, hintInfo_.HintStr, hintInfo_.HintData);
  hintActive_ = true;
  if (hintInfo_.HideTimeout > 0)
    StartHintTimer(kHintHideTimer, hintInfo_.HideTimeout);
}

std::string TApplication::HintText(TControl* control) const {
  // The control's CM_HINTSHOW handling adds its action's shortcut.
  return GetShortHint(FindHint(control));
}

THintWindow* TApplication::HintWindowFor(const TMetaClass* cls) {
  if (!cls || !cls->InheritsFrom(&THintWindow::StaticClass()))
    cls = &THintWindow::StaticClass();
  if (hintWindow_ && hintWindow_->ClassType() == cls)
    return hintWindow_;
  if (hintWindow_)
    hintWindow_->Free();
  TComponent* made = cls->CreateInstance(this);
  hintWindow_ = dynamic_cast<THintWindow*>(made);
  if (!hintWindow_) {
    if (made)
      made->Free();
    hintWindow_ = Create<THintWindow>(this);
  }
  return hintWindow_;
}

void TApplication::StartHintTimer(UINT id, int ms) {
  StopHintTimers();
  if (handle_)
    SetTimer(handle_, id, static_cast<UINT>(std::max(ms, 1)), nullptr);
}

void TApplication::StopHintTimers() {
  if (!handle_)
    return;
  KillTimer(handle_, kHintShowTimer);
  KillTimer(handle_, kHintHideTimer);
}

void TApplication::HintTimerExpired(UINT id) {
  KillTimer(handle_, id);
  if (id == kHintShowTimer) {
    ActivateHint(Mouse() ? Mouse()->CursorPos() : TPoint());
  } else if (id == kHintHideTimer) {
    HideHint();
  }
}

void TApplication::HideHint() {
  StopHintTimers();
  if (hintWindow_)
    hintWindow_->ReleaseHandle();
  hintActive_ = false;
}

void TApplication::CancelHint() {
  HideHint();
  hintControl_ = nullptr;
  hintInfo_.CursorRect = TRect();
}

void TApplication::ControlDestroyed(TControl* control) {
  if (mouseControl_ == control)
    mouseControl_ = nullptr;
  if (hintControl_ == control)
    CancelHint();
  if (hintInfo_.HintControl == control)
    hintInfo_.HintControl = nullptr;
}

TApplication* Application() {
  return application;
}

void InitApplication() {
  application = Create<TApplication>(nullptr);
}

int RunProgram(const std::string& title, const std::function<void()>& createForms) {
  try {
    classlib::Startup();
  } catch (...) {
    ShowException(std::current_exception());
    return 1;
  }
  try {
    Application()->Initialize();
    Application()->SetTitle(title);
    Application()->SetMainFormOnTaskBar(true);
    createForms();
    Application()->Run();
  } catch (...) {
    ShowException(std::current_exception());
  }
  classlib::Shutdown();
  return 0;
}

void DoneApplication() {
  if (!application)
    return;
  application->Free();
  application = nullptr;
}

// ---- Message boxes and test seams ---------------------------------------------------

int ShowMessageBoxW(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  if (GetMessageBoxFunc())
    return ShowMessageBox(owner, WideToAnsi(text), WideToAnsi(caption), flags);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

namespace classlib {

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeoutMs)
      return condition();
    TApplication* app = Application();
    MSG msg;
    bool any = false;
    if (app) {
      while (app->ProcessMessage(msg))
        any = true;
      if (!any)
        app->DoIdle();
    } else {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    if (!any)
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace classlib
