// The sample card files of examples/ and the generator that makes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "examples/description.h"
#include "testing/card_fixture.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::ReadFileBytes;
using testing_support::RunResult;
using testing_support::TempDir;

const std::string kExamples = ORN2ANSI_SOURCE_DIR "/examples/";

const struct {
  const char* name;
  int cards;
} kSamples[] = {{"recettes", 6}, {"symboles", 7}};

// The checked-in files are exactly what scripts/make-examples makes of the
// descriptions: the generator's output, and the converter's result of it.
TEST(Examples, EachSampleIsWhatItsDescriptionGives) {
  TempDir dir;
  for (const auto& sample : kSamples) {
    SCOPED_TRACE(sample.name);
    const std::string made = dir.File(std::string(sample.name) + ".orn");
    RunResult r = testing_support::RunCommand(
        {MAKE_CARD_FILE_BINARY, kExamples + sample.name + ".txt", made});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(ReadFileBytes(made), ReadFileBytes(kExamples + sample.name + ".orn"));
  }
}

TEST(Examples, EachAnsiResultIsWhatTheConverterMakes) {
  TempDir dir;
  for (const auto& sample : kSamples) {
    SCOPED_TRACE(sample.name);
    const std::string target = dir.File("target.orn");
    RunResult r =
        testing_support::RunProgram({kExamples + sample.name + ".orn", "/v", target, "/y"});
    EXPECT_EQ(r.out, std::to_string(sample.cards) + " cards copied to \"" + target + "\".\r\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(kExamples + sample.name + ".ansi.orn"));
  }
}

// The recipe sample shows what real card files have and the simplest do
// not: accents, uneven groups, a list order of its own, free records.
TEST(Examples, TheRecipeSampleLooksLikeTheRealThing) {
  std::string error;
  auto file = testing_support::ReadCardFile(ReadFileBytes(kExamples + "recettes.orn"), &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(file.title,
            "Recettes de grand-m\x8Ar"
            "e");
  EXPECT_EQ(file.info[32], 2);
  EXPECT_EQ(file.info[33], 3);
  std::vector<uint32_t> order;
  for (const auto& card : file.cards) order.push_back(card.record);
  EXPECT_EQ(order, (std::vector<uint32_t>{3, 4, 5, 8, 1, 7}));
  EXPECT_EQ(file.free_head, 6u);
  EXPECT_EQ(file.records, 9u);  // the header, 6 cards and 2 free records
}

TEST(Description, StatementsAndWhatTheyLeaveOut) {
  const std::string description =
      "# A comment, then a blank line\n"
      "\n"
      "title  \xC3\x89t\xC3\xA9  \r\n"  // Été, a CR LF line end
      "groups 1 2\n"
      "card  a | b |c\n"
      "card x\n"
      "card\n"
      "free\n"
      "card | | z\n";
  CardFileBuilder expected(1, 2);
  expected.Title("\x90t\x82");
  expected.Card({"a", "b", "c"});
  expected.Card({"x"});
  expected.Card({""});
  expected.Free();
  expected.Card({"", "", "z"});
  std::string image, error;
  ASSERT_TRUE(examples::BuildCardFile(description, &image, &error)) << error;
  EXPECT_EQ(image, expected.Build());

  ASSERT_TRUE(examples::BuildCardFile(
      "card a\ncard b\nfree\ncard c\nfree\nlist 4 1 2\nfree-list 5 3\n", &image, &error));
  CardFileBuilder ordered;
  for (const char* text : {"a", "b"}) ordered.Card({text});
  ordered.Free();
  ordered.Card({"c"});
  ordered.Free();
  ordered.ListOrder({4, 1, 2}).FreeList({5, 3});
  EXPECT_EQ(image, ordered.Build());
}

TEST(Description, MistakesNameTheirLine) {
  const struct {
    std::string description, error;
  } cases[] = {
      {"titel x", "line 1: unknown statement 'titel'"},
      {"# c\ncard \xC5\x93uf", "line 2: \xC5\x93 (U+0153) is not in code page 437"},
      {"card \xFF", "line 1: the text is not UTF-8"},
      {"card " + std::string(61, 'a'), "line 1: a text of 61 characters: at most 60 fit a slot"},
      {"title " + std::string(61, 'a'), "line 1: a text of 61 characters: at most 60 fit a slot"},
      {"card a | b | c", "line 1: 3 texts for 2 slots"},
      {"groups 3 4", "line 1: groups takes two numbers from 1 up, 6 slots in all at most"},
      {"groups 0 2", "line 1: groups takes two numbers from 1 up, 6 slots in all at most"},
      {"groups 2", "line 1: groups takes two numbers from 1 up, 6 slots in all at most"},
      {"groups 4294967295 3", "line 1: '4294967295' is not a number"},
      {"card a\ngroups 1 2", "line 2: groups must come before the first record"},
      {"free x", "line 1: free takes nothing after it"},
      {"card a\nlist 1 x", "line 2: 'x' is not a number"},
      {"card a\nlist -1", "line 2: '-1' is not a number"},
      {"card a\nfree\nlist 2", "line 3: record 2 is not a card"},
      {"card a\nlist 0", "line 2: record 0 is not a card"},
      {"card a\nlist 9", "line 2: record 9 is not a card"},
      {"card a\ncard b\nlist 1", "line 3: card 2 is missing"},
      {"card a\nlist 1 1", "line 2: record 1 twice"},
      {"free\nfree-list 1 1", "line 2: record 1 twice"},
      {"free\nfree-list", "line 2: free record 1 is missing"},
      {"card a\nfree-list 1", "line 2: record 1 is not a free record"},
  };
  for (const auto& c : cases) {
    std::string image, error;
    EXPECT_FALSE(examples::BuildCardFile(c.description, &image, &error)) << c.description;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
