// A shown, active form for the wide standard controls' tests, and the
// reference drawings and measures they compare with, made with the W
// functions.
#pragma once

#include "ControlTestSupport.h"
#include "UcStdCtrls.h"

#include <string>
#include <vector>

extern const std::wstring kCyrillic;  // "Жук"
extern const std::wstring kGreek;     // "Σκαθάρι"
extern const std::wstring kCjk;       // "甲虫"

class UcStdCtrlsTest : public ActiveFormTest {
 protected:
  UcStdCtrlsTest() : ActiveFormTest(TSize(420, 320)) {}

  // Logs "Name:click" (and select, change, key) for the control's events.
  void Watch(TControl* control);
  void Watch(TCustomComboBox* combo);

 private:
  void Click(TObject* sender) { Record(sender, "click"); }
  void Change(TObject* sender) { Record(sender, "change"); }
  void Select(TObject* sender) { Record(sender, "select"); }
  void KeyPress(TObject* sender, char& key);
};

// text drawn with DrawTextW in font on a white ground, flags as given.
std::vector<COLORREF> ReferenceText(int width, int height, TFont* font, const std::wstring& text,
                                    UINT flags, TColor color = clBlack);
// DrawTextW's measure of one line of text in font.
TSize MeasuredW(TFont* font, const std::wstring& text, UINT flags = 0);
