#include "WideStrings.h"

#include "Reader.h"
#include "Streams.h"
#include "StringList.h"
#include "StringsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TItems = std::vector<std::wstring>;

// CP1252 bytes of "€ Grüße" and their wide form.
const char* const kAnsiEuroGruesse =
    "\x80 Gr\xFC\xDF"
    "e";
const wchar_t* const kWideEuroGruesse = L"\u20AC Gr\u00FC\u00DFe";

TItems SplitText(const std::wstring& text) {
  TWideStringList list;
  list.SetText(text);
  return ItemsOf(list);
}

std::string StreamBytes(const TWideStrings& list) {
  TMemoryStream stream;
  list.SaveToStream(stream);
  return std::string(static_cast<const char*>(stream.Memory()), stream.Size());
}

TItems LoadBytes(const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  TWideStringList list;
  list.LoadFromStream(stream);
  return ItemsOf(list);
}

struct TEventCounter {
  int Count = 0;
  void Raised(TObject*) { ++Count; }
};

std::string IndexErrorOf(void (*action)(TWideStringList&)) {
  TWideStringList list;
  Fill(list, {L"a", L"b", L"c"});
  try {
    action(list);
  } catch (const EStringListError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(WideStringsText, SplitsLikeTheAnsiList) {
  EXPECT_EQ(SplitText(L"a\r\nb\nc\rd"), (TItems{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(SplitText(L"a\n\rb"), (TItems{L"a", L"", L"b"}));  // LF CR is two breaks
  EXPECT_EQ(SplitText(L"\u03B1\r\n"), TItems{L"\u03B1"});      // no item after a final break
  EXPECT_EQ(SplitText(L"a\n\n"), (TItems{L"a", L""}));
  EXPECT_EQ(SplitText(L""), TItems{});
  EXPECT_EQ(SplitText(std::wstring(L"a\0b\nc", 5)), (TItems{std::wstring(L"a\0b", 3), L"c"}));
}

TEST(WideStringsText, EveryItemIsFollowedByCrLfAndSettingReplaces) {
  TWideStringList list;
  Fill(list, {L"old"});
  list.SetText(L"\u0391\r\n\r\nz");
  EXPECT_EQ(list.Text(), L"\u0391\r\n\r\nz\r\n");
}

TEST(WideStrings, AssignWidensAnsiListsAndKeepsObjects) {
  TStringList ansi;
  TObject tag;
  ansi.AddObject(kAnsiEuroGruesse, &tag);
  ansi.Add("plain");
  TWideStringList wide;
  Fill(wide, {L"replaced"});
  wide.Assign(&ansi);
  EXPECT_EQ(ItemsOf(wide), (TItems{kWideEuroGruesse, L"plain"}));
  EXPECT_EQ(wide.Objects(0), &tag);

  TWideStringList copy;
  copy.Assign(&wide);
  EXPECT_EQ(ItemsOf(copy), ItemsOf(wide));
  EXPECT_EQ(copy.Objects(0), &tag);
}

TEST(WideStrings, AssignToItselfIsANoOpAndOtherClassesAreRefused) {
  TWideStringList list;
  Fill(list, {L"x", L"y"});
  TEventCounter changes;
  list.OnChange = Method<&TEventCounter::Raised>(&changes);
  list.Assign(&list);
  EXPECT_EQ(ItemsOf(list), (TItems{L"x", L"y"}));
  EXPECT_EQ(changes.Count, 0);

  TPersistent other;
  EXPECT_THROW(list.Assign(&other), EConvertError);
}

TEST(WideStrings, IndexErrorsNameTheFirstBadIndex) {
  const std::string e5 = "List index out of bounds (5)";
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Strings(-1); }),
            "List index out of bounds (-1)");
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Strings(3); }), "List index out of bounds (3)");
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.SetStrings(5, L"x"); }), e5);
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.SetObjects(5, nullptr); }), e5);
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Insert(5, L"x"); }), e5);
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Delete(5); }), e5);
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Exchange(5, -1); }), e5);
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Exchange(1, 7); }),
            "List index out of bounds (7)");
  EXPECT_EQ(IndexErrorOf([](TWideStringList& l) { l.Insert(3, L"end"); }), "no error");
}

TEST(WideStrings, LookupsIgnoreCaseBeyondAscii) {
  TWideStringList list;
  Fill(list, {L"\u00C4rger", L"\u039A\u0391\u039B\u0397=mera", L"x=1"});
  EXPECT_EQ(list.IndexOf(L"\u00E4RGER"), 0);
  EXPECT_EQ(list.IndexOf(L"Arger"), -1);
  EXPECT_EQ(list.IndexOfName(L"\u03BA\u03B1\u03BB\u03B7"), 1);
  EXPECT_EQ(list.IndexOfName(L"X"), 2);
  EXPECT_EQ(list.IndexOfName(L"mera"), -1);
}

TEST(WideStrings, EditingKeepsObjects) {
  TWideStringList list;
  TObject a, b;
  list.AddObject(L"a", &a);
  list.InsertObject(0, L"b", &b);
  list.SetStrings(1, L"a2");
  list.Exchange(0, 1);
  EXPECT_EQ(ItemsOf(list), (TItems{L"a2", L"b"}));
  EXPECT_EQ(list.Objects(0), &a);
  EXPECT_EQ(list.Objects(1), &b);
}

TEST(WideStrings, OnChangeOncePerOutermostUpdate) {
  TWideStringList list;
  TEventCounter changing, changes;
  list.OnChanging = Method<&TEventCounter::Raised>(&changing);
  list.OnChange = Method<&TEventCounter::Raised>(&changes);
  list.BeginUpdate();
  list.BeginUpdate();
  list.SetText(L"a\nb\nc");
  list.EndUpdate();
  EXPECT_EQ(changes.Count, 0);
  list.EndUpdate();
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(changing.Count, 1);
  EXPECT_EQ(changes.Count, 1);
  list.Delete(0);
  EXPECT_EQ(changes.Count, 2);
}

TEST(WideStringsStream, SavesUtf16WithMark) {
  TWideStringList list;
  EXPECT_EQ(StreamBytes(list), "\xFF\xFE");
  Fill(list, {L"\u20AC"});
  EXPECT_EQ(StreamBytes(list), std::string("\xFF\xFE\xAC\x20\r\0\n\0", 8));
}

TEST(WideStringsStream, LoadsUtf16AfterMarkElseAnsi) {
  EXPECT_EQ(LoadBytes(std::string("\xFF\xFE\xB1\x03\n\0z", 7)), TItems{L"\u03B1"});
  EXPECT_EQ(LoadBytes(std::string("\xFF\xFE"
                                  "a\0b\0c",
                                  7)),
            TItems{L"ab"});  // the odd last byte is dropped
  EXPECT_EQ(LoadBytes(std::string(kAnsiEuroGruesse) + "\r\nab"), (TItems{kWideEuroGruesse, L"ab"}));
  EXPECT_EQ(LoadBytes("\xFE\xFF"), TItems{L"\u00FE\u00FF"});  // not our mark: ANSI text
}

TEST(WideStringsStream, FileRoundTripKeepsNonAnsiText) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::wstring name = AnsiToWide(std::string(dir) + "vel_wide_strings_test.txt");
  TWideStringList saved;
  Fill(saved, {L"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1", L"", kWideEuroGruesse});
  saved.SaveToFile(name);
  TWideStringList loaded;
  loaded.LoadFromFile(name);
  DeleteFileA(WideToAnsi(name).c_str());
  EXPECT_EQ(ItemsOf(loaded), ItemsOf(saved));
}

class TLinesHolder : public TComponent {
  VEL_CLASS(TLinesHolder, TComponent)
 public:
  using TComponent::TComponent;
  static void Publish(TPublisher<TLinesHolder>& p);
  TWideStringList* Lines() { return &lines_; }

 private:
  TWideStringList lines_;
};

VEL_CLASS_IMPL(TLinesHolder, TComponent)

void TLinesHolder::Publish(TPublisher<TLinesHolder>& p) {
  p.Property("Lines", &TLinesHolder::Lines);
}

std::string HolderForm(const std::string& properties) {
  return "object Holder: TLinesHolder\n" + properties + "end\n";
}

TEST(WideStringsReader, StringsReplacesItemsWithWidenedAndWideValues) {
  TOwned<TLinesHolder> holder(Create<TLinesHolder>(nullptr));
  holder->Lines()->Add(L"replaced");
  TEventCounter changes;
  holder->Lines()->OnChange = Method<&TEventCounter::Raised>(&changes);
  const std::string longAscii(300, 'x');  // an 8-bit string of the long form
  ReadComponentText(holder.get(), HolderForm("  lines.strings = ('plain' ''\n"
                                             "    'Gr\xC3\xBC\xC3\x9F"
                                             "e '#$20AC\n"
                                             "    '" +
                                             longAscii + "')\n"));
  EXPECT_EQ(ItemsOf(*holder->Lines()),
            (TItems{L"plain", L"", L"Gr\u00FC\u00DFe \u20AC", AnsiToWide(longAscii)}));
  EXPECT_EQ(changes.Count, 1);
}

TEST(WideStringsReader, StringsMustBeAList) {
  TOwned<TLinesHolder> holder(Create<TLinesHolder>(nullptr));
  EXPECT_THROW(ReadComponentText(holder.get(), HolderForm("  Lines.Strings = 'one'\n")),
               EReadError);
}

}  // namespace
