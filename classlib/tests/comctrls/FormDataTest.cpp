#include "ComCtrlsTestSupport.h"

#include "Reader.h"

namespace {

class TBarsForm : public TForm {
  VEL_CLASS(TBarsForm, TForm)

 public:
  using TForm::TForm;
  template <typename T>
  T* Find(const char* name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }
};

VEL_COMPONENT_IMPL(TBarsForm, TForm)

constexpr char kFormData[] = R"(
object BarsForm: TBarsForm
  Caption = 'Bars'
  ClientHeight = 240
  ClientWidth = 400
  object Menu1: TMainMenu
    object File1: TMenuItem
      Caption = 'File'
      Hint = 'The file menu'
    end
    object Help1: TMenuItem
      Caption = 'Help'
      Enabled = False
    end
  end
  object Tools: TToolBar
    Height = 30
    ShowCaptions = True
    ButtonWidth = 50
    EdgeBorders = []
    object Third: TToolButton
      Caption = 'Third'
      Style = tbsCheck
      Down = True
    end
    object Gap: TToolButton
      Style = tbsDivider
    end
    object First: TToolButton
      Caption = 'First'
      ImageIndex = 1
    end
  end
  object MenuTools: TToolBar
    Top = 30
    Height = 30
    ShowCaptions = True
    Menu = Menu1
  end
  object Status: TStatusBar
    AutoHint = True
    SimpleText = 'ready'
    Panels = <
      item
        Text = 'left'
        Width = 80
      end
      item
        Alignment = taCenter
        Bevel = pbRaised
        Text = 'middle'
        Width = 120
      end>
  end
  object Progress: TProgressBar
    Left = 8
    Top = 70
    Width = 200
    Height = 17
    Max = 200
    Position = 50
    Step = 5
  end
  object Rich: TRichEdit
    Left = 8
    Top = 100
    Width = 300
    Height = 80
    ReadOnly = True
    ScrollBars = ssVertical
    Lines.Strings = (
      'first line'
      'second line')
  end
end)";

class FormData : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass(TBarsForm::StaticClass());
    form_.reset(CreateNew<TBarsForm>(nullptr));
    ReadComponentText(form_.get(), kFormData);
  }
  TOwned<TBarsForm> form_;
};

}  // namespace

TEST_F(FormData, ToolButtonsKeepTheirOrderAndState) {
  auto* tools = form_->Find<TToolBar>("Tools");
  ASSERT_EQ(tools->ButtonCount(), 3);
  EXPECT_EQ(tools->Buttons(0)->Name(), "Third");
  EXPECT_EQ(tools->Buttons(2)->Name(), "First");
  EXPECT_TRUE(tools->Buttons(0)->Down());
  EXPECT_EQ(tools->Buttons(2)->ImageIndex(), 1);
  EXPECT_TRUE(tools->EdgeBorders().Empty());
  char text[32] = {};
  SendMessageA(tools->Handle(), TB_GETBUTTONTEXTA, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "First");
  EXPECT_TRUE(SendMessageA(tools->Handle(), TB_ISBUTTONCHECKED, 0, 0));
}

TEST_F(FormData, AToolBarMadeFromAMenu) {
  auto* tools = form_->Find<TToolBar>("MenuTools");
  auto* menu = form_->Find<TMainMenu>("Menu1");
  ASSERT_EQ(tools->Menu(), menu);
  ASSERT_EQ(tools->ButtonCount(), 2);
  TToolButton* help = tools->Buttons(1);
  EXPECT_EQ(help->MenuItem(), menu->Items()->Items(1));
  EXPECT_EQ(help->Caption(), "Help");
  EXPECT_FALSE(help->Enabled());
  EXPECT_TRUE(help->Grouped() && help->AutoSize());
  EXPECT_EQ(tools->Buttons(0)->Hint(), "The file menu");

  // The button clicks its item.
  int clicks = 0;
  struct TCounter {
    int* count;
    void Click(TObject*) { ++*count; }
  } counter{&clicks};
  menu->Items()->Items(0)->OnClick = Method<&TCounter::Click>(&counter);
  tools->Buttons(0)->Click();
  EXPECT_EQ(clicks, 1);

  // The same menu again does nothing; none frees the buttons.
  TToolButton* first = tools->Buttons(0);
  tools->SetMenu(menu);
  EXPECT_EQ(tools->Buttons(0), first);
  tools->SetMenu(nullptr);
  EXPECT_EQ(tools->ButtonCount(), 0);
}

TEST_F(FormData, StatusBarProgressAndRichEdit) {
  auto* status = form_->Find<TStatusBar>("Status");
  ASSERT_EQ(status->Panels()->Count(), 2);
  EXPECT_EQ(status->Panels()->Items(1)->Alignment(), taCenter);
  EXPECT_EQ(status->Panels()->Items(1)->Bevel(), pbRaised);
  EXPECT_TRUE(status->AutoHint());
  EXPECT_EQ(status->Align(), alBottom);
  char text[32] = {};
  SendMessageA(status->Handle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "\tmiddle");
  // The canvas measures with the bar's font.
  EXPECT_EQ(status->Canvas()->Font()->Name(), status->Font()->Name());
  EXPECT_GT(status->Canvas()->TextWidth("middle"), 0);

  auto* progress = form_->Find<TProgressBar>("Progress");
  EXPECT_EQ(progress->Max(), 200);
  EXPECT_EQ(progress->Position(), 50);
  EXPECT_EQ(SendMessageA(progress->Handle(), PBM_GETPOS, 0, 0), 50);

  auto* rich = form_->Find<TRichEdit>("Rich");
  EXPECT_TRUE(rich->HandleAllocated()) << "lines in form data make the window";
  ASSERT_EQ(rich->Lines()->Count(), 2);
  EXPECT_EQ(rich->Lines()->Strings(1), "second line");
  EXPECT_TRUE(rich->ReadOnly());
}

TEST_F(FormData, TheClassesAreKnownByName) {
  for (const char* name : {"TStatusBar", "TToolBar", "TToolButton", "TProgressBar", "TRichEdit",
                           "TOpenDialog", "TSaveDialog", "TColorDialog"})
    EXPECT_NE(GetClass(name), nullptr) << name;
  EXPECT_EQ(FindClass("TToolButtonActionLink")->Parent(), &TControlActionLink::StaticClass());
}
