#include "TestSupport.h"

#include "FileUtils.h"
#include "Startup.h"
#include "SysUtils.h"
#include "System.h"

#include "LibraryEnvironment.h"

#include <atomic>
#include <map>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

const std::map<int, std::wstring>& EnglishTexts() {
  static const std::map<int, std::wstring> texts = {
      {26, L"Error %d"},
      {27, L"No Command Error"},
      {28, L"Unknown Command"},
      {29, L"Characters after command ignored"},
      {30, L"Command ignored unit is busy"},
      {31, L"Command ignored unit is faulty"},
      {32, L"Unexpected Character Found"},
      {33, L"Symbol Too Long"},
      {34, L"Bad Command Format"},
      {35, L"Unknown Value"},
      {36, L"Invalid date format"},
      {37, L"Invalid Date"},
      {38, L"Invalid time format"},
      {39, L"Invalid time"},
      {40, L"Option not fitted"},
      {41, L"String Too Short"},
      {42, L"String Too Long"},
      {43, L"Refer to Supplier"},
      {44, L"No Test Result"},
      {45, L"Number Expected"},
      {46, L"Number too long"},
      {47, L"Number out of range"},
      {48, L"Refer to Supplier"},
      {49, L"Interval shorter than duration"},
      {50, L"Refer to Supplier"},
      {51, L"Expected On or Off"},
      {52, L"Expected Disable or Enable"},
      {53, L"Expected Disabled or Enabled"},
      {54, L"Expected Auto or Manual"},
      {55, L"Refer to Supplier"},
      {56, L"Expected Yes or No"},
      {57, L"Refer to Supplier"},
  };
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
