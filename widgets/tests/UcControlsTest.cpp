// Unicode windows and the wide text of controls, on real windows: what the
// system gives a wide superclass, text before and after the window, the trap
// across re-creation and destruction, characters above 255, and bad input.
#include "ControlTestSupport.h"
#include "Forms.h"
#include "UcControlsTestControls.h"
#include "UcMenus.h"
#include "UcSysUtils.h"
#include "WidgetEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

const std::wstring kCyrillic = L"\u0416\u0443\u0440\u043D\u0430\u043B";
const std::wstring kGreek = L"\u0391\u03B2\u03B3\u03B4";
const std::wstring kCjk = L"\u65E5\u672C\u8A9E";
const std::wstring kPair = L"\xD83D\xDE00";
const std::wstring kMixed = kCyrillic + L" " + kGreek + L" " + kCjk + L" " + kPair;

std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

class UcControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.reset(CreateNew<TForm>(nullptr));
    form_->SetBounds(50, 50, 400, 300);
  }

  template <typename T>
  T* Add() {
    T* control = Create<T>(form_.get());
    control->SetParent(form_.get());
    control->SetBounds(10, 10, 200, 24);
    return control;
  }

  TOwned<TForm> form_;
};

// ---- What the system gives (probes) ----------------------------------------------------

HHOOK probeHook = nullptr;
WPARAM probeSeen = 0;

LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && msg->message == WM_CHAR) {
    probeSeen = msg->wParam;
    msg->message = WM_NULL;
  }
  return CallNextHookEx(probeHook, code, wParam, lParam);
}

TEST_F(UcControlsTest, WideMessageHookSeesTheWholeCharacterAndItsChangeReachesTheAnsiPeek) {
  auto* edit = Add<TTestWideEdit>();
  const HWND window = edit->Handle();
  probeHook = SetWindowsHookExW(WH_GETMESSAGE, ProbeHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, probeHook);
  probeSeen = 0;
  PostMessageW(window, WM_CHAR, 0x0416, 1);
  MSG msg{};
  const BOOL got = PeekMessageA(&msg, window, 0, 0, PM_REMOVE);
  UnhookWindowsHookEx(probeHook);
  ASSERT_TRUE(got);
  EXPECT_EQ(0x0416u, probeSeen);
  EXPECT_EQ(static_cast<UINT>(WM_NULL), msg.message);
}

TEST_F(UcControlsTest, EditAndButtonWorkAsWideSuperclassesWithTheirExtraBytes) {
  auto* edit = Add<TTestWideEdit>();
  auto* button = Add<TTestWideButton>();
  WNDCLASSW system{};
  ASSERT_TRUE(GetClassInfoW(nullptr, L"EDIT", &system));
  EXPECT_EQ(system.cbWndExtra, GetClassLongW(edit->Handle(), GCL_CBWNDEXTRA));
  ASSERT_TRUE(GetClassInfoW(nullptr, L"BUTTON", &system));
  EXPECT_EQ(system.cbWndExtra, GetClassLongW(button->Handle(), GCL_CBWNDEXTRA));

  SetWideControlText(edit, kMixed);
  SendMessageW(edit->Handle(), EM_SETSEL, 0, 6);
  DWORD start = 0, end = 0;
  SendMessageW(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(0u, start);
  EXPECT_EQ(6u, end);
  SendMessageW(button->Handle(), BM_SETCHECK, BST_CHECKED, 0);
  SetWideControlText(button, kCjk);
  EXPECT_EQ(kCjk, WindowText(button->Handle()));
}

// ---- Windows ---------------------------------------------------------------------------

TEST_F(UcControlsTest, WindowsAreUnicodeUnderTheirOwnClassAndKnownToTheLibrary) {
  EXPECT_EQ(WindowAtom(),
            GlobalFindAtomA(Format("%s%.8X", kWindowAtomPrefix, GetCurrentProcessId()).c_str()));
  auto* edit = Add<TTestWideEdit>();
  auto* button = Add<TTestWideButton>();
  auto* box = Add<TTestWideBox>();
  for (TWinControl* control : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(button),
                               static_cast<TWinControl*>(box)}) {
    const HWND window = control->Handle();
    EXPECT_TRUE(IsWindowUnicode(window));
    EXPECT_EQ(AnsiToWide(control->ClassName()) + L".UnicodeClass", ClassNameOf(window));
    EXPECT_EQ(control, FindControl(window));
    EXPECT_NE(nullptr, AttachedTrap(control));
  }
}

TEST_F(UcControlsTest, CaptionSetBeforeTheWindowArrivesExact) {
  auto* edit = Add<TTestWideEdit>();
  auto* box = Add<TTestWideBox>();
  SetWideControlText(edit, kMixed);
  SetWideControlText(box, kPair + kCjk);
  EXPECT_FALSE(edit->HandleAllocated());
  EXPECT_EQ(kMixed, GetWideControlText(edit));
  EXPECT_EQ(WideToAnsi(kMixed), edit->Text());

  EXPECT_EQ(kMixed, WindowText(edit->Handle()));
  EXPECT_EQ(kMixed, GetWideControlText(edit));
  EXPECT_EQ(kPair + kCjk, WindowText(box->Handle()));
  // The class library's 8-bit view goes through the system's conversion.
  EXPECT_EQ(WideToAnsi(kMixed), edit->Text());
}

TEST_F(UcControlsTest, RecreationKeepsTheTextAndTheTrap) {
  auto* edit = Add<TTestWideEdit>();
  edit->HandleNeeded();
  SetWideControlText(edit, kGreek + kPair);
  TWinControlTrap* trap = AttachedTrap(edit);
  const int traps = TrapCount();
  edit->RecreateWnd();
  edit->HandleNeeded();
  EXPECT_EQ(kGreek + kPair, WindowText(edit->Handle()));
  EXPECT_EQ(trap, AttachedTrap(edit));
  EXPECT_EQ(traps, TrapCount());
  edit->Free();
  EXPECT_EQ(traps - 1, TrapCount());
}

TEST_F(UcControlsTest, WindowGoneTextStaysInTheHelper) {
  auto* edit = Add<TTestWideEdit>();
  SetWideControlText(edit, kCyrillic);
  edit->HandleNeeded();
  edit->DestroyHandle();
  EXPECT_FALSE(edit->HandleAllocated());
  EXPECT_EQ(kCyrillic, GetWideControlText(edit));
  // Between windows the stored wide text counts, even against other code's
  // 8-bit change.
  edit->SetText("plain");
  EXPECT_EQ(kCyrillic, GetWideControlText(edit));
}

TEST_F(UcControlsTest, UnchangedWindowTextSendsNoTextChange) {
  auto* box = Add<TTestWideBox>();
  box->HandleNeeded();
  const TMessageCounter counter(box);
  SetWideControlText(box, kCjk);
  SetWideControlText(box, kCjk);
  EXPECT_EQ(1, counter.Count(CM_TEXTCHANGED));
}

TEST_F(UcControlsTest, SecondHookIsNotDoubledByRecreation) {
  auto* box = Add<TTestWideBox>();
  box->HandleNeeded();
  TWinControlTrap* trap = AttachedTrap(box);
  const TMessageCounter counter(box);
  EXPECT_TRUE(trap->IsTrapHookInChain());
  box->RecreateWnd();
  box->HandleNeeded();
  // The outer hook stays first, the trap's behind it once.
  EXPECT_TRUE(counter.First());
  EXPECT_EQ(trap, static_cast<TWinControlTrap*>(counter.Next().Data()));
  SetWideControlText(box, kGreek);
  EXPECT_EQ(1, counter.Count(WM_SETTEXT));
  EXPECT_EQ(kGreek, GetWideControlText(box));
}

// A hook in front of the trap's that reads the 8-bit text into an 8-byte
// buffer, guarded by 8 more bytes, when a message of one number passes.
class TTextReadingHook {
 public:
  TTextReadingHook(TControl* control, UINT trigger)
      : control_(control), previous_(control->WindowProc()), trigger_(trigger) {
    control_->SetWindowProc(Method<&TTextReadingHook::Proc>(this));
  }
  ~TTextReadingHook() { control_->SetWindowProc(previous_); }
  TTextReadingHook(const TTextReadingHook&) = delete;
  TTextReadingHook& operator=(const TTextReadingHook&) = delete;

  std::string Read() const { return std::string(buffer_); }
  std::string Guard() const { return std::string(buffer_ + 8, 8); }

 private:
  void Proc(TMessage& m) {
    if (m.Msg == trigger_ && !reading_) {
      reading_ = true;
      std::fill(std::begin(buffer_), std::end(buffer_), 'G');
      control_->GetTextBuf(buffer_, 8);
      reading_ = false;
    }
    previous_(m);
  }

  TControl* control_;
  TWndMethod previous_;
  UINT trigger_;
  bool reading_ = false;
  char buffer_[16] = {};
};

TEST_F(UcControlsTest, AHookInFrontReadsEightBitTextWhileARealTextMessageRuns) {
  const std::wstring nine = kCyrillic + L"\u0430\u043C\u0438";
  auto* box = Add<TTestWideBox>();
  SetWideControlText(box, nine);
  box->HandleNeeded();
  {
    TTextReadingHook hook(box, WM_GETTEXT);
    wchar_t text[32] = {};
    SendMessageW(box->Handle(), WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(nine, std::wstring(text));
    EXPECT_EQ("???????", hook.Read());
    EXPECT_EQ(std::string(8, 'G'), hook.Guard());
  }
  {
    TTextReadingHook hook(box, WM_SETTEXT);
    SetWindowTextW(box->Handle(), kGreek.c_str());
    EXPECT_EQ("???????", hook.Read());
    EXPECT_EQ(std::string(8, 'G'), hook.Guard());
  }
  EXPECT_EQ(kGreek, GetWideControlText(box));
}

TEST_F(UcControlsTest, ControlFreedInsideItsOwnHandlerFreesItsTrap) {
  auto* box = Add<TTestWideBox>();
  const HWND window = box->Handle();
  const int traps = TrapCount();
  box->FreeOnMessage = WM_USER + 7;
  SendMessageW(window, WM_USER + 7, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(traps - 1, TrapCount());
  EXPECT_EQ(0, form_->ControlCount());
}

TEST_F(UcControlsTest, WindowFreedAfterTheModuleStoppedOnlyLosesItsHandle) {
  auto* box = Add<TTestWideBox>();
  SetWideControlText(box, kGreek);
  const HWND window = box->Handle();
  const int traps = TrapCount();
  DoneUcControls();
  box->Free();
  InitUcControls();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(traps - 1, TrapCount());
  auto* next = Add<TTestWideBox>();
  SetWideControlText(next, kCjk);
  EXPECT_EQ(kCjk, WindowText(next->Handle()));
}

TEST_F(UcControlsTest, NotifyFormatAnswersByTheNamedWindow) {
  auto* edit = Add<TTestWideEdit>();
  EXPECT_EQ(NFR_UNICODE, SendMessageW(edit->Handle(), WM_NOTIFYFORMAT,
                                      reinterpret_cast<WPARAM>(edit->Handle()), NF_QUERY));
  EXPECT_EQ(NFR_ANSI, SendMessageW(edit->Handle(), WM_NOTIFYFORMAT,
                                   reinterpret_cast<WPARAM>(form_->Handle()), NF_QUERY));
  EXPECT_EQ(NFR_ANSI, SendMessageW(edit->Handle(), WM_NOTIFYFORMAT, 0, NF_QUERY));
}

TEST_F(UcControlsTest, WindowTextIsTheCopiedTextWhateverTheLengthAnswer) {
  auto* box = Add<TTestWideBox>();
  box->ExtraTextLength = 4;
  SetWideControlText(box, kGreek);
  EXPECT_EQ(kGreek, GetWideControlText(box));
  {
    const TMessageCounter counter(box);
    SetWideControlText(box, kGreek);
    EXPECT_EQ(0, counter.Count(CM_TEXTCHANGED));
  }
  // Re-creation compares the same way.
  box->RecreateWnd();
  box->HandleNeeded();
  EXPECT_EQ(kGreek, GetWideControlText(box));
}

// ---- Actions ---------------------------------------------------------------------------------

TEST_F(UcControlsTest, ActionsHandTheirWideTextsToEveryKindOfControl) {
  TOwned<TUcActionList> list(Create<TUcActionList>(nullptr));
  auto* action = Create<TUcAction>(list.get());
  action->SetActionList(list.get());
  action->SetCaption(kCyrillic);
  action->SetHint(kCjk + L"|" + kGreek);
  auto* label = Add<TTestWideLabel>();
  auto* button = Add<TTestWideButton>();
  auto* box = Add<TTestWideBox>();
  TOwned<TUcMenuItem> item(Create<TUcMenuItem>(nullptr));
  button->HandleNeeded();
  for (TControl* control :
       {static_cast<TControl*>(label), static_cast<TControl*>(button), static_cast<TControl*>(box)})
    control->SetAction(action);
  item->SetAction(action);
  for (TControl* control : {static_cast<TControl*>(label), static_cast<TControl*>(button),
                            static_cast<TControl*>(box)}) {
    EXPECT_EQ(kCyrillic, GetWideControlText(control));
    EXPECT_EQ(kCjk + L"|" + kGreek, GetWideControlHint(control));
    EXPECT_FALSE(IsWideCaptionStored(control));
  }
  EXPECT_EQ(kCyrillic, item->Caption());
  // A later change reaches them too, the window's text included.
  action->SetCaption(kPair);
  EXPECT_EQ(kPair, GetWideControlText(label));
  EXPECT_EQ(kPair, WindowText(button->Handle()));
  EXPECT_EQ(kPair, WindowText(box->Handle()));
  EXPECT_EQ(kPair, item->Caption());
  // A control that takes a caption of its own is no longer linked.
  SetWideControlText(label, kGreek);
  EXPECT_TRUE(IsWideCaptionStored(label));
  action->SetCaption(kCjk);
  EXPECT_EQ(kGreek, GetWideControlText(label));
  EXPECT_EQ(kCjk, GetWideControlText(button));
}

// ---- Windowless controls and hints ------------------------------------------------------

TEST_F(UcControlsTest, WindowlessTextFollowsOtherCodesEightBitChange) {
  auto* label = Add<TTestWideLabel>();
  SetWideControlText(label, kCyrillic);
  EXPECT_EQ(kCyrillic, GetWideControlText(label));
  EXPECT_EQ(WideToAnsi(kCyrillic), label->Caption());
  label->SetCaption("other");
  EXPECT_EQ(L"other", GetWideControlText(label));
  // Two texts with the same 8-bit form still reach the 8-bit side as a
  // change.
  SetWideControlText(label, L"\u0416");
  SetWideControlText(label, L"\u0436");
  EXPECT_EQ(L"\u0436", GetWideControlText(label));
}

TEST_F(UcControlsTest, HintsPairAndSplitAndComeFromParents) {
  auto* label = Add<TTestWideLabel>();
  SetWideControlHint(form_.get(), kGreek + L"|" + kCjk);
  EXPECT_EQ(kGreek + L"|" + kCjk, FindWideHint(label));
  SetWideControlHint(label, kCyrillic + L"|" + kPair);
  EXPECT_EQ(kCyrillic, ShortHintPart(FindWideHint(label)));
  EXPECT_EQ(kPair, LongHintPart(FindWideHint(label)));
  EXPECT_EQ(L"whole", LongHintPart(L"whole"));
  EXPECT_EQ(L"", ShortHintPart(L"|after"));
  label->SetHint("plain");
  EXPECT_EQ(L"plain", GetWideControlHint(label));
}

TEST_F(UcControlsTest, HelperMadeForTheHintDoesNotHideTheEightBitCaption) {
  auto* edit = Add<TTestWideEdit>();
  edit->SetName("Edit7");
  SetWideControlHint(edit, kCyrillic);
  EXPECT_EQ(L"Edit7", GetWideControlText(edit));
  EXPECT_EQ(L"Edit7", WindowText(edit->Handle()));
}

// ---- Characters above 255 ------------------------------------------------------------

TEST_F(UcControlsTest, CharacterAboveTwoFiftyFiveIsPackedForKeyHandlingAndWholeForTheEdit) {
  auto* edit = Add<TTestWideEdit>();
  SendMessageW(edit->Handle(), WM_CHAR, 0x0416, 1);
  ASSERT_EQ(1u, edit->KeyPressChars.size());
  EXPECT_EQ(static_cast<char>(255), edit->KeyPressChars[0]);
  EXPECT_EQ(L"\u0416", WindowText(edit->Handle()));
  SendMessageW(edit->Handle(), WM_CHAR, 0xD83D, 1);
  SendMessageW(edit->Handle(), WM_CHAR, 0xDE00, 1);
  EXPECT_EQ(L"\u0416" + kPair, WindowText(edit->Handle()));
}

TEST_F(UcControlsTest, ImeCharacterBeforeVersionFiveOneArrivesAsACharacter) {
  auto* edit = Add<TTestWideEdit>();
  {
    const TForcedPlatformFlags nt50(true, false);
    SendMessageW(edit->Handle(), WM_IME_CHAR, 0x65E5, 1);
  }
  ASSERT_EQ(1u, edit->KeyPressChars.size());
  EXPECT_EQ(static_cast<char>(255), edit->KeyPressChars[0]);
  EXPECT_EQ(L"日", WindowText(edit->Handle()));
}

TEST(UcCharMessage, PackingRoundTripsAndRejectsOtherMessages) {
  TMessage m{WM_CHAR, 0x0416, 0, 0};
  PackCharMessage(m);
  EXPECT_EQ(255u, LOWORD(m.WParam));
  EXPECT_EQ(0x0416u, HIWORD(m.WParam));
  EXPECT_EQ(L'\u0416', CharOfCharMessage(m));
  UnpackCharMessage(m);
  EXPECT_EQ(0x0416u, m.WParam);
  TMessage low{WM_CHAR, 0xE9, 0, 0};
  PackCharMessage(low);
  EXPECT_EQ(0xE9u, low.WParam);
  EXPECT_EQ(L'\xE9', CharOfCharMessage(low));
  SetCharMessageChar(low, L'\u65E5');
  EXPECT_EQ(MAKEWPARAM(255, 0x65E5), low.WParam);
  // A real 255 with a stray high word is not a packed character.
  TMessage stray{WM_CHAR, MAKEWPARAM(0x41, 0x0416), 0, 0};
  EXPECT_EQ(L'A', CharOfCharMessage(stray));
  UnpackCharMessage(stray);
  EXPECT_EQ(0x41u, stray.WParam);

  TMessage packed{WM_CHAR, MAKEWPARAM(255, 1), 0, 0};
  EXPECT_THROW(PackCharMessage(packed), EAssertionFailed);
  TMessage other{WM_KEYDOWN, 0x41, 0, 0};
  EXPECT_THROW(PackCharMessage(other), EAssertionFailed);
  EXPECT_THROW(UnpackCharMessage(other), EAssertionFailed);
  EXPECT_THROW(CharOfCharMessage(other), EAssertionFailed);
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(UcControlsTest, CharWithAHighWordFromOutsidePassesUnpacked) {
  auto* edit = Add<TTestWideEdit>();
  bool boxShown = false;
  SetMessageBoxFunc([&](HWND, const std::string&, const std::string&, UINT) {
    boxShown = true;
    return IDOK;
  });
  SendMessageW(edit->Handle(), WM_CHAR, MAKEWPARAM(L'x', 3), 1);
  SetMessageBoxFunc(nullptr);
  EXPECT_FALSE(boxShown);
  EXPECT_EQ(L"x", WindowText(edit->Handle()));
}

TEST_F(UcControlsTest, DestroyMessageFromOutsideDetachesOnceAndLeavesTheWindowUsable) {
  auto* edit = Add<TTestWideEdit>();
  SetWideControlText(edit, kCyrillic);
  const HWND window = edit->Handle();
  const int traps = TrapCount();
  SendMessageW(window, DestroyWindowMessage(), 0, 0);
  EXPECT_EQ(nullptr, AttachedTrap(edit));
  EXPECT_FALSE(IsWindowUnicode(window));
  SendMessageW(window, DestroyWindowMessage(), 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(traps, TrapCount());
  // The class library's 8-bit text still reads and writes the window.
  EXPECT_EQ(WideToAnsi(kCyrillic), edit->Text());
  edit->SetText("after");
  EXPECT_EQ("after", edit->Text());
  EXPECT_EQ(L"after", GetWideControlText(edit));
  // The window's next life gets the trap back.
  edit->RecreateWnd();
  edit->HandleNeeded();
  EXPECT_NE(nullptr, AttachedTrap(edit));
  EXPECT_EQ(L"after", WindowText(edit->Handle()));

  TEdit* plain = Add<TEdit>();
  plain->SetText("kept");
  SendMessageA(plain->Handle(), DestroyWindowMessage(), 0, 0);
  EXPECT_EQ("kept", plain->Text());
}

// Another hook in front keeps the trap's in the chain: it must lead to a
// live trap that passes everything on once the window is detached.
TEST_F(UcControlsTest, DestroyMessageBehindAnotherHookDetachesAndTheChainStaysAlive) {
  auto* edit = Add<TTestWideEdit>();
  SetWideControlText(edit, kCyrillic);
  const HWND window = edit->Handle();
  const int traps = TrapCount();
  {
    const TMessageCounter front(edit);
    SendMessageW(window, DestroyWindowMessage(), 0, 0);
    EXPECT_FALSE(IsWindowUnicode(window));
    EXPECT_EQ(1, front.Count(DestroyWindowMessage()));
    EXPECT_EQ(WideToAnsi(kCyrillic), edit->Text());
    edit->SetText("after");
    EXPECT_EQ("after", edit->Text());
    EXPECT_EQ(L"after", GetWideControlText(edit));
    SendMessageW(window, DestroyWindowMessage(), 0, 0);
    EXPECT_EQ("after", edit->Text());
    // The next window takes the same trap, still behind the other hook.
    edit->RecreateWnd();
    edit->HandleNeeded();
    EXPECT_TRUE(IsWindowUnicode(edit->Handle()));
    EXPECT_TRUE(front.First());
    EXPECT_EQ(traps, TrapCount());
    SetWideControlText(edit, kGreek);
    EXPECT_EQ(kGreek, WindowText(edit->Handle()));
    EXPECT_EQ(WideToAnsi(kGreek), edit->Text());
  }
  EXPECT_NE(nullptr, AttachedTrap(edit));

  // A window whose creation fails does not free a trap the chain leads to.
  auto* box = Add<TTestWideBox>();
  SetWideControlText(box, kCyrillic);
  box->HandleNeeded();
  const int withBox = TrapCount();
  const TMessageCounter front(box);
  box->FailCreation = true;
  EXPECT_THROW(
      {
        box->RecreateWnd();
        box->HandleNeeded();
      },
      EOSError);
  EXPECT_EQ(withBox, TrapCount());
  box->FailCreation = false;
  box->HandleNeeded();
  EXPECT_EQ(withBox, TrapCount());
  EXPECT_EQ(kCyrillic, WindowText(box->Handle()));
  SetWideControlText(box, kGreek);
  EXPECT_EQ(kGreek, GetWideControlText(box));
}

TEST_F(UcControlsTest, FailedCreationRaisesAndLeavesNoWindowNorTrap) {
  auto* box = Add<TTestWideBox>();
  const int traps = TrapCount();
  box->FailCreation = true;
  EXPECT_THROW(box->HandleNeeded(), EOSError);
  EXPECT_FALSE(box->HandleAllocated());
  EXPECT_EQ(traps, TrapCount());
  box->FailCreation = false;
  SetWideControlText(box, kGreek);
  EXPECT_EQ(kGreek, WindowText(box->Handle()));

  // A name the 8-bit class takes but the wide one, longer by its suffix,
  // does not.
  auto* longName = Add<TTestWideBox>();
  longName->ClassNameOverride = std::string(250, 'W');
  EXPECT_THROW(longName->HandleNeeded(), EOSError);
  EXPECT_FALSE(longName->HandleAllocated());
  EXPECT_EQ(traps + 1, TrapCount());

  auto* orphan = Create<TTestWideBox>(form_.get());
  orphan->SetParentWindow(reinterpret_cast<HWND>(0x7FFF0001));
  EXPECT_THROW(orphan->HandleNeeded(), EOSError);
  EXPECT_FALSE(orphan->HandleAllocated());
  EXPECT_EQ(traps + 1, TrapCount());
}

}  // namespace
