// The platform's code pages.
#pragma once

#include <cstdint>

namespace rt {

// Translates count single-byte characters from the OEM code page to the ANSI
// code page, one byte for one byte; source and destination may be the same.
// Characters without an exact equivalent take the platform's best-fit
// look-alike.
bool OemToCharBuffA(const char* source, char* destination, uint32_t count);

// The number of the ANSI code page.
uint32_t GetACP();

}  // namespace rt
