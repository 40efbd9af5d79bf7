#include "AppEvnts.h"

VEL_COMPONENT_IMPL(TApplicationEvents, TComponent)

void TApplicationEvents::Publish(TPublisher<TApplicationEvents>& p) {
  p.Event("OnActivate", &TApplicationEvents::OnActivate);
  p.Event("OnDeactivate", &TApplicationEvents::OnDeactivate);
  p.Event("OnException", &TApplicationEvents::OnException);
  p.Event("OnHint", &TApplicationEvents::OnHint);
  p.Event("OnIdle", &TApplicationEvents::OnIdle);
  p.Event("OnMessage", &TApplicationEvents::OnMessage);
}

TApplicationEvents::TApplicationEvents(TComponent* owner)
    : TComponent(owner), application_(Application()) {
  if (application_)
    application_->AddEventsListener(this);
}

TApplicationEvents::~TApplicationEvents() {
  // The application object may have gone first (shut-down), and with it
  // the list; only the current one still holds this listener.
  if (application_ && application_ == Application())
    application_->RemoveEventsListener(this);
}

void TApplicationEvents::AppActivated(bool active) {
  const TNotifyEvent& event = active ? OnActivate : OnDeactivate;
  if (event)
    event(this);
}

bool TApplicationEvents::AppException(TObject* sender, const std::exception_ptr& e) {
  if (!OnException)
    return false;
  OnException(sender, e);
  return true;
}

bool TApplicationEvents::AppHint() {
  if (!OnHint)
    return false;
  OnHint(this);
  return true;
}

void TApplicationEvents::AppIdle(bool& done) {
  if (OnIdle)
    OnIdle(this, done);
}

void TApplicationEvents::AppMessage(MSG& msg, bool& handled) {
  if (OnMessage)
    OnMessage(this, msg, handled);
}

void RegisterAppEvntsClasses() {
  RegisterClass(TApplicationEvents::StaticClass());
}
