#include "TypInfo.h"

#include <algorithm>

// ---- TEnumType -----------------------------------------------------------------

std::string TEnumType::ValueName(int value) const {
  return value >= 0 && value < Count() ? values_[value] : std::string();
}

int TEnumType::ValueOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(values_[i], name))
      return i;
  }
  return -1;
}

VEL_ENUM_TYPE_IMPL(bool, "False", "True")

bool TIntegerIdents::IdentToInt(const std::string& name, int64_t& value) const {
  for (const auto& [ident, v] : entries_) {
    if (SameText(ident, name)) {
      value = v;
      return true;
    }
  }
  return false;
}

// ---- TPropInfo and the tables ----------------------------------------------------

bool TPropInfo::Writable() const {
  return SetOrd || SetStr || SetWideStr || SetObj || SetMethod;
}

namespace {

template <typename List>
auto FindByName(const List& list, const std::string& name) -> decltype(&*list.begin()) {
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const auto& entry) { return SameText(entry.Name, name); });
  return it == list.end() ? nullptr : &*it;
}

}  // namespace

void TPublishedInfo::AddProperty(TPropInfo info) {
  auto entry = std::make_shared<const TPropInfo>(std::move(info));
  auto same = std::find_if(properties_.begin(), properties_.end(),
                           [&](const auto& p) { return SameText(p->Name, entry->Name); });
  if (same != properties_.end()) {
    *same = entry;
  } else {
    properties_.push_back(entry);
  }
}

const TPropInfo* TPublishedInfo::FindProperty(const std::string& name) const {
  auto it = std::find_if(properties_.begin(), properties_.end(),
                         [&](const auto& p) { return SameText(p->Name, name); });
  return it == properties_.end() ? nullptr : it->get();
}

const TPublishedMethod* TPublishedInfo::FindMethod(const std::string& name) const {
  return FindByName(methods_, name);
}

const TPublishedField* TPublishedInfo::FindField(const std::string& name) const {
  return FindByName(fields_, name);
}

const TPublishedInfo& GetPublishedInfo(const TMetaClass* meta) {
  for (; meta; meta = meta->Parent()) {
    if (meta->OwnPublished())
      return meta->OwnPublished()();
  }
  static const TPublishedInfo empty;
  return empty;
}

// ---- Typed access ----------------------------------------------------------------

const TPropList& GetPropList(const TMetaClass* meta) {
  return GetPublishedInfo(meta).Properties();
}

const TPropInfo* GetPropInfo(const TMetaClass* meta, const std::string& name) {
  return GetPublishedInfo(meta).FindProperty(name);
}

const TPropInfo* GetPropInfo(const TObject* instance, const std::string& name) {
  return GetPropInfo(instance->ClassType(), name);
}

namespace {

// The accessor, or EPropertyError naming what is missing.
template <typename F>
const F& Accessor(const F& f, const TPropInfo& prop, const char* what) {
  if (!f)
    throw EPropertyError(Format("Property %s %s", prop.Name, what));
  return f;
}

// Calls an accessor on an instance it was made for: a getter applied to an
// object of another class would read someone else's memory.
template <typename F, typename... A>
auto Call(const F& f, TObject* instance, const TPropInfo& prop, A&&... args) {
  if (!instance || !instance->InheritsFrom(*prop.DeclaringClass)) {
    throw EPropertyError(
        Format("%s has no property %s", instance ? instance->ClassName() : "nil", prop.Name));
  }
  return f(instance, std::forward<A>(args)...);
}

const char* const kWrongKind = "is not of this type";
const char* const kReadOnly = "is read-only";

}  // namespace

int64_t GetOrdProp(TObject* instance, const TPropInfo& prop) {
  return Call(Accessor(prop.GetOrd, prop, kWrongKind), instance, prop);
}

void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value) {
  Accessor(prop.GetOrd, prop, kWrongKind);
  Call(Accessor(prop.SetOrd, prop, kReadOnly), instance, prop, value);
}

std::string GetStrProp(TObject* instance, const TPropInfo& prop) {
  return Call(Accessor(prop.GetStr, prop, kWrongKind), instance, prop);
}

void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value) {
  Accessor(prop.GetStr, prop, kWrongKind);
  Call(Accessor(prop.SetStr, prop, kReadOnly), instance, prop, value);
}

std::wstring GetWideStrProp(TObject* instance, const TPropInfo& prop) {
  return Call(Accessor(prop.GetWideStr, prop, kWrongKind), instance, prop);
}

void SetWideStrProp(TObject* instance, const TPropInfo& prop, const std::wstring& value) {
  Accessor(prop.GetWideStr, prop, kWrongKind);
  Call(Accessor(prop.SetWideStr, prop, kReadOnly), instance, prop, value);
}

TObject* GetObjectProp(TObject* instance, const TPropInfo& prop) {
  return Call(Accessor(prop.GetObj, prop, kWrongKind), instance, prop);
}

void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value) {
  Accessor(prop.GetObj, prop, kWrongKind);
  const auto& set = Accessor(prop.SetObj, prop, kReadOnly);
  if (value && !value->InheritsFrom(*prop.PropClass)) {
    throw EPropertyError(Format("Property %s takes a %s, not a %s", prop.Name,
                                prop.PropClass->Name(), value->ClassName()));
  }
  Call(set, instance, prop, value);
}

TMethod GetMethodProp(TObject* instance, const TPropInfo& prop) {
  return Call(Accessor(prop.GetMethod, prop, kWrongKind), instance, prop);
}

void SetMethodProp(TObject* instance, const TPropInfo& prop, const TMethod& value) {
  Accessor(prop.GetMethod, prop, kWrongKind);
  Call(Accessor(prop.SetMethod, prop, kReadOnly), instance, prop, value);
}
