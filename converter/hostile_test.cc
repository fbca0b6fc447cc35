// Damaged source files end to end: whatever the source holds, the program
// ends by its own decision or with an error report, writes nothing on
// standard error, leaves the source as it was, and leaves a valid target
// whenever it made one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cardfile/format.h"
#include "testing/card_fixture.h"
#include "testing/program_output.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using cardfile::FirstCard;
using cardfile::FreeHead;
using cardfile::LastCard;
using cardfile::NextCard;
using cardfile::NextFree;
using cardfile::PrevCard;
using cardfile::SelfIndex;
using testing_support::CardFileBuilder;
using testing_support::GetLink;
using testing_support::MaskLocation;
using testing_support::PathExists;
using testing_support::ReadBack;
using testing_support::ReadCardFile;
using testing_support::ReadFileBytes;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::SetByte;
using testing_support::SetLink;
using testing_support::SlotLengths;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr size_t kRecord = 138;  // 1 + 1 slots
constexpr size_t kTitle = 0, kInfo = 61;
constexpr size_t Slot(size_t record, size_t slot) { return record * kRecord + 61 * slot; }

// Cards a, b, c, d in records 1 to 4, listed in that order, and a free
// record 5.
std::string Base() {
  CardFileBuilder builder;
  builder.Title("Base");
  for (const char* text : {"a", "b", "c", "d"}) builder.Card({text});
  builder.Free();
  return builder.Build();
}

// Sets a slot's length byte and fills its 60 bytes with OEM e-acute, which
// the copy turns into 0xE9 as far as it translates.
void DamagedSlot(std::string& image, size_t at, uint8_t length) {
  SetByte(image, at, length);
  for (size_t k = 1; k <= 60; ++k) SetByte(image, at + k, 0x82);
}
const std::string kSixtyE9(60, '\xE9');

// The file's bytes in 64 KiB pieces, where a piece of zeros is kept as its
// length only: an exact copy, and a small one even of a sparse source of
// 2,000,000 records.
std::vector<std::string> Snapshot(const std::string& path) {
  static const std::string zeros(1 << 16, '\0');
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> pieces;
  std::string piece(zeros.size(), '\0');
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    auto got = static_cast<size_t>(in.gcount());
    if (std::memcmp(piece.data(), zeros.data(), got) == 0) {
      pieces.push_back("zeros " + std::to_string(got));
    } else {
      pieces.push_back("bytes " + piece.substr(0, got));
    }
  }
  return pieces;
}

enum class Ending {
  kCopied,       // the summary
  kNoSource,     // "Could not open source file !"
  kShortHeader,  // the report of a short read, before any target is made
  kReadPastEnd,  // the report of a short read during the copy
  kListLoop,     // the report of a walk longer than the file
};

std::string ExpectedOut(Ending ending, size_t cards, const std::string& target) {
  switch (ending) {
    case Ending::kCopied:
      return testing_support::Summary(static_cast<int>(cards), target);
    case Ending::kNoSource:
      return testing_support::kNoSource;
    case Ending::kShortHeader:
    case Ending::kReadPastEnd:
      return testing_support::ReadPastEnd();
    case Ending::kListLoop:
      return testing_support::Report("ECardListError",
                                     "Liste de fiches boucl\xE9"
                                     "e");
  }
  return "";
}

class HostileSources : public ::testing::Test {
 protected:
  std::string Src() const { return dir_.File("src.orn"); }
  std::string Dst() const { return dir_.File("dst.orn"); }

  // Runs on the source file as it stands and checks what every run must;
  // gives the target's first-slot texts in list order.
  std::vector<std::string> Run(Ending ending, SlotLengths lengths, std::string* target) {
    std::remove(Dst().c_str());
    const std::vector<std::string> before = Snapshot(Src());
    RunResult r = RunProgram({Src(), "/v", Dst()});
    EXPECT_EQ(r.signal, 0);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, ending == Ending::kCopied || ending == Ending::kNoSource ? 0 : 1);
    EXPECT_EQ(Snapshot(Src()), before);
    ExpectViewerComplainsClearly();
    std::vector<std::string> texts;
    if (ending == Ending::kNoSource || ending == Ending::kShortHeader) {
      EXPECT_EQ(MaskLocation(r.out), ExpectedOut(ending, 0, Dst()));
      EXPECT_FALSE(PathExists(Dst()));
      return texts;
    }
    *target = ReadFileBytes(Dst());
    std::string error;
    ReadBack file = ReadCardFile(*target, &error, lengths);
    EXPECT_EQ(error, "");
    for (const auto& card : file.cards) texts.push_back(card.slots[0]);
    EXPECT_EQ(MaskLocation(r.out), ExpectedOut(ending, texts.size(), Dst()));
    return texts;
  }

  // The viewer's check on the same damaged source: an answer, never a crash
  // or a hang, and a broken rule named on one line of standard error.
  void ExpectViewerComplainsClearly() {
    RunResult r = testing_support::RunCommand({ORNVIEW_BINARY, "--check", Src()});
    EXPECT_EQ(r.signal, 0);
    EXPECT_FALSE(r.timed_out);
    EXPECT_TRUE(r.exit_status == 0 || r.exit_status == 1) << r.exit_status;
    if (r.exit_status == 1) {
      EXPECT_EQ(r.err.rfind("ornview: " + Src() + ": ", 0), 0u) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
  }

  TempDir dir_;
};

TEST_F(HostileSources, DamagedCardFiles) {
  using Texts = std::vector<std::string>;
  const Texts abcd = {"a", "b", "c", "d"};
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;  // applied to Base()
    Ending ending;
    Texts texts;  // the target's first-slot texts in list order
    // Slot lengths above 60 are copied as they are; the target is then
    // checked for everything else.
    SlotLengths lengths = SlotLengths::kAtMost60;
    std::function<void(const std::string& target)> also = [](const std::string&) {};
    uint32_t far_card = 0;  // a card this far out, past a hole, is the last card
  };
  auto byte = [](const std::string& image, size_t at) { return static_cast<uint8_t>(image[at]); };
  const Case cases[] = {
      {"nothing damaged", [](std::string&) {}, Ending::kCopied, abcd},

      // Slot lengths above 60: at most 60 characters are translated, and
      // no byte outside the slot, not even the next slot's length byte.
      {"card slot length 61",
       [](std::string& f) {
         DamagedSlot(f, Slot(2, 0), 61);
         DamagedSlot(f, Slot(2, 1), 0x82);
       },
       Ending::kCopied,
       {"a", kSixtyE9, "c", "d"},
       SlotLengths::kKept,
       [&](const std::string& t) {  // b is the third card copied
         EXPECT_EQ(byte(t, Slot(3, 0)), 61);
         EXPECT_EQ(byte(t, Slot(3, 1)), 0x82);
         EXPECT_EQ(t.substr(Slot(3, 1) + 1, 60), kSixtyE9);
       }},
      {"card slot length 255 in the record's last slot",
       [](std::string& f) { DamagedSlot(f, Slot(3, 1), 255); }, Ending::kCopied, abcd,
       SlotLengths::kKept,
       [&](const std::string& t) {  // c is the second card copied
         EXPECT_EQ(byte(t, Slot(2, 1)), 255);
         EXPECT_EQ(t.substr(Slot(2, 1) + 1, 60), kSixtyE9);
       }},
      {"title length 61", [](std::string& f) { DamagedSlot(f, kTitle, 61); }, Ending::kCopied, abcd,
       SlotLengths::kAtMost60,
       [&](const std::string& t) {
         EXPECT_EQ(byte(t, kTitle), 60);
         EXPECT_EQ(t.substr(kTitle + 1, 60), kSixtyE9);
       }},
      {"title length 255", [](std::string& f) { DamagedSlot(f, kTitle, 255); }, Ending::kCopied,
       abcd, SlotLengths::kAtMost60,
       [&](const std::string& t) {
         EXPECT_EQ(byte(t, kTitle), 60);
         EXPECT_EQ(t.substr(kTitle + 1, 60), kSixtyE9);
       }},
      {"info length 61", [](std::string& f) { SetByte(f, kInfo, 61); }, Ending::kCopied, abcd,
       SlotLengths::kAtMost60, [&](const std::string& t) { EXPECT_EQ(byte(t, kInfo), 60); }},
      {"info length 255", [](std::string& f) { SetByte(f, kInfo, 255); }, Ending::kCopied, abcd,
       SlotLengths::kAtMost60, [&](const std::string& t) { EXPECT_EQ(byte(t, kInfo), 60); }},

      // Geometries that do not fit a record frame are refused at open.
      {"SlotsPerRecord 0",
       [](std::string& f) {
         SetByte(f, kInfo + 32, 0);
         SetByte(f, kInfo + 33, 0);
       },
       Ending::kNoSource,
       {}},
      {"SlotsPerRecord 1",
       [](std::string& f) { SetByte(f, kInfo + 33, 0); },
       Ending::kNoSource,
       {}},
      {"SlotsPerRecord 7",
       [](std::string& f) { SetByte(f, kInfo + 33, 6); },
       Ending::kNoSource,
       {}},
      {"SlotsPerRecord 200 + 58, 2 in 8 bits",
       [](std::string& f) {
         SetByte(f, kInfo + 32, 200);
         SetByte(f, kInfo + 33, 58);
       },
       Ending::kNoSource,
       {}},
      // A short block takes what lies past its length from the template:
      // with InfoLength 32 the stored first group count (1) stays and the
      // stored second one (6, which would be refused) gives way to 1.
      {"InfoLength 32",
       [](std::string& f) {
         SetByte(f, kInfo + 33, 6);
         SetByte(f, kInfo, 32);
       },
       Ending::kCopied, abcd},
      // The probe accepts the stored ANSI signature, then the completed
      // block is the template's, OEM.
      {"InfoLength 0 with the ANSI signature",
       [](std::string& f) {
         SetByte(f, kInfo + 1, 0xDA);
         SetByte(f, kInfo, 0);
       },
       Ending::kCopied, abcd},

      // The walk from LastCard through PrevCard. It copies no more cards
      // than the source has records besides the header (here 5).
      {"PrevCard cycle of length 1",
       [](std::string& f) { SetLink(f, 4, PrevCard, 4); },
       Ending::kListLoop,
       {"d", "d", "d", "d", "d"}},
      {"PrevCard cycle of length 3",
       [](std::string& f) { SetLink(f, 2, PrevCard, 4); },
       Ending::kListLoop,
       {"c", "d", "b", "c", "d"}},
      {"PrevCard past the end",
       [](std::string& f) { SetLink(f, 3, PrevCard, 1000); },
       Ending::kReadPastEnd,
       {"c", "d"}},
      {"PrevCard at the free record",
       [](std::string& f) { SetLink(f, 3, PrevCard, 5); },
       Ending::kCopied,
       {"", "c", "d"}},
      {"LastCard 0 with FirstCard set",
       [](std::string& f) { SetLink(f, 0, LastCard, 0); },
       Ending::kCopied,
       {}},
      {"LastCard past the end",
       [](std::string& f) { SetLink(f, 0, LastCard, 6); },
       Ending::kReadPastEnd,
       {}},
      {"FirstCard past the end, not looked at",
       [](std::string& f) { SetLink(f, 0, FirstCard, 0xFFFFFFFF); }, Ending::kCopied, abcd},

      // Links that the walk does not follow must not matter.
      {"garbage SelfIndex and NextFree",
       [](std::string& f) {
         SetLink(f, 2, SelfIndex, 0xDEADBEEF);
         SetLink(f, 2, NextFree, 77);
         SetLink(f, 3, SelfIndex, 0);
       },
       Ending::kCopied, abcd},
      {"garbage NextCard and FreeHead",
       [](std::string& f) {
         for (uint32_t r = 1; r <= 4; ++r) SetLink(f, r, NextCard, 0xFFFFFFFF - r);
         SetLink(f, 0, FreeHead, 3);  // a card
         SetLink(f, 5, NextFree, 5);  // a free list that loops
       },
       Ending::kCopied, abcd},

      // Partial records are not counted.
      {"a partial last record", [](std::string& f) { f += "partial"; }, Ending::kCopied, abcd},
      {"LastCard in a partial last record",
       [](std::string& f) {
         f += std::string(100, '\x01');
         SetLink(f, 0, LastCard, 6);
       },
       Ending::kReadPastEnd,
       {}},

      // 2,000,000 records, all but a few of them a hole in the file.
      {"2,000,000 records, the chain jumping to the last",
       [](std::string& f) { SetLink(f, 0, LastCard, 1'999'999); },
       Ending::kCopied,
       {"a", "b", "c", "d", "z"},
       SlotLengths::kAtMost60,
       [](const std::string&) {},
       1'999'999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string image = Base();
    c.damage(image);
    WriteFileBytes(Src(), image);
    if (c.far_card != 0) {
      // Card z, whose PrevCard is d, past a hole.
      std::string record(kRecord, '\0');
      record[0] = 1;
      record[1] = 'z';
      auto* links = reinterpret_cast<uint8_t*>(record.data()) + kRecord - 16;
      cardfile::EncodeFixed32(links + 4 * SelfIndex, c.far_card);
      cardfile::EncodeFixed32(links + 4 * PrevCard, 4);
      ASSERT_EQ(truncate(Src().c_str(), static_cast<off_t>(uint64_t{c.far_card} * kRecord)), 0);
      std::ofstream out(Src(), std::ios::binary | std::ios::app);
      out.write(record.data(), static_cast<std::streamsize>(record.size()));
      ASSERT_TRUE(out.good());
    }
    std::string target;
    EXPECT_EQ(Run(c.ending, c.lengths, &target), c.texts);
    if (!target.empty()) c.also(target);
  }
}

TEST_F(HostileSources, EveryTruncationOfAValidFile) {
  // Three cards listed 2, 3, 1, so the walk reads records 1, 3 and 2. Cut
  // anywhere, the file is refused, or the short read is reported: at the
  // header, or at the first card whose record is not whole, after copying
  // the cards before it.
  CardFileBuilder builder;
  for (const char* text : {"one", "two", "three"}) builder.Card({text});
  builder.ListOrder({2, 3, 1});
  const std::string image = builder.Build();
  for (size_t size = 0; size <= image.size(); ++size) {
    SCOPED_TRACE(size);
    WriteFileBytes(Src(), image.substr(0, size));
    Ending ending = Ending::kCopied;
    std::vector<std::string> texts;
    if (size < cardfile::ProbeSize) {
      ending = Ending::kNoSource;
    } else if (size < kRecord) {
      ending = Ending::kShortHeader;
    } else {
      for (uint32_t n = GetLink(image, 0, LastCard); n != 0; n = GetLink(image, n, PrevCard)) {
        if ((n + 1) * kRecord > size) {
          ending = Ending::kReadPastEnd;
          break;
        }
        texts.insert(texts.begin(),
                     image.substr(n * kRecord + 1, static_cast<uint8_t>(image[n * kRecord])));
      }
    }
    std::string target;
    EXPECT_EQ(Run(ending, SlotLengths::kAtMost60, &target), texts);
  }
}

}  // namespace
