// Wide (UTF-16) string lists: the abstract TWideStrings, the base of the
// widget layer's wide lists, and the concrete, unsorted TWideStringList.
#pragma once

#include "Classes.h"

#include <string>
#include <vector>

class TReader;
class TStream;

// Objects attached to items are not owned by the list.
class TWideStrings : public TPersistent {
  VEL_CLASS(TWideStrings, TPersistent)
 public:
  ~TWideStrings() override = default;

  std::wstring Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::wstring& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* obj) { PutObject(index, obj); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }

  virtual int Add(const std::wstring& s);
  virtual int AddObject(const std::wstring& s, TObject* obj);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const std::wstring& s) const;
  // Index of the first "name=value" item with this name, -1 when absent.
  virtual int IndexOfName(const std::wstring& name) const;
  virtual void Insert(int index, const std::wstring& s) = 0;
  virtual void InsertObject(int index, const std::wstring& s, TObject* obj);

  // Nested calls are counted; SetUpdateState runs on the first and last only.
  void BeginUpdate();
  void EndUpdate();

  // Takes the items and objects of a TWideStrings, or of a TStrings widened
  // from the ANSI code page; assigning a list to itself does nothing.
  void Assign(TPersistent* source) override;
  // "Strings": a list of 8-bit (widened) or wide strings replacing the items.
  void DefineProperties(TFiler& filer) override;

  // Every item followed by CR LF. Setting splits at CR, LF or CR LF; a break at
  // the very end adds no empty item.
  std::wstring Text() const;
  void SetText(const std::wstring& text);

  // Loading reads from the position to the end: UTF-16LE after an FF FE mark
  // (an odd last byte is dropped), otherwise text in the ANSI code page.
  // Saving writes FF FE and Text as UTF-16LE. The files are opened by their
  // ANSI names; wide lists that need any name override these.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  virtual void LoadFromFile(const std::wstring& fileName);
  virtual void SaveToFile(const std::wstring& fileName) const;

 protected:
  virtual std::wstring Get(int index) const = 0;
  virtual void Put(int index, const std::wstring& s);
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* obj);
  virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int) {}
  virtual void SetUpdateState(bool) {}
  // Case-insensitive (WideCompareText); IndexOf and IndexOfName use it.
  virtual int CompareStrings(const std::wstring& a, const std::wstring& b) const;
  bool Updating() const { return updateCount_ > 0; }
  // Raises EStringListError with fmt formatted with index.
  [[noreturn]] void Error(const char* fmt, int index) const;

 private:
  void ReadStrings(TReader& reader);

  int updateCount_ = 0;
};

// BeginUpdate/EndUpdate as a scope.
class TWideStringsUpdate {
 public:
  explicit TWideStringsUpdate(TWideStrings& strings) : strings_(strings) { strings_.BeginUpdate(); }
  ~TWideStringsUpdate() { strings_.EndUpdate(); }
  TWideStringsUpdate(const TWideStringsUpdate&) = delete;
  TWideStringsUpdate& operator=(const TWideStringsUpdate&) = delete;

 private:
  TWideStrings& strings_;
};

class TWideStringList : public TWideStrings {
  VEL_CLASS(TWideStringList, TWideStrings)
 public:
  void Clear() override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  void Insert(int index, const std::wstring& s) override;

  // Raised around every change, but not while an update is in progress; the
  // outermost EndUpdate raises OnChange once.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  std::wstring Get(int index) const override;
  void Put(int index, const std::wstring& s) override;
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
    std::wstring Text;
    TObject* Object = nullptr;
  };
  void CheckIndex(int index, int limit) const;

  std::vector<TItem> items_;
};
