#include "ActionTestSupport.h"
#include "Reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

class ActionFormDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterActionTestClasses();
    Events().clear();
  }

  TActionTestForm* Load(const std::string& text) {
    form_.reset(Create<TActionTestForm>(nullptr));
    ReadComponentText(form_.get(), text);
    return form_.get();
  }

  TOwned<TActionTestForm> form_;
};

TEST_F(ActionFormDataTest, ActionsInsideAListBlockJoinThatList) {
  TActionTestForm* form = Load(R"(
    object Form: TActionTestForm
      object List: TTestActionList
        object OpenAction: TAction
          Category = 'File'
          Caption = '&Open'
          Enabled = False
          Hint = 'Open|Opens a settings file'
          ImageIndex = 2
          ShortCut = 16463
          Tag = 7
          Visible = False
          Checked = True
          OnExecute = OpenExecute
          OnUpdate = OpenUpdate
        end
      end
      object HintAction: THintAction
        Hint = 'Ready'
      end
    end)");
  ASSERT_NE(form->OpenAction, nullptr);
  TAction* open = form->OpenAction;
  EXPECT_EQ(open->Owner(), form);
  EXPECT_EQ(open->ActionList(), form->List);
  EXPECT_THAT(form->List->actions, ElementsAre(open));
  EXPECT_EQ(open->Category(), "File");
  EXPECT_EQ(open->Caption(), "&Open");
  EXPECT_FALSE(open->Enabled());
  EXPECT_EQ(open->Hint(), "Open|Opens a settings file");
  EXPECT_EQ(open->ImageIndex(), 2);
  EXPECT_EQ(open->ShortCut(), 16463);
  EXPECT_EQ(open->Tag(), 7);
  EXPECT_FALSE(open->Visible());
  EXPECT_TRUE(open->Checked());

  EXPECT_TRUE(open->Execute());
  EXPECT_TRUE(open->Update());
  EXPECT_THAT(Events(), ElementsAre("list execute OpenAction", "form execute OpenAction",
                                    "list update OpenAction", "form update OpenAction"));

  ASSERT_NE(form->HintAction, nullptr);
  EXPECT_EQ(form->HintAction->ClassType(), &THintAction::StaticClass());
  EXPECT_EQ(form->HintAction->Hint(), "Ready");
  EXPECT_EQ(form->HintAction->ActionList(), nullptr);
}

TEST_F(ActionFormDataTest, ControlsTakeTheActionsCaptionOnlyWhereTheirsIsEmpty) {
  TActionTestForm* form = Load(R"(
    object Form: TActionTestForm
      object EmptyLabel: TTestActionLabel
        Action = OpenAction
      end
      object OwnLabel: TTestActionLabel
        Caption = 'Own'
        Action = OpenAction
      end
      object Panel: TTestActionPanel
        Action = OpenAction
      end
      object OpenAction: TAction
        Caption = 'Open'
        Hint = 'Opens'
        OnExecute = OpenExecute
      end
    end)");
  ASSERT_NE(form->Panel, nullptr);
  EXPECT_EQ(form->EmptyLabel->Caption(), "Open");
  EXPECT_EQ(form->OwnLabel->Caption(), "Own");
  EXPECT_EQ(form->Panel->Caption(), "Open");
  EXPECT_EQ(form->Panel->Hint(), "Opens");
  EXPECT_EQ(form->OpenAction->ClientCount(), 3);

  form->OpenAction->SetCaption("Load");
  EXPECT_EQ(form->EmptyLabel->Caption(), "Load");
  EXPECT_EQ(form->OwnLabel->Caption(), "Own");
  form->Panel->Click();
  EXPECT_THAT(Events(), ElementsAre("form execute OpenAction"));
}

TEST_F(ActionFormDataTest, AHintActionPublishesNoCaption) {
  EXPECT_THROW(Load(R"(
    object Form: TActionTestForm
      object HintAction: THintAction
        Caption = 'x'
      end
    end)"),
               EReadError);
}

}  // namespace
