// The command queue of the engine thread: commands, tags and internal commands
// worked through from the head. The main thread adds, the engine thread peeks
// and deletes; every operation takes the queue's own lock and no other.
#pragma once

#include "Classes.h"
#include "Threads.h"

#include <string>
#include <vector>

class TCmdBuffer : public TObject {
  VEL_CLASS(TCmdBuffer, TObject)
 public:
  // The index at which the command now stands; -1 for an empty command.
  int Add(const std::string& command, bool replace);
  // Adds every non-empty item of a comma list; false for an empty text.
  bool AddCommaText(const std::string& text, bool replace);
  void Clear();
  // Out-of-range indexes do nothing.
  void Delete(int index);
  // A copy of the head entry, which the engine thereby takes to work on:
  // from then until it is deleted it is overwritten only by identical text,
  // so a replace never drops a command that was written but not answered.
  bool PeekFirst(std::string& entry);
  int Count();
  std::string Strings(int index);

 private:
  int AddLocked(const std::string& command, bool replace);
  int FindReplaceable(const std::string& command) const;
  bool MayReplace(int index, const std::string& command) const;

  std::vector<std::string> list_;
  bool headTaken_ = false;
  TCriticalSection lock_;
};
