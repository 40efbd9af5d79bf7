#include "UcStdCtrls.h"

#include "Forms.h"
#include "System.h"
#include "UcActnList.h"
#include "UcForms.h"
#include "UcGraphics.h"
#include "UcSysUtils.h"
#include "UcWindows.h"

#include <algorithm>

namespace {

constexpr char kUnit[] = "widgets/UcStdCtrls";

// Keeps a boolean property switched for a scope and sets it back afterwards,
// whatever happens.
class TAutoCompleteOff {
 public:
  explicit TAutoCompleteOff(TCustomComboBox* combo) : combo_(combo), was_(combo->AutoComplete()) {
    combo_->SetAutoComplete(false);
  }
  ~TAutoCompleteOff() { combo_->SetAutoComplete(was_); }
  TAutoCompleteOff(const TAutoCompleteOff&) = delete;
  TAutoCompleteOff& operator=(const TAutoCompleteOff&) = delete;

 private:
  TCustomComboBox* combo_;
  bool was_;
};

// Packs a child's WM_CHAR for the 8-bit key handling and unpacks it again at
// the end of the scope, also when something raises.
class TPackedChar {
 public:
  TPackedChar(TMessage& m, bool pack) : m_(m), packed_(pack && HIWORD(m.WParam) == 0) {
    if (packed_)
      PackCharMessage(m_);
  }
  ~TPackedChar() {
    if (packed_)
      UnpackCharMessage(m_);
  }
  TPackedChar(const TPackedChar&) = delete;
  TPackedChar& operator=(const TPackedChar&) = delete;

 private:
  TMessage& m_;
  bool packed_;
};

// The list's subclassing swapped for a Unicode one: its own procedure goes
// back, is read in its W form, and the instance is installed again with the
// W setter.
WNDPROC ResubclassUnicode(HWND child, WNDPROC defProc, WNDPROC instance) {
  SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defProc));
  const auto wideProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC));
  SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
  return wideProc;
}

}  // namespace

// ---- TUcCustomLabel --------------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcCustomLabel, TCustomLabel)

void TUcCustomLabel::Publish(TPublisher<TUcCustomLabel>& p) {
  p.Property("Hint", &TUcCustomLabel::Hint, &TUcCustomLabel::SetHint);
}

void TUcCustomLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_HINTSHOW)
    PrepareWideHintShow(m);
  TCustomLabel::Dispatch(m);
}

std::wstring TUcCustomLabel::GetWideLabelText() {
  return GetWideControlText(this);
}

void TUcCustomLabel::DoDrawText(TRect& rect, UINT flags) {
  if (!IsUnicodePlatform()) {
    TCustomLabel::DoDrawText(rect, flags);
    return;
  }
  const UINT measuring = flags & DT_CALCRECT;
  std::wstring text = GetWideLabelText();
  if (measuring && (text.empty() || (ShowAccelChar() && text == L"&")))
    text += L' ';
  if (!ShowAccelChar())
    flags |= DT_NOPREFIX;
  flags = DrawTextBiDiModeFlags(flags);
  Canvas()->SetFont(Font());
  if (EllipsisPosition() != epNone && !AutoSize()) {
    static const UINT kEllipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
    flags = (flags & ~(DT_CALCRECT | DT_EXPANDTABS)) | kEllipsis[EllipsisPosition()];
    if (WordWrap() && (EllipsisPosition() == epEndEllipsis || EllipsisPosition() == epWordEllipsis))
      text = DropWordsToFit(text, rect, flags);
  }
  DrawWideCaption(text, rect, flags | measuring);
}

// Drops words from the end (characters when there are no blanks) until the
// rest and "..." fit the label's height.
std::wstring TUcCustomLabel::DropWordsToFit(std::wstring text, const TRect& rect, UINT flags) {
  TCanvas* canvas = Canvas();
  std::wstring shown = text;
  while (!text.empty()) {
    TRect r = rect;
    r.right -= CanvasWideTextWidth(canvas, L"...");
    PlatformDrawText(canvas->Handle(), shown, -1, &r, flags | DT_CALCRECT);
    const int h = r.Height();
    if (ClientHeight() >= h || Font()->Height() >= h)
      break;
    size_t p = WideLastDelimiter(L" \t", text);
    if (p == 0)
      p = text.size();
    text.resize(p - 1);
    shown = text + L"...";
  }
  return text.empty() ? text : shown;
}

void TUcCustomLabel::DrawWideCaption(const std::wstring& text, TRect& rect, UINT flags) {
  const int length = static_cast<int>(text.size());
  DrawEnabledOrEmbossed(
      rect, [&](TRect& r) { PlatformDrawText(Canvas()->Handle(), text, length, &r, flags); });
}

VEL_COMPONENT_IMPL(TUcLabel, TUcCustomLabel)

void TUcLabel::Publish(TPublisher<TUcLabel>& p) {
  PublishLabel(p);
}

// ---- TUcButton -------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcButton, TButton)

void TUcButton::Publish(TPublisher<TUcButton>& p) {
  p.Property("Caption", &TUcButton::Caption, &TUcButton::SetCaption);
  p.Property("Hint", &TUcButton::Hint, &TUcButton::SetHint);
}

// ---- TUcCustomCheckBox -----------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcCustomCheckBox, TCustomCheckBox)

void TUcCustomCheckBox::Publish(TPublisher<TUcCustomCheckBox>& p) {
  p.Property("Hint", &TUcCustomCheckBox::Hint, &TUcCustomCheckBox::SetHint);
}

VEL_COMPONENT_IMPL(TUcCheckBox, TUcCustomCheckBox)

void TUcCheckBox::Publish(TPublisher<TUcCheckBox>& p) {
  using C = TCustomCheckBox;
  p.Property("Action", &TControl::Action, &TControl::SetAction);
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed);
  p.Property("Caption", &TUcCheckBox::Caption, &TUcCheckBox::SetCaption);
  p.Property("Checked", &C::Checked, &C::SetChecked);
  p.Property("State", &C::State, &C::SetState);
  p.Property("WordWrap", &TButtonControl::WordWrap, &TButtonControl::SetWordWrap);
}

// ---- TUcRadioButton --------------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcRadioButton, TRadioButton)

void TUcRadioButton::Publish(TPublisher<TUcRadioButton>& p) {
  p.Property("Caption", &TUcRadioButton::Caption, &TUcRadioButton::SetCaption);
  p.Property("Hint", &TUcRadioButton::Hint, &TUcRadioButton::SetHint);
}

// ---- TUcComboBoxStrings ----------------------------------------------------------------

VEL_CLASS_IMPL(TUcComboBoxStrings, TUcStrings)

bool TUcComboBoxStrings::HasUnicodeWindow() const {
  return IsWindowUnicode(comboBox_->Handle()) != FALSE;
}

LRESULT TUcComboBoxStrings::SendWide(UINT msg, WPARAM wParam, const std::wstring& text) const {
  return SendMessageW(comboBox_->Handle(), msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
}

TStrings* TUcComboBoxStrings::AnsiItems() const {
  return comboBox_->TCustomComboBox::Items();
}

int TUcComboBoxStrings::GetCount() const {
  return AnsiItems()->Count();
}

std::wstring TUcComboBoxStrings::Get(int index) const {
  if (!HasUnicodeWindow())
    return AnsiToWide(AnsiItems()->Strings(index));
  const HWND window = comboBox_->Handle();
  const LRESULT length = SendMessageW(window, CB_GETLBTEXTLEN, index, 0);
  if (length < 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  if (SendMessageW(window, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0])) < 0)
    return std::wstring();
  text.resize(wcslen(text.c_str()));
  return text;
}

TObject* TUcComboBoxStrings::GetObject(int index) const {
  return AnsiItems()->Objects(index);
}

void TUcComboBoxStrings::PutObject(int index, TObject* obj) {
  AnsiItems()->SetObjects(index, obj);
}

void TUcComboBoxStrings::SetUpdateState(bool updating) {
  if (updating)
    AnsiItems()->BeginUpdate();
  else
    AnsiItems()->EndUpdate();
}

int TUcComboBoxStrings::Add(const std::wstring& s) {
  if (!HasUnicodeWindow())
    return AnsiItems()->Add(WideToAnsi(s));
  const LRESULT index = SendWide(CB_ADDSTRING, 0, s);
  if (index < 0)
    throw EOutOfResources("Unable to insert a line");
  return static_cast<int>(index);
}

void TUcComboBoxStrings::Insert(int index, const std::wstring& s) {
  if (!HasUnicodeWindow()) {
    AnsiItems()->Insert(index, WideToAnsi(s));
    return;
  }
  if (SendWide(CB_INSERTSTRING, index, s) < 0)
    throw EOutOfResources("Unable to insert a line");
}

void TUcComboBoxStrings::Delete(int index) {
  AnsiItems()->Delete(index);
}

void TUcComboBoxStrings::Clear() {
  comboBox_->HandleNeeded();
  const std::wstring text = GetWideControlText(comboBox_);
  AnsiItems()->Clear();
  SetWideControlText(comboBox_, text);
  comboBox_->Invalidate();
}

int TUcComboBoxStrings::IndexOf(const std::wstring& s) const {
  if (!HasUnicodeWindow())
    return AnsiItems()->IndexOf(WideToAnsi(s));
  const LRESULT index = SendWide(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), s);
  return index < 0 ? -1 : static_cast<int>(index);
}

// ---- TUcCustomComboBox -----------------------------------------------------------------

VEL_COMPONENT_IMPL(TUcCustomComboBox, TCustomComboBox)

void TUcCustomComboBox::Publish(TPublisher<TUcCustomComboBox>& p) {
  p.Property("Hint", &TUcCustomComboBox::Hint, &TUcCustomComboBox::SetHint);
}

TUcCustomComboBox::TUcCustomComboBox(TComponent* owner)
    : TUcWideStdControl(owner), wideItems_(new TUcComboBoxStrings(this)) {}

TUcCustomComboBox::~TUcCustomComboBox() = default;

TUcStrings* TUcCustomComboBox::Items() const {
  return wideItems_.get();
}

void TUcCustomComboBox::SetItems(TUcStrings* value) {
  wideItems_->Assign(value);
}

void TUcCustomComboBox::AddItem(const std::wstring& item, TObject* object) {
  wideItems_->AddObject(item, object);
}

void TUcCustomComboBox::AddItem(const std::string& item, TObject* object) {
  wideItems_->AddObject(AnsiToWide(item), object);
}

void TUcCustomComboBox::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, L"COMBOBOX");
}

void TUcCustomComboBox::CreateWnd() {
  const std::string noted = TControl::Text();
  TCustomComboBox::CreateWnd();
  UcCombo_AfterCreateWnd(this, wideItems_.get(), noted);
}

void TUcCustomComboBox::DestroyWnd() {
  if (ControlState().Contains(csDestroyingHandle))
    return;
  const bool keep = IsUnicodePlatform() && !ComponentState().Contains(csDestroying);
  const std::wstring text = keep ? UcCombo_BeforeDestroyWnd(this, wideItems_.get()) : L"";
  TCustomComboBox::DestroyWnd();
  if (keep)
    StoreWideTextInHelper(this, text);
}

void TUcCustomComboBox::CopySelection(TWinControl* destination) {
  const int index = ItemIndex();
  if (index != -1)
    WideListAddItem(destination, wideItems_->Strings(index), wideItems_->Objects(index));
}

void TUcCustomComboBox::ComboWndProc(TMessage& m, HWND child, WNDPROC childDefProc) {
  if (!UcCombo_HandleEditMessage(this, m, child, childDefProc))
    TCustomComboBox::ComboWndProc(m, child, childDefProc);
}

void TUcCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  // The canvas's text flags would take the right-to-left reading here; the
  // class library has none.
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  Canvas()->FillRect(rect);
  if (index >= 0)
    CanvasWideTextOut(Canvas(), rect.left + 2, rect.top, wideItems_->Strings(index));
}

void TUcCustomComboBox::KeyPress(char& key) {
  const TAutoCompleteOff wideCompletionOnly(this);
  TCustomComboBox::KeyPress(key);
}

void TUcCustomComboBox::EditAutoComplete(TMessage& m) {
  UcCombo_AutoCompleteKeyPress(this, wideItems_.get(), m, AutoCompleteUniqueMatchOnly(),
                               AutoCompletePreservesTypedCase());
}

int TUcCustomComboBox::WideSelStart() {
  if (IsUnicodePlatform())
    return SelStart();
  return static_cast<int>(AnsiToWide(TControl::Text().substr(0, SelStart())).size());
}

void TUcCustomComboBox::SetWideSelStart(int value) {
  if (IsUnicodePlatform()) {
    SetSelStart(value);
    return;
  }
  SetSelStart(static_cast<int>(WideToAnsi(Text().substr(0, std::max(0, value))).size()));
}

int TUcCustomComboBox::WideSelLength() {
  if (IsUnicodePlatform())
    return SelLength();
  return static_cast<int>(WideSelText().size());
}

void TUcCustomComboBox::SetWideSelLength(int value) {
  if (IsUnicodePlatform()) {
    SetSelLength(value);
    return;
  }
  const std::wstring text = Text();
  const size_t start = std::min<size_t>(WideSelStart(), text.size());
  SetSelLength(static_cast<int>(WideToAnsi(text.substr(start, std::max(0, value))).size()));
}

std::wstring TUcCustomComboBox::WideSelText() {
  if (!IsUnicodePlatform())
    return AnsiToWide(SelText());
  if (!IsEditStyle())
    return std::wstring();
  const std::wstring text = Text();
  const size_t start = std::min<size_t>(WideSelStart(), text.size());
  return text.substr(start, std::max(0, WideSelLength()));
}

// A list style shows the item of the text it is given. Through a Unicode
// window that text is wide, which the base would read as 8-bit.
bool TUcCustomComboBox::SetTextOfListStyle(TMessage& m) {
  if (IsEditStyle() || !HandleAllocated() || !IsWindowUnicode(WindowHandle()))
    return false;
  const auto* text = reinterpret_cast<const wchar_t*>(m.LParam);
  SetItemIndex(wideItems_->IndexOf(text ? text : L""));
  m.Result = TRUE;
  return true;
}

void TUcCustomComboBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_CHAR:
      if (!UcCombo_ListSearchKeyPress(this, wideItems_.get(), m, searchText_, lastSearchTick_))
        TCustomComboBox::Dispatch(m);
      break;
    case CN_COMMAND:
      if (!UcCombo_HandleSelChange(this, wideItems_.get(), m))
        TCustomComboBox::Dispatch(m);
      break;
    case WM_SETTEXT:
      if (!SetTextOfListStyle(m))
        TCustomComboBox::Dispatch(m);
      break;
    default:
      TCustomComboBox::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TUcComboBox, TUcCustomComboBox)

void TUcComboBox::Publish(TPublisher<TUcComboBox>& p) {
  PublishComboBox(p);
}

// ---- The combo box's routines ----------------------------------------------------------

int UcCombo_FindString(TUcCustomComboBox* combo, int start, const std::wstring& text) {
  const HWND window = combo->Handle();
  LRESULT index = 0;
  if (IsWindowUnicode(window)) {
    index = SendMessageW(window, CB_FINDSTRING, start, reinterpret_cast<LPARAM>(text.c_str()));
  } else {
    const std::string ansi = WideToAnsi(text);
    index = SendMessageA(window, CB_FINDSTRING, start, reinterpret_cast<LPARAM>(ansi.c_str()));
  }
  return index < 0 ? -1 : static_cast<int>(index);
}

int UcCombo_FindUniqueString(TUcCustomComboBox* combo, const std::wstring& text) {
  const int index = UcCombo_FindString(combo, -1, text);
  if (index != -1 && UcCombo_FindString(combo, index, text) == index)
    return index;
  return -1;
}

bool UcCombo_SelectMatch(TUcCustomComboBox* combo, TUcStrings* items, const std::wstring& text,
                         bool preserveTypedCase, bool uniqueOnly) {
  const int index =
      uniqueOnly ? UcCombo_FindUniqueString(combo, text) : UcCombo_FindString(combo, -1, text);
  if (index == -1)
    return false;
  const std::wstring item = items->Strings(index);
  const bool changed =
      combo->Style() == csDropDown ? combo->Text() != item : index != combo->ItemIndex();
  if (combo->AutoCloseUp() && items->IndexOf(text) != -1)
    combo->SetDroppedDown(false);
  combo->SetItemIndex(index);
  if (combo->IsEditStyle()) {
    // An item found by its beginning may still be shorter than the typed
    // text once case folding changed a length.
    const size_t typed = text.size();
    combo->SetText(preserveTypedCase ? text + item.substr(std::min(typed, item.size())) : item);
    combo->SetWideSelStart(static_cast<int>(typed));
    combo->SetWideSelLength(static_cast<int>(combo->Text().size()) - combo->WideSelStart());
  }
  if (changed) {
    combo->Click();
    combo->Select();
  }
  return true;
}

void UcCombo_DropDownKeepingText(TUcCustomComboBox* combo) {
  const std::wstring text = combo->Text();
  const int start = combo->WideSelStart();
  const int length = combo->WideSelLength();
  combo->SetDroppedDown(true);
  combo->SetText(text);
  combo->SetWideSelStart(start);
  combo->SetWideSelLength(length);
}

void UcCombo_AutoCompleteKeyPress(TUcCustomComboBox* combo, TUcStrings* items, TMessage& m,
                                  bool uniqueOnly, bool preserveTypedCase) {
  if (!combo->IsEditStyle())
    throw EUcInternalError(
        "Internal Error: UcCombo_AutoCompleteKeyPress is only for csSimple and csDropDown style "
        "combo boxes.");
  if (!combo->AutoComplete())
    return;
  wchar_t c = CharOfCharMessage(m);
  switch (c) {
    case VK_BACK:
    case VK_ESCAPE:
      return;
    case VK_TAB:
      if (combo->AutoDropDown() && combo->DroppedDown())
        combo->SetDroppedDown(false);
      return;
    default:
      break;
  }
  if (combo->AutoDropDown() && !combo->DroppedDown())
    UcCombo_DropDownKeepingText(combo);
  const std::wstring text = combo->Text();
  const int start = combo->WideSelStart();
  if (start + combo->WideSelLength() == static_cast<int>(text.size()) &&
      UcCombo_SelectMatch(combo, items, text.substr(0, start) + c, preserveTypedCase, uniqueOnly))
    c = 0;
  SetCharMessageChar(m, c);
}

bool UcCombo_ListSearchKeyPress(TUcCustomComboBox* combo, TUcStrings* items, TMessage& m,
                                std::wstring& searchText, DWORD& lastSearchTick) {
  if (combo->IsEditStyle() || !combo->AutoComplete())
    return false;
  const wchar_t c = CharOfCharMessage(m);
  switch (c) {
    case VK_BACK:
      if (!searchText.empty())
        searchText.pop_back();
      return false;
    case VK_TAB:
      if (combo->AutoDropDown() && combo->DroppedDown())
        combo->SetDroppedDown(false);
      return false;
    case VK_ESCAPE:
      return false;
    default:
      break;
  }
  if (combo->AutoDropDown() && !combo->DroppedDown())
    combo->SetDroppedDown(true);
  if (TicksSince(lastSearchTick) >= TUcCustomComboBox::kSearchInterval)
    searchText.clear();
  lastSearchTick = GetTicks();
  if (!UcCombo_SelectMatch(combo, items, searchText + c, true, false))
    return false;
  searchText += c;
  return true;
}

bool UcCombo_HandleEditMessage(TUcCustomComboBox* combo, TMessage& m, HWND child,
                               WNDPROC childDefProc) {
  const bool unicodeChild = IsWindowUnicode(child) != FALSE;
  if (m.Msg == WM_CHAR) {
    // A list style's list gets the combo's characters after the combo ran
    // its own key handling on them: they go on untouched.
    if (!combo->IsEditStyle())
      return false;
    Guard(combo, [&] {
      // The 8-bit key handling and the wide completion first; then closing
      // an open list, or the native edit.
      bool consumed = false;
      {
        const TPackedChar packed(m, unicodeChild);
        consumed = combo->DoKeyPress(m);
        if (!consumed) {
          TMessage copy = m;
          combo->EditAutoComplete(copy);
          consumed = CharOfCharMessage(copy) == 0;
        }
      }
      const WORD c = LOWORD(m.WParam);
      if (consumed)
        return;
      if ((c == VK_RETURN || c == VK_ESCAPE) && combo->DroppedDown())
        combo->SetDroppedDown(false);
      else
        m.Result = unicodeChild ? CallWindowProcW(childDefProc, child, m.Msg, m.WParam, m.LParam)
                                : CallWindowProcA(childDefProc, child, m.Msg, m.WParam, m.LParam);
    });
    return true;
  }
  if (!unicodeChild)
    return false;
  if (m.Msg == WM_IME_CHAR) {
    m.Result = SendMessageW(child, WM_CHAR, m.WParam, m.LParam);
    return true;
  }
  if (IsWindowTextMessage(m.Msg) || m.Msg == EM_REPLACESEL || m.Msg == WM_IME_COMPOSITION) {
    m.Result = CallWindowProcW(childDefProc, child, m.Msg, m.WParam, m.LParam);
    return true;
  }
  return false;
}

bool UcCombo_HandleSelChange(TUcCustomComboBox* combo, TUcStrings* items, TMessage& m) {
  if (TWMCommand(m).NotifyCode() != CBN_SELCHANGE)
    return false;
  // Nothing selected leaves a typed text as it is.
  const int index = combo->ItemIndex();
  if (index != -1)
    combo->SetText(items->Strings(index));
  combo->Click();
  combo->Select();
  return true;
}

void UcCombo_AfterCreateWnd(TUcCustomComboBox* combo, TUcStrings* items,
                            const std::string& notedText) {
  if (!IsUnicodePlatform()) {
    combo->SetAnsiText(notedText);
    return;
  }
  if (const HWND list = combo->ListHandle())
    combo->FDefListProc = ResubclassUnicode(list, combo->FDefListProc, combo->FListInstance);
  // The edit keeps its default procedure; its instance, installed again by
  // the W setter, makes it a Unicode window.
  if (const HWND edit = combo->EditHandle())
    SetWindowLongPtrW(edit, GWLP_WNDPROC, GetWindowLongPtrA(edit, GWLP_WNDPROC));
  if (TOwned<TUcStrings> saved = std::move(combo->saveItems_)) {
    items->Assign(saved.get());
    const int index = std::min(combo->saveItemIndex_, items->Count());
    if (index != -1)
      combo->Perform(CB_SETCURSEL, index);
  }
  // A list style's text is its selected item: setting one that is no item
  // would drop the selection just restored.
  if (combo->IsEditStyle())
    SetWideControlText(combo, HelperWideTextOr(combo, AnsiToWide(combo->TControl::Text())));
}

std::wstring UcCombo_BeforeDestroyWnd(TUcCustomComboBox* combo, TUcStrings* items) {
  Assert(!combo->ControlState().Contains(csDestroyingHandle), kUnit);
  const std::wstring text = GetWideControlText(combo);
  if (items->Count() > 0) {
    combo->saveItems_.reset(Create<TUcStringList>());
    combo->saveItems_->Assign(items);
    combo->saveItemIndex_ = combo->ItemIndex();
    items->Clear();
  }
  return text;
}

// ---- Module ---------------------------------------------------------------------------------

void InitUcStdCtrls() {
  for (const TMetaClass* meta :
       {&TUcLabel::StaticClass(), &TUcButton::StaticClass(), &TUcCheckBox::StaticClass(),
        &TUcRadioButton::StaticClass(), &TUcComboBox::StaticClass()})
    RegisterClass(*meta);
}
