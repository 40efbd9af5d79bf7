// The byte table: a small modal tool window with the codes of one half of
// the byte range, 128 at a time, that returns the code the user clicks: a
// press and a release on the same cell, the press made while it shows. The
// terminal sends it, so that control codes and codes above 127, which cannot
// be typed, can be sent too.
#pragma once

#include "Forms.h"
#include "UcComCtrls.h"

#include <cstdint>
#include <string>

// "NUL".."US" for the codes 0..31; empty for any other code.
std::string ControlCharName(int code);

class TASCIIForm : public TForm {
  VEL_CLASS(TASCIIForm, TForm)
  static void Publish(TPublisher<TASCIIForm>& p);

 public:
  explicit TASCIIForm(TComponent* owner);
  ~TASCIIForm() override;

  TUcToolBar* ToolBar1 = nullptr;
  TUcToolButton* tbASCIILo = nullptr;
  TUcToolButton* tbASCIIHi = nullptr;
  TUcToolButton* tbDec = nullptr;
  TUcToolButton* tbHex = nullptr;

  // The first code of the shown half: 0 or 128.
  int CodeOffset() const { return codeOffset_; }
  bool ShowHex() const { return showHex_; }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  // The code of the last click.
  uint8_t SelectedCode() const { return selectedCode_; }

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormPaint(TObject* sender);
  void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void FormMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void tbASCIILoClick(TObject* sender);
  void tbASCIIHiClick(TObject* sender);
  void tbDecClick(TObject* sender);
  void tbHexClick(TObject* sender);

  void UpdateCaption();
  // The cell (0..127) at a client point; -1 outside the grid.
  int CellAt(int x, int y) const;
  // Cell i (0..127) of the grid: codes run down the columns.
  TRect CellRect(int index) const;
  // The number of a code as the table shows it.
  std::string CodeText(int code) const;

 private:
  void ShowHalf(int offset);
  void ShowBase(bool hex);
  void PlaceAt(const POINT& cursor);
  // A press that began before the table showed, or the second click of a
  // double click whose first one opened it.
  bool PressFromBeforeShowing(const TPoint& at) const;
  void PaintCell(int index);
  void PaintGrid();

  TOwned<TFont> tableFont_;
  int codeOffset_ = 0;
  bool showHex_ = false;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  uint8_t selectedCode_ = 0;
  int pressedCell_ = -1;
  DWORD shownAt_ = 0;
  POINT shownAtCursor_{};
};

// Shows the table modally; true with the clicked code in code, else false
// with code 0. The one table of the process is made on first use and kept,
// so that the half and the number base shown last stay.
bool ExecuteASCIIDialog(uint8_t& code);
// The table of the process; null before the first use.
TASCIIForm* ASCIIForm();
