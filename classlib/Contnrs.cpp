#include "Contnrs.h"

#include <algorithm>

// The component that registers for the items' free notifications on the
// list's behalf (a list is no component itself).
class TComponentList::TNexus : public TComponent {
 public:
  explicit TNexus(TComponentList* list) : TComponent(nullptr), list_(list) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove)
      list_->ItemFreed(component);
  }

 private:
  TComponentList* list_;
};

VEL_CLASS_IMPL(TComponentList, TObject)

TComponentList::TComponentList(bool ownsObjects)
    : ownsObjects_(ownsObjects), nexus_(Create<TNexus>(this)) {}

TComponentList::~TComponentList() {
  try {
    Clear();
  } catch (...) {
    // Destructors never throw; an item that failed to go was freed anyway.
  }
}

TComponent* TComponentList::Items(int index) const {
  CheckIndex(index, Count());
  return items_[index];
}

int TComponentList::Add(TComponent* component) {
  Insert(Count(), component);
  return Count() - 1;
}

void TComponentList::Insert(int index, TComponent* component) {
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, component);
  if (component)
    nexus_->FreeNotification(component);
}

void TComponentList::Delete(int index) {
  CheckIndex(index, Count());
  TComponent* component = items_[index];
  items_.erase(items_.begin() + index);
  StopWatching(component);
  if (ownsObjects_ && component)
    component->Free();
}

int TComponentList::Remove(TComponent* component) {
  const int index = IndexOf(component);
  if (index >= 0)
    Delete(index);
  return index;
}

int TComponentList::IndexOf(const TComponent* component) const {
  auto it = std::find(items_.begin(), items_.end(), component);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TComponentList::Clear() {
  // Freeing one item may free others, which leave the list meanwhile.
  while (!items_.empty())
    Delete(Count() - 1);
}

void TComponentList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw EListError(Format("List index out of bounds (%d)", index));
}

void TComponentList::ItemFreed(TComponent* component) {
  items_.erase(std::remove(items_.begin(), items_.end(), component), items_.end());
}

void TComponentList::StopWatching(TComponent* component) {
  if (component && IndexOf(component) < 0)
    nexus_->RemoveFreeNotification(component);
}
