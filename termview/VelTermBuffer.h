// The terminal's text store: a ring of fixed-width rows with colour
// attributes, the character state machine that fills it, and the bookkeeping
// that turns a burst of writes into a few view updates at flush time.
//
// The buffer owns no window. Everything visual goes through the owner
// interface, so the buffer runs without a control (its tests use a recording
// owner).
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Types.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

VEL_EXCEPTION_CLASS(EVelCLVException, Exception);

enum TVelTRMColorMode { cmLDefault, cmL16_16, cmC16_16 };
enum TVelTRMBkSpcMode { bmBack, bmBackDel };
VEL_ENUM_TYPE(TVelTRMColorMode);
VEL_ENUM_TYPE(TVelTRMBkSpcMode);

// The colours one character is painted in.
struct TVelCLVCharColor {
  TColor Back = clWindow;
  TColor Text = clWindowText;
  TFontStyles Style;
};
using TVelCLVCharColors = std::vector<TVelCLVCharColor>;

// One colour-table index pair per cell, as OnGetColors sees a row.
struct TVelTRMCharAttr {
  uint8_t Fore = 0;
  uint8_t Back = 0;
};
using TVelTRMCharAttrs = std::vector<TVelTRMCharAttr>;

using TVelTRMColorTable = std::array<TColor, 16>;
// The palette a new buffer starts with.
const TVelTRMColorTable& DefaultColorTable();

// A colour pair as written: foreground index in the low byte, background in
// the high byte.
constexpr uint16_t MakeColorPair(uint8_t fore, uint8_t back) {
  return static_cast<uint16_t>(fore | (back << 8));
}

// What the buffer needs of the control that shows it.
class IVelTerminalBufferOwner {
 public:
  virtual TColor OwnerColor() const = 0;
  virtual TColor OwnerFontColor() const = 0;
  virtual TFontStyles OwnerFontStyle() const = 0;
  virtual TVelTRMBkSpcMode OwnerBkSpcMode() const = 0;

  virtual void BufferBeep() = 0;
  virtual void BufferNewLine(int line) = 0;
  // False when nobody asks for row colours: the buffer then skips the copy.
  virtual bool BufferWantsColors() const = 0;
  virtual void BufferGetColors(int line, TVelTRMCharAttrs& colors) = 0;
  virtual void BufferDrawn() = 0;

  virtual void BufferSetLineCount(int count) = 0;
  virtual void BufferSetCursorRow(int row) = 0;
  // Moves the drawn content by lines (negative: up) and marks a window update
  // as pending.
  virtual void BufferScrollContent(int lines) = 0;
  // Cell rectangles are inclusive: Left/Right columns, Top/Bottom rows.
  virtual void BufferInvalidateCells(const TRect& cells, bool wholeLines) = 0;
  virtual void BufferInvalidateLeftSpace(int firstRow, int lastRow) = 0;
  // Cursor to the write position, without horizontal scrolling.
  virtual void BufferCursorToWritePos() = 0;

 protected:
  ~IVelTerminalBufferOwner() = default;
};

class TVelTerminalBuffer : public TObject {
  VEL_CLASS(TVelTerminalBuffer, TObject)
 public:
  explicit TVelTerminalBuffer(IVelTerminalBufferOwner* owner);

  // Allocates the ring and drops all text. Rows below 1 count as 1 and a
  // negative user data size as 0; a ring too large for memory raises
  // std::bad_alloc and leaves the buffer as it was.
  void SetDimensions(int rows, uint8_t columns, int userDataSize, TVelTRMColorMode mode);
  void ClearBuffer();
  void UpdateDefaultColors();

  void WriteChar(uint8_t ch);
  // ch with its own colours; only in cmC16_16 (EVelCLVException otherwise).
  void WriteCharAttr(uint8_t ch, uint16_t pair);
  void FlushChanges();

  // The row's characters without trailing blanks and control bytes.
  std::string RowText(int row) const;
  // Fills colors (all of it) for painting row; columns past the row's own
  // get the colours of a cleared cell.
  void FillLineColors(int row, TVelCLVCharColors& colors) const;
  // Offers the write row's colours to the owner (OnGetColors).
  void QueryRowColors();

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  int UserDataSize() const { return userDataSize_; }
  TVelTRMColorMode ColorMode() const { return colorMode_; }
  int WriteCol() const { return writeCol_; }
  int WriteRow() const { return writeRow_; }
  uint8_t DefaultFore() const { return defaultFore_; }
  uint8_t DefaultBack() const { return defaultBack_; }
  // The attribute byte of a cell (cmC16_16), or of the row (cmL16_16); the
  // default attribute in cmLDefault and outside the ring.
  uint8_t CellAttr(int row, int col) const;

  const TVelTRMColorTable& ColorTable() const { return colorTable_; }
  void SetColorTable(const TVelTRMColorTable& table) { colorTable_ = table; }

 private:
  size_t RowSize() const;
  int SlotOf(int row) const;
  // Null outside 0 .. Rows.
  const uint8_t* RowAt(int row) const;
  uint8_t* WriteRowStart();
  uint8_t DefaultAttr() const { return static_cast<uint8_t>(defaultBack_ * 16 + defaultFore_); }
  void ClearRow(uint8_t* row);
  void MarkDirty();
  void AdvanceColumn();
  void NewLine();
  void BackSpace();
  void LowerFirstAttrRow(int row);
  TColor ColorOf(uint8_t index) const { return colorTable_[index & 0x0F]; }

  IVelTerminalBufferOwner* owner_;
  int lastSlot_ = 0;
  int firstSlot_ = 0;
  std::vector<uint8_t> storage_;
  int columns_ = 0;
  int rows_ = 0;
  int attrBytes_ = 0;
  TVelTRMColorMode colorMode_ = cmLDefault;
  uint8_t defaultFore_ = 0;
  uint8_t defaultBack_ = 15;
  int userDataSize_ = 0;
  int newLines_ = 0;
  bool dirty_ = false;
  bool colorsPending_ = false;
  TVelTRMCharAttrs pairs_;
  TVelTRMColorTable colorTable_;
  int firstAttrRow_ = -1;
  int writeCol_ = 0;
  int writeRow_ = 0;
  int dirtyStartCol_ = 0;
  int dirtyStartRow_ = 0;
  int dirtyEndCol_ = 0;
};
