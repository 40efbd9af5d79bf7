#include "UcStdCtrlsTestSupport.h"

const std::wstring kCyrillic = L"\u0416\u0443\u043A";
const std::wstring kGreek = L"\u03A3\u03BA\u03B1\u03B8\u03AC\u03C1\u03B9";
const std::wstring kCjk = L"\u7532\u866B";

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

TSize MeasuredW(TFont* font, const std::wstring& text, UINT flags) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font->Handle());
  RECT r{};
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS | flags);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return TSize(r.right - r.left, r.bottom - r.top);
}
