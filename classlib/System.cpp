#include "System.h"

#include "SysUtils.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA needs the 148-byte record");

struct TSystemState {
  TPlatformInfo platform;
  TSysLocale locale;
  DWORD mainThreadID = 0;
  HINSTANCE instance = nullptr;
};

TPlatformInfo QueryPlatform() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  TPlatformInfo result;
  if (GetVersionExA(&info)) {
    result.Win32Platform = info.dwPlatformId;
    result.Win32MajorVersion = info.dwMajorVersion;
    result.Win32MinorVersion = info.dwMinorVersion;
  }
  return result;
}

void FillState(TSystemState& s) {
  s.platform = QueryPlatform();
  s.locale.FarEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
  s.locale.MiddleEast = GetSystemMetrics(SM_MIDEASTENABLED) != 0;
  s.mainThreadID = GetCurrentThreadId();
  s.instance = GetModuleHandleA(nullptr);
}

// Filled on first use, so that the getters work before InitSystem; the first
// user is the main thread in practice, and InitSystem settles it.
TSystemState& State() {
  static TSystemState state = [] {
    TSystemState s;
    FillState(s);
    return s;
  }();
  return state;
}

std::atomic<TTickSource> tickSource{nullptr};

std::mutex debugSinkLock;
TDebugSink debugSink;

std::mutex commandLineLock;
std::string commandLineOverride;

}  // namespace

const TPlatformInfo& Platform() {
  return State().platform;
}
void OverridePlatform(const TPlatformInfo& info) {
  State().platform = info;
}
TSysLocale& SysLocale() {
  return State().locale;
}
DWORD MainThreadID() {
  return State().mainThreadID;
}
HINSTANCE HInstance() {
  return State().instance;
}
bool IsMainThread() {
  return GetCurrentThreadId() == MainThreadID();
}
void InitSystem() {
  FillState(State());
}

DWORD GetTicks() {
  const TTickSource source = tickSource.load();
  return source ? source() : GetTickCount();
}

DWORD TicksSince(DWORD start) {
  return GetTicks() - start;
}
void SetTickSource(TTickSource source) {
  tickSource.store(source);
}

void DebugOutput(const std::string& text) {
  TDebugSink sink;
  {
    std::lock_guard<std::mutex> guard(debugSinkLock);
    sink = debugSink;
  }
  if (sink) {
    sink(text);
  } else {
    OutputDebugStringA(text.c_str());
  }
}

void SetDebugSink(TDebugSink sink) {
  std::lock_guard<std::mutex> guard(debugSinkLock);
  debugSink = std::move(sink);
}

void Halt(int exitCode) {
  ExitProcess(static_cast<UINT>(exitCode));
}

// ---- Command line ------------------------------------------------------------

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

// The program name ends at the closing quote or at the first blank; it knows
// no backslash escapes.
const char* SkipProgramName(const char* p) {
  if (*p == '"') {
    ++p;
    while (*p && *p != '"')
      ++p;
    if (*p)
      ++p;
  } else {
    while (*p && !IsSpace(*p))
      ++p;
  }
  return p;
}

// One argument: quotes group blanks; 2n backslashes before a quote give n
// backslashes and the quote toggles grouping, 2n+1 give n and a literal quote;
// other backslashes are literal.
std::string NextArgument(const char*& p) {
  std::string arg;
  bool quoted = false;
  while (*p && (quoted || !IsSpace(*p))) {
    size_t backslashes = 0;
    while (*p == '\\') {
      ++backslashes;
      ++p;
    }
    if (*p == '"') {
      arg.append(backslashes / 2, '\\');
      if (backslashes % 2) {
        arg += '"';
      } else {
        quoted = !quoted;
      }
      ++p;
    } else {
      arg.append(backslashes, '\\');
      if (*p && (quoted || !IsSpace(*p)))
        arg += *p++;
    }
  }
  return arg;
}

std::string CommandLine() {
  std::lock_guard<std::mutex> guard(commandLineLock);
  return commandLineOverride.empty() ? GetCommandLineA() : commandLineOverride;
}

// The arguments after the program name.
std::vector<std::string> Arguments() {
  const std::string line = CommandLine();
  std::vector<std::string> args;
  const char* p = SkipProgramName(line.c_str());
  for (;;) {
    while (IsSpace(*p))
      ++p;
    if (!*p)
      return args;
    args.push_back(NextArgument(p));
  }
}

std::string ModuleFileName() {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, &name[0], static_cast<DWORD>(name.size()));
    // A full buffer may be a cut name (XP does not even report it).
    if (n < name.size()) {
      name.resize(n);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

bool SameSwitchName(const std::string& a, const std::string& b, bool ignoreCase) {
  return ignoreCase ? SameText(a, b) : a == b;
}

}  // namespace

int ParamCount() {
  return static_cast<int>(Arguments().size());
}

std::string ParamStr(int index) {
  if (index == 0)
    return ModuleFileName();
  const std::vector<std::string> args = Arguments();
  if (index < 0 || index > static_cast<int>(args.size()))
    return std::string();
  return args[index - 1];
}

bool FindCmdLineSwitch(const std::string& name, const std::string& chars, bool ignoreCase) {
  for (const std::string& arg : Arguments()) {
    if (!arg.empty() && chars.find(arg[0]) != std::string::npos &&
        SameSwitchName(arg.substr(1), name, ignoreCase)) {
      return true;
    }
  }
  return false;
}

void OverrideCommandLine(const std::string& commandLine) {
  std::lock_guard<std::mutex> guard(commandLineLock);
  commandLineOverride = commandLine;
}

bool DebuggerPresent() {
  return IsDebuggerPresent() != FALSE;
}
