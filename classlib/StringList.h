// 8-bit string lists: the abstract TStrings with its text and delimited-text
// forms, and the concrete TStringList.
#pragma once

#include "Classes.h"

#include <string>
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

// Objects attached to items are not owned by the list.
class TStrings : public TPersistent {
  VEL_CLASS(TStrings, TPersistent)
 public:
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* obj) { PutObject(index, obj); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }

  virtual int Add(const std::string& s);
  int AddObject(const std::string& s, TObject* obj);
  void InsertObject(int index, const std::string& s, TObject* obj);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const std::string& s) const;
  // Index of the first "name=value" item with this name, -1 when absent.
  virtual int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* obj) const;
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;

  // Nested calls are counted; SetUpdateState runs on the first and last only.
  void BeginUpdate();
  void EndUpdate();

  // Copies the items and objects of another list; assigning a list to itself
  // does nothing.
  void Assign(TPersistent* source) override;
  // "Strings": form data gives the items as a list of strings.
  void DefineProperties(TFiler& filer) override;

  // Every item followed by CR LF. Setting splits at CR, LF or CR LF; a break at
  // the very end adds no empty item.
  std::string Text() const;
  void SetText(const std::string& text);

  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char c) { quoteChar_ = c; }
  std::string DelimitedText() const { return JoinDelimited(delimiter_, quoteChar_); }
  void SetDelimitedText(const std::string& text) { SplitDelimited(text, delimiter_, quoteChar_); }
  // DelimitedText with ',' and '"' whatever Delimiter and QuoteChar hold.
  std::string CommaText() const { return JoinDelimited(',', '"'); }
  void SetCommaText(const std::string& text) { SplitDelimited(text, ',', '"'); }

  // Reads from the stream's position to its end; writes Text.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

 protected:
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s);
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* obj);
  virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int) {}
  virtual void SetUpdateState(bool) {}
  // Case-insensitive; IndexOf and IndexOfName compare through it.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  bool Updating() const { return updateCount_ > 0; }
  // Raises EStringListError with fmt formatted with index.
  [[noreturn]] void Error(const char* fmt, int index) const;

 private:
  void ReadData(TReader& reader);
  std::string JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(const std::string& text, char delimiter, char quote);

  int updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
};

// BeginUpdate/EndUpdate as a scope.
class TStringsUpdate {
 public:
  explicit TStringsUpdate(TStrings& strings) : strings_(strings) { strings_.BeginUpdate(); }
  ~TStringsUpdate() { strings_.EndUpdate(); }
  TStringsUpdate(const TStringsUpdate&) = delete;
  TStringsUpdate& operator=(const TStringsUpdate&) = delete;

 private:
  TStrings& strings_;
};

class TStringList : public TStrings {
  VEL_CLASS(TStringList, TStrings)
 public:
  // Adds at the sorted position when Sorted.
  int Add(const std::string& s) override;
  void Clear() override;
  void Delete(int index) override;
  // Not allowed on a sorted list.
  void Insert(int index, const std::string& s) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& s) const override;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  void Sort();

  // Raised around every change, but not while an update is in progress; the
  // outermost EndUpdate raises OnChange once.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  int GetCapacity() const override { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity) override;
  void SetUpdateState(bool updating) override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
  };
  void CheckIndex(int index, int limit) const;
  void CheckUnsorted() const;
  // Binary search of a sorted list: the index of s, or where it would go.
  bool Find(const std::string& s, int& index) const;
  void InsertItem(int index, const std::string& s);

  std::vector<TItem> items_;
  bool sorted_ = false;
};
