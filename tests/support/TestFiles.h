// Files and folders for tests: whole-file reads and writes, fresh folders
// below the temporary folder, and their removal.
#pragma once

#include "FileUtils.h"
#include "SysUtils.h"
#include "Win.h"

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadAll(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void WriteAll(const std::string& name, const std::string& content) {
  std::ofstream(name, std::ios::binary) << content;
}

inline void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..")
        continue;
      const std::string path = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

// A fresh folder below the temporary folder, named for this process and tag,
// so that test programs running side by side never share one.
inline std::string NewTempFolder(const std::string& tag) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  const std::string folder = std::string(temp) + tag + "-" + IntToStr(GetCurrentProcessId()) + "-" +
                             IntToStr(GetTickCount()) + "-" + IntToStr(++counter);
  ForceDirectories(folder);
  return folder;
}
