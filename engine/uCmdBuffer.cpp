#include "uCmdBuffer.h"

#include "StringList.h"

VEL_CLASS_IMPL(TCmdBuffer, TObject)

namespace {

bool IsReadOrSet(const std::string& command) {
  return command[0] == 'R' || command[0] == 'S';
}

// The command with its first letter changed: RMP 60 -> SMP 60 and back.
std::string WithFirstLetter(const std::string& command, char letter) {
  std::string key = command;
  key[0] = letter;
  return key;
}

}  // namespace

int TCmdBuffer::Add(const std::string& command, bool replace) {
  if (command.empty())
    return -1;
  TLockGuard lock(lock_);
  return AddLocked(command, replace);
}

bool TCmdBuffer::AddCommaText(const std::string& text, bool replace) {
  if (text.empty())
    return false;
  TLockGuard lock(lock_);
  TStringList items;
  items.SetCommaText(text);
  for (int i = 0; i < items.Count(); ++i) {
    if (!items.Strings(i).empty())
      AddLocked(items.Strings(i), replace);
  }
  return items.Count() > 0;
}

int TCmdBuffer::AddLocked(const std::string& command, bool replace) {
  if (replace && IsReadOrSet(command)) {
    int index = FindReplaceable(command);
    if (index >= 0) {
      list_[index] = command;
      return index;
    }
  }
  list_.push_back(command);
  return static_cast<int>(list_.size()) - 1;
}

// Reads replace reads and sets of one mnemonic, sets replace sets of the same
// value text, so repeated polls and edits do not pile up.
int TCmdBuffer::FindReplaceable(const std::string& command) const {
  const std::string readKey = WithFirstLetter(command, 'R');
  const std::string setKey = WithFirstLetter(command, 'S');
  for (size_t i = 0; i < list_.size(); ++i) {
    const std::string& entry = list_[i];
    bool matches = StartsStr(readKey, entry) || StartsStr(setKey, entry);
    if (matches && MayReplace(static_cast<int>(i), command))
      return static_cast<int>(i);
  }
  return -1;
}

// A read must not drop a set that is still to be written, and the head the
// engine works on must not change under it.
bool TCmdBuffer::MayReplace(int index, const std::string& command) const {
  const std::string& entry = list_[index];
  if (command[0] == 'R' && entry[0] == 'S')
    return false;
  return !(index == 0 && headTaken_) || entry == command;
}

void TCmdBuffer::Clear() {
  TLockGuard lock(lock_);
  list_.clear();
  headTaken_ = false;
}

void TCmdBuffer::Delete(int index) {
  TLockGuard lock(lock_);
  if (index < 0 || index >= static_cast<int>(list_.size()))
    return;
  list_.erase(list_.begin() + index);
  if (index == 0)
    headTaken_ = false;
}

bool TCmdBuffer::PeekFirst(std::string& entry) {
  TLockGuard lock(lock_);
  if (list_.empty())
    return false;
  entry = list_.front();
  headTaken_ = true;
  return true;
}

int TCmdBuffer::Count() {
  TLockGuard lock(lock_);
  return static_cast<int>(list_.size());
}

std::string TCmdBuffer::Strings(int index) {
  TLockGuard lock(lock_);
  return index >= 0 && index < static_cast<int>(list_.size()) ? list_[index] : std::string();
}
