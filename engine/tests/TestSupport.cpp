#include "TestSupport.h"

#include "FileUtils.h"
#include "Startup.h"
#include "SysUtils.h"
#include "System.h"

#include "LibraryEnvironment.h"

#include <atomic>
#include <map>

namespace {

// Exceptions that reach the application's handler are collected, not shown.
class TEngineEnvironment : public TLibraryEnvironment {
  void AfterStartup() override {
    SetExceptionHandler([](TObject*, const std::exception_ptr& e) {
      ReportedExceptions().push_back(ExceptionMessage(e));
    });
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TEngineEnvironment);

// Only the texts the tests read: the code to number mapping is checked apart.
const std::map<int, std::wstring>& EnglishTexts() {
  static const std::map<int, std::wstring> texts = {
      {26, L"Error %d"}, {40, L"Option not fitted"}, {47, L"Number out of range"}};
  return texts;
}

std::atomic<DWORD> fakeNow{100000};
std::atomic<DWORD> fakeStep{0};

DWORD FakeTicks() {
  return fakeNow.fetch_add(fakeStep) + fakeStep;
}

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::wstring TTestHost::GetLangText(int textNumber) const {
  auto it = EnglishTexts().find(textNumber);
  return it == EnglishTexts().end() ? std::wstring() : it->second;
}

TFakeClock::TFakeClock() {
  fakeNow = 100000;
  fakeStep = 0;
  SetTickSource(&FakeTicks);
}

TFakeClock::~TFakeClock() {
  SetTickSource(nullptr);
}

void TFakeClock::Advance(DWORD ms) {
  fakeNow += ms;
}

void TFakeClock::SetStep(DWORD ms) {
  fakeStep = ms;
}

TScratchFolder::TScratchFolder() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ =
      Format("%sengine-test-%u-%d", temp, static_cast<unsigned>(GetCurrentProcessId()), ++counter);
  DeleteTree(path_);
  ForceDirectories(path_);
}

TScratchFolder::~TScratchFolder() {
  DeleteTree(path_);
}

std::string ReadWholeFile(const std::string& fileName) {
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  std::string text(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  if (!text.empty())
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return text;
}

std::vector<std::string>& ReportedExceptions() {
  static std::vector<std::string> reported;
  return reported;
}
