#include "WideStrings.h"

#include "Reader.h"
#include "Streams.h"
#include "StringList.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kIndexError = "List index out of bounds (%d)";
const unsigned char kUtf16LeMark[] = {0xFF, 0xFE};

std::string ReadToEnd(TStream& stream) {
  int64_t remaining = std::max<int64_t>(0, stream.Size() - stream.Position());
  std::string bytes(static_cast<size_t>(remaining), '\0');
  stream.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  return bytes;
}

bool StartsWithUtf16LeMark(const std::string& bytes) {
  return bytes.size() >= sizeof kUtf16LeMark &&
         std::memcmp(bytes.data(), kUtf16LeMark, sizeof kUtf16LeMark) == 0;
}

// The units after the mark; an odd last byte is dropped.
std::wstring Utf16LeAfterMark(const std::string& bytes) {
  std::wstring text((bytes.size() - sizeof kUtf16LeMark) / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    auto low = static_cast<unsigned char>(bytes[2 + 2 * i]);
    auto high = static_cast<unsigned char>(bytes[3 + 2 * i]);
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

// Source is a TStrings or a TWideStrings; widen turns its items into wide ones.
template <typename Source, typename Widen>
void ReplaceItems(TWideStrings& dest, const Source& source, Widen widen) {
  TWideStringsUpdate update(dest);
  dest.Clear();
  for (int i = 0, n = source.Count(); i < n; ++i)
    dest.AddObject(widen(source.Strings(i)), source.Objects(i));
}

}  // namespace

// ---- TWideStrings ----------------------------------------------------------------

VEL_CLASS_IMPL(TWideStrings, TPersistent)

int TWideStrings::Add(const std::wstring& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TWideStrings::AddObject(const std::wstring& s, TObject* obj) {
  int index = Add(s);
  PutObject(index, obj);
  return index;
}

void TWideStrings::InsertObject(int index, const std::wstring& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TWideStrings::Exchange(int index1, int index2) {
  TWideStringsUpdate update(*this);
  std::wstring s = Get(index1);
  TObject* obj = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, obj);
}

int TWideStrings::IndexOf(const std::wstring& s) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (CompareStrings(Get(i), s) == 0)
      return i;
  }
  return -1;
}

int TWideStrings::IndexOfName(const std::wstring& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::wstring item = Get(i);
    size_t eq = item.find(L'=');
    if (eq != std::wstring::npos && CompareStrings(item.substr(0, eq), name) == 0)
      return i;
  }
  return -1;
}

void TWideStrings::BeginUpdate() {
  if (updateCount_ == 0)
    SetUpdateState(true);
  ++updateCount_;
}

void TWideStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0)
    SetUpdateState(false);
}

void TWideStrings::Assign(TPersistent* source) {
  if (source == this)
    return;
  if (auto* wide = dynamic_cast<TWideStrings*>(source)) {
    ReplaceItems(*this, *wide, [](const std::wstring& s) { return s; });
  } else if (auto* ansi = dynamic_cast<TStrings*>(source)) {
    ReplaceItems(*this, *ansi, AnsiToWide);
  } else {
    TPersistent::Assign(source);
  }
}

void TWideStrings::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  filer.DefineProperty("Strings", Method<&TWideStrings::ReadStrings>(this), nullptr, Count() > 0);
}

void TWideStrings::ReadStrings(TReader& reader) {
  reader.ReadListBegin();
  {
    TWideStringsUpdate update(*this);
    Clear();
    while (!reader.EndOfList())
      Add(reader.ReadWideString());
  }
  reader.ReadListEnd();
}

std::wstring TWideStrings::Text() const {
  std::wstring result;
  for (int i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += L"\r\n";
  }
  return result;
}

void TWideStrings::SetText(const std::wstring& text) {
  TWideStringsUpdate update(*this);
  Clear();
  SplitLines(text, [this](const std::wstring& line) { Add(line); });
}

void TWideStrings::LoadFromStream(TStream& stream) {
  std::string bytes = ReadToEnd(stream);
  SetText(StartsWithUtf16LeMark(bytes) ? Utf16LeAfterMark(bytes) : AnsiToWide(bytes));
}

void TWideStrings::SaveToStream(TStream& stream) const {
  std::string bytes(reinterpret_cast<const char*>(kUtf16LeMark), sizeof kUtf16LeMark);
  bytes += Utf16LeBytes(Text());
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TWideStrings::LoadFromFile(const std::wstring& fileName) {
  TFileStream stream(WideToAnsi(fileName), fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TWideStrings::SaveToFile(const std::wstring& fileName) const {
  TFileStream stream(WideToAnsi(fileName), fmCreate);
  SaveToStream(stream);
}

void TWideStrings::Put(int index, const std::wstring& s) {
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

TObject* TWideStrings::GetObject(int) const {
  return nullptr;
}

void TWideStrings::PutObject(int, TObject*) {}

int TWideStrings::CompareStrings(const std::wstring& a, const std::wstring& b) const {
  return WideCompareText(a, b);
}

void TWideStrings::Error(const char* fmt, int index) const {
  throw EStringListError(Format(fmt, index));
}

// ---- TWideStringList -------------------------------------------------------------

VEL_CLASS_IMPL(TWideStringList, TWideStrings)

void TWideStringList::Clear() {
  if (items_.empty())
    return;
  Changing();
  items_.clear();
  Changed();
}

void TWideStringList::Delete(int index) {
  CheckIndex(index, Count());
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TWideStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

void TWideStringList::Insert(int index, const std::wstring& s) {
  CheckIndex(index, Count() + 1);
  Changing();
  items_.insert(items_.begin() + index, TItem{s, nullptr});
  Changed();
}

std::wstring TWideStringList::Get(int index) const {
  CheckIndex(index, Count());
  return items_[index].Text;
}

void TWideStringList::Put(int index, const std::wstring& s) {
  CheckIndex(index, Count());
  Changing();
  items_[index].Text = s;
  Changed();
}

TObject* TWideStringList::GetObject(int index) const {
  CheckIndex(index, Count());
  return items_[index].Object;
}

void TWideStringList::PutObject(int index, TObject* obj) {
  CheckIndex(index, Count());
  Changing();
  items_[index].Object = obj;
  Changed();
}

void TWideStringList::SetCapacity(int capacity) {
  if (capacity > 0)
    items_.reserve(static_cast<size_t>(capacity));
}

void TWideStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
  } else {
    Changed();
  }
}

void TWideStringList::Changing() {
  if (!Updating() && OnChanging)
    OnChanging(this);
}

void TWideStringList::Changed() {
  if (!Updating() && OnChange)
    OnChange(this);
}

void TWideStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    Error(kIndexError, index);
}
