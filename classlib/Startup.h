// Explicit start-up and shut-down of the class library and of the modules
// above it, the application-wide exception handler, and the exception barrier
// that every Win32 callback runs its work in.
#pragma once

#include "Screen.h"
#include "SysUtils.h"
#include "Win.h"

#include <exception>
#include <functional>
#include <string>

class TObject;

namespace classlib {

// Runs the library's own start steps, then every registered module's init in
// registration order. Shutdown runs the modules' done functions in reverse,
// then the library's own.
void Startup();
void Shutdown();
bool Started();

// Registers a module's start and stop functions (either may be empty). Must
// be called before Startup() (EInvalidOperation otherwise); modules are
// started in this order. When one fails to start, those already started are
// stopped, the library shuts down and Startup() raises the failure.
void RegisterModule(const char* name, std::function<void()> init, std::function<void()> done);

}  // namespace classlib

// Reports the current exception (call inside a catch). EAbort is silent;
// anything else goes to the installed handler on the main thread, and is
// dropped (after a debugger line) on any other thread.
void HandleException(TObject* sender);

// The handler that HandleException calls; the application object replaces the
// default (ShowException) and adds its OnException.
using TExceptionHandler = std::function<void(TObject* sender, const std::exception_ptr&)>;
void SetExceptionHandler(TExceptionHandler handler);  // empty restores ShowException

// The standard exception message box: the message, captioned with the
// application title, MB_OK | MB_ICONERROR.
void ShowException(const std::exception_ptr& e);

// Replaceable message box (tests): the default is MessageBoxA.
using TMessageBoxFunc =
    std::function<int(HWND, const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageBoxFunc(TMessageBoxFunc f);   // empty restores MessageBoxA
const TMessageBoxFunc& GetMessageBoxFunc();  // empty unless replaced
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// The caption of exception boxes until the application object sets its title.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// The exception barrier: runs body; any exception ends in HandleException.
// Returns false when body raised.
template <typename F>
bool Guard(TObject* sender, F&& body) {
  try {
    body();
    return true;
  } catch (...) {
    HandleException(sender);
    return false;
  }
}
