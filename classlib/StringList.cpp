#include "StringList.h"

#include "Reader.h"
#include "Streams.h"

#include <algorithm>

namespace {

const char* const kIndexError = "List index out of bounds (%d)";

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

// ---- TStrings ------------------------------------------------------------------

VEL_CLASS_IMPL(TStrings, TPersistent)

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* obj) {
  int index = Add(s);
  PutObject(index, obj);
  return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::Exchange(int index1, int index2) {
  TStringsUpdate update(*this);
  std::string s = Get(index1);
  TObject* obj = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, obj);
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (CompareStrings(Get(i), s) == 0)
      return i;
  }
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string item = Get(i);
    size_t eq = item.find('=');
    if (eq != std::string::npos && CompareStrings(item.substr(0, eq), name) == 0)
      return i;
  }
  return -1;
}

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

void TStrings::BeginUpdate() {
  if (updateCount_ == 0)
    SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0)
    SetUpdateState(false);
}

void TStrings::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  filer.DefineProperty("Strings", Method<&TStrings::ReadData>(this), nullptr, Count() > 0);
}

void TStrings::ReadData(TReader& reader) {
  reader.ReadListBegin();
  TStringsUpdate update(*this);
  Clear();
  while (!reader.EndOfList())
    Add(reader.ReadString());
  reader.ReadListEnd();
}

void TStrings::Assign(TPersistent* source) {
  if (source == this)
    return;
  auto* strings = dynamic_cast<TStrings*>(source);
  if (!strings) {
    TPersistent::Assign(source);
    return;
  }
  TStringsUpdate update(*this);
  Clear();
  for (int i = 0, n = strings->Count(); i < n; ++i) {
    AddObject(strings->Get(i), strings->GetObject(i));
  }
}

std::string TStrings::Text() const {
  std::string result;
  for (int i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(const std::string& text) {
  TStringsUpdate update(*this);
  Clear();
  SplitLines(text, [this](const std::string& line) { Add(line); });
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
  int64_t remaining = std::max<int64_t>(0, stream.Size() - stream.Position());
  std::string text(static_cast<size_t>(remaining), '\0');
  stream.ReadBuffer(&text[0], static_cast<int32_t>(text.size()));
  SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::Put(int index, const std::string& s) {
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

TObject* TStrings::GetObject(int) const {
  return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
  return CompareText(a, b);
}

void TStrings::Error(const char* fmt, int index) const {
  throw EStringListError(Format(fmt, index));
}

// ---- TStringList ---------------------------------------------------------------

VEL_CLASS_IMPL(TStringList, TStrings)

int TStringList::Add(const std::string& s) {
  int index = Count();
  if (sorted_)
    Find(s, index);
  InsertItem(index, s);
  return index;
}

void TStringList::Clear() {
  if (items_.empty())
    return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Insert(int index, const std::string& s) {
  CheckUnsorted();
  InsertItem(index, s);
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
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
  std::stable_sort(items_.begin(), items_.end(), [this](const TItem& a, const TItem& b) {
    return CompareStrings(a.Text, b.Text) < 0;
  });
  Changed();
}

std::string TStringList::Get(int index) const {
  CheckIndex(index, Count());
  return items_[index].Text;
}

void TStringList::Put(int index, const std::string& s) {
  CheckUnsorted();
  CheckIndex(index, Count());
  Changing();
  items_[index].Text = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index, Count());
  return items_[index].Object;
}

void TStringList::PutObject(int index, TObject* obj) {
  CheckIndex(index, Count());
  Changing();
  items_[index].Object = obj;
  Changed();
}

void TStringList::SetCapacity(int capacity) {
  if (capacity > 0)
    items_.reserve(static_cast<size_t>(capacity));
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
  } else {
    Changed();
  }
}

void TStringList::Changing() {
  if (!Updating() && OnChanging)
    OnChanging(this);
}

void TStringList::Changed() {
  if (!Updating() && OnChange)
    OnChange(this);
}

void TStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    Error(kIndexError, index);
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
    if (CompareStrings(items_[mid].Text, s) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  index = low;
  return low < Count() && CompareStrings(items_[low].Text, s) == 0;
}

void TStringList::InsertItem(int index, const std::string& s) {
  CheckIndex(index, Count() + 1);
  Changing();
  items_.insert(items_.begin() + index, TItem{s, nullptr});
  Changed();
}
