// What the control tests share: a shown, active form that hosts each test's
// controls with a log of the events they raise, a count of the messages a
// control's own chain sees, and the pixels of a drawing in memory.
#pragma once

#include "Forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

class ActiveFormTest : public testing::Test {
 protected:
  explicit ActiveFormTest(TSize formSize) : formSize_(formSize) {}

  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetName("Form");
    form_->SetBounds(40, 40, formSize_.cx, formSize_.cy);
    form_->Show();
    SetForegroundWindow(form_->Handle());
    ASSERT_TRUE(classlib::PumpUntil([this] { return form_->Active(); }, 3000));
  }
  void TearDown() override { form_.reset(); }

  // A control owned and parented by the form.
  template <typename T>
  T* Add(const std::string& name, const TRect& bounds = Bounds(8, 8, 120, 24)) {
    T* c = Create<T>(form_.get());
    c->SetName(name);
    c->SetBoundsRect(bounds);
    c->SetParent(form_.get());
    return c;
  }
  // Logs "Name:event".
  void Record(TObject* sender, const std::string& event) {
    log_.push_back(static_cast<TComponent*>(sender)->Name() + ":" + event);
  }

  TOwned<TForm> form_;
  std::vector<std::string> log_;

 private:
  TSize formSize_;
};

// The messages a control's own chain sees, counted by a WindowProc put in
// front of the control's own.
class TMessageCounter {
 public:
  explicit TMessageCounter(TControl* control)
      : control_(control), previous_(control->WindowProc()) {
    control_->SetWindowProc(Method<&TMessageCounter::Proc>(this));
  }
  ~TMessageCounter() { control_->SetWindowProc(previous_); }
  TMessageCounter(const TMessageCounter&) = delete;
  TMessageCounter& operator=(const TMessageCounter&) = delete;

  int Count(UINT msg) const {
    return static_cast<int>(std::count(seen_.begin(), seen_.end(), msg));
  }
  // Whether the counter still comes first in the chain, and what it passes
  // the messages on to.
  bool First() const {
    return control_->WindowProc() ==
           Method<&TMessageCounter::Proc>(const_cast<TMessageCounter*>(this));
  }
  const TWndMethod& Next() const { return previous_; }

 private:
  void Proc(TMessage& m) {
    seen_.push_back(m.Msg);
    previous_(m);
  }

  TControl* control_;
  TWndMethod previous_;
  std::vector<UINT> seen_;
};

// Every pixel of a width x height bitmap on a white ground after paint drew
// into it.
inline std::vector<COLORREF> Rendered(int width, int height,
                                      const std::function<void(HDC)>& paint) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  paint(dc);
  std::vector<COLORREF> seen;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      seen.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return seen;
}

// The control's own WM_PAINT into a bitmap of its size.
inline std::vector<COLORREF> Painted(TControl* control) {
  return Rendered(control->Width(), control->Height(), [control](HDC dc) {
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  });
}
