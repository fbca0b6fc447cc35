#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "runtime/record_file.h"
#include "testing/platform.h"

namespace testing_support {

OtherProcess::OtherProcess(const std::string& path, uint8_t mode) {
  int ready[2], release[2];
  // Close-on-exec, so that a program the test runs meanwhile holds no end.
  if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(ready[0]);
    close(release[1]);
    rt::SetFileMode(mode);
    rt::RecordFile file;
    char opened = file.Open(path, 4) ? 'y' : 'n';
    (void)!write(ready[1], &opened, 1);
    // Holds the file until the parent closes its end of the pipe.
    char ignored;
    while (read(release[0], &ignored, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char opened = 'n';
  while (read(ready[0], &opened, 1) < 0 && errno == EINTR) {
  }
  close(ready[0]);
  opened_ = opened == 'y';
  process_ = pid;
  release_ = release[1];
}

OtherProcess::~OtherProcess() {
  close(static_cast<int>(release_));
  while (waitpid(static_cast<pid_t>(process_), nullptr, 0) < 0 && errno == EINTR) {
  }
}

StandardStreamPipes::StandardStreamPipes(const std::string& input) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  // The input is small enough for the pipe to hold it all.
  if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("input too long for a pipe");
  }
  close(in[1]);
  std::fflush(stdout);
  saved_input_ = dup(0);
  saved_output_ = dup(1);
  dup2(in[0], 0);
  dup2(out[1], 1);
  close(in[0]);
  close(out[1]);
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  output_ = out[0];
}

StandardStreamPipes::~StandardStreamPipes() {
  dup2(static_cast<int>(saved_input_), 0);
  dup2(static_cast<int>(saved_output_), 1);
  close(static_cast<int>(saved_input_));
  close(static_cast<int>(saved_output_));
  close(static_cast<int>(output_));
}

std::string StandardStreamPipes::TakeOutput() {
  std::string taken;
  char buffer[4096];
  for (;;) {
    ssize_t got = read(static_cast<int>(output_), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return taken;
    taken.append(buffer, static_cast<size_t>(got));
  }
}

std::string NonRegularFile(const TempDir& dir) {
  std::string fifo = dir.File("fifo");
  if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  return fifo;
}

// ENOENT does not tell a missing folder from a missing file.
const uint32_t kMissingFolderCode = 2;

void MakeSparseFile(const std::string& path, const std::string& bytes, uint64_t size) {
  WriteFileBytes(path, bytes);
  std::filesystem::resize_file(path, size);
}

}  // namespace testing_support
