#include "ActionTestSupport.h"
#include "Controls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

struct TClickRecorder {
  void OwnClick(TObject*) { Events().push_back("own click"); }
};

class ControlLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    action_->SetName("Act");
    action_->SetCaption("Open");
    action_->SetHint("Opens");
    action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
    graphic_->SetAction(action_.get());
    windowed_->SetAction(action_.get());
  }

  TEventRecorder recorder_;
  TOwned<TAction> action_{Create<TAction>(nullptr)};
  TOwned<TGraphicControl> graphic_{Create<TGraphicControl>(nullptr)};
  TOwned<TWinControl> windowed_{Create<TWinControl>(nullptr)};
};

TEST_F(ControlLinkTest, EachKindOfControlGetsItsOwnLinkClass) {
  ASSERT_NE(graphic_->ActionLink(), nullptr);
  ASSERT_NE(windowed_->ActionLink(), nullptr);
  EXPECT_EQ(graphic_->ActionLink()->ClassType(), &TControlActionLink::StaticClass());
  EXPECT_EQ(windowed_->ActionLink()->ClassType(), &TWinControlActionLink::StaticClass());
  EXPECT_EQ(action_->ClientCount(), 2);
}

TEST_F(ControlLinkTest, ALinkNeedsAClientOfItsKind) {
  TOwned<TComponent> component(Create<TComponent>(nullptr));
  EXPECT_THROW(CreateActionLink(&TControlActionLink::StaticClass(), component.get()), EInvalidCast);
  EXPECT_THROW(CreateActionLink(&TWinControlActionLink::StaticClass(), graphic_.get()),
               EInvalidCast);
  EXPECT_THROW(CreateActionLink(&TControlActionLink::StaticClass(), nullptr), EInvalidCast);
}

TEST_F(ControlLinkTest, LinkedValuesFollowTheActionChangeAfterChange) {
  for (TControl* control :
       {static_cast<TControl*>(graphic_.get()), static_cast<TControl*>(windowed_.get())}) {
    EXPECT_EQ(control->Caption(), "Open");
    EXPECT_EQ(control->Hint(), "Opens");
  }
  action_->SetCaption("Save");
  action_->SetCaption("Save as");
  action_->SetHint("Saves");
  action_->SetEnabled(false);
  action_->SetVisible(false);
  for (TControl* control :
       {static_cast<TControl*>(graphic_.get()), static_cast<TControl*>(windowed_.get())}) {
    EXPECT_EQ(control->Caption(), "Save as");
    EXPECT_EQ(control->Hint(), "Saves");
    EXPECT_FALSE(control->Enabled());
    EXPECT_FALSE(control->Visible());
  }
}

TEST_F(ControlLinkTest, AValueTheClientChangedItselfIsNoLongerLinked) {
  TControlActionLink* link = graphic_->ActionLink();
  EXPECT_TRUE(link->IsCaptionLinked());
  graphic_->SetCaption("Mine");
  EXPECT_FALSE(link->IsCaptionLinked());
  EXPECT_TRUE(link->IsHintLinked());

  action_->SetCaption("Save");
  action_->SetHint("Saves");
  EXPECT_EQ(graphic_->Caption(), "Mine");
  EXPECT_EQ(graphic_->Hint(), "Saves");
  EXPECT_EQ(windowed_->Caption(), "Save");

  // A two-valued state that the client changed is linked again as soon as
  // the action reaches the same value.
  graphic_->SetEnabled(false);
  EXPECT_FALSE(link->IsEnabledLinked());
  action_->SetEnabled(false);
  EXPECT_TRUE(link->IsEnabledLinked());
  action_->SetEnabled(true);
  EXPECT_TRUE(graphic_->Enabled());

  // So is a caption the client took back to the action's.
  graphic_->SetCaption("Save");
  action_->SetCaption("Save as");
  EXPECT_EQ(graphic_->Caption(), "Save as");
}

TEST_F(ControlLinkTest, OnClickFollowsOnExecuteWhileItIsTheAction) {
  TClickRecorder clicks;
  EXPECT_EQ(graphic_->OnClick, action_->OnExecute());
  windowed_->OnClick = Method<&TClickRecorder::OwnClick>(&clicks);
  EXPECT_TRUE(graphic_->ActionLink()->IsOnExecuteLinked());
  EXPECT_FALSE(windowed_->ActionLink()->IsOnExecuteLinked());

  action_->SetOnExecute(Method<&TEventRecorder::OtherExecute>(&recorder_));
  EXPECT_EQ(graphic_->OnClick, action_->OnExecute());
  EXPECT_EQ(windowed_->OnClick, Method<&TClickRecorder::OwnClick>(&clicks));
}

TEST_F(ControlLinkTest, AFreedActionLeavesItsControlsWithout) {
  // Executing through the link must not cost the control its notification.
  graphic_->Click();
  EXPECT_THAT(Events(), ElementsAre("execute Act"));
  action_.reset();
  EXPECT_EQ(graphic_->Action(), nullptr);
  EXPECT_EQ(graphic_->ActionLink(), nullptr);
  EXPECT_EQ(windowed_->ActionLink(), nullptr);
  graphic_->SetCaption("still fine");
}

TEST_F(ControlLinkTest, AFreedControlLeavesItsAction) {
  graphic_.reset();
  ASSERT_EQ(action_->ClientCount(), 1);
  EXPECT_EQ(action_->Clients(0), windowed_->ActionLink());
  action_->SetCaption("Save");
  EXPECT_EQ(windowed_->Caption(), "Save");
}

}  // namespace
