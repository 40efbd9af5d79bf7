// The widget layer's foundation classes: wide string lists with an 8-bit
// view, a file stream opened by a wide name, the per-component helper
// registry, the paired-text rule, and the compatibility names that form data
// of wide classes may carry.
#pragma once

#include "Classes.h"
#include "Contnrs.h"
#include "Reader.h"
#include "Streams.h"
#include "WideStrings.h"

#include <cstdint>
#include <string>

class TAnsiStrings;
class TAnsiStringsForWideStringsAdapter;

// ---- Wide string lists ---------------------------------------------------------------

// A wide list that loads text in UTF-16 (either byte order), UTF-8 or the ANSI
// code page, saves UTF-16LE with a mark, opens files by wide names, and shows
// itself as an 8-bit list through AnsiStrings.
class TUcStrings : public TWideStrings {
  VEL_CLASS(TUcStrings, TWideStrings)
  static void Publish(TPublisher<TUcStrings>& p);

 public:
  TUcStrings();
  ~TUcStrings() override;

  // The view in the ANSI code page. Setting it assigns the given list into
  // the view, so this list receives the items converted.
  TAnsiStrings* AnsiStrings() const;
  void SetAnsiStrings(TStrings* value);

  // "Strings", then the compatibility names "WideStrings", "WideStringsW" and
  // "WideStrings_UTF7", which are read but never written.
  void DefineProperties(TFiler& filer) override;

  // LoadFromStreamEx/SaveToStreamEx with the mark.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // Read with the other side allowed to read (0x20); a file that cannot be
  // opened raises EWideFOpenError naming it.
  void LoadFromFile(const std::wstring& fileName) override;
  // Creates or empties the file (EWideFCreateError); it starts with FF FE.
  void SaveToFile(const std::wstring& fileName) const override;

  // From the stream's position to its end. With detectMark a byte-order mark
  // picks the encoding (none: the ANSI code page); without it the bytes are
  // UTF-16LE. An odd last byte of UTF-16 is dropped.
  virtual void LoadFromStreamEx(TStream& stream, bool detectMark);
  // Text as UTF-16LE, after FF FE when writeMark.
  virtual void SaveToStreamEx(TStream& stream, bool writeMark) const;

 private:
  void ReadWideStrings(TReader& reader);
  void ReadWideStringsW(TReader& reader);
  void ReadWideStringsUTF7(TReader& reader);

  TOwned<TAnsiStringsForWideStringsAdapter> ansiStrings_;
};

// The concrete wide list: unsorted, case-insensitive, with an explicit
// Capacity that grows by 4, 16 or a quarter as the list grows.
class TUcStringList : public TStringStore<TUcStrings> {
  VEL_CLASS(TUcStringList, TUcStrings)
 public:
  int Add(const std::wstring& s) override;
  int AddObject(const std::wstring& s, TObject* obj) override;
  void Insert(int index, const std::wstring& s) override;
  void InsertObject(int index, const std::wstring& s, TObject* obj) override;
  // Also gives the storage back: Capacity becomes 0.
  void Clear() override;

  // Capacity below Count raises EStringListError.
  void SetCapacity(int capacity) override;

 protected:
  int GetCapacity() const override { return capacity_; }
  // Every insertion ends here: one Changing/Changed pair around it.
  virtual void InsertItem(int index, const std::wstring& s, TObject* obj);

 private:
  void CheckInsertIndex(int index) const;
  void Grow();

  int capacity_ = 0;
};

// An 8-bit list that can also load and save in a given code page.
class TAnsiStrings : public TStrings {
  VEL_CLASS(TAnsiStrings, TStrings)
 public:
  virtual void LoadFromStreamWithCodePage(TStream& stream, UINT codePage) = 0;
  virtual void SaveToStreamWithCodePage(TStream& stream, UINT codePage) const = 0;
};

// Shows a wide list as 8-bit items converted in a code page (0: the ANSI
// code page). Objects, updates, deletion and clearing go to the wide list.
class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
  VEL_CLASS(TAnsiStringsForWideStringsAdapter, TAnsiStrings)
 public:
  explicit TAnsiStringsForWideStringsAdapter(TWideStrings* wideStrings, UINT codePage = 0);

  UINT AdapterCodePage() const;

  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const std::string& s) override;

  // The remaining bytes in codePage become the wide list's text.
  void LoadFromStreamWithCodePage(TStream& stream, UINT codePage) override;
  // The wide list's text in codePage, no mark.
  void SaveToStreamWithCodePage(TStream& stream, UINT codePage) const override;

 protected:
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;

 private:
  TWideStrings* wideStrings_;
  UINT codePage_;
};

// ---- Wide file stream ------------------------------------------------------------------

// The mode that creates (or empties) the file; any other mode opens an
// existing file as WideFileOpen takes it.
constexpr uint16_t fmUcCreate = 0xFFFF;

// Owns its handle. Failure raises EWideFCreateError or EWideFOpenError with
// the full wide file name and the system's reason.
class TUcFileStream : public THandleStream {
  VEL_CLASS(TUcFileStream, THandleStream)
 public:
  TUcFileStream(const std::wstring& fileName, uint16_t mode);
  ~TUcFileStream() override;
};

// ---- Stream helpers --------------------------------------------------------------------------

enum TStreamCharset { scNone = 0, scUtf16LE = 1, scUtf16BE = 2, scUtf8 = 3 };
// Reads a byte-order mark at the position and stays after it; without one the
// position is unchanged.
TStreamCharset DetectStreamCharset(TStream& stream);

// ---- Per-component helpers --------------------------------------------------------------

// Wide data that a wide control keeps beside an 8-bit component. A helper
// lives exactly as long as its component: it frees itself when the component
// goes. Helper lists (owning TComponentLists) are kept sorted by the
// component's address; there is at most one helper per component.
class TWideComponentHelper : public TComponent {
  VEL_CLASS(TWideComponentHelper, TComponent)
 public:
  // Registers for component's end and joins helperList at its sorted place.
  TWideComponentHelper(TComponent* component, TComponentList* helperList);

  TComponent* Component() const { return component_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* component_;
};

// Binary search of a helper list: true with the helper's index, or false with
// the index where a helper for component would go.
bool FindWideComponentHelperIndex(const TComponentList* helperList, const TComponent* component,
                                  int& index);
// Null when component has none.
TWideComponentHelper* FindWideComponentHelper(const TComponentList* helperList,
                                              const TComponent* component);

// ---- Paired text ------------------------------------------------------------------------

// A wide text kept beside its 8-bit twin, which other code may change behind
// its back: the wide text counts only while it converts to the twin.
using TPairedTextSetter = TClosure<void(const std::string& value)>;

// wide, or the widened twin when wide no longer converts to it (wide is then
// replaced).
std::wstring GetPairedWideText(std::wstring& wide, const std::string& ansi);
// Stores value in wide and hands its 8-bit form to setter. When that form is
// the twin already, setter first receives "", so that it sees a change.
void SetPairedWideText(const std::wstring& value, std::wstring& wide, const std::string& ansi,
                       TPairedTextSetter setter);

// ---- Form data ------------------------------------------------------------------------------

// Every wide class's DefineProperties calls this after the inherited one: for
// each published wide-string property P it accepts P + "W" and P + "_UTF7"
// (read and ignored), for each wide-character property P + "W" (an 8-bit or
// wide string of at most one character) and P + "_UTF7" (UTF-7). None of
// them is ever written.
void DefineWidePersistentProperties(TFiler& filer, TPersistent* instance);

// The definitions for one wide-string property.
class TUcWideStringPropertyFiler : public TObject {
  VEL_CLASS(TUcWideStringPropertyFiler, TObject)
 public:
  void DefineProperties(TFiler& filer, TPersistent* instance, const std::string& propName);

 private:
  void ReadDiscarded(TReader& reader);
};

// The definitions for one wide-character property.
class TUcWideCharPropertyFiler : public TObject {
  VEL_CLASS(TUcWideCharPropertyFiler, TObject)
 public:
  void DefineProperties(TFiler& filer, TPersistent* instance, const std::string& propName);

 private:
  void ReadDataW(TReader& reader);
  void ReadDataUTF7(TReader& reader);
  void SetChar(const std::wstring& text);

  TPersistent* instance_ = nullptr;
  const TPropInfo* propInfo_ = nullptr;
};
