#include "Classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

// Logs notifications and destruction into a shared log; a test can hook extra
// work into Notification.
class TProbe : public TComponent {
  VEL_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* owner) : TComponent(owner) {}

  TLog* Log = nullptr;
  std::function<void(TComponent*, TOperation)> OnNotify;
  std::function<void()> OnBeforeDestruction;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (Log)
      Log->push_back(Name() + (op == opInsert ? " +" : " -") + c->Name());
    if (OnNotify)
      OnNotify(c, op);
  }
  void BeforeDestruction() override {
    if (Log)
      Log->push_back("free " + Name());
    if (OnBeforeDestruction)
      OnBeforeDestruction();
    TComponent::BeforeDestruction();
  }
};
VEL_COMPONENT_IMPL(TProbe, TComponent)

class TProbeChild : public TProbe {
  VEL_CLASS(TProbeChild, TProbe)
 public:
  using TProbe::TProbe;
};
VEL_COMPONENT_IMPL(TProbeChild, TProbe)

TProbe* NewProbe(TComponent* owner, const std::string& name, TLog& log) {
  TProbe* p = Create<TProbe>(owner);
  p->SetName(name);
  p->Log = &log;
  return p;
}

TEST(ComponentOwnership, OwnerFreesOwnedLastCreatedFirstAndIsTold) {
  TLog log;
  TProbe* owner = NewProbe(nullptr, "owner", log);
  Create<TProbe>(owner)->SetName("a");
  NewProbe(owner, "b", log);
  NewProbe(owner, "c", log);
  EXPECT_EQ(owner->Components(2)->Name(), "c");
  EXPECT_EQ(log, (TLog{"owner +", "owner +", "owner +"}));

  log.clear();
  owner->Free();
  // The owner is not told about children it frees itself.
  EXPECT_EQ(log, (TLog{"free owner", "free c", "free b"}));
}

TEST(ComponentOwnership, ChildFreedAloneLeavesItsOwner) {
  TLog log;
  TOwned<TProbe> owner(NewProbe(nullptr, "owner", log));
  TProbe* child = NewProbe(owner.get(), "child", log);
  log.clear();
  child->Free();
  EXPECT_EQ(log, (TLog{"free child", "owner -child"}));
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST(ComponentOwnership, InsertComponentMovesBetweenOwners) {
  TLog log;
  TOwned<TProbe> first(NewProbe(nullptr, "first", log));
  TOwned<TProbe> second(NewProbe(nullptr, "second", log));
  TProbe* child = NewProbe(first.get(), "child", log);
  log.clear();
  second->InsertComponent(child);
  EXPECT_EQ(log, (TLog{"first -child", "second +child"}));
  EXPECT_EQ(child->Owner(), second.get());
  EXPECT_EQ(first->ComponentCount(), 0);
  second->RemoveComponent(child);
  EXPECT_EQ(child->Owner(), nullptr);
  child->Free();
}

TEST(ComponentOwnership, DestroyingIsVisibleToEveryChildBeforeAnyIsFreed) {
  TOwned<TComponent> owner(Create<TComponent>(nullptr));
  TProbe* first = Create<TProbe>(owner.get());
  TProbe* last = Create<TProbe>(owner.get());
  TComponent* grandChild = Create<TComponent>(first);
  std::vector<bool> seen;
  last->OnBeforeDestruction = [&] {
    // last is freed first; its sibling and the sibling's child are marked already.
    seen.push_back(last->ComponentState().Contains(csDestroying));
    seen.push_back(first->ComponentState().Contains(csDestroying));
    seen.push_back(grandChild->ComponentState().Contains(csDestroying));
  };
  EXPECT_FALSE(first->ComponentState().Contains(csDestroying));
  owner.reset();
  EXPECT_EQ(seen, (std::vector<bool>{true, true, true}));
}

TEST(ComponentOwnership, FindComponentIgnoresCase) {
  TOwned<TComponent> owner(Create<TComponent>(nullptr));
  TComponent* button = Create<TComponent>(owner.get());
  button->SetName("btnConnect");
  Create<TComponent>(owner.get());  // unnamed
  EXPECT_EQ(owner->FindComponent("BTNCONNECT"), button);
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  EXPECT_EQ(owner->FindComponent("btnClose"), nullptr);
  EXPECT_THROW(owner->Components(2), EListError);
}

TEST(FreeNotification, ReceiversMayFreeThemselvesAndOthersInsideNotification) {
  TLog log;
  TProbe* sender = NewProbe(nullptr, "S", log);
  TProbe* r1 = NewProbe(nullptr, "R1", log);
  TProbe* r2 = NewProbe(nullptr, "R2", log);
  TProbe* r3 = NewProbe(nullptr, "R3", log);
  for (TProbe* r : {r1, r2, r3})
    sender->FreeNotification(r);
  r3->OnNotify = [&](TComponent*, TOperation) { r1->Free(); };  // frees another receiver
  r2->OnNotify = [&](TComponent*, TOperation) { r2->Free(); };  // frees itself
  sender->Free();
  // R1 is gone before its turn; its own destruction tells the sender instead.
  EXPECT_EQ(log, (TLog{"free S", "R3 -S", "free R1", "S -R1", "R2 -S", "free R2"}));
  r3->Free();
}

TEST(FreeNotification, DestroyedReceiverIsUnregisteredOnBothSides) {
  TLog log;
  TProbe* sender = NewProbe(nullptr, "S", log);
  TProbe* receiver = NewProbe(nullptr, "R", log);
  sender->FreeNotification(receiver);
  sender->FreeNotification(receiver);  // registering twice still tells once
  receiver->Free();
  sender->Free();
  EXPECT_EQ(log, (TLog{"free R", "S -R", "free S"}));
}

TEST(FreeNotification, RemovedFromEitherSideTellsNoOne) {
  TLog log;
  TProbe* a = NewProbe(nullptr, "A", log);
  TProbe* b = NewProbe(nullptr, "B", log);
  a->FreeNotification(b);
  b->RemoveFreeNotification(a);
  a->Free();
  b->Free();
  EXPECT_EQ(log, (TLog{"free A", "free B"}));
}

TEST(ObjectModel, ClassIdentityAndChecks) {
  TOwned<TProbeChild> child(Create<TProbeChild>(nullptr));
  TObject* obj = child.get();
  EXPECT_EQ(obj->ClassType(), &TProbeChild::StaticClass());  // exactly this class
  EXPECT_TRUE(obj->InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(TProbe::StaticClass().InheritsFrom(&TProbeChild::StaticClass()));
  EXPECT_EQ(obj->As<TComponent>(), child.get());
  TOwned<TComponent> plain(Create<TComponent>(nullptr));
  EXPECT_FALSE(plain->Is<TProbe>());
  try {
    plain->As<TProbe>();
    FAIL() << "As<> accepted a wrong class";
  } catch (const EInvalidCast& e) {
    EXPECT_EQ(e.Message(), "Invalid class typecast");
  }
}

TEST(ObjectModel, RegistryFindsClassesIgnoringCaseAndCreatesThem) {
  RegisterClass(TProbeChild::StaticClass());
  EXPECT_EQ(GetClass("tprobechild"), &TProbeChild::StaticClass());
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);

  TOwned<TComponent> owner(Create<TComponent>(nullptr));
  TComponent* made = FindClass("TProbeChild")->CreateInstance(owner.get());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), &TProbeChild::StaticClass());
  EXPECT_EQ(made->Owner(), owner.get());
  EXPECT_EQ(TPersistent::StaticClass().CreateInstance(nullptr), nullptr);
}

// A persistent that can copy itself into a TTarget but not take anything in.
class TSource : public TPersistent {
  VEL_CLASS(TSource, TPersistent)
 public:
  int Value = 7;

 protected:
  void AssignTo(TPersistent* dest) override;
};
VEL_CLASS_IMPL(TSource, TPersistent)

class TTarget : public TPersistent {
  VEL_CLASS(TTarget, TPersistent)
 public:
  int Value = 0;
};
VEL_CLASS_IMPL(TTarget, TPersistent)

void TSource::AssignTo(TPersistent* dest) {
  if (auto* target = dynamic_cast<TTarget*>(dest)) {
    target->Value = Value;
  } else {
    TPersistent::AssignTo(dest);
  }
}

TEST(Persistent, AssignFallsBackToAssignToThenFails) {
  TSource source;
  TTarget target;
  target.Assign(&source);
  EXPECT_EQ(target.Value, 7);

  try {
    source.Assign(&target);
    FAIL() << "Assign accepted an unknown class";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TTarget to a TSource");
  }
  EXPECT_THROW(target.Assign(nullptr), EConvertError);
}

}  // namespace
