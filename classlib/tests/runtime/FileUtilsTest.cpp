#include "FileUtils.h"
#include "Win.h"

#include <gtest/gtest.h>

TEST(PathNames, PartsAndTrailingDelimiter) {
  const std::string name = "C:\\data\\logs\\comm_001.log";
  EXPECT_EQ(ExtractFilePath(name), "C:\\data\\logs\\");
  EXPECT_EQ(ExtractFileName(name), "comm_001.log");
  EXPECT_EQ(ExtractFileExt(name), ".log");
  EXPECT_EQ(ExtractFileDrive(name), "C:");
  EXPECT_EQ(ChangeFileExt(name, ".txt"), "C:\\data\\logs\\comm_001.txt");

  EXPECT_EQ(ExtractFileExt("C:\\my.dir\\noext"), "");
  EXPECT_EQ(ChangeFileExt("C:\\my.dir\\noext", ".vtcfg"), "C:\\my.dir\\noext.vtcfg");
  EXPECT_EQ(ExtractFileName("C:file.txt"), "file.txt");
  EXPECT_EQ(ExtractFilePath("file.txt"), "");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("relative\\f"), "");

  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x\\"), "C:\\x");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x"), "C:\\x");
}

TEST(PathNames, ExpandFileName) {
  EXPECT_EQ(ExpandFileName("C:\\a\\b\\..\\c.txt"), "C:\\a\\c.txt");
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(ExpandFileName("sub\\f.txt"), IncludeTrailingPathDelimiter(current) + "sub\\f.txt");
  EXPECT_EQ(ExpandFileName(""), "");
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    root_ = IncludeTrailingPathDelimiter(buf) + "vel_fileutils_" +
            std::to_string(GetCurrentProcessId());
  }
  // The tests make only these.
  void TearDown() override {
    DeleteFileA((root_ + "\\f.log").c_str());
    for (const char* dir : {"\\a\\b\\c", "\\a\\b", "\\a", ""})
      RemoveDirectoryA((root_ + dir).c_str());
  }

  static void Touch(const std::string& name) {
    CloseHandle(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }

  std::string root_;
};

TEST_F(TempFolder, ForceDirectoriesCreatesAllParents) {
  const std::string deep = root_ + "\\a\\b\\c\\";
  EXPECT_FALSE(CreateDir(deep));  // parents missing
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(root_ + "\\a\\b\\c"));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  EXPECT_FALSE(ForceDirectories(""));
}

TEST_F(TempFolder, FilesAndFoldersAreToldApart) {
  ASSERT_TRUE(CreateDir(root_));
  const std::string file = root_ + "\\f.log";
  Touch(file);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(root_));
  EXPECT_TRUE(DirectoryExists(root_));
  EXPECT_FALSE(ForceDirectories(file + "\\sub"));  // a file is in the way

  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(DeleteFile(file));
}
