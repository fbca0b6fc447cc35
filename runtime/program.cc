#include "runtime/program.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "runtime/console.h"
#include "runtime/io_error.h"
#include "runtime/record_file.h"
#include "runtime/system.h"

namespace rt {
namespace {

// Made before anything can fail, so that running out of memory is reported
// without asking for any.
alignas(EOutOfMemory) unsigned char out_of_memory_storage[sizeof(EOutOfMemory)];
const EOutOfMemory* out_of_memory = nullptr;

[[noreturn]] void ReportAndStop(const Exception& e) {
  char report[256];
  size_t size = FormatErrorReport(e, ModuleName(), report, sizeof report);
  Write(std::string_view(report, size));
  // A report that cannot be written is not reported again.
  TakeIoResult();
  Stop(1);
}

}  // namespace

size_t FormatErrorReport(const Exception& e, const char* module, char* out, size_t size) {
  const char* message = e.Message();
  size_t length = std::strlen(message);
  const char* stop = length > 0 && message[length - 1] != '.' ? "." : "";
  int n = std::snprintf(out, size, "Exception %s dans le module %.63s \xE0 %08X.\n%s%s\r\n",
                        e.ClassName(), module, static_cast<unsigned>(e.Location()), message, stop);
  return n < 0 ? 0 : static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

void RunProgram(int argc, char** argv, int (*body)()) {
  int status = 1;
  try {
    TakeIoResult();
    SetFileMode(2);
    out_of_memory = new (out_of_memory_storage)
        EOutOfMemory(CodeLocation(reinterpret_cast<const void*>(&RunProgram)));
    InitProcess(argc, argv);
    status = body();
  } catch (const Exception& e) {
    ReportAndStop(e);
  } catch (const std::bad_alloc&) {
    ReportAndStop(*out_of_memory);
  } catch (...) {
    ReportAndStop(Exception("Exception", "", out_of_memory->Location()));
  }
  Stop(status);
}

void Stop(int status) {
  CloseConsole();
  ExitProcess(status);
}

}  // namespace rt
