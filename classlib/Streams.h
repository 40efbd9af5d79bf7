// Byte streams: the abstract TStream, streams on Win32 file handles and a
// stream in memory.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  VEL_CLASS(TStream, TObject)
 public:
  // Both return the number of bytes moved, which may be short (0 on failure).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position, or -1 when the move is refused (the position is
  // then unchanged).
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  // Truncates or extends; a position beyond the new end moves to the end.
  virtual void SetSize(int64_t size) = 0;

  // Raise EReadError / EWriteError when fewer than count bytes move.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position; count 0 copies all of source
  // from its start. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream on a Win32 file handle it does not own: the handle stays open.
class THandleStream : public TStream {
  VEL_CLASS(THandleStream, TStream)
 public:
  explicit THandleStream(HANDLE handle) : handle_(handle) {}
  HANDLE Handle() const { return handle_; }

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;  // raises EOSError on failure

 protected:
  HANDLE handle_;
};

// Open modes, combined with one share mode. fmCreate creates or empties the
// file and opens it for reading and writing.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,  // others may read, not write
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// Owns its handle. A file that cannot be created raises EFCreateError, one that
// cannot be opened EFOpenError, both with the system's reason.
class TFileStream : public THandleStream {
  VEL_CLASS(TFileStream, THandleStream)
 public:
  TFileStream(const std::string& fileName, uint32_t mode);
  ~TFileStream() override;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

class TMemoryStream : public TStream {
  VEL_CLASS(TMemoryStream, TStream)
 public:
  // Null while the stream is empty; moves when the size changes.
  void* Memory() { return data_.empty() ? nullptr : data_.data(); }

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  void Clear();

  // Loads the whole of stream and leaves the position at the start.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

 private:
  std::vector<char> data_;
  int64_t position_ = 0;
};

VEL_EXCEPTION_CLASS(EResNotFound, Exception);

// A read-only view of a resource of a loaded module, which must stay loaded
// while the stream lives. Writing raises EStreamError.
class TResourceStream : public TStream {
  VEL_CLASS(TResourceStream, TStream)
 public:
  // Raises EResNotFound "Resource %s not found" when the module has none.
  TResourceStream(HINSTANCE instance, const std::string& name, LPCSTR type);
  const void* Memory() const { return data_; }

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void SetSize(int64_t size) override;

 private:
  const char* data_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};
