#include "uLanguagesSetup.h"

#include "LibraryEnvironment.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

constexpr int kDefault = 42;

class SystemLanguageTest : public testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSet(SetupLanguageSet, SetupLocaleMap);
    SetLanguagePlatform(10, true);
  }
  void TearDown() override {
    SetLocaleLanguageSource(nullptr);
    SetCurrentLanguage(0);
  }

  static int LanguageOf(const std::string& langId) {
    SetLocaleLanguageSource([langId] { return langId; });
    return GetSystemLanguage(kDefault);
  }
};

TEST_F(SystemLanguageTest, PrimaryLanguageDecides) {
  const struct {
    const char* LangId;
    int Language;
  } cases[] = {
      {"0407", 2},         // de-DE
      {"0807", 2},         // de-CH
      {"0409", 0},         // en-US: never English (USA)
      {"0809", 0},         // en-GB
      {"0C09", 0},         // en-AU
      {"040C", 3},         // fr-FR
      {"100C", 3},         // fr-CH
      {"0410", 6},         // it-IT
      {"0414", 4},         // nb-NO
      {"0814", 4},         // nn-NO
      {"041D", 5},         // sv-SE
      {"0411", 7},         // ja-JP
      {"0C0A", kDefault},  // es-ES
      {"0413", kDefault},  // nl-NL
      {"0000", kDefault},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.Language, LanguageOf(c.LangId)) << c.LangId;
}

TEST_F(SystemLanguageTest, JapaneseOnlyWhenItsGlyphsShow) {
  SetLanguagePlatform(10, false);
  EXPECT_FALSE(LanguageAvailable(7));
  EXPECT_EQ(kDefault, LanguageOf("0411"));
  SetLanguagePlatform(10, true);
  EXPECT_EQ(7, LanguageOf("0411"));
}

TEST_F(SystemLanguageTest, UnreadableLocaleGivesTheDefault) {
  SetLocaleLanguageSource([]() -> std::string { throw std::runtime_error("no locale"); });
  EXPECT_EQ(kDefault, GetSystemLanguage(kDefault));
  EXPECT_EQ(kDefault, LanguageOf("xyz"));
}

TEST_F(SystemLanguageTest, ThePinnedLocaleIsEnglish) {
  SetLocaleLanguageSource(nullptr);
  EXPECT_EQ(0, GetSystemLanguage(kDefault));
}

TEST_F(SystemLanguageTest, TextsComeInTheCurrentLanguage) {
  EXPECT_EQ(L"Console", GetLangText(23));
  SetCurrentLanguage(2);
  EXPECT_EQ(2, CurrentLanguage());
  EXPECT_EQ(LookupLanguageText(2, 23), GetLangText(23));
  EXPECT_NE(L"Console", GetLangText(23));
  SetCurrentLanguage(200);
  EXPECT_EQ(L"Console", GetLangText(23)) << "an unknown language falls back to English";
  EXPECT_EQ(L"", GetLangText(999));
}

}  // namespace
