#include "testing/held_open.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "runtime/record_file.h"

namespace testing_support {

HeldOpen::HeldOpen(const std::string& path, uint8_t mode) {
  int ready[2], release[2];
  // Close-on-exec, so that a program the test runs meanwhile holds no end.
  if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(ready[0]);
    close(release[1]);
    rt::SetFileMode(mode);
    rt::RecordFile file;
    char opened = file.Open(path, 1) ? 'y' : 'n';
    (void)!write(ready[1], &opened, 1);
    // Holds the file until the parent closes its end of the pipe.
    char ignored;
    while (read(release[0], &ignored, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char opened = 'n';
  while (read(ready[0], &opened, 1) < 0 && errno == EINTR) {
  }
  close(ready[0]);
  is_open_ = opened == 'y';
}

HeldOpen::~HeldOpen() {
  close(release_);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace testing_support
