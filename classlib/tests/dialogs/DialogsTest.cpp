#include "Clipbrd.h"
#include "Dialogs.h"
#include "LibraryEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

// Restores the system dialogs whatever a test did.
class Dialogs : public ::testing::Test {
 protected:
  void TearDown() override {
    for (TDialogKind kind : {dkOpen, dkSave, dkColor})
      SetDialogExecutor(kind, {});
  }
};

// Presses Cancel on the first dialog window of this process that shows up.
class TCanceller {
 public:
  TCanceller()
      : thread_([this] {
          for (int i = 0; i < 200 && !done_; ++i) {
            Sleep(50);
            EnumWindows(&TCanceller::Visit, reinterpret_cast<LPARAM>(this));
          }
        }) {}
  ~TCanceller() {
    done_ = true;
    thread_.join();
  }
  bool Cancelled() const { return cancelled_; }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    auto* me = reinterpret_cast<TCanceller*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (pid != GetCurrentProcessId() || std::string(cls) != "#32770" || !IsWindowVisible(window))
      return TRUE;
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    me->cancelled_ = true;
    me->done_ = true;
    return FALSE;
  }

  std::atomic<bool> done_{false};
  std::atomic<bool> cancelled_{false};
  std::thread thread_;
};

}  // namespace

TEST_F(Dialogs, FilterListsDropAnUnpairedPartAndClampTheIndex) {
  TOwned<TOpenDialog> dialog(Create<TOpenDialog>(nullptr));
  struct {
    const char* filter;
    int index;
    std::string list;
    int effective;
  } cases[] = {
      {"Settings|*.vtcfg|All|*.*", 2, std::string("Settings\0*.vtcfg\0All\0*.*\0\0", 26), 2},
      {"Settings|*.vtcfg|Orphan", 2, std::string("Settings\0*.vtcfg\0\0", 18), 1},
      {"Only", 1, "", 1},
      {"", 0, "", 1},
      {"A|*.a|B|*.b", 0, std::string("A\0*.a\0B\0*.b\0\0", 13), 1},
      {"A|*.a|B|*.b", 3, std::string("A\0*.a\0B\0*.b\0\0", 13), 1},
  };
  for (const auto& c : cases) {
    dialog->SetFilter(c.filter);
    dialog->SetFilterIndex(c.index);
    EXPECT_EQ(dialog->FilterList(), c.list) << c.filter;
    EXPECT_EQ(dialog->EffectiveFilterIndex(), c.effective) << c.filter << " " << c.index;
  }
  EXPECT_EQ(dialog->SystemFlags(),
            static_cast<DWORD>(OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING));
  dialog->SetOptions({ofOverwritePrompt, ofPathMustExist});
  EXPECT_EQ(dialog->SystemFlags(),
            static_cast<DWORD>(OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
}

TEST_F(Dialogs, ExecutorsStandInPerKind) {
  TOwned<TOpenDialog> open(Create<TOpenDialog>(nullptr));
  TOwned<TSaveDialog> save(Create<TSaveDialog>(nullptr));
  TOwned<TColorDialog> colour(Create<TColorDialog>(nullptr));
  std::string seen;
  SetDialogExecutor(dkOpen, [&](TCommonDialog* d) {
    seen += "open ";
    static_cast<TOpenDialog*>(d)->SetFileName("C:\\chosen.vtcfg");
    return true;
  });
  SetDialogExecutor(dkSave, [&](TCommonDialog*) {
    seen += "save ";
    return false;
  });
  SetDialogExecutor(dkColor, [&](TCommonDialog* d) {
    seen += "colour";
    static_cast<TColorDialog*>(d)->SetColor(clRed);
    return true;
  });
  EXPECT_TRUE(open->Execute());
  save->SetFileName("kept.txt");
  EXPECT_FALSE(save->Execute());
  EXPECT_TRUE(colour->Execute());
  EXPECT_EQ(seen, "open save colour");
  EXPECT_EQ(open->FileName(), "C:\\chosen.vtcfg");
  EXPECT_EQ(save->FileName(), "kept.txt");
  EXPECT_EQ(colour->Color(), clRed);
}

TEST_F(Dialogs, CancelledSystemDialogsChangeNothing) {
  TOwned<TOpenDialog> open(Create<TOpenDialog>(nullptr));
  open->SetFilter("Settings|*.vtcfg|Orphan");
  open->SetFilterIndex(5);
  open->SetFileName("before.vtcfg");
  {
    TCanceller canceller;
    EXPECT_FALSE(open->Execute());
    EXPECT_TRUE(canceller.Cancelled());
  }
  EXPECT_EQ(open->FileName(), "before.vtcfg");
  EXPECT_EQ(open->FilterIndex(), 5);

  TOwned<TColorDialog> colour(Create<TColorDialog>(nullptr));
  colour->SetColor(clBlue);
  colour->CustomColors()->Add("ColorA=zzzzzz");
  {
    TCanceller canceller;
    EXPECT_FALSE(colour->Execute());
    EXPECT_TRUE(canceller.Cancelled());
  }
  EXPECT_EQ(colour->Color(), clBlue);
  EXPECT_EQ(colour->CustomColors()->Strings(0), "ColorA=zzzzzz");
}

// ---- Clipboard -------------------------------------------------------------------------------

namespace {

void PutRaw(const void* data, size_t size) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  memcpy(GlobalLock(block), data, size);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

}  // namespace

TEST(Clipboard, TextRoundTripAndBadBlocks) {
  Clipboard()->SetAsText("Hello, terminal");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "Hello, terminal");

  // No terminating zero: the text stays within its block.
  PutRaw("ABCD", 4);
  const std::string bare = Clipboard()->AsText();
  EXPECT_LE(bare.size(), 4u);
  EXPECT_EQ(bare.substr(0, 3), "ABC");
  // A zero inside ends the text.
  PutRaw("AB\0CD", 6);
  EXPECT_EQ(Clipboard()->AsText(), "AB");

  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST(Clipboard, NestedOpenAndAnotherOwner) {
  Clipboard()->Open();
  Clipboard()->Open();
  Clipboard()->SetAsText("nested");
  Clipboard()->Close();
  // Still open: another thread cannot take it.
  std::atomic<bool> opened{true};
  std::thread([&] {
    opened = OpenClipboard(nullptr) != FALSE;
    if (opened)
      CloseClipboard();
  }).join();
  EXPECT_FALSE(opened);
  Clipboard()->Close();
  Clipboard()->Close();  // unbalanced: nothing happens

  // Held elsewhere: setting raises, reading gives "".
  std::atomic<bool> held{false};
  std::atomic<bool> release{false};
  std::thread holder([&] {
    held = OpenClipboard(nullptr) != FALSE;
    while (!release)
      Sleep(10);
    if (held)
      CloseClipboard();
  });
  while (!held)
    Sleep(10);
  EXPECT_THROW(Clipboard()->SetAsText("refused"), EClipboardException);
  EXPECT_EQ(Clipboard()->AsText(), "");
  release = true;
  holder.join();
  EXPECT_EQ(Clipboard()->AsText(), "nested");
}
