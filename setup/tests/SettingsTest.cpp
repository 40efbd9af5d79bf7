#include "uSettings.h"

#include "LibraryEnvironment.h"
#include "TestFiles.h"
#include "uLanguagesSetup.h"
#include "uToolbox.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

int existingPort = 0;
bool FakeProbe(int port) {
  return port == existingPort;
}

constexpr uint8_t kFrench = 3;

class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = NewTempFolder("settings");
    appData_ = folder_ + "\\AppData";
    CreateDir(appData_);
    file_ = appData_ + "\\Velmor\\kolvexMK\\config.kcc";
    existingPort = 0;
    SetPortProbe(FakeProbe);
    SetLanguageSet(SetupLanguageSet, SetupLocaleMap);
    SetLocaleLanguageSource([] { return std::string("040C"); });
  }
  void TearDown() override {
    SetLocaleLanguageSource(nullptr);
    SetPortProbe(nullptr);
    RemoveTree(folder_);
  }

  TOwned<TSettings> NewSettings() { return TOwned<TSettings>(Create<TSettings>(appData_)); }
  // Settings loaded from a file of this content.
  TOwned<TSettings> Loaded(const std::string& content) {
    const std::string name = folder_ + "\\load.kcc";
    WriteAll(name, content);
    TOwned<TSettings> s(Create<TSettings>(std::string()));
    s->LoadFromFile(name);
    return s;
  }

  std::string folder_;
  std::string appData_;
  std::string file_;
};

void ExpectDefaults(const TSettings& s, int port = 1) {
  EXPECT_EQ(port, s.Port());
  EXPECT_EQ(50, s.DataTimeout());
  EXPECT_EQ(0x0000FFu, s.ColorUser());
  EXPECT_EQ(0xFF0000u, s.ColorDevice());
  EXPECT_TRUE(s.LocalEcho());
  EXPECT_TRUE(s.ShowTimeStamp());
  EXPECT_FALSE(s.HideASCII127Up());
  EXPECT_EQ(kFrench, s.Language());
}

// ---- The file and its defaults ------------------------------------------------------------

TEST_F(SettingsTest, FirstStartMakesTheFolderAndWritesNothingUntilSave) {
  existingPort = 4;  // no scan yet: the first existing port
  TOwned<TSettings> s = NewSettings();
  ExpectDefaults(*s, 4);
  EXPECT_EQ(file_, s->FileName());
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(file_)));
  EXPECT_FALSE(FileExists(file_)) << "the creation probe leaves nothing behind";

  existingPort = 0;
  s->SetDefaults();
  EXPECT_EQ(1, s->Port()) << "no port at all";

  s->Save();
  EXPECT_TRUE(FileExists(file_));
}

TEST_F(SettingsTest, SaveWritesTheEightKeysInOrderAndLoadReadsThemBack) {
  TOwned<TSettings> s = NewSettings();
  s->SetPort(12);
  s->SetDataTimeout(250);
  s->SetColorUser(0x123456);
  s->SetColorDevice(0);
  s->SetLocalEcho(false);
  s->SetShowTimeStamp(false);
  s->SetHideASCII127Up(true);
  s->SetLanguage(5);
  s->Save();

  size_t at = 0;
  const std::string text = ReadAll(file_);
  for (const char* part :
       {"[COM]", "Port=12", "[DATA]", "DataTimeout=250", "ColorUser=1193046", "ColorDevice=0",
        "LocalEcho=0", "ShowTimeStamp=0", "HideASCII127Up=1", "[APP]", "Language=5"}) {
    const size_t found = text.find(part, at);
    ASSERT_NE(std::string::npos, found) << part << " in\n" << text;
    at = found;
  }

  TOwned<TSettings> back = NewSettings();
  EXPECT_EQ(12, back->Port());
  EXPECT_EQ(250, back->DataTimeout());
  EXPECT_EQ(0x123456u, back->ColorUser());
  EXPECT_EQ(0u, back->ColorDevice());
  EXPECT_FALSE(back->LocalEcho());
  EXPECT_FALSE(back->ShowTimeStamp());
  EXPECT_TRUE(back->HideASCII127Up());
  EXPECT_EQ(5, back->Language());
}

TEST_F(SettingsTest, MissingKeysKeepTheirDefaults) {
  TOwned<TSettings> german = Loaded("[APP]\r\nLanguage=2\r\n");
  EXPECT_EQ(2, german->Language());
  german->SetLanguage(kFrench);
  ExpectDefaults(*german);

  EXPECT_EQ(2, Loaded("[APP]\r\nLanguage=258\r\n")->Language()) << "the low 8 bits";
  EXPECT_EQ(255, Loaded("[APP]\r\nLanguage=-1\r\n")->Language());
  EXPECT_TRUE(Loaded("[DATA]\r\nLocalEcho=7\r\n")->LocalEcho()) << "any non-zero is true";
  EXPECT_FALSE(Loaded("[DATA]\r\nShowTimeStamp=0\r\n")->ShowTimeStamp());
}

TEST_F(SettingsTest, WithoutAFolderNothingIsWritten) {
  // "Velmor" is a plain file: no folder can be made below it.
  WriteAll(appData_ + "\\Velmor", "x");
  TOwned<TSettings> blocked = NewSettings();
  EXPECT_EQ("", blocked->FileName());
  blocked->SetPort(9);
  blocked->Save();
  EXPECT_EQ("x", ReadAll(appData_ + "\\Velmor"));
  EXPECT_FALSE(DirectoryExists(appData_ + "\\Velmor"));
  ExpectDefaults(*NewSettings());

  TOwned<TSettings> none(Create<TSettings>(std::string()));
  EXPECT_EQ("", none->FileName());
  ExpectDefaults(*none);

  // The file's name is taken by a folder: the creation probe fails.
  RemoveTree(folder_);
  ForceDirectories(file_);
  TOwned<TSettings> taken = NewSettings();
  EXPECT_EQ("", taken->FileName());
  taken->Save();
  EXPECT_TRUE(DirectoryExists(file_));
}

TEST_F(SettingsTest, SaveKeepsForeignLinesAndALockedFile) {
  TOwned<TSettings> s = NewSettings();
  WriteAll(file_, "; mine\r\n[COM]\r\nPort=2\r\nExtra=keep\r\n");
  s->Save();
  const std::string text = ReadAll(file_);
  EXPECT_NE(std::string::npos, text.find("; mine"));
  EXPECT_NE(std::string::npos, text.find("Extra=keep"));
  EXPECT_NE(std::string::npos, text.find("Port=1\r\n"));

  HANDLE h = CreateFileA(file_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  s->SetPort(3);
  EXPECT_NO_THROW(s->Save());
  EXPECT_NO_THROW(s->Load());
  CloseHandle(h);
  EXPECT_EQ(text, ReadAll(file_));
}

// ---- Bad input -------------------------------------------------------------------------------

TEST_F(SettingsTest, EachFieldTakesWhatParses) {
  const std::string longLine(64 * 1024, 'x');
  TOwned<TSettings> s = Loaded(
      "[COM]\r\nPort=abc\r\nPort=7\r\n" + longLine + "\r\n[DATA]\r\nDataTimeout=99999999999\r\n" +
      "ColorUser=-1\r\nColorDevice=$80000005\r\nLocalEcho=\r\nShowTimeStamp=no\r\n" +
      std::string("HideASCII127Up=\0\x01\xFF", 18) + "\r\n[APP]\r\nLanguage=" + longLine);
  EXPECT_TRUE(s->Port() == 1 || s->Port() == 7) << "one of the duplicated keys";
  EXPECT_EQ(50, s->DataTimeout()) << "beyond 32 bits";
  EXPECT_EQ(0xFFFFFFFFu, s->ColorUser());
  EXPECT_EQ(0x80000005u, s->ColorDevice());
  EXPECT_TRUE(s->LocalEcho());
  EXPECT_TRUE(s->ShowTimeStamp());
  EXPECT_FALSE(s->HideASCII127Up());
  EXPECT_EQ(kFrench, s->Language());

  for (const std::string& content :
       {std::string(), std::string("[APP"), std::string("Language=2\r\n"),
        std::string("=\r\n[]\r\n="), std::string(3 * 1024 * 1024, '['),
        std::string("\xFF\xFE[\0A\0P\0P\0]\0\r\0\n\0L\0", 20)})
    ExpectDefaults(*Loaded(content));
}

TEST_F(SettingsTest, AThousandMutatedFilesLoadQuietly) {
  std::mt19937 random(20261209);
  const std::string valid =
      "[COM]\r\nPort=4\r\n[DATA]\r\nDataTimeout=80\r\nColorUser=255\r\nColorDevice=16711680\r\n"
      "LocalEcho=1\r\nShowTimeStamp=0\r\nHideASCII127Up=1\r\n[APP]\r\nLanguage=5\r\n";
  const std::string name = folder_ + "\\fuzz.kcc";
  for (int i = 0; i < 1000; ++i) {
    std::string content = valid;
    if (i % 4 == 0) {
      content.assign(random() % 300, '\0');
      for (char& c : content)
        c = static_cast<char>(random());
    } else {
      for (int k = 0; k < 1 + i % 9; ++k) {
        const size_t at = random() % content.size();
        switch (random() % 4) {
          case 0:
            content[at] = static_cast<char>(random());
            break;
          case 1:
            content.erase(at, random() % 12);
            break;
          case 2:
            content.insert(at, content.substr(random() % content.size(), random() % 40));
            break;
          default:
            content.insert(at, 1 + random() % 4, "=[]\r\n\0-9x$"[random() % 11]);
        }
        if (content.empty())
          content = "[";
      }
    }
    WriteAll(name, content);
    TOwned<TSettings> s(Create<TSettings>(std::string()));
    ASSERT_NO_THROW(s->LoadFromFile(name)) << i;
    ASSERT_NO_THROW(s->SaveToFile(name)) << i;
    TOwned<TSettings> again(Create<TSettings>(std::string()));
    again->LoadFromFile(name);
    ASSERT_EQ(s->Port(), again->Port()) << "a saved file reads back, " << i;
    ASSERT_EQ(s->Language(), again->Language()) << i;
  }
}

}  // namespace
