#include "testing/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace testing_support {

std::vector<std::string> ProgramCommand() {
  std::vector<std::string> words;
  const char* command = std::getenv("ORN2ANSI_COMMAND");
  if (command != nullptr && *command != '\0') {
    std::istringstream in(command);
    for (std::string word; in >> word;) words.push_back(word);
  } else {
    words.push_back(BuiltProgram());
  }
  return words;
}

std::string BuiltProgram() { return ORN2ANSI_BINARY; }

std::string ProgramFileName() {
  // The program is the last word: a launcher may stand in front of it.
  std::string program = ProgramCommand().back();
  size_t slash = program.find_last_of("/\\");
  return slash == std::string::npos ? program : program.substr(slash + 1);
}

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Pipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& args, const RunOptions& options) {
  std::vector<std::string> command = ProgramCommand();
  command.insert(command.end(), args.begin(), args.end());
  return RunCommand(std::move(command), options);
}

RunResult RunCommand(std::vector<std::string> command, const RunOptions& options) {
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);

  int in[2], out[2], err[2];
  Pipe(in);
  Pipe(out);
  Pipe(err);
  if (options.stdin_nonblocking) fcntl(in[0], F_SETFL, O_NONBLOCK);
  // The tests never die of a write to a pipe whose reader has gone.
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (options.stdin_mode == StdinMode::kClosed) {
      close(0);
    } else {
      dup2(in[0], 0);
    }
    switch (options.stdout_mode) {
      case StdoutMode::kPipe:
      case StdoutMode::kBrokenPipe:
        dup2(out[1], 1);
        break;
      case StdoutMode::kDevFull: {
        int full = open("/dev/full", O_WRONLY);
        dup2(full, 1);
        break;
      }
      case StdoutMode::kClosed:
        close(1);
        break;
    }
    dup2(err[1], 2);
    if (options.file_size_limit >= 0) {
      rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                   static_cast<rlim_t>(options.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
      _exit(127);
    }
    signal(SIGPIPE, SIG_DFL);
    // A launcher such as wine is found on PATH.
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (options.stdout_mode == StdoutMode::kBrokenPipe) {
    close(out[0]);
    out[0] = -1;
  }

  RunResult result;
  std::string to_write = options.stdin_data;
  size_t written = 0;
  int in_fd = in[1];
  if (options.stdin_mode == StdinMode::kClosed || to_write.empty()) {
    close(in_fd);
    in_fd = -1;
  } else {
    fcntl(in_fd, F_SETFL, O_NONBLOCK);
  }
  const double deadline = Now() + options.timeout_seconds;
  const double write_from = Now() + options.stdin_delay_ms / 1000.0;
  int out_fd = out[0], err_fd = err[0];
  int status = 0;
  bool ended = false;
  while (out_fd != -1 || err_fd != -1) {
    // Once the program has ended, all it wrote is in the pipes: what is there
    // is read and no more awaited, for a process that it started in the
    // background (Wine's server, for one) may hold them open.
    if (!ended) ended = waitpid(pid, &status, WNOHANG) == pid;
    if (ended && in_fd != -1) {
      close(in_fd);
      in_fd = -1;
    }
    pollfd fds[3];
    int n = 0;
    if (out_fd != -1) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd != -1) fds[n++] = {err_fd, POLLIN, 0};
    const bool may_write = Now() >= write_from;
    if (in_fd != -1 && may_write) fds[n++] = {in_fd, POLLOUT, 0};
    double left = deadline - Now();
    if (in_fd != -1 && !may_write) left = std::min(left, write_from - Now());
    if (deadline - Now() <= 0 && !ended) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    int wait_ms = ended ? 0 : std::min(static_cast<int>(left * 1000) + 1, 100);
    int ready = poll(fds, n, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && ended) break;
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_fd) {
        ssize_t put = write(in_fd, to_write.data() + written, to_write.size() - written);
        if (put > 0) written += static_cast<size_t>(put);
        if (put < 0 || written == to_write.size()) {
          close(in_fd);
          in_fd = -1;
        }
        continue;
      }
      char buffer[65536];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        (fds[i].fd == out_fd ? result.out : result.err).append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(fds[i].fd);
        (fds[i].fd == out_fd ? out_fd : err_fd) = -1;
      }
    }
  }
  if (in_fd != -1) close(in_fd);
  if (out_fd != -1) close(out_fd);
  if (err_fd != -1) close(err_fd);
  while (!ended && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

RunResult RunProgram(const std::vector<std::string>& args, const std::string& stdin_data) {
  RunOptions options;
  options.stdin_data = stdin_data;
  return RunProgram(args, options);
}

}  // namespace testing_support
