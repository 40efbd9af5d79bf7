// Application events components: every one hears each event after the
// application's own handler; an exception goes to the first handler there is.
#include "AppEvnts.h"
#include "FormsTestSupport.h"
#include "Reader.h"

namespace {

// Logs what its events component hears, under its name.
struct TListener {
  TApplicationEvents* events;
  std::string name;

  void Activate(TObject*) { Log(events, "activate"); }
  void Deactivate(TObject*) { Log(events, "deactivate"); }
  void Hint(TObject*) { Log(events, "hint " + Application()->Hint()); }
  void Idle(TObject*, bool& done) {
    Log(events, "idle");
    done = false;
  }
  void Message(TObject*, MSG& msg, bool& handled) {
    if (msg.message != WM_USER + 7)
      return;
    Log(events, handled ? "message, handled before" : "message");
    handled = true;
  }
  void Exception(TObject*, const std::exception_ptr& e) { Log(events, ExceptionMessage(e)); }

  void AssignAll() {
    events->OnActivate = Method<&TListener::Activate>(this);
    events->OnDeactivate = Method<&TListener::Deactivate>(this);
    events->OnHint = Method<&TListener::Hint>(this);
    events->OnIdle = Method<&TListener::Idle>(this);
    events->OnMessage = Method<&TListener::Message>(this);
  }
};

class ApplicationEvents : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application()->CreateForm(&form_);
    for (const char* name : {"First", "Second"}) {
      auto* events = Create<TApplicationEvents>(form_);
      events->SetName(name);
      listeners_.push_back(std::make_unique<TListener>(TListener{events, name}));
    }
  }
  void TearDown() override {
    Application()->OnActivate = nullptr;
    Application()->OnException = nullptr;
    FormsTest::TearDown();
  }
  TApplicationEvents* Events(int i) { return listeners_[i]->events; }

  TForm* form_ = nullptr;
  std::vector<std::unique_ptr<TListener>> listeners_;
};

struct TApplicationLog {
  void Activate(TObject*) { Log(Application(), "activate"); }
};

TEST_F(ApplicationEvents, EachHearsEveryEventAfterTheApplicationInOrder) {
  for (auto& l : listeners_)
    l->AssignAll();
  Application()->SetName("App");
  TApplicationLog appLog;
  Application()->OnActivate = Method<&TApplicationLog::Activate>(&appLog);
  SendMessageA(Application()->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  SendMessageA(Application()->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  Application()->SetHint("status");
  PostMessageA(Application()->Handle(), WM_USER + 7, 0, 0);
  Application()->HandleMessage();  // the message
  Application()->HandleMessage();  // nothing left: idle
  EXPECT_EQ((std::vector<std::string>{
                "App:activate", "First:activate", "Second:activate", "First:deactivate",
                "Second:deactivate", "First:hint status", "Second:hint status", "First:message",
                "Second:message, handled before", "First:idle", "Second:idle"}),
            EventLog());
}

TEST_F(ApplicationEvents, AnExceptionGoesToTheFirstHandlerInPlaceOfTheBox) {
  Events(1)->OnException = Method<&TListener::Exception>(listeners_[1].get());
  Guard(nullptr, [] { throw EConvertError("bad number"); });
  EXPECT_EQ(std::vector<std::string>{"Second:bad number"}, EventLog());
  // The application's own handler comes first and takes it.
  struct TOwn {
    void Handle(TObject*, const std::exception_ptr&) { Log(Application(), "own"); }
  } own;
  Application()->SetName("App");
  Application()->OnException = Method<&TOwn::Handle>(&own);
  EventLog().clear();
  Guard(nullptr, [] { throw EConvertError("bad number"); });
  EXPECT_EQ(std::vector<std::string>{"App:own"}, EventLog());
}

TEST_F(ApplicationEvents, AFreedOneHearsNothingAndFormDataBindsItsEvents) {
  listeners_[0]->AssignAll();
  listeners_[1]->AssignAll();
  Events(0)->Free();
  Application()->SetHint("after");
  EXPECT_EQ(std::vector<std::string>{"Second:hint after"}, EventLog());
  // The class is known to form data, with its six events.
  for (const char* event :
       {"OnActivate", "OnDeactivate", "OnException", "OnHint", "OnIdle", "OnMessage"})
    EXPECT_NE(nullptr, GetPropInfo(Events(1), event)) << event;
  EXPECT_EQ(&TApplicationEvents::StaticClass(), FindClass("TApplicationEvents"));
}

}  // namespace
