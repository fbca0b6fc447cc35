#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cardfile/fichier.h"
#include "runtime/exceptions.h"
#include "testing/card_fixture.h"
#include "testing/platform.h"
#include "testing/temp_dir.h"

namespace cardfile {
namespace {

using testing_support::CardFileBuilder;
using testing_support::CardFrame;
using testing_support::GetLink;
using testing_support::ReadCardFile;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

struct Links {
  uint32_t w0, w1, w2, w3;
  bool operator==(const Links&) const = default;
};
Links LinksOf(const std::string& image, uint32_t record) {
  return {GetLink(image, record, 0), GetLink(image, record, 1), GetLink(image, record, 2),
          GetLink(image, record, 3)};
}
void PrintTo(const Links& l, std::ostream* os) {
  *os << l.w0 << "," << l.w1 << "," << l.w2 << "," << l.w3;
}

TEST(AddRecord, TheFourCasesAndFreeRecordReuse) {
  struct Case {
    const char* name;
    std::function<CardFileBuilder()> file;
    uint32_t after;
    uint32_t n;    // record the card receives
    Links header;  // word 0, FreeHead, FirstCard, LastCard afterwards
    Links card;    // the new card's link block
    std::vector<std::pair<uint32_t, Links>> neighbours;  // other records afterwards
    std::vector<std::string> order;                      // texts in list order afterwards
    std::set<uint32_t> written;                          // records rewritten, the header included
  };
  auto two_cards = [] {
    CardFileBuilder b;
    b.Card({"one"});
    b.Card({"two"});
    return b;
  };
  auto with_free = [] {
    CardFileBuilder b;
    b.Card({"one"});    // 1
    b.Card({"two"});    // 2
    b.Free();           // 3
    b.Free();           // 4
    b.Card({"three"});  // 5
    b.Free();           // 6
    b.Free();           // 7
    b.ListOrder({5, 1, 2}).FreeList({7, 4});
    return b;
  };
  const Case cases[] = {
      {"empty list",
       [] { return CardFileBuilder(); },
       0,
       1,
       {0, 0, 1, 1},
       {1, 0, 0, 0},
       {},
       {"new"},
       {1, 0}},
      {"empty list ignores After",
       [] { return CardFileBuilder(); },
       9,
       1,
       {0, 0, 1, 1},
       {1, 0, 0, 0},
       {},
       {"new"},
       {1, 0}},
      {"at the front",
       two_cards,
       0,
       3,
       {0, 0, 3, 2},
       {3, 0, 1, 0},
       {{1, {1, 0, 2, 3}}, {2, {2, 0, 0, 1}}},
       {"new", "one", "two"},
       {1, 3, 0}},
      {"after the last card",
       two_cards,
       2,
       3,
       {0, 0, 1, 3},
       {3, 0, 0, 2},
       {{1, {1, 0, 2, 0}}, {2, {2, 0, 3, 1}}},
       {"one", "two", "new"},
       {2, 3, 0}},
      {"after a card with a successor",
       two_cards,
       1,
       3,
       {0, 0, 1, 2},
       {3, 0, 2, 1},
       {{1, {1, 0, 3, 0}}, {2, {2, 0, 0, 3}}},
       {"one", "new", "two"},
       {2, 1, 3, 0}},
      {"free record reused",
       with_free,
       0,
       7,
       {0, 4, 7, 2},
       {7, 0, 5, 0},
       {{5, {5, 0, 1, 7}}, {4, {0, 0, 0, 0}}},
       {"new", "three", "one", "two"},
       {5, 7, 0}},
      {"free record reused in the middle",
       with_free,
       1,
       7,
       {0, 4, 5, 2},
       {7, 0, 2, 1},
       {{1, {1, 0, 7, 5}}, {2, {2, 0, 0, 7}}},
       {"three", "one", "new", "two"},
       {2, 1, 7, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string before = c.file().Build();
    // Garbage at the end of every first slot: a record that is written has
    // it cleared, so the records written can be told afterwards.
    for (size_t r = 0; r < before.size() / 138; ++r) before[r * 138 + 60] = '\x5A';
    WriteFileBytes(dir.File("f"), before);
    auto handle = TFichier::Open(dir.File("f"), 2);
    ASSERT_TRUE(handle->IsOpen());
    TRecordFrame frame = CardFrame(handle->FirstSlot(), "new");
    const TRecordFrame copy = frame;
    handle->AddRecord(c.after, frame);
    EXPECT_EQ(frame.bytes, copy.bytes);  // the caller's frame is not changed
    // The header in memory equals the header on disk.
    std::string after = ReadFileBytes(dir.File("f"));
    EXPECT_EQ(0, std::memcmp(handle->HeaderFrame().Slot(handle->FirstSlot()), after.data(),
                             handle->RecordSize()));
    handle.reset();
    std::set<uint32_t> written;
    for (uint32_t r = 0; r < after.size() / 138; ++r) {
      if (after[r * 138 + 60] != '\x5A') written.insert(r);
      after[r * 138 + 60] = '\0';  // the garbage is not what the reader checks
    }
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(LinksOf(after, 0), c.header);
    EXPECT_EQ(LinksOf(after, c.n), c.card);
    for (const auto& [record, links] : c.neighbours)
      EXPECT_EQ(LinksOf(after, record), links) << record;
    std::string error;
    auto read = ReadCardFile(after, &error);
    EXPECT_EQ(error, "");
    std::vector<std::string> order;
    for (const auto& card : read.cards) order.push_back(card.slots[0]);
    EXPECT_EQ(order, c.order);
    // The file grows by one record only when no free record was reused.
    size_t grown = after.size() - before.size();
    EXPECT_EQ(grown, c.n < before.size() / 138 ? 0u : 138u);
  }
}

TEST(AddRecord, ThreeCardsAtTheFrontComeOutInReverse) {
  TempDir dir;
  auto handle = TFichier::CreateNew(dir.File("f"), TShortString{}, InfoTemplate);
  for (const char* text : {"c", "b", "a"})
    handle->AddRecord(0, CardFrame(handle->FirstSlot(), text));
  handle.reset();
  std::string error;
  auto read = ReadCardFile(ReadFileBytes(dir.File("f")), &error);
  EXPECT_EQ(error, "");
  ASSERT_EQ(read.cards.size(), 3u);
  EXPECT_EQ(read.cards[0], (testing_support::ReadCard{3, {"a", ""}}));
  EXPECT_EQ(read.cards[1], (testing_support::ReadCard{2, {"b", ""}}));
  EXPECT_EQ(read.cards[2], (testing_support::ReadCard{1, {"c", ""}}));
}

TEST(AddRecord, AppendsOverAPartialTrailingRecord) {
  TempDir dir;
  CardFileBuilder builder;
  builder.Card({"one"});
  WriteFileBytes(dir.File("f"), builder.Build() + std::string(50, 'x'));
  auto handle = TFichier::Open(dir.File("f"), 2);
  handle->AddRecord(0, CardFrame(handle->FirstSlot(), "two"));
  handle.reset();
  std::string after = ReadFileBytes(dir.File("f"));
  EXPECT_EQ(after.size(), 3u * 138);
  EXPECT_EQ(LinksOf(after, 2), (Links{2, 0, 1, 0}));
}

TEST(AddRecord, FailuresRaiseAndLeaveEarlierWrites) {
  TempDir dir;
  CardFileBuilder builder;
  builder.Card({"one"});
  std::string image = builder.Build();
  testing_support::SetLink(image, 0, FreeHead, 9);  // a free record past the end
  WriteFileBytes(dir.File("f"), image);
  auto handle = TFichier::Open(dir.File("f"), 2);
  try {
    handle->AddRecord(0, CardFrame(handle->FirstSlot(), "x"));
    ADD_FAILURE();
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 100u);
  }
  handle.reset();
  EXPECT_EQ(ReadFileBytes(dir.File("f")), image);

  // A handle opened for reading only fails at its first write with 103.
  WriteFileBytes(dir.File("g"), builder.Build());
  auto reader = TFichier::Open(dir.File("g"), 0);
  try {
    reader->AddRecord(0, CardFrame(reader->FirstSlot(), "x"));
    ADD_FAILURE();
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 103u);
  }
}

TEST(AddRecord, ReadsAndWritesRecordTwentyMillion) {
  TempDir dir;
  CardFileBuilder builder;
  std::string image = builder.Build();
  testing_support::SetLink(image, 0, FreeHead, 20'000'000);
  testing_support::MakeSparseFile(dir.File("f"), image, 20'000'001ULL * 138);
  auto handle = TFichier::Open(dir.File("f"), 2);
  handle->AddRecord(0, CardFrame(handle->FirstSlot(), "far"));
  TRecordFrame frame;
  handle->ReadRecord(20'000'000, frame);
  EXPECT_EQ(frame.Link(SelfIndex), 20'000'000u);
  EXPECT_EQ(frame.Slot(handle->FirstSlot())[0], 3);
  EXPECT_EQ(handle->HeaderFrame().Link(FirstCard), 20'000'000u);
  EXPECT_EQ(handle->HeaderFrame().Link(FreeHead), 0u);
  EXPECT_EQ(handle->RecordCount(), 20'000'001u);
}

TEST(CreateNew, HeaderHoldsTitleInfoAndZeros) {
  struct Case {
    uint8_t info_length;
    uint8_t stored_length;
  };
  const Case cases[] = {{0, 56},  {50, 56}, {55, 56}, {56, 56},
                        {57, 57}, {60, 60}, {61, 60}, {255, 60}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.info_length});
    TempDir dir;
    TInfoBlock info;
    for (size_t k = 1; k < 61; ++k) info[k] = static_cast<uint8_t>(0xA0 + k % 16);
    info[0] = c.info_length;
    info[TInfoBlock::FirstGroupSlots] = 2;
    info[TInfoBlock::SecondGroupSlots] = 1;
    TShortString title{};
    title[0] = 200;  // cut to 60
    for (size_t k = 1; k <= 60; ++k) title[k] = static_cast<uint8_t>('0' + k % 10);
    TInfoBlock expected = info;
    if (c.info_length < 56) {
      for (size_t k = size_t{c.info_length} + 1; k <= 56; ++k) expected[k] = InfoTemplate[k];
    }
    for (size_t k = size_t{c.stored_length} + 1; k <= 60; ++k) expected[k] = 0;
    expected[0] = c.stored_length;
    auto handle = TFichier::CreateNew(dir.File("f"), title, info);
    ASSERT_TRUE(handle->IsOpen());
    EXPECT_EQ(handle->OpenMode(), 2);
    const size_t slots =
        expected[TInfoBlock::FirstGroupSlots] + expected[TInfoBlock::SecondGroupSlots];
    handle.reset();
    std::string file = ReadFileBytes(dir.File("f"));
    ASSERT_EQ(file.size(), 61u * slots + 16);
    EXPECT_EQ(static_cast<uint8_t>(file[0]), 60);
    EXPECT_EQ(file.substr(1, 60), std::string(reinterpret_cast<const char*>(title.data() + 1), 60));
    EXPECT_EQ(file.substr(61, 61), std::string(expected.bytes.begin(), expected.bytes.end()));
    EXPECT_EQ(file.substr(122), std::string(61 * (slots - 2) + 16, '\0'));  // the rest is zero
  }
}

TEST(CreateNew, EmptiesAnExistingFileOrRefusesOneHeldOpen) {
  TempDir dir;
  CardFileBuilder builder;
  builder.Card({"one"});
  builder.Card({"two"});
  std::string image = builder.Build();
  WriteFileBytes(dir.File("f"), image);
  std::filesystem::create_hard_link(dir.File("f"), dir.File("g"));
  {
    auto reader = TFichier::Open(dir.File("f"), 0);
    ASSERT_TRUE(reader->IsOpen());
    for (const char* name : {"f", "g"}) {
      auto created = TFichier::CreateNew(dir.File(name), TShortString{}, InfoTemplate);
      EXPECT_FALSE(created->IsOpen());
      EXPECT_EQ(created->FileName(), dir.File(name));
      EXPECT_EQ(created->RecordSize(), 138);
      EXPECT_EQ(created->OpenMode(), 2);
      EXPECT_EQ(ReadFileBytes(dir.File("f")), image);
    }
  }
  auto created = TFichier::CreateNew(dir.File("f"), TShortString{}, InfoTemplate);
  EXPECT_TRUE(created->IsOpen());
  created.reset();
  EXPECT_EQ(ReadFileBytes(dir.File("f")).size(), 138u);
  EXPECT_FALSE(TFichier::CreateNew(dir.File("missing/f"), TShortString{}, InfoTemplate)->IsOpen());
  EXPECT_FALSE(TFichier::CreateNew(dir.path(), TShortString{}, InfoTemplate)->IsOpen());
  TInfoBlock seven_slots = InfoTemplate;
  seven_slots[TInfoBlock::FirstGroupSlots] = 6;
  EXPECT_FALSE(TFichier::CreateNew(dir.File("h"), TShortString{}, seven_slots)->IsOpen());
  EXPECT_FALSE(testing_support::PathExists(dir.File("h")));
}

}  // namespace
}  // namespace cardfile
