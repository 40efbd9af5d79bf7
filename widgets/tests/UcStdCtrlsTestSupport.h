// A shown, active form for the wide standard controls' tests, and what they
// share: pixels of a control drawn into memory, reference drawings with the
// W functions, and a count of the messages a control's chain sees.
#pragma once

#include "Forms.h"
#include "UcStdCtrls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

extern const std::wstring kCyrillic;  // "Жук"
extern const std::wstring kGreek;     // "Σκαθάρι"
extern const std::wstring kCjk;       // "甲虫"

class UcStdCtrlsTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <typename T>
  T* Add(const std::string& name, const TRect& bounds = Bounds(8, 8, 120, 24)) {
    T* c = Create<T>(form_.get());
    c->SetName(name);
    c->SetBoundsRect(bounds);
    c->SetParent(form_.get());
    return c;
  }
  // Logs "Name:click" (and select, change, key) for the control's events.
  void Watch(TControl* control);
  void Watch(TCustomComboBox* combo);

  TOwned<TForm> form_;
  std::vector<std::string> log_;

 private:
  void Click(TObject* sender) { Record(sender, "click"); }
  void Change(TObject* sender) { Record(sender, "change"); }
  void Select(TObject* sender) { Record(sender, "select"); }
  void KeyPress(TObject* sender, char& key);
  void Record(TObject* sender, const std::string& event);
};

// Every pixel of a width x height bitmap after paint drew into it.
std::vector<COLORREF> Rendered(int width, int height, const std::function<void(HDC)>& paint);
// text drawn with DrawTextW in font on a white ground, flags as given.
std::vector<COLORREF> ReferenceText(int width, int height, TFont* font, const std::wstring& text,
                                    UINT flags, TColor color = clBlack);
// The control's own WM_PAINT into a bitmap of its size.
std::vector<COLORREF> Painted(TControl* control);
// DrawTextW's measure of one line of text in font.
TSize MeasuredW(TFont* font, const std::wstring& text, UINT flags = 0);

// Counts the messages a control's own chain sees.
class TMessageCounter {
 public:
  explicit TMessageCounter(TControl* control);
  ~TMessageCounter();
  int Count(UINT msg) const;

 private:
  void Proc(TMessage& m);

  TControl* control_;
  TWndMethod previous_;
  std::vector<UINT> seen_;
};
