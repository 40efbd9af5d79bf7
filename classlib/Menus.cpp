#include "Menus.h"

#include "Forms.h"
#include "Threads.h"
#include "TypInfo.h"

#include <algorithm>
#include <bitset>
#include <memory>

VEL_COMPONENT_IMPL(TMenuItem, TComponent)
VEL_ACTION_LINK_IMPL(TMenuActionLink, TActionLink)
VEL_CLASS_IMPL(TMenu, TComponent)
VEL_COMPONENT_IMPL(TMainMenu, TMenu)
VEL_COMPONENT_IMPL(TPopupMenu, TMenu)
VEL_CLASS_IMPL(TPopupList, TObject)
VEL_ENUM_TYPE_IMPL(TPopupAlignment, "paLeft", "paRight", "paCenter")

namespace {

// ---- Command numbers ----------------------------------------------------------------

// Process-wide, so that a window that owns several menus (the popup list)
// can tell their items apart by the number alone.
class TCommandPool {
 public:
  WORD Allocate() {
    for (size_t i = 0; i < used_.size(); ++i) {
      const size_t id = 1 + (next_ + i) % (used_.size() - 1);
      if (!used_[id]) {
        used_[id] = true;
        next_ = id;
        return static_cast<WORD>(id);
      }
    }
    throw EOutOfResources("Out of menu command numbers");
  }
  void Release(WORD id) { used_[id] = false; }

 private:
  std::bitset<0x10000> used_;
  size_t next_ = 0;
};

TCommandPool& Commands() {
  static TCommandPool pool;
  return pool;
}

TPopupList* currentPopupList = nullptr;
TPopupList* startupPopupList = nullptr;

void ShowControlPopup(TComponent* menu, TControl* control, const TPoint& screenPos) {
  auto* popup = dynamic_cast<TPopupMenu*>(menu);
  if (!popup || !popup->AutoPopup())
    return;
  popup->SetPopupComponent(control);
  popup->Popup(screenPos.x, screenPos.y);
}

// Letter case aside, in the user's locale.
bool SameCaption(const std::string& a, const std::string& b) {
  return WideSameText(AnsiToWide(a), AnsiToWide(b));
}

// Owner drawing with a DC that belongs to someone else: whatever the canvas
// selects goes back when the scope ends.
class TBorrowedDC {
 public:
  TBorrowedDC(TCanvas* canvas, HDC dc) : canvas_(canvas), dc_(dc), saved_(SaveDC(dc)) {
    canvas_->SetHandle(dc);
  }
  TBorrowedDC(const TBorrowedDC&) = delete;
  TBorrowedDC& operator=(const TBorrowedDC&) = delete;
  ~TBorrowedDC() {
    canvas_->SetHandle(nullptr);
    RestoreDC(dc_, saved_);
  }

 private:
  TCanvas* canvas_;
  HDC dc_;
  int saved_;
};

// A screen DC for measuring, given back at the end of the scope.
class TScreenDC {
 public:
  TScreenDC() : dc_(GetDC(nullptr)) {}
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  ~TScreenDC() { ReleaseDC(nullptr, dc_); }
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
};

// The menu font, bold for a default item, in the colours of the state.
void PrepareCanvas(TCanvas* canvas, const TMenuItem* item, TOwnerDrawState state) {
  canvas->Font()->Assign(Screen()->MenuFont());
  if (item->Default())
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
  const bool selected = state.Contains(odSelected);
  canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  canvas->Font()->SetColor(selected ? clHighlightText : clMenuText);
}

bool IsPlatform51OrLater() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info))
    return false;
  return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
}

TRect TextBounds(TCanvas* canvas, const std::string& text, UINT flags) {
  TRect r(0, 0, 0, 0);
  DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
            flags | DT_CALCRECT | DT_NOCLIP);
  return r;
}

constexpr UINT kMeasureFlags = DT_EXPANDTABS | DT_SINGLELINE;
// Between the caption and the shortcut, and after the shortcut.
constexpr int kShortCutGap = 12;
constexpr int kShortCutMargin = 10;
constexpr int kDefaultGlyphSize = 16;

}  // namespace

// ---- TMenuItem --------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(Commands().Allocate()) {}

TMenuItem::~TMenuItem() {
  if (handle_)
    DestroyMenu(handle_);
  Commands().Release(command_);
}

void TMenuItem::BeforeDestruction() {
  if (parent_)
    parent_->Remove(this);
  Clear();
  actionLink_.reset();
  TComponent::BeforeDestruction();
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return items_[index];
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item)
    return;
  for (const TMenuItem* p = this; p; p = p->parent_) {
    if (p == item)
      throw EInvalidOperation("A menu item cannot contain itself");
  }
  // Checked before the item leaves its old place, so a bad index loses
  // nothing; a move within this item counts the item once.
  if (index < 0 || index > Count() - (item->parent_ == this ? 1 : 0))
    throw EListError(Format("List index out of bounds (%d)", index));
  if (item->parent_)
    item->parent_->Remove(item);
  Take(index, item);
}

void TMenuItem::Take(int index, TMenuItem* item) {
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  // Its entries were built for the menu it came from, if any.
  item->RebuildTree();
  MenuChanged(true);
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index >= 0)
    Delete(index);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Clear() {
  while (!items_.empty())
    items_.back()->Free();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_)
    item = item->parent_;
  return item->menu_;
}

TCustomImageList* TMenuItem::GetImageList() const {
  const TMenu* menu = GetParentMenu();
  return menu ? menu->Images() : nullptr;
}

bool TMenuItem::IsMainMenuTopItem() const {
  return parent_ && parent_->menu_ && parent_->menu_->Is<TMainMenu>();
}

bool TMenuItem::IsOwnerDrawn() const {
  const TMenu* menu = GetParentMenu();
  return menu && menu->IsOwnerDraw();
}

// Properties.

template <typename T>
void TMenuItem::ChangeValue(T& field, const T& value, bool rebuild) {
  if (field == value)
    return;
  field = value;
  MenuChanged(rebuild);
}

void TMenuItem::SetCaption(const std::string& value) {
  ChangeValue(caption_, value);
}

void TMenuItem::SetShortCut(TShortCut value) {
  ChangeValue(shortCut_, value);
}

void TMenuItem::SetChecked(bool value) {
  ChangeValue(checked_, value);
}

void TMenuItem::SetRadioItem(bool value) {
  ChangeValue(radioItem_, value);
}

void TMenuItem::SetEnabled(bool value) {
  ChangeValue(enabled_, value);
}

void TMenuItem::SetVisible(bool value) {
  ChangeValue(visible_, value);
}

void TMenuItem::SetDefault(bool value) {
  ChangeValue(default_, value);
}

void TMenuItem::SetImageIndex(int value) {
  ChangeValue(imageIndex_, value);
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) {
    bitmap_.reset(Create<TBitmap>());
    bitmap_->OnChange = Method<&TMenuItem::BitmapChanged>(this);
  }
  return bitmap_.get();
}

void TMenuItem::BitmapChanged(TObject*) {
  MenuChanged(false);
}

// The native menu.

HMENU TMenuItem::Handle() {
  if (!handle_) {
    handle_ = menu_ ? menu_->CreateRootHandle() : CreatePopupMenu();
    if (!handle_)
      throw EOutOfResources("Out of system resources");
    RebuildHandle();
  }
  return handle_;
}

void TMenuItem::RebuildHandle() {
  if (!handle_)
    return;
  // RemoveMenu keeps the sub-items' own menus, which they still own.
  while (GetMenuItemCount(handle_) > 0)
    RemoveMenu(handle_, 0, MF_BYPOSITION);
  for (TMenuItem* item : items_) {
    if (item->visible_)
      item->AppendTo(handle_);
  }
}

void TMenuItem::RebuildTree() {
  for (TMenuItem* item : items_)
    item->RebuildTree();
  RebuildHandle();
}

void TMenuItem::AppendTo(HMENU menu) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA;
  info.wID = command_;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  info.fState = enabled_ ? MFS_ENABLED : MFS_DISABLED | MFS_GRAYED;
  if (checked_)
    info.fState |= MFS_CHECKED;
  if (default_)
    info.fState |= MFS_DEFAULT;
  std::string text;
  if (IsOwnerDrawn()) {
    info.fType = MFT_OWNERDRAW | (IsLine() ? MFT_SEPARATOR : 0);
  } else if (IsLine()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING;
    info.fMask |= MIIM_STRING;
    text = caption_;
    if (shortCut_ && items_.empty() && !IsMainMenuTopItem())
      text += "\t" + ShortCutToText(shortCut_);
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
  }
  if (radioItem_)
    info.fType |= MFT_RADIOCHECK;
  if (!items_.empty()) {
    info.fMask |= MIIM_SUBMENU;
    info.hSubMenu = Handle();
  }
  InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (parent_)
    parent_->RebuildHandle();
  if (rebuild)
    RebuildHandle();
  if (TMenu* menu = GetParentMenu())
    menu->MenuChanged(this, this, rebuild);
}

TMenuItem* TMenuItem::Find(WORD command) {
  if (command_ == command)
    return this;
  for (TMenuItem* item : items_) {
    if (TMenuItem* found = item->Find(command))
      return found;
  }
  return nullptr;
}

int TMenuItem::HotKeyPosition(WORD ch) const {
  int position = 0;
  for (const TMenuItem* item : items_) {
    if (!item->visible_)
      continue;
    if (IsAccel(ch, item->caption_))
      return position;
    ++position;
  }
  return -1;
}

TMenuItem* TMenuItem::FindByHandle(HMENU menu) {
  if (handle_ && handle_ == menu)
    return this;
  for (TMenuItem* item : items_) {
    if (TMenuItem* found = item->FindByHandle(menu))
      return found;
  }
  return nullptr;
}

// Clicks and actions.

void TMenuItem::Click() {
  ClickClient(this, OnClick, actionLink_.get());
}

TBasicAction* TMenuItem::Action() const {
  return actionLink_ ? actionLink_->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* action) {
  if (action == Action())
    return;
  SetClientAction(actionLink_, GetActionLinkClass(), this, action,
                  Method<&TMenuItem::ActionLinkChanged>(this));
  if (!action)
    return;
  ActionChange(action, ComponentState().Contains(csLoading));
  action->FreeNotification(this);
}

void TMenuItem::ActionLinkChanged(TObject* sender) {
  if (sender == Action())
    ActionChange(sender, false);
}

const TMetaClass* TMenuItem::GetActionLinkClass() const {
  return &TMenuActionLink::StaticClass();
}

void TMenuItem::ActionChange(TObject* sender, bool checkDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action)
    return;
  if (!checkDefaults || caption_.empty())
    SetCaption(action->Caption());
  if (!checkDefaults || !checked_)
    SetChecked(action->Checked());
  if (!checkDefaults || enabled_)
    SetEnabled(action->Enabled());
  if (!checkDefaults || hint_.empty())
    SetHint(action->Hint());
  if (!checkDefaults || imageIndex_ == -1)
    SetImageIndex(action->ImageIndex());
  if (!checkDefaults || shortCut_ == 0)
    SetShortCut(action->ShortCut());
  if (!checkDefaults || visible_)
    SetVisible(action->Visible());
  if (!checkDefaults || !OnClick)
    OnClick = action->OnExecute();
}

void TMenuItem::InitiateAction() {
  if (actionLink_ && TActionUpdatePass::Claim(actionLink_->Action()))
    actionLink_->Update();
}

// Form data and ownership.

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
    item->Add(this);
  } else if (auto* menu = dynamic_cast<TMenu*>(parent)) {
    menu->Items()->Add(this);
  }
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && actionLink_ && component == actionLink_->Action())
    SetAction(nullptr);
}

// Owner drawing.

TMenuItem::TGlyphBox TMenuItem::LayOutGlyph(const TRect& rect, bool topLevel) const {
  TCustomImageList* images = GetImageList();
  TGlyphBox box;
  box.Image = images && imageIndex_ >= 0 && imageIndex_ < images->Count();
  box.CheckMark = checked_ && !box.Image && !HasBitmap();
  const bool glyph = box.Image || box.CheckMark || HasBitmap();
  box.Rect = TRect(rect.left + 1, rect.top, rect.left + 1, rect.bottom);
  if (glyph) {
    box.Rect.right += box.Image ? images->Width() : kDefaultGlyphSize;
    if (checked_)
      box.Rect.left += 1;
  } else if (!topLevel && images) {
    box.Rect.right += images->Width();
  }
  box.Rect.left -= 1;
  box.Rect.right += 2;
  return box;
}

int TMenuItem::GlyphHeight() const {
  TCustomImageList* images = GetImageList();
  if (images && imageIndex_ >= 0 && imageIndex_ < images->Count())
    return images->Height();
  if (HasBitmap())
    return bitmap_->Height();
  if (checked_)
    return kDefaultGlyphSize;
  return images ? images->Height() : 0;
}

UINT TMenuItem::AlignmentFlag() const {
  const TMenu* menu = GetParentMenu();
  return menu ? menu->AlignmentFlag() : DT_LEFT;
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  if (IsLine()) {
    width = kDefaultGlyphSize;
    height = GetSystemMetrics(SM_CYMENUSIZE) / 2;
  } else {
    const bool topLevel = IsMainMenuTopItem();
    const UINT flags = AlignmentFlag() | kMeasureFlags;
    const TGlyphBox box = LayOutGlyph(TRect(0, 0, 0, 0), topLevel);
    const TRect caption = TextBounds(canvas, caption_, flags);
    width = box.Rect.right + 1 + 2 + caption.Width() + 1;
    if (shortCut_ && !topLevel)
      width += kShortCutGap + TextBounds(canvas, ShortCutToText(shortCut_), flags).Width() +
               kShortCutMargin;
    height = std::max<int>(canvas->TextHeight("W"), GlyphHeight()) + 4;
  }
  if (OnMeasureItem)
    OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state,
                                 bool topLevel) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, canvas, rect, state);
    return;
  }
  if (OnDrawItem) {
    OnDrawItem(this, canvas, rect, state.Contains(odSelected));
    return;
  }
  const bool selected = state.Contains(odSelected);
  canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  canvas->FillRect(rect);
  if (IsLine()) {
    DrawSeparator(canvas, rect);
    return;
  }
  const TGlyphBox box = LayOutGlyph(rect, topLevel);
  DrawGlyph(canvas, box, selected);
  if (caption_.empty() && shortCut_ == 0)
    return;
  TRect text(box.Rect.right + 1, rect.top, rect.right, rect.bottom);
  // Below 5.1 a newer shell draws top items one pixel higher.
  const bool oldShellTop = topLevel && !IsPlatform51OrLater();
  if (oldShellTop && !selected)
    OffsetRect(&text, 0, -1);
  text.left += 2;
  text.right -= 1;
  UINT flags = AlignmentFlag() | kMeasureFlags;
  if (state.Contains(odNoAccel))
    flags |= DT_HIDEPREFIX;
  if (default_)
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
  const TRect measured = TextBounds(canvas, caption_, flags);
  OffsetRect(&text, oldShellTop && selected ? 1 : 0, (text.Height() - measured.Height()) / 2);
  DrawMenuText(canvas, caption_, text, flags, selected);
  if (shortCut_ && !topLevel) {
    const TRect shortCut(text.left + measured.Width(), text.top, text.right - kShortCutMargin + 1,
                         text.bottom);
    DrawMenuText(canvas, ShortCutToText(shortCut_), shortCut, DT_RIGHT, selected);
  }
}

void TMenuItem::DrawSeparator(TCanvas* canvas, const TRect& rect) {
  const int y = (rect.top + rect.bottom) / 2;
  canvas->Pen()->SetColor(clBtnShadow);
  canvas->MoveTo(rect.left + 1, y - 1);
  canvas->LineTo(rect.right - 1, y - 1);
  canvas->Pen()->SetColor(clBtnHighlight);
  canvas->MoveTo(rect.left + 1, y);
  canvas->LineTo(rect.right - 1, y);
}

void TMenuItem::DrawGlyph(TCanvas* canvas, const TGlyphBox& box, bool selected) {
  const TRect& r = box.Rect;
  if (box.Image) {
    TCustomImageList* images = GetImageList();
    if (checked_) {
      TRect frame = r;
      DrawEdge(canvas->Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    images->Draw(canvas, r.left + 1, r.top + (r.Height() - images->Height()) / 2, imageIndex_,
                 enabled_);
  } else if (HasBitmap()) {
    canvas->Draw(r.left + 1, r.top + (r.Height() - bitmap_->Height()) / 2, bitmap_.get());
  } else if (box.CheckMark) {
    DrawCheckMark(canvas, r, selected);
  }
}

void TMenuItem::DrawCheckMark(TCanvas* canvas, const TRect& r, bool selected) {
  const TColor colour = !enabled_ ? clBtnShadow : selected ? clHighlightText : clMenuText;
  const int x = (r.left + r.right) / 2;
  const int y = (r.top + r.bottom) / 2;
  canvas->Pen()->SetColor(colour);
  if (radioItem_) {
    canvas->Brush()->SetColor(colour);
    Ellipse(canvas->Handle(), x - 3, y - 3, x + 3, y + 3);
    return;
  }
  // Three strokes one pixel apart make the tick bold enough.
  for (int dy = 0; dy < 3; ++dy) {
    canvas->MoveTo(x - 3, y - 1 + dy);
    canvas->LineTo(x - 1, y + 1 + dy);
    canvas->LineTo(x + 4, y - 4 + dy);
  }
}

void TMenuItem::DrawMenuText(TCanvas* canvas, const std::string& text, TRect r, UINT flags,
                             bool selected) {
  canvas->Brush()->SetStyle(bsClear);
  if (!enabled_) {
    // Embossed: a highlight one pixel down and right, the shadow on top.
    if (!selected) {
      TRect shadow = r;
      OffsetRect(&shadow, 1, 1);
      canvas->Font()->SetColor(clBtnHighlight);
      DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &shadow, flags);
    }
    const bool highlightIsShadow = ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow);
    canvas->Font()->SetColor(selected && highlightIsShadow ? clBtnHighlight : clBtnShadow);
  }
  DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, flags);
  canvas->Brush()->SetStyle(bsSolid);
}

void TMenuItem::Publish(TPublisher<TMenuItem>& p) {
  p.Property("Action", &TMenuItem::Action, &TMenuItem::SetAction);
  p.Property("Bitmap", &TMenuItem::Bitmap, &TMenuItem::SetBitmap);
  p.Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  p.Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
  p.Property("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
  p.Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
  p.Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  p.Property("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
  p.Property("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
  p.Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut);
  p.Property("Tag", &TMenuItem::Tag, &TMenuItem::SetTag);
  p.Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
  p.Event("OnClick", &TMenuItem::OnClick);
  p.Event("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
  p.Event("OnDrawItem", &TMenuItem::OnDrawItem);
  p.Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
}

// ---- TMenuActionLink --------------------------------------------------------------

std::string StripHotKeyMarks(const std::string& caption) {
  std::string result;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size())
      ++i;
    else if (caption[i] == '&')
      continue;
    result += caption[i];
  }
  return result;
}

TMenuActionLink::TMenuActionLink(TObject* client)
    : TActionLink(client),
      client_(client ? client->As<TMenuItem>() : throw EInvalidCast("Invalid class typecast")) {}

bool TMenuActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && SameCaption(StripHotKeyMarks(client_->Caption()),
                                                       StripHotKeyMarks(CustomAction()->Caption()));
}

bool TMenuActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && client_->Hint() == CustomAction()->Hint();
}

bool TMenuActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && client_->Enabled() == CustomAction()->Enabled();
}

bool TMenuActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && client_->Visible() == CustomAction()->Visible();
}

bool TMenuActionLink::IsCheckedLinked() {
  return TActionLink::IsCheckedLinked() && client_->Checked() == CustomAction()->Checked();
}

bool TMenuActionLink::IsImageIndexLinked() {
  return TActionLink::IsImageIndexLinked() && client_->ImageIndex() == CustomAction()->ImageIndex();
}

bool TMenuActionLink::IsShortCutLinked() {
  return TActionLink::IsShortCutLinked() && client_->ShortCut() == CustomAction()->ShortCut();
}

bool TMenuActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && client_->OnClick == Action()->OnExecute();
}

void TMenuActionLink::SetCaption(const std::string& value) {
  if (IsCaptionLinked())
    client_->SetCaption(value);
}

void TMenuActionLink::SetHint(const std::string& value) {
  if (IsHintLinked())
    client_->SetHint(value);
}

void TMenuActionLink::SetEnabled(bool value) {
  if (IsEnabledLinked())
    client_->SetEnabled(value);
}

void TMenuActionLink::SetVisible(bool value) {
  if (IsVisibleLinked())
    client_->SetVisible(value);
}

void TMenuActionLink::SetChecked(bool value) {
  if (IsCheckedLinked())
    client_->SetChecked(value);
}

void TMenuActionLink::SetImageIndex(int value) {
  if (IsImageIndexLinked())
    client_->SetImageIndex(value);
}

void TMenuActionLink::SetShortCut(TShortCut value) {
  if (IsShortCutLinked())
    client_->SetShortCut(value);
}

void TMenuActionLink::SetOnExecute(const TNotifyEvent& value) {
  if (IsOnExecuteLinked())
    client_->OnClick = value;
}

// ---- TMenu --------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner) {
  imagesLink_.OnChange = Method<&TMenu::ImagesChanged>(this);
}

TMenu::~TMenu() = default;

void TMenu::AfterConstruction() {
  TComponent::AfterConstruction();
  items_ = CreateMenuItem();
  items_->menu_ = this;
}

void TMenu::BeforeDestruction() {
  Detach();
  TComponent::BeforeDestruction();
}

TMenuItem* TMenu::CreateMenuItem() {
  return Create<TMenuItem>(this);
}

void TMenu::SetImages(TCustomImageList* value) {
  const bool ownerDraw = IsOwnerDraw();
  if (ChangeLinkedImages(this, imagesLink_, value) && ownerDraw != IsOwnerDraw())
    Rebuild();
}

void TMenu::SetOwnerDraw(bool value) {
  if (value == ownerDraw_)
    return;
  ownerDraw_ = value;
  Rebuild();
}

void TMenu::ImagesChanged(TObject*) {
  // The images are drawn, not stored: the owner-drawn entries need measuring.
  Rebuild();
}

void TMenu::Rebuild() {
  if (!items_)
    return;
  items_->RebuildTree();
  MenuChanged(this, nullptr, true);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  // A freed list cut the link before telling, so Images() is null by now;
  // without it the entries may no longer be owner-drawn.
  if (operation == opRemove && items_ && !IsOwnerDraw() &&
      dynamic_cast<TCustomImageList*>(component))
    Rebuild();
}

TMenuItem* TMenu::FindItem(UINT_PTR value, TFindItemKind kind) const {
  if (!items_)
    return nullptr;
  if (kind == fkCommand)
    return value <= 0xFFFF ? items_->Find(static_cast<WORD>(value)) : nullptr;
  return value ? items_->FindByHandle(reinterpret_cast<HMENU>(value)) : nullptr;
}

bool TMenu::DispatchCommand(WORD command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (!item || item == items_)
    return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU submenu) {
  TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(submenu), fkHandle);
  if (!item)
    return false;
  for (int i = 0; i < item->Count(); ++i)
    item->Items(i)->InitiateAction();
  return true;
}

bool TMenu::DispatchMenuChar(HMENU menu, WORD ch, LRESULT& result) const {
  const TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
  if (!item)
    return false;
  const int position = item->HotKeyPosition(ch);
  result = position < 0 ? MAKELRESULT(0, MNC_IGNORE) : MAKELRESULT(position, MNC_EXECUTE);
  return true;
}

TMenuItem* TMenu::ItemOfOwnerDraw(UINT id) const {
  // Some systems give the submenu's handle for items that open one.
  TMenuItem* item = FindItem(id, fkCommand);
  return item ? item : FindItem(id, fkHandle);
}

bool TMenu::MeasureMenuItem(MEASUREITEMSTRUCT& measure) {
  if (measure.CtlType != ODT_MENU)
    return false;
  TMenuItem* item = ItemOfOwnerDraw(measure.itemID);
  if (!item)
    return false;
  TOwned<TCanvas> canvas(Create<TCanvas>());
  const TScreenDC screen;
  const TBorrowedDC borrowed(canvas.get(), screen.Handle());
  PrepareCanvas(canvas.get(), item, TOwnerDrawState());
  int width = static_cast<int>(measure.itemWidth);
  int height = static_cast<int>(measure.itemHeight);
  item->MeasureItem(canvas.get(), width, height);
  measure.itemWidth = static_cast<UINT>(std::max(width, 0));
  measure.itemHeight = static_cast<UINT>(std::max(height, 0));
  return true;
}

bool TMenu::DrawMenuItem(const DRAWITEMSTRUCT& draw) {
  if (draw.CtlType != ODT_MENU)
    return false;
  TMenuItem* item = ItemOfOwnerDraw(draw.itemID);
  if (!item)
    return false;
  TOwned<TCanvas> canvas(Create<TCanvas>());
  const TBorrowedDC borrowed(canvas.get(), draw.hDC);
  const TOwnerDrawState state = OwnerDrawStateOf(draw.itemState);
  PrepareCanvas(canvas.get(), item, state);
  item->AdvancedDrawItem(canvas.get(), TRect(draw.rcItem), state, item->IsMainMenuTopItem());
  return true;
}

void TMenu::MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) {
  if (OnChange)
    OnChange(sender, source, rebuild);
}

void TMenu::Publish(TPublisher<TMenu>& p) {
  p.Property("Images", &TMenu::Images, &TMenu::SetImages);
  p.Property("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
}

// ---- TMainMenu ----------------------------------------------------------------------

void TMainMenu::SetWindowHandle(HWND window) {
  window_ = window;
}

void TMainMenu::Detach() {
  if (window_ && Items()->HandleAllocated() && GetMenu(window_) == Items()->Handle())
    SetMenu(window_, nullptr);
  window_ = nullptr;
}

void TMainMenu::MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) {
  if (window_ && Items() && Items()->HandleAllocated())
    DrawMenuBar(window_);
  TMenu::MenuChanged(sender, source, rebuild);
}

// ---- TPopupMenu ---------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {
  if (TPopupList* list = PopupList())
    list->Add(this);
}

TPopupMenu::~TPopupMenu() {
  if (list_)
    list_->Remove(this);
}

void TPopupMenu::BeforeDestruction() {
  if (list_)
    list_->Remove(this);
  TMenu::BeforeDestruction();
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
  if (value == popupComponent_)
    return;
  if (popupComponent_)
    popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = value;
  if (value)
    value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popupComponent_)
    popupComponent_ = nullptr;
}

UINT TPopupMenu::AlignmentFlag() const {
  switch (alignment_) {
    case paRight:
      return DT_RIGHT;
    case paCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup)
    OnPopup(this);
  for (int i = 0; i < Items()->Count(); ++i)
    Items()->Items(i)->InitiateAction();
  TPopupList* list = PopupList();
  if (!list || !list->Window())
    return;
  static const UINT trackAlignment[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  TrackPopupMenu(Handle(), trackAlignment[alignment_] | TPM_RIGHTBUTTON, x, y, 0, list->Window(),
                 nullptr);
}

void TPopupMenu::Publish(TPublisher<TPopupMenu>& p) {
  p.Property("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment);
  p.Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
  p.Event("OnPopup", &TPopupMenu::OnPopup);
}

// ---- Menu messages --------------------------------------------------------------------

TMenuItem* MenuSelectItem(const std::vector<TMenu*>& menus, WPARAM wParam, LPARAM lParam) {
  const UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0)
    return nullptr;  // the menu closed
  const bool byHandle = (flags & MF_POPUP) != 0;
  const UINT_PTR key =
      byHandle ? reinterpret_cast<UINT_PTR>(
                     lParam ? GetSubMenu(reinterpret_cast<HMENU>(lParam), LOWORD(wParam)) : nullptr)
               : LOWORD(wParam);
  for (TMenu* menu : menus) {
    if (TMenuItem* item = menu->FindItem(key, byHandle ? fkHandle : fkCommand))
      return item;
  }
  return nullptr;
}

void MenuSelectHint(TMenuItem* item) {
  if (Application())
    Application()->SetHint(item ? GetLongHint(item->Hint()) : std::string());
}

bool DispatchMenuMessage(const std::vector<TMenu*>& menus, TMessage& m) {
  auto anyMenu = [&](auto take) {
    return std::any_of(menus.begin(), menus.end(), [&](TMenu* menu) { return take(menu); });
  };
  switch (m.Msg) {
    case WM_COMMAND:
      return m.LParam == 0 && HIWORD(m.WParam) == 0 &&
             anyMenu([&](TMenu* menu) { return menu->DispatchCommand(LOWORD(m.WParam)); });
    case WM_MENUCHAR:
      return anyMenu([&](TMenu* menu) {
        return menu->DispatchMenuChar(reinterpret_cast<HMENU>(m.LParam), LOWORD(m.WParam),
                                      m.Result);
      });
    case WM_INITMENUPOPUP:
      return anyMenu(
          [&](TMenu* menu) { return menu->DispatchPopup(reinterpret_cast<HMENU>(m.WParam)); });
    case WM_MENUSELECT: {
      TMenuItem* item = MenuSelectItem(menus, m.WParam, m.LParam);
      MenuSelectHint(item);
      return item != nullptr;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      const bool taken =
          measure && anyMenu([&](TMenu* menu) { return menu->MeasureMenuItem(*measure); });
      if (taken)
        m.Result = 1;
      return taken;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
      const bool taken = draw && anyMenu([&](TMenu* menu) { return menu->DrawMenuItem(*draw); });
      if (taken)
        m.Result = 1;
      return taken;
    }
    default:
      return false;
  }
}

// ---- TPopupList ---------------------------------------------------------------------

TPopupList::~TPopupList() {
  for (TPopupMenu* menu : menus_)
    menu->list_ = nullptr;
  DeallocateHWnd(window_);
}

void TPopupList::AfterConstruction() {
  TObject::AfterConstruction();
  window_ = AllocateHWnd(Method<&TPopupList::MainWndProc>(this));
}

void TPopupList::Add(TPopupMenu* menu) {
  if (!menu || menu->list_ == this)
    return;
  if (menu->list_)
    menu->list_->Remove(menu);
  menus_.push_back(menu);
  menu->list_ = this;
}

void TPopupList::Remove(TPopupMenu* menu) {
  const auto it = std::find(menus_.begin(), menus_.end(), menu);
  if (it == menus_.end())
    return;
  menus_.erase(it);
  menu->list_ = nullptr;
}

TPopupMenu* TPopupList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return menus_[index];
}

void TPopupList::MainWndProc(TMessage& m) {
  Guard(this, [&] { WndProc(m); });
}

void TPopupList::WndProc(TMessage& m) {
  const std::vector<TMenu*> menus(menus_.begin(), menus_.end());
  if (m.Msg != WM_ENTERMENULOOP && DispatchMenuMessage(menus, m))
    return;
  m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
}

TPopupList* PopupList() {
  return currentPopupList;
}

void SetPopupList(TPopupList* list) {
  currentPopupList = list;
}

// ---- Start-up -------------------------------------------------------------------------

void InitMenus() {
  startupPopupList = Create<TPopupList>();
  currentPopupList = startupPopupList;
  SetPopupMenuHook(&ShowControlPopup);
}

void DoneMenus() {
  SetPopupMenuHook(nullptr);
  currentPopupList = nullptr;
  FreeAndNil(startupPopupList);
}

void RegisterMenuClasses() {
  for (const TMetaClass* meta : {&TMenuItem::StaticClass(), &TMainMenu::StaticClass(),
                                 &TPopupMenu::StaticClass(), &TMenuActionLink::StaticClass()})
    RegisterClass(*meta);
}
