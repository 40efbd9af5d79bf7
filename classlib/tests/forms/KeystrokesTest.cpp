// A keystroke stays with the window it was pressed in: a key held down
// while it answers a box repeats and is released over the form below, and
// none of that reaches the form's controls; a key held when a box opens
// does not answer it. Real key input through real boxes.
#include "FormsTestSupport.h"
#include "KeyInput.h"
#include "ThreadDialog.h"

#include "StdCtrls.h"
#include "System.h"

namespace {

// A press, two repeats while the key is held, and the release, one per step.
std::vector<std::function<void()>> HeldKeySteps(WORD vk) {
  const auto down = [vk] { SendKey(vk, false); };
  return {down, down, down, [vk] { SendKey(vk, true); }};
}

class TModalDialog : public TForm {
  VEL_CLASS(TModalDialog, TForm)
 public:
  using TForm::TForm;
  void AfterConstruction() override {
    TForm::AfterConstruction();
    SetBorderStyle(bsDialog);
    auto* ok = Create<TButton>(this);
    ok->SetDefault(true);
    ok->SetCancel(true);
    ok->SetModalResult(mrOk);
    ok->SetParent(this);
  }
};

VEL_CLASS_IMPL(TModalDialog, TForm)

class Keystrokes : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    SetMessageBoxFunc(nullptr);
    Application()->CreateForm(&form_);
    box_ = Create<TTestBox>(form_);
    box_->SetName("Box");
    box_->SetParent(form_);
    ShowAndActivate(form_);
    box_->SetFocus();
    HandlePending();
    EventLog().clear();
  }

  // Runs the script's remaining steps in the application's loop, then what
  // they left in the queue.
  static void Finish(const TScript& script) {
    EXPECT_TRUE(classlib::PumpUntil([&] { return script.Done(); }, 5000));
    classlib::PumpFor(200);
  }

  TForm* form_ = nullptr;
  TTestBox* box_ = nullptr;
};

TEST_F(Keystrokes, AKeyHeldWhileItAnswersABoxNeverReachesTheFormBelow) {
  const std::function<void()> boxes[] = {
      [this] { ShowMessageBox(form_->Handle(), "8-bit", "Box", MB_OK); },
      [this] { ShowMessageBoxW(form_->Handle(), L"wide", L"Box", MB_OK); },
      [] {
        TOwned<TModalDialog> dialog(CreateNew<TModalDialog>(nullptr));
        EXPECT_EQ(mrOk, dialog->ShowModal());
      },
  };
  for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_SPACE)}) {
    for (size_t b = 0; b < 3; ++b) {
      TScript script(HeldKeySteps(key));
      boxes[b]();
      Finish(script);
      EXPECT_EQ(std::vector<std::string>(), LogOf("Box:key")) << "key " << key << ", box " << b;
      EXPECT_EQ(box_->WindowHandle(), GetFocus());
      EventLog().clear();
    }
  }
  // The form's own keystrokes still arrive, repeats included.
  TScript own(HeldKeySteps(VK_RETURN));
  Finish(own);
  EXPECT_EQ(3u, LogOf("Box:keydown 13").size());
}

TEST_F(Keystrokes, AKeyHeldWhenABoxOpensDoesNotAnswerIt) {
  SendKey(VK_RETURN, false);
  ASSERT_TRUE(classlib::PumpUntil([] { return !LogOf("Box:keydown 13").empty(); }, 3000));
  bool openAfterRelease = false;
  std::vector<std::function<void()>> steps = {
      [] { SendKey(VK_RETURN, false); }, [] { SendKey(VK_RETURN, false); },
      [] { SendKey(VK_RETURN, true); }, [&] { openAfterRelease = FindThreadDialog() != nullptr; }};
  for (auto& step : HeldKeySteps(VK_RETURN))
    steps.push_back(step);
  TScript script(steps);
  EXPECT_EQ(IDOK, MessageBoxW(form_->Handle(), L"held", L"Box", MB_OK));
  EXPECT_TRUE(openAfterRelease);
  Finish(script);
}

}  // namespace
