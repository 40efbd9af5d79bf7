#include "TermTestSupport.h"

#include "LibraryEnvironment.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

class TTermEnvironment : public TLibraryEnvironment {
  void BeforeStartup() override {
    RegisterClass(TVelTerminal::StaticClass());
    RegisterClass(TProbeTerminal::StaticClass());
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TTermEnvironment);

std::vector<std::string>& TempFiles() {
  static std::vector<std::string> files;
  return files;
}

// A 32-bit top-down DIB with a memory DC, for reading pixels back.
class TPixelGrab {
 public:
  TPixelGrab(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~TPixelGrab() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TPixelGrab(const TPixelGrab&) = delete;
  TPixelGrab& operator=(const TPixelGrab&) = delete;
  HDC DC() const { return dc_; }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits_);
    std::vector<uint32_t> result(p, p + width_ * height_);
    for (uint32_t& v : result)
      v &= 0xFFFFFF;
    return result;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
};

class TFlakyLogStream : public TVelFileStream {
 public:
  using TVelFileStream::TVelFileStream;
  int32_t Write(const void* buffer, int32_t count) override {
    if (failed_ || count < 2)
      return TVelFileStream::Write(buffer, count);
    failed_ = true;
    return TVelFileStream::Write(buffer, count - 1);
  }

 private:
  bool failed_ = false;
};

}  // namespace

// ---- Test controls ---------------------------------------------------------------

VEL_COMPONENT_IMPL(TProbeTerminal, TVelTerminal)

TVelFileStream* TProbeTerminal::CreateLogFile(const std::string& name, uint16_t mode) {
  if (flakyLog)
    return new TFlakyLogStream(name, mode);
  return TVelTerminal::CreateLogFile(name, mode);
}
VEL_COMPONENT_IMPL(TSyntheticViewer, TVelCustomLineViewer)

std::string TSyntheticViewer::Line(int n) {
  return "line " + std::to_string(n) + " abcdefghijklmnopqrstuvwxyz";
}

void TSyntheticViewer::GetLineText(int line, TVelTRMColorMode& mode, TVelCLVCharColors&,
                                   std::string& text) {
  mode = cmLDefault;
  text = Line(line);
}

// ---- Fixture ----------------------------------------------------------------------

void TermFormTest::SetUp() {
  classlib::Shutdown();
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  classlib::Startup();
  Application()->SetTitle("Termview test");
  blinkTime = GetCaretBlinkTime();
  SetMessageBoxFunc([this](HWND, const std::string& text, const std::string& caption, UINT flags) {
    boxes.push_back(caption + "|" + text + "|" + std::to_string(flags));
    return IDOK;
  });
  form = CreateNew<TForm>(nullptr);
  form->SetCaption("Termview test form");
  // Away from the corner where other test programs put their windows.
  form->SetBounds(600, 500, 640, 480);
  SetModifiers({});
}

void TermFormTest::ShowForm() {
  form->Show();
  // Pixels are read back from the screen: nothing may cover the form.
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(form->Handle());
  SetActiveWindow(form->Handle());
  EXPECT_TRUE(classlib::PumpUntil([this] { return form->Active(); }, 3000));
  Settle();
}

void TermFormTest::TearDown() {
  if (form)
    form->Free();
  form = nullptr;
  SetMessageBoxFunc(nullptr);
  SetModifiers({});
  ReleaseCapture();
  EXPECT_EQ(blinkTime, GetCaretBlinkTime()) << "the system blink time was left changed";
  SetCaretBlinkTime(blinkTime);
  for (const std::string& name : TempFiles())
    DeleteFileA(name.c_str());
  TempFiles().clear();
}

// ---- Input ------------------------------------------------------------------------

void SetModifiers(TShiftState shift) {
  BYTE state[256];
  GetKeyboardState(state);
  auto set = [&state](int vk, bool down) { state[vk] = down ? 0x80 : 0; };
  set(VK_SHIFT, shift.Contains(ssShift));
  set(VK_LSHIFT, shift.Contains(ssShift));
  set(VK_CONTROL, shift.Contains(ssCtrl));
  set(VK_LCONTROL, shift.Contains(ssCtrl));
  set(VK_MENU, shift.Contains(ssAlt));
  set(VK_LBUTTON, shift.Contains(ssLeft));
  SetKeyboardState(state);
}

void SendKey(TWinControl* control, WORD vk, TShiftState shift, char ch) {
  SetModifiers(shift);
  const LPARAM data = 1 | (MapVirtualKeyA(vk, 0) << 16);
  SendMessageA(control->Handle(), WM_KEYDOWN, vk, data);
  if (ch)
    SendMessageA(control->Handle(), WM_CHAR, static_cast<unsigned char>(ch), data);
  SendMessageA(control->Handle(), WM_KEYUP, vk, data | (3u << 30));
  SetModifiers({});
}

void SendChar(TWinControl* control, char ch) {
  SendMessageA(control->Handle(), WM_CHAR, static_cast<unsigned char>(ch), 1);
}

void SendMouse(TWinControl* control, UINT msg, int x, int y, WPARAM keys) {
  SendMessageA(control->Handle(), msg, keys, MAKELPARAM(x, y));
}

void SendScroll(TWinControl* control, UINT msg, int code, int pos) {
  SendMessageA(control->Handle(), msg, MAKEWPARAM(code, pos), 0);
}

void SendWheel(TWinControl* control, int delta) {
  const TPoint p = control->ClientToScreen(TPoint(10, 10));
  SendMessageA(control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(p.x, p.y));
}

void Settle() {
  classlib::PumpFor(30);
  Application()->ProcessMessages();
}

// ---- Pixels -----------------------------------------------------------------------

bool HasUpdate(TWinControl* control, TRect* box) {
  RECT r{};
  const bool any = GetUpdateRect(control->Handle(), &r, FALSE) != FALSE;
  if (box)
    *box = r;
  return any;
}

std::vector<uint32_t> ClientPixels(TWinControl* control) {
  UpdateWindow(control->Handle());
  return ScreenPixels(control);
}

std::vector<uint32_t> ScreenPixels(TWinControl* control) {
  const TRect client = control->ClientRect();
  TPixelGrab grab(client.Width(), client.Height());
  HDC dc = GetDC(control->Handle());
  BitBlt(grab.DC(), 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(control->Handle(), dc);
  return grab.Pixels();
}

std::vector<uint32_t> RepaintedPixels(TWinControl* control) {
  InvalidateRect(control->Handle(), nullptr, FALSE);
  return ClientPixels(control);
}

// ---- Files ------------------------------------------------------------------------

std::string TempFileName(const std::string& name) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string path =
      std::string(folder) + "termview_" + std::to_string(GetCurrentProcessId()) + "_" + name;
  DeleteFileA(path.c_str());
  TempFiles().push_back(path);
  return path;
}

std::string ReadFileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
