#include "Forms.h"
#include "Menus.h"

#include "MenusTestSupport.h"

#include "MenuItemMessages.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// What a handler saw of the canvas it was given.
struct TCanvasSeen {
  std::string fontName;
  bool bold = false;
  TColor fontColour = 0;
  TColor brushColour = 0;
  bool drawn = false;

  void Take(TCanvas* canvas) {
    fontName = canvas->Font()->Name();
    bold = canvas->Font()->Style().Contains(fsBold);
    fontColour = canvas->Font()->Color();
    brushColour = canvas->Brush()->Color();
  }
  void Measure(TObject*, TCanvas* canvas, int& width, int& height) {
    Take(canvas);
    width += 7;  // the handler has the last word
    (void)height;
  }
  void Draw(TObject*, TCanvas* canvas, const TRect&, TOwnerDrawState) {
    Take(canvas);
    drawn = true;
  }
};

constexpr int kItemWidth = 120;
constexpr int kItemHeight = 22;
// Right of the glyph box of a 16-pixel image list.
constexpr int kTextLeft = 24;

class MenuDrawTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    menu_ = Create<TMainMenu>(form_.get());
    images_ = Create<TImageList>(form_.get());
    images_->SetResourceName("Strip48x16");
    menu_->SetImages(images_);
    file_ = AddItem("File", menu_->Items());
    form_->SetMenu(menu_);
    form_->HandleNeeded();
  }

  TMenuItem* AddItem(const std::string& caption, TMenuItem* parent) {
    TMenuItem* item = Create<TMenuItem>(form_.get());
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }

  TSize Measure(TMenuItem* item) { return MeasureMenuItem(form_->Handle(), item); }
  TOwned<TBitmap> Draw(TMenuItem* item, UINT itemState) {
    TOwned<TBitmap> bitmap = SolidBitmap(kItemWidth, kItemHeight, clFuchsia);
    EXPECT_EQ(1, DrawMenuItem(form_->Handle(), item, itemState, bitmap.get()));
    return bitmap;
  }

  TOwned<TForm> form_;
  TMainMenu* menu_ = nullptr;
  TImageList* images_ = nullptr;
  TMenuItem* file_ = nullptr;
};

bool Holds(const std::vector<TColor>& colours, TColor colour) {
  return std::find(colours.begin(), colours.end(), ColorToRGB(colour)) != colours.end();
}

}  // namespace

TEST_F(MenuDrawTest, HandlersGetTheMenuFontBoldForTheDefaultItemAndTheStateColours) {
  TMenuItem* open = AddItem("Open", file_);
  TMenuItem* save = AddItem("Save", file_);
  save->SetDefault(true);
  TCanvasSeen seenOpen;
  TCanvasSeen seenSave;
  open->OnMeasureItem = Method<&TCanvasSeen::Measure>(&seenOpen);
  save->OnMeasureItem = Method<&TCanvasSeen::Measure>(&seenSave);
  open->OnAdvancedDrawItem = Method<&TCanvasSeen::Draw>(&seenOpen);

  const TSize plain = Measure(open);
  open->OnMeasureItem = nullptr;
  EXPECT_EQ(plain.cx, Measure(open).cx + 7) << "OnMeasureItem runs after the base measure";
  Measure(save);
  EXPECT_EQ(Screen()->MenuFont()->Name(), seenOpen.fontName);
  EXPECT_FALSE(seenOpen.bold);
  EXPECT_TRUE(seenSave.bold);

  TOwned<TBitmap> bitmap = Draw(open, ODS_SELECTED);
  EXPECT_TRUE(seenOpen.drawn);
  EXPECT_EQ(clHighlightText, seenOpen.fontColour);
  EXPECT_EQ(clHighlight, seenOpen.brushColour);
  EXPECT_EQ(std::vector<TColor>{clFuchsia}, ColoursOf(bitmap.get())) << "the handler drew nothing";
  Draw(open, 0);
  EXPECT_EQ(clMenuText, seenOpen.fontColour);
  EXPECT_EQ(clMenu, seenOpen.brushColour);
}

TEST_F(MenuDrawTest, TheBaseDrawsBackgroundGlyphAndTextsButNoTextWhenThereIsNone) {
  TMenuItem* item = AddItem("", file_);
  item->SetImageIndex(0);  // the red square
  const TRect textArea(kTextLeft, 0, kItemWidth, kItemHeight);

  TOwned<TBitmap> drawn = Draw(item, 0);
  EXPECT_EQ(ColorToRGB(clMenu), drawn->Canvas()->Pixels(kItemWidth - 1, 0));
  EXPECT_EQ(clRed, drawn->Canvas()->Pixels(10, kItemHeight / 2));
  EXPECT_TRUE(Uniform(drawn.get(), textArea)) << "no caption, no shortcut: no text";

  item->SetCaption("Save");
  drawn = Draw(item, 0);
  const int enabledInk = Darkest(drawn.get(), textArea);
  EXPECT_LT(enabledInk, Brightness(ColorToRGB(clMenu)) - 60) << "menu text";
  drawn = Draw(item, ODS_SELECTED);
  EXPECT_EQ(ColorToRGB(clHighlight), drawn->Canvas()->Pixels(kItemWidth - 1, 0));
  EXPECT_GT(Lightest(drawn.get(), textArea), Brightness(ColorToRGB(clHighlight)) + 60);
  EXPECT_FALSE(Holds(ColoursOf(drawn.get()), clFuchsia)) << "the whole rectangle is filled";

  // Disabled: the text in the shadow colour, lighter than menu text; the
  // image greyed.
  item->SetEnabled(false);
  drawn = Draw(item, ODS_GRAYED | ODS_DISABLED);
  const int disabledInk = Darkest(drawn.get(), textArea);
  EXPECT_GT(disabledInk, enabledInk);
  EXPECT_LT(disabledInk, Brightness(ColorToRGB(clMenu)));
  EXPECT_FALSE(Holds(ColoursOf(drawn.get()), clRed));
}

TEST_F(MenuDrawTest, ShortCutsWidenPopupItemsButNotTheBar) {
  TMenuItem* save = AddItem("Save", file_);
  const int plain = Measure(save).cx;
  save->SetShortCut(scCtrl | 'S');
  EXPECT_GT(Measure(save).cx, plain + 20);
  const int bar = Measure(file_).cx;
  file_->SetShortCut(scCtrl | 'F');
  EXPECT_EQ(bar, Measure(file_).cx);

  // The shortcut alone is text too.
  save->SetCaption("");
  EXPECT_FALSE(Uniform(Draw(save, 0).get(), TRect(kTextLeft, 0, kItemWidth, kItemHeight)));
}

TEST_F(MenuDrawTest, AFormWithAnOwnerDrawnBarKeepsItsClientSize) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetBorderStyle(bsSingle);
  form->SetClientWidth(400);
  form->SetClientHeight(300);
  TMainMenu* menu = Create<TMainMenu>(form.get());
  menu->SetImages(images_);
  TMenuItem* item = Create<TMenuItem>(form.get());
  item->SetCaption("A rather long caption");
  item->SetImageIndex(1);
  item->SetDefault(true);
  TCanvasSeen seen;
  item->OnMeasureItem = Method<&TCanvasSeen::Measure>(&seen);
  menu->Items()->Add(item);
  form->SetMenu(menu);
  EXPECT_EQ(300, form->ClientHeight()) << "before the window";
  form->Show();
  RECT client;
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(400, client.right);
  EXPECT_EQ(300, client.bottom);
  EXPECT_EQ(form->Handle(), menu->WindowHandle());
  EXPECT_EQ(menu->Handle(), GetMenu(form->Handle()));
  EXPECT_EQ(Screen()->MenuFont()->Name(), seen.fontName) << "measured by the live bar";
  EXPECT_TRUE(seen.bold);

  // A window that goes would take its menu with it: the form takes it off
  // first and puts it on the new window.
  form->RecreateWnd();
  EXPECT_TRUE(IsMenu(menu->Handle()));
  EXPECT_EQ(menu->Handle(), GetMenu(form->Handle()));
  EXPECT_EQ(form->Handle(), menu->WindowHandle());

  // A freed menu leaves the window before its native menu goes.
  menu->Free();
  EXPECT_EQ(nullptr, form->Menu());
  EXPECT_EQ(nullptr, GetMenu(form->Handle()));
}
