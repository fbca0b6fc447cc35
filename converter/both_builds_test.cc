// This build and another one, named by ORN2ANSI_COMMAND (the Windows build
// under Wine, for example), convert the same sources to the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cardfile/format.h"
#include "testing/card_fixture.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RunResult;
using testing_support::SetByte;
using testing_support::SetLink;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

struct Source {
  std::string name;
  std::string image;
};

std::vector<Source> Sources() {
  std::vector<Source> sources;

  // Every byte value, in a title and in the slots of the widest record.
  CardFileBuilder all_bytes(3, 3);
  std::string title;
  for (int c = 0x80; c < 0x80 + 60; ++c) title += static_cast<char>(c);
  all_bytes.Title(title);
  std::vector<std::string> slots(6);
  for (int c = 0; c < 256; ++c) slots[c / 60] += static_cast<char>(c);
  all_bytes.Card(slots);
  all_bytes.Card({std::string(60, '\xDB'), "", "", "", "", std::string(60, '\x82')});
  sources.push_back({"all bytes", all_bytes.Build()});

  // Cards out of record order, with free records between them.
  CardFileBuilder shuffled(2, 1);
  shuffled.Title("Recettes \x82t\x82");
  uint32_t a = shuffled.Card({"Cr\x88me br\x96l\x82", "", "\x9B"});
  uint32_t f1 = shuffled.Free();
  uint32_t b = shuffled.Card({"\xC9\xCD\xBB \xE0\xE1\xE2", "\xB0\xB1\xB2\xDB"});
  uint32_t f2 = shuffled.Free();
  uint32_t c = shuffled.Card({"Soupe \x85 l'oignon"});
  shuffled.ListOrder({c, a, b}).FreeList({f2, f1});
  sources.push_back({"list order and free records", shuffled.Build()});

  // Stored info blocks shorter and longer than the current one.
  for (uint8_t length : {uint8_t{4}, uint8_t{61}}) {
    std::string image = CardFileBuilder(1, 2).Build();
    SetByte(image, 61, length);
    for (size_t k = 57; k <= 60; ++k) SetByte(image, 61 + k, static_cast<uint8_t>(0x80 + k));
    sources.push_back({"info length " + std::to_string(length), image});
  }

  // A chain that leaves the file: the report, and the target up to there.
  CardFileBuilder damaged;
  for (const char* text : {"\x80", "\x81", "\x82", "\x83"}) damaged.Card({text});
  std::string image = damaged.Build();
  SetLink(image, 2, cardfile::PrevCard, 99);
  sources.push_back({"damaged chain", image});
  return sources;
}

class BothBuilds : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing_support::ProgramCommand() ==
        std::vector<std::string>{testing_support::BuiltProgram()}) {
      GTEST_SKIP() << "ORN2ANSI_COMMAND names no other build to compare with";
    }
  }

  struct Outcome {
    RunResult run;
    std::string target;  // empty when none was made
  };

  Outcome Convert(std::vector<std::string> command, const std::string& image) {
    WriteFileBytes(dir_.File("src.orn"), image);
    std::remove(dir_.File("dst.orn").c_str());
    command.insert(command.end(), {dir_.File("src.orn"), "/v", dir_.File("dst.orn")});
    Outcome outcome;
    outcome.run = testing_support::RunCommand(std::move(command));
    if (PathExists(dir_.File("dst.orn"))) outcome.target = ReadFileBytes(dir_.File("dst.orn"));
    return outcome;
  }

  TempDir dir_;
};

TEST_F(BothBuilds, ConvertTheSameSourcesToTheSameBytes) {
  for (const Source& source : Sources()) {
    SCOPED_TRACE(source.name);
    Outcome built = Convert({testing_support::BuiltProgram()}, source.image);
    Outcome other = Convert(testing_support::ProgramCommand(), source.image);
    EXPECT_EQ(other.run.exit_status, built.run.exit_status);
    EXPECT_EQ(other.run.err, built.run.err);
    EXPECT_FALSE(other.target.empty());
    EXPECT_TRUE(other.target == built.target) << "the targets differ";
    // An error report names each build's own module and code location.
    if (built.run.exit_status == 0) {
      EXPECT_EQ(other.run.out, built.run.out);
    }
  }
}

}  // namespace
