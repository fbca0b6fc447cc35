#include "cardfile/check.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cardfile/fichier.h"
#include "testing/card_fixture.h"
#include "testing/damaged_files.h"
#include "testing/temp_dir.h"

namespace {

using cardfile::CardFileBytes;
using cardfile::CheckCardFile;
using cardfile::CheckedCard;
using cardfile::CheckedHeader;
using cardfile::CheckResult;
using cardfile::ImageBytes;
using testing_support::CardFileBuilder;
using testing_support::SetByte;
using testing_support::SetLink;

// Everything the checker tells its visitor.
struct Seen : cardfile::CardFileVisitor {
  void Header(const CheckedHeader& h) override {
    header = h;
    ++headers;
  }
  void Card(const CheckedCard& card) override { cards.push_back(card); }
  void FreeRecord(uint32_t record) override { free.push_back(record); }
  CheckedHeader header;
  int headers = 0;
  std::vector<CheckedCard> cards;
  std::vector<uint32_t> free;
};

CheckResult Check(const std::string& image, Seen* seen = nullptr, bool clean_tails = false) {
  Seen ignored;
  ImageBytes bytes(image);
  cardfile::CheckOptions options;
  options.clean_slot_tails = clean_tails;
  return CheckCardFile(bytes, seen != nullptr ? *seen : ignored, options);
}

TEST(Check, ReadsASoundFileInListOrder) {
  CardFileBuilder builder(2, 3);
  builder.Title("Recettes");
  builder.Card({"a1", "a2", "a3", "a4", "a5"});  // 1
  builder.Free();                                // 2
  builder.Card({"b1", "", "b3"});                // 3
  builder.Card({std::string(60, 'c')});          // 4
  builder.Free();                                // 5
  builder.ListOrder({3, 1, 4}).FreeList({5, 2});
  const std::string image = builder.Build();
  Seen seen;
  CheckResult result = Check(image, &seen, true);
  EXPECT_EQ(result.problem, "");
  EXPECT_TRUE(result.header_read);
  EXPECT_FALSE(result.read_failed);
  EXPECT_EQ(result.cards, 3u);
  EXPECT_EQ(result.free_records, 2u);

  EXPECT_EQ(seen.headers, 1);
  EXPECT_EQ(seen.header.title, "Recettes");
  EXPECT_EQ(seen.header.title_length, 8);
  EXPECT_EQ(seen.header.first_group, 2);
  EXPECT_EQ(seen.header.second_group, 3);
  EXPECT_EQ(seen.header.record_size, 321);
  EXPECT_EQ(seen.header.records, 6u);
  EXPECT_EQ(seen.header.trailing_bytes, 0u);
  EXPECT_EQ(seen.header.words, (std::array<uint32_t, 4>{0, 5, 3, 4}));
  EXPECT_EQ(seen.header.Signature(), cardfile::OemSignature);

  ASSERT_EQ(seen.cards.size(), 3u);
  EXPECT_EQ(seen.cards[0].record, 3u);
  EXPECT_EQ(seen.cards[0].slots, (std::vector<std::string>{"b1", "", "b3", "", ""}));
  EXPECT_EQ(seen.cards[1].record, 1u);
  EXPECT_EQ(seen.cards[2].record, 4u);
  EXPECT_EQ(seen.cards[2].slots[0], std::string(60, 'c'));
  EXPECT_EQ(seen.free, (std::vector<uint32_t>{5, 2}));
}

TEST(Check, EmptyFileAndAnsiFile) {
  Seen seen;
  EXPECT_EQ(Check(CardFileBuilder().Ansi().Build(), &seen).problem, "");
  EXPECT_EQ(seen.header.Signature(), cardfile::AnsiSignature);
  EXPECT_TRUE(seen.cards.empty());
  EXPECT_TRUE(seen.free.empty());
}

TEST(Check, NamesTheFirstBrokenRuleOfEveryDamagedFile) {
  for (const auto& damaged : testing_support::DamagedFiles()) {
    SCOPED_TRACE(damaged.name);
    CheckResult result = Check(damaged.image);
    EXPECT_EQ(result.problem, damaged.problem);
    EXPECT_FALSE(result.read_failed);
  }
}

TEST(Check, TheWholeHeaderIsReadBeforeTheListsAndStopsAtNothingSoundToRead) {
  // Files the program would not open are not passed on at all.
  for (const auto& damaged : testing_support::DamagedFiles()) {
    SCOPED_TRACE(damaged.name);
    Seen seen;
    CheckResult result = Check(damaged.image, &seen);
    EXPECT_EQ(seen.headers, result.header_read ? 1 : 0);
    const bool opens = damaged.image.size() >= 138 && damaged.image[62] == 0x55 &&
                       damaged.image[64] <= 8 && damaged.image[66] == 'Q' &&
                       damaged.image[93] == 1 && damaged.image[94] == 1;
    EXPECT_EQ(result.header_read, opens);
  }
}

TEST(Check, SlotTailsAreCheckedOnlyWhenAsked) {
  CardFileBuilder builder;
  builder.Card({"ab", "cd"});
  std::string image = builder.Build();
  SetByte(image, 138 + 61 + 10, 0xEE);  // after "cd"
  EXPECT_EQ(Check(image).problem, "");
  EXPECT_EQ(Check(image, nullptr, true).problem,
            "card 1: slot 2: bytes after the text are not zero");
  image = CardFileBuilder().Title("t").Build();
  SetByte(image, 60, 1);  // the last byte of the title slot
  EXPECT_EQ(Check(image).problem, "");
  EXPECT_EQ(Check(image, nullptr, true).problem, "title: bytes after the text are not zero");
}

TEST(Check, EveryShorterLengthIsAProblemAndNeverAFault) {
  const std::string sound = testing_support::SoundFile();
  ASSERT_EQ(Check(sound).problem, "");
  for (size_t length = 0; length < sound.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_NE(Check(sound.substr(0, length)).problem, "");
  }
}

TEST(Check, RandomDamageEndsEveryWalkWithinTheFile) {
  CardFileBuilder builder(2, 2);
  for (int i = 0; i < 12; ++i) {
    if (i % 4 == 3) {
      builder.Free();
    } else {
      builder.Card({"card " + std::to_string(i), "x"});
    }
  }
  const std::string sound = builder.Build();
  std::mt19937 random(20240611);  // a fixed seed: the same damage on every run
  std::uniform_int_distribution<size_t> offset(0, sound.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 3000; ++round) {
    std::string image = sound;
    const int edits = 1 + round % 4;
    for (int e = 0; e < edits; ++e) image[offset(random)] = static_cast<char>(byte(random));
    Seen seen;
    CheckResult result = Check(image, &seen);
    const uint64_t records = image.size() / 260;
    EXPECT_LE(result.cards + result.free_records, records) << round;
    EXPECT_EQ(seen.cards.size(), result.cards);
  }
}

// A file of a terabyte that is all holes but its header: the walk touches
// few records, and keeps no mark for the others.
class SparseBytes : public CardFileBytes {
 public:
  explicit SparseBytes(std::string header) : header_(std::move(header)) {}
  uint64_t Size() override { return uint64_t{1} << 40; }
  bool Read(uint64_t offset, uint8_t* out, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      out[i] = offset + i < header_.size() ? static_cast<uint8_t>(header_[offset + i]) : 0;
    }
    return true;
  }

 private:
  std::string header_;
};

TEST(Check, HugeFileOfHolesIsWalkedWithoutHugeMemory) {
  std::string header = CardFileBuilder().Build();
  SetLink(header, 0, cardfile::FirstCard, 4000000000u);
  SetLink(header, 0, cardfile::LastCard, 4000000000u);
  SetLink(header, 0, cardfile::FreeHead, 3999999999u);
  SparseBytes bytes(header);
  Seen seen;
  CheckResult result = CheckCardFile(bytes, seen);
  EXPECT_EQ(result.problem, "partial trailing record: 82 bytes after record 7967475562");
  EXPECT_EQ(result.cards, 1u);
  EXPECT_EQ(result.free_records, 1u);
}

class FailingBytes : public CardFileBytes {
 public:
  FailingBytes(std::string image, uint64_t fail_from)
      : image_(std::move(image)), from_(fail_from) {}
  uint64_t Size() override { return image_.size(); }
  bool Read(uint64_t offset, uint8_t* out, size_t size) override {
    if (offset + size > from_) return false;
    std::copy_n(image_.data() + offset, size, reinterpret_cast<char*>(out));
    return true;
  }

 private:
  std::string image_;
  uint64_t from_;
};

TEST(Check, AReadFailureIsNoBrokenRule) {
  const std::string sound = testing_support::SoundFile();
  const struct {
    uint64_t fail_from;
    std::string problem;
    bool header_read;
  } cases[] = {
      {0, "read failure at byte 0", false},
      {130, "read failure at byte 0", false},            // the whole header record
      {4 * 138, "read failure at byte 552", true},       // card 4, the first of the list
      {5 * 138 + 10, "read failure at byte 812", true},  // free record 5's link block
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fail_from);
    FailingBytes bytes(sound, c.fail_from);
    Seen seen;
    CheckResult result = CheckCardFile(bytes, seen);
    EXPECT_TRUE(result.read_failed);
    EXPECT_EQ(result.problem, c.problem);
    EXPECT_EQ(result.header_read, c.header_read);
  }
}

// The checker completes a short info block as opening a file does, so both
// agree on the geometry, including InfoLength 32, which keeps the stored
// first group and takes the second from the template.
TEST(Check, GeometryOfAShortInfoBlockAgreesWithOpening) {
  const struct {
    uint8_t info_length;
    int slots;
  } cases[] = {{0, 2}, {4, 2}, {31, 2}, {32, 4}, {33, 6}, {50, 6}, {56, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.info_length});
    CardFileBuilder builder(3, 3);
    builder.Card({"a"});
    std::string image = builder.Build();
    SetByte(image, 61, c.info_length);
    Seen seen;
    Check(image, &seen);
    ASSERT_TRUE(seen.headers == 1);
    EXPECT_EQ(seen.header.first_group + seen.header.second_group, c.slots);

    testing_support::TempDir dir;
    testing_support::WriteFileBytes(dir.File("f"), image);
    auto handle = cardfile::TFichier::Open(dir.File("f"), 0);
    ASSERT_TRUE(handle->IsOpen());
    EXPECT_EQ(handle->SlotsPerRecord(), c.slots);
    EXPECT_EQ(testing_support::ImageRecordSize(image), handle->RecordSize());
  }
}

}  // namespace
