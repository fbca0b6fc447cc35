#include <windows.h>

#include "runtime/io_error.h"
#include "runtime/record_file.h"
#include "runtime/win32_error.h"

namespace rt {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Opens name as a regular file. Sharing with readers only is the sharing
// rule itself: the system refuses a conflicting open with 32, and
// CREATE_ALWAYS empties a file only once no other open holds it.
intptr_t OpenShared(const std::string& name, DWORD access, DWORD disposition) {
  if (name.empty()) {
    SetIoError(kFileNotFound);
    return -1;
  }
  HANDLE handle = CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetIoErrorFromLastError();
    return -1;
  }
  // A folder is refused by CreateFileA itself; a device, a pipe or the
  // console opens, and is refused here.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    SetIoError(kAccessDenied);
    return -1;
  }
  return reinterpret_cast<intptr_t>(handle);
}

// The record's byte offset, for a positioned transfer.
OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

}  // namespace

RecordFile::~RecordFile() {
  if (IsOpen()) CloseHandle(AsHandle(handle_));
}

bool RecordFile::Open(const std::string& name, uint32_t record_size) {
  uint8_t mode = FileMode();
  DWORD access = mode == 0   ? GENERIC_READ
                 : mode == 1 ? GENERIC_WRITE
                             : GENERIC_READ | GENERIC_WRITE;
  intptr_t handle = OpenShared(name, access, OPEN_EXISTING);
  if (handle == kNoHandle) return false;
  Adopt(handle, record_size, mode != 1, mode != 0);
  return true;
}

bool RecordFile::Create(const std::string& name, uint32_t record_size) {
  intptr_t handle = OpenShared(name, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  if (handle == kNoHandle) return false;
  Adopt(handle, record_size, true, true);
  return true;
}

void RecordFile::Read(void* record) {
  if (!IsOpen() || !can_read_) {
    SetIoError(kFileNotOpen);
    return;
  }
  char* at = static_cast<char*>(record);
  DWORD left = record_size_;
  uint64_t offset = position_ * record_size_;
  while (left > 0) {
    OVERLAPPED where = At(offset);
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle_), at, left, &got, &where)) {
      // A positioned read that starts at or past the end fails this way.
      if (GetLastError() == ERROR_HANDLE_EOF) {
        SetIoError(kShortRead);
      } else {
        SetIoErrorFromLastError();
      }
      return;
    }
    if (got == 0) {
      SetIoError(kShortRead);
      return;
    }
    at += got;
    left -= got;
    offset += got;
  }
  ++position_;
}

void RecordFile::Write(const void* record) {
  if (!IsOpen() || !can_write_) {
    SetIoError(kFileNotOpen);
    return;
  }
  const char* at = static_cast<const char*>(record);
  DWORD left = record_size_;
  uint64_t offset = position_ * record_size_;
  while (left > 0) {
    OVERLAPPED where = At(offset);
    DWORD put = 0;
    if (!WriteFile(AsHandle(handle_), at, left, &put, &where)) {
      SetIoErrorFromLastError();
      return;
    }
    if (put == 0) {
      SetIoError(kShortWrite);
      return;
    }
    at += put;
    left -= put;
    offset += put;
  }
  ++position_;
}

uint64_t RecordFile::RecordCount() {
  if (!IsOpen()) {
    SetIoError(kFileNotOpen);
    return 0;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(AsHandle(handle_), &size)) {
    SetIoErrorFromLastError();
    return 0;
  }
  return static_cast<uint64_t>(size.QuadPart) / record_size_;
}

void RecordFile::Close() {
  if (!IsOpen()) {
    SetIoError(kFileNotOpen);
    return;
  }
  // The handle is gone after CloseHandle whatever it reports.
  BOOL closed = CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
  if (!closed) SetIoErrorFromLastError();
}

}  // namespace rt
