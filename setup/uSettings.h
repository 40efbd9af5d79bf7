// The setup utility's settings: the last port, the engine's data time-out,
// the console's colours and time stamps and the text language, kept in
// "Velmor\kolvexMK\config.kcc" below the user's application-data folder.
// Nothing is written until Save; without a usable folder or file the object
// runs on its defaults and never writes.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <cstdint>
#include <functional>
#include <string>

class TSettings : public TObject {
  VEL_CLASS(TSettings, TObject)
 public:
  // Uses the user's application-data folder.
  TSettings();
  // appDataFolder stands for the application-data folder; empty: none.
  explicit TSettings(const std::string& appDataFolder);

  // Empty when no file can be kept.
  const std::string& FileName() const { return fileName_; }

  int32_t Port() const { return port_; }
  void SetPort(int32_t value) { port_ = value; }
  // Milliseconds.
  int32_t DataTimeout() const { return dataTimeout_; }
  void SetDataTimeout(int32_t value) { dataTimeout_ = value; }
  TColor ColorUser() const { return colorUser_; }
  void SetColorUser(TColor value) { colorUser_ = value; }
  TColor ColorDevice() const { return colorDevice_; }
  void SetColorDevice(TColor value) { colorDevice_ = value; }
  // Kept and written back; nothing uses them.
  bool LocalEcho() const { return localEcho_; }
  void SetLocalEcho(bool value) { localEcho_ = value; }
  bool HideASCII127Up() const { return hideASCII127Up_; }
  void SetHideASCII127Up(bool value) { hideASCII127Up_ = value; }
  bool ShowTimeStamp() const { return showTimeStamp_; }
  void SetShowTimeStamp(bool value) { showTimeStamp_ = value; }
  // Not checked against the languages; a file value keeps its low 8 bits.
  uint8_t Language() const { return language_; }
  void SetLanguage(uint8_t value) { language_ = value; }

  // The defaults; FileName stays.
  void SetDefaults();
  void Load();
  // A missing key or one that does not read as an integer keeps its field.
  // Nothing happens for an empty name or a missing file; failures are not
  // reported.
  void LoadFromFile(const std::string& name);
  void Save();
  // Writes all eight keys, keeping the file's other lines; failures are
  // not reported.
  void SaveToFile(const std::string& name);

 private:
  void FindFile(const std::string& appDataFolder);
  void Read(const std::string& name);
  void Write(const std::string& name) const;

  std::string fileName_;
  int32_t port_ = 0;
  int32_t dataTimeout_ = 0;
  TColor colorUser_ = 0;
  TColor colorDevice_ = 0;
  bool localEcho_ = false;
  bool showTimeStamp_ = false;
  bool hideASCII127Up_ = false;
  uint8_t language_ = 0;
};

// The program's settings object as the forms that come before the main form
// reach it; the main form installs the accessor. Null when there is none.
using TSettingsAccessor = std::function<TSettings*()>;
void SetSettingsAccessor(TSettingsAccessor accessor);
TSettings* ProgramSettings();
