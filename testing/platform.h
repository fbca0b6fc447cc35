// What the tests need of the platform beyond the runtime layer: a second
// process that holds a file, the process's standard streams on pipes, and
// files of kinds that plain C++ cannot make. One implementation per platform.
#pragma once

#include <cstdint>
#include <string>

#include "testing/temp_dir.h"

namespace testing_support {

// Opens path with rt::RecordFile in another process, with the given
// file-open mode, and keeps it open until the object is destroyed.
class OtherProcess {
 public:
  OtherProcess(const std::string& path, uint8_t mode);
  ~OtherProcess();
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  // Whether the other process could open the file.
  bool opened() const { return opened_; }

 private:
  bool opened_ = false;
  intptr_t process_ = -1;  // the process id or handle
  intptr_t release_ = -1;  // the pipe end whose write lets it end
};

// Points this process's standard input and output, as the console streams
// see them, at pipes for the life of the object; the input pipe holds input
// and then ends. The previous streams come back afterwards.
class StandardStreamPipes {
 public:
  explicit StandardStreamPipes(const std::string& input);
  ~StandardStreamPipes();
  StandardStreamPipes(const StandardStreamPipes&) = delete;
  StandardStreamPipes& operator=(const StandardStreamPipes&) = delete;

  // What has reached the output pipe since the last call, without waiting.
  std::string TakeOutput();

 private:
  intptr_t saved_input_ = -1, saved_output_ = -1;
  intptr_t output_ = -1;  // the reading end of the output pipe
};

// An existing name in dir that is neither a regular file nor a folder: a
// FIFO on POSIX, the null device on Windows.
std::string NonRegularFile(const TempDir& dir);

// The I/O code for opening or creating a file in a folder that does not
// exist.
extern const uint32_t kMissingFolderCode;

// Makes a file of size bytes that begins with the given bytes; the rest, and
// anything later written far past the end, takes no room on disk (as POSIX
// file systems do by themselves).
void MakeSparseFile(const std::string& path, const std::string& bytes, uint64_t size);

}  // namespace testing_support
