// The wide combo box: wide items in the Unicode window and across window
// re-creation, selection, list search, completion, wide characters, owner
// drawing and bad input.
#include "Reader.h"
#include "System.h"
#include "UcStdCtrlsTestSupport.h"
#include "WidgetEnvironment.h"

namespace {

DWORD fakeTicks = 0;
DWORD FakeTicks() {
  return fakeTicks;
}

// Refuses CB_ADDSTRING and CB_INSERTSTRING as a full list does.
class TFullComboBox : public TUcComboBox {
 public:
  using TUcComboBox::TUcComboBox;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CB_ADDSTRING || m.Msg == CB_INSERTSTRING)
      m.Result = CB_ERRSPACE;
    else
      TUcComboBox::Dispatch(m);
  }
};

// Opens DrawItem for the pixel checks.
class TDrawnComboBox : public TUcComboBox {
 public:
  using TUcComboBox::DrawItem;
  using TUcComboBox::TUcComboBox;
};

class UcComboBoxes : public UcStdCtrlsTest {
 protected:
  void SetUp() override {
    UcStdCtrlsTest::SetUp();
    SetTickSource(FakeTicks);
  }
  void TearDown() override {
    SetTickSource(nullptr);
    UcStdCtrlsTest::TearDown();
  }

  TUcComboBox* Combo(TComboBoxStyle style, const std::string& name = "Combo") {
    auto* combo = Add<TUcComboBox>(name, Bounds(8, 8, 200, 24));
    combo->SetStyle(style);
    Watch(combo);
    return combo;
  }
  std::vector<std::wstring> ItemsOf(TUcCustomComboBox* combo) {
    std::vector<std::wstring> items;
    for (int i = 0; i < combo->Items()->Count(); ++i)
      items.push_back(combo->Items()->Strings(i));
    return items;
  }
  static LRESULT Char(HWND window, wchar_t c) { return SendMessageW(window, WM_CHAR, c, 1); }
  void UserSelects(TUcCustomComboBox* combo, int index) {
    combo->Perform(CB_SETCURSEL, index);
    SendMessageW(form_->Handle(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo->Handle()));
  }

  const std::vector<std::wstring> items_{kCyrillic, kGreek, kCjk, L"\u0416\u0430\u0431\u0430"};
};

TEST_F(UcComboBoxes, ItemsSelectionAndTextSurviveEveryRecreation) {
  TUcComboBox* combo = Combo(csDropDown);
  TObject tag;
  for (const std::wstring& item : items_)
    combo->Items()->AddObject(item, &tag);
  combo->SetItemIndex(2);
  combo->SetText(kGreek + L" typed");
  const auto check = [&](const char* step, const std::wstring& text) {
    EXPECT_EQ(ItemsOf(combo), items_) << step;
    EXPECT_EQ(combo->Items()->Objects(3), &tag) << step;
    EXPECT_EQ(combo->ItemIndex(), 2) << step;
    EXPECT_EQ(combo->Text(), text) << step;
    EXPECT_TRUE(IsWindowUnicode(combo->Handle())) << step;
    if (combo->EditHandle())
      EXPECT_TRUE(IsWindowUnicode(combo->EditHandle())) << step;
    EXPECT_TRUE(IsWindowUnicode(combo->ListHandle())) << step;
  };
  combo->RecreateWnd();
  check("own", kGreek + L" typed");
  form_->RecreateWnd();
  check("parent's", kGreek + L" typed");
  combo->SetStyle(csDropDownList);
  check("list style", kCjk);
  combo->SetStyle(csSimple);
  check("simple", kCjk);
}

TEST_F(UcComboBoxes, ClearKeepsTheTextAndReadingItemsMakesTheWindow) {
  TOwned<TForm> hidden(CreateNew<TForm>(nullptr));
  auto* unshown = Create<TUcComboBox>(hidden.get());
  unshown->SetParent(hidden.get());
  EXPECT_FALSE(unshown->HandleAllocated());
  EXPECT_EQ(unshown->Items()->Count(), 0);
  EXPECT_TRUE(unshown->HandleAllocated());
  TUcComboBox* combo = Combo(csDropDown);
  combo->Items()->Add(kCyrillic);
  combo->SetText(kCjk);
  combo->Items()->Clear();
  EXPECT_EQ(combo->Items()->Count(), 0);
  EXPECT_EQ(combo->Text(), kCjk);
  // Bad input: an index out of range reads as nothing.
  EXPECT_EQ(combo->Items()->Strings(5), L"");
  TUcComboBox* list = Combo(csDropDownList, "List");
  list->Items()->Add(kCyrillic);
  list->Items()->Add(kGreek);
  list->SetItemIndex(1);
  EXPECT_EQ(list->Text(), kGreek);
  list->SetText(kCyrillic);
  EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(UcComboBoxes, FormDataGivesWideItemsAndTheIndexAfterThem) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  ReadComponentText(form.get(),
                    "object Form: TForm\n"
                    "  object List: TUcComboBox\n    Style = csDropDownList\n    ItemIndex = 2\n"
                    "    Hint = 'Ж|x'\n    HintW = 'old'\n"
                    "    Items.Strings = (\n      'Жук'\n      'plain'\n"
                    "      '甲虫')\n  end\n"
                    "  object Edit: TUcComboBox\n    Text = 'Σκ'\n"
                    "    Items.Strings = (\n      'a')\n  end\n"
                    "end\n");
  auto* list = form->FindComponent("List")->As<TUcComboBox>();
  EXPECT_EQ(ItemsOf(list), (std::vector<std::wstring>{kCyrillic, L"plain", kCjk}));
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->Text(), kCjk);
  EXPECT_EQ(list->Hint(), L"\u0416|x");
  EXPECT_EQ(form->FindComponent("Edit")->As<TUcComboBox>()->Text(), L"\u03A3\u03BA");
}

TEST_F(UcComboBoxes, AFullListRaisesOutOfResources) {
  auto* combo = Add<TFullComboBox>("Full", Bounds(8, 8, 200, 24));
  EXPECT_THROW(combo->Items()->Add(kCyrillic), EOutOfResources);
  EXPECT_THROW(combo->Items()->Insert(0, kCyrillic), EOutOfResources);
}

TEST_F(UcComboBoxes, AUserSelectionSetsTheTextBeforeClickAndSelect) {
  TUcComboBox* combo = Combo(csDropDown);
  for (const std::wstring& item : items_)
    combo->Items()->Add(item);
  std::wstring textAtClick;
  struct TProbe {
    TUcComboBox* combo;
    std::wstring* text;
    void Clicked(TObject*) { *text = combo->Text(); }
  } probe{combo, &textAtClick};
  combo->OnClick = Method<&TProbe::Clicked>(&probe);
  combo->OnSelect = TNotifyEvent();
  UserSelects(combo, 1);
  EXPECT_EQ(textAtClick, kGreek);
  // Nothing selected keeps what was typed; the events still follow.
  Watch(combo);
  combo->SetItemIndex(-1);
  combo->SetText(L"typed " + kCjk);
  log_.clear();
  SendMessageW(form_->Handle(), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo->Handle()));
  EXPECT_EQ(combo->Text(), L"typed " + kCjk);
  EXPECT_EQ(log_, (std::vector<std::string>{"Combo:click", "Combo:select"}));
}

TEST_F(UcComboBoxes, ListSearchJoinsKeysWithinTheIntervalOnly) {
  TUcComboBox* combo = Combo(csDropDownList);
  for (const std::wstring& item :
       {L"\u0416\u0443\u043A", L"\u0416\u0430\u0431\u0430", L"\u0430\u0431", L"\u0443\u0436"})
    combo->Items()->Add(item);
  const HWND window = combo->Handle();
  Char(window, VK_BACK);  // nothing typed yet: nothing to take back
  EXPECT_EQ(combo->ItemIndex(), -1);
  fakeTicks = 0xFFFFFF00u;  // the next steps wrap round 32 bits
  Char(window, L'\u0416');
  EXPECT_EQ(combo->ItemIndex(), 0);
  fakeTicks += 1249;
  Char(window, L'\u0430');
  EXPECT_EQ(combo->ItemIndex(), 1);
  // Unmatched: passed on to the base, not kept in the search.
  log_.clear();
  fakeTicks += 10;
  Char(window, L'q');
  EXPECT_EQ(log_, std::vector<std::string>{"Combo:key 113"});
  Char(window, VK_BACK);
  fakeTicks += 10;
  Char(window, L'\u0443');
  EXPECT_EQ(combo->ItemIndex(), 0);
  // A pause of 1250 ms starts again.
  fakeTicks += 1250;
  Char(window, L'\u0430');
  EXPECT_EQ(combo->ItemIndex(), 2);
}

TEST_F(UcComboBoxes, CompletionAtTheEndKeepsTheTypedCase) {
  TUcComboBox* combo = Combo(csDropDown);
  for (const std::wstring& item : items_)
    combo->Items()->Add(item);
  combo->Items()->Add(L"Bug " + kCjk);
  const HWND edit = combo->EditHandle();
  Char(edit, L'b');
  EXPECT_EQ(combo->Text(), L"bug " + kCjk);
  EXPECT_EQ(combo->WideSelStart(), 1);
  EXPECT_EQ(combo->WideSelText(), L"ug " + kCjk);
  EXPECT_EQ(combo->ItemIndex(), 4);
  EXPECT_EQ(log_, (std::vector<std::string>{"Combo:key 98", "Combo:click", "Combo:select"}));
  // A character above 255 completes as well.
  log_.clear();
  combo->SetText(L"");
  Char(edit, L'\u0416');
  EXPECT_EQ(combo->Text(), L"\u0416\u0443\u043A");
  EXPECT_EQ(combo->WideSelText(), L"\u0443\u043A");
  EXPECT_EQ(log_, (std::vector<std::string>{"Combo:key 255", "Combo:click", "Combo:select"}));
  // Typing over the completed rest finds the same item: no events.
  log_.clear();
  Char(edit, L'\u0443');
  EXPECT_EQ(combo->Text(), L"\u0416\u0443\u043A");
  EXPECT_EQ(combo->WideSelText(), L"\u043A");
  EXPECT_EQ(log_, std::vector<std::string>{"Combo:key 255"});
  // With the caret in the middle nothing is completed.
  combo->SetText(L"\u0416\u0443");
  combo->SetWideSelStart(1);
  Char(edit, L'\u0430');
  EXPECT_EQ(combo->Text(), L"\u0416\u0430\u0443");
}

TEST_F(UcComboBoxes, AutoCloseUpOnlyOnAnExactMatchAndReturnOnlyCloses) {
  TUcComboBox* combo = Combo(csDropDown);
  for (const std::wstring& item : items_)
    combo->Items()->Add(item);
  combo->SetAutoCloseUp(true);
  combo->SetFocus();
  combo->SetDroppedDown(true);
  const HWND edit = combo->EditHandle();
  Char(edit, L'\u0416');
  EXPECT_TRUE(combo->DroppedDown());
  Char(edit, L'\u0443');
  Char(edit, L'\u043A');
  EXPECT_FALSE(combo->DroppedDown());
  combo->SetDroppedDown(true);
  const std::wstring before = combo->Text();
  Char(edit, VK_RETURN);
  EXPECT_FALSE(combo->DroppedDown());
  combo->SetDroppedDown(true);
  Char(edit, VK_ESCAPE);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), before);
}

TEST_F(UcComboBoxes, AutoDropDownOpensKeepingTheTypedTextAndTabCloses) {
  TUcComboBox* combo = Combo(csDropDown);
  for (const std::wstring& item : items_)
    combo->Items()->Add(item);
  combo->SetAutoDropDown(true);
  combo->SetFocus();
  combo->SetItemIndex(1);
  combo->SetText(kCjk + L"x");
  combo->SetWideSelStart(3);
  Char(combo->EditHandle(), L'y');
  EXPECT_TRUE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), kCjk + L"xy");
  Char(combo->EditHandle(), VK_TAB);
  EXPECT_FALSE(combo->DroppedDown());
  TUcComboBox* list = Combo(csDropDownList, "List");
  list->Items()->Add(kGreek);
  list->SetAutoDropDown(true);
  list->SetFocus();
  Char(list->Handle(), L'\u03A3');
  EXPECT_TRUE(list->DroppedDown());
  EXPECT_EQ(list->ItemIndex(), 0);
  Char(list->Handle(), VK_TAB);
  EXPECT_FALSE(list->DroppedDown());
}

TEST_F(UcComboBoxes, WideCharactersReachTheEditWhileKeyPressSees255) {
  TUcComboBox* combo = Combo(csDropDown);
  combo->SetAutoComplete(false);
  const HWND edit = combo->EditHandle();
  Char(edit, L'\u7532');
  SendMessageW(edit, WM_IME_CHAR, L'\u866B', 1);
  EXPECT_EQ(combo->Text(), kCjk);
  EXPECT_EQ(log_, (std::vector<std::string>{"Combo:key 255", "Combo:change", "Combo:key 255",
                                            "Combo:change"}));
}

TEST_F(UcComboBoxes, AnUnmatchedKeyOnAFocusedListComboIsOneKeyPress) {
  TUcComboBox* combo = Combo(csDropDownList);
  combo->Items()->Add(kCyrillic);
  combo->SetFocus();
  Application()->ProcessMessages();
  log_.clear();
  PostMessageW(combo->Handle(), WM_CHAR, L'z', 1);
  Application()->ProcessMessages();
  EXPECT_EQ(log_, std::vector<std::string>{"Combo:key 122"});
}

TEST_F(UcComboBoxes, OwnerDrawnItemsFillAndDrawTheWideText) {
  auto* combo = Add<TDrawnComboBox>("Drawn", Bounds(8, 8, 120, 24));
  combo->SetStyle(csOwnerDrawFixed);
  combo->Items()->Add(kCyrillic + kCjk);
  const int w = 100;
  const int h = 20;
  const auto draw = [&](int index) {
    return Rendered(w, h, [&](HDC dc) {
      combo->Canvas()->SetHandle(dc);
      combo->Canvas()->SetFont(combo->Font());
      combo->Canvas()->Font()->SetColor(clBlack);
      combo->Canvas()->Brush()->SetColor(clYellow);
      combo->DrawItem(index, TRect(0, 0, w, h), TOwnerDrawState());
      combo->Canvas()->SetHandle(nullptr);
    });
  };
  const std::vector<COLORREF> yellow = Rendered(w, h, [&](HDC dc) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(clYellow));
    RECT r{0, 0, w, h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  });
  EXPECT_TRUE(draw(-1) == yellow);
  const std::vector<COLORREF> expected = Rendered(w, h, [&](HDC dc) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(clYellow));
    RECT r{0, 0, w, h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    const HGDIOBJ old = SelectObject(dc, combo->Font()->Handle());
    SetBkColor(dc, ColorToRGB(clYellow));
    const std::wstring text = kCyrillic + kCjk;
    TextOutW(dc, 2, 0, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, old);
  });
  EXPECT_TRUE(draw(0) == expected);
  Watch(combo);
  struct TProbe {
    int index = -2;
    void Draw(TWinControl*, int i, const TRect&, TOwnerDrawState) { index = i; }
  } probe;
  combo->OnDrawItem = Method<&TProbe::Draw>(&probe);
  EXPECT_TRUE(draw(0) == Rendered(w, h, [](HDC) {}));
  EXPECT_EQ(probe.index, 0);
}

TEST_F(UcComboBoxes, CopySelectionAddsWideOrConvertedItems) {
  TUcComboBox* source = Combo(csDropDownList);
  TObject tag;
  source->Items()->AddObject(kCyrillic, &tag);
  auto* wide = Add<TUcComboBox>("Wide", Bounds(8, 40, 200, 24));
  auto* ansi = Add<TComboBox>("Ansi", Bounds(8, 70, 200, 24));
  source->CopySelection(wide);
  EXPECT_EQ(wide->Items()->Count(), 0);
  source->SetItemIndex(0);
  source->CopySelection(wide);
  source->CopySelection(ansi);
  EXPECT_EQ(ItemsOf(wide), std::vector<std::wstring>{kCyrillic});
  EXPECT_EQ(wide->Items()->Objects(0), &tag);
  EXPECT_EQ(ansi->Items()->Strings(0), "???");
  EXPECT_EQ(ansi->Items()->Objects(0), &tag);
  // And back: an 8-bit item arrives widened.
  ansi->Items()->Add("caf\xE9");
  ansi->SetItemIndex(1);
  ansi->CopySelection(wide);
  EXPECT_EQ(wide->Items()->Strings(1), L"caf\u00E9");
}

TEST_F(UcComboBoxes, EightBitFamilyKeepsItemsConverted) {
  const TForcedPlatformFlags ansi(false, true);
  TUcComboBox* combo = Combo(csDropDown);
  combo->Items()->Add(L"caf\u00E9 " + kCyrillic);
  combo->SetItemIndex(0);
  EXPECT_FALSE(IsWindowUnicode(combo->Handle()));
  combo->RecreateWnd();
  EXPECT_EQ(ItemsOf(combo), std::vector<std::wstring>{L"caf\u00E9 ???"});
  EXPECT_EQ(combo->Text(), L"caf\u00E9 ???");
  combo->SetWideSelStart(4);
  EXPECT_EQ(combo->WideSelStart(), 4);
}

}  // namespace
