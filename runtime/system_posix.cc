#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/system.h"

namespace rt {
namespace {

char module_name[64] = "";

void HoldClosedDescriptor(int fd, int flags) {
  if (fcntl(fd, F_GETFD) != -1) return;
  // A descriptor opened on /dev/null with the wrong access keeps the slot
  // taken, and every read or write through it still fails as before.
  int held = open("/dev/null", flags);
  if (held != -1 && held != fd) {
    dup2(held, fd);
    close(held);
  }
}

void SetModuleName(const char* argv0) {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length > 0) {
    path[length] = '\0';
  } else {
    std::snprintf(path, sizeof path, "%s", argv0 != nullptr ? argv0 : "");
  }
  const char* base = std::strrchr(path, '/');
  base = base != nullptr ? base + 1 : path;
  // At most 63 characters, as the error report takes them.
  size_t length_kept = std::min(std::strlen(base), sizeof module_name - 1);
  std::memcpy(module_name, base, length_kept);
  module_name[length_kept] = '\0';
}

}  // namespace

void InitProcess(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  HoldClosedDescriptor(0, O_WRONLY);
  HoldClosedDescriptor(1, O_RDONLY);
  HoldClosedDescriptor(2, O_RDONLY);
  SetModuleName(argc > 0 ? argv[0] : nullptr);
  SetArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}

const char* ModuleName() { return module_name; }

uint32_t CodeLocation(const void* address) {
  Dl_info info;
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  if (dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
    at -= reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
  return static_cast<uint32_t>(at);
}

bool FileExists(const std::string& name) {
  struct stat st;
  return !name.empty() && stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void ExitProcess(int status) { _exit(status); }

}  // namespace rt
