#include "UcMenus.h"

#include "ImgList.h"

#include "System.h"
#include "UcActnList.h"
#include "UcControls.h"
#include "UcForms.h"
#include "UcGraphics.h"
#include "UcWindows.h"
#include "UcSysUtils.h"

VEL_COMPONENT_IMPL(TUcMenuItem, TMenuItem)
VEL_ACTION_LINK_IMPL(TUcMenuActionLink, TMenuActionLink)
VEL_COMPONENT_IMPL(TUcMainMenu, TMainMenu)
VEL_COMPONENT_IMPL(TUcPopupMenu, TPopupMenu)
VEL_CLASS_IMPL(TUcPopupList, TPopupList)

namespace {

constexpr char kUnit[] = "widgets/UcMenus";

HKL SystemKeyboardLayout() {
  return GetKeyboardLayout(0);
}

TKeyboardLayoutSource keyboardLayoutSource = &SystemKeyboardLayout;

// Keys whose names do not depend on the layout: the class library's texts.
bool HasFixedKeyName(WORD key) {
  switch (key) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_INSERT:
    case VK_DELETE:
      return true;
    default:
      return (key >= VK_SPACE && key <= VK_DOWN) || (key >= VK_F1 && key <= VK_F24);
  }
}

bool IsCharacterKey(WORD key) {
  return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
         (key >= VK_NUMPAD0 && key <= VK_NUMPAD9);
}

// The character the key produces in the current layout. A digit key that
// produces something else (an AZERTY top row) still shows its digit when the
// digit is typed on that key.
wchar_t WideKeyChar(WORD key) {
  Assert(IsUnicodePlatform(), kUnit);
  const auto c = static_cast<wchar_t>(MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF);
  if (key >= '0' && key <= '9' && c != key) {
    const SHORT scan = VkKeyScanW(static_cast<wchar_t>(key));
    if (scan != -1 && (scan & 0xFF) == key)
      return static_cast<wchar_t>(key);
  }
  return c;
}

std::wstring WideKeyName(TShortCut shortCut) {
  Assert(IsUnicodePlatform(), kUnit);
  const LONG scan = static_cast<LONG>(MapVirtualKeyW(shortCut & 0xFF, MAPVK_VK_TO_VSC) << 16);
  if (scan == 0)
    return std::wstring();
  wchar_t name[256] = {};
  if (GetKeyNameTextW(scan, name, static_cast<int>(sizeof name / sizeof name[0])) <= 0)
    return std::wstring();
  return name;
}

std::wstring WideKeyText(TShortCut shortCut) {
  const WORD key = shortCut & 0xFF;
  if (IsCharacterKey(key)) {
    const wchar_t c = WideKeyChar(key);
    return c ? std::wstring(1, c) : std::wstring();
  }
  return WideKeyName(shortCut);
}

// A far-east hot-key group "(&X)" with its "&" at index i.
bool IsHotKeyGroupAt(const std::wstring& s, size_t i) {
  return SysLocale().FarEast && i > 0 && s[i - 1] == L'(' && i + 2 < s.size() && s[i + 2] == L')';
}

std::wstring RoundTrip(const std::wstring& s) {
  return AnsiToWide(WideToAnsi(s));
}

}  // namespace

// ---- Shortcut and hot-key texts --------------------------------------------------------

std::wstring ShortCutToWideText(TShortCut shortCut) {
  if (!IsUnicodePlatform() || HasFixedKeyName(shortCut & 0xFF))
    return AnsiToWide(ShortCutToText(shortCut));
  const std::wstring key = WideKeyText(shortCut);
  if (key.empty())
    return key;
  std::string modifiers;
  if (shortCut & scShift)
    modifiers += kShiftKeyText;
  if (shortCut & scCtrl)
    modifiers += kCtrlKeyText;
  if (shortCut & scAlt)
    modifiers += kAltKeyText;
  return AnsiToWide(modifiers) + key;
}

int WideHotKeyPos(const std::wstring& caption) {
  int result = 0;
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&')
      continue;
    ++i;  // the marked character, or the second "&" of a literal pair
    if (caption[i] != L'&')
      result = static_cast<int>(i) + 1;
  }
  return result;
}

std::wstring WideHotKey(const std::wstring& caption) {
  const int pos = WideHotKeyPos(caption);
  return pos ? caption.substr(pos - 1, 1) : std::wstring();
}

std::wstring RemoveHotKeyMarkers(const std::wstring& caption) {
  std::wstring result = caption;
  size_t i = 0;
  while (i < result.size()) {
    if (result[i] != L'&') {
      ++i;
    } else if (IsHotKeyGroupAt(result, i)) {
      result.erase(i - 1, 4);
      --i;
    } else {
      result.erase(i, 1);
      ++i;  // the character after the marker stays, even a second "&"
    }
  }
  return result;
}

bool CaptionsMatchIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return WideCompareText(RemoveHotKeyMarkers(a), RemoveHotKeyMarkers(b)) == 0;
}

bool CaptionsMatchExactly(const std::wstring& a, const std::wstring& b) {
  return WideCompareStr(RemoveHotKeyMarkers(a), RemoveHotKeyMarkers(b)) == 0;
}

void SyncHotKeyPosition(const std::wstring& source, std::wstring& destination) {
  if (WideToAnsi(source) == WideToAnsi(destination))
    return;
  if (!CaptionsMatchExactly(RoundTrip(source), RoundTrip(destination)))
    return;
  destination = RemoveHotKeyMarkers(destination);
  for (size_t i = 0; i < source.size(); ++i) {
    if (source[i] != L'&')
      continue;
    const bool group = IsHotKeyGroupAt(source, i);
    const size_t at = group ? i - 1 : i;
    if (at > destination.size())
      break;  // cannot happen for texts that matched; the check below says so
    if (group) {
      destination.insert(at, source, at, 4);
      i += 2;
    } else {
      destination.insert(at, 1, L'&');
      ++i;
    }
  }
  const std::string ansiSource = WideToAnsi(source);
  const std::string ansiDestination = WideToAnsi(destination);
  if (ansiSource != ansiDestination)
    throw EUcInternalError(Format("Internal Error: SyncHotKeyPosition Failed (\"%s\" <> \"%s\").",
                                  ansiSource, ansiDestination));
}

// ---- Keyboard layout --------------------------------------------------------------------

HKL CurrentKeyboardLayout() {
  return keyboardLayoutSource();
}

void SetKeyboardLayoutSource(TKeyboardLayoutSource source) {
  keyboardLayoutSource = source ? source : &SystemKeyboardLayout;
}

// ---- Menu items ---------------------------------------------------------------------------

namespace {

TUcPopupList* widePopupList = nullptr;

bool IsBeingReadOrDestroyed(const TComponent* component) {
  const TComponentState state = component->ComponentState();
  return state.Contains(csReading) || state.Contains(csDestroying);
}

// A system above 4.0 draws top items one pixel differently below 5.1.
bool IsNewerShell() {
  const TPlatformInfo& p = Platform();
  return p.Win32MajorVersion > 4 || (p.Win32MajorVersion == 4 && p.Win32MinorVersion > 0);
}

bool HidesPrefixes() {
  return IsUnicodePlatform() && Platform().Win32MajorVersion >= 5;
}

constexpr int kDefaultGlyphSize = 16;
constexpr int kShortCutMargin = 10;
constexpr UINT kMeasureFlags = DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE;
constexpr UINT kMenuItemInfoTypeMask = MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR;

// The native text of the entry with command in menu; empty when none.
std::wstring NativeMenuText(HMENU menu, UINT command) {
  const int length = GetMenuStringW(menu, command, nullptr, 0, MF_BYCOMMAND);
  if (length <= 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetMenuStringW(menu, command, &text[0], length + 1, MF_BYCOMMAND);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace

// Sets the item's caption and shortcut for a moment without any menu change.
class TUcMenuItem::TMutedScope {
 public:
  explicit TMutedScope(TUcMenuItem* item) : item_(item), saved_(item->menuChangeMuted_) {
    item_->menuChangeMuted_ = true;
  }
  ~TMutedScope() { item_->menuChangeMuted_ = saved_; }
  TMutedScope(const TMutedScope&) = delete;
  TMutedScope& operator=(const TMutedScope&) = delete;

 private:
  TUcMenuItem* item_;
  bool saved_;
};

void TUcMenuItem::SyncCaption() {
  const std::string& ansi = TMenuItem::Caption();
  if (WideToAnsi(wideCaption_) == ansi)
    return;
  // The class library moved or added hot-key markers of the 8-bit caption.
  const std::wstring widened = AnsiToWide(ansi);
  if (CaptionsMatchExactly(RoundTrip(wideCaption_), widened))
    SyncHotKeyPosition(widened, wideCaption_);
}

std::wstring TUcMenuItem::Caption() {
  SyncCaption();
  return GetPairedWideText(wideCaption_, TMenuItem::Caption());
}

void TUcMenuItem::SetCaption(const std::wstring& value) {
  SyncCaption();
  SetPairedWideText(value, wideCaption_, TMenuItem::Caption(),
                    Method<&TMenuItem::SetCaption>(static_cast<TMenuItem*>(this)));
}

std::wstring TUcMenuItem::Hint() {
  return GetPairedWideText(wideHint_, TMenuItem::Hint());
}

void TUcMenuItem::SetHint(const std::wstring& value) {
  SetPairedWideText(value, wideHint_, TMenuItem::Hint(),
                    Method<&TMenuItem::SetHint>(static_cast<TMenuItem*>(this)));
}

void TUcMenuItem::DefineProperties(TFiler& filer) {
  TMenuItem::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcMenuItem::Loaded() {
  TMenuItem::Loaded();
  RefreshNativeItemText(this, GetParentMenu());
}

void TUcMenuItem::MenuChanged(bool rebuild) {
  if (menuChangeMuted_)
    return;
  TMenuItem::MenuChanged(rebuild);
  TMenu* menu = GetParentMenu();
  UpdateMenuItemStrings(this, menu);
  FixFirstVisibleItem(menu);
}

void TUcMenuItem::InitiateAction() {
  if (CurrentKeyboardLayout() != layoutAtLastUpdate_)
    MenuChanged(false);
  TMenuItem::InitiateAction();
}

const TMetaClass* TUcMenuItem::GetActionLinkClass() const {
  return &TUcMenuActionLink::StaticClass();
}

void TUcMenuItem::ActionChange(TObject* sender, bool checkDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (action && dynamic_cast<IWideAction*>(action)) {
    if (!checkDefaults || Caption().empty())
      SetCaption(GetWideActionCaption(action));
    if (!checkDefaults || Hint().empty())
      SetHint(GetWideActionHint(action));
  }
  TMenuItem::ActionChange(sender, checkDefaults);
}

// Owner drawing.

void TUcMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state,
                                   bool topLevel) {
  const TMenu* menu = GetParentMenu();
  const bool handlerDraws =
      menu && (menu->OwnerDraw() || GetImageList()) && (OnAdvancedDrawItem || OnDrawItem);
  if (!IsUnicodePlatform() || IsLine() || handlerDraws) {
    TMenuItem::AdvancedDrawItem(canvas, rect, state, topLevel);
    return;
  }
  // The base draws background, check mark and glyph; the texts are ours.
  const std::wstring caption = Caption();
  const TShortCut shortCut = ShortCut();
  SetTextsMuted(std::wstring(), 0);
  try {
    TMenuItem::AdvancedDrawItem(canvas, rect, state, topLevel);
  } catch (...) {
    SetTextsMuted(caption, shortCut);
    throw;
  }
  SetTextsMuted(caption, shortCut);
  LayOutWideMenuItem(canvas, rect, state, topLevel, RightToLeft());
}

void TUcMenuItem::SetTextsMuted(const std::wstring& caption, TShortCut shortCut) {
  const TMutedScope muted(this);
  SetCaption(caption);
  SetShortCut(shortCut);
}

void TUcMenuItem::LayOutWideMenuItem(TCanvas* canvas, TRect rect, TOwnerDrawState state,
                                     bool topLevel, bool rightToLeft) {
  const bool selected = state.Contains(odSelected);
  const bool oldShellTop = topLevel && IsNewerShell() && !IsPlatform51OrLater();
  // The glyph box, as the class library places it.
  TCustomImageList* images = GetImageList();
  const bool image = images && ImageIndex() >= 0 && ImageIndex() < images->Count();
  const bool glyph = image || Checked() || HasBitmap();
  TRect box(rect.left + 1, rect.top, rect.left + 1, rect.bottom);
  if (glyph) {
    // A check mark takes the class library's 16 pixels whatever the list's
    // width, so that the text never runs into it.
    box.right += image ? images->Width() : kDefaultGlyphSize;
    if (Checked())
      box.left += 1;
  } else if (!topLevel && images) {
    box.right += images->Width();
  }
  if (rightToLeft) {
    const int left = rect.right - (box.right - rect.left);
    box.right = rect.right - (box.left - rect.left);
    box.left = left;
  }
  box.left -= 1;
  box.right += 2;
  if (oldShellTop && !selected)
    OffsetRect(&rect, 0, -1);
  TRect text = rect;
  if (rightToLeft)
    text.right = box.left - 1;
  else
    text.left = box.right + 1;
  text.left += 2;
  text.right -= 1;

  UINT flags = AlignmentFlag() | DT_EXPANDTABS | DT_SINGLELINE;
  if (HidesPrefixes() && state.Contains(odNoAccel))
    flags |= DT_HIDEPREFIX;
  if (state.Contains(odDefault))
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
  const std::wstring caption = Caption();
  const TRect saved = text;
  DrawWideMenuText(canvas, caption, text, selected, flags | DT_CALCRECT | DT_NOCLIP);
  if (rightToLeft) {
    text.left = saved.left;
    text.right = saved.right;
  }
  OffsetRect(&text, oldShellTop && selected ? 1 : 0, (saved.Height() - text.Height()) / 2);
  DrawWideMenuText(canvas, caption, text, selected, flags);
  if (ShortCut() == 0 || topLevel)
    return;
  const std::wstring shortCut = ShortCutToWideText(ShortCut());
  TRect r = text;
  if (rightToLeft) {
    r.left = kShortCutMargin;
    r.right = kShortCutMargin + CanvasWideTextWidth(canvas, shortCut);
  } else {
    r.left = text.right;
    r.right = saved.right - kShortCutMargin;
  }
  DrawWideMenuText(canvas, shortCut, r, selected, DT_RIGHT);
}

void TUcMenuItem::DrawWideMenuText(TCanvas* canvas, std::wstring text, TRect& rect, bool selected,
                                   UINT flags) {
  const bool ansi = !IsUnicodePlatform() || IsLine();
  if (RightToLeft())
    flags |= DT_RIGHT | DT_RTLREADING;
  if ((flags & DT_CALCRECT) && (text.empty() || text == L"&"))
    text += L' ';  // so that a height results
  canvas->Brush()->SetStyle(bsClear);
  if (Default())
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
  auto draw = [&](TRect& r) {
    if (ansi) {
      const std::string converted = WideToAnsi(text);
      DrawTextA(canvas->Handle(), converted.c_str(), static_cast<int>(converted.size()), &r, flags);
    } else {
      PlatformDrawText(canvas->Handle(), text, static_cast<int>(text.size()), &r, flags);
    }
  };
  if (!Enabled()) {
    // Embossed: the highlight one pixel down and right, the shadow on top.
    if (!selected) {
      TRect shadow = rect;
      OffsetRect(&shadow, 1, 1);
      canvas->Font()->SetColor(clBtnHighlight);
      draw(shadow);
    }
    const bool highlightIsShadow = ColorToRGB(clHighlight) == ColorToRGB(clBtnShadow);
    canvas->Font()->SetColor(selected && highlightIsShadow ? clBtnHighlight : clBtnShadow);
  }
  draw(rect);
}

int TUcMenuItem::MeasureWideMenuText(TCanvas* canvas, const std::wstring& text) {
  TRect r(0, 0, 0, 0);
  DrawWideMenuText(canvas, text, r, false, AlignmentFlag() | kMeasureFlags);
  return r.Width();
}

bool TUcMenuItem::RightToLeft() const {
  const TMenu* menu = GetParentMenu();
  return menu && menu->IsRightToLeft();
}

void TUcMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  if (!IsUnicodePlatform() || IsLine()) {
    TMenuItem::MeasureItem(canvas, width, height);
    return;
  }
  // The base measures the 8-bit texts; the handler sees the corrected size.
  const TMenuMeasureItemEvent handler = OnMeasureItem;
  OnMeasureItem = nullptr;
  try {
    TMenuItem::MeasureItem(canvas, width, height);
    width += MeasureWideMenuText(canvas, Caption()) -
             MeasureWideMenuText(canvas, AnsiToWide(TMenuItem::Caption()));
    if (ShortCut() != 0)
      width += MeasureWideMenuText(canvas, ShortCutToWideText(ShortCut())) -
               MeasureWideMenuText(canvas, AnsiToWide(ShortCutToText(ShortCut())));
  } catch (...) {
    OnMeasureItem = handler;
    throw;
  }
  OnMeasureItem = handler;
  if (OnMeasureItem)
    OnMeasureItem(this, canvas, width, height);
}

void TUcMenuItem::Publish(TPublisher<TUcMenuItem>& p) {
  p.Property("Caption", &TUcMenuItem::Caption, &TUcMenuItem::SetCaption);
  p.Property("Hint", &TUcMenuItem::Hint, &TUcMenuItem::SetHint);
}

// Native texts.

std::wstring WideMenuItemHint(TMenuItem* item) {
  if (auto* wide = dynamic_cast<TUcMenuItem*>(item))
    return wide->Hint();
  return AnsiToWide(item->Hint());
}

void RefreshNativeItemText(TUcMenuItem* item, TMenu* menu) {
  item->layoutAtLastUpdate_ = CurrentKeyboardLayout();
  TMenuItem* parent = item->Parent();
  if (!IsUnicodePlatform() || !parent || !menu || IsBeingReadOrDestroyed(item) || !item->Visible())
    return;
  const HMENU parentHandle = parent->Handle();
  wchar_t buffer[80] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_TYPE;
  info.dwTypeData = buffer;
  info.cch = sizeof buffer / sizeof buffer[0];
  if (!GetMenuItemInfoW(parentHandle, item->Command(), FALSE, &info) ||
      (info.fType & kMenuItemInfoTypeMask))
    return;
  std::wstring text = item->Caption();
  const bool topOfMainMenu = !parent->Parent() && dynamic_cast<TMainMenu*>(parent->Owner());
  if (item->Count() == 0 && item->ShortCut() != 0 && !topOfMainMenu)
    text += L'\t' + ShortCutToWideText(item->ShortCut());
  if (NativeMenuText(parentHandle, item->Command()) == text)
    return;
  info.dwTypeData = &text[0];
  info.cch = static_cast<UINT>(text.size());
  if (!SetMenuItemInfoW(parentHandle, item->Command(), FALSE, &info))
    RaiseLastOSError();
  auto* mainMenu = dynamic_cast<TMainMenu*>(menu);
  if (parent == menu->Items() && mainMenu && mainMenu->WindowHandle())
    DrawMenuBar(mainMenu->WindowHandle());
}

void UpdateMenuItemStrings(TMenuItem* item, TMenu* menu) {
  if (IsBeingReadOrDestroyed(item))
    return;
  for (int i = item->Count() - 1; i >= 0; --i)
    UpdateMenuItemStrings(item->Items(i), menu);
  if (auto* wide = dynamic_cast<TUcMenuItem*>(item))
    RefreshNativeItemText(wide, menu);
}

void FixFirstVisibleItem(TMenu* menu) {
  if (!SysLocale().MiddleEast || !menu || !menu->Items())
    return;
  TMenuItem* root = menu->Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (!item->Visible())
      continue;
    if (auto* wide = dynamic_cast<TUcMenuItem*>(item))
      RefreshNativeItemText(wide, menu);
    return;
  }
}

// ---- The menu item's link ---------------------------------------------------------------

TUcMenuActionLink::TUcMenuActionLink(TObject* client)
    : TMenuActionLink(client), item_(client->As<TUcMenuItem>()) {}

bool TUcMenuActionLink::IsCaptionLinked() {
  return TMenuActionLink::IsCaptionLinked() &&
         CaptionsMatchIgnoringCase(GetWideActionCaption(CustomAction()), item_->Caption());
}

bool TUcMenuActionLink::IsHintLinked() {
  return TMenuActionLink::IsHintLinked() && GetWideActionHint(CustomAction()) == item_->Hint();
}

void TUcMenuActionLink::SetCaption(const std::string& value) {
  if (IsCaptionLinked())
    item_->SetCaption(WideActionCaptionForLink(CustomAction(), AnsiToWide(value)));
}

void TUcMenuActionLink::SetHint(const std::string& value) {
  if (IsHintLinked())
    item_->SetHint(WideActionHintForLink(CustomAction(), AnsiToWide(value)));
}

// ---- Menus --------------------------------------------------------------------------------

TMenuItem* TUcMainMenu::CreateMenuItem() {
  return Create<TUcMenuItem>(this);
}

void TUcMainMenu::MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) {
  TMainMenu::MenuChanged(sender, source, rebuild);
  if (Items())
    UpdateMenuItemStrings(Items(), this);
}

TUcPopupMenu::TUcPopupMenu(TComponent* owner) : TPopupMenu(owner) {
  if (widePopupList)
    widePopupList->Add(this);
}

void TUcPopupMenu::BeforeDestruction() {
  if (widePopupList && List() == widePopupList) {
    widePopupList->Remove(this);
    if (TPopupList* previous = widePopupList->PreviousPopupList())
      previous->Add(this);
  }
  TPopupMenu::BeforeDestruction();
}

TMenuItem* TUcPopupMenu::CreateMenuItem() {
  return Create<TUcMenuItem>(this);
}

void TUcPopupMenu::MenuChanged(TObject* sender, TMenuItem* source, bool rebuild) {
  TPopupMenu::MenuChanged(sender, source, rebuild);
  if (Items())
    UpdateMenuItemStrings(Items(), this);
}

void TUcPopupMenu::Popup(int x, int y) {
  if (!widePopupList) {
    TPopupMenu::Popup(x, y);
    return;
  }
  // The menu's messages go to the window of the list current now.
  struct TCurrentListScope {
    explicit TCurrentListScope(TUcPopupList* list) { SetPopupList(list); }
    ~TCurrentListScope() {
      if (widePopupList)
        SetPopupList(widePopupList->PreviousPopupList());
    }
  } scope(widePopupList);
  TPopupMenu::Popup(x, y);
}

// ---- The popup list -----------------------------------------------------------------------

void TUcPopupList::WndProc(TMessage& m) {
  if (m.Msg == WM_MENUSELECT) {
    MenuSelect(m);
    return;
  }
  if (m.Msg == WM_ENTERMENULOOP) {
    SetPopupList(previousPopupList_);
    for (int i = 0; i < Count(); ++i)
      FixFirstVisibleItem(Items(i));
  }
  TPopupList::WndProc(m);
}

void TUcPopupList::MenuSelect(TMessage& m) {
  const UINT flags = HIWORD(m.WParam);
  const bool byHandle = (flags & MF_POPUP) != 0;
  UINT_PTR key = LOWORD(m.WParam);
  if (byHandle) {
    key = m.LParam ? reinterpret_cast<UINT_PTR>(
                         GetSubMenu(reinterpret_cast<HMENU>(m.LParam), LOWORD(m.WParam)))
                   : static_cast<UINT_PTR>(-1);
  }
  for (int i = 0; i < Count(); ++i) {
    if (TMenuItem* item = Items(i)->FindItem(key, byHandle ? fkHandle : fkCommand)) {
      if (TUcApplication* application = WideApplication())
        application->SetHint(LongHintPart(WideMenuItemHint(item)));
      return;
    }
  }
  if (TUcApplication* application = WideApplication())
    application->SetHint(std::wstring());
  TPopupList::WndProc(m);
}

TUcPopupList* WidePopupList() {
  return widePopupList;
}

// ---- Module ---------------------------------------------------------------------------------

void InitUcMenus() {
  widePopupList = Create<TUcPopupList>();
  widePopupList->SetPreviousPopupList(PopupList());
  for (const TMetaClass* meta :
       {&TUcMainMenu::StaticClass(), &TUcPopupMenu::StaticClass(), &TUcMenuItem::StaticClass()})
    RegisterClass(*meta);
  // The actions have no module step of their own; the menus build on them.
  RegisterUcActionClasses();
}

void DoneUcMenus() {
  FreeAndNil(widePopupList);
}
