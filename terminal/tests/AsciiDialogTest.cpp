// The byte table on real windows: its grid and names, the half and number
// base kept between showings, the ways it closes without a code, the codes
// it sends through the main form to a pty, its placement and its caption.
#include "frmASCII.h"
#include "frmMain.h"

#include "PeerClient.h"
#include "Screen.h"
#include "SysUtils.h"
#include "TerminalTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TTerminalTestEnvironment);

constexpr int kGerman = 2;

void PostPress(TASCIIForm* table, const TPoint& at) {
  PostMessageA(table->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

void PostRelease(TASCIIForm* table, const TPoint& at) {
  PostMessageA(table->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void PostClick(TASCIIForm* table, int x, int y) {
  PostPress(table, TPoint(x, y));
  PostRelease(table, TPoint(x, y));
}

// The middle of the cell that shows code in the shown half.
TPoint CellCentre(TASCIIForm* table, int code) {
  const TRect cell = table->CellRect(code % 128);
  return TPoint{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

class AsciiDialogTest : public TTerminalFormTest {
 protected:
  // Runs the table through the main form's command; action works on the
  // shown table.
  void RunCommand(const std::function<void(TASCIIForm*)>& action) {
    TWhileModal run([&] { action(ASCIIForm()); });
    form_->OptASCIIActionExecute(form_->OptASCIIAction);
  }

  // Shows the table and gives its place on the screen.
  TRect ShownBounds() {
    TRect bounds;
    TWhileModal run([&] {
      bounds = ASCIIForm()->BoundsRect();
      ASCIIForm()->Close();
    });
    uint8_t code = 0;
    ExecuteASCIIDialog(code);
    return bounds;
  }
};

// ---- The grid ------------------------------------------------------------------------

TEST(AsciiTableTest, ControlCodesHaveTheirNames) {
  EXPECT_EQ("NUL", ControlCharName(0));
  EXPECT_EQ("BEL", ControlCharName(7));
  EXPECT_EQ("TAB", ControlCharName(9));
  EXPECT_EQ("VF", ControlCharName(11));
  EXPECT_EQ("CR", ControlCharName(13));
  EXPECT_EQ("DLE", ControlCharName(16));
  EXPECT_EQ("ESC", ControlCharName(27));
  EXPECT_EQ("US", ControlCharName(31));
  for (int code : {-1, 32, 127, 128, 255})
    EXPECT_EQ("", ControlCharName(code)) << code;
}

TEST(AsciiTableTest, CellsRunDownTheColumnsInEitherHalf) {
  TOwned<TASCIIForm> table(Create<TASCIIForm>(nullptr));
  const int w = table->CellWidth();
  const int h = table->CellHeight();
  const int top = table->ToolBar1->Height();
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  EXPECT_EQ(8 * w, table->ClientWidth());
  EXPECT_EQ(top + 16 * h, table->ClientHeight());
  EXPECT_EQ(0, table->CellAt(1, top + 1));
  EXPECT_EQ(16, table->CellAt(w + 1, top + 1));
  EXPECT_EQ(15, table->CellAt(w - 1, top + 16 * h - 1));
  EXPECT_EQ(127, table->CellAt(8 * w - 1, top + 16 * h - 1));
  for (const TPoint outside :
       {TPoint(8 * w, top + 1), TPoint(-1, top + 1), TPoint(1, top - 1), TPoint(1, top + 16 * h)})
    EXPECT_EQ(-1, table->CellAt(outside.x, outside.y)) << outside.x << "," << outside.y;
  EXPECT_EQ(TRect(w + 2, top + 3 * h, 2 * w + 2, top + 4 * h), table->CellRect(19));
  EXPECT_EQ("10", table->CodeText(10));
  EXPECT_EQ("255", table->CodeText(255));

  table->tbASCIIHiClick(table->tbASCIIHi);
  table->tbHexClick(table->tbHex);
  EXPECT_EQ("0A", table->CodeText(10));
  EXPECT_EQ("FF", table->CodeText(255));
  EXPECT_TRUE(table->tbASCIIHi->Down());
  EXPECT_FALSE(table->tbASCIILo->Down());
  EXPECT_TRUE(table->tbHex->Down());
  EXPECT_FALSE(table->tbDec->Down());
  // Shown in either state without a fault.
  table->Show();
  table->Repaint();
  table->tbASCIILoClick(table->tbASCIILo);
  table->tbDecClick(table->tbDec);
  table->Repaint();
  EXPECT_EQ(0, table->CodeOffset());
  EXPECT_FALSE(table->ShowHex());
}

// ---- Through the main form -----------------------------------------------------------

TEST_F(AsciiDialogTest, ChosenCodesReachThePeer) {
  TPeerPort peer(10, kListedPorts);
  MakeMainForm(peer.Number());
  Connect();
  RunCommand([](TASCIIForm* table) {
    table->tbASCIIHi->Click();
    const TPoint at = CellCentre(table, 144);
    PostClick(table, at.x, at.y);
  });
  EXPECT_EQ("\x90", peer.Receive(1, 2000));
  // CR goes out as the terminator.
  form_->Settings()->SetTerminator(3);
  RunCommand([](TASCIIForm* table) {
    table->tbASCIILo->Click();
    const TPoint at = CellCentre(table, 13);
    PostClick(table, at.x, at.y);
  });
  EXPECT_EQ("\r\n", peer.Receive(2, 2000));
  EXPECT_EQ("", peer.Receive(1, 200));
  EXPECT_EQ(13, ASCIIForm()->SelectedCode());
}

TEST_F(AsciiDialogTest, OnlyAPressAndAReleaseOnOneCellSendItsCode) {
  TPeerPort peer(10, kListedPorts);
  MakeMainForm(peer.Number());
  Connect();
  // The table opens away from the cells clicked.
  SetCursorPos(0, 0);
  RunCommand([](TASCIIForm* table) {
    table->tbASCIILo->Click();
    const TPoint nul = CellCentre(table, 0);
    // Released to the right of the table, then on the next column's cell.
    PostPress(table, nul);
    PostRelease(table, TPoint(table->ClientWidth() + 10, nul.y));
    PostPress(table, nul);
    PostRelease(table, CellCentre(table, 16));
    const TPoint a = CellCentre(table, 'A');
    PostPress(table, a);
    PostRelease(table, a);
  });
  EXPECT_EQ("A", peer.Receive(2, 2000));
}

TEST_F(AsciiDialogTest, APressFromBeforeTheTableShowedSendsNothing) {
  TPeerPort peer(10, kListedPorts);
  MakeMainForm(peer.Number());
  Connect();
  // The table opens away from the cells clicked.
  SetCursorPos(0, 0);
  RunCommand([](TASCIIForm* table) { PostKey(table->Handle(), VK_ESCAPE); });
  // Queued while the table was hidden, as the second press of a quick
  // double click on the tool button is.
  const TPoint a = CellCentre(ASCIIForm(), 'A');
  PostPress(ASCIIForm(), a);
  Sleep(20);
  bool stayed = false;
  RunCommand([&](TASCIIForm* table) {
    PostRelease(table, a);
    classlib::PumpFor(100);
    stayed = table->ModalResult() == mrNone;
    PostKey(table->Handle(), VK_ESCAPE);
  });
  EXPECT_TRUE(stayed);
  EXPECT_EQ("", peer.Receive(1, 300));
}

TEST_F(AsciiDialogTest, TheSecondClickOfTheOpeningDoubleClickSendsNothing) {
  TPeerPort peer(10, kListedPorts);
  MakeMainForm(peer.Number());
  Connect();
  const TRect area = Screen()->WorkAreaRect();
  const TPoint cursor(area.Width() / 2, area.Height() / 2);
  SetCursorPos(cursor.x, cursor.y);
  bool stayed = false;
  int expected = -1;
  RunCommand([&](TASCIIForm* table) {
    // The table opened under the cursor: a click there at once ends the
    // double click that opened it.
    const TPoint at = table->ScreenToClient(cursor);
    PostClick(table, at.x, at.y);
    classlib::PumpFor(100);
    stayed = table->ModalResult() == mrNone;
    // Once the double-click time is over, the same spot is a choice.
    classlib::PumpFor(GetDoubleClickTime());
    expected = table->CodeOffset() + table->CellAt(at.x, at.y);
    PostClick(table, at.x, at.y);
  });
  EXPECT_TRUE(stayed);
  ASSERT_GE(expected, 0);
  EXPECT_EQ(std::string(1, static_cast<char>(expected)), peer.Receive(2, 2000));
}

TEST_F(AsciiDialogTest, TheSecondShowingKeepsHalfAndBase) {
  TPeerPort peer(10, kListedPorts);
  MakeMainForm(peer.Number());
  Connect();
  RunCommand([](TASCIIForm* table) {
    table->tbASCIIHi->Click();
    table->tbHex->Click();
    PostKey(table->Handle(), VK_ESCAPE);
  });
  bool kept = false;
  RunCommand([&](TASCIIForm* table) {
    kept = table->CodeOffset() == 128 && table->ShowHex() && table->tbASCIIHi->Down() &&
           table->tbHex->Down() && !table->tbDec->Down();
    PostMessageA(table->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_TRUE(kept);
  // Neither way out sent anything.
  EXPECT_EQ("", peer.Receive(1, 300));
  ASCIIForm()->tbASCIILoClick(nullptr);
  ASCIIForm()->tbDecClick(nullptr);
}

TEST_F(AsciiDialogTest, EscapeAndTheSystemMenuGiveNoCode) {
  for (const bool escape : {true, false}) {
    TWhileModal run([&] {
      TASCIIForm* table = ASCIIForm();
      if (escape)
        PostKey(GetFocus() ? GetFocus() : table->Handle(), VK_ESCAPE);
      else
        PostMessageA(table->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    uint8_t code = 77;
    EXPECT_FALSE(ExecuteASCIIDialog(code)) << escape;
    EXPECT_EQ(0, code);
  }
}

TEST_F(AsciiDialogTest, TheTableOpensAtTheCursorWithinTheWorkArea) {
  const TRect area = Screen()->WorkAreaRect();
  SetCursorPos(area.Width() - 1, area.Height() - 1);
  TRect bounds = ShownBounds();
  EXPECT_EQ(area.Height(), bounds.bottom);
  EXPECT_EQ(area.Width(), bounds.right);

  SetCursorPos(0, 0);
  bounds = ShownBounds();
  EXPECT_EQ(0, bounds.left);
  EXPECT_EQ(0, bounds.top);

  SetCursorPos(area.Width() / 2, area.Height() / 2);
  bounds = ShownBounds();
  EXPECT_EQ(area.Width() / 2 - bounds.Width() / 2, bounds.left);
  EXPECT_EQ(area.Height() / 2 - bounds.Height() / 2, bounds.top);
}

TEST_F(AsciiDialogTest, TheCaptionFollowsTheLanguage) {
  MakeMainForm(1);
  std::string caption;
  TWhileModal first([&] {
    caption = ASCIIForm()->Caption();
    ASCIIForm()->Close();
  });
  uint8_t code = 0;
  ExecuteASCIIDialog(code);
  EXPECT_EQ("Send ASCII", caption);

  SwitchLanguage(kGerman);
  TWhileModal second([&] {
    caption = ASCIIForm()->Caption();
    ASCIIForm()->Close();
  });
  ExecuteASCIIDialog(code);
  SwitchLanguage(0);
  EXPECT_EQ("Senden ASCII", caption);
}

// Not a check: keeps the table on the display for VEL_HOLD_MS, for a picture;
// VEL_HIGH and VEL_HEX pick the half and the base.
TEST_F(AsciiDialogTest, DISABLED_ShowTableForScreenshot) {
  TOwned<TASCIIForm> table(Create<TASCIIForm>(nullptr));
  if (std::getenv("VEL_HIGH"))
    table->tbASCIIHi->Click();
  if (std::getenv("VEL_HEX"))
    table->tbHex->Click();
  table->Show();
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 1000);
}

}  // namespace
