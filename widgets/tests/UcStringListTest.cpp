#include "UcClasses.h"
#include "UcSysUtils.h"
#include "UcSystem.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u0440\u043D\u0430\u043B";
const std::wstring kCjk = L"\u65E5\u672C\u8A9E";
const std::wstring kPair = L"\xD83D\xDE00";

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes)
    s += static_cast<char>(b);
  return s;
}

TOwned<TUcStringList> List(std::initializer_list<std::wstring> items = {}) {
  TOwned<TUcStringList> list(Create<TUcStringList>());
  for (const std::wstring& item : items)
    list->Add(item);
  return list;
}

std::vector<std::wstring> ItemsOf(const TWideStrings& list) {
  std::vector<std::wstring> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Strings(i));
  return items;
}

std::string StreamBytes(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void Fill(TMemoryStream& stream, const std::string& bytes) {
  stream.Clear();
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EStringListError& e) {
    return e.Message();
  }
  return "no error";
}

struct TChangeCounter {
  int Changing = 0;
  int Changed = 0;
  void OnChanging(TObject*) { ++Changing; }
  void OnChanged(TObject*) { ++Changed; }
};

// ---- The list ---------------------------------------------------------------------------

TEST(UcStringListTest, GrowthFollowsCapacity) {
  const std::pair<int, int> growth[] = {{0, 4}, {4, 8}, {8, 12}, {9, 25}, {64, 80}, {65, 81}};
  for (const auto& g : growth) {
    TOwned<TUcStringList> list = List();
    list->SetCapacity(g.first);
    for (int i = 0; i < g.first; ++i)
      list->Add(L"x");
    EXPECT_EQ(list->Capacity(), g.first);
    list->Insert(0, L"y");
    EXPECT_EQ(list->Capacity(), g.second) << g.first;
  }
  TOwned<TUcStringList> list = List({L"a"});
  EXPECT_EQ(list->Capacity(), 4);
  list->Clear();
  EXPECT_EQ(list->Capacity(), 0);
  list->SetCapacity(3);
  list->Clear();  // nothing to clear: the capacity stays
  EXPECT_EQ(list->Capacity(), 3);
}

TEST(UcStringListTest, IndexChecks) {
  TOwned<TUcStringList> list = List({L"a", L"b", L"c"});
  TUcStringList* l = list.get();
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[l] { l->Exchange(5, -1); }, "List index out of bounds (5)"},
      {[l] { l->Exchange(1, 7); }, "List index out of bounds (7)"},
      {[l] { l->Insert(4, L"x"); }, "List index out of bounds (4)"},
      {[l] { l->InsertObject(-1, L"x", nullptr); }, "List index out of bounds (-1)"},
      {[l] { l->SetCapacity(2); }, "List capacity out of bounds (2)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf(c.first), c.second);
  list->Insert(3, L"d");
  list->Exchange(0, 3);
  EXPECT_EQ(ItemsOf(*list), (std::vector<std::wstring>{L"d", L"b", L"c", L"a"}));
}

TEST(UcStringListTest, ChangesAreHeldBackInsideAnUpdate) {
  TOwned<TUcStringList> list = List();
  TChangeCounter counter;
  list->OnChanging = Method<&TChangeCounter::OnChanging>(&counter);
  list->OnChange = Method<&TChangeCounter::OnChanged>(&counter);
  list->AddObject(kCyrillic, list.get());
  EXPECT_EQ(counter.Changing, 1);
  EXPECT_EQ(counter.Changed, 1);
  EXPECT_EQ(list->Objects(0), list.get());
  list->BeginUpdate();
  list->Add(L"a");
  list->Insert(0, L"b");
  list->Delete(1);
  list->Clear();
  EXPECT_EQ(counter.Changed, 1);
  list->EndUpdate();
  EXPECT_EQ(counter.Changing, 2);
  EXPECT_EQ(counter.Changed, 2);
}

// ---- Streams ----------------------------------------------------------------------------

TEST(UcStringsStreamTest, LoadsByMark) {
  const std::string utf8Pair = Bytes({0xF0, 0x9F, 0x98, 0x80});
  const std::pair<std::string, std::vector<std::wstring>> cases[] = {
      {Bytes({0xFF, 0xFE, 'a', 0, 'b', 0, 'c'}), {L"ab"}},  // odd last byte dropped
      {Bytes({0xFE, 0xFF}), {}},
      {Bytes({0xFF, 0xFE, 'x'}), {}},
      {"ab", {L"ab"}},
      {"a", {L"a"}},
      {"", {}},
      {Bytes({0xEF, 0xBB}), {L"\u00EF\u00BB"}},
      {"caf\xE9\r\nx", {L"caf\u00E9", L"x"}},
      {Bytes({0xFF, 0xFE, 0x16, 0x04, '\r', 0, '\n', 0, 0xE5, 0x65}), {L"\u0416", L"\u65E5"}},
      {Bytes({0xEF, 0xBB, 0xBF}) + WideStringToUTF8(kCyrillic) + "\n" + utf8Pair,
       {kCyrillic, kPair}},
      {Bytes({0xEF, 0xBB, 0xBF, 0xC3}), {}},
      // Big-endian with an embedded U+0000: every unit is swapped.
      {Bytes({0xFE, 0xFF, 0, 'a', 0, 0, 0x04, 0x16, 0xD8, 0x3D, 0xDE, 0x00}),
       {std::wstring(L"a\0\u0416", 3) + kPair}},
  };
  TMemoryStream stream;
  for (const auto& c : cases) {
    TOwned<TUcStringList> list = List({L"old"});
    Fill(stream, c.first);
    list->LoadFromStream(stream);
    EXPECT_EQ(ItemsOf(*list), c.second) << c.first.size();
    EXPECT_EQ(stream.Position(), stream.Size());
  }
}

TEST(UcStringsStreamTest, DetectsMarksWhereTheStreamStands) {
  TMemoryStream stream;
  const std::pair<std::string, TStreamCharset> cases[] = {
      {"zz" + Bytes({0xFE, 0xFF}), scUtf16BE},
      {"zz" + Bytes({0xEF, 0xBB, 0xBF}), scUtf8},
      {"zz" + Bytes({0xEF, 0xBB, 0xBE}), scNone}};
  for (const auto& c : cases) {
    Fill(stream, c.first);
    stream.SetPosition(2);
    EXPECT_EQ(DetectStreamCharset(stream), c.second);
    EXPECT_EQ(stream.Position(), c.second == scNone ? 2 : stream.Size());
  }
}

TEST(UcStringsStreamTest, SavesUtf16WithMark) {
  TMemoryStream stream;
  List()->SaveToStream(stream);
  EXPECT_EQ(StreamBytes(stream), Bytes({0xFF, 0xFE}));
  Fill(stream, "");
  List({L"a", L"\u0416"})->SaveToStreamEx(stream, false);
  EXPECT_EQ(StreamBytes(stream), Bytes({'a', 0, '\r', 0, '\n', 0, 0x16, 0x04, '\r', 0, '\n', 0}));
  stream.SetPosition(0);
  TOwned<TUcStringList> list = List();
  list->LoadFromStreamEx(stream, false);
  EXPECT_EQ(ItemsOf(*list), (std::vector<std::wstring>{L"a", L"\u0416"}));
}

// ---- Files ------------------------------------------------------------------------------

std::wstring TempName(const std::wstring& name) {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  return path + name;
}

TEST(UcStringsFileTest, RoundTripUnderAWideName) {
  const std::wstring name = TempName(kCyrillic + L"_" + kCjk + L".txt");
  TOwned<TUcStringList> saved = List({kCyrillic, kCjk + kPair, L""});
  saved->SaveToFile(name);
  TOwned<TUcStringList> loaded = List();
  loaded->LoadFromFile(name);
  EXPECT_EQ(ItemsOf(*loaded), ItemsOf(*saved));
  // Both streams are gone: the file opens exclusively.
  const HANDLE exclusive = WideFileOpen(name, 0x12);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
  DeleteFileW(name.c_str());
}

TEST(UcStringsFileTest, MissingAndLockedFilesNameTheWideFile) {
  const std::wstring missing = TempName(L"\u043D\u0435\u0442_" + kCjk + L".txt");
  DWORD handlesBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  try {
    List()->LoadFromFile(missing);
    ADD_FAILURE();
  } catch (const EWideFOpenError& e) {
    const std::wstring expected = L"Cannot open file \"" + WideExpandFileName(missing) + L"\". " +
                                  WideSysErrorMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(e.WideMessage(), expected);
  }
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handlesBefore);

  const std::wstring locked = TempName(kCjk + L"_locked.txt");
  List({L"x"})->SaveToFile(locked);
  const HANDLE holder = WideFileOpen(locked, 0x12);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(List()->LoadFromFile(locked), EWideFOpenError);
  try {
    List()->SaveToFile(locked);
    ADD_FAILURE();
  } catch (const EWideFCreateError& e) {
    EXPECT_EQ(e.WideMessage().find(L"Cannot create file \"" + locked + L"\". "), 0u);
  }
  CloseHandle(holder);
  DeleteFileW(locked.c_str());
}

// ---- The 8-bit view ----------------------------------------------------------------------

TEST(AnsiViewTest, CodePageViewRoundTrips) {
  TOwned<TUcStringList> list = List({kCyrillic, L"\u0436\u0436"});
  TOwned<TAnsiStringsForWideStringsAdapter> view(
      Create<TAnsiStringsForWideStringsAdapter>(list.get(), 1251));
  EXPECT_EQ(view->AdapterCodePage(), 1251u);
  EXPECT_EQ(view->Strings(1), "\xE6\xE6");
  TOwned<TStringList> copy(Create<TStringList>());
  copy->Assign(view.get());
  TOwned<TUcStringList> other = List({L"old"});
  TOwned<TAnsiStringsForWideStringsAdapter> otherView(
      Create<TAnsiStringsForWideStringsAdapter>(other.get(), 1251));
  otherView->Assign(copy.get());
  EXPECT_EQ(ItemsOf(*other), ItemsOf(*list));

  TMemoryStream stream;
  view->SaveToStreamWithCodePage(stream, kCodePageUTF8);
  EXPECT_EQ(StreamBytes(stream), WideStringToUTF8(list->Text()));
  stream.SetPosition(0);
  otherView->LoadFromStreamWithCodePage(stream, kCodePageUTF8);
  EXPECT_EQ(ItemsOf(*other), ItemsOf(*list));
}

TEST(AnsiViewTest, DefaultViewAndSelfAssignment) {
  TOwned<TUcStringList> list = List({kCyrillic, L"caf\u00E9"});
  TAnsiStrings* view = list->AnsiStrings();
  EXPECT_EQ(view->Strings(0), WideToAnsi(kCyrillic));
  list->SetAnsiStrings(list->AnsiStrings());
  EXPECT_EQ(ItemsOf(*list), (std::vector<std::wstring>{kCyrillic, L"caf\u00E9"}));

  TOwned<TStringList> source(Create<TStringList>());
  source->AddObject("na\xEFve", list.get());
  list->SetAnsiStrings(source.get());
  EXPECT_EQ(ItemsOf(*list), std::vector<std::wstring>{L"na\u00EFve"});
  EXPECT_EQ(list->Objects(0), list.get());
}

}  // namespace
