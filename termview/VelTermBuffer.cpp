#include "VelTermBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

VEL_ENUM_TYPE_IMPL(TVelTRMColorMode, "cmLDefault", "cmL16_16", "cmC16_16")
VEL_ENUM_TYPE_IMPL(TVelTRMBkSpcMode, "bmBack", "bmBackDel")

VEL_CLASS_IMPL(TVelTerminalBuffer, TObject)

namespace {

constexpr uint8_t kBEL = 7;
constexpr uint8_t kBS = 8;
constexpr uint8_t kLF = 10;
constexpr uint8_t kCR = 13;

}  // namespace

const TVelTRMColorTable& DefaultColorTable() {
  static const TVelTRMColorTable table = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                          clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                          clBlue,  clFuchsia, clAqua,   clWhite};
  return table;
}

TVelTerminalBuffer::TVelTerminalBuffer(IVelTerminalBufferOwner* owner)
    : owner_(owner), colorTable_(DefaultColorTable()) {
  UpdateDefaultColors();
}

// ---- Dimensions and clearing ------------------------------------------------------

size_t TVelTerminalBuffer::RowSize() const {
  return static_cast<size_t>(columns_) + attrBytes_ + userDataSize_;
}

void TVelTerminalBuffer::SetDimensions(int rows, uint8_t columns, int userDataSize,
                                       TVelTRMColorMode mode) {
  rows = std::max(rows, 1);
  userDataSize = std::max(userDataSize, 0);
  const int attrBytes = mode == cmLDefault ? 0 : mode == cmL16_16 ? 1 : columns;
  // Sizes in 64 bits: a large ring must fail, not wrap into a small block.
  const uint64_t rowSize = uint64_t{columns} + attrBytes + static_cast<uint64_t>(userDataSize);
  const uint64_t total = rowSize * static_cast<uint64_t>(rows);
  std::vector<uint8_t> storage;
  if (total > std::min<uint64_t>(storage.max_size(), std::numeric_limits<int32_t>::max()))
    throw std::bad_alloc();
  storage.resize(static_cast<size_t>(total));
  TVelTRMCharAttrs pairs(columns);
  // Nothing is stored before both blocks exist.
  storage_.swap(storage);
  pairs_.swap(pairs);
  rows_ = rows;
  columns_ = columns;
  userDataSize_ = userDataSize;
  colorMode_ = mode;
  attrBytes_ = attrBytes;
  ClearBuffer();
}

void TVelTerminalBuffer::ClearRow(uint8_t* row) {
  std::memset(row, ' ', columns_);
  std::memset(row + columns_, DefaultAttr(), attrBytes_);
  std::memset(row + columns_ + attrBytes_, 0, userDataSize_);
}

void TVelTerminalBuffer::ClearBuffer() {
  firstSlot_ = lastSlot_ = 0;
  writeRow_ = writeCol_ = 0;
  dirtyStartCol_ = dirtyStartRow_ = dirtyEndCol_ = 0;
  newLines_ = 0;
  for (int slot = 0; slot < rows_; ++slot)
    ClearRow(storage_.data() + slot * RowSize());
  firstAttrRow_ = -1;
  dirty_ = false;
  colorsPending_ = false;
}

void TVelTerminalBuffer::UpdateDefaultColors() {
  auto indexOf = [this](TColor color, uint8_t fallback) {
    const auto it = std::find(colorTable_.begin(), colorTable_.end(), color);
    return it == colorTable_.end() ? fallback : static_cast<uint8_t>(it - colorTable_.begin());
  };
  defaultBack_ = indexOf(owner_->OwnerColor(), 15);
  defaultFore_ = indexOf(owner_->OwnerFontColor(), 0);
}

// ---- Rows of the ring -------------------------------------------------------------

int TVelTerminalBuffer::SlotOf(int row) const {
  const int slot = row + firstSlot_;
  return slot >= rows_ ? slot - rows_ : slot;
}

const uint8_t* TVelTerminalBuffer::RowAt(int row) const {
  if (row < 0 || row > rows_ || storage_.empty())
    return nullptr;
  return storage_.data() + SlotOf(row) * RowSize();
}

uint8_t* TVelTerminalBuffer::WriteRowStart() {
  return storage_.data() + lastSlot_ * RowSize();
}

uint8_t TVelTerminalBuffer::CellAttr(int row, int col) const {
  const uint8_t* p = RowAt(row);
  if (!p || attrBytes_ == 0)
    return DefaultAttr();
  if (colorMode_ == cmL16_16)
    return p[columns_];
  return col >= 0 && col < columns_ ? p[columns_ + col] : DefaultAttr();
}

std::string TVelTerminalBuffer::RowText(int row) const {
  const uint8_t* p = RowAt(row);
  if (!p)
    return std::string();
  int length = columns_;
  while (length > 0 && p[length - 1] <= ' ')
    --length;
  return std::string(reinterpret_cast<const char*>(p), length);
}

void TVelTerminalBuffer::FillLineColors(int row, TVelCLVCharColors& colors) const {
  if (colorMode_ == cmLDefault || colors.empty())
    return;
  const TFontStyles style = owner_->OwnerFontStyle();
  const int count = static_cast<int>(colors.size());
  const int filled = colorMode_ == cmL16_16 ? 1 : count;
  for (int c = 0; c < filled; ++c) {
    const uint8_t attr = CellAttr(row, c);
    colors[c] = TVelCLVCharColor{ColorOf(attr >> 4), ColorOf(attr), style};
  }
}

// ---- Writing ------------------------------------------------------------------------

void TVelTerminalBuffer::MarkDirty() {
  if (dirty_)
    return;
  dirtyStartCol_ = dirtyEndCol_ = writeCol_;
  dirtyStartRow_ = writeRow_;
  newLines_ = 0;
  dirty_ = true;
}

void TVelTerminalBuffer::WriteChar(uint8_t ch) {
  MarkDirty();
  if (ch >= ' ') {
    WriteRowStart()[writeCol_] = ch;
    AdvanceColumn();
    colorsPending_ = true;
    return;
  }
  switch (ch) {
    case kBEL:
      owner_->BufferBeep();
      break;
    case kBS:
      BackSpace();
      break;
    case kLF:
      NewLine();
      colorsPending_ = true;
      break;
    case kCR:
      writeCol_ = 0;
      dirtyStartCol_ = 0;
      break;
    default:
      break;
  }
}

void TVelTerminalBuffer::BackSpace() {
  if (writeCol_ <= 0)
    return;
  --writeCol_;
  if (owner_->OwnerBkSpcMode() == bmBackDel)
    WriteRowStart()[writeCol_] = ' ';
  owner_->BufferInvalidateCells(TRect(writeCol_, writeRow_, writeCol_, writeRow_), false);
  colorsPending_ = true;
}

void TVelTerminalBuffer::AdvanceColumn() {
  ++writeCol_;
  dirtyEndCol_ = std::max(dirtyEndCol_, writeCol_);
  if (writeCol_ >= columns_) {
    writeCol_ = 0;
    dirtyEndCol_ = 0;
    NewLine();
  }
}

void TVelTerminalBuffer::NewLine() {
  if (colorsPending_) {
    QueryRowColors();
    colorsPending_ = false;
  }
  owner_->BufferNewLine(writeRow_);
  ++newLines_;
  if (writeRow_ < rows_ - 1)
    ++writeRow_;
  lastSlot_ = (lastSlot_ + 1) % rows_;
  if (lastSlot_ == firstSlot_)
    firstSlot_ = (firstSlot_ + 1) % rows_;
  ClearRow(WriteRowStart());
}

void TVelTerminalBuffer::LowerFirstAttrRow(int row) {
  if (firstAttrRow_ == -1 || row < firstAttrRow_)
    firstAttrRow_ = row;
}

void TVelTerminalBuffer::WriteCharAttr(uint8_t ch, uint16_t pair) {
  if (colorMode_ != cmC16_16)
    throw EVelCLVException("TermColorMode must be set to cmC16_16");
  if (ch == kBS || ch >= ' ') {
    uint8_t fore = static_cast<uint8_t>(pair & 0xFF);
    uint8_t back = static_cast<uint8_t>(pair >> 8);
    if (ch == kBS) {
      fore = defaultFore_;
      back = defaultBack_;
    }
    WriteRowStart()[columns_ + writeCol_] = static_cast<uint8_t>(back * 16 + fore);
    LowerFirstAttrRow(writeRow_);
  }
  WriteChar(ch);
  colorsPending_ = false;
}

void TVelTerminalBuffer::QueryRowColors() {
  if (!owner_->BufferWantsColors() || colorMode_ == cmLDefault)
    return;
  uint8_t* attrs = WriteRowStart() + columns_;
  const int count = colorMode_ == cmL16_16 ? 1 : columns_;
  pairs_.assign(columns_, TVelTRMCharAttr{});
  for (int c = 0; c < count; ++c)
    pairs_[c] =
        TVelTRMCharAttr{static_cast<uint8_t>(attrs[c] & 0x0F), static_cast<uint8_t>(attrs[c] >> 4)};
  owner_->BufferGetColors(writeRow_, pairs_);
  // A handler may have resized the array: only what is there is taken back.
  const int back = std::min(count, static_cast<int>(pairs_.size()));
  bool changed = false;
  for (int c = 0; c < back; ++c) {
    const uint8_t attr = static_cast<uint8_t>(pairs_[c].Back * 16 + pairs_[c].Fore);
    changed = changed || attr != attrs[c];
    attrs[c] = attr;
  }
  if (changed)
    LowerFirstAttrRow(writeRow_);
}

// ---- Flushing -----------------------------------------------------------------------

void TVelTerminalBuffer::FlushChanges() {
  if (dirty_) {
    if (colorsPending_) {
      QueryRowColors();
      colorsPending_ = false;
    }
    owner_->BufferSetCursorRow(dirtyStartRow_);
    const int needed = dirtyStartRow_ + newLines_ + 1;
    owner_->BufferSetLineCount(std::min(needed, rows_));
    const int dropped = std::max(needed - rows_, 0);
    if (dropped > 0) {
      owner_->BufferScrollContent(-dropped);
      // A row whose colours changed and then moved above the ring still
      // leaves every later row to repaint.
      if (firstAttrRow_ != -1)
        firstAttrRow_ = std::max(firstAttrRow_ - dropped, 0);
    }
    TRect cells(dirtyStartCol_, writeRow_, dirtyEndCol_, writeRow_);
    if (newLines_ > 0)
      cells = TRect(0, writeRow_ - newLines_, columns_ - 1, writeRow_);
    owner_->BufferDrawn();
    owner_->BufferInvalidateCells(cells, false);
    if (firstAttrRow_ != -1)
      owner_->BufferInvalidateCells(TRect(0, firstAttrRow_, 0, cells.top), true);
    if (dropped > 0)
      owner_->BufferInvalidateLeftSpace(cells.top, cells.bottom);
    owner_->BufferCursorToWritePos();
  }
  firstAttrRow_ = -1;
  dirty_ = false;
}
