// Wide actions: actions with wide (UTF-16) Caption and Hint, and the links
// that hand those wide texts to the controls and menu items using an action.
//
// The wide text of an action lives in a helper component the action owns,
// beside the class library's 8-bit text, and counts only while it converts to
// that 8-bit text: code that sets only the 8-bit text (the class library, form
// data with 8-bit strings) wins at the next read.
//
// The class library's action hands a new 8-bit value to its links before it
// stores it. While a wide value is being set, a link therefore finds the old
// 8-bit text still in place: reading the action's wide text then gives the
// old wide text (so the link can tell whether its client still shows it),
// and WideActionCaptionForLink/WideActionHintForLink give the new one.
#pragma once

#include "ActnList.h"
#include "ComCtrls.h"
#include "Controls.h"
#include "StdCtrls.h"

#include <string>

// The mark of actions with wide texts. An action without it is served from
// its 8-bit Caption and Hint alone.
class IWideAction {
 protected:
  ~IWideAction() = default;
};

// ---- The wide texts of an action ------------------------------------------------------

// One wide text of an action and the state of a change in progress.
struct TWideActionText {
  // Valid while its 8-bit conversion equals the action's 8-bit text.
  std::wstring Wide;
  // True while the text is being set.
  bool Setting = false;
  // The wide text as read just before the running change.
  std::wstring Previous;
  // The 8-bit conversion of the text being set.
  std::string PendingAnsi;
};

// The wide texts of one wide action; owned by the action, made on first use.
class TCustomActionHelper : public TComponent {
  VEL_CLASS(TCustomActionHelper, TComponent)
 public:
  explicit TCustomActionHelper(TCustomAction* action);

  TCustomAction* Action() const { return action_; }
  TWideActionText Caption;
  TWideActionText Hint;

 private:
  TCustomAction* action_;
};

// Null for an action without IWideAction; otherwise its helper, made when
// missing. A null action fails an assertion.
TCustomActionHelper* FindWideActionHelper(TCustomAction* action);

std::wstring GetWideActionCaption(TCustomAction* action);
// An unchanged value does nothing. A value whose 8-bit form is the 8-bit text
// already is preceded by an empty 8-bit text, so that the links and Change
// see a change at all. The setting state is reset whatever a client raises.
void SetWideActionCaption(TCustomAction* action, const std::wstring& value);
std::wstring GetWideActionHint(TCustomAction* action);
void SetWideActionHint(TCustomAction* action, const std::wstring& value);
// What a link hands its client for the 8-bit value it received (widened):
// the new wide text while a wide change is handing out its 8-bit form.
std::wstring WideActionCaptionForLink(TCustomAction* action, const std::wstring& value);
std::wstring WideActionHintForLink(TCustomAction* action, const std::wstring& value);
// After an inherited Assign: the 8-bit texts become the conversions of the
// source's wide texts (a wide action's or a control's).
void AssignWideActionText(TCustomAction* action, TPersistent* source);

// ---- Wide actions ---------------------------------------------------------------------

class TUcAction : public TAction, public IWideAction {
  VEL_CLASS(TUcAction, TAction)
  static void Publish(TPublisher<TUcAction>& p);

 public:
  using TAction::TAction;

  // Hide the 8-bit pair, which stays reachable through TCustomAction.
  std::wstring Caption() { return GetWideActionCaption(this); }
  void SetCaption(const std::wstring& value) { SetWideActionCaption(this, value); }
  std::wstring Hint() { return GetWideActionHint(this); }
  void SetHint(const std::wstring& value) { SetWideActionHint(this, value); }

  void DefineProperties(TFiler& filer) override;
  void Assign(TPersistent* source) override;
};

// Carries the application's wide hint to whoever shows hints.
class TUcHintAction : public THintAction, public IWideAction {
  VEL_CLASS(TUcHintAction, THintAction)
  static void Publish(TPublisher<TUcHintAction>& p);

 public:
  using THintAction::THintAction;

  std::wstring Hint() { return GetWideActionHint(this); }
  void SetHint(const std::wstring& value) { SetWideActionHint(this, value); }

  void DefineProperties(TFiler& filer) override;
  void Assign(TPersistent* source) override;
};

// The list the forms keep their wide actions in.
class TUcActionList : public TActionList {
  VEL_CLASS(TUcActionList, TActionList)
 public:
  using TActionList::TActionList;
};

// ---- Links of wide controls -------------------------------------------------------------

// A control link that compares and delivers wide texts: caption and hint
// count as linked while the client's wide text equals the action's exactly.
template <typename Base>
class TWideControlActionLink : public Base {
 public:
  using Base::Base;

  bool IsCaptionLinked() override;
  bool IsHintLinked() override;
  void SetCaption(const std::string& value) override;
  void SetHint(const std::string& value) override;
};

class TUcControlActionLink : public TWideControlActionLink<TControlActionLink> {
  VEL_CLASS(TUcControlActionLink, TControlActionLink)
 public:
  using TWideControlActionLink::TWideControlActionLink;
};

class TUcWinControlActionLink : public TWideControlActionLink<TWinControlActionLink> {
  VEL_CLASS(TUcWinControlActionLink, TWinControlActionLink)
 public:
  using TWideControlActionLink::TWideControlActionLink;
};

class TUcButtonActionLink : public TWideControlActionLink<TButtonActionLink> {
  VEL_CLASS(TUcButtonActionLink, TButtonActionLink)
 public:
  using TWideControlActionLink::TWideControlActionLink;
};

class TUcToolButtonActionLink : public TWideControlActionLink<TToolButtonActionLink> {
  VEL_CLASS(TUcToolButtonActionLink, TToolButtonActionLink)
 public:
  using TWideControlActionLink::TWideControlActionLink;
};

// From a wide control's GetActionLinkClass, with the inherited result: the
// wide link of the control's kind (tool button, button control, windowed
// control, any control). An inherited class that is not the wide link's
// parent fails an assertion.
const TMetaClass* GetWideActionLinkClass(const TControl* control, const TMetaClass* inherited);
// From a wide control's ActionChange, before the inherited one: the wide
// caption (unless checkDefaults finds one of the control's own) and the wide
// hint (likewise) of a wide action.
void WideActionChange(TControl* control, TObject* sender, bool checkDefaults);

// Makes the wide action classes known to the component reader.
void RegisterUcActionClasses();
