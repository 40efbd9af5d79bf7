// Controls: the windowless TControl, the windowed TWinControl with its window
// creation and message chain, TGraphicControl and TCustomControl, layout,
// keyboard and mouse routing. The header the modules above include; the
// parts live in modules of their own: window procedure instances
// (ObjectInstance.h), atoms and the window map (ControlAtoms.h), canvases
// (ControlCanvas.h), focus bookkeeping and tab order (ControlFocus.h) and
// size constraints (SizeConstraints.h).
//
// Seams toward the modules above:
// - Forms. A form is a TWinControl that also implements IFormSite. The core
//   finds it as the top of a control's parent chain (FormSiteOf) and asks
//   it to SetFocusedControl on every WM_SETFOCUS (the form runs CM_EXIT and
//   CM_ENTER and keeps ActiveControl), tells it when a control leaves it
//   (ControlLeaving), and asks whether it wants KeyPreview (then the
//   form's KeyDown/KeyPress/KeyUp run first). Dialog keys (CM_DIALOGKEY) and
//   accelerators (CM_DIALOGCHAR) are Perform'ed on the form's TWinControl; the
//   base TWinControl broadcasts both to its children until one answers 1.
// - Application. Whatever implements IApplicationSite (the application
//   object) registers with SetApplicationSite; controls tell it of mouse
//   messages (hints) and of their destruction (mouse control, hint control).
// - Actions. A control holds its Action through a TControlActionLink
//   (ActnList.h) of the class GetActionLinkClass names.
// - Wide windows. CreateParams, CreateSubClass, CreateWnd, CreateWindowHandle,
//   CreationControl, InitWndProc's atoms and props, MainWndProc, WindowProc,
//   OwnWindowProc, DefWndProc, WindowHandle and Perform are the points where a
//   Unicode window is put in place of the 8-bit one.
// - Menus. PopupMenu is kept as a component, known as a popup menu by its
//   class name; SetPopupMenuHook shows it.
#pragma once

#include "Classes.h"
#include "ControlAtoms.h"
#include "ControlCanvas.h"
#include "ControlFocus.h"
#include "Graphics.h"
#include "Messages.h"
#include "ObjectInstance.h"
#include "Screen.h"
#include "SizeConstraints.h"
#include "Startup.h"
#include "TypInfo.h"
#include "Types.h"
#include "Win.h"

#include <cstdint>
#include <string>
#include <vector>

class TControl;
class TWinControl;
class TControlActionLink;
class TBasicAction;

// ---- Small types -----------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;
VEL_ENUM_TYPE(TAlign);
VEL_ENUM_TYPE(TAnchorKind);

// A form's frame. Bordered controls (edits, the terminal, rich edits) use the
// first two values as TBorderStyle: one enumeration keeps the names bsNone
// and bsSingle that form data uses for both; a control takes every value but
// bsNone as a single border.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
VEL_ENUM_TYPE(TFormBorderStyle);

// Horizontal placement of a caption or text (labels, panels, status panels).
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
VEL_ENUM_TYPE(TAlignment);

// What an owner-drawn item (combo box, status panel, menu) is to look like,
// from the ODS_ flags of its DRAWITEMSTRUCT.
enum TOwnerDrawStateFlag {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odNoAccel,
  odComboBoxEdit,
};
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;
TOwnerDrawState OwnerDrawStateOf(UINT itemState);

enum TControlStyleFlag {
  csCaptureMouse,     // SetCapture on a left press
  csClickEvents,      // Click on a release after a press inside
  csOpaque,           // paints all of itself: no background erase
  csDoubleClicks,     // CS_DBLCLKS; a double click is MouseDown(ssDouble) + DblClick
  csAcceptsControls,  // a container: WS_CLIPCHILDREN
  csSetCaption,       // the caption follows the name while they are equal
};
using TControlStyle = TSet<TControlStyleFlag>;

enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csCreating,
  csDestroyingHandle,
  csRecreating,
};
using TControlState = TSet<TControlStateFlag>;

TShiftState KeysToShiftState(WORD keys);        // MK_ flags of mouse messages
TShiftState KeyDataToShiftState(LONG keyData);  // the key's lParam, plus GetKeyState
TShiftState KeyboardStateToShiftState();        // GetKeyState of Shift, Ctrl, Alt

// The cursor names form data may set Cursor with ("crHandPoint").
const TIntegerIdents& CursorIdents();

// The part of a hint before the first '|' / after it (all of it without one).
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// Whether charCode is the accelerator of caption: the character after a single
// '&', in either letter case ("&&" stands for a plain ampersand).
bool IsAccel(WORD charCode, const std::string& caption);

using TMouseEvent =
    TClosure<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = TClosure<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = TClosure<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = TClosure<void(TObject* sender, char& key)>;
using TMouseWheelEvent = TClosure<void(TObject* sender, TShiftState shift, int wheelDelta,
                                       const TPoint& mousePos, bool& handled)>;
using TMouseWheelUpDownEvent =
    TClosure<void(TObject* sender, TShiftState shift, const TPoint& mousePos, bool& handled)>;

// Everything CreateWindowHandle needs; filled by the virtual CreateParams.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};  // lpfnWndProc: the procedure that becomes DefWndProc
  std::string WinClassName;
};

// ---- Seams toward forms and the application ----------------------------------------

// Implemented by forms (a TWinControl subclass that also derives from this).
class IFormSite {
 public:
  // Called by a control's default WM_SETFOCUS handling before anything else:
  // CM_EXIT on the old active control, CM_ENTER on control, ActiveControl :=
  // control. False stops the rest of the WM_SETFOCUS handling.
  virtual bool SetFocusedControl(TWinControl* control) = 0;
  // The form's key events run before the control's.
  virtual bool KeyPreview() const = 0;
  // Before control leaves the form (un-parented or destroyed, its parent
  // link still set): the form forgets its active and focused control when
  // it is control or lies inside it.
  virtual void ControlLeaving(TControl* control) = 0;

 protected:
  ~IFormSite() = default;
};

// Implemented by the application object.
class IApplicationSite {
 public:
  // Every mouse message a control gets (hint show and cancel).
  virtual void HintMouseMessage(TControl* control, TMessage& message) = 0;
  // From a control's destruction, while it is still whole.
  virtual void ControlDestroyed(TControl* control) = 0;

 protected:
  ~IApplicationSite() = default;
};
void SetApplicationSite(IApplicationSite* site);  // nullptr: none
IApplicationSite* ApplicationSite();

// Shows a control's PopupMenu at a screen position (installed by menus).
using TPopupMenuHook = void (*)(TComponent* menu, TControl* control, const TPoint& screenPos);
void SetPopupMenuHook(TPopupMenuHook hook);
TPopupMenuHook PopupMenuHook();

// The control that receives mouse input while the button is held, windowless
// ones included; nullptr when none.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);

// ---- TControl ------------------------------------------------------------------------------

class TControl : public TComponent {
  VEL_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Parent and geometry.
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  int Left() const { return left_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  int Height() const { return height_; }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }
  virtual TPoint ClientOrigin() const;  // screen position of the client area
  TPoint ClientToScreen(const TPoint& p) const;
  TPoint ScreenToClient(const TPoint& p) const;

  // Layout.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors anchors);
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  void SetConstraints(TSizeConstraints* c) { constraints_->Assign(c); }

  // State and appearance: the control's own flags, not the effective state.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible up the parent chain (for windowed controls: the window shows).
  virtual bool Showing() const;
  virtual bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool on);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(font); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);

  // Text: 8-bit, through WM_GETTEXT/WM_SETTEXT on the control's own chain.
  std::string Text() const;
  void SetText(const std::string& text);
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  int GetTextLen() const;
  int GetTextBuf(char* buffer, int size) const;  // like WM_GETTEXT
  void SetTextBuf(const char* text);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool on);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // A TPopupMenu (or a subclass); any other component raises EInvalidCast.
  TComponent* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TComponent* menu);
  void SetName(const std::string& name) override;
  // Whether charCode is this control's accelerator (CM_DIALOGCHAR of
  // captioned controls); the wide layer matches its wide caption instead.
  virtual bool IsAccelChar(WORD charCode) { return IsAccel(charCode, Caption()); }

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle style) { controlStyle_ = style; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState state) { controlState_ = state; }

  // Messages: Perform runs WindowProc directly.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  const TWndMethod& WindowProc() const { return windowProc_; }
  void SetWindowProc(const TWndMethod& method) { windowProc_ = method; }
  // The closure WindowProc starts as: this control's WndProc.
  TWndMethod OwnWindowProc();
  // Per-class message map; unhandled numbers go to the base class and at the
  // root to DefaultHandler.
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  // Painting.
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // Clicks: Click runs OnClick, or the action when OnClick is the action's.
  virtual void Click();
  virtual void DblClick();

  // Actions.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);
  TControlActionLink* ActionLink() const { return actionLink_.get(); }
  // Updates the linked action (idle time).
  void InitiateAction();
  // Copies Caption, Enabled, Hint, Visible and OnClick of a changed action;
  // with checkDefaults only into values still at their default.
  virtual void ActionChange(TObject* sender, bool checkDefaults);

  void BeforeDestruction() override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

 protected:
  friend class TWinControl;

  // The message method behind WindowProc: pre-processing, then Dispatch.
  virtual void WndProc(TMessage& message);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // One call per wheel notch; true when handled.
  virtual bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos);
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos);

  virtual const TMetaClass* GetActionLinkClass() const;

  virtual void SetClientSize(int width, int height);
  virtual void Resize();
  // A windowless control asks its parent to repaint the area it covers.
  void InvalidateControl(bool isVisible, bool isOpaque);
  // A setter's store: value into field, then a repaint; nothing when equal.
  template <typename T>
  void SetAndInvalidate(T& field, const T& value) {
    if (field == value)
      return;
    field = value;
    Invalidate();
  }
  // The parent lays out again after a change of this control.
  void RequestAlign();
  // Records the distances to the parent's edges that anchors keep.
  void UpdateAnchorRules();
  // Moves or stretches this control after its parent's client size changed.
  void AnchorToParent(const TSize& parentClient);

  void Loaded() override;
  void SetParentComponent(TComponent* parent) override;
  void DestroyHandles() override;
  void Notification(TComponent* component, TOperation operation) override;

  bool MouseCapture() const;
  void SetMouseCapture(bool on);

 private:
  static void Publish(TPublisher<TControl>& p);

  void FontChanged(TObject* sender);
  void ConstraintsChanged(TObject* sender);
  void SetParentFlag(bool& flag, bool on, UINT changedMessage);

  // Bounds changed by layout, not by the user: anchors are not re-recorded.
  void SetBoundsFromLayout(const TRect& r);
  void HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl);
  void HandleMouseWheel(TMessage& m);
  void HandleContextMenu(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMParentShowHintChanged(TMessage& m);
  // The action's shortcut after the short hint, where the application shows
  // shortcuts in hints (the default CM_HINTSHOW handling).
  void AddHintShortCut(THintInfo& info);
  void ActionLinkChanged(TObject* sender);

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  TRect anchorBounds_;  // bounds when the anchors were recorded
  TSize anchorParent_;  // the parent's client size then
  bool anchorsRecorded_ = false;
  TOwned<TSizeConstraints> constraints_;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  TOwned<TFont> font_;
  bool parentFont_ = true;
  bool inLayout_ = false;  // bounds set by the parent's layout
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  TComponent* popupMenu_ = nullptr;
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState controlState_;
  TWndMethod windowProc_;
  // Text of a control without a window, and of a windowed one while it has
  // none.
  std::string text_;
  int wheelAccumulator_ = 0;
  TOwned<TControlActionLink> actionLink_;
};

// ---- TWinControl ------------------------------------------------------------------------

class TWinControl : public TControl {
  VEL_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // Children, windowless and windowed, in z-order (bottom first).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = false);
  bool ContainsControl(const TControl* control) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // Sends message to every child until one sets Result non-zero.
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);

  // The window.
  HWND Handle();
  HWND WindowHandle() const { return handle_; }
  void SetWindowHandle(HWND handle) { handle_ = handle; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  void DestroyHandle();
  virtual void RecreateWnd();
  // A window outside the library that parents this control's window.
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND window);
  // The window procedure instance that calls MainWndProc.
  WNDPROC ObjectInstance() const { return objectInstance_; }
  // Runs WindowProc inside the exception barrier.
  void MainWndProc(TMessage& message);
  WNDPROC DefWndProc() const { return defWndProc_; }
  void SetDefWndProc(WNDPROC proc) { defWndProc_ = proc; }
  void DefaultHandler(TMessage& message) override;
  void Dispatch(TMessage& message) override;

  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  void SetBounds(int left, int top, int width, int height) override;
  bool Showing() const override;
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  TBrush* Brush() const { return brush_.get(); }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool on);
  bool ParentCtl3D() const { return parentCtl3D_; }
  void SetParentCtl3D(bool on);

  // Layout of the children.
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign() { AlignControl(nullptr); }
  // Lays out again after control (may be nullptr) changed; on equal
  // positions control takes its place first.
  void AlignControl(TControl* control);

  // Focus.
  virtual bool CanFocus() const;
  // Raises EInvalidOperation when CanFocus is false.
  virtual void SetFocus();
  bool Focused() const;
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);
  int TabOrder() const;
  void SetTabOrder(int order);
  // Windowed children in tab order, containers followed by their own.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  IFormSite* ParentFormSite() const;
  // The form at the top of the parent chain, as a control; nullptr when the
  // top is no form.
  TWinControl* ParentFormControl() const;

  // This control, then its visible children.
  bool ExecuteAction(TBasicAction* action) override;

  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  void WndProc(TMessage& message) override;
  const TMetaClass* GetActionLinkClass() const override;

  virtual void CreateParams(TCreateParams& params);
  // Makes params describe the system class className, whose procedure
  // becomes DefWndProc; the window class keeps its extra bytes.
  void CreateSubClass(TCreateParams& params, const char* className);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  // A setter's store of what the window is made with: value into field, then
  // a new window; nothing when equal.
  template <typename T>
  void ChangeStyle(T& field, const T& value) {
    if (field == value)
      return;
    field = value;
    RecreateWnd();
  }
  virtual void DestroyWindowHandle();
  void CreateHandle();

  // Windowless children painted into dc (client coordinates of this window).
  void PaintControls(HDC dc, TControl* first);
  // The window's own painting into dc (default: the default procedure).
  virtual void PaintWindow(HDC dc);
  void PaintHandler(TMessage& m);

  virtual void AlignControls(TControl* control, TRect& rect);
  virtual void AdjustClientRect(TRect&) const {}
  // After a change of the client size: anchors, then align.
  void ClientSizeChanged();

  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  bool DoKeyDown(TMessage& m);
  bool DoKeyUp(TMessage& m);
  bool DoKeyPress(TMessage& m);

  // Showing follows Visible and the parent; creates the window when it shows.
  void UpdateShowing();
  void UpdateControlState();

  void DestroyHandles() override;
  void Loaded() override;

 private:
  friend class TControl;
  static void Publish(TPublisher<TWinControl>& p);

  void UpdateBounds();
  void SetZOrderPosition();
  void ApplyTabOrder(int order);
  void ReflectToChild(TMessage& m, HWND child);
  bool IsControlMouseMsg(TMessage& m);
  void HandleSetCursor(TMessage& m);
  void HandleSetFocus(TMessage& m);
  void HandleKey(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CNChar(TMessage& m);
  void CtlColor(TMessage& m);
  void FreeChildControls();
  void BrushColorChanged();

  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  WNDPROC objectInstance_ = nullptr;
  WNDPROC defWndProc_ = nullptr;
  bool showing_ = false;
  std::vector<TControl*> controls_;    // z-order, bottom first
  std::vector<TWinControl*> tabList_;  // tab order
  int pendingTabOrder_ = -1;           // from form data, applied in Loaded
  TOwned<TBrush> brush_;
  bool ctl3D_ = true;
  bool parentCtl3D_ = true;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  TSize laidOutClient_{-1, -1};  // the client size children were last laid out for
};

// ---- Canvases and painted controls ------------------------------------------------------

// A windowless control that paints on its parent's window.
class TGraphicControl : public TControl {
  VEL_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;
  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  virtual void Paint() {}

 private:
  TOwned<TControlCanvas> canvas_;
};

// A windowed control that paints itself with Paint on its Canvas.
class TCustomControl : public TWinControl {
  VEL_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* owner);
  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;
  void DestroyWnd() override;

 private:
  TOwned<TControlCanvas> canvas_;
};
