// Actions and action links: a command with its caption, hint and state held
// in one component, and the links that keep the controls using it in step.
//
// An action hands every change of Caption, Hint, Enabled, Visible, Checked,
// ImageIndex, ShortCut and OnExecute to each of its links *before* it stores
// the new value, then signals Change. A link passes the value on to its
// client only while the client's own value still equals the action's
// (IsCaptionLinked and friends), which it can tell precisely because the old
// value is still in place when it is asked. An unchanged value does nothing.
//
// Execute asks, in this order: the action's list (TComponent::ExecuteAction),
// the application's action handler, the action's OnExecute, and finally the
// application window with CM_ACTIONEXECUTE (lParam the action; a Result of 1
// means someone executed it). The application object lives above this module
// and installs its part with SetActionDispatcher.
#pragma once

#include "Classes.h"
#include "ImgList.h"
#include "Messages.h"
#include "Win.h"

#include <cstdint>
#include <string>
#include <vector>

class TBasicAction;
class TBasicActionLink;
class TContainedAction;
class TControl;
class TWinControl;

// A key with its modifiers (scCtrl | 'S'), as menus show and handle it.
using TShortCut = uint16_t;

// ---- The application's side -----------------------------------------------------

// What actions need of the application object. The application installs it
// when it starts and removes it (an empty dispatcher) when it goes; until
// then actions run on their own handlers only.
struct TActionDispatcher {
  using THandler = TClosure<bool(TBasicAction* action)>;
  // The application's own action handlers; true when they took the action.
  THandler Execute;
  THandler Update;
  // The window that receives CM_ACTIONEXECUTE; 0 when there is none.
  TClosure<HWND()> Window;
};
void SetActionDispatcher(const TActionDispatcher& dispatcher);

// ---- Link classes ---------------------------------------------------------------

// The metaclass of a link class, which can also make a link for a client.
// Link classes use VEL_ACTION_LINK_IMPL in place of VEL_CLASS_IMPL.
class TActionLinkClass : public TMetaClass {
 public:
  using LinkFactory = TBasicActionLink* (*)(TObject* client);
  TActionLinkClass(const char* name, const TMetaClass* parent, LinkFactory factory,
                   PublishedTable published);

  TBasicActionLink* CreateLink(TObject* client) const { return factory_(client); }
  // The link metaclass behind meta; null when meta is no link class.
  static const TActionLinkClass* Of(const TMetaClass* meta);

 private:
  LinkFactory factory_;
};

#define VEL_ACTION_LINK_IMPL(Name, Parent)                                         \
  const TMetaClass& Name::StaticClass() {                                          \
    static const TActionLinkClass meta(                                            \
        #Name, &Parent::StaticClass(),                                             \
        [](TObject* client) -> TBasicActionLink* { return Create<Name>(client); }, \
        TPublishedAccess::TableOf<Name>());                                        \
    return meta;                                                                   \
  }

// A new link of class linkClass for client (GetActionLinkClass() of a
// control). Raises EInvalidCast when linkClass is no link class.
TBasicActionLink* CreateActionLink(const TMetaClass* linkClass, TObject* client);

// ---- Actions --------------------------------------------------------------------

class TBasicAction : public TComponent {
  VEL_CLASS(TBasicAction, TComponent)

 public:
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;

  // True when someone executed the action (see the top of this file).
  virtual bool Execute();
  // The application's update handler, else OnUpdate; true when one ran.
  virtual bool Update();

  // A property rather than a plain event: the links hear of a new handler
  // before it is stored, like any other linked value.
  const TNotifyEvent& OnExecute() const { return onExecute_; }
  void SetOnExecute(const TNotifyEvent& value);
  TNotifyEvent OnUpdate;
  // Raised by Change after any linked value changed.
  TNotifyEvent OnChange;

  // The component that started the running Execute through its link; null
  // outside it. Not watched for destruction: a free notification here would
  // undo the one the client itself holds on the action.
  TComponent* ActionComponent() const { return actionComponent_; }

  // The links, in registration order.
  int ClientCount() const { return static_cast<int>(clients_.size()); }
  TBasicActionLink* Clients(int index) const;  // EListError out of range

 protected:
  virtual void Change();
  // Calls tell on each link that is still registered when its turn comes;
  // a link may unregister itself or others meanwhile.
  template <typename F>
  void ForEachLink(F tell);

 private:
  friend class TBasicActionLink;
  void RegisterChanges(TBasicActionLink* link);
  void UnRegisterChanges(TBasicActionLink* link);
  bool IsRegistered(const TBasicActionLink* link) const;
  bool SendToApplicationWindow();

  std::vector<TBasicActionLink*> clients_;
  TNotifyEvent onExecute_;
  TComponent* actionComponent_ = nullptr;
};

template <typename F>
void TBasicAction::ForEachLink(F tell) {
  const std::vector<TBasicActionLink*> snapshot = clients_;
  for (TBasicActionLink* link : snapshot) {
    if (IsRegistered(link))
      tell(link);
  }
}

// What an action needs of the list that holds it. The action list implements
// it beside TComponent; its ExecuteAction/UpdateAction (TComponent's
// virtuals) come first in the action's Execute/Update. The action calls
// InsertAction/RemoveAction from SetActionList; they keep the list's order
// only and must not call back.
class IActionContainer {
 public:
  virtual void InsertAction(TContainedAction* action) = 0;  // at the end
  virtual void RemoveAction(TContainedAction* action) = 0;
  virtual int IndexOfAction(const TContainedAction* action) const = 0;
  virtual void MoveAction(TContainedAction* action, int index) = 0;

 protected:
  ~IActionContainer() = default;
};

class TContainedAction : public TBasicAction {
  VEL_CLASS(TContainedAction, TBasicAction)
  static void Publish(TPublisher<TContainedAction>& p);

 public:
  using TBasicAction::TBasicAction;
  ~TContainedAction() override;

  bool Execute() override;
  bool Update() override;

  // The list holding the action; it must implement IActionContainer
  // (EInvalidCast otherwise). Cleared when the list is destroyed.
  TComponent* ActionList() const { return actionList_; }
  void SetActionList(TComponent* list);
  // The place in the list; -1 without one.
  int Index() const;
  void SetIndex(int index);
  const std::string& Category() const { return category_; }
  void SetCategory(const std::string& value);

  void BeforeDestruction() override;

 protected:
  // Form data puts the actions of a list inside its block.
  void SetParentComponent(TComponent* parent) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  IActionContainer* Container() const;

  TComponent* actionList_ = nullptr;
  std::string category_;
};

class TCustomAction : public TContainedAction {
  VEL_CLASS(TCustomAction, TContainedAction)

 public:
  using TContainedAction::TContainedAction;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value);

  // From another action: every property through its setter, the handlers too.
  void Assign(TPersistent* source) override;

 private:
  // The order every linked setter keeps: links, store, Change.
  template <typename T, typename Tell>
  void ChangeLinked(T& field, const T& value, Tell tell);

  std::string caption_;
  std::string hint_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  int imageIndex_ = -1;
  TShortCut shortCut_ = 0;
};

// The action that form data declares.
class TAction : public TCustomAction {
  VEL_CLASS(TAction, TCustomAction)
  static void Publish(TPublisher<TAction>& p);

 public:
  using TCustomAction::TCustomAction;
};

// Carries the application hint to whoever shows it (CM_ACTIONEXECUTE).
class TCustomHintAction : public TCustomAction {
  VEL_CLASS(TCustomHintAction, TCustomAction)

 public:
  using TCustomAction::TCustomAction;
};

class THintAction : public TCustomHintAction {
  VEL_CLASS(THintAction, TCustomHintAction)
  static void Publish(TPublisher<THintAction>& p);

 public:
  using TCustomHintAction::TCustomHintAction;
};

// ---- Action lists ---------------------------------------------------------------

using TActionEvent = TClosure<void(TObject* sender, TBasicAction* action, bool& handled)>;

// Holds a form's actions in order. Its OnExecute and OnUpdate come before the
// actions' own handlers, since an action asks its list first.
class TActionList : public TComponent, public IActionContainer {
  VEL_CLASS(TActionList, TComponent)
  static void Publish(TPublisher<TActionList>& p);

 public:
  explicit TActionList(TComponent* owner);
  ~TActionList() override;

  int ActionCount() const { return static_cast<int>(actions_.size()); }
  TContainedAction* Actions(int index) const;  // EListError out of range

  TCustomImageList* Images() const { return imagesLink_.Sender(); }
  void SetImages(TCustomImageList* value);

  // OnExecute/OnUpdate; true when the handler set handled.
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;

  // IActionContainer.
  void InsertAction(TContainedAction* action) override;
  void RemoveAction(TContainedAction* action) override;
  int IndexOfAction(const TContainedAction* action) const override;
  void MoveAction(TContainedAction* action, int index) override;

 private:
  std::vector<TContainedAction*> actions_;
  TChangeLink imagesLink_;
};

// One idle pass of action updates: while one is open, Claim answers true
// only the first time it is asked about an action, so each is updated once
// however many clients share it. Outside a pass every claim succeeds.
// Passes nest; the outermost one decides.
class TActionUpdatePass {
 public:
  TActionUpdatePass();
  ~TActionUpdatePass();
  TActionUpdatePass(const TActionUpdatePass&) = delete;
  TActionUpdatePass& operator=(const TActionUpdatePass&) = delete;

  static bool Claim(TBasicAction* action);

 private:
  TActionUpdatePass* outer_;
  std::vector<TBasicAction*> updated_;
};

// Makes the action, action list and link classes known to FindClass (form
// data).
void RegisterActionClasses();

// ---- Links ----------------------------------------------------------------------

// Connects a client (a control, a menu item) to an action.
class TBasicActionLink : public TObject {
  VEL_CLASS(TBasicActionLink, TObject)

 public:
  explicit TBasicActionLink(TObject* client);
  ~TBasicActionLink() override;

  TBasicAction* Action() const { return action_; }
  // Moves the registration to the new action; the client copies its state
  // itself (ActionChange).
  virtual void SetAction(TBasicAction* value);
  // The action's Execute, with target as its ActionComponent meanwhile.
  virtual bool Execute(TComponent* target = nullptr);
  virtual bool Update();

  // Tells the client to copy the whole state of the action again: raises
  // OnChange with the action as sender. Single values reach the client
  // through the setters below instead, which respect what is still linked.
  virtual void Change();
  TNotifyEvent OnChange;

  // Whether the client's handler is still the action's.
  virtual bool IsOnExecuteLinked();
  virtual void SetOnExecute(const TNotifyEvent& value);

 private:
  friend class TBasicAction;
  TBasicAction* action_ = nullptr;
};

// Points a client's own link (a control's, a menu item's) at action: the link
// is made from linkClass on first use and dropped with no action. A link
// class that makes no TLink raises EInvalidCast.
template <typename TLink>
void SetClientAction(TOwned<TLink>& link, const TMetaClass* linkClass, TObject* client,
                     TBasicAction* action, const TNotifyEvent& onChange) {
  if (!action) {
    link.reset();
    return;
  }
  if (!link) {
    TBasicActionLink* made = CreateActionLink(linkClass, client);
    link.reset(dynamic_cast<TLink*>(made));
    if (!link) {
      made->Free();
      throw EInvalidCast("Invalid class typecast");
    }
  }
  link->OnChange = onChange;
  link->SetAction(action);
}

// A client's click: its own OnClick, or the linked action when OnClick is
// still the action's handler (or there is none).
void ClickClient(TComponent* client, const TNotifyEvent& onClick, TBasicActionLink* link);

// The link of TCustomAction clients. "Linked" means the client's value still
// equals the action's; the setters pass a value on only while it is. The
// base answers whether the action has such a value at all and sets nothing.
class TActionLink : public TBasicActionLink {
  VEL_CLASS(TActionLink, TBasicActionLink)

 public:
  using TBasicActionLink::TBasicActionLink;

  virtual bool IsCaptionLinked();
  virtual bool IsHintLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsVisibleLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual void SetCaption(const std::string& value);
  virtual void SetHint(const std::string& value);
  virtual void SetEnabled(bool value);
  virtual void SetVisible(bool value);
  virtual void SetChecked(bool value);
  virtual void SetImageIndex(int value);
  virtual void SetShortCut(TShortCut value);

 protected:
  // The action as a TCustomAction; null for other actions.
  TCustomAction* CustomAction() const;
};

// The link of controls: caption, hint, enabled, visible and the OnClick
// handler follow the action.
class TControlActionLink : public TActionLink {
  VEL_CLASS(TControlActionLink, TActionLink)

 public:
  // client must be a TControl (EInvalidCast otherwise).
  explicit TControlActionLink(TObject* client);

  bool IsCaptionLinked() override;
  bool IsHintLinked() override;
  bool IsEnabledLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetCaption(const std::string& value) override;
  void SetHint(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;
  void SetOnExecute(const TNotifyEvent& value) override;

 protected:
  TControl* Client() const { return client_; }

 private:
  TControl* client_;
};

// The link of windowed controls.
class TWinControlActionLink : public TControlActionLink {
  VEL_CLASS(TWinControlActionLink, TControlActionLink)

 public:
  // client must be a TWinControl (EInvalidCast otherwise).
  explicit TWinControlActionLink(TObject* client);
};
