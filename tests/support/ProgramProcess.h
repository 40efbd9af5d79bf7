// One of the project's programs in a process of its own, seen through its
// windows: the end-to-end tests and the benchmarks drive the real executables
// this way.
#pragma once

#include "FileUtils.h"
#include "SysUtils.h"
#include "System.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

inline bool WaitFor(const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ms)
      return false;
    Sleep(50);
  }
  return true;
}

inline std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

inline DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct TTopSearch {
  DWORD pid;
  std::string className;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectTopWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TTopSearch*>(p);
  if (ProcessOf(w) == s->pid && IsWindowVisible(w) && ClassOf(w) == s->className)
    s->found.push_back(w);
  return TRUE;
}

// The process's visible top-level windows of a class.
inline std::vector<HWND> TopWindows(DWORD pid, const std::string& className) {
  TTopSearch search{pid, className, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The visible main window of a process; null when it has none.
inline HWND MainWindowOf(DWORD pid) {
  const std::vector<HWND> found = TopWindows(pid, "TMainForm");
  return found.empty() ? nullptr : found[0];
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

inline std::string AnsiTextOf(HWND window) {
  return WideToAnsi(TextOf(window));
}

inline BOOL CALLBACK MatchStatusBar(HWND w, LPARAM p) {
  if (ClassOf(w).find("StatusBar") == std::string::npos)
    return TRUE;
  *reinterpret_cast<HWND*>(p) = w;
  return FALSE;
}

inline HWND StatusBarOf(HWND main) {
  HWND found = nullptr;
  EnumChildWindows(main, MatchStatusBar, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A status panel's text without its alignment tabs, read through memory of
// the bar's process.
inline std::string PanelText(HWND bar, int index) {
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(bar));
  if (!process)
    return "?";
  std::wstring text(256, L'\0');
  const SIZE_T bytes = text.size() * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  if (remote) {
    SendMessageW(bar, SB_GETTEXTW, index, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &text[0], bytes, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  std::string result = WideToAnsi(text.c_str());
  result.erase(0, result.find_first_not_of('\t'));
  return result;
}

// The process's shown window of a class; null when none comes.
inline HWND WaitTopWindow(DWORD pid, const std::string& className, DWORD ms = 5000) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        const std::vector<HWND> windows = TopWindows(pid, className);
        found = windows.empty() ? nullptr : windows[0];
        return found != nullptr;
      },
      ms);
  return found;
}

// A program started with arguments and ended when the object goes: its
// message boxes are answered, its main window closed, and it is killed when it
// does not end in time. program is relative to the running executable's folder.
class TProgramProcess {
 public:
  TProgramProcess(const std::string& program, const std::string& args) {
    std::string line = "\"" + ExtractFilePath(ParamStr(0)) + program + "\"";
    if (!args.empty())
      line += " " + args;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      throw std::runtime_error("cannot start " + program);
  }
  ~TProgramProcess() {
    for (HWND box : TopWindows(pi_.dwProcessId, "#32770"))
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (HWND w = MainWindow())
      PostMessageA(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi_.hProcess, 8000) != WAIT_OBJECT_0)
      TerminateProcess(pi_.hProcess, 9);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
  TProgramProcess(const TProgramProcess&) = delete;
  TProgramProcess& operator=(const TProgramProcess&) = delete;

  DWORD Pid() const { return pi_.dwProcessId; }
  HANDLE Process() const { return pi_.hProcess; }
  HWND MainWindow() const { return MainWindowOf(pi_.dwProcessId); }
  HWND WaitWindow() const {
    HWND w = nullptr;
    WaitFor([&] { return (w = MainWindow()) != nullptr; }, 20000);
    return w;
  }

  // The text of the message box it shows, answered with OK; empty when none
  // came. VEL_HOLD_MS keeps the box on screen for a picture of it.
  std::string WaitBox(DWORD ms) const {
    const HWND box = WaitTopWindow(Pid(), "#32770", ms);
    if (!box)
      return std::string();
    const std::string text = AnsiTextOf(GetDlgItem(box, 0xFFFF));
    if (const char* hold = getenv("VEL_HOLD_MS"))
      Sleep(static_cast<DWORD>(atoi(hold)));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
  }

 private:
  PROCESS_INFORMATION pi_{};
};
