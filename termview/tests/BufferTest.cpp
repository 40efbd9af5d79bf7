// The terminal buffer on its own, with an owner that records what the buffer
// asks of it.
#include "VelTermBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <string>
#include <vector>

namespace {

class TRecordingOwner : public IVelTerminalBufferOwner {
 public:
  TColor color = clWhite;
  TColor fontColor = clBlack;
  TVelTRMBkSpcMode bkSpcMode = bmBackDel;
  bool wantsColors = false;
  // What OnGetColors does to each pair it is offered.
  uint8_t newFore = 0xFF;
  std::vector<std::string> calls;

  TColor OwnerColor() const override { return color; }
  TColor OwnerFontColor() const override { return fontColor; }
  TFontStyles OwnerFontStyle() const override { return TFontStyles{fsBold}; }
  TVelTRMBkSpcMode OwnerBkSpcMode() const override { return bkSpcMode; }
  void BufferBeep() override { calls.push_back("beep"); }
  void BufferNewLine(int line) override { calls.push_back("newline " + std::to_string(line)); }
  bool BufferWantsColors() const override { return wantsColors; }
  void BufferGetColors(int line, TVelTRMCharAttrs& colors) override {
    calls.push_back("getcolors " + std::to_string(line));
    if (newFore != 0xFF) {
      for (TVelTRMCharAttr& pair : colors)
        pair.Fore = newFore;
    }
  }
  void BufferDrawn() override { calls.push_back("drawn"); }
  void BufferSetLineCount(int count) override {
    calls.push_back("linecount " + std::to_string(count));
  }
  void BufferSetCursorRow(int row) override { calls.push_back("cursorrow " + std::to_string(row)); }
  void BufferScrollContent(int lines) override {
    calls.push_back("scroll " + std::to_string(lines));
  }
  void BufferInvalidateCells(const TRect& r, bool whole) override {
    calls.push_back((whole ? "lines " : "cells ") + std::to_string(r.left) + "," +
                    std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
                    std::to_string(r.bottom));
  }
  void BufferInvalidateLeftSpace(int first, int last) override {
    calls.push_back("left " + std::to_string(first) + "-" + std::to_string(last));
  }
  void BufferCursorToWritePos() override { calls.push_back("cursor"); }
};

class BufferTest : public testing::Test {
 protected:
  BufferTest() : buffer(new TVelTerminalBuffer(&owner)) {
    buffer->SetDimensions(500, 80, 0, cmLDefault);
  }
  void Write(const std::string& bytes) {
    for (char c : bytes)
      buffer->WriteChar(static_cast<uint8_t>(c));
  }
  std::vector<std::string> Flush() {
    owner.calls.clear();
    buffer->FlushChanges();
    return owner.calls;
  }

  TRecordingOwner owner;
  TOwned<TVelTerminalBuffer> buffer;
};

using Calls = std::vector<std::string>;

struct TWriteCase {
  const char* name;
  std::string bytes;
  TVelTRMBkSpcMode bkSpcMode;
  std::vector<std::string> rows;
  int col;
  int row;
};

TEST_F(BufferTest, CharacterStateMachine) {
  const std::string line80(80, 'x');
  const TWriteCase cases[] = {
      {"80 bytes wrap at once", line80, bmBackDel, {line80, ""}, 0, 1},
      {"CR LF after a full row adds an empty row",
       line80 + "\r\nA",
       bmBackDel,
       {line80, "", "A"},
       1,
       2},
      {"BS at column 0 does nothing", "\bA", bmBackDel, {"A"}, 1, 0},
      {"BS without erasing", "AB\b", bmBack, {"AB"}, 1, 0},
      {"BS erasing", "AB\b", bmBackDel, {"A"}, 1, 0},
      {"LF keeps the column", "AB\nC", bmBackDel, {"AB", "  C"}, 3, 1},
      {"CR returns on the same row", "AB\rC", bmBackDel, {"CB"}, 1, 0},
      {"TAB, FF, NUL and ESC are ignored", std::string("\t\f\0\x1b", 4), bmBackDel, {""}, 0, 0},
      {"high bytes are printable", "\xff\x80", bmBackDel, {"\xff\x80"}, 2, 0},
  };
  for (const TWriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    owner.bkSpcMode = c.bkSpcMode;
    buffer->ClearBuffer();
    Write(c.bytes);
    for (size_t r = 0; r < c.rows.size(); ++r)
      EXPECT_EQ(c.rows[r], buffer->RowText(static_cast<int>(r))) << "row " << r;
    EXPECT_EQ(c.col, buffer->WriteCol());
    EXPECT_EQ(c.row, buffer->WriteRow());
  }
}

TEST_F(BufferTest, BellAndBackspaceReachTheOwner) {
  Write("AB");
  owner.calls.clear();
  Write("\a\b");
  EXPECT_EQ((Calls{"beep", "cells 1,0-1,0"}), owner.calls);
}

TEST_F(BufferTest, FlushInvalidatesWhatChanged) {
  Write("AB");
  EXPECT_EQ((Calls{"cursorrow 0", "linecount 1", "drawn", "cells 0,0-2,0", "cursor"}), Flush());
  Write("C\r\nDE\r\nF");
  EXPECT_EQ((Calls{"cursorrow 0", "linecount 3", "drawn", "cells 0,0-79,2", "cursor"}), Flush());
  // Nothing written: nothing to do.
  EXPECT_EQ(Calls{}, Flush());
}

TEST_F(BufferTest, RewriteAfterCarriageReturnRepaintsFromColumnZero) {
  Write("50%");
  Flush();
  Write("\r60%");
  EXPECT_EQ((Calls{"cursorrow 0", "linecount 1", "drawn", "cells 0,0-3,0", "cursor"}), Flush());
  EXPECT_EQ("60%", buffer->RowText(0));
}

TEST_F(BufferTest, FullRingDropsTheOldestRows) {
  buffer->SetDimensions(5, 80, 0, cmLDefault);
  // Seven lines in one batch: more line feeds than rows.
  Write("L0\r\nL1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6");
  EXPECT_EQ(4, buffer->WriteRow());
  EXPECT_EQ("L2", buffer->RowText(0));
  EXPECT_EQ("L6", buffer->RowText(4));
  EXPECT_EQ((Calls{"cursorrow 0", "linecount 5", "scroll -2", "drawn", "cells 0,-2-79,4",
                   "left -2-4", "cursor"}),
            Flush());
  // The next batch counts only the rows dropped since this flush.
  Write("\r\nL7");
  EXPECT_EQ((Calls{"cursorrow 4", "linecount 5", "scroll -1", "drawn", "cells 0,3-79,4", "left 3-4",
                   "cursor"}),
            Flush());
  EXPECT_EQ("L3", buffer->RowText(0));
  // Row Rows falls on the oldest row again.
  EXPECT_EQ("L3", buffer->RowText(5));
}

TEST_F(BufferTest, RowColoursOfferedToTheOwner) {
  buffer->SetDimensions(10, 80, 0, cmL16_16);
  owner.wantsColors = true;
  owner.newFore = 3;
  Write("AB");
  EXPECT_EQ((Calls{"getcolors 0", "cursorrow 0", "linecount 1", "drawn", "cells 0,0-2,0",
                   "lines 0,0-0,0", "cursor"}),
            Flush());
  EXPECT_EQ(0xF3, buffer->CellAttr(0, 0));
  // Leaving the row asks too; an answer that changes nothing repaints no
  // whole lines.
  owner.newFore = 0xFF;
  owner.calls.clear();
  Write("C\r\n");
  EXPECT_EQ((Calls{"getcolors 0", "newline 0"}), owner.calls);
  EXPECT_EQ(
      (Calls{"getcolors 1", "cursorrow 0", "linecount 2", "drawn", "cells 0,0-79,1", "cursor"}),
      Flush());
}

TEST_F(BufferTest, ColouredWrites) {
  buffer->SetDimensions(10, 80, 0, cmL16_16);
  EXPECT_THROW(buffer->WriteCharAttr('A', MakeColorPair(1, 2)), EVelCLVException);
  EXPECT_EQ(0, buffer->WriteCol());
  EXPECT_EQ(Calls{}, Flush());

  buffer->SetDimensions(10, 80, 0, cmC16_16);
  owner.wantsColors = true;
  buffer->WriteCharAttr('A', MakeColorPair(1, 2));
  buffer->WriteCharAttr('B', MakeColorPair(0x13, 0x24));  // kept in one byte
  EXPECT_EQ(0x21, buffer->CellAttr(0, 0));
  EXPECT_EQ(static_cast<uint8_t>(0x24 * 16 + 0x13), buffer->CellAttr(0, 1));
  // The colours came with the bytes: no query for this row.
  const Calls flushed = Flush();
  EXPECT_EQ(
      (Calls{"cursorrow 0", "linecount 1", "drawn", "cells 0,0-2,0", "lines 0,0-0,0", "cursor"}),
      flushed);
  // A backspace takes the default pair.
  buffer->WriteCharAttr('\b', MakeColorPair(5, 5));
  EXPECT_EQ(0xF0, buffer->CellAttr(0, 2));
  EXPECT_EQ(1, buffer->WriteCol());
}

TEST_F(BufferTest, DefaultColoursFollowTheOwner) {
  owner.color = clWindow;  // a system colour never matches the table
  owner.fontColor = clRed;
  buffer->UpdateDefaultColors();
  EXPECT_EQ(15, buffer->DefaultBack());
  EXPECT_EQ(9, buffer->DefaultFore());
  owner.color = clNavy;
  buffer->UpdateDefaultColors();
  buffer->SetDimensions(3, 80, 0, cmC16_16);
  EXPECT_EQ(4 * 16 + 9, buffer->CellAttr(0, 0));
}

TEST_F(BufferTest, TinyAndNegativeSizesAreClamped) {
  // Rows 0 would divide by zero at the first line feed; a negative user data
  // size would overlap the rows.
  buffer->SetDimensions(0, 80, -5, cmC16_16);
  EXPECT_EQ(1, buffer->Rows());
  EXPECT_EQ(0, buffer->UserDataSize());
  Write("A\r\nB\r\nC");
  EXPECT_EQ("C", buffer->RowText(0));
  EXPECT_EQ((Calls{"cursorrow 0", "linecount 1", "scroll -2", "drawn", "cells 0,-2-79,0",
                   "left -2-0", "cursor"}),
            Flush());
}

TEST_F(BufferTest, FailedAllocationKeepsTheText) {
  buffer->SetDimensions(10, 80, 4, cmC16_16);
  Write("kept\r\nrow");
  // 2^31 rows of 2^31 bytes wrap to a small number in 32 bits.
  EXPECT_THROW(buffer->SetDimensions(INT_MAX, 80, INT_MAX - 200, cmC16_16), std::bad_alloc);
  EXPECT_THROW(buffer->SetDimensions(0x10000, 80, 0x10000, cmC16_16), std::bad_alloc);
  EXPECT_EQ(10, buffer->Rows());
  EXPECT_EQ(4, buffer->UserDataSize());
  EXPECT_EQ("kept", buffer->RowText(0));
  Write("s");
  EXPECT_EQ("rows", buffer->RowText(1));
}

TEST_F(BufferTest, ColoursPastTheRowAndOutsideTheRingAreCleared) {
  buffer->SetDimensions(4, 80, 0, cmC16_16);
  for (int i = 0; i < 80; ++i)
    buffer->WriteCharAttr('x', MakeColorPair(1, 2));
  TVelCLVCharColors colors(1024);
  buffer->FillLineColors(0, colors);
  EXPECT_EQ(clMaroon, colors[79].Text);
  EXPECT_EQ(clGreen, colors[79].Back);
  EXPECT_EQ(TFontStyles{fsBold}, colors[79].Style);
  for (int c : {80, 500, 1023}) {
    EXPECT_EQ(clBlack, colors[c].Text) << c;
    EXPECT_EQ(clWhite, colors[c].Back) << c;
  }
  for (int row : {-1, 5, 1000}) {
    EXPECT_EQ("", buffer->RowText(row));
    buffer->FillLineColors(row, colors);
    EXPECT_EQ(clWhite, colors[0].Back) << row;
  }
}

TEST_F(BufferTest, EveryByteAndColourPairIsSafe) {
  buffer->SetDimensions(3000, 80, 1, cmC16_16);
  owner.wantsColors = true;
  owner.newFore = 200;  // out of the table's range: read by nibble
  for (int pair = 0; pair < 0x10000; ++pair) {
    buffer->WriteCharAttr(static_cast<uint8_t>(pair), static_cast<uint16_t>(pair));
    if (pair % 4096 == 0)
      buffer->FlushChanges();
  }
  for (int b = 0; b < 256; ++b)
    buffer->WriteChar(static_cast<uint8_t>(b));
  buffer->FlushChanges();
  TVelCLVCharColors colors(80);
  const TVelTRMColorTable& table = buffer->ColorTable();
  for (int row = 0; row < buffer->Rows(); ++row) {
    ASSERT_LE(buffer->RowText(row).size(), 80u);
    buffer->FillLineColors(row, colors);
    for (int c = 0; c < 80; ++c) {
      const uint8_t attr = buffer->CellAttr(row, c);
      ASSERT_EQ(table[attr & 15], colors[c].Text);
      ASSERT_EQ(table[attr >> 4], colors[c].Back);
    }
  }
}

}  // namespace
