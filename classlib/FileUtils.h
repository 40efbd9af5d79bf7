// Files, folders and path names. Paths are 8-bit strings in the ANSI code
// page; both '\' and '/' count as path delimiters, ':' ends a drive.
#pragma once

#include <string>

#include "Win.h"

bool FileExists(const std::string& name);  // a file, not a folder
bool DirectoryExists(const std::string& name);
bool CreateDir(const std::string& dir);         // the parent must exist
bool ForceDirectories(const std::string& dir);  // creates every missing parent too
bool DeleteFile(const std::string& name);

std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);

// "C:\dir\name.ext": path "C:\dir\", name "name.ext", extension ".ext",
// drive "C:" (or "\\server\share" for a network name).
std::string ExtractFilePath(const std::string& name);
std::string ExtractFileName(const std::string& name);
std::string ExtractFileExt(const std::string& name);
std::string ExtractFileDrive(const std::string& name);
// Replaces the extension (or appends ext when there is none); ext has its dot.
std::string ChangeFileExt(const std::string& name, const std::string& ext);

// The full path name; empty when the name is not valid.
std::string ExpandFileName(const std::string& name);

// A file given its whole new contents in one step: the bytes go to a new file
// beside it, which takes its place (and its attributes) only on Commit, so
// that a failure at any point leaves the old file byte for byte. A new file
// that is not committed is removed. Failures raise EOSError with the
// system's code; a read-only file is refused (ERROR_ACCESS_DENIED), as the
// system refuses it to all but a privileged process.
class TFileReplacement {
 public:
  explicit TFileReplacement(const std::string& name);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  // A write that comes up short counts as a full disk.
  void Write(const std::string& bytes);
  void Commit();

 private:
  void CloseNewFile();

  std::string name_;
  std::string newName_;
  DWORD attributes_;
  HANDLE newFile_ = INVALID_HANDLE_VALUE;
  bool committed_ = false;
};

// Replaces the file's contents with bytes through a TFileReplacement.
void ReplaceFileContents(const std::string& name, const std::string& bytes);
