#include "ActionTestSupport.h"
#include "Forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Actions among a running application: its action handlers and its window
// (seen through a hook of the window, ahead of the forms).
class ActionExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    classlib::Startup();
    Application()->HookMainWindow(Method<&TEventRecorder::WindowHook>(&recorder_));
    Application()->OnActionExecute = Method<&TEventRecorder::ApplicationExecute>(&recorder_);
    Application()->OnActionUpdate = Method<&TEventRecorder::ApplicationUpdate>(&recorder_);
    list_ = Create<TTestActionList>(Application());
    list_->SetName("List");
    action_ = Create<TAction>(Application());
    action_->SetName("Act");
    action_->SetActionList(list_);
  }
  void TearDown() override { classlib::Shutdown(); }

  TEventRecorder recorder_;
  TTestActionList* list_ = nullptr;
  TAction* action_ = nullptr;
};

TEST_F(ActionExecuteTest, WithoutHandlersTheApplicationWindowGetsTheActionAndDecides) {
  EXPECT_TRUE(action_->Execute());
  EXPECT_THAT(Events(),
              ElementsAre("list execute Act", "application execute Act", "window execute Act"));
  EXPECT_THAT(recorder_.windowReceived, ElementsAre(action_));

  // A window result other than 1 means not executed.
  recorder_.windowTakes = false;  // and no form takes it either
  EXPECT_FALSE(action_->Execute());
  EXPECT_THAT(recorder_.windowReceived, ElementsAre(action_, action_));
}

TEST_F(ActionExecuteTest, TheFirstThatTakesTheActionEndsTheWalk) {
  action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
  EXPECT_TRUE(action_->Execute());
  EXPECT_THAT(Events(), ElementsAre("list execute Act", "application execute Act", "execute Act"));

  Events().clear();
  recorder_.applicationTakes = true;
  EXPECT_TRUE(action_->Execute());
  EXPECT_THAT(Events(), ElementsAre("list execute Act", "application execute Act"));

  Events().clear();
  list_->takes = true;
  EXPECT_TRUE(action_->Execute());
  EXPECT_THAT(Events(), ElementsAre("list execute Act"));
  EXPECT_THAT(recorder_.windowReceived, IsEmpty());
}

TEST(ActionWithoutApplicationTest, NothingExecutesAnUnhandledAction) {
  TOwned<TAction> action(Create<TAction>(nullptr));
  EXPECT_FALSE(action->Execute());
  EXPECT_FALSE(action->Update());
}

TEST_F(ActionExecuteTest, UpdateAsksTheListTheApplicationThenOnUpdate) {
  EXPECT_FALSE(action_->Update());
  action_->OnUpdate = Method<&TEventRecorder::ActionUpdate>(&recorder_);
  EXPECT_TRUE(action_->Update());
  recorder_.applicationTakes = true;
  EXPECT_TRUE(action_->Update());
  list_->takes = true;
  EXPECT_TRUE(action_->Update());
  EXPECT_THAT(Events(), ElementsAre("list update Act", "application update Act",  // none
                                    "list update Act", "application update Act", "update Act",
                                    "list update Act", "application update Act",  // application
                                    "list update Act"));                          // list
}

class LinkExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    link_->SetAction(action_.get());
  }

  // Records the action's ActionComponent while it runs.
 public:
  void SeeComponent(TObject*) {
    seen_ = action_->ActionComponent();
    if (throws_)
      throw std::runtime_error("handler failed");
  }

 protected:
  TEventRecorder recorder_;
  TOwned<TAction> action_{Create<TAction>(nullptr)};
  TOwned<TBasicActionLink> link_{Create<TActionLink>(nullptr)};
  TOwned<TComponent> target_{Create<TComponent>(nullptr)};
  TComponent* seen_ = nullptr;
  bool throws_ = false;
};

TEST_F(LinkExecuteTest, TheTargetIsTheActionComponentWhileItRuns) {
  action_->SetOnExecute(Method<&LinkExecuteTest::SeeComponent>(this));
  EXPECT_TRUE(link_->Execute(target_.get()));
  EXPECT_EQ(seen_, target_.get());
  EXPECT_EQ(action_->ActionComponent(), nullptr);

  throws_ = true;
  EXPECT_THROW(link_->Execute(target_.get()), std::runtime_error);
  EXPECT_EQ(action_->ActionComponent(), nullptr);
}

TEST_F(LinkExecuteTest, ANestedExecuteGivesTheOuterTargetBack) {
  struct TNested {
    void Run(TObject*) {
      if (depth++ == 0) {
        inner->Execute(innerTarget);
        afterInner = action->ActionComponent();
      }
    }
    TBasicAction* action;
    TBasicActionLink* inner;
    TComponent* innerTarget;
    int depth = 0;
    TComponent* afterInner = nullptr;
  };
  TOwned<TBasicActionLink> inner(Create<TActionLink>(nullptr));
  inner->SetAction(action_.get());
  TOwned<TComponent> innerTarget(Create<TComponent>(nullptr));
  TNested nested{action_.get(), inner.get(), innerTarget.get()};
  action_->SetOnExecute(Method<&TNested::Run>(&nested));
  link_->Execute(target_.get());
  EXPECT_EQ(nested.afterInner, target_.get());
  EXPECT_EQ(action_->ActionComponent(), nullptr);
}

TEST_F(LinkExecuteTest, AnActionFreedByItsOwnHandlerIsLeftAlone) {
  struct TFreeAction {
    void Run(TObject*) { action->reset(); }
    TOwned<TAction>* action;
  } freer{&action_};
  action_->SetOnExecute(Method<&TFreeAction::Run>(&freer));
  EXPECT_TRUE(link_->Execute(target_.get()));
  EXPECT_EQ(link_->Action(), nullptr);
}

TEST_F(LinkExecuteTest, UpdateGoesToTheAction) {
  action_->OnUpdate = Method<&TEventRecorder::ActionUpdate>(&recorder_);
  EXPECT_TRUE(link_->Update());
  link_->SetAction(nullptr);
  EXPECT_FALSE(link_->Update());
  EXPECT_FALSE(link_->Execute());
}

}  // namespace
