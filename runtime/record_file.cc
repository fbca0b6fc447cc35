#include "runtime/record_file.h"

namespace rt {
namespace {
uint8_t file_mode = 2;
}  // namespace

void SetFileMode(uint8_t mode) { file_mode = mode; }
uint8_t FileMode() { return file_mode; }

}  // namespace rt
