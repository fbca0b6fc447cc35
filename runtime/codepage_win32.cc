#include <windows.h>

#include "runtime/codepage.h"

namespace rt {

// The system's own translation and code page: what the user's Windows is set
// to, with its best-fit table.
bool OemToCharBuffA(const char* source, char* destination, uint32_t count) {
  return ::OemToCharBuffA(source, destination, count) != 0;
}

uint32_t GetACP() { return ::GetACP(); }

}  // namespace rt
