// Wide (UTF-16) standard controls: the label, the push button, the check box,
// the radio button and the combo box.
//
// Each class is the class library's control with Caption, Text and Hint made
// wide through UcControls' accessors (republished under the same names, so
// that form data sets the wide ones), a Unicode window where the control has
// one, accelerators matched against the wide caption, and wide action links.
// The label draws its wide caption itself. The combo box keeps its items as
// UTF-16 in its Unicode window, carries them and its wide text across window
// re-creation, and searches and completes on wide characters.
//
// On the 8-bit platform family every class behaves as its base, with its
// texts converted through the ANSI code page.
#pragma once

#include "StdCtrls.h"
#include "UcActnList.h"
#include "UcClasses.h"
#include "UcControls.h"
#include "UcForms.h"

#include <string>

// ---- What every class adds ----------------------------------------------------------------

// The wide hint, the wide persistent properties and the wide action link on
// top of a class library control.
template <typename TBase>
class TUcWideStdControl : public TBase {
 public:
  using TBase::TBase;

  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }

  void DefineProperties(TFiler& filer) override {
    TBase::DefineProperties(filer);
    DefineWidePersistentProperties(filer, this);
  }
  void ActionChange(TObject* sender, bool checkDefaults) override {
    WideActionChange(this, sender, checkDefaults);
    TBase::ActionChange(sender, checkDefaults);
  }

 protected:
  const TMetaClass* GetActionLinkClass() const override {
    return GetWideActionLinkClass(this, TBase::GetActionLinkClass());
  }
};

// A control with a caption: its accelerator is the hot key of the wide
// caption, in either letter case.
template <typename TBase>
class TUcWideCaptionControl : public TUcWideStdControl<TBase> {
 public:
  using TUcWideStdControl<TBase>::TUcWideStdControl;

  bool IsAccelChar(WORD charCode) override {
    return MatchWideAccelerator(charCode, GetWideControlText(this));
  }
};

// A button of the system's BUTTON class, made as a Unicode window.
template <typename TBase>
class TUcWideButtonControl : public TUcWideCaptionControl<TBase> {
 public:
  using TUcWideCaptionControl<TBase>::TUcWideCaptionControl;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override {
    CreateUnicodeHandle(this, params, L"BUTTON");
  }
};

// ---- Label ---------------------------------------------------------------------------------

class TUcCustomLabel : public TUcWideCaptionControl<TCustomLabel> {
  VEL_CLASS(TUcCustomLabel, TCustomLabel)
  static void Publish(TPublisher<TUcCustomLabel>& p);

 public:
  using TUcWideCaptionControl::TUcWideCaptionControl;

  void Dispatch(TMessage& message) override;

 protected:
  // What the label draws: its wide caption.
  virtual std::wstring GetWideLabelText();
  // A measuring call (DT_CALCRECT) never draws, the ellipsis branch
  // included: the layout measure of Paint runs before the drawing.
  void DoDrawText(TRect& rect, UINT flags) override;

 private:
  std::wstring DropWordsToFit(std::wstring text, const TRect& rect, UINT flags);
  void DrawWideCaption(const std::wstring& text, TRect& rect, UINT flags);
};

class TUcLabel : public TUcCustomLabel {
  VEL_CLASS(TUcLabel, TUcCustomLabel)
  static void Publish(TPublisher<TUcLabel>& p);

 public:
  using TUcCustomLabel::TUcCustomLabel;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

// ---- Buttons -------------------------------------------------------------------------------

class TUcButton : public TUcWideButtonControl<TButton> {
  VEL_CLASS(TUcButton, TButton)
  static void Publish(TPublisher<TUcButton>& p);

 public:
  using TUcWideButtonControl::TUcWideButtonControl;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

class TUcCustomCheckBox : public TUcWideButtonControl<TCustomCheckBox> {
  VEL_CLASS(TUcCustomCheckBox, TCustomCheckBox)
  static void Publish(TPublisher<TUcCustomCheckBox>& p);

 public:
  using TUcWideButtonControl::TUcWideButtonControl;
};

class TUcCheckBox : public TUcCustomCheckBox {
  VEL_CLASS(TUcCheckBox, TUcCustomCheckBox)
  static void Publish(TPublisher<TUcCheckBox>& p);

 public:
  using TUcCustomCheckBox::TUcCustomCheckBox;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

class TUcRadioButton : public TUcWideButtonControl<TRadioButton> {
  VEL_CLASS(TUcRadioButton, TRadioButton)
  static void Publish(TPublisher<TUcRadioButton>& p);

 public:
  using TUcWideButtonControl::TUcWideButtonControl;

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
};

// ---- Combo box -----------------------------------------------------------------------------

class TUcCustomComboBox;

// The wide items of a combo box: no storage of its own. With a Unicode
// window the texts live in the window as UTF-16; otherwise they go to the
// base's 8-bit list, converted. Asking for the window creates it.
class TUcComboBoxStrings : public TUcStrings {
  VEL_CLASS(TUcComboBoxStrings, TUcStrings)
 public:
  explicit TUcComboBoxStrings(TUcCustomComboBox* comboBox) : comboBox_(comboBox) {}

  // A full list raises EOutOfResources "Unable to insert a line".
  int Add(const std::wstring& s) override;
  void Insert(int index, const std::wstring& s) override;
  // Keeps the wide edit text.
  void Clear() override;
  void Delete(int index) override;
  int IndexOf(const std::wstring& s) const override;

 protected:
  // Out of range gives "" on a Unicode window.
  std::wstring Get(int index) const override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;

 private:
  bool HasUnicodeWindow() const;
  LRESULT SendWide(UINT msg, WPARAM wParam, const std::wstring& text) const;
  TStrings* AnsiItems() const;

  TUcCustomComboBox* comboBox_;
};

class TUcCustomComboBox : public TUcWideStdControl<TCustomComboBox>, public IWideListControl {
  VEL_CLASS(TUcCustomComboBox, TCustomComboBox)
  static void Publish(TPublisher<TUcCustomComboBox>& p);

 public:
  explicit TUcCustomComboBox(TComponent* owner);
  ~TUcCustomComboBox() override;

  TUcStrings* Items() const;
  virtual void SetItems(TUcStrings* value);
  // Items.AddObject; also the wide list-control operation.
  void AddItem(const std::wstring& item, TObject* object) override;
  // An 8-bit item (another combo box's CopySelection) is widened: the base
  // would hand its 8-bit buffer to the Unicode window unconverted.
  void AddItem(const std::string& item, TObject* object) override;

  std::wstring Text() { return GetWideControlText(this); }
  void SetText(const std::wstring& value) { SetWideControlText(this, value); }

  // The selection of the edit part in UTF-16 code units on every platform
  // family.
  int WideSelStart();
  void SetWideSelStart(int value);
  int WideSelLength();
  void SetWideSelLength(int value);
  // Empty for the list styles on the NT family.
  std::wstring WideSelText();

  // Adds the selected wide item with its object to destination, wide when it
  // is a wide list control.
  void CopySelection(TWinControl* destination) override;

  virtual bool AutoCompleteUniqueMatchOnly() const { return false; }
  virtual bool AutoCompletePreservesTypedCase() const { return true; }

  void Dispatch(TMessage& message) override;

  // A pause of this many milliseconds between two keys starts a new list
  // search (AutoCompleteDelay does not enter).
  static constexpr DWORD kSearchInterval = 1250;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void ComboWndProc(TMessage& message, HWND child, WNDPROC childDefProc) override;
  // Without OnDrawItem: the brush fill, then the wide item at left + 2.
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  // The base's 8-bit auto-complete never runs: the wide one does.
  void KeyPress(char& key) override;
  // Edit styles: completes the typed text on a copy of the WM_CHAR.
  virtual void EditAutoComplete(TMessage& message);

 private:
  friend class TUcComboBoxStrings;
  friend bool UcCombo_SelectMatch(TUcCustomComboBox* combo, TUcStrings* items,
                                  const std::wstring& text, bool preserveTypedCase,
                                  bool uniqueOnly);
  friend bool UcCombo_ListSearchKeyPress(TUcCustomComboBox* combo, TUcStrings* items,
                                         TMessage& message, std::wstring& searchText,
                                         DWORD& lastSearchTick);
  friend void UcCombo_AutoCompleteKeyPress(TUcCustomComboBox* combo, TUcStrings* items,
                                           TMessage& message, bool uniqueOnly,
                                           bool preserveTypedCase);
  friend bool UcCombo_HandleEditMessage(TUcCustomComboBox* combo, TMessage& message, HWND child,
                                        WNDPROC childDefProc);
  friend bool UcCombo_HandleSelChange(TUcCustomComboBox* combo, TUcStrings* items,
                                      TMessage& message);
  friend void UcCombo_AfterCreateWnd(TUcCustomComboBox* combo, TUcStrings* items,
                                     const std::string& notedText);
  friend std::wstring UcCombo_BeforeDestroyWnd(TUcCustomComboBox* combo, TUcStrings* items);

  // Plain SetText of the base; the 8-bit twin of the wide text.
  void SetAnsiText(const std::string& value) { TControl::SetText(value); }
  bool SetTextOfListStyle(TMessage& m);

  TOwned<TUcComboBoxStrings> wideItems_;
  TOwned<TUcStrings> saveItems_;
  int saveItemIndex_ = -1;
  std::wstring searchText_;
  DWORD lastSearchTick_ = 0;
};

class TUcComboBox : public TUcCustomComboBox {
  VEL_CLASS(TUcComboBox, TUcCustomComboBox)
  static void Publish(TPublisher<TUcComboBox>& p);

 public:
  using TUcCustomComboBox::TUcCustomComboBox;
};

// ---- The combo box's routines ----------------------------------------------------------

// The first item from after start (-1: the top) on, wrapping round, that
// begins with text, ignoring case; -1 when none.
int UcCombo_FindString(TUcCustomComboBox* combo, int start, const std::wstring& text);
// That item when it is the only one that begins with text, else -1.
int UcCombo_FindUniqueString(TUcCustomComboBox* combo, const std::wstring& text);
// Selects the item that text begins (edit styles also complete the text and
// select the completed rest); OnClick then OnSelect when the selection
// changed. False when no item matches.
bool UcCombo_SelectMatch(TUcCustomComboBox* combo, TUcStrings* items, const std::wstring& text,
                         bool preserveTypedCase, bool uniqueOnly);
// Edit styles only (EUcInternalError otherwise): the WM_CHAR's character
// becomes 0 when it completed an item.
void UcCombo_AutoCompleteKeyPress(TUcCustomComboBox* combo, TUcStrings* items, TMessage& message,
                                  bool uniqueOnly, bool preserveTypedCase);
// List styles: true when the character extended the search to a match.
bool UcCombo_ListSearchKeyPress(TUcCustomComboBox* combo, TUcStrings* items, TMessage& message,
                                std::wstring& searchText, DWORD& lastSearchTick);
// Opens the list and keeps the edit text and its selection.
void UcCombo_DropDownKeepingText(TUcCustomComboBox* combo);
// A child window's message before the base's handling; true when handled.
bool UcCombo_HandleEditMessage(TUcCustomComboBox* combo, TMessage& message, HWND child,
                               WNDPROC childDefProc);
// CBN_SELCHANGE: the wide item becomes the text, then OnClick and OnSelect.
// False for every other notification.
bool UcCombo_HandleSelChange(TUcCustomComboBox* combo, TUcStrings* items, TMessage& message);
// Makes both children Unicode and puts the saved items, selection and wide
// text back.
void UcCombo_AfterCreateWnd(TUcCustomComboBox* combo, TUcStrings* items,
                            const std::string& notedText);
// Sets the wide items aside and returns the wide text to keep (NT family).
std::wstring UcCombo_BeforeDestroyWnd(TUcCustomComboBox* combo, TUcStrings* items);

// ---- Module ---------------------------------------------------------------------------------

// Makes the published classes known to the form reader.
void InitUcStdCtrls();
