// Shared by the serial engine's window tests: starts the class library with
// the engine's module (no message boxes: reported exceptions are collected),
// and lets the main thread serve its messages while a test waits.
#pragma once

#include "Forms.h"
#include "Win.h"

#include <functional>
#include <string>
#include <vector>

// The application loop, run until a condition holds or a time-out passes.
using classlib::PumpFor;
using classlib::PumpUntil;

// Messages of the exceptions that reached the application's handler.
std::vector<std::string>& ReportedExceptions();

// The message of the E that call raised; other exceptions pass through.
template <typename E, typename F>
std::string RaisedMessage(F call) {
  try {
    call();
  } catch (const E& e) {
    return e.Message();
  }
  return "(nothing raised)";
}
