// Built-in language tables and the lookup of texts by number, with English
// (language 0) as the fallback; the start language from the user's locale and
// the test that decides whether Japanese can be offered.
//
// Each program hands its own set of tables and its own locale map over with
// RegisterLanguages before the library starts; the tables are constant data.
#pragma once

#include "Win.h"

#include <cstdint>
#include <functional>
#include <string>

// One language of a program's LanguageTable; its position is its number.
struct TLanguageInfo {
  uint8_t Number;
  const wchar_t* Name;       // written in the language itself
  uint8_t Utf8;              // 0 everywhere: texts are wide and used as they are
  uint8_t GlyphRequirement;  // bit 0: the Japanese glyph test must have passed
  uint8_t MinPlatformMajor;  // offered only from this platform major version on
};

// One text of a language; entry k of every language has number k.
struct TLanguageEntry {
  uint8_t Number;
  const wchar_t* Text;
};

// A program's languages: LanguageTexts[n] holds TextCount entries of language n.
struct TLanguageSet {
  const TLanguageInfo* LanguageTable;
  int LanguageCount;
  const TLanguageEntry* const* LanguageTexts;
  int TextCount;
};

// Maps a primary language of the user's locale (and optionally one of its
// sublanguages) to a language number; the first matching entry wins.
struct TLocaleMapEntry {
  uint16_t PrimaryLanguage;
  int16_t SubLanguage;  // AnySubLanguage matches every one
  uint8_t Language;
};
constexpr int16_t AnySubLanguage = -1;

struct TLocaleMap {
  const TLocaleMapEntry* Entries;
  int Count;
};

extern const TLanguageSet TerminalLanguageSet;  // 9 languages of 76 texts
extern const TLanguageSet SetupLanguageSet;     // 8 languages of 128 texts
extern const TLocaleMap TerminalLocaleMap;

// Installs the program's tables and locale map and registers InitLanguages as
// a start-up module (before classlib::Startup()).
void RegisterLanguages(const TLanguageSet& set, const TLocaleMap& localeMap);
// Installs tables and map without the module (tests).
void SetLanguageSet(const TLanguageSet& set, const TLocaleMap& localeMap);
const TLanguageSet& LanguageSet();

// Module start: records the platform's major version and the glyph test.
void InitLanguages();

// The text in that language; language 0's when the language has none or the
// number is outside the table; empty for a text number nobody holds.
std::wstring LookupLanguageText(int language, int text);
// Empty for a number outside the table.
std::wstring GetLanguageName(int language);
uint8_t LanguageIsUtf8(int language);
// Whether the language may be offered on this platform.
bool LanguageAvailable(int language);
// The language of the user's locale through the installed map; def when the
// locale cannot be read, maps to nothing or to a language not available.
int GetSystemLanguage(int def);
// Draws U+63A5 and compares it with the program's bitmap resource
// "JapTestChar"; any failure gives false. The module holding the resource
// defaults to the program.
bool JapaneseGlyphTest(HINSTANCE module = nullptr);

// Tests: the recorded platform major version and glyph test result.
void SetLanguagePlatform(DWORD majorVersion, bool glyphTestPassed);
// Tests: where the locale's LOCALE_ILANGUAGE text (four hex digits) comes
// from; empty restores the system's.
using TLocaleLanguageSource = std::function<std::string()>;
void SetLocaleLanguageSource(TLocaleLanguageSource source);
