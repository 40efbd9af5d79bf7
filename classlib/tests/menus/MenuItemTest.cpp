#include "Forms.h"
#include "Menus.h"

#include "MenusTestSupport.h"

#include <gtest/gtest.h>

namespace {

TMenuItem* NewItem(TComponent* owner, const std::string& caption, TMenuItem* parent = nullptr) {
  TMenuItem* item = Create<TMenuItem>(owner);
  item->SetCaption(caption);
  if (parent)
    parent->Add(item);
  return item;
}

std::string NativeText(HMENU menu, UINT position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

UINT NativeType(HMENU menu, UINT position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  GetMenuItemInfoA(menu, position, TRUE, &info);
  return info.fType;
}

// Records what reaches the menu.
struct TChangeRecorder {
  void Changed(TObject* sender, TMenuItem* source, bool rebuild) {
    changes.push_back({sender, source, rebuild});
  }
  struct TChange {
    TObject* sender;
    TMenuItem* source;
    bool rebuild;
  };
  std::vector<TChange> changes;
};

// An item that keeps its changes to itself while muted, as a subclass that
// empties its texts only for drawing does.
class TMutedItem : public TMenuItem {
 public:
  using TMenuItem::TMenuItem;
  void MenuChanged(bool rebuild) override {
    if (!muted)
      TMenuItem::MenuChanged(rebuild);
  }
  bool muted = false;
};

class MenuItemTest : public testing::Test {
 protected:
  TOwned<TComponent> owner_{Create<TComponent>(nullptr)};
  TPopupMenu* popup_ = Create<TPopupMenu>(owner_.get());
  TMainMenu* main_ = Create<TMainMenu>(owner_.get());
};

}  // namespace

TEST_F(MenuItemTest, TheTreeAndItsNativeMenuFollowEveryStructuralChange) {
  TMenuItem* root = popup_->Items();
  EXPECT_EQ(popup_, root->Owner()) << "the menu owns its root item";
  TMenuItem* open = NewItem(owner_.get(), "Open", root);
  TMenuItem* line = NewItem(owner_.get(), "-", root);
  TMenuItem* recent = NewItem(owner_.get(), "Recent", root);
  TMenuItem* first = NewItem(owner_.get(), "First", recent);
  const HMENU menu = popup_->Handle();
  ASSERT_EQ(3, GetMenuItemCount(menu));
  EXPECT_EQ(MFT_SEPARATOR, NativeType(menu, 1) & MFT_SEPARATOR);
  EXPECT_EQ(recent->Handle(), GetSubMenu(menu, 2));
  EXPECT_EQ(popup_, first->GetParentMenu());

  // Hidden items are left out; a moved item leaves its old parent.
  line->SetVisible(false);
  recent->Insert(0, open);
  EXPECT_EQ(1, GetMenuItemCount(menu));
  EXPECT_EQ(
      (std::vector<std::string>{"Open", "First"}),
      (std::vector<std::string>{NativeText(recent->Handle(), 0), NativeText(recent->Handle(), 1)}));
  EXPECT_EQ(recent, open->Parent());

  EXPECT_THROW(first->Add(recent), EInvalidOperation);
  EXPECT_THROW(root->Items(3), EListError);
  EXPECT_THROW(root->Delete(-1), EListError);
  EXPECT_THROW(root->Insert(5, NewItem(owner_.get(), "Late")), EListError);
  EXPECT_THROW(root->Insert(3, first), EListError);
  EXPECT_EQ(recent, first->Parent()) << "a bad index leaves the item where it was";

  root->Delete(root->IndexOf(recent));
  EXPECT_EQ(nullptr, recent->Parent());
  EXPECT_EQ(nullptr, first->GetParentMenu());
  const int components = owner_->ComponentCount();
  recent->Free();
  EXPECT_EQ(components - 3, owner_->ComponentCount()) << "its sub-items went with it";
  EXPECT_EQ(1, root->Count());
}

TEST_F(MenuItemTest, ClearFreesTheSubItemsSoTheSameNamesCanBeUsedAgain) {
  TMenuItem* languages = NewItem(owner_.get(), "Language", main_->Items());
  auto build = [&] {
    for (const char* name : {"LangEnglish", "LangGerman"}) {
      TMenuItem* item = NewItem(owner_.get(), name, languages);
      item->SetName(name);
      item->SetRadioItem(true);
    }
  };
  build();
  const int components = owner_->ComponentCount();
  languages->Clear();
  EXPECT_EQ(0, languages->Count());
  EXPECT_EQ(nullptr, owner_->FindComponent("LangGerman"));
  EXPECT_NO_THROW(build());
  EXPECT_EQ(components, owner_->ComponentCount());
  EXPECT_EQ(2, GetMenuItemCount(languages->Handle()));
  EXPECT_EQ("LangGerman", NativeText(languages->Handle(), 1));
}

TEST_F(MenuItemTest, FindItemByCommandAndBySubmenuHandle) {
  TMenuItem* file = NewItem(owner_.get(), "File", main_->Items());
  TMenuItem* save = NewItem(owner_.get(), "Save", file);
  TMenuItem* other = NewItem(owner_.get(), "Elsewhere", popup_->Items());
  EXPECT_NE(save->Command(), other->Command());
  EXPECT_NE(0, save->Command());

  EXPECT_EQ(save, main_->FindItem(save->Command(), fkCommand));
  EXPECT_EQ(file, main_->FindItem(reinterpret_cast<UINT_PTR>(file->Handle()), fkHandle));
  EXPECT_EQ(nullptr, main_->FindItem(other->Command(), fkCommand));
  EXPECT_EQ(nullptr, main_->FindItem(0x12345678, fkHandle));

  std::vector<TObject*> clicks;
  struct TClicks {
    std::vector<TObject*>* log;
    void Click(TObject* sender) { log->push_back(sender); }
  } handler{&clicks};
  save->OnClick = Method<&TClicks::Click>(&handler);
  EXPECT_TRUE(main_->DispatchCommand(save->Command()));
  EXPECT_FALSE(main_->DispatchCommand(other->Command()));
  EXPECT_EQ(std::vector<TObject*>{save}, clicks);
}

TEST_F(MenuItemTest, StringEntriesShowShortCutsExceptOnTheMenuBar) {
  TMenuItem* file = NewItem(owner_.get(), "&File", main_->Items());
  file->SetShortCut(scCtrl | 'F');
  TMenuItem* save = NewItem(owner_.get(), "&Save", file);
  save->SetShortCut(scCtrl | 'S');
  save->SetChecked(true);
  save->SetEnabled(false);
  EXPECT_EQ("&File", NativeText(main_->Handle(), 0));
  EXPECT_EQ("&Save\tCtrl+S", NativeText(file->Handle(), 0));
  const UINT state = GetMenuState(file->Handle(), 0, MF_BYPOSITION);
  EXPECT_TRUE(state & MF_CHECKED);
  EXPECT_TRUE(state & MF_GRAYED);

  // Images make every entry owner-drawn, the bar's too.
  TOwned<TImageList> images(Create<TImageList>(nullptr));
  main_->SetImages(images.get());
  EXPECT_TRUE(NativeType(main_->Handle(), 0) & MFT_OWNERDRAW);
  EXPECT_TRUE(NativeType(file->Handle(), 0) & MFT_OWNERDRAW);
  images.reset();
  EXPECT_EQ(nullptr, main_->Images());
  EXPECT_FALSE(NativeType(file->Handle(), 0) & MFT_OWNERDRAW) << "a freed list is dropped";
}

TEST_F(MenuItemTest, ChangesReachTheMenuOnlyThroughTheItemsVirtual) {
  TChangeRecorder recorder;
  popup_->OnChange = Method<&TChangeRecorder::Changed>(&recorder);
  TMutedItem* item = Create<TMutedItem>(owner_.get());
  popup_->Items()->Add(item);
  recorder.changes.clear();

  item->SetCaption("Copy");
  item->SetCaption("Copy");  // unchanged: nothing
  ASSERT_EQ(1u, recorder.changes.size());
  EXPECT_EQ(item, recorder.changes[0].source);
  EXPECT_EQ("Copy", NativeText(popup_->Handle(), 0));

  item->muted = true;
  item->SetCaption("");
  item->SetShortCut(scCtrl | 'C');
  EXPECT_EQ(1u, recorder.changes.size()) << "a muted item tells nobody";
  EXPECT_EQ("Copy", NativeText(popup_->Handle(), 0)) << "nor the native menu";
  item->SetCaption("Copy");
  item->SetShortCut(0);
  item->muted = false;
  EXPECT_EQ(1u, recorder.changes.size());
}

// ---- Actions ---------------------------------------------------------------------------

TEST_F(MenuItemTest, TheItemFollowsItsActionAndClicksRunIt) {
  TAction* action = Create<TAction>(owner_.get());
  action->SetCaption("&Open");
  action->SetHint("Open|Opens a file");
  action->SetShortCut(scCtrl | 'O');
  action->SetImageIndex(2);
  action->SetChecked(true);
  int executed = 0;
  struct TRun {
    int* count;
    void Execute(TObject*) { ++*count; }
  } run{&executed};
  action->SetOnExecute(Method<&TRun::Execute>(&run));
  TMenuItem* item = NewItem(owner_.get(), "", popup_->Items());
  item->SetAction(action);
  EXPECT_EQ("&Open", item->Caption());
  EXPECT_EQ(scCtrl | 'O', item->ShortCut());
  EXPECT_EQ(2, item->ImageIndex());
  EXPECT_TRUE(item->Checked());
  EXPECT_EQ(&TMenuActionLink::StaticClass(), item->ActionLink()->ClassType());

  // A caption that differs only in marks or letter case stays linked.
  item->SetCaption("OP&EN");
  action->SetCaption("&Load");
  EXPECT_EQ("&Load", item->Caption());
  item->SetCaption("Mine");
  action->SetCaption("Other");
  EXPECT_EQ("Mine", item->Caption());
  action->SetEnabled(false);
  EXPECT_FALSE(item->Enabled());

  item->Click();
  EXPECT_EQ(1, executed);
  action->Free();
  EXPECT_EQ(nullptr, item->Action());
}

TEST(MenuActionLinkTest, OnlyMenuItemsCanBeItsClient) {
  TOwned<TComponent> notAnItem(Create<TComponent>(nullptr));
  EXPECT_THROW(CreateActionLink(&TMenuActionLink::StaticClass(), notAnItem.get()), EInvalidCast);
  EXPECT_THROW(CreateActionLink(&TMenuActionLink::StaticClass(), nullptr), EInvalidCast);
  EXPECT_EQ(&TActionLink::StaticClass(), TMenuActionLink::StaticClass().Parent());
  EXPECT_EQ("A&B", StripHotKeyMarks("&A&&&B&"));
}
