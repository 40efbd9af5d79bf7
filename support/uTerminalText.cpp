#include "uTerminalText.h"

#include "SysUtils.h"
#include "uLanguages.h"

namespace {

uint8_t g_language = 0;

}  // namespace

void SetTextLanguage(uint8_t language) {
  g_language = language;
}

std::wstring LangText(int text) {
  return LookupLanguageText(g_language, text);
}

std::string LangText8(int text) {
  return WideToAnsi(LangText(text));
}
