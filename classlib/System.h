// Process-wide facts and services: the platform record, locale flags, the
// main thread, the tick clock, debugger output and the command line. The
// clock, the debug sink, the platform and the locale flags can be replaced by
// tests.
#pragma once

#include "Win.h"

#include <cstdint>
#include <functional>
#include <string>

struct TPlatformInfo {
  DWORD Win32Platform = 0;  // VER_PLATFORM_WIN32_NT (2) on the NT family
  DWORD Win32MajorVersion = 0;
  DWORD Win32MinorVersion = 0;
  bool IsNT() const { return Win32Platform == VER_PLATFORM_WIN32_NT; }
};

struct TSysLocale {
  bool FarEast = false;     // SM_DBCSENABLED
  bool MiddleEast = false;  // SM_MIDEASTENABLED
};

// Filled by InitSystem() (run by classlib::Startup()).
const TPlatformInfo& Platform();
void OverridePlatform(const TPlatformInfo& info);  // tests
TSysLocale& SysLocale();
DWORD MainThreadID();
HINSTANCE HInstance();
bool IsMainThread();
void InitSystem();

// Milliseconds, wrapping like GetTickCount.
DWORD GetTicks();
DWORD TicksSince(DWORD start);  // unsigned difference
using TTickSource = DWORD (*)();
void SetTickSource(TTickSource source);  // nullptr restores GetTickCount

void DebugOutput(const std::string& text);
using TDebugSink = std::function<void(const std::string&)>;
void SetDebugSink(TDebugSink sink);  // empty restores OutputDebugStringA

[[noreturn]] void Halt(int exitCode);

int ParamCount();
std::string ParamStr(int index);  // 0: the program's full path
bool FindCmdLineSwitch(const std::string& name, const std::string& chars = "-/",
                       bool ignoreCase = true);
// Tests: parse this line instead of the process's; empty restores the real one.
void OverrideCommandLine(const std::string& commandLine);
bool DebuggerPresent();
