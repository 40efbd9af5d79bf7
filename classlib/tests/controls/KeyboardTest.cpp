// Key routing at control level: dialog keys offered to the form unless the
// control wants them, accelerator broadcast, key preview, swallowed
// characters and the 16-bit character field.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Answers CM_DIALOGKEY / CM_DIALOGCHAR for one key and records what came.
class TKeyTaker : public TTestGraphic {
 public:
  using TTestGraphic::TTestGraphic;
  WPARAM Takes = 0;

  void Dispatch(TMessage& m) override {
    TTestGraphic::Dispatch(m);
    if ((m.Msg == CM_DIALOGCHAR || m.Msg == CM_DIALOGKEY) && m.WParam == Takes)
      m.Result = 1;
  }
};

struct TKeys {
  std::vector<std::string> log;
  WORD setDown = 0xFFFF;
  char setPress = 1;
  void Down(TObject*, WORD& key, TShiftState) {
    log.push_back("down " + std::to_string(key));
    if (setDown != 0xFFFF)
      key = setDown;
  }
  void Press(TObject*, char& key) {
    log.push_back(std::string("press ") + key);
    if (setPress != 1)
      key = setPress;
  }
};

std::vector<TMessage> defaults;
LRESULT CALLBACK RecordDefault(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  defaults.push_back(TMessage{msg, wp, lp, 0});
  return DefWindowProcA(w, msg, wp, lp);
}

int DefaultsOf(UINT msg) {
  return static_cast<int>(std::count_if(defaults.begin(), defaults.end(),
                                        [msg](const TMessage& m) { return m.Msg == msg; }));
}

TEST(Keyboard, DialogKeysGoToTheFormUnlessTheControlWantsThem) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  auto* edit = AddChild<TTestWinControl>(form.get(), Bounds(0, 0, 10, 10));
  auto* taker = AddChild<TKeyTaker>(form.get(), Bounds(0, 0, 1, 1));
  taker->Takes = VK_TAB;
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, VK_TAB), 1);  // consumed by the form
  EXPECT_EQ(taker->Count(CM_DIALOGKEY), 1);
  edit->DlgCode = DLGC_WANTTAB;
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, VK_TAB), 0);
  EXPECT_EQ(taker->Count(CM_DIALOGKEY), 1);
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, VK_RETURN), 0);  // offered, nobody took it
  EXPECT_EQ(taker->Count(CM_DIALOGKEY), 2);
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, 'A'), 0);  // no dialog key at all
  EXPECT_EQ(taker->Count(CM_DIALOGKEY), 2);
}

TEST(Keyboard, AcceleratorsAreBroadcastRecursivelyUntilOneAnswers) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  auto* edit = AddChild<TTestWinControl>(form.get(), Bounds(0, 0, 10, 10));
  auto* panel = AddChild<TTestWinControl>(form.get(), Bounds(0, 0, 50, 50));
  auto* inner = AddChild<TKeyTaker>(panel, Bounds(0, 0, 5, 5));
  inner->Takes = 'x';
  auto* after = AddChild<TKeyTaker>(form.get(), Bounds(0, 0, 5, 5));
  after->Takes = 'x';
  EXPECT_EQ(edit->Perform(CN_CHAR, 'x'), 1);
  EXPECT_EQ(inner->Count(CM_DIALOGCHAR), 1);
  EXPECT_EQ(after->Count(CM_DIALOGCHAR), 0);
  edit->DlgCode = DLGC_WANTCHARS;  // a control that wants characters keeps them
  EXPECT_EQ(edit->Perform(CN_CHAR, 'x'), 0);
  EXPECT_EQ(edit->Perform(CN_SYSCHAR, 'x'), 1);  // Alt+x is always offered
  EXPECT_EQ(inner->Count(CM_DIALOGCHAR), 2);
}

TEST(Keyboard, KeyPreviewLetsTheFormSeeKeysFirst) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  form->SetName("F");
  auto* edit = AddChild<TTestWinControl>(form.get(), Bounds(0, 0, 10, 10));
  TKeys keys;
  edit->OnKeyDown = Method<&TKeys::Down>(&keys);
  edit->Perform(WM_KEYDOWN, 'A');
  form->Preview = true;
  edit->Perform(WM_KEYDOWN, 'B');
  EXPECT_EQ(form->Log, std::vector<std::string>{"form key 66"});
  EXPECT_EQ(keys.log, (std::vector<std::string>{"down 65", "down 66"}));
}

TEST(Keyboard, ZeroedKeysAreSwallowedAndCharactersKeepTheirSixteenBits) {
  TOwned<TTestWinControl> edit(Create<TTestWinControl>(nullptr));
  edit->HandleNeeded();
  edit->SetDefWndProc(RecordDefault);
  TKeys keys;
  edit->OnKeyDown = Method<&TKeys::Down>(&keys);
  edit->OnKeyPress = Method<&TKeys::Press>(&keys);
  defaults.clear();

  keys.setDown = 0;  // swallows the key, not the character that follows
  SendMessageA(edit->Handle(), WM_KEYDOWN, 'A', 0);
  SendMessageA(edit->Handle(), WM_CHAR, 'a', 0);
  EXPECT_EQ(DefaultsOf(WM_KEYDOWN), 0);
  EXPECT_EQ(DefaultsOf(WM_CHAR), 1);

  keys.setPress = 0;
  SendMessageA(edit->Handle(), WM_CHAR, 13, 0);
  EXPECT_EQ(DefaultsOf(WM_CHAR), 1);
  keys.setPress = 'b';
  SendMessageA(edit->Handle(), WM_CHAR, 'a', 0);
  EXPECT_EQ(defaults.back().WParam, static_cast<WPARAM>('b'));

  keys.setPress = 1;  // untouched: a packed wide character passes whole
  const WPARAM packed = MAKEWPARAM(255, 0x263A);
  SendMessageA(edit->Handle(), WM_CHAR, packed, 0);
  EXPECT_EQ(defaults.back().WParam, packed);
  EXPECT_EQ(keys.log.back(), std::string("press ") + static_cast<char>(255));
}

}  // namespace
