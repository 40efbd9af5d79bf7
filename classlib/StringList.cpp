#include "StringList.h"

#include "Reader.h"
#include "Streams.h"

#include <algorithm>

namespace {

// Where 8-bit and wide lists differ in the code they share.
int CompareNoCase(const std::string& a, const std::string& b) {
  return CompareText(a, b);
}
int CompareNoCase(const std::wstring& a, const std::wstring& b) {
  return WideCompareText(a, b);
}
void ReadItem(TReader& reader, std::string& item) {
  item = reader.ReadString();
}
void ReadItem(TReader& reader, std::wstring& item) {
  item = reader.ReadWideString();
}
std::string AnsiFileName(const std::string& name) {
  return name;
}
std::string AnsiFileName(const std::wstring& name) {
  return WideToAnsi(name);
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// An item needs quotes when reading it back unquoted would cut it short.
bool NeedsQuotes(const std::string& s, char delimiter, char quote) {
  return std::any_of(s.begin(), s.end(),
                     [&](char c) { return IsBlank(c) || c == delimiter || c == quote; });
}

std::string Quoted(const std::string& s, char quote) {
  std::string result(1, quote);
  for (char c : s) {
    result += c;
    if (c == quote)
      result += quote;
  }
  return result + quote;
}

}  // namespace

// ---- TStringsBase --------------------------------------------------------------

template <typename S>
int TStringsBase<S>::Add(const S& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

template <typename S>
int TStringsBase<S>::AddObject(const S& s, TObject* obj) {
  int index = Add(s);
  PutObject(index, obj);
  return index;
}

template <typename S>
void TStringsBase<S>::InsertObject(int index, const S& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

template <typename S>
void TStringsBase<S>::Exchange(int index1, int index2) {
  TUpdate update(*this);
  S s = Get(index1);
  TObject* obj = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, obj);
}

template <typename S>
int TStringsBase<S>::IndexOf(const S& s) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (CompareStrings(Get(i), s) == 0)
      return i;
  }
  return -1;
}

template <typename S>
int TStringsBase<S>::IndexOfName(const S& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    S item = Get(i);
    size_t eq = item.find(typename S::value_type('='));
    if (eq != S::npos && CompareStrings(item.substr(0, eq), name) == 0)
      return i;
  }
  return -1;
}

template <typename S>
void TStringsBase<S>::BeginUpdate() {
  if (updateCount_ == 0)
    SetUpdateState(true);
  ++updateCount_;
}

template <typename S>
void TStringsBase<S>::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0)
    SetUpdateState(false);
}

template <typename S>
void TStringsBase<S>::Assign(TPersistent* source) {
  if (source == this)
    return;
  if (auto* strings = dynamic_cast<TStringsBase*>(source)) {
    AssignItems(*strings, [](const S& s) { return s; });
  } else {
    TPersistent::Assign(source);
  }
}

template <typename S>
void TStringsBase<S>::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  filer.DefineProperty("Strings", Method<&TStringsBase::ReadStrings>(this), nullptr, Count() > 0);
}

template <typename S>
void TStringsBase<S>::ReadStrings(TReader& reader) {
  reader.ReadListBegin();
  TUpdate update(*this);
  Clear();
  S item;
  while (!reader.EndOfList()) {
    ReadItem(reader, item);
    Add(item);
  }
  reader.ReadListEnd();
}

template <typename S>
S TStringsBase<S>::Text() const {
  using Char = typename S::value_type;
  const Char lineBreak[] = {Char('\r'), Char('\n'), Char(0)};
  S result;
  for (int i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += lineBreak;
  }
  return result;
}

template <typename S>
void TStringsBase<S>::SetText(const S& text) {
  TUpdate update(*this);
  Clear();
  SplitLines(text, [this](const S& line) { Add(line); });
}

template <typename S>
void TStringsBase<S>::LoadFromFile(const S& fileName) {
  TFileStream stream(AnsiFileName(fileName), fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

template <typename S>
void TStringsBase<S>::SaveToFile(const S& fileName) const {
  TFileStream stream(AnsiFileName(fileName), fmCreate);
  SaveToStream(stream);
}

template <typename S>
void TStringsBase<S>::Put(int index, const S& s) {
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

template <typename S>
TObject* TStringsBase<S>::GetObject(int) const {
  return nullptr;
}

template <typename S>
void TStringsBase<S>::PutObject(int, TObject*) {}

template <typename S>
int TStringsBase<S>::CompareStrings(const S& a, const S& b) const {
  return CompareNoCase(a, b);
}

template <typename S>
void TStringsBase<S>::Error(const char* fmt, int index) const {
  throw EStringListError(Format(fmt, index));
}

template <typename S>
std::string TStringsBase<S>::ReadToEnd(TStream& stream) {
  int64_t remaining = std::max<int64_t>(0, stream.Size() - stream.Position());
  std::string bytes(static_cast<size_t>(remaining), '\0');
  stream.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  return bytes;
}

template class TStringsBase<std::string>;
template class TStringsBase<std::wstring>;

// ---- TStrings ------------------------------------------------------------------

VEL_CLASS_IMPL(TStrings, TPersistent)

int TStrings::IndexOfObject(const TObject* obj) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (GetObject(i) == obj)
      return i;
  }
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string item = Get(index);
  size_t eq = item.find('=');
  return eq == std::string::npos ? std::string() : item.substr(0, eq);
}

std::string TStrings::Values(const std::string& name) const {
  int index = IndexOfName(name);
  if (index < 0)
    return std::string();
  std::string item = Get(index);
  return item.substr(item.find('=') + 1);
}

std::string TStrings::JoinDelimited(char delimiter, char quote) const {
  int n = Count();
  // A lone empty item must survive the round trip, so it is written quoted.
  if (n == 1 && Get(0).empty())
    return std::string(2, quote);
  std::string result;
  for (int i = 0; i < n; ++i) {
    if (i > 0)
      result += delimiter;
    std::string item = Get(i);
    result += NeedsQuotes(item, delimiter, quote) ? Quoted(item, quote) : item;
  }
  return result;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quote) {
  TStringsUpdate update(*this);
  Clear();
  const char* p = text.data();
  const char* const end = p + text.size();
  // Like a C string, the text ends at a NUL outside quotes.
  auto more = [&] { return p < end && *p != '\0'; };
  auto skipBlanks = [&] {
    while (more() && IsBlank(*p))
      ++p;
  };
  skipBlanks();
  while (more()) {
    if (*p == quote) {
      Add(AnsiExtractQuotedStr(p, end, quote));
    } else {
      const char* start = p;
      while (more() && !IsBlank(*p) && *p != delimiter)
        ++p;
      Add(std::string(start, p));
    }
    skipBlanks();
    if (more() && *p == delimiter) {
      ++p;
      if (!more())
        Add(std::string());
      skipBlanks();
    }
  }
}

void TStrings::LoadFromStream(TStream& stream) {
  SetText(ReadToEnd(stream));
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

// ---- TStringList ---------------------------------------------------------------

VEL_CLASS_IMPL(TStringList, TStrings)

int TStringList::Add(const std::string& s) {
  int index = Count();
  if (sorted_)
    Find(s, index);
  TStringStore::Insert(index, s);
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  CheckUnsorted();
  TStringStore::Insert(index, s);
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_)
    return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_)
    return;
  if (sorted)
    Sort();
  sorted_ = sorted;
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(Items().begin(), Items().end(), [this](const TItem& a, const TItem& b) {
    return CompareStrings(a.Text, b.Text) < 0;
  });
  Changed();
}

void TStringList::Put(int index, const std::string& s) {
  CheckUnsorted();
  TStringStore::Put(index, s);
}

void TStringList::CheckUnsorted() const {
  if (sorted_)
    throw EStringListError("Operation not allowed on sorted list");
}

bool TStringList::Find(const std::string& s, int& index) const {
  int low = 0;
  int high = Count();
  while (low < high) {
    int mid = (low + high) / 2;
    if (CompareStrings(Items()[mid].Text, s) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  index = low;
  return low < Count() && CompareStrings(Items()[low].Text, s) == 0;
}
