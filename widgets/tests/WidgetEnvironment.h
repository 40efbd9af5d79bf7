// The test programs of the widget layer run between the library's start-up
// and shut-down with the layer's modules registered, as a program does.
#pragma once

#include "LibraryEnvironment.h"
#include "UcSysUtils.h"
#include "WidgetModules.h"

class TWidgetEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterWidgetModules(); }
};

// Forces both platform flags for one test and restores them at its end, so
// that the 8-bit paths run on Wine's NT family too.
class TForcedPlatformFlags {
 public:
  TForcedPlatformFlags(bool unicodePlatform, bool platform51OrLater)
      : unicode_(IsUnicodePlatform()), platform51_(IsPlatform51OrLater()) {
    SetPlatformFlags(unicodePlatform, platform51OrLater);
  }
  ~TForcedPlatformFlags() { SetPlatformFlags(unicode_, platform51_); }
  TForcedPlatformFlags(const TForcedPlatformFlags&) = delete;
  TForcedPlatformFlags& operator=(const TForcedPlatformFlags&) = delete;

 private:
  bool unicode_;
  bool platform51_;
};
