#include "runtime/posix_error.h"

#include <cerrno>

#include "runtime/io_error.h"

namespace rt {

uint32_t IoCodeFromErrno(int error) {
  // errno values as the Windows error numbers the messages are keyed on.
  struct Row {
    int error;
    uint32_t code;
  };
  static constexpr Row kTable[] = {
      {ENOENT, kFileNotFound},        // 2: no such file
      {ENOTDIR, kPathNotFound},       // 3: a folder on the way is missing
      {ENAMETOOLONG, kPathNotFound},  // 3
      {ELOOP, kPathNotFound},         // 3
      {EMFILE, kTooManyOpenFiles},    // 4
      {ENFILE, kTooManyOpenFiles},    // 4
      {EACCES, kAccessDenied},        // 5
      {EPERM, kAccessDenied},         // 5
      {EROFS, kAccessDenied},         // 5
      {EISDIR, kAccessDenied},        // 5: a folder cannot be opened as a file
      {ETXTBSY, kAccessDenied},       // 5
      // 32, the sharing violation, is the refused lock of a conflicting open
      // (record_file_posix.cc); EAGAIN from a console stream is waited on.
      {ENOSPC, kDiskFull},  // 112
      {EFBIG, kDiskFull},   // 112: over the file-size limit
      {EDQUOT, kDiskFull},  // 112
      {EBADF, 6},           // invalid handle
      {ENOMEM, 8},          // not enough memory
      {EINVAL, 87},         // invalid parameter
      {EPIPE, 109},         // broken pipe
      {EIO, 1117},          // device I/O error
  };
  for (const Row& row : kTable) {
    if (row.error == error) return row.code;
  }
  return 31;  // a device is not working: any other failure
}

void SetIoErrorFromErrno() { SetIoError(IoCodeFromErrno(errno)); }

}  // namespace rt
