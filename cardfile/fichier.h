// TFichier: an open card file.
//
// A handle owns the file, keeps the header record in memory and moves whole
// records between the file and a caller's record frame. Open and CreateNew
// always yield a handle unless a checked failure raises EInOutError; IsOpen
// tells whether the file is usable. Ending the handle (its destructor) closes
// the file, reporting nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cardfile/format.h"
#include "runtime/record_file.h"

namespace cardfile {

// Status characters of ProbeCardFile besides a FileKind.
constexpr char ProbeNotCardFile = '?';  // empty name, short file, bad signature or Version
constexpr char ProbeMissing = ' ';      // no such file, or a folder
constexpr char ProbeCannotOpen = '!';   // exists but cannot be opened for reading

// Tells whether a file is a card file without keeping it open: the FileKind
// of its completed info block, or one of the statuses above. Info receives
// the stored info block (completed when short) once the first 122 bytes have
// been read. Sets the file-open mode to 0. The close is checked.
char ProbeCardFile(const std::string& file_name, TInfoBlock& info);

class TFichier {
 public:
  // Opens a card file: mode 0 for reading only, 2 for reading and writing.
  // Refused (IsOpen false) when the probe fails, the kind is no letter 'A' to
  // 'Z', the geometry does not fit a frame, or the file cannot be opened in
  // that mode. A short info block is completed in memory, and in the file
  // too when the mode writes.
  static std::unique_ptr<TFichier> Open(const std::string& file_name, uint8_t mode);

  // Creates a card file, or empties an existing one, holding only its header
  // record: the title cut to 60 characters, the info block (completed and
  // given InfoLength 56 when short, at most 60) and four zero link words.
  // IsOpen false, with nothing written, when the file cannot be created: a
  // file that another handle holds open stays as it was.
  static std::unique_ptr<TFichier> CreateNew(const std::string& file_name,
                                             const TShortString& title, TInfoBlock info);

  TFichier(const TFichier&) = delete;
  TFichier& operator=(const TFichier&) = delete;
  ~TFichier();

  bool IsOpen() const { return is_open_; }
  const std::string& FileName() const { return file_name_; }
  uint8_t OpenMode() const { return open_mode_; }
  const TRecordFrame& HeaderFrame() const { return header_frame_; }

  void SetGeometry(uint8_t first_group_slots, uint8_t second_group_slots);
  uint8_t FirstGroupSlots() const { return first_group_slots_; }
  uint8_t SecondGroupSlots() const { return second_group_slots_; }
  uint8_t SlotsPerRecord() const { return slots_per_record_; }
  uint8_t FirstSlot() const { return first_slot_; }
  uint8_t InfoSlot() const { return info_slot_; }
  uint16_t RecordSize() const { return record_size_; }

  // The title, cut to 60 characters; the rest of the string is zero.
  void GetTitle(TShortString& title) const;
  // The header's info block, all 61 bytes as held.
  void GetInfo(TInfoBlock& info) const;

  // Reads record n into frame slots FirstSlot to 6 and the link block;
  // slots before FirstSlot are left alone. A record not wholly inside the
  // file raises EInOutError 100.
  void ReadRecord(uint32_t n, TRecordFrame& frame);

  // The number of whole records in the file.
  uint64_t RecordCount();

  // Clears the tail of every slot from FirstSlot on in the caller's frame,
  // then writes record n; n may be the record count, which appends.
  void WriteRecord(uint32_t n, TRecordFrame& frame);

  // Stores a new card after card `after`, or at the front of the list when
  // after is 0, in the first free record or else a new one at the end, and
  // rewrites the header record. The caller's frame is not changed. The new
  // card is written first, then its neighbours, then the header, so a write
  // of the new card that fails leaves the list on disk as it was.
  void AddRecord(uint32_t after, TRecordFrame frame);

 private:
  explicit TFichier(std::string file_name);

  rt::RecordFile file_var_;
  std::string file_name_;
  TRecordFrame header_frame_;
  bool is_open_ = false;
  uint8_t open_mode_ = 0;
  uint8_t first_group_slots_ = 0;
  uint8_t second_group_slots_ = 0;
  uint8_t slots_per_record_ = 0;
  uint8_t first_slot_ = 0;
  uint8_t info_slot_ = 0;
  uint16_t record_size_ = 0;
};

}  // namespace cardfile
