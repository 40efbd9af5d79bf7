// The gallery of wide standard controls, panels and bars, read from form
// data and shown: every text reads back wide from the native windows, every
// window is a Unicode one, and on the screen each kind shows the ink of its
// wide text, never that of its 8-bit form.
//
// DISABLED_ShowFormForScreenshot keeps the form up for VEL_HOLD_MS
// milliseconds so that tools/screenshot can take it (w3-gallery-capture.sh
// does, for the picture in the build folder).
#include "Forms.h"
#include "UcComCtrls.h"
#include "UcExtCtrls.h"
#include "UcExtCtrlsTestSupport.h"
#include "UcStdCtrls.h"
#include "UcSysUtils.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

class TW3GalleryForm : public TForm {
  VEL_CLASS(TW3GalleryForm, TForm)
 public:
  using TForm::TForm;

  template <typename T>
  T* Find(const char* name) {
    TComponent* component = FindComponent(name);
    if (!component)
      throw Exception(std::string("no component ") + name);
    return component->As<T>();
  }
};

VEL_COMPONENT_IMPL(TW3GalleryForm, TForm)

namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(GetWindowTextW(window, &text[0], static_cast<int>(text.size())));
  return text;
}

std::vector<std::wstring> ComboItems(TUcComboBox* combo) {
  std::vector<std::wstring> items;
  const HWND window = combo->Handle();
  for (int i = 0; i < SendMessageW(window, CB_GETCOUNT, 0, 0); ++i) {
    std::wstring text(SendMessageW(window, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
    text.resize(SendMessageW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
    items.push_back(text);
  }
  return items;
}

std::wstring PartText(TUcStatusBar* bar, int part) {
  wchar_t text[64] = {};
  SendMessageW(bar->Handle(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring ButtonText(TUcToolBar* bar, int index) {
  wchar_t text[64] = {};
  SendMessageW(bar->Handle(), TB_GETBUTTONTEXTW, index, reinterpret_cast<LPARAM>(text));
  return text;
}

class W3Gallery : public testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterClass(TW3GalleryForm::StaticClass()); }

  void SetUp() override { form_.reset(Create<TW3GalleryForm>(nullptr)); }

  void ShowAndPaint() {
    form_->Show();
    SetForegroundWindow(form_->Handle());
    classlib::PumpUntil([this] { return form_->Active(); }, 3000);
    form_->Repaint();
    classlib::PumpFor(300);
  }

  // The control's rectangle in the form's client area.
  TRect AreaOf(TControl* control) {
    const TPoint screen = control->ClientToScreen(TPoint(0, 0));
    const TPoint client = form_->ScreenToClient(screen);
    return TRect(client.x, client.y, client.x + control->Width(), client.y + control->Height());
  }

  TOwned<TW3GalleryForm> form_;
};

TEST_F(W3Gallery, EveryTextReadsBackWideFromTheNativeWindows) {
  TW3GalleryForm* f = form_.get();
  EXPECT_EQ(L"&\u041F\u043E\u0438\u0441\u043A \u691C\u7D22:",
            f->Find<TUcLabel>("LabelFocus")->Caption());
  EXPECT_EQ(L"\u039F&\u03BC\u03AD\u03B3\u03B1 \u7121\u52B9",
            f->Find<TUcLabel>("LabelDisabled")->Caption());
  EXPECT_EQ(L"&\u041E\u0442\u043A\u0440\u044B\u0442\u044C \u958B\u304F",
            WindowText(f->Find<TUcButton>("ButtonOpen")->Handle()));
  EXPECT_EQ(L"&\u0392\u03AE\u03C4\u03B1 \u78BA\u8A8D",
            WindowText(f->Find<TUcCheckBox>("CheckGreek")->Handle()));
  EXPECT_EQ(L"&\u65E5\u672C \u0420\u0430\u0434\u0438\u043E",
            WindowText(f->Find<TUcRadioButton>("RadioCjk")->Handle()));
  EXPECT_EQ(L"\u041F\u0430\u043D\u0435\u043B\u044C \u03A0\u03AC\u03BD\u03B5\u03BB \u9762\u677F",
            WindowText(f->Find<TUcPanel>("PanelRaised")->Handle()));
  EXPECT_EQ(L"&\u041D\u0438\u0437 \u039A\u03AC\u03C4\u03C9 \u4E0B",
            WindowText(f->Find<TUcPanel>("PanelLowered")->Handle()));
  EXPECT_EQ(
      L"\u041F\u0430\u043D\u0435\u043B\u044C|\u041E\u0431\u044B\u0447\u043D\u0430\u044F "
      L"\u043F\u0430\u043D\u0435\u043B\u044C",
      f->Find<TUcPanel>("PanelRaised")->Hint());

  auto* list = f->Find<TUcComboBox>("ComboList");
  EXPECT_EQ((std::vector<std::wstring>{L"\u041E\u0434\u0438\u043D \u4E00",
                                       L"\u0394\u03CD\u03BF \u4E8C", L"\u0422\u0440\u0438 \u4E09"}),
            ComboItems(list));
  EXPECT_EQ(1, SendMessageW(list->Handle(), CB_GETCURSEL, 0, 0));
  EXPECT_EQ(L"\u0394\u03CD\u03BF \u4E8C", list->Text());
  auto* draw = f->Find<TUcComboBox>("ComboDraw");
  EXPECT_EQ((std::vector<std::wstring>{L"\u041A\u0440\u0430\u0441\u043D\u044B\u0439 \u8D64",
                                       L"\u03A0\u03C1\u03AC\u03C3\u03B9\u03BD\u03BF \u7DD1",
                                       L"\u9752 \u0421\u0438\u043D\u0438\u0439"}),
            ComboItems(draw));
  EXPECT_EQ(0, SendMessageW(draw->Handle(), CB_GETCURSEL, 0, 0));

  auto* status = f->Find<TUcStatusBar>("StatusBar1");
  EXPECT_EQ(L"\u0413\u043E\u0442\u043E\u0432\u043E \u5B8C\u4E86", PartText(status, 0));
  EXPECT_EQ(L"\t\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u4E2D", PartText(status, 1));
  EXPECT_EQ(L"\t\t\u65E5\u672C\u8A9E \u0420\u0443\u0441", PartText(status, 2));

  auto* tools = f->Find<TUcToolBar>("ToolBar1");
  EXPECT_EQ(L"\u041D\u043E\u0432\u044B\u0439", ButtonText(tools, 0));
  EXPECT_EQ(L"\u0386\u03BD\u03BF\u03B9\u03B3\u03BC\u03B1", ButtonText(tools, 1));
  EXPECT_EQ(L"\u4FDD\u5B58\u3059\u308B", ButtonText(tools, 2));
  EXPECT_EQ(L"\u4FDD\u5B58|\u30D5\u30A1\u30A4\u30EB\u3092\u4FDD\u5B58\u3059\u308B",
            f->Find<TUcToolButton>("ToolSave")->Hint());
  EXPECT_EQ(
      L"\u041F\u0430\u043D\u0435\u043B\u044C \u0438\u043D\u0441\u0442\u0440\u0443\u043C\u0435"
      L"\u043D\u0442\u043E\u0432",
      WindowText(tools->Handle()));
}

TEST_F(W3Gallery, EveryWindowIsAUnicodeWindowComboChildrenIncluded) {
  for (const char* name : {"ToolBar1", "ComboList", "ButtonOpen", "CheckGreek", "RadioCjk",
                           "PanelRaised", "PanelLowered", "ComboDraw", "StatusBar1"}) {
    auto* control = form_->Find<TWinControl>(name);
    EXPECT_TRUE(IsWindowUnicode(control->Handle())) << name;
  }
  for (const char* name : {"ComboList", "ComboDraw"}) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(form_->Find<TUcComboBox>(name)->Handle(), &info)) << name;
    ASSERT_NE(nullptr, info.hwndList) << name;
    EXPECT_TRUE(IsWindowUnicode(info.hwndList)) << name;
    if (info.hwndItem)
      EXPECT_TRUE(IsWindowUnicode(info.hwndItem)) << name;
  }
}

TEST_F(W3Gallery, OnTheScreenEachKindShowsItsWideTextNotItsEightBitForm) {
  ShowAndPaint();
  ASSERT_EQ("", CjkFontProblem(form_->Font()));
  TTestBitmap picture(form_->ClientWidth(), form_->ClientHeight(), clBlack);
  picture.CopyClient(form_->Handle());
  struct TCase {
    const char* name;
    std::wstring text;  // a part of the caption without its "&" mark
  };
  const TCase cases[] = {
      {"LabelFocus", L"\u043E\u0438\u0441\u043A \u691C\u7D22"},
      {"ButtonOpen", L"\u0442\u043A\u0440\u044B\u0442\u044C \u958B\u304F"},
      {"CheckGreek", L"\u03AE\u03C4\u03B1 \u78BA\u8A8D"},
      {"RadioCjk", L"\u672C \u0420\u0430\u0434\u0438\u043E"},
      {"PanelRaised",
       L"\u041F\u0430\u043D\u0435\u043B\u044C \u03A0\u03AC\u03BD\u03B5\u03BB \u9762"},
      {"ComboList", L"\u0394\u03CD\u03BF \u4E8C"},
      {"ComboDraw", L"\u041A\u0440\u0430\u0441\u043D\u044B\u0439 \u8D64"},
      {"ToolBar1", L"\u0386\u03BD\u03BF\u03B9\u03B3\u03BC\u03B1"},
      {"StatusBar1", L"\u0413\u043E\u0442\u043E\u0432\u043E \u5B8C\u4E86"},
  };
  for (const TCase& c : cases) {
    auto* control = form_->Find<TControl>(c.name);
    const TRect area = AreaOf(control);
    const COLORREF background = CommonColour(picture, area);
    const TInk ink(picture, area, background);
    EXPECT_TRUE(ink.Contains(ReferenceInk(c.text, control->Font(), background))) << c.name;
    const std::wstring ansiForm = AnsiToWide(WideToAnsi(c.text));
    EXPECT_FALSE(ink.Contains(ReferenceInk(ansiForm, control->Font(), background))) << c.name;
  }
}

TEST_F(W3Gallery, DISABLED_ShowFormForScreenshot) {
  ShowAndPaint();
  const char* hold = std::getenv("VEL_HOLD_MS");
  classlib::PumpFor(hold ? static_cast<DWORD>(std::atoi(hold)) : 1000);
}

}  // namespace
