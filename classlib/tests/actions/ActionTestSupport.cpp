#include "ActionTestSupport.h"

#include <algorithm>

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

namespace {

std::string NameOf(TObject* object) {
  auto* component = dynamic_cast<TComponent*>(object);
  return component ? component->Name() : std::string("?");
}

void Record(const std::string& event) {
  Events().push_back(event);
}

std::string StoredCaption(const TBasicActionLink& link) {
  auto* action = dynamic_cast<TCustomAction*>(link.Action());
  return action ? action->Caption() : "-";
}

}  // namespace

void TEventRecorder::ActionChange(TObject* sender) {
  Record("change " + NameOf(sender));
}

void TEventRecorder::ActionExecute(TObject* sender) {
  Record("execute " + NameOf(sender));
}

void TEventRecorder::OtherExecute(TObject* sender) {
  Record("other execute " + NameOf(sender));
}

void TEventRecorder::ActionUpdate(TObject* sender) {
  Record("update " + NameOf(sender));
}

void TEventRecorder::ApplicationExecute(TObject*, TBasicAction* action, bool& handled) {
  Record("application execute " + action->Name());
  handled = applicationTakes;
}

void TEventRecorder::ApplicationUpdate(TObject*, TBasicAction* action, bool& handled) {
  Record("application update " + action->Name());
  handled = applicationTakes;
}

bool TEventRecorder::WindowHook(TMessage& m) {
  if (m.Msg != CM_ACTIONEXECUTE)
    return false;
  auto* action = reinterpret_cast<TBasicAction*>(m.LParam);
  windowReceived.push_back(action);
  Record("window execute " + action->Name());
  if (!windowTakes)
    return false;
  m.Result = 1;
  return true;
}

// ---- TRecordingLink ----------------------------------------------------------------

VEL_ACTION_LINK_IMPL(TRecordingLink, TActionLink)

void TRecordingLink::SetCaption(const std::string& value) {
  Record("link caption " + value + " while " + StoredCaption(*this));
}

void TRecordingLink::SetHint(const std::string& value) {
  Record("link hint " + value + " while " + CustomAction()->Hint());
}

void TRecordingLink::SetEnabled(bool value) {
  Record("link enabled " + IntToStr(value) + " while " + IntToStr(CustomAction()->Enabled()));
}

void TRecordingLink::SetVisible(bool value) {
  Record("link visible " + IntToStr(value) + " while " + IntToStr(CustomAction()->Visible()));
}

void TRecordingLink::SetChecked(bool value) {
  Record("link checked " + IntToStr(value) + " while " + IntToStr(CustomAction()->Checked()));
}

void TRecordingLink::SetImageIndex(int value) {
  Record("link image " + IntToStr(value) + " while " + IntToStr(CustomAction()->ImageIndex()));
}

void TRecordingLink::SetShortCut(TShortCut value) {
  Record("link shortcut " + IntToStr(value) + " while " + IntToStr(CustomAction()->ShortCut()));
}

void TRecordingLink::SetOnExecute(const TNotifyEvent& value) {
  Record(std::string("link onexecute ") + (value ? "set" : "cleared") + " while " +
         (Action()->OnExecute() ? "set" : "cleared"));
}

// ---- TTestActionList ---------------------------------------------------------------

VEL_COMPONENT_IMPL(TTestActionList, TComponent)

bool TTestActionList::ExecuteAction(TBasicAction* action) {
  Record("list execute " + action->Name());
  return takes;
}

bool TTestActionList::UpdateAction(TBasicAction* action) {
  Record("list update " + action->Name());
  return takes;
}

void TTestActionList::InsertAction(TContainedAction* action) {
  actions.push_back(action);
}

void TTestActionList::RemoveAction(TContainedAction* action) {
  actions.erase(std::remove(actions.begin(), actions.end(), action), actions.end());
}

int TTestActionList::IndexOfAction(const TContainedAction* action) const {
  auto it = std::find(actions.begin(), actions.end(), action);
  return it == actions.end() ? -1 : static_cast<int>(it - actions.begin());
}

void TTestActionList::MoveAction(TContainedAction* action, int index) {
  RemoveAction(action);
  actions.insert(actions.begin() + index, action);
}

// ---- Controls ---------------------------------------------------------------------

namespace {

template <typename C>
void PublishCaptionAndAction(TPublisher<C>& p) {
  p.Property("Caption", &C::Caption, &C::SetCaption);
  p.Property("Action", &C::Action, &C::SetAction);
}

}  // namespace

VEL_COMPONENT_IMPL(TTestActionLabel, TGraphicControl)

void TTestActionLabel::Publish(TPublisher<TTestActionLabel>& p) {
  PublishCaptionAndAction(p);
}

VEL_COMPONENT_IMPL(TTestActionPanel, TWinControl)

void TTestActionPanel::Publish(TPublisher<TTestActionPanel>& p) {
  PublishCaptionAndAction(p);
}

// ---- TActionTestForm ---------------------------------------------------------------

VEL_COMPONENT_IMPL(TActionTestForm, TComponent)

void TActionTestForm::Publish(TPublisher<TActionTestForm>& p) {
  p.Method<&TActionTestForm::OpenExecute>("OpenExecute");
  p.Method<&TActionTestForm::OpenUpdate>("OpenUpdate");
  p.Field<&TActionTestForm::List>("List");
  p.Field<&TActionTestForm::OpenAction>("OpenAction");
  p.Field<&TActionTestForm::HintAction>("HintAction");
  p.Field<&TActionTestForm::EmptyLabel>("EmptyLabel");
  p.Field<&TActionTestForm::OwnLabel>("OwnLabel");
  p.Field<&TActionTestForm::Panel>("Panel");
}

void TActionTestForm::OpenExecute(TObject* sender) {
  Record("form execute " + NameOf(sender));
}

void TActionTestForm::OpenUpdate(TObject* sender) {
  Record("form update " + NameOf(sender));
}

void RegisterActionTestClasses() {
  RegisterActionClasses();
  RegisterClass(TTestActionList::StaticClass());
  RegisterClass(TActionTestForm::StaticClass());
  RegisterClass(TTestActionLabel::StaticClass());
  RegisterClass(TTestActionPanel::StaticClass());
}
