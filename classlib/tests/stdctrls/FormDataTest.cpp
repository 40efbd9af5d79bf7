// The standard controls read from form data: every published property lands,
// items come before the selection, and events bind to the form's methods.
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

namespace {

class TControlsForm : public TForm {
  VEL_CLASS(TControlsForm, TForm)
  static void Publish(TPublisher<TControlsForm>& p);

 public:
  using TForm::TForm;
  TLabel* Label1 = nullptr;
  TComboBox* Fruit = nullptr;
  TComboBox* Beyond = nullptr;
  TButton* Ok = nullptr;
  TCheckBox* Grayed = nullptr;
  TRadioButton* Second = nullptr;
  TEdit* Name = nullptr;
  TStaticText* Strip = nullptr;
  TPanel* Box = nullptr;
  TTimer* Tick = nullptr;
  int clicks = 0;
  int ticks = 0;

  void OkClick(TObject*) { ++clicks; }
  void TickTimer(TObject*) { ++ticks; }
};

VEL_COMPONENT_IMPL(TControlsForm, TForm)

void TControlsForm::Publish(TPublisher<TControlsForm>& p) {
  p.Field<&TControlsForm::Label1>("Label1");
  p.Field<&TControlsForm::Fruit>("Fruit");
  p.Field<&TControlsForm::Beyond>("Beyond");
  p.Field<&TControlsForm::Ok>("Ok");
  p.Field<&TControlsForm::Grayed>("Grayed");
  p.Field<&TControlsForm::Second>("Second");
  p.Field<&TControlsForm::Name>("Name");
  p.Field<&TControlsForm::Strip>("Strip");
  p.Field<&TControlsForm::Box>("Box");
  p.Field<&TControlsForm::Tick>("Tick");
  p.Method<&TControlsForm::OkClick>("OkClick");
  p.Method<&TControlsForm::TickTimer>("TickTimer");
}

TEST(FormData, EveryStandardControlReadsItsProperties) {
  TOwned<TControlsForm> form(Create<TControlsForm>(nullptr));
  EXPECT_EQ(form->Label1->Caption(), "&Fruit");
  EXPECT_EQ(form->Label1->FocusControl(), form->Fruit);
  EXPECT_EQ(form->Label1->Alignment(), taRightJustify);
  EXPECT_EQ(form->Label1->Layout(), tlCenter);
  // Items created the window while loading; the selection came after them.
  EXPECT_EQ(form->Fruit->Style(), csDropDownList);
  EXPECT_EQ(form->Fruit->ItemIndex(), 1);
  EXPECT_EQ(form->Fruit->Text(), "Banana");
  EXPECT_EQ(form->Beyond->ItemIndex(), -1);
  // The text read before the items made the window reaches the edit.
  EXPECT_EQ(form->Beyond->Text(), "typed");
  EXPECT_TRUE(form->Ok->Default());
  EXPECT_EQ(form->Ok->ModalResult(), mrOk);
  EXPECT_EQ(form->Grayed->State(), cbGrayed);
  EXPECT_TRUE(form->Second->Checked());
  EXPECT_EQ(form->Name->Text(), "abc");
  EXPECT_EQ(form->Name->MaxLength(), 3);
  EXPECT_EQ(form->Name->PasswordChar(), '*');
  EXPECT_TRUE(form->Name->ReadOnly());
  EXPECT_EQ(form->Strip->BorderStyle(), sbsSunken);
  EXPECT_EQ(form->Strip->Color(), clYellow);
  EXPECT_EQ(form->Box->BevelOuter(), bvLowered);
  EXPECT_FALSE(form->Box->ParentBackground());
  // Read values raised no events.
  EXPECT_EQ(form->clicks, 0);
  form->Ok->Click();
  EXPECT_EQ(form->clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
  EXPECT_TRUE(classlib::PumpUntil([&] { return form->ticks > 0; }, 3000));
}

}  // namespace
