// The wide panel: the class library's panel with a wide Caption and Hint, a
// Unicode window of its own class, wide action links, and a painting step
// that draws the wide caption.
//
// On the 8-bit platform family the panel paints and behaves as its base,
// with its texts converted through the ANSI code page.
#pragma once

#include "ExtCtrls.h"
#include "UcControls.h"

#include <string>

class TUcCustomPanel : public TCustomPanel {
  VEL_CLASS(TUcCustomPanel, TCustomPanel)
  static void Publish(TPublisher<TUcCustomPanel>& p);

 public:
  using TCustomPanel::TCustomPanel;

  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  // Bevels, border and fill as the base paints them, then the wide caption
  // on one line as high as "W", centred vertically (a second line never
  // shows) and placed by Alignment.
  void Paint() override;
  const TMetaClass* GetActionLinkClass() const override;

 private:
  void PaintBevel(TRect& r, TBevelCut cut);
};

class TUcPanel : public TUcCustomPanel {
  VEL_CLASS(TUcPanel, TUcCustomPanel)
  static void Publish(TPublisher<TUcPanel>& p);

 public:
  using TUcCustomPanel::TUcCustomPanel;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

// Makes the published classes known to the form reader.
void InitUcExtCtrls();
