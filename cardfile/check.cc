#include "cardfile/check.h"

#include <algorithm>
#include <memory>

#include "cardfile/charset.h"

namespace cardfile {
namespace {

// What each record has been found to be, kept in pages that are made on
// first use: a walk touches few pages of a large file that is mostly holes,
// and record numbers are 32-bit, so the page table stays small.
class RecordMarks {
 public:
  enum Mark : uint8_t { kUnseen = 0, kCard = 1, kFree = 2 };

  explicit RecordMarks(uint64_t records)
      : pages_((std::min<uint64_t>(records, uint64_t{1} << 32) + kPageSize - 1) / kPageSize) {}

  Mark Get(uint32_t record) const {
    const auto& page = pages_[record / kPageSize];
    return page ? static_cast<Mark>(page[record % kPageSize]) : kUnseen;
  }
  void Set(uint32_t record, Mark mark) {
    auto& page = pages_[record / kPageSize];
    if (!page) page = std::make_unique<uint8_t[]>(kPageSize);  // zero: unseen
    page[record % kPageSize] = mark;
  }

 private:
  static constexpr uint32_t kPageSize = 1u << 16;
  std::vector<std::unique_ptr<uint8_t[]>> pages_;
};

std::string Number(uint64_t n) { return std::to_string(n); }

std::string Bytes(uint64_t n) { return Number(n) + (n == 1 ? " byte" : " bytes"); }

class Checker {
 public:
  Checker(CardFileBytes& file, CardFileVisitor& visitor, const CheckOptions& options)
      : file_(file), visitor_(visitor), options_(options) {}

  CheckResult Run() {
    if (ReadHeader()) {
      result_.header_read = true;
      visitor_.Header(header_);
      CheckHeaderRecord();
      WalkCards();
      if (!result_.read_failed) WalkFreeList();
    }
    return result_;
  }

 private:
  // Keeps the first problem only.
  void Fail(const std::string& what) {
    if (result_.problem.empty()) result_.problem = what;
  }

  bool Read(uint64_t offset, uint8_t* out, size_t size) {
    if (file_.Read(offset, out, size)) return true;
    result_.read_failed = true;
    Fail("read failure at byte " + Number(offset));
    return false;
  }

  std::string PastTheEnd(const std::string& what, uint32_t value) const {
    return what + " " + Number(value) + " points past the end of the file (" +
           Number(header_.records) + " records)";
  }

  // What opening the file checks, then the geometry and one whole header
  // record: without these there is nothing to read further.
  bool ReadHeader() {
    const uint64_t size = file_.Size();
    if (size < ProbeSize) {
      Fail(Bytes(size) + ": shorter than a title and an info block (" + Bytes(ProbeSize) +
           "), so no card file");
      return false;
    }
    uint8_t first[ProbeSize];
    if (!Read(0, first, ProbeSize)) return false;
    TInfoBlock& stored = header_.stored_info;
    std::copy(first + InfoOffset, first + ProbeSize, stored.bytes.begin());
    const uint16_t signature = stored.Word(TInfoBlock::Signature);
    if (signature != OemSignature && signature != AnsiSignature) {
      Fail("no card file signature at bytes 62-63: " + HexByte(stored[TInfoBlock::Signature]) +
           " " + HexByte(stored[TInfoBlock::Signature + 1]) + " (55 51 is OEM, DA 51 is ANSI)");
      return false;
    }
    if (stored[TInfoBlock::Version] > MaxVersion) {
      Fail("Version " + Number(stored[TInfoBlock::Version]) + " above " + Number(MaxVersion));
      return false;
    }
    // Opening uses the completed block; so do the checks from here on.
    header_.info = stored;
    if (stored[TInfoBlock::InfoLength] < CurrentInfoLength) {
      UpgradeInfo(header_.info);
      header_.info[TInfoBlock::InfoLength] = CurrentInfoLength;
    }
    const uint8_t kind = header_.info[TInfoBlock::FileKind];
    if (kind < 'A' || kind > 'Z') {
      Fail("FileKind byte " + HexByte(kind) + " is not a capital letter A to Z");
      return false;
    }
    header_.first_group = header_.info[TInfoBlock::FirstGroupSlots];
    header_.second_group = header_.info[TInfoBlock::SecondGroupSlots];
    if (!GeometryFitsFrame(header_.first_group, header_.second_group)) {
      Fail(Number(header_.first_group) + " + " + Number(header_.second_group) +
           " slots per record: outside " + Number(MinSlotsPerRecord) + " to " +
           Number(MaxSlotsPerRecord));
      return false;
    }
    slots_ = header_.first_group + header_.second_group;
    header_.record_size = static_cast<uint16_t>(SlotSize * slots_ + LinkBlockSize);
    if (size < header_.record_size) {
      Fail(Bytes(size) + ": shorter than one record of " + Bytes(header_.record_size));
      return false;
    }
    header_.records = size / header_.record_size;
    header_.trailing_bytes = size % header_.record_size;
    if (!Read(0, record_.data(), header_.record_size)) return false;
    header_.title_length = record_[0];
    header_.title = Text(record_.data());
    for (size_t w = 0; w < LinkWords; ++w) header_.words[w] = Link(w);
    return true;
  }

  void CheckHeaderRecord() {
    CheckSlot(record_.data(), "title");
    if (header_.trailing_bytes != 0) {
      Fail("partial trailing record: " + Bytes(header_.trailing_bytes) + " after record " +
           Number(header_.records - 1));
    }
    const uint32_t first = header_.words[FirstCard], last = header_.words[LastCard];
    if ((first == 0) != (last == 0)) {
      Fail("FirstCard " + Number(first) + " and LastCard " + Number(last) +
           " disagree on whether there are cards");
    }
    for (LinkWord w : {FreeHead, FirstCard, LastCard}) {
      static const char* const kNames[] = {"", "FreeHead", "FirstCard", "LastCard"};
      if (header_.words[w] >= header_.records) Fail(PastTheEnd(kNames[w], header_.words[w]));
    }
  }

  // Forward along NextCard, checking at each card that PrevCard names the
  // card before it: together with LastCard naming the end, that makes the
  // walk back along PrevCard the same list in reverse.
  void WalkCards() {
    marks_ = std::make_unique<RecordMarks>(header_.records);
    uint32_t previous = 0;
    std::string from = "FirstCard";
    for (uint32_t r = header_.words[FirstCard]; r != 0;) {
      if (r >= header_.records) {
        Fail(PastTheEnd(from, r));
        return;
      }
      if (marks_->Get(r) != RecordMarks::kUnseen) {
        Fail(from + " " + Number(r) + " goes back to a card already in the list");
        return;
      }
      marks_->Set(r, RecordMarks::kCard);
      if (!Read(uint64_t{r} * header_.record_size, record_.data(), header_.record_size)) return;
      const std::string card = "card " + Number(r);
      if (Link(SelfIndex) != r) {
        Fail(card + ": SelfIndex " + Number(Link(SelfIndex)) + " is not its record number");
      }
      if (Link(NextFree) != 0) Fail(card + ": NextFree " + Number(Link(NextFree)) + " is not 0");
      if (Link(PrevCard) != previous) {
        Fail(card + ": PrevCard " + Number(Link(PrevCard)) + " should be " + Number(previous) +
             (previous == 0 ? ", as it is the first card" : ", the card before it"));
      }
      CheckedCard checked{r, {}};
      for (int i = 0; i < slots_; ++i) {
        const uint8_t* slot = &record_[static_cast<size_t>(i) * SlotSize];
        CheckSlot(slot, card + ": slot " + Number(i + 1));
        checked.slots.push_back(Text(slot));
      }
      visitor_.Card(checked);
      ++result_.cards;
      previous = r;
      from = card + ": NextCard";
      r = Link(NextCard);
    }
    if (previous != header_.words[LastCard]) {
      Fail("LastCard " + Number(header_.words[LastCard]) + ", but the list " +
           (previous == 0 ? std::string("is empty") : "ends at card " + Number(previous)));
    }
  }

  void WalkFreeList() {
    std::string from = "FreeHead";
    for (uint32_t r = header_.words[FreeHead]; r != 0;) {
      if (r >= header_.records) {
        Fail(PastTheEnd(from, r));
        return;
      }
      if (marks_->Get(r) == RecordMarks::kCard) {
        Fail(from + " " + Number(r) + " is a card of the list");
        return;
      }
      if (marks_->Get(r) == RecordMarks::kFree) {
        Fail(from + " " + Number(r) + " goes back to a record already in the free list");
        return;
      }
      marks_->Set(r, RecordMarks::kFree);
      uint8_t links[LinkBlockSize];
      const uint64_t at = uint64_t{r} * header_.record_size + header_.record_size - LinkBlockSize;
      if (!Read(at, links, LinkBlockSize)) return;
      visitor_.FreeRecord(r);
      ++result_.free_records;
      from = "free record " + Number(r) + ": NextFree";
      r = DecodeFixed32(links + 4 * NextFree);
    }
  }

  void CheckSlot(const uint8_t* slot, const std::string& where) {
    if (slot[0] > SlotTextMax && !options_.accept_long_slots) {
      Fail(where + ": length " + Number(slot[0]) + " above " + Number(SlotTextMax));
    } else if (options_.clean_slot_tails && slot[0] < SlotTextMax &&
               std::any_of(slot + 1 + slot[0], slot + SlotSize, [](uint8_t b) { return b != 0; })) {
      Fail(where + ": bytes after the text are not zero");
    }
  }

  // A slot's text, cut to the slot.
  static std::string Text(const uint8_t* slot) {
    return std::string(reinterpret_cast<const char*>(slot + 1), std::min(slot[0], SlotTextMax));
  }

  // Link word w of the record in record_.
  uint32_t Link(size_t w) const {
    return DecodeFixed32(&record_[static_cast<size_t>(slots_) * SlotSize + 4 * w]);
  }

  CardFileBytes& file_;
  CardFileVisitor& visitor_;
  const CheckOptions& options_;
  CheckResult result_;
  CheckedHeader header_;
  int slots_ = 0;
  std::array<uint8_t, FrameSize> record_{};
  std::unique_ptr<RecordMarks> marks_;
};

}  // namespace

CheckResult CheckCardFile(CardFileBytes& file, CardFileVisitor& visitor,
                          const CheckOptions& options) {
  return Checker(file, visitor, options).Run();
}

bool ImageBytes::Read(uint64_t offset, uint8_t* out, size_t size) {
  if (offset > image_.size() || image_.size() - offset < size) return false;
  std::copy_n(image_.data() + offset, size, reinterpret_cast<char*>(out));
  return true;
}

}  // namespace cardfile
