#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/command_line.h"
#include "runtime/system.h"

namespace rt {
namespace {

char module_name[64] = "";

void SetModuleName() {
  // Room for the longest path the system can give.
  char path[32768] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path - 1);
  path[std::min<DWORD>(length, sizeof path - 1)] = '\0';
  const char* base = path;
  for (const char* at = path; *at != '\0'; ++at) {
    if (*at == '\\' || *at == '/') base = at + 1;
  }
  // At most 63 characters, as the error report takes them.
  size_t length_kept = std::min(std::strlen(base), sizeof module_name - 1);
  std::memcpy(module_name, base, length_kept);
  module_name[length_kept] = '\0';
}

}  // namespace

void InitProcess(int, char**) {
  // The system gives the command line as one string; the C runtime's own
  // cutting of it into argv follows other rules, so argv is not used.
  SetArguments(SplitCommandLine(GetCommandLineA()));
  SetModuleName();
}

const char* ModuleName() { return module_name; }

uint32_t CodeLocation(const void* address) {
  HMODULE module = nullptr;
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module)) {
    at -= reinterpret_cast<uintptr_t>(module);
  }
  return static_cast<uint32_t>(at);
}

bool FileExists(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void ExitProcess(int status) { ::ExitProcess(static_cast<UINT>(status)); }

}  // namespace rt
