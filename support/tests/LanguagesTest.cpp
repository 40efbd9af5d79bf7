#include "uLanguages.h"

#include "Graphics.h"
#include "LibraryEnvironment.h"
#include "System.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The program's start: the tables go in before the library starts, and
// InitLanguages runs as a module.
class TLanguagesEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterLanguages(TerminalLanguageSet, TerminalLocaleMap); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TLanguagesEnvironment);

// What the start-up module recorded, before any test changes it.
bool startJapanese = false;
bool startGerman = false;

class TRecordStart : public testing::Environment {
  void SetUp() override {
    startJapanese = LanguageAvailable(8);
    startGerman = LanguageAvailable(2);
  }
};
const auto* const recorder = testing::AddGlobalTestEnvironment(new TRecordStart);

// The printf-style specifiers of a text, in order.
std::wstring Specifiers(const std::wstring& text) {
  std::wstring result;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == L'%') {
      result += text.substr(i, 2);
      ++i;
    }
  }
  return result;
}

size_t CountOf(const std::wstring& text, const std::wstring& part) {
  size_t n = 0;
  for (size_t p = text.find(part); p != std::wstring::npos; p = text.find(part, p + 1))
    ++n;
  return n;
}

class LanguagesTest : public testing::Test {
 protected:
  void SetUp() override { SetLanguagePlatform(5, true); }
  void TearDown() override {
    SetLanguageSet(TerminalLanguageSet, TerminalLocaleMap);
    SetLocaleLanguageSource(nullptr);
  }
  void UseSet(const TLanguageSet& set) { SetLanguageSet(set, TerminalLocaleMap); }
};

// ---- The tables ----------------------------------------------------------------------

struct TSetShape {
  const TLanguageSet* Set;
  int Languages;
  int Texts;
  int Japanese;
};

TEST_F(LanguagesTest, EveryLanguageHoldsEveryTextNumberedInOrder) {
  for (const TSetShape& shape :
       {TSetShape{&TerminalLanguageSet, 9, 76, 8}, TSetShape{&SetupLanguageSet, 8, 128, 7}}) {
    const TLanguageSet& set = *shape.Set;
    ASSERT_EQ(shape.Languages, set.LanguageCount);
    ASSERT_EQ(shape.Texts, set.TextCount);
    for (int lang = 0; lang < set.LanguageCount; ++lang) {
      const TLanguageInfo& info = set.LanguageTable[lang];
      EXPECT_EQ(lang, info.Number);
      EXPECT_EQ(0, info.Utf8);
      EXPECT_EQ(0, info.MinPlatformMajor);
      EXPECT_EQ(lang == shape.Japanese ? 1 : 0, info.GlyphRequirement) << lang;
      for (int k = 0; k < set.TextCount; ++k) {
        const TLanguageEntry& entry = set.LanguageTexts[lang][k];
        EXPECT_EQ(k, entry.Number) << "language " << lang;
        EXPECT_TRUE(entry.Text && entry.Text[0]) << "language " << lang << " text " << k;
      }
    }
  }
}

TEST_F(LanguagesTest, FixedPartsStayInEveryLanguage) {
  const TLanguageSet& term = TerminalLanguageSet;
  for (int lang = 0; lang < term.LanguageCount; ++lang) {
    EXPECT_STREQ(L"VelmorTerminal", term.LanguageTexts[lang][0].Text);
    EXPECT_NE(nullptr, wcsstr(term.LanguageTexts[lang][64].Text, L".vtcfg")) << lang;
    EXPECT_NE(nullptr, wcsstr(term.LanguageTexts[lang][65].Text, L".vtcfg")) << lang;
  }
  const TLanguageSet& setup = SetupLanguageSet;
  for (int lang = 0; lang < setup.LanguageCount; ++lang) {
    const TLanguageEntry* texts = setup.LanguageTexts[lang];
    EXPECT_NE(nullptr, wcsstr(texts[0].Text, L"kol\u00B5ex")) << lang;
    for (int n : {9, 16, 26})
      EXPECT_EQ(Specifiers(setup.LanguageTexts[0][n].Text), Specifiers(texts[n].Text))
          << "language " << lang << " text " << n;
    EXPECT_EQ(2u, CountOf(texts[9].Text, L"\r\n")) << lang;
    EXPECT_NO_THROW(WideFormat(texts[9].Text, 5, L"SMP", L" 10", L"E05")) << lang;
    EXPECT_NO_THROW(WideFormat(texts[16].Text, 3)) << lang;
    EXPECT_EQ(std::wstring::npos, WideFormat(texts[26].Text, 17).find(L"%")) << lang;
  }
}

TEST_F(LanguagesTest, LanguageNamesAsTheProgramsShowThem) {
  const std::vector<std::wstring> terminal = {L"English (UK)",  L"English (USA)",    L"Deutsch",
                                              L"Fran\u00E7ais", L"Espa\u00F1ol",     L"Nederlands",
                                              L"Svenska",       L"Bahasa Indonesia", L"Japanese"};
  for (size_t i = 0; i < terminal.size(); ++i)
    EXPECT_EQ(terminal[i], TerminalLanguageSet.LanguageTable[i].Name);
  const std::vector<std::wstring> setup = {L"English",       L"English (USA)", L"Deutsch",
                                           L"Fran\u00E7ais", L"Nowedian",      L"Svenska",
                                           L"Italiano",      L"Japanese"};
  for (size_t i = 0; i < setup.size(); ++i)
    EXPECT_EQ(setup[i], SetupLanguageSet.LanguageTable[i].Name);
}

TEST_F(LanguagesTest, SampleTextsAsTranscribed) {
  struct TSample {
    const TLanguageSet* Set;
    int Language;
    int Text;
    const wchar_t* Expected;
  };
  const TSample samples[] = {
      {&TerminalLanguageSet, 0, 15, L"Colour"},
      {&TerminalLanguageSet, 1, 15, L"Color"},
      {&TerminalLanguageSet, 1, 20, L"Click to change color"},
      {&TerminalLanguageSet, 8, 20, L"Click to change colour"},
      {&TerminalLanguageSet, 0, 24, L"Data-Timeout (msec)"},
      {&TerminalLanguageSet, 0, 26, L"Ignore ASCII >127"},
      {&TerminalLanguageSet, 1, 70, L"The communication settings have changed!"},
      {&TerminalLanguageSet, 0, 71, L"eMail"},
      {&TerminalLanguageSet, 3, 3, L"\u00C0 propos"},
      {&SetupLanguageSet, 0, 0, L"kol\u00B5ex Setup Utility"},
      {&SetupLanguageSet, 0, 9,
       L"Error %d on command \u0022%s%s\u0022!\u000D\u000A\u0022%s\u0022\u000D\u000AContinue "
       L"anyway?"},
      {&SetupLanguageSet, 1, 16, L"COM%d is not available"},
      {&SetupLanguageSet, 0, 112, L"Moisture %RH"},
      {&SetupLanguageSet, 0, 120, L"Waiting for PowerOn HoldOff to expire"},
      {&SetupLanguageSet, 1, 127, L"SAE J1939"},
      {&SetupLanguageSet, 2, 11, L"Das angeschlossene Ger\u00E4t wird nicht unterst\u00FCtzt!"},
  };
  for (const TSample& s : samples)
    EXPECT_EQ(std::wstring(s.Expected), s.Set->LanguageTexts[s.Language][s.Text].Text)
        << s.Language << "/" << s.Text;
}

TEST_F(LanguagesTest, JapaneseSetupTextsAreJapanese) {
  for (int text : {2, 23, 122}) {
    const std::wstring t = SetupLanguageSet.LanguageTexts[7][text].Text;
    EXPECT_EQ(std::wstring::npos, t.find(L'?'));
    bool cjk = false;
    for (wchar_t c : t)
      cjk = cjk || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
    EXPECT_TRUE(cjk) << text;
  }
}

// ---- Lookup ------------------------------------------------------------------------------

TEST_F(LanguagesTest, LookupFallsBackToLanguageZero) {
  EXPECT_EQ(L"Colour", LookupLanguageText(0, 15));
  EXPECT_EQ(L"Color", LookupLanguageText(1, 15));
  EXPECT_EQ(L"Farbe", LookupLanguageText(2, 15));
  EXPECT_EQ(L"About", LookupLanguageText(9, 3));
  EXPECT_EQ(L"About", LookupLanguageText(-1, 3));
  for (int lang = -1; lang <= 9; ++lang) {
    EXPECT_EQ(L"", LookupLanguageText(lang, 76)) << lang;
    EXPECT_EQ(L"", LookupLanguageText(lang, -1)) << lang;
  }
  EXPECT_EQ(L"Japanese", GetLanguageName(8));
  EXPECT_EQ(L"", GetLanguageName(9));
  EXPECT_EQ(L"", GetLanguageName(-1));
  EXPECT_EQ(0, LanguageIsUtf8(3));
  EXPECT_EQ(0, LanguageIsUtf8(200));
}

// A language that lacks a text or holds it empty shows language 0's.
TEST_F(LanguagesTest, MissingOrEmptyTextFallsBack) {
  static constexpr TLanguageEntry zero[] = {{0, L"zero"}, {1, L"one"}, {2, L"two"}};
  static constexpr TLanguageEntry other[] = {{0, L"null"}, {1, L""}, {7, L"seven"}};
  static constexpr const TLanguageEntry* texts[] = {zero, other};
  static constexpr TLanguageInfo infos[] = {{0, L"A", 0, 0, 0}, {1, L"B", 0, 0, 0}};
  static constexpr TLanguageSet set = {infos, 2, texts, 3};
  UseSet(set);
  EXPECT_EQ(L"null", LookupLanguageText(1, 0));
  EXPECT_EQ(L"one", LookupLanguageText(1, 1));
  EXPECT_EQ(L"two", LookupLanguageText(1, 2));
  EXPECT_EQ(L"seven", LookupLanguageText(1, 7));
  EXPECT_EQ(L"", LookupLanguageText(0, 7));
}

TEST_F(LanguagesTest, AvailabilityFollowsGlyphTestAndPlatform) {
  SetLanguagePlatform(5, false);
  for (int lang = 0; lang < 8; ++lang)
    EXPECT_TRUE(LanguageAvailable(lang)) << lang;
  EXPECT_FALSE(LanguageAvailable(8));
  EXPECT_FALSE(LanguageAvailable(9));
  EXPECT_FALSE(LanguageAvailable(-1));
  SetLanguagePlatform(5, true);
  EXPECT_TRUE(LanguageAvailable(8));

  static constexpr TLanguageEntry texts0[] = {{0, L"x"}};
  static constexpr const TLanguageEntry* texts[] = {texts0, texts0};
  static constexpr TLanguageInfo infos[] = {{0, L"A", 0, 0, 0}, {1, L"Vista", 0, 0, 6}};
  static constexpr TLanguageSet set = {infos, 2, texts, 1};
  UseSet(set);
  EXPECT_FALSE(LanguageAvailable(1));
  SetLanguagePlatform(6, false);
  EXPECT_TRUE(LanguageAvailable(1));
}

// ---- The user's locale -------------------------------------------------------------------

TEST_F(LanguagesTest, SystemLanguageFromTheLocale) {
  struct TCase {
    const char* LangId;
    bool GlyphPassed;
    int Expected;
  };
  constexpr int def = 6;
  const TCase cases[] = {
      {"0409", true, 1}, {"0809", true, 0},   {"0407", true, 2},    {"0807", true, 2},
      {"040C", true, 3}, {"0c0a", true, 4},   {"0413", true, 5},    {"041D", true, 6},
      {"0421", true, 7}, {"0410", true, def}, {"0411", true, 8},    {"0411", false, def},
      {"zz", true, def}, {"", true, def},     {"04091", true, def}, {"123456789", true, def},
  };
  for (const TCase& c : cases) {
    SetLanguagePlatform(5, c.GlyphPassed);
    SetLocaleLanguageSource([&c] { return std::string(c.LangId); });
    EXPECT_EQ(c.Expected, GetSystemLanguage(def)) << c.LangId;
  }
  SetLocaleLanguageSource([]() -> std::string { throw std::runtime_error("no locale"); });
  EXPECT_EQ(def, GetSystemLanguage(def));
}

TEST_F(LanguagesTest, SystemLanguageOfTheRealLocale) {
  // The test prefix runs in en_US.
  EXPECT_EQ(1, GetSystemLanguage(4));
}

// ---- Glyph test -------------------------------------------------------------------------

TEST_F(LanguagesTest, GlyphTestRunsAndFailsSafely) {
  const bool result = JapaneseGlyphTest();
  RecordProperty("JapaneseGlyphTest", result ? "true" : "false");
  // A module without the reference image.
  EXPECT_FALSE(JapaneseGlyphTest(GetModuleHandleA("kernel32.dll")));
}

TEST_F(LanguagesTest, StartupRecordsThePlatform) {
  EXPECT_EQ(&TerminalLanguageSet, &LanguageSet());
  EXPECT_TRUE(startGerman);
  EXPECT_EQ(JapaneseGlyphTest(), startJapanese);
  SetLanguagePlatform(0, true);
  InitLanguages();
  EXPECT_TRUE(LanguageAvailable(0));
  EXPECT_EQ(JapaneseGlyphTest(), LanguageAvailable(8));
}

TEST_F(LanguagesTest, ReferenceImageIsLinkedIn) {
  TOwned<TBitmap> image(Create<TBitmap>());
  image->LoadFromResourceName(HInstance(), "JapTestChar");
  EXPECT_EQ(pf1bit, image->PixelFormat());
  EXPECT_EQ(11, image->Width());
  EXPECT_EQ(12, image->Height());
}

}  // namespace
