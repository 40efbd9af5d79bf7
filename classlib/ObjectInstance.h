// Window procedure instances: small executable stubs that turn a Win32
// window procedure call into a call of a method closure. Every control window
// runs through one; utility windows (AllocateHWnd) use them too.
#pragma once

#include "Messages.h"
#include "Win.h"

// A callable Win32 window procedure that runs method with the message. Freed
// with FreeObjectInstance; exceptions never leave it.
WNDPROC MakeObjectInstance(const TWndMethod& method);
void FreeObjectInstance(WNDPROC instance);  // nullptr is ignored
