// The wide tool bar and status bar on real windows: what the native bars
// show (read back with their W messages), through changes, re-creation and
// actions, the caption messages, menus, hints, and bad input from outside.
#include "Forms.h"
#include "Reader.h"
#include "UcActnList.h"
#include "UcComCtrls.h"
#include "UcMenus.h"
#include "UcSysUtils.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u043A";
const std::wstring kGreek = L"\u0391\u03B2\u03B3";
const std::wstring kCjk = L"\u65E5\u672C\u8A9E";
// Two letters without an 8-bit form: both are "?" in 8 bits.
const std::wstring kZhe = L"\u0416";
const std::wstring kDe = L"\u0414";

class UcComCtrlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(40, 40, 480, 300);
  }

  template <typename T>
  T* Add() {
    T* control = Create<T>(form_.get());
    control->SetParent(form_.get());
    return control;
  }

  TOwned<TForm> form_;
};

// ---- Status bar -----------------------------------------------------------------------------

class UcStatusBarTest : public UcComCtrlsTest {
 protected:
  void SetUp() override {
    UcComCtrlsTest::SetUp();
    bar_ = Add<TUcStatusBar>();
    for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
      TUcStatusPanel* panel = bar_->Panels()->Add();
      panel->SetAlignment(alignment);
      panel->SetWidth(120);
    }
    bar_->HandleNeeded();
  }

  std::wstring PartText(int part) {
    const LRESULT length = SendMessageW(bar_->Handle(), SB_GETTEXTLENGTHW, part, 0);
    std::wstring text(LOWORD(length) + 1, L'\0');
    SendMessageW(bar_->Handle(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(LOWORD(length));
    return text;
  }

  std::wstring SimpleText() {
    // The native bar keeps the simple text apart from the parts and hands
    // it out while it is in simple mode.
    return PartText(0);
  }

  TUcStatusBar* bar_ = nullptr;
};

TEST(MatchLeadingTabs, GivesTheTextAsManyLeadingTabsAsTheEightBitText) {
  EXPECT_EQ(L"\tabc", MatchLeadingTabs(L"abc", "\tabc"));
  EXPECT_EQ(L"\t\tabc", MatchLeadingTabs(L"abc", "\t\tabc"));
  EXPECT_EQ(L"\tabc", MatchLeadingTabs(L"\t\t\tabc", "\tx"));
  EXPECT_EQ(L"abc\t", MatchLeadingTabs(L"\tabc\t", "abc"));
  EXPECT_EQ(L"\t", MatchLeadingTabs(L"", "\t"));
  EXPECT_EQ(L"", MatchLeadingTabs(L"\t\t", ""));
}

TEST_F(UcStatusBarTest, PanelTextsGoOutWideWithTheAlignmentTabs) {
  bar_->Panels()->Items(0)->SetText(kCyrillic);
  bar_->Panels()->Items(1)->SetText(kGreek);
  bar_->Panels()->Items(2)->SetText(kCjk);
  EXPECT_EQ(kCyrillic, PartText(0));
  EXPECT_EQ(L"\t" + kGreek, PartText(1));
  EXPECT_EQ(L"\t\t" + kCjk, PartText(2));
  EXPECT_EQ(kCjk, bar_->Panels()->Items(2)->Text());
  // A text that begins with TABs itself keeps them, behind the alignment's.
  bar_->Panels()->Items(1)->SetText(L"\t" + kCjk);
  EXPECT_EQ(L"\t\t" + kCjk, PartText(1));
  // Every part again (SB_SETPARTS and all texts) after re-creation.
  bar_->RecreateWnd();
  bar_->HandleNeeded();
  EXPECT_TRUE(IsWindowUnicode(bar_->Handle()));
  EXPECT_EQ(kCyrillic, PartText(0));
  EXPECT_EQ(L"\t\t" + kCjk, PartText(1));
  EXPECT_EQ(L"\t\t" + kCjk, PartText(2));
}

TEST_F(UcStatusBarTest, WideTextWithWrongLeadingTabsIsCorrectedOnTheWay) {
  // Another component could hand the bar an 8-bit text whose TABs differ
  // from the wide text's: the 8-bit TABs decide.
  TUcStatusPanel* panel = bar_->Panels()->Items(0);
  panel->SetText(kGreek);
  const std::string ansi = "\t\t" + WideToAnsi(kGreek);
  SendMessageA(bar_->Handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(ansi.c_str()));
  EXPECT_EQ(L"\t\t" + kGreek, PartText(0));
}

TEST_F(UcStatusBarTest, SameEightBitFormStillReachesThePanelAndTheSimpleText) {
  TUcStatusPanel* panel = bar_->Panels()->Items(1);
  panel->SetText(kZhe);
  EXPECT_EQ(L"\t" + kZhe, PartText(1));
  panel->SetText(kDe);
  EXPECT_EQ(L"\t" + kDe, PartText(1));
  panel->SetText(L"?");
  EXPECT_EQ(L"\t?", PartText(1));
  EXPECT_EQ("?", panel->TStatusPanel::Text());

  bar_->SetSimplePanel(true);
  bar_->SetSimpleText(kZhe);
  EXPECT_EQ(kZhe, SimpleText());
  bar_->SetSimpleText(kDe);
  EXPECT_EQ(kDe, SimpleText());
  bar_->SetSimpleText(L"?");
  EXPECT_EQ(L"?", SimpleText());
  EXPECT_EQ(L"?", bar_->SimpleText());
}

TEST_F(UcStatusBarTest, EightBitChangesWinAndWideTextsSurviveCopies) {
  TUcStatusPanel* panel = bar_->Panels()->Items(0);
  panel->SetText(kCyrillic);
  panel->TStatusPanel::SetText("plain");
  EXPECT_EQ(L"plain", panel->Text());
  EXPECT_EQ(L"plain", PartText(0));

  bar_->SetSimpleText(kGreek);
  bar_->TCustomStatusBar::SetSimpleText("other");
  EXPECT_EQ(L"other", bar_->SimpleText());

  // A panel's Assign copies the wide text and the rest.
  TUcStatusPanel* target = bar_->Panels()->Items(2);
  panel->SetText(kCjk);
  target->Assign(panel);
  EXPECT_EQ(kCjk, target->Text());
  EXPECT_EQ(taLeftJustify, target->Alignment());
  EXPECT_EQ(kCjk, PartText(2));
  // The whole collection too, through the published setter.
  TOwned<TUcStatusBar> other(Create<TUcStatusBar>(nullptr));
  other->SetPanels(bar_->Panels());
  ASSERT_EQ(3, other->Panels()->Count());
  EXPECT_EQ(kCjk, other->Panels()->Items(0)->Text());
}

TEST_F(UcStatusBarTest, APanelOfAnotherClassIsAnInvalidCast) {
  TOwned<TUcStatusBar> bar(Create<TUcStatusBar>(nullptr));
  bar->Panels()->Add()->SetText(kGreek);
  TStatusPanel* plain = Create<TStatusPanel>(bar->TCustomStatusBar::Panels());
  ASSERT_EQ(2, bar->Panels()->Count());
  EXPECT_EQ(plain, bar->TCustomStatusBar::Panels()->Items(1));
  EXPECT_THROW(bar->Panels()->Items(1), EInvalidCast);
  EXPECT_THROW(bar->Panels()->Items(2), EListError);
  // The wide panel takes a plain one's base values without complaint.
  plain->SetText("base");
  bar->Panels()->Items(0)->Assign(plain);
  EXPECT_EQ(L"base", bar->Panels()->Items(0)->Text());
}

struct TDrawnPanels {
  std::vector<TStatusPanel*> panels;
  void Draw(TCustomStatusBar*, TStatusPanel* panel, const TRect&) { panels.push_back(panel); }
};

TEST_F(UcStatusBarTest, OwnerDrawnPanelsPassUnchangedAndReachOnDrawPanel) {
  TDrawnPanels drawn;
  bar_->OnDrawPanel = Method<&TDrawnPanels::Draw>(&drawn);
  TUcStatusPanel* panel = bar_->Panels()->Items(1);
  panel->SetText(kGreek);
  panel->SetStyle(psOwnerDraw);
  const LRESULT length = SendMessageW(bar_->Handle(), SB_GETTEXTLENGTHW, 1, 0);
  EXPECT_TRUE(HIWORD(length) & SBT_OWNERDRAW);
  form_->Show();
  UpdateWindow(form_->Handle());
  classlib::PumpUntil([&] { return !drawn.panels.empty(); }, 2000);
  ASSERT_FALSE(drawn.panels.empty());
  EXPECT_EQ(panel, drawn.panels.front());
}

TEST_F(UcStatusBarTest, SimpleTextShowsInSimpleModeAndWithoutPanels) {
  bar_->SetSimplePanel(true);
  bar_->SetSimpleText(kCjk);
  EXPECT_EQ(kCjk, SimpleText());
  EXPECT_EQ(static_cast<LRESULT>(kCjk.size()),
            SendMessageW(bar_->Handle(), WM_GETTEXTLENGTH, 0, 0));
  bar_->SetSimplePanel(false);
  bar_->Panels()->Clear();
  bar_->SetSimpleText(kCyrillic);
  EXPECT_EQ(kCyrillic, SimpleText());
}

struct THintCounter {
  int calls = 0;
  void Hint(TObject*) { ++calls; }
};

TEST_F(UcStatusBarTest, AutoHintPutsAWideHintActionsHintInPanelZeroOrTheSimpleText) {
  TOwned<TUcHintAction> action(Create<TUcHintAction>(nullptr));
  action->SetHint(kCyrillic);
  // Off: the bar leaves the hint alone.
  bar_->ExecuteAction(action.get());
  EXPECT_EQ(L"", bar_->Panels()->Items(0)->Text());

  bar_->SetAutoHint(true);
  EXPECT_TRUE(bar_->ExecuteAction(action.get()));
  EXPECT_EQ(kCyrillic, bar_->Panels()->Items(0)->Text());
  EXPECT_EQ(kCyrillic, PartText(0));

  action->SetHint(kGreek);
  bar_->SetSimplePanel(true);
  EXPECT_TRUE(bar_->ExecuteAction(action.get()));
  EXPECT_EQ(kGreek, bar_->SimpleText());
  EXPECT_EQ(kGreek, SimpleText());
  EXPECT_EQ(kCyrillic, bar_->Panels()->Items(0)->Text());

  bar_->SetSimplePanel(false);
  bar_->Panels()->Clear();
  action->SetHint(kCjk);
  EXPECT_TRUE(bar_->ExecuteAction(action.get()));
  EXPECT_EQ(kCjk, bar_->SimpleText());

  // An OnHint handler takes the hint instead, once.
  THintCounter counter;
  bar_->OnHint = Method<&THintCounter::Hint>(&counter);
  action->SetHint(kCyrillic);
  EXPECT_TRUE(bar_->ExecuteAction(action.get()));
  EXPECT_EQ(1, counter.calls);
  EXPECT_EQ(kCjk, bar_->SimpleText());
}

struct TReportedErrors {
  std::vector<std::string> messages;
  void Report(TObject*, const std::exception_ptr& e) { messages.push_back(ExceptionMessage(e)); }
};

TEST_F(UcStatusBarTest, OutsidePartBeyondThePanelsIsReportedAndChangesNothing) {
  bar_->Panels()->Items(2)->SetText(kGreek);
  TReportedErrors errors;
  Application()->OnException = Method<&TReportedErrors::Report>(&errors);
  SendMessageA(bar_->Handle(), SB_SETTEXTA, 7, reinterpret_cast<LPARAM>("x"));
  Application()->OnException = nullptr;
  ASSERT_EQ(1u, errors.messages.size());
  EXPECT_EQ("List index out of bounds (7)", errors.messages[0]);
  EXPECT_EQ(L"\t\t" + kGreek, PartText(2));
  // No text at all: the panel's own, without TABs as the 8-bit side has none.
  SendMessageA(bar_->Handle(), SB_SETTEXTA, 2, 0);
  EXPECT_EQ(kGreek, PartText(2));
  EXPECT_EQ(L"", PartText(0));
}

TEST_F(UcStatusBarTest, EightBitFamilyWorksAsTheBaseWithConvertedTexts) {
  TForcedPlatformFlags ansi(false, false);
  TUcStatusBar* bar = Add<TUcStatusBar>();
  TUcStatusPanel* panel = bar->Panels()->Add();
  panel->SetAlignment(taCenter);
  panel->SetText(L"caf\u00E9 " + kCyrillic);
  EXPECT_FALSE(IsWindowUnicode(bar->Handle()));
  char buffer[64] = {};
  SendMessageA(bar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
  EXPECT_EQ("\tcaf\xE9 ???", std::string(buffer));
  bar->Free();
}

// ---- Tool bar -------------------------------------------------------------------------------

struct TClickCount {
  int clicks = 0;
  void Click(TObject*) { ++clicks; }
};

class UcToolBarTest : public UcComCtrlsTest {
 protected:
  void SetUp() override {
    UcComCtrlsTest::SetUp();
    bar_ = Add<TUcToolBar>();
    bar_->SetBounds(0, 0, 480, 30);
    bar_->SetShowCaptions(true);
    bar_->SetList(true);
    bar_->SetButtonWidth(90);
    for (const std::wstring& caption : {kCyrillic, kGreek, kCjk})
      AddButton(caption);
    bar_->HandleNeeded();
  }

  TUcToolButton* AddButton(const std::wstring& caption) {
    TUcToolButton* button = Create<TUcToolButton>(form_.get());
    button->SetCaption(caption);
    button->SetParent(bar_);
    return button;
  }

  std::wstring ButtonText(int index) {
    const LRESULT length = SendMessageW(bar_->Handle(), TB_GETBUTTONTEXTW, index, 0);
    if (length < 0)
      return L"<none>";
    std::wstring text(length + 1, L'\0');
    SendMessageW(bar_->Handle(), TB_GETBUTTONTEXTW, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
  }

  std::vector<std::wstring> ButtonTexts() {
    std::vector<std::wstring> texts;
    for (int i = 0; i < bar_->ButtonCount(); ++i)
      texts.push_back(ButtonText(i));
    return texts;
  }

  TUcToolButton* Button(int index) { return static_cast<TUcToolButton*>(bar_->Buttons(index)); }

  TUcToolBar* bar_ = nullptr;
};

TEST_F(UcToolBarTest, BarsAreUnicodeWindowsThatSendUnicodeNotifications) {
  EXPECT_TRUE(IsWindowUnicode(bar_->Handle()));
  EXPECT_EQ(1, SendMessageW(bar_->Handle(), CCM_GETUNICODEFORMAT, 0, 0));
  TUcStatusBar* status = Add<TUcStatusBar>();
  EXPECT_TRUE(IsWindowUnicode(status->Handle()));
  EXPECT_EQ(1, SendMessageW(status->Handle(), CCM_GETUNICODEFORMAT, 0, 0));
  try {
    CreateUnicodeHandle_ComCtl(bar_, TCreateParams{}, std::wstring());
    FAIL() << "no error for an empty class name";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(
        "Assertion failure: UC Internal Error: Only call CreateUnicodeHandle_ComCtl for Common "
        "Controls. (widgets/UcComCtrls)",
        std::string(e.Message()));
  }
}

TEST_F(UcToolBarTest, ButtonsKeepTheirWideTextThroughChangesHidingAndRecreation) {
  EXPECT_EQ((std::vector<std::wstring>{kCyrillic, kGreek, kCjk}), ButtonTexts());
  Button(1)->SetCaption(kCjk + L" " + kGreek);
  EXPECT_EQ(kCjk + L" " + kGreek, ButtonText(1));
  Button(0)->Hide();
  Button(0)->Show();
  EXPECT_EQ(kCyrillic, ButtonText(0));
  bar_->RecreateWnd();
  bar_->HandleNeeded();
  EXPECT_EQ((std::vector<std::wstring>{kCyrillic, kCjk + L" " + kGreek, kCjk}), ButtonTexts());
  // Same 8-bit form: "?" both times, and still the new text on the bar.
  Button(2)->SetCaption(kZhe);
  Button(2)->SetCaption(kDe);
  EXPECT_EQ(kDe, ButtonText(2));
  Button(2)->SetCaption(L"?");
  EXPECT_EQ(L"?", ButtonText(2));
}

TEST_F(UcToolBarTest, ALinkedWideActionsLaterCaptionsReachTheButton) {
  TOwned<TUcAction> action(Create<TUcAction>(nullptr));
  action->SetCaption(kGreek);
  Button(0)->SetAction(action.get());
  EXPECT_EQ(kGreek, ButtonText(0));
  action->SetCaption(kZhe);
  EXPECT_EQ(kZhe, ButtonText(0));
  action->SetCaption(kDe);
  EXPECT_EQ(kDe, ButtonText(0));
  EXPECT_EQ(kDe, Button(0)->Caption());
  EXPECT_EQ(&TUcToolButtonActionLink::StaticClass(), Button(0)->ActionLink()->ClassType());
}

TEST_F(UcToolBarTest, ClicksStillArrive) {
  TClickCount count;
  Button(1)->OnClick = Method<&TClickCount::Click>(&count);
  RECT r{};
  SendMessageW(bar_->Handle(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(bar_->Handle(), WM_MOUSEMOVE, 0, at);
  PostMessageW(bar_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(bar_->Handle(), WM_LBUTTONUP, 0, at);
  classlib::PumpUntil([&] { return count.clicks > 0; }, 2000);
  EXPECT_EQ(1, count.clicks);
}

TEST_F(UcToolBarTest, CaptionReadsThroughSmallBuffersAndBadBuffersAreRefused) {
  bar_->SetCaption(kCyrillic + kGreek);
  EXPECT_EQ(kCyrillic + kGreek, bar_->Caption());
  const HWND window = bar_->Handle();
  EXPECT_EQ(6, SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'x');
  EXPECT_EQ(3, SendMessageW(window, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_EQ(kCyrillic, std::wstring(buffer));
  EXPECT_EQ(L'x', buffer[4]);
  EXPECT_EQ(0, SendMessageW(window, WM_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_EQ(L'\0', buffer[0]);
  // Nothing to write into: nothing written, nothing read.
  buffer[0] = L'x';
  EXPECT_EQ(0, SendMessageW(window, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_EQ(L'x', buffer[0]);
  EXPECT_EQ(0, SendMessageW(window, WM_GETTEXT, 8, 0));
  // A null text is the empty caption.
  EXPECT_EQ(TRUE, SendMessageW(window, WM_SETTEXT, 0, 0));
  EXPECT_EQ(L"", bar_->Caption());
  // The 8-bit side converts; the caption survives re-creation.
  bar_->SetCaption(kCjk);
  EXPECT_EQ("???", bar_->TControl::Caption());
  bar_->RecreateWnd();
  bar_->HandleNeeded();
  EXPECT_EQ(kCjk, bar_->Caption());
}

TEST_F(UcToolBarTest, AWindowLeftEightBitTakesItsCaptionAsEightBitText) {
  bar_->SetCaption(kGreek);
  SendMessageW(bar_->Handle(), DestroyWindowMessage(), 0, 0);
  ASSERT_FALSE(IsWindowUnicode(bar_->Handle()));
  bar_->SetCaption(L"plain caption");
  EXPECT_EQ("plain caption", bar_->TControl::Caption());
  char text[32] = {};
  GetWindowTextA(bar_->Handle(), text, 32);
  EXPECT_EQ("plain caption", std::string(text));
  bar_->RecreateWnd();
  bar_->HandleNeeded();
  EXPECT_TRUE(IsWindowUnicode(bar_->Handle()));
  EXPECT_EQ(L"plain caption", bar_->Caption());
}

TEST_F(UcToolBarTest, OutsideInsertForAnIndexWithoutAWideButtonGoesToTheBaseUnchanged) {
  TToolButton* plain = Create<TToolButton>(form_.get());
  plain->SetCaption("plain");
  plain->SetParent(bar_);
  EXPECT_EQ(L"plain", ButtonText(3));
  // Beyond the buttons: the native bar gets the record as it came.
  TBBUTTON b{};
  b.iBitmap = I_IMAGENONE;
  b.idCommand = 40;
  b.fsState = TBSTATE_ENABLED;
  b.iString = SendMessageA(bar_->Handle(), TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>("extra\0"));
  const INT_PTR string = b.iString;
  EXPECT_TRUE(SendMessageA(bar_->Handle(), TB_INSERTBUTTONA, 9, reinterpret_cast<LPARAM>(&b)));
  EXPECT_EQ(string, b.iString);
  EXPECT_EQ(L"extra", ButtonText(40));
}

TEST_F(UcToolBarTest, MenuGivesOneWideButtonPerTopItemInMenuOrder) {
  TOwned<TUcMainMenu> menu(Create<TUcMainMenu>(nullptr));
  for (const std::wstring& caption : {kGreek, kCyrillic, kCjk}) {
    auto* item = Create<TUcMenuItem>(menu.get());
    item->SetCaption(caption);
    item->SetHint(caption + L"|long");
    menu->Items()->Add(item);
  }
  bar_->SetMenu(menu.get());
  ASSERT_EQ(3, bar_->ButtonCount());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(&TUcToolButton::StaticClass(), bar_->Buttons(i)->ClassType());
    EXPECT_EQ(menu->Items()->Items(i), bar_->Buttons(i)->MenuItem());
    EXPECT_TRUE(bar_->Buttons(i)->AutoSize());
    EXPECT_TRUE(bar_->Buttons(i)->Grouped());
  }
  EXPECT_EQ((std::vector<std::wstring>{kGreek, kCyrillic, kCjk}), ButtonTexts());
  EXPECT_EQ(kCyrillic + L"|long", Button(1)->Hint());
  // The same menu again changes nothing; none drops the buttons it made.
  bar_->SetMenu(menu.get());
  EXPECT_EQ(3, bar_->ButtonCount());
  menu.reset();
  EXPECT_EQ(nullptr, bar_->Menu());
}

TEST_F(UcToolBarTest, HintOverAButtonIsAWideHintWindowWithTheShortPart) {
  Application()->SetShowHint(true);
  Button(2)->SetShowHint(true);
  Button(2)->SetHint(kCjk + L" " + kGreek + L"|" + kCyrillic);
  TUcToolButton* button = Button(2);
  Application()->SetMouseControlSource([button] { return button; });
  Application()->ActivateHint(TPoint(100, 100));
  THintWindow* window = Application()->HintWindowInstance();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(&TUcCustomHintWindow::StaticClass(), window->ClassType());
  wchar_t text[64] = {};
  GetWindowTextW(window->WindowHandle(), text, 64);
  EXPECT_EQ(kCjk + L" " + kGreek, std::wstring(text));
  Application()->CancelHint();
  Application()->SetMouseControlSource(nullptr);
}

TEST_F(UcToolBarTest, EightBitFamilyWorksAsTheBaseWithConvertedTexts) {
  TForcedPlatformFlags ansi(false, false);
  TUcToolBar* bar = Add<TUcToolBar>();
  bar->SetShowCaptions(true);
  TUcToolButton* button = Create<TUcToolButton>(bar);
  button->SetCaption(L"caf\u00E9 " + kCyrillic);
  button->SetParent(bar);
  bar->SetCaption(kCyrillic);
  EXPECT_FALSE(IsWindowUnicode(bar->Handle()));
  char buffer[64] = {};
  SendMessageA(bar->Handle(), TB_GETBUTTONTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
  EXPECT_EQ("caf\xE9 ???", std::string(buffer));
  EXPECT_EQ(L"???", bar->Caption());
  bar->Free();
}

}  // namespace

namespace {

// ---- Form data --------------------------------------------------------------------------------

const char kBarsForm[] =
    "object F: TForm\n"
    "  object Tools: TUcToolBar\n"
    "    ShowCaptions = True\n"
    "    Caption = '\xCE\x91\xCE\xB2\xCE\xB3'\n"
    "    Hint = '\xE6\x97\xA5|long'\n"
    "    object First: TUcToolButton\n"
    "      Caption = '\xD0\x96\xD1\x83\xD0\xBA'\n"
    "      CaptionW = 'discarded'\n"
    "      Hint = '\xE6\x97\xA5\xE6\x9C\xAC|\xCE\x91'\n"
    "    end\n"
    "  end\n"
    "  object Status: TUcStatusBar\n"
    "    SimpleText = '\xE8\xAA\x9E'\n"
    "    Hint = '\xD0\x96'\n"
    "    Panels = <\n"
    "      item\n"
    "        Alignment = taCenter\n"
    "        Text = '\xCE\x91\xCE\xB2\xCE\xB3'\n"
    "        Text_UTF7 = 'discarded'\n"
    "        Width = 90\n"
    "      end>\n"
    "  end\n"
    "end\n";

TEST(UcComCtrlsFormData, WideTextsLoadIntactAndCompatibilityNamesAreDiscarded) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  ReadComponentText(form.get(), kBarsForm);
  auto* tools = static_cast<TUcToolBar*>(form->FindComponent("Tools"));
  auto* first = static_cast<TUcToolButton*>(form->FindComponent("First"));
  auto* status = static_cast<TUcStatusBar*>(form->FindComponent("Status"));
  ASSERT_TRUE(tools && first && status);
  EXPECT_EQ(kGreek, tools->Caption());
  EXPECT_EQ(L"\u65E5|long", tools->Hint());
  EXPECT_EQ(kCyrillic, first->Caption());
  EXPECT_EQ(L"\u65E5\u672C|\u0391", first->Hint());
  EXPECT_EQ(L"\u8A9E", status->SimpleText());
  EXPECT_EQ(L"\u0416", status->Hint());
  ASSERT_EQ(1, status->Panels()->Count());
  EXPECT_EQ(kGreek, status->Panels()->Items(0)->Text());
  EXPECT_EQ(taCenter, status->Panels()->Items(0)->Alignment());
  // On the native bars once their windows are there.
  wchar_t text[16] = {};
  SendMessageW(tools->Handle(), TB_GETBUTTONTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(kCyrillic, std::wstring(text));
  SendMessageW(status->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(L"\t" + kGreek, std::wstring(text));
}

TEST(UcComCtrlsFormData, UnknownNamesAreReadErrors) {
  for (const char* body : {"  object S: TUcStatusBar\n    Panels = <\n      item\n"
                           "        Bogus = 'x'\n      end>\n  end\n",
                           "  object T: TUcToolBar\n    CaptionX = 'x'\n  end\n"}) {
    TOwned<TForm> form(CreateNew<TForm>(nullptr));
    EXPECT_THROW(ReadComponentText(form.get(), std::string("object F: TForm\n") + body + "end\n"),
                 EReadError)
        << body;
  }
}

}  // namespace
