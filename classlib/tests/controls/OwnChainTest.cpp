// Messages a control sends to its own window pass through its WindowProc,
// where a layer above can take them.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// The shape of the library's status bar and tool bar: native windows driven
// through the control's own chain.
class TNativeBar : public TWinControl {
 public:
  TNativeBar(TComponent* owner, const char* systemClass)
      : TWinControl(owner), systemClass_(systemClass) {}

  void SetPanelText(int part, const std::string& text) {
    Perform(SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void InsertButton(const char* caption) {
    Perform(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    const int string =
        caption ? static_cast<int>(Perform(TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(caption)))
                : -1;
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.fsState = TBSTATE_ENABLED;
    button.iString = string;
    Perform(TB_INSERTBUTTONA, 0, reinterpret_cast<LPARAM>(&button));
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    CreateSubClass(params, systemClass_);
    params.WinClassName = std::string("TNativeBar_") + systemClass_;
  }

 private:
  const char* systemClass_;
};

// Stands in front of a control's chain, as the wide layer's hooks do.
struct TChainHook {
  explicit TChainHook(TControl* c) : control(c), previous(c->WindowProc()) {
    c->SetWindowProc(Method<&TChainHook::Hook>(this));
  }
  ~TChainHook() { control->SetWindowProc(previous); }
  void Hook(TMessage& m) {
    if (m.Msg == SB_SETTEXTA || m.Msg == WM_SETTEXT)
      texts.push_back(reinterpret_cast<const char*>(m.LParam));
    if (m.Msg == TB_INSERTBUTTONA)
      strings.push_back(reinterpret_cast<TBBUTTON*>(m.LParam)->iString);
    previous(m);
  }
  TControl* control;
  TWndMethod previous;
  std::vector<std::string> texts;
  std::vector<INT_PTR> strings;
};

TEST(OwnChain, StatusTextsPassTheControlsWindowProcThenReachTheWindow) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* bar = Create<TNativeBar>(host.get(), STATUSCLASSNAMEA);
  bar->SetParent(host.get());
  bar->HandleNeeded();
  bar->Perform(SB_SIMPLE, TRUE);
  TChainHook hook(bar);
  bar->SetPanelText(255 | SBT_NOBORDERS, "\tcentred");
  bar->SetPanelText(255, "\t\tright");
  ASSERT_EQ(hook.texts, (std::vector<std::string>{"\tcentred", "\t\tright"}));
  char text[32] = {};
  // In simple mode the window answers for part 0 with the simple text.
  SendMessageA(bar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "\t\tright");
}

TEST(OwnChain, ToolButtonsAreInsertedThroughTheChain) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* bar = Create<TNativeBar>(host.get(), TOOLBARCLASSNAMEA);
  bar->SetParent(host.get());
  bar->HandleNeeded();
  TChainHook hook(bar);
  bar->InsertButton("Connect");
  bar->InsertButton(nullptr);
  ASSERT_EQ(hook.strings.size(), 2u);
  EXPECT_EQ(hook.strings[1], -1);
  EXPECT_EQ(SendMessageA(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 2);
}

TEST(OwnChain, TextGoesThroughThePerformChainWithEightBitBuffers) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  TChainHook hook(c.get());
  c->SetText("before window");  // stored: no window is made for it
  EXPECT_FALSE(c->HandleAllocated());
  c->HandleNeeded();
  char text[32] = {};
  GetWindowTextA(c->WindowHandle(), text, sizeof(text));
  EXPECT_STREQ(text, "before window");
  c->SetText("after");
  GetWindowTextA(c->WindowHandle(), text, sizeof(text));
  EXPECT_STREQ(text, "after");
  EXPECT_EQ(hook.texts, (std::vector<std::string>{"before window", "after"}));
  EXPECT_EQ(c->Text(), "after");
}

}  // namespace
