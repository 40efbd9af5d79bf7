// Window messages as handed to window methods: the generic record, its typed
// views, and the numbers of the library's own control and notification
// messages.
#pragma once

#include "Closure.h"
#include "Types.h"
#include "Win.h"

#include <cstdint>
#include <string>

class TControl;
class TMetaClass;
class TBasicAction;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  WORD WParamLo() const { return LOWORD(WParam); }
  WORD WParamHi() const { return HIWORD(WParam); }
  WORD LParamLo() const { return LOWORD(LParam); }
  WORD LParamHi() const { return HIWORD(LParam); }
};

using TWndMethod = TClosure<void(TMessage&)>;

// ---- Control messages (CM_) and reflected notifications (CN_) ----------------------

// Numbers of the control messages. The four the wide layer fixes are
// CM_DIALOGCHAR, CM_TEXTCHANGED, CM_HINTSHOW and CM_ACTIONEXECUTE; the others
// only need to stay unique in the block.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;
constexpr UINT CM_DEACTIVATE = CM_BASE + 0x01;
constexpr UINT CM_CANCELMODE = CM_BASE + 0x04;
constexpr UINT CM_DIALOGKEY = CM_BASE + 0x05;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x06;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 0x08;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 0x09;
constexpr UINT CM_HITTEST = CM_BASE + 0x0A;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;
constexpr UINT CM_COLORCHANGED = CM_BASE + 0x0D;
constexpr UINT CM_FONTCHANGED = CM_BASE + 0x0E;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 0x0F;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 0x12;
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;
constexpr UINT CM_ENTER = CM_BASE + 0x1A;
constexpr UINT CM_EXIT = CM_BASE + 0x1B;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 0x1E;
constexpr UINT CM_RELEASE = CM_BASE + 0x21;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 0x22;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 0x23;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 0x24;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 0x28;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 0x2C;
constexpr UINT CM_CHILDKEY = CM_BASE + 0x2E;
constexpr UINT CM_HINTSHOW = CM_BASE + 0x30;
constexpr UINT CM_RECREATEWND = CM_BASE + 0x33;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 0x36;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 0x3F;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 0x40;

// A parent hands WM_x of a child window to the child's control as CN_BASE + x.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

static_assert(CN_COMMAND == 0xBD11 && CN_NOTIFY == 0xBC4E && CN_KEYDOWN == 0xBD00,
              "reflected numbers are fixed");

// ---- Typed views ----------------------------------------------------------------------
// Each wraps a TMessage by reference; writing Result writes the message's.

struct TWMView {
  explicit TWMView(TMessage& m) : Message(m) {}
  TMessage& Message;
  void SetResult(LRESULT r) { Message.Result = r; }
  LRESULT Result() const { return Message.Result; }
};

// WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, CN_KEYDOWN, CM_DIALOGKEY...
struct TWMKey : TWMView {
  using TWMView::TWMView;
  WORD CharCode() const { return LOWORD(Message.WParam); }
  void SetCharCode(WORD c) { Message.WParam = (Message.WParam & ~0xFFFFu) | c; }
  LONG KeyData() const { return static_cast<LONG>(Message.LParam); }
};
using TCMDialogKey = TWMKey;

// WM_CHAR and its kin. The character field is the low word of wParam; the
// wide layer keeps characters above 255 in the high word (character 255 here).
struct TWMChar : TWMView {
  using TWMView::TWMView;
  WORD CharCode() const { return LOWORD(Message.WParam); }
  void SetCharCode(WORD c) { Message.WParam = (Message.WParam & ~0xFFFFu) | c; }
  WORD HighWord() const { return HIWORD(Message.WParam); }
  void SetHighWord(WORD w) { Message.WParam = MAKEWPARAM(LOWORD(Message.WParam), w); }
  LONG KeyData() const { return static_cast<LONG>(Message.LParam); }
};
using TCMDialogChar = TWMChar;

struct TWMCommand : TWMView {
  using TWMView::TWMView;
  WORD ItemID() const { return LOWORD(Message.WParam); }
  WORD NotifyCode() const { return HIWORD(Message.WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMDrawItem : TWMView {
  using TWMView::TWMView;
  UINT Ctl() const { return static_cast<UINT>(Message.WParam); }
  DRAWITEMSTRUCT* DrawItemStruct() const {
    return reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  }
};

struct TWMMeasureItem : TWMView {
  using TWMView::TWMView;
  UINT IDCtl() const { return static_cast<UINT>(Message.WParam); }
  MEASUREITEMSTRUCT* MeasureItemStruct() const {
    return reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
  }
};

struct TWMNotify : TWMView {
  using TWMView::TWMView;
  int IDCtrl() const { return static_cast<int>(Message.WParam); }
  NMHDR* NMHdr() const { return reinterpret_cast<NMHDR*>(Message.LParam); }
};

// Mouse button and move messages: keys in wParam, client position in lParam.
struct TWMMouse : TWMView {
  using TWMView::TWMView;
  WORD Keys() const { return LOWORD(Message.WParam); }
  short XPos() const { return static_cast<short>(LOWORD(Message.LParam)); }
  short YPos() const { return static_cast<short>(HIWORD(Message.LParam)); }
  TPoint Pos() const { return TPoint(XPos(), YPos()); }
};

struct TWMSetCursor : TWMView {
  using TWMView::TWMView;
  HWND CursorWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
  short HitTest() const { return static_cast<short>(LOWORD(Message.LParam)); }
  WORD MouseMsg() const { return HIWORD(Message.LParam); }
};

struct TWMWindowPosChanged : TWMView {
  using TWMView::TWMView;
  WINDOWPOS* WindowPos() const { return reinterpret_cast<WINDOWPOS*>(Message.LParam); }
};

struct THintInfo;
struct TCMHintShow : TWMView {
  using TWMView::TWMView;
  THintInfo* HintInfo() const { return reinterpret_cast<THintInfo*>(Message.LParam); }
};

struct TCMActionExecute : TWMView {
  using TWMView::TWMView;
  TBasicAction* Action() const { return reinterpret_cast<TBasicAction*>(Message.LParam); }
};

// What the application hands a control in CM_HINTSHOW; the control may change
// any field, the hint window class included.
struct THintInfo {
  TControl* HintControl = nullptr;
  const TMetaClass* HintWindowClass = nullptr;
  TPoint HintPos;
  int HintMaxWidth = 0;
  uint32_t HintColor = 0;  // a TColor
  TRect CursorRect;
  TPoint CursorPos;
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  std::string HintStr;
  void* HintData = nullptr;
};
