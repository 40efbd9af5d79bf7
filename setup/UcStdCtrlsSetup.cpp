#include "UcStdCtrlsSetup.h"

#include "Clipbrd.h"
#include "System.h"
#include "UcActnList.h"
#include "UcClasses.h"
#include "UcForms.h"
#include "UcSysUtils.h"
#include "UcSystem.h"

#include <algorithm>

VEL_COMPONENT_IMPL(TUcCustomEdit, TCustomEdit)
VEL_COMPONENT_IMPL(TUcEdit, TUcCustomEdit)
VEL_COMPONENT_IMPL(TUcAlignedEdit, TUcEdit)
VEL_COMPONENT_IMPL(TUcCustomStaticText, TCustomStaticText)
VEL_COMPONENT_IMPL(TUcStaticText, TUcCustomStaticText)

namespace {

constexpr char kUnit[] = "setup/UcStdCtrlsSetup";

// The window handle field is empty while the object lives, so that the
// 8-bit setter neither re-creates the window nor sends it anything.
class THiddenHandle {
 public:
  explicit THiddenHandle(TWinControl* control)
      : control_(control), handle_(control->WindowHandle()) {
    control_->SetWindowHandle(nullptr);
  }
  ~THiddenHandle() { control_->SetWindowHandle(handle_); }
  THiddenHandle(const THiddenHandle&) = delete;
  THiddenHandle& operator=(const THiddenHandle&) = delete;

 private:
  TWinControl* control_;
  HWND handle_;
};

// A screen device context with a font selected, both released at the end.
class TScreenFontDC {
 public:
  explicit TScreenFontDC(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
  ~TScreenFontDC() {
    SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  TScreenFontDC(const TScreenFontDC&) = delete;
  TScreenFontDC& operator=(const TScreenFontDC&) = delete;
  HDC DC() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Far-east systems of the 8-bit family do not create read-only edits
// properly; those get the state once the window exists.
bool NeedsLateReadOnly(const TCreateParams& params) {
  return SysLocale().FarEast && !IsUnicodePlatform() && (params.Style & ES_READONLY) != 0;
}

// The clipboard's text: wide on the NT family, else the 8-bit text widened.
std::wstring ClipboardText() {
  if (!IsUnicodePlatform())
    return AnsiToWide(Clipboard()->AsText());
  std::wstring text;
  if (!OpenClipboard(nullptr))
    return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

// ---- Selections in bytes and in characters --------------------------------------------------

int AnsiToWidePosition(const std::string& ansiText, int bytes, UINT codePage) {
  const size_t count = std::min(ansiText.size(), static_cast<size_t>(std::max(bytes, 0)));
  return static_cast<int>(StringToWideStringCP(ansiText.substr(0, count), codePage).size());
}

int WideToAnsiLength(const std::wstring& wideText, int start, int count, UINT codePage) {
  const size_t from = std::min(wideText.size(), static_cast<size_t>(std::max(start, 0)));
  const std::wstring part = wideText.substr(from, static_cast<size_t>(std::max(count, 0)));
  return static_cast<int>(WideStringToStringCP(part, codePage).size());
}

char PasswordCharToAnsi(wchar_t c) {
  return c > 0xFF ? '*' : static_cast<char>(c);
}

// ---- TUcCustomEdit ---------------------------------------------------------------------------

void TUcCustomEdit::Publish(TPublisher<TUcCustomEdit>& p) {
  p.Property("Hint", &TUcCustomEdit::Hint, &TUcCustomEdit::SetHint);
}

void TUcCustomEdit::DefineProperties(TFiler& filer) {
  TCustomEdit::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcCustomEdit::CreateWindowHandle(const TCreateParams& params) {
  if (!NeedsLateReadOnly(params)) {
    CreateUnicodeHandle(this, params, L"EDIT");
    return;
  }
  TCreateParams writable = params;
  writable.Style &= ~static_cast<DWORD>(ES_READONLY);
  CreateUnicodeHandle(this, writable, L"EDIT");
  Perform(EM_SETREADONLY, 1);
}

void TUcCustomEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  if (IsUnicodePlatform())
    SendWidePasswordChar();
}

wchar_t TUcCustomEdit::PasswordChar() {
  const char ansi = TCustomEdit::PasswordChar();
  if (ansi != PasswordCharToAnsi(widePasswordChar_))
    widePasswordChar_ = static_cast<unsigned char>(ansi);
  return widePasswordChar_;
}

void TUcCustomEdit::SetPasswordChar(wchar_t value) {
  if (value == PasswordChar())
    return;
  widePasswordChar_ = value;
  SetAnsiPasswordChar(PasswordCharToAnsi(value));
  if (IsUnicodePlatform() && HandleAllocated()) {
    SendWidePasswordChar();
    Invalidate();
  }
}

void TUcCustomEdit::SetAnsiPasswordChar(char value) {
  if (!IsUnicodePlatform()) {
    TCustomEdit::SetPasswordChar(value);
    return;
  }
  const THiddenHandle hidden(this);
  TCustomEdit::SetPasswordChar(value);
}

void TUcCustomEdit::SendWidePasswordChar() {
  Assert(IsUnicodePlatform(), kUnit);
  Assert(HandleAllocated(), kUnit);
  SendMessageW(Handle(), EM_SETPASSWORDCHAR, PasswordChar(), 0);
}

int TUcCustomEdit::SelStart() {
  if (IsUnicodePlatform())
    return TCustomEdit::SelStart();
  return AnsiToWidePosition(Text(), TCustomEdit::SelStart(), CP_ACP);
}

void TUcCustomEdit::SetSelStart(int value) {
  if (IsUnicodePlatform()) {
    TCustomEdit::SetSelStart(value);
    return;
  }
  TCustomEdit::SetSelStart(WideToAnsiLength(GetWideControlText(this), 0, value, CP_ACP));
}

int TUcCustomEdit::SelLength() {
  if (IsUnicodePlatform())
    return TCustomEdit::SelLength();
  const std::string selected = TCustomEdit::SelText();
  return AnsiToWidePosition(selected, static_cast<int>(selected.size()), CP_ACP);
}

void TUcCustomEdit::SetSelLength(int value) {
  if (IsUnicodePlatform()) {
    TCustomEdit::SetSelLength(value);
    return;
  }
  TCustomEdit::SetSelLength(WideToAnsiLength(GetWideControlText(this), SelStart(), value, CP_ACP));
}

std::wstring TUcCustomEdit::SelText() {
  const std::wstring text = GetWideControlText(this);
  const size_t start = std::min(text.size(), static_cast<size_t>(std::max(SelStart(), 0)));
  return text.substr(start, static_cast<size_t>(std::max(SelLength(), 0)));
}

void TUcCustomEdit::Dispatch(TMessage& m) {
  if (OnPasteText && !ReadOnly() && IsPaste(m)) {
    PasteText();
    m.Result = 0;
    return;
  }
  TCustomEdit::Dispatch(m);
}

// Shift+Insert pastes inside the edit window's own key handling, without a
// WM_PASTE that could be caught.
bool TUcCustomEdit::IsPaste(const TMessage& m) const {
  return m.Msg == WM_PASTE || (m.Msg == WM_KEYDOWN && m.WParam == VK_INSERT &&
                               KeyboardStateToShiftState() == TShiftState{ssShift});
}

void TUcCustomEdit::PasteText() {
  std::wstring text = ClipboardText();
  OnPasteText(this, text);
  if (MaxLength() > 0) {
    const int kept = static_cast<int>(GetWideControlText(this).size()) - SelLength();
    text.resize(std::min(text.size(), static_cast<size_t>(std::max(MaxLength() - kept, 0))));
  }
  if (!text.empty())
    ReplaceSelection(text);
}

void TUcCustomEdit::ReplaceSelection(const std::wstring& text) {
  if (IsUnicodePlatform())
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  else
    SetSelText(WideToAnsi(text));
}

void TUcCustomEdit::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TCustomEdit::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcCustomEdit::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TCustomEdit::GetActionLinkClass());
}

// ---- TUcEdit ---------------------------------------------------------------------------------

void TUcEdit::Publish(TPublisher<TUcEdit>& p) {
  using C = TCustomEdit;
  p.Property("BorderStyle", &C::BorderStyle, &C::SetBorderStyle);
  p.Property("CharCase", &C::CharCase, &C::SetCharCase);
  p.Property("MaxLength", &C::MaxLength, &C::SetMaxLength);
  p.Property("PasswordChar", &TUcCustomEdit::PasswordChar, &TUcCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &C::ReadOnly, &C::SetReadOnly);
  p.Property("Text", &TUcEdit::Text, &TUcEdit::SetText);
  p.Event("OnChange", &C::OnChange);
  p.Event("OnPasteText", &TUcCustomEdit::OnPasteText);
}

// ---- TUcAlignedEdit --------------------------------------------------------------------------

void TUcAlignedEdit::Publish(TPublisher<TUcAlignedEdit>& p) {
  p.Property("Alignment", &TUcAlignedEdit::Alignment, &TUcAlignedEdit::SetAlignment);
}

void TUcAlignedEdit::SetAlignment(TAlignment value) {
  if (value == alignment_)
    return;
  alignment_ = value;
  RecreateWnd();
}

void TUcAlignedEdit::CreateParams(TCreateParams& params) {
  TUcEdit::CreateParams(params);
  if (alignment_ == taRightJustify)
    params.Style |= ES_RIGHT;
  else if (alignment_ == taCenter)
    params.Style |= ES_CENTER;
}

// ---- TUcCustomStaticText ---------------------------------------------------------------------

void TUcCustomStaticText::Publish(TPublisher<TUcCustomStaticText>& p) {
  p.Property("Hint", &TUcCustomStaticText::Hint, &TUcCustomStaticText::SetHint);
}

void TUcCustomStaticText::DefineProperties(TFiler& filer) {
  TCustomStaticText::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcCustomStaticText::CreateWindowHandle(const TCreateParams& params) {
  CreateUnicodeHandle(this, params, L"STATIC");
}

void TUcCustomStaticText::AdjustBounds() {
  if (!AutoSize() || ComponentState().Contains(csReading) || ComponentState().Contains(csLoading))
    return;
  const std::wstring caption = GetWideControlText(this);
  SIZE size{};
  {
    const TScreenFontDC screen(Font()->Handle());
    GetTextExtentPoint32W(screen.DC(), caption.c_str(), static_cast<int>(caption.size()), &size);
  }
  SetBounds(Left(), Top(), size.cx + 4 * GetSystemMetrics(SM_CXBORDER),
            size.cy + 4 * GetSystemMetrics(SM_CYBORDER));
}

bool TUcCustomStaticText::IsAccelChar(WORD charCode) {
  return MatchWideAccelerator(charCode, GetWideControlText(this));
}

void TUcCustomStaticText::ActionChange(TObject* sender, bool checkDefaults) {
  WideActionChange(this, sender, checkDefaults);
  TCustomStaticText::ActionChange(sender, checkDefaults);
}

const TMetaClass* TUcCustomStaticText::GetActionLinkClass() const {
  return GetWideActionLinkClass(this, TCustomStaticText::GetActionLinkClass());
}

// ---- TUcStaticText ---------------------------------------------------------------------------

void TUcStaticText::Publish(TPublisher<TUcStaticText>& p) {
  using C = TCustomStaticText;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("AutoSize", &C::AutoSize, &C::SetAutoSize);
  p.Property("BorderStyle", &C::BorderStyle, &C::SetBorderStyle);
  p.Property("Caption", &TUcStaticText::Caption, &TUcStaticText::SetCaption);
  p.Property("FocusControl", &C::FocusControl, &C::SetFocusControl);
  p.Property("ShowAccelChar", &C::ShowAccelChar, &C::SetShowAccelChar);
  p.Property("Transparent", &C::Transparent, &C::SetTransparent);
}

void RegisterUcStdCtrlsSetupClasses() {
  for (const TMetaClass* meta :
       {&TUcEdit::StaticClass(), &TUcAlignedEdit::StaticClass(), &TUcStaticText::StaticClass()})
    RegisterClass(*meta);
}
