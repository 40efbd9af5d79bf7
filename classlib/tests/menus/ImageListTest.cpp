#include "ImgList.h"

#include "MenusTestSupport.h"
#include "Streams.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor kTeal = 0x808000;  // the test strip's background

TOwned<TImageList> StripList() {
  TOwned<TImageList> list(Create<TImageList>(nullptr));
  list->SetResourceName("Strip48x16");
  return list;
}

// What a user of a list records: changes heard and the end of its list.
class TImagesUser : public TComponent {
 public:
  explicit TImagesUser(TComponent* owner) : TComponent(owner) {
    link.OnChange = Method<&TImagesUser::ImagesChanged>(this);
  }
  void SetImages(TCustomImageList* list) { ChangeLinkedImages(this, link, list); }
  void ImagesChanged(TObject* sender) { changes.push_back(sender); }

  TChangeLink link;
  std::vector<TObject*> changes;
  bool sawListGone = false;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && link.Sender() == nullptr)
      sawListGone = true;
  }
};

}  // namespace

TEST(ImageListTest, StripFromResourceIsCutByWidthAndMaskedByItsCorner) {
  TOwned<TImageList> list = StripList();
  EXPECT_EQ(3, list->Count());
  EXPECT_EQ(TCustomImageList::StripCornerColor, list->MaskColor());

  TOwned<TBitmap> canvas = SolidBitmap(16, 16, clWhite);
  list->Draw(canvas->Canvas(), 0, 0, 1);
  EXPECT_EQ(clWhite, canvas->Canvas()->Pixels(0, 15)) << "the teal corner is transparent";
  EXPECT_EQ(clLime, canvas->Canvas()->Pixels(8, 8));

  // A mask colour that matches nothing leaves the background opaque.
  list->SetMaskColor(clFuchsia);
  EXPECT_EQ(3, list->Count());
  list->Draw(canvas->Canvas(), 0, 0, 2);
  EXPECT_EQ(kTeal, canvas->Canvas()->Pixels(0, 15));
  EXPECT_EQ(clBlue, canvas->Canvas()->Pixels(8, 8));
}

TEST(ImageListTest, DisabledDrawIsGreyAndKeepsTransparency) {
  TOwned<TImageList> list = StripList();
  TOwned<TBitmap> canvas = SolidBitmap(16, 16, clYellow);
  list->Draw(canvas->Canvas(), 0, 0, 0, false);
  EXPECT_EQ(clYellow, canvas->Canvas()->Pixels(1, 1));
  const TColor centre = canvas->Canvas()->Pixels(8, 8);
  EXPECT_TRUE(IsGrey(centre)) << std::hex << centre;
  EXPECT_NE(clYellow, centre);
}

TEST(ImageListTest, BadIndicesDrawNothingOrRaise) {
  TOwned<TImageList> list = StripList();
  TOwned<TBitmap> canvas = SolidBitmap(16, 16, clWhite);
  for (int index : {-1, 3, 1000})
    list->Draw(canvas->Canvas(), 0, 0, index);
  EXPECT_EQ(std::vector<TColor>{clWhite}, ColoursOf(canvas.get()));

  TOwned<TBitmap> image = SolidBitmap(16, 16, clRed);
  EXPECT_THROW(list->ReplaceMasked(3, image.get(), clWhite), EInvalidOperation);
  EXPECT_THROW(list->ReplaceMasked(-1, image.get(), clWhite), EInvalidOperation);

  TOwned<TImageList> missing(Create<TImageList>(nullptr));
  try {
    missing->SetResourceName("NoSuchStrip");
    FAIL() << "no error for a missing strip";
  } catch (const EResNotFound& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("NoSuchStrip"));
  }
}

TEST(ImageListTest, AddMaskedAndReplaceMaskedLeaveTheSourceAlone) {
  TOwned<TImageList> list(Create<TImageList>(nullptr));
  TOwned<TBitmap> image = SolidBitmap(16, 16, clWhite);
  image->Canvas()->Brush()->SetColor(clRed);
  image->Canvas()->FillRect(TRect(4, 4, 12, 12));
  EXPECT_EQ(0, list->AddMasked(image.get(), clWhite));
  EXPECT_EQ(clWhite, image->Canvas()->Pixels(0, 0)) << "the caller's bitmap is unchanged";

  // Replacing with a white-masked copy keeps the canvas behind the white.
  TOwned<TBitmap> green = SolidBitmap(16, 16, clWhite);
  green->Canvas()->Brush()->SetColor(clGreen);
  green->Canvas()->FillRect(TRect(0, 0, 8, 16));
  list->ReplaceMasked(0, green.get(), clWhite);
  TOwned<TBitmap> canvas = SolidBitmap(16, 16, clNavy);
  list->Draw(canvas->Canvas(), 0, 0, 0);
  EXPECT_EQ(clGreen, canvas->Canvas()->Pixels(2, 2));
  EXPECT_EQ(clNavy, canvas->Canvas()->Pixels(12, 2));
}

TEST(ImageListTest, AssignCopiesSizeAndImagesAndAnEmptySourceEmpties) {
  TOwned<TImageList> source = StripList();
  TOwned<TImageList> copy(Create<TImageList>(nullptr));
  copy->SetWidth(24);
  copy->Assign(source.get());
  EXPECT_EQ(16, copy->Width());
  ASSERT_EQ(3, copy->Count());
  EXPECT_NE(source->Handle(), copy->Handle());
  TOwned<TBitmap> canvas = SolidBitmap(16, 16, clWhite);
  copy->Draw(canvas->Canvas(), 0, 0, 0);
  EXPECT_EQ(clRed, canvas->Canvas()->Pixels(8, 8));

  TOwned<TImageList> empty(Create<TImageList>(nullptr));
  empty->SetHeight(24);
  copy->Assign(empty.get());
  EXPECT_EQ(0, copy->Count());
  EXPECT_EQ(24, copy->Height());
}

TEST(ImageListTest, LinksHearEveryChangeAndAFreedListIsDroppedFirst) {
  TImageList* list = Create<TImageList>(nullptr);
  TOwned<TImagesUser> user(Create<TImagesUser>(nullptr));
  user->SetImages(list);
  list->SetResourceName("Strip48x16");
  TOwned<TBitmap> image = SolidBitmap(16, 16, clRed);
  list->Add(image.get(), nullptr);
  list->SetWidth(16);  // unchanged: nothing
  list->SetWidth(8);   // clears
  EXPECT_EQ(0, list->Count());
  list->Clear();  // already empty: nothing
  EXPECT_EQ((std::vector<TObject*>{list, list, list}), user->changes);

  list->Free();
  EXPECT_TRUE(user->sawListGone);
  EXPECT_EQ(nullptr, user->link.Sender());
}

TEST(ImageListTest, MovingToAnotherListMovesLinkAndNotification) {
  TOwned<TImageList> first(Create<TImageList>(nullptr));
  TImageList* second = Create<TImageList>(nullptr);
  TOwned<TImagesUser> user(Create<TImagesUser>(nullptr));
  user->SetImages(first.get());
  user->SetImages(second);
  first->SetWidth(20);
  EXPECT_TRUE(user->changes.empty()) << "the old list no longer reaches the user";
  second->Free();
  EXPECT_TRUE(user->sawListGone);
  first.reset();
  EXPECT_EQ(nullptr, user->link.Sender());
}
