// A thread-safe, size-capped text log: one time-stamped line per event, CR LF
// line ends, readable but not writable by other programs while it is open.
#pragma once

#include "Classes.h"
#include "Streams.h"
#include "Threads.h"

#include <cstdint>
#include <memory>
#include <string>

class TLog : public TObject {
  VEL_CLASS(TLog, TObject)
 public:
  // Appends to an existing file, else starts an empty one; creates missing
  // folders. maxSize 0 or less switches the cap off. Raises when the file
  // cannot be created or opened.
  TLog(const std::string& fileName, int64_t maxSize);
  ~TLog() override;

  // A raw line, then the cap.
  void Write(const std::string& text);
  // "dd.mm.yyyy hh:nn:ss.zzz : " + text.
  void WriteLine(const std::string& text);

  const std::string& FileName() const { return fileName_; }
  int64_t MaxSize() const { return maxSize_; }

 private:
  void Open();
  void TrimFile();

  std::string fileName_;
  int64_t maxSize_;
  TCriticalSection lock_;
  std::unique_ptr<TFileStream> stream_;
};
