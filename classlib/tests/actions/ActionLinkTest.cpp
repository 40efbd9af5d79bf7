#include "ActionTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A hint action of the wide layer's kind: a descendant, not THintAction.
class TDerivedHintAction : public THintAction {
  VEL_CLASS(TDerivedHintAction, THintAction)

 public:
  using THintAction::THintAction;
};
VEL_COMPONENT_IMPL(TDerivedHintAction, THintAction)

TEST(ActionClassesTest, ALinkIsMadeFromItsRegisteredMetaclass) {
  RegisterActionClasses();
  const TMetaClass* meta = GetClass("TWinControlActionLink");
  ASSERT_EQ(meta, &TWinControlActionLink::StaticClass());
  ASSERT_NE(TActionLinkClass::Of(meta), nullptr);

  TOwned<TBasicActionLink> link(CreateActionLink(&TRecordingLink::StaticClass(), nullptr));
  EXPECT_EQ(link->ClassType(), &TRecordingLink::StaticClass());
  EXPECT_THROW(CreateActionLink(&TAction::StaticClass(), nullptr), EInvalidCast);
  EXPECT_EQ(TActionLinkClass::Of(&TObject::StaticClass()), nullptr);
}

TEST(ActionClassesTest, OnlyTheHintActionItselfIsExactlyTHintAction) {
  TOwned<TCustomAction> plain(Create<THintAction>(nullptr));
  TOwned<TCustomAction> derived(Create<TDerivedHintAction>(nullptr));
  EXPECT_EQ(plain->ClassType(), &THintAction::StaticClass());
  EXPECT_NE(derived->ClassType(), &THintAction::StaticClass());
  EXPECT_TRUE(derived->InheritsFrom(THintAction::StaticClass()));
}

TEST(ActionClassesTest, PublishedOnExecuteGoesThroughTheSetter) {
  Events().clear();
  TEventRecorder recorder;
  TOwned<TAction> action(Create<TAction>(nullptr));
  TOwned<TBasicActionLink> link(Create<TRecordingLink>(nullptr));
  link->SetAction(action.get());
  const TPropInfo* prop = GetPropInfo(action.get(), "OnExecute");
  ASSERT_NE(prop, nullptr);
  SetMethodProp(action.get(), *prop, Method<&TEventRecorder::ActionExecute>(&recorder).AsMethod());
  EXPECT_THAT(Events(), ElementsAre("link onexecute set while cleared"));
}

// ---- Links and their actions --------------------------------------------------------

class ActionLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    action_->SetName("Act");
    link_->OnChange = Method<&TEventRecorder::ActionChange>(&recorder_);
  }

  TEventRecorder recorder_;
  TOwned<TAction> action_{Create<TAction>(nullptr)};
  TOwned<TActionLink> link_{Create<TActionLink>(nullptr)};
};

TEST_F(ActionLinkTest, SettingTheActionMovesTheRegistration) {
  link_->SetAction(action_.get());
  EXPECT_EQ(link_->Action(), action_.get());
  ASSERT_EQ(action_->ClientCount(), 1);
  EXPECT_EQ(action_->Clients(0), link_.get());

  TOwned<TAction> other(Create<TAction>(nullptr));
  other->SetName("Other");
  link_->SetAction(other.get());
  EXPECT_EQ(action_->ClientCount(), 0);
  EXPECT_EQ(other->ClientCount(), 1);

  link_->SetAction(nullptr);
  EXPECT_EQ(other->ClientCount(), 0);
}

TEST_F(ActionLinkTest, ChangeTellsTheClientWithTheActionAsSender) {
  link_->SetAction(action_.get());
  EXPECT_THAT(Events(), IsEmpty());
  link_->Change();
  EXPECT_THAT(Events(), ElementsAre("change Act"));
}

TEST_F(ActionLinkTest, TheBaseLinkFollowsWhateverACustomActionHas) {
  using TIsLinked = bool (TActionLink::*)();
  const TIsLinked valueLinks[] = {&TActionLink::IsCaptionLinked, &TActionLink::IsHintLinked,
                                  &TActionLink::IsEnabledLinked, &TActionLink::IsVisibleLinked,
                                  &TActionLink::IsCheckedLinked, &TActionLink::IsImageIndexLinked,
                                  &TActionLink::IsShortCutLinked};
  EXPECT_FALSE(link_->IsCaptionLinked());
  EXPECT_FALSE(link_->IsOnExecuteLinked());
  link_->SetAction(action_.get());
  for (TIsLinked isLinked : valueLinks)
    EXPECT_TRUE((link_.get()->*isLinked)());
  EXPECT_TRUE(link_->IsOnExecuteLinked());

  // A basic action has no values to follow, only its handler.
  TOwned<TBasicAction> basic(Create<TBasicAction>(nullptr));
  link_->SetAction(basic.get());
  for (TIsLinked isLinked : valueLinks)
    EXPECT_FALSE((link_.get()->*isLinked)());
  EXPECT_TRUE(link_->IsOnExecuteLinked());
}

TEST_F(ActionLinkTest, AFreedActionLeavesItsLinksWithout) {
  link_->SetAction(action_.get());
  TOwned<TBasicActionLink> second(Create<TRecordingLink>(nullptr));
  second->SetAction(action_.get());
  action_.reset();
  EXPECT_EQ(link_->Action(), nullptr);
  EXPECT_EQ(second->Action(), nullptr);
}

TEST_F(ActionLinkTest, AFreedLinkLeavesItsAction) {
  link_->SetAction(action_.get());
  link_.reset();
  EXPECT_EQ(action_->ClientCount(), 0);
  action_->SetCaption("still fine");
}

// ---- Actions and their list ---------------------------------------------------------

class ActionListMembershipTest : public ::testing::Test {
 protected:
  TAction* AddAction(const char* name) {
    auto* action = Create<TAction>(owner_.get());
    action->SetName(name);
    action->SetActionList(list_.get());
    return action;
  }

  TOwned<TComponent> owner_{Create<TComponent>(nullptr)};
  TOwned<TTestActionList> list_{Create<TTestActionList>(nullptr)};
};

TEST_F(ActionListMembershipTest, TheListKeepsTheActionsInOrderUntilTheyLeave) {
  TAction* open = AddAction("Open");
  TAction* save = AddAction("Save");
  EXPECT_THAT(list_->actions, ElementsAre(open, save));
  EXPECT_EQ(save->Index(), 1);
  save->SetIndex(0);
  EXPECT_THAT(list_->actions, ElementsAre(save, open));
  EXPECT_EQ(open->Index(), 1);

  open->SetActionList(nullptr);
  EXPECT_EQ(open->Index(), -1);
  EXPECT_THAT(list_->actions, ElementsAre(save));
  open->SetActionList(list_.get());
  save->Free();  // a freed action leaves the list
  EXPECT_THAT(list_->actions, ElementsAre(open));
}

TEST_F(ActionListMembershipTest, AFreedListLeavesItsActionsWithout) {
  TAction* open = AddAction("Open");
  list_.reset();
  EXPECT_EQ(open->ActionList(), nullptr);
  EXPECT_EQ(open->Index(), -1);
  EXPECT_FALSE(open->Execute());
}

TEST_F(ActionListMembershipTest, OnlyAContainerCanHoldActions) {
  TAction* open = AddAction("Open");
  EXPECT_THROW(open->SetActionList(owner_.get()), EInvalidCast);
  EXPECT_EQ(open->ActionList(), list_.get());
}

}  // namespace
