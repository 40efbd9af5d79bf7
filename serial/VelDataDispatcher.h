// The base of connection components: an abstract write and two hooks that
// descendants extend around their own open and close.
#pragma once

#include "Classes.h"

class TVelDataDispConnComponent : public TComponent {
  VEL_CLASS(TVelDataDispConnComponent, TComponent)
 public:
  explicit TVelDataDispConnComponent(TComponent* owner) : TComponent(owner) {}

  virtual void WriteData(const void* buffer, int count) = 0;
  // Descendants call these as their inherited step: close first, open last.
  virtual void Close() {}
  virtual void Open() {}
};
