// The terminal's log file: open modes, flushing by size, by timer and at
// close, and logs that cannot be opened.
#include "TermTestSupport.h"

#include "FileUtils.h"

#include <fstream>

namespace {

struct TLogEvents {
  int flushes = 0;
  int changes = 0;
  void Flushed(TObject*) { ++flushes; }
  void Changed(TObject*) { ++changes; }
};

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

class LogTest : public TermFormTest {
 protected:
  void SetUp() override {
    TermFormTest::SetUp();
    term = Add<TProbeTerminal>();
    term->OnFlushLog = Method<&TLogEvents::Flushed>(&events);
    term->OnLoggingChange = Method<&TLogEvents::Changed>(&events);
    log = TempFileName("term.log");
    term->SetLogName(log);
    events.changes = 0;
  }

  TProbeTerminal* term = nullptr;
  TLogEvents events;
  std::string log;
};

TEST_F(LogTest, CreateEmptiesAndAppendAppends) {
  WriteFile(log, "old ");
  term->SetLogging(lgAppend);
  term->WriteString("new");
  term->SetLogging(lgOff);
  EXPECT_EQ("old new", ReadFileBytes(log));
  term->SetLogging(lgCreate);
  term->WriteString("fresh");
  term->CloseLog();
  EXPECT_EQ("fresh", ReadFileBytes(log));
  DeleteFileA(log.c_str());
  term->SetLogging(lgAppend);
  term->WriteString("created");
  term->CloseLog();
  EXPECT_EQ("created", ReadFileBytes(log));
}

TEST_F(LogTest, FlushesAtLogSize) {
  term->SetLogSize(1);
  term->SetLogging(lgCreate);
  term->WriteString("ab");
  EXPECT_EQ("ab", ReadFileBytes(log));
  EXPECT_EQ(2, events.flushes);
  term->SetLogSize(4);
  term->WriteString("cde");
  EXPECT_EQ("ab", ReadFileBytes(log));
  term->WriteChar('f');
  EXPECT_EQ("abcdef", ReadFileBytes(log));
  EXPECT_EQ(3, events.flushes);
  term->SetLogSize(0);
  EXPECT_EQ(1, term->LogSize());
  term->SetLogFlushTime(-5);
  EXPECT_EQ(1, term->LogFlushTime());
}

TEST_F(LogTest, TimerFlushesAndEmptyTicksWriteNothing) {
  term->SetLogFlushTime(50);
  ShowForm();
  term->SetLogging(lgCreate);
  term->WriteString("tick");
  EXPECT_EQ("", ReadFileBytes(log));
  EXPECT_TRUE(classlib::PumpUntil([&] { return events.flushes == 1; }, 2000));
  EXPECT_EQ("tick", ReadFileBytes(log));
  classlib::PumpFor(200);
  EXPECT_EQ(1, events.flushes);
}

TEST_F(LogTest, TimerRunsOnEveryWindowTheLogOutlives) {
  // Opened before the window exists, then through a window re-creation.
  term->SetLogFlushTime(50);
  term->SetLogging(lgCreate);
  ASSERT_FALSE(term->HandleAllocated());
  ShowForm();
  term->WriteString("one");
  EXPECT_TRUE(classlib::PumpUntil([&] { return events.flushes == 1; }, 2000));
  term->SetBorderStyle(bsNone);
  Settle();
  term->WriteString("two");
  EXPECT_TRUE(classlib::PumpUntil([&] { return events.flushes == 2; }, 2000));
  EXPECT_EQ("onetwo", ReadFileBytes(log));
}

TEST_F(LogTest, NewNameFlushesToTheOldFileFirst) {
  term->SetLogging(lgCreate);
  term->WriteString("first");
  events.changes = 0;
  const std::string second = TempFileName("second.log");
  term->SetLogName(second);
  EXPECT_EQ("first", ReadFileBytes(log));
  EXPECT_EQ(1, events.changes);
  term->WriteString("second");
  form->Free();
  form = nullptr;
  EXPECT_EQ("second", ReadFileBytes(second)) << "destruction flushes the rest";
}

TEST_F(LogTest, LogThatCannotBeOpened) {
  const std::string locked = TempFileName("locked.log");
  HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string names[] = {locked, std::string(folder) + "no such folder\\x.log", "", folder};
  for (const std::string& name : names) {
    SCOPED_TRACE("'" + name + "'");
    boxes.clear();
    events.changes = 0;
    term->SetLogging(lgOff);
    term->SetLogName(name);
    events.changes = 0;
    term->SetLogging(lgCreate);
    EXPECT_EQ((std::vector<std::string>{"Termview test|Unable to open log file|" +
                                        std::to_string(MB_ICONERROR)}),
              boxes);
    EXPECT_EQ(lgOff, term->Logging());
    EXPECT_EQ(1, events.changes);
    EXPECT_FALSE(term->LogOpen());
    term->WriteString("still shown\r\n");
    TVelTRMColorMode mode;
    EXPECT_EQ("still shown", term->LineText(0, mode));
    term->ClearTerminal();
  }
  CloseHandle(held);
}

TEST_F(LogTest, FailedWritesPropagateButCloseTheFile) {
  // Every write to this device fails: the disk is full.
  term->SetLogName("Z:\\dev\\full");
  term->SetLogging(lgAppend);
  ASSERT_TRUE(term->LogOpen());
  term->WriteString("lost");
  EXPECT_THROW(term->FlushLog(), EWriteError);
  EXPECT_THROW(term->CloseLog(), EWriteError);
  EXPECT_FALSE(term->LogOpen());
  // At destruction the error is reported, not thrown.
  term->ApplyLogging();
  ASSERT_TRUE(term->LogOpen());
  term->WriteString("lost again");
  EXPECT_TRUE(boxes.empty());
  form->Free();
  form = nullptr;
  EXPECT_EQ(1u, boxes.size());
}

TEST_F(LogTest, FileStreamOpenModes) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, TVelFileStream::FileOpenHandle(log, 0xFFFF));
  EXPECT_THROW(TVelFileStream(log, 0x0000), EFCreateError) << "reading a missing file";
  {
    TVelFileStream created(log, kLogCreateMode);
    created.WriteBuffer("abc", 3);
  }
  {
    TVelFileStream appended(log, kLogAppendMode);
    appended.Seek(0, soEnd);
    appended.WriteBuffer("d", 1);
    appended.FlushToDisk();
    // Shared reading: the file can be read while it is open.
    EXPECT_EQ("abcd", ReadFileBytes(log));
  }
}

}  // namespace
