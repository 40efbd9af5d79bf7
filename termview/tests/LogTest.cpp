// The terminal's log file: open modes, flushing by size, by timer and at
// close, and logs that cannot be opened.
#include "TermTestSupport.h"

#include "FileUtils.h"

#include <algorithm>
#include <fstream>
#include <functional>

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

// A log that cannot be written: the screen gets every character, the first
// failure goes to the caller once, and the log is given up.
class LogFailureTest : public LogTest {
 protected:
  std::string Line(int n) {
    TVelTRMColorMode mode;
    return term->LineText(n, mode);
  }
  void ExpectLoggingOnlyWithALog() {
    EXPECT_EQ(term->Logging() != lgOff, term->LogOpen()) << "Logging " << term->Logging();
  }
};

TEST_F(LogFailureTest, AFailedWriteLosesNoTextAndGivesTheLogUp) {
  using TWriter = std::function<void(TProbeTerminal*, const std::string&)>;
  const std::pair<const char*, TWriter> writers[] = {
      {"WriteString", [](TProbeTerminal* t, const std::string& s) { t->WriteString(s); }},
      {"WriteChar",
       [](TProbeTerminal* t, const std::string& s) {
         for (char c : s)
           t->WriteChar(c);
         t->FlushDisplay();
       }},
      {"WriteColorChar",
       [](TProbeTerminal* t, const std::string& s) {
         for (char c : s)
           t->WriteColorChar(c, 0, 1);
         t->FlushDisplay();
       }},
  };
  term->SetTermColorMode(cmC16_16);
  term->SetLogSize(4);
  for (const auto& writer : writers) {
    SCOPED_TRACE(writer.first);
    term->ClearTerminal();
    term->SetLogName("Z:\\dev\\full");
    term->SetLogging(lgAppend);
    ASSERT_TRUE(term->LogOpen());
    events.changes = 0;
    int failures = 0;
    for (const std::string text : {"hello world\r\n", "second line\r\n"}) {
      for (char c : text) {
        try {
          writer.second(term, std::string(1, c));
        } catch (const EWriteError&) {
          ++failures;
        }
      }
    }
    EXPECT_EQ(1, failures);
    EXPECT_EQ("hello world", Line(0));
    EXPECT_EQ("second line", Line(1));
    EXPECT_EQ(lgOff, term->Logging());
    EXPECT_EQ(1, events.changes);
    ExpectLoggingOnlyWithALog();
  }
  // The same in one string: the failure comes once all of it is shown.
  term->ClearTerminal();
  term->SetLogging(lgAppend);
  EXPECT_THROW(term->WriteString("hello world\r\n"), EWriteError);
  EXPECT_NO_THROW(term->WriteString("second line\r\n"));
  EXPECT_EQ("hello world", Line(0));
  EXPECT_EQ("second line", Line(1));
  EXPECT_EQ(3, term->LineCount());
}

TEST_F(LogFailureTest, AFailedWriteWritesNoByteTwice) {
  term->flakyLog = true;
  term->SetLogSize(4);
  term->SetLogging(lgCreate);
  EXPECT_THROW(term->WriteString("hello"), EWriteError);
  EXPECT_NO_THROW(term->WriteString(" world"));
  EXPECT_EQ("hel", ReadFileBytes(log)) << "one short write, then nothing";
  EXPECT_EQ("hello world", Line(0));
  ExpectLoggingOnlyWithALog();
}

TEST_F(LogFailureTest, AFailingTimerFlushReportsOnceAndStopsTheTimer) {
  // A real box runs its own message loop, in which the timer could go on.
  int depth = 0;
  int deepest = 0;
  SetMessageBoxFunc([&](HWND, const std::string& text, const std::string&, UINT) {
    boxes.push_back(text);
    deepest = std::max(deepest, ++depth);
    if (depth < 5)
      classlib::PumpFor(200);
    --depth;
    return IDOK;
  });
  term->SetLogFlushTime(50);
  term->SetLogName("Z:\\dev\\full");
  ShowForm();
  term->SetLogging(lgAppend);
  ASSERT_TRUE(term->LogOpen());
  events.changes = 0;
  term->WriteString("tick");
  classlib::PumpFor(600);
  EXPECT_EQ(std::vector<std::string>{"Stream write error"}, boxes);
  EXPECT_EQ(1, deepest);
  EXPECT_EQ(lgOff, term->Logging());
  EXPECT_EQ(1, events.changes);
  ExpectLoggingOnlyWithALog();
  EXPECT_EQ("tick", Line(0));
}

TEST_F(LogFailureTest, PropertyChangesWhileTheLastFlushFails) {
  const std::string fresh = TempFileName("fresh.log");
  const struct {
    const char* name;
    std::function<void()> change;
    TVelTRMLogging logging;
    std::string file;
  } cases[] = {
      {"new name", [&] { term->SetLogName(fresh); }, lgAppend, fresh},
      {"new mode", [&] { term->SetLogging(lgCreate); }, lgCreate, log},
      {"off", [&] { term->SetLogging(lgOff); }, lgOff, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    term->SetLogging(lgOff);
    term->SetLogName(log);
    term->flakyLog = true;
    term->SetLogging(lgAppend);
    term->flakyLog = false;
    term->WriteString("abc");
    events.changes = 0;
    EXPECT_THROW(c.change(), EWriteError);
    EXPECT_EQ(c.logging, term->Logging());
    EXPECT_EQ(1, events.changes);
    ExpectLoggingOnlyWithALog();
    if (c.file.empty())
      continue;
    EXPECT_EQ(c.file, term->LogName());
    term->WriteString("kept");
    term->CloseLog();
    EXPECT_EQ("kept", ReadFileBytes(c.file));
  }
}

TEST_F(LogFailureTest, FlushAndDestructionReportTheFailureOnce) {
  term->SetLogName("Z:\\dev\\full");
  term->SetLogging(lgAppend);
  term->WriteString("lost");
  EXPECT_THROW(term->FlushLog(), EWriteError);
  EXPECT_NO_THROW(term->FlushLog());
  EXPECT_NO_THROW(term->CloseLog());
  ExpectLoggingOnlyWithALog();
  // At destruction the error is reported, not thrown.
  term->SetLogging(lgAppend);
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
