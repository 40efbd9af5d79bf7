#include "ActnList.h"

#include "Controls.h"
#include "TypInfo.h"

#include <algorithm>

// ---- The application's side -----------------------------------------------------

namespace {

TActionDispatcher& Dispatcher() {
  static TActionDispatcher dispatcher;
  return dispatcher;
}

// Every link metaclass made so far, so that a plain metaclass pointer can be
// checked before it is treated as one.
std::vector<const TActionLinkClass*>& LinkClasses() {
  static std::vector<const TActionLinkClass*> classes;
  return classes;
}

}  // namespace

void SetActionDispatcher(const TActionDispatcher& dispatcher) {
  Dispatcher() = dispatcher;
}

// ---- Link classes ---------------------------------------------------------------

TActionLinkClass::TActionLinkClass(const char* name, const TMetaClass* parent, LinkFactory factory,
                                   PublishedTable published)
    : TMetaClass(name, parent, nullptr, published), factory_(factory) {
  LinkClasses().push_back(this);
}

const TActionLinkClass* TActionLinkClass::Of(const TMetaClass* meta) {
  const auto& classes = LinkClasses();
  auto it = std::find(classes.begin(), classes.end(), meta);
  return it == classes.end() ? nullptr : *it;
}

TBasicActionLink* CreateActionLink(const TMetaClass* linkClass, TObject* client) {
  const TActionLinkClass* meta = TActionLinkClass::Of(linkClass);
  if (!meta)
    throw EInvalidCast("Invalid class typecast");
  return meta->CreateLink(client);
}

// ---- TBasicAction ---------------------------------------------------------------

VEL_COMPONENT_IMPL(TBasicAction, TComponent)

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

bool TBasicAction::Execute() {
  const TActionDispatcher& dispatcher = Dispatcher();
  if (dispatcher.Execute && dispatcher.Execute(this))
    return true;
  if (onExecute_) {
    onExecute_(this);
    return true;
  }
  return SendToApplicationWindow();
}

bool TBasicAction::SendToApplicationWindow() {
  const TActionDispatcher& dispatcher = Dispatcher();
  const HWND window = dispatcher.Window ? dispatcher.Window() : nullptr;
  return window && SendMessageA(window, CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(this)) == 1;
}

bool TBasicAction::Update() {
  const TActionDispatcher& dispatcher = Dispatcher();
  if (dispatcher.Update && dispatcher.Update(this))
    return true;
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return false;
}

void TBasicAction::SetOnExecute(const TNotifyEvent& value) {
  if (value == onExecute_)
    return;
  ForEachLink([&](TBasicActionLink* link) { link->SetOnExecute(value); });
  onExecute_ = value;
  Change();
}

TBasicActionLink* TBasicAction::Clients(int index) const {
  if (index < 0 || index >= ClientCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return clients_[index];
}

TBasicAction::~TBasicAction() {
  // Clients heard of the destruction in BeforeDestruction and dropped their
  // links the usual way; whatever links are left lose their action here.
  for (TBasicActionLink* link : clients_)
    link->action_ = nullptr;
}

void TBasicAction::Change() {
  if (OnChange)
    OnChange(this);
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
  clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), link), clients_.end());
}

bool TBasicAction::IsRegistered(const TBasicActionLink* link) const {
  return std::find(clients_.begin(), clients_.end(), link) != clients_.end();
}

// ---- TContainedAction -----------------------------------------------------------

VEL_COMPONENT_IMPL(TContainedAction, TBasicAction)

void TContainedAction::Publish(TPublisher<TContainedAction>& p) {
  p.Property("Category", &TContainedAction::Category, &TContainedAction::SetCategory);
}

bool TContainedAction::Execute() {
  if (actionList_ && actionList_->ExecuteAction(this))
    return true;
  return TBasicAction::Execute();
}

bool TContainedAction::Update() {
  if (actionList_ && actionList_->UpdateAction(this))
    return true;
  return TBasicAction::Update();
}

void TContainedAction::SetActionList(TComponent* list) {
  if (list == actionList_)
    return;
  IActionContainer* container = list ? dynamic_cast<IActionContainer*>(list) : nullptr;
  if (list && !container)
    throw EInvalidCast("Invalid class typecast");
  if (actionList_) {
    Container()->RemoveAction(this);
    actionList_->RemoveFreeNotification(this);
    actionList_ = nullptr;
  }
  if (container) {
    container->InsertAction(this);
    actionList_ = list;
    list->FreeNotification(this);
  }
}

int TContainedAction::Index() const {
  return actionList_ ? Container()->IndexOfAction(this) : -1;
}

void TContainedAction::SetIndex(int index) {
  if (actionList_ && index != Index())
    Container()->MoveAction(this, index);
}

void TContainedAction::SetCategory(const std::string& value) {
  if (value == category_)
    return;
  category_ = value;
  Change();
}

TContainedAction::~TContainedAction() {
  // Normally done in BeforeDestruction; the list must not keep a dangling
  // action when that did not run.
  try {
    SetActionList(nullptr);
  } catch (...) {
    // Destructors never throw.
  }
}

void TContainedAction::BeforeDestruction() {
  // The list lets go while the action is still whole.
  SetActionList(nullptr);
  TBasicAction::BeforeDestruction();
}

void TContainedAction::SetParentComponent(TComponent* parent) {
  if (dynamic_cast<IActionContainer*>(parent))
    SetActionList(parent);
}

void TContainedAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == actionList_)
    actionList_ = nullptr;
}

IActionContainer* TContainedAction::Container() const {
  return dynamic_cast<IActionContainer*>(actionList_);
}

// ---- TCustomAction and its descendants ------------------------------------------

VEL_COMPONENT_IMPL(TCustomAction, TContainedAction)

template <typename T, typename Tell>
void TCustomAction::ChangeLinked(T& field, const T& value, Tell tell) {
  if (field == value)
    return;
  ForEachLink([&](TBasicActionLink* link) {
    if (auto* actionLink = dynamic_cast<TActionLink*>(link))
      (actionLink->*tell)(value);
  });
  field = value;
  Change();
}

void TCustomAction::SetCaption(const std::string& value) {
  ChangeLinked(caption_, value, &TActionLink::SetCaption);
}

void TCustomAction::SetHint(const std::string& value) {
  ChangeLinked(hint_, value, &TActionLink::SetHint);
}

void TCustomAction::SetEnabled(bool value) {
  ChangeLinked(enabled_, value, &TActionLink::SetEnabled);
}

void TCustomAction::SetVisible(bool value) {
  ChangeLinked(visible_, value, &TActionLink::SetVisible);
}

void TCustomAction::SetChecked(bool value) {
  ChangeLinked(checked_, value, &TActionLink::SetChecked);
}

void TCustomAction::SetImageIndex(int value) {
  ChangeLinked(imageIndex_, value, &TActionLink::SetImageIndex);
}

void TCustomAction::SetShortCut(TShortCut value) {
  ChangeLinked(shortCut_, value, &TActionLink::SetShortCut);
}

void TCustomAction::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCustomAction*>(source);
  if (!other) {
    TContainedAction::Assign(source);
    return;
  }
  SetCaption(other->Caption());
  SetHint(other->Hint());
  SetEnabled(other->Enabled());
  SetVisible(other->Visible());
  SetChecked(other->Checked());
  SetImageIndex(other->ImageIndex());
  SetShortCut(other->ShortCut());
  SetCategory(other->Category());
  SetTag(other->Tag());
  SetOnExecute(other->OnExecute());
  OnUpdate = other->OnUpdate;
}

VEL_COMPONENT_IMPL(TAction, TCustomAction)

void TAction::Publish(TPublisher<TAction>& p) {
  p.Property("Caption", &TAction::Caption, &TAction::SetCaption);
  p.Property("Checked", &TAction::Checked, &TAction::SetChecked);
  p.Property("Enabled", &TAction::Enabled, &TAction::SetEnabled);
  p.Property("Hint", &TAction::Hint, &TAction::SetHint);
  p.Property("ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex);
  p.Property("ShortCut", &TAction::ShortCut, &TAction::SetShortCut);
  p.Property("Tag", &TAction::Tag, &TAction::SetTag);
  p.Property("Visible", &TAction::Visible, &TAction::SetVisible);
  p.Property("OnExecute", &TAction::OnExecute, &TAction::SetOnExecute);
  p.Event("OnUpdate", &TAction::OnUpdate);
}

VEL_COMPONENT_IMPL(TCustomHintAction, TCustomAction)

VEL_COMPONENT_IMPL(THintAction, TCustomHintAction)

void THintAction::Publish(TPublisher<THintAction>& p) {
  p.Property("Hint", &THintAction::Hint, &THintAction::SetHint);
}

// ---- TActionList -------------------------------------------------------------------

VEL_COMPONENT_IMPL(TActionList, TComponent)

TActionList::TActionList(TComponent* owner) : TComponent(owner) {}

TActionList::~TActionList() {
  // Normally the actions heard of the end through their free notification.
  for (TContainedAction* action : std::vector<TContainedAction*>(actions_))
    action->SetActionList(nullptr);
}

TContainedAction* TActionList::Actions(int index) const {
  if (index < 0 || index >= ActionCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return actions_[index];
}

void TActionList::SetImages(TCustomImageList* value) {
  ChangeLinkedImages(this, imagesLink_, value);
}

bool TActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (OnExecute)
    OnExecute(this, action, handled);
  return handled;
}

bool TActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (OnUpdate)
    OnUpdate(this, action, handled);
  return handled;
}

void TActionList::InsertAction(TContainedAction* action) {
  actions_.push_back(action);
}

void TActionList::RemoveAction(TContainedAction* action) {
  actions_.erase(std::remove(actions_.begin(), actions_.end(), action), actions_.end());
}

int TActionList::IndexOfAction(const TContainedAction* action) const {
  const auto it = std::find(actions_.begin(), actions_.end(), action);
  return it == actions_.end() ? -1 : static_cast<int>(it - actions_.begin());
}

void TActionList::MoveAction(TContainedAction* action, int index) {
  const int from = IndexOfAction(action);
  if (from < 0)
    return;
  actions_.erase(actions_.begin() + from);
  index = std::clamp(index, 0, ActionCount());
  actions_.insert(actions_.begin() + index, action);
}

void TActionList::Publish(TPublisher<TActionList>& p) {
  p.Property("Images", &TActionList::Images, &TActionList::SetImages);
  p.Event("OnExecute", &TActionList::OnExecute);
  p.Event("OnUpdate", &TActionList::OnUpdate);
}

// ---- TActionUpdatePass --------------------------------------------------------------

namespace {
TActionUpdatePass* currentPass = nullptr;
}  // namespace

TActionUpdatePass::TActionUpdatePass() : outer_(currentPass) {
  if (!outer_)
    currentPass = this;
}

TActionUpdatePass::~TActionUpdatePass() {
  if (!outer_)
    currentPass = nullptr;
}

bool TActionUpdatePass::Claim(TBasicAction* action) {
  if (!currentPass || !action)
    return action != nullptr;
  auto& updated = currentPass->updated_;
  if (std::find(updated.begin(), updated.end(), action) != updated.end())
    return false;
  updated.push_back(action);
  return true;
}

void RegisterActionClasses() {
  for (const TMetaClass* meta :
       {&TBasicAction::StaticClass(), &TContainedAction::StaticClass(), &TActionList::StaticClass(),
        &TCustomAction::StaticClass(), &TAction::StaticClass(), &TCustomHintAction::StaticClass(),
        &THintAction::StaticClass(), &TBasicActionLink::StaticClass(), &TActionLink::StaticClass(),
        &TControlActionLink::StaticClass(), &TWinControlActionLink::StaticClass()}) {
    RegisterClass(*meta);
  }
}

// ---- TBasicActionLink -----------------------------------------------------------

VEL_ACTION_LINK_IMPL(TBasicActionLink, TObject)

TBasicActionLink::TBasicActionLink(TObject*) {}

TBasicActionLink::~TBasicActionLink() {
  if (action_)
    action_->UnRegisterChanges(this);
}

void ClickClient(TComponent* client, const TNotifyEvent& onClick, TBasicActionLink* link) {
  TBasicAction* action = link ? link->Action() : nullptr;
  if (onClick && (!action || onClick != action->OnExecute()))
    onClick(client);
  else if (link)
    link->Execute(client);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
  if (value == action_)
    return;
  if (action_)
    action_->UnRegisterChanges(this);
  action_ = value;
  if (action_)
    action_->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* target) {
  if (!action_)
    return false;
  // The action may be destroyed by its own handler; this link then no longer
  // holds it and nothing is reset. A nested Execute restores the outer target.
  struct TActionComponentScope {
    TActionComponentScope(TBasicActionLink& link, TComponent* target)
        : link(link), action(link.action_), previous(action->actionComponent_) {
      action->actionComponent_ = target;
    }
    ~TActionComponentScope() {
      if (link.action_ == action)
        action->actionComponent_ = previous;
    }
    TBasicActionLink& link;
    TBasicAction* action;
    TComponent* previous;
  } scope(*this, target);
  return action_->Execute();
}

bool TBasicActionLink::Update() {
  return action_ && action_->Update();
}

bool TBasicActionLink::IsOnExecuteLinked() {
  return action_ != nullptr;
}

void TBasicActionLink::SetOnExecute(const TNotifyEvent&) {}

void TBasicActionLink::Change() {
  if (OnChange)
    OnChange(action_);
}

// ---- TActionLink ----------------------------------------------------------------

VEL_ACTION_LINK_IMPL(TActionLink, TBasicActionLink)

TCustomAction* TActionLink::CustomAction() const {
  return dynamic_cast<TCustomAction*>(Action());
}

bool TActionLink::IsCaptionLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsHintLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsEnabledLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsVisibleLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsCheckedLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsImageIndexLinked() {
  return CustomAction() != nullptr;
}

bool TActionLink::IsShortCutLinked() {
  return CustomAction() != nullptr;
}

void TActionLink::SetCaption(const std::string&) {}
void TActionLink::SetHint(const std::string&) {}
void TActionLink::SetEnabled(bool) {}
void TActionLink::SetVisible(bool) {}
void TActionLink::SetChecked(bool) {}
void TActionLink::SetImageIndex(int) {}
void TActionLink::SetShortCut(TShortCut) {}

// ---- Control links --------------------------------------------------------------

VEL_ACTION_LINK_IMPL(TControlActionLink, TActionLink)

namespace {

// The client of a control link, checked: a link without its client would
// fail at the first change of its action instead.
template <typename T>
T* CheckedClient(TObject* client) {
  if (!client)
    throw EInvalidCast("Invalid class typecast");
  return client->As<T>();
}

}  // namespace

TControlActionLink::TControlActionLink(TObject* client)
    : TActionLink(client), client_(CheckedClient<TControl>(client)) {}

bool TControlActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && client_->Caption() == CustomAction()->Caption();
}

bool TControlActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && client_->Hint() == CustomAction()->Hint();
}

bool TControlActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && client_->Enabled() == CustomAction()->Enabled();
}

bool TControlActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && client_->Visible() == CustomAction()->Visible();
}

bool TControlActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && client_->OnClick == Action()->OnExecute();
}

void TControlActionLink::SetCaption(const std::string& value) {
  if (IsCaptionLinked())
    client_->SetCaption(value);
}

void TControlActionLink::SetHint(const std::string& value) {
  if (IsHintLinked())
    client_->SetHint(value);
}

void TControlActionLink::SetEnabled(bool value) {
  if (IsEnabledLinked())
    client_->SetEnabled(value);
}

void TControlActionLink::SetVisible(bool value) {
  if (IsVisibleLinked())
    client_->SetVisible(value);
}

void TControlActionLink::SetOnExecute(const TNotifyEvent& value) {
  if (IsOnExecuteLinked())
    client_->OnClick = value;
}

VEL_ACTION_LINK_IMPL(TWinControlActionLink, TControlActionLink)

TWinControlActionLink::TWinControlActionLink(TObject* client)
    : TControlActionLink(CheckedClient<TWinControl>(client)) {}
