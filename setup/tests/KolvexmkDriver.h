// Drives the real kolvexmk.exe in its own process through its windows, as a
// user would: starts it with its settings file pointing at a port, finds the
// controls where the form data puts them, clicks, reads texts and status
// panels. Shared by the end-to-end test and the latency benchmark.
#pragma once

#include "FileUtils.h"
#include "SysUtils.h"
#include "ProgramProcess.h"
#include "System.h"

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// Where the form data puts a control: its class and its top-left corner in
// the main window's client area.
struct TPlace {
  const char* classPrefix;
  int x;
  int y;
};

constexpr TPlace kPorts{"TUcComboBox", 117, 91};
constexpr TPlace kConnect{"TUcButton", 117, 115};

struct TPlaceSearch {
  HWND main;
  TPlace place;
  HWND found;
};

inline BOOL CALLBACK MatchPlace(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TPlaceSearch*>(p);
  if (ClassOf(w).rfind(s->place.classPrefix, 0) != 0)
    return TRUE;
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, s->main, reinterpret_cast<POINT*>(&r), 2);
  if (r.left != s->place.x || r.top != s->place.y)
    return TRUE;
  s->found = w;
  return FALSE;
}

inline HWND ControlAt(HWND main, const TPlace& place) {
  TPlaceSearch search{main, place, nullptr};
  EnumChildWindows(main, MatchPlace, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline void Click(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
}

inline std::string ComboText(HWND combo) {
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR)
    return "<none>";
  wchar_t text[128] = {};
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return WideToAnsi(text);
}

// Clicks Connect; true once the status bar shows the instrument idle and the
// window takes input again.
inline bool ClickConnect(HWND main) {
  Click(ControlAt(main, kConnect));
  const HWND bar = StatusBarOf(main);
  return WaitFor([&] { return PanelText(bar, 1) == "Idle" && IsWindowEnabled(main); }, 15000);
}

inline std::string AppDataFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path);
  return std::string(path) + "\\Velmor\\kolvexMK\\";
}

// The communication log that -debug writes for a port.
inline std::string CommLogName(int comNumber) {
  return AppDataFolder() + Format("comm_%0.3d.log", comNumber);
}

inline std::string ReadFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The program's real settings file, written for the run and put back
// afterwards (CTest's lock kolvexmk_config keeps others away meanwhile).
class TConfigFile {
 public:
  explicit TConfigFile(int port) : name_(AppDataFolder() + "config.kcc") {
    existed_ = FileExists(name_);
    if (existed_)
      saved_ = ReadFile(name_);
    ForceDirectories(AppDataFolder());
    std::ofstream(name_, std::ios::binary)
        << Format("[COM]\r\nPort=%d\r\n[APP]\r\nLanguage=0\r\n", port);
  }
  ~TConfigFile() {
    if (existed_)
      std::ofstream(name_, std::ios::binary) << saved_;
    else
      DeleteFileA(name_.c_str());
  }
  TConfigFile(const TConfigFile&) = delete;
  TConfigFile& operator=(const TConfigFile&) = delete;

 private:
  std::string name_;
  bool existed_ = false;
  std::string saved_;
};

// A kolvexmk process, ended when the object goes. program is the path of
// kolvexmk.exe relative to the folder of the running executable.
class TKolvexmk : public TProgramProcess {
 public:
  explicit TKolvexmk(const std::string& args = "", const std::string& program = "..\\kolvexmk.exe")
      : TProgramProcess(program, args) {}
};
