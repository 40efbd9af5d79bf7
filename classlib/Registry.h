// The system registry through one open key at a time. Key operations report
// failure by their result (the system's code in LastError); only value reads
// of the wrong type and value writes raise ERegistryException.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <string>

class TRegistry : public TObject {
  VEL_CLASS(TRegistry, TObject)
 public:
  // Keys opened by OpenKey and CreateKey use this access.
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
  ~TRegistry() override;

  // HKEY_CURRENT_USER by default. A change closes the open key.
  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY key);
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }

  // The open key (null when none) and its path below the root, without a
  // leading '\'.
  HKEY CurrentKey() const { return currentKey_; }
  const std::string& CurrentPath() const { return currentPath_; }
  LONG LastError() const { return lastError_; }

  // A path uses '\'. It is relative to the open key, or to the root when no
  // key is open or it starts with '\'. On success the key becomes current
  // (the old one is closed); on failure the current key stays.
  bool OpenKey(const std::string& path, bool canCreate);
  bool OpenKeyReadOnly(const std::string& path);
  // Creates the key (and missing parents) and closes it again.
  bool CreateKey(const std::string& path);
  bool KeyExists(const std::string& path);
  // Deletes the key with everything below it.
  bool DeleteKey(const std::string& path);
  // Idempotent.
  void CloseKey();

  bool ValueExists(const std::string& name);
  // "" is the key's default value. A missing value reads ""; a value that is
  // no string raises ERegistryException.
  std::string ReadString(const std::string& name);
  // REG_SZ. Raises ERegistryException with no key open or when the write fails.
  void WriteString(const std::string& name, const std::string& value);
  bool DeleteValue(const std::string& name);

 private:
  // The key a path is relative to and the path without a leading '\'.
  HKEY BaseKey(const std::string& path) const;
  std::string Relative(const std::string& path) const;
  std::string FullPath(const std::string& path) const;
  bool Check(LONG result);
  bool Open(const std::string& path, REGSAM access, bool canCreate, HKEY& key);
  void MakeCurrent(HKEY key, const std::string& path);
  bool DeleteTree(HKEY base, const std::string& path);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  HKEY currentKey_ = nullptr;
  std::string currentPath_;
  REGSAM access_;
  LONG lastError_ = ERROR_SUCCESS;
};
