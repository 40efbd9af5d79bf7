#include "uToolbox.h"

#include "Graphics.h"
#include "ImgList.h"
#include "Streams.h"
#include "StringList.h"
#include "System.h"

#include <shlobj.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

// ---- Ports -------------------------------------------------------------------------------

// The names found by the last scan; none before the first.
std::optional<std::vector<std::string>>& PortCache() {
  static std::optional<std::vector<std::string>> cache;
  return cache;
}

TPortProbe& PortProbe() {
  static TPortProbe probe = nullptr;
  return probe;
}

bool Probe(int port) {
  return PortProbe() ? PortProbe()(port) : ComPortExists(port);
}

int ScanLimit() {
  switch (Platform().Win32Platform) {
    case VER_PLATFORM_WIN32_WINDOWS:
      return 9;
    case VER_PLATFORM_WIN32_NT:
      return 255;
    default:
      return 4;
  }
}

void ScanPorts() {
  std::vector<std::string> found;
  for (int n = 1; n <= ScanLimit(); ++n) {
    if (Probe(n))
      found.push_back("COM" + IntToStr(n));
  }
  PortCache() = std::move(found);
}

// ---- Handles --------------------------------------------------------------------------------

// A global memory block that is freed unless handed over.
class TGlobalBlock {
 public:
  explicit TGlobalBlock(size_t size)
      : handle_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, size)) {}
  ~TGlobalBlock() {
    if (handle_)
      GlobalFree(handle_);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;

  HGLOBAL Handle() const { return handle_; }
  void Release() { handle_ = nullptr; }

 private:
  HGLOBAL handle_;
};

class TClipboardOpen {
 public:
  TClipboardOpen() : open_(OpenClipboard(nullptr) != FALSE) {}
  ~TClipboardOpen() {
    if (open_)
      CloseClipboard();
  }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

class TTokenHandle {
 public:
  TTokenHandle() {
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &handle_)) {
      handle_ = nullptr;
      if (GetLastError() == ERROR_NO_TOKEN &&
          !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &handle_))
        handle_ = nullptr;
    }
  }
  ~TTokenHandle() {
    if (handle_)
      CloseHandle(handle_);
  }
  TTokenHandle(const TTokenHandle&) = delete;
  TTokenHandle& operator=(const TTokenHandle&) = delete;
  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

class TAdministratorsSid {
 public:
  TAdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &sid_))
      sid_ = nullptr;
  }
  ~TAdministratorsSid() {
    if (sid_)
      FreeSid(sid_);
  }
  TAdministratorsSid(const TAdministratorsSid&) = delete;
  TAdministratorsSid& operator=(const TAdministratorsSid&) = delete;
  PSID Sid() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// The token's groups; empty when they cannot be read.
std::vector<uint8_t> ReadTokenGroups(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, ::TokenGroups, nullptr, 0, &size);
  std::vector<uint8_t> buffer(size);
  if (size == 0 || !GetTokenInformation(token, ::TokenGroups, buffer.data(), size, &size))
    buffer.clear();
  return buffer;
}

TDriveTypeFunc& DriveTypeFunc() {
  static TDriveTypeFunc func = nullptr;
  return func;
}

}  // namespace

void EnumComPorts(TStrings* list, bool rescan) {
  if (!list)
    return;
  if (!PortCache() || rescan)
    ScanPorts();
  list->BeginUpdate();
  list->Clear();
  for (const std::string& name : *PortCache())
    list->Add(name);
  list->EndUpdate();
}

int FirstComPort(bool rescan) {
  if (rescan || !PortCache()) {
    for (int n = 1; n <= ScanLimit(); ++n) {
      if (Probe(n))
        return n;
    }
    return 0;
  }
  return PortCache()->empty() ? 0 : ComPortNumber(PortCache()->front(), 0);
}

std::string ComPortDeviceName(int port) {
  const std::string name = "COM" + IntToStr(port);
  return port > 9 || Platform().IsNT() ? "\\\\.\\" + name : name;
}

bool ComPortExists(int port) {
  HANDLE h = CreateFileA(ComPortDeviceName(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(h);
  return true;
}

int ComPortNumber(const std::string& name, int def) {
  if (name.size() > 3 && LowerCase(name.substr(0, 3)) == "com")
    return StrToIntDef(name.substr(3), def);
  return StrToIntDef(name, def);
}

void CopyTextToClipboard(const std::string& text) {
  TGlobalBlock block(text.size() + 1);
  if (!block.Handle())
    return;
  void* p = GlobalLock(block.Handle());
  if (!p)
    return;
  std::memcpy(p, text.c_str(), text.size() + 1);
  GlobalUnlock(block.Handle());
  TClipboardOpen clipboard;
  if (!clipboard.IsOpen())
    return;
  EmptyClipboard();
  // The clipboard owns the block once it took it.
  if (SetClipboardData(CF_TEXT, block.Handle()))
    block.Release();
}

std::string GetSpecialFolderPath(HWND window, int csidl) {
  IMalloc* shellMalloc = nullptr;
  if (FAILED(SHGetMalloc(&shellMalloc)) || !shellMalloc)
    return std::string();
  std::string path;
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(window, csidl, &items)) && items) {
    char buffer[MAX_PATH] = {};
    if (SHGetPathFromIDListA(items, buffer))
      path = buffer;
    shellMalloc->Free(items);
  }
  shellMalloc->Release();
  return path;
}

bool DeleteFileChecked(const std::string& fileName) {
  try {
    Create<TFileStream>(fileName, fmCreate)->Free();
    DeleteFileA(fileName.c_str());
    return true;
  } catch (...) {
    return false;
  }
}

void SetPortProbe(TPortProbe probe) {
  PortProbe() = probe;
}

void SetDriveTypeFunc(TDriveTypeFunc func) {
  DriveTypeFunc() = func;
}

uint32_t GetRemovableDrives() {
  const TDriveTypeFunc driveType = DriveTypeFunc();
  uint32_t drives = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const char root[] = {letter, ':', '/', 0};
    if ((driveType ? driveType(root) : GetDriveTypeA(root)) == DRIVE_REMOVABLE)
      drives |= 1u << (letter - 'A');
  }
  return drives;
}

bool IsUserAdmin() {
  if (!Platform().IsNT())
    return true;
  TTokenHandle token;
  if (!token.Handle())
    return false;
  TAdministratorsSid admins;
  if (!admins.Sid())
    return false;
  std::vector<uint8_t> buffer = ReadTokenGroups(token.Handle());
  if (buffer.empty())
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    const SID_AND_ATTRIBUTES& g = groups->Groups[i];
    if ((g.Attributes & SE_GROUP_ENABLED) && EqualSid(g.Sid, admins.Sid()))
      return true;
  }
  return false;
}

void GrayBitmap(TBitmap* bitmap) {
  bitmap->SetPixelFormat(pf24bit);
  for (int y = 0; y < bitmap->Height(); ++y) {
    uint8_t* p = bitmap->ScanLine(y);
    for (int x = 0; x < bitmap->Width(); ++x, p += 3) {
      int v = (p[0] + p[1] + p[2] + 1) / 3;
      if (v < 128)
        v += 96;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(v);
    }
  }
}

namespace {

// The image at index drawn on white (transparent parts stay white), greyed.
TOwned<TBitmap> GrayImage(TCustomImageList* list, int index) {
  TOwned<TBitmap> image(Create<TBitmap>());
  image->SetPixelFormat(pf24bit);
  image->SetSize(list->Width(), list->Height());
  image->Canvas()->Brush()->SetColor(clWhite);
  image->Canvas()->Brush()->SetStyle(bsSolid);
  image->Canvas()->FillRect(TRect(0, 0, image->Width(), image->Height()));
  list->Draw(image->Canvas(), 0, 0, index);
  GrayBitmap(image.get());
  return image;
}

TColor TopLeftColor(TBitmap* bitmap) {
  const uint8_t* bgr = bitmap->ScanLine(0);
  return static_cast<TColor>(bgr[2] | (bgr[1] << 8) | (bgr[0] << 16));
}

}  // namespace

void MakeGrayImageList(TCustomImageList* source, TCustomImageList* dest) {
  if (!source || !dest)
    return;
  try {
    dest->Assign(source);
    for (int i = 0; i < dest->Count(); ++i) {
      TOwned<TBitmap> image = GrayImage(source, i);
      dest->ReplaceMasked(i, image.get(), TopLeftColor(image.get()));
    }
  } catch (...) {
    // Images not greyed stay as copied.
  }
}

std::string ReplaceText(const std::string& text, const std::string& pattern,
                        const std::string& replacement) {
  const size_t at = pattern.empty() ? std::string::npos : text.find(pattern);
  if (at == std::string::npos)
    return text;
  return text.substr(0, at) + replacement + text.substr(at + pattern.size());
}
