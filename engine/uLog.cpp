#include "uLog.h"

#include "DateUtils.h"
#include "FileUtils.h"

VEL_CLASS_IMPL(TLog, TObject)

namespace {

const uint32_t kOpenMode = fmOpenReadWrite | fmShareDenyWrite;
const char kLineEnd[] = "\r\n";

}  // namespace

TLog::TLog(const std::string& fileName, int64_t maxSize) : fileName_(fileName), maxSize_(maxSize) {
  const std::string folder = ExtractFilePath(fileName_);
  if (!folder.empty() && !DirectoryExists(folder))
    ForceDirectories(folder);
  Open();
  Write("File opened");
}

TLog::~TLog() {
  try {
    Write("File closed");
  } catch (const std::exception&) {
    // a full disk must not stop the shut-down
  }
}

void TLog::Open() {
  if (FileExists(fileName_)) {
    stream_ = std::make_unique<TFileStream>(fileName_, kOpenMode);
    stream_->Seek(0, soEnd);
    return;
  }
  // Created through a second open so that the file gets the deny-write share.
  {
    TFileStream created(fileName_, fmCreate);
    const char zero = 0;
    created.WriteBuffer(&zero, 1);
  }
  stream_ = std::make_unique<TFileStream>(fileName_, kOpenMode);
  stream_->SetSize(0);
  stream_->Seek(0, soBeginning);
}

void TLog::Write(const std::string& text) {
  TLockGuard lock(lock_);
  const std::string line = text + kLineEnd;
  stream_->Seek(0, soEnd);
  stream_->WriteBuffer(line.data(), static_cast<int32_t>(line.size()));
  if (maxSize_ > 0 && stream_->Size() > maxSize_)
    TrimFile();
}

void TLog::WriteLine(const std::string& text) {
  Write(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", Now()) + " : " + text);
}

// Keeps the newest nine tenths of the cap, from the first whole line on.
void TLog::TrimFile() {
  try {
    const int64_t keep = maxSize_ * 9 / 10;
    const int64_t size = stream_->Size();
    if (size <= keep)
      return;
    // One byte more than kept, to see whether the kept part starts a line.
    std::string tail(static_cast<size_t>(keep + 1), '\0');
    stream_->Seek(size - keep - 1, soBeginning);
    stream_->ReadBuffer(&tail[0], static_cast<int32_t>(tail.size()));
    const size_t lineEnd = tail.find('\n');
    const size_t start = lineEnd == std::string::npos ? 1 : lineEnd + 1;
    stream_->SetSize(0);
    stream_->WriteBuffer(tail.data() + start, static_cast<int32_t>(tail.size() - start));
  } catch (const std::exception&) {
    // the log goes on untrimmed rather than not at all
  }
  stream_->Seek(0, soEnd);
}
