// Wide menus: menu items with wide captions and hints, the texts of hot keys
// and shortcuts in the current keyboard layout, and the popup list that puts
// a hovered popup item's wide hint into the wide application object.
#pragma once

#include "Forms.h"
#include "Menus.h"

#include <string>

// ---- Shortcut and hot-key texts --------------------------------------------------------

// The shortcut as the current keyboard layout names its key ("Ctrl+Ф" where
// the key shows Ф). Keys with fixed names (function keys, arrows, Enter, Esc,
// Tab, Backspace, Space, Insert, Delete, the paging keys) and every key on
// the 8-bit platform keep the class library's text. A key without a name
// gives an empty text, without modifier names.
std::wstring ShortCutToWideText(TShortCut shortCut);

// 1-based position of the hot-key character ("&" before it, "&&" being a
// literal "&"); the last one counts; 0 when none.
int WideHotKeyPos(const std::wstring& caption);
// The hot-key character as a one-character text; empty when none.
std::wstring WideHotKey(const std::wstring& caption);
// The caption as shown: "&&" becomes "&", a lone "&" goes, and on far-east
// systems a group "(&X)" goes whole.
std::wstring RemoveHotKeyMarkers(const std::wstring& caption);
// Equality of the captions without their markers, without and with regard to
// letter case.
bool CaptionsMatchIgnoringCase(const std::wstring& a, const std::wstring& b);
bool CaptionsMatchExactly(const std::wstring& a, const std::wstring& b);
// Moves destination's hot-key markers to where source has them, when the two
// differ only in their markers once in 8 bits. EUcInternalError when the 8-bit
// texts still differ afterwards (destination keeps what was done).
void SyncHotKeyPosition(const std::wstring& source, std::wstring& destination);

// ---- Keyboard layout --------------------------------------------------------------------

// The calling thread's keyboard layout, GetKeyboardLayout(0) unless a test
// replaced it.
HKL CurrentKeyboardLayout();
using TKeyboardLayoutSource = HKL (*)();
void SetKeyboardLayoutSource(TKeyboardLayoutSource source);  // nullptr restores

// ---- Menu items ---------------------------------------------------------------------------

class TUcMenuItem;

// The link of wide menu items: captions count as linked while they differ
// only in "&" marks or letter case, hints while they are equal; both arrive
// as wide text.
class TUcMenuActionLink : public TMenuActionLink {
  VEL_CLASS(TUcMenuActionLink, TMenuActionLink)
 public:
  // client must be a TUcMenuItem (EInvalidCast otherwise).
  explicit TUcMenuActionLink(TObject* client);

  bool IsCaptionLinked() override;
  bool IsHintLinked() override;
  void SetCaption(const std::string& value) override;
  void SetHint(const std::string& value) override;

 private:
  TUcMenuItem* item_;
};

// A menu item with a wide Caption and Hint beside the 8-bit ones. A plain
// native item gets the wide caption (and the wide shortcut text) written into
// it after every change; an owner-drawn item is measured and drawn from the
// wide texts.
class TUcMenuItem : public TMenuItem {
  VEL_CLASS(TUcMenuItem, TMenuItem)
  static void Publish(TPublisher<TUcMenuItem>& p);

 public:
  using TMenuItem::TMenuItem;

  // Hide the 8-bit pair, which stays reachable through TMenuItem. Reading
  // first moves the wide hot-key marker to where the 8-bit caption has it.
  std::wstring Caption();
  void SetCaption(const std::wstring& value);
  std::wstring Hint();
  void SetHint(const std::wstring& value);

  // The keyboard layout when the native text was last brought up to date.
  HKL LayoutAtLastUpdate() const { return layoutAtLastUpdate_; }

  void DefineProperties(TFiler& filer) override;
  void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state,
                        bool topLevel) override;
  void MeasureItem(TCanvas* canvas, int& width, int& height) override;
  void MenuChanged(bool rebuild) override;
  // Shortcut texts follow a change of the keyboard layout here.
  void InitiateAction() override;
  const TMetaClass* GetActionLinkClass() const override;
  void ActionChange(TObject* sender, bool checkDefaults) override;

 protected:
  void Loaded() override;

 private:
  friend void RefreshNativeItemText(TUcMenuItem* item, TMenu* menu);
  class TMutedScope;

  void SyncCaption();
  // Changes the texts without any menu change (owner drawing).
  void SetTextsMuted(const std::wstring& caption, TShortCut shortCut);
  // Places and draws the wide caption and shortcut text the way the class
  // library lays out its own.
  void LayOutWideMenuItem(TCanvas* canvas, TRect rect, TOwnerDrawState state, bool topLevel,
                          bool rightToLeft);
  void DrawWideMenuText(TCanvas* canvas, std::wstring text, TRect& rect, bool selected, UINT flags);
  int MeasureWideMenuText(TCanvas* canvas, const std::wstring& text);
  bool RightToLeft() const;

  bool menuChangeMuted_ = false;
  std::wstring wideCaption_;
  std::wstring wideHint_;
  HKL layoutAtLastUpdate_ = nullptr;
};

// The wide Hint of a TUcMenuItem, the converted 8-bit one of any other item.
std::wstring WideMenuItemHint(TMenuItem* item);
// Brings the native text of item (a plain string entry of menu) up to date:
// the wide caption and, for a command item, TAB and the wide shortcut text.
// Bitmap, owner-drawn and separator entries are left alone.
void RefreshNativeItemText(TUcMenuItem* item, TMenu* menu);
// The same for every TUcMenuItem of the tree, the sub-items first.
void UpdateMenuItemStrings(TMenuItem* item, TMenu* menu);
// Right-to-left systems only: the first visible top item again.
void FixFirstVisibleItem(TMenu* menu);

// ---- Menus --------------------------------------------------------------------------------

class TUcMainMenu : public TMainMenu {
  VEL_CLASS(TUcMainMenu, TMainMenu)
 public:
  using TMainMenu::TMainMenu;
  void MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) override;

 protected:
  TMenuItem* CreateMenuItem() override;
};

// Lives in WidePopupList, whose window receives its messages.
class TUcPopupMenu : public TPopupMenu {
  VEL_CLASS(TUcPopupMenu, TPopupMenu)
 public:
  explicit TUcPopupMenu(TComponent* owner);
  void BeforeDestruction() override;

  void MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) override;
  // Makes WidePopupList current for the popup, the class library's list
  // current again afterwards, also when something raises.
  void Popup(int x, int y) override;

 protected:
  TMenuItem* CreateMenuItem() override;
};

// The list of the wide popup menus. Its window puts the long wide hint of a
// hovered item into the wide application object.
class TUcPopupList : public TPopupList {
  VEL_CLASS(TUcPopupList, TPopupList)
 public:
  // The class library's own list, saved when this one was made.
  TPopupList* PreviousPopupList() const { return previousPopupList_; }
  void SetPreviousPopupList(TPopupList* list) { previousPopupList_ = list; }

 protected:
  void WndProc(TMessage& message) override;

 private:
  void MenuSelect(TMessage& message);

  TPopupList* previousPopupList_ = nullptr;
};

// Between the module's start and stop; null outside.
TUcPopupList* WidePopupList();

// ---- Module ---------------------------------------------------------------------------------

// The module's start and stop steps (WidgetModules): the popup list, and the
// wide menu and action classes made known to the component reader.
void InitUcMenus();
void DoneUcMenus();
