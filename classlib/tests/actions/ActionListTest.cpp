#include "ActionTestSupport.h"
#include "ImgList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

// The list's handlers: they record, and take the action while told to.
struct TListHandlers {
  bool takes = false;
  void Execute(TObject* sender, TBasicAction* action, bool& handled) {
    Events().push_back(static_cast<TComponent*>(sender)->Name() + " execute " + action->Name());
    handled = takes;
  }
  void Update(TObject* sender, TBasicAction* action, bool& handled) {
    Events().push_back(static_cast<TComponent*>(sender)->Name() + " update " + action->Name());
    handled = takes;
  }
};

class ActionListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events().clear();
    list_->SetName("List");
    list_->OnExecute = Method<&TListHandlers::Execute>(&handlers_);
    list_->OnUpdate = Method<&TListHandlers::Update>(&handlers_);
  }

  TAction* AddAction(const char* name) {
    TAction* action = Create<TAction>(owner_.get());
    action->SetName(name);
    action->SetOnExecute(Method<&TEventRecorder::ActionExecute>(&recorder_));
    action->OnUpdate = Method<&TEventRecorder::ActionUpdate>(&recorder_);
    action->SetActionList(list_);
    return action;
  }

  TOwned<TComponent> owner_{Create<TComponent>(nullptr)};
  TActionList* list_ = Create<TActionList>(owner_.get());
  TListHandlers handlers_;
  TEventRecorder recorder_;
};

}  // namespace

TEST_F(ActionListTest, ActionsKeepTheirOrderAndLeaveWhenFreed) {
  TAction* open = AddAction("Open");
  TAction* save = AddAction("Save");
  TAction* quit = AddAction("Quit");
  EXPECT_EQ(3, list_->ActionCount());
  EXPECT_EQ(save, list_->Actions(1));
  EXPECT_THROW(list_->Actions(3), EListError);
  EXPECT_THROW(list_->Actions(-1), EListError);

  quit->SetIndex(0);
  EXPECT_EQ(quit, list_->Actions(0));
  EXPECT_EQ(1, open->Index());
  EXPECT_EQ(2, save->Index());
  save->Free();
  EXPECT_EQ(2, list_->ActionCount());
  EXPECT_EQ(open, list_->Actions(1));

  list_->Free();
  EXPECT_EQ(nullptr, open->ActionList());
  EXPECT_EQ(-1, open->Index());
}

TEST_F(ActionListTest, TheListsHandlersComeFirstAndMayTakeTheAction) {
  TAction* open = AddAction("Open");
  EXPECT_TRUE(open->Execute());
  EXPECT_TRUE(open->Update());
  handlers_.takes = true;
  EXPECT_TRUE(open->Execute());
  EXPECT_TRUE(open->Update());
  EXPECT_THAT(Events(), ElementsAre("List execute Open", "execute Open", "List update Open",
                                    "update Open", "List execute Open", "List update Open"));
}

TEST_F(ActionListTest, AFreedImageListIsDropped) {
  TImageList* images = Create<TImageList>(owner_.get());
  list_->SetImages(images);
  EXPECT_EQ(images, list_->Images());
  images->Free();
  EXPECT_EQ(nullptr, list_->Images());
}
