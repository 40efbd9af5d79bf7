#include "VelCircularBuffer.h"

#include <cstring>

TVelCircularBuffer::TVelCircularBuffer(int size)
    : data_(new uint8_t[size > 0 ? size : 0]), size_(size > 0 ? size : 0) {}

void TVelCircularBuffer::Clear() {
  readPos_ = 0;
  writePos_ = 0;
  full_ = false;
}

int TVelCircularBuffer::UsedSpace() const {
  if (full_)
    return size_;
  if (writePos_ < readPos_)
    return writePos_ - readPos_ + size_;
  return writePos_ - readPos_;
}

int TVelCircularBuffer::LinearUsedSpace() const {
  if (full_ || writePos_ < readPos_)
    return size_ - readPos_;
  return writePos_ - readPos_;
}

bool TVelCircularBuffer::Remove(int count) {
  if (count < 0 || UsedSpace() < count)
    return false;
  Advance(readPos_, count);
  if (count > 0)
    full_ = false;
  return true;
}

bool TVelCircularBuffer::PutData(const void* buffer, int count) {
  if (count < 1 || FreeSpace() < count)
    return false;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const int toEnd = size_ - writePos_;
  if (writePos_ >= readPos_ && toEnd < count) {
    std::memcpy(data_.get() + writePos_, bytes, toEnd);
    std::memcpy(data_.get(), bytes + toEnd, count - toEnd);
  } else {
    std::memcpy(data_.get() + writePos_, bytes, count);
  }
  Advance(writePos_, count);
  full_ = readPos_ == writePos_;
  return true;
}

void TVelCircularBuffer::Advance(int& position, int count) const {
  position = position + count < size_ ? position + count : position + count - size_;
}
