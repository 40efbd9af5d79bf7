// Window lifecycle seams: creation through the initial procedure, the
// replaceable message chain, re-creation and the order of destruction.
#include "ControlsTestSupport.h"
#include "Reader.h"
#include "System.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// Records what the wide layer would see at its creation step.
class TCreationProbe : public TTestWinControl {
 public:
  using TTestWinControl::TTestWinControl;
  TWinControl* CreationControlSeen = nullptr;

 protected:
  void CreateWindowHandle(const TCreateParams& params) override {
    CreationControlSeen = CreationControl();
    TTestWinControl::CreateWindowHandle(params);
  }
};

// A control over a system class.
class TSystemControl : public TWinControl {
 public:
  TSystemControl(TComponent* owner, const char* systemClass, DWORD style)
      : TWinControl(owner), systemClass_(systemClass), style_(style) {}
  std::vector<std::pair<UINT, WORD>> Reflected;  // CN_COMMAND codes

  void Dispatch(TMessage& m) override {
    if (m.Msg == CN_COMMAND)
      Reflected.emplace_back(m.Msg, TWMCommand(m).NotifyCode());
    TWinControl::Dispatch(m);
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    CreateSubClass(params, systemClass_);
    params.Style |= style_;
    params.WinClassName = std::string("TSystem_") + systemClass_;
  }

 private:
  const char* systemClass_;
  DWORD style_;
};

// Sees WM_DESTROY while whole and tells through a virtual it still answers.
class TDestroyProbe : public TTestWinControl {
 public:
  using TTestWinControl::TTestWinControl;
  virtual std::string Kind() const { return "probe"; }
  std::string* DestroyLog = nullptr;

  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_DESTROY && DestroyLog)
      *DestroyLog += "destroy " + Kind() + ";";
    TTestWinControl::Dispatch(m);
  }
};

// Hears free notifications and looks at the window then.
class TWatcher : public TComponent {
 public:
  using TComponent::TComponent;
  std::string* Log = nullptr;
  HWND Window = nullptr;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && Log)
      *Log += std::string("notified, window ") + (IsWindow(Window) ? "alive" : "gone") + ";";
  }
};

struct THookRecorder {
  TWndMethod Previous;
  std::vector<UINT> Seen;
  void Hook(TMessage& m) {
    Seen.push_back(m.Msg);
    Previous(m);
  }
};

TSystemControl* AddSystem(TWinControl* host, const char* cls, DWORD style, const TRect& bounds) {
  auto* c = Create<TSystemControl>(host, cls, style);
  c->SetBoundsRect(bounds);
  c->SetParent(host);
  return c;
}

std::vector<UINT> defSeen;
LRESULT CALLBACK RecordingDefProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  defSeen.push_back(msg);
  return DefWindowProcA(w, msg, wp, lp);
}

TEST(Lifecycle, CreationControlIsSetForTheCreationStepAndClearedAfter) {
  TOwned<TCreationProbe> c(Create<TCreationProbe>(nullptr));
  EXPECT_FALSE(c->HandleAllocated());
  const HWND h = c->Handle();
  EXPECT_EQ(c->CreationControlSeen, c.get());
  EXPECT_EQ(CreationControl(), nullptr);
  EXPECT_EQ(c->WindowHandle(), h);
}

TEST(Lifecycle, WindowsAreMadeOnlyWhenAskedForParentsFirst) {
  TOwned<TTestForm> form(Create<TTestForm>(nullptr));
  ReadComponentText(form.get(),
                    "object F: TTestForm\n"
                    "  Caption = 'Stored'\n"
                    "  Enabled = False\n"
                    "  object Panel: TTestWinControl\n"
                    "    object Edit: TTestWinControl\n"
                    "      Caption = 'Text'\n"
                    "    end\n"
                    "  end\n"
                    "end\n");
  auto* panel = static_cast<TWinControl*>(form->FindComponent("Panel"));
  auto* edit = static_cast<TWinControl*>(form->FindComponent("Edit"));
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_FALSE(panel->HandleAllocated());
  EXPECT_EQ(edit->Caption(), "Text");
  const HWND h = edit->Handle();
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_EQ(GetParent(h), panel->WindowHandle());
  char text[16] = {};
  GetWindowTextA(form->WindowHandle(), text, sizeof(text));
  EXPECT_STREQ(text, "Stored");
  EXPECT_FALSE(IsWindowEnabled(form->WindowHandle()));
  EXPECT_FALSE(IsWindowVisible(h));  // nothing was shown
}

TEST(Lifecycle, InitialProcedureSetsAtomsPropsIdAndProcedure) {
  char name[64] = {};
  GlobalGetAtomNameA(WindowAtom(), name, sizeof(name));
  EXPECT_EQ(std::string(name), Format("%s%.8X", kWindowAtomPrefix, GetCurrentProcessId()));
  GlobalGetAtomNameA(ControlAtom(), name, sizeof(name));
  EXPECT_EQ(
      std::string(name),
      Format("ControlOfs%.8X%.8X", reinterpret_cast<uintptr_t>(HInstance()), GetCurrentThreadId()));

  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  TTestWinControl* child = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  const HWND h = child->Handle();
  EXPECT_EQ(GetPropA(h, MAKEINTATOM(ControlAtom())), child);
  EXPECT_EQ(GetPropA(h, MAKEINTATOM(WindowAtom())), child);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_ID), reinterpret_cast<LONG_PTR>(h));
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(child->ObjectInstance()));
  EXPECT_EQ(FindControl(h), child);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);
  EXPECT_EQ(GetParent(h), host->WindowHandle());
}

TEST(Lifecycle, SuperclassedButtonAndComboKeepTheirExtraBytesAndWork) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* check = AddSystem(host.get(), "BUTTON", BS_AUTOCHECKBOX, Bounds(0, 0, 80, 20));
  auto* combo = AddSystem(host.get(), "COMBOBOX", CBS_DROPDOWNLIST, Bounds(0, 30, 80, 100));

  for (const auto& [cls, c] :
       {std::make_pair("BUTTON", check), std::make_pair("COMBOBOX", combo)}) {
    WNDCLASSA system{}, own{};
    ASSERT_TRUE(GetClassInfoA(nullptr, cls, &system));
    c->HandleNeeded();
    ASSERT_TRUE(GetClassInfoA(HInstance(), (std::string("TSystem_") + cls).c_str(), &own));
    EXPECT_EQ(own.cbWndExtra, system.cbWndExtra) << cls;
    EXPECT_EQ(reinterpret_cast<void*>(c->DefWndProc()),
              reinterpret_cast<void*>(system.lpfnWndProc));
  }
  SendMessageA(check->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_EQ(check->Reflected.size(), 1u);  // WM_COMMAND came back as CN_COMMAND
  EXPECT_EQ(check->Reflected[0].second, BN_CLICKED);

  SendMessageA(combo->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
  SendMessageA(combo->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
  SendMessageA(combo->Handle(), CB_SETCURSEL, 1, 0);
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(combo->Text(), "two");
}

TEST(Lifecycle, WindowProcIsReplaceableAndComparableByCode) {
  TOwned<TTestWinControl> a(Create<TTestWinControl>(nullptr));
  TOwned<TTestWinControl> b(Create<TTestWinControl>(nullptr));
  EXPECT_EQ(a->WindowProc(), a->OwnWindowProc());
  EXPECT_TRUE(a->WindowProc().SameMethodCode(b->OwnWindowProc()));
  EXPECT_NE(a->WindowProc(), b->OwnWindowProc());

  THookRecorder hook;
  hook.Previous = a->WindowProc();
  a->SetWindowProc(Method<&THookRecorder::Hook>(&hook));
  EXPECT_FALSE(a->WindowProc().SameMethodCode(a->OwnWindowProc()));
  a->Perform(WM_USER + 7);
  SendMessageA(a->Handle(), WM_USER + 8, 0, 0);
  EXPECT_NE(std::find(hook.Seen.begin(), hook.Seen.end(), WM_USER + 7), hook.Seen.end());
  EXPECT_NE(std::find(hook.Seen.begin(), hook.Seen.end(), WM_USER + 8), hook.Seen.end());
  EXPECT_EQ(a->Count(WM_USER + 8), 1);  // passed on down the chain
  a->SetWindowProc(hook.Previous);
}

TEST(Lifecycle, MessageZeroIsHarmlessWithAndWithoutWindow) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  EXPECT_EQ(c->Perform(0), 0);
  EXPECT_FALSE(c->HandleAllocated());
  TMessage zero{};
  c->WindowProc()(zero);
  EXPECT_EQ(zero.Result, 0);
  c->HandleNeeded();
  EXPECT_EQ(c->Perform(0), 0);
  EXPECT_EQ(SendMessageA(c->Handle(), 0, 0, 0), 0);
}

TEST(Lifecycle, DefWndProcIsWritable) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  c->HandleNeeded();
  const WNDPROC old = c->DefWndProc();
  c->SetDefWndProc(RecordingDefProc);
  defSeen.clear();
  SendMessageA(c->Handle(), WM_USER + 3, 0, 0);
  EXPECT_EQ(defSeen, std::vector<UINT>{WM_USER + 3});
  c->SetDefWndProc(old);
}

TEST(Lifecycle, RecreateWndKeepsTextEnabledFontAndTabOrder) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  auto* first = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 10, 10));
  auto* button = AddSystem(host.get(), "BUTTON", BS_PUSHBUTTON, Bounds(0, 20, 80, 20));
  button->SetCaption("Press");
  button->SetEnabled(false);
  button->SetTabOrder(0);
  const HWND before = button->Handle();
  button->RecreateWnd();
  const HWND after = button->Handle();
  EXPECT_NE(before, after);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(button->Caption(), "Press");
  char text[16] = {};
  GetWindowTextA(after, text, sizeof(text));
  EXPECT_STREQ(text, "Press");
  EXPECT_FALSE(IsWindowEnabled(after));
  EXPECT_EQ(SendMessageA(after, WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(button->Font()->Handle()));
  EXPECT_EQ(button->TabOrder(), 0);
  EXPECT_EQ(first->TabOrder(), 1);
  EXPECT_EQ(FindControl(after), button);
}

TEST(Lifecycle, RecreateWndOfAShownControlShowsItAgainWithTheFocus) {
  TOwned<TTestWinControl> host(Create<TTestWinControl>(nullptr));
  host->SetBounds(0, 0, 100, 100);
  auto* edit = AddChild<TTestWinControl>(host.get(), Bounds(0, 0, 50, 20));
  ShowTopLevel(host.get());
  SetForegroundWindow(host->WindowHandle());
  edit->SetFocus();
  ASSERT_TRUE(edit->Focused());
  const HWND before = edit->WindowHandle();
  edit->Perform(CM_RECREATEWND);
  EXPECT_NE(edit->WindowHandle(), before);
  EXPECT_TRUE(IsWindowVisible(edit->WindowHandle()));
  EXPECT_TRUE(edit->Focused());
}

TEST(Lifecycle, FreeDestroysTheWindowWhileWholeThenNotifies) {
  std::string log;
  TOwned<TWatcher> watcher(Create<TWatcher>(nullptr));
  auto* host = Create<TDestroyProbe>(nullptr);
  auto* child = AddChild<TDestroyProbe>(host, Bounds(0, 0, 5, 5));
  host->DestroyLog = child->DestroyLog = &log;
  child->HandleNeeded();
  watcher->Log = &log;
  watcher->Window = host->WindowHandle();
  host->FreeNotification(watcher.get());
  host->Free();
  EXPECT_EQ(log, "destroy probe;destroy probe;notified, window gone;");
}

TEST(Lifecycle, ParentFreesItsChildrenAndChildrenLeaveTheirParent) {
  TOwned<TTestWinControl> owner(Create<TTestWinControl>(nullptr));
  auto* panel = AddChild<TTestWinControl>(owner.get(), Bounds(0, 0, 50, 50));
  auto* inner = Create<TTestGraphic>(owner.get());
  inner->SetParent(panel);
  auto* other = AddChild<TTestGraphic>(owner.get(), Bounds(0, 0, 5, 5));
  EXPECT_EQ(owner->ComponentCount(), 3);
  other->Free();
  EXPECT_EQ(owner->ControlCount(), 1);
  panel->Free();  // takes inner with it
  EXPECT_EQ(owner->ComponentCount(), 0);
}

// Probes of the platform itself.
TEST(WineProbe, ACopiedSystemClassWithItsExtraBytesWorks) {
  for (const char* cls : {"BUTTON", "COMBOBOX"}) {
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(nullptr, cls, &wc));
    EXPECT_GT(wc.cbWndExtra, 0) << cls;
    const std::string name = std::string("Probe_") + cls;
    wc.hInstance = HInstance();
    wc.lpszClassName = name.c_str();
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND w = CreateWindowExA(0, name.c_str(), "x", WS_POPUP | BS_AUTOCHECKBOX, 0, 0, 50, 50,
                             nullptr, nullptr, HInstance(), nullptr);
    ASSERT_NE(w, nullptr) << cls;
    SendMessageA(w, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    if (std::string(cls) == "BUTTON")
      EXPECT_EQ(SendMessageA(w, BM_GETCHECK, 0, 0), BST_CHECKED);
    else
      EXPECT_EQ(SendMessageA(w, CB_GETCOUNT, 0, 0), 1);
    DestroyWindow(w);
    UnregisterClassA(name.c_str(), HInstance());
  }
}

TEST(WineProbe, IsWindowUnicodeFollowsTheRegistration) {
  TOwned<TTestWinControl> c(Create<TTestWinControl>(nullptr));
  EXPECT_FALSE(IsWindowUnicode(c->Handle()));  // A-registered, A procedure
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = HInstance();
  wc.lpszClassName = L"ProbeWide";
  ASSERT_TRUE(RegisterClassW(&wc));
  HWND w = CreateWindowExW(0, L"ProbeWide", L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                           HInstance(), nullptr);
  EXPECT_TRUE(IsWindowUnicode(w));
  DestroyWindow(w);
  UnregisterClassW(L"ProbeWide", HInstance());
}

}  // namespace
