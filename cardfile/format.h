// The card file format.
//
// A card file is a sequence of fixed-size records. Record 0 is the header
// record: the title in its first slot, the info block in its second, the
// heads of the two chains in its link block. Every other record is a card or
// a free record. A record is SlotsPerRecord slots of 61 bytes followed by four
// little-endian 32-bit link words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace cardfile {

// A slot: a length byte and up to 60 one-byte characters.
constexpr size_t SlotSize = 61;
constexpr uint8_t SlotTextMax = 60;

// Every record, in memory, passes through a frame of six slots.
constexpr int FrameSlots = 6;
constexpr size_t LinkWords = 4;
constexpr size_t LinkBlockSize = 4 * LinkWords;
constexpr size_t FrameSize = FrameSlots * SlotSize + LinkBlockSize;
static_assert(FrameSize == 382);

// SlotsPerRecord within these bounds: the header needs the title and the info
// block, and a record must fit the frame.
constexpr int MinSlotsPerRecord = 2;
constexpr int MaxSlotsPerRecord = FrameSlots;

// Whether records of these two groups fit the frame. Summed wide, so that
// 200 + 58 is not taken for 2.
constexpr bool GeometryFitsFrame(uint8_t first_group_slots, uint8_t second_group_slots) {
  const int slots = int{first_group_slots} + int{second_group_slots};
  return slots >= MinSlotsPerRecord && slots <= MaxSlotsPerRecord;
}

// The info block lies in the header's second slot, at file offsets 61..121,
// whatever the geometry; a file shorter than that is no card file.
constexpr size_t InfoOffset = SlotSize;
constexpr size_t ProbeSize = 2 * SlotSize;
static_assert(ProbeSize == 122);

// Link words. A card's and the header's share the positions.
enum LinkWord : size_t {
  SelfIndex = 0,
  NextFree = 1,
  NextCard = 2,
  PrevCard = 3,
  // In the header record:
  FreeHead = 1,
  FirstCard = 2,
  LastCard = 3,
};

// Little-endian 32-bit numbers, by shifts.
inline uint32_t DecodeFixed32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void EncodeFixed32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}
inline uint16_t DecodeFixed16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline void EncodeFixed16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

// A length-prefixed string of at most 60 characters, shaped like a slot.
using TShortString = std::array<uint8_t, SlotSize>;

// The 61-byte info block of the header record.
struct TInfoBlock {
  // Byte positions in the block; info byte k lies at file offset 61 + k.
  static constexpr size_t InfoLength = 0;
  static constexpr size_t Signature = 1;  // 16-bit
  static constexpr size_t Version = 3;
  static constexpr size_t Revision = 4;
  static constexpr size_t FileKind = 5;
  static constexpr size_t CodePage = 22;  // 16-bit
  static constexpr size_t FirstGroupSlots = 32;
  static constexpr size_t SecondGroupSlots = 33;

  std::array<uint8_t, SlotSize> bytes{};

  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }
  uint16_t Word(size_t at) const { return DecodeFixed16(&bytes[at]); }
  void SetWord(size_t at, uint16_t value) { EncodeFixed16(&bytes[at], value); }
};
static_assert(sizeof(TInfoBlock) == SlotSize);

// The length of a current info block, and the highest accepted Version.
constexpr uint8_t CurrentInfoLength = 56;
constexpr uint8_t MaxVersion = 8;

// Signatures, as the little-endian word at info bytes 1-2.
constexpr uint16_t OemSignature = 0x5155;   // bytes 0x55 0x51, "UQ"
constexpr uint16_t AnsiSignature = 0x51DA;  // bytes 0xDA 0x51

// The info block that short blocks are completed from: OEM, Version 1,
// Revision 1, kind 'Q', code page 437, 1 + 1 slots.
extern const TInfoBlock InfoTemplate;

// Completes a short info block: bytes InfoLength + 1 to 56 come from
// InfoTemplate. The length byte is left to the caller. A rule of the format
// rather than of the handle, so that a reader of raw bytes applies it too.
void UpgradeInfo(TInfoBlock& info);

// One record held right-aligned: a record of c slots fills frame slots
// 7 - c to 6, and its link block is always the frame's.
struct TRecordFrame {
  std::array<uint8_t, FrameSize> bytes{};

  // Frame slot i, from 1 to 6.
  uint8_t* Slot(int i) { return &bytes[static_cast<size_t>(i - 1) * SlotSize]; }
  const uint8_t* Slot(int i) const { return &bytes[static_cast<size_t>(i - 1) * SlotSize]; }

  uint32_t Link(LinkWord w) const { return DecodeFixed32(&bytes[LinkOffset(w)]); }
  void SetLink(LinkWord w, uint32_t value) { EncodeFixed32(&bytes[LinkOffset(w)], value); }

 private:
  static constexpr size_t LinkOffset(LinkWord w) { return FrameSlots * SlotSize + 4 * w; }
};
static_assert(sizeof(TRecordFrame) == 382);

}  // namespace cardfile
