#include "Reader.h"
#include "Streams.h"
#include "TestComponents.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    LoadedLog().clear();
  }

  // A fresh form loaded from text.
  TTestForm* Load(const std::string& text) {
    form_.reset(Create<TTestForm>(nullptr));
    ReadComponentText(form_.get(), text);
    return form_.get();
  }

  // The message of the EReadError that loading text raises.
  std::string LoadError(const std::string& text) {
    try {
      Load(text);
    } catch (const EReadError& e) {
      return e.Message();
    }
    return "no EReadError";
  }

  TTestComponent* Child(const char* name) {
    return static_cast<TTestComponent*>(form_->FindComponent(name));
  }

  TOwned<TTestForm> form_;
};

TEST_F(ReaderTest, SetsEveryKindOfValueMatchingNamesWithoutCase) {
  TTestForm* form = Load(
      u8R"(
    object Form: TTestForm
      NUMBER = -70000
      Letter = 'x'
      WideLetter = #$263A
      align = TACLIENT
      Enabled = False
      Caption = 'plain'
      Hint = 'Grüße'
      Font.Size = 300
      Font.Color = clBtnFace
      font.STYLE = [TSBOLD, tsUnderline]
    end)");
  EXPECT_EQ(form->Name(), "Form");
  EXPECT_EQ(form->Number(), -70000);
  EXPECT_EQ(form->Letter(), 'x');
  EXPECT_EQ(form->WideLetter(), L'\x263A');
  EXPECT_EQ(form->Align(), taClient);
  EXPECT_FALSE(form->Enabled());
  EXPECT_EQ(form->Caption(), "plain");
  EXPECT_EQ(form->Hint(),
            L"Gr\x00FC\x00DF"
            L"e");
  EXPECT_EQ(form->Font()->Size(), 300);
  EXPECT_EQ(form->Font()->Color(), 0x8000000Fu);
  EXPECT_EQ(form->Font()->Style(), TTestStyles({tsBold, tsUnderline}));
}

TEST_F(ReaderTest, FillsListsCollectionsAndDefinedPropertiesReplacingWhatWasThere) {
  TTestForm* form = Load(R"(
    object Form: TTestForm
      Blob = {00 ff 10}
      Lines.Strings = ('one' 'two' 'three')
      Items = <
        item
          Text = 'first'
          Width = 80
        end
        item
        end>
    end)");
  EXPECT_EQ(form->Lines()->Text(), "one\r\ntwo\r\nthree\r\n");
  ASSERT_EQ(form->Items()->Count(), 2);
  auto* first = static_cast<TTestItem*>(form->Items()->Items(0));
  auto* second = static_cast<TTestItem*>(form->Items()->Items(1));
  EXPECT_EQ(first->Text(), "first");
  EXPECT_EQ(first->Width(), 80);
  EXPECT_EQ(second->Width(), 50);
  EXPECT_THAT(form->Blob(), ElementsAre(0x00, 0xFF, 0x10));

  ReadComponentText(form, R"(
    object Form: TTestForm
      oldcaption = 'legacy'
      Lines.Strings = ('new')
      Items = <item Text = 'a' end>
    end)");
  EXPECT_EQ(form->Caption(), "old:legacy");  // a defined property no published one has
  EXPECT_EQ(form->Lines()->Text(), "new\r\n");
  ASSERT_EQ(form->Items()->Count(), 1);
  EXPECT_EQ(static_cast<TTestItem*>(form->Items()->Items(0))->Text(), "a");
}

TEST_F(ReaderTest, CreatesChildrenOwnedByTheRootWithFieldsAndParents) {
  TTestForm* form = Load(R"(
    object Form: TTestForm
      object First: TTestComponent
        Number = 1
      end
      object Panel: TTestPanel
        object Inner: TTestPanel
          Number = 3
        end
      end
    end)");
  ASSERT_EQ(form->ComponentCount(), 3);
  ASSERT_NE(form->First, nullptr);
  EXPECT_EQ(form->First->Number(), 1);
  EXPECT_EQ(form->First->Owner(), form);
  ASSERT_NE(form->Panel, nullptr);
  EXPECT_EQ(form->Panel->ParentComponent(), form);
  auto* inner = static_cast<TTestPanel*>(Child("Inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->Owner(), form);
  EXPECT_EQ(inner->ParentComponent(), form->Panel);
  EXPECT_EQ(inner->Number(), 3);
}

TEST_F(ReaderTest, BindsEventsToTheRootsPublishedMethods) {
  TTestForm* form = Load(R"(
    object Form: TTestForm
      OnMessage = FormMessage
      Items = <item OnClick = FirstClick end>
      object First: TTestComponent
        OnClick = firstclick
      end
    end)");
  form->First->OnClick(form->First);
  form->OnMessage(form, "hello");
  EXPECT_THAT(form->clicks, ElementsAre("First", "hello"));
  EXPECT_TRUE(form->First->OnClick == Method<&TTestForm::FirstClick>(form));
  EXPECT_TRUE(static_cast<TTestItem*>(form->Items()->Items(0))->OnClick.Assigned());
}

TEST_F(ReaderTest, ResolvesReferencesAfterTheWholeForm) {
  TTestForm* form = Load(R"(
    object Form: TTestForm
      Buddy = Form
      object First: TTestComponent
        Buddy = Later
        Items = <item Target = Later end>
      end
      object Later: TTestComponent
        Buddy = nil
      end
    end)");
  TTestComponent* later = Child("Later");
  EXPECT_EQ(form->Buddy(), form);
  EXPECT_EQ(form->First->Buddy(), later);
  EXPECT_EQ(static_cast<TTestItem*>(form->First->Items()->Items(0))->Target(), later);
  EXPECT_EQ(later->Buddy(), nullptr);
}

TEST_F(ReaderTest, ErrorsNameWhatIsWrong) {
  const struct {
    const char* body;
    const char* message;
  } cases[] = {
      {"object Panel: TTestComponent end", "Field Panel is not a TTestPanel"},
      {"OnClick = Missing", "Method Missing not found"},
      {"OnClick = FormMessage", "does not fit"},
      {"Buddy = Nobody", "Unresolved reference to Nobody"},
      {"Colour = 1", "Property Colour does not exist"},
      {"Font.Weight = 1", "Property Font.Weight does not exist"},
      {"Number.Size = 1", "does not exist"},  // only sub-objects can be walked into
  };
  for (const auto& c : cases) {
    EXPECT_THAT(LoadError(std::string("object Form: TTestForm\n") + c.body + "\nend"),
                HasSubstr(c.message))
        << c.body;
  }
  EXPECT_THAT(LoadError("object X: TTestPanel end"), HasSubstr("cannot be read into"));
  // An ancestor's form data is fine.
  EXPECT_EQ(Load("object X: TTestComponent Number = 2 end")->Number(), 2);
}

TEST_F(ReaderTest, ValueOfTheWrongKindIsInvalid) {
  const char* cases[] = {
      "Number = 'ten'",
      "Number = clRed",
      "Caption = 12",
      "Align = taMiddle",
      "Align = 1",
      "Enabled = 'yes'",
      "Letter = 'xy'",
      "Font.Style = [tsWide]",
      "Font.Style = tsBold",
      "Items = ('a')",
      "Buddy = 'First'",
      "OnClick = 'FirstClick'",
      "Font = 1",
      "Lines.Strings = 'a'",
      "WideLetter = 65",
      "Buddy = Plain\nobject Plain: TComponent end",  // a reference of the wrong class
  };
  for (const char* line : cases) {
    const std::string name(line, std::strcspn(line, " "));
    EXPECT_EQ(LoadError(std::string("object Form: TTestForm\n") + line + "\nend"),
              "Error reading Form." + name + ": Invalid property value")
        << line;
  }
}

TEST_F(ReaderTest, MalformedFormDataIsAReadErrorThatSaysWhere) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      // The text itself (parser).
      {"object Form: TTestForm\n  Number = 'open\nend",
       "Error reading the form data of TTestForm: Line 2: unterminated string"},
      // A class that is not registered (filer).
      {"object Form: TTestForm\n  object X: TNoSuchClass\n  end\nend",
       "Error reading X: TNoSuchClass: Class TNoSuchClass not found"},
      // A setter that refuses the value.
      {"object Form: TTestForm\n  object First: TTestComponent\n    Number = 13\n  end\nend",
       "Error reading First.Number: Number cannot be 13"},
      // Inside a collection item the outer property names the place.
      {"object Form: TTestForm\n  Items = <item\n    Nothing = 1\n  end>\nend",
       "Error reading Form.Items: Property Nothing does not exist"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LoadError(c.text), c.message) << c.text;
}

TEST_F(ReaderTest, NestingIsCappedInTextAndInTheBinaryStream) {
  const std::string deep = std::string(20000, '(') + std::string(20000, ')');
  EXPECT_THAT(LoadError("object Form: TTestForm\n  Items = " + deep + "\nend"),
              HasSubstr("Line 2: nested deeper than 256 levels"));
  std::string objects;
  for (int i = 0; i < 300; ++i)
    objects += "object C" + std::to_string(i) + ": TTestPanel\n";
  for (int i = 0; i < 300; ++i)
    objects += "end\n";
  EXPECT_THAT(LoadError("object Form: TTestForm\n" + objects + "end"),
              HasSubstr("nested deeper than 256 levels"));

  // The reader has its own cap for streams made elsewhere.
  TMemoryStream stream;
  const std::string lists(20000, static_cast<char>(vaList));
  stream.WriteBuffer(lists.data(), static_cast<int32_t>(lists.size()));
  stream.SetPosition(0);
  TReader reader(stream);
  EXPECT_THROW(reader.SkipValue(), EReadError);
}

TEST(ReaderValues, AWideStringLengthBeyond31BitsIsNoShortSkip) {
  // 0x80000001 units are 0x100000002 bytes; in 32 bits that wraps to 2 and
  // the skip would land inside the value.
  const unsigned char bytes[] = {vaWString, 0x01, 0x00, 0x00, 0x80, 'a', 0, 'b', 0, vaNull};
  TMemoryStream stream;
  stream.WriteBuffer(bytes, sizeof(bytes));
  stream.SetPosition(0);
  TReader reader(stream);
  EXPECT_THROW(reader.SkipValue(), EReadError);
}

TEST_F(ReaderTest, LoadedRunsOnceEverythingIsReadInReadingOrder) {
  TTestForm* form = Load(R"(
    object Form: TTestForm
      Caption = 'root'
      object First: TTestComponent
        Caption = 'first'
      end
      object Panel: TTestPanel
        object Inner: TTestComponent
        end
      end
    end)");
  EXPECT_THAT(LoadedLog(), ElementsAre("Form", "First", "Panel", "Inner"));
  EXPECT_EQ(form->StateAtCaption(), TComponentState({csLoading, csReading}));
  EXPECT_EQ(form->First->StateAtCaption(), TComponentState({csLoading, csReading}));
  EXPECT_TRUE(form->ComponentState().Empty());
  EXPECT_TRUE(form->First->ComponentState().Empty());
}

TEST_F(ReaderTest, FailedLoadClearsTheStateAndSkipsLoaded) {
  EXPECT_EQ(LoadError(R"(
    object Form: TTestForm
      object First: TTestComponent
        Number = 'bad'
      end
    end)"),
            "Error reading First.Number: Invalid property value");
  EXPECT_TRUE(LoadedLog().empty());
  EXPECT_TRUE(form_->ComponentState().Empty());
  EXPECT_TRUE(form_->First->ComponentState().Empty());
}

// The value operations on a hand-made stream, tag by tag.
TEST(ReaderValues, ReadsAndConvertsTheTags) {
  const unsigned char bytes[] = {
      vaString,  2,      'h',  'i',                              // 8-bit
      vaWString, 2,      0,    0,      0,      0xE9, 0, 'a', 0,  // wide: U+00E9 'a'
      vaLString, 1,      0,    0,      0,      'L',              // long 8-bit
      vaInt16,   0x10,   0x80,                                   // -32752
      vaList,    vaInt8, 5,    vaTrue, vaNull,                   // skipped whole
      vaWString, 1,      0,    0,      0,      'z',  0,          // narrowed
      vaSet,     1,      'a',  0,                                //
      vaNull,
  };
  TMemoryStream stream;
  stream.WriteBuffer(bytes, sizeof bytes);
  stream.SetPosition(0);
  TReader reader(stream);
  EXPECT_EQ(reader.NextValue(), vaString);
  EXPECT_EQ(reader.ReadWideString(), L"hi");
  EXPECT_EQ(reader.ReadWideString(),
            L"\x00E9"
            L"a");
  EXPECT_EQ(reader.ReadString(), "L");
  EXPECT_EQ(reader.ReadInteger(), -32752);
  reader.SkipValue();
  EXPECT_EQ(reader.ReadString(), "z");
  EXPECT_THROW(reader.ReadIdent(), EReadError);  // a set is no identifier

  const unsigned char truncated[] = {vaLString, 0xFF, 0xFF, 0, 0, 'x'};
  TMemoryStream shortStream;
  shortStream.WriteBuffer(truncated, sizeof truncated);
  shortStream.SetPosition(0);
  EXPECT_THROW(TReader(shortStream).ReadString(), EReadError);
}

}  // namespace
