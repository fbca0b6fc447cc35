// The one I/O error code of the process.
//
// Every file and console operation reports a failure by storing an error code
// here: a failure overwrites it, a success leaves it alone, and no operation
// skips its work because a code is pending. Right after an operation the
// caller either takes the code (reads and clears it, deciding for itself) or
// checks it (a non-zero code is cleared and raised as EInOutError).
#pragma once

#include <cstdint>

namespace rt {

// Codes of the I/O layer itself; the others come from the operating system.
enum IoCode : uint32_t {
  kFileNotFound = 2,
  kPathNotFound = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kSharingViolation = 32,
  kDiskFull = 112,
  kShortRead = 100,
  kShortWrite = 101,
  kFileNotAssigned = 102,
  kFileNotOpen = 103,
  kNotOpenForInput = 104,
  kNotOpenForOutput = 105,
};

// Records a failure, replacing any code already pending.
void SetIoError(uint32_t code);

// Reads the pending code and clears it; 0 when nothing failed.
uint32_t TakeIoResult();

// Raises EInOutError for a pending code, after clearing it. The error report
// names the caller as the place the failure was detected.
void CheckIoResult();

}  // namespace rt
