// The main form connected on a pty, its terminal focused, and a real box
// over it answered with a real key held down: the box closes on the press,
// and neither the repeats nor the release reach the terminal, so nothing
// goes to the port.
#include "frmMain.h"

#include "KeyInput.h"
#include "PeerClient.h"
#include "Startup.h"
#include "TerminalTestSupport.h"
#include "ThreadDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TTerminalTestEnvironment);

// Waits on a thread of its own for a box of the main thread, then holds key.
class TBoxAnswer {
 public:
  explicit TBoxAnswer(WORD key)
      : thread_([key, main = GetCurrentThreadId()] {
          HWND box = nullptr;
          for (int i = 0; i < 300 && !box; ++i) {
            EnumThreadWindows(main, thread_dialog_detail::TakeVisibleDialog,
                              reinterpret_cast<LPARAM>(&box));
            Sleep(10);
          }
          if (box)
            HoldKey(key);
        }) {}
  ~TBoxAnswer() { thread_.join(); }
  TBoxAnswer(const TBoxAnswer&) = delete;
  TBoxAnswer& operator=(const TBoxAnswer&) = delete;

 private:
  std::thread thread_;
};

class BoxKeysTest : public TTerminalFormTest {
 protected:
  void FocusTerminal() {
    SetForegroundWindow(form_->Handle());
    form_->termHistory->SetFocus();
    ASSERT_TRUE(
        classlib::PumpUntil([&] { return GetFocus() == form_->termHistory->Handle(); }, 3000));
  }
};

TEST_F(BoxKeysTest, AKeyHeldWhileItAnswersABoxSendsNothing) {
  TPeerPort peer(10, 256);
  MakeMainForm(peer.Number());
  Connect();
  FocusTerminal();
  const std::function<int()> boxes[] = {
      [&] { return ShowMessageBoxW(form_->Handle(), L"wide", L"Box", MB_ICONINFORMATION); },
      [&] { return ShowMessageBox(form_->Handle(), "8-bit", "Box", MB_ICONERROR); },
  };
  for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_SPACE)}) {
    for (size_t b = 0; b < 2; ++b) {
      {
        TBoxAnswer answer(key);
        EXPECT_NE(0, boxes[b]());
      }
      classlib::PumpFor(300);
      EXPECT_EQ("", peer.Receive(8, 200)) << "key " << key << ", box " << b;
      EXPECT_EQ(form_->termHistory->Handle(), GetFocus());
    }
  }
  // The terminal's own held key repeats.
  HoldKey(VK_SPACE);
  classlib::PumpFor(300);
  EXPECT_EQ("    ", peer.Receive(4, 2000));
}

}  // namespace
