#include "UcStdCtrlsTestSupport.h"

#include <algorithm>

const std::wstring kCyrillic = L"\u0416\u0443\u043A";
const std::wstring kGreek = L"\u03A3\u03BA\u03B1\u03B8\u03AC\u03C1\u03B9";
const std::wstring kCjk = L"\u7532\u866B";

void UcStdCtrlsTest::SetUp() {
  form_.reset(CreateNew<TForm>(nullptr));
  form_->SetName("Form");
  form_->SetBounds(40, 40, 420, 320);
  form_->Show();
  SetForegroundWindow(form_->Handle());
  ASSERT_TRUE(classlib::PumpUntil([this] { return form_->Active(); }, 3000));
}

void UcStdCtrlsTest::TearDown() {
  form_.reset();
}

void UcStdCtrlsTest::Watch(TControl* control) {
  control->OnClick = Method<&UcStdCtrlsTest::Click>(this);
}

void UcStdCtrlsTest::Watch(TCustomComboBox* combo) {
  Watch(static_cast<TControl*>(combo));
  combo->OnChange = Method<&UcStdCtrlsTest::Change>(this);
  combo->OnSelect = Method<&UcStdCtrlsTest::Select>(this);
  combo->OnKeyPress = Method<&UcStdCtrlsTest::KeyPress>(this);
}

void UcStdCtrlsTest::KeyPress(TObject* sender, char& key) {
  Record(sender, "key " + std::to_string(static_cast<unsigned char>(key)));
}

void UcStdCtrlsTest::Record(TObject* sender, const std::string& event) {
  log_.push_back(static_cast<TComponent*>(sender)->Name() + ":" + event);
}

std::vector<COLORREF> Rendered(int width, int height, const std::function<void(HDC)>& paint) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  paint(dc);
  std::vector<COLORREF> seen;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      seen.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return seen;
}

std::vector<COLORREF> ReferenceText(int width, int height, TFont* font, const std::wstring& text,
                                    UINT flags, TColor color) {
  return Rendered(width, height, [&](HDC dc) {
    RECT r{0, 0, width, height};
    const HGDIOBJ old = SelectObject(dc, font->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(color));
    DrawTextW(dc, text.c_str(), -1, &r, flags);
    SelectObject(dc, old);
  });
}

std::vector<COLORREF> Painted(TControl* control) {
  return Rendered(control->Width(), control->Height(), [control](HDC dc) {
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  });
}

TSize MeasuredW(TFont* font, const std::wstring& text, UINT flags) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font->Handle());
  RECT r{};
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS | flags);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return TSize(r.right - r.left, r.bottom - r.top);
}

TMessageCounter::TMessageCounter(TControl* control)
    : control_(control), previous_(control->WindowProc()) {
  control_->SetWindowProc(Method<&TMessageCounter::Proc>(this));
}

TMessageCounter::~TMessageCounter() {
  control_->SetWindowProc(previous_);
}

int TMessageCounter::Count(UINT msg) const {
  return static_cast<int>(std::count(seen_.begin(), seen_.end(), msg));
}

void TMessageCounter::Proc(TMessage& m) {
  seen_.push_back(m.Msg);
  previous_(m);
}
