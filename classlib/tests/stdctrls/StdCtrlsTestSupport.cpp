#include "StdCtrlsTestSupport.h"

#include "LibraryEnvironment.h"

#include <algorithm>

namespace {
const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);
}  // namespace

void StdCtrlsTest::SetUp() {
  form_.reset(CreateNew<TForm>(nullptr));
  form_->SetName("Form");
  form_->SetBounds(40, 40, 400, 300);
  form_->Show();
  SetForegroundWindow(form_->Handle());
  ASSERT_TRUE(classlib::PumpUntil([this] { return form_->Active(); }, 3000));
}

void StdCtrlsTest::TearDown() {
  form_.reset();
}

void StdCtrlsTest::Record(TObject* sender, const std::string& event) {
  log_.push_back(static_cast<TComponent*>(sender)->Name() + ":" + event);
}

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

TMessageCounter::TMessageCounter(TControl* control)
    : control_(control), previous_(control->WindowProc()) {
  control_->SetWindowProc(Method<&TMessageCounter::Proc>(this));
}

TMessageCounter::~TMessageCounter() {
  control_->SetWindowProc(previous_);
}

int TMessageCounter::Count(UINT msg) const {
  return static_cast<int>(std::count(seen_.begin(), seen_.end(), msg));
}

void TMessageCounter::Proc(TMessage& m) {
  seen_.push_back(m.Msg);
  previous_(m);
}
