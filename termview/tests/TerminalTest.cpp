// The terminal control on a shown form: writing, flushing, colours,
// scroll-back mode and typed characters.
#include "TermTestSupport.h"

#include <algorithm>
#include <functional>

namespace {

// Records the terminal's events.
struct TRecorder {
  std::vector<std::string> log;
  char dropChar = 0;
  void ModeChange(TObject*) { log.push_back("mode"); }
  void BufChange(TObject*, int size) { log.push_back("held " + std::to_string(size)); }
  void SendChar(TObject*, char& key) { log.push_back(std::string("send ") + key); }
  void KeyDown(TObject*, WORD& key, TShiftState) {
    log.push_back("keydown " + std::to_string(key));
  }
  void ProcessChar(TObject*, char& c) {
    if (c == dropChar)
      c = 0;
  }
  void Attach(TVelCustomTerminal* t) {
    t->OnScrBckModeChange = Method<&TRecorder::ModeChange>(this);
    t->OnScrBckBufChange = Method<&TRecorder::BufChange>(this);
    t->OnSendChar = Method<&TRecorder::SendChar>(this);
    t->OnKeyDown = Method<&TRecorder::KeyDown>(this);
    t->OnProcessChar = Method<&TRecorder::ProcessChar>(this);
  }
};

class TerminalTest : public TermFormTest {
 protected:
  void SetUp() override {
    TermFormTest::SetUp();
    term = Add<TProbeTerminal>(400, 240);
    recorder.Attach(term);
  }
  std::string Line(int n) {
    TVelTRMColorMode mode;
    return term->LineText(n, mode);
  }
  // Lines "L0" .. "L<count-1>", written in colour and flushed once.
  void WriteLines(int count) {
    term->SetTermColorMode(cmC16_16);
    for (int i = 0; i < count; ++i) {
      for (char c : "\r\nL" + std::to_string(i))
        term->WriteColorChar(c, 0, 1);
    }
    term->FlushDisplay();
  }

  TProbeTerminal* term = nullptr;
  TRecorder recorder;
};

TEST_F(TerminalTest, ColoursReachTheLineThroughTheTable) {
  term->SetTermColorMode(cmC16_16);
  ShowForm();
  TVelTRMColorTable table;
  term->GetColorTable(table);
  EXPECT_EQ(DefaultColorTable(), table);
  table[3] = 0x123456;
  term->SetColorTable(table);
  EXPECT_TRUE(HasUpdate(term)) << "a new table repaints";
  term->WriteColorChar('A', 3, 1);
  term->FlushDisplay();
  TVelTRMColorMode mode;
  EXPECT_EQ("A", term->LineText(0, mode));
  EXPECT_EQ(cmC16_16, mode);
  EXPECT_EQ(0x123456u, term->CharColors()[0].Back);
  EXPECT_EQ(clMaroon, term->CharColors()[0].Text);
}

TEST_F(TerminalTest, ColouredWritesNeedPerCellColours) {
  const std::string log = TempFileName("rejected.log");
  term->SetLogName(log);
  term->SetLogging(lgCreate);
  EXPECT_THROW(term->WriteColorChar('A', 0, 1), EVelCLVException);
  term->FlushDisplay();
  term->FlushLog();
  EXPECT_EQ("", Line(0));
  EXPECT_EQ(0, term->Buffer()->WriteCol());
  term->CloseLog();
  EXPECT_EQ("", ReadFileBytes(log));
}

TEST_F(TerminalTest, ColourAndFontColourPerMode) {
  term->SetTermColorMode(cmC16_16);
  term->WriteString("abc\r\n");
  EXPECT_EQ(2, term->LineCount());
  // The background colour empties the terminal.
  term->SetColor(clNavy);
  EXPECT_EQ("", Line(0));
  EXPECT_EQ(1, term->LineCount());
  EXPECT_EQ(4, term->Buffer()->DefaultBack());
  // The font colour changes only rows cleared afterwards.
  term->WriteString("old\r\n");
  term->Font()->SetColor(clRed);
  term->WriteString("\r\nnew");
  TVelTRMColorMode mode;
  term->LineText(0, mode);
  EXPECT_EQ(clBlack, term->CharColors()[0].Text);
  term->LineText(2, mode);
  EXPECT_EQ(clRed, term->CharColors()[0].Text);
  // Without colours per cell every line takes the control's colours.
  term->SetTermColorMode(cmLDefault);
  term->WriteString("x");
  term->LineText(0, mode);
  EXPECT_EQ(cmLDefault, mode);
}

TEST_F(TerminalTest, NothingShowsBeforeTheFlush) {
  term->SetTermColorMode(cmC16_16);
  ShowForm();
  const std::vector<uint32_t> empty = ClientPixels(term);
  for (int i = 0; i < 40; ++i) {
    for (char c : std::string(79, 'a' + i % 26) + "\r\n")
      term->WriteColorChar(c, 0, 1 + i % 15);
  }
  EXPECT_FALSE(HasUpdate(term));
  EXPECT_EQ(1, term->LineCount());
  EXPECT_EQ(empty, ClientPixels(term));
  term->FlushDisplay();
  EXPECT_EQ(41, term->LineCount());
  const std::vector<uint32_t> flushed = ClientPixels(term);
  EXPECT_NE(empty, flushed);
  EXPECT_EQ(RepaintedPixels(term), flushed);
  // The view follows the output down, never sideways.
  EXPECT_EQ(41 - term->VisibleRows(), term->TopRow());
  EXPECT_EQ(0, term->LeftCol());
  EXPECT_EQ(TPoint(0, 40), term->CursorPos());
  EXPECT_LT(term->VisibleCols(), 79);
}

TEST_F(TerminalTest, ScrollBackModeWaysInAndOut) {
  term->SetScrollBackKey(ShortCut(VK_F5, {}));
  ShowForm();
  term->SetFocus();
  Settle();
  WriteLines(60);
  const std::vector<std::pair<const char*, std::function<void()>>> waysIn = {
      {"wheel", [&] { SendWheel(term, WHEEL_DELTA); }},
      {"vertical bar", [&] { SendScroll(term, WM_VSCROLL, SB_LINEUP); }},
      {"navigation key", [&] { SendKey(term, VK_UP); }},
      {"press in the text",
       [&] {
         SendMouse(term, WM_LBUTTONDOWN, 20, 5, MK_LBUTTON);
         SendMouse(term, WM_LBUTTONUP, 20, 5);
       }},
      {"scroll-back key", [&] { SendKey(term, VK_F5); }},
  };
  const std::vector<std::pair<const char*, std::function<void()>>> waysOut = {
      {"typed character", [&] { SendChar(term, 'x'); }},
      {"Down on the last line",
       [&] {
         term->MoveCursor(TPoint(0, term->LineCount() - 1), false);
         SendKey(term, VK_DOWN);
       }},
      {"scroll-back key", [&] { SendKey(term, VK_F5); }},
      {"coloured write", [&] { term->WriteColorChar('z', 0, 1); }},
  };
  for (const auto& in : waysIn) {
    for (const auto& out : waysOut) {
      SCOPED_TRACE(std::string(in.first) + " / " + out.first);
      recorder.log.clear();
      in.second();
      ASSERT_TRUE(term->ScrollBackMode());
      EXPECT_EQ(ctBlock, term->CaretType());
      const std::vector<std::string> entered{"mode", "held 0"};
      EXPECT_NE(recorder.log.end(), std::search(recorder.log.begin(), recorder.log.end(),
                                                entered.begin(), entered.end()));
      out.second();
      EXPECT_FALSE(term->ScrollBackMode());
      EXPECT_EQ(ctHorizontal, term->CaretType());
      EXPECT_FALSE(term->HasSelection());
      term->FlushDisplay();
      EXPECT_EQ(term->Buffer()->WriteRow(), term->CursorPos().y);
      EXPECT_EQ(term->LineCount() - term->VisibleRows(), term->TopRow());
    }
  }
}

TEST_F(TerminalTest, LiveOutputEndsADrag) {
  // As the terminal program sets it up: every move of a drag selects.
  term->SetOptions(TVelCLVOptions{loCanSelect});
  ShowForm();
  term->SetFocus();
  WriteLines(60);
  Settle();
  auto at = [&](int col, int viewRow) {
    return TPoint(col * term->CharWidth() + term->CharWidth() / 2,
                  viewRow * term->LineHeight() + term->LineHeight() / 2);
  };
  auto send = [&](UINT msg, const TPoint& p) { SendMouse(term, msg, p.x, p.y, MK_LBUTTON); };
  auto dataArrives = [&] {
    for (char c : std::string("\r\nmore"))
      term->WriteColorChar(c, 0, 1);
    term->FlushDisplay();
  };
  auto expectLive = [&] {
    EXPECT_FALSE(term->ScrollBackMode());
    EXPECT_FALSE(term->HasSelection());
    EXPECT_FALSE(term->AutoScrolling());
    EXPECT_EQ(TPoint(term->Buffer()->WriteCol(), term->Buffer()->WriteRow()), term->CursorPos());
  };
  send(WM_LBUTTONDOWN, at(2, 3));
  send(WM_MOUSEMOVE, at(6, 5));
  ASSERT_TRUE(term->ScrollBackMode());
  ASSERT_TRUE(term->HasSelection());
  dataArrives();
  send(WM_MOUSEMOVE, at(9, 7));
  expectLive();
  SendMouse(term, WM_LBUTTONUP, 0, 0);

  // Outside the window the drag scrolls by a timer, which stops too.
  send(WM_LBUTTONDOWN, at(2, 3));
  const TPoint below = term->ClientToScreen(TPoint(40, term->ClientHeight() + 30));
  SetCursorPos(below.x, below.y);
  send(WM_MOUSEMOVE, term->ScreenToClient(below));
  ASSERT_TRUE(term->AutoScrolling());
  dataArrives();
  classlib::PumpFor(200);
  expectLive();
  // Nor does a tick that was already queued.
  SendMessageA(term->Handle(), WM_TIMER, kAutoScrollTimer, 0);
  expectLive();
  SendMouse(term, WM_LBUTTONUP, 0, 0);
}

TEST_F(TerminalTest, ClearingAndRedimensioningDropTheSelection) {
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"ClearTerminal", [&] { term->ClearTerminal(); }},
      {"ScrollBackRows", [&] { term->SetScrollBackRows(term->ScrollBackRows() + 10); }},
      {"TermColorMode", [&] { term->SetTermColorMode(cmL16_16); }},
      {"UserDataSize", [&] { term->SetUserDataSize(term->UserDataSize() + 1); }},
      {"Color", [&] { term->SetColor(term->Color() == clNavy ? clTeal : clNavy); }},
  };
  ShowForm();
  for (const auto& change : changes) {
    SCOPED_TRACE(change.first);
    WriteLines(60);
    term->SetScrollBackMode(true);
    term->MoveCursor(TPoint(1, 30), false);
    term->MoveCursor(TPoint(3, 32), true);
    ASSERT_TRUE(term->HasSelection());
    change.second();
    EXPECT_FALSE(term->HasSelection());
    EXPECT_EQ("", term->GetSelectedText());
    term->SetScrollBackMode(false);
  }
}

TEST_F(TerminalTest, ResizingKeepsTheLatestLineInView) {
  term->SetOptions(TVelCLVOptions{loCanSelect});
  ShowForm();
  WriteLines(60);
  Settle();
  for (int rows : {-5, 3, -9}) {
    SCOPED_TRACE(rows);
    term->SetHeight(term->Height() + rows * term->LineHeight());
    Settle();
    EXPECT_EQ(term->LineCount() - term->VisibleRows(), term->TopRow());
  }
  // In scroll-back mode the view stays where the user put it.
  term->SetScrollBackMode(true);
  term->SetTopRow(10);
  term->SetHeight(term->Height() - 2 * term->LineHeight());
  Settle();
  EXPECT_EQ(10, term->TopRow());
}

TEST_F(TerminalTest, HeldTextIsReplayedInOrderAndLoggedOnce) {
  const std::string log = TempFileName("held.log");
  term->SetLogName(log);
  term->SetLogging(lgCreate);
  term->SetTermColorMode(cmC16_16);
  term->WriteString("live ");
  term->SetScrollBackMode(true);
  recorder.log.clear();
  term->WriteString("ab\r\n");
  term->WriteChar('c');
  EXPECT_EQ("ab\r\nc", term->HeldText());
  EXPECT_EQ((std::vector<std::string>{"held 4"}), recorder.log);
  EXPECT_EQ("live", Line(0));
  // A coloured write ends the mode first: the held text comes before it.
  term->WriteColorChar('d', 0, 2);
  term->FlushDisplay();
  EXPECT_FALSE(term->ScrollBackMode());
  EXPECT_EQ("live ab", Line(0));
  EXPECT_EQ("cd", Line(1));
  term->CloseLog();
  EXPECT_EQ("live ab\r\ncd", ReadFileBytes(log));
}

TEST_F(TerminalTest, WithoutAutoScrollBackOnlyTheHorizontalBarScrolls) {
  term->SetAutoScrollBack(false);
  ShowForm();
  term->SetFocus();
  WriteLines(60);
  Settle();
  const int top = term->TopRow();
  const TPoint cursor = term->CursorPos();
  SendWheel(term, WHEEL_DELTA);
  SendScroll(term, WM_VSCROLL, SB_PAGEUP);
  SendKey(term, VK_UP);
  SendKey(term, VK_LEFT, {ssShift});
  SendMouse(term, WM_LBUTTONDOWN, 20, 5, MK_LBUTTON);
  SendMouse(term, WM_LBUTTONUP, 20, 5);
  EXPECT_FALSE(term->ScrollBackMode());
  EXPECT_EQ(top, term->TopRow());
  EXPECT_EQ(cursor, term->CursorPos());
  EXPECT_FALSE(term->HasSelection());
  SendScroll(term, WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(1, term->LeftCol());
}

TEST_F(TerminalTest, ClearingReturnsTheViewToTheStart) {
  ShowForm();
  term->WriteString(std::string(79, 'w') + "\r\nxyz");
  SendScroll(term, WM_HSCROLL, SB_LINERIGHT);
  SendScroll(term, WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(2, term->LeftCol());
  term->ClearTerminal();
  EXPECT_EQ(1, term->LineCount());
  EXPECT_EQ(TPoint(0, 0), term->CursorPos());
  EXPECT_EQ(0, term->LeftCol());
  EXPECT_EQ("", Line(0));
}

TEST_F(TerminalTest, ScrollBackKeyIsNoTypedKey) {
  // Ctrl+B also types character 2: that must neither leave the mode nor be
  // sent.
  term->SetScrollBackKey(ShortCut('B', {ssCtrl}));
  ShowForm();
  term->SetFocus();
  recorder.log.clear();
  SendKey(term, 'B', {ssCtrl}, '\x02');
  EXPECT_TRUE(term->ScrollBackMode());
  EXPECT_EQ((std::vector<std::string>{"mode", "held 0"}), recorder.log);
  SendKey(term, 'B', {ssCtrl}, '\x02');
  EXPECT_FALSE(term->ScrollBackMode());
  // Other keys still reach OnKeyDown and OnSendChar.
  recorder.log.clear();
  SendKey(term, 'Q', {}, 'q');
  EXPECT_EQ((std::vector<std::string>{"keydown 81", "send q"}), recorder.log);
}

TEST_F(TerminalTest, TypedCharactersAreSentOnlyLive) {
  ShowForm();
  term->SetAutoScrollBack(false);
  SendChar(term, 'a');
  term->SetScrollBackMode(true);
  SendChar(term, 'b');
  EXPECT_EQ((std::vector<std::string>{"send a", "mode", "held 0"}), recorder.log);
  EXPECT_EQ("", Line(0)) << "the terminal never echoes typed keys itself";
  // A key that OnKeyPress took sends nothing, not a NUL.
  struct TTaker {
    void Take(TObject*, char& key) { key = 0; }
  } taker;
  term->SetScrollBackMode(false);
  term->OnKeyPress = Method<&TTaker::Take>(&taker);
  recorder.log.clear();
  SendChar(term, 'c');
  EXPECT_EQ(std::vector<std::string>{}, recorder.log);
}

TEST_F(TerminalTest, ProcessCharDropsOnlyWhatItZeroes) {
  const std::string log = TempFileName("filter.log");
  term->SetLogName(log);
  term->SetLogging(lgAppend);
  recorder.dropChar = 'x';
  term->WriteString(std::string("ax\0b\r\n", 6));
  EXPECT_EQ("ab", Line(0));
  EXPECT_EQ(2, term->LineCount());
  term->CloseLog();
  EXPECT_EQ(std::string("a\0b\r\n", 5), ReadFileBytes(log));
}

TEST_F(TerminalTest, ScrollBackRowsKeepTwoPagesAndAFloor) {
  ShowForm();
  ASSERT_GT(term->VisibleRows(), 5);
  term->SetScrollBackRows(3);
  EXPECT_EQ(2 * term->VisibleRows(), term->ScrollBackRows());
  EXPECT_EQ(2 * term->VisibleRows(), term->Buffer()->Rows());
}

TEST_F(TerminalTest, WindowlessTerminalSurvivesTinySizes) {
  // Before any window there are no visible rows, so nothing lifts a
  // ring of zero rows but the floor.
  TOwned<TProbeTerminal> alone(Create<TProbeTerminal>(nullptr));
  alone->SetScrollBackRows(0);
  EXPECT_EQ(1, alone->ScrollBackRows());
  alone->SetUserDataSize(-8);
  EXPECT_EQ(0, alone->UserDataSize());
  alone->WriteString("a\r\nb\r\nc");
  alone->ClearTerminal();
  alone->WriteString("d");
  TVelTRMColorMode mode;
  EXPECT_EQ("d", alone->LineText(0, mode));
  EXPECT_FALSE(alone->HandleAllocated());
}

TEST_F(TerminalTest, SelectedTextAndRanges) {
  term->WriteString("first line\r\nsecond   \r\nthird");
  TVelTRMColorMode mode;
  EXPECT_EQ("second", term->LineText(1, mode));
  EXPECT_EQ("", term->GetSelectedText()) << "no selection in live mode";
  EXPECT_EQ("line\r\nsecond\r\nth\r\n", term->GetTextRange(TPoint(6, 0), TPoint(1, 2)));
  EXPECT_EQ("rst", term->GetTextRange(TPoint(2, 0), TPoint(4, 0)));
}

}  // namespace
