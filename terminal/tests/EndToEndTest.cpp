// The real velterm.exe in its own process: a user's session against the
// virtual null-modem, seen through its windows and the screen, and the
// single-instance hand-over to a second start.
#include "FileUtils.h"
#include "LibraryEnvironment.h"
#include "PeerClient.h"
#include "ProgramProcess.h"
#include "SysUtils.h"
#include "System.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <winver.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

constexpr COLORREF kDeviceRgb = RGB(0, 255, 0);
constexpr COLORREF kUserRgb = RGB(0, 0, 255);

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      Format("%svelterm-e2e-%d-%d\\", temp, static_cast<int>(GetCurrentProcessId()),
             static_cast<int>(GetTickCount()));
  ForceDirectories(folder);
  return folder;
}

struct TWindowSearch {
  std::string part;
  HWND found;
};

BOOL CALLBACK FindChild(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TWindowSearch*>(p);
  if (ClassOf(w).find(s->part) == std::string::npos)
    return TRUE;
  s->found = w;
  return FALSE;
}

// The first descendant whose class name contains part.
HWND ChildOfClass(HWND parent, const std::string& part) {
  TWindowSearch search{part, nullptr};
  EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string VeltermPath() {
  return ExtractFilePath(ParamStr(0)) + "..\\velterm.exe";
}

// A velterm process, ended when the object goes.
class TVelterm : public TProgramProcess {
 public:
  explicit TVelterm(const std::string& args = "") : TProgramProcess("..\\velterm.exe", args) {}
};

// A tool button's rectangle, asked for through memory in the bar's process.
RECT ToolButtonRect(HWND bar, DWORD pid, int index) {
  RECT r{};
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process)
    return r;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  if (remote && SendMessageA(bar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)))
    ReadProcessMemory(process, remote, &r, sizeof(r), nullptr);
  if (remote)
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return r;
}

void ClickAt(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Counts the screen pixels of a window's client area per colour.
std::vector<int> CountColours(HWND window, const std::vector<COLORREF>& colours) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int w = client.right;
  const int h = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  std::vector<int> counts(colours.size(), 0);
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int i = 0; i < w * h; ++i) {
    const uint32_t p = pixels[i];
    const COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    for (size_t k = 0; k < colours.size(); ++k)
      counts[k] += c == colours[k];
  }
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return counts;
}

// The colour of one pixel of an icon drawn on black.
COLORREF IconPixel(HICON icon, int x, int y) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PatBlt(memory, 0, 0, 32, 32, BLACKNESS);
  DrawIconEx(memory, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  const COLORREF c = GetPixel(memory, x, y);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return c;
}

TEST(VeltermResources, TheSettingsFileIconIsIconTwo) {
  const std::string path = VeltermPath();
  ASSERT_GE(ExtractIconExA(path.c_str(), -1, nullptr, nullptr, 0), 3u);
  HICON icons[3] = {};
  ASSERT_EQ(3u, ExtractIconExA(path.c_str(), 0, icons, nullptr, 3));
  // The program's screen stands on a grey foot; the settings page has an
  // amber band at the bottom.
  EXPECT_EQ(RGB(90, 90, 90), IconPixel(icons[0], 16, 30));
  EXPECT_EQ(RGB(254, 203, 14), IconPixel(icons[2], 16, 30));
  for (HICON icon : icons)
    DestroyIcon(icon);
}

TEST(VeltermResources, VersionBlockCarriesTheAboutBoxValues) {
  const std::string path = VeltermPath();
  DWORD handle = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &handle));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(0x0409, static_cast<const WORD*>(value)[0]);
  EXPECT_EQ(0x04E4, static_cast<const WORD*>(value)[1]);
  for (const char* name : {"FileVersion", "LegalCopyright", "LegalTrademarks"}) {
    const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
    EXPECT_TRUE(VerQueryValueA(block.data(), key.c_str(), &value, &length) && length > 1) << name;
  }
}

TEST(VeltermEndToEnd, TypesToThePeerAndShowsItsAnswerInTheDeviceColour) {
  TPeerPort peer(10, 256);
  const std::string file = TempFolder() + "e2e.vtcfg";
  std::ofstream(file, std::ios::binary) << Format(
      "[COM]\r\nPort=%d\r\nBaud=19200\r\n[DATA]\r\nTerminator=3\r\nColorUser=%u\r\n"
      "ColorDevice=%u\r\nLocalEcho=1\r\n",
      peer.Number(), static_cast<unsigned>(kUserRgb), static_cast<unsigned>(kDeviceRgb));
  TVelterm velterm("\"" + file + "\"");
  const HWND main = velterm.WaitWindow();
  ASSERT_NE(nullptr, main);
  const HWND bar = ChildOfClass(main, "ToolBar");
  const HWND terminal = ChildOfClass(main, "TVelTerminal");
  ASSERT_NE(nullptr, bar);
  ASSERT_NE(nullptr, terminal);
  char title[128] = {};
  GetWindowTextA(main, title, sizeof(title));
  EXPECT_EQ("VelmorTerminal [e2e.vtcfg]", std::string(title));

  // tbConnect: exit, divider, connect.
  const RECT r = ToolButtonRect(bar, velterm.Pid(), 2);
  ASSERT_GT(r.right, r.left);
  ClickAt(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(WaitFor([&] { return peer.ModemLines().DTR; }, 5000));
  EXPECT_EQ(19200u, peer.Termios().Baud);

  for (char c : std::string("hi\r"))
    PostMessageA(terminal, WM_CHAR, static_cast<unsigned char>(c), 0);
  EXPECT_EQ("hi\r\n", peer.Receive(4, 3000));

  peer.Send("DEVICE LINE\r\n");
  std::vector<int> counts;
  WaitFor(
      [&] {
        counts = CountColours(terminal, {kDeviceRgb, kUserRgb});
        return counts[0] > 20 && counts[1] > 5;
      },
      5000);
  EXPECT_GT(counts[0], 20) << "device colour pixels";
  EXPECT_GT(counts[1], 5) << "user colour pixels";
  // VEL_HOLD_MS keeps the session on screen for a picture of it.
  if (const char* hold = getenv("VEL_HOLD_MS"))
    Sleep(static_cast<DWORD>(atoi(hold)));
}

TEST(VeltermEndToEnd, AVanishedDeviceSaysSoAndShowsTheDisconnectedState) {
  TPeerPort peer(10, 256);
  const std::string file = TempFolder() + "lost.vtcfg";
  std::ofstream(file, std::ios::binary) << Format("[COM]\r\nPort=%d\r\n", peer.Number());
  TVelterm velterm("\"" + file + "\"");
  const HWND main = velterm.WaitWindow();
  ASSERT_NE(nullptr, main);
  const HWND bar = ChildOfClass(main, "ToolBar");
  const RECT r = ToolButtonRect(bar, velterm.Pid(), 2);
  ClickAt(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(WaitFor([&] { return peer.ModemLines().DTR; }, 5000));
  peer.Send(std::string(5000, '.'));
  peer.Vanish();
  EXPECT_EQ("Lost the connection to COM" + IntToStr(peer.Number()), velterm.WaitBox(3000));
  // The panel is centred: its text starts with a tab.
  EXPECT_EQ("\tDisconnected", PanelText(StatusBarOf(main), 1));
  EXPECT_EQ("", velterm.WaitBox(500)) << "a second box";
}

TEST(VeltermEndToEnd, ASecondStartWakesTheFirstAndEndsWithOne) {
  TVelterm first;
  const HWND window = first.WaitWindow();
  ASSERT_NE(nullptr, window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 3000));

  TVelterm second;
  bool secondShowed = false;
  const bool ended = WaitFor(
      [&] {
        secondShowed |= MainWindowOf(second.Pid()) != nullptr;
        return WaitForSingleObject(second.Process(), 0) == WAIT_OBJECT_0;
      },
      10000);
  ASSERT_TRUE(ended);
  DWORD code = 0;
  GetExitCodeProcess(second.Process(), &code);
  EXPECT_EQ(1u, code);
  EXPECT_FALSE(secondShowed);
  EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 3000));
}

}  // namespace
