#include "UcComCtrls.h"

#include "UcActnList.h"
#include "UcClasses.h"
#include "UcMenus.h"
#include "UcSysUtils.h"

#include <algorithm>

VEL_COMPONENT_IMPL(TUcToolButton, TToolButton)
VEL_COMPONENT_IMPL(TUcToolBar, TToolBar)
VEL_COLLECTION_ITEM_IMPL(TUcStatusPanel, TStatusPanel)
VEL_CLASS_IMPL(TUcStatusPanels, TStatusPanels)
VEL_COMPONENT_IMPL(TUcCustomStatusBar, TCustomStatusBar)
VEL_COMPONENT_IMPL(TUcStatusBar, TUcCustomStatusBar)

namespace {

constexpr char kUnit[] = "widgets/UcComCtrls";

// The simple part's index in SB_SETTEXTA.
constexpr int kSimplePart = 255;

template <typename Char>
size_t LeadingTabs(const std::basic_string<Char>& text) {
  size_t n = 0;
  while (n < text.size() && text[n] == Char('\t'))
    ++n;
  return n;
}

}  // namespace

// ---- Common-control windows ----------------------------------------------------------------

void CreateUnicodeHandle_ComCtl(TWinControl* control, const TCreateParams& params,
                                const std::wstring& systemClass) {
  Assert(!systemClass.empty(), kUnit,
         "UC Internal Error: Only call CreateUnicodeHandle_ComCtl for Common Controls.");
  CreateUnicodeHandle(control, params, systemClass);
  if (IsUnicodePlatform())
    SendMessageW(control->WindowHandle(), CCM_SETUNICODEFORMAT, 1, 0);
}

std::wstring MatchLeadingTabs(const std::wstring& text, const std::string& ansiText) {
  const size_t wanted = LeadingTabs(ansiText);
  const size_t has = LeadingTabs(text);
  if (has > wanted)
    return text.substr(has - wanted);
  return std::wstring(wanted - has, L'\t') + text;
}

// ---- TUcToolButton ----------------------------------------------------------------------------

void TUcToolButton::Publish(TPublisher<TUcToolButton>& p) {
  p.Property("Caption", &TUcToolButton::Caption, &TUcToolButton::SetCaption);
  p.Property("Hint", &TUcToolButton::Hint, &TUcToolButton::SetHint);
  p.Property("MenuItem", &TToolButton::MenuItem, &TUcToolButton::SetMenuItem);
}

void TUcToolButton::SetCaption(const std::wstring& value) {
  if (value == Caption())
    return;
  SetWideControlText(this, value);
  if (TToolBar* bar = ToolBar())
    bar->RefreshButton(this);
}

void TUcToolButton::SetMenuItem(TMenuItem* item) {
  TToolButton::SetMenuItem(item);
  if (auto* wide = dynamic_cast<TUcMenuItem*>(item)) {
    SetCaption(wide->Caption());
    SetHint(wide->Hint());
  }
}

void TUcToolButton::DefineProperties(TFiler& filer) {
  TToolButton::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcToolButton::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TToolButton::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcToolButton::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TToolButton::GetActionLinkClass());
}

void TUcToolButton::Dispatch(TMessage& m) {
  // A windowless control has no trap to prepare its hint.
  if (m.Msg == CM_HINTSHOW)
    PrepareWideHintShow(m);
  TToolButton::Dispatch(m);
}

// ---- TUcToolBar -------------------------------------------------------------------------------

void TUcToolBar::Publish(TPublisher<TUcToolBar>& p) {
  p.Property("Caption", &TUcToolBar::Caption, &TUcToolBar::SetCaption);
  p.Property("Hint", &TUcToolBar::Hint, &TUcToolBar::SetHint);
  p.Property("Menu", &TToolBar::Menu, &TUcToolBar::SetMenu);
}

TToolButton* TUcToolBar::CreateMenuButton() {
  return Create<TUcToolButton>(this);
}

void TUcToolBar::DefineProperties(TFiler& filer) {
  TToolBar::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcToolBar::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TToolBar::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcToolBar::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TToolBar::GetActionLinkClass());
}

void TUcToolBar::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle_ComCtl(this, params, L"ToolbarWindow32");
}

void TUcToolBar::InsertButtonA(TMessage& m) {
  auto* record = reinterpret_cast<TBBUTTON*>(m.LParam);
  const int index = static_cast<int>(m.WParam);
  if (IsUnicodePlatform() && record && record->iString != -1 && index >= 0 &&
      index < ButtonCount()) {
    if (auto* button = dynamic_cast<TUcToolButton*>(Buttons(index))) {
      // The pool takes a list of strings, each zero-terminated, ended by
      // an empty one.
      std::wstring list = button->Caption();
      list.push_back(L'\0');
      record->iString =
          SendMessageW(WindowHandle(), TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(list.c_str()));
    }
  }
  TToolBar::Dispatch(m);
}

bool TUcToolBar::HandlesCaptionMessages() const {
  // A window left 8-bit by the outside destroy message gets 8-bit buffers.
  return IsUnicodePlatform() && HandleAllocated() && IsWindowUnicode(WindowHandle());
}

void TUcToolBar::SetTextMessage(TMessage& m) {
  const auto* text = reinterpret_cast<const wchar_t*>(m.LParam);
  wideToolBarCaption_ = text ? text : L"";
  m.Result = TRUE;
}

void TUcToolBar::GetTextMessage(TMessage& m) {
  auto* buffer = reinterpret_cast<wchar_t*>(m.LParam);
  m.Result = 0;
  if (m.WParam == 0 || !buffer)
    return;
  const size_t count = std::min<size_t>(wideToolBarCaption_.size(), m.WParam - 1);
  wideToolBarCaption_.copy(buffer, count);
  buffer[count] = L'\0';
  m.Result = static_cast<LRESULT>(count);
}

void TUcToolBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case TB_INSERTBUTTONA:
      InsertButtonA(m);
      return;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (!HandlesCaptionMessages())
        break;
      if (m.Msg == WM_SETTEXT)
        SetTextMessage(m);
      else if (m.Msg == WM_GETTEXT)
        GetTextMessage(m);
      else
        m.Result = static_cast<LRESULT>(wideToolBarCaption_.size());
      return;
    default:
      break;
  }
  TToolBar::Dispatch(m);
}

// ---- TUcStatusPanel --------------------------------------------------------------------------

void TUcStatusPanel::Publish(TPublisher<TUcStatusPanel>& p) {
  p.Property("Text", &TUcStatusPanel::Text, &TUcStatusPanel::SetText);
}

std::wstring TUcStatusPanel::Text() {
  return GetPairedWideText(widePanelText_, TStatusPanel::Text());
}

void TUcStatusPanel::SetText(const std::wstring& value) {
  SetPairedWideText(value, widePanelText_, TStatusPanel::Text(),
                    Method<&TUcStatusPanel::SetAnsiText>(this));
}

void TUcStatusPanel::DefineProperties(TFiler& filer) {
  TStatusPanel::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcStatusPanel::Assign(TPersistent* source) {
  TStatusPanel::Assign(source);
  if (auto* wide = dynamic_cast<TUcStatusPanel*>(source))
    SetText(wide->Text());
}

// ---- TUcStatusPanels -------------------------------------------------------------------------

TUcStatusPanel* TUcStatusPanels::Items(int index) const {
  return TStatusPanels::Items(index)->As<TUcStatusPanel>();
}

TUcStatusPanel* TUcStatusPanels::Add() {
  return TStatusPanels::Add()->As<TUcStatusPanel>();
}

// ---- TUcCustomStatusBar ----------------------------------------------------------------------

void TUcCustomStatusBar::Publish(TPublisher<TUcCustomStatusBar>& p) {
  p.Property("Hint", &TUcCustomStatusBar::Hint, &TUcCustomStatusBar::SetHint);
}

TUcStatusPanels* TUcCustomStatusBar::Panels() const {
  return TCustomStatusBar::Panels()->As<TUcStatusPanels>();
}

std::wstring TUcCustomStatusBar::SimpleText() {
  const std::string& ansi = TCustomStatusBar::SimpleText();
  wideSimpleText_ = MatchLeadingTabs(wideSimpleText_, ansi);
  return GetPairedWideText(wideSimpleText_, ansi);
}

void TUcCustomStatusBar::SetSimpleText(const std::wstring& value) {
  SetPairedWideText(value, wideSimpleText_, TCustomStatusBar::SimpleText(),
                    Method<&TUcCustomStatusBar::SetAnsiSimpleText>(this));
}

bool TUcCustomStatusBar::ExecuteAction(TBasicAction* action) {
  auto* hint = dynamic_cast<TUcHintAction*>(action);
  if (!AutoHint() || !hint)
    return TCustomStatusBar::ExecuteAction(action);
  if (DoHint())
    return true;
  if (!SimplePanel() && Panels()->Count() > 0)
    Panels()->Items(0)->SetText(hint->Hint());
  else
    SetSimpleText(hint->Hint());
  return true;
}

void TUcCustomStatusBar::DefineProperties(TFiler& filer) {
  TCustomStatusBar::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcCustomStatusBar::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TCustomStatusBar::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcCustomStatusBar::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TCustomStatusBar::GetActionLinkClass());
}

void TUcCustomStatusBar::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle_ComCtl(this, params, L"msctls_statusbar32");
}

TStatusPanels* TUcCustomStatusBar::CreatePanels() {
  return Create<TUcStatusPanels>(this, GetPanelClass());
}

const TCollectionItemClass& TUcCustomStatusBar::GetPanelClass() const {
  return TUcStatusPanel::StaticItemClass();
}

void TUcCustomStatusBar::SetPartText(TMessage& m) {
  const auto* ansiText = reinterpret_cast<const char*>(m.LParam);
  const std::string ansi = ansiText ? ansiText : "";
  const int part = LOBYTE(m.WParam);
  std::wstring text;
  if (part == kSimplePart)
    text = SimpleText();
  else if (Panels()->Count() > 0)
    text = Panels()->Items(part)->Text();
  else
    text = AnsiToWide(ansi);
  text = MatchLeadingTabs(text, ansi);
  m.Result =
      SendMessageW(WindowHandle(), SB_SETTEXTW, m.WParam, reinterpret_cast<LPARAM>(text.c_str()));
}

void TUcCustomStatusBar::WndProc(TMessage& m) {
  if (IsUnicodePlatform()) {
    if (m.Msg == SB_SETTEXTA && !(m.WParam & SBT_OWNERDRAW)) {
      SetPartText(m);
      return;
    }
    if (m.Msg == WM_GETTEXTLENGTH && HandleAllocated()) {
      m.Result = static_cast<LRESULT>(SimpleText().size());
      return;
    }
  }
  TCustomStatusBar::WndProc(m);
}

// ---- TUcStatusBar ----------------------------------------------------------------------------

void TUcStatusBar::Publish(TPublisher<TUcStatusBar>& p) {
  p.Property("Panels", &TUcCustomStatusBar::Panels, &TUcCustomStatusBar::SetPanels);
  p.Property("SimpleText", &TUcCustomStatusBar::SimpleText, &TUcCustomStatusBar::SetSimpleText);
}

// ---- Module ---------------------------------------------------------------------------------

void InitUcComCtrls() {
  for (const TMetaClass* meta :
       {&TUcToolBar::StaticClass(), &TUcToolButton::StaticClass(), &TUcStatusBar::StaticClass()})
    RegisterClass(*meta);
}
