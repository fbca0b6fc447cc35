// Creating the target card file and copying the source's cards into it.
#pragma once

#include <cstdint>

#include "cardfile/fichier.h"

namespace orn2ansi {

// Translates a length-prefixed string in place from the OEM to the ANSI code
// page. A damaged length byte above 60 translates no more than the slot holds.
void OemToAnsiStr(uint8_t* text);

// Creates the target named by argument 3 with the source's header, copies
// every card of the source's list into it in the same order with its texts
// translated, and writes the summary line; or writes "Could not open target
// file !" when the target cannot be created. Ends the target handle.
void CopyToTarget(cardfile::TFichier& source);

}  // namespace orn2ansi
