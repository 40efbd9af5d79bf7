// A shown form that hosts a terminal or a viewer of synthetic lines, and
// helpers that drive them with window messages.
#pragma once

#include "Forms.h"
#include "Startup.h"
#include "VelViewers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A terminal that lets the tests read its lines as painting does. With
// flakyLog its log file writes one byte short the first time, and then
// writes as asked, as a device whose space comes and goes.
class TProbeTerminal : public TVelTerminal {
  VEL_CLASS(TProbeTerminal, TVelTerminal)
 public:
  using TVelTerminal::TVelTerminal;
  std::string LineText(int line, TVelTRMColorMode& mode) {
    std::string text;
    GetLineText(line, mode, CharColors(), text);
    return text;
  }
  using TVelCustomLineViewer::MoveCursor;
  bool flakyLog = false;

 protected:
  TVelFileStream* CreateLogFile(const std::string& name, uint16_t mode) override;
};

// A viewer whose line n reads "line n" followed by the letters of the
// alphabet, so that every cell of the first columns holds a character.
class TSyntheticViewer : public TVelCustomLineViewer {
  VEL_CLASS(TSyntheticViewer, TVelCustomLineViewer)
 public:
  using TVelCustomLineViewer::FreeCaret;
  using TVelCustomLineViewer::SetCaretType;
  using TVelCustomLineViewer::TVelCustomLineViewer;
  static std::string Line(int n);

 protected:
  void GetLineText(int line, TVelTRMColorMode& mode, TVelCLVCharColors& colors,
                   std::string& text) override;
};

// Every test gets a fresh library, a shown and active form, no message boxes
// unless it expects them, and the system blink time as it found it.
class TermFormTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A control of class T on the form at (8, 8), size width x height.
  template <typename T>
  T* Add(int width = 400, int height = 200) {
    T* control = Create<T>(form);
    control->SetParent(form);
    control->SetBounds(8, 8, width, height);
    return control;
  }
  void ShowForm();

  TForm* form = nullptr;
  UINT blinkTime = 0;
  std::vector<std::string> boxes;  // "caption|text|flags" of each message box
};

// Sends a key down (and, for a character key, its WM_CHAR) with the given
// modifiers held, as the keyboard state says.
void SendKey(TWinControl* control, WORD vk, TShiftState shift = {}, char ch = 0);
void SendChar(TWinControl* control, char ch);
void SetModifiers(TShiftState shift);
// A mouse message at a client position with the given MK_ keys.
void SendMouse(TWinControl* control, UINT msg, int x, int y, WPARAM keys = 0);
void SendScroll(TWinControl* control, UINT msg, int code, int pos = 0);
void SendWheel(TWinControl* control, int delta);
// Lets every pending message and paint run.
void Settle();
// Whether the window has an update region, and its bounding box.
bool HasUpdate(TWinControl* control, TRect* box = nullptr);
// The client pixels as 0x00RRGGBB values, row by row, as the screen shows
// them now; ClientPixels lets a pending paint run first.
std::vector<uint32_t> ScreenPixels(TWinControl* control);
std::vector<uint32_t> ClientPixels(TWinControl* control);
// The pixels after a full repaint of the client.
std::vector<uint32_t> RepaintedPixels(TWinControl* control);
// A temporary file name in the test's folder; removed when the test ends.
std::string TempFileName(const std::string& name);
std::string ReadFileBytes(const std::string& name);
