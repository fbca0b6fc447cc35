#include "runtime/record_file.h"

#include "runtime/io_error.h"

namespace rt {
namespace {
uint8_t file_mode = 2;
}  // namespace

void SetFileMode(uint8_t mode) { file_mode = mode; }
uint8_t FileMode() { return file_mode; }

void RecordFile::Adopt(intptr_t handle, uint32_t record_size, bool can_read, bool can_write) {
  handle_ = handle;
  record_size_ = record_size;
  position_ = 0;
  can_read_ = can_read;
  can_write_ = can_write;
}

void RecordFile::Seek(uint64_t record) {
  if (!IsOpen()) {
    SetIoError(kFileNotOpen);
    return;
  }
  position_ = record;
}

}  // namespace rt
