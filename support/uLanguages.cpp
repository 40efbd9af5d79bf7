#include "uLanguages.h"

#include "Graphics.h"
#include "Startup.h"
#include "System.h"

#include <cstring>

namespace {

constexpr TLanguageSet kNoLanguages = {nullptr, 0, nullptr, 0};
constexpr TLocaleMap kNoLocaleMap = {nullptr, 0};

struct TLanguageState {
  const TLanguageSet* Set = &kNoLanguages;
  const TLocaleMap* LocaleMap = &kNoLocaleMap;
  DWORD PlatformMajor = 0;
  bool GlyphTestPassed = false;
  TLocaleLanguageSource LocaleSource;
};

TLanguageState& State() {
  static TLanguageState state;
  return state;
}

const TLanguageInfo* FindLanguage(int language) {
  const TLanguageSet& set = *State().Set;
  if (language < 0 || language >= set.LanguageCount)
    return nullptr;
  return &set.LanguageTable[language];
}

std::wstring FindText(int language, int text) {
  const TLanguageSet& set = *State().Set;
  const TLanguageEntry* entries = set.LanguageTexts[language];
  for (int i = 0; i < set.TextCount; ++i) {
    if (entries[i].Number == text)
      return entries[i].Text;
  }
  return std::wstring();
}

// ---- The user's locale --------------------------------------------------------------

using TGetLocaleInfoEx = int(WINAPI*)(LPCWSTR, LCTYPE, LPWSTR, int);

// GetLocaleInfoEx where the system has it (Vista on), else the 8-bit call.
std::string SystemLocaleLanguage() {
  auto getEx = reinterpret_cast<TGetLocaleInfoEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLocaleInfoEx")));
  if (getEx) {
    wchar_t buffer[16] = {};
    if (getEx(nullptr, LOCALE_ILANGUAGE, buffer, 16) <= 0)
      return std::string();
    return WideToAnsi(buffer);
  }
  char buffer[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, buffer, sizeof(buffer)) <= 0)
    return std::string();
  return buffer;
}

// Hex digits only (at most eight); anything else reads as 0.
uint32_t ParseLangId(const std::string& text) {
  if (text.empty() || text.size() > 8)
    return 0;
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return 0;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

// The mapped language for a LANGID; -1 when the map has none.
int MapLangId(uint32_t langId) {
  const TLocaleMap& map = *State().LocaleMap;
  const uint32_t primary = langId & 0x3FF;
  const int sub = static_cast<int>(langId >> 10);
  for (int i = 0; i < map.Count; ++i) {
    const TLocaleMapEntry& e = map.Entries[i];
    if (e.PrimaryLanguage == primary && (e.SubLanguage == AnySubLanguage || e.SubLanguage == sub))
      return e.Language;
  }
  return -1;
}

// ---- Glyph test -----------------------------------------------------------------------

constexpr wchar_t kTestGlyph[] = L"\u63A5";

// Equal sizes and equal pixels of two 1-bit bitmaps; bits past the width
// in a row's last byte are padding and do not count.
bool SameMonoImage(TBitmap& a, TBitmap& b) {
  if (a.PixelFormat() != pf1bit || b.PixelFormat() != pf1bit || a.Empty() ||
      a.Width() != b.Width() || a.Height() != b.Height())
    return false;
  const int fullBytes = a.Width() / 8;
  const int restBits = a.Width() % 8;
  const uint8_t restMask = static_cast<uint8_t>(0xFF00 >> restBits);
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* rowA = a.ScanLine(y);
    const uint8_t* rowB = b.ScanLine(y);
    if (std::memcmp(rowA, rowB, fullBytes) != 0)
      return false;
    if (restBits && ((rowA[fullBytes] ^ rowB[fullBytes]) & restMask))
      return false;
  }
  return true;
}

// The test glyph as the platform draws it: "Courier New" 8 pt, black on
// white, in the rectangle the platform measures for it.
void DrawTestGlyph(TBitmap& bitmap) {
  bitmap.SetMonochrome(true);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Font()->SetName("Courier New");
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(clBlack);
  TRect r;
  DrawTextW(canvas->Handle(), kTestGlyph, 1, &r, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
  bitmap.SetSize(r.right, r.bottom);
  canvas->Brush()->SetColor(clWhite);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  HDC dc = canvas->Handle();
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  DrawTextW(dc, kTestGlyph, 1, &r, DT_NOPREFIX | DT_SINGLELINE);
  GdiFlush();
}

}  // namespace

void SetLanguageSet(const TLanguageSet& set, const TLocaleMap& localeMap) {
  State().Set = &set;
  State().LocaleMap = &localeMap;
}

void RegisterLanguages(const TLanguageSet& set, const TLocaleMap& localeMap) {
  SetLanguageSet(set, localeMap);
  classlib::RegisterModule("uLanguages", InitLanguages, nullptr);
}

const TLanguageSet& LanguageSet() {
  return *State().Set;
}

void InitLanguages() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info))
    info.dwMajorVersion = 0;
  SetLanguagePlatform(info.dwMajorVersion, JapaneseGlyphTest());
}

void SetLanguagePlatform(DWORD majorVersion, bool glyphTestPassed) {
  State().PlatformMajor = majorVersion;
  State().GlyphTestPassed = glyphTestPassed;
}

void SetLocaleLanguageSource(TLocaleLanguageSource source) {
  State().LocaleSource = std::move(source);
}

std::wstring LookupLanguageText(int language, int text) {
  std::wstring result;
  const bool own = FindLanguage(language) != nullptr;
  if (own)
    result = FindText(language, text);
  if (result.empty() && (!own || language != 0) && FindLanguage(0))
    result = FindText(0, text);
  return result;
}

std::wstring GetLanguageName(int language) {
  const TLanguageInfo* info = FindLanguage(language);
  return info ? info->Name : std::wstring();
}

uint8_t LanguageIsUtf8(int language) {
  const TLanguageInfo* info = FindLanguage(language);
  return info ? info->Utf8 : 0;
}

bool LanguageAvailable(int language) {
  const TLanguageInfo* info = FindLanguage(language);
  if (!info)
    return false;
  const uint8_t glyphBits = State().GlyphTestPassed ? 1 : 0;
  return State().PlatformMajor >= info->MinPlatformMajor &&
         (info->GlyphRequirement == 0 || (info->GlyphRequirement & glyphBits) != 0);
}

int GetSystemLanguage(int def) {
  uint32_t langId;
  try {
    const TLocaleLanguageSource& source = State().LocaleSource;
    langId = ParseLangId(source ? source() : SystemLocaleLanguage());
  } catch (...) {
    return def;
  }
  const int language = MapLangId(langId);
  return language >= 0 && LanguageAvailable(language) ? language : def;
}

bool JapaneseGlyphTest(HINSTANCE module) {
  try {
    TOwned<TBitmap> reference(Create<TBitmap>());
    reference->SetMonochrome(true);
    reference->LoadFromResourceName(module ? module : HInstance(), "JapTestChar");
    TOwned<TBitmap> drawn(Create<TBitmap>());
    DrawTestGlyph(*drawn);
    return SameMonoImage(*reference, *drawn);
  } catch (...) {
    return false;
  }
}
