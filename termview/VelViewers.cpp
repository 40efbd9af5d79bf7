#include "VelViewers.h"

#include "FileUtils.h"
#include "Forms.h"
#include "Startup.h"

#include <algorithm>

VEL_ENUM_TYPE_IMPL(TVelTRMLogging, "lgOff", "lgCreate", "lgAppend")

namespace {

// Runs step and keeps the first exception it raises, so that the caller can
// finish its work before the failure goes on.
template <typename TStep>
void KeepFailure(std::exception_ptr& failure, TStep step) {
  try {
    step();
  } catch (...) {
    if (!failure)
      failure = std::current_exception();
  }
}

void RaiseKept(const std::exception_ptr& failure) {
  if (failure)
    std::rethrow_exception(failure);
}

}  // namespace

// ---- TVelFileStream -----------------------------------------------------------------

VEL_CLASS_IMPL(TVelFileStream, THandleStream)

HANDLE TVelFileStream::FileOpenHandle(const std::string& fileName, uint16_t mode) {
  if (mode == 0xFFFF)
    return INVALID_HANDLE_VALUE;
  static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
  static const DWORD sharing[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned share = (mode & 0xF0) >> 4;
  const DWORD disposition = (mode & 0x1002) != 0 ? CREATE_ALWAYS : OPEN_EXISTING;
  return CreateFileA(fileName.c_str(), access[mode & 3], share < 5 ? sharing[share] : 0, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TVelFileStream::TVelFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(FileOpenHandle(fileName, mode)) {
  if (handle_ == INVALID_HANDLE_VALUE)
    throw EFCreateError::CreateFmt("Can't create/open log file", fileName);
}

TVelFileStream::~TVelFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE)
    CloseHandle(handle_);
}

void TVelFileStream::FlushToDisk() {
  if (handle_ != INVALID_HANDLE_VALUE)
    FlushFileBuffers(handle_);
}

// ---- Construction -------------------------------------------------------------------

VEL_CLASS_IMPL(TVelCustomTerminal, TVelCustomLineViewer)

TVelCustomTerminal::TVelCustomTerminal(TComponent* owner) : TVelCustomLineViewer(owner) {
  SetOptions(TVelCLVOptions{loCanSelect, loSelectByShift, loThumbTracking, loScrollToRowCursor,
                            loShowCaretCursor});
}

void TVelCustomTerminal::AfterConstruction() {
  TVelCustomLineViewer::AfterConstruction();
  if (ComponentState().Contains(csDesigning))
    return;
  buffer_.reset(new TVelTerminalBuffer(this));
  buffer_->SetDimensions(scrollBackRows_, kTerminalColumns, userDataSize_, termColorMode_);
  SetCaretType(terminalCaret_);
}

TVelCustomTerminal::~TVelCustomTerminal() = default;

void TVelCustomTerminal::BeforeDestruction() {
  try {
    CloseLog();
  } catch (...) {
    HandleException(this);
  }
  OnDrawLeftSpace = nullptr;
  TVelCustomLineViewer::BeforeDestruction();
}

void TVelCustomTerminal::Loaded() {
  TVelCustomLineViewer::Loaded();
  ApplyCaretType();
  ApplyLogging();
}

void TVelCustomTerminal::CreateWnd() {
  TVelCustomLineViewer::CreateWnd();
  // A re-created window, or one made after the log was opened, needs the
  // flush timer as much as the first.
  if (LogOpen())
    StartLogTimer();
}

// ---- Properties -----------------------------------------------------------------------

void TVelCustomTerminal::ApplyCaretType() {
  SetCaretType(scrollBackMode_ ? scrollBackCaret_ : terminalCaret_);
}

void TVelCustomTerminal::SetScrollBackCaret(TVelCLVCaretType type) {
  if (type == scrollBackCaret_)
    return;
  scrollBackCaret_ = type;
  ApplyCaretType();
}

void TVelCustomTerminal::SetTerminalCaret(TVelCLVCaretType type) {
  if (type == terminalCaret_)
    return;
  terminalCaret_ = type;
  ApplyCaretType();
}

// Allocates before anything is stored, so that a failure leaves every value
// as it was; the old text is gone, so the whole window repaints and no
// selection is left pointing into it.
void TVelCustomTerminal::Redimension(int rows, int userDataSize, TVelTRMColorMode mode) {
  if (buffer_)
    buffer_->SetDimensions(rows, kTerminalColumns, userDataSize, mode);
  scrollBackRows_ = rows;
  userDataSize_ = userDataSize;
  termColorMode_ = mode;
  ClearSelection();
  Invalidate();
}

void TVelCustomTerminal::SetScrollBackRows(int rows) {
  if (rows == scrollBackRows_)
    return;
  rows = std::max({rows, 2 * VisibleRows(), 1});
  Redimension(rows, userDataSize_, termColorMode_);
  SetLineCount(1);
}

void TVelCustomTerminal::SetTermColorMode(TVelTRMColorMode mode) {
  if (mode == termColorMode_)
    return;
  Redimension(scrollBackRows_, userDataSize_, mode);
}

void TVelCustomTerminal::SetUserDataSize(int bytes) {
  bytes = std::max(bytes, 0);
  if (bytes == userDataSize_)
    return;
  Redimension(scrollBackRows_, bytes, termColorMode_);
}

// ---- Writing --------------------------------------------------------------------------

bool TVelCustomTerminal::ProcessChar(char& c) {
  if (!OnProcessChar)
    return true;
  const char original = c;
  OnProcessChar(this, c);
  // Only a character the handler turned into 0 is dropped; a written NUL
  // goes on (and is logged).
  return !(c == 0 && original != 0);
}

void TVelCustomTerminal::PutChar(char c, std::optional<uint16_t> pair,
                                 std::exception_ptr& logFailure) {
  if (!ProcessChar(c))
    return;
  if (scrollBackMode_) {
    heldText_ += c;
  } else if (pair) {
    buffer_->WriteCharAttr(static_cast<uint8_t>(c), *pair);
  } else {
    buffer_->WriteChar(static_cast<uint8_t>(c));
  }
  LogText(c, logFailure);
}

void TVelCustomTerminal::WriteChar(char c) {
  std::exception_ptr logFailure;
  PutChar(c, std::nullopt, logFailure);
  RaiseKept(logFailure);
}

void TVelCustomTerminal::WriteColorChar(char c, uint8_t background, uint8_t foreground) {
  SetScrollBackMode(false);
  std::exception_ptr logFailure;
  PutChar(c, MakeColorPair(foreground, background), logFailure);
  if (scrollBackMode_)
    ReportBufferSize();
  RaiseKept(logFailure);
}

// The log's failure waits until every character is on the screen.
void TVelCustomTerminal::WriteString(const std::string& s) {
  std::exception_ptr logFailure;
  for (char c : s)
    PutChar(c, std::nullopt, logFailure);
  if (scrollBackMode_) {
    ReportBufferSize();
  } else {
    FlushDisplay();
  }
  RaiseKept(logFailure);
}

void TVelCustomTerminal::ReportBufferSize() {
  if (OnScrBckBufChange)
    OnScrBckBufChange(this, static_cast<int>(heldText_.size()));
}

// What the flush changes reaches the window within a frame.
void TVelCustomTerminal::FlushDisplay() {
  if (!scrollBackMode_ && buffer_)
    ChangeInFrame([this] { buffer_->FlushChanges(); });
}

void TVelCustomTerminal::ClearTerminal() {
  if (!buffer_)
    return;
  buffer_->ClearBuffer();
  ClearSelection();
  SetLineCount(1);
  Invalidate();
  CursorToWritePos(true);
}

void TVelCustomTerminal::GetColorTable(TVelTRMColorTable& table) const {
  if (buffer_)
    table = buffer_->ColorTable();
}

void TVelCustomTerminal::SetColorTable(const TVelTRMColorTable& table) {
  if (!buffer_)
    return;
  buffer_->SetColorTable(table);
  Invalidate();
}

void TVelCustomTerminal::CursorToWritePos(bool columnScroll) {
  columnScroll_ = columnScroll;
  try {
    MoveCursorTo(TPoint(buffer_->WriteCol(), buffer_->WriteRow()));
    // The user may have scrolled the view away from a cursor that did not
    // move: the view comes back all the same.
    ScrollRowIntoView();
    ScrollColIntoView();
    DoUpdateWindow();
  } catch (...) {
    columnScroll_ = true;
    throw;
  }
  columnScroll_ = true;
}

// ---- Scroll-back mode -------------------------------------------------------------------

void TVelCustomTerminal::SetScrollBackMode(bool on) {
  if (on == scrollBackMode_)
    return;
  scrollBackMode_ = on;
  ApplyCaretType();
  if (on) {
    heldText_.clear();
    ScrollColIntoView();
  } else {
    // A drag begun in scroll-back mode would go on selecting live text.
    EndDrag();
    ClearSelection();
    if (heldText_.empty()) {
      CursorToWritePos(false);
    } else {
      // The held characters passed the filter and the log when written.
      const std::string held = std::move(heldText_);
      heldText_.clear();
      for (char c : held)
        buffer_->WriteChar(static_cast<uint8_t>(c));
      FlushDisplay();
    }
    heldText_.clear();
  }
  if (OnScrBckModeChange)
    OnScrBckModeChange(this);
  ReportBufferSize();
}

bool TVelCustomTerminal::CanScroll(TVelScrollOrigin origin) {
  if (origin == soHorzScrollBar)
    return true;
  if (autoScrollBack_)
    SetScrollBackMode(true);
  return scrollBackMode_;
}

bool TVelCustomTerminal::ScrollColIntoView() {
  return columnScroll_ && TVelCustomLineViewer::ScrollColIntoView();
}

void TVelCustomTerminal::DoEof() {
  TVelCustomLineViewer::DoEof();
  if (autoScrollBack_)
    SetScrollBackMode(false);
}

void TVelCustomTerminal::KeyDown(WORD& key, TShiftState shift) {
  if (scrollBackKey_ != 0 && ShortCut(key, shift) == scrollBackKey_) {
    SetScrollBackMode(!scrollBackMode_);
    swallowChar_ = true;
    key = 0;
    return;
  }
  TVelCustomLineViewer::KeyDown(key, shift);
}

void TVelCustomTerminal::KeyPress(char& key) {
  TVelCustomLineViewer::KeyPress(key);
  if (autoScrollBack_)
    SetScrollBackMode(false);
  // A key the OnKeyPress handler took (set to 0) is no character to send.
  if (!scrollBackMode_ && key != 0 && OnSendChar)
    OnSendChar(this, key);
}

void TVelCustomTerminal::GetLineText(int line, TVelTRMColorMode& mode, TVelCLVCharColors& colors,
                                     std::string& text) {
  if (!buffer_) {
    mode = cmLDefault;
    text = Name();
    return;
  }
  mode = termColorMode_;
  buffer_->FillLineColors(line, colors);
  text = buffer_->RowText(line);
}

// ---- Buffer owner -------------------------------------------------------------------------

void TVelCustomTerminal::BufferBeep() {
  if (OnBeepChar)
    OnBeepChar(this);
}

void TVelCustomTerminal::BufferNewLine(int line) {
  if (OnNewLine)
    OnNewLine(this, line);
}

void TVelCustomTerminal::BufferGetColors(int line, TVelTRMCharAttrs& colors) {
  if (OnGetColors)
    OnGetColors(this, line, colors);
}

void TVelCustomTerminal::BufferDrawn() {
  if (OnDrawBuffer)
    OnDrawBuffer(this);
}

void TVelCustomTerminal::BufferScrollContent(int lines) {
  ScrollContentV(lines);
  MarkUpdatePending();
}

// ---- Log ------------------------------------------------------------------------------------

void TVelCustomTerminal::SetLogging(TVelTRMLogging logging) {
  if (logging == logging_)
    return;
  logging_ = logging;
  std::exception_ptr failure;
  if (!ComponentState().Contains(csLoading))
    KeepFailure(failure, [this] { ApplyLogging(); });
  DoLoggingChange();
  RaiseKept(failure);
}

// The old log's last flush may fail: the new one opens all the same.
void TVelCustomTerminal::SetLogName(const std::string& name) {
  if (name == logName_)
    return;
  std::exception_ptr failure;
  KeepFailure(failure, [this] { CloseLog(); });
  logName_ = name;
  OpenLog();
  DoLoggingChange();
  RaiseKept(failure);
}

void TVelCustomTerminal::SetLogSize(int bytes) {
  logSize_ = std::max(bytes, 1);
}

void TVelCustomTerminal::SetLogFlushTime(int ms) {
  logFlushTime_ = std::max(ms, 1);
}

void TVelCustomTerminal::DoLoggingChange() {
  if (OnLoggingChange)
    OnLoggingChange(this);
}

void TVelCustomTerminal::ApplyLogging() {
  std::exception_ptr failure;
  KeepFailure(failure, [this] { CloseLog(); });
  if (logging_ != lgOff)
    OpenLog();
  RaiseKept(failure);
}

TVelFileStream* TVelCustomTerminal::CreateLogFile(const std::string& name, uint16_t mode) {
  return new TVelFileStream(name, mode);
}

void TVelCustomTerminal::OpenLog() {
  // While form data is read the name may still change: Loaded opens it once.
  const TComponentState state = ComponentState();
  if (state.Contains(csDesigning) || state.Contains(csLoading) || logging_ == lgOff)
    return;
  try {
    const bool append = logging_ == lgAppend && FileExists(logName_);
    logFile_.reset(CreateLogFile(logName_, append ? kLogAppendMode : kLogCreateMode));
    logFile_->Seek(0, soEnd);
    logBuffer_.reset(new TMemoryStream);
  } catch (...) {
    ReleaseLog();
    logging_ = lgOff;
    ShowMessageBox(nullptr, "Unable to open log file", ApplicationTitle(), MB_ICONERROR);
    return;
  }
  StartLogTimer();
}

void TVelCustomTerminal::StartLogTimer() {
  if (HandleAllocated())
    SetTimer(WindowHandle(), kLogFlushTimer, static_cast<UINT>(logFlushTime_), nullptr);
}

// The file, the collected text and the flush timer go together.
void TVelCustomTerminal::ReleaseLog() {
  logFile_.reset();
  logBuffer_.reset();
  if (HandleAllocated())
    KillTimer(WindowHandle(), kLogFlushTimer);
}

// A log that cannot be written is given up at its first failure: nothing is
// written twice, and no later write or tick reports the failure again.
void TVelCustomTerminal::GiveUpLog() {
  ReleaseLog();
  if (logging_ == lgOff)
    return;
  logging_ = lgOff;
  DoLoggingChange();
}

void TVelCustomTerminal::CloseLog() {
  WriteLog(&TVelCustomTerminal::ReleaseLog);
  ReleaseLog();
}

void TVelCustomTerminal::FlushLog() {
  WriteLog(&TVelCustomTerminal::GiveUpLog);
}

void TVelCustomTerminal::WriteLog(void (TVelCustomTerminal::*onFailure)()) {
  if (!logBuffer_ || logBuffer_->Size() == 0)
    return;
  try {
    logFile_->WriteBuffer(logBuffer_->Memory(), static_cast<int32_t>(logBuffer_->Size()));
    logFile_->FlushToDisk();
  } catch (...) {
    (this->*onFailure)();
    throw;
  }
  logBuffer_->Clear();
  if (OnFlushLog)
    OnFlushLog(this);
}

void TVelCustomTerminal::LogText(char c, std::exception_ptr& failure) {
  if (logging_ == lgOff || !logBuffer_)
    return;
  logBuffer_->Write(&c, 1);
  if (logBuffer_->Size() >= logSize_)
    KeepFailure(failure, [this] { FlushLog(); });
}

// ---- Messages -------------------------------------------------------------------------------

void TVelCustomTerminal::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      swallowChar_ = false;
      TVelCustomLineViewer::Dispatch(m);
      break;
    case WM_CHAR:
      if (swallowChar_) {
        swallowChar_ = false;
        m.Result = 0;
      } else {
        TVelCustomLineViewer::Dispatch(m);
      }
      break;
    case WM_GETDLGCODE:
      TVelCustomLineViewer::Dispatch(m);
      m.Result |= DLGC_WANTCHARS;
      break;
    case WM_TIMER:
      if (m.WParam == kLogFlushTimer) {
        FlushLog();
        m.Result = 0;
      } else {
        TVelCustomLineViewer::Dispatch(m);
      }
      break;
    case WM_DESTROY:
      KillTimer(WindowHandle(), kLogFlushTimer);
      TVelCustomLineViewer::Dispatch(m);
      break;
    case CM_COLORCHANGED:
      TVelCustomLineViewer::Dispatch(m);
      if (buffer_) {
        buffer_->UpdateDefaultColors();
        ClearTerminal();
      }
      Invalidate();
      break;
    case CM_FONTCHANGED:
      TVelCustomLineViewer::Dispatch(m);
      if (buffer_)
        buffer_->UpdateDefaultColors();
      break;
    default:
      TVelCustomLineViewer::Dispatch(m);
  }
}

// ---- TVelTerminal ---------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TVelTerminal, TVelCustomTerminal)

void TVelTerminal::Publish(TPublisher<TVelTerminal>& p) {
  p.Property("AutoScrollBack", &TVelCustomTerminal::AutoScrollBack,
             &TVelCustomTerminal::SetAutoScrollBack);
  p.Property("BkSpcMode", &TVelCustomTerminal::BkSpcMode, &TVelCustomTerminal::SetBkSpcMode);
  p.Property("Logging", &TVelCustomTerminal::Logging, &TVelCustomTerminal::SetLogging);
  p.Property("LogFlushTime", &TVelCustomTerminal::LogFlushTime,
             &TVelCustomTerminal::SetLogFlushTime);
  p.Property("LogName", &TVelCustomTerminal::LogName, &TVelCustomTerminal::SetLogName);
  p.Property("LogSize", &TVelCustomTerminal::LogSize, &TVelCustomTerminal::SetLogSize);
  p.Property("ScrollBackCaret", &TVelCustomTerminal::ScrollBackCaret,
             &TVelCustomTerminal::SetScrollBackCaret);
  p.Property("ScrollBackKey", &TVelCustomTerminal::ScrollBackKey,
             &TVelCustomTerminal::SetScrollBackKey);
  p.Property("ScrollBackRows", &TVelCustomTerminal::ScrollBackRows,
             &TVelCustomTerminal::SetScrollBackRows);
  p.Property("TerminalCaret", &TVelCustomTerminal::TerminalCaret,
             &TVelCustomTerminal::SetTerminalCaret);
  p.Property("TermColorMode", &TVelCustomTerminal::TermColorMode,
             &TVelCustomTerminal::SetTermColorMode);
  p.Property("UserDataSize", &TVelCustomTerminal::UserDataSize,
             &TVelCustomTerminal::SetUserDataSize);
  p.Property("LineCount", &TVelCustomLineViewer::LineCount, &TVelCustomLineViewer::SetLineCount);
  p.Property("Options", &TVelCustomLineViewer::Options, &TVelCustomLineViewer::SetOptions);
  p.Property("BorderStyle", &TVelCustomLineViewer::BorderStyle,
             &TVelCustomLineViewer::SetBorderStyle);
  p.Property("CaretBlinkTime", &TVelCustomLineViewer::CaretBlinkTime,
             &TVelCustomLineViewer::SetCaretBlinkTime);
  p.Property("LeftSpace", &TVelCustomLineViewer::LeftSpace, &TVelCustomLineViewer::SetLeftSpace);
  p.Property("MaxLineLength", &TVelCustomLineViewer::MaxLineLength,
             &TVelCustomLineViewer::SetMaxLineLength);
  p.Property("SelectedColor", &TVelCustomLineViewer::SelectedColor,
             &TVelCustomLineViewer::SetSelectedColor, ColorIdents());
  p.Property("SelectedStyle", &TVelCustomLineViewer::SelectedStyle,
             &TVelCustomLineViewer::SetSelectedStyle);
  p.Property("SelectedTextColor", &TVelCustomLineViewer::SelectedTextColor,
             &TVelCustomLineViewer::SetSelectedTextColor, ColorIdents());
  p.Event("OnBeepChar", &TVelCustomTerminal::OnBeepChar);
  p.Event("OnDrawBuffer", &TVelCustomTerminal::OnDrawBuffer);
  p.Event("OnFlushLog", &TVelCustomTerminal::OnFlushLog);
  p.Event("OnGetColors", &TVelCustomTerminal::OnGetColors);
  p.Event("OnNewLine", &TVelCustomTerminal::OnNewLine);
  p.Event("OnProcessChar", &TVelCustomTerminal::OnProcessChar);
  p.Event("OnScrBckBufChange", &TVelCustomTerminal::OnScrBckBufChange);
  p.Event("OnScrBckModeChange", &TVelCustomTerminal::OnScrBckModeChange);
  p.Event("OnSendChar", &TVelCustomTerminal::OnSendChar);
  p.Event("OnBof", &TVelCustomLineViewer::OnBof);
  p.Event("OnEof", &TVelCustomLineViewer::OnEof);
  p.Event("OnCursorChange", &TVelCustomLineViewer::OnCursorChange);
  p.Event("OnDrawLeftSpace", &TVelCustomLineViewer::OnDrawLeftSpace);
  p.Event("OnFontChanged", &TVelCustomLineViewer::OnFontChanged);
  p.Event("OnLeftSpaceMouseDown", &TVelCustomLineViewer::OnLeftSpaceMouseDown);
  p.Event("OnSelectionChange", &TVelCustomLineViewer::OnSelectionChange);
}
