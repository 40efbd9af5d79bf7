// An owner-drawn, read-only window that shows a virtual list of fixed-pitch
// text lines. It stores no text: every line it paints or copies comes from
// the virtual GetLineText. Around that: a left margin drawn by an event, a
// cursor (a system caret of three shapes, or a highlighted line), a
// selection by mouse or keys with auto-scroll while dragging, keyboard
// navigation, scroll bars scaled for large line counts, and text extraction.
//
// Windows are lazy: without a window every invalidation, scroll, caret and
// timer operation does nothing, and none of them creates the window.
#pragma once

#include "Controls.h"
#include "VelTermBuffer.h"

#include <functional>
#include <string>
#include <vector>

enum TVelCLVOption {
  loCanSelect,
  loSelectByShift,
  loDrawFocusSelect,
  loThumbTracking,
  loScrollToRowCursor,
  loScrollToColCursor,
  loShowLineCursor,
  loShowCaretCursor,
  loTabs,
};
using TVelCLVOptions = TSet<TVelCLVOption>;
enum TVelCLVLineState { lsNormal, lsFocused, lsSelected };
enum TVelCLVCaretType { ctVertical, ctHorizontal, ctBlock };
VEL_ENUM_TYPE(TVelCLVOption);
VEL_ENUM_TYPE(TVelCLVCaretType);

// Where a user scroll or cursor move comes from (CanScroll).
enum TVelScrollOrigin {
  soKeyboard = 0,
  soMousePress = 1,
  soHorzScrollBar = 2,
  soVertScrollBar = 3,
};

using TVelCLVCursorEvent = TClosure<void(TObject* sender, const TPoint& cursorPos)>;
using TVelCLVDrawLeftSpEvent = TClosure<void(TObject* sender, int line, int leftCharPos,
                                             const TRect& rect, TVelCLVLineState state)>;

// The id of the auto-scroll timer on the viewer's window.
constexpr UINT_PTR kAutoScrollTimer = 1;
// The timer that draws scroll bars changed during a burst.
constexpr UINT_PTR kScrollBarTimer = 3;
// The timer that brings the window up to date after recorded changes.
constexpr UINT_PTR kViewUpdateTimer = 4;
// The window is brought up to date at most once per frame.
constexpr DWORD kFrameMs = 16;
// The vertical scroll bar always spans 0 .. kScrollRange.
constexpr int kScrollRange = 32767;

class TVelCustomLineViewer : public TCustomControl {
  VEL_CLASS(TVelCustomLineViewer, TCustomControl)
 public:
  explicit TVelCustomLineViewer(TComponent* owner);
  ~TVelCustomLineViewer() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  int CaretBlinkTime() const { return caretBlinkTime_; }
  void SetCaretBlinkTime(int ms);
  int LineCount() const { return lineCount_; }
  void SetLineCount(int count);
  int LeftSpace() const { return leftSpace_; }
  void SetLeftSpace(int pixels);
  int MaxLineLength() const { return maxLineLength_; }
  void SetMaxLineLength(int length);
  TVelCLVOptions Options() const { return options_; }
  void SetOptions(TVelCLVOptions options);
  TColor SelectedColor() const { return selectedColor_; }
  void SetSelectedColor(TColor color);
  TColor SelectedTextColor() const { return selectedTextColor_; }
  void SetSelectedTextColor(TColor color);
  TFontStyles SelectedStyle() const { return selectedStyle_; }
  void SetSelectedStyle(TFontStyles style);

  // Cell metrics and the view (read-only).
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  int VisibleCols() const { return visibleCols_; }
  int VisibleRows() const { return visibleRows_; }
  int LeftCol() const { return leftCol_; }
  int TopRow() const { return topRow_; }
  TPoint CursorPos() const { return cursor_; }
  TVelCLVCaretType CaretType() const { return caretType_; }
  bool CaretCreated() const { return caretCreated_; }
  bool CaretShown() const { return caretShown_; }
  bool HasSelection() const { return selStart_.y >= 0; }
  bool AutoScrolling() const { return autoScroll_; }

  std::string GetSelectedText();
  // from must not lie after to.
  std::string GetTextRange(const TPoint& from, const TPoint& to);
  void SetCursorRow(int row);
  void SetCursorCol(int col);
  void MoveCursorTo(const TPoint& cell);
  void ClearSelection();
  void SetTopRow(int row);
  void SetLeftCol(int col);
  void ScrollContentV(int lines);
  void InvalidateCells(const TRect& cells, bool wholeLines);
  void InvalidateLeftSpace(int firstRow, int lastRow);
  void Invalidate() override;
  TVelCLVCharColors& CharColors() { return charColors_; }

  TNotifyEvent OnBof;
  TNotifyEvent OnEof;
  TVelCLVCursorEvent OnCursorChange;
  TVelCLVDrawLeftSpEvent OnDrawLeftSpace;
  TNotifyEvent OnFontChanged;
  TMouseEvent OnLeftSpaceMouseDown;
  TNotifyEvent OnSelectionChange;

 protected:
  virtual bool CreateCaretOfType();
  virtual void DrawLeftSpace(int line, const TRect& rect, TVelCLVLineState state);
  virtual void DrawLine(int line, const TRect& rect, TVelCLVLineState state);
  // Asked before every user scroll or cursor move.
  virtual bool CanScroll(TVelScrollOrigin origin);
  virtual void GetLineText(int line, TVelTRMColorMode& mode, TVelCLVCharColors& colors,
                           std::string& text);
  virtual bool ScrollColIntoView();
  virtual bool ScrollRowIntoView();
  // Whether a change of the window's size scrolls the cursor row into view.
  virtual bool KeepsCursorRowInView() const { return options_.Contains(loScrollToRowCursor); }

  virtual void DoBof();
  virtual void DoEof();
  virtual void DoSelectionChange();
  virtual void DoUpdateWindow();
  virtual void UpdateScrollPos();
  virtual int GetScrollLineCount();
  virtual int ScrollPosToRow(int pos) { return pos; }

  // The caret shape in force; a new one replaces the caret.
  void SetCaretType(TVelCLVCaretType type);
  void FreeCaret();
  void PlaceCaret();
  void UpdateMetrics();
  void UpdateScrollBars();
  void MarkUpdatePending() { updatePending_ = true; }
  void MoveCursor(const TPoint& cell, bool extend);
  // Ends a drag of the mouse and its auto-scroll.
  void EndDrag();
  // Runs change with the window's work recorded instead of done: pixels
  // scrolled, cells invalidated, the caret placed. The window is then
  // brought up to date at once when its last update is a frame old, else
  // by a timer within the frame, so that a burst of changes costs one
  // scroll, one caret move and one paint per frame.
  void ChangeInFrame(const std::function<void()>& change);

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoEnter() override;
  void DoExit() override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void Dispatch(TMessage& m) override;

 public:
  void SetName(const std::string& name) override;

 private:
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool Loading() const { return ComponentState().Contains(csLoading); }
  // The extend flag of a user move: Shift with loSelectByShift, else always.
  bool ExtendFlag(TShiftState shift) const;
  TPoint PointToCell(int x, int y) const;
  TRect TextArea() const;
  void InvalidateCursorLine();
  void InvalidateClientRect(TRect r);
  void InvalidateBetween(const TPoint& a, const TPoint& b);
  void NotifyCursorChange();
  void ScrollContentH(int cols);
  void ExtendSelection(const TPoint& to);
  void SetSelStart(TPoint p);
  void SetSelEnd(TPoint p);
  void SetAutoScroll(bool on);
  void AutoScrollTick();
  void ClampView();
  void TakeFocus();
  void CreateCaretIfFocused();
  void KeyNavigate(WORD key, TShiftState shift);
  int LineLength(int line);

  struct TBarValues {
    int Max = -1;
    int Page = -1;
    int Pos = -1;
    bool operator==(const TBarValues& o) const {
      return Max == o.Max && Page == o.Page && Pos == o.Pos;
    }
  };
  struct TBar {
    TBarValues Values;
    bool DrawPending = false;
    SCROLLINFO Info() const;
  };
  void SyncScrollBars();
  void SetBar(int bar, const TBarValues& values);
  void DrawBars();

  // Window work recorded by ChangeInFrame and not yet done. Rows are rows of
  // the client; a row's span is the pixel columns to repaint (none when
  // Left >= Right).
  struct TSpan {
    LONG Left = 0;
    LONG Right = 0;
  };
  struct TPendingView {
    int Shift = 0;  // lines the drawn content moved (negative: up)
    bool Whole = false;
    bool Caret = false;
    bool Dirty = false;
    std::vector<TSpan> Rows;
    bool Any() const { return Shift != 0 || Whole || Caret || Dirty; }
  };
  void PendRect(const TRect& r);
  void PendShift(int lines);
  bool PrepareRows();
  void ApplyPendingView();
  void UpdateViewNow();
  void ScheduleViewUpdate();
  void ScrollPixelsV(int lines);
  void PlaceCaretNow();
  bool HasCaret() const;

  void WMScroll(TMessage& m, bool vertical);
  void WMWindowPosChanged(TMessage& m);
  void CMFontChanged(TMessage& m);

  void UseStyle(HDC& dc, TFontStyles style, TFontStyles& current);
  void DrawRun(HDC& dc, const TRect& rect, TFontStyles& current, const char* text, int count,
               const TVelCLVCharColor& colors);
  // One opaque fill per run of one background, then one transparent call
  // per text colour (textLayers_).
  void DrawLayers(HDC& dc, const TRect& textRect, const std::string& text, TFontStyles& current);
  // The pixels of the visible cells first .. end - 1 inside textRect.
  TRect CellsRect(const TRect& textRect, size_t first, size_t end) const;
  void DrawCharRuns(HDC& dc, int line, const TRect& textRect, const std::string& visible,
                    TVelTRMColorMode mode, TVelCLVLineState state, TFontStyles& current);
  TVelCLVCharColor ColumnColors(int col, int from, int to, TVelTRMColorMode mode) const;

  TBorderStyle borderStyle_ = bsSingle;
  int caretBlinkTime_;
  int lineCount_ = 1;
  int leftSpace_ = 0;
  int maxLineLength_ = 80;
  TVelCLVOptions options_{loSelectByShift,     loDrawFocusSelect,   loThumbTracking,
                          loScrollToRowCursor, loScrollToColCursor, loShowLineCursor};
  TColor selectedColor_ = clHighlight;
  TColor selectedTextColor_ = clHighlightText;
  TFontStyles selectedStyle_;
  TVelCLVCharColors charColors_;

  bool caretCreated_ = false;
  bool caretShown_ = false;
  bool blinkSaved_ = false;
  UINT savedBlinkTime_ = 0;
  TVelCLVCaretType caretType_ = ctVertical;
  TPoint caretOffset_;
  int charWidth_ = 8;
  int lineHeight_ = 16;
  TPoint cursor_;
  bool updatePending_ = false;
  bool focused_ = false;
  bool moving_ = false;
  bool cursorChangeDeferred_ = false;
  TPoint selStart_{-1, -1};
  TPoint selEnd_{-1, -1};
  TPoint selAnchor_{-1, -1};
  bool autoScroll_ = false;
  int leftCol_ = 0;
  int topRow_ = 0;
  int visibleCols_ = 0;
  int visibleRows_ = 0;
  int visibleColsPartial_ = 0;
  int visibleRowsPartial_ = 0;
  bool dragging_ = false;
  TEXTMETRICA metrics_{};
  std::vector<uint32_t> advances_;
  // Per visible cell of the line being drawn, its colours; the distinct text
  // colours of its characters; the characters of one of them and their
  // advances.
  TVelCLVCharColors cellColors_;
  TVelCLVCharColors textLayers_;
  std::string layerText_;
  std::vector<INT> layerAdvances_;
  TBar vertBar_;
  TBar horzBar_;
  bool barTimer_ = false;
  DWORD lastBarsDraw_ = 0;
  bool recording_ = false;
  TPendingView pending_;
  bool frameTimer_ = false;
  DWORD lastViewUpdate_ = 0;
  HFONT measuredFont_ = nullptr;
};
