// Modal forms: the close protocol, disabled windows, loops that keep
// serving timers and Synchronize, Default and Cancel buttons, accelerators.
#include "FormsTestSupport.h"
#include "ThreadDialog.h"

#include "System.h"
#include "Threads.h"

#include <atomic>

namespace {

class TDialogForm : public TForm {
  VEL_CLASS(TDialogForm, TForm)
  static void Publish(TPublisher<TDialogForm>& p);

 public:
  using TForm::TForm;
  TTestBox* Box1 = nullptr;
  TTestButton* OkButton = nullptr;
  TTestButton* CancelButton = nullptr;
  TTestButton* ExitButton = nullptr;
  TTestButton* ExitTooButton = nullptr;
};

VEL_COMPONENT_IMPL(TDialogForm, TForm)

void TDialogForm::Publish(TPublisher<TDialogForm>& p) {
  p.Field<&TDialogForm::Box1>("Box1");
  p.Field<&TDialogForm::OkButton>("OkButton");
  p.Field<&TDialogForm::CancelButton>("CancelButton");
  p.Field<&TDialogForm::ExitButton>("ExitButton");
  p.Field<&TDialogForm::ExitTooButton>("ExitTooButton");
}

// Runs body on a worker thread.
class TWorker : public TThread {
 public:
  explicit TWorker(std::function<void(TWorker&)> body) : TThread(true), body_(std::move(body)) {
    Start();
  }
  ~TWorker() override { WaitFor(); }
  using TThread::Synchronize;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TWorker&)> body_;
};

class ModalForms : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application()->CreateForm(&main_);
    ShowAndActivate(main_);
    dialog_.reset(Create<TDialogForm>(nullptr));
  }
  void TearDown() override {
    dialog_.reset();
    FormsTest::TearDown();
  }

  TForm* main_ = nullptr;
  TOwned<TDialogForm> dialog_;
};

TEST_F(ModalForms, SystemMenuCloseGivesCancelHidesAndKeepsTheForm) {
  bool mainDisabled = false;
  bool dialogEnabled = false;
  TScript script({[&] {
    mainDisabled = !IsWindowEnabled(main_->Handle());
    dialogEnabled = IsWindowEnabled(dialog_->Handle()) != 0;
    PostMessageA(dialog_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  }});
  EXPECT_EQ(mrCancel, dialog_->ShowModal());
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(dialogEnabled);
  EXPECT_TRUE(IsWindowEnabled(main_->Handle()));
  EXPECT_FALSE(dialog_->Visible());
  EXPECT_FALSE(IsWindowVisible(dialog_->WindowHandle()));
  EXPECT_EQ(0, Application()->ModalLevel());

  // The kept dialog shows modally again.
  TScript again({[&] { dialog_->OkButton->Click(); }});
  EXPECT_EQ(mrOk, dialog_->ShowModal());
}

TEST_F(ModalForms, TimersAndSynchronizeRunInsideTheModalLoop) {
  std::atomic<bool> synced{false};
  int levelInside = -1;
  std::unique_ptr<TWorker> worker;
  TScript script({[&] {
                    worker = std::make_unique<TWorker>([&](TWorker& self) {
                      self.Synchronize([&] {
                        levelInside = Application()->ModalLevel();
                        synced = IsMainThread();
                      });
                    });
                  },
                  [] {}, [&] { dialog_->SetModalResult(synced ? mrOk : mrAbort); }},
                 100);
  EXPECT_EQ(mrOk, dialog_->ShowModal());
  EXPECT_EQ(1, levelInside);
}

TEST_F(ModalForms, AResultSetBySynchronizeEndsTheLoopAtOnce) {
  std::unique_ptr<TWorker> worker;
  std::atomic<DWORD> setAt{0};
  // The last step is only a safety net: a loop that sleeps would be ended
  // by it, with another result and late.
  TScript script({[&] {
                    worker = std::make_unique<TWorker>([&](TWorker& self) {
                      self.Synchronize([&] {
                        setAt = GetTickCount();
                        dialog_->SetModalResult(mrOk);
                      });
                    });
                  },
                  [&] { dialog_->SetModalResult(mrAbort); }},
                 1500);
  EXPECT_EQ(mrOk, dialog_->ShowModal());
  EXPECT_LT(GetTickCount() - setAt, 1000u);
}

TEST_F(ModalForms, SynchronizeRunsInsideASystemMessageBox) {
  std::atomic<bool> synced{false};
  std::unique_ptr<TWorker> worker;
  HWND box = nullptr;
  TScript script({[&] {
                    box = FindThreadDialog();
                    worker = std::make_unique<TWorker>(
                        [&](TWorker& self) { self.Synchronize([&] { synced = true; }); });
                  },
                  [] {}, [&] { PostMessageA(box, WM_COMMAND, IDOK, 0); }},
                 100);
  MessageBoxW(main_->Handle(), L"Waiting", L"Probe", MB_OK);
  EXPECT_TRUE(synced);
  EXPECT_TRUE(script.Done());
}

TEST_F(ModalForms, ProcessMessagesServesSynchronizeAndSkipsIdle) {
  int idles = 0;
  struct TIdleCounter {
    int* count;
    void Idle(TObject*, bool&) { ++*count; }
  } counter{&idles};
  Application()->OnIdle = Method<&TIdleCounter::Idle>(&counter);
  std::atomic<bool> synced{false};
  TWorker worker([&](TWorker& self) { self.Synchronize([&] { synced = true; }); });
  const DWORD start = GetTickCount();
  while (!synced && GetTickCount() - start < 3000) {
    Application()->ProcessMessages();
    Sleep(5);
  }
  EXPECT_TRUE(synced);
  EXPECT_EQ(0, idles);
  Application()->OnIdle = nullptr;
}

TEST_F(ModalForms, ATerminatedApplicationEndsTheModalLoopWithCancel) {
  TScript script({[] { Application()->Terminate(); }});
  EXPECT_EQ(mrCancel, dialog_->ShowModal());
  EXPECT_EQ(mrCancel, dialog_->ShowModal());  // at once, without waiting
}

TEST_F(ModalForms, VisibleOrDisabledFormsAreRefused) {
  EXPECT_THROW(main_->ShowModal(), EInvalidOperation);
  dialog_->SetEnabled(false);
  EXPECT_THROW(dialog_->ShowModal(), EInvalidOperation);
  EXPECT_EQ(0, Application()->ModalLevel());
}

TEST_F(ModalForms, ARefusedCloseResetsTheResultAndGoesOn) {
  bool allow = false;
  struct TQuery {
    bool* allow;
    void CloseQuery(TObject*, bool& canClose) { canClose = *allow; }
  } query{&allow};
  dialog_->OnCloseQuery = Method<&TQuery::CloseQuery>(&query);
  TModalResult afterRefusal = -1;
  bool visibleAfterRefusal = false;
  TScript script({[&] { dialog_->OkButton->Click(); },
                  [&] {
                    afterRefusal = dialog_->ModalResult();
                    visibleAfterRefusal = IsWindowVisible(dialog_->Handle()) != 0;
                    allow = true;
                    dialog_->CancelButton->Click();
                  }});
  EXPECT_EQ(mrCancel, dialog_->ShowModal());
  EXPECT_EQ(mrNone, afterRefusal);
  EXPECT_TRUE(visibleAfterRefusal);
}

TEST_F(ModalForms, EnterClicksTheDefaultButtonEscTheCancelButton) {
  TScript enter({[&] { PostKey(dialog_->Box1->Handle(), WM_KEYDOWN, VK_RETURN); }});
  EXPECT_EQ(mrOk, dialog_->ShowModal());
  EXPECT_EQ(std::vector<std::string>{"OkButton:click"}, LogOf("OkButton"));
  TScript escape({[&] { PostKey(dialog_->Box1->Handle(), WM_KEYDOWN, VK_ESCAPE); }});
  EXPECT_EQ(mrCancel, dialog_->ShowModal());
  EXPECT_EQ(std::vector<std::string>{"CancelButton:click"}, LogOf("CancelButton"));
  // The box never saw either key.
  EXPECT_TRUE(LogOf("Box1:key").empty());
}

TEST_F(ModalForms, AcceleratorsAreBroadcastAndTheFirstTakerWins) {
  dialog_->Show();
  const HWND box = dialog_->Box1->Handle();
  PostMessageA(box, WM_SYSCHAR, 'x', 1 << 29);  // Alt+X
  HandlePending();
  EXPECT_EQ(std::vector<std::string>{"ExitButton:click"}, LogOf("Exit"));
  // A plain character on a control that does not want characters.
  PostMessageA(box, WM_CHAR, 'X', 1);
  HandlePending();
  EXPECT_EQ(2u, LogOf("ExitButton:click").size());
  EXPECT_TRUE(LogOf("Box1:keypress").empty());
  // A control that wants characters keeps them.
  dialog_->Box1->SetDlgCode(DLGC_WANTCHARS);
  PostMessageA(box, WM_CHAR, 'x', 1);
  HandlePending();
  EXPECT_EQ(2u, LogOf("ExitButton:click").size());
  EXPECT_EQ(std::vector<std::string>{"Box1:keypress 120"}, LogOf("Box1:keypress"));
  EXPECT_TRUE(LogOf("ExitTooButton").empty());
}

}  // namespace
