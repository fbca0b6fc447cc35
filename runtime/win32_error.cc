#include "runtime/win32_error.h"

#include <windows.h>

#include "runtime/io_error.h"

namespace rt {

uint32_t IoCodeFromWin32Error(uint32_t error) {
  // The I/O codes are the Windows error numbers, so nearly every code passes
  // as it is; only other names for a full disk are folded into 112.
  switch (error) {
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return kDiskFull;
    case ERROR_SUCCESS:
      // A failure that left no reason must still count as one.
      return ERROR_GEN_FAILURE;
    default:
      return error;
  }
}

void SetIoErrorFromLastError() { SetIoError(IoCodeFromWin32Error(GetLastError())); }

}  // namespace rt
