#include "Win.h"

#include "Streams.h"
#include "StringList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string TempFileName(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

std::string ReadAll(TStream& stream) {
  stream.SetPosition(0);
  std::string data(static_cast<size_t>(stream.Size()), '\0');
  stream.ReadBuffer(&data[0], static_cast<int32_t>(data.size()));
  return data;
}

void WriteText(TStream& stream, const std::string& s) {
  stream.WriteBuffer(s.data(), static_cast<int32_t>(s.size()));
}

class FileStreamTest : public ::testing::Test {
 protected:
  void TearDown() override { DeleteFileA(name_.c_str()); }
  std::string name_ = TempFileName("vel_stream_test.bin");
};

TEST_F(FileStreamTest, SizeCanBeCutAndExtended) {
  TFileStream file(name_, fmCreate);
  WriteText(file, "0123456789");
  EXPECT_EQ(file.Size(), 10);
  file.SetSize(4);
  EXPECT_EQ(file.Position(), 4);  // was past the new end
  EXPECT_EQ(ReadAll(file), "0123");
  file.SetPosition(2);
  file.SetSize(6);
  EXPECT_EQ(file.Position(), 2);
  EXPECT_EQ(ReadAll(file), std::string("0123\0\0", 6));
  file.SetSize(0);
  EXPECT_EQ(file.Size(), 0);
  EXPECT_EQ(file.Seek(0, soEnd), 0);
}

TEST_F(FileStreamTest, DenyWriteLetsReadersInButNotWriters) {
  { TFileStream(name_, fmCreate).WriteBuffer("x", 1); }
  TFileStream log(name_, fmOpenReadWrite | fmShareDenyWrite);
  TFileStream reader(name_, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(ReadAll(reader), "x");
  EXPECT_THROW(TFileStream(name_, fmOpenWrite | fmShareDenyNone), EFOpenError);
  // The log itself may still write while a reader is in.
  log.Seek(0, soEnd);
  WriteText(log, "y");
  EXPECT_EQ(ReadAll(reader), "xy");
}

TEST_F(FileStreamTest, ExclusiveRefusesEveryone) {
  TFileStream owner(name_, fmCreate | fmShareExclusive);
  EXPECT_THROW(TFileStream(name_, fmOpenRead | fmShareDenyNone), EFOpenError);
}

TEST_F(FileStreamTest, FailuresNameTheFileAndTheReason) {
  std::string missing = TempFileName("vel_no_such_file.bin");
  try {
    TFileStream file(missing, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"" + missing + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  std::string badPath = TempFileName("vel_no_such_dir\\file.bin");
  try {
    TFileStream file(badPath, fmCreate);
    FAIL() << "created a file in a missing folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot create file \"" + badPath + "\". " + SysErrorMessage(ERROR_PATH_NOT_FOUND));
  }
}

TEST_F(FileStreamTest, HandleStreamLeavesItsHandleOpen) {
  HANDLE h = CreateFileA(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  {
    THandleStream stream(h);
    WriteText(stream, "abc");
    EXPECT_EQ(stream.Seek(-1, soCurrent), 2);
    EXPECT_EQ(stream.Seek(-5, soCurrent), -1);
    EXPECT_EQ(stream.Position(), 2);
  }
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "d", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(h, nullptr), 3u);
  CloseHandle(h);
}

TEST_F(FileStreamTest, StringsAndMemoryRoundTripThroughFiles) {
  TStringList lines;
  lines.SetText("one\ntwo");
  lines.SaveToFile(name_);
  TMemoryStream memory;
  memory.LoadFromFile(name_);
  EXPECT_EQ(ReadAll(memory), "one\r\ntwo\r\n");
  memory.SaveToFile(name_);
  TStringList back;
  back.LoadFromFile(name_);
  EXPECT_EQ(back.Text(), lines.Text());
}

TEST(MemoryStream, ReadsWritesAndSeeks) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Memory(), nullptr);
  WriteText(stream, "hello");
  EXPECT_EQ(std::string(static_cast<char*>(stream.Memory()), 5), "hello");
  EXPECT_EQ(stream.Seek(2, soEnd), 7);  // a write past the end fills the gap with zeros
  WriteText(stream, "!");
  EXPECT_EQ(ReadAll(stream), std::string("hello\0\0!", 8));

  EXPECT_EQ(stream.Seek(-1, soBeginning), -1);
  EXPECT_EQ(stream.Position(), 8);
  char buffer[4];
  stream.SetPosition(6);
  EXPECT_EQ(stream.Read(buffer, 4), 2);
  stream.SetPosition(6);
  EXPECT_THROW(stream.ReadBuffer(buffer, 4), EReadError);

  stream.SetSize(3);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(ReadAll(stream), "hel");
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, CopiesBetweenStreams) {
  TMemoryStream source;
  std::string big(200000, 'x');
  big[123456] = 'y';
  WriteText(source, big);

  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), 200000);  // 0: all of it, from the start
  EXPECT_EQ(ReadAll(all), big);

  TMemoryStream part;
  source.SetPosition(123455);
  EXPECT_EQ(part.CopyFrom(source, 3), 3);
  EXPECT_EQ(ReadAll(part), "xyx");
  EXPECT_THROW(part.CopyFrom(source, 1000000), EReadError);

  TMemoryStream loaded;
  loaded.LoadFromStream(source);
  EXPECT_EQ(loaded.Position(), 0);
  EXPECT_EQ(ReadAll(loaded), big);
}

}  // namespace
