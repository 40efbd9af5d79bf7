#include "StdCtrls.h"

#include "Forms.h"
#include "SysUtils.h"
#include "System.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Counts a nesting for the length of a scope, whatever happens inside.
class TNesting {
 public:
  explicit TNesting(int& depth) : depth_(depth) { ++depth_; }
  ~TNesting() { --depth_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

 private:
  int& depth_;
};

// A DC handed to a canvas for the length of a scope.
class TCanvasHandleScope {
 public:
  TCanvasHandleScope(TCanvas* canvas, HDC dc) : canvas_(canvas) { canvas_->SetHandle(dc); }
  ~TCanvasHandleScope() { canvas_->SetHandle(nullptr); }
  TCanvasHandleScope(const TCanvasHandleScope&) = delete;
  TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;

 private:
  TCanvas* canvas_;
};

// The screen's DC, for measuring text where nothing may be drawn.
class TScreenDC {
 public:
  TScreenDC() : dc_(GetDC(nullptr)) {}
  ~TScreenDC() { ReleaseDC(nullptr, dc_); }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC DC() const { return dc_; }

 private:
  HDC dc_;
};

// Native controls track the mouse themselves: a capture taken behind their
// back ends their own, and a click comes as a notification.
void DropMouseStyles(TControl* control, TControlStyle dropped) {
  control->SetControlStyle(control->ControlStyle() - dropped);
}

// The top of the parent chain.
TWinControl* TopParent(TWinControl* control) {
  while (control->Parent())
    control = control->Parent();
  return control;
}

template <typename T, typename F>
void ForEachChild(TWinControl* parent, F f) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (auto* typed = dynamic_cast<T*>(c))
      f(typed);
    if (auto* windowed = dynamic_cast<TWinControl*>(c))
      ForEachChild<T>(windowed, f);
  }
}

// Keeps a component reference that the component's destruction clears.
template <typename T>
void SetReference(TComponent* self, T*& field, T* value) {
  if (value == field)
    return;
  if (field)
    field->RemoveFreeNotification(self);
  field = value;
  if (value)
    value->FreeNotification(self);
}

// CM_DIALOGCHAR of captions that lead to another control (labels, static
// texts): that control takes the focus.
bool FocusByAccelerator(TControl* self, TWinControl* focusControl, bool showAccelChar,
                        TMessage& m) {
  if (!focusControl || !self->Enabled() || !showAccelChar ||
      !self->IsAccelChar(TWMChar(m).CharCode()) || !focusControl->CanFocus())
    return false;
  focusControl->SetFocus();
  m.Result = 1;
  return true;
}

}  // namespace

VEL_ENUM_TYPE_IMPL(TTextLayout, "tlTop", "tlCenter", "tlBottom")
VEL_ENUM_TYPE_IMPL(TEllipsisPosition, "epNone", "epPathEllipsis", "epEndEllipsis", "epWordEllipsis")
VEL_ENUM_TYPE_IMPL(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed")
VEL_ENUM_TYPE_IMPL(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase")
VEL_ENUM_TYPE_IMPL(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                   "csOwnerDrawVariable")
VEL_ENUM_TYPE_IMPL(TStaticBorderStyle, "sbsNone", "sbsSingle", "sbsSunken")

UINT AlignmentDrawFlag(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// ---- TCustomLabel ----------------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomLabel, TGraphicControl)

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
}

void TCustomLabel::AfterConstruction() {
  TGraphicControl::AfterConstruction();
  SetBounds(Left(), Top(), 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  SetAndInvalidate(alignment_, value);
}

void TCustomLabel::SetAutoSize(bool value) {
  if (value == autoSize_)
    return;
  autoSize_ = value;
  AdjustBounds();
}

void TCustomLabel::SetEllipsisPosition(TEllipsisPosition value) {
  SetAndInvalidate(ellipsisPosition_, value);
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  SetReference(this, focusControl_, value);
}

void TCustomLabel::SetLayout(TTextLayout value) {
  SetAndInvalidate(layout_, value);
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_)
    return;
  showAccelChar_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (value == Transparent())
    return;
  SetControlStyle(value ? ControlStyle() - TControlStyle{csOpaque}
                        : ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == wordWrap_)
    return;
  wordWrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_)
    focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csLoading))
    return;
  const TScreenDC screen;
  TRect r = ClientRect();
  {
    const TCanvasHandleScope measuring(Canvas(), screen.DC());
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
  }
  int x = Left();
  if (alignment_ == taRightJustify)
    x += Width() - r.right;
  else if (alignment_ == taCenter)
    x += (Width() - r.right) / 2;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  if (!Transparent()) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
  }
  canvas->Brush()->SetStyle(bsClear);
  TRect r = ClientRect();
  const UINT flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentDrawFlag(alignment_);
  if (layout_ != tlTop) {
    TRect measured = r;
    DoDrawText(measured, flags | DT_CALCRECT);
    const int space = Height() - measured.bottom;
    OffsetRect(&r, 0, layout_ == tlBottom ? space : space / 2);
  }
  DoDrawText(r, flags);
}

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
  // The ellipsis drops DT_CALCRECT; a measuring call must still not draw.
  const UINT measuring = flags & DT_CALCRECT;
  std::string text = Caption();
  if (measuring && (text.empty() || (showAccelChar_ && text == "&")))
    text += ' ';
  if (!showAccelChar_)
    flags |= DT_NOPREFIX;
  flags = DrawTextBiDiModeFlags(flags);
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  if (ellipsisPosition_ != epNone && !autoSize_) {
    static const UINT kEllipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
    std::string shown = text;
    flags = (flags & ~(DT_CALCRECT | DT_EXPANDTABS)) | kEllipsis[ellipsisPosition_];
    if (wordWrap_ && (ellipsisPosition_ == epEndEllipsis || ellipsisPosition_ == epWordEllipsis)) {
      // Drops words from the end until the rest and "..." fit the height.
      for (;;) {
        TRect r = rect;
        r.right -= canvas->TextWidth("...");
        DrawTextA(canvas->Handle(), shown.c_str(), -1, &r, flags | DT_CALCRECT);
        const int h = r.Height();
        if (ClientHeight() >= h || Font()->Height() >= h)
          break;
        const size_t delimiter = text.find_last_of(" \t");
        text.resize(delimiter == std::string::npos ? text.size() - 1 : delimiter);
        shown = text + "...";
        if (text.empty())
          break;
      }
    }
    if (!text.empty())
      text = shown;
  }
  DrawCaption(text, rect, flags | measuring);
}

void TCustomLabel::DrawCaption(std::string text, TRect& rect, UINT flags) {
  DrawEnabledOrEmbossed(
      rect, [&](TRect& r) { DrawTextA(Canvas()->Handle(), text.c_str(), -1, &r, flags); });
}

void TCustomLabel::DrawEnabledOrEmbossed(TRect& rect, const std::function<void(TRect&)>& draw) {
  if (Enabled()) {
    draw(rect);
    return;
  }
  OffsetRect(&rect, 1, 1);
  Canvas()->Font()->SetColor(clBtnHighlight);
  draw(rect);
  OffsetRect(&rect, -1, -1);
  Canvas()->Font()->SetColor(clBtnShadow);
  draw(rect);
}

void TCustomLabel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      break;
    case CM_DIALOGCHAR:
      FocusByAccelerator(this, focusControl_, showAccelChar_, m);
      break;
    default:
      TGraphicControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TLabel, TCustomLabel)

void TLabel::Publish(TPublisher<TLabel>& p) {
  PublishLabel(p);
}

// ---- TButtonControl -------------------------------------------------------------------

VEL_COMPONENT_IMPL(TButtonControl, TWinControl)

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
  DropMouseStyles(this, {csCaptureMouse, csClickEvents});
}

void TButtonControl::AfterConstruction() {
  TWinControl::AfterConstruction();
  SetTabStop(true);
  SetBounds(Left(), Top(), 75, 25);
}

void TButtonControl::SetWordWrap(bool value) {
  ChangeStyle(wordWrap_, value);
}

void TButtonControl::SetAlignment(TAlignment value) {
  ChangeStyle(alignment_, value);
}

const TMetaClass* TButtonControl::GetActionLinkClass() const {
  return &TButtonActionLink::StaticClass();
}

void TButtonControl::ActionChange(TObject* sender, bool checkDefaults) {
  TWinControl::ActionChange(sender, checkDefaults);
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (action && (!checkDefaults || !Checked()))
    SetChecked(action->Checked());
}

void TButtonControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "BUTTON");
  if (wordWrap_)
    params.Style |= BS_MULTILINE;
  if (TabStop())
    params.Style |= WS_TABSTOP;
}

// ---- TButton ----------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TButton, TButtonControl)

void TButton::Publish(TPublisher<TButton>& p) {
  p.Property("Action", &TControl::Action, &TControl::SetAction);
  p.Property("Cancel", &TButton::Cancel, &TButton::SetCancel);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Default", &TButton::Default, &TButton::SetDefault);
  p.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
  p.Property("WordWrap", &TButtonControl::WordWrap, &TButtonControl::SetWordWrap);
  p.Event("OnClick", &TControl::OnClick);
}

void TButton::SetDefault(bool value) {
  if (value == default_)
    return;
  default_ = value;
  auto* focused = dynamic_cast<TButton*>(FindControl(GetFocus()));
  if (!focused || TopParent(focused) != TopParent(this))
    ShowDefault(value);
}

void TButton::ShowDefault(bool on) {
  if (on == shownDefault_)
    return;
  shownDefault_ = on;
  if (HandleAllocated())
    Perform(BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::FocusChanged(TWinControl* focused) {
  ForEachChild<TButton>(TopParent(this), [focused](TButton* b) {
    b->ShowDefault(focused ? b == focused : b->default_);
  });
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= shownDefault_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) {
    if (modalResult_ != mrNone)
      form->SetModalResult(modalResult_);
  }
  TButtonControl::Click();
}

void TButton::DialogKey(TMessage& m) {
  const WORD key = TWMKey(m).CharCode();
  if ((key != VK_RETURN && key != VK_ESCAPE) || !KeyboardStateToShiftState().Empty() || !CanFocus())
    return;
  bool take = cancel_;
  if (key == VK_RETURN) {
    auto* focused = dynamic_cast<TButton*>(FindControl(GetFocus()));
    take = focused ? focused == this : default_;
  }
  if (take) {
    Click();
    m.Result = 1;
  }
}

void TButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (TWMCommand(m).NotifyCode() == BN_CLICKED)
        Click();
      break;
    case CM_DIALOGKEY:
      DialogKey(m);
      break;
    case CM_DIALOGCHAR:
      if (IsAccelChar(TWMChar(m).CharCode()) && CanFocus()) {
        Click();
        m.Result = 1;
      } else {
        TButtonControl::Dispatch(m);
      }
      break;
    case CM_ENTER:
      FocusChanged(this);
      TButtonControl::Dispatch(m);
      break;
    case CM_EXIT:
      FocusChanged(nullptr);
      TButtonControl::Dispatch(m);
      break;
    default:
      TButtonControl::Dispatch(m);
  }
}

// ---- TCustomCheckBox ----------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomCheckBox, TButtonControl)

void TCustomCheckBox::SetState(TCheckBoxState value) {
  if (value == state_)
    return;
  state_ = value;
  if (HandleAllocated())
    Perform(BM_SETCHECK, state_);
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked:
      SetState(cbChecked);
      break;
    case cbChecked:
      SetState(allowGrayed_ ? cbGrayed : cbUnchecked);
      break;
    default:
      SetState(cbUnchecked);
  }
  Click();
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= BS_3STATE;
  if (Alignment() == taLeftJustify)
    params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  Perform(BM_SETCHECK, state_);
}

void TCustomCheckBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (TWMCommand(m).NotifyCode() == BN_CLICKED)
        Toggle();
      break;
    case CM_DIALOGCHAR:
      if (IsAccelChar(TWMChar(m).CharCode()) && CanFocus()) {
        SetFocus();
        if (Focused())
          Toggle();
        m.Result = 1;
      } else {
        TButtonControl::Dispatch(m);
      }
      break;
    default:
      TButtonControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TCheckBox, TCustomCheckBox)

void TCheckBox::Publish(TPublisher<TCheckBox>& p) {
  p.Property("Action", &TControl::Action, &TControl::SetAction);
  p.Property("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment);
  p.Property("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked);
  p.Property("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState);
  p.Property("WordWrap", &TButtonControl::WordWrap, &TButtonControl::SetWordWrap);
  p.Event("OnClick", &TControl::OnClick);
}

// ---- TRadioButton ---------------------------------------------------------------------

VEL_COMPONENT_IMPL(TRadioButton, TButtonControl)

void TRadioButton::Publish(TPublisher<TRadioButton>& p) {
  p.Property("Action", &TControl::Action, &TControl::SetAction);
  p.Property("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
  p.Property("WordWrap", &TButtonControl::WordWrap, &TButtonControl::SetWordWrap);
  p.Event("OnClick", &TControl::OnClick);
}

void TRadioButton::SetChecked(bool value) {
  if (value == checked_)
    return;
  checked_ = value;
  if (HandleAllocated())
    Perform(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED);
  if (!value || !Parent())
    return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
    if (sibling && sibling != this)
      sibling->SetChecked(false);
  }
}

void TRadioButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= BS_RADIOBUTTON;
  if (Alignment() == taLeftJustify)
    params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  Perform(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED);
}

void TRadioButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (TWMCommand(m).NotifyCode() == BN_CLICKED && !checked_) {
        SetChecked(true);
        Click();
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccelChar(TWMChar(m).CharCode()) && CanFocus()) {
        SetFocus();
        m.Result = 1;
      } else {
        TButtonControl::Dispatch(m);
      }
      break;
    default:
      TButtonControl::Dispatch(m);
  }
}

// ---- TButtonActionLink ---------------------------------------------------------------

VEL_ACTION_LINK_IMPL(TButtonActionLink, TWinControlActionLink)

TButtonActionLink::TButtonActionLink(TObject* client)
    : TWinControlActionLink(client), client_(client->As<TButtonControl>()) {}

bool TButtonActionLink::IsCheckedLinked() {
  return TWinControlActionLink::IsCheckedLinked() &&
         client_->Checked() == CustomAction()->Checked();
}

void TButtonActionLink::SetChecked(bool value) {
  if (IsCheckedLinked())
    client_->SetChecked(value);
}

// ---- TCustomEdit --------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomEdit, TWinControl)

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  DropMouseStyles(this, {csCaptureMouse});
  SetParentColor(false);
}

void TCustomEdit::AfterConstruction() {
  TWinControl::AfterConstruction();
  SetTabStop(true);
  SetBounds(Left(), Top(), 121, 21);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  ChangeStyle(borderStyle_, value);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  ChangeStyle(charCase_, value);
}

void TCustomEdit::SetMaxLength(int value) {
  if (value == maxLength_)
    return;
  maxLength_ = value;
  if (HandleAllocated())
    Perform(EM_LIMITTEXT, maxLength_);
}

void TCustomEdit::SetReadOnly(bool value) {
  if (value == readOnly_)
    return;
  readOnly_ = value;
  if (HandleAllocated())
    Perform(EM_SETREADONLY, readOnly_);
}

void TCustomEdit::SetPasswordChar(char value) {
  if (value == passwordChar_)
    return;
  passwordChar_ = value;
  // The wide layer hides the handle field around this call: the window must
  // be neither created nor looked at otherwise.
  if (WindowHandle()) {
    Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
    Invalidate();
  }
}

bool TCustomEdit::Modified() const {
  if (!HandleAllocated())
    return modified_;
  return const_cast<TCustomEdit*>(this)->Perform(EM_GETMODIFY) != 0;
}

void TCustomEdit::SetModified(bool value) {
  if (HandleAllocated())
    Perform(EM_SETMODIFY, value);
  else
    modified_ = value;
}

int TCustomEdit::SelStart() {
  DWORD start = 0;
  HandleNeeded();
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) {
  HandleNeeded();
  Perform(EM_SETSEL, value, value);
}

int TCustomEdit::SelLength() {
  DWORD start = 0;
  DWORD end = 0;
  HandleNeeded();
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  Perform(EM_SETSEL, start, start + value);
}

std::string TCustomEdit::SelText() {
  const int start = SelStart();
  return Text().substr(start, SelLength());
}

void TCustomEdit::SetSelText(const std::string& value) {
  HandleNeeded();
  Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
}

void TCustomEdit::SelectAll() {
  HandleNeeded();
  Perform(EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() {
  if (OnChange)
    OnChange(this);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "EDIT");
  params.Style |= ES_AUTOHSCROLL;
  if (readOnly_)
    params.Style |= ES_READONLY;
  if (charCase_ == ecUpperCase)
    params.Style |= ES_UPPERCASE;
  else if (charCase_ == ecLowerCase)
    params.Style |= ES_LOWERCASE;
  if (TabStop())
    params.Style |= WS_TABSTOP;
  if (borderStyle_ != bsNone)
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(EM_LIMITTEXT, maxLength_);
  if (passwordChar_)
    Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
  Perform(EM_SETSEL, savedSelStart_, savedSelEnd_);
  Perform(EM_SETMODIFY, modified_);
}

void TCustomEdit::DestroyWnd() {
  if (!ComponentState().Contains(csDestroying)) {
    modified_ = Modified();
    Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&savedSelStart_),
            reinterpret_cast<LPARAM>(&savedSelEnd_));
  }
  TWinControl::DestroyWnd();
}

void TCustomEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_SETTEXT: {
      const TNesting setting(settingText_);
      TWinControl::Dispatch(m);
      SetModified(false);
      break;
    }
    case CN_COMMAND:
      if (TWMCommand(m).NotifyCode() == EN_CHANGE && settingText_ == 0 &&
          !ControlState().Contains(csCreating))
        Change();
      break;
    default:
      TWinControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TEdit, TCustomEdit)

void TEdit::Publish(TPublisher<TEdit>& p) {
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("Text", &TControl::Text, &TControl::SetText);
  p.Event("OnChange", &TCustomEdit::OnChange);
}

// ---- TComboBoxStrings -----------------------------------------------------------------

VEL_CLASS_IMPL(TComboBoxStrings, TStrings)

LRESULT TComboBoxStrings::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
  comboBox_->HandleNeeded();
  // Item changes may rewrite the edit text; that is no user's edit.
  const TNesting fromCode(comboBox_->settingText_);
  return comboBox_->Perform(msg, wParam, lParam);
}

void TComboBoxStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    Error("List index out of bounds (%d)", index);
}

int TComboBoxStrings::GetCount() const {
  return static_cast<int>(Send(CB_GETCOUNT));
}

std::string TComboBoxStrings::Get(int index) const {
  CheckIndex(index, GetCount());
  const LRESULT length = Send(CB_GETLBTEXTLEN, index);
  if (length <= 0)
    return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got = Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(got > 0 ? std::min<size_t>(got, length) : 0);
  return text;
}

TObject* TComboBoxStrings::GetObject(int index) const {
  CheckIndex(index, GetCount());
  return reinterpret_cast<TObject*>(Send(CB_GETITEMDATA, index));
}

void TComboBoxStrings::PutObject(int index, TObject* obj) {
  CheckIndex(index, GetCount());
  Send(CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(obj));
}

int TComboBoxStrings::Add(const std::string& s) {
  const LRESULT index = Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  if (index < 0)
    throw EOutOfResources("Unable to insert a line");
  return static_cast<int>(index);
}

void TComboBoxStrings::Insert(int index, const std::string& s) {
  CheckIndex(index, GetCount() + 1);
  if (Send(CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(s.c_str())) < 0)
    throw EOutOfResources("Unable to insert a line");
}

void TComboBoxStrings::Delete(int index) {
  CheckIndex(index, GetCount());
  Send(CB_DELETESTRING, index);
}

void TComboBoxStrings::Clear() {
  comboBox_->HandleNeeded();
  const std::string text = comboBox_->Text();
  Send(CB_RESETCONTENT);
  if (comboBox_->IsEditStyle())
    comboBox_->SetTextFromCode(text);
  comboBox_->Invalidate();
}

int TComboBoxStrings::IndexOf(const std::string& s) const {
  const LRESULT index =
      Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(s.c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

void TComboBoxStrings::SetUpdateState(bool updating) {
  Send(WM_SETREDRAW, !updating);
  if (!updating)
    comboBox_->Repaint();
}

// ---- TCustomComboBox -------------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomComboBox, TWinControl)

// What a window re-creation keeps aside.
struct TCustomComboBox::TSaved {
  TOwned<TStringList> Items{Create<TStringList>()};
  int ItemIndex = -1;
  std::string Text;
};

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(new TComboBoxStrings(this)), canvas_(new TCanvas) {
  DropMouseStyles(this, {csCaptureMouse, csSetCaption});
  SetParentColor(false);
  FEditInstance = MakeObjectInstance(Method<&TCustomComboBox::EditWndProc>(this));
  FListInstance = MakeObjectInstance(Method<&TCustomComboBox::ListWndProc>(this));
}

TCustomComboBox::~TCustomComboBox() {
  FreeObjectInstance(FEditInstance);
  FreeObjectInstance(FListInstance);
}

void TCustomComboBox::AfterConstruction() {
  TWinControl::AfterConstruction();
  SetTabStop(true);
  SetBounds(Left(), Top(), 145, 21);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  ChangeStyle(style_, value);
}

void TCustomComboBox::SetSorted(bool value) {
  ChangeStyle(sorted_, value);
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
  ChangeStyle(charCase_, value);
}

void TCustomComboBox::SetItemHeight(int value) {
  if (value == itemHeight_ || value <= 0)
    return;
  itemHeight_ = value;
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int value) {
  if (value == dropDownCount_)
    return;
  dropDownCount_ = value;
  if (HandleAllocated())
    Perform(CB_SETMINVISIBLE, dropDownCount_);
}

void TCustomComboBox::SetMaxLength(int value) {
  if (value == maxLength_)
    return;
  maxLength_ = value;
  if (HandleAllocated() && IsEditStyle())
    Perform(CB_LIMITTEXT, maxLength_);
}

int TCustomComboBox::ItemIndex() const {
  if (!HandleAllocated() || ComponentState().Contains(csLoading))
    return itemIndex_;
  return static_cast<int>(const_cast<TCustomComboBox*>(this)->Perform(CB_GETCURSEL));
}

void TCustomComboBox::SetItemIndex(int value) {
  if (!HandleAllocated() || ComponentState().Contains(csLoading)) {
    itemIndex_ = value;
    return;
  }
  if (value < -1 || value >= items_->Count())
    value = -1;
  if (value == ItemIndex())
    return;
  const TNesting fromCode(settingText_);
  Perform(CB_SETCURSEL, value);
}

bool TCustomComboBox::DroppedDown() {
  return HandleAllocated() && Perform(CB_GETDROPPEDSTATE) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
  HandleNeeded();
  Perform(CB_SHOWDROPDOWN, value);
}

int TCustomComboBox::SelStart() {
  HandleNeeded();
  return LOWORD(Perform(CB_GETEDITSEL));
}

void TCustomComboBox::SetSelStart(int value) {
  HandleNeeded();
  Perform(CB_SETEDITSEL, 0, MAKELPARAM(value, value));
}

int TCustomComboBox::SelLength() {
  HandleNeeded();
  const LRESULT sel = Perform(CB_GETEDITSEL);
  return HIWORD(sel) - LOWORD(sel);
}

void TCustomComboBox::SetSelLength(int value) {
  const int start = SelStart();
  Perform(CB_SETEDITSEL, 0, MAKELPARAM(start, start + value));
}

std::string TCustomComboBox::SelText() {
  const int start = SelStart();
  return Text().substr(std::min<size_t>(start, Text().size()), SelLength());
}

void TCustomComboBox::SetSelText(const std::string& value) {
  HandleNeeded();
  if (editHandle_)
    SendMessageA(editHandle_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
}

void TCustomComboBox::AddItem(const std::string& text, TObject* object) {
  items_->AddObject(text, object);
}

void TCustomComboBox::CopySelection(TWinControl* destination) {
  auto* combo = dynamic_cast<TCustomComboBox*>(destination);
  const int index = ItemIndex();
  if (combo && index != -1)
    combo->AddItem(items_->Strings(index), items_->Objects(index));
}

void TCustomComboBox::SetTextFromCode(const std::string& text) {
  const TNesting fromCode(settingText_);
  SetText(text);
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
  static const DWORD kStyles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                  CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                  CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
  TWinControl::CreateParams(params);
  CreateSubClass(params, "COMBOBOX");
  params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL | kStyles[style_];
  if (sorted_)
    params.Style |= CBS_SORT;
  if (charCase_ == ecUpperCase)
    params.Style |= CBS_UPPERCASE;
  else if (charCase_ == ecLowerCase)
    params.Style |= CBS_LOWERCASE;
  if (TabStop())
    params.Style |= WS_TABSTOP;
}

void TCustomComboBox::CreateWnd() {
  // The system combo box ignores the window name, so a text stored before the
  // window existed is handed to its edit afterwards.
  const std::string pendingText = saved_ || !IsEditStyle() ? std::string() : Text();
  TWinControl::CreateWnd();
  if (IsEditStyle())
    Perform(CB_LIMITTEXT, maxLength_);
  // The common controls size the list by this count, the older ones by
  // AdjustDropDown.
  Perform(CB_SETMINVISIBLE, dropDownCount_);
  SubclassChildren();
  RestoreSaved();
  if (!pendingText.empty())
    SetTextFromCode(pendingText);
}

void TCustomComboBox::SubclassChildren() {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  editHandle_ = listHandle_ = nullptr;
  if (!GetComboBoxInfo(WindowHandle(), &info))
    return;
  if (IsEditStyle() && info.hwndItem && info.hwndItem != WindowHandle()) {
    editHandle_ = info.hwndItem;
    FDefEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editHandle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditInstance)));
  }
  if (info.hwndList) {
    listHandle_ = info.hwndList;
    FDefListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(listHandle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FListInstance)));
  }
}

void TCustomComboBox::RestoreSaved() {
  if (!saved_) {
    if (!ComponentState().Contains(csLoading))
      ApplyKeptItemIndex();
    return;
  }
  const std::unique_ptr<TSaved> saved = std::move(saved_);
  for (int i = 0; i < saved->Items->Count(); ++i)
    items_->AddObject(saved->Items->Strings(i), saved->Items->Objects(i));
  SetItemIndex(saved->ItemIndex);
  if (IsEditStyle())
    SetTextFromCode(saved->Text);
}

void TCustomComboBox::DestroyWnd() {
  if (ControlState().Contains(csDestroyingHandle))
    return;
  if (!ComponentState().Contains(csDestroying)) {
    saved_.reset(new TSaved);
    for (int i = 0; i < items_->Count(); ++i)
      saved_->Items->AddObject(items_->Strings(i), items_->Objects(i));
    saved_->ItemIndex = ItemIndex();
    saved_->Text = Text();
  }
  TWinControl::DestroyWnd();
  editHandle_ = listHandle_ = nullptr;
}

void TCustomComboBox::ApplyKeptItemIndex() {
  if (itemIndex_ == -1)
    return;
  const int index = itemIndex_;
  itemIndex_ = -1;
  SetItemIndex(index);
}

void TCustomComboBox::Loaded() {
  TWinControl::Loaded();
  if (HandleAllocated())
    ApplyKeptItemIndex();
}

void TCustomComboBox::ComboWndProc(TMessage& m, HWND child, WNDPROC childDefProc) {
  if (child == editHandle_ && EditKey(m))
    return;
  m.Result = CallWindowProcA(childDefProc, child, m.Msg, m.WParam, m.LParam);
}

bool TCustomComboBox::EditKey(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: {
      IFormSite* site = ParentFormSite();
      return site && !site->SetFocusedControl(this);
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return DoKeyDown(m);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return DoKeyUp(m);
    case WM_CHAR: {
      if (DoKeyPress(m))
        return true;
      const WORD c = TWMChar(m).CharCode();
      if ((c == VK_RETURN || c == VK_ESCAPE) && DroppedDown()) {
        SetDroppedDown(false);
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

void TCustomComboBox::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (!autoComplete_ || static_cast<unsigned char>(key) < ' ')
    return;
  if (autoDropDown_ && !DroppedDown()) {
    const std::string text = Text();
    const int start = IsEditStyle() ? SelStart() : 0;
    const int length = IsEditStyle() ? SelLength() : 0;
    SetDroppedDown(true);
    if (IsEditStyle()) {
      SetTextFromCode(text);
      Perform(CB_SETEDITSEL, 0, MAKELPARAM(start, start + length));
    }
  }
  if (IsEditStyle())
    EditAutoComplete(key);
  else
    ListAutoComplete(key);
}

void TCustomComboBox::SelectByUser(int index) {
  if (index == ItemIndex())
    return;
  SetItemIndex(index);
  Click();
  Select();
}

void TCustomComboBox::ListAutoComplete(char& key) {
  // A pause longer than the delay starts a new search.
  if (TicksSince(lastSearchTick_) >= static_cast<DWORD>(std::max(0, autoCompleteDelay_)))
    searchText_.clear();
  lastSearchTick_ = GetTicks();
  const std::string candidate = searchText_ + key;
  const LRESULT index =
      Perform(CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(candidate.c_str()));
  if (index < 0)
    return;
  searchText_ = candidate;
  key = '\0';
  SelectByUser(static_cast<int>(index));
}

void TCustomComboBox::EditAutoComplete(char& key) {
  const std::string text = Text();
  const int start = SelStart();
  if (start + SelLength() != static_cast<int>(text.size()))
    return;
  const std::string typed = text.substr(0, start) + key;
  const LRESULT found =
      Perform(CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(typed.c_str()));
  if (found < 0)
    return;
  const int index = static_cast<int>(found);
  if (autoCloseUp_ && items_->IndexOf(typed) != -1)
    SetDroppedDown(false);
  const bool changed = index != ItemIndex();
  SetItemIndex(index);
  // The typed letters keep their case; the completed rest is selected.
  const std::string item = items_->Strings(index);
  SetTextFromCode(typed + item.substr(std::min(typed.size(), item.size())));
  Perform(CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), Text().size()));
  key = '\0';
  if (changed) {
    Click();
    Select();
  }
}

void TCustomComboBox::Change() {
  if (OnChange)
    OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown)
    OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp)
    OnCloseUp(this);
}

void TCustomComboBox::AdjustDropDown() {
  const int count = std::max(1, std::min(items_->Count(), dropDownCount_));
  const int itemHeight = static_cast<int>(Perform(CB_GETITEMHEIGHT, 0));
  SetWindowPos(WindowHandle(), nullptr, 0, 0, Width(), itemHeight * count + Height() + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TCustomComboBox::CNCommand(TMessage& m) {
  switch (TWMCommand(m).NotifyCode()) {
    case CBN_SELCHANGE: {
      const int index = ItemIndex();
      if (index >= 0 && IsEditStyle())
        SetTextFromCode(items_->Strings(index));
      Click();
      Select();
      break;
    }
    case CBN_EDITCHANGE:
      if (settingText_ == 0)
        Change();
      break;
    case CBN_DROPDOWN:
      AdjustDropDown();
      DropDown();
      break;
    case CBN_CLOSEUP:
      CloseUp();
      break;
    default:
      break;
  }
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index >= 0)
    canvas_->TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomComboBox::CNDrawItem(TMessage& m) {
  const DRAWITEMSTRUCT* item = TWMDrawItem(m).DrawItemStruct();
  const TOwnerDrawState state = OwnerDrawStateOf(item->itemState);
  const TRect rect = item->rcItem;
  const TCanvasHandleScope drawing(canvas_.get(), item->hDC);
  canvas_->SetFont(Font());
  canvas_->Brush()->SetStyle(bsSolid);
  canvas_->Brush()->SetColor(Color());
  if (state.Contains(odSelected)) {
    canvas_->Brush()->SetColor(clHighlight);
    canvas_->Font()->SetColor(clHighlightText);
  }
  const int index = static_cast<int>(item->itemID);
  if (index >= 0)
    DrawItem(index, rect, state);
  else
    canvas_->FillRect(rect);
  if (state.Contains(odFocused))
    canvas_->DrawFocusRect(rect);
  m.Result = 1;
}

void TCustomComboBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem)
    OnMeasureItem(this, index, height);
}

void TCustomComboBox::CNMeasureItem(TMessage& m) {
  MEASUREITEMSTRUCT* item = TWMMeasureItem(m).MeasureItemStruct();
  int height = itemHeight_;
  const int index = static_cast<int>(item->itemID);
  if (style_ == csOwnerDrawVariable && index >= 0)
    MeasureItem(index, height);
  item->itemHeight = height;
  m.Result = 1;
}

void TCustomComboBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_SETTEXT:
      // A list style shows the item of that text, or none.
      if (HandleAllocated() && !IsEditStyle()) {
        const char* text = reinterpret_cast<const char*>(m.LParam);
        SetItemIndex(items_->IndexOf(text ? text : ""));
        m.Result = 1;
      } else {
        const TNesting fromCode(settingText_);
        TWinControl::Dispatch(m);
      }
      break;
    case CN_COMMAND:
      CNCommand(m);
      break;
    case CN_DRAWITEM:
      CNDrawItem(m);
      break;
    case CN_MEASUREITEM:
      CNMeasureItem(m);
      break;
    default:
      TWinControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TComboBox, TCustomComboBox)

void TComboBox::Publish(TPublisher<TComboBox>& p) {
  PublishComboBox(p);
}

// ---- TCustomStaticText -----------------------------------------------------------------

VEL_COMPONENT_IMPL(TCustomStaticText, TWinControl)

TCustomStaticText::TCustomStaticText(TComponent* owner) : TWinControl(owner) {
  DropMouseStyles(this, {csCaptureMouse});
}

void TCustomStaticText::AfterConstruction() {
  TWinControl::AfterConstruction();
  SetBounds(Left(), Top(), 65, 17);
  AdjustBounds();
}

void TCustomStaticText::SetAlignment(TAlignment value) {
  ChangeStyle(alignment_, value);
}

void TCustomStaticText::SetAutoSize(bool value) {
  if (value == autoSize_)
    return;
  autoSize_ = value;
  AdjustBounds();
}

void TCustomStaticText::SetBorderStyle(TStaticBorderStyle value) {
  ChangeStyle(borderStyle_, value);
}

void TCustomStaticText::SetFocusControl(TWinControl* value) {
  SetReference(this, focusControl_, value);
}

void TCustomStaticText::SetShowAccelChar(bool value) {
  ChangeStyle(showAccelChar_, value);
}

void TCustomStaticText::SetTransparent(bool value) {
  SetAndInvalidate(transparent_, value);
}

void TCustomStaticText::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_)
    focusControl_ = nullptr;
}

void TCustomStaticText::Loaded() {
  TWinControl::Loaded();
  AdjustBounds();
}

void TCustomStaticText::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csReading) || ComponentState().Contains(csLoading))
    return;
  const TScreenDC screen;
  const HGDIOBJ old = SelectObject(screen.DC(), Font()->Handle());
  const std::string caption = Caption();
  SIZE size{};
  GetTextExtentPoint32A(screen.DC(), caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(screen.DC(), old);
  SetBounds(Left(), Top(), size.cx + 4 * GetSystemMetrics(SM_CXBORDER),
            size.cy + 4 * GetSystemMetrics(SM_CYBORDER));
}

void TCustomStaticText::CreateParams(TCreateParams& params) {
  static const DWORD kAlignment[] = {SS_LEFT, SS_RIGHT, SS_CENTER};
  TWinControl::CreateParams(params);
  CreateSubClass(params, "STATIC");
  params.Style |= SS_NOTIFY | kAlignment[alignment_];
  if (!showAccelChar_)
    params.Style |= SS_NOPREFIX;
  if (borderStyle_ == sbsSingle)
    params.Style |= WS_BORDER;
  else if (borderStyle_ == sbsSunken)
    params.Style |= SS_SUNKEN;
}

void TCustomStaticText::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      TWinControl::Dispatch(m);
      AdjustBounds();
      break;
    case CM_DIALOGCHAR:
      FocusByAccelerator(this, focusControl_, showAccelChar_, m);
      break;
    case CN_CTLCOLORSTATIC:
      if (transparent_) {
        const HDC dc = reinterpret_cast<HDC>(m.WParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(Font()->Color()));
        m.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      } else {
        TWinControl::Dispatch(m);
      }
      break;
    default:
      TWinControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TStaticText, TCustomStaticText)

void TStaticText::Publish(TPublisher<TStaticText>& p) {
  using C = TCustomStaticText;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("AutoSize", &C::AutoSize, &C::SetAutoSize);
  p.Property("BorderStyle", &C::BorderStyle, &C::SetBorderStyle);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("FocusControl", &C::FocusControl, &C::SetFocusControl);
  p.Property("ShowAccelChar", &C::ShowAccelChar, &C::SetShowAccelChar);
  p.Property("Transparent", &C::Transparent, &C::SetTransparent);
}

void RegisterStdCtrlsClasses() {
  for (const TMetaClass* meta :
       {&TLabel::StaticClass(), &TButton::StaticClass(), &TCheckBox::StaticClass(),
        &TRadioButton::StaticClass(), &TEdit::StaticClass(), &TComboBox::StaticClass(),
        &TStaticText::StaticClass(), &TButtonActionLink::StaticClass()})
    RegisterClass(*meta);
}
