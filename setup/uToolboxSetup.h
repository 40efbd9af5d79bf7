// Helpers only the setup utility uses: keeping the computer awake while an
// instrument is connected, and counting characters of a result text.
#pragma once

#include <string>

// allow false keeps the system from sleeping while the calling thread lives
// or until the next call; true ends that request. False when the platform
// has no such request or the call failed. Never raises.
bool AllowSystemSleep(bool allow);

// How many positions of text hold c.
int CountWideChar(const std::wstring& text, wchar_t c);
