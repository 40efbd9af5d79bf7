#include "Clipbrd.h"

#include "Forms.h"

#include <cstring>

VEL_CLASS_IMPL(TClipboard, TPersistent)

namespace {

TClipboard* clipboard = nullptr;

HWND OwnerWindow() {
  return Application() ? Application()->Handle() : nullptr;
}

// Open/Close as a scope.
class TOpenClipboard {
 public:
  explicit TOpenClipboard(TClipboard* c) : clipboard_(c) { clipboard_->Open(); }
  ~TOpenClipboard() { clipboard_->Close(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;

 private:
  TClipboard* clipboard_;
};

// A locked global block, unlocked again at the end of the scope.
class TLockedBlock {
 public:
  explicit TLockedBlock(HGLOBAL block)
      : block_(block), data_(block ? static_cast<char*>(GlobalLock(block)) : nullptr) {}
  ~TLockedBlock() {
    if (data_)
      GlobalUnlock(block_);
  }
  TLockedBlock(const TLockedBlock&) = delete;
  TLockedBlock& operator=(const TLockedBlock&) = delete;
  char* Data() const { return data_; }
  size_t Size() const { return data_ ? GlobalSize(block_) : 0; }

 private:
  HGLOBAL block_;
  char* data_;
};

}  // namespace

TClipboard::~TClipboard() {
  if (openCount_ > 0)
    CloseClipboard();
}

void TClipboard::Open() {
  if (openCount_ == 0 && !OpenClipboard(OwnerWindow()))
    throw EClipboardException("Cannot open clipboard: " + SysErrorMessage(GetLastError()));
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0)
    return;
  if (--openCount_ == 0)
    CloseClipboard();
}

bool TClipboard::HasFormat(UINT format) const {
  return IsClipboardFormatAvailable(format) != FALSE;
}

std::string TClipboard::AsText() {
  if (!HasFormat(CF_TEXT))
    return "";
  try {
    const TOpenClipboard open(this);
    const TLockedBlock block(GetClipboardData(CF_TEXT));
    if (!block.Data())
      return "";
    // The block need not hold a zero: the text ends with it at the latest.
    const char* begin = block.Data();
    const char* end = static_cast<const char*>(std::memchr(begin, 0, block.Size()));
    return std::string(begin, end ? end : begin + block.Size());
  } catch (const EClipboardException&) {
    return "";
  }
}

void TClipboard::SetAsText(const std::string& text) {
  const TOpenClipboard open(this);
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  {
    const TLockedBlock locked(block);
    if (!locked.Data())
      throw EClipboardException("Cannot allocate the clipboard text");
    std::memcpy(locked.Data(), text.c_str(), text.size() + 1);
  }
  if (!SetClipboardData(CF_TEXT, block)) {
    GlobalFree(block);
    throw EClipboardException("Cannot set the clipboard text: " + SysErrorMessage(GetLastError()));
  }
}

void TClipboard::Clear() {
  const TOpenClipboard open(this);
  EmptyClipboard();
}

TClipboard* Clipboard() {
  if (!clipboard)
    clipboard = Create<TClipboard>();
  return clipboard;
}

void DoneClipboard() {
  FreeAndNil(clipboard);
}
