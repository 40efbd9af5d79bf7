// The gallery: every control of the library on one form, shown for a
// picture of it. Usage: gallery LAYOUT RELEASE POPUP POPUP-RELEASE
// Once the form is painted it writes LAYOUT (each control's rectangle within
// the window, the menu bar's band, and sample points with the plain colour
// expected there) and keeps the form up until the file RELEASE exists, so
// that the host side can capture and check the window meanwhile. Then a
// right click on the raised panel opens its popup menu; once it shows, the
// program writes the menu's screen rectangle to POPUP and closes the menu
// when POPUP-RELEASE exists.
#include "ActnList.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FileUtils.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Startup.h"
#include "SysUtils.h"

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>

namespace {

// Wide text in the form's font: with the prefix's font link the CJK
// characters show as glyphs, not as boxes.
class TWideSample : public TGraphicControl {
  VEL_CLASS(TWideSample, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    static const wchar_t text[] = L"CJK: \u65e5\u672c\u8a9e \u4e2d\u6587";
    HDC dc = Canvas()->Handle();
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 0, 0, text, static_cast<int>(wcslen(text)));
  }
};

VEL_COMPONENT_IMPL(TWideSample, TGraphicControl)

class TGalleryForm : public TForm {
  VEL_CLASS(TGalleryForm, TForm)
  static void Publish(TPublisher<TGalleryForm>& p);

 public:
  using TForm::TForm;

  TComboBox* ComboPlain = nullptr;
  TComboBox* ComboCentred = nullptr;
  TRichEdit* RichColours = nullptr;
  TLabel* LabelTimer = nullptr;
  TTimer* Timer1 = nullptr;
  bool ticked = false;

  void FormCreate(TObject*) {
    for (const char* fruit : {"Apple", "Banana", "Cherry"}) {
      ComboPlain->Items()->Add(fruit);
      ComboCentred->Items()->Add(fruit);
    }
    ComboCentred->SetItemIndex(1);
    const TColor colours[] = {clRed, clBlue, clGreen};
    const char* names[] = {"A red line", "A blue line", "A green line"};
    for (int i = 0; i < 3; ++i) {
      RichColours->SetSelStart(RichColours->GetTextLen());
      RichColours->SelAttributes()->SetColor(colours[i]);
      RichColours->Lines()->Add(names[i]);
    }
  }

  // Centred items in the colours the combo box prepared.
  void ComboCentredDrawItem(TWinControl*, int index, const TRect& rect, TOwnerDrawState) {
    TCanvas* canvas = ComboCentred->Canvas();
    canvas->FillRect(rect);
    const std::string text = index >= 0 ? ComboCentred->Items()->Strings(index) : "";
    const TSize size = canvas->TextExtent(text);
    canvas->TextOut(rect.left + (rect.Width() - size.cx) / 2,
                    rect.top + (rect.Height() - size.cy) / 2, text);
  }

  void Timer1Timer(TObject*) {
    Timer1->SetEnabled(false);
    LabelTimer->SetCaption("The timer ticked");
    ticked = true;
  }

  void ActHelloExecute(TObject*) {}

  // The popup phase: the menu loop runs inside the right click, and this
  // timer's ticks with it.
  std::string popupPath;
  std::string popupRelease;
  int popupTicks = 0;
  bool popupWritten = false;
  bool popupClosed = false;

  void PopupTick(TObject*) {
    const HWND menu = FindWindowA("#32768", nullptr);
    // Written a few ticks after the menu showed: by then it is painted.
    if (menu && IsWindowVisible(menu) && ++popupTicks == 6) {
      TRect r;
      GetWindowRect(menu, &r);
      std::ofstream(popupPath) << "popup " << r.left << ' ' << r.top << ' ' << r.Width() << ' '
                               << r.Height() << "\nend\n";
      popupWritten = true;
    }
    if (popupWritten && FileExists(popupRelease)) {
      EndMenu();
      popupClosed = true;
    }
  }
};

VEL_COMPONENT_IMPL(TGalleryForm, TForm)

void TGalleryForm::Publish(TPublisher<TGalleryForm>& p) {
  p.Field<&TGalleryForm::ComboPlain>("ComboPlain");
  p.Field<&TGalleryForm::ComboCentred>("ComboCentred");
  p.Field<&TGalleryForm::RichColours>("RichColours");
  p.Field<&TGalleryForm::LabelTimer>("LabelTimer");
  p.Field<&TGalleryForm::Timer1>("Timer1");
  p.Method<&TGalleryForm::FormCreate>("FormCreate");
  p.Method<&TGalleryForm::ComboCentredDrawItem>("ComboCentredDrawItem");
  p.Method<&TGalleryForm::Timer1Timer>("Timer1Timer");
  p.Method<&TGalleryForm::ActHelloExecute>("ActHelloExecute");
}

// A control's rectangle within the form's window.
TRect WindowRectOf(TGalleryForm* form, TControl* control) {
  TRect window;
  GetWindowRect(form->Handle(), &window);
  const TPoint origin = control->Parent()->ClientToScreen(TPoint(control->Left(), control->Top()));
  return Bounds(origin.x - window.left, origin.y - window.top, control->Width(), control->Height());
}

// A point of control (in its own coordinates) within the form's window.
TPoint WindowPointOf(TGalleryForm* form, TControl* control, int x, int y) {
  const TRect r = WindowRectOf(form, control);
  return TPoint(r.left + x, r.top + y);
}

std::string Hex(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return Format("%.2x%.2x%.2x", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

void WriteLayout(TGalleryForm* form, const std::string& path) {
  std::ofstream out(path);
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(form->Components(i));
    if (!control || !control->Visible() || dynamic_cast<TToolButton*>(control))
      continue;
    const TRect r = WindowRectOf(form, control);
    out << "control " << control->Name() << ' ' << control->ClassName() << ' ' << r.left << ' '
        << r.top << ' ' << r.Width() << ' ' << r.Height() << '\n';
  }
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  TRect window;
  GetWindowRect(form->Handle(), &window);
  if (GetMenuBarInfo(form->Handle(), OBJID_MENU, 0, &bar)) {
    out << "menubar " << bar.rcBar.left - window.left << ' ' << bar.rcBar.top - window.top << ' '
        << bar.rcBar.right - bar.rcBar.left << ' ' << bar.rcBar.bottom - bar.rcBar.top << '\n';
  }
  // Plain areas, at points clear of their text.
  struct TSample {
    const char* name;
    int x;
    int y;
  };
  for (const TSample& s : {TSample{"PanelRaised", 6, 6}, TSample{"PanelLowered", 6, 6},
                           TSample{"StripAmber", -6, 9}, TSample{"EditReadOnly", -8, 10}}) {
    auto* control = static_cast<TControl*>(form->FindComponent(s.name));
    const int x = s.x >= 0 ? s.x : control->Width() + s.x;
    const TPoint p = WindowPointOf(form, control, x, s.y);
    out << "sample " << s.name << ' ' << p.x << ' ' << p.y << ' ' << Hex(control->Color()) << '\n';
  }
  out << "end\n";
}

// A right click on the raised panel, as the user gives it.
void ShowPopup(TGalleryForm* form, const std::string& path, const std::string& release) {
  form->popupPath = path;
  form->popupRelease = release;
  TOwned<TTimer> timer(Create<TTimer>(nullptr));
  timer->SetInterval(50);
  timer->SetOnTimer(Method<&TGalleryForm::PopupTick>(form));
  auto* panel = static_cast<TWinControl*>(form->FindComponent("PanelRaised"));
  PostMessageA(panel->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
  PostMessageA(panel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
  classlib::PumpUntil([form] { return form->popupClosed; }, 120000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gallery LAYOUT RELEASE POPUP POPUP-RELEASE\n");
    return 2;
  }
  classlib::Startup();
  int result = 0;
  try {
    RegisterClass(TGalleryForm::StaticClass());
    RegisterClass(TWideSample::StaticClass());
    TGalleryForm* form = nullptr;
    Application()->CreateForm(&form);
    form->Show();
    SetForegroundWindow(form->Handle());
    if (!classlib::PumpUntil([form] { return form->ticked; }, 10000)) {
      std::fprintf(stderr, "gallery: the timer never ticked\n");
      result = 1;
    }
    form->Repaint();
    classlib::PumpFor(500);
    WriteLayout(form, argv[1]);
    classlib::PumpUntil([&] { return FileExists(argv[2]); }, 120000);
    ShowPopup(form, argv[3], argv[4]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gallery: %s\n", e.what());
    result = 1;
  }
  classlib::Shutdown();
  return result;
}
