// Helpers shared by the thread tests: a thread running a lambda, and a main
// thread message pump.
#pragma once

#include "Forms.h"
#include "Threads.h"

#include <functional>

// Runs body as its Execute; starts at once.
class TLambdaThread : public TThread {
 public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body, bool start = true)
      : TThread(true), body_(std::move(body)) {
    if (start)
      Start();
  }
  // body_ dies before the base destructor would wait, so stop here.
  ~TLambdaThread() override {
    if (!Started())
      return;
    Terminate();
    WaitFor();
  }
  using TThread::Synchronize;
  using TThread::Terminated;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TLambdaThread&)> body_;
};

// The application loop, run until a condition holds or a time-out passes.
using classlib::PumpUntil;
