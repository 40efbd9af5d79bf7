#include "Contnrs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Destroyed() {
  static std::vector<std::string> destroyed;
  return destroyed;
}

// Records its end; frees itself when the component it watches goes.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* owner, const std::string& name = "") : TComponent(owner) {
    SetName(name);
  }
  ~TWatcher() override { Destroyed().push_back(Name()); }
  void Watch(TComponent* c) { c->FreeNotification(this); }

 protected:
  void Notification(TComponent* c, TOperation operation) override {
    TComponent::Notification(c, operation);
    if (operation == opRemove && c->Name() == "trigger")
      Free();
  }
};

TWatcher* Item(const std::string& name, TComponent* owner = nullptr) {
  return Create<TWatcher>(owner, name);
}

class ComponentListTest : public testing::Test {
 protected:
  void SetUp() override { Destroyed().clear(); }
};

TEST_F(ComponentListTest, PositionsAndBounds) {
  TOwned<TWatcher> a(Item("a")), b(Item("b"));
  TOwned<TComponentList> list(Create<TComponentList>(false));
  list->Add(a.get());
  list->Insert(0, b.get());
  EXPECT_EQ(list->IndexOf(a.get()), 1);
  EXPECT_THROW(list->Insert(3, a.get()), EListError);
  try {
    list->Items(2);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_EQ(list->Remove(a.get()), 1);
  EXPECT_EQ(list->Remove(a.get()), -1);
  list.reset();
  EXPECT_TRUE(Destroyed().empty());
}

TEST_F(ComponentListTest, OwningListFreesOnDeleteClearAndItsEnd) {
  TOwned<TComponentList> list(Create<TComponentList>(true));
  for (const char* name : {"a", "b", "c", "d", "e"})
    list->Add(Item(name));
  list->Delete(1);
  EXPECT_EQ(list->Remove(list->Items(0)), 0);
  EXPECT_EQ(Destroyed(), (std::vector<std::string>{"b", "a"}));
  list->Delete(2);
  list->Clear();
  EXPECT_EQ(Destroyed(), (std::vector<std::string>{"b", "a", "e", "d", "c"}));
  list->Add(Item("f"));
  list.reset();
  EXPECT_EQ(Destroyed().back(), "f");
}

TEST_F(ComponentListTest, ItemsFreedElsewhereAreDropped) {
  TOwned<TComponentList> owning(Create<TComponentList>(true));
  TOwned<TComponentList> watching(Create<TComponentList>(false));
  TWatcher* a = Item("a");
  TWatcher* b = Item("b");
  owning->Add(a);
  owning->Add(b);
  watching->Add(a);
  watching->Add(a);
  watching->Add(b);
  a->Free();
  EXPECT_EQ(owning->Count(), 1);
  EXPECT_EQ(watching->Count(), 1);
  // Deleting one of two entries keeps watching the other.
  watching->Add(b);
  watching->Delete(0);
  owning.reset();
  EXPECT_EQ(watching->Count(), 0);
  EXPECT_EQ(Destroyed(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ComponentListTest, ItemsThatGoWhileTheListFreesOthers) {
  TOwned<TWatcher> trigger(Item("trigger"));
  TOwned<TComponentList> list(Create<TComponentList>(true));
  TWatcher* selfFreeing = Item("self");
  selfFreeing->Watch(trigger.get());
  TWatcher* parent = Item("parent");
  list->Add(selfFreeing);
  list->Add(Item("child", parent));
  list->Add(parent);
  trigger.reset();
  EXPECT_EQ(list->Count(), 2);
  // Freeing the parent frees its child, which leaves the list meanwhile.
  list->Clear();
  EXPECT_EQ(Destroyed(), (std::vector<std::string>{"self", "trigger", "child", "parent"}));
}

}  // namespace
