// A thread that runs a lambda, for tests that need a second thread of the
// class library's kind (one that can Synchronize with the main thread).
#pragma once

#include "Threads.h"

#include <functional>

// Runs body as its Execute; starts at once unless start is false.
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
