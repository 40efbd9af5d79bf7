// The main form's command sequences: what the connect queues, the options
// read behind it, the poll every second, and Start and Stop.
#include "frmMain.h"

#include "uToolboxSetup.h"

namespace {

// The echo is detected before anything else; the identity replies can end
// the connection while the rest still waits.
const char* const kConnectSequence[] = {
    "@flush@", "@detect_echo@", "RCE", "REV", "RPI",           "RPV", "RDS",
    "RDI",     "RPN",           "RSN", "RSV", "RDF",           "RCD", "RDD",
    "RDU",     "%read_config%", "RPT", "ROF", "%read_options%"};

// Every option is read whatever the flags say: one that is not fitted answers
// with an error and its controls go grey.
const char* const kOptionsSequence[] = {"RSU", "RRS", "RMP", "RRI", "RPM", "RPD",
                                        "RSS", "RSH", "RWC", "RWM", "RDO", "RDB",
                                        "RMV", "RVM", "RJE", "RLT", "RML", "%detect_done%"};

// The serial number is read at most this often.
constexpr DWORD kSerialPollMs = 5000;

}  // namespace

void TMainForm::QueueConnectSequence() {
  for (const char* entry : kConnectSequence)
    engine_->SendCommand(entry, false);
}

// The computer stays awake while an instrument is connected; the disconnect
// allows sleep again.
void TMainForm::ReadOptions() {
  for (const char* entry : kOptionsSequence)
    engine_->SendCommand(entry, false);
  AllowSystemSleep(false);
  UpdateStatusBar();
}

// With replace, a read still waiting in the queue is not queued twice.
void TMainForm::PollTimerTimer(TObject*) {
  if (!engine_->IsConnected() || errorBoxOpen_)
    return;
  std::string list = "RDS,RLR";
  if (device_->OptionFlags & ofMoistureSensor)
    list += ",RMV";
  if (device_->OptionFlags & ofRelay)
    list += ",RSS";
  const DWORD now = GetTickCount();
  if (now - lastSerialPoll_ >= kSerialPollMs) {
    list += ",RSN";
    lastSerialPoll_ = now;
  }
  engine_->SendCommands(list, true);
}

// The replies enable the buttons again.
void TMainForm::btnStartClick(TObject*) {
  btnStart->SetEnabled(false);
  engine_->SendCommands("STR,RDS", false);
}

void TMainForm::btnStopClick(TObject*) {
  btnStop->SetEnabled(false);
  engine_->SendCommands("STP,RDS", false);
}
