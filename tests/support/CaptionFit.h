// Whether the texts of a form fit their controls. Each text is measured with
// GetTextExtentPoint32W in the font the control draws it with and held
// against the room the control gives it: its own width less its chrome (the
// box of a check box, the button of a combo box), or for a label the space up
// to the next control on its row. The kinds of text it cannot judge that way
// are named in one table, printed with the first check of a program; any
// other control it does not know is reported as a misfit, so nothing is
// skipped unseen.
#pragma once

#include "Forms.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// Texts a control shows in states other than the one the form is in now, by
// control name; "Bar.n" names part n of the status bar Bar.
using TOtherTexts = std::map<std::string, std::vector<std::wstring>>;

// A text wider than its room; a control the measure has no rule for comes
// with its class in text and no widths.
struct TMisfit {
  std::string control;  // "title" for the window title
  std::wstring text;
  int width;
  int room;
  std::string Describe() const;
};

// Every text of the shown form that does not fit, its window title included.
std::vector<TMisfit> CaptionMisfits(TCustomForm* form, const TOtherTexts& others = {});

// The texts of some languages stand as they are given, fitting or not: a
// misfit of one of these controls in one of these languages is noted in the
// output instead of failing. Every such control must still misfit somewhere,
// so the list stays true.
struct TStandingTexts {
  std::set<int> languages;
  std::set<std::string> controls;
};

// Checks forms language by language and fails once for every misfit,
// naming the language, the form, the control and the text.
class TCaptionFitReport {
 public:
  explicit TCaptionFitReport(TStandingTexts standing) : standing_(std::move(standing)) {}
  // Shows the form, lets it paint and measures it.
  void Check(TCustomForm* form, const std::string& formName, int language,
             const TOtherTexts& others = {});
  // Fails for each standing control that fitted in every check.
  void ExpectStandingMisfitsSeen() const;

 private:
  TStandingTexts standing_;
  std::set<std::string> seen_;
};

// For the pictures that tests/support/captionfit-pictures.sh takes: when
// VEL_PICTURE_DIR names a folder, shows the form in front with each combo
// box on its longest item, prints "picture NAME X Y W H" (the window on the
// screen) and waits until NAME.png is in that folder. False when no folder
// is named or no picture came.
bool HoldForPicture(TCustomForm* form, const std::string& name);
