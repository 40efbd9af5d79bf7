#include "WideStrings.h"

#include "Streams.h"

#include <cstring>

namespace {

const unsigned char kUtf16LeMark[] = {0xFF, 0xFE};

bool StartsWithUtf16LeMark(const std::string& bytes) {
  return bytes.size() >= sizeof kUtf16LeMark &&
         std::memcmp(bytes.data(), kUtf16LeMark, sizeof kUtf16LeMark) == 0;
}

}  // namespace

std::wstring Utf16LeUnits(const std::string& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<unsigned char>(bytes[2 * i]);
    const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<wchar_t>(low | high << 8);
  }
  return text;
}

std::string Utf16LeBytes(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

// ---- TWideStrings ----------------------------------------------------------------

VEL_CLASS_IMPL(TWideStrings, TPersistent)

void TWideStrings::Assign(TPersistent* source) {
  if (auto* ansi = dynamic_cast<TStrings*>(source)) {
    AssignItems(*ansi, AnsiToWide);
  } else {
    TStringsBase::Assign(source);
  }
}

void TWideStrings::LoadFromStream(TStream& stream) {
  std::string bytes = ReadToEnd(stream);
  SetText(StartsWithUtf16LeMark(bytes) ? Utf16LeUnits(bytes.substr(sizeof kUtf16LeMark))
                                       : AnsiToWide(bytes));
}

void TWideStrings::SaveToStream(TStream& stream) const {
  std::string bytes(reinterpret_cast<const char*>(kUtf16LeMark), sizeof kUtf16LeMark);
  bytes += Utf16LeBytes(Text());
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// ---- TWideStringList -------------------------------------------------------------

VEL_CLASS_IMPL(TWideStringList, TWideStrings)
