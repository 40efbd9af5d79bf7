#include "uToolbox.h"

#include "FileUtils.h"
#include "Graphics.h"
#include "ImgList.h"
#include "LibraryEnvironment.h"
#include "System.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

TEST(ToolboxTest, PortNumberFromName) {
  struct TCase {
    const char* Name;
    int Expected;
  };
  const TCase cases[] = {{"COM12", 12}, {"com3", 3},  {"7", 7},        {"COM", 5},  {"", 5},
                         {"COMx", 5},   {"Com 4", 5}, {"cOm255", 255}, {"LPT1", 5}, {"COM-2", -2}};
  for (const TCase& c : cases)
    EXPECT_EQ(c.Expected, ComPortNumber(c.Name, 5)) << c.Name;
}

TEST(ToolboxTest, PortDeviceNameByPlatform) {
  const TPlatformInfo saved = Platform();
  TPlatformInfo nine = saved;
  nine.Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  OverridePlatform(nine);
  EXPECT_EQ("COM3", ComPortDeviceName(3));
  EXPECT_EQ("\\\\.\\COM10", ComPortDeviceName(10));
  EXPECT_TRUE(IsUserAdmin());
  OverridePlatform(saved);
  EXPECT_EQ("\\\\.\\COM3", ComPortDeviceName(3));
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr))
    return "<cannot open>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  } else {
    text = "<none>";
  }
  CloseClipboard();
  return text;
}

TEST(ToolboxTest, ClipboardRoundTrip) {
  for (const std::string text : {"line one\r\nline \xE4\xF6\xFC two", ""}) {
    CopyTextToClipboard(text);
    EXPECT_EQ(text, ClipboardText());
  }
}

// The clipboard belongs to the thread that opened it.
DWORD WINAPI HoldClipboard(void* events) {
  HANDLE* e = static_cast<HANDLE*>(events);
  HWND owner =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  OpenClipboard(owner);
  SetEvent(e[0]);
  WaitForSingleObject(e[1], 10000);
  CloseClipboard();
  DestroyWindow(owner);
  return 0;
}

TEST(ToolboxTest, ClipboardHeldElsewhereStaysUnchanged) {
  CopyTextToClipboard("before");
  HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE holder = CreateThread(nullptr, 0, HoldClipboard, events, 0, nullptr);
  WaitForSingleObject(events[0], 10000);
  CopyTextToClipboard("after");
  SetEvent(events[1]);
  WaitForSingleObject(holder, 10000);
  for (HANDLE h : {holder, events[0], events[1]})
    CloseHandle(h);
  EXPECT_EQ("before", ClipboardText());
}

TEST(ToolboxTest, ShellFolderAndFileProbe) {
  const std::string appData = GetSpecialFolderPath(nullptr, 26);
  ASSERT_NE("", appData);
  EXPECT_TRUE(DirectoryExists(appData));
  EXPECT_EQ("", GetSpecialFolderPath(nullptr, 0x7E));

  const std::string name = IncludeTrailingPathDelimiter(appData) + "vel-probe-" +
                           IntToStr(GetCurrentProcessId()) + ".tmp";
  EXPECT_TRUE(DeleteFileChecked(name));
  EXPECT_FALSE(FileExists(name));
  EXPECT_FALSE(DeleteFileChecked(IncludeTrailingPathDelimiter(appData) + "no-such-folder\\x.tmp"));
  EXPECT_FALSE(DeleteFileChecked(appData));  // a folder
}

const char* askedRoots[26];
int askedCount = 0;

UINT FakeDriveType(const char* root) {
  if (askedCount < 26)
    askedRoots[askedCount++] = root;
  return root[0] == 'A' || root[0] == 'E' ? DRIVE_REMOVABLE : DRIVE_FIXED;
}

TEST(ToolboxTest, RemovableDriveBits) {
  SetDriveTypeFunc(FakeDriveType);
  askedCount = 0;
  const uint32_t drives = GetRemovableDrives();
  SetDriveTypeFunc(nullptr);
  EXPECT_EQ(0x11u, drives);
  EXPECT_EQ(26, askedCount);
  EXPECT_EQ(0u, GetRemovableDrives() & ~0x3FFFFFFu);
}

TEST(ToolboxTest, AdministratorTestAnswers) {
  // Wine's user belongs to the Administrators group.
  EXPECT_TRUE(IsUserAdmin());
}

TEST(ToolboxTest, ReplaceTextReplacesTheFirstOnly) {
  EXPECT_EQ("a+b-c", ReplaceText("a-b-c", "-", "+"));
  EXPECT_EQ("a-b-c", ReplaceText("a-b-c", "", "+"));
  EXPECT_EQ("a-b-c", ReplaceText("a-b-c", "x", "+"));
  EXPECT_EQ("a-b-c", ReplaceText("a-b-c", "B", "+"));
  EXPECT_EQ("a-b", ReplaceText("a-b-c", "-c", ""));
  EXPECT_EQ("New.vtcfg", ReplaceText("Old.vtcfg", "Old", "New"));
  EXPECT_EQ("", ReplaceText("", "", ""));
}

// ---- Greyed images -----------------------------------------------------------------------

TOwned<TBitmap> RowBitmap(const std::vector<TColor>& pixels) {
  TOwned<TBitmap> b(Create<TBitmap>());
  b->SetPixelFormat(pf24bit);
  b->SetSize(static_cast<int>(pixels.size()), 1);
  uint8_t* p = b->ScanLine(0);
  for (TColor c : pixels) {
    *p++ = static_cast<uint8_t>(c >> 16);
    *p++ = static_cast<uint8_t>(c >> 8);
    *p++ = static_cast<uint8_t>(c);
  }
  return b;
}

TColor PixelAt(TBitmap* b, int x) {
  const uint8_t* p = b->ScanLine(0) + 3 * x;
  return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

constexpr TColor Grey(int v) {
  return static_cast<TColor>(v | (v << 8) | (v << 16));
}

TEST(ToolboxTest, GreyingLightensDarkValues) {
  TOwned<TBitmap> b =
      RowBitmap({Grey(0), Grey(127), Grey(128), Grey(255), 0x020201, 0x010100, 0x0000FF});
  GrayBitmap(b.get());
  const std::vector<TColor> expected = {Grey(96), Grey(223), Grey(128), Grey(255),
                                        Grey(98), Grey(97),  Grey(181)};
  for (size_t x = 0; x < expected.size(); ++x)
    EXPECT_EQ(expected[x], PixelAt(b.get(), static_cast<int>(x))) << x;
}

TEST(ToolboxTest, GrayImageListMasksTheTopLeftColour) {
  TOwned<TImageList> source(Create<TImageList>(nullptr));
  source->SetWidth(5);
  source->SetHeight(1);
  TOwned<TBitmap> first = RowBitmap({Grey(255), Grey(0), Grey(127), Grey(128), Grey(255)});
  TOwned<TBitmap> second = RowBitmap({Grey(0), Grey(255), Grey(0), Grey(0), Grey(0)});
  source->AddMasked(first.get(), clFuchsia);
  source->AddMasked(second.get(), clFuchsia);

  TOwned<TImageList> dest(Create<TImageList>(nullptr));
  MakeGrayImageList(source.get(), dest.get());
  ASSERT_EQ(2, dest->Count());
  EXPECT_EQ(5, dest->Width());

  constexpr TColor background = 0x1E140A;
  TOwned<TBitmap> canvas = RowBitmap({background, background, background, background, background});
  dest->Draw(canvas->Canvas(), 0, 0, 0);
  const std::vector<TColor> expected = {background, Grey(96), Grey(223), Grey(128), background};
  for (size_t x = 0; x < expected.size(); ++x)
    EXPECT_EQ(expected[x], PixelAt(canvas.get(), static_cast<int>(x))) << x;

  // The second image's top-left pixel is black: its grey (96) is the mask.
  TOwned<TBitmap> canvas2 = RowBitmap({background, background, background, background, background});
  dest->Draw(canvas2->Canvas(), 0, 0, 1);
  EXPECT_EQ(background, PixelAt(canvas2.get(), 0));
  EXPECT_EQ(Grey(255), PixelAt(canvas2.get(), 1));
  EXPECT_EQ(background, PixelAt(canvas2.get(), 2));

  // The source keeps its colours.
  TOwned<TBitmap> canvas3 = RowBitmap({background, background, background, background, background});
  source->Draw(canvas3->Canvas(), 0, 0, 0);
  EXPECT_EQ(Grey(0), PixelAt(canvas3.get(), 1));
}

TEST(ToolboxTest, GrayImageListOfNothing) {
  TOwned<TImageList> source(Create<TImageList>(nullptr));
  TOwned<TImageList> dest(Create<TImageList>(nullptr));
  TOwned<TBitmap> image = RowBitmap(std::vector<TColor>(16, Grey(0)));
  dest->SetHeight(1);
  dest->AddMasked(image.get(), clFuchsia);
  MakeGrayImageList(source.get(), dest.get());
  EXPECT_EQ(0, dest->Count());
  MakeGrayImageList(nullptr, dest.get());
  MakeGrayImageList(source.get(), nullptr);
}

}  // namespace
