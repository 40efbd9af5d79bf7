// The console window: the setup utility's traffic as coloured, time-stamped
// lines, the newest 500 kept. It exists from start-up on and collects lines
// while hidden; closing it only hides it.
#pragma once

#include "ComCtrls.h"
#include "DateUtils.h"
#include "Forms.h"

#include <string>

class TConsolForm : public TForm {
  VEL_CLASS(TConsolForm, TForm)
  static void Publish(TPublisher<TConsolForm>& p);

 public:
  using TForm::TForm;

  // Colours of the callers' information and error lines.
  static constexpr TColor InfoColor = 0xC0C0C0;
  static constexpr int MaxLines = 500;

  // Appends text in color; a time above 0 stamps it unless the program's
  // settings switch stamps off.
  void AddLine(const std::string& text, TColor color, TDateTime time);
  // The caption in the current language.
  void UpdateCaption();

  TRichEdit* rtfConsol = nullptr;

 private:
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void AppendLine(const std::string& line, TColor color);
  void ScrollToEnd();
};

// The program's console, made by the start-up after the main form; null
// before.
extern TConsolForm* ConsolForm;
