// Lazy windows and two-phase creation; the close protocol; the end of the
// program.
#include "FormsTestSupport.h"

#include <algorithm>

namespace {

class TLazyForm : public TForm {
  VEL_CLASS(TLazyForm, TForm)
  static void Publish(TPublisher<TLazyForm>& p);

 public:
  using TForm::TForm;
  TTestBox* Box1 = nullptr;
  TTestLabel* Label1 = nullptr;

  static TLazyForm* reference;
  static bool readHandleInCreate;
  bool referenceSetBeforeCreate = false;
  bool windowDuringCreate = true;
  bool controlsDuringCreate = false;

  void FormCreate(TObject*) {
    referenceSetBeforeCreate = reference == this;
    windowDuringCreate = HandleAllocated() || Box1->HandleAllocated();
    controlsDuringCreate = Box1 && Label1 && Box1->Parent() == this;
    if (readHandleInCreate)
      Handle();
  }
  void FormShow(TObject*) { Log(this, "show"); }
  void FormDestroy(TObject*) {
    Log(this, "destroy, components " + IntToStr(ComponentCount()) +
                  (HandleAllocated() ? ", window" : ", no window"));
  }
};

VEL_COMPONENT_IMPL(TLazyForm, TForm)

void TLazyForm::Publish(TPublisher<TLazyForm>& p) {
  p.Field<&TLazyForm::Box1>("Box1");
  p.Field<&TLazyForm::Label1>("Label1");
  p.Method<&TLazyForm::FormCreate>("FormCreate");
  p.Method<&TLazyForm::FormShow>("FormShow");
  p.Method<&TLazyForm::FormDestroy>("FormDestroy");
}

TLazyForm* TLazyForm::reference = nullptr;
bool TLazyForm::readHandleInCreate = false;

// Logs OnDestroy of forms made in code.
struct TDestroyLogger {
  void FormDestroy(TObject* sender) { Log(static_cast<TComponent*>(sender), "destroy"); }
  TNotifyEvent Event() { return Method<&TDestroyLogger::FormDestroy>(this); }
};

class LazyForms : public FormsTest {
 protected:
  TLazyForm* CreateLazyForm() {
    Application()->CreateForm(&TLazyForm::reference);
    return TLazyForm::reference;
  }
  void TearDown() override {
    TLazyForm::readHandleInCreate = false;
    FormsTest::TearDown();
  }
};

TEST_F(LazyForms, CreateFormSetsTheReferenceFirstAndMakesNoWindow) {
  TLazyForm* form = CreateLazyForm();
  EXPECT_TRUE(form->referenceSetBeforeCreate);
  EXPECT_TRUE(form->controlsDuringCreate);
  EXPECT_FALSE(form->windowDuringCreate);
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_FALSE(form->Box1->HandleAllocated());
  // A second instance's window walk must not find this form.
  EXPECT_EQ(nullptr, FindWindowA(nullptr, "Lazy caption"));
  EXPECT_EQ(Application()->MainForm(), form);
  EXPECT_EQ("Lazy caption", form->Caption());
  EXPECT_EQ(150, form->ClientHeight());
}

TEST_F(LazyForms, HandleReadInOnCreateMakesAHiddenWindow) {
  TLazyForm::readHandleInCreate = true;
  TLazyForm* form = CreateLazyForm();
  ASSERT_TRUE(form->HandleAllocated());
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
  EXPECT_EQ(form->WindowHandle(), FindWindowA(nullptr, "Lazy caption"));
}

TEST_F(LazyForms, PropertiesSetBeforeTheWindowAreApplied) {
  TLazyForm* form = CreateLazyForm();
  form->SetCaption("Changed");
  form->SetClientHeight(170);
  form->SetClientWidth(310);
  EXPECT_FALSE(form->HandleAllocated());
  form->Show();
  const HWND window = form->WindowHandle();
  char caption[32] = {};
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ("Changed", caption);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(310, client.right);
  EXPECT_EQ(170, client.bottom);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);  // bsSingle
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);
  // poScreenCenter, at the first show.
  EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2, form->Left(), 1);
  EXPECT_EQ(std::vector<std::string>{"LazyForm:show"}, LogOf("LazyForm:show"));
}

TEST_F(LazyForms, WindowStateSetBeforeTheFirstShowIsHonoured) {
  TLazyForm* form = CreateLazyForm();
  form->SetWindowState(wsMaximized);
  EXPECT_FALSE(form->HandleAllocated());
  form->Show();
  EXPECT_TRUE(IsZoomed(form->WindowHandle()));
  EXPECT_EQ(wsMaximized, form->WindowState());
  // Reading a minimised state and setting normal restores the window.
  form->SetWindowState(wsMinimized);
  EXPECT_TRUE(IsIconic(form->WindowHandle()));
  form->SetWindowState(wsNormal);
  EXPECT_FALSE(IsIconic(form->WindowHandle()));
  EXPECT_FALSE(IsZoomed(form->WindowHandle()));
}

TEST_F(LazyForms, PopupParentOwnsTheWindowBeforeAndAfterCreation) {
  TOwned<TForm> first(CreateNew<TForm>(nullptr));
  TOwned<TForm> second(CreateNew<TForm>(nullptr));
  TOwned<TForm> popup(CreateNew<TForm>(nullptr));
  popup->SetPopupParent(first.get());
  EXPECT_FALSE(popup->HandleAllocated());
  EXPECT_EQ(first->Handle(), GetWindow(popup->Handle(), GW_OWNER));
  popup->SetPopupParent(second.get());
  EXPECT_EQ(second->Handle(), GetWindow(popup->Handle(), GW_OWNER));
  // A freed popup parent is forgotten.
  second.reset();
  EXPECT_EQ(nullptr, popup->PopupParent());
}

TEST_F(LazyForms, BorderStylesMakeTheirWindows) {
  struct TCase {
    TFormBorderStyle border;
    DWORD style;
    DWORD exStyle;
  };
  const TCase cases[] = {
      {bsToolWindow, WS_CAPTION, WS_EX_TOOLWINDOW},
      {bsSizeToolWin, WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW},
      {bsDialog, WS_CAPTION | WS_POPUP, WS_EX_DLGMODALFRAME},
      {bsNone, WS_POPUP, 0},
  };
  for (const TCase& c : cases) {
    TOwned<TForm> form(CreateNew<TForm>(nullptr));
    form->SetBorderStyle(c.border);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    form->SetClientWidth(300);
    const HWND window = form->Handle();
    EXPECT_EQ(c.style, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & c.style) << c.border;
    EXPECT_EQ(c.exStyle, static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & c.exStyle)
        << c.border;
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(300, form->ClientWidth()) << c.border;
  }
}

TEST_F(LazyForms, ConstraintsLimitTheUsersResizing) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->Constraints()->SetMinWidth(480);
  form->Constraints()->SetMinHeight(400);
  MINMAXINFO info{};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(480, info.ptMinTrackSize.x);
  EXPECT_EQ(400, info.ptMinTrackSize.y);
}

struct TRedPainter {
  TForm* form;
  void Paint(TObject*) {
    form->Canvas()->Brush()->SetColor(clRed);
    form->Canvas()->FillRect(TRect(0, 0, 10, 10));
  }
};

TEST_F(LazyForms, OnPaintDrawsIntoAMemoryDC) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  TRedPainter painter{form.get()};
  form->OnPaint = Method<&TRedPainter::Paint>(&painter);
  form->HandleNeeded();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  form->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 5, 5));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(LazyForms, TerminateBeforeRunShowsNothing) {
  CreateLazyForm();
  Application()->Terminate();
  Application()->Run();
  EXPECT_TRUE(LogOf("LazyForm:show").empty());
  EXPECT_EQ(std::vector<std::string>{"LazyForm:destroy, components 2, no window"},
            LogOf("LazyForm:destroy"));
  EXPECT_EQ(nullptr, Application()->MainForm());
}

TEST_F(LazyForms, AfterRunTheMainFormGoesFirstThenTheOthersNewestFirst) {
  TDestroyLogger logger;
  CreateLazyForm();
  TForm* second = nullptr;
  TForm* third = nullptr;
  Application()->CreateForm(&second);
  Application()->CreateForm(&third);
  second->SetName("Second");
  third->SetName("Third");
  second->OnDestroy = logger.Event();
  third->OnDestroy = logger.Event();
  EXPECT_EQ(Application()->MainForm(), TLazyForm::reference);
  TScript script({[] { TLazyForm::reference->Close(); }});
  Application()->Run();
  EventLog().erase(std::remove_if(EventLog().begin(), EventLog().end(),
                                  [](const std::string& e) { return e.rfind("Box1", 0) == 0; }),
                   EventLog().end());
  EXPECT_EQ((std::vector<std::string>{"LazyForm:show", "LazyForm:destroy, components 2, window",
                                      "Third:destroy", "Second:destroy"}),
            EventLog());
}

// ---- Close protocol ---------------------------------------------------------------------

class TClosingForm : public TForm {
  VEL_CLASS(TClosingForm, TForm)

 public:
  using TForm::TForm;
  bool canClose = true;
  TCloseAction action = caHide;

  void AfterConstruction() override {
    TForm::AfterConstruction();
    OnCloseQuery = Method<&TClosingForm::FormCloseQuery>(this);
    OnClose = Method<&TClosingForm::FormClose>(this);
    OnDestroy = Method<&TClosingForm::FormDestroy>(this);
  }
  void LogActivation() {
    OnActivate = Method<&TClosingForm::FormActivate>(this);
    OnDeactivate = Method<&TClosingForm::FormDeactivate>(this);
    OnHide = Method<&TClosingForm::FormHide>(this);
  }
  void FormActivate(TObject*) { Log(this, "activate"); }
  void FormDeactivate(TObject*) { Log(this, "deactivate"); }
  void FormHide(TObject*) { Log(this, "hide"); }
  void FormCloseQuery(TObject*, bool& can) { can = canClose; }
  void FormClose(TObject*, TCloseAction& a) {
    Log(this, "close");
    a = action;
  }
  void FormDestroy(TObject*) { Log(this, "destroy"); }

 protected:
  // Hand-written handlers for numbers of the program's own.
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_USER + 1) {
      m.Result = 1;
    } else if (m.Msg == WM_POWERBROADCAST && m.WParam == 0) {
      m.Result = 0x424D5144;  // BROADCAST_QUERY_DENY
    } else {
      TForm::Dispatch(m);
    }
  }
};

VEL_COMPONENT_IMPL(TClosingForm, TForm)

class CloseProtocol : public FormsTest {
 protected:
  TClosingForm* NewForm(const char* name) {
    auto* form = CreateNew<TClosingForm>(nullptr);
    form->SetName(name);
    form->Show();
    return form;
  }
};

TEST_F(CloseProtocol, ASecondaryFormIsHiddenNotFreed) {
  TOwned<TClosingForm> form(NewForm("Second"));
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
  EXPECT_EQ(std::vector<std::string>{"Second:close"}, EventLog());
  // Shown again, it is the same window.
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->WindowHandle()));
}

TEST_F(CloseProtocol, CloseQueryAndCaNoneRefuse) {
  TOwned<TClosingForm> form(NewForm("Second"));
  form->canClose = false;
  SendMessageA(form->WindowHandle(), WM_CLOSE, 0, 0);  // Alt+F4, the system menu
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(EventLog().empty());
  form->canClose = true;
  form->action = caNone;
  form->Close();
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(std::vector<std::string>{"Second:close"}, EventLog());
}

TEST_F(CloseProtocol, CaFreeFreesOnceTheMessagesAreHandled) {
  TClosingForm* form = NewForm("Second");
  form->action = caFree;
  form->Close();
  EXPECT_EQ(std::vector<std::string>{"Second:close"}, EventLog());
  EXPECT_TRUE(classlib::PumpUntil([] { return EventLog().size() == 2; }));
  EXPECT_EQ("Second:destroy", EventLog().back());
}

TEST_F(CloseProtocol, ClosingTheMainFormEndsTheApplication) {
  TForm* main = nullptr;
  Application()->CreateForm(&main);
  main->Show();
  main->Close();
  EXPECT_TRUE(Application()->Terminated());
  EXPECT_TRUE(main->Visible());
}

TEST_F(CloseProtocol, QueryEndSessionAnswersCloseQuery) {
  TOwned<TClosingForm> form(NewForm("Second"));
  EXPECT_EQ(1, SendMessageA(form->WindowHandle(), WM_QUERYENDSESSION, 0, 0));
  form->canClose = false;
  EXPECT_EQ(0, SendMessageA(form->WindowHandle(), WM_QUERYENDSESSION, 0, 0));
}

TEST_F(CloseProtocol, HandWrittenHandlersChooseTheirResultOrTheDefault) {
  TOwned<TClosingForm> form(NewForm("Second"));
  EXPECT_EQ(1, SendMessageA(form->WindowHandle(), WM_USER + 1, 0, 0));
  EXPECT_EQ(0x424D5144, SendMessageA(form->WindowHandle(), WM_POWERBROADCAST, 0, 0));
  EXPECT_NE(0x424D5144, SendMessageA(form->WindowHandle(), WM_POWERBROADCAST, 4, 0));
}

TEST_F(CloseProtocol, OnDestroyIsTheLastEventOfAnActiveForm) {
  TClosingForm* form = NewForm("Second");
  form->LogActivation();
  ShowAndActivate(form);
  EventLog().clear();
  form->Free();
  HandlePending();
  EXPECT_EQ(std::vector<std::string>{"Second:destroy"}, EventLog());
}

TEST_F(CloseProtocol, OnDestroyRunsWhileTheComponentsExist) {
  TLazyForm* form = nullptr;
  Application()->CreateForm(&form);
  form->Free();
  EXPECT_EQ(std::vector<std::string>{"LazyForm:destroy, components 2, no window"}, EventLog());
  EXPECT_EQ(nullptr, Application()->MainForm());
  EXPECT_EQ(0, Screen()->FormCount());
}

}  // namespace
