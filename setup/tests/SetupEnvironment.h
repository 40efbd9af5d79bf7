// The setup utility's test programs run between the library's start-up and
// shut-down with the setup utility's modules registered, as the program does.
#pragma once

#include "LibraryEnvironment.h"
#include "SetupModules.h"

class TSetupEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterSetupModules(); }
};
