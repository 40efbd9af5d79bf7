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
