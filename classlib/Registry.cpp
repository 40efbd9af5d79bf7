#include "Registry.h"

#include <algorithm>
#include <vector>

VEL_CLASS_IMPL(TRegistry, TObject)

namespace {

bool IsAbsolute(const std::string& path) {
  return !path.empty() && path[0] == '\\';
}

// Closes a key the registry object does not keep.
struct TKeyCloser {
  HKEY key;
  ~TKeyCloser() {
    if (key)
      RegCloseKey(key);
  }
};

}  // namespace

TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(HKEY key) {
  if (key == rootKey_)
    return;
  CloseKey();
  rootKey_ = key;
}

void TRegistry::CloseKey() {
  if (!currentKey_)
    return;
  RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

HKEY TRegistry::BaseKey(const std::string& path) const {
  return currentKey_ && !IsAbsolute(path) ? currentKey_ : rootKey_;
}

std::string TRegistry::Relative(const std::string& path) const {
  return IsAbsolute(path) ? path.substr(1) : path;
}

std::string TRegistry::FullPath(const std::string& path) const {
  const std::string relative = Relative(path);
  if (!currentKey_ || IsAbsolute(path) || currentPath_.empty())
    return relative;
  return relative.empty() ? currentPath_ : currentPath_ + "\\" + relative;
}

bool TRegistry::Check(LONG result) {
  lastError_ = result;
  return result == ERROR_SUCCESS;
}

bool TRegistry::Open(const std::string& path, REGSAM access, bool canCreate, HKEY& key) {
  key = nullptr;
  const std::string relative = Relative(path);
  if (canCreate) {
    DWORD disposition = 0;
    return Check(RegCreateKeyExA(BaseKey(path), relative.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition));
  }
  return Check(RegOpenKeyExA(BaseKey(path), relative.c_str(), 0, access, &key));
}

void TRegistry::MakeCurrent(HKEY key, const std::string& path) {
  const std::string full = FullPath(path);
  CloseKey();
  currentKey_ = key;
  currentPath_ = full;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
  HKEY key;
  if (!Open(path, access_, canCreate, key))
    return false;
  MakeCurrent(key, path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
  HKEY key;
  if (!Open(path, KEY_READ, false, key))
    return false;
  MakeCurrent(key, path);
  return true;
}

bool TRegistry::CreateKey(const std::string& path) {
  HKEY key;
  const bool ok = Open(path, access_, true, key);
  TKeyCloser closer{key};
  return ok;
}

bool TRegistry::KeyExists(const std::string& path) {
  HKEY key;
  const bool ok = Open(path, KEY_READ, false, key);
  TKeyCloser closer{key};
  return ok;
}

bool TRegistry::DeleteTree(HKEY base, const std::string& path) {
  HKEY key;
  if (!Check(RegOpenKeyExA(base, path.c_str(), 0, KEY_READ | DELETE, &key)))
    return false;
  std::vector<std::string> children;
  {
    TKeyCloser closer{key};
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof(name);
      if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      children.emplace_back(name, size);
    }
  }
  for (const std::string& child : children) {
    if (!DeleteTree(base, path + "\\" + child))
      return false;
  }
  return Check(RegDeleteKeyA(base, path.c_str()));
}

bool TRegistry::DeleteKey(const std::string& path) {
  const std::string relative = Relative(path);
  // An empty path would name the base key itself.
  if (relative.empty())
    return Check(ERROR_INVALID_PARAMETER);
  return DeleteTree(BaseKey(path), relative);
}

bool TRegistry::ValueExists(const std::string& name) {
  if (!currentKey_)
    return Check(ERROR_INVALID_HANDLE);
  return Check(RegQueryValueExA(currentKey_, name.c_str(), nullptr, nullptr, nullptr, nullptr));
}

std::string TRegistry::ReadString(const std::string& name) {
  if (!currentKey_)
    return "";
  DWORD type = 0;
  DWORD size = 0;
  if (!Check(RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size)))
    return "";
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException::CreateFmt("Invalid data type for '%s'", name);
  // The value may grow between the two calls.
  std::vector<char> data;
  LONG result;
  do {
    data.resize(size + 1);
    size = static_cast<DWORD>(data.size());
    result = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
  } while (result == ERROR_MORE_DATA);
  if (!Check(result))
    return "";
  // The stored text need not end with a zero; it ends at the first one.
  const std::string text(data.data(), std::min<size_t>(size, data.size()));
  return text.substr(0, text.find('\0'));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!currentKey_)
    throw ERegistryException::CreateFmt("Failed to set data for '%s': no key open", name);
  if (!Check(RegSetValueExA(currentKey_, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1))))
    throw ERegistryException::CreateFmt("Failed to set data for '%s'", name);
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (!currentKey_)
    return Check(ERROR_INVALID_HANDLE);
  return Check(RegDeleteValueA(currentKey_, name.c_str()));
}
