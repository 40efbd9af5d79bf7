// A list of components that watches its items: an item freed elsewhere drops
// out of the list by itself. An owning list frees the items it lets go of.
#pragma once

#include "Classes.h"

#include <vector>

class TComponentList : public TObject {
  VEL_CLASS(TComponentList, TObject)
 public:
  explicit TComponentList(bool ownsObjects = true);
  // An owning list frees the items it still holds.
  ~TComponentList() override;

  bool OwnsObjects() const { return ownsObjects_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TComponent* Items(int index) const;

  int Add(TComponent* component);
  // index 0 .. Count; raises EListError otherwise.
  void Insert(int index, TComponent* component);
  // Takes the item out of the list, then frees it when the list owns it.
  void Delete(int index);
  // Deletes the first entry of component; its former index, -1 when absent.
  int Remove(TComponent* component);
  int IndexOf(const TComponent* component) const;
  // Deletes every item, last first.
  void Clear();

 private:
  class TNexus;
  friend class TNexus;

  void CheckIndex(int index, int limit) const;
  // An item is being destroyed elsewhere: every entry of it goes.
  void ItemFreed(TComponent* component);
  void StopWatching(TComponent* component);

  bool ownsObjects_;
  std::vector<TComponent*> items_;
  TOwned<TNexus> nexus_;
};
