#include "uSettings.h"

#include "FileUtils.h"
#include "IniFiles.h"
#include "uLanguages.h"
#include "uToolbox.h"

#include <shlobj.h>

VEL_CLASS_IMPL(TSettings, TObject)

namespace {

constexpr char kSubFolder[] = "Velmor\\kolvexMK\\";
constexpr char kFileName[] = "config.kcc";

TSettingsAccessor& Accessor() {
  static TSettingsAccessor accessor;
  return accessor;
}

bool ReadFlag(const TIniFile& ini, const char* section, const char* key, bool current) {
  return ini.ReadInteger(section, key, current ? 1 : 0) != 0;
}

TColor ReadColor(const TIniFile& ini, const char* section, const char* key, TColor current) {
  return static_cast<TColor>(ini.ReadInteger(section, key, static_cast<int>(current)));
}

}  // namespace

TSettings::TSettings() : TSettings(GetSpecialFolderPath(nullptr, CSIDL_APPDATA)) {}

TSettings::TSettings(const std::string& appDataFolder) {
  FindFile(appDataFolder);
  SetDefaults();
  Load();
}

void TSettings::FindFile(const std::string& appDataFolder) {
  if (appDataFolder.empty())
    return;
  const std::string folder = IncludeTrailingPathDelimiter(appDataFolder) + kSubFolder;
  if (!DirectoryExists(folder))
    ForceDirectories(folder);
  if (!DirectoryExists(folder))
    return;
  fileName_ = folder + kFileName;
  // A folder where nothing can be created gets nothing saved.
  if (!FileExists(fileName_) && !DeleteFileChecked(fileName_))
    fileName_.clear();
}

void TSettings::SetDefaults() {
  const int firstPort = FirstComPort(false);
  port_ = firstPort != 0 ? firstPort : 1;
  dataTimeout_ = 50;
  colorUser_ = clRed;
  colorDevice_ = clBlue;
  localEcho_ = true;
  showTimeStamp_ = true;
  hideASCII127Up_ = false;
  language_ = static_cast<uint8_t>(GetSystemLanguage(0));
}

void TSettings::Load() {
  if (!fileName_.empty() && FileExists(fileName_))
    LoadFromFile(fileName_);
}

void TSettings::LoadFromFile(const std::string& name) {
  if (name.empty() || !FileExists(name))
    return;
  try {
    Read(name);
  } catch (...) {
    // Keys read so far keep their values; no message.
  }
}

void TSettings::Save() {
  if (!fileName_.empty())
    SaveToFile(fileName_);
}

void TSettings::SaveToFile(const std::string& name) {
  if (name.empty())
    return;
  try {
    Write(name);
  } catch (...) {
    // An unwritable file is left as it was; no message.
  }
}

void TSettings::Read(const std::string& name) {
  TIniFile ini(name);
  port_ = ini.ReadInteger("COM", "Port", port_);
  dataTimeout_ = ini.ReadInteger("DATA", "DataTimeout", dataTimeout_);
  colorUser_ = ReadColor(ini, "DATA", "ColorUser", colorUser_);
  colorDevice_ = ReadColor(ini, "DATA", "ColorDevice", colorDevice_);
  localEcho_ = ReadFlag(ini, "DATA", "LocalEcho", localEcho_);
  showTimeStamp_ = ReadFlag(ini, "DATA", "ShowTimeStamp", showTimeStamp_);
  hideASCII127Up_ = ReadFlag(ini, "DATA", "HideASCII127Up", hideASCII127Up_);
  language_ = static_cast<uint8_t>(ini.ReadInteger("APP", "Language", language_));
}

void TSettings::Write(const std::string& name) const {
  TIniFile ini(name);
  ini.WriteInteger("COM", "Port", port_);
  ini.WriteInteger("DATA", "DataTimeout", dataTimeout_);
  ini.WriteInteger("DATA", "ColorUser", static_cast<int>(colorUser_));
  ini.WriteInteger("DATA", "ColorDevice", static_cast<int>(colorDevice_));
  ini.WriteBool("DATA", "LocalEcho", localEcho_);
  ini.WriteBool("DATA", "ShowTimeStamp", showTimeStamp_);
  ini.WriteBool("DATA", "HideASCII127Up", hideASCII127Up_);
  ini.WriteInteger("APP", "Language", language_);
}

void SetSettingsAccessor(TSettingsAccessor accessor) {
  Accessor() = std::move(accessor);
}

TSettings* ProgramSettings() {
  return Accessor() ? Accessor()() : nullptr;
}
