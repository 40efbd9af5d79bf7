// The terminal control: a line viewer whose lines come from a terminal
// buffer. Written characters pass an OnProcessChar filter into the buffer
// and show when the host flushes; the view follows the live output except in
// scroll-back mode, where the user scrolls and selects while the output
// waits. Everything written can be logged to a file.
#pragma once

#include "ActnList.h"
#include "Streams.h"
#include "VelLineViewer.h"
#include "VelTermBuffer.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

enum TVelTRMLogging { lgOff, lgCreate, lgAppend };
VEL_ENUM_TYPE(TVelTRMLogging);

using TVelTRMGetColorsEvent = TClosure<void(TObject* sender, int line, TVelTRMCharAttrs& colors)>;
using TVelTRMLineEvent = TClosure<void(TObject* sender, int line)>;
using TVelTRMProcessCharEvent = TClosure<void(TObject* sender, char& c)>;
using TVelTRMScrBckBufChange = TClosure<void(TObject* sender, int bufferSize)>;

// The id of the log flush timer on the terminal's window.
constexpr UINT_PTR kLogFlushTimer = 2;
// The terminal's fixed row width.
constexpr uint8_t kTerminalColumns = 80;

// A file handle stream whose 16-bit open mode maps straight onto
// CreateFileA: bits 0-1 access, bits 4-7 sharing, 0x1002 create.
class TVelFileStream : public THandleStream {
  VEL_CLASS(TVelFileStream, THandleStream)
 public:
  // Raises EFCreateError when the file cannot be opened.
  TVelFileStream(const std::string& fileName, uint16_t mode);
  ~TVelFileStream() override;
  void FlushToDisk();

  // INVALID_HANDLE_VALUE for mode 0xFFFF or a failed open.
  static HANDLE FileOpenHandle(const std::string& fileName, uint16_t mode);
};

constexpr uint16_t kLogAppendMode = 0x0021;  // write, others may read
constexpr uint16_t kLogCreateMode = 0x1022;  // create, read-write, others may read

class TVelCustomTerminal : public TVelCustomLineViewer, private IVelTerminalBufferOwner {
  VEL_CLASS(TVelCustomTerminal, TVelCustomLineViewer)
 public:
  explicit TVelCustomTerminal(TComponent* owner);
  ~TVelCustomTerminal() override;
  // Makes the buffer (not at design time).
  void AfterConstruction() override;
  // Closes the log; a failing last flush is reported, never thrown.
  void BeforeDestruction() override;

  bool AutoScrollBack() const { return autoScrollBack_; }
  void SetAutoScrollBack(bool on) { autoScrollBack_ = on; }
  TVelTRMBkSpcMode BkSpcMode() const { return bkSpcMode_; }
  void SetBkSpcMode(TVelTRMBkSpcMode mode) { bkSpcMode_ = mode; }
  TVelTRMLogging Logging() const { return logging_; }
  void SetLogging(TVelTRMLogging logging);
  int LogFlushTime() const { return logFlushTime_; }
  void SetLogFlushTime(int ms);
  const std::string& LogName() const { return logName_; }
  void SetLogName(const std::string& name);
  int LogSize() const { return logSize_; }
  void SetLogSize(int bytes);
  TVelCLVCaretType ScrollBackCaret() const { return scrollBackCaret_; }
  void SetScrollBackCaret(TVelCLVCaretType type);
  TShortCut ScrollBackKey() const { return scrollBackKey_; }
  void SetScrollBackKey(TShortCut key) { scrollBackKey_ = key; }
  int ScrollBackRows() const { return scrollBackRows_; }
  void SetScrollBackRows(int rows);
  TVelCLVCaretType TerminalCaret() const { return terminalCaret_; }
  void SetTerminalCaret(TVelCLVCaretType type);
  TVelTRMColorMode TermColorMode() const { return termColorMode_; }
  void SetTermColorMode(TVelTRMColorMode mode);
  int UserDataSize() const { return userDataSize_; }
  void SetUserDataSize(int bytes);

  void WriteColorChar(char c, uint8_t background, uint8_t foreground);
  void WriteChar(char c);
  void WriteString(const std::string& s);
  void FlushDisplay();
  void ClearTerminal();
  void GetColorTable(TVelTRMColorTable& table) const;
  void SetColorTable(const TVelTRMColorTable& table);
  bool ScrollBackMode() const { return scrollBackMode_; }
  void SetScrollBackMode(bool on);
  void CursorToWritePos(bool columnScroll);
  const std::string& HeldText() const { return heldText_; }
  // Null at design time.
  TVelTerminalBuffer* Buffer() const { return buffer_.get(); }

  void OpenLog();
  void CloseLog();
  void FlushLog();
  void ApplyLogging();
  bool LogOpen() const { return logFile_ != nullptr; }

  TNotifyEvent OnBeepChar;
  TNotifyEvent OnDrawBuffer;
  TNotifyEvent OnFlushLog;
  TVelTRMGetColorsEvent OnGetColors;
  TVelTRMLineEvent OnNewLine;
  TVelTRMProcessCharEvent OnProcessChar;
  TVelTRMScrBckBufChange OnScrBckBufChange;
  TNotifyEvent OnScrBckModeChange;
  TKeyPressEvent OnSendChar;
  TNotifyEvent OnLoggingChange;

 protected:
  bool CanScroll(TVelScrollOrigin origin) override;
  void GetLineText(int line, TVelTRMColorMode& mode, TVelCLVCharColors& colors,
                   std::string& text) override;
  bool ScrollColIntoView() override;
  // Live, the view follows the write position, also when the window
  // changes size.
  bool KeepsCursorRowInView() const override {
    return !scrollBackMode_ || TVelCustomLineViewer::KeepsCursorRowInView();
  }
  void DoEof() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void Loaded() override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  virtual void DoLoggingChange();
  // The log file's stream; raises when the file cannot be opened.
  virtual TVelFileStream* CreateLogFile(const std::string& name, uint16_t mode);

 private:
  // The buffer's owner operations.
  TColor OwnerColor() const override { return Color(); }
  TColor OwnerFontColor() const override { return Font()->Color(); }
  TFontStyles OwnerFontStyle() const override { return Font()->Style(); }
  TVelTRMBkSpcMode OwnerBkSpcMode() const override { return bkSpcMode_; }
  void BufferBeep() override;
  void BufferNewLine(int line) override;
  bool BufferWantsColors() const override { return OnGetColors.Assigned(); }
  void BufferGetColors(int line, TVelTRMCharAttrs& colors) override;
  void BufferDrawn() override;
  void BufferSetLineCount(int count) override { SetLineCount(count); }
  void BufferSetCursorRow(int row) override { SetCursorRow(row); }
  void BufferScrollContent(int lines) override;
  void BufferInvalidateCells(const TRect& cells, bool wholeLines) override {
    InvalidateCells(cells, wholeLines);
  }
  void BufferInvalidateLeftSpace(int firstRow, int lastRow) override {
    InvalidateLeftSpace(firstRow, lastRow);
  }
  void BufferCursorToWritePos() override { CursorToWritePos(false); }

  // The character after OnProcessChar; false when the handler dropped it.
  bool ProcessChar(char& c);
  // A character to the screen (or the held text; colours are not held) and
  // the log; a failure of the log is kept in logFailure.
  void PutChar(char c, std::optional<uint16_t> pair, std::exception_ptr& logFailure);
  void ApplyCaretType();
  void Redimension(int rows, int userDataSize, TVelTRMColorMode mode);
  void LogText(char c, std::exception_ptr& failure);
  // Writes the collected text; a failed write runs onFailure before it
  // raises.
  void WriteLog(void (TVelCustomTerminal::*onFailure)());
  void ReleaseLog();
  void GiveUpLog();
  void StartLogTimer();
  void ReportBufferSize();

  bool autoScrollBack_ = true;
  TVelTRMBkSpcMode bkSpcMode_ = bmBackDel;
  TVelTRMLogging logging_ = lgOff;
  int logFlushTime_ = 5000;
  std::string logName_ = "LOG.TXT";
  int logSize_ = 16384;
  TVelCLVCaretType scrollBackCaret_ = ctBlock;
  TShortCut scrollBackKey_ = 0;
  int scrollBackRows_ = 500;
  TVelCLVCaretType terminalCaret_ = ctHorizontal;
  TVelTRMColorMode termColorMode_ = cmLDefault;
  int userDataSize_ = 0;

  bool columnScroll_ = true;
  bool scrollBackMode_ = false;
  // The WM_CHAR of a keystroke that toggled scroll-back mode is not typed.
  bool swallowChar_ = false;
  TOwned<TVelTerminalBuffer> buffer_;
  std::string heldText_;
  TOwned<TVelFileStream> logFile_;
  TOwned<TMemoryStream> logBuffer_;
};

class TVelTerminal : public TVelCustomTerminal {
  VEL_CLASS(TVelTerminal, TVelCustomTerminal)
 public:
  using TVelCustomTerminal::TVelCustomTerminal;

 private:
  static void Publish(TPublisher<TVelTerminal>& p);
};
