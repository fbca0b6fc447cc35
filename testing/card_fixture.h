// Card files for tests: a builder for any geometry, list order and free list,
// byte-editing helpers for damage, and a reader that checks every invariant.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cardfile/format.h"

namespace testing_support {

// Builds a card file image record by record. Records are numbered in the
// order they are added, from 1; the list order and the free list are given
// separately, so they can differ from the record order.
class CardFileBuilder {
 public:
  explicit CardFileBuilder(uint8_t first_group = 1, uint8_t second_group = 1);

  CardFileBuilder& Title(const std::string& title);
  CardFileBuilder& Ansi();                             // ANSI signature
  CardFileBuilder& InfoByte(size_t k, uint8_t value);  // info byte k, stored as is

  // Appends a card with the given slot texts (missing slots stay empty) and
  // gives its record number. Cards are linked by ListOrder, or in record
  // order when it is never called.
  uint32_t Card(const std::vector<std::string>& slots);
  // Appends a free record; FreeList links them, or they are chained in
  // record order.
  uint32_t Free();

  CardFileBuilder& ListOrder(const std::vector<uint32_t>& records);
  CardFileBuilder& FreeList(const std::vector<uint32_t>& records);

  uint16_t RecordSize() const;
  std::string Build() const;

 private:
  uint8_t first_group_, second_group_;
  std::string title_;
  std::vector<std::pair<size_t, uint8_t>> info_bytes_;
  std::vector<std::vector<std::string>> records_;  // empty vector for a free record
  std::vector<bool> is_free_;
  std::vector<uint32_t> list_order_, free_list_;
  bool list_given_ = false, free_given_ = false;
};

// A frame holding one card of a record whose first slot is frame slot
// first_slot: text in that slot, the other slots empty, and garbage after
// every text and in the link block, which a write must not keep.
cardfile::TRecordFrame CardFrame(int first_slot, const std::string& text);

// The record size of an image, from its info block (0 when it has none).
uint16_t ImageRecordSize(const std::string& image);

// Byte editing on images.
void SetByte(std::string& image, size_t offset, uint8_t value);
void SetLink(std::string& image, uint32_t record, int word, uint32_t value);
uint32_t GetLink(const std::string& image, uint32_t record, int word);
void Truncate(std::string& image, size_t size);

// A card as read back from an image.
struct ReadCard {
  uint32_t record;
  std::vector<std::string> slots;  // texts only, one per slot of the record
  bool operator==(const ReadCard&) const = default;
};

// Whether a slot length byte above 60 breaks the file. The copy writes a
// card's damaged length byte unchanged, so a target made from a damaged
// source is checked with kKept: everything else still holds.
enum class SlotLengths { kAtMost60, kKept };

// The title and the cards of an image in list order (FirstCard through
// NextCard). Checks every invariant of a card file written by this program
// (the format's, and zero bytes after every text) with the project's one
// checker, cardfile/check.h, and returns the first one broken in *error
// (empty when valid).
struct ReadBack {
  std::string title;
  std::string info;  // the 61 bytes of the info block
  std::vector<ReadCard> cards;
  uint32_t free_head = 0;
  uint64_t records = 0;
};
ReadBack ReadCardFile(const std::string& image, std::string* error,
                      SlotLengths lengths = SlotLengths::kAtMost60);

// Texts of the cards in list order.
std::vector<std::vector<std::string>> Texts(const ReadBack& file);

}  // namespace testing_support
