// Collections: an owned, ordered list of persistent items of one item class,
// such as the panels of a status bar. The reader fills them through Add().
#pragma once

#include "Classes.h"

#include <vector>

class TCollection;
class TCollectionItem;

// The metaclass of a collection item class: items are not components, so it
// carries a factory that creates an item inside a collection.
class TCollectionItemClass : public TMetaClass {
 public:
  using ItemFactory = TCollectionItem* (*)(TCollection* collection);
  TCollectionItemClass(const char* name, const TMetaClass* parent, ItemFactory factory,
                       PublishedTable published)
      : TMetaClass(name, parent, nullptr, published), itemFactory_(factory) {}

  TCollectionItem* CreateItem(TCollection* collection) const { return itemFactory_(collection); }

 private:
  ItemFactory itemFactory_;
};

// In the body of an item class: VEL_COLLECTION_ITEM(TFoo, TBase). In its source
// file: VEL_COLLECTION_ITEM_IMPL(TFoo, TBase). The class needs a constructor
// taking the collection, and may publish like any class (TypInfo.h).
#define VEL_COLLECTION_ITEM(Name, Parent)               \
  VEL_CLASS(Name, Parent)                               \
 public:                                                \
  static const TCollectionItemClass& StaticItemClass(); \
                                                        \
 private:

#define VEL_COLLECTION_ITEM_IMPL(Name, Parent)                              \
  const TCollectionItemClass& Name::StaticItemClass() {                     \
    static const TCollectionItemClass meta(                                 \
        #Name, &Parent::StaticClass(),                                      \
        [](TCollection* c) -> TCollectionItem* { return Create<Name>(c); }, \
        TPublishedAccess::TableOf<Name>());                                 \
    return meta;                                                            \
  }                                                                         \
  const TMetaClass& Name::StaticClass() {                                   \
    return StaticItemClass();                                               \
  }

class TCollectionItem : public TPersistent {
  VEL_COLLECTION_ITEM(TCollectionItem, TPersistent)
 public:
  // Joins the collection in AfterConstruction, once the item is complete:
  // create items with Create<T>(collection) or the collection's Add.
  explicit TCollectionItem(TCollection* collection) : joining_(collection) {}
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item from its collection to another (or to none).
  void SetCollection(TCollection* collection);
  // Position in the collection, -1 outside one. Setting it moves the item.
  int Index() const;
  void SetIndex(int index);
  // Unique within the collection and never reused there.
  int ID() const { return id_; }

  // The base carries no values; derived items copy theirs and call this.
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() override;

  void AfterConstruction() override;
  // Leaves the collection, which then updates.
  void BeforeDestruction() override;

 protected:
  // Tells the collection: Update(this), or Update(nullptr) when allItems.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* joining_;
  TCollection* collection_ = nullptr;
  int id_ = -1;
};

class TCollection : public TPersistent {
  VEL_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(const TCollectionItemClass& itemClass, TPersistent* owner = nullptr)
      : itemClass_(&itemClass), owner_(owner) {}
  ~TCollection() override;

  const TCollectionItemClass& ItemClass() const { return *itemClass_; }
  TPersistent* Owner() const { return owner_; }
  TPersistent* GetOwner() override { return owner_; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
  TCollectionItem* Items(int index) const;

  // A new item of ItemClass at the end, or at index (0..Count).
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();

  // Nested calls are counted; the outermost EndUpdate updates everything once.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  // Replaces the items with new ones assigned from source's, one by one.
  void Assign(TPersistent* source) override;

 protected:
  // Runs after every change while no update is in progress; item is the
  // changed item, or nullptr when the change may touch all of them.
  virtual void Update(TCollectionItem*) {}
  bool Updating() const { return updateCount_ > 0; }

 private:
  friend class TCollectionItem;
  // Runs change between BeginUpdate and EndUpdate, even when it throws.
  template <typename F>
  void WithUpdate(F change) {
    BeginUpdate();
    try {
      change();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  void CheckIndex(int index, int limit) const;
  void InsertItem(TCollectionItem* item);
  // Takes the item out of the list without any notification.
  void DetachItem(TCollectionItem* item);
  void MoveItem(int from, int to);
  void NotifyChange(TCollectionItem* item);

  const TCollectionItemClass* itemClass_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
  int nextID_ = 0;
};
