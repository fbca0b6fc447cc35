// The console text streams: standard output and standard input.
//
// Each stream is opened at its first use and buffered in 128 bytes. Output is
// written as given, with no code-page translation. When standard output is a
// console, every line end and every flush writes the buffer out at once;
// otherwise the buffer is written each time it fills and when the program
// stops. Failures set the I/O error code; the callers check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rt {

constexpr size_t kConsoleBufferSize = 128;

// Standard output.
void Write(std::string_view text);
void WriteInt(int32_t value);  // decimal, no leading blanks or zeros
void WriteLn();                // CR LF
void Flush();
// Writes a whole line and checks the I/O error code.
void WriteLine(std::string_view line);

// Standard input. ReadChar gives the next character without passing a line
// end, so an empty line gives its line-end character; once the input has
// ended every read gives Ctrl-Z. ReadLn discards the rest of the current
// line with its line end (LF, or CR LF).
constexpr char kCtrlZ = 26;
char ReadChar();
void ReadLn();
// True once standard input has ended (or failed): no answer can come any more.
bool InputEnded();

// At the end of the process: writes out what standard output still holds and
// closes both streams; failures are not reported.
void CloseConsole();

// What the console streams need of the platform.
namespace console_os {
enum class Stream { kInput, kOutput };
bool IsConsole(Stream stream);
// Writes all bytes; an I/O error code on failure, 0 on success.
uint32_t WriteAll(const char* data, size_t size);
// Reads up to size bytes into data; *got is 0 at the end of the input.
uint32_t ReadSome(char* data, size_t size, size_t* got);
void CloseStream(Stream stream);
}  // namespace console_os

}  // namespace rt
