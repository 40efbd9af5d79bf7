#include "UcSysUtils.h"
#include "UcWindows.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::wstring kMixed = L"\u0416\u0443\u0440 \u03B1\u03B2 \u65E5\u672C \xD83D\xDE00";

struct TWindowCloser {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using TWindow = std::unique_ptr<std::remove_pointer_t<HWND>, TWindowCloser>;

// A file handle closed at the end of its scope.
class THandle {
 public:
  explicit THandle(HANDLE handle) : handle_(handle) {}
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle() {
    if (Valid())
      CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::wstring TempFolder() {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  return path;
}

std::wstring FoundName(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return L"";
  FindClose(find);
  return data.cFileName;
}

// The 8-bit path is the one that runs with the flag cleared; Wine itself
// reports the NT family.
class TWrapperTest : public testing::TestWithParam<bool> {
 protected:
  bool Wide() const { return GetParam(); }
  // What the wrappers make of a text on this path.
  std::wstring Seen(const std::wstring& text) const {
    return Wide() ? text : AnsiToWide(WideToAnsi(text));
  }

  TForcedPlatformFlags flags_{GetParam(), true};
};

INSTANTIATE_TEST_SUITE_P(BothFamilies, TWrapperTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Wide" : "Ansi";
                         });

TEST_P(TWrapperTest, WindowTextReadsBack) {
  TWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                 nullptr, nullptr));
  ASSERT_TRUE(window);
  ASSERT_TRUE(PlatformSetWindowText(window.get(), kMixed));
  wchar_t text[64] = {};
  GetWindowTextW(window.get(), text, 64);
  EXPECT_EQ(text, Seen(kMixed));
}

TEST_P(TWrapperTest, FilesByWideNames) {
  const std::wstring wideName = TempFolder() + L"\u0416\u0443\u0440_\u65E5\u672C.txt";
  const std::wstring asciiName = TempFolder() + L"w1-plain.txt";
  {
    THandle created(WideFileCreate(wideName));
    EXPECT_EQ(created.Valid(), Wide());
    THandle plain(WideFileCreate(asciiName));
    EXPECT_TRUE(plain.Valid());
  }
  const std::wstring name = Wide() ? wideName : asciiName;
  EXPECT_EQ(FoundName(name), name.substr(TempFolder().size()));
  {
    THandle reader(WideFileOpen(name, 0x20));
    ASSERT_TRUE(reader.Valid());
    THandle second(WideFileOpen(name, 0x20));
    EXPECT_TRUE(second.Valid());
    THandle writer(WideFileOpen(name, 0x41));
    EXPECT_FALSE(writer.Valid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  DeleteFileW(wideName.c_str());
  DeleteFileW(asciiName.c_str());
}

TEST_P(TWrapperTest, ExpandsPaths) {
  EXPECT_EQ(WideExpandFileName(L"C:\\a\\..\\b.txt"), L"C:\\b.txt");
  EXPECT_EQ(WideExpandFileName(L"C:\\\u0416.txt"), Seen(L"C:\\\u0416.txt"));
}

TEST(WideFullPathTest, ExpandsPathsOfAnyLength) {
  TForcedPlatformFlags wide(true, true);
  const std::wstring longPath = L"C:\\" + std::wstring(300, L'd') + L"\\file.txt";
  EXPECT_EQ(WideExpandFileName(longPath), longPath);
}

TEST_P(TWrapperTest, SystemErrorTexts) {
  const std::wstring known = SystemErrorText(L"system", nullptr, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(Trim(known).empty());
  EXPECT_EQ(known.find(L"Unspecified"), std::wstring::npos);
  EXPECT_EQ(WideSysErrorMessage(ERROR_FILE_NOT_FOUND), known);
  EXPECT_EQ(SystemErrorText(L"system", nullptr, 0x20001234),
            L"Unspecified error (536875572) from system.");
  EXPECT_EQ(SystemErrorText(L"kernel32", GetModuleHandleW(L"kernel32"), 0x20001234),
            L"Unspecified error (536875572) from kernel32.");
}

// The test program's message table holds message 1 of 300 characters and a
// line break, longer than any fixed buffer of 256.
TEST_P(TWrapperTest, LongSystemTextIsKept) {
  const std::wstring text = SystemErrorText(L"test", GetModuleHandleW(nullptr), 1);
  ASSERT_EQ(text.size(), 302u);
  EXPECT_EQ(text.substr(0, 12), L"Long message");
  EXPECT_EQ(text.substr(300), L"\r\n");
}

// Stands in for GetFullPathNameA with a result beyond MAX_PATH (which the
// system's own refuses here): a folder of 600 characters before the name.
const std::string kLongFolder = "C:\\" + std::string(600, 'x') + "\\";

DWORD WINAPI LongFullPathNameA(LPCSTR name, DWORD length, LPSTR buffer, LPSTR* filePart) {
  const std::string path = kLongFolder + name;
  if (path.size() >= length)
    return static_cast<DWORD>(path.size() + 1);
  std::copy(path.begin(), path.end(), buffer);
  buffer[path.size()] = '\0';
  *filePart = buffer + kLongFolder.size();
  return static_cast<DWORD>(path.size());
}

// The 8-bit path of PlatformGetFullPathName keeps the wide function's
// contract, whatever the length of the buffer and of the path.
TEST(AnsiFullPathTest, FollowsTheWideContract) {
  TForcedPlatformFlags ansi(false, true);
  const std::wstring shortPath = L"C:\\dir\\file.txt";
  const std::wstring longPath = AnsiToWide(kLongFolder) + L"name.txt";
  const DWORD longSize = static_cast<DWORD>(longPath.size());
  struct TCase {
    std::wstring Name;
    DWORD Length;
    DWORD Result;
    std::wstring Buffer;
    const wchar_t* FilePart;
  };
  const TCase cases[] = {
      {shortPath, 100, 15, shortPath, L"file.txt"},
      {shortPath, 15, 16, L"", nullptr},  // equal to the length: the size needed
      {shortPath, 0, 16, L"untouched", nullptr},
      {L"C:\\dir\\", 100, 7, L"C:\\dir\\", nullptr},
      {L"C:\\\u0416.txt", 100, 8, L"C:\\?.txt", L"?.txt"},
      {L"name.txt", 700, longSize, longPath, L"name.txt"},
      {L"name.txt", 260, longSize + 1, L"", nullptr},
  };
  for (const TCase& c : cases) {
    const bool long_ = c.Name == L"name.txt";
    SetGetFullPathNameA(long_ ? LongFullPathNameA : nullptr);
    std::vector<wchar_t> buffer(std::max<size_t>(c.Length, 16), L'\0');
    std::copy_n(L"untouched", 10, buffer.begin());
    wchar_t* filePart = nullptr;
    const DWORD r = PlatformGetFullPathName(c.Name, c.Length, buffer.data(), &filePart);
    EXPECT_EQ(r, c.Result) << c.Length;
    EXPECT_EQ(buffer.data(), c.Buffer) << c.Length;
    if (c.FilePart) {
      ASSERT_NE(filePart, nullptr);
      EXPECT_STREQ(filePart, c.FilePart);
    } else {
      EXPECT_EQ(filePart, nullptr);
    }
    if (long_) {
      EXPECT_EQ(WideExpandFileName(c.Name), longPath);
    }
  }
  SetGetFullPathNameA(nullptr);
}

TEST(HelpersTest, DelimitersHandlesAndResourceNames) {
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"C:\\dir\\file"), 7u);
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"file"), 0u);
  EXPECT_EQ(WideLastDelimiter(std::wstring(L"/\0", 2), std::wstring(L"a/b\0c", 5)), 2u);
  EXPECT_EQ(WideLastDelimiter(L"\u0416", L"\u0416a\u0416b"), 3u);

  EXPECT_EQ(CheckedHandle(5), 5);
  SetLastError(ERROR_INVALID_HANDLE);
  EXPECT_THROW(CheckedHandle(static_cast<HWND>(nullptr)), EOSError);

  EXPECT_TRUE(IsIntegerResourceName(MAKEINTRESOURCEW(7)));
  EXPECT_FALSE(IsIntegerResourceName(L"NAME"));
}

}  // namespace
