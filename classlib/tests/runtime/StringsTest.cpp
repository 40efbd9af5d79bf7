#include "SysUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

TEST(Trim, RemovesCodesUpTo32Only) {
  const std::string s = std::string("\x01\t \r\n", 5) + "a b" + std::string("\0 \x1f", 3);
  EXPECT_EQ(Trim(s), "a b");
  EXPECT_EQ(TrimLeft(" \tx "), "x ");
  EXPECT_EQ(TrimRight(" x \r\n"), " x");
  EXPECT_EQ(Trim("\xa0x\xa0"), "\xa0x\xa0");  // 160 is above 32 although signed char is < 0
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(L"\t\u00a0w \u3000 "), L"\u00a0w \u3000");
}

TEST(CaseMapping, IsAsciiOnly) {
  EXPECT_EQ(UpperCase("abc xyz\xe9@["), "ABC XYZ\xe9@[");
  EXPECT_EQ(LowerCase("ABC`{\xc9"), "abc`{\xc9");
  EXPECT_EQ(UpperCase(L"a\u00e9"), L"A\u00e9");
  EXPECT_TRUE(SameText("Port", "pORT"));
  EXPECT_FALSE(SameText("Port", "Ports"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_GT(CompareText("\xe9", "z"), 0);  // bytes above 127 sort after ASCII
}

TEST(IntConversion, Texts) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_C(10000000000)), "10000000000");
  EXPECT_EQ(IntToHex(0xAB, 2), "AB");
  EXPECT_EQ(IntToHex(0x1F, 4), "001F");
  EXPECT_EQ(IntToHex(0x12345, 2), "12345");
}

TEST(IntConversion, StrToIntDefAcceptsSignedDecimalAndHex) {
  EXPECT_EQ(StrToIntDef("123", -1), 123);
  EXPECT_EQ(StrToIntDef("-17", 0), -17);
  EXPECT_EQ(StrToIntDef("+17", 0), 17);
  EXPECT_EQ(StrToIntDef("$1F", 0), 31);
  EXPECT_EQ(StrToIntDef("0x1f", 0), 31);
  EXPECT_EQ(StrToIntDef("0X1F", 0), 31);
  EXPECT_EQ(StrToIntDef("2147483647", 0), 2147483647);
  EXPECT_EQ(StrToIntDef("-2147483648", 0), INT32_MIN);
  EXPECT_EQ(StrToIntDef("$FFFFFFFF", 0), -1);
}

TEST(IntConversion, StrToIntDefGivesTheDefaultForAnythingElse) {
  for (const char* bad : {"", " 1", "1 ", "12a", "-", "+", "$", "0x", "2147483648", "-2147483649",
                          "$100000000", "99999999999999999999", "-$1", "1.0", "$G"}) {
    EXPECT_EQ(StrToIntDef(bad, -7), -7) << '"' << bad << '"';
  }
  EXPECT_THROW(StrToInt("x1"), EConvertError);
  EXPECT_EQ(StrToInt("0"), 0);
}

TEST(SubStrings, PosCopyStarts) {
  EXPECT_EQ(Pos("lo", "hello"), 4u);
  EXPECT_EQ(Pos("x", "hello"), 0u);
  EXPECT_EQ(Pos("", "hello"), 0u);
  EXPECT_EQ(Copy("hello", 2, 3), "ell");
  EXPECT_EQ(Copy("hello", 4, 100), "lo");
  EXPECT_EQ(Copy("hello", 9, 1), "");
  EXPECT_TRUE(StartsStr("RP", "RPI"));
  EXPECT_FALSE(StartsStr("RPI", "RP"));
}

TEST(SubStrings, AnsiExtractQuotedStr) {
  const std::string text = "\"a \"\"b\"\" c\",rest";
  const char* p = text.data();
  EXPECT_EQ(AnsiExtractQuotedStr(p, text.data() + text.size(), '"'), "a \"b\" c");
  EXPECT_EQ(std::string(p), ",rest");

  const std::string open = "'unclosed";
  p = open.data();
  EXPECT_EQ(AnsiExtractQuotedStr(p, open.data() + open.size(), '\''), "unclosed");
  EXPECT_EQ(p, open.data() + open.size());
}

TEST(Conversion, AnsiCodePageRoundTrip) {
  ASSERT_EQ(DefaultAnsiCodePage(), 1252u);
  const std::string ansi = "5 \x80 caf\xe9";  // the euro sign and e acute in 1252
  const std::wstring wide = AnsiToWide(ansi);
  EXPECT_EQ(wide, L"5 \u20ac caf\u00e9");
  EXPECT_EQ(WideToAnsi(wide), ansi);
  EXPECT_EQ(AnsiToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(WideToAnsi(L""), "");
}

TEST(Conversion, WideComparisons) {
  EXPECT_EQ(WideCompareStr(L"a", L"a"), 0);
  EXPECT_LT(WideCompareStr(L"B", L"a"), 0);  // ordinal: upper case first
  EXPECT_EQ(WideCompareText(L"\u00c9t\u00e9", L"\u00e9T\u00c9"), 0);
  EXPECT_TRUE(WideSameText(L"Abc", L"aBC"));
  EXPECT_LT(WideCompareText(L"a", L"B"), 0);
}
