#include "CaptionFit.h"

#include "ComCtrls.h"
#include "FileUtils.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "UcControls.h"
#include "UcSystem.h"
#include "uLanguages.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// What the measure does not judge: the one place that says so.
struct TLimit {
  const char* what;  // a class name matches that class and its descendants
  const char* why;
};
constexpr TLimit kLimits[] = {
    {"TCustomEdit", "edits hold values the user or the instrument gives, no table texts"},
    {"TCustomRichEdit", "the console's lines are the traffic with the instrument"},
    {"TVelCustomLineViewer", "the terminal view shows the device's data"},
    {"TImage", "pictures"},
    {"TProgressBar", "no text"},
    {"tool bar without captions", "its buttons show images; captions only reach the hints"},
    {"menus and hints", "menus and hint windows size themselves to their texts"},
    {"scripts the font lacks",
     "measured with the widths the font link gives; in the test prefix the Japanese of bold "
     "and large captions draws as boxes"},
    {"value panels", "measured with what they show: empty while no instrument is connected"},
    {"labels by neighbours",
     "a label's room ends at the next control shown on its row; one hidden in the state "
     "measured does not count, so each state that shows other controls is measured apart"},
};

const char* LimitOfClass(const TControl* control) {
  for (const TMetaClass* meta = control->ClassType(); meta; meta = meta->Parent())
    for (const TLimit& limit : kLimits)
      if (std::strcmp(meta->Name(), limit.what) == 0)
        return limit.what;
  return nullptr;
}

// Pixels a label keeps before the next control on its row or its parent's
// right edge.
constexpr int kLabelGap = 2;
// Push buttons: edge and focus rectangle on each side.
constexpr int kButtonInset = 4;
// Check boxes: the gap between the box and the text, and a pixel at the end.
constexpr int kBoxGap = 4;
// Combo boxes: the item's margin on each side of the face.
constexpr int kItemInset = 1;
// Status bar parts: border and margin on each side.
constexpr int kPartInset = 3;

class TTextMeter {
 public:
  TTextMeter() : dc_(CreateCompatibleDC(nullptr)) {}
  ~TTextMeter() { DeleteDC(dc_); }
  TTextMeter(const TTextMeter&) = delete;
  TTextMeter& operator=(const TTextMeter&) = delete;

  int Width(HFONT font, const std::wstring& text) const {
    const HGDIOBJ old = SelectObject(dc_, font ? font : GetStockObject(SYSTEM_FONT));
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc_, old);
    return size.cx;
  }

 private:
  HDC dc_;
};

HFONT WindowFont(TWinControl* control) {
  return reinterpret_cast<HFONT>(SendMessageW(control->Handle(), WM_GETFONT, 0, 0));
}

std::wstring WithoutTabs(std::wstring text) {
  text.erase(std::remove(text.begin(), text.end(), L'\t'), text.end());
  return text;
}

class TFitCheck {
 public:
  explicit TFitCheck(const TOtherTexts& others) : others_(others) {}

  std::vector<TMisfit> Form(TCustomForm* form) {
    Title(form);
    Children(form);
    return std::move(misfits_);
  }

 private:
  void Children(TWinControl* parent) {
    for (int i = 0; i < parent->ControlCount(); ++i)
      Control(parent->Controls(i));
  }

  void Control(TControl* c) {
    if (LimitOfClass(c))
      return;
    if (auto* label = dynamic_cast<TCustomLabel*>(c))
      return Label(label);
    if (auto* box = dynamic_cast<TCustomCheckBox*>(c))
      return Boxed(box);
    if (auto* radio = dynamic_cast<TRadioButton*>(c))
      return Boxed(radio);
    if (auto* button = dynamic_cast<TButton*>(c))
      return Fit(c->Name(), WindowFont(button), GetWideControlText(c),
                 c->Width() - 2 * kButtonInset);
    if (auto* combo = dynamic_cast<TCustomComboBox*>(c))
      return Combo(combo);
    if (auto* panel = dynamic_cast<TCustomPanel*>(c))
      return Panel(panel);
    if (auto* text = dynamic_cast<TCustomStaticText*>(c))
      return Fit(c->Name(), WindowFont(text), GetWideControlText(c), text->ClientWidth());
    if (auto* bar = dynamic_cast<TCustomStatusBar*>(c))
      return StatusBar(bar);
    if (auto* bar = dynamic_cast<TToolBar*>(c))
      return ToolBar(bar);
    misfits_.push_back(
        {c->Name(), UTF8ToWideString(std::string("no rule to measure a ") + c->ClassName()), 0, 0});
  }

  // The window title against the title bar less its buttons.
  void Title(TCustomForm* form) {
    TITLEBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetTitleBarInfo(form->Handle(), &info) ||
        (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)))
      return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const bool tool = GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
    const HFONT font =
        CreateFontIndirectW(tool ? &metrics.lfSmCaptionFont : &metrics.lfCaptionFont);
    const int button = tool ? metrics.iSmCaptionWidth : metrics.iCaptionWidth;
    int room = info.rcTitleBar.right - info.rcTitleBar.left;
    for (int part = 2; part <= 5; ++part)
      if (!(info.rgstate[part] & STATE_SYSTEM_INVISIBLE))
        room -= button;
    wchar_t title[256] = L"";
    GetWindowTextW(form->Handle(), title, 256);
    Fit("title", font, title, room);
    DeleteObject(font);
  }

  void Label(TCustomLabel* label) {
    const std::wstring text = GetWideControlText(label);
    Fit(label->Name(), label->Font()->Handle(), text,
        label->AutoSize() ? RowRoom(label) : label->Width());
  }

  // From the label's left to the next visible control on its row, or to its
  // parent's right edge.
  static int RowRoom(TControl* label) {
    const TRect own = label->BoundsRect();
    TWinControl* parent = label->Parent();
    int end = parent->ClientWidth();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* other = parent->Controls(i);
      const TRect r = other->BoundsRect();
      if (other != label && other->Visible() && r.left > own.left && r.top < own.bottom &&
          own.top < r.bottom)
        end = std::min(end, static_cast<int>(r.left));
    }
    return end - own.left - kLabelGap;
  }

  void Boxed(TButtonControl* box) {
    const int mark = GetSystemMetrics(SM_CXMENUCHECK);
    Fit(box->Name(), WindowFont(box), GetWideControlText(box), box->Width() - mark - kBoxGap);
  }

  // Every item against the face, where the chosen one shows: it is narrower
  // than the list by the drop-down button, which is at least as wide as the
  // list's scroll bar.
  void Combo(TCustomComboBox* combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo->Handle(), &info);
    const int room = info.rcItem.right - info.rcItem.left - 2 * kItemInset;
    const HFONT font = WindowFont(combo);
    const int count = static_cast<int>(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring item(SendMessageW(combo->Handle(), CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
      SendMessageW(combo->Handle(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
      item.resize(wcslen(item.c_str()));
      Fit(combo->Name() + " item", font, item, room);
    }
  }

  // The caption is centred between the children aligned to the sides.
  void Panel(TCustomPanel* panel) {
    int sides = 0;
    for (int i = 0; i < panel->ControlCount(); ++i) {
      TControl* child = panel->Controls(i);
      if (child->Visible() && (child->Align() == alLeft || child->Align() == alRight))
        sides = std::max(sides, child->Width());
    }
    const int bevels = (panel->BevelOuter() != bvNone) + (panel->BevelInner() != bvNone);
    const int frame = panel->BorderWidth() + bevels * panel->BevelWidth();
    Fit(panel->Name(), panel->Font()->Handle(), GetWideControlText(panel),
        panel->Width() - 2 * (frame + sides));
    Children(panel);
  }

  void StatusBar(TCustomStatusBar* bar) {
    const HWND window = bar->Handle();
    const HFONT font = WindowFont(bar);
    const int parts = static_cast<int>(SendMessageW(window, SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
      RECT r{};
      SendMessageW(window, SB_GETRECT, i, reinterpret_cast<LPARAM>(&r));
      std::wstring text(LOWORD(SendMessageW(window, SB_GETTEXTLENGTHW, i, 0)) + 1, L'\0');
      SendMessageW(window, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(&text[0]));
      text.resize(wcslen(text.c_str()));
      Fit(bar->Name() + "." + IntToStr(i), font, WithoutTabs(text),
          r.right - r.left - 2 * kPartInset);
    }
  }

  void ToolBar(TToolBar* bar) {
    if (!bar->ShowCaptions())
      return;  // one of kLimits
    const HWND window = bar->Handle();
    const HFONT font = WindowFont(bar);
    const int padding = LOWORD(SendMessageW(window, TB_GETPADDING, 0, 0));
    for (int i = 0; i < bar->ButtonCount(); ++i) {
      TToolButton* button = bar->Buttons(i);
      if (button->Style() == tbsDivider || button->Style() == tbsSeparator)
        continue;
      Fit(button->Name(), font, GetWideControlText(button), button->Width() - padding);
    }
  }

  // The text the control shows now and those it shows in other states.
  void Fit(const std::string& name, HFONT font, const std::wstring& text, int room) {
    FitOne(name, font, text, room);
    const auto others = others_.find(name);
    if (others != others_.end())
      for (const std::wstring& other : others->second)
        FitOne(name, font, other, room);
  }

  void FitOne(const std::string& name, HFONT font, const std::wstring& text, int room) {
    const int width = meter_.Width(font, text);
    if (width > room)
      misfits_.push_back({name, text, width, room});
  }

  const TOtherTexts& others_;
  TTextMeter meter_;
  std::vector<TMisfit> misfits_;
};

void SelectLongestItems(TWinControl* parent) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (auto* combo = dynamic_cast<TCustomComboBox*>(c)) {
      const HWND window = combo->Handle();
      const int count = static_cast<int>(SendMessageW(window, CB_GETCOUNT, 0, 0));
      int longest = -1;
      LRESULT length = -1;
      for (int item = 0; item < count; ++item) {
        const LRESULT l = SendMessageW(window, CB_GETLBTEXTLEN, item, 0);
        if (l > length) {
          longest = item;
          length = l;
        }
      }
      combo->SetItemIndex(longest);
    } else if (auto* child = dynamic_cast<TWinControl*>(c)) {
      SelectLongestItems(child);
    }
  }
}

}  // namespace

std::string TMisfit::Describe() const {
  if (room == 0 && width == 0)
    return control + ": " + WideStringToUTF8(text);
  return Format("%s: \"%s\" is %d px wide, room %d px", control.c_str(),
                WideStringToUTF8(text).c_str(), width, room);
}

std::vector<TMisfit> CaptionMisfits(TCustomForm* form, const TOtherTexts& others) {
  return TFitCheck(others).Form(form);
}

void TCaptionFitReport::Check(TCustomForm* form, const std::string& formName, int language,
                              const TOtherTexts& others) {
  static const bool limitsShown = [] {
    for (const TLimit& limit : kLimits)
      std::printf("not measured: %s: %s\n", limit.what, limit.why);
    return true;
  }();
  (void)limitsShown;
  form->Show();
  classlib::PumpFor(20);
  const std::string where =
      Format("%s (%d), %s, ", WideStringToUTF8(GetLanguageName(language)).c_str(), language,
             formName.c_str());
  for (const TMisfit& misfit : CaptionMisfits(form, others)) {
    if (standing_.languages.count(language) && standing_.controls.count(misfit.control)) {
      seen_.insert(misfit.control);
      std::printf("stands: %s%s\n", where.c_str(), misfit.Describe().c_str());
    } else {
      ADD_FAILURE() << where << misfit.Describe();
    }
  }
}

void TCaptionFitReport::ExpectStandingMisfitsSeen() const {
  for (const std::string& control : standing_.controls)
    EXPECT_TRUE(seen_.count(control)) << control << " fits now: it stands no longer";
}

bool HoldForPicture(TCustomForm* form, const std::string& name) {
  const char* folder = std::getenv("VEL_PICTURE_DIR");
  if (!folder)
    return false;
  form->Show();
  SelectLongestItems(form);
  SetForegroundWindow(form->Handle());
  BringWindowToTop(form->Handle());
  classlib::PumpFor(300);
  RECT r{};
  GetWindowRect(form->Handle(), &r);
  std::printf("picture %s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right - r.left,
              r.bottom - r.top);
  std::fflush(stdout);
  // The folder is a host path; Wine's drive Z: is the host's root.
  const std::string picture = std::string("Z:") + folder + "/" + name + ".png";
  return classlib::PumpUntil([&] { return FileExists(picture); }, 20000);
}
