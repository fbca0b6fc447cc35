// Process-level services of the platform: start-up, the command line, the
// executable's name, the file existence test and the end of the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

// Takes the command line and prepares the process. Where the system gives
// the command line as one string (Windows), SplitCommandLine cuts it and argv
// is not used. On POSIX, broken pipes and exceeded file-size limits become
// I/O errors instead of signals, and closed standard descriptors are held so
// that no card file can take their place.
void InitProcess(int argc, char** argv);

// The arguments after the program's own name, numbered from 1.
int ParamCount();
const std::string& ParamStr(int i);
// Replaces the arguments; InitProcess sets them from the command line.
void SetArguments(std::vector<std::string> arguments);

// The executable's file name without its directory, at most 63 characters.
const char* ModuleName();

// An offset into the program's code for a code address, the same on every
// run of the same executable.
uint32_t CodeLocation(const void* address);

// True when the name designates an existing file that is not a directory.
bool FileExists(const std::string& name);

// Ends the process at once with the given status; nothing else runs.
[[noreturn]] void ExitProcess(int status);

}  // namespace rt
