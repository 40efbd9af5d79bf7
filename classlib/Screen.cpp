#include "Screen.h"

#include "Graphics.h"

#include <algorithm>

namespace {

std::unique_ptr<TScreen> screen;
std::unique_ptr<TMouse> mouse;

const std::pair<TCursor, LPCSTR> kStandardCursors[] = {
    {crDefault, IDC_ARROW},
    {crArrow, IDC_ARROW},
    {crCross, IDC_CROSS},
    {crIBeam, IDC_IBEAM},
    {crSizeNESW, IDC_SIZENESW},
    {crSizeNS, IDC_SIZENS},
    {crSizeNWSE, IDC_SIZENWSE},
    {crSizeWE, IDC_SIZEWE},
    {crUpArrow, IDC_UPARROW},
    {crHourGlass, IDC_WAIT},
    {crNo, IDC_NO},
    {crAppStart, IDC_APPSTARTING},
    {crHelp, IDC_HELP},
    {crHandPoint, IDC_HAND},
    {crSizeAll, IDC_SIZEALL},
};

}  // namespace

void TScreen::TFontDeleter::operator()(TFont* font) const {
  font->Free();
}

TScreen::TScreen() {
  for (const auto& [cursor, id] : kStandardCursors)
    cursors_[cursor] = LoadCursorA(nullptr, id);
  cursors_[crNone] = nullptr;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  hintFont_ = FontOf(metrics.lfStatusFont);
  hintFont_->SetColor(clInfoText);
  menuFont_ = FontOf(metrics.lfMenuFont);
}

TScreen::~TScreen() = default;

TScreen::TFontPtr TScreen::FontOf(const LOGFONTA& logFont) {
  TFontPtr font(Create<TFont>());
  if (logFont.lfFaceName[0] == 0)
    return font;  // no metrics: the GUI font stays
  font->SetName(logFont.lfFaceName);
  font->SetHeight(logFont.lfHeight);
  font->SetCharset(static_cast<TFontCharset>(logFont.lfCharSet));
  TFontStyles style;
  if (logFont.lfWeight >= FW_BOLD)
    style.Include(fsBold);
  if (logFont.lfItalic)
    style.Include(fsItalic);
  font->SetStyle(style);
  return font;
}

int TScreen::Width() const {
  return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
  return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::WorkAreaRect() const {
  RECT r{0, 0, Width(), Height()};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

int TScreen::PixelsPerInch() const {
  return ScreenPixelsPerInch();
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_)
    return;
  cursor_ = cursor;
  ApplyCursor();
}

HCURSOR TScreen::Cursors(TCursor cursor) const {
  const auto it = cursors_.find(cursor);
  return it != cursors_.end() ? it->second : cursors_.at(crArrow);
}

void TScreen::SetCursors(TCursor cursor, HCURSOR shape) {
  cursors_[cursor] = shape;
  if (cursor == cursor_)
    ApplyCursor();
}

void TScreen::ApplyCursor() const {
  if (cursor_ != crDefault) {
    ::SetCursor(Cursors(cursor_));
    return;
  }
  // Back to the control's own shape: a window of this thread under the mouse
  // picks it as on any mouse move.
  POINT p;
  HWND window = GetCursorPos(&p) ? WindowFromPoint(p) : nullptr;
  if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  } else {
    ::SetCursor(Cursors(crArrow));
  }
}

void TScreen::AddForm(TCustomForm* form) {
  if (std::find(forms_.begin(), forms_.end(), form) == forms_.end())
    forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (activeForm_ == form)
    activeForm_ = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* form) {
  activeForm_ = form;
}

TPoint TMouse::CursorPos() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  return p;
}

void TMouse::SetCursorPos(const TPoint& p) {
  ::SetCursorPos(p.x, p.y);
}

TScreen* Screen() {
  return screen.get();
}

TMouse* Mouse() {
  return mouse.get();
}

void InitScreen() {
  screen = std::make_unique<TScreen>();
  mouse = std::make_unique<TMouse>();
}

void DoneScreen() {
  mouse.reset();
  screen.reset();
}
