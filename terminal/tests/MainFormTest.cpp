// The main form in this process, on a real window and a real pty: sending
// and receiving, the port's failures, settings files through the dialogs,
// paste, dropped files, the command line and the wake-up message.
#include "frmMain.h"

#include "Clipbrd.h"
#include "FileUtils.h"
#include "LambdaThread.h"
#include "LibraryEnvironment.h"
#include "PeerClient.h"
#include "SysUtils.h"
#include "System.h"
#include "UcSysUtils.h"
#include "VeltermModules.h"
#include "uLanguages.h"
#include "uToolbox.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class TTerminalEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterTerminalModules(); }
  // A guard of its own: this process neither halts as a second instance
  // nor keeps the program's mutex from the process-level tests.
  void AfterStartup() override {
    SetInstanceGuid(Format("{velterm-test-%s}", IntToHex(GetCurrentProcessId(), 8)));
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TTerminalEnvironment);

std::string Settings(int port, const std::string& extra = "") {
  return Format("[COM]\r\nPort=%d\r\n", port) + extra;
}

// A message box seam that records instead of showing, and gives answer.
struct TBoxRecorder {
  std::vector<std::string> texts;
  std::vector<std::string> captions;
  std::vector<UINT> flags;
  int answer = IDOK;
  TBoxRecorder() {
    SetMessageBoxFunc([this](HWND, const std::string& text, const std::string& caption, UINT f) {
      texts.push_back(text);
      captions.push_back(caption);
      flags.push_back(f);
      return answer;
    });
  }
  ~TBoxRecorder() { SetMessageBoxFunc(nullptr); }
};

HGLOBAL MakeDrop(const std::vector<std::string>& files) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& f : files)
    size += f.size() + 1;
  HGLOBAL drop = GlobalAlloc(GHND, size);
  auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* p = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
  for (const std::string& f : files) {
    std::memcpy(p, f.c_str(), f.size() + 1);
    p += f.size() + 1;
  }
  GlobalUnlock(drop);
  return drop;
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = NewTempFolder("velterm-main") + "\\";
    SetSettingsFolder(folder_);
    OverrideCommandLine("velterm.exe");
  }

  void TearDown() override {
    form_.reset();
    SetDialogExecutor(dkOpen, nullptr);
    SetDialogExecutor(dkSave, nullptr);
    SetDebugSink(nullptr);
    OverrideCommandLine("");
  }

  // The form on screen, its settings pointing at the peer.
  TMainForm* MakeForm(int port) {
    form_.reset(Create<TMainForm>(nullptr));
    form_->Settings()->SetPort(port);
    form_->ApplySettings(false);
    form_->Show();
    classlib::PumpFor(100);
    return form_.get();
  }

  void Connect() {
    form_->tbConnectClick(form_->tbConnect);
    ASSERT_TRUE(form_->ComPort->Active());
  }

  void Type(char c) { form_->termHistoryKeyPress(form_->termHistory, c); }

  TVelTerminalBuffer* Buffer() const { return form_->termHistory->Buffer(); }
  std::string WriteRowText() const { return Buffer()->RowText(Buffer()->WriteRow()); }

  bool AcceptsFiles() const {
    return (GetWindowLongA(form_->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
  }

  std::string folder_;
  TOwned<TMainForm> form_;
};

// ---- Sending and receiving --------------------------------------------------------------

TEST_F(MainFormTest, EnterSendsTheTerminatorOfEveryValue) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  const std::string expected[] = {"", "\n", "\r", "\r\n", "\n\r", ""};
  for (int t = 0; t < 6; ++t) {
    form_->Settings()->SetTerminator(static_cast<uint8_t>(t));
    Type('x');
    Type('\r');
    EXPECT_EQ("x" + expected[t], peer.Receive(1 + expected[t].size(), 2000)) << "terminator " << t;
    EXPECT_EQ("", peer.Receive(1, 150)) << "terminator " << t;
  }
}

TEST_F(MainFormTest, EchoAndDeviceBytesCarryTheirColourIndices) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  Type('a');
  EXPECT_EQ("a", peer.Receive(1, 2000));
  peer.Send("b");
  ASSERT_TRUE(classlib::PumpUntil([&] { return WriteRowText() == "ab"; }, 3000)) << WriteRowText();
  const int row = Buffer()->WriteRow();
  EXPECT_EQ(0x02, Buffer()->CellAttr(row, 0));
  EXPECT_EQ(0x01, Buffer()->CellAttr(row, 1));

  // Password mode masks the echo only.
  form_->PasswdModeAction->Execute();
  EXPECT_TRUE(form_->PasswordMode());
  EXPECT_TRUE(form_->tbPasswdMode->Down());
  Type('s');
  EXPECT_EQ("s", peer.Receive(1, 2000));
  EXPECT_EQ("ab*", WriteRowText());

  // Without local echo nothing is written, but the byte still goes.
  form_->Settings()->SetLocalEcho(false);
  Type('q');
  EXPECT_EQ("q", peer.Receive(1, 2000));
  EXPECT_EQ("ab*", WriteRowText());
}

TEST_F(MainFormTest, ControlShiftLetterSendsItsCodeOnce) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  SetForegroundWindow(form_->Handle());
  form_->termHistory->SetFocus();
  ASSERT_TRUE(classlib::PumpUntil([&] { return GetFocus() == form_->termHistory->Handle(); }));
  std::vector<INPUT> inputs;
  for (WORD key : {WORD(VK_CONTROL), WORD(VK_SHIFT), WORD(0x43)}) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    inputs.push_back(in);
  }
  for (WORD key : {WORD(0x43), WORD(VK_SHIFT), WORD(VK_CONTROL)}) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  std::string got;
  classlib::PumpUntil(
      [&] {
        got += peer.Receive(4, 20);
        return !got.empty();
      },
      3000);
  classlib::PumpFor(300);
  got += peer.Receive(4, 100);
  EXPECT_EQ("\x03", got);
  EXPECT_FALSE(form_->KeyConsumed());
}

TEST_F(MainFormTest, ControlCodesAndTypedKeysAreDroppedWhileDisconnected) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  WORD key = 'C';
  form_->FormKeyDown(form_->termHistory, key, TShiftState{ssCtrl, ssShift});
  EXPECT_EQ('C', key);
  EXPECT_FALSE(form_->KeyConsumed());
  char typed = 'a';
  form_->termHistoryKeyPress(form_->termHistory, typed);
  EXPECT_EQ(0, typed);
  EXPECT_EQ("", WriteRowText());
}

TEST_F(MainFormTest, AFailingReadWritesOneDebuggerLinePerByteAndShowsTheRest) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  std::vector<std::string> lines;
  SetDebugSink([&](const std::string& line) { lines.push_back(line); });
  form_->ComPort->OnDataRecived = TVelCPTDataReceivedEvent();
  peer.Send("abc");
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->ComPort->InBufUsed() == 3; }, 3000));
  form_->PortDataReceived(form_->ComPort, 5);
  EXPECT_EQ("abc", WriteRowText());
  ASSERT_EQ(2u, lines.size());
  for (const std::string& line : lines) {
    EXPECT_NE(std::string::npos, line.find(": unexpected av (")) << line;
    EXPECT_NE(std::string::npos, line.find("Read data error")) << line;
    EXPECT_NE(std::string::npos, line.find(") while reading from port")) << line;
  }
  // A zero count neither reads nor fails.
  form_->PortDataReceived(form_->ComPort, 0);
  EXPECT_EQ(2u, lines.size());
}

TEST_F(MainFormTest, ReconnectingKeepsTheTerminalAndTogglesDropsAndCaption) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  EXPECT_TRUE(AcceptsFiles());
  Connect();
  EXPECT_FALSE(AcceptsFiles());
  EXPECT_EQ(L"Disconnect", form_->tbConnect->Caption());
  EXPECT_EQ(0, form_->tbConnect->ImageIndex());
  EXPECT_EQ(L"Connected", form_->StatusBar1->Panels()->Items(1)->Text());
  // What may be done while connected.
  for (TUcAction* action : {form_->OptASCIIAction, form_->FileLoadAction})
    action->Update();
  EXPECT_TRUE(form_->OptASCIIAction->Enabled());
  EXPECT_FALSE(form_->FileLoadAction->Enabled());
  peer.Send("kept");
  ASSERT_TRUE(classlib::PumpUntil([&] { return WriteRowText() == "kept"; }, 3000));
  form_->tbConnectClick(form_->tbConnect);
  EXPECT_FALSE(form_->ComPort->Active());
  EXPECT_TRUE(AcceptsFiles());
  EXPECT_EQ(L"Connect", form_->tbConnect->Caption());
  EXPECT_EQ(1, form_->tbConnect->ImageIndex());
  EXPECT_EQ(L"Disconnected", form_->StatusBar1->Panels()->Items(1)->Text());
  for (TUcAction* action : {form_->OptASCIIAction, form_->FileLoadAction})
    action->Update();
  EXPECT_FALSE(form_->OptASCIIAction->Enabled());
  EXPECT_TRUE(form_->FileLoadAction->Enabled());
  Connect();
  EXPECT_EQ("kept", WriteRowText());
}

// ---- A device that goes away ------------------------------------------------------------

// Unplugged while bytes arrive, then while a long write goes out: each time
// the form shows the disconnected state, says once in its language that the
// connection was lost, sends and echoes nothing more, and connects again
// once the device is back.
TEST_F(MainFormTest, AVanishedDeviceDisconnectsSaysSoOnceAndConnectsAgainWhenBack) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->Settings()->SetLocalEcho(true);
  form_->Settings()->SetBaud(300);
  TBoxRecorder boxes;
  const auto expectLost = [&] {
    ASSERT_TRUE(classlib::PumpUntil([&] { return !form_->ComPort->Active(); }, 3000));
    classlib::PumpFor(300);
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Lost the connection to COM" + IntToStr(peer.Number()), boxes.texts[0]);
    EXPECT_EQ("Error", boxes.captions[0]);
    EXPECT_EQ(L"Connect", form_->tbConnect->Caption());
    EXPECT_EQ(L"Disconnected", form_->StatusBar1->Panels()->Items(1)->Text());
    EXPECT_TRUE(AcceptsFiles());
    const std::string shown = WriteRowText();
    Type('x');
    EXPECT_EQ(shown, WriteRowText()) << "echoed while disconnected";
    boxes.texts.clear();
    boxes.captions.clear();
  };

  Connect();
  peer.Send("first");
  ASSERT_TRUE(classlib::PumpUntil([&] { return WriteRowText() == "first"; }, 3000));
  peer.Send(std::string(20000, 'r'));
  peer.Vanish();
  expectLost();

  peer.Return();
  Connect();
  form_->ComPort->SendString(std::string(2000, 'w'));
  EXPECT_EQ("w", peer.Receive(1, 3000));
  peer.Vanish();
  expectLost();

  peer.Return();
  Connect();
  Type('k');
  EXPECT_EQ("k", peer.Receive(1, 3000));
}

// ---- Ports that do not open -------------------------------------------------------------

TEST_F(MainFormTest, AMissingPortShowsTheBoxAndStaysDisconnected) {
  TPeerPort absent(10, 256, TPeerDevice::Absent);
  MakeForm(absent.Number());
  TBoxRecorder boxes;
  form_->tbConnectClick(form_->tbConnect);
  ASSERT_EQ(1u, boxes.texts.size());
  EXPECT_EQ("Cannot Open COM" + IntToStr(absent.Number()), boxes.texts[0]);
  EXPECT_EQ("Error", boxes.captions[0]);
  EXPECT_FALSE(form_->ComPort->Active());
  EXPECT_EQ(L"Connect", form_->tbConnect->Caption());
  EXPECT_TRUE(AcceptsFiles());
}

TEST_F(MainFormTest, AFailureAfterOpeningClosesThePortBeforeTheBox) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  bool openWhenShown = true;
  TBoxRecorder boxes;
  SetMessageBoxFunc([&](HWND, const std::string& text, const std::string&, UINT) {
    boxes.texts.push_back(text);
    openWhenShown = form_->ComPort->Active();
    return IDOK;
  });
  // Raised inside the open, once the port is already open.
  struct TThrower {
    void Open(TObject*) { throw Exception("purge refused"); }
  } thrower;
  form_->ComPort->OnPortOpen = Method<&TThrower::Open>(&thrower);
  form_->tbConnectClick(form_->tbConnect);
  ASSERT_EQ(1u, boxes.texts.size());
  EXPECT_FALSE(openWhenShown);
  EXPECT_FALSE(form_->ComPort->Active());
  EXPECT_EQ(L"Connect", form_->tbConnect->Caption());
  EXPECT_TRUE(AcceptsFiles());
}

TEST_F(MainFormTest, OutOfRangeFileValuesOpenWithTheDefaults) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TSettings* s = form_->Settings();
  s->SetDatabits(9);
  s->SetParity(7);
  s->SetStopbits(5);
  s->SetFlowControl(200);
  Connect();
  const TPeerTermios t = peer.Termios();
  EXPECT_EQ(8, t.DataBits);
  EXPECT_EQ('N', t.Parity);
  EXPECT_EQ(1, t.StopBits);
  EXPECT_FALSE(t.Ixon);
  EXPECT_FALSE(t.Crtscts);
  // The stored values stay as read, and the status bar says so.
  EXPECT_EQ(9, s->Databits());
  EXPECT_EQ(AnsiToWide(Format("COM%d: 9600,?,?,?", peer.Number())),
            form_->StatusBar1->Panels()->Items(0)->Text());
}

TEST_F(MainFormTest, APortNumberPastSixteenBitsFailsWithTheFilesNumber) {
  TPeerPort peer(10, 256);
  // 65536 + n would be cut to the peer's own number n.
  MakeForm(peer.Number());
  form_->Settings()->SetPort(65536 + peer.Number());
  TBoxRecorder boxes;
  form_->tbConnectClick(form_->tbConnect);
  ASSERT_EQ(1u, boxes.texts.size());
  EXPECT_EQ("Cannot Open COM" + IntToStr(65536 + peer.Number()), boxes.texts[0]);
  EXPECT_FALSE(form_->ComPort->Active());
}

TEST_F(MainFormTest, StatusBarShowsTheLineSettings) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TSettings* s = form_->Settings();
  s->SetPort(3);
  s->SetBaud(19200);
  s->SetDatabits(3);
  s->SetParity(2);
  s->SetStopbits(2);
  s->SetLocalEcho(false);
  form_->ApplySettings(true);
  EXPECT_EQ(L"COM3: 19200,7,e,2", form_->StatusBar1->Panels()->Items(0)->Text());
  EXPECT_EQ(L"Terminal-Mode", form_->StatusBar1->Panels()->Items(2)->Text());
  EXPECT_EQ(L"Echo: Off", form_->StatusBar1->Panels()->Items(3)->Text());
  EXPECT_EQ(L"", form_->StatusBar1->Panels()->Items(4)->Text());
}

// ---- Settings files ---------------------------------------------------------------------

TEST_F(MainFormTest, SettingsSaveAndLoadRoundTripThroughTheDialogs) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TSettings* s = form_->Settings();
  s->SetBaud(38400);
  s->SetDatabits(3);
  s->SetParity(1);
  s->SetStopbits(2);
  s->SetFlowControl(2);
  s->SetTerminator(4);
  s->SetColorUser(0x123456);
  s->SetColorDevice(0x654321);
  s->SetLocalEcho(false);
  std::string defaultExt;
  SetDialogExecutor(dkSave, [&](TCommonDialog* d) {
    auto* dialog = static_cast<TSaveDialog*>(d);
    defaultExt = dialog->DefaultExt();
    dialog->SetFileName(folder_ + "a.b");
    return true;
  });
  form_->FileSaveAction->Execute();
  EXPECT_EQ("vtcfg", defaultExt);
  ASSERT_TRUE(FileExists(folder_ + "a.b.vtcfg"));
  EXPECT_EQ("VelmorTerminal [a.b.vtcfg]", form_->Caption());

  s->SetDefaults();
  form_->termHistory->WriteString("old text");
  form_->termHistory->FlushDisplay();
  SetDialogExecutor(dkOpen, [&](TCommonDialog* d) {
    static_cast<TOpenDialog*>(d)->SetFileName(folder_ + "a.b.vtcfg");
    return true;
  });
  form_->FileLoadAction->Execute();
  EXPECT_EQ(peer.Number(), s->Port());
  EXPECT_EQ(38400, s->Baud());
  EXPECT_EQ(3, s->Databits());
  EXPECT_EQ(1, s->Parity());
  EXPECT_EQ(2, s->Stopbits());
  EXPECT_EQ(2, s->FlowControl());
  EXPECT_EQ(4, s->Terminator());
  EXPECT_EQ(0x123456u, s->ColorUser());
  EXPECT_EQ(0x654321u, s->ColorDevice());
  EXPECT_FALSE(s->LocalEcho());
  EXPECT_EQ("", WriteRowText());
  EXPECT_EQ("VelmorTerminal [a.b.vtcfg]", form_->Caption());
  EXPECT_EQ(fwRtsCts, form_->ComPort->FlowControl());
  TVelTRMColorTable table;
  form_->termHistory->GetColorTable(table);
  EXPECT_EQ(0x654321u, table[1]);
  EXPECT_EQ(0x123456u, table[2]);
}

// The two save commands with the extension each makes sure of.
struct TSaveCommand {
  TUcAction* TMainForm::*action;
  const char* ext;
  const char* caption;
};
const TSaveCommand kSaveCommands[] = {{&TMainForm::FileSaveAction, ".vtcfg", "Save Settings"},
                                      {&TMainForm::HistorySaveAction, ".txt", "Save History"}};

TEST_F(MainFormTest, TheReplaceQuestionNamesTheFileThatWillBeWritten) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->termHistory->WriteString("new text");
  form_->termHistory->FlushDisplay();
  // The dialog does not ask: it would ask about the name as typed.
  EXPECT_FALSE(form_->SaveDlg->Options().Contains(ofOverwritePrompt));
  for (const TSaveCommand& command : kSaveCommands) {
    TUcAction* action = form_.get()->*command.action;
    const struct {
      const char* typed;
      std::string written;
    } shapes[] = {
        {"name", std::string("name") + command.ext},
        {"name.", std::string("name") + command.ext},
        {"a.b", std::string("a.b") + command.ext},
        {"a.txt", command.ext == std::string(".txt") ? "a.txt" : "a.txt.vtcfg"},
        {"own.VTCFG", command.ext == std::string(".txt") ? "own.VTCFG.txt" : "own.VTCFG"}};
    for (const auto& shape : shapes) {
      const std::string written = folder_ + shape.written;
      WriteAll(written, "old");
      std::vector<std::string> offered;
      SetDialogExecutor(dkSave, [&](TCommonDialog* d) {
        auto* dialog = static_cast<TSaveDialog*>(d);
        offered.push_back(dialog->FileName());
        if (offered.size() > 1)
          return false;
        dialog->SetFileName(folder_ + shape.typed);
        return true;
      });
      // No: the dialog comes back with the name, and Cancel writes nothing.
      TBoxRecorder boxes;
      boxes.answer = IDNO;
      action->Execute();
      ASSERT_EQ(1u, boxes.texts.size()) << shape.typed;
      EXPECT_EQ(written + "\r\nThis file already exists. Do you want to replace it?",
                boxes.texts[0]);
      EXPECT_EQ(command.caption, boxes.captions[0]);
      EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2), boxes.flags[0]);
      ASSERT_EQ(2u, offered.size());
      EXPECT_EQ(written, offered[1]);
      EXPECT_EQ("old", ReadAll(written)) << shape.typed;
      // Yes replaces it.
      offered.clear();
      boxes.answer = IDYES;
      action->Execute();
      EXPECT_EQ(2u, boxes.texts.size());
      EXPECT_EQ(1u, offered.size());
      EXPECT_NE("old", ReadAll(written)) << shape.typed;
      ASSERT_TRUE(DeleteFileA(written.c_str()));
      // A new name is written without a question.
      offered.clear();
      action->Execute();
      EXPECT_EQ(2u, boxes.texts.size());
      EXPECT_TRUE(FileExists(written)) << shape.typed;
      DeleteFileA(written.c_str());
    }
  }
}

TEST_F(MainFormTest, AFailedSaveNamesTheFileAndTheSystemsReason) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  const std::string defaultFile = form_->Settings()->DefaultFile();
  ASSERT_FALSE(defaultFile.empty());
  form_->Settings()->SetBaud(4800);
  const std::string denied = WideToAnsi(Trim(WideSysErrorMessage(ERROR_ACCESS_DENIED)));
  for (const TSaveCommand& command : kSaveCommands) {
    TUcAction* action = form_.get()->*command.action;
    // A read-only file, replaced when asked: the system refuses.
    const std::string readOnly = folder_ + "kept" + command.ext;
    WriteAll(readOnly, "old");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string name = readOnly;
    SetDialogExecutor(dkSave, [&](TCommonDialog* d) {
      static_cast<TSaveDialog*>(d)->SetFileName(name);
      return true;
    });
    TBoxRecorder boxes;
    boxes.answer = IDYES;
    action->Execute();
    ASSERT_EQ(2u, boxes.texts.size()) << command.ext;
    EXPECT_EQ(readOnly + "\r\nThe file could not be saved.\r\n\r\n" + denied, boxes.texts[1]);
    EXPECT_EQ("Error", boxes.captions[1]);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes.flags[1]);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("old", ReadAll(readOnly));
    // A folder that is not there.
    name = folder_ + "no such folder\\x";
    action->Execute();
    ASSERT_EQ(3u, boxes.texts.size());
    EXPECT_EQ(0u,
              boxes.texts[2].find(name + command.ext + "\r\nThe file could not be saved.\r\n\r\n"))
        << boxes.texts[2];
    EXPECT_GT(boxes.texts[2].size(), name.size() + 40);
  }
  // The settings stay as they were, and so does the file worked with.
  EXPECT_EQ(4800, form_->Settings()->Baud());
  EXPECT_EQ("VelmorTerminal", form_->Caption());
  EXPECT_EQ(defaultFile, form_->Settings()->DefaultFile());
}

TEST_F(MainFormTest, HistoryIsSavedWithOneTextExtension) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->termHistory->WriteString("first\r\nsecond");
  form_->termHistory->FlushDisplay();
  std::string name;
  std::string defaultExt;
  SetDialogExecutor(dkSave, [&](TCommonDialog* d) {
    defaultExt = static_cast<TSaveDialog*>(d)->DefaultExt();
    static_cast<TSaveDialog*>(d)->SetFileName(name);
    return true;
  });
  name = folder_ + "log.";
  form_->HistorySaveAction->Execute();
  EXPECT_EQ("txt", defaultExt);
  const std::string saved = ReadAll(folder_ + "log.txt");
  EXPECT_EQ(0u, saved.find("first"));
  EXPECT_NE(std::string::npos, saved.find("\r\nsecond"));
  name = folder_ + "other.TXT";
  form_->HistorySaveAction->Execute();
  EXPECT_TRUE(FileExists(folder_ + "other.TXT"));
  EXPECT_FALSE(FileExists(folder_ + "other.TXT.txt"));
}

TEST_F(MainFormTest, CopyFollowsTheSelection) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->termHistory->WriteString("copy me");
  form_->termHistory->FlushDisplay();
  form_->HistoryCopyAction->Update();
  EXPECT_FALSE(form_->HistoryCopyAction->Enabled());
  const HWND view = form_->termHistory->Handle();
  const int y = form_->termHistory->LineHeight() / 2;
  const int x = form_->termHistory->CharWidth() * 4 + 1;
  PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, y));
  PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  classlib::PumpFor(200);
  form_->HistoryCopyAction->Update();
  ASSERT_TRUE(form_->HistoryCopyAction->Enabled());
  Clipboard()->Clear();
  form_->HistoryCopyAction->Execute();
  EXPECT_EQ(form_->termHistory->GetSelectedText(), Clipboard()->AsText());
  EXPECT_EQ(0u, Clipboard()->AsText().find("copy"));
}

// ---- Paste ------------------------------------------------------------------------------

// What a timer saw while the paste ran its loop.
struct TPasteWatch {
  HWND window = nullptr;
  TVelTerminalBuffer* buffer = nullptr;
  bool everEnabled = false;
  int ticks = 0;
  int lastRow = -1;
  std::vector<DWORD> rowChanges;
};
TPasteWatch* g_watch = nullptr;

void CALLBACK WatchPaste(HWND, UINT, UINT_PTR, DWORD) {
  ++g_watch->ticks;
  g_watch->everEnabled |= IsWindowEnabled(g_watch->window) != FALSE;
  const int row = g_watch->buffer->WriteRow();
  if (row != g_watch->lastRow) {
    g_watch->rowChanges.push_back(GetTickCount());
    g_watch->lastRow = row;
  }
}

TEST_F(MainFormTest, PasteSendsLineByLineWithTheWindowDisabled) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  TPasteWatch watch;
  watch.window = form_->Handle();
  watch.buffer = Buffer();
  watch.lastRow = Buffer()->WriteRow();
  g_watch = &watch;
  CopyTextToClipboard("one\r\ntwo\r\nthree\r\n");
  form_->HistoryPasteAction->Update();
  EXPECT_TRUE(form_->HistoryPasteAction->Enabled());
  const UINT_PTR timer = SetTimer(nullptr, 0, 5, WatchPaste);
  const DWORD start = GetTickCount();
  form_->HistoryPasteAction->Execute();
  const DWORD took = GetTickCount() - start;
  KillTimer(nullptr, timer);
  g_watch = nullptr;
  EXPECT_EQ("one\r\ntwo\r\nthree\r\n", peer.Receive(18, 2000));
  EXPECT_EQ("", peer.Receive(1, 100));
  EXPECT_GE(took, 3 * kPasteLineMs);
  EXPECT_GT(watch.ticks, 10);
  EXPECT_FALSE(watch.everEnabled);
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
  // Each echoed line break shows when the next line starts.
  ASSERT_GE(watch.rowChanges.size(), 2u);
  for (size_t i = 1; i < watch.rowChanges.size(); ++i)
    EXPECT_GE(watch.rowChanges[i] - watch.rowChanges[i - 1], kPasteLineMs - 20);
}

TEST_F(MainFormTest, PasteSplitsLoneBreaksAndKeepsEveryCharacter) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->Settings()->SetTerminator(2);
  Connect();
  form_->PasteText("a\rb\nc\n\rd");
  EXPECT_EQ("a\rb\rc\r\rd\r", peer.Receive(20, 3000));
}

TEST_F(MainFormTest, PasteWithoutClipboardTextDoesNothing) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  Clipboard()->Clear();
  form_->HistoryPasteAction->Update();
  EXPECT_FALSE(form_->HistoryPasteAction->Enabled());
  form_->HistoryPasteActionExecute(nullptr);
  EXPECT_EQ("", peer.Receive(1, 200));
}

TEST_F(MainFormTest, ALongLineArrivesWholeWhileTheRingFills) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  form_->Settings()->SetFlowControl(1);
  form_->Settings()->SetLocalEcho(false);
  Connect();
  // The peer holds XOFF, so nothing leaves and the ring fills up.
  peer.Send("\x13");
  peer.WaitSent();
  classlib::PumpFor(300);
  std::string line;
  for (int i = 0; i < 10240; ++i)
    line += static_cast<char>('A' + i % 26);
  TLambdaThread release([&](TLambdaThread&) {
    Sleep(2000);
    peer.Send("\x11");
  });
  form_->PasteText(line);
  release.WaitFor();
  std::string got;
  const DWORD start = GetTickCount();
  while (got.size() < line.size() + 2 && GetTickCount() - start < 10000)
    got += peer.Receive(line.size() + 2 - got.size(), 500);
  EXPECT_EQ(line + "\r\n", got);
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
}

HWND g_closeTarget = nullptr;

void CALLBACK PostClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageA(g_closeTarget, WM_CLOSE, 0, 0);
}

TEST_F(MainFormTest, PasteStopsWhenThePortCloses) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  Connect();
  // Closed by the user (a posted close) while the first line's wait runs.
  g_closeTarget = form_->Handle();
  const UINT_PTR timer = SetTimer(nullptr, 0, 250, PostClose);
  form_->PasteText("first\nsecond\nthird\n");
  KillTimer(nullptr, timer);
  EXPECT_FALSE(form_->ComPort->Active());
  EXPECT_EQ("first\r\n", peer.Receive(30, 1000));
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
}

// ---- Dropped files, command line, wake-up -----------------------------------------------

TEST_F(MainFormTest, ADroppedSettingsFileIsLoaded) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  const std::string file = folder_ + "dropped.VTCFG";
  WriteAll(file, Settings(peer.Number(), "Baud=57600\r\n[DATA]\r\nLocalEcho=0\r\n"));
  form_->termHistory->WriteString("old");
  form_->termHistory->FlushDisplay();
  HGLOBAL drop = MakeDrop({file, folder_ + "second.vtcfg"});
  PostMessageA(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->Settings()->Baud() == 57600; }, 3000));
  EXPECT_FALSE(form_->Settings()->LocalEcho());
  EXPECT_EQ("", WriteRowText());
  EXPECT_EQ("VelmorTerminal [dropped.VTCFG]", form_->Caption());
  EXPECT_EQ(0u, GlobalSize(drop));  // DragFinish freed it
}

TEST_F(MainFormTest, DropsOfOtherFilesOrWhileConnectedAreIgnored) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  const std::string text = folder_ + "notes.txt";
  WriteAll(text, Settings(peer.Number(), "Baud=57600\r\n"));
  const std::string settings = folder_ + "s.vtcfg";
  WriteAll(settings, Settings(peer.Number(), "Baud=57600\r\n"));
  const std::vector<std::vector<std::string>> drops = {
      {text}, {folder_ + "missing.vtcfg", settings}, {folder_}};
  for (const auto& files : drops) {
    HGLOBAL drop = MakeDrop(files);
    PostMessageA(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    classlib::PumpFor(200);
    EXPECT_EQ(0u, GlobalSize(drop)) << files[0];
  }
  Connect();
  HGLOBAL drop = MakeDrop({settings});
  PostMessageA(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  classlib::PumpFor(200);
  EXPECT_EQ(0u, GlobalSize(drop));
  EXPECT_EQ(9600, form_->Settings()->Baud());
  EXPECT_EQ("VelmorTerminal", form_->Caption());
}

TEST_F(MainFormTest, ARelativeCommandLineFileLoadsFromTheWorkingFolder) {
  TPeerPort peer(10, 256);
  WriteAll(folder_ + "start.vtcfg", Settings(peer.Number(), "Baud=4800\r\n"));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(folder_.c_str());
  OverrideCommandLine("velterm.exe start.vtcfg");
  form_.reset(Create<TMainForm>(nullptr));
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(4800, form_->Settings()->Baud());
  EXPECT_EQ(4800, form_->ComPort->UserBaudRate());
  EXPECT_EQ("VelmorTerminal [start.vtcfg]", form_->Caption());
}

TEST_F(MainFormTest, ACommandLineFileOfAnotherExtensionIsIgnored) {
  WriteAll(folder_ + "start.ini", Settings(3, "Baud=4800\r\n"));
  OverrideCommandLine("velterm.exe \"" + folder_ + "start.ini\"");
  form_.reset(Create<TMainForm>(nullptr));
  EXPECT_EQ(9600, form_->Settings()->Baud());
  EXPECT_EQ("VelmorTerminal", form_->Caption());
}

TEST_F(MainFormTest, AMalformedCommandLineFileStartsWithTheDefaults) {
  WriteAll(folder_ + "bad.vtcfg", "\x01\x02 not an ini [COM\r\nBaud=fast\r\nDatabits=77\r\n");
  OverrideCommandLine("velterm.exe \"" + folder_ + "bad.vtcfg\"");
  form_.reset(Create<TMainForm>(nullptr));
  EXPECT_EQ(9600, form_->Settings()->Baud());
  EXPECT_EQ(db8, form_->ComPort->Databits());
  form_->Show();
  classlib::PumpFor(100);
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
}

// A hand-over as a sender that does not follow the protocol makes it.
LRESULT SendCopyData(HWND window, ULONG_PTR tag, const void* data, DWORD size) {
  COPYDATASTRUCT copy{tag, size, const_cast<void*>(data)};
  return SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

TEST_F(MainFormTest, AHandedSettingsFileLoadsAsADroppedOneWould) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TBoxRecorder boxes;
  // Names that change nothing: no such file, another kind, a folder.
  const std::string notes = folder_ + "notes.txt";
  WriteAll(notes, Settings(peer.Number(), "Baud=1200\r\n"));
  for (const std::string& name : {folder_ + "missing.vtcfg", notes, folder_})
    EXPECT_TRUE(HandSettingsFile(form_->Handle(), name)) << name;
  // Hand-overs that do not parse are refused.
  const std::string file = folder_ + "handed.vtcfg";
  WriteAll(file, Settings(peer.Number(), "Baud=57600\r\n"));
  EXPECT_EQ(0, SendCopyData(form_->Handle(), kHandedSettingsFile + 1, file.c_str(),
                            static_cast<DWORD>(file.size() + 1)));
  EXPECT_EQ(0, SendCopyData(form_->Handle(), kHandedSettingsFile, file.c_str(), 0));
  EXPECT_EQ(0, SendCopyData(form_->Handle(), kHandedSettingsFile, nullptr, 10));
  EXPECT_EQ(0, SendCopyData(form_->Handle(), kHandedSettingsFile, "\0x", 2));
  classlib::PumpFor(200);
  EXPECT_EQ(9600, form_->Settings()->Baud());
  EXPECT_EQ("VelmorTerminal", form_->Caption());

  form_->termHistory->WriteString("old");
  form_->termHistory->FlushDisplay();
  // Without its terminating zero too.
  EXPECT_EQ(1, SendCopyData(form_->Handle(), kHandedSettingsFile, file.c_str(),
                            static_cast<DWORD>(file.size())));
  ASSERT_TRUE(classlib::PumpUntil([&] { return form_->Settings()->Baud() == 57600; }, 3000));
  EXPECT_EQ("", WriteRowText());
  EXPECT_EQ("VelmorTerminal [handed.vtcfg]", form_->Caption());
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(MainFormTest, AHandedFileIsNotLoadedWhileConnectedOrBusyAndItSaysSo) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  const std::string file = folder_ + "handed.vtcfg";
  WriteAll(file, Settings(peer.Number(), "Baud=57600\r\n"));
  TBoxRecorder boxes;
  Connect();
  ASSERT_TRUE(HandSettingsFile(form_->Handle(), file));
  ASSERT_TRUE(classlib::PumpUntil([&] { return boxes.texts.size() == 1; }, 3000));
  EXPECT_EQ(file +
                "\r\nThe settings file was not loaded. Disconnect and close any open dialog, "
                "then open it again.",
            boxes.texts[0]);
  EXPECT_EQ("Load Settings", boxes.captions[0]);
  EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes.flags[0]);
  EXPECT_TRUE(form_->ComPort->Active());
  // Disconnected, but with the window taking no input, as under a dialog.
  form_->tbConnectClick(form_->tbConnect);
  form_->SetEnabled(false);
  ASSERT_TRUE(HandSettingsFile(form_->Handle(), file));
  ASSERT_TRUE(classlib::PumpUntil([&] { return boxes.texts.size() == 2; }, 3000));
  form_->SetEnabled(true);
  EXPECT_EQ(9600, form_->Settings()->Baud());
  EXPECT_EQ("VelmorTerminal", form_->Caption());
}

TEST_F(MainFormTest, TheWakeUpMessageAnswersOneAndRestores) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  ShowWindow(form_->Handle(), SW_MINIMIZE);
  classlib::PumpUntil([&] { return form_->WindowState() == wsMinimized; }, 2000);
  ASSERT_TRUE(IsIconic(form_->Handle()));
  EXPECT_EQ(1, SendMessageA(form_->Handle(), WM_USER + 1, 0, 0));
  classlib::PumpFor(100);
  EXPECT_FALSE(IsIconic(form_->Handle()));
  EXPECT_EQ(wsNormal, form_->WindowState());
}

TEST_F(MainFormTest, ChoosingALanguageRecaptionsAndSavesOnlyToTheDefaultFile) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TMenuItem* german = nullptr;
  for (int i = 0; i < form_->miLanguage->Count(); ++i)
    if (form_->miLanguage->Items(i)->Tag() == 2)
      german = form_->miLanguage->Items(i);
  ASSERT_NE(nullptr, german);
  const std::string defaultFile = form_->Settings()->DefaultFile();
  german->Click();
  EXPECT_EQ(2, form_->LanguageId());
  EXPECT_TRUE(german->Checked());
  EXPECT_NE(std::string::npos, ReadAll(defaultFile).find("Language=2")) << defaultFile;
  EXPECT_EQ(L"Datei", form_->mmFile->Caption());
  // The checked language again: nothing happens, nothing is saved.
  ASSERT_TRUE(DeleteFileA(defaultFile.c_str()));
  german->Click();
  EXPECT_FALSE(FileExists(defaultFile));
  // Once another file is in use, the choice stays in memory.
  SetDialogExecutor(dkSave, [&](TCommonDialog* d) {
    static_cast<TSaveDialog*>(d)->SetFileName(folder_ + "other");
    return true;
  });
  form_->FileSaveAction->Execute();
  form_->miLanguage->Items(0)->Click();
  EXPECT_EQ(0, form_->LanguageId());
  EXPECT_EQ(L"File", form_->mmFile->Caption());
  EXPECT_FALSE(FileExists(defaultFile));
}

TEST_F(MainFormTest, TheLanguageReachesEveryCaptionAndTheBarsWindow) {
  TPeerPort peer(10, 256);
  MakeForm(peer.Number());
  TMenuItem* item = form_->FindComponent("miLanguage3")->As<TMenuItem>();
  EXPECT_EQ(WideToAnsi(GetLanguageName(3)), item->TMenuItem::Caption());
  item->Click();
  EXPECT_EQ(LookupLanguageText(3, 35), form_->mmFile->Caption());
  EXPECT_EQ(LookupLanguageText(3, 37), form_->tbConnect->Caption());
  EXPECT_EQ(LookupLanguageText(3, 37), form_->tbConnect->Hint());
  EXPECT_EQ(LookupLanguageText(3, 41) + L":", form_->lMode->Caption());
  EXPECT_EQ(LookupLanguageText(3, 45), form_->HistoryClearAction->Caption());
  EXPECT_EQ(LookupLanguageText(3, 45), form_->HistoryClearAction->Hint());
  // The centred part as the bar's window holds it.
  wchar_t part[64] = {};
  SendMessageW(form_->StatusBar1->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(part));
  EXPECT_EQ(L"\t" + LookupLanguageText(3, 58), std::wstring(part));
}

}  // namespace
