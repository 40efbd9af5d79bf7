#include "ControlFocus.h"

#include "Controls.h"

#include <algorithm>

// ---- The form of a control -------------------------------------------------------------

TWinControl* FormControlOf(const TControl* control) {
  if (!control)
    return nullptr;
  while (control->Parent())
    control = control->Parent();
  auto* top = dynamic_cast<TWinControl*>(const_cast<TControl*>(control));
  return dynamic_cast<IFormSite*>(top) ? top : nullptr;
}

IFormSite* FormSiteOf(const TControl* control) {
  return dynamic_cast<IFormSite*>(FormControlOf(control));
}

void ControlLeavingForm(TControl* control) {
  if (IFormSite* site = FormSiteOf(control))
    site->ControlLeaving(control);
}

// ---- Windows going away ------------------------------------------------------------------

namespace {

int windowDestructions = 0;  // main thread only, as every window of a control

}  // namespace

bool DestroyingWindows() {
  return windowDestructions > 0;
}

TWindowDestruction::TWindowDestruction() {
  ++windowDestructions;
}

TWindowDestruction::~TWindowDestruction() {
  --windowDestructions;
}

TWinControl* FocusedControlWithin(TWinControl* root) {
  if (!root || !root->HandleAllocated())
    return nullptr;
  const HWND focus = GetFocus();
  if (!focus || (focus != root->WindowHandle() && !IsChild(root->WindowHandle(), focus)))
    return nullptr;
  for (HWND window = focus; window; window = GetParent(window)) {
    TWinControl* control = FindControl(window);
    if (control && root->ContainsControl(control))
      return control;
  }
  return nullptr;
}

void RestoreFocusTo(TWinControl* control) {
  if (control && control->HandleAllocated() && !control->Focused() &&
      !IsChild(control->WindowHandle(), GetFocus()))
    ::SetFocus(control->WindowHandle());
}

// ---- TWinControl's focus -------------------------------------------------------------------

TWinControl* TWinControl::ParentFormControl() const {
  return FormControlOf(this);
}

IFormSite* TWinControl::ParentFormSite() const {
  return FormSiteOf(this);
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* c = this; c; c = c->parent_) {
    if (!c->Visible() || !c->Enabled())
      return false;
  }
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
  return handle_ && GetFocus() == handle_;
}

void TWinControl::HandleSetFocus(TMessage& m) {
  IFormSite* site = DestroyingWindows() ? nullptr : ParentFormSite();
  if (site && !site->SetFocusedControl(this))
    return;
  DefaultHandler(m);
}

// ---- Tab order ---------------------------------------------------------------------------

void TWinControl::SetTabStop(bool on) {
  if (on == tabStop_)
    return;
  tabStop_ = on;
  Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
  if (pendingTabOrder_ >= 0)
    return pendingTabOrder_;
  if (!parent_)
    return -1;
  const auto& list = parent_->tabList_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (ComponentState().Contains(csLoading)) {
    pendingTabOrder_ = order;
    return;
  }
  ApplyTabOrder(order);
}

void TWinControl::ApplyTabOrder(int order) {
  if (!parent_)
    return;
  auto& list = parent_->tabList_;
  const int count = static_cast<int>(list.size());
  order = std::max(0, std::min(order, count - 1));
  if (order == TabOrder())
    return;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin() + order, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* child : tabList_) {
    list.push_back(child);
    child->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  const int count = static_cast<int>(list.size());
  if (count == 0)
    return nullptr;
  const auto found = std::find(list.begin(), list.end(), current);
  int start =
      found == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[i];
    if (c != current && (!checkTabStop || c->tabStop_) && (!checkParent || c->parent_ == this) &&
        c->CanFocus())
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
    next->SetFocus();
}
