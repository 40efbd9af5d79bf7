#include "frmASCII.h"

#include "Screen.h"
#include "SysUtils.h"
#include "uTerminalText.h"

#include <cstdlib>

namespace {

constexpr int kColumns = 8;
constexpr int kRows = 16;
constexpr int kCells = kColumns * kRows;
// The terminal's font, so that the table shows the characters as it does.
constexpr char kTableFont[] = "Fixedsys";
constexpr UINT kCellFlags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

const char* const kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "TAB", "LF",
    "VF",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

TASCIIForm* g_form = nullptr;

// A canvas on the screen's DC, for measuring before the window exists.
class TScreenCanvas {
 public:
  TScreenCanvas() : dc_(GetDC(nullptr)), canvas_(Create<TCanvas>()) { canvas_->SetHandle(dc_); }
  ~TScreenCanvas() {
    canvas_->SetHandle(nullptr);
    ReleaseDC(nullptr, dc_);
  }
  TScreenCanvas(const TScreenCanvas&) = delete;
  TScreenCanvas& operator=(const TScreenCanvas&) = delete;
  TCanvas* operator->() const { return canvas_.get(); }

 private:
  HDC dc_;
  TOwned<TCanvas> canvas_;
};

void DrawCellText(TCanvas* canvas, const std::string& text, TRect rect, TColor color, UINT align) {
  canvas->Font()->SetColor(color);
  DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rect,
            align | kCellFlags);
}

}  // namespace

std::string ControlCharName(int code) {
  return code >= 0 && code < 32 ? kControlNames[code] : "";
}

VEL_COMPONENT_IMPL(TASCIIForm, TForm)

void TASCIIForm::Publish(TPublisher<TASCIIForm>& p) {
  p.Field<&TASCIIForm::ToolBar1>("ToolBar1");
  p.Field<&TASCIIForm::tbASCIILo>("tbASCIILo");
  p.Field<&TASCIIForm::tbASCIIHi>("tbASCIIHi");
  p.Field<&TASCIIForm::tbDec>("tbDec");
  p.Field<&TASCIIForm::tbHex>("tbHex");
  p.Method<&TASCIIForm::FormCreate>("FormCreate");
  p.Method<&TASCIIForm::FormShow>("FormShow");
  p.Method<&TASCIIForm::FormPaint>("FormPaint");
  p.Method<&TASCIIForm::FormMouseDown>("FormMouseDown");
  p.Method<&TASCIIForm::FormMouseUp>("FormMouseUp");
  p.Method<&TASCIIForm::FormKeyDown>("FormKeyDown");
  p.Method<&TASCIIForm::tbASCIILoClick>("tbASCIILoClick");
  p.Method<&TASCIIForm::tbASCIIHiClick>("tbASCIIHiClick");
  p.Method<&TASCIIForm::tbDecClick>("tbDecClick");
  p.Method<&TASCIIForm::tbHexClick>("tbHexClick");
}

TASCIIForm::TASCIIForm(TComponent* owner) : TForm(owner), tableFont_(Create<TFont>()) {}

TASCIIForm::~TASCIIForm() {
  if (g_form == this)
    g_form = nullptr;
}

void TASCIIForm::FormCreate(TObject*) {
  ToolBar1->SetDrawingStyle(dsGradient);
  tableFont_->Assign(Canvas()->Font());
  tableFont_->SetName(kTableFont);
  codeOffset_ = 0;
  showHex_ = false;
  selectedCode_ = 0;
  TScreenCanvas canvas;
  canvas->SetFont(tableFont_.get());
  cellHeight_ = canvas->TextHeight("W");
  cellWidth_ = canvas->TextWidth("WW WWW");
  UpdateCaption();
  SetClientSize(kColumns * cellWidth_, ToolBar1->Height() + kRows * cellHeight_);
}

void TASCIIForm::UpdateCaption() {
  SetCaption(WideToAnsi(LangText(43) + L" ASCII"));
}

void TASCIIForm::FormShow(TObject*) {
  // The language may have changed since the last showing.
  UpdateCaption();
  GetCursorPos(&shownAtCursor_);
  PlaceAt(shownAtCursor_);
  shownAt_ = GetTickCount();
  pressedCell_ = -1;
}

void TASCIIForm::PlaceAt(const POINT& cursor) {
  int top = cursor.y - Height() / 2;
  int left = cursor.x - Width() / 2;
  if (top + Height() > Screen()->WorkAreaHeight())
    top = Screen()->WorkAreaHeight() - Height();
  if (left + Width() > Screen()->WorkAreaWidth())
    left = Screen()->WorkAreaWidth() - Width();
  SetBounds(std::max(left, 0), std::max(top, 0), Width(), Height());
}

TRect TASCIIForm::CellRect(int index) const {
  const int left = (index / kRows) * cellWidth_ + 2;
  const int top = ToolBar1->Height() + (index % kRows) * cellHeight_;
  return TRect(left, top, left + cellWidth_, top + cellHeight_);
}

std::string TASCIIForm::CodeText(int code) const {
  return showHex_ ? IntToHex(code, 2) : IntToStr(code);
}

int TASCIIForm::CellAt(int x, int y) const {
  const int top = ToolBar1->Height();
  if (x < 0 || y < top || x >= kColumns * cellWidth_ || y >= top + kRows * cellHeight_)
    return -1;
  return (x / cellWidth_) * kRows + (y - top) / cellHeight_;
}

void TASCIIForm::FormPaint(TObject*) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(tableFont_.get());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(TRect(0, ToolBar1->Height(), ClientWidth(), ClientHeight()));
  SetBkMode(canvas->Handle(), TRANSPARENT);
  for (int i = 0; i < kCells; ++i)
    PaintCell(i);
  PaintGrid();
}

void TASCIIForm::PaintCell(int index) {
  const int code = codeOffset_ + index;
  TRect rect = CellRect(index);
  DrawCellText(Canvas(), CodeText(code), rect, clGrayText, DT_LEFT);
  OffsetRect(&rect, -4, 0);
  const std::string shown =
      code >= 32 ? std::string(1, static_cast<char>(code)) : ControlCharName(code);
  DrawCellText(Canvas(), shown, rect, clWindowText, DT_RIGHT);
}

void TASCIIForm::PaintGrid() {
  TCanvas* canvas = Canvas();
  const int top = ToolBar1->Height();
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetColor(clWindowText);
  for (int k = 1; k < kColumns; ++k) {
    canvas->MoveTo(k * cellWidth_, top);
    canvas->LineTo(k * cellWidth_, ClientHeight());
  }
  for (int k = 1; k < kRows; ++k) {
    canvas->MoveTo(0, top + k * cellHeight_);
    canvas->LineTo(ClientWidth(), top + k * cellHeight_);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->Rectangle(0, top, ClientWidth(), ClientHeight());
}

void TASCIIForm::FormMouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
  if (button != mbLeft)
    return;
  pressedCell_ = PressFromBeforeShowing(ClientToScreen(TPoint(x, y))) ? -1 : CellAt(x, y);
}

bool TASCIIForm::PressFromBeforeShowing(const TPoint& at) const {
  // Messages carry the time of the input that made them.
  const DWORD sinceShown = static_cast<DWORD>(GetMessageTime()) - shownAt_;
  if (static_cast<LONG>(sinceShown) < 0)
    return true;
  // The table opens under the cursor, so the second click of a double click
  // on the tool button would land on it.
  return sinceShown < GetDoubleClickTime() &&
         std::abs(at.x - shownAtCursor_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
         std::abs(at.y - shownAtCursor_.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
}

void TASCIIForm::FormMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
  if (button != mbLeft)
    return;
  const int pressed = pressedCell_;
  pressedCell_ = -1;
  if (pressed < 0 || CellAt(x, y) != pressed)
    return;
  selectedCode_ = static_cast<uint8_t>(codeOffset_ + pressed);
  SetModalResult(mrOk);
}

void TASCIIForm::FormKeyDown(TObject*, WORD& key, TShiftState) {
  if (key == VK_ESCAPE)
    SetModalResult(mrCancel);
}

void TASCIIForm::tbASCIILoClick(TObject*) {
  ShowHalf(0);
}

void TASCIIForm::tbASCIIHiClick(TObject*) {
  ShowHalf(128);
}

void TASCIIForm::tbDecClick(TObject*) {
  ShowBase(false);
}

void TASCIIForm::tbHexClick(TObject*) {
  ShowBase(true);
}

void TASCIIForm::ShowHalf(int offset) {
  codeOffset_ = offset;
  tbASCIILo->SetDown(offset == 0);
  tbASCIIHi->SetDown(offset != 0);
  Invalidate();
}

void TASCIIForm::ShowBase(bool hex) {
  showHex_ = hex;
  tbDec->SetDown(!hex);
  tbHex->SetDown(hex);
  Invalidate();
}

bool ExecuteASCIIDialog(uint8_t& code) {
  code = 0;
  if (!g_form)
    g_form = Create<TASCIIForm>(Application());
  g_form->SetPopupParent(Application()->MainForm());
  if (g_form->ShowModal() != mrOk)
    return false;
  code = g_form->SelectedCode();
  return true;
}

TASCIIForm* ASCIIForm() {
  return g_form;
}
