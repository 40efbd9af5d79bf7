// Timers tick on the main thread through modal loops, survive a failing
// handler, may be switched inside their own handler and never tick while
// their form is read.
#include "ExtCtrls.h"
#include "Forms.h"
#include "ThreadDialog.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Counts ticks and runs a step on each.
struct TTicker {
  int ticks = 0;
  std::function<void(TTimer*)> step;
  void Tick(TObject* sender) {
    ++ticks;
    if (step)
      step(static_cast<TTimer*>(sender));
  }
};

// A timer whose loading state the test controls, as the reader would.
class TReadTimer : public TTimer {
 public:
  using TTimer::TTimer;
  void BeginRead() {
    SetState(csLoading, true);
    SetState(csReading, true);
  }
  void EndRead() {
    SetState(csReading, false);
    SetState(csLoading, false);
    Loaded();
  }
};

TOwned<TTimer> MakeTimer(TTicker& ticker, int interval) {
  TOwned<TTimer> timer(Create<TTimer>(nullptr));
  timer->SetInterval(interval);
  timer->SetOnTimer(Method<&TTicker::Tick>(&ticker));
  return timer;
}

TEST(Timer, ArmedOnlyWhileEnabledWithAnIntervalAndAHandler) {
  TTicker ticker;
  TOwned<TTimer> timer(Create<TTimer>(nullptr));
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000);
  timer->SetInterval(10);
  classlib::PumpFor(100);  // no handler yet
  timer->SetOnTimer(Method<&TTicker::Tick>(&ticker));
  timer->SetInterval(0);
  classlib::PumpFor(100);
  timer->SetInterval(-5);
  classlib::PumpFor(100);
  EXPECT_EQ(ticker.ticks, 0);
  timer->SetInterval(10);
  EXPECT_TRUE(classlib::PumpUntil([&] { return ticker.ticks >= 2; }, 3000));
  timer->SetEnabled(false);
  const int stopped = ticker.ticks;
  classlib::PumpFor(100);
  EXPECT_EQ(ticker.ticks, stopped);
}

TEST(Timer, AnUnchangedValueDoesNotRestartTheCountdown) {
  TTicker ticker;
  TOwned<TTimer> timer = MakeTimer(ticker, 1500);
  const DWORD start = GetTickCount();
  classlib::PumpFor(1000);
  timer->SetEnabled(true);
  timer->SetInterval(1500);
  timer->SetOnTimer(Method<&TTicker::Tick>(&ticker));
  ASSERT_TRUE(classlib::PumpUntil([&] { return ticker.ticks > 0; }, 5000));
  // A restart at 1000 ms would have ticked at 2500 ms at the earliest.
  EXPECT_LT(GetTickCount() - start, 2300u);
}

TEST(Timer, SwitchedOffAndOnInsideItsHandlerItGoesOn) {
  TTicker ticker;
  ticker.step = [](TTimer* t) {
    t->SetEnabled(false);
    t->SetEnabled(true);
  };
  TOwned<TTimer> timer = MakeTimer(ticker, 10);
  EXPECT_TRUE(classlib::PumpUntil([&] { return ticker.ticks >= 3; }, 3000));
}

TEST(Timer, AFailingHandlerIsReportedAndTickingGoesOn) {
  std::vector<std::string> reported;
  struct TSink {
    std::vector<std::string>* seen;
  } sink{&reported};
  SetExceptionHandler([&sink](TObject*, const std::exception_ptr& e) {
    sink.seen->push_back(ExceptionMessage(e));
  });
  TTicker ticker;
  ticker.step = [&ticker](TTimer*) {
    if (ticker.ticks == 1)
      throw EInvalidOperation("tick failed");
  };
  TOwned<TTimer> timer = MakeTimer(ticker, 10);
  EXPECT_TRUE(classlib::PumpUntil([&] { return ticker.ticks >= 3; }, 3000));
  SetExceptionHandler(nullptr);
  EXPECT_EQ(reported, std::vector<std::string>{"tick failed"});
}

TEST(Timer, TicksGoOnInsideAMessageBoxAndAModalForm) {
  TTicker ticker;
  ticker.step = [&ticker](TTimer*) {
    if (ticker.ticks == 3)
      PostMessageA(FindThreadDialog(), WM_COMMAND, IDOK, 0);
  };
  TOwned<TTimer> timer = MakeTimer(ticker, 20);
  MessageBoxA(nullptr, "ticking", "Timer", MB_OK);
  EXPECT_GE(ticker.ticks, 3);
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  ticker.ticks = 0;
  ticker.step = [&](TTimer*) {
    if (ticker.ticks == 3)
      form->SetModalResult(mrOk);
  };
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_GE(ticker.ticks, 3);
}

TEST(Timer, NoTickWhileTheFormIsReadOnlyAfterLoaded) {
  TTicker ticker;
  TOwned<TReadTimer> timer(Create<TReadTimer>(nullptr));
  timer->SetEnabled(false);
  timer->BeginRead();
  timer->SetEnabled(true);
  timer->SetInterval(5);
  timer->SetOnTimer(Method<&TTicker::Tick>(&ticker));
  classlib::PumpFor(100);
  EXPECT_EQ(ticker.ticks, 0);
  timer->EndRead();
  EXPECT_TRUE(classlib::PumpUntil([&] { return ticker.ticks > 0; }, 3000));
}

}  // namespace
