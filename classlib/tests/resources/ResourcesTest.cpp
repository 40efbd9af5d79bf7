// Built twice: with the program resources and the manifest, and with the
// resources but no manifest (VEL_EXPECT_MANIFEST 0), to compare.
#include "ComCtrls.h"
#include "Forms.h"
#include "LibraryEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

// The About box's way: the first translation pair gives the key.
class TVersionInfo {
 public:
  TVersionInfo() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    data_.assign(size, 0);
    ok_ = size > 0 && GetFileVersionInfoA(path, 0, size, data_.data());
    WORD* pair = nullptr;
    UINT length = 0;
    if (ok_ &&
        VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                       &length) &&
        length >= 4)
      key_ = IntToHex(pair[0], 4) + IntToHex(pair[1], 4);
  }
  bool Ok() const { return ok_; }
  const std::string& Key() const { return key_; }
  std::string Value(const std::string& name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "StringFileInfo\\" + key_ + "\\" + name;
    if (!VerQueryValueA(data_.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
      return "<none>";
    return value;
  }

 private:
  std::vector<char> data_;
  bool ok_ = false;
  std::string key_;
};

std::string ModulePath(const char* module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA(module), path, MAX_PATH);
  return LowerCase(path);
}

}  // namespace

TEST(ProgramResources, VersionReadThroughTheTranslationKey) {
  TVersionInfo info;
  ASSERT_TRUE(info.Ok());
  EXPECT_EQ(info.Key(), "040904E4");
  EXPECT_EQ(info.Value("FileVersion"), "1.2.3.4");
  EXPECT_EQ(info.Value("LegalCopyright"), "(C) 2026 Velmor \"probe\"");
  EXPECT_EQ(info.Value("LegalTrademarks"), "Velmor is a mark of its maker");
  EXPECT_EQ(info.Value("ProductName"), "Velmor Resource Probe");
}

TEST(ProgramResources, CommonControlsComeFromTheManifestsChoice) {
  const bool fromSideBySide = ModulePath("comctl32.dll").find("winsxs") != std::string::npos;
  WNDCLASSA button{};
  ASSERT_TRUE(GetClassInfoA(nullptr, "BUTTON", &button));
#if VEL_EXPECT_MANIFEST
  EXPECT_TRUE(fromSideBySide) << ModulePath("comctl32.dll");
  EXPECT_EQ(button.cbWndExtra, 4);
#else
  EXPECT_FALSE(fromSideBySide) << ModulePath("comctl32.dll");
  EXPECT_EQ(button.cbWndExtra, 12);
#endif
}

TEST(ProgramResources, TheCommonControlsWorkEitherWay) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetBounds(50, 50, 400, 300);
  auto* bar = Create<TStatusBar>(form.get());
  bar->SetParent(form.get());
  bar->Panels()->Add()->SetAlignment(taCenter);
  bar->Panels()->Items(0)->SetText("status");
  auto* tools = Create<TToolBar>(form.get());
  tools->SetParent(form.get());
  tools->SetShowCaptions(true);
  auto* button = Create<TToolButton>(form.get());
  button->SetCaption("Tool");
  button->SetParent(tools);
  auto* progress = Create<TProgressBar>(form.get());
  progress->SetParent(form.get());
  progress->SetPosition(40);
  auto* rich = Create<TRichEdit>(form.get());
  rich->SetBounds(0, 40, 300, 100);
  rich->SetParent(form.get());
  rich->Lines()->Add("rich");
  form->Show();
  classlib::PumpUntil([] { return false; }, 100);

  char text[64] = {};
  SendMessageA(bar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "\tstatus");
  SendMessageA(tools->Handle(), TB_GETBUTTONTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Tool");
  EXPECT_EQ(SendMessageA(progress->Handle(), PBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(rich->Lines()->Strings(0), "rich");
  form->Hide();
}

namespace {

// Dark pixels of text drawn in face on a white bitmap.
int InkOf(const wchar_t* text, const char* face) {
  const HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const HFONT font = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                 NONANTIALIASED_QUALITY, 0, face);
  const HGDIOBJ oldFont = SelectObject(dc, font);
  PatBlt(dc, 0, 0, 64, 32, WHITENESS);
  TextOutW(dc, 0, 0, text, lstrlenW(text));
  GdiFlush();
  int ink = 0;
  for (int i = 0; i < 64 * 32; ++i)
    ink += (static_cast<const uint32_t*>(bits)[i] & 0xFFFFFF) != 0xFFFFFF;
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return ink;
}

// Whether a font of that face is there: the font mapper answers with it.
bool FontInstalled(const char* face, BYTE charset = DEFAULT_CHARSET) {
  LOGFONTA font{};
  font.lfHeight = -12;
  font.lfCharSet = charset;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  const HFONT handle = CreateFontIndirectA(&font);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, handle);
  char chosen[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, chosen);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(handle);
  return SameText(chosen, face);
}

}  // namespace

// The caption buttons need Wine's symbol font; Greek and CJK captions fonts
// with those glyphs that the dialog font links to, in that order.
TEST(ProgramResources, TheTestPrefixHasItsFonts) {
  EXPECT_TRUE(FontInstalled("Marlett", SYMBOL_CHARSET));
  EXPECT_TRUE(FontInstalled("Liberation Sans"));
  EXPECT_TRUE(FontInstalled("Tahoma"));
  EXPECT_TRUE(FontInstalled("Droid Sans Fallback"));
  // Tahoma has no CJK glyphs: through the link it draws the fallback's.
  const wchar_t* cjk = L"\x6F22\x5B57";
  EXPECT_GT(InkOf(cjk, "Droid Sans Fallback"), 50);
  EXPECT_EQ(InkOf(cjk, "Tahoma"), InkOf(cjk, "Droid Sans Fallback"));
  // Wine's Tahoma has no Greek either: it comes from Liberation Sans.
  const wchar_t* greek = L"\x3A8\x3A9";
  EXPECT_EQ(InkOf(greek, "Tahoma"), InkOf(greek, "Liberation Sans"));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  char value[256] = {};
  DWORD size = sizeof(value);
  EXPECT_EQ(
      RegQueryValueExA(key, "Tahoma", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
      ERROR_SUCCESS);
  RegCloseKey(key);
  // A list of strings, each ended by a zero, the list by an empty one.
  EXPECT_EQ(std::string(value, size),
            std::string("LiberationSans-Regular.ttf,Liberation Sans\0"
                        "DroidSansFallbackFull.ttf,Droid Sans Fallback\0\0",
                        90));
}
