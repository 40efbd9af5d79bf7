// The fixed-size byte ring between the writers of a port and its write
// thread. It does no locking: the port core holds its write lock around every
// call. Writers append whole blocks or nothing; the consumer writes the longest
// stretch that needs no wrap straight from the ring and removes it afterwards.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <memory>

class TVelCircularBuffer : public TObject {
 public:
  explicit TVelCircularBuffer(int size);

  void Clear();
  int Size() const { return size_; }
  int UsedSpace() const;
  int FreeSpace() const { return size_ - UsedSpace(); }
  // Stored bytes from the read position up to the end of the block.
  int LinearUsedSpace() const;
  const uint8_t* ReadPointer() const { return data_.get() + readPos_; }
  // Drops count bytes from the front; false (and no change) when fewer are
  // stored.
  bool Remove(int count);
  // Stores all count bytes, or nothing when they do not fit.
  bool PutData(const void* buffer, int count);

 private:
  void Advance(int& position, int count) const;

  std::unique_ptr<uint8_t[]> data_;
  int size_;
  int readPos_ = 0;
  int writePos_ = 0;
  // Tells a full ring from an empty one when both positions are equal.
  bool full_ = false;
};
