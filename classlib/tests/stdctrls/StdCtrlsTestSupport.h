// A shown, active form that hosts each test's controls, a log of the events
// they raise, and helpers that act as the user would.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class StdCtrlsTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A control owned and parented by the form.
  template <typename T>
  T* Add(const std::string& name, const TRect& bounds = Bounds(8, 8, 120, 24)) {
    T* c = Create<T>(form_.get());
    c->SetName(name);
    c->SetBoundsRect(bounds);
    c->SetParent(form_.get());
    return c;
  }
  // Logs "Name:click" (and change, select, keypress) for control's events.
  void Watch(TControl* control);
  void Watch(TCustomEdit* edit);
  void Watch(TCustomComboBox* combo);
  // A notification from the child window, as its parent receives it.
  void Notify(TWinControl* child, WORD code);
  void Focus(TWinControl* control);

  TOwned<TForm> form_;
  std::vector<std::string> log_;

 private:
  void Click(TObject* sender) { Record(sender, "click"); }
  void Change(TObject* sender) { Record(sender, "change"); }
  void Select(TObject* sender) { Record(sender, "select"); }
  void KeyPress(TObject* sender, char& key) { Record(sender, std::string("key ") + key); }
  void Record(TObject* sender, const std::string& event);
};

// The messages a control's own chain sees, counted by a WindowProc put in
// front of the control's own.
class TMessageCounter {
 public:
  explicit TMessageCounter(TControl* control);
  ~TMessageCounter();
  int Count(UINT msg) const;

 private:
  void Proc(TMessage& m);

  TControl* control_;
  TWndMethod previous_;
  std::vector<UINT> seen_;
};
