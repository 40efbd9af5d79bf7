#include "FileUtils.h"

#include "SysUtils.h"
#include "Win.h"

namespace {

const char* const kDelimiters = "\\/:";

bool IsPathDelimiter(char c) {
  return c == '\\' || c == '/';
}

// Index just after the last delimiter or drive colon: where the name starts.
size_t NameStart(const std::string& name) {
  const size_t at = name.find_last_of(kDelimiters);
  return at == std::string::npos ? 0 : at + 1;
}

// Index of the extension's dot, or npos when the name part has none.
size_t ExtensionStart(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && dot >= NameStart(name) ? dot : std::string::npos;
}

DWORD Attributes(const std::string& name) {
  return GetFileAttributesA(name.c_str());
}

}  // namespace

bool FileExists(const std::string& name) {
  const DWORD a = Attributes(name);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& name) {
  const DWORD a = Attributes(name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& dir) {
  return CreateDirectoryA(dir.c_str(), nullptr) != FALSE;
}

bool ForceDirectories(const std::string& dir) {
  const std::string full = ExcludeTrailingPathDelimiter(ExpandFileName(dir));
  if (full.empty())
    return false;
  if (DirectoryExists(full))
    return true;
  const std::string parent = ExtractFilePath(full);
  // A root that does not exist cannot be created.
  if (parent.empty() || ExcludeTrailingPathDelimiter(parent) == full)
    return false;
  if (!ForceDirectories(parent))
    return false;
  // Another process may create it at the same moment.
  return CreateDir(full) || DirectoryExists(full);
}

bool DeleteFile(const std::string& name) {
  return DeleteFileA(name.c_str()) != FALSE;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && IsPathDelimiter(path.back()) ? path : path + '\\';
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  return !path.empty() && IsPathDelimiter(path.back()) ? path.substr(0, path.size() - 1) : path;
}

std::string ExtractFilePath(const std::string& name) {
  return name.substr(0, NameStart(name));
}

std::string ExtractFileName(const std::string& name) {
  return name.substr(NameStart(name));
}

std::string ExtractFileExt(const std::string& name) {
  const size_t dot = ExtensionStart(name);
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ExtractFileDrive(const std::string& name) {
  if (name.size() >= 2 && name[1] == ':')
    return name.substr(0, 2);
  if (name.size() >= 2 && IsPathDelimiter(name[0]) && IsPathDelimiter(name[1])) {
    // "\\server\share": up to the delimiter after the share name.
    const size_t server = name.find_first_of("\\/", 2);
    if (server == std::string::npos)
      return name;
    const size_t share = name.find_first_of("\\/", server + 1);
    return name.substr(0, share);
  }
  return std::string();
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  return name.substr(0, ExtensionStart(name)) + ext;
}

std::string ExpandFileName(const std::string& name) {
  if (name.empty())
    return std::string();
  // Asked with no buffer, the function reports the size it needs, terminator
  // included; the current folder may change between the calls, so ask again
  // while the answer does not fit.
  DWORD size = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  while (size != 0) {
    std::string full(size, '\0');
    const DWORD n = GetFullPathNameA(name.c_str(), size, &full[0], nullptr);
    if (n < size) {
      full.resize(n);
      return full;
    }
    size = n;
  }
  return std::string();
}

// ---- TFileReplacement ------------------------------------------------------------------------

namespace {

[[noreturn]] void RaiseOSError(DWORD code) {
  throw EOSError(SysErrorMessage(code), code);
}

}  // namespace

TFileReplacement::TFileReplacement(const std::string& name)
    : name_(name), attributes_(GetFileAttributesA(name.c_str())) {
  if (attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_READONLY))
    RaiseOSError(ERROR_ACCESS_DENIED);
  char newName[MAX_PATH];
  if (!GetTempFileNameA(ExtractFilePath(name).c_str(), "new", 0, newName))
    RaiseOSError(GetLastError());
  newName_ = newName;
  newFile_ = CreateFileA(newName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (newFile_ == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileA(newName);
    RaiseOSError(error);
  }
}

TFileReplacement::~TFileReplacement() {
  CloseNewFile();
  if (!committed_)
    DeleteFileA(newName_.c_str());
}

void TFileReplacement::CloseNewFile() {
  if (newFile_ != INVALID_HANDLE_VALUE)
    CloseHandle(newFile_);
  newFile_ = INVALID_HANDLE_VALUE;
}

void TFileReplacement::Write(const std::string& bytes) {
  if (bytes.empty())
    return;
  DWORD written = 0;
  if (!WriteFile(newFile_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    RaiseOSError(GetLastError());
  if (written != bytes.size())
    RaiseOSError(ERROR_HANDLE_DISK_FULL);
}

void TFileReplacement::Commit() {
  CloseNewFile();
  if (attributes_ != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesA(newName_.c_str(), attributes_);
  if (!MoveFileExA(newName_.c_str(), name_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    RaiseOSError(GetLastError());
  committed_ = true;
}

void ReplaceFileContents(const std::string& name, const std::string& bytes) {
  TFileReplacement file(name);
  file.Write(bytes);
  file.Commit();
}
