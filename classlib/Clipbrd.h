// The system clipboard as one object: text in and out, opened with the
// application window as owner.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <string>

VEL_EXCEPTION_CLASS(EClipboardException, Exception);

class TClipboard : public TPersistent {
  VEL_CLASS(TClipboard, TPersistent)
 public:
  ~TClipboard() override;

  // Nested: only the outermost pair opens and closes the clipboard. Open
  // raises EClipboardException when the clipboard cannot be opened.
  void Open();
  void Close();

  bool HasFormat(UINT format) const;
  // CF_TEXT up to its first zero, never beyond its block; "" when there is
  // none or the clipboard cannot be opened.
  std::string AsText();
  // Raises EClipboardException when the text cannot be placed.
  void SetAsText(const std::string& text);
  void Clear();

 private:
  int openCount_ = 0;
};

// Made on first use, freed by DoneClipboard (classlib::Shutdown).
TClipboard* Clipboard();
void DoneClipboard();
