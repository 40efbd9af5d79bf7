#include "TestSupport.h"

#include "Startup.h"

#include <gtest/gtest.h>

namespace {

// gtest_main knows nothing of the library's start-up; the tests run between
// Startup and Shutdown like a program's WinMain.
class TLibraryEnvironment : public testing::Environment {
 public:
  void SetUp() override { classlib::Startup(); }
  void TearDown() override { classlib::Shutdown(); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

}  // namespace
