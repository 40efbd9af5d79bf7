// The screen and the mouse as the program sees them: sizes, the work area,
// the cursor with its table of shapes, the system's hint and menu fonts, and
// the forms that are open and which of them is active.
#pragma once

#include "Types.h"
#include "Win.h"

#include <map>
#include <memory>
#include <vector>

class TCustomForm;
class TFont;

// Cursor shapes: an integer, so that form data can name the negative
// standard shapes (CursorIdents); a program may add its own under positive
// numbers (TScreen::SetCursors).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

class TScreen {
 public:
  TScreen();
  ~TScreen();
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;

  // The primary screen and its work area (without the task bar).
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  int PixelsPerInch() const;

  // A cursor other than crDefault overrides every control's own.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The shape of a cursor number; unknown numbers give the arrow.
  HCURSOR Cursors(TCursor cursor) const;
  void SetCursors(TCursor cursor, HCURSOR shape);

  // The system's status-bar font (hints) and menu font.
  TFont* HintFont() const { return hintFont_.get(); }
  TFont* MenuFont() const { return menuFont_.get(); }

  // The forms in creation order; the one the user works in.
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int index) const { return forms_.at(index); }
  TCustomForm* ActiveForm() const { return activeForm_; }

  // Kept up to date by the forms themselves.
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);

 private:
  struct TFontDeleter {
    void operator()(TFont* font) const;
  };
  using TFontPtr = std::unique_ptr<TFont, TFontDeleter>;
  static TFontPtr FontOf(const LOGFONTA& logFont);
  // Shows the cursor the window under the mouse asks for now.
  void ApplyCursor() const;

  TCursor cursor_ = crDefault;
  std::map<int, HCURSOR> cursors_;
  TFontPtr hintFont_;
  TFontPtr menuFont_;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
};

class TMouse {
 public:
  TPoint CursorPos() const;
  void SetCursorPos(const TPoint& p);
};

// Made by classlib::Startup(), freed by Shutdown(); nullptr outside.
TScreen* Screen();
TMouse* Mouse();
void InitScreen();
void DoneScreen();
