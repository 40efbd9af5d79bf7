// The progress window: a small borderless window centred on the main form,
// with a busy bar and one line of text, up while the setup utility connects
// to the instrument. The user cannot close it; only the program hides it.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "UcStdCtrls.h"

#include <functional>
#include <string>

// A progress bar that can run as a marquee, a busy bar without a position.
class TBusyProgressBar : public TProgressBar {
  VEL_CLASS(TBusyProgressBar, TProgressBar)
 public:
  using TProgressBar::TProgressBar;

  bool Marquee() const { return marquee_; }
  // Re-creates the window: the style is read when it is made.
  void SetMarquee(bool value);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool marquee_ = false;
};

class TProgressForm : public TForm {
  VEL_CLASS(TProgressForm, TForm)
  static void Publish(TPublisher<TProgressForm>& p);

 public:
  using TForm::TForm;

  // Shows the window over the application's main form, then the text.
  void ShowInfo(const std::wstring& text);
  // The text, painted at once.
  void SetInfo(const std::wstring& text);
  // Closes the window when it is up.
  void HideProgress();

  // Set at creation: the platform has the marquee (Vista and later);
  // otherwise a timer steps the bar.
  bool UseMarquee() const { return useMarquee_; }

  TPanel* pBackground = nullptr;
  TPanel* pInfo = nullptr;
  TUcLabel* lInfo = nullptr;
  TBusyProgressBar* pProgress = nullptr;
  TTimer* Timer1 = nullptr;

 private:
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender, TCloseAction& action);
  void Timer1Timer(TObject* sender);
  void CentreOnMainForm();

  bool useMarquee_ = false;
  bool hiding_ = false;
};

// The program's one progress window, made on first use.
TProgressForm* ProgressForm();
// Frees it (program end; tests start over).
void FreeProgressForm();

// Tests: whether the platform has the marquee; null restores the version
// test. Read when the window is made.
using TMarqueeProbe = std::function<bool()>;
void SetMarqueeProbe(TMarqueeProbe probe);
