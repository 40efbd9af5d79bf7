#include "uOneAppOnlySetup.h"

const char SetupInstanceGuid[] = "{3C9A51E2-7B04-4F6D-A1C8-52E0D9B6F417}";

namespace {

// Any non-null value marks.
const HANDLE kMarked = reinterpret_cast<HANDLE>(1);

}  // namespace

void MarkInstanceWindow(HWND window) {
  SetPropA(window, SetupInstanceGuid, kMarked);
}

void UnmarkInstanceWindow(HWND window) {
  RemovePropA(window, SetupInstanceGuid);
}

bool IsSetupMainWindow(HWND window) {
  return GetPropA(window, SetupInstanceGuid) != nullptr;
}
