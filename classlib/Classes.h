// The object model: metaclasses, two-phase creation and destruction,
// persistent objects and components with ownership and free notification.
#pragma once

#include "Closure.h"
#include "SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class TObject;
class TComponent;
class TFiler;
class TBasicAction;

// A set of enumeration values as a bit mask (up to 32 elements).
template <typename E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items)
      bits_ |= Bit(e);
  }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  TSet& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  TSet& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }
  constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr bool operator==(TSet o) const { return bits_ == o.bits_; }
  constexpr bool operator!=(TSet o) const { return bits_ != o.bits_; }

 private:
  static constexpr uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
  uint32_t bits_ = 0;
};

class TPublishedInfo;

// What the library knows of a class: its name, parent, for components a
// factory, and what it publishes (TypInfo.h). The reader and "exactly class X"
// tests work on these.
class TMetaClass {
 public:
  using Factory = TComponent* (*)(TComponent* owner);
  using PublishedTable = const TPublishedInfo& (*)();
  TMetaClass(const char* name, const TMetaClass* parent, Factory factory = nullptr,
             PublishedTable published = nullptr)
      : name_(name), parent_(parent), factory_(factory), published_(published) {}

  const char* Name() const { return name_; }
  const TMetaClass* Parent() const { return parent_; }
  bool InheritsFrom(const TMetaClass* other) const;
  // Creates an instance through Create<T>; null for classes without factory.
  TComponent* CreateInstance(TComponent* owner) const;
  // The class's own table of published entries; null when it publishes
  // nothing beyond its parent.
  PublishedTable OwnPublished() const { return published_; }

 private:
  const char* name_;
  const TMetaClass* parent_;
  Factory factory_;
  PublishedTable published_;
};

template <typename C>
class TPublisher;

// Finds a class's own `static void Publish(TPublisher<C>&)`, private or not
// (every VEL_CLASS befriends this), and builds its table lazily.
struct TPublishedAccess {
  template <typename C>
  static constexpr TMetaClass::PublishedTable TableOf() {
    if constexpr (decltype(HasOwnPublish<C>(0))::value) {
      return &Table<C>;
    } else {
      return nullptr;
    }
  }

 private:
  template <typename C>
  static auto HasOwnPublish(int)
      -> decltype(static_cast<void (*)(TPublisher<C>&)>(&C::Publish), std::true_type{});
  template <typename C>
  static std::false_type HasOwnPublish(...);
  template <typename C>
  static const TPublishedInfo& Table();  // defined in TypInfo.h
};

// Class registry for finding classes by name (case-insensitive).
void RegisterClass(const TMetaClass& meta);
const TMetaClass* FindClass(const std::string& name);  // raises EFilerError when absent
const TMetaClass* GetClass(const std::string& name);   // null when absent

// In a class body: VEL_CLASS(TFoo, TBase). In its source file:
// VEL_CLASS_IMPL(TFoo, TBase) or, for components made by the reader,
// VEL_COMPONENT_IMPL(TFoo, TBase).
#define VEL_CLASS(Name, Parent)                  \
 public:                                         \
  static const TMetaClass& StaticClass();        \
  const TMetaClass* ClassType() const override { \
    return &StaticClass();                       \
  }                                              \
                                                 \
 private:                                        \
  friend struct ::TPublishedAccess;

#define VEL_CLASS_IMPL(Name, Parent)                                     \
  const TMetaClass& Name::StaticClass() {                                \
    static const TMetaClass meta(#Name, &Parent::StaticClass(), nullptr, \
                                 TPublishedAccess::TableOf<Name>());     \
    return meta;                                                         \
  }

#define VEL_COMPONENT_IMPL(Name, Parent)                                      \
  const TMetaClass& Name::StaticClass() {                                     \
    static const TMetaClass meta(                                             \
        #Name, &Parent::StaticClass(),                                        \
        [](TComponent* owner) -> TComponent* { return Create<Name>(owner); }, \
        TPublishedAccess::TableOf<Name>());                                   \
    return meta;                                                              \
  }

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static const TMetaClass& StaticClass();
  virtual const TMetaClass* ClassType() const { return &StaticClass(); }
  const char* ClassName() const { return ClassType()->Name(); }
  bool InheritsFrom(const TMetaClass& meta) const { return ClassType()->InheritsFrom(&meta); }

  template <typename T>
  bool Is() const {
    return dynamic_cast<const T*>(this) != nullptr;
  }
  // Checked cast: raises EInvalidCast ("Invalid class typecast").
  template <typename T>
  T* As() {
    T* p = dynamic_cast<T*>(this);
    if (!p)
      throw EInvalidCast("Invalid class typecast");
    return p;
  }

  // Second phase of creation, run by Create<T> once the object is complete.
  virtual void AfterConstruction() {}
  // First phase of destruction, run by Free() while the object is complete.
  virtual void BeforeDestruction() {}
  void Free();
};

// Constructs, then runs AfterConstruction (virtual calls are safe there).
template <typename T, typename... A>
T* Create(A&&... args) {
  T* obj = new T(std::forward<A>(args)...);
  try {
    obj->AfterConstruction();
  } catch (...) {
    obj->Free();
    throw;
  }
  return obj;
}

template <typename T>
void FreeAndNil(T*& obj) {
  T* p = obj;
  obj = nullptr;
  if (p)
    p->Free();
}

struct TFreeDeleter {
  void operator()(TObject* obj) const {
    if (obj)
      obj->Free();
  }
};
// An owning pointer that destroys through Free().
template <typename T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

class TPersistent : public TObject {
  VEL_CLASS(TPersistent, TObject)
 public:
  // Copies src into this; falls back to src->AssignTo(this); raises
  // EConvertError "Cannot assign a X to a Y" when neither knows how.
  virtual void Assign(TPersistent* source);
  virtual void DefineProperties(TFiler& filer);
  virtual TPersistent* GetOwner() { return nullptr; }

 protected:
  virtual void AssignTo(TPersistent* dest);
};

enum TComponentStateFlag { csLoading, csReading, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

using TNotifyEvent = TClosure<void(TObject* sender)>;

class TComponent : public TPersistent {
  VEL_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  TPersistent* GetOwner() override { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  TComponent* FindComponent(const std::string& name) const;  // case-insensitive

  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }

  // c is told (Notification opRemove) when this component is destroyed, and
  // the other way round.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);

  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);

  // Sets csDestroying, destroys handles, frees the owned components (last
  // created first), tells the free-notification receivers, then leaves the
  // owner. Derived classes do their own early work first, then call this.
  void BeforeDestruction() override;
  // Marks this and its owned components as being destroyed.
  virtual void Destroying();

  // Where the reader puts the components read inside this one's block:
  // controls answer the windowed control that becomes their parent.
  virtual TComponent* GetChildParent() { return this; }

 protected:
  friend class TReader;
  // Called by the component reader only, after a whole form was read.
  virtual void Loaded();
  // The reader hands a new component the GetChildParent of the block that
  // contains it; controls take it as their Parent.
  virtual void SetParentComponent(TComponent*) {}
  // The owner hears of components joining and leaving it (opInsert/opRemove);
  // a free-notification partner hears opRemove when the other is destroyed,
  // by which time the two are already unregistered from each other.
  virtual void Notification(TComponent* component, TOperation operation);
  // Windowed controls destroy their window here, before free notifications.
  virtual void DestroyHandles() {}
  void SetState(TComponentStateFlag flag, bool on);

 private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void FreeComponents();
  void SendFreeNotifications();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_;
};
