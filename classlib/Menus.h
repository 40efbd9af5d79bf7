// Menus: the item tree, main and popup menus, their native menus, owner
// drawing, and the popup list whose window receives the popup menus'
// messages.
//
// Items form a tree under a menu's root item, which the menu makes in
// AfterConstruction through its item factory and owns. Form data creates the
// other items with the form as owner and hands them to their parent item.
// Every visible change of an item goes through its virtual MenuChanged, which
// brings the native menu up to date and then tells the menu; subclasses that
// change an item only for a moment override it to stay quiet.
//
// The native menus are built on demand (Handle). Each item is an entry of its
// parent's native menu, identified by its Command, a process-wide unique
// non-zero 16-bit number. With Images or OwnerDraw every entry is owner-drawn:
// the window that owns the menu (the form, or the popup list's window) hands
// WM_MEASUREITEM and WM_DRAWITEM to the menu, which prepares a canvas and
// calls the item's MeasureItem and AdvancedDrawItem.
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"

#include <string>
#include <vector>

class TMenu;
class TMenuItem;
class TPopupMenu;

constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);

using TMenuDrawItemEvent =
    TClosure<void(TObject* sender, TCanvas* canvas, const TRect& rect, bool selected)>;
using TAdvancedMenuDrawItemEvent =
    TClosure<void(TObject* sender, TCanvas* canvas, const TRect& rect, TOwnerDrawState state)>;
using TMenuMeasureItemEvent =
    TClosure<void(TObject* sender, TCanvas* canvas, int& width, int& height)>;
using TMenuChangeEvent = TClosure<void(TObject* sender, TMenuItem* source, bool rebuild)>;

// ---- Menu items -------------------------------------------------------------------

class TMenuItem : public TComponent {
  VEL_CLASS(TMenuItem, TComponent)
  static void Publish(TPublisher<TMenuItem>& p);

 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  // Leaves the parent and frees the sub-items.
  void BeforeDestruction() override;

  // The tree. Items(i) raises EListError outside 0..Count-1.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }
  // Moves item here (at the end, or at index); EInvalidOperation for an
  // item that would contain itself.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out without freeing it.
  void Delete(int index);
  void Remove(TMenuItem* item);
  int IndexOf(const TMenuItem* item) const;
  // Frees every sub-item.
  void Clear();
  // The menu whose tree holds this item; null while it hangs in none.
  TMenu* GetParentMenu() const;
  // Menu merging is not supported: no item is ever merged.
  TMenuItem* Merged() const { return nullptr; }
  TMenuItem* MergedWith() const { return nullptr; }

  // "-" makes a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  bool IsLine() const { return caption_ == "-"; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Default() const { return default_; }
  void SetDefault(bool value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  // Made on first use; drawn when the menu's image list has no image for it.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* value) { Bitmap()->Assign(value); }
  bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
  // The parent menu's Images.
  TCustomImageList* GetImageList() const;

  WORD Command() const { return command_; }
  // The native popup menu of this item's sub-items, made on first use.
  HMENU Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);
  TActionLink* ActionLink() const { return actionLink_.get(); }

  // OnClick, or the action.
  virtual void Click();

  TNotifyEvent OnClick;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  // Owner drawing: the canvas comes prepared (menu font, bold for Default,
  // the colours of the state). With OnAdvancedDrawItem or OnDrawItem the
  // handler draws; otherwise the background, check mark, glyph and texts.
  virtual void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state,
                                bool topLevel);
  // The size the item needs, then OnMeasureItem.
  virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
  // Brings the native menu up to date (rebuild: the sub-items changed too),
  // then tells the menu.
  virtual void MenuChanged(bool rebuild);
  // Updates the linked action, once per idle pass.
  virtual void InitiateAction();
  virtual const TMetaClass* GetActionLinkClass() const;
  // Copies what the action carries; with checkDefaults only into values
  // still at their default.
  virtual void ActionChange(TObject* sender, bool checkDefaults);

  TComponent* GetChildParent() override { return this; }

 protected:
  void SetParentComponent(TComponent* parent) override;
  void Notification(TComponent* component, TOperation operation) override;
  // DT_ flag of the captions' alignment in the menu the item hangs in.
  UINT AlignmentFlag() const;

 private:
  friend class TMenu;

  // Where the glyph goes (left of the texts) and what it shows.
  struct TGlyphBox {
    TRect Rect;
    bool Image = false;      // an image of the image list
    bool CheckMark = false;  // checked without any picture
  };

  // A top item of a main menu: a bar entry, no shortcut text.
  bool IsMainMenuTopItem() const;
  bool IsOwnerDrawn() const;
  void Take(int index, TMenuItem* item);
  // The entries of this item's native menu, again from the sub-items.
  void RebuildHandle();
  // The same for every native menu below this item.
  void RebuildTree();
  void AppendTo(HMENU menu);
  void ActionLinkChanged(TObject* sender);
  void BitmapChanged(TObject* sender);
  TGlyphBox LayOutGlyph(const TRect& rect, bool topLevel) const;
  int GlyphHeight() const;
  void DrawSeparator(TCanvas* canvas, const TRect& rect);
  void DrawGlyph(TCanvas* canvas, const TGlyphBox& box, bool selected);
  void DrawCheckMark(TCanvas* canvas, const TRect& r, bool selected);
  void DrawMenuText(TCanvas* canvas, const std::string& text, TRect r, UINT flags, bool selected);
  template <typename T>
  void ChangeValue(T& field, const T& value, bool rebuild = false);
  TMenuItem* Find(WORD command);
  TMenuItem* FindByHandle(HMENU menu);
  // The position in the native menu of the first visible sub-item whose
  // hot key ch is; -1 when none.
  int HotKeyPosition(WORD ch) const;

  TMenu* menu_ = nullptr;  // set on the root item only
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  std::string caption_;
  std::string hint_;
  TShortCut shortCut_ = 0;
  bool checked_ = false;
  bool radioItem_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  int imageIndex_ = -1;
  TOwned<TBitmap> bitmap_;
  WORD command_;
  HMENU handle_ = nullptr;
  TOwned<TActionLink> actionLink_;
};

// The link of menu items: every value of the action, and OnExecute as the
// item's OnClick. Captions count as linked when they differ only in "&"
// marks or letter case.
class TMenuActionLink : public TActionLink {
  VEL_CLASS(TMenuActionLink, TActionLink)

 public:
  // client must be a TMenuItem (EInvalidCast otherwise).
  explicit TMenuActionLink(TObject* client);

  bool IsCaptionLinked() override;
  bool IsHintLinked() override;
  bool IsEnabledLinked() override;
  bool IsVisibleLinked() override;
  bool IsCheckedLinked() override;
  bool IsImageIndexLinked() override;
  bool IsShortCutLinked() override;
  bool IsOnExecuteLinked() override;
  void SetCaption(const std::string& value) override;
  void SetHint(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;
  void SetChecked(bool value) override;
  void SetImageIndex(int value) override;
  void SetShortCut(TShortCut value) override;
  void SetOnExecute(const TNotifyEvent& value) override;

 protected:
  TMenuItem* Client() const { return client_; }

 private:
  TMenuItem* client_;
};

// A caption without its "&" marks ("&&" stays one "&").
std::string StripHotKeyMarks(const std::string& caption);

// ---- Menus ------------------------------------------------------------------------

enum TFindItemKind { fkCommand, fkHandle };

class TMenu : public TComponent {
  VEL_CLASS(TMenu, TComponent)
  static void Publish(TPublisher<TMenu>& p);

 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  // Makes the root item through CreateMenuItem.
  void AfterConstruction() override;
  // Leaves the window that shows it before its native menu goes.
  void BeforeDestruction() override;

  TMenuItem* Items() const { return items_; }
  HMENU Handle() { return items_->Handle(); }
  TCustomImageList* Images() const { return imagesLink_.Sender(); }
  void SetImages(TCustomImageList* value);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);
  bool IsRightToLeft() const { return false; }
  // Whether the entries are owner-drawn (Images or OwnerDraw).
  bool IsOwnerDraw() const { return ownerDraw_ || Images(); }

  // By command, or by the native submenu an item owns (value is the HMENU).
  TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
  // The item's Click; false when no item has the command.
  bool DispatchCommand(WORD command);
  // InitiateAction on the items of the submenu that opens; false when it is
  // none of this menu's.
  bool DispatchPopup(HMENU submenu);
  // The answer to WM_MENUCHAR for one of this menu's native menus: the
  // visible item whose caption has ch as its hot key is chosen. Owner-drawn
  // entries carry no text, so the system cannot find it by itself. False
  // when the native menu is none of this menu's.
  bool DispatchMenuChar(HMENU menu, WORD ch, LRESULT& result) const;
  // The owner-draw messages for this menu's items; false when the item is
  // none of them.
  bool MeasureMenuItem(MEASUREITEMSTRUCT& item);
  bool DrawMenuItem(const DRAWITEMSTRUCT& item);

  TComponent* GetChildParent() override { return items_; }

  TMenuChangeEvent OnChange;

  // Every change of an item ends here; raises OnChange.
  virtual void MenuChanged(TObject* sender, TMenuItem* source, bool rebuild);

 protected:
  // The item factory; subclasses make their own item class.
  virtual TMenuItem* CreateMenuItem();
  // The native menu of the root item: a bar or a popup.
  virtual HMENU CreateRootHandle() { return CreatePopupMenu(); }
  void Notification(TComponent* component, TOperation operation) override;
  // DT_ flag of the captions' alignment.
  virtual UINT AlignmentFlag() const { return DT_LEFT; }
  // Takes the native menu off the window that shows it.
  virtual void Detach() {}

 private:
  friend class TMenuItem;
  void ImagesChanged(TObject* sender);
  void Rebuild();
  TMenuItem* ItemOfOwnerDraw(UINT id) const;

  TMenuItem* items_ = nullptr;
  TChangeLink imagesLink_;
  bool ownerDraw_ = false;
};

class TMainMenu : public TMenu {
  VEL_CLASS(TMainMenu, TMenu)

 public:
  using TMenu::TMenu;

  // The form window the bar belongs to (set when the form attaches it).
  HWND WindowHandle() const { return window_; }
  void SetWindowHandle(HWND window);

  // Redraws the bar after the change.
  void MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) override;

 protected:
  HMENU CreateRootHandle() override { return CreateMenu(); }
  void Detach() override;

 private:
  HWND window_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
VEL_ENUM_TYPE(TPopupAlignment);

class TPopupList;

class TPopupMenu : public TMenu {
  VEL_CLASS(TPopupMenu, TMenu)
  static void Publish(TPublisher<TPopupMenu>& p);

 public:
  // Joins the popup list current at this moment.
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  void BeforeDestruction() override;

  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }
  // The control whose right click opened the menu.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* value);
  // The list holding this menu; null when none.
  TPopupList* List() const { return list_; }

  // OnPopup, the items' InitiateAction, then the native popup at the screen
  // position, owned by the window of the popup list current now.
  virtual void Popup(int x, int y);

  TNotifyEvent OnPopup;

 protected:
  UINT AlignmentFlag() const override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TPopupList;
  TPopupAlignment alignment_ = paLeft;
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
  TPopupList* list_ = nullptr;
};

// The popup menus whose messages one utility window receives. It serves the
// menus of its own list, whichever list is current.
class TPopupList : public TObject {
  VEL_CLASS(TPopupList, TObject)

 public:
  TPopupList() = default;
  ~TPopupList() override;
  // Makes the window.
  void AfterConstruction() override;

  void Add(TPopupMenu* menu);  // leaves the list that held it
  void Remove(TPopupMenu* menu);
  int Count() const { return static_cast<int>(menus_.size()); }
  TPopupMenu* Items(int index) const;  // EListError out of range
  HWND Window() const { return window_; }

 protected:
  // WM_COMMAND, WM_INITMENUPOPUP, WM_MENUSELECT and the owner-draw messages
  // for the listed menus; anything else to DefWindowProcA.
  virtual void WndProc(TMessage& message);

 private:
  void MainWndProc(TMessage& message);
  // The first listed menu's item for a WM_MENUSELECT; null when none.
  TMenuItem* SelectedItem(const TMessage& message) const;

  std::vector<TPopupMenu*> menus_;
  HWND window_ = nullptr;
};

// The popup list new popup menus join and popups are owned by. Replaceable
// for the duration of a popup; null outside Startup/Shutdown.
TPopupList* PopupList();
void SetPopupList(TPopupList* list);

// The item a WM_MENUSELECT is about, in the first of menus that has it; null
// when none has it or the menu closed.
TMenuItem* MenuSelectItem(const std::vector<TMenu*>& menus, WPARAM wParam, LPARAM lParam);
// Sets Application's hint from a WM_MENUSELECT: the long hint of item, or
// "" for none.
void MenuSelectHint(TMenuItem* item);
// The menu messages a window that owns menus passes on: WM_COMMAND of a menu
// (lParam 0), WM_INITMENUPOPUP, WM_MENUSELECT (the application's hint),
// WM_MENUCHAR and WM_MEASUREITEM/WM_DRAWITEM of owner-drawn items. False when none of menus
// took it; the caller then gives it to the default handling.
bool DispatchMenuMessage(const std::vector<TMenu*>& menus, TMessage& message);

// Start-up (after the application object) and shut-down (before it) of the
// menus: the popup list and the control's popup hook.
void InitMenus();
void DoneMenus();
// Makes the menu classes known to FindClass (form data).
void RegisterMenuClasses();
