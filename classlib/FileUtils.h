// Files, folders and path names. Paths are 8-bit strings in the ANSI code
// page; both '\' and '/' count as path delimiters, ':' ends a drive.
#pragma once

#include <string>

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
