#include "WidgetEnvironment.h"

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TWidgetEnvironment);

}  // namespace
