#include "uSettings.h"

#include "FileUtils.h"
#include "IniFiles.h"
#include "SysUtils.h"
#include "UcSysUtils.h"
#include "uLanguages.h"
#include "uToolbox.h"

#include <shlobj.h>

VEL_CLASS_IMPL(TSettings, TObject)

namespace {

constexpr char kSubFolder[] = "Velmor\\VelmorTerminal\\";
constexpr char kDefaultName[] = "config.vtcfg";

// Byte settings keep the low 8 bits of what the file holds.
uint8_t ReadByte(const TIniFile& ini, const char* section, const char* key, uint8_t current) {
  return static_cast<uint8_t>(ini.ReadInteger(section, key, current));
}

std::wstring SystemReason(DWORD code) {
  return Trim(WideSysErrorMessage(code));
}

bool Refused(std::wstring* reason, const std::wstring& why) {
  if (reason)
    *reason = why;
  return false;
}

}  // namespace

TSettings::TSettings() : TSettings(GetSpecialFolderPath(nullptr, CSIDL_APPDATA)) {}

TSettings::TSettings(const std::string& appDataFolder) {
  FindDefaultFile(appDataFolder);
  SetDefaults();
  LoadDefaultFile();
}

void TSettings::FindDefaultFile(const std::string& appDataFolder) {
  if (appDataFolder.empty())
    return;
  const std::string dir = IncludeTrailingPathDelimiter(appDataFolder) + kSubFolder;
  if (!DirectoryExists(dir))
    ForceDirectories(dir);
  if (!DirectoryExists(dir))
    return;
  defaultFile_ = dir + kDefaultName;
  // A folder where nothing can be created gets nothing saved by default.
  if (!FileExists(defaultFile_) && !DeleteFileChecked(defaultFile_))
    defaultFile_.clear();
}

void TSettings::SetDefaults() {
  const int firstPort = FirstComPort(false);
  port_ = firstPort != 0 ? firstPort : 1;
  baud_ = 9600;
  databits_ = 4;
  parity_ = 0;
  stopbits_ = 0;
  flowControl_ = 0;
  terminator_ = 3;
  colorUser_ = clRed;
  colorComment_ = clGreen;
  colorDevice_ = clBlue;
  localEcho_ = true;
  language_ = static_cast<uint8_t>(GetSystemLanguage(0));
}

void TSettings::Read(const std::string& path) {
  TIniFile ini(path);
  port_ = ini.ReadInteger("COM", "Port", port_);
  baud_ = ini.ReadInteger("COM", "Baud", baud_);
  databits_ = ReadByte(ini, "COM", "Databits", databits_);
  parity_ = ReadByte(ini, "COM", "Parity", parity_);
  stopbits_ = ReadByte(ini, "COM", "Stopbits", stopbits_);
  flowControl_ = ReadByte(ini, "COM", "FlowControl", flowControl_);
  terminator_ = ReadByte(ini, "DATA", "Terminator", terminator_);
  colorUser_ =
      static_cast<TColor>(ini.ReadInteger("DATA", "ColorUser", static_cast<int>(colorUser_)));
  colorComment_ =
      static_cast<TColor>(ini.ReadInteger("DATA", "ColorComment", static_cast<int>(colorComment_)));
  colorDevice_ =
      static_cast<TColor>(ini.ReadInteger("DATA", "ColorDevice", static_cast<int>(colorDevice_)));
  localEcho_ = ini.ReadInteger("DATA", "LocalEcho", localEcho_ ? 1 : 0) != 0;
  language_ = ReadByte(ini, "APP", "Language", language_);
}

void TSettings::Write(const std::string& path) const {
  TIniFile ini(path);
  ini.WriteInteger("COM", "Port", port_);
  ini.WriteInteger("COM", "Baud", baud_);
  ini.WriteInteger("COM", "Databits", databits_);
  ini.WriteInteger("COM", "Parity", parity_);
  ini.WriteInteger("COM", "Stopbits", stopbits_);
  ini.WriteInteger("COM", "FlowControl", flowControl_);
  ini.WriteInteger("DATA", "Terminator", terminator_);
  ini.WriteInteger("DATA", "ColorUser", static_cast<int>(colorUser_));
  ini.WriteInteger("DATA", "ColorComment", static_cast<int>(colorComment_));
  ini.WriteInteger("DATA", "ColorDevice", static_cast<int>(colorDevice_));
  ini.WriteString("DATA", "LocalEcho", localEcho_ ? "1" : "0");
  ini.WriteInteger("APP", "Language", language_);
}

// The file worked with from now on; any other than the default one ends
// working with the default file.
void TSettings::Took(const std::string& path) {
  fileName_ = path;
  if (path != defaultFile_)
    defaultFile_.clear();
}

void TSettings::LoadFromFile(const std::string& path) {
  if (path.empty() || !FileExists(path))
    return;
  try {
    Read(path);
    Took(path);
  } catch (...) {
    // Keys read so far keep their values; no message.
  }
}

bool TSettings::SaveToFile(const std::string& path, std::wstring* reason) {
  if (path.empty())
    return Refused(reason, SystemReason(ERROR_INVALID_NAME));
  try {
    Write(path);
    Took(path);
    return true;
  } catch (const EIniFileException& e) {
    // The writer left the file as it was.
    return Refused(reason, e.ErrorCode() ? SystemReason(e.ErrorCode()) : AnsiToWide(e.Message()));
  } catch (const std::exception& e) {
    return Refused(reason, AnsiToWide(e.what()));
  }
}

void TSettings::LoadDefaultFile() {
  if (!defaultFile_.empty() && FileExists(defaultFile_))
    LoadFromFile(defaultFile_);
}

void TSettings::AutoSave() {
  if (!defaultFile_.empty())
    SaveToFile(defaultFile_);
}

bool TSettings::IsDefaultFile() const {
  return fileName_.empty() || fileName_ == defaultFile_;
}

std::string TSettings::DisplayFileName() const {
  return IsDefaultFile() ? std::string() : ExtractFileName(fileName_);
}
