// The terminal program's settings and their file (".vtcfg", an INI file).
// One default file per user lives in the application-data folder and is
// loaded at creation; loading or saving any other file leaves the default
// file for the rest of the process.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <cstdint>
#include <string>

class TSettings : public TObject {
  VEL_CLASS(TSettings, TObject)
 public:
  // Uses the user's application-data folder.
  TSettings();
  // appDataFolder stands for the application-data folder; empty: none.
  explicit TSettings(const std::string& appDataFolder);

  // Empty when there is none, or once another file was loaded or saved.
  const std::string& DefaultFile() const { return defaultFile_; }
  // The file last loaded or saved; empty until then.
  const std::string& FileName() const { return fileName_; }

  int32_t Port() const { return port_; }
  void SetPort(int32_t value) { port_ = value; }
  int32_t Baud() const { return baud_; }
  void SetBaud(int32_t value) { baud_ = value; }
  // Indices into the port's enumerations; a file may hold any byte.
  uint8_t Databits() const { return databits_; }
  void SetDatabits(uint8_t value) { databits_ = value; }
  uint8_t Parity() const { return parity_; }
  void SetParity(uint8_t value) { parity_ = value; }
  uint8_t Stopbits() const { return stopbits_; }
  void SetStopbits(uint8_t value) { stopbits_ = value; }
  uint8_t FlowControl() const { return flowControl_; }
  void SetFlowControl(uint8_t value) { flowControl_ = value; }
  // What Enter sends: 0 nothing, 1 LF, 2 CR, 3 CR LF, 4 LF CR.
  uint8_t Terminator() const { return terminator_; }
  void SetTerminator(uint8_t value) { terminator_ = value; }
  TColor ColorUser() const { return colorUser_; }
  void SetColorUser(TColor value) { colorUser_ = value; }
  // Kept and written back; nothing shows it.
  TColor ColorComment() const { return colorComment_; }
  void SetColorComment(TColor value) { colorComment_ = value; }
  TColor ColorDevice() const { return colorDevice_; }
  void SetColorDevice(TColor value) { colorDevice_ = value; }
  bool LocalEcho() const { return localEcho_; }
  void SetLocalEcho(bool value) { localEcho_ = value; }
  uint8_t Language() const { return language_; }
  void SetLanguage(uint8_t value) { language_ = value; }

  // The defaults; DefaultFile and FileName stay.
  void SetDefaults();
  // A key that is missing or not an integer keeps its field. Nothing
  // happens for an empty path or a missing file; failures are not reported.
  void LoadFromFile(const std::string& path);
  // Writes every key, keeping the file's other lines. False when the file
  // cannot be written: it stays as it was, FileName and DefaultFile stay
  // too, and reason, when given, gets the system's words for why.
  bool SaveToFile(const std::string& path, std::wstring* reason = nullptr);
  void LoadDefaultFile();
  // Saves into the default file, when there is one.
  void AutoSave();
  // True while FileName is empty or the default file (exact comparison).
  bool IsDefaultFile() const;
  // The name part of a file other than the default one; else empty.
  std::string DisplayFileName() const;

 private:
  void FindDefaultFile(const std::string& appDataFolder);
  void Read(const std::string& path);
  void Write(const std::string& path) const;
  void Took(const std::string& path);

  std::string defaultFile_;
  std::string fileName_;
  int32_t port_ = 0;
  int32_t baud_ = 0;
  uint8_t databits_ = 0;
  uint8_t parity_ = 0;
  uint8_t stopbits_ = 0;
  uint8_t flowControl_ = 0;
  uint8_t terminator_ = 0;
  TColor colorUser_ = 0;
  TColor colorComment_ = 0;
  TColor colorDevice_ = 0;
  bool localEcho_ = false;
  uint8_t language_ = 0;
};
