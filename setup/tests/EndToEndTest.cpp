// The real kolvexmk.exe in its own process, driven through its windows as a
// user would: connect to the fake instrument, read what it shows, set the
// measurement period, watch the poll, start and stop, lose the instrument,
// start a second time, and show the traffic in debug mode. The controls are
// found where the form data puts them.
#include "FakeInstrument.h"
#include "FileUtils.h"
#include "KeyInput.h"
#include "KolvexmkDriver.h"
#include "LibraryEnvironment.h"
#include "SysUtils.h"
#include "System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

const TPlace kCommEcho{"TUcCheckBox", 15, 143};
const TPlace kVerboseErrors{"TUcCheckBox", 15, 163};
const TPlace kRepStandard{"TUcComboBox", 117, 239};
const TPlace kMeasPeriod{"TUcAlignedEdit", 117, 263};
const TPlace kRepIntervalMin{"TUcAlignedEdit", 117, 287};
const TPlace kRepIntervalSec{"TUcAlignedEdit", 161, 287};
const TPlace kDetectorID{"TUcAlignedEdit", 325, 91};
const TPlace kProductID{"TUcAlignedEdit", 325, 117};
const TPlace kDetectorType{"TUcAlignedEdit", 325, 143};
const TPlace kPartNr{"TUcAlignedEdit", 325, 169};
const TPlace kSerialNr{"TUcAlignedEdit", 325, 195};
const TPlace kFirmware{"TUcAlignedEdit", 325, 221};
const TPlace kDateFormat{"TUcComboBox", 325, 247};
const TPlace kCalDate{"TUcAlignedEdit", 325, 273};
const TPlace kCalDust{"TUcAlignedEdit", 325, 325};
const TPlace kParticleLimits{"TUcCheckBox", 443, 163};
const TPlace kPartLimits1{"TUcComboBox", 431, 331};
const TPlace kPartLimits3{"TUcComboBox", 523, 331};
const TPlace kMoistLimit{"TUcAlignedEdit", 572, 330};
const TPlace kClassCode{"TUcPanel", 735, 169};
const TPlace kStart{"TUcButton", 639, 355};
const TPlace kStop{"TUcButton", 735, 355};

bool Checked(HWND box) {
  return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> SetCommands(TFakeInstrument& fake) {
  std::vector<std::string> sets;
  for (const std::string& line : fake.Received())
    if (!line.empty() && line[0] == 'S')
      sets.push_back(line);
  return sets;
}

int CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The window that has the keyboard focus in window's thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// Saves the window as a bitmap into the folder VEL_SHOTS names, if any.
void SaveShot(HWND window, const std::string& name) {
  const char* folder = getenv("VEL_SHOTS");
  if (!folder)
    return;
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + stride * h;
  std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), stride * h);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

class KolvexmkEndToEnd : public testing::Test {
 protected:
  // The program started against the fake and connected.
  HWND StartConnected(TFakeInstrument& fake, const std::string& args = "") {
    config_.reset(new TConfigFile(fake.ComNumber()));
    program_.reset(new TKolvexmk(args));
    const HWND main = program_->WaitWindow();
    if (!main)
      return nullptr;
    EXPECT_EQ("COM" + IntToStr(fake.ComNumber()), ComboText(ControlAt(main, kPorts)));
    const bool connected = ClickConnect(main);
    EXPECT_TRUE(connected);
    return connected ? main : nullptr;
  }

  void TearDown() override {
    program_.reset();
    config_.reset();
  }

  std::unique_ptr<TConfigFile> config_;
  std::unique_ptr<TKolvexmk> program_;
};

TEST_F(KolvexmkEndToEnd, ConnectsAndShowsTheInstrumentsIdentityAndConfiguration) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  EXPECT_EQ("Connected", PanelText(StatusBarOf(main), 0));
  EXPECT_EQ("Disconnect", AnsiTextOf(ControlAt(main, kConnect)));
  const std::pair<TPlace, const char*> edits[] = {
      {kProductID, "PI"}, {kDetectorType, "PT"}, {kPartNr, "PN"},
      {kSerialNr, "SN"},  {kFirmware, "SV"},     {kDetectorID, "DI"},
      {kCalDate, "CD"},   {kCalDust, "DU"},      {kMeasPeriod, "MP"}};
  for (const auto& edit : edits)
    EXPECT_EQ(fake.Value(edit.second), AnsiTextOf(ControlAt(main, edit.first))) << edit.second;
  const int interval = std::atoi(fake.Value("RI").c_str());
  EXPECT_EQ(IntToStr(interval / 60), AnsiTextOf(ControlAt(main, kRepIntervalMin)));
  EXPECT_EQ(IntToStr(interval % 60), AnsiTextOf(ControlAt(main, kRepIntervalSec)));
  EXPECT_EQ(fake.Value("DF"), ComboText(ControlAt(main, kDateFormat)));
  EXPECT_EQ(fake.Value("RS"), ComboText(ControlAt(main, kRepStandard)));
  const std::string limits = fake.Value("LT");
  EXPECT_EQ(limits.substr(0, limits.find(',')), ComboText(ControlAt(main, kPartLimits1)));
  EXPECT_EQ(limits.substr(limits.rfind(',') + 1), ComboText(ControlAt(main, kPartLimits3)));
  EXPECT_EQ(fake.Value("CE") == "ON", Checked(ControlAt(main, kCommEcho)));
  EXPECT_EQ(fake.Value("EV") == "ON", Checked(ControlAt(main, kVerboseErrors)));
  EXPECT_EQ(fake.Value("WC") == "ON", Checked(ControlAt(main, kParticleLimits)));
  // The first poll brings the result.
  EXPECT_TRUE(
      WaitFor([&] { return AnsiTextOf(ControlAt(main, kClassCode)) == fake.Value("LR"); }, 5000));
  EXPECT_TRUE(SetCommands(fake).empty());
  SaveShot(main, "connected");
}

TEST_F(KolvexmkEndToEnd, EnterSendsTheNewMeasurementPeriodOnly) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  const HWND edit = ControlAt(main, kMeasPeriod);
  ASSERT_NE(nullptr, edit);
  Click(edit);
  PostMessageA(edit, EM_SETSEL, 0, -1);
  for (char c : std::string("90\r"))
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
  EXPECT_TRUE(WaitFor([&] { return fake.Value("MP") == "90"; }, 5000));
  Sleep(1500);
  EXPECT_EQ(std::vector<std::string>({"SMP 90"}), SetCommands(fake));
  EXPECT_EQ("90", AnsiTextOf(edit));
}

TEST_F(KolvexmkEndToEnd, PollsOnceASecondAndStartsAndStops) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  fake.ClearReceived();
  Sleep(5000);
  const int polls = CountOf(fake.Received(), "RDS");
  EXPECT_GE(polls, 4);
  EXPECT_LE(polls, 6);

  const HWND start = ControlAt(main, kStart);
  const HWND stop = ControlAt(main, kStop);
  ASSERT_TRUE(IsWindowEnabled(start));
  EXPECT_FALSE(IsWindowEnabled(stop));
  Click(start);
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(stop) && !IsWindowEnabled(start); }, 5000));
  // The state panel follows the next poll's state reply.
  EXPECT_TRUE(WaitFor([&] { return PanelText(StatusBarOf(main), 1) == "Measuring"; }, 3000))
      << PanelText(StatusBarOf(main), 1);
  Click(stop);
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(start) && !IsWindowEnabled(stop); }, 5000));
  const std::vector<std::string> sets = SetCommands(fake);
  EXPECT_EQ(1, CountOf(sets, "STR"));
  EXPECT_EQ(1, CountOf(sets, "STP"));
}

TEST_F(KolvexmkEndToEnd, ASilentInstrumentGivesTheBoxAndTheDisconnectedState) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  fake.SetSilent(true);
  EXPECT_EQ("No device connected!", program_->WaitBox(10000));
  EXPECT_TRUE(WaitFor([&] { return PanelText(StatusBarOf(main), 0) == "Not Connected"; }, 3000));
  EXPECT_EQ("Connect", AnsiTextOf(ControlAt(main, kConnect)));
  EXPECT_EQ("", AnsiTextOf(ControlAt(main, kSerialNr)));
  EXPECT_EQ("", AnsiTextOf(ControlAt(main, kMeasPeriod)));
  EXPECT_FALSE(IsWindowEnabled(ControlAt(main, kMeasPeriod)));
  EXPECT_TRUE(IsWindowEnabled(ControlAt(main, kPorts)));
}

TEST_F(KolvexmkEndToEnd, AVanishedDeviceGivesTheBoxAndTheDisconnectedState) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  fake.Peer().Vanish();
  EXPECT_EQ("No device connected!", program_->WaitBox(3000));
  EXPECT_TRUE(WaitFor([&] { return PanelText(StatusBarOf(main), 0) == "Not Connected"; }, 3000));
  EXPECT_EQ("Connect", AnsiTextOf(ControlAt(main, kConnect)));
  EXPECT_EQ("", AnsiTextOf(ControlAt(main, kSerialNr)));
  EXPECT_EQ("", program_->WaitBox(500)) << "a second box";

  fake.PlugBackIn();
  ASSERT_TRUE(ClickConnect(main));
  EXPECT_TRUE(WaitFor([&] { return AnsiTextOf(ControlAt(main, kSerialNr)) == "100234"; }, 10000));
}

TEST_F(KolvexmkEndToEnd, ASecondStartEndsWithoutAWindowAndWakesTheFirst) {
  TFakeInstrument fake;
  config_.reset(new TConfigFile(fake.ComNumber()));
  program_.reset(new TKolvexmk);
  const HWND window = program_->WaitWindow();
  ASSERT_NE(nullptr, window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 3000));

  TKolvexmk second;
  bool secondShowed = false;
  const bool ended = WaitFor(
      [&] {
        secondShowed |= second.MainWindow() != nullptr;
        return WaitForSingleObject(second.Process(), 0) == WAIT_OBJECT_0;
      },
      15000);
  ASSERT_TRUE(ended);
  EXPECT_FALSE(secondShowed);
  EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 3000));
}

TEST_F(KolvexmkEndToEnd, DebugModeShowsTheConsoleAndWritesTheLog) {
  TFakeInstrument fake;
  const std::string log = CommLogName(fake.ComNumber());
  DeleteFileA(log.c_str());
  const HWND main = StartConnected(fake, "-debug");
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(FileExists(log));
  SetForegroundWindow(main);
  WaitFor([&] { return GetForegroundWindow() == main; }, 2000);
  auto chord = [] {
    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event(VK_SHIFT, 0, 0, 0);
    keybd_event('C', 0, 0, 0);
    keybd_event('C', 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  };
  chord();
  EXPECT_TRUE(WaitFor([&] { return !TopWindows(program_->Pid(), "TConsolForm").empty(); }, 5000));
  program_.reset();
  DeleteFileA(log.c_str());
}

TEST_F(KolvexmkEndToEnd, AnOverLimitCodeBlinks) {
  TFakeInstrument fake({"set=LR=20/16/13"});
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  const HWND code = ControlAt(main, kClassCode);
  ASSERT_NE(nullptr, code);
  EXPECT_TRUE(WaitFor([&] { return AnsiTextOf(code) == "20/16/13"; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return AnsiTextOf(code) == "  /16/13"; }, 3000));
  SaveShot(main, "blank-phase");
}

// The box closes on the press; the repeats while Enter is held and its
// release come after it, over the form.
TEST_F(KolvexmkEndToEnd, AHeldEnterThatAnswersTheErrorBoxStaysInTheBox) {
  TFakeInstrument fake({"error=SMP=20", "set=RI=600"});
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  const HWND edit = ControlAt(main, kMeasPeriod);
  const HWND minutes = ControlAt(main, kRepIntervalMin);
  SetForegroundWindow(main);
  Click(edit);
  PostMessageA(edit, EM_SETSEL, 0, -1);
  for (char c : std::string("200\r"))
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
  std::vector<HWND> boxes;
  ASSERT_TRUE(
      WaitFor([&] { return !(boxes = TopWindows(program_->Pid(), "#32770")).empty(); }, 5000));
  SaveShot(boxes[0], "error-box");
  fake.ClearReceived();
  HoldKey(VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return TopWindows(program_->Pid(), "#32770").empty(); }, 3000));
  Sleep(1000);
  EXPECT_EQ(std::vector<std::string>(), SetCommands(fake));
  EXPECT_EQ(minutes, FocusOf(main));
  EXPECT_EQ("10", AnsiTextOf(minutes));
}

TEST_F(KolvexmkEndToEnd, AHeldEnterThatAnswersTheDisconnectedBoxDoesNotConnectAgain) {
  TFakeInstrument fake;
  const HWND main = StartConnected(fake);
  ASSERT_NE(nullptr, main);
  const HWND connect = ControlAt(main, kConnect);
  EXPECT_EQ(connect, FocusOf(main));
  fake.SetSilent(true);
  ASSERT_TRUE(WaitFor([&] { return !TopWindows(program_->Pid(), "#32770").empty(); }, 10000));
  HoldKey(VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return TopWindows(program_->Pid(), "#32770").empty(); }, 3000));
  Sleep(1000);
  EXPECT_EQ("Connect", AnsiTextOf(connect));
  EXPECT_EQ("Not Connected", PanelText(StatusBarOf(main), 0));
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_TRUE(TopWindows(program_->Pid(), "#32770").empty());
}

}  // namespace
