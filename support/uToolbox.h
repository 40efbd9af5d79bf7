// Routines both programs share: which COM ports exist, port numbers from
// names, the clipboard, shell folders, a probe for creating a file, removable
// drives, the administrator test, greyed tool-bar images and text
// replacement. None of them raises: failures give a neutral result.
#pragma once

#include "Win.h"

#include <cstdint>
#include <string>

class TStrings;
class TBitmap;
class TCustomImageList;

// The names ("COMn", ascending) of the ports found by the last scan. Scans
// when there was none yet or when rescan is set; nothing when list is null.
void EnumComPorts(TStrings* list, bool rescan);
// With rescan, or before any scan: probes from 1 up and gives the first port
// that exists (the cached names stay as they are). Else the first cached
// port. 0 when there is none.
int FirstComPort(bool rescan);
// Opens the port exclusively and closes it at once; a port in use elsewhere
// (access denied) exists too.
bool ComPortExists(int port);
// "\\.\COMn" on the NT family and above COM9, else "COMn".
std::string ComPortDeviceName(int port);
// COM12 gives 12, com3 3, 7 7; COM alone, COMx or an empty name give def.
int ComPortNumber(const std::string& name, int def);

// Puts 8-bit text on the clipboard as CF_TEXT; when that fails the clipboard
// stays as it was.
void CopyTextToClipboard(const std::string& text);
// The path of a shell folder (CSIDL_xxx); empty when the shell has none.
std::string GetSpecialFolderPath(HWND window, int csidl);
// Whether a file of this name can be created: creates it empty and deletes it
// again. Callers use it only for a file that does not exist yet.
bool DeleteFileChecked(const std::string& fileName);
// Bit n set when drive 'A'+n is removable.
uint32_t GetRemovableDrives();
// Whether the user's token has the Administrators group enabled; always
// true outside the NT family.
bool IsUserAdmin();

// Makes dest a copy of source whose images are light grey (no value below
// 96), each masked by the colour of its top-left pixel.
void MakeGrayImageList(TCustomImageList* source, TCustomImageList* dest);
// Turns a bitmap into 24-bit greys: the rounded mean of the channels, with 96
// added to values below 128.
void GrayBitmap(TBitmap* bitmap);

// The text with the first occurrence of pattern (case-sensitive) replaced;
// unchanged when pattern is empty or absent.
std::string ReplaceText(const std::string& text, const std::string& pattern,
                        const std::string& replacement);

// Tests: where GetRemovableDrives asks for a drive's type; null restores
// GetDriveTypeA.
using TDriveTypeFunc = UINT (*)(const char* root);
void SetDriveTypeFunc(TDriveTypeFunc func);
// Tests: how the scans of EnumComPorts and FirstComPort probe a port; null
// restores ComPortExists.
using TPortProbe = bool (*)(int port);
void SetPortProbe(TPortProbe probe);
