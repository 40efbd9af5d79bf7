// Settings files in the INI format: "[section]" lines and "key=value" lines.
// Names compare without regard to case; a write replaces one key's line and
// keeps every other byte of the file.
#pragma once

#include "Classes.h"

#include <string>

class TFileReplacement;

class TIniFile : public TObject {
  VEL_CLASS(TIniFile, TObject)
 public:
  // The name is expanded to a full path against the current folder, so a
  // relative name means the same file for every later read and write.
  explicit TIniFile(const std::string& fileName);

  const std::string& FileName() const { return fileName_; }

  // A missing file, section or key gives the default; an empty value gives "".
  // Reading never creates the file.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // A missing, empty or non-integer value (or one beyond 32 bits) gives the
  // default; decimal or "$"/"0x" hexadecimal.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

  // Creates the file, section or key when missing. Raises EIniFileException
  // naming the file for an empty section or key name, a value with a line
  // break, or a file that cannot be written (which is then left as it was;
  // the exception carries the system's error code where there is one).
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  void DeleteKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);

 protected:
  // Writes the file's whole new text; a test seam for a write that fails.
  virtual void WriteContent(TFileReplacement& file, const std::string& content) const;

 private:
  std::string Load() const;
  void Save(const std::string& content) const;
  [[noreturn]] void Fail(const std::string& reason, uint32_t errorCode = 0) const;

  std::string fileName_;
};
