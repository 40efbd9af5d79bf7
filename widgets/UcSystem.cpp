#include "UcSystem.h"

#include "SysUtils.h"
#include "UcSysUtils.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// ---- UTF-8 -----------------------------------------------------------------------

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Decodes the sequence whose lead byte is at s[i] into out and moves i past
// it; false when the sequence is cut short or malformed.
bool DecodeUtf8Sequence(const std::string& s, size_t& i, std::wstring& out) {
  const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  const size_t length = lead < 0x80                      ? 1
                        : (lead >= 0xF0 && lead <= 0xF4) ? 4
                        : (lead & 0x20)                  ? 3
                                                         : 2;
  if (i + length > s.size())
    return false;
  for (size_t k = 1; k < length; ++k) {
    if (!IsContinuation(byte(i + k)))
      return false;
  }
  uint32_t value = 0;
  switch (length) {
    case 1:
      value = lead;
      break;
    case 2:
      value = ((lead & 0x3Fu) << 6) | (byte(i + 1) & 0x3Fu);
      break;
    case 3:
      value = ((static_cast<uint32_t>(lead) << 12) | ((byte(i + 1) & 0x3Fu) << 6) |
               (byte(i + 2) & 0x3Fu)) &
              0xFFFF;
      break;
    default:
      value = ((lead & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) |
              ((byte(i + 2) & 0x3Fu) << 6) | (byte(i + 3) & 0x3Fu);
      if (value < 0x10000 || value > 0x10FFFF)
        return false;
      value -= 0x10000;
      out += static_cast<wchar_t>(0xD800 | (value >> 10));
      value = 0xDC00 | (value & 0x3FF);
  }
  out += static_cast<wchar_t>(value);
  i += length;
  return true;
}

// ---- UTF-7 -----------------------------------------------------------------------

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kDirect[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
const char kOptionalDirect[] = "!\"#$%&*;<=>@[]^_`{|}";
const char kSpaces[] = "\t\r\n ";

struct TUtf7Tables {
  std::array<bool, 128> MustShift{};
  std::array<int, 128> Inverse{};
};

// Built on the first UTF-7 conversion.
const TUtf7Tables& Utf7Tables() {
  static const TUtf7Tables tables = [] {
    TUtf7Tables t;
    for (int c = 0; c < 128; ++c) {
      const char ch = static_cast<char>(c);
      const bool direct = c != 0 && (std::strchr(kDirect, ch) || std::strchr(kOptionalDirect, ch) ||
                                     std::strchr(kSpaces, ch));
      t.MustShift[c] = !direct;
      t.Inverse[c] = -1;
    }
    for (int v = 0; v < 64; ++v)
      t.Inverse[static_cast<unsigned char>(kBase64[v])] = v;
    return t;
  }();
  return tables;
}

int Base64Value(unsigned c) {
  return c < 128 ? Utf7Tables().Inverse[c] : -1;
}

// Bits appended below those held; reads take the oldest (most significant).
class TBitBuffer {
 public:
  void Write(uint32_t value, int bits) {
    buffer_ = (buffer_ << bits) | (value & ((1u << bits) - 1));
    count_ += bits;
  }
  uint32_t Read(int bits) {
    count_ -= bits;
    const uint32_t value = (buffer_ >> count_) & ((1u << bits) - 1);
    buffer_ &= (1u << count_) - 1;
    return value;
  }
  int Count() const { return count_; }

 private:
  uint32_t buffer_ = 0;
  int count_ = 0;
};

class TUtf7Encoder {
 public:
  std::string Encode(const std::wstring& w) {
    for (wchar_t c : w)
      Unit(static_cast<unsigned>(c));
    End();
    return out_;
  }

 private:
  static bool NeedsShift(unsigned c) { return c > 127 || Utf7Tables().MustShift[c]; }

  void Unit(unsigned c) {
    const bool shift = NeedsShift(c);
    if (shift && !shifted_) {
      out_ += '+';
      if (c == '+') {
        out_ += '-';
        return;
      }
      shifted_ = true;
    }
    if (shifted_) {
      if (shift) {
        bits_.Write(c, 16);
        Flush();
        return;
      }
      CloseRun();
      if (Base64Value(c) >= 0 || c == '-')
        out_ += '-';
    }
    out_ += static_cast<char>(c);
  }
  void End() {
    if (shifted_)
      CloseRun();
  }
  void CloseRun() {
    bits_.Write(0, (6 - bits_.Count() % 6) % 6);
    Flush();
    shifted_ = false;
  }
  void Flush() {
    while (bits_.Count() >= 6)
      out_ += kBase64[bits_.Read(6)];
  }

  std::string out_;
  TBitBuffer bits_;
  bool shifted_ = false;
};

class TUtf7Decoder {
 public:
  explicit TUtf7Decoder(const std::string& s) : s_(s) {}

  // Reads all of the input; false when any of it was malformed.
  bool Decode(std::wstring& out) {
    out_.reserve(s_.size());
    while (true) {
      if (shifted_) {
        if (RunByte())
          continue;
        EndRun();
      }
      if (AtEnd())
        break;
      Plain(Current());
      ++i_;
    }
    out = std::move(out_);
    return ok_;
  }

 private:
  bool AtEnd() const { return i_ >= s_.size(); }
  unsigned Current() const { return static_cast<unsigned char>(s_[i_]); }

  // Takes the current byte into the run; false when it ends the run.
  bool RunByte() {
    const int value = AtEnd() ? -1 : Base64Value(Current());
    if (value < 0)
      return false;
    bits_.Write(static_cast<uint32_t>(value), 6);
    first_ = false;
    while (bits_.Count() >= 16) {
      out_ += static_cast<wchar_t>(bits_.Read(16));
      wroteOne_ = true;
    }
    ++i_;
    return true;
  }
  void EndRun() {
    shifted_ = false;
    const bool marked = !AtEnd() && (Current() == '+' || Current() == '-');
    if (marked && Current() == '-' && first_) {
      out_ += L'+';
    } else if (!wroteOne_) {
      ok_ = false;
    }
    if (marked)
      ++i_;
    if (bits_.Count() > 0 && bits_.Read(bits_.Count()) != 0)
      ok_ = false;
  }
  void Plain(unsigned c) {
    if (c == '+') {
      shifted_ = true;
      first_ = true;
      wroteOne_ = false;
      return;
    }
    out_ += static_cast<wchar_t>(c);
    if (c > 127)
      ok_ = false;
  }

  const std::string& s_;
  size_t i_ = 0;
  std::wstring out_;
  TBitBuffer bits_;
  bool shifted_ = false;
  bool first_ = false;
  bool wroteOne_ = false;
  bool ok_ = true;
};

}  // namespace

std::string WideStringToUTF8(const std::wstring& w) {
  std::string out;
  out.reserve(w.size());
  for (wchar_t wc : w) {
    const auto c = static_cast<uint32_t>(static_cast<uint16_t>(wc));
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring UTF8ToWideString(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (!DecodeUtf8Sequence(s, i, out))
      return std::wstring();
  }
  return out;
}

std::string WideStringToUTF7(const std::wstring& w) {
  return TUtf7Encoder().Encode(w);
}

std::wstring UTF7ToWideString(const std::string& s) {
  std::wstring out;
  if (!TUtf7Decoder(s).Decode(out))
    throw EUcGeneralError("Invalid UTF7");
  return out;
}

std::wstring StringToWideStringCP(const std::string& s, UINT codePage) {
  if (codePage == kCodePageUTF7)
    return UTF7ToWideString(s);
  if (codePage == kCodePageUTF8)
    return UTF8ToWideString(s);
  const int length = static_cast<int>(s.size());
  const int n = MultiByteToWideChar(codePage, 0, s.data(), length, nullptr, 0);
  if (n <= 0)
    return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  out.resize(static_cast<size_t>(MultiByteToWideChar(codePage, 0, s.data(), length, &out[0], n)));
  return out;
}

std::string WideStringToStringCP(const std::wstring& w, UINT codePage) {
  if (codePage == kCodePageUTF7)
    return WideStringToUTF7(w);
  if (codePage == kCodePageUTF8)
    return WideStringToUTF8(w);
  const int length = static_cast<int>(w.size());
  const int n = WideCharToMultiByte(codePage, 0, w.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0)
    return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  out.resize(static_cast<size_t>(
      WideCharToMultiByte(codePage, 0, w.data(), length, &out[0], n, nullptr, nullptr)));
  return out;
}

UINT LCIDToCodePage(LCID locale) {
  char buffer[6] = {};
  if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, sizeof buffer) == 0)
    return GetACP();
  return static_cast<UINT>(StrToIntDef(buffer, static_cast<int>(GetACP())));
}

UINT KeyboardCodePage() {
  const auto layout = reinterpret_cast<uintptr_t>(GetKeyboardLayout(0));
  return LCIDToCodePage(static_cast<LCID>(layout & 0xFFFF));
}

wchar_t KeyCodeToWideChar(WORD code) {
  if (code > 0xFF)
    return static_cast<wchar_t>(code);
  const char byte = static_cast<char>(code);
  wchar_t result = 0;
  if (MultiByteToWideChar(KeyboardCodePage(), MB_USEGLYPHCHARS, &byte, 1, &result, 1) != 1)
    return static_cast<wchar_t>(code);
  return result;
}

void SwapWideByteOrder(std::wstring& buffer) {
  for (wchar_t& c : buffer) {
    const auto unit = static_cast<uint16_t>(c);
    c = static_cast<wchar_t>(static_cast<uint16_t>((unit << 8) | (unit >> 8)));
  }
}
