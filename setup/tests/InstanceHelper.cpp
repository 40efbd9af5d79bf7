// The other process of the instance search tests.
//
//   SetupInstanceHelper <ready file> <log file> <window>...
//     makes top-level windows, the first given topmost; each <window> is
//     "marked|answer|caption" with marked 1 or 0. Each window appends its
//     caption to the log file when it receives WM_USER+1, then answers.
//     Writes "ready" once the windows are made and serves them until ended.
#include "uOneAppOnly.h"
#include "uOneAppOnlySetup.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string logFile;
const char kAnswer[] = "VelHelperAnswer";

void Append(const std::string& name, const std::string& text, const char* mode) {
  if (FILE* f = std::fopen(name.c_str(), mode)) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ACTIVATE_INSTANCE) {
    char caption[261] = {};
    GetWindowTextA(w, caption, sizeof(caption));
    Append(logFile, std::string(caption) + "\n", "ab");
    return reinterpret_cast<LRESULT>(GetPropA(w, kAnswer));
  }
  return DefWindowProcA(w, msg, wp, lp);
}

HWND MakeWindow(const std::string& spec) {
  const size_t a = spec.find('|');
  const size_t b = spec.find('|', a + 1);
  const bool marked = spec.substr(0, a) == "1";
  const int answer = std::atoi(spec.substr(a + 1, b - a - 1).c_str());
  HWND w = CreateWindowExA(0, "TMainForm", spec.substr(b + 1).c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                           120, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetPropA(w, kAnswer, reinterpret_cast<HANDLE>(static_cast<intptr_t>(answer)));
  if (marked)
    MarkInstanceWindow(w);
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  logFile = argv[2];
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TMainForm";
  RegisterClassA(&wc);
  std::vector<HWND> windows;
  for (int i = 3; i < argc; ++i)
    windows.push_back(MakeWindow(argv[i]));
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Append(argv[1], "ready", "w");
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    DispatchMessageA(&msg);
  return 0;
}
