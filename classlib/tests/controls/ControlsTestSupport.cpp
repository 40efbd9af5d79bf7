#include "ControlsTestSupport.h"

#include "LibraryEnvironment.h"

#include <algorithm>

namespace {

class TControlsEnvironment : public TLibraryEnvironment {
  void AfterStartup() override {
    RegisterClass(TTestWinControl::StaticClass());
    RegisterClass(TTestGraphic::StaticClass());
    RegisterClass(TTestForm::StaticClass());
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TControlsEnvironment);

int CountOf(const std::vector<UINT>& list, UINT msg) {
  return static_cast<int>(std::count(list.begin(), list.end(), msg));
}

}  // namespace

VEL_COMPONENT_IMPL(TTestWinControl, TCustomControl)
VEL_COMPONENT_IMPL(TTestGraphic, TGraphicControl)
VEL_COMPONENT_IMPL(TTestForm, TTestWinControl)

void TTestWinControl::Publish(TPublisher<TTestWinControl>& p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
}

TTestWinControl::TTestWinControl(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
}

void TTestWinControl::Dispatch(TMessage& m) {
  Messages.push_back(m.Msg);
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DlgCode;
    return;
  }
  TCustomControl::Dispatch(m);
}

int TTestWinControl::Count(UINT msg) const {
  return CountOf(Messages, msg);
}

void TTestWinControl::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (!Parent()) {
    params.Style = (params.Style & ~(WS_CHILD | WS_CLIPSIBLINGS)) | WS_POPUP;
    params.WndParent = nullptr;
  }
}

void TTestWinControl::Paint() {
  if (OnPaintBody)
    OnPaintBody(this);
}

void TTestGraphic::Publish(TPublisher<TTestGraphic>& p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
}

TTestGraphic::TTestGraphic(TComponent* owner) : TGraphicControl(owner) {}

void TTestGraphic::Dispatch(TMessage& m) {
  Messages.push_back(m.Msg);
  TGraphicControl::Dispatch(m);
}

int TTestGraphic::Count(UINT msg) const {
  return CountOf(Messages, msg);
}

void TTestGraphic::Paint() {
  ++Paints;
  if (ThrowInPaint)
    throw EInvalidOperation("paint failed");
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

bool TTestForm::SetFocusedControl(TWinControl* control) {
  if (control == ActiveControl || control == this)
    return true;
  if (ActiveControl) {
    Log.push_back("exit " + ActiveControl->Name());
    ActiveControl->Perform(CM_EXIT);
  }
  ActiveControl = control;
  Log.push_back("enter " + control->Name());
  control->Perform(CM_ENTER);
  return true;
}

void TTestForm::ControlLeaving(TControl* control) {
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (ActiveControl && windowed && windowed->ContainsControl(ActiveControl))
    ActiveControl = nullptr;
}

void TTestForm::KeyDown(WORD& key, TShiftState shift) {
  Log.push_back("form key " + std::to_string(key));
  TTestWinControl::KeyDown(key, shift);
}

void ShowTopLevel(TWinControl* control) {
  control->Hide();
  control->Show();
}

void ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

TCaughtExceptions::TCaughtExceptions() {
  SetExceptionHandler(
      [this](TObject*, const std::exception_ptr& e) { Messages.push_back(ExceptionMessage(e)); });
}

TCaughtExceptions::~TCaughtExceptions() {
  SetExceptionHandler(nullptr);
}
