#include "ComCtrls.h"

#include "Screen.h"

#include <richedit.h>

#include <algorithm>

VEL_ENUM_TYPE_IMPL(TStatusPanelStyle, "psText", "psOwnerDraw")
VEL_ENUM_TYPE_IMPL(TStatusPanelBevel, "pbNone", "pbLowered", "pbRaised")
VEL_ENUM_TYPE_IMPL(TToolButtonStyle, "tbsButton", "tbsCheck", "tbsSeparator", "tbsDivider")
VEL_ENUM_TYPE_IMPL(TEdgeBorder, "ebLeft", "ebTop", "ebRight", "ebBottom")
VEL_ENUM_TYPE_IMPL(TTBDrawingStyle, "dsNormal", "dsGradient")
VEL_ENUM_TYPE_IMPL(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth")

VEL_COLLECTION_ITEM_IMPL(TStatusPanel, TCollectionItem)
VEL_CLASS_IMPL(TStatusPanels, TCollection)
VEL_COMPONENT_IMPL(TCustomStatusBar, TWinControl)
VEL_COMPONENT_IMPL(TStatusBar, TCustomStatusBar)
VEL_COMPONENT_IMPL(TToolButton, TGraphicControl)
VEL_ACTION_LINK_IMPL(TToolButtonActionLink, TControlActionLink)
VEL_COMPONENT_IMPL(TToolBar, TWinControl)
VEL_COMPONENT_IMPL(TProgressBar, TWinControl)
VEL_CLASS_IMPL(TTextAttributes, TPersistent)
VEL_CLASS_IMPL(TRichEditStrings, TStrings)
VEL_COMPONENT_IMPL(TCustomRichEdit, TWinControl)
VEL_COMPONENT_IMPL(TRichEdit, TCustomRichEdit)

namespace {

// The simple part's index in SB_SETTEXTA.
constexpr int kSimplePart = 255;

// Hands a canvas a DC from outside for one drawing step, and takes it back
// whatever the step does.
class TBorrowedDC {
 public:
  TBorrowedDC(TCanvas* canvas, HDC dc) : canvas_(canvas) { canvas_->SetHandle(dc); }
  ~TBorrowedDC() { canvas_->SetHandle(nullptr); }
  TBorrowedDC(const TBorrowedDC&) = delete;
  TBorrowedDC& operator=(const TBorrowedDC&) = delete;

 private:
  TCanvas* canvas_;
};

bool FormIsSizeable(HWND parent) {
  const HWND root = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
  return root && (GetWindowLongA(root, GWL_STYLE) & WS_THICKFRAME);
}

}  // namespace

// ---- TStatusPanel ----------------------------------------------------------------------------

void TStatusPanel::Publish(TPublisher<TStatusPanel>& p) {
  p.Property("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
  p.Property("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel);
  p.Property("Style", &TStatusPanel::Style, &TStatusPanel::SetStyle);
  p.Property("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
  p.Property("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
}

void TStatusPanel::SetText(const std::string& value) {
  if (value == text_)
    return;
  text_ = value;
  Changed(false);
}

void TStatusPanel::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TStatusPanel*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  SetText(other->Text());
  SetWidth(other->Width());
  SetAlignment(other->Alignment());
  SetBevel(other->Bevel());
  SetStyle(other->Style());
}

// ---- TStatusPanels ---------------------------------------------------------------------------

TStatusPanels::TStatusPanels(TCustomStatusBar* bar, const TCollectionItemClass& itemClass)
    : TCollection(itemClass, bar), bar_(bar) {}

TStatusPanel* TStatusPanels::Items(int index) const {
  return static_cast<TStatusPanel*>(TCollection::Items(index));
}

void TStatusPanels::Update(TCollectionItem* item) {
  bar_->PanelsChanged(item);
}

// ---- TCustomStatusBar ------------------------------------------------------------------------

void TCustomStatusBar::Publish(TPublisher<TCustomStatusBar>& p) {
  p.Property("Action", &TCustomStatusBar::Action, &TCustomStatusBar::SetAction);
  p.Property("AutoHint", &TCustomStatusBar::AutoHint, &TCustomStatusBar::SetAutoHint);
  p.Property("Panels", &TCustomStatusBar::Panels, &TCustomStatusBar::SetPanels);
  p.Property("SimplePanel", &TCustomStatusBar::SimplePanel, &TCustomStatusBar::SetSimplePanel);
  p.Property("SimpleText", &TCustomStatusBar::SimpleText, &TCustomStatusBar::SetSimpleText);
  p.Property("SizeGrip", &TCustomStatusBar::SizeGrip, &TCustomStatusBar::SetSizeGrip);
  p.Property("UseSystemFont", &TCustomStatusBar::UseSystemFont,
             &TCustomStatusBar::SetUseSystemFont);
  p.Event("OnDrawPanel", &TCustomStatusBar::OnDrawPanel);
  p.Event("OnHint", &TCustomStatusBar::OnHint);
}

TCustomStatusBar::TCustomStatusBar(TComponent* owner)
    : TWinControl(owner), canvas_(Create<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomStatusBar::~TCustomStatusBar() = default;

void TCustomStatusBar::AfterConstruction() {
  panels_.reset(CreatePanels());
  TWinControl::AfterConstruction();
  SetAlign(alBottom);
  SetHeight(19);
  if (useSystemFont_ && Screen())
    Font()->Assign(Screen()->HintFont());
  canvas_->Font()->Assign(Font());
}

TStatusPanels* TCustomStatusBar::CreatePanels() {
  return Create<TStatusPanels>(this, GetPanelClass());
}

const TCollectionItemClass& TCustomStatusBar::GetPanelClass() const {
  return TStatusPanel::StaticItemClass();
}

void TCustomStatusBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, STATUSCLASSNAMEA);
  params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
  if (sizeGrip_ && FormIsSizeable(params.WndParent))
    params.Style |= SBARS_SIZEGRIP;
}

void TCustomStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TCustomStatusBar::Loaded() {
  TWinControl::Loaded();
  UpdatePanels();
}

void TCustomStatusBar::SetSimplePanel(bool value) {
  if (value == simplePanel_)
    return;
  simplePanel_ = value;
  ApplySimple();
}

void TCustomStatusBar::SetSimpleText(const std::string& value) {
  if (value == simpleText_)
    return;
  simpleText_ = value;
  UpdatePanel(kSimplePart);
}

void TCustomStatusBar::SetSizeGrip(bool value) {
  if (value == sizeGrip_)
    return;
  sizeGrip_ = value;
  RecreateWnd();
}

void TCustomStatusBar::SetUseSystemFont(bool value) {
  if (value == useSystemFont_)
    return;
  useSystemFont_ = value;
  if (value && Screen())
    Font()->Assign(Screen()->HintFont());
}

void TCustomStatusBar::PanelsChanged(TCollectionItem* item) {
  if (ComponentState().Contains(csDestroying))
    return;
  if (item)
    UpdatePanel(item->Index());
  else
    UpdatePanels();
}

void TCustomStatusBar::UpdatePanel(int index) {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying))
    return;
  if (index == kSimplePart) {
    Perform(SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(simpleText_.c_str()));
    return;
  }
  const TStatusPanel* panel = panels_->Items(index);
  WPARAM type = 0;
  if (panel->Style() == psOwnerDraw)
    type |= SBT_OWNERDRAW;
  if (panel->Bevel() == pbNone)
    type |= SBT_NOBORDERS;
  else if (panel->Bevel() == pbRaised)
    type |= SBT_POPOUT;
  // The native bar centres the text after one TAB, right-aligns after two.
  const size_t tabs = panel->Alignment() == taCenter         ? 1
                      : panel->Alignment() == taRightJustify ? 2
                                                             : 0;
  const std::string text = std::string(tabs, '\t') + panel->Text();
  Perform(SB_SETTEXTA, static_cast<WPARAM>(index) | type, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomStatusBar::UpdatePanels() {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying))
    return;
  const int count = panels_->Count();
  std::vector<int> edges;
  int right = 0;
  for (int i = 0; i < count; ++i) {
    right += panels_->Items(i)->Width();
    edges.push_back(i == count - 1 ? -1 : right);
  }
  if (edges.empty())
    edges.push_back(-1);
  Perform(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < count; ++i)
    UpdatePanel(i);
  ApplySimple();
}

void TCustomStatusBar::ApplySimple() {
  if (!HandleAllocated())
    return;
  // Without panels the simple part shows, so a hint has somewhere to go.
  const bool simple = simplePanel_ || panels_->Count() == 0;
  Perform(SB_SIMPLE, simple, 0);
  if (simple)
    UpdatePanel(kSimplePart);
}

bool TCustomStatusBar::DoHint() {
  if (!OnHint)
    return false;
  OnHint(this);
  return true;
}

bool TCustomStatusBar::ExecuteAction(TBasicAction* action) {
  auto* hint = dynamic_cast<TCustomHintAction*>(action);
  if (!autoHint_ || !hint)
    return TWinControl::ExecuteAction(action);
  if (!DoHint()) {
    if (!simplePanel_ && panels_->Count() > 0)
      panels_->Items(0)->SetText(hint->Hint());
    else
      SetSimpleText(hint->Hint());
  }
  return true;
}

void TCustomStatusBar::DrawPanel(TMessage& m) {
  const DRAWITEMSTRUCT* item = TWMDrawItem(m).DrawItemStruct();
  m.Result = 1;
  if (!OnDrawPanel || item->itemID >= static_cast<UINT>(panels_->Count()))
    return;
  const TBorrowedDC borrowed(canvas_.get(), item->hDC);
  canvas_->Font()->Assign(Font());
  OnDrawPanel(this, panels_->Items(static_cast<int>(item->itemID)), TRect(item->rcItem));
}

void TCustomStatusBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_DRAWITEM:
      DrawPanel(m);
      break;
    case WM_SIZE:
      TWinControl::Dispatch(m);
      // The grip and the last part's edge move with the width; the native
      // bar keeps the old pixels where it grew.
      if (sizeGrip_)
        InvalidateRect(WindowHandle(), nullptr, TRUE);
      break;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(m);
      canvas_->Font()->Assign(Font());
      break;
    default:
      TWinControl::Dispatch(m);
  }
}

// ---- TToolButton -----------------------------------------------------------------------------

void TToolButton::Publish(TPublisher<TToolButton>& p) {
  p.Property("Action", &TToolButton::Action, &TToolButton::SetAction);
  p.Property("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp);
  p.Property("AutoSize", &TToolButton::AutoSize, &TToolButton::SetAutoSize);
  p.Property("Caption", &TToolButton::Caption, &TToolButton::SetCaption);
  p.Property("Down", &TToolButton::Down, &TToolButton::SetDown);
  p.Property("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
  p.Property("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex);
  p.Property("MenuItem", &TToolButton::MenuItem, &TToolButton::SetMenuItem);
  p.Property("Style", &TToolButton::Style, &TToolButton::SetStyle);
}

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {}

TToolBar* TToolButton::ToolBar() const {
  return dynamic_cast<TToolBar*>(Parent());
}

int TToolButton::Index() const {
  const TToolBar* bar = ToolBar();
  if (!bar)
    return -1;
  const auto& buttons = bar->buttons_;
  const auto it = std::find(buttons.begin(), buttons.end(), this);
  return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

void TToolButton::Refresh() {
  if (TToolBar* bar = ToolBar())
    bar->RefreshButton(this);
}

void TToolButton::SetMenuItem(TMenuItem* item) {
  if (item == menuItem_)
    return;
  if (menuItem_)
    menuItem_->RemoveFreeNotification(this);
  menuItem_ = item;
  if (!item)
    return;
  item->FreeNotification(this);
  SetCaption(item->Caption());
  SetHint(item->Hint());
  SetImageIndex(item->ImageIndex());
  SetEnabled(item->Enabled());
  SetVisible(item->Visible());
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == menuItem_)
    menuItem_ = nullptr;
}

void TToolButton::Click() {
  if (menuItem_)
    menuItem_->Click();
  else
    TGraphicControl::Click();
}

const TMetaClass* TToolButton::GetActionLinkClass() const {
  return &TToolButtonActionLink::StaticClass();
}

void TToolButton::ActionChange(TObject* sender, bool checkDefaults) {
  TGraphicControl::ActionChange(sender, checkDefaults);
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action)
    return;
  if (!checkDefaults || !down_)
    SetDown(action->Checked());
  if (!checkDefaults || imageIndex_ == -1)
    SetImageIndex(action->ImageIndex());
}

void TToolButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
      TGraphicControl::Dispatch(m);
      Refresh();
      break;
    default:
      TGraphicControl::Dispatch(m);
  }
}

// ---- TToolButtonActionLink -------------------------------------------------------------------

TToolButtonActionLink::TToolButtonActionLink(TObject* client)
    : TControlActionLink(client), button_(client->As<TToolButton>()) {}

bool TToolButtonActionLink::IsCheckedLinked() {
  return TControlActionLink::IsCheckedLinked() && button_->Down() == CustomAction()->Checked();
}

bool TToolButtonActionLink::IsImageIndexLinked() {
  return TControlActionLink::IsImageIndexLinked() &&
         button_->ImageIndex() == CustomAction()->ImageIndex();
}

void TToolButtonActionLink::SetChecked(bool value) {
  if (IsCheckedLinked())
    button_->SetDown(value);
}

void TToolButtonActionLink::SetImageIndex(int value) {
  if (IsImageIndexLinked())
    button_->SetImageIndex(value);
}

// ---- TToolBar --------------------------------------------------------------------------------

void TToolBar::Publish(TPublisher<TToolBar>& p) {
  p.Property("AutoSize", &TToolBar::AutoSize, &TToolBar::SetAutoSize);
  p.Property("BorderWidth", &TToolBar::BorderWidth, &TToolBar::SetBorderWidth);
  p.Property("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight);
  p.Property("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth);
  p.Property("DisabledImages", &TToolBar::DisabledImages, &TToolBar::SetDisabledImages);
  p.Property("DrawingStyle", &TToolBar::DrawingStyle, &TToolBar::SetDrawingStyle);
  p.Property("EdgeBorders", &TToolBar::EdgeBorders, &TToolBar::SetEdgeBorders);
  p.Property("Flat", &TToolBar::Flat, &TToolBar::SetFlat);
  p.Property("HideClippedButtons", &TToolBar::HideClippedButtons, &TToolBar::SetHideClippedButtons);
  p.Property("Images", &TToolBar::Images, &TToolBar::SetImages);
  p.Property("List", &TToolBar::List, &TToolBar::SetList);
  p.Property("Menu", &TToolBar::Menu, &TToolBar::SetMenu);
  p.Property("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions);
  p.Property("Transparent", &TToolBar::Transparent, &TToolBar::SetTransparent);
  p.Property("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable);
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  imagesLink_.OnChange = Method<&TToolBar::ImagesChanged>(this);
  disabledLink_.OnChange = Method<&TToolBar::ImagesChanged>(this);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
}

TToolBar::~TToolBar() = default;

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return buttons_[static_cast<size_t>(index)];
}

bool TToolBar::Live() const {
  return HandleAllocated() && !ComponentState().Contains(csDestroying) &&
         !ComponentState().Contains(csLoading);
}

void TToolBar::SetImages(TCustomImageList* list) {
  if (ChangeLinkedImages(this, imagesLink_, list))
    ImagesChanged(nullptr);
}

void TToolBar::SetDisabledImages(TCustomImageList* list) {
  if (ChangeLinkedImages(this, disabledLink_, list))
    ImagesChanged(nullptr);
}

void TToolBar::ImagesChanged(TObject*) {
  if (!Live())
    return;
  ApplyImages();
  RebuildButtons();
}

void TToolBar::SetMenu(TMainMenu* menu) {
  if (menu == menu_)
    return;
  if (menu_)
    menu_->RemoveFreeNotification(this);
  menu_ = menu;
  while (!buttons_.empty())
    buttons_.back()->Free();
  if (!menu)
    return;
  menu->FreeNotification(this);
  TMenuItem* items = menu->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TToolButton* button = CreateMenuButton();
    try {
      button->SetAutoSize(true);
      button->SetGrouped(true);
      button->SetParent(this);
      button->SetMenuItem(items->Items(i));
    } catch (...) {
      button->Free();
      throw;
    }
  }
}

TToolButton* TToolBar::CreateMenuButton() {
  return Create<TToolButton>(this);
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == menu_)
    menu_ = nullptr;
  // The list has already cut the link: the bar drops it natively too.
  if (operation == opRemove && dynamic_cast<TCustomImageList*>(component))
    ImagesChanged(nullptr);
}

void TToolBar::SetAutoSize(bool value) {
  if (value == autoSize_)
    return;
  autoSize_ = value;
  ButtonsChanged();
}

void TToolBar::SetDrawingStyle(TTBDrawingStyle value) {
  if (value == drawingStyle_)
    return;
  drawingStyle_ = value;
  Invalidate();
}

void TToolBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, TOOLBARCLASSNAMEA);
  params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (flat_)
    params.Style |= TBSTYLE_FLAT;
  if (list_)
    params.Style |= TBSTYLE_LIST;
  if (transparent_)
    params.Style |= TBSTYLE_TRANSPARENT;
  if (wrapable_)
    params.Style |= TBSTYLE_WRAPABLE;
}

void TToolBar::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ApplyImages();
  RebuildButtons();
}

void TToolBar::Loaded() {
  TWinControl::Loaded();
  ImagesChanged(nullptr);
}

void TToolBar::ApplyImages() {
  TCustomImageList* images = Images();
  TCustomImageList* disabled = DisabledImages();
  const LPARAM size = images ? MAKELONG(images->Width(), images->Height()) : MAKELONG(0, 0);
  Perform(TB_SETBITMAPSIZE, 0, size);
  Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
  Perform(TB_SETDISABLEDIMAGELIST, 0,
          reinterpret_cast<LPARAM>(disabled ? disabled->Handle() : nullptr));
}

void TToolBar::InsertButton(TToolButton* button) {
  buttons_.push_back(button);
  if (!Live())
    return;
  InsertNativeButton(ButtonCount() - 1);
  ButtonsChanged();
}

void TToolBar::RemoveButton(TToolButton* button) {
  const auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end())
    return;
  buttons_.erase(it);
  // Command ids are indices: every later button gets a new one.
  RebuildButtons();
}

void TToolBar::RebuildButtons() {
  if (!Live())
    return;
  while (Perform(TB_BUTTONCOUNT, 0, 0) > 0) {
    if (!Perform(TB_DELETEBUTTON, 0, 0))
      break;
  }
  Perform(TB_SETBUTTONSIZE, 0, MAKELONG(buttonWidth_, buttonHeight_));
  for (int i = 0; i < ButtonCount(); ++i)
    InsertNativeButton(i);
  ButtonsChanged();
}

void TToolBar::RefreshButton(TToolButton* button) {
  const int index = button->Index();
  if (index < 0 || !Live())
    return;
  Perform(TB_DELETEBUTTON, index, 0);
  InsertNativeButton(index);
  ButtonsChanged();
}

void TToolBar::InsertNativeButton(int index) {
  const TToolButton* button = buttons_[static_cast<size_t>(index)];
  const bool separator = button->style_ == tbsSeparator || button->style_ == tbsDivider;
  TBBUTTON b{};
  // A separator is 8 wide unless form data made it narrower than a button.
  if (separator)
    b.iBitmap = button->Width() > 0 && button->Width() < buttonWidth_ ? button->Width() : 8;
  else
    b.iBitmap = Images() ? button->imageIndex_ : I_IMAGENONE;
  b.idCommand = index;
  b.fsState = static_cast<BYTE>((button->Enabled() ? TBSTATE_ENABLED : 0) |
                                (button->down_ ? TBSTATE_CHECKED : 0) |
                                (button->Visible() ? 0 : TBSTATE_HIDDEN));
  BYTE style = separator ? BTNS_SEP : button->style_ == tbsCheck ? BTNS_CHECK : BTNS_BUTTON;
  if (button->grouped_)
    style |= BTNS_GROUP;
  if (button->autoSize_)
    style |= BTNS_AUTOSIZE;
  b.fsStyle = style;
  // An empty string would take the next string's index (the native bar adds
  // nothing for it), so such a button has none.
  const std::string caption = button->Caption();
  b.iString = -1;
  if (showCaptions_ && !caption.empty() && !separator) {
    const std::string list = caption + '\0';
    b.iString = Perform(TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(list.c_str()));
  }
  Perform(TB_INSERTBUTTONA, index, reinterpret_cast<LPARAM>(&b));
}

void TToolBar::ButtonsChanged() {
  if (!Live() || updatingBounds_)
    return;
  updatingBounds_ = true;
  try {
    Perform(TB_AUTOSIZE, 0, 0);
    AdjustHeight();
    UpdateButtonBounds();
  } catch (...) {
    updatingBounds_ = false;
    throw;
  }
  updatingBounds_ = false;
}

void TToolBar::AdjustHeight() {
  if (!autoSize_ || buttons_.empty())
    return;
  LONG bottom = 0;
  for (int i = 0; i < ButtonCount(); ++i) {
    RECT r{};
    if (Perform(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
      bottom = std::max(bottom, r.bottom);
  }
  RECT client{};
  GetClientRect(WindowHandle(), &client);
  SetHeight(Height() - client.bottom + bottom);
}

void TToolBar::UpdateButtonBounds() {
  for (int i = 0; i < ButtonCount(); ++i) {
    RECT r{};
    TToolButton* button = buttons_[static_cast<size_t>(i)];
    if (button->Visible() && Perform(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
      button->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    else
      button->SetBounds(button->Left(), button->Top(), 0, 0);
  }
}

void TToolBar::ButtonClicked(TMessage& m) {
  const int id = TWMCommand(m).ItemID();
  m.Result = 0;
  if (id >= ButtonCount())
    return;
  TToolButton* clicked = buttons_[static_cast<size_t>(id)];
  const bool wasDown = clicked->down_;
  // The native bar toggled check buttons (and released the others of a
  // group) itself: take its state over without a refresh.
  for (int i = 0; i < ButtonCount(); ++i) {
    TToolButton* button = buttons_[static_cast<size_t>(i)];
    if (button->style_ == tbsCheck)
      button->down_ = Perform(TB_ISBUTTONCHECKED, i, 0) != 0;
  }
  // A group's down button stays down natively; AllowAllUp releases it.
  if (clicked->grouped_ && clicked->allowAllUp_ && wasDown && clicked->down_)
    clicked->SetDown(false);
  clicked->Click();
}

void TToolBar::CalcEdges(TMessage& m) {
  DefaultHandler(m);
  RECT& r = m.WParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0]
                     : *reinterpret_cast<RECT*>(m.LParam);
  InflateRect(&r, -borderWidth_, -borderWidth_);
  r.left += edgeBorders_.Contains(ebLeft) ? 2 : 0;
  r.top += edgeBorders_.Contains(ebTop) ? 2 : 0;
  r.right -= edgeBorders_.Contains(ebRight) ? 2 : 0;
  r.bottom -= edgeBorders_.Contains(ebBottom) ? 2 : 0;
}

// The frame around the face (the border width and the edges) is the bar's
// own: nothing else paints it.
void TToolBar::PaintEdges(TMessage& m) {
  DefaultHandler(m);
  if (borderWidth_ == 0 && edgeBorders_.Empty())
    return;
  const HWND window = WindowHandle();
  const HDC dc = GetWindowDC(window);
  RECT r;
  GetWindowRect(window, &r);
  RECT face;
  GetClientRect(window, &face);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&face), 2);
  OffsetRect(&face, -r.left, -r.top);
  OffsetRect(&r, -r.left, -r.top);
  ExcludeClipRect(dc, face.left, face.top, face.right, face.bottom);
  FillRect(dc, &r, Brush()->Handle());
  UINT flags = 0;
  flags |= edgeBorders_.Contains(ebLeft) ? BF_LEFT : 0;
  flags |= edgeBorders_.Contains(ebTop) ? BF_TOP : 0;
  flags |= edgeBorders_.Contains(ebRight) ? BF_RIGHT : 0;
  flags |= edgeBorders_.Contains(ebBottom) ? BF_BOTTOM : 0;
  if (flags)
    DrawEdge(dc, &r, EDGE_ETCHED, flags);
  ReleaseDC(window, dc);
}

void TToolBar::WndProc(TMessage& m) {
  // The native bar takes every mouse message: it draws pressed and hot
  // buttons and reports a click once, with WM_COMMAND.
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    TControl::WndProc(m);
    return;
  }
  TWinControl::WndProc(m);
}

void TToolBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      ButtonClicked(m);
      break;
    case CM_CONTROLCHANGE:
      TWinControl::Dispatch(m);
      if (auto* button = dynamic_cast<TToolButton*>(reinterpret_cast<TControl*>(m.WParam))) {
        if (m.LParam)
          InsertButton(button);
        else
          RemoveButton(button);
      }
      break;
    case WM_SIZE:
      TWinControl::Dispatch(m);
      ButtonsChanged();
      break;
    case WM_NCCALCSIZE:
      CalcEdges(m);
      break;
    case WM_NCPAINT:
      PaintEdges(m);
      break;
    default:
      TWinControl::Dispatch(m);
  }
}

// ---- TProgressBar ----------------------------------------------------------------------------

void TProgressBar::Publish(TPublisher<TProgressBar>& p) {
  p.Property("Max", &TProgressBar::Max, &TProgressBar::SetMax);
  p.Property("Min", &TProgressBar::Min, &TProgressBar::SetMin);
  p.Property("Position", &TProgressBar::Position, &TProgressBar::SetPosition);
  p.Property("Step", &TProgressBar::Step, &TProgressBar::SetStep);
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {}

void TProgressBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, PROGRESS_CLASSA);
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(PBM_SETRANGE32, min_, max_);
  Perform(PBM_SETSTEP, step_, 0);
  Perform(PBM_SETPOS, position_, 0);
}

void TProgressBar::SetRange(int min, int max) {
  if (min == min_ && max == max_)
    return;
  min_ = min;
  max_ = std::max(min, max);
  position_ = std::clamp(Position(), min_, max_);
  if (HandleAllocated())
    Perform(PBM_SETRANGE32, min_, max_);
}

int TProgressBar::Position() const {
  if (!HandleAllocated())
    return position_;
  return static_cast<int>(const_cast<TProgressBar*>(this)->Perform(PBM_GETPOS, 0, 0));
}

void TProgressBar::SetPosition(int value) {
  value = std::clamp(value, min_, max_);
  if (value == Position())
    return;
  position_ = value;
  if (HandleAllocated())
    Perform(PBM_SETPOS, value, 0);
}

void TProgressBar::SetStep(int value) {
  if (value == step_)
    return;
  step_ = value;
  if (HandleAllocated())
    Perform(PBM_SETSTEP, value, 0);
}

void TProgressBar::StepIt() {
  if (HandleAllocated()) {
    Perform(PBM_STEPIT, 0, 0);
    position_ = Position();
    return;
  }
  const int next = position_ + step_;
  position_ = next > max_ ? min_ + (next - max_) : next;
}

// ---- TTextAttributes -------------------------------------------------------------------------

TColor TTextAttributes::Color() const {
  CHARFORMAT2A format{};
  format.cbSize = sizeof(format);
  editor_->HandleNeeded();
  editor_->Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return static_cast<TColor>(format.crTextColor);
}

void TTextAttributes::SetColor(TColor value) {
  CHARFORMAT2A format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = ColorToRGB(value);
  editor_->HandleNeeded();
  editor_->Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// ---- TRichEditStrings ------------------------------------------------------------------------

namespace {

// The rich edit's window, made when first needed.
LRESULT Send(TCustomRichEdit* editor, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  editor->HandleNeeded();
  return editor->Perform(msg, wParam, lParam);
}

int LineLength(TCustomRichEdit* editor, int line) {
  const LRESULT start = Send(editor, EM_LINEINDEX, line);
  return start < 0 ? 0 : static_cast<int>(Send(editor, EM_LINELENGTH, start));
}

}  // namespace

int TRichEditStrings::GetCount() const {
  const int lines = static_cast<int>(Send(editor_, EM_GETLINECOUNT));
  // The native count includes the empty line after a final break.
  return lines > 0 && LineLength(editor_, lines - 1) == 0 ? lines - 1 : lines;
}

std::string TRichEditStrings::Get(int index) const {
  if (index < 0 || index >= GetCount())
    Error("List index out of bounds (%d)", index);
  const int length = LineLength(editor_, index);
  // EM_GETLINE takes the buffer's size in its first word.
  std::string buffer(static_cast<size_t>(std::max(length + 2, 2)), '\0');
  *reinterpret_cast<WORD*>(&buffer[0]) = static_cast<WORD>(buffer.size());
  const LRESULT got = Send(editor_, EM_GETLINE, index, reinterpret_cast<LPARAM>(&buffer[0]));
  buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
  return buffer;
}

int TRichEditStrings::LineStart(int index) const {
  if (index >= static_cast<int>(Send(editor_, EM_GETLINECOUNT)))
    return editor_->GetTextLen();
  return static_cast<int>(Send(editor_, EM_LINEINDEX, index));
}

void TRichEditStrings::Replace(int start, int end, const std::string& text) {
  editor_->SetSel(start, end);
  Send(editor_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

int TRichEditStrings::Add(const std::string& s) {
  const int lines = static_cast<int>(Send(editor_, EM_GETLINECOUNT));
  // A last line without its break gets one first.
  const bool open = lines > 0 && LineLength(editor_, lines - 1) > 0;
  const int end = editor_->GetTextLen();
  Replace(end, end, (open ? "\r\n" : "") + s + "\r\n");
  return GetCount() - 1;
}

void TRichEditStrings::Insert(int index, const std::string& s) {
  const int count = GetCount();
  if (index < 0 || index > count)
    Error("List index out of bounds (%d)", index);
  if (index == count) {
    Add(s);
    return;
  }
  const int start = LineStart(index);
  Replace(start, start, s + "\r\n");
}

void TRichEditStrings::Delete(int index) {
  if (index < 0 || index >= GetCount())
    Error("List index out of bounds (%d)", index);
  Replace(LineStart(index), LineStart(index + 1), "");
}

void TRichEditStrings::Clear() {
  Send(editor_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
}

void TRichEditStrings::SetUpdateState(bool updating) {
  Send(editor_, WM_SETREDRAW, !updating);
  if (!updating)
    InvalidateRect(editor_->Handle(), nullptr, TRUE);
}

// ---- TCustomRichEdit -------------------------------------------------------------------------

namespace {

// The rich edit classes come from a system DLL, loaded with the first rich
// edit and kept for the process: its windows may live until the very end.
void LoadRichEditLibrary() {
  static const HMODULE module = LoadLibraryA("RICHED20.DLL");
  if (!module)
    throw EOutOfResources("Unable to load RICHED20.DLL");
}

}  // namespace

void TCustomRichEdit::Publish(TPublisher<TCustomRichEdit>& p) {
  p.Property("BorderStyle", &TCustomRichEdit::BorderStyle, &TCustomRichEdit::SetBorderStyle);
  p.Property("Lines", &TCustomRichEdit::Lines, &TCustomRichEdit::SetLines);
  p.Property("MaxLength", &TCustomRichEdit::MaxLength, &TCustomRichEdit::SetMaxLength);
  p.Property("ReadOnly", &TCustomRichEdit::ReadOnly, &TCustomRichEdit::SetReadOnly);
  p.Property("ScrollBars", &TCustomRichEdit::ScrollBars, &TCustomRichEdit::SetScrollBars);
  p.Property("WordWrap", &TCustomRichEdit::WordWrap, &TCustomRichEdit::SetWordWrap);
}

TCustomRichEdit::TCustomRichEdit(TComponent* owner)
    : TWinControl(owner),
      lines_(Create<TRichEditStrings>(this)),
      selAttributes_(Create<TTextAttributes>(this)) {
  SetTabStop(true);
  SetParentColor(false);
}

TCustomRichEdit::~TCustomRichEdit() = default;

void TCustomRichEdit::CreateParams(TCreateParams& params) {
  LoadRichEditLibrary();
  TWinControl::CreateParams(params);
  CreateSubClass(params, "RichEdit20A");
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_SAVESEL;
  if (!wordWrap_)
    params.Style |= ES_AUTOHSCROLL;
  if (readOnly_)
    params.Style |= ES_READONLY;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
    params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
    params.Style |= WS_HSCROLL;
  if (borderStyle_ != bsNone)
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomRichEdit::CreateWnd() {
  TWinControl::CreateWnd();
  Perform(EM_SETTARGETDEVICE, 0, wordWrap_ ? 0 : 1);
  if (maxLength_ > 0)
    Perform(EM_EXLIMITTEXT, 0, maxLength_);
  ApplyColors();
}

void TCustomRichEdit::ApplyColors() {
  Perform(EM_SETBKGNDCOLOR, 0, ColorToRGB(Color()));
  CHARFORMAT2A format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = ColorToRGB(Font()->Color());
  Perform(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void TCustomRichEdit::Dispatch(TMessage& m) {
  TWinControl::Dispatch(m);
  if (m.Msg == CM_COLORCHANGED && HandleAllocated())
    Perform(EM_SETBKGNDCOLOR, 0, ColorToRGB(Color()));
}

void TCustomRichEdit::SetReadOnly(bool value) {
  if (value == readOnly_)
    return;
  readOnly_ = value;
  if (HandleAllocated())
    Perform(EM_SETREADONLY, value, 0);
}

void TCustomRichEdit::SetMaxLength(int value) {
  if (value == maxLength_)
    return;
  maxLength_ = value;
  if (HandleAllocated())
    Perform(EM_EXLIMITTEXT, 0, value);
}

int TCustomRichEdit::GetTextLen() {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  HandleNeeded();
  return static_cast<int>(Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

int TCustomRichEdit::SelStart() {
  CHARRANGE range{};
  HandleNeeded();
  Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range.cpMin;
}

int TCustomRichEdit::SelLength() {
  CHARRANGE range{};
  HandleNeeded();
  Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range.cpMax - range.cpMin;
}

void TCustomRichEdit::SetSel(int start, int end) {
  const int length = GetTextLen();
  CHARRANGE range{std::clamp(start, 0, length), std::clamp(end, 0, length)};
  Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void TCustomRichEdit::SetSelStart(int value) {
  SetSel(value, value);
}

void TCustomRichEdit::SetSelLength(int value) {
  const int start = SelStart();
  SetSel(start, start + std::max(0, value));
}

// ---- Registration ----------------------------------------------------------------------------

void RegisterComCtrlsClasses() {
  for (const TMetaClass* meta : {&TStatusBar::StaticClass(), &TToolBar::StaticClass(),
                                 &TToolButton::StaticClass(), &TProgressBar::StaticClass(),
                                 &TRichEdit::StaticClass(), &TToolButtonActionLink::StaticClass()})
    RegisterClass(*meta);
}
