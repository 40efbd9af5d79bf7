// Helpers shared by the thread tests: a thread running a lambda, and a main
// thread message pump.
#pragma once

#include "Forms.h"
#include "LambdaThread.h"

// The application loop, run until a condition holds or a time-out passes.
using classlib::PumpUntil;
