// A window message as handed to window methods.
#pragma once

#include "Closure.h"
#include "Win.h"

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

using TWndMethod = TClosure<void(TMessage&)>;
