// The terminal program's texts by number, in the language its main window
// chose. Every caption and message of the program's forms comes from here,
// so that the dialogs depend on the language tables and not on the main form.
#pragma once

#include <cstdint>
#include <string>

// The language LangText reads (0..8); the main window sets it.
void SetTextLanguage(uint8_t language);

// The text of a number in the current language, English where it has none.
std::wstring LangText(int text);
// The same in 8 bits, for the places that take no wide text.
std::string LangText8(int text);
