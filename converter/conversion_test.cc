// The program end to end: the real binary, its exact output and its files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cardfile/format.h"
#include "runtime/codepage.h"
#include "testing/card_fixture.h"
#include "testing/program_output.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::kAnsiSource;
using testing_support::kNoSource;
using testing_support::kNoTarget;
using testing_support::kUsage;
using testing_support::MaskLocation;
using testing_support::PathExists;
using testing_support::ReadBack;
using testing_support::ReadCardFile;
using testing_support::ReadFileBytes;
using testing_support::Report;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::SetByte;
using testing_support::SetLink;
using testing_support::Summary;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::string Translate(std::string text) {
  rt::OemToCharBuffA(text.data(), text.data(), static_cast<uint32_t>(text.size()));
  return text;
}

class Conversion : public ::testing::Test {
 protected:
  std::string Src() const { return dir_.File("src.orn"); }
  std::string Dst() const { return dir_.File("dst.orn"); }

  // Runs with a source image and checks what every run must: nothing on
  // standard error, an ordinary exit, the source unchanged.
  RunResult Run(const std::string& source, std::vector<std::string> args = {}) {
    WriteFileBytes(Src(), source);
    if (args.empty()) args = {Src(), "/v", Dst()};
    RunResult result = RunProgram(args);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.signal, 0);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(ReadFileBytes(Src()), source);
    return result;
  }

  // The target read back, checked to be a valid card file.
  ReadBack Target() {
    std::string error;
    ReadBack file = ReadCardFile(ReadFileBytes(Dst()), &error);
    EXPECT_EQ(error, "");
    return file;
  }

  TempDir dir_;
};

TEST_F(Conversion, UsageForBadArguments) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"a"},
      {"a", "/v"},
      {"a", "/V", "b"},
      {"a", "-v", "b"},
      {"a", "/v ", "b"},
      {"a", "v", "b"},
      {"a", "/vv", "b"},
      {"a", "", "b"},
  };
  for (const auto& args : cases) {
    RunResult r = RunProgram(args);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Conversion, SourcesThatAreNoCardFile) {
  std::string valid = CardFileBuilder().Build();
  std::vector<std::string> images;
  images.push_back("");
  images.push_back(valid.substr(0, 121));
  std::string image = valid;
  SetByte(image, 62, 0x56);  // no signature
  images.push_back(image);
  image = valid;
  SetByte(image, 64, 9);  // Version 9
  images.push_back(image);
  image = valid;
  SetByte(image, 66, 'a');  // FileKind no capital letter
  images.push_back(image);
  image = valid;
  SetByte(image, 94, 6);  // 7 slots do not fit a record frame
  images.push_back(image);
  for (const std::string& source : images) {
    RunResult r = Run(source);
    EXPECT_EQ(r.out, kNoSource);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_FALSE(PathExists(Dst()));
  }
  RunResult r = RunProgram({dir_.File("missing"), "/v", Dst()});
  EXPECT_EQ(r.out, kNoSource);
  r = RunProgram({dir_.path(), "/v", Dst()});
  EXPECT_EQ(r.out, kNoSource);
  EXPECT_FALSE(PathExists(Dst()));
}

TEST_F(Conversion, AnsiSourceIsRefusedAndNoTargetTouched) {
  std::string source = CardFileBuilder().Ansi().Build();
  RunResult r = Run(source);
  EXPECT_EQ(r.out, kAnsiSource);
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_FALSE(PathExists(Dst()));
  WriteFileBytes(Dst(), "keep me");
  r = Run(source, {Src(), "/v", Dst(), "/y"});
  EXPECT_EQ(r.out, kAnsiSource);
  EXPECT_EQ(ReadFileBytes(Dst()), "keep me");
}

TEST_F(Conversion, HeaderShorterThanOneRecordIsReported) {
  std::string source = CardFileBuilder().Build().substr(0, 130);
  RunResult r = Run(source);
  EXPECT_EQ(MaskLocation(r.out), Report("EInOutError", "Lecture au del\xE0 de la fin de fichier"));
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_FALSE(PathExists(Dst()));
}

TEST_F(Conversion, TheLocationIsTheSameOnEveryRun) {
  std::string source = CardFileBuilder().Build().substr(0, 130);
  std::string first = Run(source).out;
  EXPECT_EQ(Run(source).out, first);
  EXPECT_NE(first.find(" \xE0 "), std::string::npos);
  std::string digits = first.substr(first.find(" \xE0 ") + 3, 8);
  EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digits;
}

TEST_F(Conversion, CopiesEveryCardInListOrderTranslated) {
  CardFileBuilder builder(2, 3);
  builder.Title(
      "Recettes \x82t\x82 \x85 la fran\x87"
      "aise");
  builder.Card(
      {"Cr\x88me br\x96l\x82"
       "e",
       "", "sucre", "", "\x9B"});                                   // 1
  builder.Free();                                                   // 2
  builder.Card({"\xC9\xCD\xBB \xE0\xE1\xE2", "\xB0\xB1\xB2\xDB"});  // 3
  builder.Card({"Soupe \x85 l'oignon"});                            // 4
  builder.Free();                                                   // 5
  builder.Card({std::string(60, '\x8A'), "x", "y", "z", "w"});      // 6
  builder.ListOrder({4, 1, 6, 3}).FreeList({5, 2});
  std::string source = builder.Build();
  RunResult r = Run(source);
  EXPECT_EQ(r.out, Summary(4, Dst()));
  EXPECT_EQ(r.exit_status, 0);

  std::string error;
  ReadBack in = ReadCardFile(source, &error);
  ASSERT_EQ(error, "");
  ReadBack out = Target();
  EXPECT_EQ(out.title, Translate(in.title));
  ASSERT_EQ(out.cards.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(out.cards[i].record, 4 - i);  // record numbers run the other way
    ASSERT_EQ(out.cards[i].slots.size(), 5u);
    for (size_t s = 0; s < 5; ++s)
      EXPECT_EQ(out.cards[i].slots[s], Translate(in.cards[i].slots[s]));
  }
  EXPECT_EQ(out.free_head, 0u);  // free records are not copied
  EXPECT_EQ(out.records, 5u);
  std::string expected_info = in.info;
  expected_info[1] = '\xDA';
  expected_info[22] = '\xE4';  // 1252
  expected_info[23] = '\x04';
  EXPECT_EQ(out.info, expected_info);
}

TEST_F(Conversion, EmptyAndOneCardSources) {
  RunResult r = Run(CardFileBuilder().Build());
  EXPECT_EQ(r.out, Summary(0, Dst()));
  EXPECT_EQ(ReadFileBytes(Dst()).size(), 138u);
  CardFileBuilder one;
  one.Card({"only"});
  r = Run(one.Build(), {Src(), "/v", Dst(), "/y"});
  EXPECT_EQ(r.out, Summary(1, Dst()));
  EXPECT_EQ(Target().cards.size(), 1u);
}

TEST_F(Conversion, EveryGeometry) {
  const std::pair<uint8_t, uint8_t> geometries[] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 3},
                                                    {1, 5}, {5, 1}, {2, 4}, {3, 2}};
  for (auto [a, b] : geometries) {
    SCOPED_TRACE(std::to_string(a) + "+" + std::to_string(b));
    CardFileBuilder builder(a, b);
    std::vector<std::string> texts;
    for (int i = 0; i < a + b; ++i)
      texts.push_back(std::string(1, static_cast<char>(0x80 + i)) + "s");
    builder.Card(texts);
    builder.Card({"second"});
    std::string source = builder.Build();
    RunResult r = Run(source, {Src(), "/v", Dst(), "/y"});
    EXPECT_EQ(r.out, Summary(2, Dst()));
    ReadBack out = Target();
    ASSERT_EQ(out.cards.size(), 2u);
    for (int i = 0; i < a + b; ++i) EXPECT_EQ(out.cards[0].slots[i], Translate(texts[i]));
    EXPECT_EQ(ReadFileBytes(Dst()).size(), 3u * (61 * (a + b) + 16));
  }
}

TEST_F(Conversion, AllByteValuesAndGarbageAfterTexts) {
  CardFileBuilder builder(3, 3);
  std::vector<std::string> slots;
  for (int s = 0; s < 5; ++s) {
    std::string text;
    for (int i = 0; i < 60 && s * 60 + i < 256; ++i) text += static_cast<char>(s * 60 + i);
    slots.push_back(text);
  }
  builder.Card(slots);
  builder.Card({"ab"});
  std::string source = builder.Build();
  const size_t size = 61 * 6 + 16;
  SetByte(source, 2 * size + 10, 0xEE);      // after "ab" in the second card
  SetByte(source, 2 * size + 61 + 5, 0xEE);  // in an empty slot
  RunResult r = Run(source);
  EXPECT_EQ(r.out, Summary(2, Dst()));
  ReadBack out = Target();  // checks that every slot tail is zero
  ASSERT_EQ(out.cards.size(), 2u);
  for (int s = 0; s < 5; ++s) EXPECT_EQ(out.cards[0].slots[s], Translate(slots[s]));
}

TEST_F(Conversion, InfoBlockLengths) {
  const struct {
    uint8_t stored, target;
  } cases[] = {{0, 56}, {4, 56}, {50, 56}, {56, 56}, {57, 57}, {60, 60}, {61, 60}, {255, 60}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.stored});
    std::string source = CardFileBuilder().Build();
    SetByte(source, 61, c.stored);
    for (size_t k = 57; k <= 60; ++k) SetByte(source, 61 + k, 0x30 + static_cast<uint8_t>(k));
    RunResult r = Run(source, {Src(), "/v", Dst(), "/y"});
    EXPECT_EQ(r.out, Summary(0, Dst()));
    std::string target = ReadFileBytes(Dst());
    EXPECT_EQ(static_cast<uint8_t>(target[61]), c.target);
    EXPECT_EQ(static_cast<uint8_t>(target[62]), 0xDA);
    EXPECT_EQ(static_cast<uint8_t>(target[83]), 0xE4);
    for (size_t k = 57; k <= 60; ++k) {
      EXPECT_EQ(static_cast<uint8_t>(target[61 + k]), k <= c.target ? 0x30 + k : 0) << k;
    }
  }
}

TEST_F(Conversion, TitleOfSixtyCharactersAndTargetNameAsGiven) {
  CardFileBuilder builder;
  builder.Title(std::string(59, '\x82') + "Z");
  std::string source = builder.Build();
  WriteFileBytes(Src(), source);
  testing_support::RunOptions options;
  options.working_directory = dir_.path();
  RunResult r = RunProgram({"src.orn", "/v", "./dst.orn"}, options);
  EXPECT_EQ(r.out, Summary(0, "./dst.orn"));
  EXPECT_EQ(Target().title, std::string(59, '\xE9') + "Z");
}

TEST_F(Conversion, NamesWithBlanksArriveWhole) {
  // Where the command line is one string, the program cuts it itself.
  WriteFileBytes(dir_.File("my src.orn"), CardFileBuilder().Build());
  std::string target = dir_.File("my  dst.orn");
  RunResult r = RunProgram({dir_.File("my src.orn"), "/v", target});
  EXPECT_EQ(r.out, Summary(0, target));
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_TRUE(PathExists(target));
}

TEST_F(Conversion, TargetThatCannotBeCreated) {
  std::string source = CardFileBuilder().Build();
  for (const std::string& target : {dir_.File("missing/dst.orn"), dir_.path()}) {
    RunResult r = Run(source, {Src(), "/v", target});
    EXPECT_EQ(r.out, kNoTarget);
    EXPECT_EQ(r.exit_status, 0);
  }
  // The same file as source and target: it is held open for reading.
  ASSERT_EQ(link(Src().c_str(), dir_.File("hard").c_str()), 0);
  ASSERT_EQ(symlink(Src().c_str(), dir_.File("soft").c_str()), 0);
  for (const std::string& target : {Src(), dir_.File("hard"), dir_.File("soft")}) {
    RunResult r = Run(source, {Src(), "/v", target, "/y"});
    EXPECT_EQ(r.out, kNoTarget);
  }
}

TEST_F(Conversion, DamagedChainStopsWithAValidTarget) {
  CardFileBuilder builder;
  for (const char* text : {"a", "b", "c", "d"}) builder.Card({text});
  std::string source = builder.Build();
  SetLink(source, 2, cardfile::PrevCard, 99);  // past the end, after d and c and b
  RunResult r = Run(source);
  EXPECT_EQ(MaskLocation(r.out), Report("EInOutError", "Lecture au del\xE0 de la fin de fichier"));
  EXPECT_EQ(r.exit_status, 1);
  ReadBack out = Target();
  EXPECT_EQ(Texts(out), (std::vector<std::vector<std::string>>{{"b", ""}, {"c", ""}, {"d", ""}}));
}

TEST_F(Conversion, ChainCycleIsReportedNotFollowedForever) {
  // Cycles of length 1, 2 and 3 at the end of the list walked backwards.
  for (uint32_t record : {4u, 3u, 2u}) {
    SCOPED_TRACE(record);
    CardFileBuilder builder;
    for (const char* text : {"a", "b", "c", "d"}) builder.Card({text});
    std::string source = builder.Build();
    SetLink(source, record, cardfile::PrevCard, 4);
    RunResult r = Run(source, {Src(), "/v", Dst(), "/y"});
    EXPECT_EQ(MaskLocation(r.out), Report("ECardListError",
                                          "Liste de fiches boucl\xE9"
                                          "e"));
    EXPECT_EQ(r.exit_status, 1);
    ReadBack out = Target();
    EXPECT_EQ(out.cards.size(), 4u);  // no more cards than the source has records
  }
}

}  // namespace
