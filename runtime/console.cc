#include "runtime/console.h"

#include <cstdio>

#include "runtime/io_error.h"

namespace rt {
namespace {

struct Output {
  bool opened = false;
  bool is_console = false;
  size_t used = 0;
  char buffer[kConsoleBufferSize];
};

struct Input {
  bool opened = false;
  bool ended = false;
  size_t next = 0;
  size_t used = 0;
  char buffer[kConsoleBufferSize];
};

Output out;
Input in;

void OpenOutput() {
  if (out.opened) return;
  out.opened = true;
  out.is_console = console_os::IsConsole(console_os::Stream::kOutput);
}

void WriteBuffer() {
  if (out.used == 0) return;
  uint32_t code = console_os::WriteAll(out.buffer, out.used);
  // The bytes are given up either way, so a failure is never retried.
  out.used = 0;
  if (code != 0) SetIoError(code);
}

void Append(const char* data, size_t size) {
  OpenOutput();
  while (size > 0) {
    size_t room = kConsoleBufferSize - out.used;
    size_t n = size < room ? size : room;
    for (size_t i = 0; i < n; ++i) out.buffer[out.used + i] = data[i];
    out.used += n;
    data += n;
    size -= n;
    if (out.used == kConsoleBufferSize) WriteBuffer();
  }
}

// True when a character is waiting; reads more input when the buffer is spent.
bool Fill() {
  in.opened = true;
  if (in.next < in.used) return true;
  if (in.ended) return false;
  size_t got = 0;
  uint32_t code = console_os::ReadSome(in.buffer, kConsoleBufferSize, &got);
  in.next = 0;
  in.used = got;
  if (code != 0) SetIoError(code);
  if (got == 0) in.ended = true;
  return got > 0;
}

}  // namespace

void Write(std::string_view text) { Append(text.data(), text.size()); }

void WriteInt(int32_t value) {
  char digits[16];
  int n = std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(value));
  Append(digits, static_cast<size_t>(n));
}

void WriteLn() {
  Append("\r\n", 2);
  if (out.is_console) WriteBuffer();
}

void WriteLine(std::string_view line) {
  Write(line);
  WriteLn();
  CheckIoResult();
}

void Flush() {
  OpenOutput();
  if (out.is_console) WriteBuffer();
}

char ReadChar() {
  if (!Fill()) return kCtrlZ;
  char c = in.buffer[in.next];
  // A line end is left in place for ReadLn, so one answer is one line.
  if (c != '\n' && c != '\r') ++in.next;
  return c;
}

bool InputEnded() { return in.ended && in.next >= in.used; }

void ReadLn() {
  while (Fill()) {
    char c = in.buffer[in.next++];
    if (c == '\n') return;
  }
}

void CloseConsole() {
  if (out.opened) {
    WriteBuffer();
    TakeIoResult();
    console_os::CloseStream(console_os::Stream::kOutput);
  }
  if (in.opened) console_os::CloseStream(console_os::Stream::kInput);
}

}  // namespace rt
