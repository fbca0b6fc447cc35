// Holds a file open in a second process, as another program would, for as
// long as the object lives.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace testing_support {

class HeldOpen {
 public:
  // Opens path as a record file with the given file-open mode (0 reading
  // only, 2 reading and writing) in a child process, and waits until the
  // open has been made; is_open() tells whether it succeeded.
  HeldOpen(const std::string& path, uint8_t mode);
  // Lets the child close the file and end, and waits for it.
  ~HeldOpen();
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

  bool is_open() const { return is_open_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;  // closing it lets the child go
  bool is_open_ = false;
};

}  // namespace testing_support
