#include "FormCompiler.h"

#include <cstdint>
#include <string>

const char kFormSignature[4] = {'V', 'F', 'M', '1'};

namespace {

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20))
      return false;
  }
  return i == a.size() && !b[i];
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c))
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

void AppendUtf16(std::u16string& out, uint32_t code) {
  if (code >= 0x10000) {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
}

// Deeper nesting than this is no form's: it ends as an error, not as a stack
// overflow.
constexpr int kMaxNesting = 256;

class TFormCompiler {
 public:
  explicit TFormCompiler(const std::string& text) : text_(text) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
      pos_ = 3;
  }

  std::string Compile() {
    out_.append(kFormSignature, 4);
    SkipBlanks();
    ExpectWord("object");
    Object();
    SkipBlanks();
    if (pos_ < text_.size())
      Fail("text after the final 'end'");
    return out_;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EParserError("Line " + std::to_string(line_) + ": " + what);
  }

  // Counts the depth of objects, lists and collections for a scope.
  class TNesting {
   public:
    explicit TNesting(TFormCompiler& compiler) : compiler_(compiler) {
      if (compiler_.nesting_ >= kMaxNesting)
        compiler_.Fail("nested deeper than " + std::to_string(kMaxNesting) + " levels");
      ++compiler_.nesting_;
    }
    ~TNesting() { --compiler_.nesting_; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    TFormCompiler& compiler_;
  };

  // ---- Scanning ----

  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool AtEnd() const { return pos_ >= text_.size(); }

  void SkipBlanks() {
    while (!AtEnd()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (!AtEnd() && text_[pos_] != '\n')
          ++pos_;
        continue;
      } else if (static_cast<unsigned char>(c) > ' ') {
        return;
      }
      ++pos_;
    }
  }

  // A name, dots included when dotted is set.
  std::string Name(bool dotted) {
    SkipBlanks();
    if (!IsIdentStart(Peek()))
      Fail("a name expected");
    size_t start = pos_;
    while (!AtEnd() && (IsIdentStart(Peek()) || IsDigit(Peek()) || (dotted && Peek() == '.')))
      ++pos_;
    std::string name = text_.substr(start, pos_ - start);
    if (name.back() == '.' || name.find("..") != std::string::npos)
      Fail("bad name '" + name + "'");
    return name;
  }

  bool NextIsWord(const char* word) {
    SkipBlanks();
    size_t save = pos_;
    if (!IsIdentStart(Peek()))
      return false;
    bool same = SameWord(Name(false), word);
    pos_ = save;
    return same;
  }

  void ExpectWord(const char* word) {
    if (!NextIsWord(word))
      Fail(std::string("'") + word + "' expected");
    Name(false);
  }

  void ExpectChar(char c) {
    SkipBlanks();
    if (Peek() != c)
      Fail(std::string("'") + c + "' expected");
    ++pos_;
  }

  // ---- Output ----

  void Byte(uint8_t b) { out_ += static_cast<char>(b); }

  void Int32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
      Byte(static_cast<uint8_t>(v >> (8 * i)));
  }

  void ShortString(const std::string& s) {
    if (s.size() > 255)
      Fail("name longer than 255 characters");
    Byte(static_cast<uint8_t>(s.size()));
    out_ += s;
  }

  // ---- Structure ----

  // After "object": [Name ":"] Class, properties, children, "end".
  void Object() {
    const TNesting nesting(*this);
    std::string first = Name(false);
    SkipBlanks();
    std::string name;
    std::string className = first;
    if (Peek() == ':') {
      ++pos_;
      name = first;
      className = Name(false);
    }
    ShortString(className);
    ShortString(name);
    while (!NextIsWord("object") && !NextIsWord("end"))
      Property();
    Byte(vaNull);
    while (NextIsWord("object")) {
      Name(false);
      Object();
    }
    SkipBlanks();
    if (!NextIsWord("end"))
      Fail(AtEnd() ? "'end' expected" : "properties must come before child objects");
    Name(false);
    Byte(vaNull);
  }

  void Property() {
    if (AtEnd())
      Fail("'end' expected");
    ShortString(Name(true));
    ExpectChar('=');
    Value();
  }

  void Value() {
    SkipBlanks();
    char c = Peek();
    if (c == '\'' || c == '#') {
      StringValue();
    } else if (c == '-' || c == '$' || IsDigit(c)) {
      IntegerValue();
    } else if (IsIdentStart(c)) {
      IdentValue();
    } else if (c == '[') {
      SetValue();
    } else if (c == '(') {
      ListValue();
    } else if (c == '<') {
      CollectionValue();
    } else if (c == '{') {
      BinaryValue();
    } else {
      Fail(AtEnd() ? "a value expected" : std::string("unexpected '") + c + "'");
    }
  }

  void IdentValue() {
    std::string ident = Name(false);
    if (SameWord(ident, "True")) {
      Byte(vaTrue);
    } else if (SameWord(ident, "False")) {
      Byte(vaFalse);
    } else if (SameWord(ident, "nil")) {
      Byte(vaNil);
    } else {
      Byte(vaIdent);
      ShortString(ident);
    }
  }

  void IntegerValue() {
    bool negative = Peek() == '-';
    if (negative)
      ++pos_;
    int base = 10;
    if (Peek() == '$') {
      base = 16;
      ++pos_;
    }
    int64_t value = 0;
    size_t start = pos_;
    for (int digit; !AtEnd() && (digit = HexValue(Peek())) >= 0 && digit < base; ++pos_) {
      value = value * base + digit;
      if (value > 0xFFFFFFFFLL)
        Fail("integer out of range");
    }
    if (pos_ == start || IsIdentStart(Peek()))
      Fail("bad integer");
    if (negative)
      value = -value;
    if (value < -0x80000000LL)
      Fail("integer out of range");
    if (value >= -128 && value <= 127) {
      Byte(vaInt8);
      Byte(static_cast<uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
      Byte(vaInt16);
      Byte(static_cast<uint8_t>(value));
      Byte(static_cast<uint8_t>(value >> 8));
    } else {
      Byte(vaInt32);
      Int32(static_cast<uint32_t>(value));
    }
  }

  // Quoted parts and #escapes written together, joined by '+'.
  void StringValue() {
    std::u16string s;
    for (;;) {
      SkipBlanks();
      if (Peek() != '\'' && Peek() != '#')
        Fail("a string expected");
      while (Peek() == '\'' || Peek() == '#') {
        if (Peek() == '\'') {
          QuotedPart(s);
        } else {
          EscapedChar(s);
        }
      }
      SkipBlanks();
      if (Peek() != '+')
        break;
      ++pos_;
    }
    EmitString(s);
  }

  void QuotedPart(std::u16string& s) {
    ++pos_;
    for (;;) {
      if (AtEnd() || Peek() == '\n' || Peek() == '\r')
        Fail("unterminated string");
      if (Peek() == '\'') {
        ++pos_;
        if (Peek() != '\'')
          return;
      }
      AppendUtf16(s, Utf8Char());
    }
  }

  // One UTF-8 encoded character at pos_.
  uint32_t Utf8Char() {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text_[pos_ + i]); };
    unsigned char lead = byte(0);
    int extra = lead < 0x80             ? 0
                : (lead & 0xE0) == 0xC0 ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0 || pos_ + extra >= text_.size())
      Fail("text is not valid UTF-8");
    uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
      if ((byte(i) & 0xC0) != 0x80)
        Fail("text is not valid UTF-8");
      code = (code << 6) | (byte(i) & 0x3F);
    }
    static const uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      Fail("text is not valid UTF-8");
    pos_ += extra + 1;
    return code;
  }

  void EscapedChar(std::u16string& s) {
    ++pos_;
    int base = 10;
    if (Peek() == '$') {
      base = 16;
      ++pos_;
    }
    uint32_t code = 0;
    size_t start = pos_;
    for (int digit; !AtEnd() && (digit = HexValue(Peek())) >= 0 && digit < base; ++pos_) {
      code = code * base + digit;
      if (code > 0x10FFFF)
        Fail("character code out of range");
    }
    if (pos_ == start)
      Fail("character code expected after '#'");
    AppendUtf16(s, code);
  }

  void EmitString(const std::u16string& s) {
    bool ascii = true;
    for (char16_t c : s)
      ascii = ascii && c < 0x80;
    if (!ascii) {
      Byte(vaWString);
      Int32(static_cast<uint32_t>(s.size()));
      for (char16_t c : s) {
        Byte(static_cast<uint8_t>(c));
        Byte(static_cast<uint8_t>(c >> 8));
      }
      return;
    }
    if (s.size() <= 255) {
      Byte(vaString);
      Byte(static_cast<uint8_t>(s.size()));
    } else {
      Byte(vaLString);
      Int32(static_cast<uint32_t>(s.size()));
    }
    for (char16_t c : s)
      Byte(static_cast<uint8_t>(c));
  }

  void SetValue() {
    ++pos_;
    Byte(vaSet);
    SkipBlanks();
    if (Peek() != ']') {
      for (;;) {
        ShortString(Name(false));
        SkipBlanks();
        if (Peek() != ',')
          break;
        ++pos_;
      }
    }
    ExpectChar(']');
    Byte(vaNull);
  }

  void ListValue() {
    const TNesting nesting(*this);
    ++pos_;
    Byte(vaList);
    for (SkipBlanks(); Peek() != ')'; SkipBlanks()) {
      if (AtEnd())
        Fail("')' expected");
      Value();
    }
    ++pos_;
    Byte(vaNull);
  }

  void CollectionValue() {
    const TNesting nesting(*this);
    ++pos_;
    Byte(vaCollection);
    for (SkipBlanks(); Peek() != '>'; SkipBlanks()) {
      ExpectWord("item");
      Byte(vaList);
      while (!NextIsWord("end"))
        Property();
      Name(false);
      Byte(vaNull);
    }
    ++pos_;
    Byte(vaNull);
  }

  void BinaryValue() {
    ++pos_;
    std::string bytes;
    int high = -1;
    for (SkipBlanks(); Peek() != '}'; SkipBlanks()) {
      int digit = HexValue(Peek());
      if (digit < 0)
        Fail(AtEnd() ? "'}' expected" : "hex digit expected");
      ++pos_;
      if (high < 0) {
        high = digit;
      } else {
        bytes += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0)
      Fail("odd number of hex digits");
    ++pos_;
    Byte(vaBinary);
    Int32(static_cast<uint32_t>(bytes.size()));
    out_ += bytes;
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
  int nesting_ = 0;
  std::string out_;
};

}  // namespace

std::string FormTextToBinary(const std::string& text) {
  return TFormCompiler(text).Compile();
}
