// Wide menu items in plain and owner-drawn menus, the popup list and its
// hints, and the 8-bit platform's fallbacks.
#include "Forms.h"
#include "ImgList.h"
#include "Reader.h"
#include "System.h"
#include "UcForms.h"
#include "UcMenus.h"
#include "UcMenusTestSupport.h"
#include "WidgetEnvironment.h"

#include "MenuItemMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::wstring kFile = L"\u0424\u0430\u0439\u043B";               // Cyrillic
const std::wstring kOpen = L"\u039F\u03C0\u03B5\u03BD \u65E5\u672C";  // Greek and CJK
const std::wstring kLongHint = L"\u0416\u0443\u043A";

void SetMenuText(HMENU menu, UINT command, const std::wstring& text) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  std::wstring copy = text;
  info.dwTypeData = &copy[0];
  ASSERT_TRUE(SetMenuItemInfoW(menu, command, FALSE, &info));
}

// The width DrawTextW gives text in the menu font.
int MenuTextWidth(const std::wstring& text) {
  TOwned<TBitmap> bitmap = SolidBitmap(1, 1, clWhite);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Font()->Assign(Screen()->MenuFont());
  TRect r(0, 0, 0, 0);
  DrawTextW(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE);
  return r.Width();
}

struct TChangeCounter {
  int Count = 0;
  void Changed(TObject*, TMenuItem*, bool) { ++Count; }
};

HKL FakeLayout() {
  return reinterpret_cast<HKL>(static_cast<uintptr_t>(0x04190419));
}

class TLayoutSourceScope {
 public:
  explicit TLayoutSourceScope(TKeyboardLayoutSource source) { SetKeyboardLayoutSource(source); }
  ~TLayoutSourceScope() { SetKeyboardLayoutSource(nullptr); }
  TLayoutSourceScope(const TLayoutSourceScope&) = delete;
  TLayoutSourceScope& operator=(const TLayoutSourceScope&) = delete;
};

class WideMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    menu_ = Create<TUcMainMenu>(form_.get());
    file_ = AddItem(kFile, menu_->Items());
    form_->SetMenu(menu_);
    form_->HandleNeeded();
  }

  TUcMenuItem* AddItem(const std::wstring& caption, TMenuItem* parent) {
    auto* item = Create<TUcMenuItem>(form_.get());
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }

  TOwned<TForm> form_;
  TUcMainMenu* menu_ = nullptr;
  TUcMenuItem* file_ = nullptr;
};

TEST_F(WideMenuTest, PlainItemsShowTheWideCaptionAndShortcut) {
  EXPECT_TRUE(menu_->Items()->Is<TUcMenuItem>());
  TUcMenuItem* open = AddItem(kOpen, file_);
  open->SetShortCut(scCtrl | 'O');
  file_->SetShortCut(scCtrl | 'F');  // a bar entry shows none
  TUcMenuItem* line = AddItem(L"-", file_);
  const HMENU bar = GetMenu(form_->Handle());
  ASSERT_EQ(menu_->Handle(), bar);
  EXPECT_EQ(kFile, MenuText(bar, file_->Command()));
  EXPECT_EQ(kOpen + L"\t" + ShortCutToWideText(scCtrl | 'O'),
            MenuText(file_->Handle(), open->Command()));
  EXPECT_EQ(L"", MenuText(file_->Handle(), line->Command()));
  // Later changes, and a parent that gains sub-items.
  open->SetCaption(kLongHint);
  EXPECT_EQ(kLongHint + L"\tCtrl+O", MenuText(file_->Handle(), open->Command()));
  TUcMenuItem* more = AddItem(L"\u65E5", open);
  more->SetShortCut(VK_F5);
  EXPECT_EQ(kLongHint, MenuText(file_->Handle(), open->Command())) << "no shortcut on a submenu";
  EXPECT_EQ(L"\u65E5\tF5", MenuText(open->Handle(), more->Command()));
  EXPECT_EQ(kFile, MenuText(bar, file_->Command())) << "siblings keep their wide texts";
}

TEST_F(WideMenuTest, HotKeyMarkersOfThe8BitCaptionMoveIntoTheWideOne) {
  TUcMenuItem* item = AddItem(L"\u0416ile", file_);
  item->TMenuItem::SetCaption("?i&le");
  EXPECT_EQ(L"\u0416i&le", item->Caption());
  EXPECT_EQ(L"\u0416i&le", MenuText(file_->Handle(), item->Command()));
  // A caption that is another text altogether wins as widened.
  item->TMenuItem::SetCaption("Other");
  EXPECT_EQ(L"Other", item->Caption());
}

TEST_F(WideMenuTest, ShortcutTextsFollowALayoutChangeAtTheNextInitiateAction) {
  TUcMenuItem* open = AddItem(kOpen, file_);
  open->SetShortCut(scCtrl | 'O');
  const std::wstring expected = MenuText(file_->Handle(), open->Command());
  SetMenuText(file_->Handle(), open->Command(), L"stale");
  open->InitiateAction();
  EXPECT_EQ(L"stale", MenuText(file_->Handle(), open->Command())) << "same layout: nothing";
  const TLayoutSourceScope layout(&FakeLayout);
  open->InitiateAction();
  EXPECT_EQ(expected, MenuText(file_->Handle(), open->Command()));
  EXPECT_EQ(FakeLayout(), open->LayoutAtLastUpdate());
}

TEST_F(WideMenuTest, FormDataWithWideAndCompatibilityNamesLoads) {
  TOwned<TUcMainMenu> menu(Create<TUcMainMenu>(nullptr));
  ReadComponentText(menu.get(),
                    "object Menu: TUcMainMenu\n"
                    "  object File: TUcMenuItem\n"
                    "    Caption = #1060#1072#1081#1083\n"
                    "    CaptionW = ''\n"
                    "    Caption_UTF7 = '+BCQ-'\n"
                    "    Hint = 'F|'#1046\n"
                    "    HintW = ''\n"
                    "    Hint_UTF7 = ''\n"
                    "    object Open: TUcMenuItem\n"
                    "      Caption = #913'pen'\n"
                    "      ShortCut = 16463\n"
                    "    end\n"
                    "  end\n"
                    "end\n");
  ASSERT_EQ(1, menu->Items()->Count());
  auto* file = dynamic_cast<TUcMenuItem*>(menu->Items()->Items(0));
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(kFile, file->Caption());
  EXPECT_EQ(L"F|\u0416", file->Hint());
  auto* open = dynamic_cast<TUcMenuItem*>(file->Items(0));
  ASSERT_NE(nullptr, open);
  EXPECT_EQ(L"\u0391pen\tCtrl+O", MenuText(file->Handle(), open->Command()));
}

TEST_F(WideMenuTest, RightToLeftSystemsRefreshTheFirstVisibleTopItem) {
  TUcMenuItem* hidden = AddItem(L"hidden", menu_->Items());
  menu_->Items()->Insert(0, hidden);
  hidden->SetVisible(false);
  const HMENU bar = menu_->Handle();
  SetMenuText(bar, file_->Command(), L"stale");
  const bool saved = SysLocale().MiddleEast;
  SysLocale().MiddleEast = false;
  FixFirstVisibleItem(menu_);
  EXPECT_EQ(L"stale", MenuText(bar, file_->Command()));
  SysLocale().MiddleEast = true;
  FixFirstVisibleItem(menu_);
  SysLocale().MiddleEast = saved;
  EXPECT_EQ(kFile, MenuText(bar, file_->Command()));
}

// ---- Owner drawing --------------------------------------------------------------------------

constexpr int kItemWidth = 200;
constexpr int kItemHeight = 22;
// Where the texts start right of the glyph box of a 16-pixel image list.
constexpr int kWideTextLeft = 22;

class WideOwnerDrawTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    images_ = Create<TImageList>(form_.get());
    TOwned<TBitmap> red = SolidBitmap(16, 16, clRed);
    images_->AddMasked(red.get(), clWhite);
    popup_ = Create<TUcPopupMenu>(form_.get());
    popup_->SetImages(images_);
    popup_->OnChange = Method<&TChangeCounter::Changed>(&changes_);
  }

  TUcMenuItem* AddWide(const std::wstring& caption) {
    auto* item = Create<TUcMenuItem>(form_.get());
    item->SetCaption(caption);
    popup_->Items()->Add(item);
    return item;
  }
  TMenuItem* AddPlain(const std::string& caption) {
    TMenuItem* item = Create<TMenuItem>(form_.get());
    item->SetCaption(caption);
    popup_->Items()->Add(item);
    return item;
  }

  TSize Measure(TMenuItem* item) { return MeasureMenuItem(WidePopupList()->Window(), item); }
  TOwned<TBitmap> Draw(TMenuItem* item, UINT itemState) {
    TOwned<TBitmap> bitmap = SolidBitmap(kItemWidth, kItemHeight, clFuchsia);
    EXPECT_EQ(1, DrawMenuItem(WidePopupList()->Window(), item, itemState, bitmap.get()));
    return bitmap;
  }

  TOwned<TForm> form_;
  TImageList* images_ = nullptr;
  TUcPopupMenu* popup_ = nullptr;
  TChangeCounter changes_;
};

TEST_F(WideOwnerDrawTest, TheWidthIsThatOfTheWideText) {
  const std::wstring wide = L"\u0416\u0416\u0416\u0416\u0416\u0416";
  TUcMenuItem* item = AddWide(wide);
  TMenuItem* plain = AddPlain("??????");
  item->SetShortCut(scCtrl | 'S');
  plain->SetShortCut(scCtrl | 'S');
  const int difference = Measure(item).cx - Measure(plain).cx;
  EXPECT_EQ(MenuTextWidth(wide) - MenuTextWidth(L"??????"), difference);
  EXPECT_NE(0, difference);
  EXPECT_EQ(Measure(plain).cy, Measure(item).cy);
}

TEST_F(WideOwnerDrawTest, DrawsTheWideTextQuietly) {
  TUcMenuItem* item = AddWide(kOpen);
  TMenuItem* plain = AddPlain(WideToAnsi(kOpen));
  item->SetImageIndex(0);
  plain->SetImageIndex(0);
  item->SetShortCut(scCtrl | 'O');
  plain->SetShortCut(scCtrl | 'O');
  changes_.Count = 0;
  TOwned<TBitmap> wide = Draw(item, 0);
  TOwned<TBitmap> ansi = Draw(plain, 0);
  EXPECT_EQ(0, changes_.Count) << "no menu change while drawing";
  EXPECT_EQ(kOpen, item->Caption());
  EXPECT_EQ(scCtrl | 'O', item->ShortCut());
  EXPECT_TRUE(SamePixels(wide.get(), ansi.get(), TRect(0, 0, kWideTextLeft, kItemHeight)))
      << "the base draws the glyph";
  EXPECT_EQ(clRed, wide->Canvas()->Pixels(10, kItemHeight / 2));
  EXPECT_FALSE(SamePixels(wide.get(), ansi.get(), TRect(kWideTextLeft, 0, 120, kItemHeight)));
  // The same shortcut text, ending 10 pixels before the text rectangle's
  // right edge: one pixel left of the class library's.
  for (int x = 150; x + 1 < kItemWidth; ++x) {
    for (int y = 0; y < kItemHeight; ++y)
      ASSERT_EQ(ansi->Canvas()->Pixels(x + 1, y), wide->Canvas()->Pixels(x, y)) << x << "," << y;
  }
}

TEST_F(WideOwnerDrawTest, An8BitCaptionIsPlacedWhereTheClassLibraryPlacesIt) {
  images_->SetWidth(24);
  TOwned<TBitmap> green = SolidBitmap(24, 16, clGreen);
  images_->AddMasked(green.get(), clWhite);
  for (int variant = 0; variant < 3; ++variant) {
    TUcMenuItem* item = AddWide(L"Save");
    TMenuItem* plain = AddPlain("Save");
    for (TMenuItem* i : {static_cast<TMenuItem*>(item), plain}) {
      i->SetChecked(variant == 0);  // a check mark beside a wider image list
      i->SetImageIndex(variant == 1 ? 0 : -1);
      i->SetDefault(variant == 2);
    }
    EXPECT_TRUE(SamePixels(Draw(item, ODS_SELECTED).get(), Draw(plain, ODS_SELECTED).get()))
        << "variant " << variant;
  }
}

TEST_F(WideOwnerDrawTest, ADisabledItemIsEmbossed) {
  TUcMenuItem* item = AddWide(L"\u2588\u2588\u2588");  // full blocks: solid ink
  item->SetEnabled(false);
  TOwned<TBitmap> drawn = Draw(item, ODS_DISABLED | ODS_GRAYED);
  bool shadow = false;
  bool highlight = false;
  for (int y = 0; y < kItemHeight; ++y) {
    for (int x = kWideTextLeft; x < kItemWidth; ++x) {
      const TColor c = drawn->Canvas()->Pixels(x, y);
      shadow = shadow || c == ColorToRGB(clBtnShadow);
      highlight = highlight || c == ColorToRGB(clBtnHighlight);
    }
  }
  EXPECT_TRUE(shadow);
  EXPECT_TRUE(highlight);
}

// ---- Popup menus and their list ------------------------------------------------------------

TEST(WidePopupListTest, PopupMenusMoveBetweenTheLists) {
  TUcPopupList* wide = WidePopupList();
  ASSERT_NE(nullptr, wide);
  TPopupList* library = PopupList();
  EXPECT_EQ(library, wide->PreviousPopupList());
  const int wideCount = wide->Count();
  const int libraryCount = library->Count();
  TOwned<TUcPopupMenu> popup(Create<TUcPopupMenu>(nullptr));
  TOwned<TPopupMenu> plain(Create<TPopupMenu>(nullptr));
  EXPECT_EQ(wide, popup->List());
  EXPECT_EQ(library, plain->List());
  EXPECT_EQ(wideCount + 1, wide->Count());
  EXPECT_EQ(libraryCount + 1, library->Count());
  popup.reset();
  EXPECT_EQ(wideCount, wide->Count());
  EXPECT_EQ(libraryCount + 1, library->Count());
}

struct TPopupWatcher {
  TPopupList* Current = nullptr;
  bool Raise = false;
  void Popup(TObject*) {
    Current = PopupList();
    if (Raise)
      throw Exception("popup failed");
  }
};

TEST(WidePopupListTest, PopupRestoresTheLibrarysListEvenWhenItRaises) {
  TPopupList* library = PopupList();
  TOwned<TUcPopupMenu> popup(Create<TUcPopupMenu>(nullptr));
  TPopupWatcher watcher;
  watcher.Raise = true;
  popup->OnPopup = Method<&TPopupWatcher::Popup>(&watcher);
  EXPECT_THROW(popup->Popup(10, 10), Exception);
  EXPECT_EQ(WidePopupList(), watcher.Current);
  EXPECT_EQ(library, PopupList());
}

struct TClickLog {
  int Clicks = 0;
  std::vector<std::wstring> Hints;
  void Click(TObject*) { ++Clicks; }
  void Hint(TObject*) { Hints.push_back(WideApplication()->Hint()); }
};

void PostKey(HWND window, WORD key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

TEST(WidePopupListTest, ARealPopupRunsThroughTheWideList) {
  TPopupList* library = PopupList();
  TOwned<TUcPopupMenu> popup(Create<TUcPopupMenu>(nullptr));
  auto* item = Create<TUcMenuItem>(popup.get());
  item->SetCaption(kOpen);
  item->SetHint(L"Short|" + kLongHint);
  popup->Items()->Add(item);
  TClickLog log;
  item->OnClick = Method<&TClickLog::Click>(&log);
  Application()->OnHint = Method<&TClickLog::Hint>(&log);
  // Down selects the item, Enter chooses it; the command arrives afterwards.
  PostKey(WidePopupList()->Window(), VK_DOWN);
  PostKey(WidePopupList()->Window(), VK_RETURN);
  popup->Popup(100, 100);
  EXPECT_EQ(library, PopupList());
  ASSERT_TRUE(classlib::PumpUntil([&] { return log.Clicks == 1; }, 2000));
  Application()->OnHint = nullptr;
  ASSERT_FALSE(log.Hints.empty());
  EXPECT_EQ(kLongHint, log.Hints.front());
  EXPECT_EQ(L"", log.Hints.back()) << "the closing menu clears it";
}

TEST(WidePopupListTest, EnteringTheMenuLoopMakesTheLibrarysListCurrentAgain) {
  TPopupList* library = PopupList();
  SetPopupList(WidePopupList());
  SendMessageW(WidePopupList()->Window(), WM_ENTERMENULOOP, TRUE, 0);
  EXPECT_EQ(library, PopupList());
  SetPopupList(library);
}

class WideMenuSelectTest : public testing::Test {
 protected:
  void SetUp() override {
    popup_.reset(Create<TUcPopupMenu>(nullptr));
    item_ = Create<TUcMenuItem>(popup_.get());
    item_->SetCaption(kOpen);
    item_->SetHint(L"Short|" + kLongHint);
    popup_->Items()->Add(item_);
    sub_ = Create<TUcMenuItem>(popup_.get());
    sub_->SetHint(kFile);
    popup_->Items()->Add(sub_);
    sub_->Add(Create<TUcMenuItem>(popup_.get()));
    WideApplication()->SetHint(L"before");
  }
  void TearDown() override { WideApplication()->SetHint(L""); }

  LRESULT Select(WPARAM wParam, LPARAM lParam) {
    return SendMessageW(WidePopupList()->Window(), WM_MENUSELECT, wParam, lParam);
  }

  TOwned<TUcPopupMenu> popup_;
  TUcMenuItem* item_ = nullptr;
  TUcMenuItem* sub_ = nullptr;
};

TEST_F(WideMenuSelectTest, AHoveredItemPutsItsLongWideHintIntoTheApplication) {
  Select(MAKEWPARAM(item_->Command(), MF_STRING),
         reinterpret_cast<LPARAM>(popup_->Items()->Handle()));
  EXPECT_EQ(kLongHint, WideApplication()->Hint());
  EXPECT_EQ("???", Application()->Hint());
  Select(MAKEWPARAM(1, MF_POPUP), reinterpret_cast<LPARAM>(popup_->Items()->Handle()));
  EXPECT_EQ(kFile, WideApplication()->Hint()) << "a submenu by its position";
}

TEST_F(WideMenuSelectTest, UnknownOrClosingSelectionsClearTheHint) {
  const std::vector<std::pair<WPARAM, LPARAM>> cases{{MAKEWPARAM(0, 0xFFFF), 0},
                                                     {MAKEWPARAM(0, MF_POPUP), 0},
                                                     {MAKEWPARAM(5, MF_POPUP), 0x12345},
                                                     {MAKEWPARAM(0xFFF0, MF_STRING), 0}};
  for (const auto& [wParam, lParam] : cases) {
    WideApplication()->SetHint(L"before");
    Select(wParam, lParam);
    EXPECT_EQ(L"", WideApplication()->Hint()) << std::hex << wParam << " " << lParam;
    EXPECT_EQ("", Application()->Hint());
  }
}

// ---- Screenshot ---------------------------------------------------------------------------

void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

// Not a check: keeps a form with a wide main menu and an open wide popup menu
// on the display for VEL_HOLD_MS milliseconds, so that tools/screenshot can
// capture it (run with --gtest_also_run_disabled_tests).
TEST(WideMenuScreenshot, DISABLED_ShowMenusForScreenshot) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetCaption("Wide menus");
  form->SetClientWidth(420);
  form->SetClientHeight(260);
  form->SetPosition(poScreenCenter);
  TImageList* images = Create<TImageList>(form.get());
  for (TColor colour : {clRed, clGreen, clBlue}) {
    TOwned<TBitmap> square = SolidBitmap(16, 16, colour);
    images->AddMasked(square.get(), clWhite);
  }
  auto* menu = Create<TUcMainMenu>(form.get());
  menu->SetImages(images);
  auto* popup = Create<TUcPopupMenu>(form.get());
  popup->SetImages(images);
  auto add = [&](TMenuItem* parent, const std::wstring& caption, int image, TShortCut shortCut) {
    auto* item = Create<TUcMenuItem>(form.get());
    item->SetCaption(caption);
    item->SetImageIndex(image);
    item->SetShortCut(shortCut);
    parent->Add(item);
    return item;
  };
  TMenuItem* file = add(menu->Items(), L"&\u0424\u0430\u0439\u043B", -1, 0);
  add(file, L"\u041E\u0442\u043A\u0440\u044B\u0442\u044C", 0, scCtrl | 'O');
  add(menu->Items(), L"\u0395\u03C0\u03B5\u03BE\u03B5\u03C1\u03B3\u03B1\u03C3\u03AF\u03B1", -1, 0);
  add(menu->Items(), L"\u8868\u793A(&V)", -1, 0);
  add(popup->Items(), L"\u041A\u043E\u043F\u0438\u0440\u043E\u0432\u0430\u0442\u044C", 0,
      scCtrl | 'C');
  add(popup->Items(), L"\u0395\u03C0\u03B9\u03BA\u03CC\u03BB\u03BB\u03B7\u03C3\u03B7", 1,
      scCtrl | 'V');
  add(popup->Items(), L"-", -1, 0);
  TMenuItem* disabled = add(popup->Items(), L"\u65E5\u672C\u8A9E \xD83D\xDE00", 2, VK_F5);
  disabled->SetEnabled(false);
  form->SetMenu(menu);
  form->Show();
  classlib::PumpFor(300);
  const char* hold = std::getenv("VEL_HOLD_MS");
  SetTimer(nullptr, 0, hold ? static_cast<UINT>(std::atoi(hold)) : 1000, &EndMenuTimer);
  const TPoint at = form->ClientToScreen(TPoint(60, 40));
  popup->Popup(at.x, at.y);
}

}  // namespace
