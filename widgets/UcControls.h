// Wide (UTF-16) text for every control of the class library, Unicode windows
// for the wide windowed controls, and the wide hint window.
//
// A wide control uses this module in three ways only:
// - its CreateWindowHandle calls CreateUnicodeHandle (with the wide name of
//   the system class it stands on, or an empty one);
// - its wide Caption/Text and Hint accessors call GetWideControlText,
//   SetWideControlText, GetWideControlHint and SetWideControlHint, and its
//   form data stores them only where IsWideCaptionStored/IsWideHintStored;
// - its CM_HINTSHOW handling calls PrepareWideHintShow before the inherited
//   one (windowed wide controls get this from their trap).
//
// On the NT family a wide windowed control's window is created with the W
// functions under a class of its own ("<ClassName>.UnicodeClass"), and a
// trap (TWinControlTrap) stands between the window, the control's message
// chain and its default window procedure: text the class library sends with
// 8-bit buffers is converted, characters above 255 are packed for the 8-bit
// key handling and unpacked again for the native window, and the wide text
// survives the window's re-creation in the control's helper. Elsewhere
// everything falls back to 8-bit windows and converted text.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "UcClasses.h"

#include <string>

// ---- Wide text of any control ------------------------------------------------------

// The wide data of one control, made only when a wide value is stored.
class TWideControlHelper : public TWideComponentHelper {
  VEL_CLASS(TWideControlHelper, TWideComponentHelper)
 public:
  TWideControlHelper(TControl* control, TComponentList* helperList);

  TControl* Control() const { return control_; }
  // The wide caption or text; HasText tells whether one was ever stored (a
  // helper made for the hint alone holds no text).
  std::wstring& WideText() { return wideText_; }
  bool HasText() const { return hasText_; }
  void StoreText(const std::wstring& text);
  void ForgetText();
  std::wstring& WideHint() { return wideHint_; }

 private:
  TControl* control_;
  std::wstring wideText_;
  bool hasText_ = false;
  std::wstring wideHint_;
};

// The control's helper; with create, one is made when it has none. Null
// without create when there is none, or once the module has stopped.
TWideControlHelper* GetWideControlHelper(TControl* control, bool create);

// The control's wide Caption/Text: the wide window text of a Unicode window,
// the stored wide text of a windowed control between windows, the paired
// text of a windowless control (the 8-bit text wins when other code changed
// it), else the 8-bit text converted.
std::wstring GetWideControlText(TControl* control);
// Sets it; an unchanged window text sends no CM_TEXTCHANGED.
void SetWideControlText(TControl* control, const std::wstring& value);
std::wstring GetWideControlHint(TControl* control);
// Stores the wide hint and assigns the 8-bit one directly (no notification).
void SetWideControlHint(TControl* control, const std::wstring& value);
// False while the control's action link supplies the caption/hint: form data
// then does not store it.
bool IsWideCaptionStored(TControl* control);
bool IsWideHintStored(TControl* control);
// The first non-empty wide hint from control up through its parents.
std::wstring FindWideHint(TControl* control);
// The part before / after the first '|'; all of the text without one.
std::wstring ShortHintPart(const std::wstring& hint);
std::wstring LongHintPart(const std::wstring& hint);

// The helper (made when missing) keeps value, and the 8-bit text becomes its
// conversion. Windowed controls keep their text this way between windows.
void StoreWideTextInHelper(TControl* control, const std::wstring& value);
// The helper's stored wide text, else fallback.
std::wstring HelperWideTextOr(TControl* control, const std::wstring& fallback);
// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH: the messages whose 8-bit
// buffers the class library hands to a window's procedures itself.
bool IsWindowTextMessage(UINT msg);

// ---- Unicode windows -----------------------------------------------------------------

// The number of the registered message "UcControls.DestroyWindow": a Unicode
// window that receives it is unhooked as on WM_DESTROY. 0 before start-up.
UINT DestroyWindowMessage();

// From a wide control's CreateWindowHandle. systemClass names the system
// class the control stands on (its procedure becomes the default one), or is
// empty (DefWindowProcW). Failures raise EOSError; the control then has no
// window.
void CreateUnicodeHandle(TWinControl* control, const TCreateParams& params,
                         const std::wstring& systemClass);
// Registers "<WinClassName>.UnicodeClass" (again, when its procedure is not
// this module's) and returns that name.
std::wstring RegisterWideWindowClass(const TCreateParams& params);
// Attaches the control's trap to its fresh Unicode window and restores the
// wide caption (the helper's, else caption converted). A window that is not
// Unicode raises EUcInternalError.
void SubClassUnicodeControl(TWinControl* control, const std::string& caption);
// The answer to WM_NOTIFYFORMAT naming window: NFR_UNICODE for a Unicode
// window (or the one being created) on the NT family, else NFR_ANSI.
LRESULT NotifyFormatFor(HWND window);

class TWinControlTrap;
// The trap attached to control's window, when its hook is the first of the
// control's message chain; null otherwise.
TWinControlTrap* AttachedTrap(TWinControl* control);
// How many traps exist (tests: nothing leaks).
int TrapCount();

// One per windowed control with a Unicode window; frees itself with the
// control. Between windows it waits in a list for the next one.
class TWinControlTrap : public TComponent {
  VEL_CLASS(TWinControlTrap, TComponent)
 public:
  explicit TWinControlTrap(TWinControl* control);
  ~TWinControlTrap() override;

  TWinControl* Control() const { return control_; }
  // The window procedure that runs the control's MainWndProc.
  WNDPROC MainProcedure() const { return mainProcedure_; }

  void AttachTrap();
  // Unhooks everything the trap put in place. A window that stays (the
  // registered destroy message) goes on as an 8-bit window; otherwise the
  // text is kept in the helper for the next window. A hook that another one
  // sits in front of stays in the chain and passes every message on.
  void DetachTrap(bool windowStays);
  // The trap's hook goes in front of the control's message chain unless it
  // is there already, behind other hooks included.
  void HookControlWindowProc();
  bool IsTrapHookInChain();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  class TDepthScope;
  friend TWinControlTrap* AttachedTrap(TWinControl* control);

  TWndMethod Hook();
  void TrapMainProcedure(TMessage& m);
  void TrapWindowProcedure(TMessage& m);
  void TrapMessageHook(TMessage& m);
  void TrapDefaultProcedure(TMessage& m);
  void PassToDefault(TMessage& m);
  void KeepAsAnsiWindow();

  WNDPROC mainProcedure_;
  WNDPROC windowProcedure_;
  WNDPROC defaultProcedure_;
  TWinControl* control_;
  HWND window_ = nullptr;
  WNDPROC previousWindowProcedure_ = nullptr;
  WNDPROC previousDefaultProcedure_ = nullptr;
  TWndMethod previousMessageMethod_;
  // The record of the message Win32 is handing to the control right now: the
  // hook knows it by its address, whatever a hook in front of it sends
  // meanwhile.
  TMessage* win32Message_ = nullptr;
  int depth_ = 0;
  bool attached_ = false;
  bool freePending_ = false;
  bool probing_ = false;
  bool probeFound_ = false;
};

// ---- Characters above 255 -------------------------------------------------------------

// The class library's 8-bit key handling sees character 255 where a
// character above 255 was typed; that character waits in wParam's high word.
// All four require WM_CHAR (EAssertionFailed otherwise); packing also
// requires an empty high word.
void PackCharMessage(TMessage& m);
void UnpackCharMessage(TMessage& m);
wchar_t CharOfCharMessage(const TMessage& m);
void SetCharMessageChar(TMessage& m, wchar_t c);

// ---- Wide hints --------------------------------------------------------------------------

// CM_HINTSHOW of a wide control (NT only): the plain hint window class
// becomes TUcCustomHintWindow, the hint data marks the hint info as wide,
// and the 8-bit hint text becomes the short part of the wide hint.
void PrepareWideHintShow(TMessage& m);
// True only for the application's own hint info, marked, whose class is a
// TUcCustomHintWindow; no unknown pointer is ever read.
bool IsWideHintData(const void* data);
// The short wide hint, with the wide shortcut when the class library added
// one; the converted 8-bit text when an application changed it.
std::wstring GetWideHintText(const THintInfo& info);

// Shows marked hints as wide text, unmarked ones as the base window does.
class TUcCustomHintWindow : public THintWindow {
  VEL_CLASS(TUcCustomHintWindow, THintWindow)
 public:
  explicit TUcCustomHintWindow(TComponent* owner);

  std::wstring Caption() { return GetWideControlText(this); }
  void SetCaption(const std::wstring& value) { SetWideControlText(this, value); }

  void ActivateHint(const TRect& rect, const std::string& hint) override;
  void ActivateHintData(const TRect& rect, const std::string& hint, void* data) override;
  TRect CalcHintRect(int maxWidth, const std::string& hint, void* data) override;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void Dispatch(TMessage& message) override;
  void Paint() override;
  void DrawHintText(HDC dc, TRect& rect, UINT flags) override;

 private:
  bool paintBlocked_ = false;
  bool activating_ = false;
};

// ---- Wide list items -----------------------------------------------------------------

// A list control that adds items with wide text (the wide combo box).
class IWideListControl {
 public:
  virtual void AddItem(const std::wstring& item, TObject* object) = 0;

 protected:
  ~IWideListControl() = default;
};

// A wide list control gets the wide text; a plain combo box its conversion.
// Any other control raises EInvalidCast.
void WideListAddItem(TControl* list, const std::wstring& item, TObject* object);

// ---- Module ---------------------------------------------------------------------------------

// The module's start and stop steps (WidgetModules).
void InitUcControls();
void DoneUcControls();
