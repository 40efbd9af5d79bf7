#include "LibraryEnvironment.h"

namespace {
const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);
}  // namespace
