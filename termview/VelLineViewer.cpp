#include "VelLineViewer.h"

#include "VelUtils.h"

#include <algorithm>
#include <climits>

VEL_ENUM_TYPE_IMPL(TVelCLVOption, "loCanSelect", "loSelectByShift", "loDrawFocusSelect",
                   "loThumbTracking", "loScrollToRowCursor", "loScrollToColCursor",
                   "loShowLineCursor", "loShowCaretCursor", "loTabs")
VEL_ENUM_TYPE_IMPL(TVelCLVCaretType, "ctVertical", "ctHorizontal", "ctBlock")

VEL_CLASS_IMPL(TVelCustomLineViewer, TCustomControl)

namespace {

constexpr int kMaxLineLengthLimit = 1024;
constexpr int kWheelLines = 3;
constexpr DWORD kBarsDrawInterval = 200;

// SaveDC on construction, RestoreDC on every way out.
class TDCState {
 public:
  explicit TDCState(HDC dc) : dc_(dc), state_(SaveDC(dc)) {}
  ~TDCState() { RestoreDC(dc_, state_); }
  TDCState(const TDCState&) = delete;
  TDCState& operator=(const TDCState&) = delete;

 private:
  HDC dc_;
  int state_;
};

// A window DC with a font selected, for measuring outside painting.
class TMeasureDC {
 public:
  TMeasureDC(HWND window, HFONT font) : window_(window), dc_(GetDC(window)) {
    old_ = SelectObject(dc_, font);
  }
  ~TMeasureDC() {
    SelectObject(dc_, old_);
    ReleaseDC(window_, dc_);
  }
  TMeasureDC(const TMeasureDC&) = delete;
  TMeasureDC& operator=(const TMeasureDC&) = delete;
  HDC DC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_;
};

bool Before(const TPoint& a, const TPoint& b) {
  return a.y < b.y || (a.y == b.y && a.x < b.x);
}

bool ShiftHeld() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

}  // namespace

TVelCustomLineViewer::TVelCustomLineViewer(TComponent* owner)
    : TCustomControl(owner),
      caretBlinkTime_(static_cast<int>(GetCaretBlinkTime())),
      charColors_(maxLineLength_) {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  SetBounds(Left(), Top(), 300, 200);
  SetParentColor(false);
  SetColor(clWindow);
  SetParentFont(false);
  Font()->SetName("Courier");
  Font()->SetSize(10);
  Font()->SetPitch(fpFixed);
  SetTabStop(true);
}

TVelCustomLineViewer::~TVelCustomLineViewer() = default;

// ---- Properties -------------------------------------------------------------------

void TVelCustomLineViewer::SetBorderStyle(TBorderStyle style) {
  if (style == borderStyle_)
    return;
  borderStyle_ = style;
  RecreateWnd();
}

void TVelCustomLineViewer::SetCaretBlinkTime(int ms) {
  ms = std::max(ms, 1);
  if (ms == caretBlinkTime_)
    return;
  caretBlinkTime_ = ms;
  if (caretCreated_)
    ::SetCaretBlinkTime(static_cast<UINT>(ms));
}

void TVelCustomLineViewer::SetLineCount(int count) {
  // Zero lines would divide the scroll arithmetic by zero.
  count = std::max(count, 1);
  if (count == lineCount_)
    return;
  const int old = lineCount_;
  lineCount_ = count;
  UpdateMetrics();
  UpdateScrollBars();
  ClampView();
  UpdateScrollPos();
  const int first = std::min(old, count);
  const int last = std::max(old, count);
  InvalidateCells(TRect(0, first, 0, last), true);
  InvalidateLeftSpace(first, last);
}

void TVelCustomLineViewer::ClampView() {
  if (cursor_.y > lineCount_ - 1)
    SetCursorRow(lineCount_ - 1);
  const int maxTop = std::max(0, lineCount_ - visibleRows_);
  if (topRow_ > maxTop)
    SetTopRow(maxTop);
}

void TVelCustomLineViewer::SetLeftSpace(int pixels) {
  pixels = std::max(pixels, 0);
  if (pixels == leftSpace_)
    return;
  leftSpace_ = pixels;
  if (caretShown_ && HandleAllocated()) {
    HideCaret(WindowHandle());
    caretShown_ = false;
  }
  UpdateMetrics();
  UpdateScrollBars();
  Invalidate();
  PlaceCaret();
}

void TVelCustomLineViewer::SetMaxLineLength(int length) {
  length = std::max(1, std::min(length, kMaxLineLengthLimit));
  if (length == maxLineLength_)
    return;
  maxLineLength_ = length;
  TVelCLVCharColors(length).swap(charColors_);
  UpdateScrollBars();
  UpdateMetrics();
  Invalidate();
}

void TVelCustomLineViewer::SetOptions(TVelCLVOptions options) {
  if (options == options_)
    return;
  options_ = options;
  Invalidate();
}

void TVelCustomLineViewer::SetSelectedColor(TColor color) {
  if (color == selectedColor_)
    return;
  selectedColor_ = color;
  Invalidate();
}

void TVelCustomLineViewer::SetSelectedTextColor(TColor color) {
  if (color == selectedTextColor_)
    return;
  selectedTextColor_ = color;
  Invalidate();
}

void TVelCustomLineViewer::SetSelectedStyle(TFontStyles style) {
  if (style == selectedStyle_)
    return;
  selectedStyle_ = style;
  Invalidate();
}

void TVelCustomLineViewer::SetName(const std::string& name) {
  TCustomControl::SetName(name);
  if (Designing())
    Invalidate();
}

// ---- Metrics and scroll bars --------------------------------------------------------

void TVelCustomLineViewer::UpdateMetrics() {
  if (!HandleAllocated() || Loading())
    return;
  // Measuring costs a device context: only another font is measured again.
  const HFONT font = Font()->Handle();
  if (font != measuredFont_) {
    const TMeasureDC measure(WindowHandle(), font);
    GetTextMetricsA(measure.DC(), &metrics_);
    measuredFont_ = font;
  }
  const int oldCells[] = {lineHeight_, charWidth_, visibleColsPartial_, visibleRowsPartial_};
  lineHeight_ = std::max(1, static_cast<int>(metrics_.tmHeight + metrics_.tmExternalLeading));
  charWidth_ = std::max(1, static_cast<int>(metrics_.tmAveCharWidth));
  const TRect client = ClientRect();
  const int width = std::max(0, static_cast<int>(client.Width()) - leftSpace_);
  const int height = std::max(0, static_cast<int>(client.Height()));
  visibleCols_ = width / charWidth_;
  visibleColsPartial_ = visibleCols_ + (width % charWidth_ ? 1 : 0);
  visibleRows_ = height / lineHeight_;
  visibleRowsPartial_ = visibleRows_ + (height % lineHeight_ ? 1 : 0);
  const int newCells[] = {lineHeight_, charWidth_, visibleColsPartial_, visibleRowsPartial_};
  // Recorded rows no longer match the window's.
  if (!std::equal(std::begin(oldCells), std::end(oldCells), std::begin(newCells)))
    pending_.Whole = pending_.Whole || pending_.Any();
}

int TVelCustomLineViewer::GetScrollLineCount() {
  return lineCount_;
}

void TVelCustomLineViewer::UpdateScrollBars() {
  SyncScrollBars();
}

void TVelCustomLineViewer::UpdateScrollPos() {
  SyncScrollBars();
}

void TVelCustomLineViewer::SyncScrollBars() {
  if (!HandleAllocated())
    return;
  const int lines = std::max(1, GetScrollLineCount());
  SetBar(SB_VERT, TBarValues{kScrollRange, std::max(0, MulDiv(visibleRows_, kScrollRange, lines)),
                             MulDiv(topRow_, kScrollRange, lines)});
  SetBar(SB_HORZ, TBarValues{maxLineLength_ - 1, visibleCols_, leftCol_});
}

// The values go to the system at once; drawing a bar is what costs (several
// milliseconds under Wine), so a burst of flushes draws the bars at most
// once per interval.
void TVelCustomLineViewer::SetBar(int bar, const TBarValues& values) {
  TBar& state = bar == SB_VERT ? vertBar_ : horzBar_;
  if (state.Values == values)
    return;
  state.Values = values;
  SCROLLINFO info = state.Info();
  SetScrollInfo(WindowHandle(), bar, &info, FALSE);
  state.DrawPending = true;
  if (barTimer_)
    return;
  if (GetTickCount() - lastBarsDraw_ >= kBarsDrawInterval) {
    DrawBars();
  } else {
    SetTimer(WindowHandle(), kScrollBarTimer, kBarsDrawInterval, nullptr);
    barTimer_ = true;
  }
}

void TVelCustomLineViewer::DrawBars() {
  for (int bar : {SB_VERT, SB_HORZ}) {
    TBar& state = bar == SB_VERT ? vertBar_ : horzBar_;
    if (!state.DrawPending)
      continue;
    state.DrawPending = false;
    SCROLLINFO info = state.Info();
    SetScrollInfo(WindowHandle(), bar, &info, TRUE);
  }
  lastBarsDraw_ = GetTickCount();
}

SCROLLINFO TVelCustomLineViewer::TBar::Info() const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = Values.Max;
  info.nPage = static_cast<UINT>(Values.Page);
  info.nPos = Values.Pos;
  return info;
}

// ---- Window ---------------------------------------------------------------------------

void TVelCustomLineViewer::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
  params.Style |= WS_VSCROLL | WS_HSCROLL;
  if (borderStyle_ != bsNone) {
    if (NewStyleControls() && Ctl3D()) {
      params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

void TVelCustomLineViewer::CreateWnd() {
  pending_ = TPendingView();
  TCustomControl::CreateWnd();
  vertBar_ = horzBar_ = TBar();
  UpdateMetrics();
  UpdateScrollBars();
  UpdateScrollPos();
}

void TVelCustomLineViewer::Loaded() {
  TCustomControl::Loaded();
  UpdateMetrics();
}

// ---- Invalidation -------------------------------------------------------------------

void TVelCustomLineViewer::InvalidateClientRect(TRect r) {
  const TRect client = ClientRect();
  r.left = std::max(r.left, client.left);
  r.top = std::max(r.top, client.top);
  r.right = std::min(r.right, client.right);
  r.bottom = std::min(r.bottom, client.bottom);
  if (r.left >= r.right || r.top >= r.bottom)
    return;
  if (recording_) {
    PendRect(r);
    return;
  }
  ApplyPendingView();
  InvalidateRect(WindowHandle(), &r, FALSE);
}

void TVelCustomLineViewer::Invalidate() {
  if (recording_ && HandleAllocated()) {
    pending_.Whole = true;
    return;
  }
  ApplyPendingView();
  TCustomControl::Invalidate();
}

void TVelCustomLineViewer::InvalidateCells(const TRect& cells, bool wholeLines) {
  if (!HandleAllocated())
    return;
  TRect r = cells;
  if (wholeLines) {
    r.left = 0;
    r.right = maxLineLength_ - 1;
  }
  ++r.right;
  ++r.bottom;
  // The partly visible row and column count too: a flush must leave nothing
  // stale at the window's edges.
  r.left = std::max<LONG>(r.left, leftCol_);
  r.right = std::min<LONG>(r.right, leftCol_ + visibleColsPartial_);
  r.top = std::max<LONG>(r.top, topRow_);
  r.bottom = std::min<LONG>(r.bottom, topRow_ + visibleRowsPartial_);
  if (r.left >= r.right || r.top >= r.bottom)
    return;
  const LONG top = (r.top - topRow_) * lineHeight_;
  const LONG bottom = (r.bottom - topRow_) * lineHeight_;
  if (wholeLines) {
    InvalidateClientRect(TRect(leftSpace_, top, ClientWidth(), bottom));
    return;
  }
  InvalidateClientRect(TRect((r.left - leftCol_) * charWidth_ + leftSpace_, top,
                             (r.right - leftCol_) * charWidth_ + leftSpace_, bottom));
}

void TVelCustomLineViewer::InvalidateLeftSpace(int firstRow, int lastRow) {
  if (leftSpace_ <= 0 || !HandleAllocated())
    return;
  InvalidateClientRect(TRect(0, (firstRow - topRow_) * lineHeight_, leftSpace_,
                             (lastRow - topRow_ + 1) * lineHeight_));
}

void TVelCustomLineViewer::InvalidateCursorLine() {
  if (HandleAllocated() && options_.Contains(loShowLineCursor))
    InvalidateCells(TRect(0, cursor_.y, 0, cursor_.y), true);
}

void TVelCustomLineViewer::InvalidateBetween(const TPoint& a, const TPoint& b) {
  if (a == b)
    return;
  const TPoint& first = Before(a, b) ? a : b;
  const TPoint& last = Before(a, b) ? b : a;
  if (first.y == last.y) {
    InvalidateCells(TRect(first.x, first.y, last.x, last.y), false);
  } else {
    InvalidateCells(TRect(0, first.y, 0, last.y), true);
  }
}

void TVelCustomLineViewer::DoUpdateWindow() {
  if (recording_)
    return;
  ApplyPendingView();
  if (!updatePending_)
    return;
  updatePending_ = false;
  if (HandleAllocated())
    UpdateWindow(WindowHandle());
}

// ---- Changes recorded for the next frame -----------------------------------------------

void TVelCustomLineViewer::ChangeInFrame(const std::function<void()>& change) {
  if (recording_) {
    change();
    return;
  }
  recording_ = true;
  try {
    change();
  } catch (...) {
    recording_ = false;
    ScheduleViewUpdate();
    throw;
  }
  recording_ = false;
  ScheduleViewUpdate();
}

void TVelCustomLineViewer::ScheduleViewUpdate() {
  if (!pending_.Any())
    return;
  const DWORD since = GetTickCount() - lastViewUpdate_;
  if (since >= kFrameMs) {
    UpdateViewNow();
    return;
  }
  if (frameTimer_ || !HandleAllocated())
    return;
  SetTimer(WindowHandle(), kViewUpdateTimer, kFrameMs - since, nullptr);
  frameTimer_ = true;
}

void TVelCustomLineViewer::UpdateViewNow() {
  ApplyPendingView();
  updatePending_ = false;
  if (HandleAllocated())
    UpdateWindow(WindowHandle());
}

// The recorded rows, sized to the window's; false when the whole window
// repaints anyway.
bool TVelCustomLineViewer::PrepareRows() {
  if (pending_.Whole)
    return false;
  const size_t rows = static_cast<size_t>(std::max(0, visibleRowsPartial_));
  if (pending_.Rows.size() != rows) {
    if (pending_.Dirty) {
      pending_.Whole = true;
      return false;
    }
    pending_.Rows.assign(rows, TSpan());
  }
  return true;
}

void TVelCustomLineViewer::PendRect(const TRect& r) {
  if (!PrepareRows() || pending_.Rows.empty())
    return;
  const int last = std::min(static_cast<int>(pending_.Rows.size()) - 1,
                            static_cast<int>(r.bottom - 1) / lineHeight_);
  for (int k = static_cast<int>(r.top) / lineHeight_; k <= last; ++k) {
    TSpan& span = pending_.Rows[k];
    if (span.Left >= span.Right) {
      span = TSpan{r.left, r.right};
    } else {
      span.Left = std::min(span.Left, r.left);
      span.Right = std::max(span.Right, r.right);
    }
  }
  pending_.Dirty = true;
}

// What was recorded moves with the content; the strip that the move
// uncovers repaints, as ScrollWindowEx would have it.
void TVelCustomLineViewer::PendShift(int lines) {
  pending_.Shift += lines;
  if (!PrepareRows())
    return;
  std::vector<TSpan>& rows = pending_.Rows;
  const int count = static_cast<int>(rows.size());
  const int n = std::abs(lines);
  if (n >= count) {
    pending_.Whole = true;
    return;
  }
  const TSpan full{0, ClientWidth()};
  if (lines < 0) {
    std::move(rows.begin() + n, rows.end(), rows.begin());
    // A partial bottom row counts as uncovered too.
    const int first = std::max(0, (ClientHeight() - n * lineHeight_) / lineHeight_);
    std::fill(rows.begin() + std::min(first, count), rows.end(), full);
  } else {
    std::move_backward(rows.begin(), rows.end() - n, rows.end());
    std::fill(rows.begin(), rows.begin() + n, full);
  }
  pending_.Dirty = true;
}

// One scroll for the whole shift, one invalidation per run of rows with the
// same span, one caret move.
void TVelCustomLineViewer::ApplyPendingView() {
  if (!pending_.Any())
    return;
  const TPendingView done = std::move(pending_);
  pending_ = TPendingView();
  if (!HandleAllocated())
    return;
  if (done.Whole) {
    InvalidateRect(WindowHandle(), nullptr, FALSE);
  } else {
    ScrollPixelsV(done.Shift);
    const int count = static_cast<int>(done.Rows.size());
    const LONG height = ClientHeight();
    for (int k = 0; k < count;) {
      const TSpan span = done.Rows[k];
      int end = k + 1;
      while (end < count && done.Rows[end].Left == span.Left && done.Rows[end].Right == span.Right)
        ++end;
      if (span.Left < span.Right) {
        const RECT r{span.Left, k * lineHeight_, span.Right,
                     std::min<LONG>(end * lineHeight_, height)};
        InvalidateRect(WindowHandle(), &r, FALSE);
      }
      k = end;
    }
  }
  if (done.Caret || done.Shift != 0)
    PlaceCaretNow();
  lastViewUpdate_ = GetTickCount();
}

// ---- Scrolling ----------------------------------------------------------------------

void TVelCustomLineViewer::ScrollContentV(int lines) {
  if (!HandleAllocated() || lines == 0)
    return;
  if (recording_) {
    PendShift(lines);
    return;
  }
  ApplyPendingView();
  ScrollPixelsV(lines);
}

void TVelCustomLineViewer::ScrollPixelsV(int lines) {
  if (lines == 0)
    return;
  const TRect client = ClientRect();
  const int shift = std::abs(lines) * lineHeight_;
  if (std::abs(lines) < visibleRows_ / 2) {
    TRect area(0, 0, client.right, client.bottom - shift);
    if (lines <= 0)
      OffsetRect(&area, 0, shift);
    ScrollWindowEx(WindowHandle(), 0, lines * lineHeight_, &area, &client, nullptr, nullptr,
                   SW_INVALIDATE);
  } else {
    InvalidateRect(WindowHandle(), nullptr, FALSE);
  }
}

void TVelCustomLineViewer::ScrollContentH(int cols) {
  if (!HandleAllocated() || cols == 0)
    return;
  if (recording_) {
    pending_.Whole = true;
    return;
  }
  ApplyPendingView();
  const TRect client = ClientRect();
  const int shift = std::abs(cols) * charWidth_;
  if (std::abs(cols) < visibleCols_ / 2) {
    TRect area(leftSpace_, 0, client.right - shift, client.bottom);
    if (cols <= 0)
      OffsetRect(&area, shift, 0);
    const TRect clip(leftSpace_, 0, client.right, client.bottom);
    ScrollWindowEx(WindowHandle(), cols * charWidth_, 0, &area, &clip, nullptr, nullptr,
                   SW_INVALIDATE);
    InvalidateCursorLine();
  } else {
    InvalidateRect(WindowHandle(), nullptr, FALSE);
  }
}

void TVelCustomLineViewer::SetLeftCol(int col) {
  if (col == leftCol_)
    return;
  col = std::max(0, std::min(col, std::max(0, maxLineLength_ - visibleCols_)));
  if (col == leftCol_)
    return;
  const int old = leftCol_;
  leftCol_ = col;
  UpdateScrollPos();
  ScrollContentH(old - col);
  updatePending_ = true;
  PlaceCaret();
}

void TVelCustomLineViewer::SetTopRow(int row) {
  if (row == topRow_)
    return;
  row = std::max(0, std::min(row, std::max(0, lineCount_ - visibleRows_)));
  if (row == topRow_)
    return;
  const int old = topRow_;
  topRow_ = row;
  UpdateScrollPos();
  ScrollContentV(old - row);
  InvalidateCursorLine();
  updatePending_ = true;
  PlaceCaret();
}

bool TVelCustomLineViewer::ScrollColIntoView() {
  if (cursor_.x >= leftCol_ && cursor_.x <= leftCol_ + visibleCols_ - 1)
    return false;
  SetLeftCol(cursor_.x < leftCol_ ? cursor_.x : cursor_.x + 1 - visibleCols_);
  return true;
}

bool TVelCustomLineViewer::ScrollRowIntoView() {
  if (cursor_.y >= topRow_ && cursor_.y <= topRow_ + visibleRows_ - 1)
    return false;
  SetTopRow(cursor_.y < topRow_ ? cursor_.y : cursor_.y + 1 - visibleRows_);
  return true;
}

void TVelCustomLineViewer::TakeFocus() {
  if (Visible() && CanFocus() && TabStop() && !Designing() && HandleAllocated() &&
      GetFocus() != WindowHandle())
    SetFocus();
}

void TVelCustomLineViewer::WMScroll(TMessage& m, bool vertical) {
  DefaultHandler(m);
  TakeFocus();
  if (!CanScroll(vertical ? soVertScrollBar : soHorzScrollBar))
    return;
  const int code = LOWORD(m.WParam);
  const int pos = HIWORD(m.WParam);
  const bool thumb =
      code == SB_THUMBPOSITION || (code == SB_THUMBTRACK && options_.Contains(loThumbTracking));
  if (vertical) {
    int row = topRow_;
    if (code == SB_LINEUP)
      row = topRow_ - 1;
    else if (code == SB_LINEDOWN)
      row = topRow_ + 1;
    else if (code == SB_PAGEUP)
      row = topRow_ - visibleRows_;
    else if (code == SB_PAGEDOWN)
      row = topRow_ + visibleRows_;
    else if (thumb)
      row = ScrollPosToRow(MulDiv(pos, GetScrollLineCount(), kScrollRange));
    SetTopRow(row);
  } else {
    int col = leftCol_;
    if (code == SB_LINELEFT)
      col = leftCol_ - 1;
    else if (code == SB_LINERIGHT)
      col = leftCol_ + 1;
    else if (thumb)
      col = pos;
    SetLeftCol(col);
  }
  DoUpdateWindow();
}

bool TVelCustomLineViewer::DoMouseWheelDown(TShiftState, const TPoint&) {
  if (CanScroll(soVertScrollBar)) {
    SetTopRow(topRow_ + kWheelLines);
    DoUpdateWindow();
  }
  return true;
}

bool TVelCustomLineViewer::DoMouseWheelUp(TShiftState, const TPoint&) {
  if (CanScroll(soVertScrollBar)) {
    SetTopRow(topRow_ - kWheelLines);
    DoUpdateWindow();
  }
  return true;
}

// ---- Cursor -------------------------------------------------------------------------

void TVelCustomLineViewer::NotifyCursorChange() {
  if (moving_) {
    cursorChangeDeferred_ = true;
    return;
  }
  cursorChangeDeferred_ = false;
  if (OnCursorChange)
    OnCursorChange(this, cursor_);
}

void TVelCustomLineViewer::SetCursorCol(int col) {
  if (options_.Contains(loShowLineCursor))
    col = 0;
  if (col == cursor_.x)
    return;
  cursor_.x = std::max(0, std::min(col, maxLineLength_ - 1));
  if (!ScrollColIntoView()) {
    InvalidateCursorLine();
    updatePending_ = true;
  }
  PlaceCaret();
  NotifyCursorChange();
}

void TVelCustomLineViewer::SetCursorRow(int row) {
  if (row == cursor_.y)
    return;
  row = std::max(0, std::min(row, lineCount_ - 1));
  InvalidateCursorLine();
  cursor_.y = row;
  if (!ScrollRowIntoView()) {
    InvalidateCursorLine();
    updatePending_ = true;
  }
  PlaceCaret();
  NotifyCursorChange();
}

void TVelCustomLineViewer::MoveCursorTo(const TPoint& cell) {
  moving_ = true;
  try {
    SetCursorCol(cell.x);
    SetCursorRow(cell.y);
    DoUpdateWindow();
  } catch (...) {
    moving_ = false;
    throw;
  }
  moving_ = false;
  if (cursorChangeDeferred_)
    NotifyCursorChange();
}

void TVelCustomLineViewer::MoveCursor(const TPoint& cell, bool extend) {
  if (extend) {
    ExtendSelection(cell);
  } else {
    ClearSelection();
  }
  MoveCursorTo(cell);
}

bool TVelCustomLineViewer::ExtendFlag(TShiftState shift) const {
  return !options_.Contains(loSelectByShift) || shift.Contains(ssShift);
}

// ---- Caret --------------------------------------------------------------------------

bool TVelCustomLineViewer::CreateCaretOfType() {
  savedBlinkTime_ = GetCaretBlinkTime();
  blinkSaved_ = true;
  ::SetCaretBlinkTime(static_cast<UINT>(caretBlinkTime_));
  int width = charWidth_;
  int height = lineHeight_;
  caretOffset_ = TPoint(0, 0);
  if (caretType_ == ctVertical) {
    width = 2;
  } else if (caretType_ == ctHorizontal) {
    height = 2;
    caretOffset_ = TPoint(0, lineHeight_ - 2);
  }
  const bool created = CreateCaret(WindowHandle(), nullptr, width, height) != FALSE;
  if (!created) {
    // A failed caret must not leave the system-wide setting changed.
    ::SetCaretBlinkTime(savedBlinkTime_);
    blinkSaved_ = false;
  }
  return created;
}

void TVelCustomLineViewer::CreateCaretIfFocused() {
  if (!focused_ || caretCreated_ || Designing() || !HandleAllocated())
    return;
  caretCreated_ = CreateCaretOfType();
  PlaceCaret();
}

void TVelCustomLineViewer::FreeCaret() {
  if (!caretCreated_)
    return;
  if (caretShown_ && HandleAllocated())
    HideCaret(WindowHandle());
  caretShown_ = false;
  if (blinkSaved_)
    ::SetCaretBlinkTime(savedBlinkTime_);
  blinkSaved_ = false;
  DestroyCaret();
  caretCreated_ = false;
}

void TVelCustomLineViewer::SetCaretType(TVelCLVCaretType type) {
  if (type == caretType_)
    return;
  FreeCaret();
  caretType_ = type;
  CreateCaretIfFocused();
}

bool TVelCustomLineViewer::HasCaret() const {
  return caretCreated_ && options_.Contains(loShowCaretCursor) && HandleAllocated();
}

void TVelCustomLineViewer::PlaceCaret() {
  if (!HasCaret())
    return;
  if (recording_) {
    pending_.Caret = true;
    return;
  }
  ApplyPendingView();
  PlaceCaretNow();
}

void TVelCustomLineViewer::PlaceCaretNow() {
  if (!HasCaret())
    return;
  const TPoint p((cursor_.x - leftCol_) * charWidth_ + leftSpace_ + caretOffset_.x,
                 (cursor_.y - topRow_) * lineHeight_ + caretOffset_.y);
  const bool inside = p.x >= leftSpace_ && p.x < leftSpace_ + visibleCols_ * charWidth_ &&
                      p.y >= 0 && p.y < visibleRows_ * lineHeight_;
  if (inside) {
    SetCaretPos(p.x, p.y);
    if (!caretShown_)
      caretShown_ = ShowCaret(WindowHandle()) != FALSE;
  } else if (caretShown_) {
    HideCaret(WindowHandle());
    caretShown_ = false;
  }
}

void TVelCustomLineViewer::DoEnter() {
  focused_ = true;
  InvalidateCursorLine();
  TCustomControl::DoEnter();
}

void TVelCustomLineViewer::DoExit() {
  focused_ = false;
  InvalidateCursorLine();
  TCustomControl::DoExit();
}

// ---- Selection and text -------------------------------------------------------------

void TVelCustomLineViewer::SetSelStart(TPoint p) {
  if (options_.Contains(loShowLineCursor))
    p.x = 0;
  InvalidateBetween(p, selStart_);
  selStart_ = p;
}

void TVelCustomLineViewer::SetSelEnd(TPoint p) {
  const bool lineMode = options_.Contains(loShowLineCursor);
  if (lineMode)
    p.x = maxLineLength_ - 1;
  const bool veryLast = p.x == maxLineLength_ - 1 && p.y == lineCount_ - 1;
  if (!veryLast && !lineMode) {
    if (p.x > 0) {
      --p.x;
    } else if (p.y > 0) {
      p.x = maxLineLength_ - 1;
      --p.y;
    }
  }
  InvalidateBetween(p, selEnd_);
  selEnd_ = p;
}

void TVelCustomLineViewer::ExtendSelection(const TPoint& to) {
  if (!options_.Contains(loCanSelect) || to == cursor_)
    return;
  const TPoint p(std::max(0, std::min<int>(to.x, maxLineLength_ - 1)),
                 std::max(0, std::min<int>(to.y, lineCount_ - 1)));
  // A move that the clamp undoes selects nothing.
  if (p == cursor_)
    return;
  if (!HasSelection()) {
    selStart_ = cursor_;
    selEnd_ = p;
    selAnchor_ = cursor_;
    InvalidateBetween(selStart_, selEnd_);
  }
  if (Before(p, selAnchor_)) {
    SetSelStart(p);
    SetSelEnd(selAnchor_);
  } else if (p == selAnchor_) {
    InvalidateBetween(selStart_, selEnd_);
    selStart_ = selEnd_ = selAnchor_ = TPoint(-1, -1);
  } else {
    SetSelEnd(p);
    SetSelStart(selAnchor_);
  }
  DoSelectionChange();
}

void TVelCustomLineViewer::ClearSelection() {
  if (!HasSelection())
    return;
  const int first = selStart_.y;
  const int last = selEnd_.y;
  selStart_ = selEnd_ = selAnchor_ = TPoint(-1, -1);
  InvalidateCells(TRect(0, first, 0, last), true);
  Invalidate();
  DoSelectionChange();
}

std::string TVelCustomLineViewer::GetTextRange(const TPoint& from, const TPoint& to) {
  auto lineText = [this](int line) {
    TVelTRMColorMode mode = cmLDefault;
    std::string text;
    GetLineText(line, mode, charColors_, text);
    return text;
  };
  auto part = [](const std::string& text, int first, int last) {
    if (first < 0)
      first = 0;
    if (first >= static_cast<int>(text.size()) || last < first)
      return std::string();
    return text.substr(first, last - first + 1);
  };
  if (from.y == to.y)
    return part(lineText(from.y), from.x, to.x);
  std::string result;
  for (int line = from.y; line <= to.y; ++line) {
    std::string text = lineText(line);
    if (line == from.y) {
      text = part(text, from.x, INT_MAX - 1);
    } else if (line == to.y) {
      text = part(text, 0, to.x);
    } else {
      text.erase(text.find_last_not_of(' ') + 1);
    }
    result += text + "\r\n";
  }
  return result;
}

std::string TVelCustomLineViewer::GetSelectedText() {
  if (HasSelection())
    return GetTextRange(selStart_, selEnd_);
  if (options_.Contains(loShowLineCursor)) {
    TVelTRMColorMode mode = cmLDefault;
    std::string text;
    GetLineText(cursor_.y, mode, charColors_, text);
    return text;
  }
  return std::string();
}

int TVelCustomLineViewer::LineLength(int line) {
  TVelTRMColorMode mode = cmLDefault;
  std::string text;
  GetLineText(line, mode, charColors_, text);
  const size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? 0 : static_cast<int>(end + 1);
}

// ---- Virtual defaults ---------------------------------------------------------------

bool TVelCustomLineViewer::CanScroll(TVelScrollOrigin) {
  return true;
}

void TVelCustomLineViewer::GetLineText(int, TVelTRMColorMode& mode, TVelCLVCharColors&,
                                       std::string& text) {
  mode = cmLDefault;
  text.clear();
}

void TVelCustomLineViewer::DoBof() {
  if (OnBof)
    OnBof(this);
}

void TVelCustomLineViewer::DoEof() {
  if (OnEof)
    OnEof(this);
}

void TVelCustomLineViewer::DoSelectionChange() {
  if (OnSelectionChange)
    OnSelectionChange(this);
}

// ---- Keyboard -----------------------------------------------------------------------

void TVelCustomLineViewer::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key < VK_PRIOR || key > VK_DOWN || !CanScroll(soKeyboard))
    return;
  KeyNavigate(key, shift);
}

void TVelCustomLineViewer::KeyNavigate(WORD key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  const bool lineMode = options_.Contains(loShowLineCursor);
  TPoint p = cursor_;
  switch (key) {
    case VK_PRIOR:
      if (!ctrl)
        p.y -= visibleRows_;
      break;
    case VK_NEXT:
      if (!ctrl)
        p.y += visibleRows_;
      break;
    case VK_END:
      if (!ctrl)
        p.x = LineLength(cursor_.y);
      else if (lineMode)
        p.y = lineCount_ - 1;
      else
        p = TPoint(LineLength(lineCount_ - 1), lineCount_ - 1);
      break;
    case VK_HOME:
      if (!ctrl)
        p.x = 0;
      else if (lineMode)
        p.y = 0;
      else
        p = TPoint(0, 0);
      break;
    case VK_LEFT:
      if (ctrl)
        break;
      if (lineMode)
        SetLeftCol(leftCol_ - 1);
      else
        --p.x;
      break;
    case VK_RIGHT:
      if (ctrl)
        break;
      if (lineMode)
        SetLeftCol(leftCol_ + 1);
      else
        ++p.x;
      break;
    case VK_UP:
      if (ctrl)
        break;
      if (cursor_.y == 0 && !shift.Contains(ssShift)) {
        DoBof();
        return;
      }
      --p.y;
      break;
    case VK_DOWN:
      if (ctrl)
        break;
      if (cursor_.y == lineCount_ - 1 && !shift.Contains(ssShift)) {
        DoEof();
        return;
      }
      ++p.y;
      break;
    default:
      break;
  }
  MoveCursor(p, ExtendFlag(shift));
  DoUpdateWindow();
}

// ---- Mouse and auto-scroll ----------------------------------------------------------

TPoint TVelCustomLineViewer::PointToCell(int x, int y) const {
  const int col = x < leftSpace_ ? -1 : (x - leftSpace_) / charWidth_ + leftCol_;
  return TPoint(col, y / lineHeight_ + topRow_);
}

TRect TVelCustomLineViewer::TextArea() const {
  return TRect(leftSpace_, 0, leftSpace_ + visibleCols_ * charWidth_, visibleRows_ * lineHeight_);
}

void TVelCustomLineViewer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!Designing() && CanFocus()) {
    if (HandleAllocated() && GetFocus() != WindowHandle())
      SetFocus();
    if (button == mbLeft && x >= leftSpace_ && CanScroll(soMousePress)) {
      dragging_ = true;
      if (!options_.Contains(loSelectByShift))
        MoveCursor(PointToCell(x, y), false);
      MoveCursor(PointToCell(x, y), ExtendFlag(shift));
    }
    if (OnLeftSpaceMouseDown && x >= 0 && x < leftSpace_)
      OnLeftSpaceMouseDown(this, button, shift, x, y);
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TVelCustomLineViewer::MouseMove(TShiftState shift, int x, int y) {
  if (dragging_) {
    const TRect area = TextArea();
    const POINT p{x, y};
    if (PtInRect(&area, p)) {
      SetAutoScroll(false);
      MoveCursor(PointToCell(x, y), ExtendFlag(shift));
    } else {
      SetAutoScroll(true);
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TVelCustomLineViewer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  EndDrag();
  TCustomControl::MouseUp(button, shift, x, y);
}

void TVelCustomLineViewer::EndDrag() {
  dragging_ = false;
  SetAutoScroll(false);
}

void TVelCustomLineViewer::SetAutoScroll(bool on) {
  if (on == autoScroll_)
    return;
  autoScroll_ = on;
  if (!HandleAllocated())
    return;
  if (on) {
    SetTimer(WindowHandle(), kAutoScrollTimer, 50, nullptr);
  } else {
    KillTimer(WindowHandle(), kAutoScrollTimer);
  }
}

void TVelCustomLineViewer::AutoScrollTick() {
  POINT screen;
  GetCursorPos(&screen);
  const TPoint p = ScreenToClient(TPoint(screen.x, screen.y));
  const TRect area = TextArea();
  TPoint target = PointToCell(p.x, p.y);
  if (p.y < area.top)
    target.y = cursor_.y - 1;
  else if (p.y >= area.bottom)
    target.y = cursor_.y + 1;
  if (p.x < area.left)
    target.x = cursor_.x - 1;
  else if (p.x >= area.right)
    target.x = cursor_.x + 1;
  MoveCursor(target, ExtendFlag(ShiftHeld() ? TShiftState{ssShift} : TShiftState{}));
}

// ---- Painting -----------------------------------------------------------------------

void TVelCustomLineViewer::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetColor(Color());
  canvas->SetFont(Font());
  const TRect clip = canvas->ClipRect();
  const int width = ClientWidth();
  for (int k = 0; k < visibleRowsPartial_; ++k) {
    const int line = topRow_ + k;
    const TRect text(leftSpace_, k * lineHeight_, width, (k + 1) * lineHeight_);
    const TRect margin(0, text.top, leftSpace_, text.bottom);
    TRect scratch;
    if (line >= lineCount_) {
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(text);
      if (leftSpace_ > 0 && IntersectRect(&scratch, &margin, &clip))
        DrawLeftSpace(-1, margin, lsNormal);
      continue;
    }
    TVelCLVLineState state = lsNormal;
    if (line == cursor_.y && options_.Contains(loShowLineCursor))
      state = lsFocused;
    else if (HasSelection() && line >= selStart_.y && line <= selEnd_.y)
      state = lsSelected;
    if (IntersectRect(&scratch, &text, &clip))
      DrawLine(line, text, state);
    if (leftSpace_ > 0 && IntersectRect(&scratch, &margin, &clip))
      DrawLeftSpace(line, margin, state);
  }
}

void TVelCustomLineViewer::DrawLeftSpace(int line, const TRect& rect, TVelCLVLineState state) {
  if (OnDrawLeftSpace) {
    OnDrawLeftSpace(this, line, cursor_.x, rect, state);
    return;
  }
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(rect);
}

void TVelCustomLineViewer::UseStyle(HDC& dc, TFontStyles style, TFontStyles& current) {
  if (style == current)
    return;
  Canvas()->Font()->SetStyle(style);
  current = style;
  dc = Canvas()->Handle();
}

void TVelCustomLineViewer::DrawRun(HDC& dc, const TRect& rect, TFontStyles& current,
                                   const char* text, int count, const TVelCLVCharColor& colors) {
  UseStyle(dc, colors.Style, current);
  SetBkColor(dc, ColorToRGB(colors.Back));
  SetTextColor(dc, ColorToRGB(colors.Text));
  ExtTextOutA(dc, rect.left, rect.bottom - metrics_.tmDescent, ETO_OPAQUE | ETO_CLIPPED, &rect,
              text, static_cast<UINT>(count), reinterpret_cast<const INT*>(advances_.data()));
}

TVelCLVCharColor TVelCustomLineViewer::ColumnColors(int col, int from, int to,
                                                    TVelTRMColorMode mode) const {
  if (col >= from && col <= to)
    return TVelCLVCharColor{selectedColor_, selectedTextColor_, selectedStyle_};
  switch (mode) {
    case cmL16_16:
      return charColors_[0];
    case cmC16_16:
      return charColors_[col];
    default:
      return TVelCLVCharColor{Color(), Font()->Color(), Font()->Style()};
  }
}

namespace {

bool SameBack(const TVelCLVCharColor& a, const TVelCLVCharColor& b) {
  return a.Back == b.Back;
}

bool SameText(const TVelCLVCharColor& a, const TVelCLVCharColor& b) {
  return a.Text == b.Text && a.Style == b.Style;
}

bool SameCell(const TVelCLVCharColor& a, const TVelCLVCharColor& b) {
  return SameBack(a, b) && SameText(a, b);
}

// The end of the run of cells that begins at start and share what same
// compares.
template <typename TSame>
size_t RunEnd(const std::vector<TVelCLVCharColor>& cells, size_t start, TSame same) {
  size_t end = start + 1;
  while (end < cells.size() && same(cells[start], cells[end]))
    ++end;
  return end;
}

template <typename TSame>
int CountRuns(const std::vector<TVelCLVCharColor>& cells, TSame same) {
  int runs = 0;
  for (size_t start = 0; start < cells.size(); start = RunEnd(cells, start, same))
    ++runs;
  return runs;
}

}  // namespace

TRect TVelCustomLineViewer::CellsRect(const TRect& textRect, size_t first, size_t end) const {
  const LONG left = textRect.left + static_cast<LONG>(first) * charWidth_;
  return TRect(left, textRect.top,
               std::min<LONG>(textRect.left + static_cast<LONG>(end) * charWidth_, textRect.right),
               textRect.bottom);
}

void TVelCustomLineViewer::DrawCharRuns(HDC& dc, int line, const TRect& textRect,
                                        const std::string& visible, TVelTRMColorMode mode,
                                        TVelCLVLineState state, TFontStyles& current) {
  int from = -1;
  int to = -1;
  if (state == lsSelected) {
    from = line == selStart_.y ? selStart_.x : 0;
    to = line == selEnd_.y ? selEnd_.x : maxLineLength_ - 1;
  }
  const int last = std::min(leftCol_ + visibleCols_, maxLineLength_ - 1);
  const size_t count = static_cast<size_t>(std::max(0, last - leftCol_ + 1));
  std::string padded = visible;
  padded.resize(count, ' ');
  cellColors_.resize(count);
  for (size_t i = 0; i < count; ++i)
    cellColors_[i] = ColumnColors(leftCol_ + static_cast<int>(i), from, to, mode);
  textLayers_.clear();
  for (size_t i = 0; i < count; ++i) {
    const auto same = [&](const TVelCLVCharColor& c) { return SameText(c, cellColors_[i]); };
    if (padded[i] != ' ' && std::none_of(textLayers_.begin(), textLayers_.end(), same))
      textLayers_.push_back(cellColors_[i]);
  }
  // Either way each glyph is drawn once, and calls cost alike: where
  // colours change often, a fill per background and one transparent call
  // per text colour take fewer than a call per run.
  const int layerCalls = CountRuns(cellColors_, SameBack) + static_cast<int>(textLayers_.size());
  if (CountRuns(cellColors_, SameCell) <= layerCalls) {
    for (size_t start = 0; start < count;) {
      const size_t end = RunEnd(cellColors_, start, SameCell);
      DrawRun(dc, CellsRect(textRect, start, end), current, padded.data() + start,
              static_cast<int>(end - start), cellColors_[start]);
      start = end;
    }
  } else {
    DrawLayers(dc, textRect, padded, current);
  }
}

void TVelCustomLineViewer::DrawLayers(HDC& dc, const TRect& textRect, const std::string& text,
                                      TFontStyles& current) {
  const size_t count = text.size();
  for (size_t start = 0; start < count;) {
    const size_t end = RunEnd(cellColors_, start, SameBack);
    const TRect fill = CellsRect(textRect, start, end);
    SetBkColor(dc, ColorToRGB(cellColors_[start].Back));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &fill, nullptr, 0, nullptr);
    start = end;
  }
  SetBkMode(dc, TRANSPARENT);
  for (const TVelCLVCharColor& layer : textLayers_) {
    if (layer.Style != current) {
      UseStyle(dc, layer.Style, current);
      SetBkMode(dc, TRANSPARENT);
    }
    // Only this colour's characters, each advancing to the next of them.
    layerText_.clear();
    layerAdvances_.clear();
    size_t first = count;
    size_t end = 0;
    for (size_t i = 0; i < count; ++i) {
      if (text[i] == ' ' || !SameText(cellColors_[i], layer))
        continue;
      if (first == count)
        first = i;
      else
        layerAdvances_.push_back(static_cast<INT>(i + 1 - end) * charWidth_);
      layerText_ += text[i];
      end = i + 1;
    }
    layerAdvances_.push_back(charWidth_);
    const TRect r = CellsRect(textRect, first, end);
    SetTextColor(dc, ColorToRGB(layer.Text));
    ExtTextOutA(dc, r.left, r.bottom - metrics_.tmDescent, ETO_CLIPPED, &r, layerText_.data(),
                static_cast<UINT>(layerText_.size()), layerAdvances_.data());
  }
}

void TVelCustomLineViewer::DrawLine(int line, const TRect& rect, TVelCLVLineState state) {
  // One fixed advance per cell keeps proportional glyphs in their columns.
  advances_.resize(visibleCols_ + 1);
  FillCardinals(advances_.data(), visibleCols_ + 1, static_cast<uint32_t>(charWidth_));
  TVelTRMColorMode mode = cmLDefault;
  std::string text;
  GetLineText(line, mode, charColors_, text);
  const std::string visible = leftCol_ < static_cast<int>(text.size())
                                  ? text.substr(leftCol_, visibleColsPartial_)
                                  : std::string();
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  TFontStyles current = Font()->Style();
  HDC dc = canvas->Handle();
  const TDCState saved(dc);
  SetTextAlign(dc, TA_BASELINE);
  TRect textRect = rect;
  TRect fillRect = rect;
  const int x = rect.left + (maxLineLength_ - leftCol_) * charWidth_;
  if (x < ClientWidth()) {
    textRect.right = x;
    fillRect.left = x;
  } else {
    fillRect.right = fillRect.left;
  }
  const int length = static_cast<int>(visible.size());
  TColor fill = Color();
  const bool focusSelect = options_.Contains(loDrawFocusSelect);
  if (state == lsFocused || (state == lsSelected && focusSelect)) {
    const TFontStyles style = state == lsFocused ? current : selectedStyle_;
    DrawRun(dc, textRect, current, visible.data(), length,
            TVelCLVCharColor{selectedColor_, selectedTextColor_, style});
    fill = selectedColor_;
  } else if (state == lsNormal && mode == cmLDefault) {
    DrawRun(dc, textRect, current, visible.data(), length,
            TVelCLVCharColor{Color(), Font()->Color(), Font()->Style()});
  } else if (state == lsNormal && mode == cmL16_16) {
    DrawRun(dc, textRect, current, visible.data(), length, charColors_[0]);
  } else {
    DrawCharRuns(dc, line, textRect, visible, mode, state, current);
  }
  if (fillRect.left < fillRect.right) {
    canvas->Brush()->SetColor(fill);
    canvas->FillRect(fillRect);
  }
  if (state == lsFocused && focused_ && focusSelect)
    canvas->DrawFocusRect(rect);
}

// ---- Messages -----------------------------------------------------------------------

void TVelCustomLineViewer::WMWindowPosChanged(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (Loading() || ComponentState().Contains(csDestroying))
    return;
  UpdateMetrics();
  UpdateScrollBars();
  SetTopRow(std::min(topRow_, std::max(0, lineCount_ - visibleRows_)));
  SetLeftCol(std::min(leftCol_, std::max(0, maxLineLength_ - visibleCols_)));
  if (KeepsCursorRowInView())
    ScrollRowIntoView();
  if (options_.Contains(loScrollToColCursor))
    ScrollColIntoView();
  if (!updatePending_)
    InvalidateCursorLine();
  DoUpdateWindow();
  PlaceCaret();
}

void TVelCustomLineViewer::CMFontChanged(TMessage& m) {
  TCustomControl::Dispatch(m);
  measuredFont_ = nullptr;
  UpdateMetrics();
  UpdateScrollBars();
  FreeCaret();
  CreateCaretIfFocused();
  if (OnFontChanged)
    OnFontChanged(this);
  Invalidate();
}

void TVelCustomLineViewer::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | (options_.Contains(loTabs) ? DLGC_WANTTAB : 0);
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      WMScroll(m, m.Msg == WM_VSCROLL);
      break;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(m);
      CreateCaretIfFocused();
      break;
    case WM_KILLFOCUS:
      EndDrag();
      FreeCaret();
      TCustomControl::Dispatch(m);
      break;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(m);
      break;
    case WM_PAINT:
      // Pixels still to be moved must move before anything is drawn.
      ApplyPendingView();
      TCustomControl::Dispatch(m);
      break;
    case WM_TIMER:
      if (m.WParam == kAutoScrollTimer) {
        // A tick may still be queued when the drag has ended.
        if (autoScroll_)
          AutoScrollTick();
        m.Result = 0;
      } else if (m.WParam == kViewUpdateTimer) {
        KillTimer(WindowHandle(), kViewUpdateTimer);
        frameTimer_ = false;
        UpdateViewNow();
        m.Result = 0;
      } else if (m.WParam == kScrollBarTimer) {
        KillTimer(WindowHandle(), kScrollBarTimer);
        barTimer_ = false;
        DrawBars();
        m.Result = 0;
      } else {
        TCustomControl::Dispatch(m);
      }
      break;
    case WM_DESTROY:
      FreeCaret();
      SetAutoScroll(false);
      KillTimer(WindowHandle(), kScrollBarTimer);
      barTimer_ = false;
      KillTimer(WindowHandle(), kViewUpdateTimer);
      frameTimer_ = false;
      pending_ = TPendingView();
      TCustomControl::Dispatch(m);
      break;
    case CM_FONTCHANGED:
      CMFontChanged(m);
      break;
    default:
      TCustomControl::Dispatch(m);
  }
}
