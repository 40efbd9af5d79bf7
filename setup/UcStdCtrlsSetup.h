// The wide (UTF-16) controls only the setup utility uses: the edit, the edit
// with a text alignment, and the static text (the grey group strips of the
// main window). They follow the widget layer's pattern: a Unicode window on
// the NT family, wide Text/Caption and Hint through UcControls' accessors
// (republished under the same names, so that form data sets the wide ones),
// and wide action links.
//
// The 8-bit platform family is served too: its edit windows count the
// selection in bytes, and on far-east systems its edits take the read-only
// state only once they exist.
#pragma once

#include "StdCtrls.h"
#include "UcControls.h"

#include <string>

// ---- Selections in bytes and in characters (8-bit edit windows) ---------------------------

// How many wide characters the first bytes of ansiText make.
int AnsiToWidePosition(const std::string& ansiText, int bytes, UINT codePage);
// How many bytes count wide characters of wideText from start make in the
// 8-bit form.
int WideToAnsiLength(const std::wstring& wideText, int start, int count, UINT codePage);
// The 8-bit twin of a wide password character: a character beyond one byte
// shows as '*'.
char PasswordCharToAnsi(wchar_t c);

// ---- Edit ------------------------------------------------------------------------------------

// The text a paste is about to put in; the handler may change it.
using TPasteTextEvent = TClosure<void(TObject* sender, std::wstring& text)>;

class TUcCustomEdit : public TCustomEdit {
  VEL_CLASS(TUcCustomEdit, TCustomEdit)
  static void Publish(TPublisher<TUcCustomEdit>& p);

 public:
  using TCustomEdit::TCustomEdit;

  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }
  // Follows the 8-bit password character when other code changed that.
  wchar_t PasswordChar();
  // Does not re-create the window.
  void SetPasswordChar(wchar_t value);

  // In characters of the wide text on every platform family.
  virtual int SelStart();
  virtual void SetSelStart(int value);
  virtual int SelLength();
  virtual void SetSelLength(int value);
  virtual std::wstring SelText();

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;

  // When assigned, a paste (WM_PASTE, Shift+Insert) gives it the clipboard's
  // text first; what it leaves replaces the selection, as far as the length
  // limit allows. Left empty, the paste changes nothing.
  TPasteTextEvent OnPasteText;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void CreateWnd() override;
  const TMetaClass* GetActionLinkClass() const override;
  void Dispatch(TMessage& m) override;

 private:
  void SetAnsiPasswordChar(char value);
  bool IsPaste(const TMessage& m) const;
  void PasteText();
  void ReplaceSelection(const std::wstring& text);
  // The current password character to the Unicode window.
  void SendWidePasswordChar();

  wchar_t widePasswordChar_ = 0;
};

class TUcEdit : public TUcCustomEdit {
  VEL_CLASS(TUcEdit, TUcCustomEdit)
  static void Publish(TPublisher<TUcEdit>& p);

 public:
  using TUcCustomEdit::TUcCustomEdit;

  std::wstring Text() { return GetWideControlText(this); }
  void SetText(const std::wstring& value) { SetWideControlText(this, value); }
};

class TUcAlignedEdit : public TUcEdit {
  VEL_CLASS(TUcAlignedEdit, TUcEdit)
  static void Publish(TPublisher<TUcAlignedEdit>& p);

 public:
  using TUcEdit::TUcEdit;

  TAlignment Alignment() const { return alignment_; }
  // Re-creates the window: the edit reads its alignment when it is made.
  void SetAlignment(TAlignment value);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TAlignment alignment_ = taLeftJustify;
};

// ---- Static text -----------------------------------------------------------------------------

class TUcCustomStaticText : public TCustomStaticText {
  VEL_CLASS(TUcCustomStaticText, TCustomStaticText)
  static void Publish(TPublisher<TUcCustomStaticText>& p);

 public:
  using TCustomStaticText::TCustomStaticText;

  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;
  // The accelerator of the wide caption.
  bool IsAccelChar(WORD charCode) override;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  // Sized to the wide caption.
  void AdjustBounds() override;
  const TMetaClass* GetActionLinkClass() const override;
};

class TUcStaticText : public TUcCustomStaticText {
  VEL_CLASS(TUcStaticText, TUcCustomStaticText)
  static void Publish(TPublisher<TUcStaticText>& p);

 public:
  using TUcCustomStaticText::TUcCustomStaticText;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

// Makes the published classes known to the form reader.
void RegisterUcStdCtrlsSetupClasses();
