#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/io_error.h"
#include "runtime/posix_error.h"
#include "runtime/record_file.h"

namespace rt {
namespace {

// Opens name as a regular file and takes the sharing lock: shared for an open
// that only reads, exclusive for one that writes. Whole-file flock locks
// belong to the open, so they conflict inside one process too.
int OpenLocked(const std::string& name, int access, bool writes) {
  if (name.empty()) {
    SetIoError(kFileNotFound);
    return -1;
  }
  // Non-blocking, so that a FIFO cannot hang the open.
  int fd = open(name.c_str(), access | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd == -1) {
    SetIoErrorFromErrno();
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    SetIoErrorFromErrno();
  } else if (!S_ISREG(st.st_mode)) {
    SetIoError(kAccessDenied);
  } else if (flock(fd, (writes ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    // Held by a conflicting open: the sharing violation.
    if (errno == EWOULDBLOCK) {
      SetIoError(kSharingViolation);
    } else {
      SetIoErrorFromErrno();
    }
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

}  // namespace

RecordFile::~RecordFile() {
  if (IsOpen()) close(static_cast<int>(handle_));
}

bool RecordFile::Open(const std::string& name, uint32_t record_size) {
  uint8_t mode = FileMode();
  int access = mode == 0 ? O_RDONLY : mode == 1 ? O_WRONLY : O_RDWR;
  int fd = OpenLocked(name, access, mode != 0);
  if (fd == -1) return false;
  Adopt(fd, record_size, mode != 1, mode != 0);
  return true;
}

bool RecordFile::Create(const std::string& name, uint32_t record_size) {
  // Lock first, empty afterwards: a file that another open holds is refused
  // before a byte of it is lost.
  int fd = OpenLocked(name, O_RDWR | O_CREAT, true);
  if (fd == -1) return false;
  if (ftruncate(fd, 0) != 0) {
    SetIoErrorFromErrno();
    close(fd);
    return false;
  }
  Adopt(fd, record_size, true, true);
  return true;
}

void RecordFile::Read(void* record) {
  if (!IsOpen() || !can_read_) {
    SetIoError(kFileNotOpen);
    return;
  }
  char* at = static_cast<char*>(record);
  size_t left = record_size_;
  off_t offset = static_cast<off_t>(position_ * record_size_);
  while (left > 0) {
    ssize_t got = pread(static_cast<int>(handle_), at, left, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetIoErrorFromErrno();
      return;
    }
    if (got == 0) {
      SetIoError(kShortRead);
      return;
    }
    at += got;
    left -= static_cast<size_t>(got);
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
  size_t left = record_size_;
  off_t offset = static_cast<off_t>(position_ * record_size_);
  while (left > 0) {
    ssize_t put = pwrite(static_cast<int>(handle_), at, left, offset);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      SetIoErrorFromErrno();
      return;
    }
    if (put == 0) {
      SetIoError(kShortWrite);
      return;
    }
    at += put;
    left -= static_cast<size_t>(put);
    offset += put;
  }
  ++position_;
}

uint64_t RecordFile::RecordCount() {
  if (!IsOpen()) {
    SetIoError(kFileNotOpen);
    return 0;
  }
  struct stat st;
  if (fstat(static_cast<int>(handle_), &st) != 0) {
    SetIoErrorFromErrno();
    return 0;
  }
  return static_cast<uint64_t>(st.st_size) / record_size_;
}

void RecordFile::Close() {
  if (!IsOpen()) {
    SetIoError(kFileNotOpen);
    return;
  }
  // The descriptor is gone after close whatever it reports.
  int result = close(static_cast<int>(handle_));
  handle_ = kNoHandle;
  if (result != 0) SetIoErrorFromErrno();
}

}  // namespace rt
