// Reading a card file as raw bytes and checking every rule of the format.
//
// The checker distrusts every byte: it reads only through a caller's byte
// source, never writes, visits each record at most once on each chain (so a
// loop or a link past the end cannot make it run away), and names the first
// rule it finds broken. It is the one checker of the project: the viewing
// tool and the tests both use it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cardfile/format.h"

namespace cardfile {

// Where the checker reads a card file from.
class CardFileBytes {
 public:
  virtual ~CardFileBytes() = default;
  // The length of the file in bytes.
  virtual uint64_t Size() = 0;
  // Reads size bytes at offset, all inside the file; false when the read
  // fails.
  virtual bool Read(uint64_t offset, uint8_t* out, size_t size) = 0;
};

// The header record as the checker found it.
struct CheckedHeader {
  TInfoBlock stored_info;    // as stored
  TInfoBlock info;           // completed from InfoTemplate when short, as opened
  uint8_t title_length = 0;  // as stored, possibly above 60
  std::string title;         // the title's bytes, at most 60
  uint8_t first_group = 0, second_group = 0;
  uint16_t record_size = 0;
  uint64_t records = 0;                     // whole records
  uint64_t trailing_bytes = 0;              // of a partial record after them
  std::array<uint32_t, LinkWords> words{};  // word 0, FreeHead, FirstCard, LastCard

  uint16_t Signature() const { return info.Word(TInfoBlock::Signature); }
};

// A card, in list order.
struct CheckedCard {
  uint32_t record = 0;
  std::vector<std::string> slots;  // the bytes of each slot's text, at most 60
};

// Told what the checker reads, in this order: the header (only when the file
// is a card file whose records can be read), the cards along the list from
// FirstCard, then the free records along the free list.
class CardFileVisitor {
 public:
  virtual ~CardFileVisitor() = default;
  virtual void Header(const CheckedHeader&) {}
  virtual void Card(const CheckedCard&) {}
  virtual void FreeRecord(uint32_t /*record*/) {}
};

struct CheckOptions {
  // Also require zero bytes after the text of the title and of every card's
  // slot, as this program writes them. Other writers may leave bytes there,
  // which the format allows.
  bool clean_slot_tails = false;
  // Accept a slot whose length byte is above 60 as a full slot of text: a
  // damaged source's slot is copied that way, its length byte unchanged.
  bool accept_long_slots = false;
};

struct CheckResult {
  // The first rule found broken, in words; empty when the file keeps them
  // all.
  std::string problem;
  // The file could not be read (an I/O failure, not a broken rule).
  bool read_failed = false;
  // Whether the header was read and passed on to the visitor.
  bool header_read = false;
  uint64_t cards = 0;         // cards visited along the list
  uint64_t free_records = 0;  // records visited along the free list

  bool Valid() const { return problem.empty(); }
};

// Reads a card file and checks, in this order: its length and signature,
// Version and FileKind (what opening it checks), slots per record 2 to 6, a
// whole header record, the title's length, no partial trailing record, the
// header's link words, then the card list from FirstCard (each card once,
// its SelfIndex, a NextFree of 0, a PrevCard naming the card before it, slot
// lengths of at most 60, links inside the file) ending at LastCard, and the
// free list from FreeHead (each record once, none of them a card, links
// inside the file). Stops reading at the first rule that leaves nothing
// sound to read further.
CheckResult CheckCardFile(CardFileBytes& file, CardFileVisitor& visitor,
                          const CheckOptions& options = {});

// A byte source over a file image held in memory.
class ImageBytes : public CardFileBytes {
 public:
  explicit ImageBytes(const std::string& image) : image_(image) {}
  uint64_t Size() override { return image_.size(); }
  bool Read(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  const std::string& image_;
};

}  // namespace cardfile
