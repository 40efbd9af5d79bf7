#include "StringList.h"
#include "StringsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TItems = std::vector<std::string>;

TItems SplitText(const std::string& text) {
  TStringList list;
  list.SetText(text);
  return ItemsOf(list);
}

TItems SplitDelimited(const std::string& text, char delimiter = ',') {
  TStringList list;
  list.SetDelimiter(delimiter);
  list.SetDelimitedText(text);
  return ItemsOf(list);
}

std::string JoinDelimited(const TItems& items) {
  TStringList list;
  Fill(list, items);
  return list.DelimitedText();
}

TEST(StringsText, SplitsAtCrLfAndCrLfAndJoinsWithCrLf) {
  EXPECT_EQ(SplitText("a\r\nb\nc\rd"), (TItems{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitText("a\n\rb"), (TItems{"a", "", "b"}));  // LF CR is two breaks
  EXPECT_EQ(SplitText("a\r\n"), (TItems{"a"}));            // no item after a final break
  EXPECT_EQ(SplitText("a\n\n"), (TItems{"a", ""}));
  EXPECT_EQ(SplitText("\r\n"), (TItems{""}));
  EXPECT_EQ(SplitText(""), TItems{});
  EXPECT_EQ(SplitText(std::string("a\0b\nc", 5)), (TItems{std::string("a\0b", 3), "c"}));

  // Joining puts CR LF after every item.
  TStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("a");
  list.Add("");
  EXPECT_EQ(list.Text(), "a\r\n\r\n");
}

TEST(StringsDelimited, SplittingRule) {
  EXPECT_EQ(SplitDelimited(""), TItems{});
  EXPECT_EQ(SplitDelimited(" \t "), TItems{});
  EXPECT_EQ(SplitDelimited(",,"), (TItems{"", "", ""}));
  EXPECT_EQ(SplitDelimited(",a"), (TItems{"", "a"}));
  EXPECT_EQ(SplitDelimited("a,"), (TItems{"a", ""}));
  EXPECT_EQ(SplitDelimited("a, "), (TItems{"a"}));  // the delimiter is not the last character
  EXPECT_EQ(SplitDelimited("  a ,  b  "), (TItems{"a", "b"}));
  EXPECT_EQ(SplitDelimited("a b"), (TItems{"a", "b"}));  // a blank ends an unquoted item
  EXPECT_EQ(SplitDelimited("\"x y\",\"say \"\"hi\"\"\""), (TItems{"x y", "say \"hi\""}));
  EXPECT_EQ(SplitDelimited("\"open to the end"), (TItems{"open to the end"}));
  EXPECT_EQ(SplitDelimited("18/16/13", '/'), (TItems{"18", "16", "13"}));
  EXPECT_EQ(SplitDelimited(std::string("a,b\0,c", 6)), (TItems{"a", "b"}));
}

TEST(StringsDelimited, GetterQuotesWhatWouldNotReadBack) {
  EXPECT_EQ(JoinDelimited({"plain", "a b", "c,d", "q\"x", ""}),
            "plain,\"a b\",\"c,d\",\"q\"\"x\",");
  EXPECT_EQ(JoinDelimited({""}), "\"\"");
  EXPECT_EQ(JoinDelimited({}), "");
  for (const TItems& items : {TItems{""}, TItems{"", "x"}, TItems{"x", ""},
                              TItems{" a ", "\"", ","}, TItems{std::string("n\0l", 3)}}) {
    EXPECT_EQ(SplitDelimited(JoinDelimited(items)), items);
  }
}

TEST(StringsDelimited, CommaTextIgnoresDelimiterAndQuoteChar) {
  TStringList list;
  list.SetDelimiter('/');
  list.SetQuoteChar('\'');
  list.SetDelimitedText("'a/b'/c");
  EXPECT_EQ(ItemsOf(list), (TItems{"a/b", "c"}));
  EXPECT_EQ(list.DelimitedText(), "'a/b'/c");
  EXPECT_EQ(list.CommaText(), "a/b,c");
  list.SetCommaText("\"1,2\",3");
  EXPECT_EQ(ItemsOf(list), (TItems{"1,2", "3"}));
}

// Records SetUpdateState calls and counts the change events.
class TUpdateProbe : public TStringList {
 public:
  struct TCounter {
    int Count = 0;
    void Raised(TObject*) { ++Count; }
  } changing, changes;
  TUpdateProbe() {
    OnChanging = Method<&TCounter::Raised>(&changing);
    OnChange = Method<&TCounter::Raised>(&changes);
  }
  std::vector<bool> States;

 protected:
  void SetUpdateState(bool updating) override {
    States.push_back(updating);
    TStringList::SetUpdateState(updating);
  }
};

TEST(Strings, UpdateStateAndChangeEventsOnOutermostPairOnly) {
  TUpdateProbe list;
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("x");
  list.EndUpdate();
  EXPECT_EQ(list.States, std::vector<bool>{true});
  EXPECT_EQ(list.changes.Count, 0);
  list.EndUpdate();
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(list.States, (std::vector<bool>{true, false}));
  EXPECT_EQ(list.changing.Count, 1);
  EXPECT_EQ(list.changes.Count, 1);
  list.SetText("a\nb\nc");
  EXPECT_EQ(list.States, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(list.changes.Count, 2);
  list.Add("d");
  EXPECT_EQ(list.changes.Count, 3);
}

TEST(Strings, AssignCopiesItemsAndObjectsAndIgnoresItself) {
  TStringList source;
  source.AddObject("one", &source);
  source.Add("two");
  TUpdateProbe copy;
  copy.Add("old");
  copy.Assign(&source);
  EXPECT_EQ(ItemsOf(copy), (TItems{"one", "two"}));
  EXPECT_EQ(copy.Objects(0), &source);
  EXPECT_EQ(copy.Objects(1), nullptr);

  copy.States.clear();
  copy.Assign(&copy);
  EXPECT_EQ(ItemsOf(copy), (TItems{"one", "two"}));
  EXPECT_TRUE(copy.States.empty());

  TOwned<TComponent> component(Create<TComponent>(nullptr));
  EXPECT_THROW(copy.Assign(component.get()), EConvertError);
}

TEST(StringList, IndexErrorsNameTheFirstBadIndex) {
  TStringList list;
  list.Add("a");
  auto expectIndexError = [](auto action, const std::string& message) {
    try {
      action();
      FAIL() << "no error for " << message;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), message);
    }
  };
  expectIndexError([&] { list.Strings(1); }, "List index out of bounds (1)");
  expectIndexError([&] { list.Objects(-1); }, "List index out of bounds (-1)");
  expectIndexError([&] { list.SetObjects(5, nullptr); }, "List index out of bounds (5)");
  expectIndexError([&] { list.Delete(3); }, "List index out of bounds (3)");
  expectIndexError([&] { list.Insert(2, "x"); }, "List index out of bounds (2)");
  expectIndexError([&] { list.Exchange(5, -1); }, "List index out of bounds (5)");
  expectIndexError([&] { list.Exchange(0, 7); }, "List index out of bounds (7)");
  list.Insert(1, "b");  // inserting at Count appends
  EXPECT_EQ(ItemsOf(list), (TItems{"a", "b"}));
}

TEST(StringList, LookupsIgnoreCase) {
  TStringList list;
  list.SetText("Port=COM1\nBaud=9600\nplain");
  EXPECT_EQ(list.IndexOf("PLAIN"), 2);
  EXPECT_EQ(list.IndexOf("port"), -1);
  EXPECT_EQ(list.IndexOfName("baud"), 1);
  EXPECT_EQ(list.IndexOfName("plain"), -1);
  EXPECT_EQ(list.Values("PORT"), "COM1");
  EXPECT_EQ(list.Names(1), "Baud");
}

TEST(StringList, EditingKeepsObjects) {
  TStringList list;
  list.AddObject("a", &list);
  list.InsertObject(1, "b", nullptr);
  list.Exchange(0, 1);
  EXPECT_EQ(ItemsOf(list), (TItems{"b", "a"}));
  EXPECT_EQ(list.Objects(1), &list);
  list.SetStrings(1, "c");
  EXPECT_EQ(list.Objects(1), &list);
  EXPECT_EQ(list.IndexOfObject(&list), 1);
  list.Delete(0);
  EXPECT_EQ(ItemsOf(list), (TItems{"c"}));
}

TEST(StringList, SortedListKeepsOrder) {
  TStringList list;
  list.SetText("COM3\ncom10\nCOM1");
  list.SetSorted(true);
  EXPECT_EQ(ItemsOf(list), (TItems{"COM1", "com10", "COM3"}));
  EXPECT_EQ(list.Add("com2"), 2);
  EXPECT_EQ(list.IndexOf("COM2"), 2);
  EXPECT_EQ(list.IndexOf("COM4"), -1);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
}

}  // namespace
