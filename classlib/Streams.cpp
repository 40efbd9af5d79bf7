#include "Streams.h"

#include <algorithm>
#include <cstring>

// ---- TStream -------------------------------------------------------------------

VEL_CLASS_IMPL(TStream, TObject)

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count)
    throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count)
    throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int32_t chunkSize = 64 * 1024;
  std::vector<char> chunk(static_cast<size_t>(std::min<int64_t>(count, chunkSize)));
  for (int64_t left = count; left > 0;) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, chunkSize));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

// ---- THandleStream -------------------------------------------------------------

VEL_CLASS_IMPL(THandleStream, TStream)

int32_t THandleStream::Read(void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return 0;
  }
  return static_cast<int32_t>(done);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return 0;
  }
  return static_cast<int32_t>(done);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(handle_, distance, &position, kMethods[origin]))
    return -1;
  return position.QuadPart;
}

void THandleStream::SetSize(int64_t size) {
  int64_t position = Position();
  if (Seek(size, soBeginning) < 0 || !SetEndOfFile(handle_))
    RaiseLastOSError();
  SetPosition(std::min(position, size));
}

// ---- TFileStream ---------------------------------------------------------------

VEL_CLASS_IMPL(TFileStream, THandleStream)

namespace {

HANDLE OpenFileHandle(const std::string& fileName, uint32_t mode) {
  static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  // Compatibility mode (0) shares nothing, like fmShareExclusive.
  static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE};
  const bool create = (mode & fmCreate) == fmCreate;
  const uint32_t access = create ? fmOpenReadWrite : mode & 0x3;
  const uint32_t share = (mode & 0xF0) >> 4;
  if (access > 2 || share > 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(fileName.c_str(), kAccess[access], kShare[share], nullptr,
                     create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint32_t mode)
    : THandleStream(OpenFileHandle(fileName, mode)), fileName_(fileName) {
  if (handle_ != INVALID_HANDLE_VALUE)
    return;
  DWORD error = GetLastError();
  const char* text = (mode & fmCreate) == fmCreate ? "Cannot create file \"%s\". %s"
                                                   : "Cannot open file \"%s\". %s";
  std::string message = Format(text, fileName, SysErrorMessage(error));
  if ((mode & fmCreate) == fmCreate)
    throw EFCreateError(message);
  throw EFOpenError(message);
}

TFileStream::~TFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE)
    CloseHandle(handle_);
}

// ---- TMemoryStream -------------------------------------------------------------

namespace {

// Read and Seek of the streams over a block of memory.
int32_t ReadMemory(const char* data, int64_t size, int64_t& position, void* buffer, int32_t count) {
  int64_t available = size - position;
  if (count <= 0 || available <= 0)
    return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(count, available));
  std::memcpy(buffer, data + position, static_cast<size_t>(n));
  position += n;
  return n;
}

int64_t SeekMemory(int64_t size, int64_t& position, int64_t offset, TSeekOrigin origin) {
  const int64_t bases[] = {0, position, size};
  int64_t target = bases[origin] + offset;
  if (target < 0)
    return -1;
  position = target;
  return position;
}

}  // namespace

VEL_CLASS_IMPL(TMemoryStream, TStream)

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  return ReadMemory(data_.data(), Size(), position_, buffer, count);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0)
    return 0;
  int64_t end = position_ + count;
  if (end > Size())
    data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekMemory(Size(), position_, offset, origin);
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > data_.max_size()) {
    throw EStreamError("Invalid stream size");
  }
  data_.resize(static_cast<size_t>(size));
  position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  stream.ReadBuffer(Memory(), static_cast<int32_t>(size));
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
  stream.WriteBuffer(Memory(), static_cast<int32_t>(Size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

// ---- TResourceStream -----------------------------------------------------------

VEL_CLASS_IMPL(TResourceStream, TStream)

TResourceStream::TResourceStream(HINSTANCE instance, const std::string& name, LPCSTR type) {
  // Resource data is mapped with the module: nothing to free.
  HRSRC info = FindResourceA(instance, name.c_str(), type);
  HGLOBAL handle = info ? LoadResource(instance, info) : nullptr;
  data_ = handle ? static_cast<const char*>(LockResource(handle)) : nullptr;
  if (!data_)
    throw EResNotFound(Format("Resource %s not found", name));
  size_ = SizeofResource(instance, info);
}

int32_t TResourceStream::Read(void* buffer, int32_t count) {
  return ReadMemory(data_, size_, position_, buffer, count);
}

int32_t TResourceStream::Write(const void*, int32_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

int64_t TResourceStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekMemory(size_, position_, offset, origin);
}

void TResourceStream::SetSize(int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}
