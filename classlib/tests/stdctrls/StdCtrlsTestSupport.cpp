#include "StdCtrlsTestSupport.h"

#include "LibraryEnvironment.h"

namespace {
const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);
}  // namespace

void StdCtrlsTest::Watch(TControl* control) {
  control->OnClick = Method<&StdCtrlsTest::Click>(this);
}

void StdCtrlsTest::Watch(TCustomEdit* edit) {
  edit->OnChange = Method<&StdCtrlsTest::Change>(this);
  edit->OnKeyPress = Method<&StdCtrlsTest::KeyPress>(this);
}

void StdCtrlsTest::Watch(TCustomComboBox* combo) {
  Watch(static_cast<TControl*>(combo));
  combo->OnChange = Method<&StdCtrlsTest::Change>(this);
  combo->OnKeyPress = Method<&StdCtrlsTest::KeyPress>(this);
}

void StdCtrlsTest::Notify(TWinControl* child, WORD code) {
  const HWND h = child->Handle();
  SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code),
               reinterpret_cast<LPARAM>(h));
}

void StdCtrlsTest::Focus(TWinControl* control) {
  control->SetFocus();
  Application()->ProcessMessages();
}
