#include "uSettings.h"

#include "FileUtils.h"
#include "LibraryEnvironment.h"
#include "Startup.h"
#include "uLanguages.h"
#include "uToolbox.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

int probedPort = 0;
bool FakeProbe(int port) {
  return port == probedPort;
}

class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = NewTempFolder("vel-settings");
    appData_ = folder_ + "\\AppData";
    CreateDir(appData_);
    defaultFile_ = appData_ + "\\Velmor\\VelmorTerminal\\config.vtcfg";
    probedPort = 0;
    SetPortProbe(FakeProbe);
    SetLanguageSet(TerminalLanguageSet, TerminalLocaleMap);
    SetLocaleLanguageSource([] { return std::string("0407"); });
    SetMessageBoxFunc([this](HWND, const std::string&, const std::string&, UINT) {
      ++boxes_;
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxFunc(nullptr);
    SetLocaleLanguageSource(nullptr);
    SetPortProbe(nullptr);
    RemoveTree(folder_);
    EXPECT_EQ(0, boxes_);
  }

  TOwned<TSettings> NewSettings() { return TOwned<TSettings>(Create<TSettings>(appData_)); }
  // Settings without a default file, loaded from a file of this content.
  TOwned<TSettings> Loaded(const std::string& content) {
    const std::string name = File("load.vtcfg");
    WriteAll(name, content);
    TOwned<TSettings> s(Create<TSettings>(std::string()));
    s->LoadFromFile(name);
    return s;
  }
  std::string File(const std::string& name) const { return folder_ + "\\" + name; }

  std::string folder_;
  std::string appData_;
  std::string defaultFile_;
  int boxes_ = 0;
};

// Every field as SetDefaults leaves it, with the probe finding COM1 and the
// locale German.
void ExpectDefaults(const TSettings& s, int port = 1) {
  EXPECT_EQ(port, s.Port());
  EXPECT_EQ(9600, s.Baud());
  EXPECT_EQ(4, s.Databits());
  EXPECT_EQ(0, s.Parity());
  EXPECT_EQ(0, s.Stopbits());
  EXPECT_EQ(0, s.FlowControl());
  EXPECT_EQ(3, s.Terminator());
  EXPECT_EQ(255u, s.ColorUser());
  EXPECT_EQ(32768u, s.ColorComment());
  EXPECT_EQ(16711680u, s.ColorDevice());
  EXPECT_TRUE(s.LocalEcho());
  EXPECT_EQ(2, s.Language());
}

// ---- Defaults and the file format -------------------------------------------------------

TEST_F(SettingsTest, DefaultsWithAndWithoutPorts) {
  probedPort = 0;
  TOwned<TSettings> none = NewSettings();
  ExpectDefaults(*none, 1);
  EXPECT_EQ(defaultFile_, none->DefaultFile());
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(defaultFile_)));
  EXPECT_FALSE(FileExists(defaultFile_)) << "the probe leaves no file";
  EXPECT_EQ("", none->FileName());
  EXPECT_TRUE(none->IsDefaultFile());
  EXPECT_EQ("", none->DisplayFileName());

  probedPort = 3;
  none->SetDefaults();
  ExpectDefaults(*none, 3);
}

void SetEveryField(TSettings& s) {
  s.SetPort(12);
  s.SetBaud(115200);
  s.SetDatabits(3);
  s.SetParity(2);
  s.SetStopbits(2);
  s.SetFlowControl(3);
  s.SetTerminator(4);
  s.SetColorUser(0x123456);
  s.SetColorComment(0xABCDEF);
  s.SetColorDevice(0);
  s.SetLocalEcho(false);
  s.SetLanguage(8);
}

TEST_F(SettingsTest, EveryKeyRoundTrips) {
  TOwned<TSettings> s = NewSettings();
  SetEveryField(*s);
  const std::string name = File("all.vtcfg");
  s->SaveToFile(name);
  EXPECT_EQ(name, s->FileName());

  TOwned<TSettings> back = Loaded(ReadAll(name));
  EXPECT_EQ(12, back->Port());
  EXPECT_EQ(115200, back->Baud());
  EXPECT_EQ(3, back->Databits());
  EXPECT_EQ(2, back->Parity());
  EXPECT_EQ(2, back->Stopbits());
  EXPECT_EQ(3, back->FlowControl());
  EXPECT_EQ(4, back->Terminator());
  EXPECT_EQ(0x123456u, back->ColorUser());
  EXPECT_EQ(0xABCDEFu, back->ColorComment());
  EXPECT_EQ(0u, back->ColorDevice());
  EXPECT_FALSE(back->LocalEcho());
  EXPECT_EQ(8, back->Language());

  // Sections and keys in the file's order; booleans as digits.
  const std::string text = ReadAll(name);
  size_t at = 0;
  for (const char* part :
       {"[COM]", "Port=12", "Baud=115200", "Databits=3", "Parity=2", "Stopbits=2", "FlowControl=3",
        "[DATA]", "Terminator=4", "ColorUser=1193046", "ColorComment=11259375", "ColorDevice=0",
        "LocalEcho=0", "[APP]", "Language=8"}) {
    const size_t found = text.find(part, at);
    ASSERT_NE(std::string::npos, found) << part << " in\n" << text;
    at = found;
  }
  s->SetLocalEcho(true);
  s->SaveToFile(name);
  EXPECT_NE(std::string::npos, ReadAll(name).find("LocalEcho=1"));
}

TEST_F(SettingsTest, PartialFileChangesOnlyItsKeys) {
  TOwned<TSettings> s = Loaded("[DATA]\r\nLocalEcho=0\r\n");
  EXPECT_FALSE(s->LocalEcho());
  s->SetLocalEcho(true);
  ExpectDefaults(*s);

  TOwned<TSettings> mixed =
      Loaded("[com]\r\nPORT=7\r\nbaud=19200\r\n[Data]\r\nlocalecho=5\r\n[app]\r\nLANGUAGE=6\r\n");
  EXPECT_EQ(7, mixed->Port());
  EXPECT_EQ(19200, mixed->Baud());
  EXPECT_TRUE(mixed->LocalEcho());
  EXPECT_EQ(6, mixed->Language());
}

TEST_F(SettingsTest, SaveKeepsForeignLines) {
  const std::string name = File("foreign.vtcfg");
  WriteAll(name, "; my port\r\n[COM]\r\nPort=2\r\nExtra=keep\r\n[Other]\r\nx=y\r\n");
  TOwned<TSettings> s = NewSettings();
  s->SaveToFile(name);
  const std::string text = ReadAll(name);
  for (const char* kept : {"; my port", "Extra=keep", "[Other]", "x=y"})
    EXPECT_NE(std::string::npos, text.find(kept)) << kept;
  EXPECT_EQ(std::string::npos, text.find("Port=2"));
  EXPECT_NE(std::string::npos, text.find("Port=1"));
}

// ---- The default file ---------------------------------------------------------------------

TEST_F(SettingsTest, DefaultFileIsLoadedAndKeptOnlyForItsOwnPath) {
  TOwned<TSettings> first = NewSettings();
  first->SetBaud(1234);
  first->AutoSave();
  EXPECT_EQ(defaultFile_, first->FileName());
  EXPECT_EQ(defaultFile_, first->DefaultFile());
  EXPECT_TRUE(first->IsDefaultFile());

  TOwned<TSettings> s = NewSettings();
  EXPECT_EQ(1234, s->Baud());
  EXPECT_EQ(defaultFile_, s->FileName());
  s->LoadFromFile(defaultFile_);
  EXPECT_EQ(defaultFile_, s->DefaultFile());
  EXPECT_EQ("", s->DisplayFileName());
  s->LoadFromFile(File("missing.vtcfg"));
  EXPECT_EQ(defaultFile_, s->DefaultFile());

  // The same file spelled in other letter case counts as another file.
  s->LoadFromFile(UpperCase(defaultFile_));
  EXPECT_EQ("", s->DefaultFile());
  EXPECT_FALSE(s->IsDefaultFile());
  EXPECT_EQ("CONFIG.VTCFG", s->DisplayFileName());

  TOwned<TSettings> other = NewSettings();
  other->SaveToFile(File("Other.vtcfg"));
  EXPECT_EQ("", other->DefaultFile());
  EXPECT_EQ("Other.vtcfg", other->DisplayFileName());
  other->SetBaud(4321);
  other->AutoSave();
  EXPECT_EQ(std::string::npos, ReadAll(defaultFile_).find("4321"));
  other->SaveToFile(defaultFile_);
  EXPECT_FALSE(other->IsDefaultFile()) << "the default file is gone for the process";
}

TEST_F(SettingsTest, NoOrUnwritableApplicationFolder) {
  TOwned<TSettings> none(Create<TSettings>(std::string()));
  EXPECT_EQ("", none->DefaultFile());
  ExpectDefaults(*none);

  // The folder is a file: nothing can be made below it.
  const std::string notFolder = File("plain");
  WriteAll(notFolder, "x");
  TOwned<TSettings> blocked(Create<TSettings>(notFolder));
  EXPECT_EQ("", blocked->DefaultFile());

  // The default file's name is taken by a folder: the probe fails.
  ForceDirectories(defaultFile_);
  TOwned<TSettings> taken = NewSettings();
  EXPECT_EQ("", taken->DefaultFile());
  taken->AutoSave();
  EXPECT_TRUE(DirectoryExists(defaultFile_));
  EXPECT_EQ("", taken->FileName());
}

TEST_F(SettingsTest, UnwritablePathChangesNothing) {
  TOwned<TSettings> s = NewSettings();
  for (const std::string& path : {File("no-folder\\x.vtcfg"), folder_}) {
    s->SaveToFile(path);
    EXPECT_EQ("", s->FileName()) << path;
    EXPECT_EQ(defaultFile_, s->DefaultFile()) << path;
  }
  // A file another program holds open without sharing keeps its contents.
  const std::string held = File("held.vtcfg");
  WriteAll(held, "[COM]\r\nPort=5\r\n");
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  s->SaveToFile(held);
  CloseHandle(h);
  EXPECT_EQ("[COM]\r\nPort=5\r\n", ReadAll(held));
  EXPECT_EQ(defaultFile_, s->DefaultFile());
}

// ---- Bad input -------------------------------------------------------------------------------

TEST_F(SettingsTest, ValuesOutOfRangeAreKeptAsRead) {
  TOwned<TSettings> s = Loaded(
      "[COM]\r\nPort=70000\r\nBaud=-5\r\nDatabits=9\r\nParity=200\r\nStopbits=300\r\n"
      "[DATA]\r\nTerminator=9\r\n[APP]\r\nLanguage=77\r\n");
  EXPECT_EQ(70000, s->Port());
  EXPECT_EQ(-5, s->Baud());
  EXPECT_EQ(9, s->Databits());
  EXPECT_EQ(200, s->Parity());
  EXPECT_EQ(44, s->Stopbits());  // 300 & 0xFF
  EXPECT_EQ(9, s->Terminator());
  EXPECT_EQ(77, s->Language());
  const std::string name = File("out.vtcfg");
  s->SaveToFile(name);
  const std::string text = ReadAll(name);
  for (const char* line : {"Port=70000", "Baud=-5", "Databits=9", "Parity=200", "Stopbits=44",
                           "Terminator=9", "Language=77"})
    EXPECT_NE(std::string::npos, text.find(line)) << line;
}

TEST_F(SettingsTest, MalformedFilesKeepTheirUnreadableKeys) {
  TOwned<TSettings> s = Loaded(
      "[COM]\r\nPort=abc\r\nBaud=\r\nDatabits=99999999999\r\nParity\r\nStopbits=1\r\n"
      "Stopbits=2\r\nFlowControl= 2\r\n[DATA]\r\nTerminator=\x01\xFF\r\nColorUser=0x\r\n" +
      std::string("\0\1\2garbage\r\n", 12) + "[APP]\r\nLanguage=1");
  EXPECT_EQ(1, s->Port());
  EXPECT_EQ(9600, s->Baud());
  EXPECT_EQ(4, s->Databits());
  EXPECT_EQ(0, s->Parity());
  EXPECT_TRUE(s->Stopbits() == 1 || s->Stopbits() == 2);
  EXPECT_EQ(3, s->Terminator());
  EXPECT_EQ(255u, s->ColorUser());
  EXPECT_EQ(1, s->Language()) << "a cut last line still reads";

  for (const std::string& content : {std::string(), std::string("[COM"), std::string("Port=5\r\n"),
                                     std::string("=\r\n[]\r\n=")}) {
    TOwned<TSettings> odd = Loaded(content);
    ExpectDefaults(*odd);
  }
  // UTF-16: no name matches.
  const std::string wide("\xFF\xFE[\0C\0O\0M\0]\0\r\0\n\0P\0o\0r\0t\0=\0\x39\0\r\0\n\0", 30);
  TOwned<TSettings> utf16 = Loaded(wide);
  ExpectDefaults(*utf16);
}

TEST_F(SettingsTest, FuzzedFilesLoadQuietly) {
  std::mt19937 random(20261209);
  const std::string valid =
      "[COM]\r\nPort=4\r\nBaud=38400\r\nDatabits=3\r\n[DATA]\r\nLocalEcho=0\r\n[APP]\r\nLanguage="
      "5\r\n";
  const std::string name = File("fuzz.vtcfg");
  for (int i = 0; i < 300; ++i) {
    std::string content = valid;
    if (i % 3 == 0) {
      content.assign(random() % 200, '\0');
      for (char& c : content)
        c = static_cast<char>(random());
    } else {
      for (int k = 0; k < 1 + i % 7; ++k) {
        const size_t at = random() % content.size();
        switch (random() % 3) {
          case 0:
            content[at] = static_cast<char>(random());
            break;
          case 1:
            content.erase(at, random() % 8);
            break;
          default:
            content.insert(at, 1 + random() % 4, "=[]\r\n\0-9x"[random() % 10]);
        }
        if (content.empty())
          content = "[";
      }
    }
    WriteAll(name, content);
    TOwned<TSettings> s(Create<TSettings>(std::string()));
    ASSERT_NO_THROW(s->LoadFromFile(name)) << i;
    EXPECT_EQ(name, s->FileName());
    ASSERT_NO_THROW(s->SaveToFile(name));
  }
}

}  // namespace
