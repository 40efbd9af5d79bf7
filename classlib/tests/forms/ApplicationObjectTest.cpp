// The application window and its task-bar rules, the end of a session,
// exceptions and message boxes, the screen.
#include "FormsTestSupport.h"

namespace {

struct TBoxes {
  std::vector<std::string> shown;
  int Box(HWND, const std::string& text, const std::string& caption, UINT flags) {
    shown.push_back(caption + ": " + text + (flags & MB_ICONERROR ? " (error)" : ""));
    return IDOK;
  }
};

class ApplicationObject : public FormsTest {
 protected:
  void CaptureBoxes() {
    SetMessageBoxFunc([this](HWND owner, const std::string& text, const std::string& caption,
                             UINT flags) { return boxes_.Box(owner, text, caption, flags); });
  }
  TBoxes boxes_;
};

std::string WindowText(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST_F(ApplicationObject, WithTheMainFormOnTheTaskBarTheApplicationWindowHasNoCaption) {
  Application()->SetTitle("kolvex MK Setup");
  EXPECT_EQ("kolvex MK Setup", WindowText(Application()->Handle()));
  Application()->SetMainFormOnTaskBar(true);
  EXPECT_EQ("", WindowText(Application()->Handle()));
  EXPECT_EQ("kolvex MK Setup", Application()->Title());
  EXPECT_FALSE(IsWindowVisible(Application()->Handle()));

  TForm* main = nullptr;
  TForm* second = nullptr;
  Application()->CreateForm(&main);
  Application()->CreateForm(&second);
  EXPECT_EQ(nullptr, GetWindow(main->Handle(), GW_OWNER));
  EXPECT_TRUE(GetWindowLongA(main->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(main->Handle(), GetWindow(second->Handle(), GW_OWNER));
}

TEST_F(ApplicationObject, WithoutItTheApplicationWindowOwnsTheForms) {
  TForm* main = nullptr;
  Application()->CreateForm(&main);
  EXPECT_EQ(Application()->Handle(), GetWindow(main->Handle(), GW_OWNER));
}

TEST_F(ApplicationObject, AnActionMessageFromOutsideWithNoActionRunsNothing) {
  TForm* main = nullptr;
  Application()->CreateForm(&main);
  EXPECT_EQ(SendMessageA(Application()->Handle(), CM_ACTIONEXECUTE, 0, 0), 0);
  EXPECT_EQ(SendMessageA(main->Handle(), CM_ACTIONEXECUTE, 0, 0), 0);
}

TEST_F(ApplicationObject, TheEndOfTheSessionFreesTheFormsOnceTheLoopsUnwound) {
  TForm* main = nullptr;
  Application()->CreateForm(&main);
  TForm* dialog = nullptr;
  Application()->CreateForm(&dialog);
  // The session ends while a modal form's loop runs: the loop ends and may
  // still use its form.
  TScript script({[] { SendMessageA(Application()->Handle(), WM_ENDSESSION, TRUE, 0); }});
  EXPECT_EQ(mrCancel, dialog->ShowModal());
  EXPECT_TRUE(Application()->Terminated());
  EXPECT_EQ(2, Screen()->FormCount());
  EXPECT_EQ(mrCancel, dialog->ModalResult());
  Application()->Run();
  EXPECT_EQ(nullptr, Application()->MainForm());
  EXPECT_EQ(0, Screen()->FormCount());
}

TEST_F(ApplicationObject, ExceptionsGoToOnExceptionOrTheBoxAndEAbortIsSilent) {
  CaptureBoxes();
  Application()->SetTitle("Title");
  const auto raise = [](auto e) {
    try {
      throw e;
    } catch (...) {
      Application()->HandleException(nullptr);
    }
  };
  raise(EConvertError("first"));
  raise(EAbort("quiet"));
  EXPECT_EQ(std::vector<std::string>{"Title: first (error)"}, boxes_.shown);
  struct TOnException {
    std::vector<std::string> seen;
    void Exception(TObject*, const std::exception_ptr& e) { seen.push_back(ExceptionMessage(e)); }
  } handler;
  Application()->OnException = Method<&TOnException::Exception>(&handler);
  raise(EConvertError("second"));
  EXPECT_EQ(std::vector<std::string>{"second"}, handler.seen);
  EXPECT_EQ(1u, boxes_.shown.size());
}

TEST_F(ApplicationObject, TheWideMessageBoxHelperGoesThroughTheReplaceableBox) {
  CaptureBoxes();
  EXPECT_EQ(IDOK, ShowMessageBoxW(nullptr, L"COM3 is not available", L"Error", MB_ICONERROR));
  EXPECT_EQ(std::vector<std::string>{"Error: COM3 is not available (error)"}, boxes_.shown);
}

TEST_F(ApplicationObject, TheScreenKnowsItsSizeCursorsAndForms) {
  TScreen* screen = Screen();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen->Width());
  EXPECT_GT(screen->WorkAreaHeight(), 0);
  EXPECT_LE(screen->WorkAreaHeight(), screen->Height());
  EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), screen->Cursors(crHandPoint));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_IBEAM), screen->Cursors(crIBeam));
  EXPECT_FALSE(screen->HintFont()->Name().empty());
  EXPECT_FALSE(screen->MenuFont()->Name().empty());

  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  EXPECT_EQ(1, screen->FormCount());
  EXPECT_EQ(form.get(), screen->Forms(0));
  ShowAndActivate(form.get());
  EXPECT_EQ(form.get(), screen->ActiveForm());
  form.reset();
  EXPECT_EQ(0, screen->FormCount());
  EXPECT_EQ(nullptr, screen->ActiveForm());

  Mouse()->SetCursorPos(TPoint(12, 34));
  EXPECT_EQ(TPoint(12, 34), Mouse()->CursorPos());
}

}  // namespace
