#include "VelUtils.h"

#include <algorithm>

void SafeCloseHandle(HANDLE& handle) {
  if (handle != INVALID_HANDLE_VALUE && CloseHandle(handle))
    handle = INVALID_HANDLE_VALUE;
}

void FillCardinals(uint32_t* dest, int count, uint32_t value) {
  if (count > 0)
    std::fill_n(dest, count, value);
}
