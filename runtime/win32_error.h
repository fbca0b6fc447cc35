// The Win32 side of the I/O error code: the only place that reads
// GetLastError().
#pragma once

#include <cstdint>

namespace rt {

// The I/O error code for a Win32 error number.
uint32_t IoCodeFromWin32Error(uint32_t error);

// Records the failure in GetLastError() as the pending I/O error code.
void SetIoErrorFromLastError();

}  // namespace rt
