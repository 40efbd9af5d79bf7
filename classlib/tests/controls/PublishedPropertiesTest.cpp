// What every control publishes beyond its bounds: the popup menu as a
// checked reference, the cursor by number or by name, and the tag.
#include "ControlsTestSupport.h"
#include "Menus.h"
#include "Reader.h"

#include <gtest/gtest.h>

namespace {

// A subclass counts as a popup menu, as the wide layer's menus do.
class TTestPopup : public TPopupMenu {
  VEL_CLASS(TTestPopup, TPopupMenu)
 public:
  using TPopupMenu::TPopupMenu;
};

VEL_COMPONENT_IMPL(TTestPopup, TPopupMenu)

class PublishedProperties : public testing::Test {
 protected:
  void SetUp() override { RegisterClass(TTestPopup::StaticClass()); }

  // The message of the EReadError that reading body into a fresh form
  // raises; empty when it reads.
  std::string ReadError(const std::string& body) {
    form_.reset(Create<TTestForm>(nullptr));
    try {
      ReadComponentText(form_.get(), "object F: TTestForm\n" + body + "end\n");
    } catch (const EReadError& e) {
      return e.Message();
    }
    return "";
  }
  TControl* Named(const char* name) { return static_cast<TControl*>(form_->FindComponent(name)); }

  TOwned<TTestForm> form_;
};

TEST_F(PublishedProperties, FormDataSetsPopupMenuCursorAndTag) {
  ASSERT_EQ("", ReadError("  object Box: TTestWinControl\n"
                          "    Cursor = crHandPoint\n"
                          "    Tag = 42\n"
                          "    PopupMenu = Pop\n"
                          "  end\n"
                          "  object Mark: TTestGraphic\n"
                          "    Cursor = -4\n"
                          "    PopupMenu = Pop2\n"
                          "  end\n"
                          "  object Pop: TPopupMenu\n"
                          "  end\n"
                          "  object Pop2: TTestPopup\n"
                          "  end\n"));
  TControl* box = Named("Box");
  EXPECT_EQ(crHandPoint, box->Cursor());
  EXPECT_EQ(42, box->Tag());
  EXPECT_EQ(form_->FindComponent("Pop"), box->PopupMenu());
  EXPECT_EQ(crIBeam, Named("Mark")->Cursor());
  EXPECT_EQ(form_->FindComponent("Pop2"), Named("Mark")->PopupMenu());
  // A freed menu is dropped.
  form_->FindComponent("Pop")->Free();
  EXPECT_EQ(nullptr, box->PopupMenu());
}

TEST_F(PublishedProperties, ABadCursorNameOrANonPopupComponentIsRefused) {
  EXPECT_NE("", ReadError("  Cursor = crNoSuchShape\n"));
  EXPECT_NE("", ReadError("  object Box: TTestWinControl\n"
                          "    PopupMenu = Other\n"
                          "  end\n"
                          "  object Other: TTestGraphic\n"
                          "  end\n"));
  TOwned<TTestWinControl> control(Create<TTestWinControl>(nullptr));
  TOwned<TMainMenu> mainMenu(Create<TMainMenu>(nullptr));
  EXPECT_THROW(control->SetPopupMenu(mainMenu.get()), EInvalidCast);
  EXPECT_EQ(nullptr, control->PopupMenu());
}

}  // namespace
