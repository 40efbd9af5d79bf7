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

void PostClick(TASCIIForm* table, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageA(table->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(table->Handle(), WM_LBUTTONUP, 0, at);
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
  EXPECT_EQ(0, table->CodeAt(1, top + 1));
  EXPECT_EQ(16, table->CodeAt(w + 1, top + 1));
  EXPECT_EQ(15, table->CodeAt(w - 1, top + 16 * h - 1));
  EXPECT_EQ(127, table->CodeAt(8 * w - 1, top + 16 * h - 1));
  EXPECT_EQ(TRect(w + 2, top + 3 * h, 2 * w + 2, top + 4 * h), table->CellRect(19));
  EXPECT_EQ("10", table->CodeText(10));
  EXPECT_EQ("255", table->CodeText(255));

  table->tbASCIIHiClick(table->tbASCIIHi);
  table->tbHexClick(table->tbHex);
  EXPECT_EQ(144, table->CodeAt(w + 1, top + 1));
  EXPECT_EQ(255, table->CodeAt(8 * w - 1, top + 16 * h - 1));
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
