// TApplicationEvents: a component that a form drops in to hear the
// application's events (OnActivate, OnDeactivate, OnException, OnHint,
// OnIdle, OnMessage) without taking the application's own handlers. Several
// may exist; each hears every event after the application's handler, in the
// order they were made. An exception goes to the first handler assigned,
// the application's first, in place of the message box.
#pragma once

#include "Forms.h"

class TApplicationEvents : public TComponent, public IApplicationEventsListener {
  VEL_CLASS(TApplicationEvents, TComponent)
  static void Publish(TPublisher<TApplicationEvents>& p);

 public:
  explicit TApplicationEvents(TComponent* owner);
  ~TApplicationEvents() override;

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;

 private:
  void AppActivated(bool active) override;
  bool AppException(TObject* sender, const std::exception_ptr& e) override;
  bool AppHint() override;
  void AppIdle(bool& done) override;
  void AppMessage(MSG& msg, bool& handled) override;

  // The application this one listens to: the one current when it was made.
  TApplication* application_;
};

// Registers TApplicationEvents for FindClass (start-up).
void RegisterAppEvntsClasses();
