#include "cardfile/format.h"

namespace cardfile {

const TInfoBlock InfoTemplate = {{
    0x38,                                                  // 0: InfoLength 56
    0x55, 0x51,                                            // 1-2: OEM signature
    0x01,                                                  // 3: Version
    0x01,                                                  // 4: Revision
    0x51,                                                  // 5: FileKind 'Q'
    0x51, 0x41,                                            // 6-7: 'Q' 'A'
    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 8-21
    0xB5, 0x01,                                            // 22-23: CodePage 437
    0x4E, 0x59, 0x59, 0x00,                                // 24-27: 'N' 'Y' 'Y' 0
    0x4E, 0x4E, 0x00, 0x4E,                                // 28-31: 'N' 'N' 0 'N'
    0x01, 0x01,                                            // 32-33: 1 + 1 slots
    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 34-54
    0x0A,                                                                       // 55
    0x59,                                                                       // 56: 'Y'
    0,    0,    0,    0,  // 57-60: past InfoLength
}};

void UpgradeInfo(TInfoBlock& info) {
  for (size_t i = size_t{info[TInfoBlock::InfoLength]} + 1; i <= CurrentInfoLength; ++i) {
    info[i] = InfoTemplate[i];
  }
}

}  // namespace cardfile
