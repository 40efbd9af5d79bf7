#include "Controls.h"

#include "ActnList.h"
#include "Forms.h"
#include "SysUtils.h"
#include "System.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// ---- Seams and mouse capture ------------------------------------------------------

namespace {

IApplicationSite* applicationSite = nullptr;
TPopupMenuHook popupMenuHook = nullptr;
TControl* captureControl = nullptr;

}  // namespace

void SetApplicationSite(IApplicationSite* site) {
  applicationSite = site;
}
IApplicationSite* ApplicationSite() {
  return applicationSite;
}
void SetPopupMenuHook(TPopupMenuHook hook) {
  popupMenuHook = hook;
}
TPopupMenuHook PopupMenuHook() {
  return popupMenuHook;
}

TControl* GetCaptureControl() {
  TWinControl* owner = FindControl(GetCapture());
  if (owner && captureControl && captureControl->Parent() == owner)
    return captureControl;
  return owner;
}

void SetCaptureControl(TControl* control) {
  captureControl = nullptr;
  ReleaseCapture();
  if (!control)
    return;
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (!windowed) {
    if (!control->Parent())
      return;
    captureControl = control;
    windowed = control->Parent();
  }
  SetCapture(windowed->Handle());
}

// ---- Helpers -------------------------------------------------------------------------------

VEL_ENUM_TYPE_IMPL(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient")
VEL_ENUM_TYPE_IMPL(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom")
VEL_ENUM_TYPE_IMPL(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                   "bsSizeToolWin")
VEL_ENUM_TYPE_IMPL(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")

TShiftState KeysToShiftState(WORD keys) {
  TShiftState s;
  if (keys & MK_SHIFT)
    s.Include(ssShift);
  if (keys & MK_CONTROL)
    s.Include(ssCtrl);
  if (keys & MK_LBUTTON)
    s.Include(ssLeft);
  if (keys & MK_RBUTTON)
    s.Include(ssRight);
  if (keys & MK_MBUTTON)
    s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0)
    s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0)
    s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LONG keyData) {
  TShiftState s = KeyboardStateToShiftState();
  // Bit 29: Alt was down (WM_SYSKEYDOWN), whatever GetKeyState says now.
  if (keyData & 0x20000000)
    s.Include(ssAlt);
  return s;
}

const TIntegerIdents& CursorIdents() {
  static const TIntegerIdents idents{
      {"crDefault", crDefault},   {"crNone", crNone},           {"crArrow", crArrow},
      {"crCross", crCross},       {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
      {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},
      {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crNo", crNo},
      {"crAppStart", crAppStart}, {"crHelp", crHelp},           {"crHandPoint", crHandPoint},
      {"crSizeAll", crSizeAll}};
  return idents;
}

std::string GetShortHint(const std::string& hint) {
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TOwnerDrawState OwnerDrawStateOf(UINT itemState) {
  static const std::pair<UINT, TOwnerDrawStateFlag> flags[] = {
      {ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed},   {ODS_DISABLED, odDisabled},
      {ODS_CHECKED, odChecked},   {ODS_FOCUS, odFocused},   {ODS_DEFAULT, odDefault},
      {ODS_HOTLIGHT, odHotLight}, {ODS_NOACCEL, odNoAccel}, {ODS_COMBOBOXEDIT, odComboBoxEdit},
  };
  TOwnerDrawState state;
  for (const auto& f : flags) {
    if (itemState & f.first)
      state.Include(f.second);
  }
  return state;
}

bool IsAccel(WORD charCode, const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&')
      continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    char pair[3] = {caption[i + 1], static_cast<char>(charCode), '\0'};
    CharUpperBuffA(pair, 2);
    return charCode < 256 && pair[0] == pair[1];
  }
  return false;
}

namespace {

bool IsWindowed(const TControl* c) {
  return dynamic_cast<const TWinControl*>(c) != nullptr;
}

// Button and move messages, in client coordinates (the wheel is in screen
// coordinates and goes to the focused window).
bool IsMouseMessage(UINT msg) {
  return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK;
}

template <typename T>
void EraseValue(std::vector<T*>& list, const T* value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

class TSavedDC {
 public:
  explicit TSavedDC(HDC dc) : dc_(dc), state_(SaveDC(dc)) {}
  ~TSavedDC() { RestoreDC(dc_, state_); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC dc_;
  int state_;
};

// Sets a flag for the length of a scope, whatever happens inside.
template <typename T>
class TScopedValue {
 public:
  TScopedValue(T& field, T value) : field_(field), old_(field) { field_ = value; }
  ~TScopedValue() { field_ = old_; }
  TScopedValue(const TScopedValue&) = delete;
  TScopedValue& operator=(const TScopedValue&) = delete;

 private:
  T& field_;
  T old_;
};

// Holds a control-state flag for the length of a scope.
class TControlStateScope {
 public:
  TControlStateScope(TControl* control, TControlStateFlag flag) : control_(control), flag_(flag) {
    control_->SetControlState(control_->ControlState() + TControlState{flag_});
  }
  ~TControlStateScope() {
    control_->SetControlState(control_->ControlState() - TControlState{flag_});
  }
  TControlStateScope(const TControlStateScope&) = delete;
  TControlStateScope& operator=(const TControlStateScope&) = delete;

 private:
  TControl* control_;
  TControlStateFlag flag_;
};

}  // namespace

// ---- TControl ------------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TControl, TComponent)

void TControl::Publish(TPublisher<TControl>& p) {
  p.Property("Left", &TControl::Left, &TControl::SetLeft);
  p.Property("Top", &TControl::Top, &TControl::SetTop);
  p.Property("Width", &TControl::Width, &TControl::SetWidth);
  p.Property("Height", &TControl::Height, &TControl::SetHeight);
  p.Property("Align", &TControl::Align, &TControl::SetAlign);
  p.Property("Anchors", &TControl::Anchors, &TControl::SetAnchors);
  p.Property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  p.Property("Color", &TControl::Color, &TControl::SetColor, ColorIdents());
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  p.Property("Font", &TControl::Font, &TControl::SetFont);
  p.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  p.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled);
  p.Property("Visible", &TControl::Visible, &TControl::SetVisible);
  p.Property("Hint", &TControl::Hint, &TControl::SetHint);
  p.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  p.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
  p.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.Property("Cursor", &TControl::Cursor, &TControl::SetCursor, CursorIdents());
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag);
  p.Event("OnClick", &TControl::OnClick);
  p.Event("OnDblClick", &TControl::OnDblClick);
  p.Event("OnMouseDown", &TControl::OnMouseDown);
  p.Event("OnMouseMove", &TControl::OnMouseMove);
  p.Event("OnMouseUp", &TControl::OnMouseUp);
  p.Event("OnMouseEnter", &TControl::OnMouseEnter);
  p.Event("OnMouseLeave", &TControl::OnMouseLeave);
  p.Event("OnResize", &TControl::OnResize);
}

TControl::TControl(TComponent* owner)
    : TComponent(owner),
      constraints_(new TSizeConstraints),
      font_(new TFont),
      windowProc_(Method<&TControl::WndProc>(this)) {
  font_->OnChange = Method<&TControl::FontChanged>(this);
  constraints_->OnChange = Method<&TControl::ConstraintsChanged>(this);
}

TControl::~TControl() = default;

TWndMethod TControl::OwnWindowProc() {
  return Method<&TControl::WndProc>(this);
}

void TControl::BeforeDestruction() {
  if (!ComponentState().Contains(csDestroying))
    Destroying();
  ControlLeavingForm(this);
  if (applicationSite)
    applicationSite->ControlDestroyed(this);
  if (captureControl == this)
    captureControl = nullptr;
  TComponent::BeforeDestruction();
}

void TControl::DestroyHandles() {
  if (parent_ && !parent_->ComponentState().Contains(csDestroying)) {
    SetParent(nullptr);
  } else if (parent_) {
    parent_->RemoveControl(this);
  }
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove)
    return;
  if (component == popupMenu_)
    popupMenu_ = nullptr;
  if (actionLink_ && component == actionLink_->Action())
    SetAction(nullptr);
}

// Parent and geometry.

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_)
    return;
  if (parent == this)
    throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_)
    parent_->RemoveControl(this);
  if (parent)
    parent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* windowed = dynamic_cast<TWinControl*>(parent))
    SetParent(windowed);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  constraints_->Apply(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_)
    return;
  const bool resized = width != width_ || height != height_;
  InvalidateControl(visible_, false);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  InvalidateControl(visible_, false);
  if (!inLayout_) {
    UpdateAnchorRules();
    RequestAlign();
  }
  if (resized)
    Resize();
}

void TControl::SetBoundsFromLayout(const TRect& r) {
  const TScopedValue<bool> inLayout(inLayout_, true);
  SetBounds(r.left, r.top, r.Width(), r.Height());
}

TRect TControl::ClientRect() const {
  return TRect(0, 0, width_, height_);
}

void TControl::SetClientSize(int width, int height) {
  const TRect client = ClientRect();
  SetBounds(left_, top_, width_ - client.Width() + width, height_ - client.Height() + height);
}

TPoint TControl::ClientOrigin() const {
  if (!parent_)
    return TPoint(left_, top_);
  const TPoint p = parent_->ClientOrigin();
  return TPoint(p.x + left_, p.y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
  const TPoint o = ClientOrigin();
  return TPoint(p.x + o.x, p.y + o.y);
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
  const TPoint o = ClientOrigin();
  return TPoint(p.x - o.x, p.y - o.y);
}

void TControl::Resize() {
  if (OnResize)
    OnResize(this);
}

// Layout.

void TControl::SetAlign(TAlign align) {
  if (align == align_)
    return;
  const TAlign old = align_;
  align_ = align;
  if (parent_ && (old != alNone || align != alNone))
    parent_->AlignControl(this);
  UpdateAnchorRules();
}

void TControl::SetAnchors(TAnchors anchors) {
  if (anchors == anchors_)
    return;
  anchors_ = anchors;
  UpdateAnchorRules();
}

void TControl::RequestAlign() {
  if (parent_ && align_ != alNone)
    parent_->AlignControl(this);
}

void TControl::UpdateAnchorRules() {
  if (!parent_ || ComponentState().Contains(csLoading))
    return;
  anchorBounds_ = BoundsRect();
  const TRect client = parent_->ClientRect();
  anchorParent_ = TSize(client.Width(), client.Height());
  anchorsRecorded_ = true;
}

namespace {

// One axis of anchoring: the edges as recorded, and how far the parent's
// side grew since.
void AnchorAxis(LONG& low, LONG& high, bool lowAnchored, bool highAnchored, int growth) {
  if (highAnchored && lowAnchored) {
    high += growth;
  } else if (highAnchored) {
    low += growth;
    high += growth;
  } else if (!lowAnchored) {
    low += growth / 2;
    high += growth / 2;
  }
  if (high < low)
    high = low;
}

}  // namespace

void TControl::AnchorToParent(const TSize& parentClient) {
  if (!anchorsRecorded_ || align_ != alNone)
    return;
  TRect r = anchorBounds_;
  AnchorAxis(r.left, r.right, anchors_.Contains(akLeft), anchors_.Contains(akRight),
             parentClient.cx - anchorParent_.cx);
  AnchorAxis(r.top, r.bottom, anchors_.Contains(akTop), anchors_.Contains(akBottom),
             parentClient.cy - anchorParent_.cy);
  SetBoundsFromLayout(r);
}

void TControl::ConstraintsChanged(TObject*) {
  SetBounds(left_, top_, width_, height_);
}

void TControl::Loaded() {
  TComponent::Loaded();
  UpdateAnchorRules();
}

// State and appearance.

void TControl::SetVisible(bool visible) {
  if (visible == visible_)
    return;
  visible_ = visible;
  Perform(CM_VISIBLECHANGED, visible);
  RequestAlign();
}

bool TControl::Showing() const {
  return visible_ && parent_ && parent_->Showing();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_)
    return;
  enabled_ = enabled;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color) {
  if (color == color_)
    return;
  color_ = color;
  parentColor_ = false;
  Perform(CM_COLORCHANGED);
}

// A flag switched on takes the parent's value at once (the message handler).
void TControl::SetParentFlag(bool& flag, bool on, UINT changedMessage) {
  if (on == flag)
    return;
  flag = on;
  if (parent_)
    Perform(changedMessage);
}

void TControl::SetParentColor(bool on) {
  SetParentFlag(parentColor_, on, CM_PARENTCOLORCHANGED);
}

void TControl::FontChanged(TObject*) {
  parentFont_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool on) {
  SetParentFlag(parentFont_, on, CM_PARENTFONTCHANGED);
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_)
    return;
  font_->Assign(parent_->Font());
  parentFont_ = true;
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parentColor_ || !parent_)
    return;
  SetColor(parent_->Color());
  parentColor_ = true;
}

void TControl::SetShowHint(bool on) {
  if (on == showHint_)
    return;
  showHint_ = on;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool on) {
  SetParentFlag(parentShowHint_, on, CM_PARENTSHOWHINTCHANGED);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_ || !parent_)
    return;
  SetShowHint(parent_->ShowHint());
  parentShowHint_ = true;
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == cursor_)
    return;
  cursor_ = cursor;
  Perform(CM_CURSORCHANGED);
}

namespace {

// The menus sit above this module: a popup menu is known by its class name,
// up the metaclass chain, so that subclasses of it count.
bool IsPopupMenu(const TComponent* component) {
  for (const TMetaClass* meta = component->ClassType(); meta; meta = meta->Parent()) {
    if (std::strcmp(meta->Name(), "TPopupMenu") == 0)
      return true;
  }
  return false;
}

}  // namespace

void TControl::SetPopupMenu(TComponent* menu) {
  if (menu == popupMenu_)
    return;
  if (menu && !IsPopupMenu(menu))
    throw EInvalidCast(Format("%s is no popup menu", menu->ClassName()));
  if (popupMenu_)
    popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu)
    menu->FreeNotification(this);
}

void TControl::SetName(const std::string& name) {
  const std::string old = Name();
  const bool follow = controlStyle_.Contains(csSetCaption) &&
                      !ComponentState().Contains(csLoading) && old != name && Text() == old;
  TComponent::SetName(name);
  if (follow)
    SetText(name);
}

// Text.

int TControl::GetTextLen() const {
  return static_cast<int>(const_cast<TControl*>(this)->Perform(WM_GETTEXTLENGTH));
}

int TControl::GetTextBuf(char* buffer, int size) const {
  return static_cast<int>(
      const_cast<TControl*>(this)->Perform(WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)));
}

std::string TControl::Text() const {
  const int length = GetTextLen();
  std::string text(length + 1, '\0');
  const int got = GetTextBuf(&text[0], length + 1);
  text.resize(std::max(0, std::min(got, length)));
  return text;
}

void TControl::SetTextBuf(const char* text) {
  if (Text() == text)
    return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  Perform(CM_TEXTCHANGED);
}

void TControl::SetText(const std::string& text) {
  SetTextBuf(text.c_str());
}

// Messages.

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  windowProc_(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (IsMouseMessage(m.Msg) && applicationSite)
    applicationSite->HintMouseMessage(this, m);
  Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      HandleMouseButton(m, mbLeft, m.Msg != WM_LBUTTONUP, m.Msg == WM_LBUTTONDBLCLK);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
      HandleMouseButton(m, mbRight, m.Msg != WM_RBUTTONUP, m.Msg == WM_RBUTTONDBLCLK);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
      HandleMouseButton(m, mbMiddle, m.Msg != WM_MBUTTONUP, m.Msg == WM_MBUTTONDBLCLK);
      break;
    case WM_MOUSEMOVE: {
      DefaultHandler(m);
      const TWMMouse mouse(m);
      MouseMove(KeysToShiftState(mouse.Keys()), mouse.XPos(), mouse.YPos());
      break;
    }
    case WM_MOUSEWHEEL:
      HandleMouseWheel(m);
      break;
    case WM_CONTEXTMENU:
      HandleContextMenu(m);
      break;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(m);
      break;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(m);
      break;
    case CM_PARENTSHOWHINTCHANGED:
      CMParentShowHintChanged(m);
      break;
    case CM_HITTEST:
      m.Result = 1;
      break;
    case CM_HINTSHOW:
      m.Result = 0;
      if (THintInfo* info = TCMHintShow(m).HintInfo())
        AddHintShortCut(*info);
      break;
    case CM_MOUSEENTER:
      if (OnMouseEnter)
        OnMouseEnter(this);
      break;
    case CM_MOUSELEAVE:
      if (OnMouseLeave)
        OnMouseLeave(this);
      break;
    case CM_VISIBLECHANGED:
      InvalidateControl(true, visible_ && controlStyle_.Contains(csOpaque));
      break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    default:
      DefaultHandler(m);
  }
}

void TControl::AddHintShortCut(THintInfo& info) {
  const auto* action = dynamic_cast<const TCustomAction*>(Action());
  if (info.HintStr.empty() || !Application() || !Application()->HintShortCuts() || !action ||
      !action->ShortCut())
    return;
  const std::string shortCut = ShortCutToText(action->ShortCut());
  if (!shortCut.empty())
    info.HintStr = Format("%s (%s)", info.HintStr, shortCut);
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXTLENGTH:
      m.Result = static_cast<LRESULT>(text_.size());
      break;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(m.LParam);
      const size_t size = m.WParam;
      if (!buffer || size == 0) {
        m.Result = 0;
        break;
      }
      const size_t count = std::min(text_.size(), size - 1);
      std::memcpy(buffer, text_.data(), count);
      buffer[count] = '\0';
      m.Result = static_cast<LRESULT>(count);
      break;
    }
    case WM_SETTEXT:
      text_ = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
      m.Result = 1;
      break;
    default:
      break;
  }
}

// Mouse.

bool TControl::MouseCapture() const {
  return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool on) {
  if (MouseCapture() != on)
    SetCaptureControl(on ? this : nullptr);
}

void TControl::HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl) {
  DefaultHandler(m);
  const TWMMouse mouse(m);
  TShiftState shift = KeysToShiftState(mouse.Keys());
  const bool left = button == mbLeft;
  if (down) {
    if (left && controlStyle_.Contains(csCaptureMouse))
      SetMouseCapture(true);
    if (dbl) {
      shift.Include(ssDouble);
      if (left && controlStyle_.Contains(csClickEvents))
        DblClick();
    } else if (left && controlStyle_.Contains(csClickEvents)) {
      controlState_.Include(csClicked);
    }
    MouseDown(button, shift, mouse.XPos(), mouse.YPos());
    return;
  }
  if (left) {
    if (controlStyle_.Contains(csCaptureMouse))
      SetMouseCapture(false);
    if (controlState_.Contains(csClicked)) {
      controlState_.Exclude(csClicked);
      if (PtInRect(ClientRect(), mouse.Pos()))
        Click();
    }
  }
  MouseUp(button, shift, mouse.XPos(), mouse.YPos());
  // A windowless control gets no WM_CONTEXTMENU of its own.
  if (button == mbRight && !IsWindowed(this) && popupMenu_ && popupMenuHook)
    popupMenuHook(popupMenu_, this, ClientToScreen(mouse.Pos()));
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown)
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove)
    OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp)
    OnMouseUp(this, button, shift, x, y);
}

void TControl::HandleMouseWheel(TMessage& m) {
  const TShiftState shift = KeysToShiftState(m.WParamLo());
  const int delta = static_cast<short>(m.WParamHi());
  const TPoint pos(static_cast<short>(m.LParamLo()), static_cast<short>(m.LParamHi()));
  if (DoMouseWheel(shift, delta, pos)) {
    m.Result = 1;
  } else {
    DefaultHandler(m);
  }
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) {
  bool handled = false;
  if (OnMouseWheel)
    OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  if (handled)
    return true;
  wheelAccumulator_ += wheelDelta;
  while (std::abs(wheelAccumulator_) >= WHEEL_DELTA) {
    const bool up = wheelAccumulator_ > 0;
    wheelAccumulator_ -= up ? WHEEL_DELTA : -WHEEL_DELTA;
    if (up ? DoMouseWheelUp(shift, mousePos) : DoMouseWheelDown(shift, mousePos))
      handled = true;
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  bool handled = false;
  if (OnMouseWheelDown)
    OnMouseWheelDown(this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  bool handled = false;
  if (OnMouseWheelUp)
    OnMouseWheelUp(this, shift, mousePos, handled);
  return handled;
}

void TControl::HandleContextMenu(TMessage& m) {
  if (!popupMenu_ || !popupMenuHook) {
    DefaultHandler(m);
    return;
  }
  TPoint pos(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
  if (m.LParam == -1)
    pos = ClientToScreen(TPoint(width_ / 2, height_ / 2));
  popupMenuHook(popupMenu_, this, pos);
  m.Result = 1;
}

// Clicks and actions.

void TControl::Click() {
  ClickClient(this, OnClick, actionLink_.get());
}

void TControl::DblClick() {
  if (OnDblClick)
    OnDblClick(this);
}

TBasicAction* TControl::Action() const {
  return actionLink_ ? actionLink_->Action() : nullptr;
}

const TMetaClass* TControl::GetActionLinkClass() const {
  return &TControlActionLink::StaticClass();
}

void TControl::SetAction(TBasicAction* action) {
  if (action == Action())
    return;
  SetClientAction(actionLink_, GetActionLinkClass(), this, action,
                  Method<&TControl::ActionLinkChanged>(this));
  if (!action)
    return;
  ActionChange(action, ComponentState().Contains(csLoading));
  action->FreeNotification(this);
}

void TControl::ActionLinkChanged(TObject* sender) {
  if (sender == Action())
    ActionChange(sender, false);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action)
    return;
  if (!checkDefaults || Caption().empty() || Caption() == Name())
    SetCaption(action->Caption());
  if (!checkDefaults || enabled_)
    SetEnabled(action->Enabled());
  if (!checkDefaults || hint_.empty())
    SetHint(action->Hint());
  if (!checkDefaults || visible_)
    SetVisible(action->Visible());
  if (!checkDefaults || !OnClick)
    OnClick = action->OnExecute();
}

void TControl::InitiateAction() {
  if (actionLink_)
    actionLink_->Update();
}

// Painting.

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  if (!isVisible || !parent_ || !parent_->HandleAllocated() || IsWindowed(this))
    return;
  const TRect r = BoundsRect();
  InvalidateRect(parent_->WindowHandle(), &r, !isOpaque);
}

void TControl::Invalidate() {
  InvalidateControl(visible_, controlStyle_.Contains(csOpaque));
}

void TControl::Update() {
  if (parent_)
    parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated())
    return;
  Invalidate();
  parent_->Update();
}

void TControl::BringToFront() {
  if (!parent_)
    return;
  auto& list = parent_->controls_;
  EraseValue(list, this);
  list.push_back(this);
  if (auto* windowed = dynamic_cast<TWinControl*>(this)) {
    if (windowed->HandleAllocated())
      SetWindowPos(windowed->WindowHandle(), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Invalidate();
}

void TControl::SendToBack() {
  if (!parent_)
    return;
  auto& list = parent_->controls_;
  EraseValue(list, this);
  list.insert(list.begin(), this);
  if (auto* windowed = dynamic_cast<TWinControl*>(this)) {
    if (windowed->HandleAllocated())
      SetWindowPos(windowed->WindowHandle(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Invalidate();
}

// ---- TWinControl ------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TWinControl, TControl)

void TWinControl::Publish(TPublisher<TWinControl>& p) {
  p.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  p.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
  p.Property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D);
  p.Property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D);
  p.Event("OnEnter", &TWinControl::OnEnter);
  p.Event("OnExit", &TWinControl::OnExit);
  p.Event("OnKeyDown", &TWinControl::OnKeyDown);
  p.Event("OnKeyPress", &TWinControl::OnKeyPress);
  p.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(new TBrush) {
  objectInstance_ = MakeObjectInstance(Method<&TWinControl::MainWndProc>(this));
  defWndProc_ = DefWindowProcA;
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  // Normally gone in BeforeDestruction; a window must never outlive its
  // procedure instance.
  if (handle_) {
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    ::DestroyWindow(handle_);
  }
  FreeObjectInstance(objectInstance_);
}

const TMetaClass* TWinControl::GetActionLinkClass() const {
  return &TWinControlActionLink::StaticClass();
}

void TWinControl::DestroyHandles() {
  DestroyHandle();
  FreeChildControls();
  TControl::DestroyHandles();
}

void TWinControl::FreeChildControls() {
  // A parent frees its children, whoever owns them; each leaves its owner.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    child->Free();
  }
}

// Children.

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return controls_[index];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (; control; control = control->Parent()) {
    if (control == this)
      return true;
  }
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  control->parent_ = this;
  controls_.push_back(control);
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (windowed)
    tabList_.push_back(windowed);
  control->Perform(CM_PARENTCOLORCHANGED);
  control->Perform(CM_PARENTFONTCHANGED);
  control->Perform(CM_PARENTSHOWHINTCHANGED);
  if (windowed) {
    if (windowed->parentCtl3D_)
      windowed->ctl3D_ = ctl3D_;
    windowed->UpdateControlState();
  } else {
    control->Invalidate();
  }
  control->UpdateAnchorRules();
  control->RequestAlign();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  if (control->parent_ != this)
    return;
  ControlLeavingForm(control);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    windowed->DestroyHandle();
    EraseValue(tabList_, windowed);
  } else {
    control->Invalidate();
  }
  EraseValue(controls_, control);
  control->parent_ = nullptr;
  if (control->align_ != alNone && !ComponentState().Contains(csDestroying))
    Realign();
}

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!c->visible_ || (!allowDisabled && !c->Enabled()))
      continue;
    if (!allowWinControls && IsWindowed(c))
      continue;
    if (!PtInRect(c->BoundsRect(), pos))
      continue;
    const TPoint local(pos.x - c->left_, pos.y - c->top_);
    if (c->Perform(CM_HITTEST, 0, MAKELPARAM(local.x, local.y)) != 0)
      return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  const std::vector<TControl*> children = controls_;
  for (TControl* child : children) {
    child->WindowProc()(message);
    if (message.Result != 0)
      return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage m{msg, 0, 0, 0};
  const std::vector<TControl*> children = controls_;
  for (TControl* child : children)
    child->WindowProc()(m);
}

// The window.

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_)
    return;
  if (parent_)
    parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND window) {
  if (window == parentWindow_)
    return;
  parentWindow_ = window;
  if (!parent_ && handle_)
    ::SetParent(handle_, window);
}

void TWinControl::CreateParams(TCreateParams& params) {
  params = TCreateParams();
  params.Caption = text_;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls))
    params.Style |= WS_CLIPCHILDREN;
  if (!Enabled())
    params.Style |= WS_DISABLED;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = parent_ ? parent_->Handle() : parentWindow_;
  WNDCLASSA& wc = params.WindowClass;
  wc.style = CS_VREDRAW | CS_HREDRAW;
  if (ControlStyle().Contains(csDoubleClicks))
    wc.style |= CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = HInstance();
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* className) {
  WNDCLASSA system{};
  if (!GetClassInfoA(nullptr, className, &system) &&
      !GetClassInfoA(HInstance(), className, &system))
    RaiseLastOSError();
  // The system procedure keeps its state in the extra bytes: all of them
  // stay, and its own class styles with them.
  params.WindowClass = system;
  params.WindowClass.hInstance = HInstance();
  params.WindowClass.lpszClassName = nullptr;
}

namespace {

// Registers the control's own class, named name, with the initial procedure
// in front; an older registration with another shape is replaced.
void RegisterControlClass(const TCreateParams& params) {
  const char* name = params.WinClassName.c_str();
  WNDCLASSA existing{};
  if (GetClassInfoA(params.WindowClass.hInstance, name, &existing)) {
    if (existing.lpfnWndProc == InitWndProc &&
        existing.cbWndExtra == params.WindowClass.cbWndExtra &&
        existing.cbClsExtra == params.WindowClass.cbClsExtra)
      return;
    UnregisterClassA(name, params.WindowClass.hInstance);
  }
  WNDCLASSA wc = params.WindowClass;
  wc.lpfnWndProc = InitWndProc;
  wc.lpszClassName = name;
  if (!RegisterClassA(&wc))
    RaiseLastOSError();
}

}  // namespace

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    throw EInvalidOperation(Format("Control '%s' has no parent window", Name().c_str()));
  defWndProc_ = params.WindowClass.lpfnWndProc;
  RegisterControlClass(params);
  {
    const TCreationScope creating(this);
    CreateWindowHandle(params);
  }
  if (!handle_)
    RaiseLastOSError();
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  SetWindowHandle(CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style,
                                  p.X, p.Y, p.Width, p.Height, p.WndParent, nullptr,
                                  p.WindowClass.hInstance, p.Param));
}

void TWinControl::CreateHandle() {
  if (handle_)
    return;
  {
    const TControlStateScope state(this, csCreating);
    CreateWnd();
  }
  UpdateBounds();
  SetZOrderPosition();
  ClientSizeChanged();
}

void TWinControl::SetZOrderPosition() {
  if (!parent_)
    return;
  // Just below the next windowed sibling above that has a window.
  const auto& siblings = parent_->controls_;
  auto it = std::find(siblings.begin(), siblings.end(), this);
  HWND above = HWND_TOP;
  for (++it; it != siblings.end(); ++it) {
    auto* w = dynamic_cast<TWinControl*>(*it);
    if (w && w->handle_) {
      above = w->handle_;
      break;
    }
  }
  SetWindowPos(handle_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::DestroyHandle() {
  if (!handle_)
    return;
  const TWindowDestruction destruction;
  TControlCanvas::FreeWindowDCs(handle_);
  for (TWinControl* child : tabList_)
    child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  text_ = Text();
  {
    const TControlStateScope state(this, csDestroyingHandle);
    DestroyWindowHandle();
  }
}

void TWinControl::DestroyWindowHandle() {
  const HWND window = handle_;
  const BOOL destroyed = ::DestroyWindow(window);
  // WM_NCDESTROY cleared the field; a failure must not leave it set either.
  handle_ = nullptr;
  showing_ = false;
  if (!destroyed)
    RaiseLastOSError();
}

void TWinControl::RecreateWnd() {
  if (!handle_)
    return;
  TWinControl* const focused = FocusedControlWithin(this);
  {
    const TControlStateScope state(this, csRecreating);
    DestroyHandle();
    UpdateControlState();
  }
  RestoreFocusTo(focused);
}

void TWinControl::MainWndProc(TMessage& message) {
  Guard(this, [&] { WindowProc()(message); });
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!handle_) {
    TControl::DefaultHandler(m);
    return;
  }
  m.Result = CallWindowProcA(defWndProc_, handle_, m.Msg, m.WParam, m.LParam);
}

// Showing.

void TWinControl::UpdateControlState() {
  for (const TWinControl* p = parent_; p; p = p->parent_) {
    if (!p->showing_)
      return;
  }
  UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool show = Visible();
  if (show) {
    HandleNeeded();
    for (TWinControl* child : tabList_)
      child->UpdateShowing();
  }
  if (handle_ && showing_ != show) {
    showing_ = show;
    try {
      Perform(CM_SHOWINGCHANGED);
    } catch (...) {
      showing_ = !show;
      throw;
    }
  }
}

bool TWinControl::Showing() const {
  return showing_ && (!parent_ || parent_->Showing());
}

// Geometry.

TRect TWinControl::ClientRect() const {
  if (!handle_)
    return TControl::ClientRect();
  TRect r;
  GetClientRect(handle_, &r);
  return r;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  Constraints()->Apply(width, height);
  if (left == Left() && top == Top() && width == Width() && height == Height())
    return;
  if (handle_) {
    // WM_WINDOWPOSCHANGED takes the new bounds and lays out the children.
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const bool resized = width != Width() || height != Height();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ClientSizeChanged();
    if (resized)
      Resize();
  }
  if (!inLayout_) {
    UpdateAnchorRules();
    RequestAlign();
  }
}

void TWinControl::UpdateBounds() {
  TRect r;
  GetWindowRect(handle_, &r);
  const HWND parentWindow = GetParent(handle_);
  if (parentWindow && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&r), 2);
  const bool resized = r.Width() != Width() || r.Height() != Height();
  left_ = r.left;
  top_ = r.top;
  width_ = r.Width();
  height_ = r.Height();
  if (resized)
    Resize();
}

TPoint TWinControl::ClientOrigin() const {
  if (!handle_)
    return TControl::ClientOrigin();
  POINT p{0, 0};
  ::ClientToScreen(handle_, &p);
  return p;
}

// Layout.

void TWinControl::ClientSizeChanged() {
  const TRect client = ClientRect();
  const TSize size(client.Width(), client.Height());
  if (size == laidOutClient_ || ComponentState().Contains(csLoading))
    return;
  laidOutClient_ = size;
  for (TControl* child : std::vector<TControl*>(controls_))
    child->AnchorToParent(size);
  Realign();
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0)
    Realign();
}

void TWinControl::AlignControl(TControl* control) {
  if (alignDisabled_ > 0 || aligning_ || ComponentState().Contains(csLoading) ||
      ComponentState().Contains(csDestroying))
    return;
  TRect r = ClientRect();
  AdjustClientRect(r);
  const TScopedValue<bool> aligning(aligning_, true);
  AlignControls(control, r);
}

namespace {

// Where an aligned control goes in what is left of rect, and what is left.
TRect PlaceAligned(TControl* c, TRect& rect) {
  const int w = c->Width();
  const int h = c->Height();
  switch (c->Align()) {
    case alTop:
      return TRect(rect.left, rect.top, rect.right, rect.top + h);
    case alBottom:
      return TRect(rect.left, rect.bottom - h, rect.right, rect.bottom);
    case alLeft:
      return TRect(rect.left, rect.top, rect.left + w, rect.bottom);
    case alRight:
      return TRect(rect.right - w, rect.top, rect.right, rect.bottom);
    default:
      return rect;
  }
}

void TakeFromRect(TControl* c, TRect& rect) {
  switch (c->Align()) {
    case alTop:
      rect.top = std::min(rect.bottom, rect.top + c->Height());
      break;
    case alBottom:
      rect.bottom = std::max(rect.top, rect.bottom - c->Height());
      break;
    case alLeft:
      rect.left = std::min(rect.right, rect.left + c->Width());
      break;
    case alRight:
      rect.right = std::max(rect.left, rect.right - c->Width());
      break;
    default:
      break;
  }
}

// The order in which controls of one alignment take their place: by
// position, nearest the edge they stick to first.
bool PlacedBefore(TAlign align, const TControl* a, const TControl* b) {
  switch (align) {
    case alTop:
      return a->Top() < b->Top();
    case alBottom:
      return a->Top() + a->Height() > b->Top() + b->Height();
    case alLeft:
      return a->Left() < b->Left();
    case alRight:
      return a->Left() + a->Width() > b->Left() + b->Width();
    default:
      return false;
  }
}

}  // namespace

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> aligned;
    for (TControl* c : controls_) {
      if (c->align_ == align && c->visible_)
        aligned.push_back(c);
    }
    std::stable_sort(aligned.begin(), aligned.end(),
                     [align, control](const TControl* a, const TControl* b) {
                       if (PlacedBefore(align, a, b) || PlacedBefore(align, b, a))
                         return PlacedBefore(align, a, b);
                       return a == control;
                     });
    for (TControl* c : aligned) {
      c->SetBoundsFromLayout(PlaceAligned(c, rect));
      TakeFromRect(c, rect);
    }
  }
}

void TWinControl::Loaded() {
  TControl::Loaded();
  if (pendingTabOrder_ >= 0) {
    const int order = pendingTabOrder_;
    pendingTabOrder_ = -1;
    ApplyTabOrder(order);
  }
  laidOutClient_ = TSize(-1, -1);
  ClientSizeChanged();
}

// Appearance.

void TWinControl::SetCtl3D(bool on) {
  if (on == ctl3D_)
    return;
  ctl3D_ = on;
  parentCtl3D_ = false;
  RecreateWnd();
  for (TWinControl* child : tabList_) {
    if (child->parentCtl3D_) {
      child->SetCtl3D(on);
      child->parentCtl3D_ = true;
    }
  }
}

void TWinControl::SetParentCtl3D(bool on) {
  if (on == parentCtl3D_)
    return;
  parentCtl3D_ = on;
  if (on && parent_) {
    SetCtl3D(parent_->ctl3D_);
    parentCtl3D_ = true;
  }
}

void TWinControl::BrushColorChanged() {
  brush_->SetColor(Color());
}

bool TWinControl::ExecuteAction(TBasicAction* action) {
  if (TControl::ExecuteAction(action))
    return true;
  for (TControl* child : std::vector<TControl*>(controls_)) {
    if (child->Visible() && child->ExecuteAction(action))
      return true;
  }
  return false;
}

void TWinControl::DoEnter() {
  if (OnEnter)
    OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit)
    OnExit(this);
}

// Keyboard.

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown)
    OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp)
    OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress)
    OnKeyPress(this, key);
}

namespace {

// The form's preview of a key message; true when it swallowed the key.
template <typename F>
bool PreviewedByForm(TWinControl* control, F handle) {
  TWinControl* form = control->ParentFormControl();
  if (!form || form == control)
    return false;
  IFormSite* site = control->ParentFormSite();
  return site->KeyPreview() && handle(form);
}

}  // namespace

bool TWinControl::DoKeyDown(TMessage& m) {
  if (PreviewedByForm(this, [&](TWinControl* form) { return form->DoKeyDown(m); }))
    return true;
  TWMKey key(m);
  WORD code = key.CharCode();
  KeyDown(code, KeyDataToShiftState(key.KeyData()));
  key.SetCharCode(code);
  return code == 0;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  if (PreviewedByForm(this, [&](TWinControl* form) { return form->DoKeyUp(m); }))
    return true;
  TWMKey key(m);
  WORD code = key.CharCode();
  KeyUp(code, KeyDataToShiftState(key.KeyData()));
  key.SetCharCode(code);
  return code == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  if (PreviewedByForm(this, [&](TWinControl* form) { return form->DoKeyPress(m); }))
    return true;
  TWMChar chr(m);
  // The 8-bit view of the 16-bit field; a character the handler leaves alone
  // keeps all 16 bits (the wide layer's packing).
  const char original = static_cast<char>(chr.CharCode());
  char c = original;
  KeyPress(c);
  if (c != original)
    chr.SetCharCode(static_cast<unsigned char>(c));
  return c == 0;
}

void TWinControl::CNKeyDown(TMessage& m) {
  m.Result = 1;
  const TWMKey key(m);
  if (Perform(CM_CHILDKEY, key.CharCode(), reinterpret_cast<LPARAM>(this)) != 0)
    return;
  LRESULT mask = 0;
  switch (key.CharCode()) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
    default:
      break;
  }
  TWinControl* form = ParentFormControl();
  if (mask && form && Perform(CM_WANTSPECIALKEY, key.CharCode(), key.KeyData()) == 0 &&
      (Perform(WM_GETDLGCODE) & mask) == 0 &&
      form->Perform(CM_DIALOGKEY, key.CharCode(), key.KeyData()) != 0)
    return;
  m.Result = 0;
}

void TWinControl::CNChar(TMessage& m) {
  m.Result = 1;
  TWinControl* form = ParentFormControl();
  const bool sys = m.Msg == CN_SYSCHAR;
  if (form &&
      (sys ? TWMChar(m).CharCode() != VK_SPACE : (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0) &&
      form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
    return;
  m.Result = 0;
}

// Mouse and cursor.

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* target = nullptr;
  if (GetCapture() == handle_) {
    if (captureControl && captureControl->parent_ == this)
      target = captureControl;
  } else {
    target = ControlAtPos(TWMMouse(m).Pos(), false);
  }
  if (!target)
    return false;
  const TPoint p = TWMMouse(m).Pos();
  m.Result = target->Perform(m.Msg, m.WParam, MAKELPARAM(p.x - target->left_, p.y - target->top_));
  return true;
}

void TWinControl::HandleSetCursor(TMessage& m) {
  TScreen* screen = Screen();
  if (screen && screen->Cursor() != crDefault) {
    ::SetCursor(screen->Cursors(screen->Cursor()));
    m.Result = 1;
    return;
  }
  const TWMSetCursor sc(m);
  if (sc.CursorWnd() == handle_ && sc.HitTest() == HTCLIENT && screen) {
    POINT p;
    GetCursorPos(&p);
    TControl* c = ControlAtPos(ScreenToClient(p), false);
    if (!c)
      c = this;
    if (c->Cursor() != crDefault) {
      ::SetCursor(screen->Cursors(c->Cursor()));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

// Painting.

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (IsWindowed(c) || !c->visible_)
      continue;
    const TRect r = c->BoundsRect();
    if (!RectVisible(dc, &r))
      continue;
    const TSavedDC saved(dc);
    OffsetWindowOrgEx(dc, -c->left_, -c->top_, nullptr);
    IntersectClipRect(dc, 0, 0, c->width_, c->height_);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

namespace {

// BeginPaint and, whatever happens while painting, EndPaint: a paint that
// fails still validates its region.
class TPaintCycle {
 public:
  explicit TPaintCycle(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
  ~TPaintCycle() { EndPaint(window_, &ps_); }
  TPaintCycle(const TPaintCycle&) = delete;
  TPaintCycle& operator=(const TPaintCycle&) = delete;
  HDC DC() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

}  // namespace

void TWinControl::PaintHandler(TMessage& m) {
  auto paint = [this](HDC dc) {
    {
      // Opaque windowless children paint their own area.
      const TSavedDC saved(dc);
      for (TControl* c : controls_) {
        if (!IsWindowed(c) && c->visible_ && c->ControlStyle().Contains(csOpaque)) {
          const TRect r = c->BoundsRect();
          ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
        }
      }
      PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
  };
  if (m.WParam) {
    paint(reinterpret_cast<HDC>(m.WParam));
  } else {
    const TPaintCycle cycle(handle_);
    paint(cycle.DC());
  }
  m.Result = 0;
}

void TWinControl::CtlColor(TMessage& m) {
  const HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  SetBkColor(dc, ColorToRGB(brush_->Color()));
  m.Result = reinterpret_cast<LRESULT>(brush_->Handle());
}

// Reflection: a child window's notification goes to its control.

namespace {

// The child window a notification is about; nullptr for menus and for
// messages without one.
HWND NotifyingChild(const TMessage& m) {
  if (!m.LParam)
    return nullptr;
  switch (m.Msg) {
    case WM_NOTIFY:
      return reinterpret_cast<const NMHDR*>(m.LParam)->hwndFrom;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
      return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    case WM_COMPAREITEM:
      return reinterpret_cast<const COMPAREITEMSTRUCT*>(m.LParam)->hwndItem;
    case WM_DELETEITEM:
      return reinterpret_cast<const DELETEITEMSTRUCT*>(m.LParam)->hwndItem;
    default:
      return reinterpret_cast<HWND>(m.LParam);
  }
}

}  // namespace

void TWinControl::ReflectToChild(TMessage& m, HWND child) {
  TWinControl* control = FindControl(child);
  if (!control) {
    DefaultHandler(m);
    return;
  }
  m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
}

// Message map.

void TWinControl::WndProc(TMessage& m) {
  if (IsMouseMessage(m.Msg) && handle_ && IsControlMouseMsg(m))
    return;
  TControl::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      const bool windowless = std::any_of(controls_.begin(), controls_.end(),
                                          [](TControl* c) { return !IsWindowed(c); });
      if (windowless) {
        PaintHandler(m);
      } else {
        DefaultHandler(m);
      }
      break;
    }
    case WM_ERASEBKGND:
      if (!ControlStyle().Contains(csOpaque)) {
        TRect r = ClientRect();
        FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush_->Handle());
      }
      m.Result = 1;
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
      ReflectToChild(m, NotifyingChild(m));
      break;
    case WM_MEASUREITEM: {
      const MEASUREITEMSTRUCT* item = TWMMeasureItem(m).MeasureItemStruct();
      if (!item || item->CtlType == ODT_MENU) {
        DefaultHandler(m);
        break;
      }
      // An owner-draw child measures while it is being created, before its
      // window carries its id.
      HWND child = GetDlgItem(handle_, item->CtlID);
      TWinControl* control = FindControl(child);
      for (TWinControl* c : tabList_) {
        if (!control && c->ControlState().Contains(csCreating))
          control = c;
      }
      if (control) {
        m.Result = control->Perform(CN_MEASUREITEM, m.WParam, m.LParam);
      } else {
        DefaultHandler(m);
      }
      break;
    }
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC:
      CtlColor(m);
      break;
    case WM_SETCURSOR:
      HandleSetCursor(m);
      break;
    case WM_CONTEXTMENU: {
      if (m.LParam != -1) {
        const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
        TControl* child = ControlAtPos(p, false);
        if (child && child->PopupMenu()) {
          child->Dispatch(m);
          break;
        }
      }
      TControl::Dispatch(m);
      break;
    }
    case WM_WINDOWPOSCHANGED:
      UpdateBounds();
      ClientSizeChanged();
      DefaultHandler(m);
      break;
    case WM_NCDESTROY:
      DefaultHandler(m);
      RemoveControlProps(handle_);
      handle_ = nullptr;
      showing_ = false;
      break;
    case WM_SETFOCUS:
      HandleSetFocus(m);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!DoKeyDown(m))
        DefaultHandler(m);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!DoKeyUp(m))
        DefaultHandler(m);
      break;
    case WM_CHAR:
      if (!DoKeyPress(m))
        DefaultHandler(m);
      break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      CNKeyDown(m);
      break;
    case CN_CHAR:
    case CN_SYSCHAR:
      CNChar(m);
      break;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      Broadcast(m);
      break;
    case CM_CHILDKEY:
      m.Result = parent_ ? parent_->Perform(m.Msg, m.WParam, m.LParam) : 0;
      break;
    case CM_ENTER:
      DoEnter();
      break;
    case CM_EXIT:
      DoExit();
      break;
    case CM_COLORCHANGED:
      BrushColorChanged();
      Invalidate();
      NotifyControls(CM_PARENTCOLORCHANGED);
      break;
    case CM_FONTCHANGED:
      if (handle_)
        Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
      Invalidate();
      NotifyControls(CM_PARENTFONTCHANGED);
      break;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      break;
    case CM_ENABLEDCHANGED:
      if (handle_)
        EnableWindow(handle_, Enabled());
      break;
    case CM_VISIBLECHANGED:
      UpdateControlState();
      break;
    case CM_SHOWINGCHANGED:
      SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                       (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      break;
    case CM_RECREATEWND:
      RecreateWnd();
      break;
    default:
      TControl::Dispatch(m);
  }
}

void TWinControl::Invalidate() {
  if (handle_)
    InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_)
    UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  if (!handle_)
    return;
  Invalidate();
  Update();
}
