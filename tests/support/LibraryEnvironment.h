// Runs a test program's tests between the library's start-up and shut-down,
// as a program's WinMain does. Test programs that register modules or classes
// override the two steps around the start-up.
#pragma once

#include "Startup.h"

#include <gtest/gtest.h>

class TLibraryEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    BeforeStartup();
    classlib::Startup();
    AfterStartup();
  }
  void TearDown() override { classlib::Shutdown(); }

 protected:
  virtual void BeforeStartup() {}
  virtual void AfterStartup() {}
};
