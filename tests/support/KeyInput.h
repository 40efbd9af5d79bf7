// Real key input (SendInput), for tests that press keys as the user does:
// it goes to the foreground window's thread like the keyboard's.
#pragma once

#include "Win.h"

#include <initializer_list>

inline void SendKey(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

// A press held through three repeats, 100 ms apart, then released.
inline void HoldKey(WORD vk) {
  for (int i = 0; i < 4; ++i) {
    SendKey(vk, false);
    Sleep(100);
  }
  SendKey(vk, true);
}

// Each key pressed in order, then released in reverse: a chord.
inline void PressChord(std::initializer_list<WORD> keys) {
  for (WORD key : keys)
    SendKey(key, false);
  for (auto key = keys.end(); key != keys.begin();)
    SendKey(*--key, true);
}
