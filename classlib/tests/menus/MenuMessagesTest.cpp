#include "Forms.h"
#include "Menus.h"

#include "MenusTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// One record of what happened, in order.
struct TLog {
  std::vector<std::string> entries;

  void Click(TObject* sender) { entries.push_back("click " + Name(sender)); }
  void Popup(TObject* sender) { entries.push_back("popup " + Name(sender)); }
  void Update(TObject* sender) { entries.push_back(Name(sender)); }
  void ListUpdate(TObject*, TBasicAction* action, bool&) {
    entries.push_back("list " + action->Name());
  }
  void Idle(TObject*, bool& done) {
    entries.push_back("idle");
    done = true;
  }
  void Hint(TObject*) { entries.push_back("hint " + Application()->Hint()); }
  static std::string Name(TObject* sender) { return static_cast<TComponent*>(sender)->Name(); }

  int Count(const std::string& entry) const {
    return static_cast<int>(std::count(entries.begin(), entries.end(), entry));
  }
};

// A windowed control to right-click on.
class TClickBox : public TCustomControl {
 public:
  explicit TClickBox(TComponent* owner) : TCustomControl(owner) {}
};

// A windowless one.
class TClickSpot : public TGraphicControl {
 public:
  explicit TClickSpot(TComponent* owner) : TGraphicControl(owner) {}
};

// A popup list that notes the messages its window gets.
class TNotingPopupList : public TPopupList {
 public:
  std::vector<UINT> messages;

 protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_COMMAND || m.Msg == WM_MENUSELECT)
      messages.push_back(m.Msg);
    TPopupList::WndProc(m);
  }
};

// Makes its own list current while it shows, as the wide menus do.
class TSwappingPopupMenu : public TPopupMenu {
 public:
  TSwappingPopupMenu(TComponent* owner, TPopupList* own) : TPopupMenu(owner), own_(own) {
    own_->Add(this);
  }
  void Popup(int x, int y) override {
    TPopupList* previous = PopupList();
    SetPopupList(own_);
    try {
      TPopupMenu::Popup(x, y);
    } catch (...) {
      SetPopupList(previous);
      throw;
    }
    SetPopupList(previous);
  }

 private:
  TPopupList* own_;
};

// Closes whatever menu is open; the menu loops dispatch timer messages.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
  EndMenu();
}

void PostKey(HWND window, WORD key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class MenuMessagesTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(50, 50, 300, 200);
    menu_ = Create<TMainMenu>(form_.get());
    file_ = AddItem("File", menu_->Items());
    save_ = AddItem("Save", file_);
    save_->SetHint("Save|Saves the settings");
    save_->OnClick = Method<&TLog::Click>(&log_);
    form_->SetMenu(menu_);
  }
  void TearDown() override {
    Application()->OnIdle = nullptr;
    Application()->OnHint = nullptr;
    form_.reset();
  }

  TMenuItem* AddItem(const char* name, TMenuItem* parent) {
    TMenuItem* item = Create<TMenuItem>(form_.get());
    item->SetName(name);
    item->SetCaption(name);
    parent->Add(item);
    return item;
  }
  TAction* AddAction(const char* name, TActionList* list) {
    TAction* action = Create<TAction>(form_.get());
    action->SetName(name);
    action->OnUpdate = Method<&TLog::Update>(&log_);
    action->SetActionList(list);
    return action;
  }
  LRESULT SendToForm(UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(form_->Handle(), msg, wParam, lParam);
  }

  TLog log_;
  TOwned<TForm> form_;
  TMainMenu* menu_ = nullptr;
  TMenuItem* file_ = nullptr;
  TMenuItem* save_ = nullptr;
};

}  // namespace

TEST_F(MenuMessagesTest, TheFormHandsCommandsPopupsAndSelectionsToItsMenu) {
  TAction* action = AddAction("SaveAction", nullptr);
  TMenuItem* close = AddItem("Close", file_);
  close->SetAction(action);
  log_.entries.clear();

  SendToForm(WM_COMMAND, save_->Command(), 0);
  SendToForm(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file_->Handle()), 0);
  EXPECT_EQ((std::vector<std::string>{"click Save", "SaveAction"}), log_.entries);

  SendToForm(WM_MENUSELECT, MAKEWPARAM(save_->Command(), MF_HILITE), 0);
  EXPECT_EQ("Saves the settings", Application()->Hint());
  SendToForm(WM_MENUSELECT, MAKEWPARAM(0, MF_HILITE | MF_POPUP),
             reinterpret_cast<LPARAM>(menu_->Handle()));
  EXPECT_EQ("", Application()->Hint()) << "File has no hint";
  SendToForm(WM_MENUSELECT, MAKEWPARAM(save_->Command(), MF_HILITE), 0);
  SendToForm(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ("", Application()->Hint()) << "the menu closed";
}

TEST_F(MenuMessagesTest, HotKeysChooseOwnerDrawnItems) {
  TOwned<TImageList> images(Create<TImageList>(nullptr));
  menu_->SetImages(images.get());
  file_->SetCaption("&File");
  AddItem("E&dit", menu_->Items())->SetVisible(false);
  AddItem("&Options", menu_->Items());
  save_->SetCaption("&Save");
  auto menuChar = [&](char ch, HMENU menu) {
    return SendToForm(WM_MENUCHAR, MAKEWPARAM(ch, 0), reinterpret_cast<LPARAM>(menu));
  };
  EXPECT_EQ(MAKELRESULT(0, MNC_EXECUTE), menuChar('f', menu_->Handle()));
  EXPECT_EQ(MAKELRESULT(1, MNC_EXECUTE), menuChar('O', menu_->Handle()))
      << "positions count visible items only";
  EXPECT_EQ(MAKELRESULT(0, MNC_IGNORE), menuChar('d', menu_->Handle()));
  EXPECT_EQ(MAKELRESULT(0, MNC_EXECUTE), menuChar('s', file_->Handle()));

  // Alt+F on the live bar opens File: its items are initiated.
  save_->SetAction(AddAction("SaveAction", nullptr));
  form_->Show();
  log_.entries.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, &EndMenuTimer);
  SendToForm(WM_SYSCOMMAND, SC_KEYMENU, 'f');
  KillTimer(nullptr, timer);
  EXPECT_EQ(1, log_.Count("SaveAction"));
}

TEST_F(MenuMessagesTest, IdlePassesUpdateListAndMenuBarActionsOnce) {
  TActionList* list = Create<TActionList>(form_.get());
  list->OnUpdate = Method<&TLog::ListUpdate>(&log_);
  TAction* listed = AddAction("Listed", list);
  TAction* ofBar = AddAction("OfBar", nullptr);
  TAction* ofSubItem = AddAction("OfSubItem", nullptr);
  file_->SetAction(ofBar);
  TMenuItem* second = AddItem("Second", menu_->Items());
  second->SetAction(listed);  // also in the list: still once
  save_->SetAction(ofSubItem);
  form_->Show();
  Application()->OnIdle = Method<&TLog::Idle>(&log_);
  log_.entries.clear();
  ASSERT_TRUE(classlib::PumpUntil([&] { return log_.Count("idle") >= 2; }));

  const auto first = std::find(log_.entries.begin(), log_.entries.end(), "idle");
  const std::vector<std::string> pass(first + 1, std::find(first + 1, log_.entries.end(), "idle"));
  EXPECT_EQ((std::vector<std::string>{"list Listed", "Listed", "OfBar"}), pass);
  EXPECT_EQ(0, log_.Count("OfSubItem")) << "sub-items update when their menu opens";
  (void)ofSubItem;
}

TEST_F(MenuMessagesTest, ARightClickOpensTheControlsPopupMenu) {
  TPopupMenu* popup = Create<TPopupMenu>(form_.get());
  popup->SetName("Popup");
  popup->OnPopup = Method<&TLog::Popup>(&log_);
  AddItem("Copy", popup->Items());
  auto* box = Create<TClickBox>(form_.get());
  box->SetBounds(10, 10, 100, 60);
  box->SetParent(form_.get());
  box->SetPopupMenu(popup);
  EXPECT_THROW(box->SetPopupMenu(menu_), EInvalidCast) << "a main menu pops up nowhere";
  auto* spot = Create<TClickSpot>(form_.get());
  spot->SetBounds(150, 10, 40, 40);
  spot->SetParent(form_.get());
  spot->SetPopupMenu(popup);
  form_->Show();
  ASSERT_EQ(PopupList(), popup->List());

  // Each menu is closed by an Esc waiting in the queue.
  PostKey(PopupList()->Window(), VK_ESCAPE);
  SendMessageA(box->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
  SendMessageA(box->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(box, popup->PopupComponent());
  PostKey(PopupList()->Window(), VK_ESCAPE);
  SendToForm(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(160, 20));
  SendToForm(WM_RBUTTONUP, 0, MAKELPARAM(160, 20));
  EXPECT_EQ(spot, popup->PopupComponent());
  EXPECT_EQ((std::vector<std::string>{"popup Popup", "popup Popup"}), log_.entries);

  popup->SetAutoPopup(false);
  SendMessageA(box->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(70, 70));
  EXPECT_EQ(2, log_.Count("popup Popup"));
  classlib::PumpFor(50);  // the keys left over
}

TEST_F(MenuMessagesTest, AListMadeCurrentDuringPopupServesItsOwnMenusAfterwards) {
  TOwned<TNotingPopupList> own(Create<TNotingPopupList>());
  TPopupList* startup = PopupList();
  auto* popup = Create<TSwappingPopupMenu>(form_.get(), own.get());
  TMenuItem* copy = AddItem("Copy", popup->Items());
  copy->SetHint("Copy|Copies the selection");
  copy->OnClick = Method<&TLog::Click>(&log_);
  ASSERT_EQ(own.get(), popup->List());
  Application()->OnHint = Method<&TLog::Hint>(&log_);
  Application()->SetHint("before");
  log_.entries.clear();

  // Down selects the item, Enter chooses it; the command arrives afterwards.
  PostKey(own->Window(), VK_DOWN);
  PostKey(own->Window(), VK_RETURN);
  popup->Popup(100, 100);
  EXPECT_EQ(startup, PopupList());
  ASSERT_TRUE(classlib::PumpUntil([&] { return log_.Count("click Copy") == 1; }, 2000));
  EXPECT_EQ("hint Copies the selection", log_.entries.front());
  EXPECT_NE(own->messages.end(),
            std::find(own->messages.begin(), own->messages.end(), UINT(WM_MENUSELECT)));
  EXPECT_EQ(UINT(WM_COMMAND), own->messages.back());

  popup->Free();
  EXPECT_EQ(0, own->Count()) << "a freed menu leaves its list";
}
