// One running instance per machine: a second start finds the program's named
// mutex held and asks the running instance to come to the front.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <functional>
#include <string>

// Whether a top-level window of another process is the running instance's
// main window; each program has its own rule.
using TInstanceWindowRule = std::function<bool(HWND window)>;

// The message a second start sends to the running instance (WM_USER+1).
constexpr UINT WM_ACTIVATE_INSTANCE = WM_USER + 1;

class TOneAppOnly : public TObject {
  VEL_CLASS(TOneAppOnly, TObject)
 public:
  // guid: the program's own, in registry form with braces and upper-case
  // digits.
  TOneAppOnly(std::string guid, TInstanceWindowRule rule);

  const std::string& Guid() const { return guid_; }
  // Opens "Global\<guid>" and tries to take it at once. True only when
  // another process owns it; the handle stays open for the life of the
  // process, so this process keeps the mutex once it took it.
  bool AlreadyRunning();
  // Sends message to each top-level window of another process that the rule
  // accepts, in Z order, until one answers 1, and gives that window; null
  // when none did. A window that does not answer within two seconds counts
  // as answering 0.
  HWND ActivateRunningInstance(UINT message);

 private:
  std::string guid_;
  TInstanceWindowRule rule_;
  HANDLE mutex_ = nullptr;
};

// The terminal program's guard.
extern const char TerminalInstanceGuid[];
// The terminal's main window: of the main form's window class and with
// "VelmorTerminal" in its caption. The class keeps out dialogs (a message
// box of the running instance carries the title too, and takes the message
// as DM_SETDEFID) and windows of other programs.
bool IsTerminalMainWindow(HWND window);

// The caption as GetWindowTextA reads it, at most 260 characters.
std::string WindowCaption(HWND window);
