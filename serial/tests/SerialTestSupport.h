// Shared by the serial engine's window tests: starts the class library with
// the engine's module (no message boxes: reported exceptions are collected),
// and lets the main thread serve its messages while a test waits.
#pragma once

#include "Win.h"

#include <functional>
#include <string>
#include <vector>

// Pumps the calling thread's messages until done() holds or timeoutMs passed;
// returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void PumpFor(DWORD ms);

// Messages of the exceptions that reached the application's handler.
std::vector<std::string>& ReportedExceptions();
