#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/console.h"
#include "runtime/posix_error.h"

namespace rt::console_os {
namespace {
int Descriptor(Stream stream) { return stream == Stream::kInput ? 0 : 1; }

// A descriptor inherited in non-blocking mode is not failing: wait for it.
bool MustWait(int fd, short events) {
  if (errno == EINTR) return true;
  if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
  pollfd ready = {fd, events, 0};
  poll(&ready, 1, -1);
  return true;
}
}  // namespace

bool IsConsole(Stream stream) { return isatty(Descriptor(stream)) == 1; }

uint32_t WriteAll(const char* data, size_t size) {
  while (size > 0) {
    ssize_t put = write(1, data, size);
    if (put < 0 && MustWait(1, POLLOUT)) continue;
    if (put < 0) return IoCodeFromErrno(errno);
    if (put == 0) return 101;
    data += put;
    size -= static_cast<size_t>(put);
  }
  return 0;
}

uint32_t ReadSome(char* data, size_t size, size_t* got) {
  *got = 0;
  for (;;) {
    ssize_t n = read(0, data, size);
    if (n < 0 && MustWait(0, POLLIN)) continue;
    if (n < 0) return IoCodeFromErrno(errno);
    *got = static_cast<size_t>(n);
    return 0;
  }
}

void CloseStream(Stream stream) { close(Descriptor(stream)); }

}  // namespace rt::console_os
