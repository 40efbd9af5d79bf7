#include "ActionTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Frees another link when it is told of a caption, as a client might that
// drops a sibling's action meanwhile.
class TFreeingLink : public TActionLink {
  VEL_CLASS(TFreeingLink, TActionLink)

 public:
  using TActionLink::TActionLink;
  void SetCaption(const std::string&) override { FreeAndNil(victim); }
  TBasicActionLink* victim = nullptr;
};
VEL_CLASS_IMPL(TFreeingLink, TActionLink)

class ActionSettersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    action_->SetName("Act");
    action_->OnChange = Method<&TEventRecorder::ActionChange>(&recorder_);
  }

  // A recording link registered with the action.
  TRecordingLink* AddLink() {
    links_.emplace_back(Create<TRecordingLink>(nullptr));
    links_.back()->SetAction(action_.get());
    return static_cast<TRecordingLink*>(links_.back().get());
  }

  TEventRecorder recorder_;
  TOwned<TAction> action_{Create<TAction>(nullptr)};
  std::vector<TOwned<TBasicActionLink>> links_;
};

// Every link hears the new value while the action still stores the old one;
// OnChange comes last.
TEST_F(ActionSettersTest, EverySetterTellsEachLinkBeforeStoringThenChanges) {
  AddLink();
  AddLink();
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { action_->SetCaption("Open"); }, "link caption Open while "},
      {[&] { action_->SetHint("Opens a file"); }, "link hint Opens a file while "},
      {[&] { action_->SetEnabled(false); }, "link enabled 0 while 1"},
      {[&] { action_->SetVisible(false); }, "link visible 0 while 1"},
      {[&] { action_->SetChecked(true); }, "link checked 1 while 0"},
      {[&] { action_->SetImageIndex(3); }, "link image 3 while -1"},
      {[&] { action_->SetShortCut(0x4053); }, "link shortcut 16467 while 0"},
      {[&] { action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_)); },
       "link onexecute set while cleared"},
  };
  for (const auto& [set, told] : cases) {
    Events().clear();
    set();
    EXPECT_THAT(Events(), ElementsAre(told, told, "change Act"));
  }
  EXPECT_EQ(action_->Caption(), "Open");
  EXPECT_EQ(action_->Hint(), "Opens a file");
}

TEST_F(ActionSettersTest, UnchangedValuesDoNothing) {
  action_->SetCaption("Open");
  action_->SetHint("Opens");
  action_->SetImageIndex(4);
  action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
  action_->SetCategory("File");
  AddLink();
  Events().clear();

  action_->SetCaption(std::string("Op") + "en");
  action_->SetHint("Opens");
  action_->SetEnabled(true);
  action_->SetVisible(true);
  action_->SetChecked(false);
  action_->SetImageIndex(4);
  action_->SetShortCut(0);
  action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
  action_->SetCategory("File");
  EXPECT_THAT(Events(), IsEmpty());
}

TEST_F(ActionSettersTest, AnotherHandlerOfTheSameObjectIsAChange) {
  action_->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
  Events().clear();
  action_->SetOnExecute(Method<&TEventRecorder::OtherExecute>(&recorder_));
  EXPECT_THAT(Events(), ElementsAre("change Act"));
}

TEST_F(ActionSettersTest, ALinkFreedWhileTheLinksAreToldIsSkipped) {
  auto* freeing = Create<TFreeingLink>(nullptr);
  links_.emplace_back(freeing);
  freeing->SetAction(action_.get());
  freeing->victim = Create<TRecordingLink>(nullptr);
  freeing->victim->SetAction(action_.get());
  TRecordingLink* last = AddLink();

  action_->SetCaption("Open");
  EXPECT_EQ(freeing->victim, nullptr);
  EXPECT_EQ(action_->ClientCount(), 2);
  EXPECT_EQ(action_->Clients(1), last);
  EXPECT_THAT(Events(), ElementsAre("link caption Open while ", "change Act"));
}

TEST_F(ActionSettersTest, AssignCopiesEveryPropertyThroughTheSetters) {
  TOwned<TAction> source(Create<TAction>(nullptr));
  source->SetCaption("Save");
  source->SetHint("Saves");
  source->SetEnabled(false);
  source->SetVisible(false);
  source->SetChecked(true);
  source->SetImageIndex(7);
  source->SetShortCut(0x4053);
  source->SetCategory("File");
  source->SetTag(42);
  source->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
  source->OnUpdate = Method<&TEventRecorder::ActionUpdate>(&recorder_);
  AddLink();

  action_->Assign(source.get());
  EXPECT_EQ(action_->Caption(), "Save");
  EXPECT_EQ(action_->Hint(), "Saves");
  EXPECT_FALSE(action_->Enabled());
  EXPECT_FALSE(action_->Visible());
  EXPECT_TRUE(action_->Checked());
  EXPECT_EQ(action_->ImageIndex(), 7);
  EXPECT_EQ(action_->ShortCut(), 0x4053);
  EXPECT_EQ(action_->Category(), "File");
  EXPECT_EQ(action_->Tag(), 42);
  EXPECT_EQ(action_->OnExecute(), source->OnExecute());
  EXPECT_EQ(action_->OnUpdate, source->OnUpdate);
  EXPECT_THAT(Events(), ::testing::Contains("link caption Save while "));
  EXPECT_THAT(Events(), ::testing::Contains("link onexecute set while cleared"));
}

TEST_F(ActionSettersTest, AssignFromSomethingElseRaises) {
  TOwned<TComponent> other(Create<TComponent>(nullptr));
  EXPECT_THROW(action_->Assign(other.get()), EConvertError);
}

}  // namespace
