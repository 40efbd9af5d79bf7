// A form that hosts the controls under test, and a spy on a control's own
// message chain.
#pragma once

#include "ComCtrls.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// What a spy saw: the message and, for text-carrying ones, the text.
struct TSeen {
  UINT Msg;
  WPARAM WParam;
  std::string Text;
};

// Sits in front of a control's WindowProc; Edit may change a message before
// the control sees it.
class TSpy {
 public:
  explicit TSpy(TControl* control);
  ~TSpy();
  TSpy(const TSpy&) = delete;
  TSpy& operator=(const TSpy&) = delete;

  std::vector<TSeen> Of(UINT msg) const;
  void Clear() { seen_.clear(); }
  std::function<void(TMessage&)> Edit;

 private:
  void Proc(TMessage& m);
  TControl* control_;
  TWndMethod previous_;
  std::vector<TSeen> seen_;
};

class ComCtrlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A control of the form at bounds, its window made.
  template <typename T>
  T* Add(const TRect& bounds) {
    T* c = Create<T>(form_);
    c->SetBoundsRect(bounds);
    c->SetParent(form_);
    return c;
  }
  // Shows the form and waits until it is active and painted.
  void ShowForm();

  TForm* form_ = nullptr;
};

// Clicks at a client point of window with real mouse messages.
void ClickAt(HWND window, const TPoint& p);
