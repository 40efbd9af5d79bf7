#include "System.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CommandLine : public ::testing::Test {
 protected:
  void TearDown() override { OverrideCommandLine(""); }

  static std::vector<std::string> Params(const std::string& line) {
    OverrideCommandLine(line);
    std::vector<std::string> result;
    for (int i = 1; i <= ParamCount(); ++i)
      result.push_back(ParamStr(i));
    return result;
  }
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(CommandLine, SplitsAtBlanksOutsideQuotes) {
  EXPECT_EQ(Params("prog.exe"), Strings{});
  EXPECT_EQ(Params("prog.exe  a\tb   "), (Strings{"a", "b"}));
  EXPECT_EQ(Params("prog.exe \"C:\\My Files\\x.vtcfg\" /debug"),
            (Strings{"C:\\My Files\\x.vtcfg", "/debug"}));
  EXPECT_EQ(Params("prog.exe ab\"c d\"e \"\""), (Strings{"abc de", ""}));
}

TEST_F(CommandLine, BackslashesEscapeOnlyBeforeQuotes) {
  EXPECT_EQ(Params("prog.exe C:\\dir\\ a\\\\b"), (Strings{"C:\\dir\\", "a\\\\b"}));
  EXPECT_EQ(Params("prog.exe a\\\"b"), (Strings{"a\"b"}));           // 2n+1: literal quote
  EXPECT_EQ(Params("prog.exe \"a\\\\\" b"), (Strings{"a\\", "b"}));  // 2n: quote ends group
  EXPECT_EQ(Params("prog.exe \"C:\\dir\\\\\""), (Strings{"C:\\dir\\"}));
}

TEST_F(CommandLine, ProgramNameKnowsNoEscapes) {
  EXPECT_EQ(Params("\"C:\\Program Files\\v\\velterm.exe\" x"), (Strings{"x"}));
  EXPECT_EQ(Params("C:\\v\\velterm.exe\\\" x"), (Strings{"x"}));
}

TEST_F(CommandLine, ParamStrZeroIsTheModulePath) {
  OverrideCommandLine("other.exe a");
  const std::string self = ParamStr(0);
  EXPECT_NE(self.find(':'), std::string::npos) << self;
  EXPECT_TRUE(SameText(self.substr(self.size() - 4), ".exe")) << self;
  EXPECT_EQ(ParamStr(2), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST_F(CommandLine, FindCmdLineSwitch) {
  OverrideCommandLine("prog.exe -Debug /log file");
  EXPECT_TRUE(FindCmdLineSwitch("debug"));
  EXPECT_FALSE(FindCmdLineSwitch("debug", "-/", false));
  EXPECT_TRUE(FindCmdLineSwitch("LOG"));
  EXPECT_FALSE(FindCmdLineSwitch("log", "-"));
  EXPECT_FALSE(FindCmdLineSwitch("file"));
}

namespace {
DWORD fakeTicks = 0;
DWORD FakeTicks() {
  return fakeTicks;
}
}  // namespace

TEST(Ticks, ReplaceableClockAndWrappingDifference) {
  SetTickSource(&FakeTicks);
  fakeTicks = 0xFFFFFF00u;
  const DWORD start = GetTicks();
  fakeTicks = 0x100;  // wrapped around
  EXPECT_EQ(TicksSince(start), 0x200u);
  SetTickSource(nullptr);
  EXPECT_LT(TicksSince(GetTicks()), 1000u);
}

TEST(DebugOutput, GoesToTheInstalledSink) {
  std::vector<std::string> lines;
  SetDebugSink([&](const std::string& s) { lines.push_back(s); });
  DebugOutput("one");
  SetDebugSink(nullptr);
  DebugOutput("two");  // back to the debugger
  EXPECT_EQ(lines, Strings{"one"});
}

TEST(Platform, RecordAndOverrides) {
  EXPECT_TRUE(Platform().IsNT());  // Wine reports NT 5.1 or later
  EXPECT_TRUE(IsMainThread());

  const TPlatformInfo real = Platform();
  OverridePlatform({VER_PLATFORM_WIN32_WINDOWS, 4, 10});
  EXPECT_FALSE(Platform().IsNT());
  EXPECT_EQ(Platform().Win32MinorVersion, 10u);
  OverridePlatform(real);

  SysLocale().FarEast = true;
  EXPECT_TRUE(SysLocale().FarEast);
  InitSystem();  // fills afresh from the system
  EXPECT_FALSE(SysLocale().FarEast);
}
