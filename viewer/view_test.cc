// ornview end to end: the real binary, its exact output, and its check of
// damaged files and of converted ones.
#include "viewer/view.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "cardfile/charset.h"
#include "cardfile/format.h"
#include "testing/card_fixture.h"
#include "testing/damaged_files.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::SetByte;
using testing_support::SetLink;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

const std::string kExamples = ORN2ANSI_SOURCE_DIR "/examples/";
const std::string kUsage = "Usage: ornview [--check] FILE\n";

// Runs ornview and checks what every run must: an ordinary end within
// the time allowed.
RunResult View(std::vector<std::string> args, const RunOptions& options = {}) {
  args.insert(args.begin(), ORNVIEW_BINARY);
  RunResult result = RunCommand(args, options);
  EXPECT_EQ(result.signal, 0);
  EXPECT_FALSE(result.timed_out);
  return result;
}

TEST(View, ListsTheSamplesExactly) {
  const struct {
    const char* file;
    std::string listing;
  } cases[] = {
      {"recettes.orn",
       "Title         \"Recettes de grand-mère\"\n"
       "Signature     OEM (55 51)\n"
       "Code page     437\n"
       "Version       1, revision 1\n"
       "Kind          Q\n"
       "Info length   56\n"
       "Geometry      2 + 3 slots, records of 321 bytes\n"
       "Records       9\n"
       "Header words  word0 0, FreeHead 6, FirstCard 3, LastCard 7\n"
       "Cards in list order (record: first group | second group)\n"
       "     3: \"Soupe à l'oignon\" \"Entrée\" | \"oignons, beurre, bouillon, pain, gruyère "
       "râpé\" \"1 h\" \"Gratiner au four à 220 °C\"\n"
       "     4: \"Boeuf bourguignon\" \"Plat\" | \"boeuf, vin de Bourgogne, lardons, carottes, "
       "champignons\" \"3 h\" \"Meilleur réchauffé le lendemain\"\n"
       "     5: \"Épinards à la crème\" \"Légumes\" | \"épinards, crème, beurre, muscade\" \"20 "
       "min\" \"\"\n"
       "     8: \"Ratatouille niçoise\" \"Légumes\" | \"courgettes, aubergines, poivrons, "
       "tomates\" \"2 h\" \"Se garde trois jours au frais\"\n"
       "     1: \"Crème brûlée\" \"Dessert\" | \"lait, crème, jaunes d'oeufs, sucre, vanille\" "
       "\"1 h 15\" \"Caraméliser au chalumeau juste avant de servir\"\n"
       "     7: \"Tarte Tatin\" \"Dessert\" | \"pommes, beurre, sucre, pâte brisée\" \"1 h 30\" "
       "\"Démouler tiède sur un plat chaud\"\n"
       "Free list     6 2\n"
       "Totals        6 cards, 2 free records\n"},
      // The same texts in code page 1252; the cards now lie in the records
      // from last to first, and no record is free.
      {"recettes.ansi.orn",
       "Title         \"Recettes de grand-mère\"\n"
       "Signature     ANSI (DA 51)\n"
       "Code page     1252\n"
       "Version       1, revision 1\n"
       "Kind          Q\n"
       "Info length   56\n"
       "Geometry      2 + 3 slots, records of 321 bytes\n"
       "Records       7\n"
       "Header words  word0 0, FreeHead 0, FirstCard 6, LastCard 1\n"
       "Cards in list order (record: first group | second group)\n"
       "     6: \"Soupe à l'oignon\" \"Entrée\" | \"oignons, beurre, bouillon, pain, gruyère "
       "râpé\" \"1 h\" \"Gratiner au four à 220 °C\"\n"
       "     5: \"Boeuf bourguignon\" \"Plat\" | \"boeuf, vin de Bourgogne, lardons, carottes, "
       "champignons\" \"3 h\" \"Meilleur réchauffé le lendemain\"\n"
       "     4: \"Épinards à la crème\" \"Légumes\" | \"épinards, crème, beurre, muscade\" \"20 "
       "min\" \"\"\n"
       "     3: \"Ratatouille niçoise\" \"Légumes\" | \"courgettes, aubergines, poivrons, "
       "tomates\" \"2 h\" \"Se garde trois jours au frais\"\n"
       "     2: \"Crème brûlée\" \"Dessert\" | \"lait, crème, jaunes d'oeufs, sucre, vanille\" "
       "\"1 h 15\" \"Caraméliser au chalumeau juste avant de servir\"\n"
       "     1: \"Tarte Tatin\" \"Dessert\" | \"pommes, beurre, sucre, pâte brisée\" \"1 h 30\" "
       "\"Démouler tiède sur un plat chaud\"\n"
       "Free list     none\n"
       "Totals        6 cards, 0 free records\n"},
      {"symboles.orn",
       "Title         \"═══ Aide-m\u00e9moire ═══\"\n"
       "Signature     OEM (55 51)\n"
       "Code page     437\n"
       "Version       1, revision 1\n"
       "Kind          Q\n"
       "Info length   56\n"
       "Geometry      1 + 2 slots, records of 199 bytes\n"
       "Records       8\n"
       "Header words  word0 0, FreeHead 0, FirstCard 1, LastCard 7\n"
       "Cards in list order (record: first group | second group)\n"
       "     1: \"Cadre simple\" | \"┌──┬──┐ │  │  │ ├──┼──┤ └──┴──┘\" \"coins, bords et croix\"\n"
       "     2: \"Cadre double\" | \"╔══╦══╗ ║  ║  ║ ╠══╬══╣ ╚══╩══╝\" \"traits doubles\"\n"
       "     3: \"Trames et blocs\" | \"░░ ▒▒ ▓▓ ██ ▀▀ ▄▄ ▌▐ ■\" \"\"\n"
       "     4: \"Lettres grecques\" | \"α ß Γ π Σ σ µ τ Φ Θ Ω δ φ ε\" \"µ et ß existent en "
       "1252\"\n"
       "     5: \"Signes mathématiques\" | \"∞ ∩ ≡ ± ≥ ≤ ⌠ ⌡ ÷ ≈ ° ∙ · √ ⁿ ²\" \"± ÷ ° · ² "
       "restent exacts\"\n"
       "     6: \"Formules\" | \"A = π·r²   x ≤ √y   Σ ≈ ∞\" \"aire du cercle, inégalité\"\n"
       "     7: \"Monnaies\" | \"¢ £ ¥ ₧ ƒ\" \"la peseta ₧ devient P\"\n"
       "Free list     none\n"
       "Totals        7 cards, 0 free records\n"},
      // Best fit: frames become + - and the broken bar, Greek letters Latin
      // ones, comparisons =; the characters 1252 has stay as they were.
      {"symboles.ansi.orn",
       "Title         \"--- Aide-m\u00e9moire ---\"\n"
       "Signature     ANSI (DA 51)\n"
       "Code page     1252\n"
       "Version       1, revision 1\n"
       "Kind          Q\n"
       "Info length   56\n"
       "Geometry      1 + 2 slots, records of 199 bytes\n"
       "Records       8\n"
       "Header words  word0 0, FreeHead 0, FirstCard 7, LastCard 1\n"
       "Cards in list order (record: first group | second group)\n"
       "     7: \"Cadre simple\" | \"+-----+ ¦  ¦  ¦ +--+--¦ +-----+\" \"coins, bords et croix\"\n"
       "     6: \"Cadre double\" | \"+-----+ ¦  ¦  ¦ ¦--+--¦ +-----+\" \"traits doubles\"\n"
       "     5: \"Trames et blocs\" | \"¦¦ ¦¦ ¦¦ ¦¦ ¯¯ __ ¦¦ ¦\" \"\"\n"
       "     4: \"Lettres grecques\" | \"a ß G p S s µ t F T O d f e\" \"µ et ß existent en "
       "1252\"\n"
       "     3: \"Signes mathématiques\" | \"8 n = ± = = ( ) ÷ ˜ ° · · v n ²\" \"± ÷ ° · ² "
       "restent exacts\"\n"
       "     2: \"Formules\" | \"A = p·r²   x = vy   S ˜ 8\" \"aire du cercle, inégalité\"\n"
       "     1: \"Monnaies\" | \"¢ £ ¥ P ƒ\" \"la peseta P devient P\"\n"
       "Free list     none\n"
       "Totals        7 cards, 0 free records\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RunResult r = View({kExamples + c.file});
    EXPECT_EQ(r.out, c.listing);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
  }
}

TEST(View, ChecksTheSamples) {
  const struct {
    const char* file;
    const char* totals;
  } cases[] = {
      {"recettes.orn", "6 cards, 2 free records"},
      {"recettes.ansi.orn", "6 cards, 0 free records"},
      {"symboles.orn", "7 cards, 0 free records"},
      {"symboles.ansi.orn", "7 cards, 0 free records"},
  };
  for (const auto& c : cases) {
    const std::string path = kExamples + c.file;
    RunResult r = View({"--check", path});
    EXPECT_EQ(r.out, path + ": valid card file, " + c.totals + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
  }
}

// Every damaged file gets one clear line naming the broken rule, in both
// modes, and stays as it was.
TEST(View, NamesTheBrokenRuleOfEveryDamagedFile) {
  TempDir dir;
  const std::string path = dir.File("damaged.orn");
  for (const auto& damaged : testing_support::DamagedFiles()) {
    SCOPED_TRACE(damaged.name);
    WriteFileBytes(path, damaged.image);
    for (bool check : {true, false}) {
      RunResult r = check ? View({"--check", path}) : View({path});
      EXPECT_EQ(r.err, "ornview: " + path + ": " + damaged.problem + "\n");
      EXPECT_EQ(r.exit_status, 1);
      // The listing, when there is one, comes first and is whole.
      if (check) {
        EXPECT_EQ(r.out, "");
      } else if (!r.out.empty()) {
        EXPECT_EQ(r.out.rfind("Title ", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("\nTotals "), std::string::npos) << r.out;
      }
    }
    EXPECT_EQ(ReadFileBytes(path), damaged.image);
  }
}

TEST(View, ListsADamagedFileAsFarAsItCanGo) {
  CardFileBuilder builder;
  builder.Title("Loop");
  for (const char* text : {"a", "b", "c"}) builder.Card({text});
  std::string image = builder.Build();
  SetLink(image, 2, cardfile::NextCard, 1);  // 1, 2, then back to 1
  TempDir dir;
  WriteFileBytes(dir.File("f"), image);
  RunResult r = View({dir.File("f")});
  EXPECT_EQ(r.out,
            "Title         \"Loop\"\n"
            "Signature     OEM (55 51)\n"
            "Code page     437\n"
            "Version       1, revision 1\n"
            "Kind          Q\n"
            "Info length   56\n"
            "Geometry      1 + 1 slots, records of 138 bytes\n"
            "Records       4\n"
            "Header words  word0 0, FreeHead 0, FirstCard 1, LastCard 3\n"
            "Cards in list order (record: first group | second group)\n"
            "     1: \"a\" | \"\"\n"
            "     2: \"b\" | \"\"\n"
            "Free list     none\n"
            "Totals        2 cards, 0 free records\n");
  EXPECT_EQ(r.err, "ornview: " + dir.File("f") +
                       ": card 2: NextCard 1 goes back to a card already in the list\n");
  EXPECT_EQ(r.exit_status, 1);
}

TEST(View, ShowsWhatTheHeaderRecordReallyHolds) {
  CardFileBuilder builder(2, 1);
  builder.Title(std::string(60, 'T'));
  builder.Card({"x\"y\\z", "\x01\x7F", "\xFF"});
  std::string image = builder.Build();
  SetByte(image, 0, 200);            // a title length past the slot
  SetByte(image, 61, 40);            // InfoLength 40: completed from the template
  SetByte(image, 61 + 22, 0x52);     // CodePage 850, kept: it lies inside the 40 bytes
  SetByte(image, 61 + 23, 0x03);     //
  SetByte(image, 61 + 4, 7);         // Revision 7
  SetByte(image, 61 + 5, 'Z');       // FileKind
  SetLink(image, 0, 0, 0xDEADBEEF);  // word 0, which no one reads
  image += std::string(10, '\0');    // part of a record
  TempDir dir;
  WriteFileBytes(dir.File("f"), image);
  RunResult r = View({dir.File("f")});
  EXPECT_EQ(r.out, "Title         \"" + std::string(60, 'T') +
                       "\" (length 200, cut to 60)\n"
                       "Signature     OEM (55 51)\n"
                       "Code page     850 (texts shown in code page 437)\n"
                       "Version       1, revision 7\n"
                       "Kind          Z\n"
                       "Info length   40, completed to 56 from the template\n"
                       "Geometry      2 + 1 slots, records of 199 bytes\n"
                       "Records       2, and a partial record of 10 bytes\n"
                       "Header words  word0 3735928559, FreeHead 0, FirstCard 1, LastCard 1\n"
                       "Cards in list order (record: first group | second group)\n"
                       "     1: \"x\\\"y\\\\z\" \"\\x01\\x7F\" | \"\u00A0\"\n"
                       "Free list     none\n"
                       "Totals        1 card, 0 free records\n");
  EXPECT_EQ(r.err, "ornview: " + dir.File("f") + ": title: length 200 above 60\n");
  EXPECT_EQ(r.exit_status, 1);
}

TEST(View, ShowText) {
  const struct {
    std::string bytes;
    bool ansi;
    std::string shown;
  } cases[] = {
      {"", false, "\"\""},
      {"plain", false, "\"plain\""},
      {"\x82t\x82", false, "\"été\""},
      {"\xE9t\xE9", true, "\"été\""},
      {"\xC9\xCD\xBB", false, "\"╔═╗\""},
      {"\xC9\xCD\xBB", true, "\"ÉÍ»\""},
      {"\x80\x81\x8D\x8F\x90\x9D\x9F", true, "\"€\\x81\\x8D\\x8F\\x90\\x9DŸ\""},
      {"\x80\x81", false, "\"Çü\""},
      {std::string("\0\x1F\x7F", 3), false, "\"\\x00\\x1F\\x7F\""},
      {"\"\\", true, "\"\\\"\\\\\""},
  };
  for (const auto& c : cases) {
    const auto& page = c.ansi ? cardfile::CodePage1252 : cardfile::CodePage437;
    EXPECT_EQ(ornview::ShowText(c.bytes, page), c.shown) << c.shown;
  }
}

TEST(View, CommandLine) {
  TempDir dir;
  const std::string missing = dir.File("missing.orn");
  const std::string sample = kExamples + "symboles.orn";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{}, 2, "", "ornview: no file named\n" + kUsage},
      {{"--check"}, 2, "", "ornview: no file named\n" + kUsage},
      {{sample, sample}, 2, "", "ornview: one file at a time\n" + kUsage},
      {{"--frob", sample}, 2, "", "ornview: unknown option --frob\n" + kUsage},
      {{"-c", sample}, 2, "", "ornview: unknown option -c\n" + kUsage},
      {{"--version"}, 0, "ornview 3.3\n", ""},
      {{missing}, 2, "", "ornview: " + missing + ": cannot be opened for reading\n"},
      {{"--check", "--", missing},
       2,
       "",
       "ornview: " + missing + ": cannot be opened for reading\n"},
      {{sample, "--check"}, 0, sample + ": valid card file, 7 cards, 0 free records\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    RunResult r = View(c.args);
    EXPECT_EQ(r.exit_status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
  // A folder or a FIFO is no card file, and a FIFO must not block the tool.
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  for (const std::string& name : {dir.path(), dir.File("fifo")}) {
    RunResult r = View({name});
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ornview: " + name + ": is not a regular file\n");
  }
  RunResult help = View({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.out.rfind(kUsage, 0), 0u);
  EXPECT_NE(help.out.find("--check"), std::string::npos);
}

TEST(View, AFullStandardOutputIsReported) {
  RunOptions options;
  options.stdout_mode = testing_support::StdoutMode::kDevFull;
  RunResult r = View({kExamples + "recettes.orn"}, options);
  EXPECT_EQ(r.err, "ornview: standard output cannot be written\n");
  EXPECT_EQ(r.exit_status, 2);
}

// Random OEM card files of every geometry, list order and free list, with
// texts of every byte, converted by orn2ansi: each target passes the check
// with all the cards of its source.
TEST(View, EveryConvertedTargetPassesTheCheck) {
  std::mt19937 random(7);  // a fixed seed: the same files on every run
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  TempDir dir;
  const std::string source = dir.File("source.orn"), target = dir.File("target.orn");
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(round);
    const int slots = 2 + below(5);
    const int first_group = 1 + below(slots - 1);
    CardFileBuilder builder(static_cast<uint8_t>(first_group),
                            static_cast<uint8_t>(slots - first_group));
    auto text = [&] {
      std::string t(static_cast<size_t>(below(61)), '\0');
      for (char& c : t) c = static_cast<char>(below(256));
      return t;
    };
    builder.Title(text());
    std::vector<uint32_t> cards, free;
    const int records = below(40);
    for (int i = 0; i < records; ++i) {
      if (below(4) == 0) {
        free.push_back(builder.Free());
      } else {
        std::vector<std::string> texts(static_cast<size_t>(below(slots + 1)));
        for (std::string& t : texts) t = text();
        cards.push_back(builder.Card(texts));
      }
    }
    std::shuffle(cards.begin(), cards.end(), random);
    std::shuffle(free.begin(), free.end(), random);
    builder.ListOrder(cards).FreeList(free);
    WriteFileBytes(source, builder.Build());

    const std::string totals =
        std::to_string(cards.size()) + (cards.size() == 1 ? " card, " : " cards, ");
    RunResult r = View({"--check", source});
    EXPECT_EQ(r.out, source + ": valid card file, " + totals + std::to_string(free.size()) +
                         (free.size() == 1 ? " free record\n" : " free records\n"));
    RunResult converted = testing_support::RunProgram({source, "/v", target, "/y"});
    EXPECT_EQ(converted.exit_status, 0);
    r = View({"--check", target});
    EXPECT_EQ(r.out, target + ": valid card file, " + totals + "0 free records\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
  }
}

}  // namespace
