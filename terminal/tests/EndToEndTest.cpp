// The real velterm.exe in its own process: a user's session against the
// virtual null-modem, seen through its windows and the screen; the settings
// dialog with values its lists lack; the byte table under real mouse input;
// and the single-instance hand-over to a second start, with its file.
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

#include <algorithm>
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

// Sends a common-controls message whose lParam points at size bytes in the
// window's process, and copies them back into buffer; the message's result.
LRESULT SendWithRemoteBuffer(HWND window, UINT msg, WPARAM wParam, void* buffer, size_t size) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               ProcessOf(window));
  if (!process)
    return 0;
  LRESULT result = 0;
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  if (remote) {
    result = SendMessageA(window, msg, wParam, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, buffer, size, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return result;
}

// A tool button's rectangle in the bar's client area.
RECT ToolButtonRect(HWND bar, int index) {
  RECT r{};
  if (!SendWithRemoteBuffer(bar, TB_GETITEMRECT, index, &r, sizeof(r)))
    r = RECT{};
  return r;
}

void ClickAt(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Tool-bar places: exit, divider, connect, save, divider, clear, copy,
// paste, divider, byte table, password mode, divider, settings.
constexpr int kConnectButton = 2;
constexpr int kByteTableButton = 9;
constexpr int kSettingsButton = 12;

// Clicks a tool button of the main window.
void ClickToolButton(HWND main, int index) {
  const HWND bar = ChildOfClass(main, "ToolBar");
  const RECT r = ToolButtonRect(bar, index);
  ClickAt(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Clicks Connect; true once the port is open at the peer's end.
bool Connect(HWND main, TPeerPort& peer) {
  ClickToolButton(main, kConnectButton);
  return WaitFor([&] { return peer.ModemLines().DTR; }, 5000);
}

// The quoted name of a new settings file that names the peer's port.
std::string PortSettingsArgument(const TPeerPort& peer, const std::string& name) {
  const std::string file = TempFolder() + name;
  std::ofstream(file, std::ios::binary) << Format("[COM]\r\nPort=%d\r\n", peer.Number());
  return "\"" + file + "\"";
}

// The real mouse: moves to a screen point and presses or lets go.
void MouseAt(const POINT& at, DWORD buttons) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof(input));
}

void RealClick(const POINT& at) {
  MouseAt(at, MOUSEEVENTF_LEFTDOWN);
  MouseAt(at, MOUSEEVENTF_LEFTUP);
}

struct TChildSearch {
  std::string part;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TChildSearch*>(p);
  if (ClassOf(w).find(s->part) != std::string::npos)
    s->found.push_back(w);
  return TRUE;
}

// The descendants whose class name contains part.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::string& part) {
  TChildSearch search{part, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string TitleOf(HWND window) {
  char title[512] = {};
  GetWindowTextA(window, title, sizeof(title));
  return title;
}

std::vector<std::string> StaticTexts(HWND parent) {
  std::vector<std::string> texts;
  for (HWND w : ChildrenOfClass(parent, "Static"))
    texts.push_back(TitleOf(w));
  return texts;
}

// The selected item of each combo box.
std::vector<std::string> ComboSelections(HWND parent) {
  std::vector<std::string> texts;
  for (HWND combo : ChildrenOfClass(parent, "ComboBox")) {
    wchar_t text[256] = {};
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    // The system carries this message's text across processes itself.
    if (index >= 0 && SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) < 256)
      SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    texts.push_back(WideToAnsi(text));
  }
  return texts;
}

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

HWND ButtonOf(HWND parent, const std::string& caption) {
  for (HWND w : ChildrenOfClass(parent, "Button"))
    if (TitleOf(w) == caption)
      return w;
  return nullptr;
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

  ASSERT_GT(ToolButtonRect(bar, kConnectButton).right, 0);
  ClickToolButton(main, kConnectButton);
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
  TVelterm velterm(PortSettingsArgument(peer, "lost.vtcfg"));
  const HWND main = velterm.WaitWindow();
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(Connect(main, peer));
  peer.Send(std::string(5000, '.'));
  peer.Vanish();
  EXPECT_EQ("Lost the connection to COM" + IntToStr(peer.Number()), velterm.WaitBox(3000));
  EXPECT_EQ("Disconnected", PanelText(StatusBarOf(main), 1));
  EXPECT_EQ("", velterm.WaitBox(500)) << "a second box";
}

// Starts a second velterm with args and expects it to end with exit code 1
// within the time limits, without ever showing a window.
void ExpectSecondStartEnds(const std::string& args = "") {
  TVelterm second(args);
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
}

TEST(VeltermEndToEnd, ASecondStartWakesTheFirstAndEndsWithOne) {
  TVelterm first;
  const HWND window = first.WaitWindow();
  ASSERT_NE(nullptr, window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 3000));

  ExpectSecondStartEnds();
  EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 3000));
}

// Opening a settings file from the shell while velterm runs: the second
// start hands the file, named relative to its own folder, to the first.
TEST(VeltermEndToEnd, ASecondStartHandsItsFileToTheFirst) {
  TPeerPort peer(10, 256);
  TVelterm first;
  const HWND window = first.WaitWindow();
  ASSERT_NE(nullptr, window);
  const std::string folder = TempFolder();
  std::ofstream(folder + "handed.vtcfg", std::ios::binary)
      << Format("[COM]\r\nPort=%d\r\nBaud=57600\r\n", peer.Number());
  std::ofstream(folder + "other.vtcfg", std::ios::binary) << "[COM]\r\nBaud=1200\r\n";
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(folder.c_str());
  ExpectSecondStartEnds("handed.vtcfg");
  // Names that change nothing.
  ExpectSecondStartEnds("missing.vtcfg");
  ExpectSecondStartEnds("\"\"");
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(WaitFor([&] { return TitleOf(window) == "VelmorTerminal [handed.vtcfg]"; }, 5000));
  const HWND status = ChildOfClass(window, "StatusBar");
  EXPECT_EQ(Format("COM%d: 57600,8,n,1", peer.Number()), PanelText(status, 0));
  Sleep(300);
  EXPECT_TRUE(TopWindows(first.Pid(), "#32770").empty());

  // Connected, the file is not loaded, and the first says so.
  ASSERT_TRUE(Connect(window, peer));
  ExpectSecondStartEnds("\"" + folder + "other.vtcfg\"");
  const HWND box = WaitTopWindow(first.Pid(), "#32770");
  ASSERT_NE(nullptr, box);
  const std::vector<std::string> texts = StaticTexts(box);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
    return text.find(folder + "other.vtcfg") == 0 &&
           text.find("was not loaded") != std::string::npos;
  })) << testing::PrintToString(texts);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ("VelmorTerminal [handed.vtcfg]", TitleOf(window));
  EXPECT_EQ(57600u, peer.Termios().Baud);
}

// A port and a rate that the dialog's lists lack, from the command line:
// OK without touching anything keeps both.
TEST(VeltermEndToEnd, TheSettingsDialogKeepsWhatItsListsLack) {
  const std::string file = TempFolder() + "kept.vtcfg";
  std::ofstream(file, std::ios::binary) << "[COM]\r\nPort=77\r\nBaud=250000\r\n";
  TVelterm velterm("\"" + file + "\"");
  const HWND main = velterm.WaitWindow();
  ASSERT_NE(nullptr, main);
  const HWND status = ChildOfClass(main, "StatusBar");
  EXPECT_EQ("COM77: 250000,8,n,1", PanelText(status, 0));
  ClickToolButton(main, kSettingsButton);
  const HWND dialog = WaitTopWindow(velterm.Pid(), "TSettingsForm");
  ASSERT_NE(nullptr, dialog);
  const std::vector<std::string> shown = ComboSelections(dialog);
  EXPECT_TRUE(Holds(shown, "COM77")) << testing::PrintToString(shown);
  EXPECT_TRUE(Holds(shown, "250000")) << testing::PrintToString(shown);
  // VEL_HOLD_MS keeps the dialog on screen for a picture of it.
  if (const char* hold = getenv("VEL_HOLD_MS"))
    Sleep(static_cast<DWORD>(atoi(hold)));
  const HWND ok = ButtonOf(dialog, "Ok");
  ASSERT_NE(nullptr, ok);
  PostMessageA(ok, BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }, 5000));
  EXPECT_EQ("COM77: 250000,8,n,1", PanelText(status, 0));
}

// The byte table under the real mouse: a double click on its tool button,
// a press released outside the table and one released on another cell send
// nothing; a click on a cell sends its code.
TEST(VeltermEndToEnd, TheByteTableSendsOnlyTheCellClicked) {
  TPeerPort peer(10, 256);
  TVelterm velterm(PortSettingsArgument(peer, "table.vtcfg"));
  const HWND main = velterm.WaitWindow();
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(Connect(main, peer));

  const HWND bar = ChildOfClass(main, "ToolBar");
  const RECT button = ToolButtonRect(bar, kByteTableButton);
  POINT onButton{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ClientToScreen(bar, &onButton);
  RealClick(onButton);
  RealClick(onButton);
  EXPECT_EQ("", peer.Receive(1, 700)) << "sent by the double click";
  const HWND table = WaitTopWindow(velterm.Pid(), "TASCIIForm");
  ASSERT_NE(nullptr, table);
  // VEL_HOLD_MS keeps the table on screen for a picture of it.
  if (const char* hold = getenv("VEL_HOLD_MS"))
    Sleep(static_cast<DWORD>(atoi(hold)));

  RECT client{};
  GetClientRect(table, &client);
  RECT tools{};
  GetWindowRect(ChildOfClass(table, "ToolBar"), &tools);
  const int top = tools.bottom - tools.top;
  const int cellWidth = client.right / 8;
  const int cellHeight = (client.bottom - top) / 16;
  // The centre of cell i on the screen: codes run down the columns.
  auto cell = [&](int i) {
    POINT at{(i / 16) * cellWidth + cellWidth / 2, top + (i % 16) * cellHeight + cellHeight / 2};
    ClientToScreen(table, &at);
    return at;
  };
  POINT right{client.right + 20, top + cellHeight / 2};
  ClientToScreen(table, &right);
  MouseAt(cell(0), MOUSEEVENTF_LEFTDOWN);
  MouseAt(right, MOUSEEVENTF_LEFTUP);
  MouseAt(cell(0), MOUSEEVENTF_LEFTDOWN);
  MouseAt(cell(16), MOUSEEVENTF_LEFTUP);
  EXPECT_EQ("", peer.Receive(1, 500));
  ASSERT_TRUE(IsWindowVisible(table));

  RealClick(cell('A'));
  EXPECT_EQ("A", peer.Receive(2, 2000));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(table); }, 3000));
}

}  // namespace
