// Runs the orn2ansi binary as a child process and captures what it does.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

enum class StdinMode { kData, kClosed };
enum class StdoutMode { kPipe, kDevFull, kClosed, kBrokenPipe };

struct RunOptions {
  StdinMode stdin_mode = StdinMode::kData;
  std::string stdin_data;          // then closed: the program sees the end of input
  bool stdin_nonblocking = false;  // the program inherits a non-blocking pipe
  int stdin_delay_ms = 0;          // wait this long before writing stdin_data
  StdoutMode stdout_mode = StdoutMode::kPipe;
  long file_size_limit = -1;  // RLIMIT_FSIZE in bytes, or -1 for none
  int timeout_seconds = 60;
  std::string working_directory;
};

struct RunResult {
  int exit_status = -1;  // -1 when the process did not exit normally
  int signal = 0;        // the signal that ended it, if any
  bool timed_out = false;
  std::string out;
  std::string err;
};

// The command that runs the program under test: the built binary, or
// ORN2ANSI_COMMAND from the environment (words split at blanks, so that a
// launcher can stand in front of it).
std::vector<std::string> ProgramCommand();

// This build's own binary.
std::string BuiltProgram();

// The file name of the program under test without its directory, as its
// error report names it.
std::string ProgramFileName();

RunResult RunProgram(const std::vector<std::string>& args, const RunOptions& options = {});
RunResult RunProgram(const std::vector<std::string>& args, const std::string& stdin_data);

// Runs any command the same way: its first word is the path of the
// executable, the others its arguments.
RunResult RunCommand(std::vector<std::string> command, const RunOptions& options = {});

}  // namespace testing_support
