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

// The splitter is shared with the 8-bit list; this checks it is wired for wide text.
TEST(WideStringsText, SplitsAndJoinsWideText) {
  TWideStringList list;
  Fill(list, {L"old"});
  list.SetText(L"\u0391\n\r\u03B1\r\n");
  EXPECT_EQ(ItemsOf(list), (TItems{L"\u0391", L"", L"\u03B1"}));
  EXPECT_EQ(list.Text(), L"\u0391\r\n\r\n\u03B1\r\n");
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

  TPersistent other;
  EXPECT_THROW(wide.Assign(&other), EConvertError);
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
