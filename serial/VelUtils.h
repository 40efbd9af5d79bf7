// Small helpers of the serial engine, shared with the terminal view.
#pragma once

#include "Win.h"

#include <cstdint>

// Closes a handle that is not INVALID_HANDLE_VALUE; the variable becomes
// INVALID_HANDLE_VALUE once the close succeeded.
void SafeCloseHandle(HANDLE& handle);

// Writes value into count consecutive 32-bit cells starting at dest.
void FillCardinals(uint32_t* dest, int count, uint32_t value);

// Raises a flag for its scope and gives it back its old value on every way
// out, so that nested scopes leave it raised for the outer one.
template <typename Flag>
class TFlagScope {
 public:
  explicit TFlagScope(Flag& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = saved_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  Flag& flag_;
  const bool saved_;
};
