// The standard controls: label, push button, check box, radio button, edit,
// combo box and static text, and the action link of the button family.
//
// Every windowed class here stands on a system class through CreateSubClass
// in CreateParams and takes its notifications as CN_* messages in Dispatch,
// so a subclass (the wide layer) can run the inherited handling around its
// own. Values set from code raise no user events; only what the user does
// (BN_CLICKED, CBN_SELCHANGE, typing) raises OnClick, OnChange and OnSelect.
// Accelerators (CM_DIALOGCHAR) are matched through TControl::IsAccelChar.
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "StringList.h"

#include <functional>
#include <memory>
#include <string>

class TButtonControl;
class TCustomComboBox;

// ---- Small types -----------------------------------------------------------------------

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
VEL_ENUM_TYPE(TTextLayout);
VEL_ENUM_TYPE(TEllipsisPosition);
VEL_ENUM_TYPE(TCheckBoxState);
VEL_ENUM_TYPE(TEditCharCase);
VEL_ENUM_TYPE(TComboBoxStyle);
VEL_ENUM_TYPE(TStaticBorderStyle);

using TDrawItemEvent =
    TClosure<void(TWinControl* control, int index, const TRect& rect, TOwnerDrawState state)>;
using TMeasureItemEvent = TClosure<void(TWinControl* control, int index, int& height)>;

// DT_LEFT, DT_RIGHT or DT_CENTER.
UINT AlignmentDrawFlag(TAlignment alignment);

// ---- Label ---------------------------------------------------------------------------------

// A windowless caption. Painting and auto-sizing both go through DoDrawText;
// the measure (DT_CALCRECT) happens on a screen DC and never draws.
class TCustomLabel : public TGraphicControl {
  VEL_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* owner);
  void AfterConstruction() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool value);
  TEllipsisPosition EllipsisPosition() const { return ellipsisPosition_; }
  void SetEllipsisPosition(TEllipsisPosition value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  void Dispatch(TMessage& message) override;

 protected:
  // Draws the caption into rect, or with DT_CALCRECT only measures it into
  // rect.
  virtual void DoDrawText(TRect& rect, UINT flags);
  // Sizes the label to its caption when AutoSize; never while loading.
  virtual void AdjustBounds();
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Runs draw on rect; a disabled label draws twice, embossed in the button
  // colours.
  void DrawEnabledOrEmbossed(TRect& rect, const std::function<void(TRect&)>& draw);

 private:
  void DrawCaption(std::string text, TRect& rect, UINT flags);

  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TEllipsisPosition ellipsisPosition_ = epNone;
  TWinControl* focusControl_ = nullptr;
  TTextLayout layout_ = tlTop;
  bool showAccelChar_ = true;
  bool wordWrap_ = false;
};

class TLabel : public TCustomLabel {
  VEL_CLASS(TLabel, TCustomLabel)
  static void Publish(TPublisher<TLabel>& p);

 public:
  using TCustomLabel::TCustomLabel;
};

// The label's published entries, shared with the wide label: Caption is T's.
template <typename T>
void PublishLabel(TPublisher<T>& p) {
  using C = TCustomLabel;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("AutoSize", &C::AutoSize, &C::SetAutoSize);
  p.Property("Caption", &T::Caption, &T::SetCaption);
  p.Property("EllipsisPosition", &C::EllipsisPosition, &C::SetEllipsisPosition);
  p.Property("FocusControl", &C::FocusControl, &C::SetFocusControl);
  p.Property("Layout", &C::Layout, &C::SetLayout);
  p.Property("ShowAccelChar", &C::ShowAccelChar, &C::SetShowAccelChar);
  p.Property("Transparent", &C::Transparent, &C::SetTransparent);
  p.Property("WordWrap", &C::WordWrap, &C::SetWordWrap);
}

// ---- Buttons -------------------------------------------------------------------------------

// The base of push buttons, check boxes and radio buttons, and the client of
// TButtonActionLink.
class TButtonControl : public TWinControl {
  VEL_CLASS(TButtonControl, TWinControl)
 public:
  explicit TButtonControl(TComponent* owner);
  void AfterConstruction() override;

  // Set from code (and by the action link) without OnClick.
  virtual bool Checked() const { return false; }
  virtual void SetChecked(bool) {}
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  void ActionChange(TObject* sender, bool checkDefaults) override;

 protected:
  const TMetaClass* GetActionLinkClass() const override;
  void CreateParams(TCreateParams& params) override;

  // Check boxes and radio buttons: taLeftJustify puts the box on the right.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 private:
  bool wordWrap_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TButton : public TButtonControl {
  VEL_CLASS(TButton, TButtonControl)
  static void Publish(TPublisher<TButton>& p);

 public:
  using TButtonControl::TButtonControl;

  // Enter clicks the Default button while the focus is on no other button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  // Esc clicks the Cancel button.
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  // Given to the parent form by Click.
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }

  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void DialogKey(TMessage& m);
  // BS_DEFPUSHBUTTON on or off, following the focus.
  void ShowDefault(bool on);
  // Every button of the form shows the default frame as focused decides.
  void FocusChanged(TWinControl* focused);

  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
  bool shownDefault_ = false;
};

// BS_3STATE: the library owns the state, the native box never changes it.
class TCustomCheckBox : public TButtonControl {
  VEL_CLASS(TCustomCheckBox, TButtonControl)
 public:
  using TButtonControl::TButtonControl;

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool Checked() const override { return state_ == cbChecked; }
  void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool value) { allowGrayed_ = value; }
  using TButtonControl::Alignment;
  using TButtonControl::SetAlignment;

  void Dispatch(TMessage& message) override;

 protected:
  // The user's click: the next state, then Click.
  virtual void Toggle();
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
};

class TCheckBox : public TCustomCheckBox {
  VEL_CLASS(TCheckBox, TCustomCheckBox)
  static void Publish(TPublisher<TCheckBox>& p);

 public:
  using TCustomCheckBox::TCustomCheckBox;
};

// BS_RADIOBUTTON: checking one unchecks the radio buttons of its parent.
class TRadioButton : public TButtonControl {
  VEL_CLASS(TRadioButton, TButtonControl)
  static void Publish(TPublisher<TRadioButton>& p);

 public:
  using TButtonControl::TButtonControl;

  bool Checked() const override { return checked_; }
  void SetChecked(bool value) override;
  using TButtonControl::Alignment;
  using TButtonControl::SetAlignment;

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  bool checked_ = false;
};

// Links a button control's Checked to its action's.
class TButtonActionLink : public TWinControlActionLink {
  VEL_CLASS(TButtonActionLink, TWinControlActionLink)
 public:
  // client must be a TButtonControl (EInvalidCast otherwise).
  explicit TButtonActionLink(TObject* client);

  bool IsCheckedLinked() override;
  void SetChecked(bool value) override;

 protected:
  TButtonControl* ButtonClient() const { return client_; }

 private:
  TButtonControl* client_;
};

// ---- Edit ----------------------------------------------------------------------------------

// A single-line "EDIT". OnChange comes from the user's edits only: an
// EN_CHANGE caused by a WM_SETTEXT through the control's own chain (the
// library's setter or the wide layer's) raises nothing.
class TCustomEdit : public TWinControl {
  VEL_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* owner);
  void AfterConstruction() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // Touches the window only when the handle field is set; never creates it.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char value);
  bool Modified() const;
  void SetModified(bool value);

  // The selection; these create the window.
  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  std::string SelText();
  void SetSelText(const std::string& value);
  void SelectAll();

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
  TEditCharCase charCase_ = ecNormal;
  int maxLength_ = 0;
  bool readOnly_ = false;
  char passwordChar_ = '\0';
  bool modified_ = false;  // while there is no window
  DWORD savedSelStart_ = 0;
  DWORD savedSelEnd_ = 0;
  int settingText_ = 0;  // nesting of WM_SETTEXT on the own chain
};

class TEdit : public TCustomEdit {
  VEL_CLASS(TEdit, TCustomEdit)
  static void Publish(TPublisher<TEdit>& p);

 public:
  using TCustomEdit::TCustomEdit;
};

// ---- Combo box -----------------------------------------------------------------------------

// The 8-bit items of a combo box: a view of its window, which it creates.
class TComboBoxStrings : public TStrings {
  VEL_CLASS(TComboBoxStrings, TStrings)
 public:
  explicit TComboBoxStrings(TCustomComboBox* comboBox) : comboBox_(comboBox) {}

  int Add(const std::string& s) override;
  // Keeps the edit text.
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const std::string& s) override;
  int IndexOf(const std::string& s) const override;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;

 private:
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void CheckIndex(int index, int limit) const;

  TCustomComboBox* comboBox_;
};

class TCustomComboBox : public TWinControl {
  VEL_CLASS(TCustomComboBox, TWinControl)
 public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;
  void AfterConstruction() override;

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  // Out of range selects nothing (-1); set from code it raises nothing.
  int ItemIndex() const;
  void SetItemIndex(int value);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int value);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  bool AutoComplete() const { return autoComplete_; }
  void SetAutoComplete(bool value) { autoComplete_ = value; }
  int AutoCompleteDelay() const { return autoCompleteDelay_; }
  void SetAutoCompleteDelay(int value) { autoCompleteDelay_ = value; }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  bool AutoCloseUp() const { return autoCloseUp_; }
  void SetAutoCloseUp(bool value) { autoCloseUp_ = value; }
  bool DroppedDown();
  void SetDroppedDown(bool value);

  // The edit part (csDropDown, csSimple); these create the window.
  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  std::string SelText();
  void SetSelText(const std::string& value);

  HWND EditHandle() const { return editHandle_; }
  HWND ListHandle() const { return listHandle_; }
  // The item DC while an owner-drawn item is drawn.
  TCanvas* Canvas() const { return canvas_.get(); }

  // Virtual: a wide combo box takes the item into its wide list.
  virtual void AddItem(const std::string& text, TObject* object);
  // Adds the selected item with its object to destination (a combo box).
  virtual void CopySelection(TWinControl* destination);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;

  // The messages of the edit and list children. Keys and focus of the edit
  // child are handled here; the list child's go on untouched, since the combo
  // window already ran its key handling on them.
  virtual void ComboWndProc(TMessage& message, HWND child, WNDPROC childDefProc);
  // The 8-bit auto-complete, while AutoComplete.
  void KeyPress(char& key) override;
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();

  bool IsEditStyle() const { return style_ == csDropDown || style_ == csSimple; }

  // The children's own procedures and the instances put in their place. The
  // wide layer re-subclasses the children and reads and writes all four.
  WNDPROC FDefEditProc = nullptr;
  WNDPROC FDefListProc = nullptr;
  WNDPROC FEditInstance = nullptr;
  WNDPROC FListInstance = nullptr;

 private:
  friend class TComboBoxStrings;

  void EditWndProc(TMessage& m) { ComboWndProc(m, editHandle_, FDefEditProc); }
  void ListWndProc(TMessage& m) { ComboWndProc(m, listHandle_, FDefListProc); }
  void SubclassChildren();
  void RestoreSaved();
  // Selects the index kept while there was no window or while loading.
  void ApplyKeptItemIndex();
  void CNCommand(TMessage& m);
  void CNDrawItem(TMessage& m);
  void CNMeasureItem(TMessage& m);
  void SetTextFromCode(const std::string& text);
  void AdjustDropDown();
  bool EditKey(TMessage& m);
  void ListAutoComplete(char& key);
  void EditAutoComplete(char& key);
  void SelectByUser(int index);

  TComboBoxStyle style_ = csDropDown;
  TOwned<TComboBoxStrings> items_;
  TOwned<TCanvas> canvas_;
  int itemIndex_ = -1;  // while there is no window, or while loading
  int itemHeight_ = 16;
  int dropDownCount_ = 8;
  bool sorted_ = false;
  int maxLength_ = 0;
  TEditCharCase charCase_ = ecNormal;
  bool autoComplete_ = true;
  int autoCompleteDelay_ = 500;
  bool autoDropDown_ = false;
  bool autoCloseUp_ = false;
  HWND editHandle_ = nullptr;
  HWND listHandle_ = nullptr;
  int settingText_ = 0;  // nesting of text set from code
  std::string searchText_;
  DWORD lastSearchTick_ = 0;
  struct TSaved;
  std::unique_ptr<TSaved> saved_;  // while the window is re-created
};

class TComboBox : public TCustomComboBox {
  VEL_CLASS(TComboBox, TCustomComboBox)
  static void Publish(TPublisher<TComboBox>& p);

 public:
  using TCustomComboBox::TCustomComboBox;
};

// The combo box's published entries, shared with the wide combo box: Text and
// Items are T's.
template <typename T>
void PublishComboBox(TPublisher<T>& p) {
  using C = TCustomComboBox;
  p.Property("AutoComplete", &C::AutoComplete, &C::SetAutoComplete);
  p.Property("AutoCompleteDelay", &C::AutoCompleteDelay, &C::SetAutoCompleteDelay);
  p.Property("AutoDropDown", &C::AutoDropDown, &C::SetAutoDropDown);
  p.Property("AutoCloseUp", &C::AutoCloseUp, &C::SetAutoCloseUp);
  p.Property("Style", &C::Style, &C::SetStyle);
  p.Property("CharCase", &C::CharCase, &C::SetCharCase);
  p.Property("DropDownCount", &C::DropDownCount, &C::SetDropDownCount);
  p.Property("ItemHeight", &C::ItemHeight, &C::SetItemHeight);
  p.Property("ItemIndex", &C::ItemIndex, &C::SetItemIndex);
  p.Property("MaxLength", &C::MaxLength, &C::SetMaxLength);
  p.Property("Sorted", &C::Sorted, &C::SetSorted);
  p.Property("Text", &T::Text, &T::SetText);
  p.Event("OnChange", &C::OnChange);
  p.Event("OnCloseUp", &C::OnCloseUp);
  p.Event("OnDrawItem", &C::OnDrawItem);
  p.Event("OnDropDown", &C::OnDropDown);
  p.Event("OnMeasureItem", &C::OnMeasureItem);
  p.Event("OnSelect", &C::OnSelect);
  p.Property("Items", &T::Items, &T::SetItems);
}

// ---- Static text ---------------------------------------------------------------------------

// A "STATIC" caption with SS_NOTIFY; its colour comes through
// CN_CTLCOLORSTATIC.
class TCustomStaticText : public TWinControl {
  VEL_CLASS(TCustomStaticText, TWinControl)
 public:
  explicit TCustomStaticText(TComponent* owner);
  void AfterConstruction() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool value);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The caption's extent on a screen DC plus the border allowance; the
  // position is kept. Never while the form is read.
  virtual void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TStaticBorderStyle borderStyle_ = sbsNone;
  TWinControl* focusControl_ = nullptr;
  bool showAccelChar_ = true;
  bool transparent_ = false;
};

class TStaticText : public TCustomStaticText {
  VEL_CLASS(TStaticText, TCustomStaticText)
  static void Publish(TPublisher<TStaticText>& p);

 public:
  using TCustomStaticText::TCustomStaticText;
};

// Makes the classes above known to FindClass (form data).
void RegisterStdCtrlsClasses();
