#include "SysUtils.h"
#include "UcSysUtils.h"
#include "UcSystem.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const wchar_t kCyrillic[] = L"\u0416\u0443\u0440\u043D\u0430\u043B \u0436";
const wchar_t kGreek[] = L"\u0391\u03B2\u03B3\u03B4";
const wchar_t kCjk[] = L"\u65E5\u672C\u8A9E";
const wchar_t kPair[] = L"\xD83D\xDE00";

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes)
    s += static_cast<char>(b);
  return s;
}

// Texts that move in and out of every kind of run: ASCII (controls, '+',
// '-', '~' and 0 included), Latin-1, Cyrillic, CJK, pairs and lone halves.
std::vector<std::wstring> GeneratedTexts() {
  const std::vector<std::wstring> pieces = {L"a",
                                            L"Z9",
                                            L"+",
                                            L"-",
                                            L"~",
                                            L"\\",
                                            L" ",
                                            L"\r\n",
                                            L"\t",
                                            L"!?",
                                            std::wstring(1, L'\0'),
                                            L"\x7F",
                                            L"\u00E9",
                                            L"\u00FF",
                                            kCyrillic,
                                            kGreek,
                                            kCjk,
                                            kPair,
                                            L"\xD800",
                                            L"\xDC00",
                                            L"\xFFFF"};
  std::mt19937 random(2152);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::vector<std::wstring> texts;
  for (int n = 0; n < 300; ++n) {
    std::wstring text;
    for (size_t k = 0, length = n % 9; k < length; ++k)
      text += pieces[pick(random)];
    texts.push_back(text);
  }
  std::wstring everyUnit;
  for (unsigned c = 0; c <= 0xFFFF; ++c)
    everyUnit += static_cast<wchar_t>(c);
  texts.push_back(everyUnit);
  return texts;
}

TEST(Utf7Test, EncodesTheDocumentedForms) {
  const std::pair<std::wstring, std::string> cases[] = {
      {L"A+B", "A+-B"},       {L"1 + 1", "1 +- 1"},        {L"\u00E9", "+AOk"},
      {L"\u00E9a", "+AOk-a"}, {L"\u00E9.", "+AOk."},       {L"a~b", "a+AH4-b"},
      {L"\u00E9-", "+AOk--"}, {L"Hi Mom -!", "Hi Mom -!"}, {L"", ""},
      {L"\\", "+AFw"},        {kPair, "+2D3eAA"}};
  for (const auto& c : cases)
    EXPECT_EQ(WideStringToUTF7(c.first), c.second) << c.second;
}

TEST(Utf7Test, DecodesAndRejects) {
  EXPECT_EQ(UTF7ToWideString("+-"), L"+");
  EXPECT_EQ(UTF7ToWideString("+AOk-"), L"\u00E9");
  EXPECT_EQ(UTF7ToWideString("+AOk"), L"\u00E9");
  EXPECT_EQ(UTF7ToWideString("+-+-"), L"++");
  EXPECT_EQ(UTF7ToWideString(""), L"");
  for (const std::string bad : {"+", "+ ", "+AOl-", "\xE9", "a+AOk-\xE9", "++"}) {
    try {
      UTF7ToWideString(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const EUcGeneralError& e) {
      EXPECT_EQ(e.Message(), "Invalid UTF7");
    }
  }
}

TEST(Utf8Test, DecodesSequencesUpToFourBytes) {
  EXPECT_EQ(UTF8ToWideString(Bytes({0xC3, 0xA9})), L"\u00E9");
  EXPECT_EQ(UTF8ToWideString(Bytes({0xE6, 0x97, 0xA5})), L"\u65E5");
  EXPECT_EQ(UTF8ToWideString(Bytes({0xF0, 0x9F, 0x98, 0x80})), kPair);
  EXPECT_EQ(UTF8ToWideString("a" + Bytes({0xF4, 0x8F, 0xBF, 0xBF}) + "b"),
            L"a\xDBFF\xDFFF"
            L"b");
  EXPECT_EQ(WideStringToUTF8(kPair).size(), 6u);
}

TEST(Utf8Test, MalformedInputGivesEmptyText) {
  const std::string bad[] = {Bytes({0xC3}),
                             Bytes({0xC3, 0x41}),
                             Bytes({0xE6, 0x97}),
                             Bytes({0xF0, 0x9F, 0x98}),
                             Bytes({0xF0, 0x9F, 0x98, 0x41}),
                             Bytes({0xF4, 0x90, 0x80, 0x80}),
                             "ok" + Bytes({0x80})};
  for (const std::string& s : bad)
    EXPECT_EQ(UTF8ToWideString(s), L"") << s.size();
}

TEST(ConversionTest, Utf7AndUtf8RoundTripEveryText) {
  for (const std::wstring& text : GeneratedTexts()) {
    EXPECT_EQ(UTF7ToWideString(WideStringToUTF7(text)), text);
    EXPECT_EQ(UTF8ToWideString(WideStringToUTF8(text)), text);
    EXPECT_EQ(StringToWideStringCP(WideStringToStringCP(text, kCodePageUTF7), kCodePageUTF7), text);
  }
}

TEST(ConversionTest, CodePagesRoundTripTheirScripts) {
  const std::pair<UINT, std::wstring> cases[] = {{1251, kCyrillic},
                                                 {1252, L"Caf\u00E9 \u00C5\u00DF\u00FF"},
                                                 {932, kCjk},
                                                 {kCodePageUTF8, std::wstring(kGreek) + kPair}};
  for (const auto& c : cases) {
    const std::string bytes = WideStringToStringCP(c.second, c.first);
    EXPECT_EQ(bytes.size() > 0, true);
    EXPECT_EQ(StringToWideStringCP(bytes, c.first), c.second) << c.first;
  }
  EXPECT_EQ(WideStringToStringCP(L"\u0416", 1251), "\xC6");
  EXPECT_EQ(StringToWideStringCP("\xC6", 1251), L"\u0416");
  // A code page the system refuses.
  EXPECT_EQ(StringToWideStringCP("abc", 12345), L"");
  EXPECT_EQ(WideStringToStringCP(L"abc", 12345), "");
}

TEST(ConversionTest, LocalesKeysAndByteOrder) {
  EXPECT_EQ(LCIDToCodePage(0x0419), 1251u);  // Russian
  EXPECT_EQ(LCIDToCodePage(0x0411), 932u);   // Japanese
  EXPECT_EQ(LCIDToCodePage(0x0409), 1252u);  // English (US)
  EXPECT_EQ(KeyCodeToWideChar(0x263A), L'\u263A');
  EXPECT_EQ(KeyCodeToWideChar('S'), L'S');

  std::wstring units(L"\x0041\x0000\x0416", 3);
  SwapWideByteOrder(units);
  EXPECT_EQ(units, std::wstring(L"\x4100\x0000\x1604", 3));
}

}  // namespace
