#include "SysUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

TEST(Format, PrecisionPadsDigitsWithZeros) {
  EXPECT_EQ(Format("comm_%0.3d.log", 7), "comm_007.log");
  EXPECT_EQ(Format("%0.3d", 1234), "1234");
  EXPECT_EQ(Format("%.3d", -5), "-005");
  EXPECT_EQ(Format("%.8X", 0xBEEFu), "0000BEEF");
}

TEST(Format, WidthAndAlignment) {
  EXPECT_EQ(Format("[%5d]", 42), "[   42]");
  EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(Format("[%6s|%-4s]", "ab", "cd"), "[    ab|cd  ]");
  EXPECT_EQ(Format("[%.2s]", "abcdef"), "[ab]");
  EXPECT_EQ(Format("[%3c]", 'z'), "[  z]");
}

TEST(Format, ConversionsKeepTheTextAround) {
  EXPECT_EQ(Format("%x %X", 255, 255), "ff FF");
  EXPECT_EQ(Format("%x", -1), "ffffffff");
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%d", 4000000000u), "4000000000");
  EXPECT_EQ(Format("%d", INT32_MIN), "-2147483648");
  EXPECT_EQ(Format("100%% %c", 'A'), "100% A");
  EXPECT_EQ(Format("drive %s:", 'C'), "drive C:");
  EXPECT_EQ(Format("%s", std::wstring(L"w")), "w");
  EXPECT_EQ(Format("%s - %s ", "a", "b"), "a - b ");
  EXPECT_EQ(Format("Write data error [requested: %d, free: %d]", 10, 3),
            "Write data error [requested: 10, free: 3]");
  EXPECT_EQ(Format("%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6), "123456");
}

TEST(Format, SurplusArgumentsAreIgnored) {
  EXPECT_EQ(Format("Can't create log file", "C:\\log.txt"), "Can't create log file");
  EXPECT_EQ(Format("COM%d", 3, 4, "x"), "COM3");
}

TEST(Format, BadTextsRaiseEConvertError) {
  EXPECT_THROW(Format("%d %s %s", 1, "a"), EConvertError);  // too few
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 12), EConvertError);
  EXPECT_THROW(Format("%c", 65), EConvertError);
  EXPECT_THROW(Format("%d", 'c'), EConvertError);
  EXPECT_THROW(Format("100%", 1), EConvertError);  // a lone % at the end
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("%RH"), EConvertError);
}

TEST(Format, WidthsAndPrecisionsAreBounded) {
  // 2^32 would wrap to no padding in 32 bits; 10^9 would exhaust memory.
  for (const char* fmt : {"%4294967296d", "%1000000000d", "%.1000000000d", "%1025d"})
    EXPECT_THROW(Format(fmt, 1), EConvertError) << fmt;
  EXPECT_THROW(Format("%-99999999999999999999s", "x"), EConvertError);
  EXPECT_THROW(WideFormat(L"%4294967296d", 1), EConvertError);
  EXPECT_EQ(Format("%1024d", 7).size(), 1024u);
  EXPECT_EQ(Format("%.1024d", 7).size(), 1024u);
}

TEST(Format, WideFormat) {
  EXPECT_EQ(WideFormat(L"Error %d", 26), L"Error 26");
  EXPECT_EQ(WideFormat(L"%s (%s)", L"\u041f\u043e\u0440\u0442", "COM1"),
            L"\u041f\u043e\u0440\u0442 (COM1)");
  EXPECT_EQ(WideFormat(L"%c%0.3d", L'\u20ac', 5), L"\u20ac005");
  EXPECT_THROW(WideFormat(L"Error %d"), EConvertError);
}

TEST(Exceptions, CreateFmtKeepsTheClass) {
  try {
    throw EConvertError::CreateFmt("bad %d", 7);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "bad 7");
    EXPECT_STREQ(e.ClassName(), "EConvertError");
  }
}

TEST(Exceptions, CapturedExceptionHelpers) {
  auto capture = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return std::current_exception();
    }
    return std::exception_ptr();
  };
  const auto abort = capture([] { Abort(); });
  const auto list = capture([] { throw EStringListError("List index out of bounds (3)"); });
  const auto std = capture([] { throw std::runtime_error("plain"); });

  EXPECT_TRUE(IsEAbort(abort));
  EXPECT_FALSE(IsEAbort(list));
  EXPECT_FALSE(IsEAbort(std::exception_ptr()));
  EXPECT_EQ(ExceptionClassName(list), "EStringListError");
  EXPECT_EQ(ExceptionMessage(list), "List index out of bounds (3)");
  EXPECT_EQ(ExceptionClassName(std), "std::runtime_error");
  EXPECT_EQ(ExceptionMessage(std), "plain");
  EXPECT_THROW(Rethrow(list), EListError);
}

TEST(Exceptions, AssertRaisesWithTheUnitName) {
  EXPECT_NO_THROW(Assert(true, "widgets/UcControls"));
  try {
    Assert(false, "widgets/UcControls");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(e.Message().find("Assertion failure"), std::string::npos);
    EXPECT_NE(e.Message().find("widgets/UcControls"), std::string::npos);
  }
}

TEST(Exceptions, OSErrorCarriesCodeAndText) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    RaiseLastOSError();
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(e.Message().find(SysErrorMessage(ERROR_FILE_NOT_FOUND)), std::string::npos);
  }
  EXPECT_FALSE(SysErrorMessage(ERROR_ACCESS_DENIED).empty());
}
