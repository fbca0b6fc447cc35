// Files of fixed-size records.
//
// Every open lets others read the file but not write it: a second open of an
// open file succeeds only when neither open asks to write, and fails with the
// sharing-violation code (32) otherwise, within one process and across
// processes. Records move straight between the file and memory, one positioned
// transfer per record, with no buffer between. Every failure sets the I/O
// error code (io_error.h) and nothing is raised here.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// The access with which OpenRecordFile opens an existing file: 0 reading only,
// 1 writing only, 2 (or more) reading and writing. 2 at start-up.
void SetFileMode(uint8_t mode);
uint8_t FileMode();

class RecordFile {
 public:
  RecordFile() = default;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  // Closes a file still open, reporting nothing.
  ~RecordFile();

  // Opens an existing regular file with the access of the file-open mode.
  // Failure: 2 no such file, 3 bad path, 5 a folder or no regular file,
  // 32 held by a conflicting open, or the system's code.
  bool Open(const std::string& name, uint32_t record_size);

  // Creates the file, or empties an existing one, for reading and writing,
  // whatever the file-open mode. A file that a conflicting open holds is
  // refused with 32 before any byte of it changes.
  bool Create(const std::string& name, uint32_t record_size);

  bool IsOpen() const { return handle_ != kNoHandle; }

  // Positions at record n; a position at or past the end is allowed.
  // 103 when the file is not open.
  void Seek(uint64_t record);

  // Reads one record at the position and moves past it. 100 when the record
  // does not lie wholly inside the file, 103 when not open.
  void Read(void* record);

  // Writes one record at the position and moves past it. 101 when fewer bytes
  // were written without a reason, 112 when the disk or the file-size limit is
  // full, 103 when not open or opened for reading only.
  void Write(const void* record);

  // The number of whole records in the file; a partial one is not counted.
  // 103 when not open.
  uint64_t RecordCount();

  // Closes the file; the system's code on failure, 103 when not open.
  void Close();

 private:
  // Takes an open handle as the file, positioned at record 0.
  void Adopt(intptr_t handle, uint32_t record_size, bool can_read, bool can_write);

  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle;
  uint32_t record_size_ = 0;
  uint64_t position_ = 0;
  bool can_read_ = false;
  bool can_write_ = false;
};

}  // namespace rt
