// Stand-ins for what surrounds an action in a program: a list that holds
// actions, a link that records what it hears, controls and a form root for
// form data.
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "TypInfo.h"

#include <string>
#include <vector>

// One shared record of what happened, in order.
std::vector<std::string>& Events();

// Handlers that write to Events(), for binding to events.
struct TEventRecorder {
  void ActionChange(TObject* sender);
  void ActionExecute(TObject* sender);
  void OtherExecute(TObject* sender);
  void ActionUpdate(TObject* sender);
  // The application's OnActionExecute/OnActionUpdate.
  void ApplicationExecute(TObject* sender, TBasicAction* action, bool& handled);
  void ApplicationUpdate(TObject* sender, TBasicAction* action, bool& handled);
  // A hook of the application window: records CM_ACTIONEXECUTE and takes it
  // with Result 1 while windowTakes says so.
  bool WindowHook(TMessage& m);

  bool applicationTakes = false;
  bool windowTakes = true;
  std::vector<TBasicAction*> windowReceived;
};

// A link that records each value it is handed together with the value the
// action still stores at that moment.
class TRecordingLink : public TActionLink {
  VEL_CLASS(TRecordingLink, TActionLink)

 public:
  using TActionLink::TActionLink;
  void SetCaption(const std::string& value) override;
  void SetHint(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;
  void SetChecked(bool value) override;
  void SetImageIndex(int value) override;
  void SetShortCut(TShortCut value) override;
  void SetOnExecute(const TNotifyEvent& value) override;
};

// An action list in the small: keeps its actions in order, answers
// ExecuteAction/UpdateAction as told and records the calls.
class TTestActionList : public TComponent, public IActionContainer {
  VEL_CLASS(TTestActionList, TComponent)

 public:
  using TComponent::TComponent;

  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void InsertAction(TContainedAction* action) override;
  void RemoveAction(TContainedAction* action) override;
  int IndexOfAction(const TContainedAction* action) const override;
  void MoveAction(TContainedAction* action, int index) override;

  std::vector<TContainedAction*> actions;
  bool takes = false;
};

// Controls as form data declares them, with a caption and an action.
class TTestActionLabel : public TGraphicControl {
  VEL_CLASS(TTestActionLabel, TGraphicControl)
  static void Publish(TPublisher<TTestActionLabel>& p);

 public:
  using TGraphicControl::TGraphicControl;
};

class TTestActionPanel : public TWinControl {
  VEL_CLASS(TTestActionPanel, TWinControl)
  static void Publish(TPublisher<TTestActionPanel>& p);

 public:
  using TWinControl::TWinControl;
};

// A form root for form data: publishes the handlers and fields the test
// forms use.
class TActionTestForm : public TComponent {
  VEL_CLASS(TActionTestForm, TComponent)
  static void Publish(TPublisher<TActionTestForm>& p);

 public:
  using TComponent::TComponent;
  void OpenExecute(TObject* sender);
  void OpenUpdate(TObject* sender);

  TTestActionList* List = nullptr;
  TAction* OpenAction = nullptr;
  THintAction* HintAction = nullptr;
  TTestActionLabel* EmptyLabel = nullptr;
  TTestActionLabel* OwnLabel = nullptr;
  TTestActionPanel* Panel = nullptr;
};

// Registers the stand-ins and the action classes for FindClass.
void RegisterActionTestClasses();
