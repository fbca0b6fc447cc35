#include "runtime/io_error.h"

#include "runtime/exceptions.h"
#include "runtime/system.h"

namespace rt {
namespace {
uint32_t io_result = 0;
}  // namespace

void SetIoError(uint32_t code) { io_result = code; }

uint32_t TakeIoResult() {
  uint32_t code = io_result;
  io_result = 0;
  return code;
}

// Not inlined, so that the return address is the checking call site.
[[gnu::noinline]] void CheckIoResult() {
  uint32_t code = TakeIoResult();
  if (code != 0) throw EInOutError(code, CodeLocation(__builtin_return_address(0)));
}

}  // namespace rt
