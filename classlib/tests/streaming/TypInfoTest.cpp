#include "TestComponents.h"
#include "TypInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

std::vector<std::string> Names(const TMetaClass& meta) {
  std::vector<std::string> names;
  for (const auto& prop : GetPropList(&meta))
    names.push_back(prop->Name);
  return names;
}

// Republishes a property and adds one; its Publish is private.
class TRepublished : public TTestComponent {
  VEL_CLASS(TRepublished, TTestComponent)
  static void Publish(TPublisher<TRepublished>& p);

 public:
  using TTestComponent::TTestComponent;
  int Number() const { return 42; }
  int Extra() const { return 7; }
};

VEL_COMPONENT_IMPL(TRepublished, TTestComponent)

void TRepublished::Publish(TPublisher<TRepublished>& p) {
  p.Property("Extra", &TRepublished::Extra);
  p.Property("Number", &TRepublished::Number);
}

TEST(TypInfo, ListsPropertiesInDeclarationOrderInheritedFirst) {
  EXPECT_THAT(Names(TTestFont::StaticClass()), ElementsAre("Size", "Color", "Style"));
  // A class that publishes nothing itself shows its parent's list.
  EXPECT_EQ(Names(TTestPanel::StaticClass()), Names(TTestComponent::StaticClass()));
  std::vector<std::string> names = Names(TRepublished::StaticClass());
  EXPECT_EQ(names.front(), "Number");  // replaced where it was
  EXPECT_EQ(names.back(), "Extra");
  EXPECT_EQ(names.size(), Names(TTestComponent::StaticClass()).size() + 1);
  EXPECT_TRUE(GetPropList(&TComponent::StaticClass()).empty());
}

TEST(TypInfo, KindsFollowTheGetterTypes) {
  struct Expected {
    const char* name;
    TTypeKind kind;
  };
  const Expected expected[] = {
      {"Number", tkInteger},    {"Letter", tkChar},         {"WideLetter", tkWChar},
      {"Align", tkEnumeration}, {"Enabled", tkEnumeration}, {"Caption", tkString},
      {"Hint", tkWString},      {"Font", tkClass},          {"Buddy", tkClass},
      {"OnClick", tkMethod},
  };
  for (const Expected& e : expected) {
    const TPropInfo* prop = GetPropInfo(&TTestComponent::StaticClass(), e.name);
    ASSERT_NE(prop, nullptr) << e.name;
    EXPECT_EQ(prop->Kind, e.kind) << e.name;
  }
  const TPropInfo* enabled = GetPropInfo(&TTestComponent::StaticClass(), "Enabled");
  EXPECT_EQ(enabled->EnumType->ValueName(1), "True");
  const TPropInfo* style = GetPropInfo(&TTestFont::StaticClass(), "Style");
  EXPECT_EQ(style->Kind, tkSet);
  EXPECT_EQ(style->EnumType->ValueOf("TSITALIC"), tsItalic);
  EXPECT_FALSE(GetPropInfo(&TTestComponent::StaticClass(), "Font")->IsReference);
  EXPECT_TRUE(GetPropInfo(&TTestComponent::StaticClass(), "Buddy")->IsReference);
  EXPECT_NE(GetPropInfo(&TTestComponent::StaticClass(), "OnClick")->Signature,
            GetPropInfo(&TTestComponent::StaticClass(), "OnMessage")->Signature);
}

TEST(TypInfo, TypedAccessGoesThroughGetterAndSetter) {
  TOwned<TTestComponent> c(Create<TTestComponent>(nullptr));
  const TPropInfo& align = *GetPropInfo(c.get(), "align");
  SetOrdProp(c.get(), align, taLeft);
  EXPECT_EQ(c->Align(), taLeft);
  EXPECT_EQ(GetOrdProp(c.get(), align), taLeft);
  SetOrdProp(c.get(), *GetPropInfo(c.get(), "WideLetter"), 0x263A);
  EXPECT_EQ(c->WideLetter(), L'\x263A');
  SetOrdProp(c->Font(), *GetPropInfo(c->Font(), "Style"), TTestStyles({tsBold, tsItalic}).Bits());
  EXPECT_EQ(c->Font()->Style(), TTestStyles({tsBold, tsItalic}));
  SetStrProp(c.get(), *GetPropInfo(c.get(), "Caption"), "cap");
  EXPECT_EQ(GetStrProp(c.get(), *GetPropInfo(c.get(), "Caption")), "cap");
  SetWideStrProp(c.get(), *GetPropInfo(c.get(), "Hint"), L"h\x00E9");
  EXPECT_EQ(GetWideStrProp(c.get(), *GetPropInfo(c.get(), "Hint")), L"h\x00E9");
  EXPECT_EQ(GetObjectProp(c.get(), *GetPropInfo(c.get(), "Font")), c->Font());
  SetObjectProp(c.get(), *GetPropInfo(c.get(), "Buddy"), c.get());
  EXPECT_EQ(c->Buddy(), c.get());

  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  TMethod handler = Method<&TTestForm::FirstClick>(form.get()).AsMethod();
  SetMethodProp(c.get(), *GetPropInfo(c.get(), "OnClick"), handler);
  EXPECT_EQ(GetMethodProp(c.get(), *GetPropInfo(c.get(), "OnClick")), handler);
}

TEST(TypInfo, TypedAccessRefusesWhatDoesNotFit) {
  TOwned<TTestComponent> c(Create<TTestComponent>(nullptr));
  const TPropInfo& caption = *GetPropInfo(c.get(), "Caption");
  EXPECT_THROW(SetOrdProp(c.get(), caption, 1), EPropertyError);
  EXPECT_THROW(GetWideStrProp(c.get(), caption), EPropertyError);
  const TPropInfo& font = *GetPropInfo(c.get(), "Font");
  EXPECT_FALSE(font.Writable());
  EXPECT_THROW(SetObjectProp(c.get(), font, nullptr), EPropertyError);
  TOwned<TComponent> plain(Create<TComponent>(nullptr));
  EXPECT_THROW(SetObjectProp(c.get(), *GetPropInfo(c.get(), "Buddy"), plain.get()), EPropertyError);
  EXPECT_EQ(c->Buddy(), nullptr);
  // A property applied to an object of another class.
  EXPECT_THROW(GetOrdProp(c->Font(), *GetPropInfo(c.get(), "Number")), EPropertyError);
}

}  // namespace
