#include "uOneAppOnly.h"

#include "Forms.h"

#include <cstring>

VEL_CLASS_IMPL(TOneAppOnly, TObject)

namespace {

constexpr UINT kAnswerTimeoutMs = 2000;
constexpr char kTerminalTitleWord[] = "VelmorTerminal";
constexpr char kTerminalMainFormClass[] = "TMainForm";

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

// The answer of a window; one that hangs or does not answer in time gives 0.
LRESULT AskWindow(HWND window, UINT message) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs,
                           &answer))
    return 0;
  return static_cast<LRESULT>(answer);
}

// The first top-level window in Z order.
HWND FirstTopLevelWindow() {
  TApplication* app = Application();
  if (app && app->Handle())
    return GetWindow(app->Handle(), GW_HWNDFIRST);
  return GetTopWindow(nullptr);
}

}  // namespace

const char TerminalInstanceGuid[] = "{7E648E8C-864E-4249-8BD5-9FE17954765B}";

std::string WindowCaption(HWND window) {
  char caption[261] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  return caption;
}

bool IsTerminalMainWindow(HWND window) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  return std::strcmp(className, kTerminalMainFormClass) == 0 &&
         WindowCaption(window).find(kTerminalTitleWord) != std::string::npos;
}

TOneAppOnly::TOneAppOnly(std::string guid, TInstanceWindowRule rule)
    : guid_(std::move(guid)), rule_(std::move(rule)) {}

bool TOneAppOnly::AlreadyRunning() {
  mutex_ = CreateMutexA(nullptr, FALSE, ("Global\\" + guid_).c_str());
  return WaitForSingleObject(mutex_, 0) == WAIT_TIMEOUT;
}

HWND TOneAppOnly::ActivateRunningInstance(UINT message) {
  for (HWND w = FirstTopLevelWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (OwnedByThisProcess(w) || !rule_ || !rule_(w))
      continue;
    if (AskWindow(w, message) == 1)
      return w;
  }
  return nullptr;
}
