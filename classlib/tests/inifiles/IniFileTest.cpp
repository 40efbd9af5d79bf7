#include "FileUtils.h"
#include "IniFiles.h"
#include "Streams.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string ReadAll(const std::string& name) {
  TMemoryStream m;
  m.LoadFromFile(name);
  return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

void WriteAll(const std::string& name, const std::string& text) {
  TFileStream f(name, fmCreate);
  f.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    folder_ =
        IncludeTrailingPathDelimiter(buf) + "vel_ini_" + std::to_string(GetCurrentProcessId());
    CreateDir(folder_);
    name_ = folder_ + "\\t.ini";
  }
  void TearDown() override {
    DeleteFile(name_);
    RemoveDirectoryA(folder_.c_str());
  }

  std::string folder_;
  std::string name_;
};

}  // namespace

TEST_F(IniFile, RelativeNameIsTheCurrentFolder) {
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(folder_.c_str());
  {
    TIniFile ini("t.ini");
    EXPECT_EQ(ini.FileName(), name_);
    ini.WriteString("Port", "Name", "COM3");
  }
  SetCurrentDirectoryA(saved);
  // Still the same file once the current folder has moved on.
  EXPECT_TRUE(FileExists(name_));
  EXPECT_EQ(TIniFile(name_).ReadString("port", "NAME", ""), "COM3");
}

TEST_F(IniFile, ReadFallbacks) {
  WriteAll(name_,
           "[Main]\r\n"
           "Empty=\r\n"
           "Text=abc\r\n"
           "Big=4294967296\r\n"
           "Hex=$1F\r\n"
           "Neg=-2147483643\r\n"
           "NoEquals\r\n"
           "Quoted=\"a b\"\r\n"
           "  Spaced  =  v  \r\n"
           "; Comment=1\r\n"
           "[Other]\r\n"
           "Text=other\r\n");
  const TIniFile ini(name_);
  struct {
    const char* key;
    int expected;
  } ints[] = {{"Missing", 7}, {"Empty", 7},    {"Text", 7},          {"Big", 7},
              {"Hex", 31},    {"NoEquals", 7}, {"Neg", -2147483643}, {"; Comment", 7}};
  for (const auto& c : ints)
    EXPECT_EQ(ini.ReadInteger("Main", c.key, 7), c.expected) << c.key;

  EXPECT_EQ(ini.ReadString("Main", "Empty", "d"), "");
  EXPECT_EQ(ini.ReadString("Main", "Missing", "d"), "d");
  EXPECT_EQ(ini.ReadString("Nowhere", "Text", "d"), "d");
  EXPECT_EQ(ini.ReadString("main", "TEXT", "d"), "abc");
  EXPECT_EQ(ini.ReadString("Other", "Text", "d"), "other");
  EXPECT_EQ(ini.ReadString("Main", "Quoted", ""), "a b");
  EXPECT_EQ(ini.ReadString("Main", "spaced", ""), "v");
  EXPECT_TRUE(ini.ReadBool("Main", "Hex", false));
  EXPECT_TRUE(ini.ReadBool("Main", "Text", true));
  EXPECT_FALSE(ini.ReadBool("Main", "Text", false));
}

TEST_F(IniFile, ReadingCreatesNoFile) {
  const TIniFile ini(name_);
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  EXPECT_FALSE(ini.SectionExists("S"));
  EXPECT_FALSE(FileExists(name_));
}

TEST_F(IniFile, LongValueIsReadWhole) {
  const std::string value(100000, 'x');
  TIniFile ini(name_);
  ini.WriteString("S", "Long", value);
  EXPECT_EQ(ini.ReadString("S", "Long", ""), value);
}

TEST_F(IniFile, JunkAndNulBytesKeepTheReadableKeys) {
  std::string junk;
  for (int i = 0; i < 4096; ++i)
    junk += static_cast<char>((i * 7919) & 0xFF);
  WriteAll(name_, junk + "\n[S]\nA=1\nB=x" + std::string(1, '\0') + "y\n" + junk.substr(0, 300) +
                      "\n[T]\nC=3");
  const TIniFile ini(name_);
  EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1);
  EXPECT_EQ(ini.ReadString("T", "C", ""), "3");
  EXPECT_EQ(ini.ReadString("S", "B", ""), "x");
  EXPECT_EQ(ini.ReadString("S", "Z", "d"), "d");
}

TEST_F(IniFile, WriteChangesOnlyThatKey) {
  const std::string before =
      "; settings\n"
      "[Port]\n"
      "Name=COM1\n"
      "Baud=9600 \n"
      "\n"
      "[View]\n"
      "; colours\n"
      "Color=5\n";
  WriteAll(name_, before);
  TIniFile ini(name_);
  ini.WriteString("PORT", "baud", "115200");
  EXPECT_EQ(ReadAll(name_),
            "; settings\n[Port]\nName=COM1\nBaud=115200\n\n[View]\n; colours\nColor=5\n");

  // A new key goes to the end of its section, before the blank line.
  ini.WriteInteger("Port", "Parity", 0);
  ini.WriteInteger("View", "Back", static_cast<int>(0x80000005));
  EXPECT_EQ(ReadAll(name_),
            "; settings\n[Port]\nName=COM1\nBaud=115200\nParity=0\r\n\n"
            "[View]\n; colours\nColor=5\nBack=-2147483643\r\n");
  EXPECT_EQ(static_cast<uint32_t>(ini.ReadInteger("View", "Back", 0)), 0x80000005u);

  // A new section follows the last line, which had no line break.
  WriteAll(name_, "[A]\nX=1");
  ini.WriteBool("B", "Y", true);
  ini.WriteBool("A", "Z", false);
  EXPECT_EQ(ReadAll(name_), "[A]\nX=1\r\nZ=0\r\n\r\n[B]\r\nY=1\r\n");
}

TEST_F(IniFile, DeleteKeyAndEraseSection) {
  WriteAll(name_, "[A]\nX=1\nY=2\n[B]\nZ=3\n[C]\nW=4\n");
  TIniFile ini(name_);
  ini.DeleteKey("a", "x");
  ini.EraseSection("B");
  ini.DeleteKey("Nowhere", "X");
  EXPECT_EQ(ReadAll(name_), "[A]\nY=2\n[C]\nW=4\n");
  EXPECT_TRUE(ini.ValueExists("C", "W"));
  EXPECT_FALSE(ini.SectionExists("B"));
}

TEST_F(IniFile, BadWritesRaiseAndKeepTheFile) {
  WriteAll(name_, "[S]\nK=v\n");
  TIniFile ini(name_);
  struct {
    const char* section;
    const char* key;
    const char* value;
  } bad[] = {{"", "K", "v"},     {"S", "", "v"},    {"  ", "K", "v"}, {"S", "K", "a\r\nb"},
             {"S", "K", "a\nb"}, {"S\n", "K", "v"}, {"S", "K=", "v"}};
  for (const auto& b : bad)
    EXPECT_THROW(ini.WriteString(b.section, b.key, b.value), EIniFileException)
        << b.section << "/" << b.key;
  EXPECT_EQ(ReadAll(name_), "[S]\nK=v\n");
}

TEST_F(IniFile, UnwritablePlaceRaisesNamingTheFile) {
  TIniFile ini(folder_ + "\\missing\\x.ini");
  try {
    ini.WriteString("S", "K", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_NE(e.Message().find("missing\\x.ini"), std::string::npos) << e.Message();
    EXPECT_NE(0u, e.ErrorCode()) << e.Message();
  }
  // A folder where the file should be.
  TIniFile onFolder(folder_);
  try {
    onFolder.WriteString("S", "K", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_NE(0u, e.ErrorCode()) << e.Message();
  }
}

TEST_F(IniFile, ReadOnlyFileIsLeftAsItWas) {
  WriteAll(name_, "[S]\nK=v\n");
  SetFileAttributesA(name_.c_str(), FILE_ATTRIBUTE_READONLY);
  TIniFile ini(name_);
  try {
    ini.WriteString("S", "K", "changed");
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), e.ErrorCode());
  }
  SetFileAttributesA(name_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadAll(name_), "[S]\nK=v\n");
}

namespace {

// Writes the first half of the new text, then fails as a full disk would.
class HalfWritingIniFile : public TIniFile {
 public:
  using TIniFile::TIniFile;

 protected:
  void WriteContent(TFileReplacement& file, const std::string& content) const override {
    file.Write(content.substr(0, content.size() / 2));
    throw EOSError("There is not enough space on the disk", ERROR_DISK_FULL);
  }
};

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

}  // namespace

TEST_F(IniFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string old = "; kept\r\n[Port]\r\nName=COM3\r\nBaud=250000\r\n";
  WriteAll(name_, old);
  HalfWritingIniFile ini(name_);
  try {
    ini.WriteString("Port", "Baud", "9600");
    FAIL() << "a failed write was reported as success";
  } catch (const EIniFileException& e) {
    EXPECT_NE(e.Message().find(name_), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("not enough space"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(ReadAll(name_), old);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"t.ini"});

  // A file that was not there before stays absent.
  DeleteFile(name_);
  EXPECT_THROW(ini.WriteString("Port", "Baud", "9600"), EIniFileException);
  EXPECT_FALSE(FileExists(name_));
  EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(IniFile, SaveReplacesTheFileAndKeepsItsAttributes) {
  WriteAll(name_, "[Port]\r\nName=COM3\r\n");
  SetFileAttributesA(name_.c_str(), FILE_ATTRIBUTE_HIDDEN);
  TIniFile ini(name_);
  ini.WriteString("Port", "Name", "COM4");
  EXPECT_EQ(ReadAll(name_), "[Port]\r\nName=COM4\r\n");
  EXPECT_TRUE(GetFileAttributesA(name_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(name_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"t.ini"});
}
