#include "Classes.h"

#include <algorithm>
#include <map>

// ---- TMetaClass and the class registry ----------------------------------------

bool TMetaClass::InheritsFrom(const TMetaClass* other) const {
  for (const TMetaClass* m = this; m; m = m->parent_) {
    if (m == other)
      return true;
  }
  return false;
}

TComponent* TMetaClass::CreateInstance(TComponent* owner) const {
  return factory_ ? factory_(owner) : nullptr;
}

namespace {

// Keyed by the upper-case name, so look-ups ignore case. Built on first use:
// registration runs from start-up code, never from static initialisers.
std::map<std::string, const TMetaClass*>& ClassRegistry() {
  static std::map<std::string, const TMetaClass*> registry;
  return registry;
}

void EraseValue(std::vector<TComponent*>& list, TComponent* c) {
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

}  // namespace

void RegisterClass(const TMetaClass& meta) {
  ClassRegistry()[UpperCase(meta.Name())] = &meta;
}

const TMetaClass* GetClass(const std::string& name) {
  auto& registry = ClassRegistry();
  auto it = registry.find(UpperCase(name));
  return it == registry.end() ? nullptr : it->second;
}

const TMetaClass* FindClass(const std::string& name) {
  const TMetaClass* meta = GetClass(name);
  if (!meta)
    throw EFilerError(Format("Class %s not found", name));
  return meta;
}

// ---- TObject -------------------------------------------------------------------

const TMetaClass& TObject::StaticClass() {
  static const TMetaClass meta("TObject", nullptr);
  return meta;
}

void TObject::Free() {
  // The object is deleted even when BeforeDestruction throws; the destructors
  // finish whatever it left undone.
  std::unique_ptr<TObject> self(this);
  BeforeDestruction();
}

// ---- TPersistent ---------------------------------------------------------------

VEL_CLASS_IMPL(TPersistent, TObject)

void TPersistent::Assign(TPersistent* source) {
  if (source) {
    source->AssignTo(this);
  } else {
    throw EConvertError(Format("Cannot assign a %s to a %s", "nil", ClassName()));
  }
}

void TPersistent::AssignTo(TPersistent* dest) {
  throw EConvertError(Format("Cannot assign a %s to a %s", ClassName(), dest->ClassName()));
}

void TPersistent::DefineProperties(TFiler&) {}

// ---- TComponent ----------------------------------------------------------------

VEL_COMPONENT_IMPL(TComponent, TPersistent)

TComponent::TComponent(TComponent* owner) {
  if (owner)
    owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Normally BeforeDestruction has done all of this and the lists are empty.
  // A component deleted without Free(), or whose BeforeDestruction threw, is
  // still unhooked here so that no one keeps a dangling pointer to it.
  try {
    Destroying();
    FreeComponents();
    SendFreeNotifications();
    if (owner_)
      owner_->RemoveComponent(this);
  } catch (...) {
    // Destructors never throw.
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError(Format("List index out of bounds (%d)", index));
  }
  return components_[index];
}

void TComponent::InsertComponent(TComponent* c) {
  if (!c || c->owner_ == this)
    return;
  if (c->owner_)
    c->owner_->RemoveComponent(c);
  Insert(c);
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (!c || c->owner_ != this)
    return;
  Notification(c, opRemove);
  Remove(c);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty())
    return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->name_, name))
      return c;
  }
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name != name_)
    name_ = name;
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this)
    return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) {
    freeNotifies_.push_back(c);
  }
  if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end()) {
    c->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c)
    return;
  EraseValue(freeNotifies_, c);
  EraseValue(c->freeNotifies_, this);
}

bool TComponent::ExecuteAction(TBasicAction*) {
  return false;
}

bool TComponent::UpdateAction(TBasicAction*) {
  return false;
}

void TComponent::BeforeDestruction() {
  if (!state_.Contains(csDestroying))
    Destroying();
  DestroyHandles();
  FreeComponents();
  SendFreeNotifications();
  if (owner_)
    owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying))
    return;
  state_.Include(csDestroying);
  for (TComponent* c : components_)
    c->Destroying();
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
  if (on) {
    state_.Include(flag);
  } else {
    state_.Exclude(flag);
  }
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  EraseValue(components_, c);
  c->owner_ = nullptr;
}

void TComponent::FreeComponents() {
  // Last created first. Each child is detached before it is freed, so a child
  // that frees a sibling meanwhile leaves the list consistent.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    c->Free();
  }
}

void TComponent::SendFreeNotifications() {
  // Pop before telling: a receiver may free itself or other receivers inside
  // Notification, and their destruction takes them off this list.
  while (!freeNotifies_.empty()) {
    TComponent* c = freeNotifies_.back();
    freeNotifies_.pop_back();
    EraseValue(c->freeNotifies_, this);
    c->Notification(this, opRemove);
  }
}
