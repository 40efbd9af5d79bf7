// The settings in the prefix's real application-data folder. The file is
// shared with the program's end-to-end test (CTest resource lock) and put
// back as it was found.
#include "uSettings.h"

#include "LibraryEnvironment.h"
#include "TestFiles.h"
#include "uToolbox.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

// Keeps the file's contents (or its absence) and restores them at the end.
class TKeptFile {
 public:
  explicit TKeptFile(std::string name)
      : name_(std::move(name)), existed_(FileExists(name_)), content_(ReadAll(name_)) {}
  ~TKeptFile() {
    if (existed_)
      WriteAll(name_, content_);
    else
      DeleteFileA(name_.c_str());
  }
  TKeptFile(const TKeptFile&) = delete;
  TKeptFile& operator=(const TKeptFile&) = delete;

 private:
  std::string name_;
  bool existed_;
  std::string content_;
};

TEST(AppDataFolderTest, TheFileLivesBelowTheUsersApplicationData) {
  const std::string appData = GetSpecialFolderPath(nullptr, CSIDL_APPDATA);
  ASSERT_FALSE(appData.empty());
  const std::string expected =
      IncludeTrailingPathDelimiter(appData) + "Velmor\\kolvexMK\\config.kcc";
  TKeptFile kept(expected);

  TOwned<TSettings> s(Create<TSettings>());
  EXPECT_EQ(expected, s->FileName());
  s->SetDataTimeout(321);
  s->Save();
  TOwned<TSettings> back(Create<TSettings>());
  EXPECT_EQ(321, back->DataTimeout());
}

}  // namespace
