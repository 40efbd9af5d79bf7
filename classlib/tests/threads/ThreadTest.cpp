#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace {

// Spins until terminated; it has no members of its own, so the base
// destructor may stop it.
class TSpinThread : public TThread {
 public:
  explicit TSpinThread(std::atomic<bool>* ran = nullptr) : TThread(true), ran_(ran) {}

 protected:
  void Execute() override {
    if (ran_)
      *ran_ = true;
    while (!Terminated())
      Sleep(1);
    SetReturnValue(7);
  }

 private:
  std::atomic<bool>* ran_;
};

// Reports its destruction, to watch FreeOnTerminate.
class TSelfFreeingThread : public TThread {
 public:
  explicit TSelfFreeingThread(TEvent& destroyed) : TThread(true), destroyed_(destroyed) {
    SetFreeOnTerminate(true);
    Start();
  }
  ~TSelfFreeingThread() override { destroyed_.SetEvent(); }

 protected:
  void Execute() override {}

 private:
  TEvent& destroyed_;
};

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  TCriticalSection cs;
  cs.Enter();
  {
    TLockGuard nested(cs);
    bool otherGotIt = true;
    TLambdaThread([&](TLambdaThread&) { otherGotIt = cs.TryEnter(); }).WaitFor();
    EXPECT_FALSE(otherGotIt);
  }
  cs.Leave();
  bool otherGotIt = false;
  TLambdaThread([&](TLambdaThread&) {
    otherGotIt = cs.TryEnter();
    if (otherGotIt)
      cs.Leave();
  }).WaitFor();
  EXPECT_TRUE(otherGotIt);
}

TEST(Event, AutoResetReleasesOneWait) {
  TEvent event(false, false);
  EXPECT_EQ(TWaitResult::wrTimeout, event.WaitFor(0));
  event.SetEvent();
  EXPECT_EQ(TWaitResult::wrSignaled, event.WaitFor(0));
  EXPECT_EQ(TWaitResult::wrTimeout, event.WaitFor(0));
}

TEST(Thread, PriorityValuesAreAppliedAtOnce) {
  const int expected[] = {-15, -2, -1, 0, 1, 2, 15};
  TSpinThread thread;
  thread.Start();
  for (int p = tpIdle; p <= tpTimeCritical; ++p) {
    const auto priority = static_cast<TThreadPriority>(p);
    thread.SetPriority(priority);
    EXPECT_EQ(expected[p], GetThreadPriority(thread.Handle()));
    EXPECT_EQ(priority, thread.Priority());
  }
  thread.Terminate();
  thread.WaitFor();
}

TEST(Thread, TerminateThenWaitForReturnsTheResult) {
  TSpinThread thread;
  thread.Start();
  EXPECT_FALSE(thread.Terminated());
  thread.Terminate();
  EXPECT_TRUE(thread.Terminated());
  thread.Resume();  // starting twice is harmless
  EXPECT_EQ(7u, thread.WaitFor());
  EXPECT_TRUE(thread.Finished());
  EXPECT_FALSE(thread.FatalException());
}

TEST(Thread, DestroyingARunningThreadStopsIt) {
  std::atomic<bool> ran{false};
  auto* thread = new TSpinThread(&ran);
  thread->Start();
  while (!ran)
    Sleep(1);
  HANDLE handle;
  DuplicateHandle(GetCurrentProcess(), thread->Handle(), GetCurrentProcess(), &handle, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  delete thread;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, 0));
  CloseHandle(handle);
}

TEST(Thread, NeverStartedThreadIsFreedWithoutRunning) {
  std::atomic<bool> ran{false};
  delete new TSpinThread(&ran);
  EXPECT_FALSE(ran);
  TSpinThread never;
  EXPECT_THROW(never.WaitFor(), EThread);
}

TEST(Thread, FreeOnTerminateDeletesAfterExecute) {
  TEvent destroyed(true, false);
  new TSelfFreeingThread(destroyed);
  EXPECT_EQ(TWaitResult::wrSignaled, destroyed.WaitFor(5000));
}

TEST(Thread, ExceptionInExecuteBecomesFatalException) {
  TLambdaThread thread([](TLambdaThread&) { throw EConvertError("bad value"); });
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_EQ("bad value", ExceptionMessage(thread.FatalException()));
  // Not only the library's own exceptions.
  TLambdaThread other([](TLambdaThread&) { throw std::runtime_error("std"); });
  other.WaitFor();
  EXPECT_EQ("std", ExceptionMessage(other.FatalException()));
}

TEST(Thread, WaitForOnTheThreadItselfRaises) {
  bool raised = false;
  TLambdaThread thread([&](TLambdaThread& self) {
    try {
      self.WaitFor();
    } catch (const EThread&) {
      raised = true;
    }
  });
  thread.WaitFor();
  EXPECT_TRUE(raised);
}

}  // namespace
