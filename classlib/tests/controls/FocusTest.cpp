// Focus at control level: CanFocus, SetFocus and tab order through nested
// containers. The form's enter/exit bookkeeping is tested with real forms.
#include "ControlsTestSupport.h"
#include "Reader.h"

#include <gtest/gtest.h>

namespace {

const char* kTabForm =
    "object F: TTestForm\n"
    "  Width = 200\n"
    "  Height = 200\n"
    "  object Last: TTestWinControl\n"
    "    TabOrder = 2\n"
    "    TabStop = True\n"
    "  end\n"
    "  object First: TTestWinControl\n"
    "    TabOrder = 0\n"
    "    TabStop = True\n"
    "  end\n"
    "  object Group: TTestWinControl\n"
    "    TabOrder = 1\n"
    "    object Inner2: TTestWinControl\n"
    "      TabOrder = 1\n"
    "      TabStop = True\n"
    "    end\n"
    "    object Inner1: TTestWinControl\n"
    "      TabOrder = 0\n"
    "      TabStop = True\n"
    "    end\n"
    "  end\n"
    "end\n";

TWinControl* Named(TComponent* root, const char* name) {
  return static_cast<TWinControl*>(root->FindComponent(name));
}

TEST(Focus, TabOrderRunsThroughNestedContainersAndWraps) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  ReadComponentText(form.get(), kTabForm);
  std::vector<std::string> order;
  TWinControl* c = nullptr;
  for (int i = 0; i < 5; ++i) {
    c = form->FindNextControl(c, true, true, false);
    order.push_back(c ? c->Name() : "-");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"First", "Inner1", "Inner2", "Last", "First"}));
  EXPECT_EQ(form->FindNextControl(Named(form.get(), "First"), false, true, false)->Name(), "Last");
  Named(form.get(), "Inner1")->SetEnabled(false);
  Named(form.get(), "Last")->Hide();
  EXPECT_EQ(form->FindNextControl(Named(form.get(), "First"), true, true, false)->Name(), "Inner2");
  EXPECT_EQ(form->FindNextControl(Named(form.get(), "Inner2"), true, true, false)->Name(), "First");
  EXPECT_EQ(Named(form.get(), "Group")->TabOrder(), 1);
  EXPECT_FALSE(Named(form.get(), "Group")->TabStop());
}

TEST(Focus, SetFocusRefusesControlsThatCannotTakeIt) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  auto* edit = AddChild<TTestWinControl>(form.get(), Bounds(0, 0, 10, 10));
  form->SetEnabled(false);
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
  form->SetEnabled(true);
  edit->Hide();
  EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
}

}  // namespace
