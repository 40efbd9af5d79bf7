// The application loop, its hooks, idle processing, hints and the way an
// action reaches the forms.
#include "FormsTestSupport.h"

#include "Threads.h"

#include <algorithm>

namespace {

constexpr UINT kProbe = WM_APP + 7;

// A hidden window that logs what it receives.
class TReceiver {
 public:
  TReceiver() : window_(AllocateHWnd(Method<&TReceiver::Receive>(this))) {}
  ~TReceiver() { DeallocateHWnd(window_); }
  HWND Window() const { return window_; }
  std::vector<UINT> received;

 private:
  void Receive(TMessage& m) {
    if (m.Msg >= WM_APP || m.Msg == WM_NULL)
      received.push_back(m.Msg);
  }
  HWND window_;
};

HHOOK hook = nullptr;
std::vector<WPARAM> hookRemoveFlags;

// Takes kProbe out of the loop the way the wide layer's hook does.
LRESULT CALLBACK RewriteProbe(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && msg->message == kProbe) {
    hookRemoveFlags.push_back(wParam);
    if (wParam == PM_REMOVE)
      msg->message = WM_NULL;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

struct TMessageLog {
  std::vector<UINT> seen;
  UINT handle = ~0u;  // none
  UINT raise = ~0u;
  void Message(TObject*, MSG& msg, bool& handled) {
    seen.push_back(msg.message);
    handled = msg.message == handle;
    if (msg.message == raise)
      throw EConvertError("bad message");
  }
};

using ApplicationLoop = FormsTest;

TEST_F(ApplicationLoop, AMessageTheHookEmptiedPassesAsWmNull) {
  TReceiver receiver;
  TMessageLog log;
  Application()->OnMessage = Method<&TMessageLog::Message>(&log);
  hook = SetWindowsHookExA(WH_GETMESSAGE, RewriteProbe, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  PostMessageA(receiver.Window(), kProbe, 0, 0);
  PostMessageA(receiver.Window(), kProbe + 1, 0, 0);
  HandlePending();
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(std::vector<WPARAM>{PM_REMOVE}, hookRemoveFlags);
  EXPECT_EQ((std::vector<UINT>{WM_NULL, kProbe + 1}), receiver.received);
  EXPECT_EQ((std::vector<UINT>{WM_NULL, kProbe + 1}), log.seen);
}

TEST_F(ApplicationLoop, OnMessageSeesEveryMessageAndHandledOnesGoNoFurther) {
  TReceiver receiver;
  TMessageLog log;
  log.handle = kProbe + 1;
  Application()->OnMessage = Method<&TMessageLog::Message>(&log);
  for (UINT m = kProbe; m < kProbe + 3; ++m)
    PostMessageA(receiver.Window(), m, 0, 0);
  HandlePending();
  EXPECT_EQ((std::vector<UINT>{kProbe, kProbe + 1, kProbe + 2}), log.seen);
  EXPECT_EQ((std::vector<UINT>{kProbe, kProbe + 2}), receiver.received);
}

TEST_F(ApplicationLoop, AnExceptionInOnMessageIsReportedAndTheLoopGoesOn) {
  TReceiver receiver;
  TMessageLog log;
  log.raise = kProbe;
  Application()->OnMessage = Method<&TMessageLog::Message>(&log);
  struct TReport {
    std::vector<std::string> messages;
    void Exception(TObject*, const std::exception_ptr& e) {
      messages.push_back(ExceptionMessage(e));
    }
  } report;
  Application()->OnException = Method<&TReport::Exception>(&report);
  PostMessageA(receiver.Window(), kProbe, 0, 0);
  PostMessageA(receiver.Window(), kProbe + 1, 0, 0);
  HandlePending();
  EXPECT_EQ(std::vector<std::string>{"bad message"}, report.messages);
  EXPECT_EQ((std::vector<UINT>{kProbe, kProbe + 1}), receiver.received);
}

struct THookLog {
  std::vector<std::string> calls;
  bool HookA(TMessage& m) {
    if (m.Msg == kProbe)
      calls.push_back("A");
    return false;
  }
  bool HookB(TMessage& m) {
    if (m.Msg != kProbe)
      return false;
    calls.push_back("B");
    m.Result = 42;
    return true;
  }
};

TEST_F(ApplicationLoop, MainWindowHooksComeFirstInOrderUntilOneTakesTheMessage) {
  THookLog log;
  const TWindowHook a = Method<&THookLog::HookA>(&log);
  const TWindowHook b = Method<&THookLog::HookB>(&log);
  Application()->HookMainWindow(a);
  Application()->HookMainWindow(b);
  Application()->HookMainWindow(a);  // once only
  EXPECT_EQ(42, SendMessageA(Application()->Handle(), kProbe, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), log.calls);
  Application()->UnhookMainWindow(b);
  EXPECT_EQ(0, SendMessageA(Application()->Handle(), kProbe, 0, 0));
  Application()->UnhookMainWindow(a);
}

// ---- The application hint and action dispatch ----------------------------------------

struct THintHook {
  std::vector<std::string> taken;
  bool Hook(TMessage& m) {
    if (m.Msg != CM_ACTIONEXECUTE)
      return false;
    auto* action = TCMActionExecute(m).Action();
    if (action->ClassType() != &THintAction::StaticClass())
      return false;
    taken.push_back(static_cast<THintAction*>(action)->Hint());
    m.Result = 1;
    return true;
  }
};

class HintDispatch : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application()->CreateForm(&main_);
    target_ = new TTestHintTarget(main_);
    target_->SetParent(main_);
    ShowAndActivate(main_);
  }
  TForm* main_ = nullptr;
  TTestHintTarget* target_ = nullptr;
};

TEST_F(HintDispatch, TheHintSetterExecutesAHintActionThatReachesTheForms) {
  Application()->SetHint("status text");
  Application()->SetHint("status text");  // unchanged: nothing
  EXPECT_EQ(std::vector<std::string>{"status text"}, target_->hints);
  // Another form is active: the main form still gets the action.
  TOwned<TForm> other(CreateNew<TForm>(nullptr));
  ShowAndActivate(other.get());
  EXPECT_EQ(other.get(), Screen()->ActiveForm());
  Application()->SetHint("second");
  EXPECT_EQ((std::vector<std::string>{"status text", "second"}), target_->hints);
}

TEST_F(HintDispatch, AHookTakesTheActionBeforeTheForms) {
  THintHook hook;
  const TWindowHook method = Method<&THintHook::Hook>(&hook);
  Application()->HookMainWindow(method);
  Application()->SetHint("wide");
  Application()->UnhookMainWindow(method);
  EXPECT_EQ(std::vector<std::string>{"wide"}, hook.taken);
  EXPECT_TRUE(target_->hints.empty());
}

TEST_F(HintDispatch, OnHintReplacesTheAction) {
  struct TOnHint {
    int calls = 0;
    void Hint(TObject*) { ++calls; }
  } onHint;
  Application()->OnHint = Method<&TOnHint::Hint>(&onHint);
  Application()->SetHint("text");
  EXPECT_EQ(1, onHint.calls);
  EXPECT_EQ("text", Application()->Hint());
  EXPECT_TRUE(target_->hints.empty());
}

// ---- Idle processing --------------------------------------------------------------------

struct TEnterLeave {
  void Enter(TObject* sender) { Log(static_cast<TComponent*>(sender), "mouseenter"); }
  void Leave(TObject* sender) { Log(static_cast<TComponent*>(sender), "mouseleave"); }
};

class IdleProcessing : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form_ = CreateNew<TForm>(nullptr);
    form_->SetClientWidth(300);
    form_->SetClientHeight(200);
    panel_ = new TTestPanel(form_);
    panel_->SetParent(form_);
    panel_->SetBounds(10, 10, 200, 100);
    panel_->SetHint("Panel hint");
    label_ = new TTestLabel(form_);
    label_->SetName("Label1");
    label_->SetParent(panel_);
    label_->SetBounds(10, 10, 80, 20);
    label_->SetHint("Short|Long label");
    box_ = new TTestBox(form_);
    box_->SetName("Box1");
    box_->SetParent(panel_);
    box_->SetBounds(10, 50, 60, 20);
    for (TControl* c : {static_cast<TControl*>(label_), static_cast<TControl*>(box_)}) {
      c->OnMouseEnter = Method<&TEnterLeave::Enter>(&enterLeave_);
      c->OnMouseLeave = Method<&TEnterLeave::Leave>(&enterLeave_);
    }
    form_->Show();
  }
  void TearDown() override {
    Application()->SetMouseControlSource(nullptr);
    FreeAndNil(form_);
    FormsTest::TearDown();
  }
  void UnderMouse(TControl* control) {
    Application()->SetMouseControlSource([control] { return control; });
    EXPECT_TRUE(
        classlib::PumpUntil([control] { return Application()->MouseControl() == control; }));
  }

  TForm* form_ = nullptr;
  TTestPanel* panel_ = nullptr;
  TTestLabel* label_ = nullptr;
  TTestBox* box_ = nullptr;
  TEnterLeave enterLeave_;
};

TEST_F(IdleProcessing, TheMouseControlChangesWithLeaveEnterAndTheLongHint) {
  UnderMouse(label_);
  EXPECT_EQ("Long label", Application()->Hint());
  UnderMouse(box_);
  // The box has no hint of its own: its panel's counts.
  EXPECT_EQ("Panel hint", Application()->Hint());
  std::vector<std::string> moves;
  for (const std::string& e : EventLog()) {
    if (e.find(":mouse") != std::string::npos)
      moves.push_back(e);
  }
  EXPECT_EQ((std::vector<std::string>{"Label1:mouseenter", "Label1:mouseleave", "Box1:mouseenter"}),
            moves);
  // A destroyed control is forgotten at once.
  Application()->SetMouseControlSource([] { return nullptr; });
  box_->Free();
  EXPECT_EQ(nullptr, Application()->MouseControl());
}

TEST_F(IdleProcessing, TheRealCursorFindsWindowlessControls) {
  const TPoint p = label_->ClientToScreen(TPoint(5, 5));
  SetCursorPos(p.x, p.y);
  EXPECT_TRUE(classlib::PumpUntil([this] { return Application()->MouseControl() == label_; }))
      << "under the cursor: " << Application()->MouseControl();
}

struct TUpdateCounter {
  std::vector<std::string> updates;
  void Update(TObject* sender) { updates.push_back(static_cast<TComponent*>(sender)->Name()); }
};

TEST_F(IdleProcessing, EveryLinkedActionIsUpdatedOncePerPass) {
  TUpdateCounter counter;
  auto makeAction = [&](TComponent* owner, const char* name) {
    auto* action = Create<TAction>(owner);
    action->SetName(name);
    action->OnUpdate = Method<&TUpdateCounter::Update>(&counter);
    return action;
  };
  TAction* shared = makeAction(form_, "Shared");
  label_->SetAction(shared);  // windowless
  box_->SetAction(shared);    // windowed, same action
  auto* hidden = new TTestBox(form_);
  hidden->SetParent(panel_);
  hidden->SetAction(makeAction(form_, "OfHidden"));
  hidden->SetVisible(false);
  auto* list = Create<TActionList>(form_);
  makeAction(form_, "InList")->SetActionList(list);
  makeAction(form_, "Loose");
  TOwned<TForm> invisible(CreateNew<TForm>(nullptr));
  auto* elsewhere = new TTestBox(invisible.get());
  elsewhere->SetParent(invisible.get());
  elsewhere->SetAction(makeAction(invisible.get(), "OfInvisibleForm"));
  counter.updates.clear();  // linking may update

  EXPECT_TRUE(classlib::PumpUntil([&] { return !counter.updates.empty(); }));
  std::sort(counter.updates.begin(), counter.updates.end());
  EXPECT_EQ((std::vector<std::string>{"InList", "Shared"}), counter.updates);
}

// ---- Hints ------------------------------------------------------------------------------

TEST_F(IdleProcessing, AHintShowHandlerChoosesTheWindowClassAndData) {
  label_->SetShowHint(true);
  TTestLabel::swapHintClass = true;
  Application()->SetMouseControlSource([this] { return label_; });
  Application()->ActivateHint(label_->ClientToScreen(TPoint(2, 2)));
  EXPECT_EQ(std::vector<std::string>{"Label1:hintshow Short"}, LogOf("Label1:hint"));
  auto* window = dynamic_cast<TTestHintWindow*>(Application()->HintWindowInstance());
  ASSERT_NE(nullptr, window);
  // The mark is the info record itself, alive while the hint shows.
  EXPECT_EQ(&Application()->CurrentHintInfo(), window->data);
  EXPECT_EQ("Short", window->text);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  EXPECT_EQ(WS_EX_TOPMOST, GetWindowLongA(window->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  Application()->CancelHint();
  EXPECT_FALSE(window->HandleAllocated());
}

TEST_F(IdleProcessing, HintsNameTheShortCutOfTheControlsAction) {
  auto* action = Create<TAction>(form_);
  action->SetHint("Save|Save the settings");
  action->SetShortCut(scCtrl | 'S');
  label_->SetAction(action);
  label_->SetShowHint(true);
  Application()->SetMouseControlSource([this] { return label_; });
  Application()->ActivateHint(TPoint(0, 0));
  EXPECT_EQ("Save (Ctrl+S)", Application()->HintWindowInstance()->Caption());
  Application()->SetHintShortCuts(false);
  Application()->ActivateHint(TPoint(0, 0));
  EXPECT_EQ("Save", Application()->HintWindowInstance()->Caption());

  EXPECT_EQ("Shift+Ctrl+F5", ShortCutToText(scShift | scCtrl | VK_F5));
  EXPECT_EQ("Alt+Del", ShortCutToText(scAlt | VK_DELETE));
  EXPECT_EQ("", ShortCutToText(scCtrl));
}

TEST_F(IdleProcessing, MouseMovesShowTheHintAndAPressHidesIt) {
  label_->SetShowHint(true);
  Application()->SetHintPause(20);
  struct TShowHint {
    void Show(TObject*, std::string& text, bool& canShow, THintInfo&) {
      text += " (edited)";
      canShow = true;
    }
  } onShowHint;
  Application()->OnShowHint = Method<&TShowHint::Show>(&onShowHint);
  Application()->SetMouseControlSource([this] { return label_; });
  const HWND panel = panel_->Handle();
  PostMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
  ASSERT_TRUE(classlib::PumpUntil([] {
    THintWindow* w = Application()->HintWindowInstance();
    return w && w->HandleAllocated() && IsWindowVisible(w->WindowHandle());
  }));
  THintWindow* window = Application()->HintWindowInstance();
  EXPECT_EQ(&THintWindow::StaticClass(), window->ClassType());
  EXPECT_EQ("Short (edited)", window->Caption());
  PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
  PostMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(15, 15));
  HandlePending();
  EXPECT_FALSE(window->HandleAllocated());
}

TEST_F(IdleProcessing, ActivationOfTheApplicationIsReportedOnce) {
  struct TActivation {
    int on = 0;
    int off = 0;
    void Activate(TObject*) { ++on; }
    void Deactivate(TObject*) { ++off; }
  } activation;
  Application()->OnActivate = Method<&TActivation::Activate>(&activation);
  Application()->OnDeactivate = Method<&TActivation::Deactivate>(&activation);
  SendMessageA(Application()->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  const int offBefore = activation.off;
  SendMessageA(form_->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  SendMessageA(Application()->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(1, activation.on);
  EXPECT_TRUE(Application()->Active());
  SendMessageA(form_->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(offBefore + 1, activation.off);
  EXPECT_FALSE(Application()->Active());
}

}  // namespace
