// Runs a registered method on the thread that owns a hidden window (the main
// thread) on behalf of a worker thread, and waits for it with a time-out.
// Receivers can be switched off at any time; a worker that asks for a
// switched-off receiver gets false instead of a deadlock. The table's lock is
// never held across the send nor across a receiver, so receivers may call back
// into this unit.
#pragma once

#include "Closure.h"
#include "Win.h"

#include <cstdint>
#include <functional>

// The payload given to SafeSyncCall travels with its own message, so a
// delivery that arrives after its sender gave up still carries its own data.
using TSafeSyncMethod = TClosure<void(WPARAM payload)>;

// Registers the unit's start-up (its lock) and shut-down (its window) with the
// class library; call once before classlib::Startup().
void RegisterVelSafeSync();

// Returns the new receiver's id (never 0), switched off; 0 when all 64 slots
// are taken or the unit has not been started. Raises EOSError when the hidden
// window cannot be made.
uint32_t SafeSyncRegister(const TSafeSyncMethod& method);
bool SafeSyncUnregister(uint32_t id);
bool SafeSyncSetEnabled(uint32_t id, bool enabled);
// Sends the receiver's message and waits up to timeoutMs for it. True when the
// receiver is still registered and enabled afterwards, whether or not it ran
// within the time-out.
bool SafeSyncCall(uint32_t id, DWORD timeoutMs, WPARAM payload = 0);
// Runs method later on the window's thread, without waiting for it (an
// exception from it goes to the application's handler). False when the
// window does not exist (yet or any more).
bool SafeSyncPost(const std::function<void()>& method);
