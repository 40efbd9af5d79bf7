// The setup utility's side of the language tables: its map from the user's
// locale to its languages, and its text-by-number function.
#pragma once

#include "uLanguages.h"

#include <cstdint>
#include <string>

// Primary languages only; English (USA), language 1, is never the result.
extern const TLocaleMap SetupLocaleMap;

// The language GetLangText looks texts up in: 0 until the main form sets
// the one of its settings.
uint8_t CurrentLanguage();
void SetCurrentLanguage(uint8_t language);

// The text of that number in the current language (English when the
// language has none).
std::wstring GetLangText(int number);
