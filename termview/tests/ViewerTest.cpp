// The line viewer with synthetic lines: caret, keys, mouse selection,
// auto-scroll, scroll bars and the clamps that keep the view valid.
#include "TermTestSupport.h"

#include "Clipbrd.h"

namespace {

struct TViewerEvents {
  std::vector<std::string> log;
  void Bof(TObject*) { log.push_back("bof"); }
  void Eof(TObject*) { log.push_back("eof"); }
  void Selection(TObject*) { log.push_back("selection"); }
};

class ViewerTest : public TermFormTest {
 protected:
  void SetUp() override {
    TermFormTest::SetUp();
    viewer = Add<TSyntheticViewer>(400, 240);
    viewer->SetOptions(TVelCLVOptions{loCanSelect, loThumbTracking, loShowCaretCursor});
    viewer->SetLineCount(100);
    viewer->OnBof = Method<&TViewerEvents::Bof>(&events);
    viewer->OnEof = Method<&TViewerEvents::Eof>(&events);
    viewer->OnSelectionChange = Method<&TViewerEvents::Selection>(&events);
    ShowForm();
    viewer->SetFocus();
    Settle();
  }
  // The client position of the middle of a cell.
  TPoint CellCentre(int col, int row) const {
    return TPoint(viewer->LeftSpace() + (col - viewer->LeftCol()) * viewer->CharWidth() +
                      viewer->CharWidth() / 2,
                  (row - viewer->TopRow()) * viewer->LineHeight() + viewer->LineHeight() / 2);
  }
  void Press(int col, int row) {
    const TPoint p = CellCentre(col, row);
    SendMouse(viewer, WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON);
  }
  void DragTo(int col, int row) {
    const TPoint p = CellCentre(col, row);
    SendMouse(viewer, WM_MOUSEMOVE, p.x, p.y, MK_LBUTTON);
  }
  void Release(int col, int row) {
    const TPoint p = CellCentre(col, row);
    SendMouse(viewer, WM_LBUTTONUP, p.x, p.y);
  }

  TSyntheticViewer* viewer = nullptr;
  TViewerEvents events;
};

TEST_F(ViewerTest, CaretShapesFollowTheCursorWhileFocused) {
  viewer->SetCaretBlinkTime(777);
  EXPECT_EQ(777u, GetCaretBlinkTime());
  const int lh = viewer->LineHeight();
  const struct {
    TVelCLVCaretType type;
    int offsetY;
  } shapes[] = {{ctHorizontal, lh - 2}, {ctBlock, 0}, {ctVertical, 0}};
  viewer->MoveCursorTo(TPoint(3, 2));
  for (const auto& shape : shapes) {
    viewer->SetCaretType(shape.type);
    ASSERT_TRUE(viewer->CaretCreated());
    EXPECT_TRUE(viewer->CaretShown());
    POINT p{};
    GetCaretPos(&p);
    EXPECT_EQ(3 * viewer->CharWidth(), p.x) << shape.type;
    EXPECT_EQ(2 * lh + shape.offsetY, p.y) << shape.type;
  }
  // Outside the fully visible cells the caret hides.
  viewer->SetTopRow(10);
  EXPECT_FALSE(viewer->CaretShown());
  viewer->SetTopRow(0);
  EXPECT_TRUE(viewer->CaretShown());
  // Losing the focus destroys the caret and gives the system its blink time.
  auto* other = Add<TSyntheticViewer>(50, 50);
  other->SetLeft(420);
  other->SetFocus();
  Settle();
  EXPECT_FALSE(viewer->CaretCreated());
  EXPECT_EQ(blinkTime, GetCaretBlinkTime());
}

TEST_F(ViewerTest, FreeingNoCaretLeavesTheBlinkTimeAlone) {
  auto* other = Add<TSyntheticViewer>(50, 50);
  other->SetLeft(420);
  other->SetFocus();
  Settle();
  SetCaretBlinkTime(blinkTime + 100);
  viewer->FreeCaret();
  SendMessageA(viewer->Handle(), WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(blinkTime + 100, GetCaretBlinkTime());
  SetCaretBlinkTime(blinkTime);
}

TEST_F(ViewerTest, NavigationKeys) {
  const int page = viewer->VisibleRows();
  const int length10 = static_cast<int>(TSyntheticViewer::Line(10).size());
  const int length99 = static_cast<int>(TSyntheticViewer::Line(99).size());
  const struct {
    WORD key;
    TShiftState shift;
    TPoint expected;
  } cases[] = {
      {VK_PRIOR, {}, TPoint(5, std::max(0, 10 - page))},
      {VK_NEXT, {}, TPoint(5, 10 + page)},
      {VK_END, {}, TPoint(length10, 10)},
      {VK_END, {ssCtrl}, TPoint(length99, 99)},
      {VK_HOME, {}, TPoint(0, 10)},
      {VK_HOME, {ssCtrl}, TPoint(0, 0)},
      {VK_LEFT, {}, TPoint(4, 10)},
      {VK_RIGHT, {}, TPoint(6, 10)},
      {VK_UP, {}, TPoint(5, 9)},
      {VK_DOWN, {}, TPoint(5, 11)},
      {VK_LEFT, {ssCtrl}, TPoint(5, 10)},
      {VK_PRIOR, {ssCtrl}, TPoint(5, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    viewer->MoveCursorTo(TPoint(5, 10));
    SendKey(viewer, c.key, c.shift);
    EXPECT_EQ(c.expected, viewer->CursorPos());
  }
}

TEST_F(ViewerTest, ShiftExtendsWithSelectByShift) {
  viewer->SetOptions(viewer->Options() + TVelCLVOptions{loSelectByShift});
  viewer->MoveCursorTo(TPoint(5, 10));
  SendKey(viewer, VK_RIGHT, {ssShift});
  EXPECT_EQ("1", viewer->GetSelectedText());
  SendKey(viewer, VK_RIGHT);
  EXPECT_FALSE(viewer->HasSelection());
}

TEST_F(ViewerTest, LineCursorModeWorksOnWholeLines) {
  viewer->SetOptions(TVelCLVOptions{loCanSelect, loSelectByShift, loShowLineCursor});
  viewer->MoveCursorTo(TPoint(7, 3));
  EXPECT_EQ(TPoint(0, 3), viewer->CursorPos());
  EXPECT_EQ(TSyntheticViewer::Line(3), viewer->GetSelectedText());
  SendKey(viewer, VK_RIGHT);
  EXPECT_EQ(1, viewer->LeftCol());
  EXPECT_EQ(TPoint(0, 3), viewer->CursorPos());
  SendKey(viewer, VK_DOWN, {ssShift});
  SendKey(viewer, VK_DOWN, {ssShift});
  EXPECT_EQ(TSyntheticViewer::Line(3) + "\r\n" + TSyntheticViewer::Line(4) + "\r\n" +
                TSyntheticViewer::Line(5) + "\r\n",
            viewer->GetSelectedText());
}

TEST_F(ViewerTest, BofAndEofOnTheEdges) {
  viewer->SetLineCount(1);
  SendKey(viewer, VK_UP);
  SendKey(viewer, VK_DOWN);
  EXPECT_EQ((std::vector<std::string>{"bof", "eof"}), events.log);
  events.log.clear();
  SendKey(viewer, VK_UP, {ssShift});
  SendKey(viewer, VK_DOWN, {ssShift});
  EXPECT_EQ(std::vector<std::string>{}, events.log);
  EXPECT_EQ(TPoint(0, 0), viewer->CursorPos());
}

TEST_F(ViewerTest, MouseSelections) {
  // To the right: the cell under the cursor is not selected.
  Press(5, 2);
  EXPECT_EQ(viewer->Handle(), GetCapture());
  DragTo(9, 2);
  EXPECT_EQ(viewer->Handle(), GetCapture());
  Release(9, 2);
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(TSyntheticViewer::Line(2).substr(5, 4), viewer->GetSelectedText());
  // Back onto the anchor: no selection, one event for it.
  Press(5, 2);
  DragTo(9, 2);
  events.log.clear();
  DragTo(5, 2);
  Release(5, 2);
  EXPECT_FALSE(viewer->HasSelection());
  EXPECT_EQ(std::vector<std::string>{"selection"}, events.log);
  // Over three rows.
  Press(5, 1);
  DragTo(3, 3);
  Release(3, 3);
  EXPECT_EQ(TSyntheticViewer::Line(1).substr(5) + "\r\n" + TSyntheticViewer::Line(2) + "\r\n" +
                TSyntheticViewer::Line(3).substr(0, 3) + "\r\n",
            viewer->GetSelectedText());
}

TEST_F(ViewerTest, SelectedTextRoundTripsThroughTheClipboard) {
  Press(2, 4);
  DragTo(6, 6);
  Release(6, 6);
  const std::string selected = viewer->GetSelectedText();
  ASSERT_EQ(TSyntheticViewer::Line(4).substr(2) + "\r\n" + TSyntheticViewer::Line(5) + "\r\n" +
                TSyntheticViewer::Line(6).substr(0, 6) + "\r\n",
            selected);
  Clipboard()->SetAsText(selected);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(selected, Clipboard()->AsText());
}

TEST_F(ViewerTest, DraggingBelowTheWindowScrollsUntilReleaseOrFocusLoss) {
  const TPoint below = viewer->ClientToScreen(TPoint(40, viewer->ClientHeight() + 30));
  auto startDrag = [&] {
    viewer->MoveCursorTo(TPoint(0, 0));
    viewer->SetTopRow(0);
    Press(2, 1);
    SetCursorPos(below.x, below.y);
    const TPoint p = viewer->ScreenToClient(below);
    SendMouse(viewer, WM_MOUSEMOVE, p.x, p.y, MK_LBUTTON);
    ASSERT_TRUE(viewer->AutoScrolling());
  };
  startDrag();
  // About one row per 50 ms: six rows take no less than about 300 ms, and a
  // loaded machine may only make them take longer.
  const DWORD start = GetTickCount();
  ASSERT_TRUE(classlib::PumpUntil([&] { return viewer->CursorPos().y >= 7; }, 5000));
  EXPECT_GE(GetTickCount() - start, 6u * 50 - 40);
  EXPECT_TRUE(viewer->HasSelection());
  Release(2, 1);
  EXPECT_FALSE(viewer->AutoScrolling());
  const int stopped = viewer->CursorPos().y;
  classlib::PumpFor(150);
  EXPECT_EQ(stopped, viewer->CursorPos().y);

  startDrag();
  auto* other = Add<TSyntheticViewer>(50, 50);
  other->SetLeft(420);
  other->SetFocus();
  Settle();
  EXPECT_FALSE(viewer->AutoScrolling());
  const int afterFocus = viewer->CursorPos().y;
  classlib::PumpFor(150);
  EXPECT_EQ(afterFocus, viewer->CursorPos().y);
  SendMouse(viewer, WM_LBUTTONUP, 0, 0);
}

TEST_F(ViewerTest, VerticalBarScalesLargeLineCounts) {
  viewer->SetLineCount(100000);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(viewer->Handle(), SB_VERT, &info);
  const int rows = viewer->VisibleRows();
  EXPECT_EQ(0, info.nMin);
  EXPECT_EQ(32767, info.nMax);
  EXPECT_EQ(static_cast<UINT>(MulDiv(rows, 32767, 100000)), info.nPage);
  for (int code : {SB_THUMBTRACK, SB_THUMBPOSITION}) {
    viewer->SetTopRow(0);
    SendScroll(viewer, WM_VSCROLL, code, 16384);
    EXPECT_EQ(MulDiv(16384, 100000, 32767), viewer->TopRow()) << code;
  }
  SendScroll(viewer, WM_VSCROLL, SB_THUMBPOSITION, 32767 - static_cast<int>(info.nPage) + 1);
  EXPECT_EQ(100000 - rows, viewer->TopRow());
}

TEST_F(ViewerTest, SmallScrollsRepaintOnlyTheUncoveredStrip) {
  const int lh = viewer->LineHeight();
  const TRect client = viewer->ClientRect();
  viewer->SetTopRow(1);
  TRect box;
  ASSERT_TRUE(HasUpdate(viewer, &box));
  // One line up: only the bottom line's height is new.
  EXPECT_EQ(TRect(0, client.bottom - lh, client.right, client.bottom), box);
  Settle();
  viewer->SetTopRow(1 + viewer->VisibleRows() / 2);
  ASSERT_TRUE(HasUpdate(viewer, &box));
  EXPECT_EQ(client, box) << "half a page or more repaints everything";
}

TEST_F(ViewerTest, LineCountClampsCursorAndView) {
  viewer->SetLineCount(10);
  viewer->MoveCursorTo(TPoint(0, 9));
  viewer->SetLineCount(9);
  EXPECT_EQ(8, viewer->CursorPos().y);
  viewer->SetLineCount(0);
  EXPECT_EQ(1, viewer->LineCount());
  EXPECT_EQ(0, viewer->CursorPos().y);
  viewer->SetLineCount(-7);
  EXPECT_EQ(1, viewer->LineCount());
  viewer->SetLineCount(500);
  viewer->SetTopRow(490);
  viewer->SetLineCount(20);
  EXPECT_EQ(std::max(0, 20 - viewer->VisibleRows()), viewer->TopRow());
}

TEST_F(ViewerTest, TinyWindowsDrawNoTextAndDoNotFail) {
  viewer->SetLeftSpace(100000);
  EXPECT_EQ(0, viewer->VisibleCols());
  Settle();
  viewer->SetLeftSpace(0);
  viewer->SetHeight(3);
  EXPECT_EQ(0, viewer->VisibleRows());
  Settle();
  viewer->SetLeftSpace(-4);
  EXPECT_EQ(0, viewer->LeftSpace());
  viewer->SetMaxLineLength(5000);
  EXPECT_EQ(1024, viewer->MaxLineLength());
  viewer->SetMaxLineLength(0);
  EXPECT_EQ(1, viewer->MaxLineLength());
  viewer->SetCaretBlinkTime(0);
  EXPECT_EQ(1, viewer->CaretBlinkTime());
  viewer->SetCaretBlinkTime(static_cast<int>(blinkTime));
  Settle();
  EXPECT_EQ(std::vector<std::string>{}, boxes) << "painting raised";
}

}  // namespace
