#include "Startup.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "Clipbrd.h"
#include "ComCtrls.h"
#include "Controls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "Keystrokes.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "System.h"
#include "Threads.h"

#include <commctrl.h>

#include <memory>
#include <vector>

namespace {

struct TModule {
  std::string name;
  std::function<void()> init;
  std::function<void()> done;
};

std::vector<TModule>& Modules() {
  static std::vector<TModule> modules;
  return modules;
}

bool started = false;
size_t modulesStarted = 0;
std::string applicationTitle;
TExceptionHandler exceptionHandler;
TMessageBoxFunc messageBoxFunc;

// The program's file name without folder and extension.
std::string ModuleTitle() {
  std::string name = ParamStr(0);
  name.erase(0, name.find_last_of("\\/") + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    name.erase(dot);
  return name;
}

void StartCommonControls() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

// Every class of the library that form data may name, registered for
// FindClass. Each module exposes its own RegisterXxxClasses(); one line here
// per module.
void RegisterLibraryClasses() {
  RegisterActionClasses();
  RegisterAppEvntsClasses();
  RegisterStdCtrlsClasses();
  RegisterExtCtrlsClasses();
  RegisterImageListClasses();
  RegisterComCtrlsClasses();
  RegisterDialogClasses();
  RegisterMenuClasses();
}

// Stops the started modules, last first; a failing one does not keep the
// others running.
void StopModules() {
  while (modulesStarted > 0) {
    const TModule& module = Modules()[--modulesStarted];
    if (module.done)
      Guard(nullptr, module.done);
  }
}

void StopLibrary() {
  DoneClipboard();
  DoneMenus();
  DoneKeystrokes();
  DoneApplication();
  DoneScreen();
  DoneSyncWindow();
  // Windows still being destroyed above look their control up by the atoms.
  DoneControls();
  started = false;
}

}  // namespace

namespace classlib {

void Startup() {
  if (started)
    return;
  InitSystem();
  InitSyncWindow();
  InitControls();
  StartCommonControls();
  InitScreen();
  if (applicationTitle.empty())
    applicationTitle = ModuleTitle();
  InitApplication();
  InitKeystrokes();
  InitMenus();
  RegisterLibraryClasses();
  started = true;
  try {
    for (const TModule& module : Modules()) {
      if (module.init)
        module.init();
      ++modulesStarted;
    }
  } catch (...) {
    StopModules();
    StopLibrary();
    throw;
  }
}

void Shutdown() {
  if (!started)
    return;
  StopModules();
  StopLibrary();
}

bool Started() {
  return started;
}

void RegisterModule(const char* name, std::function<void()> init, std::function<void()> done) {
  if (started)
    throw EInvalidOperation(std::string("Module registered after start-up: ") + name);
  Modules().push_back({name, std::move(init), std::move(done)});
}

}  // namespace classlib

// ---- Exception reporting ---------------------------------------------------------

void HandleException(TObject* sender) {
  const std::exception_ptr e = std::current_exception();
  if (!e || IsEAbort(e))
    return;
  const std::string line = ExceptionClassName(e) + ": " + ExceptionMessage(e);
  if (!IsMainThread()) {
    DebugOutput("Exception in thread " + IntToStr(GetCurrentThreadId()) + " dropped: " + line);
    return;
  }
  // The handler runs inside a callback's barrier: nothing may leave it.
  try {
    if (exceptionHandler)
      exceptionHandler(sender, e);
    else
      ShowException(e);
  } catch (...) {
    DebugOutput("Exception handler failed on " + line);
  }
}

void SetExceptionHandler(TExceptionHandler handler) {
  exceptionHandler = std::move(handler);
}

void ShowException(const std::exception_ptr& e) {
  ShowMessageBox(GetActiveWindow(), ExceptionMessage(e), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

void SetMessageBoxFunc(TMessageBoxFunc f) {
  messageBoxFunc = std::move(f);
}

const TMessageBoxFunc& GetMessageBoxFunc() {
  return messageBoxFunc;
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  if (messageBoxFunc)
    return messageBoxFunc(owner, text, caption, flags);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void SetApplicationTitle(const std::string& title) {
  applicationTitle = title;
}
const std::string& ApplicationTitle() {
  return applicationTitle;
}
