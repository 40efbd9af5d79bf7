// The common controls the programs use: the status bar with its panels, the
// tool bar with its windowless buttons, the progress bar and the rich edit.
//
// Every message these controls send to their own native window goes through
// Perform, so a WindowProc or a subclass's WndProc sees (and may change) it:
// SB_SETTEXTA for each part, TB_INSERTBUTTONA for each button.
#pragma once

#include "ActnList.h"
#include "Collections.h"
#include "Controls.h"
#include "ImgList.h"
#include "Menus.h"
#include "StringList.h"
#include "Win.h"

#include <commctrl.h>

#include <string>
#include <vector>

class TCustomStatusBar;
class TToolBar;
class TToolButton;

// ---- Status bar ----------------------------------------------------------------------------

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
VEL_ENUM_TYPE(TStatusPanelStyle);
VEL_ENUM_TYPE(TStatusPanelBevel);

class TStatusPanel : public TCollectionItem {
  VEL_COLLECTION_ITEM(TStatusPanel, TCollectionItem)
 public:
  explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

  // A text change sends only this part; the others send every part.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  int Width() const { return width_; }
  void SetWidth(int value) { Change(width_, value); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { Change(alignment_, value); }
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel value) { Change(bevel_, value); }
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle value) { Change(style_, value); }

  void Assign(TPersistent* source) override;

 private:
  static void Publish(TPublisher<TStatusPanel>& p);
  template <typename T>
  void Change(T& field, T value) {
    if (field == value)
      return;
    field = value;
    Changed(true);
  }

  std::string text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelBevel bevel_ = pbLowered;
  TStatusPanelStyle style_ = psText;
};

class TStatusPanels : public TCollection {
  VEL_CLASS(TStatusPanels, TCollection)
 public:
  TStatusPanels(TCustomStatusBar* bar, const TCollectionItemClass& itemClass);

  TCustomStatusBar* StatusBar() const { return bar_; }
  // EListError outside 0..Count-1.
  TStatusPanel* Items(int index) const;
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomStatusBar* bar_;
};

using TDrawPanelEvent =
    TClosure<void(TCustomStatusBar* statusBar, TStatusPanel* panel, const TRect& rect)>;

class TCustomStatusBar : public TWinControl {
  VEL_CLASS(TCustomStatusBar, TWinControl)
 public:
  explicit TCustomStatusBar(TComponent* owner);
  ~TCustomStatusBar() override;
  void AfterConstruction() override;

  TStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(TStatusPanels* panels) { panels_->Assign(panels); }
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& value);
  // Shows only while the form around the bar is sizeable.
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);
  // The font follows the screen's status (hint) font.
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool value);
  bool AutoHint() const { return autoHint_; }
  void SetAutoHint(bool value) { autoHint_ = value; }
  // Measures and draws with the bar's font.
  TCanvas* Canvas() const { return canvas_.get(); }

  // A hint action reaches panel 0 (or the simple text) with AutoHint, unless
  // OnHint takes it.
  bool ExecuteAction(TBasicAction* action) override;
  // Runs OnHint; true when it ran.
  virtual bool DoHint();

  // Sends SB_SETTEXTA for one part (index, or 255 for the simple part).
  void UpdatePanel(int index);
  // SB_SETPARTS, then every part.
  void UpdatePanels();

  TDrawPanelEvent OnDrawPanel;
  TNotifyEvent OnHint;

 protected:
  virtual TStatusPanels* CreatePanels();
  virtual const TCollectionItemClass& GetPanelClass() const;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void Loaded() override;

 private:
  friend class TStatusPanels;
  static void Publish(TPublisher<TCustomStatusBar>& p);
  void PanelsChanged(TCollectionItem* item);
  void ApplySimple();
  void DrawPanel(TMessage& m);

  TOwned<TStatusPanels> panels_;
  TOwned<TControlCanvas> canvas_;
  bool simplePanel_ = false;
  std::string simpleText_;
  bool sizeGrip_ = true;
  bool useSystemFont_ = true;
  bool autoHint_ = false;
};

class TStatusBar : public TCustomStatusBar {
  VEL_CLASS(TStatusBar, TCustomStatusBar)
 public:
  using TCustomStatusBar::TCustomStatusBar;
};

// ---- Tool bar ------------------------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsSeparator, tbsDivider };
enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TEdgeBorders = TSet<TEdgeBorder>;
enum TTBDrawingStyle { dsNormal, dsGradient };
VEL_ENUM_TYPE(TToolButtonStyle);
VEL_ENUM_TYPE(TEdgeBorder);
VEL_ENUM_TYPE(TTBDrawingStyle);

// A button of a tool bar: the native bar draws it and takes its mouse input;
// the control's bounds follow the native button so that hit tests find it.
class TToolButton : public TGraphicControl {
  VEL_CLASS(TToolButton, TGraphicControl)
 public:
  explicit TToolButton(TComponent* owner);

  TToolBar* ToolBar() const;
  // The place on the tool bar; -1 without one.
  int Index() const;
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value) { Change(imageIndex_, value); }
  // From code: no OnClick.
  bool Down() const { return down_; }
  void SetDown(bool value) { Change(down_, value); }
  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value) { Change(style_, value); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { Change(autoSize_, value); }
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool value) { Change(grouped_, value); }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value) { allowAllUp_ = value; }
  // Takes the item's caption, hint, image, enabled state and visibility; a
  // click then runs the item's Click.
  TMenuItem* MenuItem() const { return menuItem_; }
  virtual void SetMenuItem(TMenuItem* item);

  void Click() override;
  void ActionChange(TObject* sender, bool checkDefaults) override;
  void Dispatch(TMessage& message) override;

 protected:
  const TMetaClass* GetActionLinkClass() const override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolBar;
  static void Publish(TPublisher<TToolButton>& p);
  template <typename T>
  void Change(T& field, T value) {
    if (field == value)
      return;
    field = value;
    Refresh();
  }
  // Inserts the native button again.
  void Refresh();

  int imageIndex_ = -1;
  bool down_ = false;
  TToolButtonStyle style_ = tbsButton;
  bool autoSize_ = false;
  bool grouped_ = false;
  bool allowAllUp_ = false;
  TMenuItem* menuItem_ = nullptr;
};

// A tool button's link: a checked action shows the button down, and the
// action's image is the button's.
class TToolButtonActionLink : public TControlActionLink {
  VEL_CLASS(TToolButtonActionLink, TControlActionLink)
 public:
  // client must be a TToolButton (EInvalidCast otherwise).
  explicit TToolButtonActionLink(TObject* client);

  bool IsCheckedLinked() override;
  bool IsImageIndexLinked() override;
  void SetChecked(bool value) override;
  void SetImageIndex(int value) override;

 private:
  TToolButton* button_;
};

class TToolBar : public TWinControl {
  VEL_CLASS(TToolBar, TWinControl)
 public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  // In index order.
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  // EListError out of range.
  TToolButton* Buttons(int index) const;

  TCustomImageList* Images() const { return imagesLink_.Sender(); }
  void SetImages(TCustomImageList* list);
  TCustomImageList* DisabledImages() const { return disabledLink_.Sender(); }
  void SetDisabledImages(TCustomImageList* list);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int value) { ChangeLayout(buttonWidth_, value); }
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int value) { ChangeLayout(buttonHeight_, value); }
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value) { ChangeLayout(showCaptions_, value); }
  bool List() const { return list_; }
  void SetList(bool value) { ChangeStyle(list_, value); }
  bool Flat() const { return flat_; }
  void SetFlat(bool value) { ChangeStyle(flat_, value); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { ChangeStyle(transparent_, value); }
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool value) { ChangeStyle(wrapable_, value); }
  // The height follows the button rows.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool HideClippedButtons() const { return hideClippedButtons_; }
  void SetHideClippedButtons(bool value) { ChangeStyle(hideClippedButtons_, value); }
  TEdgeBorders EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(TEdgeBorders value) { ChangeStyle(edgeBorders_, value); }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value) { ChangeStyle(borderWidth_, value); }
  TTBDrawingStyle DrawingStyle() const { return drawingStyle_; }
  void SetDrawingStyle(TTBDrawingStyle value);

  // A button per top item of the menu, in its order, in place of the
  // buttons the bar had; nothing for the current menu.
  TMainMenu* Menu() const { return menu_; }
  virtual void SetMenu(TMainMenu* menu);

  // Deletes the button's native button and inserts it again.
  void RefreshButton(TToolButton* button);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  // Makes the button for one top item of the menu; a subclass makes its own kind.
  virtual TToolButton* CreateMenuButton();

 private:
  friend class TToolButton;
  static void Publish(TPublisher<TToolBar>& p);
  template <typename T>
  void ChangeLayout(T& field, T value) {
    if (field == value)
      return;
    field = value;
    RebuildButtons();
  }
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  void ImagesChanged(TObject* sender);
  void ApplyImages();
  void RebuildButtons();
  void InsertNativeButton(int index);
  void ButtonsChanged();
  void UpdateButtonBounds();
  void AdjustHeight();
  void ButtonClicked(TMessage& m);
  void CalcEdges(TMessage& m);
  void PaintEdges(TMessage& m);
  bool Live() const;

  std::vector<TToolButton*> buttons_;
  TChangeLink imagesLink_;
  TChangeLink disabledLink_;
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
  bool showCaptions_ = false;
  bool list_ = false;
  bool flat_ = true;
  bool transparent_ = false;
  bool wrapable_ = true;
  bool autoSize_ = false;
  bool hideClippedButtons_ = false;
  TEdgeBorders edgeBorders_{ebTop};
  int borderWidth_ = 0;
  TTBDrawingStyle drawingStyle_ = dsNormal;
  TMainMenu* menu_ = nullptr;
  bool updatingBounds_ = false;
};

// ---- Progress bar --------------------------------------------------------------------------

class TProgressBar : public TWinControl {
  VEL_CLASS(TProgressBar, TWinControl)
 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value) { SetRange(value, max_); }
  int Max() const { return max_; }
  void SetMax(int value) { SetRange(min_, value); }
  // Within Min..Max; a value outside is brought in.
  int Position() const;
  void SetPosition(int value);
  int Step() const { return step_; }
  void SetStep(int value);
  // Moves by Step; past the end the native bar starts again at Min.
  void StepIt();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  static void Publish(TPublisher<TProgressBar>& p);
  void SetRange(int min, int max);

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
};

// ---- Rich edit -----------------------------------------------------------------------------

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
VEL_ENUM_TYPE(TScrollStyle);

class TCustomRichEdit;

// The character format of the selection (what the next typed or added text
// gets when the selection is empty).
class TTextAttributes : public TPersistent {
  VEL_CLASS(TTextAttributes, TPersistent)
 public:
  explicit TTextAttributes(TCustomRichEdit* editor) : editor_(editor) {}
  TColor Color() const;
  void SetColor(TColor value);

 private:
  TCustomRichEdit* editor_;
};

// The lines of a rich edit, straight on its window. A break after the last
// line starts no further line.
class TRichEditStrings : public TStrings {
  VEL_CLASS(TRichEditStrings, TStrings)
 public:
  explicit TRichEditStrings(TCustomRichEdit* editor) : editor_(editor) {}

  // Appended at the end in the current insertion format.
  int Add(const std::string& s) override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const std::string& s) override;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  void SetUpdateState(bool updating) override;

 private:
  // The character position where line index starts; the text's length for
  // the line after the last.
  int LineStart(int index) const;
  void Replace(int start, int end, const std::string& text);

  TCustomRichEdit* editor_;
};

class TCustomRichEdit : public TWinControl {
  VEL_CLASS(TCustomRichEdit, TWinControl)
 public:
  explicit TCustomRichEdit(TComponent* owner);
  ~TCustomRichEdit() override;

  // Reading them creates the window, also while the form is hidden.
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* lines) { lines_->Assign(lines); }
  TTextAttributes* SelAttributes() const { return selAttributes_.get(); }

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value) { ChangeStyle(borderStyle_, value); }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value) { ChangeStyle(scrollBars_, value); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value) { ChangeStyle(wordWrap_, value); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // 0 is the control's own limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);

  // Character positions: a line break counts one.
  int GetTextLen();
  int SelStart();
  // A position past the end selects at the end.
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  void SetSel(int start, int end);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;

 private:
  static void Publish(TPublisher<TCustomRichEdit>& p);
  void ApplyColors();

  TOwned<TRichEditStrings> lines_;
  TOwned<TTextAttributes> selAttributes_;
  TBorderStyle borderStyle_ = bsSingle;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  bool readOnly_ = false;
  int maxLength_ = 0;
};

class TRichEdit : public TCustomRichEdit {
  VEL_CLASS(TRichEdit, TCustomRichEdit)
 public:
  using TCustomRichEdit::TCustomRichEdit;
};

// Makes the classes above known to FindClass (form data).
void RegisterComCtrlsClasses();
