#include <windows.h>
#include <winioctl.h>

#include <stdexcept>

#include "runtime/record_file.h"
#include "testing/platform.h"

namespace testing_support {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// Set in the environment of the test program that OtherProcess starts again:
// the file-open mode as one digit, then the file's name.
constexpr char kHoldVariable[] = "ORN2ANSI_TEST_HOLD_FILE";

// The other process is this same test program. Started with kHoldVariable,
// it opens the file, answers y or n on its standard output, waits for a byte
// on its standard input and ends, all before any test could run.
[[maybe_unused]] const bool helper_done = [] {
  char value[32768];
  DWORD length = GetEnvironmentVariableA(kHoldVariable, value, sizeof value);
  if (length == 0 || length >= sizeof value) return false;
  rt::RecordFile file;
  rt::SetFileMode(static_cast<uint8_t>(value[0] - '0'));
  char ok = file.Open(value + 1, 4) ? 'y' : 'n';
  DWORD moved = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &ok, 1, &moved, nullptr);
  ReadFile(GetStdHandle(STD_INPUT_HANDLE), &ok, 1, &moved, nullptr);
  ExitProcess(0);
}();

void MakePipe(HANDLE* read_end, HANDLE* write_end, bool inherited) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, inherited ? TRUE : FALSE};
  if (!CreatePipe(read_end, write_end, &attributes, 0)) throw std::runtime_error("no pipe");
}

}  // namespace

OtherProcess::OtherProcess(const std::string& path, uint8_t mode) {
  HANDLE ready_read, ready_write, release_read, release_write;
  MakePipe(&ready_read, &ready_write, true);
  MakePipe(&release_read, &release_write, true);
  // Only the child's own ends are passed on.
  SetHandleInformation(ready_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(release_write, HANDLE_FLAG_INHERIT, 0);

  char self[MAX_PATH + 1] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = release_read;
  startup.hStdOutput = ready_write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  SetEnvironmentVariableA(kHoldVariable,
                          (std::string(1, static_cast<char>('0' + mode)) + path).c_str());
  BOOL started = CreateProcessA(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process);
  SetEnvironmentVariableA(kHoldVariable, nullptr);
  CloseHandle(ready_write);
  CloseHandle(release_read);
  if (!started) {
    CloseHandle(ready_read);
    CloseHandle(release_write);
    throw std::runtime_error("cannot start the other process");
  }
  CloseHandle(process.hThread);
  char ok = 'n';
  DWORD got = 0;
  opened_ = ReadFile(ready_read, &ok, 1, &got, nullptr) && got == 1 && ok == 'y';
  CloseHandle(ready_read);
  process_ = FromHandle(process.hProcess);
  release_ = FromHandle(release_write);
}

OtherProcess::~OtherProcess() {
  DWORD put = 0;
  WriteFile(AsHandle(release_), "x", 1, &put, nullptr);
  CloseHandle(AsHandle(release_));
  WaitForSingleObject(AsHandle(process_), INFINITE);
  CloseHandle(AsHandle(process_));
}

StandardStreamPipes::StandardStreamPipes(const std::string& input) {
  HANDLE in_read, in_write, out_read, out_write;
  MakePipe(&in_read, &in_write, false);
  MakePipe(&out_read, &out_write, false);
  // The input is small enough for the pipe to hold it all.
  DWORD put = 0;
  if (!WriteFile(in_write, input.data(), static_cast<DWORD>(input.size()), &put, nullptr) ||
      put != input.size()) {
    throw std::runtime_error("input too long for a pipe");
  }
  CloseHandle(in_write);
  saved_input_ = FromHandle(GetStdHandle(STD_INPUT_HANDLE));
  saved_output_ = FromHandle(GetStdHandle(STD_OUTPUT_HANDLE));
  // The C runtime keeps its own copies of the handles, so the test
  // framework's output does not follow.
  SetStdHandle(STD_INPUT_HANDLE, in_read);
  SetStdHandle(STD_OUTPUT_HANDLE, out_write);
  output_ = FromHandle(out_read);
}

StandardStreamPipes::~StandardStreamPipes() {
  // The pipe ends standing for the streams are the console's to close.
  SetStdHandle(STD_INPUT_HANDLE, AsHandle(saved_input_));
  SetStdHandle(STD_OUTPUT_HANDLE, AsHandle(saved_output_));
  CloseHandle(AsHandle(output_));
}

std::string StandardStreamPipes::TakeOutput() {
  std::string taken;
  char buffer[4096];
  DWORD waiting = 0;
  while (PeekNamedPipe(AsHandle(output_), nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
    DWORD got = 0;
    if (!ReadFile(AsHandle(output_), buffer, sizeof buffer, &got, nullptr) || got == 0) break;
    taken.append(buffer, got);
  }
  return taken;
}

std::string NonRegularFile(const TempDir&) { return "NUL"; }

const uint32_t kMissingFolderCode = 3;

void MakeSparseFile(const std::string& path, const std::string& bytes, uint64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
  DWORD moved = 0;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  bool made = DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &moved, nullptr) &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &moved, nullptr) &&
              moved == bytes.size() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
              SetEndOfFile(file);
  CloseHandle(file);
  if (!made) throw std::runtime_error("cannot make " + path + " sparse");
}

}  // namespace testing_support
