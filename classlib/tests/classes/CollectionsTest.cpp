#include "Collections.h"

#include "TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TPanelItem : public TCollectionItem {
  VEL_COLLECTION_ITEM(TPanelItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  static void Publish(TPublisher<TPanelItem>& p);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text) {
    if (text == text_)
      return;
    text_ = text;
    Changed(false);
  }
  void Assign(TPersistent* source) override {
    if (auto* panel = dynamic_cast<TPanelItem*>(source))
      text_ = panel->text_;
    TCollectionItem::Assign(source);
  }

 private:
  std::string text_;
};

VEL_COLLECTION_ITEM_IMPL(TPanelItem, TCollectionItem)

void TPanelItem::Publish(TPublisher<TPanelItem>& p) {
  p.Property("Text", &TPanelItem::Text, &TPanelItem::SetText);
}

// Records every Update: the item's text, or "*" for all items.
class TPanels : public TCollection {
 public:
  explicit TPanels(TPersistent* owner = nullptr)
      : TCollection(TPanelItem::StaticItemClass(), owner) {}

  TPanelItem* Panel(int index) const { return static_cast<TPanelItem*>(Items(index)); }
  TPanelItem* AddPanel(const std::string& text) {
    auto* panel = static_cast<TPanelItem*>(Add());
    panel->SetText(text);
    return panel;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < Count(); ++i)
      texts.push_back(Panel(i)->Text());
    return texts;
  }

  std::vector<std::string> Updates;

 protected:
  void Update(TCollectionItem* item) override {
    Updates.push_back(item ? static_cast<TPanelItem*>(item)->Text() : "*");
  }
};

using TTexts = std::vector<std::string>;

std::string ListErrorOf(void (*action)(TPanels&)) {
  TPanels panels;
  panels.AddPanel("a");
  panels.AddPanel("b");
  try {
    action(panels);
  } catch (const EListError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(Collection, ItemsAreOfTheItemClassAndKnowTheirCollection) {
  TPersistent owner;
  TPanels panels(&owner);
  TCollectionItem* item = panels.Add();
  EXPECT_STREQ(item->ClassName(), "TPanelItem");
  EXPECT_EQ(item->GetOwner(), &panels);
  EXPECT_EQ(panels.GetOwner(), &owner);

  // What an item class publishes reaches the reader through its metaclass.
  const TPropInfo* text = GetPropInfo(item, "TEXT");
  ASSERT_NE(text, nullptr);
  SetStrProp(item, *text, "set by name");
  EXPECT_EQ(panels.Panel(0)->Text(), "set by name");
}

TEST(Collection, AddInsertDeleteAndIndexMoves) {
  TPanels panels;
  panels.AddPanel("a");
  panels.AddPanel("b");
  static_cast<TPanelItem*>(panels.Insert(0))->SetText("first");
  EXPECT_EQ(panels.Texts(), (TTexts{"first", "a", "b"}));
  panels.Panel(0)->SetIndex(2);
  EXPECT_EQ(panels.Texts(), (TTexts{"a", "b", "first"}));
  EXPECT_EQ(panels.Panel(2)->Index(), 2);
  panels.Delete(1);
  EXPECT_EQ(panels.Texts(), (TTexts{"a", "first"}));
  panels.Panel(0)->Free();  // an item freed on its own leaves the collection
  EXPECT_EQ(panels.Texts(), TTexts{"first"});
  panels.Clear();
  EXPECT_EQ(panels.Count(), 0);
}

TEST(Collection, IdsAreUniqueAndNeverReused) {
  TPanels panels;
  const int a = panels.Add()->ID();
  const int b = panels.Add()->ID();
  panels.Delete(1);
  const int c = panels.Add()->ID();
  EXPECT_TRUE(a != b && c != b && c != a);
}

TEST(Collection, ItemsMoveBetweenCollections) {
  TPanels left, right;
  TPanelItem* item = left.AddPanel("x");
  item->SetCollection(&right);
  EXPECT_EQ(left.Count(), 0);
  EXPECT_EQ(right.Texts(), TTexts{"x"});
  EXPECT_EQ(item->Collection(), &right);
  item->SetCollection(nullptr);
  EXPECT_EQ(item->Index(), -1);
  EXPECT_EQ(item->GetOwner(), nullptr);
  item->Free();
}

TEST(Collection, IndexErrorsAreListErrors) {
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Items(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Items(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Insert(3); }), "List index out of bounds (3)");
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Panel(0)->SetIndex(2); }),
            "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([](TPanels& p) { p.Insert(2); }), "no error");

  TPanels panels;
  EXPECT_THROW(panels.Insert(1), EListError);
  EXPECT_EQ(panels.Count(), 0);  // a refused insert creates nothing
}

TEST(Collection, UpdateFollowsEveryChangeOutsideUpdates) {
  TPanels panels;
  TPanelItem* item = panels.AddPanel("a");  // added: everything; text: the item
  item->SetText("b");
  item->SetIndex(0);  // not moved: no update
  panels.Insert(0);   // one update, after the move
  panels.Delete(0);
  EXPECT_EQ(panels.Updates, (TTexts{"*", "a", "b", "*", "*"}));
}

TEST(Collection, UpdateOncePerOutermostEndUpdate) {
  TPanels panels;
  panels.BeginUpdate();
  panels.BeginUpdate();
  panels.AddPanel("a")->SetText("b");
  panels.Clear();
  panels.EndUpdate();
  EXPECT_TRUE(panels.Updates.empty());
  panels.EndUpdate();
  panels.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(panels.Updates, TTexts{"*"});
}

TEST(Collection, AssignCopiesItemByItemOnceUpdated) {
  TPanels source;
  source.AddPanel("one");
  source.AddPanel("two");
  TPanels copy;
  copy.AddPanel("old");
  copy.Updates.clear();
  copy.Assign(&source);
  EXPECT_EQ(copy.Texts(), (TTexts{"one", "two"}));
  EXPECT_EQ(copy.Updates, TTexts{"*"});
  EXPECT_EQ(copy.Panel(0)->Collection(), &copy);

  copy.Assign(&copy);
  EXPECT_EQ(copy.Texts(), (TTexts{"one", "two"}));
  TPersistent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
  EXPECT_THROW(copy.Panel(0)->Assign(&other), EConvertError);
}

}  // namespace
