#include "TypInfo.h"
#include "UcClasses.h"
#include "UcSysUtils.h"
#include "UcSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// A wide class as the controls of the layer declare one: wide published
// texts, a wide character and a wide list, and the compatibility names.
class TWideProbe : public TComponent {
  VEL_CLASS(TWideProbe, TComponent)
  static void Publish(TPublisher<TWideProbe>& p);

 public:
  explicit TWideProbe(TComponent* owner) : TComponent(owner), lines_(Create<TUcStringList>()) {}

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& value) { caption_ = value; }
  wchar_t Letter() const { return letter_; }
  void SetLetter(wchar_t value) { letter_ = value; }
  TUcStringList* Lines() const { return lines_.get(); }
  int Count() const { return count_; }
  void SetCount(int value) { count_ = value; }

  void DefineProperties(TFiler& filer) override {
    TComponent::DefineProperties(filer);
    DefineWidePersistentProperties(filer, this);
  }

 private:
  std::wstring caption_;
  wchar_t letter_ = L'?';
  int count_ = 0;
  TOwned<TUcStringList> lines_;
};

VEL_COMPONENT_IMPL(TWideProbe, TComponent)

void TWideProbe::Publish(TPublisher<TWideProbe>& p) {
  p.Property("Caption", &TWideProbe::Caption, &TWideProbe::SetCaption);
  p.Property("Count", &TWideProbe::Count, &TWideProbe::SetCount);
  p.Property("Letter", &TWideProbe::Letter, &TWideProbe::SetLetter);
  p.Property("Lines", &TWideProbe::Lines);
}

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u0440\u043D\u0430\u043B";

TOwned<TWideProbe> Load(const std::string& properties) {
  TOwned<TWideProbe> probe(Create<TWideProbe>(nullptr));
  ReadComponentText(probe.get(), "object Probe: TWideProbe\n" + properties + "\nend\n");
  return probe;
}

// The reader names the property before the reason; the reason is the last
// part of the message.
std::string LoadError(const std::string& properties) {
  try {
    Load(properties);
  } catch (const EReadError& e) {
    const size_t colon = e.Message().rfind(": ");
    return colon == std::string::npos ? e.Message() : e.Message().substr(colon + 2);
  }
  return "no error";
}

std::vector<std::wstring> ItemsOf(const TWideStrings& list) {
  std::vector<std::wstring> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Strings(i));
  return items;
}

// A form stream built by hand: the form compiler makes every non-ASCII
// string wide, and these values must be 8-bit strings with bytes above 127.
std::string ShortString(const std::string& s) {
  return static_cast<char>(s.size()) + s;
}

std::string AnsiValue(const std::string& s) {
  return static_cast<char>(vaString) + ShortString(s);
}

std::string AnsiList(const std::vector<std::string>& items) {
  std::string list(1, static_cast<char>(vaList));
  for (const std::string& item : items)
    list += AnsiValue(item);
  return list + static_cast<char>(vaNull);
}

std::string BinaryForm(const std::string& property, const std::string& value) {
  std::string form(kFormSignature, 4);
  form += ShortString("TWideProbe") + ShortString("Probe") + ShortString(property) + value;
  return form + std::string(2, static_cast<char>(vaNull));  // properties, children
}

TOwned<TWideProbe> LoadBinary(const std::string& form) {
  TOwned<TWideProbe> probe(Create<TWideProbe>(nullptr));
  TMemoryStream stream;
  stream.WriteBuffer(form.data(), static_cast<int32_t>(form.size()));
  stream.SetPosition(0);
  TReader(stream).ReadRootComponent(probe.get());
  return probe;
}

// ---- Form data -------------------------------------------------------------------------

TEST(WideFormDataTest, CompatibilityNamesOfWideTexts) {
  TOwned<TWideProbe> probe = Load(
      "Caption = '\u0416\u0443\u0440\u043D\u0430\u043B'\n"
      "CaptionW = 'ignored'\n"
      "caption_utf7 = 'ignored too'\n"
      "CaptionW = '\u65E5'");
  EXPECT_EQ(probe->Caption(), kCyrillic);
  // Integer properties have no such names.
  EXPECT_EQ(LoadError("CountW = 'x'"), "Property CountW does not exist");
}

TEST(WideFormDataTest, WideCharacterValues) {
  const std::pair<std::string, wchar_t> good[] = {
      {"LetterW = '\u0416'", L'\u0416'}, {"LetterW = 'q'", L'q'},
      {"LetterW = ''", L'\0'},           {"Letter_UTF7 = '+BBY-'", L'\u0416'},
      {"Letter_UTF7 = 'ab'", L'a'},      {"Letter_UTF7 = ''", L'\0'},
      {"Letter = '\u65E5'", L'\u65E5'}};
  for (const auto& g : good)
    EXPECT_EQ(Load(g.first)->Letter(), g.second) << g.first;
  const std::pair<std::string, std::string> bad[] = {
      {"LetterW = '\u0416\u0416'", "Invalid property value"},
      {"LetterW = 'ab'", "Invalid property value"},
      {"LetterW = 5", "Invalid property value"},
      {"LetterW = (x)", "Invalid property value"},
      {"Letter_UTF7 = '+'", "Invalid UTF7"},
      {"Letter_UTF7 = '+AOl-'", "Invalid UTF7"}};
  for (const auto& b : bad)
    EXPECT_EQ(LoadError(b.first), b.second) << b.first;
  // An 8-bit value is widened in the ANSI code page.
  EXPECT_EQ(LoadBinary(BinaryForm("LetterW", AnsiValue("\xC6")))->Letter(), AnsiToWide("\xC6")[0]);
}

TEST(WideFormDataTest, WideStringListNames) {
  const std::pair<std::string, std::vector<std::wstring>> cases[] = {
      {"Lines.WideStrings = 'one'#13#10'two'", {L"one", L"two"}},
      {"Lines.WideStrings = '\u0416\u0443\u0440\u043D\u0430\u043B'", {kCyrillic}},
      {"Lines.WideStrings = ('a' '\u65E5')", {L"a", L"\u65E5"}},
      {"Lines.WideStrings = ()", {}},
      {"Lines.WideStringsW = ('x' 'y')", {L"x", L"y"}},
      {"Lines.Strings = ('keep')\nLines.WideStringsW = ('x' 'y')", {L"keep"}},
      {"Lines.WideStrings_UTF7 = ('+BBY-' 'z')", {}},
      {"Lines.Strings = ('keep')\nLines.WideStrings = ('new')", {L"new"}}};
  for (const auto& c : cases)
    EXPECT_EQ(ItemsOf(*Load(c.first)->Lines()), c.second) << c.first;
  EXPECT_EQ(LoadError("Lines.WideStrings = 5"), "Invalid property value");
}

TEST(WideFormDataTest, Utf8ItemsInHandBuiltStreams) {
  const std::string pair = "\xF0\x9F\x98\x80";
  TOwned<TWideProbe> probe = LoadBinary(
      BinaryForm("Lines.WideStringsW", AnsiList({WideStringToUTF8(kCyrillic), pair, "\xC3"})));
  EXPECT_EQ(ItemsOf(*probe->Lines()), (std::vector<std::wstring>{kCyrillic, L"\xD83D\xDE00", L""}));
  probe = LoadBinary(BinaryForm("Lines.WideStrings", AnsiList({"caf\xE9"})));
  EXPECT_EQ(ItemsOf(*probe->Lines()), std::vector<std::wstring>{L"caf\u00E9"});
}

// ---- Paired text ----------------------------------------------------------------------------

// The 8-bit side of a pair: records every value its setter receives.
struct TAnsiTwin {
  std::string Value;
  std::vector<std::string> Calls;
  void Set(const std::string& value) {
    Calls.push_back(value);
    Value = value;
  }
};

TEST(PairedTextTest, TheTwinWinsWhenItChangedBehindTheWideText) {
  std::wstring wide = kCyrillic;
  EXPECT_EQ(GetPairedWideText(wide, WideToAnsi(kCyrillic)), kCyrillic);
  EXPECT_EQ(GetPairedWideText(wide, "caf\xE9"), L"caf\u00E9");
  EXPECT_EQ(wide, L"caf\u00E9");
}

TEST(PairedTextTest, SetterSeesEveryChange) {
  const std::wstring greek = L"\u03A8\u03A9\u03A6";
  const std::wstring twoCyrillic = L"\u0416\u0436";
  struct TCase {
    std::wstring Wide;
    std::string Ansi;
    std::wstring Value;
    std::vector<std::string> Calls;
  };
  const TCase cases[] = {
      {L"", WideToAnsi(greek), greek, {"", WideToAnsi(greek)}},
      {twoCyrillic, WideToAnsi(twoCyrillic), L"??", {"", "??"}},
      {L"abc", "abc", L"xyz", {"xyz"}},
      {L"a", "a", twoCyrillic, {WideToAnsi(twoCyrillic)}},
      {twoCyrillic, WideToAnsi(twoCyrillic), twoCyrillic, {}},
      {L"old", "new", L"new", {}},
  };
  for (const TCase& c : cases) {
    TAnsiTwin twin{c.Ansi, {}};
    std::wstring wide = c.Wide;
    SetPairedWideText(c.Value, wide, twin.Value, Method<&TAnsiTwin::Set>(&twin));
    EXPECT_EQ(twin.Calls, c.Calls);
    EXPECT_EQ(GetPairedWideText(wide, twin.Value), c.Value);
  }
}

// ---- Helpers ----------------------------------------------------------------------------------

TEST(ComponentHelperTest, FoundBySearchAndGoneWithTheComponent) {
  std::vector<TComponent*> components;
  for (int i = 0; i < 40; ++i)
    components.push_back(Create<TComponent>(nullptr));
  std::mt19937 random(40);
  std::shuffle(components.begin(), components.end(), random);
  TOwned<TComponentList> helpers(Create<TComponentList>(true));
  for (int i = 0; i < 30; ++i)
    Create<TWideComponentHelper>(components[i], helpers.get());
  auto address = [&](int i) {
    return reinterpret_cast<intptr_t>(
        static_cast<TWideComponentHelper*>(helpers->Items(i))->Component());
  };
  for (int i = 0; i < 40; ++i) {
    int index = -1;
    const bool found = FindWideComponentHelperIndex(helpers.get(), components[i], index);
    EXPECT_EQ(found, i < 30);
    TWideComponentHelper* helper = FindWideComponentHelper(helpers.get(), components[i]);
    EXPECT_EQ(helper ? helper->Component() : nullptr, found ? components[i] : nullptr);
    const auto key = reinterpret_cast<intptr_t>(components[i]);
    EXPECT_TRUE(index == 0 || address(index - 1) < key);
    EXPECT_TRUE(found || index == helpers->Count() || address(index) > key);
  }
  // Components go in random order; each takes its helper along.
  std::shuffle(components.begin(), components.end(), random);
  int left = helpers->Count();
  for (int i = 0; i < 20; ++i) {
    left -= FindWideComponentHelper(helpers.get(), components[i]) ? 1 : 0;
    components[i]->Free();
  }
  EXPECT_EQ(helpers->Count(), left);
  for (int i = 1; i < helpers->Count(); ++i)
    EXPECT_LT(address(i - 1), address(i));
  // The list frees the helpers left; their components stay until freed.
  helpers.reset();
  for (int i = 20; i < 40; ++i)
    components[i]->Free();
}

}  // namespace
