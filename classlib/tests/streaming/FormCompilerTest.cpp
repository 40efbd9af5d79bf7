#include "FormCompiler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using ::testing::HasSubstr;

// The bytes of the one property value in "object A: T P = <value> end".
std::string ValueBytes(const std::string& value) {
  std::string binary = FormTextToBinary("object A: T\n  P = " + value + "\nend\n");
  // signature, "T", "A", "P", value, end of properties, end of children
  const size_t start = 4 + 2 + 2 + 2;
  EXPECT_EQ(binary.substr(binary.size() - 2), std::string(2, '\0'));
  return binary.substr(start, binary.size() - 2 - start);
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes)
    s += static_cast<char>(b);
  return s;
}

std::string CompileError(const std::string& text) {
  try {
    FormTextToBinary(text);
  } catch (const EParserError& e) {
    return e.Message();
  }
  return "no EParserError";
}

TEST(FormCompiler, LaysOutComponentsAndProperties) {
  std::string binary = FormTextToBinary(
      "\xEF\xBB\xBF"
      "object Main: TMain\n  Font.Size = 1\n  object TChild\n  end\nend");
  EXPECT_EQ(binary, std::string("VFM1\x05TMain\x04Main", 15) +
                        Bytes({9, 'F', 'o', 'n', 't', '.', 'S', 'i', 'z', 'e', vaInt8, 1, 0}) +
                        Bytes({6, 'T', 'C', 'h', 'i', 'l', 'd', 0, 0, 0, 0}));
}

TEST(FormCompiler, AsciiStringsAreEightBitShortOrLong) {
  EXPECT_EQ(ValueBytes("'it''s'#13#$0A"), Bytes({vaString, 6, 'i', 't', '\'', 's', 13, 10}));
  EXPECT_EQ(ValueBytes("'a' +\n  'b'"), Bytes({vaString, 2, 'a', 'b'}));
  EXPECT_EQ(ValueBytes("''"), Bytes({vaString, 0}));
  std::string quoted255 = "'" + std::string(255, 'x') + "'";
  EXPECT_EQ(ValueBytes(quoted255), Bytes({vaString, 255}) + std::string(255, 'x'));
  std::string quoted256 = "'" + std::string(256, 'x') + "'";
  EXPECT_EQ(ValueBytes(quoted256), Bytes({vaLString, 0, 1, 0, 0}) + std::string(256, 'x'));
}

TEST(FormCompiler, AnyOtherCharacterMakesAWideString) {
  EXPECT_EQ(ValueBytes(u8"'\u00E9'"), Bytes({vaWString, 1, 0, 0, 0, 0xE9, 0}));
  EXPECT_EQ(ValueBytes("'a'#233"), Bytes({vaWString, 2, 0, 0, 0, 'a', 0, 0xE9, 0}));
  // Beyond the basic plane: a surrogate pair.
  EXPECT_EQ(ValueBytes(u8"'\U0001F600'"), Bytes({vaWString, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(FormCompiler, IntegersTakeTheSmallestTag) {
  EXPECT_EQ(ValueBytes("-128"), Bytes({vaInt8, 0x80}));
  EXPECT_EQ(ValueBytes("128"), Bytes({vaInt16, 0x80, 0}));
  EXPECT_EQ(ValueBytes("-32769"), Bytes({vaInt32, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(ValueBytes("$8000000F"), Bytes({vaInt32, 0x0F, 0, 0, 0x80}));
}

TEST(FormCompiler, IdentifiersSetsListsCollectionsBinary) {
  EXPECT_EQ(ValueBytes("True"), Bytes({vaTrue}));
  EXPECT_EQ(ValueBytes("false"), Bytes({vaFalse}));
  EXPECT_EQ(ValueBytes("nil"), Bytes({vaNil}));
  EXPECT_EQ(ValueBytes("alTop"), Bytes({vaIdent, 5, 'a', 'l', 'T', 'o', 'p'}));
  EXPECT_EQ(ValueBytes("[a, bc]"), Bytes({vaSet, 1, 'a', 2, 'b', 'c', 0}));
  EXPECT_EQ(ValueBytes("[]"), Bytes({vaSet, 0}));
  EXPECT_EQ(ValueBytes("(1 'x' ())"), Bytes({vaList, vaInt8, 1, vaString, 1, 'x', vaList, 0, 0}));
  EXPECT_EQ(ValueBytes("<item W = 1 end item end>"),
            Bytes({vaCollection, vaList, 1, 'W', vaInt8, 1, 0, vaList, 0, 0}));
  EXPECT_EQ(ValueBytes("{0a FF\n 10}"), Bytes({vaBinary, 3, 0, 0, 0, 0x0A, 0xFF, 0x10}));
}

TEST(FormCompiler, BadTextIsReportedWithItsLine) {
  EXPECT_EQ(CompileError("object A: T\n  P = 'open\nend"), "Line 2: unterminated string");
  EXPECT_EQ(CompileError("object A: T\n\n  P = 4294967296\nend"), "Line 3: integer out of range");
  EXPECT_EQ(CompileError("object A: T\n  P = 12abc\nend"), "Line 2: bad integer");
  EXPECT_EQ(CompileError("object A: T\n  P 1\nend"), "Line 2: '=' expected");
  EXPECT_EQ(CompileError("object A: T\n  P = ?\nend"), "Line 2: unexpected '?'");
  EXPECT_EQ(CompileError("object A: T\n  P = {ABC}\nend"), "Line 2: odd number of hex digits");
  EXPECT_EQ(CompileError("object A: T\n  P = 'a' +\nend"), "Line 3: a string expected");
  EXPECT_EQ(CompileError("object A: T\n  P = <it end>\nend"), "Line 2: 'item' expected");
  EXPECT_EQ(CompileError("object A: T\n  P = 1\n"), "Line 3: 'end' expected");
  EXPECT_EQ(CompileError("object A: T\nend\nend"), "Line 3: text after the final 'end'");
  EXPECT_EQ(CompileError("thing A: T\nend"), "Line 1: 'object' expected");
  EXPECT_EQ(CompileError("object A: T\n  object B: T\n  end\n  P = 1\nend"),
            "Line 4: properties must come before child objects");
  EXPECT_EQ(CompileError("object A: T\n  P = 'a\xC3'\nend"), "Line 2: text is not valid UTF-8");
  EXPECT_EQ(CompileError("object A: T\n  P = 'a\xC0\xA1'\nend"), "Line 2: text is not valid UTF-8");
  EXPECT_THAT(CompileError("object A: T\n  P = #\nend"), HasSubstr("Line 2:"));
  // Comments and blank lines count.
  EXPECT_EQ(CompileError("// heading\n\nobject A: T\n  // note\n  P = @\nend"),
            "Line 5: unexpected '@'");
}

}  // namespace
