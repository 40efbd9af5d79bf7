#include "UcMenus.h"

#include "System.h"
#include "UcActnList.h"
#include "UcSysUtils.h"

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

// ---- Module ---------------------------------------------------------------------------------

void InitUcMenus() {
  // The actions have no module step of their own; the menus build on them.
  RegisterUcActionClasses();
}

void DoneUcMenus() {}
