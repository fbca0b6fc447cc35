// Start-up, the top-level handler and the end of the process.
#pragma once

#include <cstddef>

#include "runtime/exceptions.h"

namespace rt {

// Runs body as the whole program and ends the process with its exit status.
// Start-up comes first: the handler is in place, the I/O error code is 0 and
// the file-open mode 2. An exception that body does not handle is written as
// the error report and ends the process with status 1.
[[noreturn]] void RunProgram(int argc, char** argv, int (*body)());

// Ends the process: standard output is written out (a failure is not
// reported), both console streams are closed, and the status is returned to
// the system. Nothing else runs.
[[noreturn]] void Stop(int status);

// The two lines of the error report, in Windows-1252 bytes:
//   "Exception <class> dans le module <module> \xE0 <location>." LF
//   "<message>." CR LF
// The message takes a full stop unless it is empty or ends with one. Writes
// into out without allocating and gives the number of bytes.
size_t FormatErrorReport(const Exception& e, const char* module, char* out, size_t size);

}  // namespace rt
