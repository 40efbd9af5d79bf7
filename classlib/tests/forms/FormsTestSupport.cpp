#include "FormsTestSupport.h"

#include "LibraryEnvironment.h"
#include "Threads.h"

#include <algorithm>
#include <cctype>

namespace {

class TFormsEnvironment : public TLibraryEnvironment {
  void BeforeStartup() override {
    RegisterClass(TTestBox::StaticClass());
    RegisterClass(TTestPanel::StaticClass());
    RegisterClass(TTestButton::StaticClass());
    RegisterClass(TTestLabel::StaticClass());
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TFormsEnvironment);

// The character after the caption's '&', upper case; 0 without one.
char Accelerator(const std::string& caption) {
  const size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size())
    return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[amp + 1])));
}

}  // namespace

std::vector<std::string>& EventLog() {
  static std::vector<std::string> log;
  return log;
}

void Log(const TComponent* who, const std::string& event) {
  EventLog().push_back(who->Name() + ":" + event);
}

std::vector<std::string> LogOf(const std::string& prefix) {
  std::vector<std::string> result;
  for (const std::string& entry : EventLog()) {
    if (entry.compare(0, prefix.size(), prefix) == 0)
      result.push_back(entry);
  }
  return result;
}

// ---- TTestBox ------------------------------------------------------------------------

VEL_COMPONENT_IMPL(TTestBox, TCustomControl)

void TTestBox::Publish(TPublisher<TTestBox>& p) {
  p.Property("DlgCode", &TTestBox::DlgCode, &TTestBox::SetDlgCode);
}

TTestBox::TTestBox(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 60, 20);
}

void TTestBox::DoEnter() {
  entered_ = true;
  Log(this, "enter");
  TCustomControl::DoEnter();
}

void TTestBox::DoExit() {
  entered_ = false;
  Log(this, "exit");
  TCustomControl::DoExit();
}

void TTestBox::KeyDown(WORD& key, TShiftState shift) {
  Log(this, "keydown " + IntToStr(key));
  TCustomControl::KeyDown(key, shift);
}

void TTestBox::KeyPress(char& key) {
  Log(this, "keypress " + IntToStr(static_cast<unsigned char>(key)));
  TCustomControl::KeyPress(key);
}

void TTestBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = dlgCode_;
      break;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(m);
      // The body of a subclass's handler: the enter step has run by now.
      Log(this, entered_ ? "setfocus entered" : "setfocus not entered");
      break;
    default:
      TCustomControl::Dispatch(m);
  }
}

// ---- TTestPanel, TTestButton, TTestLabel ----------------------------------------------

VEL_COMPONENT_IMPL(TTestPanel, TCustomControl)

TTestPanel::TTestPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 100, 60);
}

VEL_COMPONENT_IMPL(TTestButton, TCustomControl)

void TTestButton::Publish(TPublisher<TTestButton>& p) {
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Default", &TTestButton::Default, &TTestButton::SetDefault);
  p.Property("Cancel", &TTestButton::Cancel, &TTestButton::SetCancel);
  p.Property("ModalResult", &TTestButton::ModalResult, &TTestButton::SetModalResult);
}

TTestButton::TTestButton(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TTestButton::Click() {
  Log(this, "click");
  if (modalResult_ != mrNone) {
    if (TCustomForm* form = GetParentForm(this))
      form->SetModalResult(modalResult_);
  }
  TCustomControl::Click();
}

void TTestButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_DIALOGKEY: {
      const WORD key = TWMKey(m).CharCode();
      if (((key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_)) && Enabled()) {
        Click();
        m.Result = 1;
      }
      break;
    }
    case CM_DIALOGCHAR: {
      const char c = static_cast<char>(std::toupper(TWMChar(m).CharCode() & 0xFF));
      if (c != 0 && c == Accelerator(Caption()) && Enabled()) {
        Click();
        m.Result = 1;
      }
      break;
    }
    default:
      TCustomControl::Dispatch(m);
  }
}

VEL_COMPONENT_IMPL(TTestLabel, TGraphicControl)

bool TTestLabel::swapHintClass = false;

TTestLabel::TTestLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 80, 16);
}

void TTestLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_HINTSHOW && swapHintClass) {
    THintInfo* info = TCMHintShow(m).HintInfo();
    Log(this, "hintshow " + info->HintStr);
    info->HintWindowClass = &TTestHintWindow::StaticClass();
    info->HintData = info;
    m.Result = 0;
    return;
  }
  TGraphicControl::Dispatch(m);
}

VEL_COMPONENT_IMPL(TTestHintWindow, THintWindow)

void TTestHintWindow::ActivateHintData(const TRect& rect, const std::string& hint, void* d) {
  data = d;
  text = hint;
  THintWindow::ActivateHintData(rect, hint, d);
}

VEL_COMPONENT_IMPL(TTestHintTarget, TTestPanel)

bool TTestHintTarget::ExecuteAction(TBasicAction* action) {
  if (action->ClassType() == &THintAction::StaticClass()) {
    hints.push_back(static_cast<THintAction*>(action)->Hint());
    return true;
  }
  return TTestPanel::ExecuteAction(action);
}

// ---- Helpers -------------------------------------------------------------------------

void FormsTest::SetUp() {
  classlib::Shutdown();
  // A quit request an earlier test left behind would end this one's loops.
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  classlib::Startup();
  EventLog().clear();
  SetMessageBoxFunc([](HWND, const std::string& text, const std::string&, UINT) {
    ADD_FAILURE() << "unexpected message box: " << text;
    return IDOK;
  });
}

void FormsTest::TearDown() {
  SetMessageBoxFunc(nullptr);
  TTestLabel::swapHintClass = false;
}

void ShowAndActivate(TCustomForm* form) {
  form->Show();
  SetForegroundWindow(form->Handle());
  SetActiveWindow(form->Handle());
  EXPECT_TRUE(classlib::PumpUntil([form] { return form->Active(); }, 3000))
      << form->Name() << " did not become active";
}

void PostKey(HWND window, UINT msg, WORD vk) {
  const LPARAM scan = MapVirtualKeyA(vk, 0) << 16;
  const bool up = msg == WM_KEYUP || msg == WM_SYSKEYUP;
  const LPARAM flags = 1 | scan | (up ? (3u << 30) : 0) | (msg == WM_SYSKEYDOWN ? 1u << 29 : 0);
  PostMessageA(window, msg, vk, flags);
}

void PressKey(HWND window, WORD vk) {
  PostKey(window, WM_KEYDOWN, vk);
  PostKey(window, WM_KEYUP, vk);
  HandlePending();
}

void HandlePending() {
  Application()->ProcessMessages();
}

TScript::TScript(std::vector<std::function<void()>> steps, UINT intervalMs)
    : steps_(std::move(steps)), window_(AllocateHWnd(Method<&TScript::Tick>(this))) {
  SetTimer(window_, 1, intervalMs, nullptr);
}

TScript::~TScript() {
  DeallocateHWnd(window_);
}

void TScript::Tick(TMessage& m) {
  if (m.Msg != WM_TIMER || Done())
    return;
  // The step may run a loop of its own (a modal form): count it first.
  const size_t step = next_++;
  if (Done())
    KillTimer(window_, 1);
  steps_[step]();
}
