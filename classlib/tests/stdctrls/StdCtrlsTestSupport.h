// A shown, active form that hosts each test's controls, a log of the events
// they raise, and helpers that act as the user would.
#pragma once

#include "ControlTestSupport.h"
#include "StdCtrls.h"

#include <string>

class StdCtrlsTest : public ActiveFormTest {
 protected:
  StdCtrlsTest() : ActiveFormTest(TSize(400, 300)) {}

  // Logs "Name:click" (and change, keypress) for control's events.
  void Watch(TControl* control);
  void Watch(TCustomEdit* edit);
  void Watch(TCustomComboBox* combo);
  // A notification from the child window, as its parent receives it.
  void Notify(TWinControl* child, WORD code);
  void Focus(TWinControl* control);

 private:
  void Click(TObject* sender) { Record(sender, "click"); }
  void Change(TObject* sender) { Record(sender, "change"); }
  void KeyPress(TObject* sender, char& key) { Record(sender, std::string("key ") + key); }
};
