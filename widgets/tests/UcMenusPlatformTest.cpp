// Wide menus and actions on an overridden platform: built twice, as the 9x
// family (4.10) and as NT 5.0.
#include "Forms.h"
#include "ImgList.h"
#include "System.h"
#include "UcActnList.h"
#include "UcControls.h"
#include "UcForms.h"
#include "UcMenus.h"
#include "UcMenusTestSupport.h"
#include "UcPlatformTestSupport.h"
#include "UcSysUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kOpen = L"\u0424\u0430\u0439\u043B \u65E5";

// A wide edit as the wide controls make one.
class TLinkedEdit : public TEdit {
  VEL_CLASS(TLinkedEdit, TEdit)
 public:
  using TEdit::TEdit;
  void ActionChange(TObject* sender, bool checkDefaults) override {
    WideActionChange(this, sender, checkDefaults);
    TEdit::ActionChange(sender, checkDefaults);
  }

 protected:
  const TMetaClass* GetActionLinkClass() const override {
    return GetWideActionLinkClass(this, TEdit::GetActionLinkClass());
  }
  void CreateWindowHandle(const TCreateParams& params) override {
    CreateUnicodeHandle(this, params, L"EDIT");
  }
};

VEL_COMPONENT_IMPL(TLinkedEdit, TEdit)

class MenuPlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    images_ = Create<TImageList>(form_.get());
    TOwned<TBitmap> red = SolidBitmap(16, 16, clRed);
    images_->AddMasked(red.get(), clWhite);
  }

  template <typename Item>
  Item* Add(TMenuItem* parent) {
    auto* item = Create<Item>(form_.get());
    parent->Add(item);
    return item;
  }

  TOwned<TBitmap> Draw(TMenu* menu, TMenuItem* item, UINT state, bool forced51 = false) {
    TOwned<TBitmap> bitmap = SolidBitmap(160, 22, clFuchsia);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = item->Command();
    draw.itemState = state;
    draw.hDC = bitmap->Canvas()->Handle();
    draw.rcItem = TRect(0, 0, 160, 22);
    if (forced51) {
      const bool unicode = IsUnicodePlatform();
      SetPlatformFlags(unicode, true);
      EXPECT_TRUE(menu->DrawMenuItem(draw));
      SetPlatformFlags(unicode, false);
    } else {
      EXPECT_TRUE(menu->DrawMenuItem(draw));
    }
    return bitmap;
  }

  TOwned<TForm> form_;
  TImageList* images_ = nullptr;
};

TEST_F(MenuPlatformTest, ShortcutTexts) {
  ASSERT_EQ(kNT, IsUnicodePlatform());
  for (TShortCut s : {TShortCut(scCtrl | 'S'), TShortCut(scShift | VK_F5), TShortCut(scAlt | '1')})
    EXPECT_EQ(AnsiToWide(ShortCutToText(s)), ShortCutToWideText(s)) << s;
}

TEST_F(MenuPlatformTest, PlainMenusShowWideTextsOnNTOnly) {
  auto* menu = Create<TUcPopupMenu>(form_.get());
  auto* item = Add<TUcMenuItem>(menu->Items());
  item->SetCaption(kOpen);
  item->SetShortCut(scCtrl | 'O');
  const std::wstring caption = kNT ? kOpen : AnsiToWide(WideToAnsi(kOpen));
  EXPECT_EQ(caption + L"\tCtrl+O", MenuText(menu->Handle(), item->Command()));
  EXPECT_EQ(kOpen, item->Caption()) << "the wide caption is kept on every platform";
}

TEST_F(MenuPlatformTest, OwnerDrawnItems) {
  auto* menu = Create<TUcPopupMenu>(form_.get());
  menu->SetImages(images_);
  auto* wide = Add<TUcMenuItem>(menu->Items());
  wide->SetCaption(kOpen);
  TMenuItem* plain = Add<TMenuItem>(menu->Items());
  plain->SetCaption(WideToAnsi(kOpen));
  // 9x: the class library's own drawing and measure of the 8-bit caption.
  EXPECT_EQ(!kNT, SamePixels(Draw(menu, wide, 0).get(), Draw(menu, plain, 0).get()));
  auto width = [&](TMenuItem* item) {
    MEASUREITEMSTRUCT measure{ODT_MENU, 0, item->Command(), 0, 0, 0};
    EXPECT_TRUE(menu->MeasureMenuItem(measure));
    return measure.itemWidth;
  };
  EXPECT_EQ(!kNT, width(wide) == width(plain));
}

TEST_F(MenuPlatformTest, TopItemsUseTheOffsetsBelow51) {
  if (!kNT)
    GTEST_SKIP() << "base drawing";
  auto* menu = Create<TUcMainMenu>(form_.get());
  menu->SetImages(images_);
  auto* item = Add<TUcMenuItem>(menu->Items());
  item->SetCaption(L"\u2588\u2588");
  EXPECT_FALSE(SamePixels(Draw(menu, item, 0).get(), Draw(menu, item, 0, true).get()));
}

TEST_F(MenuPlatformTest, ActionsReachAWideControl) {
  auto* action = Create<TUcAction>(form_.get());
  auto* edit = Create<TLinkedEdit>(form_.get());
  edit->SetParent(form_.get());
  edit->HandleNeeded();
  EXPECT_EQ(kNT, IsWindowUnicode(edit->Handle()) != FALSE);
  edit->SetAction(action);
  EXPECT_EQ(&TUcWinControlActionLink::StaticClass(), edit->ActionLink()->ClassType());
  action->SetCaption(L"Caf\u00E9");
  EXPECT_EQ("Caf\xE9", edit->Text());
  action->SetCaption(kOpen);
  EXPECT_EQ(kOpen, action->Caption()) << "the wide caption is kept on every platform";
  EXPECT_EQ(kNT ? kOpen : AnsiToWide(WideToAnsi(kOpen)), GetWideControlText(edit));
}

}  // namespace
