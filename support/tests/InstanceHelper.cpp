// The other process of the single-instance tests.
//
//   InstanceHelper <ready file> mutex <guid>
//     runs the guard's check, writes "1" or "0" to the ready file and keeps
//     running (holding the mutex when it took it) until it is ended.
//   InstanceHelper <ready file> windows <log file> <pump|hang> <window>...
//     makes top-level windows, the first given topmost; each <window> is
//     "class|answer|caption" with class TMainForm, TOtherForm or #32770 (a
//     system dialog). Each window appends its caption to the log file when it
//     receives WM_USER+1, then answers. With "hang" the process stops
//     serving messages once the windows are made.
#include "uOneAppOnly.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string logFile;

void WriteFile(const std::string& name, const std::string& text, const char* mode) {
  if (FILE* f = std::fopen(name.c_str(), mode)) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

void Log(HWND window) {
  char caption[261] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  WriteFile(logFile, std::string(caption) + "\n", "ab");
}

const char kOriginalProc[] = "VelHelperProc";
const char kAnswer[] = "VelHelperAnswer";

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto original = reinterpret_cast<WNDPROC>(GetPropA(w, kOriginalProc));
  if (msg == WM_ACTIVATE_INSTANCE) {
    Log(w);
    if (original)
      return CallWindowProcA(original, w, msg, wp, lp);
    return reinterpret_cast<LRESULT>(GetPropA(w, kAnswer));
  }
  return original ? CallWindowProcA(original, w, msg, wp, lp) : DefWindowProcA(w, msg, wp, lp);
}

void RegisterWindowClass(const char* name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

HWND MakeWindow(const std::string& spec) {
  const size_t a = spec.find('|');
  const size_t b = spec.find('|', a + 1);
  const std::string cls = spec.substr(0, a);
  const int answer = std::atoi(spec.substr(a + 1, b - a - 1).c_str());
  const std::string caption = spec.substr(b + 1);
  HWND w = CreateWindowExA(0, cls.c_str(), caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 120, 80,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (cls == "#32770") {
    // A dialog answers the message as DM_SETDEFID itself; only listen in.
    SetPropA(w, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrA(w, GWLP_WNDPROC)));
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
  }
  SetPropA(w, kAnswer, reinterpret_cast<HANDLE>(static_cast<intptr_t>(answer)));
  return w;
}

int Windows(int argc, char** argv, const std::string& ready) {
  logFile = argv[3];
  const bool hang = std::string(argv[4]) == "hang";
  RegisterWindowClass("TMainForm");
  RegisterWindowClass("TOtherForm");
  std::vector<HWND> windows;
  for (int i = 5; i < argc; ++i)
    windows.push_back(MakeWindow(argv[i]));
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  WriteFile(ready, "ready", "w");
  if (hang)
    Sleep(INFINITE);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    DispatchMessageA(&msg);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4)
    return 2;
  const std::string ready = argv[1];
  const std::string mode = argv[2];
  if (mode == "mutex") {
    TOneAppOnly guard(argv[3], nullptr);
    WriteFile(ready, guard.AlreadyRunning() ? "1" : "0", "w");
    Sleep(INFINITE);
  }
  if (mode == "windows" && argc >= 5)
    return Windows(argc, argv, ready);
  return 2;
}
