#include <windows.h>

#include "runtime/console.h"
#include "runtime/io_error.h"
#include "runtime/win32_error.h"

namespace rt::console_os {
namespace {
// The standard handles are used as the system gives them, with WriteFile and
// ReadFile: no C runtime stream and so no text-mode translation, every byte
// goes as it is, LF included.
HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kInput ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
}
}  // namespace

bool IsConsole(Stream stream) {
  DWORD mode;
  return GetConsoleMode(Handle(stream), &mode) != 0;
}

uint32_t WriteAll(const char* data, size_t size) {
  HANDLE out = Handle(Stream::kOutput);
  while (size > 0) {
    DWORD put = 0;
    if (!WriteFile(out, data, static_cast<DWORD>(size), &put, nullptr)) {
      return IoCodeFromWin32Error(GetLastError());
    }
    if (put == 0) return kShortWrite;
    data += put;
    size -= put;
  }
  return 0;
}

uint32_t ReadSome(char* data, size_t size, size_t* got) {
  *got = 0;
  DWORD n = 0;
  if (!ReadFile(Handle(Stream::kInput), data, static_cast<DWORD>(size), &n, nullptr)) {
    DWORD error = GetLastError();
    // A pipe whose writer has gone has simply ended.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    return IoCodeFromWin32Error(error);
  }
  *got = n;
  return 0;
}

void CloseStream(Stream stream) { CloseHandle(Handle(stream)); }

}  // namespace rt::console_os
