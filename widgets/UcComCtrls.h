// The wide tool bar and status bar: Unicode windows of the system classes,
// tool buttons whose wide captions reach the native bar as wide button
// strings, and status panels and a simple text whose wide texts reach the
// native bar through SB_SETTEXTW with the alignment TABs the class library
// chose.
//
// The class library talks to both native bars with 8-bit messages that pass
// through the control's own message chain (TB_INSERTBUTTONA, SB_SETTEXTA);
// the wide bars catch them there and put the wide text in.
//
// On the 8-bit platform family every class behaves as its base, with its
// texts converted through the ANSI code page.
#pragma once

#include "ComCtrls.h"
#include "UcControls.h"

#include <string>

// ---- Common-control windows ----------------------------------------------------------------

// CreateUnicodeHandle on the system class systemClass, then (NT family) the
// native control is told to send Unicode notifications. An empty class name
// is an internal error (EAssertionFailed).
void CreateUnicodeHandle_ComCtl(TWinControl* control, const TCreateParams& params,
                                const std::wstring& systemClass);

// text with as many leading TABs as ansiText has: missing ones are put in
// front, surplus ones taken away.
std::wstring MatchLeadingTabs(const std::wstring& text, const std::string& ansiText);

// ---- Tool bar ------------------------------------------------------------------------------

class TUcToolButton : public TToolButton {
  VEL_CLASS(TUcToolButton, TToolButton)
  static void Publish(TPublisher<TUcToolButton>& p);

 public:
  using TToolButton::TToolButton;

  std::wstring Caption() { return GetWideControlText(this); }
  // Also refreshes the native button, so that it shows the new wide text.
  void SetCaption(const std::wstring& value);
  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }
  // A wide menu item also hands over its wide caption and hint.
  void SetMenuItem(TMenuItem* item) override;

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;
  void Dispatch(TMessage& message) override;

 protected:
  const TMetaClass* GetActionLinkClass() const override;
};

class TUcToolBar : public TToolBar {
  VEL_CLASS(TUcToolBar, TToolBar)
  static void Publish(TPublisher<TUcToolBar>& p);

 public:
  using TToolBar::TToolBar;

  // The native tool bar keeps no text: the bar keeps its wide caption.
  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }
  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void Dispatch(TMessage& message) override;
  const TMetaClass* GetActionLinkClass() const override;
  // Menu buttons are wide.
  TToolButton* CreateMenuButton() override;

 private:
  void InsertButtonA(TMessage& m);
  bool HandlesCaptionMessages() const;
  void SetTextMessage(TMessage& m);
  void GetTextMessage(TMessage& m);

  std::wstring wideToolBarCaption_;
};

// ---- Status bar ----------------------------------------------------------------------------

class TUcStatusPanel : public TStatusPanel {
  VEL_COLLECTION_ITEM(TUcStatusPanel, TStatusPanel)
  static void Publish(TPublisher<TUcStatusPanel>& p);

 public:
  explicit TUcStatusPanel(TCollection* collection) : TStatusPanel(collection) {}

  // Paired with the 8-bit Text: a change made there wins.
  std::wstring Text();
  void SetText(const std::wstring& value);

  void DefineProperties(TFiler& filer) override;
  // Another wide panel also hands over its wide text.
  void Assign(TPersistent* source) override;

 private:
  void SetAnsiText(const std::string& value) { TStatusPanel::SetText(value); }

  std::wstring widePanelText_;
};

class TUcStatusPanels : public TStatusPanels {
  VEL_CLASS(TUcStatusPanels, TStatusPanels)
 public:
  using TStatusPanels::TStatusPanels;

  // EListError outside 0..Count-1; EInvalidCast for a panel of another class.
  TUcStatusPanel* Items(int index) const;
  TUcStatusPanel* Add();
};

class TUcCustomStatusBar : public TCustomStatusBar {
  VEL_CLASS(TUcCustomStatusBar, TCustomStatusBar)
  static void Publish(TPublisher<TUcCustomStatusBar>& p);

 public:
  using TCustomStatusBar::TCustomStatusBar;

  std::wstring Hint() { return GetWideControlHint(this); }
  void SetHint(const std::wstring& value) { SetWideControlHint(this, value); }
  // The panels as wide ones (EInvalidCast should they be of another class).
  TUcStatusPanels* Panels() const;
  void SetPanels(TUcStatusPanels* value) { TCustomStatusBar::SetPanels(value); }
  // Paired with the 8-bit SimpleText.
  std::wstring SimpleText();
  void SetSimpleText(const std::wstring& value);

  // A wide hint action puts its wide hint in panel 0 (or the simple text),
  // unless OnHint takes it.
  bool ExecuteAction(TBasicAction* action) override;

  void DefineProperties(TFiler& filer) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;

 protected:
  // SB_SETTEXTA of a text part goes out as SB_SETTEXTW with the wide text.
  void WndProc(TMessage& message) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  TStatusPanels* CreatePanels() override;
  const TCollectionItemClass& GetPanelClass() const override;
  const TMetaClass* GetActionLinkClass() const override;

 private:
  void SetPartText(TMessage& m);
  void SetAnsiSimpleText(const std::string& value) { TCustomStatusBar::SetSimpleText(value); }

  std::wstring wideSimpleText_;
};

class TUcStatusBar : public TUcCustomStatusBar {
  VEL_CLASS(TUcStatusBar, TUcCustomStatusBar)
  static void Publish(TPublisher<TUcStatusBar>& p);

 public:
  using TUcCustomStatusBar::TUcCustomStatusBar;
};

// ---- Module ---------------------------------------------------------------------------------

// Makes the published classes known to the form reader.
void InitUcComCtrls();
