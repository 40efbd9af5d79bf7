// Focus bookkeeping: the one way a control finds its form, and the focus and
// tab-order members of TWinControl. The form keeps its active control through
// IFormSite (Controls.h); everything here keeps that record honest.
#pragma once

class TControl;
class TWinControl;
class IFormSite;

// The form at the top of control's parent chain, as a control; nullptr when
// the top is no form (or control is nullptr).
TWinControl* FormControlOf(const TControl* control);
IFormSite* FormSiteOf(const TControl* control);

// Tells control's form that control leaves it; call while the parent link is
// still set.
void ControlLeavingForm(TControl* control);

// Whether windows of controls are being destroyed right now. The focus that
// Windows hands to a parent meanwhile is no user's focus change: it changes
// no active control and runs no enter or exit.
bool DestroyingWindows();
class TWindowDestruction {
 public:
  TWindowDestruction();
  ~TWindowDestruction();
  TWindowDestruction(const TWindowDestruction&) = delete;
  TWindowDestruction& operator=(const TWindowDestruction&) = delete;
};

// The control whose window has the focus, or holds the focused window (a
// combo box's edit), when it is root or lies inside it; nullptr otherwise.
TWinControl* FocusedControlWithin(TWinControl* root);
// Gives the focus back to control after its window was made again; nothing
// when it has no window or holds the focus already.
void RestoreFocusTo(TWinControl* control);
