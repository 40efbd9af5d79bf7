// 8-bit string lists: the abstract TStrings with its text and delimited-text
// forms, and the concrete TStringList. The templates here also carry the wide
// lists of WideStrings.h.
#pragma once

#include "Classes.h"

#include <string>
#include <utility>
#include <vector>

class TStream;
class TReader;

// Calls addLine for each line of text, 8-bit or wide. CR, LF or CR LF end a
// line (LF CR is two breaks); a break at the very end adds no empty line.
template <typename String, typename AddLine>
void SplitLines(const String& text, AddLine addLine) {
  using Char = typename String::value_type;
  const Char breaks[] = {Char('\r'), Char('\n'), Char(0)};
  size_t p = 0;
  while (p < text.size()) {
    size_t lineEnd = text.find_first_of(breaks, p);
    if (lineEnd == String::npos)
      lineEnd = text.size();
    addLine(text.substr(p, lineEnd - p));
    p = lineEnd;
    if (p < text.size() && text[p] == Char('\r'))
      ++p;
    if (p < text.size() && text[p] == Char('\n'))
      ++p;
  }
}

// What TStrings (S = std::string) and TWideStrings (S = std::wstring) share;
// only those two derive from it. Objects attached to items are not owned by
// the list.
template <typename S>
class TStringsBase : public TPersistent {
 public:
  using String = S;

  S Strings(int index) const { return Get(index); }
  void SetStrings(int index, const S& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* obj) { PutObject(index, obj); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }

  virtual int Add(const S& s);
  virtual int AddObject(const S& s, TObject* obj);
  virtual void InsertObject(int index, const S& s, TObject* obj);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const S& s) = 0;
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const S& s) const;
  // Index of the first "name=value" item with this name, -1 when absent.
  virtual int IndexOfName(const S& name) const;

  // Nested calls are counted; SetUpdateState runs on the first and last only.
  void BeginUpdate();
  void EndUpdate();

  // Copies the items and objects of another list of the same kind; assigning
  // a list to itself does nothing.
  void Assign(TPersistent* source) override;
  // "Strings": form data gives the items as a list of strings, 8-bit ones
  // widened for a wide list.
  void DefineProperties(TFiler& filer) override;

  // Every item followed by CR LF. Setting splits at CR, LF or CR LF; a break at
  // the very end adds no empty item.
  S Text() const;
  void SetText(const S& text);

  // Loading reads from the stream's position to its end.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  // The files are opened by their ANSI names.
  virtual void LoadFromFile(const S& fileName);
  virtual void SaveToFile(const S& fileName) const;

  // BeginUpdate/EndUpdate as a scope.
  class TUpdate {
   public:
    explicit TUpdate(TStringsBase& strings) : strings_(strings) { strings_.BeginUpdate(); }
    ~TUpdate() { strings_.EndUpdate(); }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;

   private:
    TStringsBase& strings_;
  };

 protected:
  virtual S Get(int index) const = 0;
  virtual void Put(int index, const S& s);
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* obj);
  virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int) {}
  virtual void SetUpdateState(bool) {}
  // Case-insensitive: CompareText for 8-bit items, WideCompareText for wide
  // ones. IndexOf and IndexOfName compare through it.
  virtual int CompareStrings(const S& a, const S& b) const;
  bool Updating() const { return updateCount_ > 0; }
  // Raises EStringListError with fmt formatted with index.
  [[noreturn]] void Error(const char* fmt, int index) const;

  // Replaces the items with those of source, a list of either kind; convert
  // turns its items into S.
  template <typename Source, typename Convert>
  void AssignItems(const Source& source, Convert convert) {
    TUpdate update(*this);
    Clear();
    for (int i = 0, n = source.Count(); i < n; ++i)
      AddObject(convert(source.Strings(i)), source.Objects(i));
  }
  static std::string ReadToEnd(TStream& stream);

 private:
  void ReadStrings(TReader& reader);

  int updateCount_ = 0;
};

extern template class TStringsBase<std::string>;
extern template class TStringsBase<std::wstring>;

// The storage of the concrete lists, TStringList and TWideStringList, over
// their abstract base (TStrings or TWideStrings): the items with their
// objects, index checks and change events.
template <typename Base>
class TStringStore : public Base {
 public:
  using String = typename Base::String;

  void Clear() override {
    if (items_.empty())
      return;
    Changing();
    items_.clear();
    Changed();
  }
  void Delete(int index) override {
    CheckIndex(index, this->Count());
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
  }
  void Insert(int index, const String& s) override {
    CheckIndex(index, this->Count() + 1);
    Changing();
    items_.insert(items_.begin() + index, TItem{s, nullptr});
    Changed();
  }
  void Exchange(int index1, int index2) override {
    CheckIndex(index1, this->Count());
    CheckIndex(index2, this->Count());
    Changing();
    std::swap(items_[index1], items_[index2]);
    Changed();
  }

  // Raised around every change, but not while an update is in progress; the
  // outermost EndUpdate raises OnChange once.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  struct TItem {
    String Text;
    TObject* Object = nullptr;
  };

  String Get(int index) const override {
    CheckIndex(index, this->Count());
    return items_[index].Text;
  }
  void Put(int index, const String& s) override {
    CheckIndex(index, this->Count());
    Changing();
    items_[index].Text = s;
    Changed();
  }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override {
    CheckIndex(index, this->Count());
    return items_[index].Object;
  }
  void PutObject(int index, TObject* obj) override {
    CheckIndex(index, this->Count());
    Changing();
    items_[index].Object = obj;
    Changed();
  }
  int GetCapacity() const override { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity) override {
    if (capacity > 0)
      items_.reserve(static_cast<size_t>(capacity));
  }
  void SetUpdateState(bool updating) override {
    if (updating) {
      Changing();
    } else {
      Changed();
    }
  }
  virtual void Changing() {
    if (!this->Updating() && OnChanging)
      OnChanging(this);
  }
  virtual void Changed() {
    if (!this->Updating() && OnChange)
      OnChange(this);
  }

  std::vector<TItem>& Items() { return items_; }
  const std::vector<TItem>& Items() const { return items_; }

 private:
  void CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
      this->Error("List index out of bounds (%d)", index);
  }

  std::vector<TItem> items_;
};

class TStrings : public TStringsBase<std::string> {
  VEL_CLASS(TStrings, TPersistent)
 public:
  int IndexOfObject(const TObject* obj) const;
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;

  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char c) { quoteChar_ = c; }
  std::string DelimitedText() const { return JoinDelimited(delimiter_, quoteChar_); }
  void SetDelimitedText(const std::string& text) { SplitDelimited(text, delimiter_, quoteChar_); }
  // DelimitedText with ',' and '"' whatever Delimiter and QuoteChar hold.
  std::string CommaText() const { return JoinDelimited(',', '"'); }
  void SetCommaText(const std::string& text) { SplitDelimited(text, ',', '"'); }

  // The bytes are Text as it is.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

 private:
  std::string JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(const std::string& text, char delimiter, char quote);

  char delimiter_ = ',';
  char quoteChar_ = '"';
};

using TStringsUpdate = TStrings::TUpdate;

class TStringList : public TStringStore<TStrings> {
  VEL_CLASS(TStringList, TStrings)
 public:
  // Adds at the sorted position when Sorted.
  int Add(const std::string& s) override;
  // Not allowed on a sorted list.
  void Insert(int index, const std::string& s) override;
  int IndexOf(const std::string& s) const override;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  void Sort();

 protected:
  // Not allowed on a sorted list.
  void Put(int index, const std::string& s) override;

 private:
  void CheckUnsorted() const;
  // Binary search of a sorted list: the index of s, or where it would go.
  bool Find(const std::string& s, int& index) const;

  bool sorted_ = false;
};
