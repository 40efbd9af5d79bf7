#include "ComCtrlsTestSupport.h"

#include "LibraryEnvironment.h"

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

}  // namespace

TSpy::TSpy(TControl* control) : control_(control), previous_(control->WindowProc()) {
  control->SetWindowProc(Method<&TSpy::Proc>(this));
}

TSpy::~TSpy() {
  control_->SetWindowProc(previous_);
}

void TSpy::Proc(TMessage& m) {
  if (Edit)
    Edit(m);
  TSeen seen{m.Msg, m.WParam, ""};
  if ((m.Msg == SB_SETTEXTA || m.Msg == WM_SETTEXT) && m.LParam)
    seen.Text = reinterpret_cast<const char*>(m.LParam);
  seen_.push_back(seen);
  previous_(m);
}

std::vector<TSeen> TSpy::Of(UINT msg) const {
  std::vector<TSeen> result;
  for (const TSeen& s : seen_) {
    if (s.Msg == msg)
      result.push_back(s);
  }
  return result;
}

void ComCtrlsTest::SetUp() {
  form_ = CreateNew<TForm>(nullptr);
  form_->SetBounds(100, 100, 420, 300);
  form_->SetCaption("ComCtrls");
}

void ComCtrlsTest::TearDown() {
  FreeAndNil(form_);
}

void ComCtrlsTest::ShowForm() {
  form_->Show();
  SetForegroundWindow(form_->Handle());
  SetActiveWindow(form_->Handle());
  classlib::PumpUntil([this] { return form_->Active(); }, 3000);
  UpdateWindow(form_->Handle());
  classlib::PumpUntil([] { return false; }, 100);
}

void ClickAt(HWND window, const TPoint& p) {
  const LPARAM at = MAKELPARAM(p.x, p.y);
  PostMessageA(window, WM_MOUSEMOVE, 0, at);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(window, WM_LBUTTONUP, 0, at);
  classlib::PumpUntil([] { return false; }, 150);
}
