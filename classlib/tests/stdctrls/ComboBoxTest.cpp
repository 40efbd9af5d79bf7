// The combo box: items as a view of the window, selection from code without
// events, the user's selection with them, owner drawing on a prepared canvas,
// re-creation and keys.
#include "StdCtrlsTestSupport.h"

#include "System.h"

namespace {

using Log = std::vector<std::string>;

class ComboBox : public StdCtrlsTest {
 protected:
  TComboBox* AddCombo(TComboBoxStyle style, const std::string& name = "Combo") {
    auto* combo = Create<TComboBox>(form_.get());
    combo->SetName(name);
    combo->SetStyle(style);
    combo->SetBounds(8, 8, 150, 21);
    combo->SetParent(form_.get());
    for (const char* item : {"Apple", "Banana", "Blueberry"})
      combo->Items()->Add(item);
    return combo;
  }
};

TEST_F(ComboBox, ItemsCreateTheWindowAndCheckTheirIndices) {
  auto* combo = Create<TComboBox>(form_.get());
  EXPECT_THROW(combo->Items()->Count(), EInvalidOperation);  // no parent window yet
  combo->SetVisible(false);
  combo->SetParent(form_.get());
  EXPECT_FALSE(combo->HandleAllocated());
  EXPECT_EQ(combo->Items()->Count(), 0);
  EXPECT_TRUE(combo->HandleAllocated());
  combo->Items()->Add("one");
  EXPECT_THROW(combo->Items()->Strings(1), EStringListError);
  EXPECT_THROW(combo->Items()->Objects(-1), EStringListError);
  EXPECT_THROW(combo->Items()->Delete(1), EStringListError);
  EXPECT_THROW(combo->Items()->Insert(2, "x"), EStringListError);
  combo->Items()->Insert(0, "zero");
  EXPECT_EQ(combo->Items()->Text(), "zero\r\none\r\n");
  EXPECT_EQ(combo->Items()->IndexOf("ONE"), 1);
}

TEST_F(ComboBox, ValuesFromCodeRaiseNothingAndOutOfRangeSelectsNothing) {
  auto* combo = AddCombo(csDropDown);
  Watch(combo);
  TMessageCounter counter(combo);
  combo->SetItemIndex(1);
  combo->SetItemIndex(1);
  EXPECT_EQ(counter.Count(CB_SETCURSEL), 1);
  EXPECT_EQ(combo->Text(), "Banana");
  combo->SetItemIndex(255);
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(-7);
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetText("free text");
  combo->Items()->Add("Cherry");
  combo->Items()->Delete(0);
  combo->Items()->Clear();
  EXPECT_EQ(combo->Text(), "free text");  // Clear keeps the edit text
  EXPECT_TRUE(log_.empty());
}

TEST_F(ComboBox, ListStylesShowTheItemOfTheirText) {
  auto* combo = AddCombo(csDropDownList);
  combo->SetText("blueberry");
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), "Blueberry");
  combo->SetText("none of them");
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ComboBox, UserSelectionSetsTheTextThenClicksThenSelects) {
  auto* combo = AddCombo(csDropDown);
  Watch(combo);
  std::string textAtClick;
  struct TProbe {
    TComboBox* combo;
    std::string* text;
    std::vector<std::string>* log;
    void Click(TObject*) {
      *text = combo->Text();
      log->push_back("click");
    }
    void Select(TObject*) { log->push_back("select"); }
  } probe{combo, &textAtClick, &log_};
  combo->OnClick = Method<&TProbe::Click>(&probe);
  SendMessageA(combo->Handle(), CB_SETCURSEL, 2, 0);
  SendMessageA(combo->EditHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("half typed"));
  log_.clear();
  Notify(combo, CBN_SELCHANGE);
  EXPECT_EQ(textAtClick, "Blueberry");
  EXPECT_EQ(log_, (Log{"click", "Combo:change"}));
  // OnSelect, when assigned, takes the place of OnChange.
  combo->OnSelect = Method<&TProbe::Select>(&probe);
  log_.clear();
  Notify(combo, CBN_SELCHANGE);
  EXPECT_EQ(log_, (Log{"click", "select"}));
}

TEST_F(ComboBox, OwnerDrawnItemsGetAPreparedCanvas) {
  struct TDrawProbe {
    TComboBox* combo;
    HDC dc = nullptr;
    TColor brush = 0;
    TColor text = 0;
    std::string font;
    int index = -2;
    void Draw(TWinControl*, int i, const TRect&, TOwnerDrawState state) {
      index = state.Contains(odSelected) ? i : -3;
      dc = combo->Canvas()->Handle();
      brush = combo->Canvas()->Brush()->Color();
      text = combo->Canvas()->Font()->Color();
      font = combo->Canvas()->Font()->Name();
    }
    void Measure(TWinControl*, int i, int& height) { height = i == 1 ? 30 : height; }
  };
  for (TComboBoxStyle style : {csOwnerDrawFixed, csOwnerDrawVariable}) {
    auto* combo = Create<TComboBox>(form_.get());
    TDrawProbe probe{combo};
    combo->OnDrawItem = Method<&TDrawProbe::Draw>(&probe);
    combo->OnMeasureItem = Method<&TDrawProbe::Measure>(&probe);
    combo->SetStyle(style);
    combo->SetItemHeight(13);
    combo->Font()->SetName("Courier New");
    combo->SetParent(form_.get());
    combo->Items()->Add("zero");
    combo->Items()->Add("one");
    const LRESULT second = SendMessageA(combo->Handle(), CB_GETITEMHEIGHT, 1, 0);
    EXPECT_EQ(second, style == csOwnerDrawVariable ? 30 : 13);
    HDC dc = CreateCompatibleDC(nullptr);
    DRAWITEMSTRUCT item{ODT_COMBOBOX,   0, 1, ODA_DRAWENTIRE, ODS_SELECTED, combo->Handle(), dc,
                        {0, 0, 50, 13}, 0};
    SendMessageA(form_->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(probe.index, 1);
    EXPECT_EQ(probe.dc, dc);
    EXPECT_EQ(probe.brush, clHighlight);
    EXPECT_EQ(probe.text, clHighlightText);
    EXPECT_EQ(probe.font, "Courier New");
    EXPECT_FALSE(combo->Canvas()->HandleAllocated());
    DeleteDC(dc);
  }
}

TEST_F(ComboBox, RecreationKeepsItemsObjectsSelectionAndText) {
  for (TComboBoxStyle style : {csDropDown, csDropDownList, csOwnerDrawFixed}) {
    auto* combo = AddCombo(style, "Combo" + IntToStr(style));
    combo->Items()->SetObjects(2, form_.get());
    combo->SetItemIndex(2);
    if (style == csDropDown)
      combo->SetText("Blue");
    combo->SetSorted(true);  // re-creates the window
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->Items()->Objects(2), form_.get());
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), style == csDropDown ? "Blue" : "Blueberry");
    EXPECT_TRUE(GetWindowLongA(combo->Handle(), GWL_STYLE) & CBS_SORT);
  }
}

TEST_F(ComboBox, TheListChildLeavesKeysAloneAndTheEditChildRunsThemOnce) {
  auto* list = AddCombo(csDropDownList, "List");
  auto* edit = AddCombo(csDropDown, "Edit");
  Watch(list);
  Watch(edit);
  list->SetAutoComplete(false);
  edit->SetAutoComplete(false);
  ASSERT_NE(list->ListHandle(), nullptr);
  ASSERT_NE(edit->EditHandle(), nullptr);
  SendMessageA(list->ListHandle(), WM_CHAR, 'q', 1);
  SendMessageA(list->Handle(), WM_CHAR, 'r', 1);
  SendMessageA(edit->EditHandle(), WM_CHAR, 's', 1);
  EXPECT_EQ(log_, (Log{"List:key r", "Edit:key s", "Edit:change"}));
}

DWORD fakeTicks = 0;
DWORD FakeTicks() {
  return fakeTicks;
}

TEST_F(ComboBox, ListSearchTakesLettersTypedWithinTheDelay) {
  auto* combo = AddCombo(csDropDownList);
  Watch(combo);
  SetTickSource(FakeTicks);
  fakeTicks = 10000;
  SendMessageA(combo->Handle(), WM_CHAR, 'b', 1);
  fakeTicks += 100;
  SendMessageA(combo->Handle(), WM_CHAR, 'l', 1);
  EXPECT_EQ(combo->ItemIndex(), 2);
  fakeTicks += 1000;  // a pause starts a new search
  SendMessageA(combo->Handle(), WM_CHAR, 'a', 1);
  SetTickSource(nullptr);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(log_, (Log{"Combo:key b", "Combo:click", "Combo:change", "Combo:key l", "Combo:click",
                       "Combo:change", "Combo:key a", "Combo:click", "Combo:change"}));
}

TEST_F(ComboBox, EditCompletionKeepsTheTypedCaseAndSelectsTheRest) {
  auto* combo = AddCombo(csDropDown);
  combo->SetText("");
  Watch(combo);
  SendMessageA(combo->EditHandle(), WM_CHAR, 'b', 1);
  EXPECT_EQ(combo->Text(), "banana");
  EXPECT_EQ(combo->SelStart(), 1);
  EXPECT_EQ(combo->SelLength(), 5);
  EXPECT_EQ(log_, (Log{"Combo:key b", "Combo:click", "Combo:change"}));
}

}  // namespace

namespace {

TEST_F(ComboBox, AutoDropDownOpensTheListAndAutoCloseUpClosesItOnAnExactMatch) {
  auto* combo = AddCombo(csDropDown);
  combo->SetText("");
  combo->SetAutoDropDown(true);
  combo->SetAutoCloseUp(true);
  SendMessageA(combo->EditHandle(), WM_CHAR, 'b', 1);
  EXPECT_TRUE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "banana");
  // Typed over the selected completion, letter by letter, up to the item.
  for (char c : std::string("anana"))
    SendMessageA(combo->EditHandle(), WM_CHAR, c, 1);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "banana");
  EXPECT_EQ(combo->ItemIndex(), 1);
}

}  // namespace
