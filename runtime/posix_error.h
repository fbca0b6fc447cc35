// The POSIX side of the I/O error code: the only place that reads errno.
#pragma once

#include <cstdint>

namespace rt {

// The I/O error code for an errno value.
uint32_t IoCodeFromErrno(int error);

// Records the failure in errno as the pending I/O error code.
void SetIoErrorFromErrno();

}  // namespace rt
