// The main form connected to the fake instrument, and the user's hand: clicks,
// selections, keys and pasted text as the controls' windows get them, and
// what the fake received.
#pragma once

#include "FakeInstrument.h"
#include "MainFormTestSupport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

class ConnectedFormTest : public MainFormTest {
 protected:
  static constexpr DWORD kConnectMs = 15000;
  static constexpr DWORD kReplyMs = 3000;

  bool Connected() const { return form_->Engine()->IsConnected(); }

  // Connected, the options read and the first poll (the second RSN) sent.
  void Connect(TFakeInstrument& fake) {
    RescanPorts();
    MakeForm(fake.ComNumber());
    form_->btnConnectClick(form_->btnConnect);
    ASSERT_TRUE(classlib::PumpUntil([this] { return form_->PollTimer->Enabled(); }, kConnectMs));
    ASSERT_TRUE(WaitFor(fake, "RSN", 2));
  }

  static int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  // Until the fake received line at least count times.
  bool WaitFor(TFakeInstrument& fake, const std::string& line, int count = 1,
               DWORD timeoutMs = kReplyMs) {
    return classlib::PumpUntil([&] { return Count(fake.Received(), line) >= count; }, timeoutMs);
  }

  static std::vector<std::string> SetCommands(TFakeInstrument& fake) {
    std::vector<std::string> sets;
    for (const std::string& line : fake.Received())
      if (!line.empty() && line[0] == 'S')
        sets.push_back(line);
    return sets;
  }

  // Clears what the fake received, runs the action and returns the set
  // commands that arrived within settleMs of it.
  template <typename F>
  std::vector<std::string> SetsAfter(TFakeInstrument& fake, F action, DWORD settleMs = 300) {
    fake.ClearReceived();
    action();
    classlib::PumpFor(settleMs);
    return SetCommands(fake);
  }

  static void Click(TWinControl* control) { SendMessageW(control->Handle(), BM_CLICK, 0, 0); }

  static void UserSelects(TUcComboBox* combo, int index) {
    combo->Perform(CB_SETCURSEL, index);
    SendMessageW(GetParent(combo->Handle()), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo->Handle()));
  }

  static void UserSelects(TUcComboBox* combo, const std::wstring& item) {
    UserSelects(combo, combo->Items()->IndexOf(item));
  }

  static void Key(TWinControl* control, wchar_t key) {
    SendMessageW(control->Handle(), WM_CHAR, key, 1);
  }

  // Replaces the text as typing would, and leaves the edit marked modified.
  static void Type(TUcAlignedEdit* edit, const std::wstring& text) {
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    for (wchar_t c : text)
      Key(edit, c);
  }

  static void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), text.c_str(), bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
  }

  // Pastes text from the clipboard over the edit's whole text, past the key
  // filters.
  static void Paste(TUcAlignedEdit* edit, const std::wstring& text) {
    SetClipboardText(text);
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(edit->Handle(), WM_PASTE, 0, 0);
  }

  std::string Text(TUcAlignedEdit* edit) const { return Ansi(edit->Text()); }
};
