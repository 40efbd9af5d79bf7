#include "Collections.h"

#include <algorithm>

// ---- TCollectionItem -------------------------------------------------------------

VEL_COLLECTION_ITEM_IMPL(TCollectionItem, TPersistent)

TCollectionItem::~TCollectionItem() {
  // Reached without Free (plain delete): leave quietly, destructors never throw.
  if (collection_)
    collection_->DetachItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_)
    return;
  if (TCollection* old = collection_) {
    old->DetachItem(this);
    old->NotifyChange(nullptr);
  }
  if (collection)
    collection->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!collection_)
    return -1;
  const auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (collection_ && index != current)
    collection_->MoveItem(current, index);
}

void TCollectionItem::Assign(TPersistent* source) {
  if (!dynamic_cast<TCollectionItem*>(source))
    TPersistent::Assign(source);
}

TPersistent* TCollectionItem::GetOwner() {
  return collection_;
}

void TCollectionItem::AfterConstruction() {
  TPersistent::AfterConstruction();
  SetCollection(joining_);
}

void TCollectionItem::BeforeDestruction() {
  SetCollection(nullptr);
  TPersistent::BeforeDestruction();
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_)
    collection_->NotifyChange(allItems ? nullptr : this);
}

// ---- TCollection -----------------------------------------------------------------

VEL_CLASS_IMPL(TCollection, TPersistent)

TCollection::~TCollection() {
  // No Update from a collection being destroyed: its owner may be half gone.
  ++updateCount_;
  while (!items_.empty()) {
    TCollectionItem* item = items_.back();
    DetachItem(item);
    item->Free();
  }
}

TCollectionItem* TCollection::Items(int index) const {
  CheckIndex(index, Count());
  return items_[index];
}

TCollectionItem* TCollection::Add() {
  return itemClass_->CreateItem(this);
}

TCollectionItem* TCollection::Insert(int index) {
  CheckIndex(index, Count() + 1);
  TCollectionItem* item = nullptr;
  WithUpdate([&] {
    item = Add();
    item->SetIndex(index);
  });
  return item;
}

void TCollection::Delete(int index) {
  Items(index)->Free();
}

void TCollection::Clear() {
  if (items_.empty())
    return;
  WithUpdate([this] {
    while (!items_.empty())
      items_.back()->Free();
  });
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0)
    Update(nullptr);
}

void TCollection::Assign(TPersistent* source) {
  if (source == this)
    return;
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  WithUpdate([&] {
    Clear();
    for (TCollectionItem* item : other->items_)
      Add()->Assign(item);
  });
}

void TCollection::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw EListError(Format("List index out of bounds (%d)", index));
}

void TCollection::InsertItem(TCollectionItem* item) {
  item->collection_ = this;
  item->id_ = nextID_++;
  items_.push_back(item);
  NotifyChange(nullptr);
}

void TCollection::DetachItem(TCollectionItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->collection_ = nullptr;
}

void TCollection::MoveItem(int from, int to) {
  CheckIndex(to, Count());
  TCollectionItem* item = items_[from];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, item);
  NotifyChange(nullptr);
}

void TCollection::NotifyChange(TCollectionItem* item) {
  if (!Updating())
    Update(item);
}
