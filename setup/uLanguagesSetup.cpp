#include "uLanguagesSetup.h"

namespace {

constexpr TLocaleMapEntry kLocaleMap[] = {
    {LANG_GERMAN, AnySubLanguage, 2},   {LANG_ENGLISH, AnySubLanguage, 0},
    {LANG_FRENCH, AnySubLanguage, 3},   {LANG_ITALIAN, AnySubLanguage, 6},
    {LANG_JAPANESE, AnySubLanguage, 7}, {LANG_NORWEGIAN, AnySubLanguage, 4},
    {LANG_SWEDISH, AnySubLanguage, 5},
};

uint8_t currentLanguage = 0;

}  // namespace

const TLocaleMap SetupLocaleMap = {kLocaleMap, sizeof(kLocaleMap) / sizeof(kLocaleMap[0])};

uint8_t CurrentLanguage() {
  return currentLanguage;
}

void SetCurrentLanguage(uint8_t language) {
  currentLanguage = language;
}

std::wstring GetLangText(int number) {
  return LookupLanguageText(currentLanguage, number);
}
