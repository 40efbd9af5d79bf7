#include "FileUtils.h"
#include "StringList.h"
#include "TestSupport.h"
#include "uLog.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace {

class LogTest : public testing::Test {
 protected:
  std::string Name() const { return folder_.Path() + "\\sub\\dir\\comm_003.log"; }
  std::string Contents() const { return ReadWholeFile(Name()); }

  TScratchFolder folder_;
};

TEST_F(LogTest, EachOpeningAppendsFileOpenedAndFileClosed) {
  for (int i = 0; i < 2; ++i) {
    TLog log(Name(), 0);
    EXPECT_EQ(i ? "File opened\r\nFile closed\r\nFile opened\r\n" : "File opened\r\n", Contents());
  }
  EXPECT_EQ("File opened\r\nFile closed\r\nFile opened\r\nFile closed\r\n", Contents());
}

TEST_F(LogTest, LinesCarryTheTimeStamp) {
  {
    TLog log(Name(), 0);
    log.WriteLine("sending: RDS");
  }
  TStringList lines;
  lines.SetText(Contents());
  ASSERT_EQ(3, lines.Count());
  // The test prefix runs with the en_US locale: ':' is the time separator.
  const std::regex stamped(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3} : sending: RDS)");
  EXPECT_TRUE(std::regex_match(lines.Strings(1), stamped)) << lines.Strings(1);
  EXPECT_EQ("File closed", lines.Strings(2));
}

TEST_F(LogTest, OthersMayReadButNotWriteWhileItIsOpen) {
  TLog log(Name(), 0);
  HANDLE reader = CreateFileA(Name().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, reader);
  CloseHandle(reader);
  HANDLE writer = CreateFileA(Name().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
  if (writer != INVALID_HANDLE_VALUE)
    CloseHandle(writer);
}

TEST_F(LogTest, AFileThatCannotBeOpenedRaises) {
  HANDLE holder = CreateFileA((folder_.Path() + "\\held.log").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  EXPECT_THROW(TLog(folder_.Path() + "\\held.log", 0), Exception);
  CloseHandle(holder);
}

TEST_F(LogTest, WithoutACapTheFileGrows) {
  TLog log(Name(), 0);
  for (int i = 0; i < 100; ++i)
    log.Write(std::string(98, 'x'));
  EXPECT_EQ(13u + 100 * 100, Contents().size());
}

// "File opened" and its CR LF take 13 bytes.
TEST_F(LogTest, TheCapKeepsTheNewestWholeLines) {
  TLog log(Name(), 100);
  log.Write(std::string(50, 'x'));  // 65 bytes
  log.Write(std::string(40, 'y'));  // 107: the newest 90 begin inside the x line
  EXPECT_EQ(std::string(40, 'y') + "\r\n", Contents());
}

TEST_F(LogTest, TheCapKeepsALineThatStartsExactlyAtTheCut) {
  TLog log(Name(), 100);
  log.Write(std::string(75, 'a'));  // 90 bytes
  log.Write(std::string(8, 'b'));   // 100: not over the cap yet
  log.Write("c");                   // 103: the newest 90 start with the a line
  EXPECT_EQ(std::string(75, 'a') + "\r\n" + std::string(8, 'b') + "\r\nc\r\n", Contents());
}

TEST_F(LogTest, TheEnginesCapTrimsToNineTenths) {
  const int64_t kCap = 10485760;
  const std::string line(1022, 'z');  // 1024 bytes with CR LF
  TLog log(Name(), kCap);
  int64_t written = 13;
  while (written <= kCap) {
    log.Write(line);
    written += 1024;
  }
  const std::string text = Contents();
  EXPECT_LE(text.size(), 9437184u);
  EXPECT_GT(text.size(), 9437184u - 1024);
  EXPECT_EQ(0u, text.size() % 1024) << "only whole lines are kept";
  EXPECT_EQ(line + "\r\n", text.substr(0, 1024));
}

TEST_F(LogTest, TwoThreadsWritingAtOnceLoseNoLine) {
  const int kLines = 500;
  {
    TLog log(Name(), 0);
    TLambdaThread other([&](TLambdaThread&) {
      for (int i = 0; i < kLines; ++i)
        log.WriteLine(Format("engine %d", i));
    });
    for (int i = 0; i < kLines; ++i)
      log.WriteLine(Format("main %d", i));
    other.WaitFor();
  }
  TStringList lines;
  lines.SetText(Contents());
  ASSERT_EQ(2 * kLines + 2, lines.Count());
  std::set<std::string> texts;
  for (int i = 1; i <= 2 * kLines; ++i) {
    const std::string line = lines.Strings(i);
    const size_t separator = line.find(" : ");
    ASSERT_EQ(23u, separator) << line;
    texts.insert(line.substr(separator + 3));
  }
  for (int i = 0; i < kLines; ++i) {
    EXPECT_EQ(1u, texts.count(Format("engine %d", i)));
    EXPECT_EQ(1u, texts.count(Format("main %d", i)));
  }
}

}  // namespace
