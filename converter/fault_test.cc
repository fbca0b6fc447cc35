// The built program against real failures underneath it: a file-size limit,
// standard streams that fail, files that are no regular files, files that
// another process holds open, and unusual names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/card_fixture.h"
#include "testing/platform.h"
#include "testing/program_output.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::kNoSource;
using testing_support::kNoTarget;
using testing_support::kQuestion;
using testing_support::MaskLocation;
using testing_support::OtherProcess;
using testing_support::PathExists;
using testing_support::ReadBack;
using testing_support::ReadCardFile;
using testing_support::ReadFileBytes;
using testing_support::ReadPastEnd;
using testing_support::Report;
using testing_support::RunOptions;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::StdinMode;
using testing_support::StdoutMode;
using testing_support::Summary;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr size_t kRecord = 138;  // 1 + 1 slots

// Six cards whose list order differs from their record order.
std::string SixCards() {
  CardFileBuilder builder;
  builder.Title("Fautes");
  for (const char* text : {"un", "deux", "trois", "quatre", "cinq", "six"}) builder.Card({text});
  builder.ListOrder({3, 6, 1, 5, 2, 4});
  return builder.Build();
}

// Their texts in list order. The copy walks them from the last.
const std::vector<std::string> kListTexts = {"trois", "six", "un", "cinq", "deux", "quatre"};

const char* StdoutName(StdoutMode mode) {
  switch (mode) {
    case StdoutMode::kPipe:
      return "pipe";
    case StdoutMode::kDevFull:
      return "/dev/full";
    case StdoutMode::kClosed:
      return "closed";
    case StdoutMode::kBrokenPipe:
      return "broken pipe";
  }
  return "?";
}

class Faults : public ::testing::Test {
 protected:
  std::string Src() const { return dir_.File("src.orn"); }
  std::string Dst() const { return dir_.File("dst.orn"); }

  // Every run: an ordinary end in time, nothing on standard error.
  RunResult Run(const std::vector<std::string>& args, const RunOptions& options = {}) {
    RunResult r = RunProgram(args, options);
    EXPECT_EQ(r.signal, 0);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.err, "");
    return r;
  }

  // The first-slot texts of a valid card file, in list order.
  static std::vector<std::string> ListTexts(const std::string& image) {
    std::string error;
    ReadBack file = ReadCardFile(image, &error);
    EXPECT_EQ(error, "");
    std::vector<std::string> texts;
    for (const auto& card : file.cards) texts.push_back(card.slots[0]);
    return texts;
  }

  TempDir dir_;
};

TEST_F(Faults, FileSizeLimitInTheMiddleOfTheCopy) {
  // The target grows by one record per card, after its header record: with
  // room for k whole cards, card k + 1 is the write that fails. The limit
  // falls on a record boundary or inside the next record.
  const std::string source = SixCards();
  for (size_t cards : {0u, 1u, 3u, 5u}) {
    for (size_t into_next : {size_t{0}, size_t{50}}) {
      const size_t limit = (cards + 1) * kRecord + into_next;
      SCOPED_TRACE("limit " + std::to_string(limit));
      WriteFileBytes(Src(), source);
      std::remove(Dst().c_str());
      RunOptions options;
      options.file_size_limit = static_cast<long>(limit);
      RunResult r = Run({Src(), "/v", Dst()}, options);
      EXPECT_EQ(MaskLocation(r.out), Report("EInOutError", "Erreur E/S 112"));
      EXPECT_EQ(r.exit_status, 1);
      EXPECT_EQ(ReadFileBytes(Src()), source);
      // The whole records hold a valid card file with exactly the cards
      // written before the failure; a partial record after them is part of
      // the failed write and, like any partial record, not counted.
      std::string target = ReadFileBytes(Dst());
      EXPECT_EQ(target.size(), limit);
      target.resize(target.size() / kRecord * kRecord);
      std::vector<std::string> expected(kListTexts.end() - static_cast<long>(cards),
                                        kListTexts.end());
      EXPECT_EQ(ListTexts(target), expected);
    }
  }
  // Room for every card: the copy completes.
  RunOptions options;
  options.file_size_limit = 7 * kRecord;
  RunResult r = Run({Src(), "/v", Dst(), "/y"}, options);
  EXPECT_EQ(r.out, Summary(6, Dst()));
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(ListTexts(ReadFileBytes(Dst())), kListTexts);
  // No room for the header record itself: the report, and no card file.
  for (long limit : {0L, 100L}) {
    std::remove(Dst().c_str());
    options.file_size_limit = limit;
    r = Run({Src(), "/v", Dst()}, options);
    EXPECT_EQ(MaskLocation(r.out), Report("EInOutError", "Erreur E/S 112"));
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(ReadFileBytes(Dst()).size(), static_cast<size_t>(limit));
  }
}

TEST_F(Faults, StandardOutputThatFails) {
  // Output that is no console is written when its 128-byte buffer fills and
  // at the end. A failure at the end is not reported, so a short output
  // that fails still ends with 0; a long one fails while the run is going
  // and ends with 1. Either way the copy itself is complete. The names are
  // relative, so that the lengths of the outputs are known.
  const std::string long_name = std::string(120, 'n') + ".orn";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;   // when standard output fails
    bool copies;  // the target is written in full
  };
  const Case cases[] = {
      {"summary", {"src.orn", "/v", "dst.orn"}, "", 0, true},
      {"summary longer than the buffer", {"src.orn", "/v", long_name}, "", 1, true},
      {"usage text", {"src.orn"}, "", 1, false},
      {"source refused", {"missing", "/v", "dst.orn"}, "", 0, false},
      {"error report", {"short", "/v", "dst.orn"}, "", 1, false},
      {"question answered no", {"src.orn", "/v", "old"}, "n\n", 0, false},
      {"question asked until the buffer fills", {"src.orn", "/v", "old"}, "x\nx\nx\nx\n", 1, false},
      {"question, then the summary", {"src.orn", "/v", "old"}, "y\n", 0, true},
  };
  const std::string source = SixCards();
  for (const Case& c : cases) {
    for (StdoutMode mode : {StdoutMode::kDevFull, StdoutMode::kClosed, StdoutMode::kBrokenPipe}) {
      SCOPED_TRACE(std::string(c.name) + ", standard output " + StdoutName(mode));
      WriteFileBytes(Src(), source);
      WriteFileBytes(dir_.File("short"), source.substr(0, 130));
      WriteFileBytes(dir_.File("old"), "old target");
      std::remove(Dst().c_str());
      std::remove(dir_.File(long_name).c_str());
      RunOptions options;
      options.stdout_mode = mode;
      options.stdin_data = c.input;
      options.working_directory = dir_.path();
      RunResult r = Run(c.args, options);
      EXPECT_EQ(r.exit_status, c.status);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(ReadFileBytes(Src()), source);
      if (c.args.size() < 3) continue;
      const std::string target = dir_.File(c.args[2]);
      if (c.copies) {
        EXPECT_EQ(ListTexts(ReadFileBytes(target)), kListTexts);
      } else if (c.args[2] == "old") {
        EXPECT_EQ(ReadFileBytes(target), "old target");
      } else {
        EXPECT_FALSE(PathExists(target));
      }
    }
  }
}

TEST_F(Faults, StandardInputClosedOrEndedAtTheQuestion) {
  const std::string source = SixCards();
  struct Case {
    const char* name;
    StdinMode stdin_mode;
    std::string input;
    StdoutMode stdout_mode;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"closed", StdinMode::kClosed, "", StdoutMode::kPipe, 1,
       kQuestion + Report("EInOutError", "Erreur E/S 6")},
      {"at its end", StdinMode::kData, "", StdoutMode::kPipe, 0, kQuestion},
      // A line that is no answer and ends the input: asked again, then no
      // answer can follow.
      {"ended inside a line", StdinMode::kData, "x", StdoutMode::kPipe, 0, kQuestion + kQuestion},
      {"closed, and the report cannot be written", StdinMode::kClosed, "", StdoutMode::kClosed, 1,
       ""},
      {"at its end, and the question cannot be written", StdinMode::kData, "", StdoutMode::kDevFull,
       0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(Src(), source);
    WriteFileBytes(Dst(), "old target");
    RunOptions options;
    options.stdin_mode = c.stdin_mode;
    options.stdin_data = c.input;
    options.stdout_mode = c.stdout_mode;
    RunResult r = Run({Src(), "/v", Dst()}, options);
    EXPECT_EQ(r.exit_status, c.status);
    EXPECT_EQ(MaskLocation(r.out), c.out);
    EXPECT_EQ(ReadFileBytes(Dst()), "old target");
    EXPECT_EQ(ReadFileBytes(Src()), source);
  }
}

TEST_F(Faults, FilesThatAreNoRegularFilesOrTooShort) {
  const std::string source = SixCards();
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink(dir_.File("nowhere").c_str(), dir_.File("dangling").c_str()), 0);
  for (size_t size : {0u, 121u, 122u, 137u}) {
    WriteFileBytes(dir_.File(std::to_string(size)), source.substr(0, size));
  }
  struct Case {
    std::string source, target;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {dir_.path(), Dst(), 0, kNoSource},
      {fifo, Dst(), 0, kNoSource},  // opened without waiting for a writer
      {"/dev/null", Dst(), 0, kNoSource},
      {dir_.File("dangling"), Dst(), 0, kNoSource},
      {dir_.File("0"), Dst(), 0, kNoSource},
      {dir_.File("121"), Dst(), 0, kNoSource},
      // Long enough for the probe, too short for the header record.
      {dir_.File("122"), Dst(), 1, ReadPastEnd()},
      {dir_.File("137"), Dst(), 1, ReadPastEnd()},
      {Src(), dir_.File("missing/dst.orn"), 0, kNoTarget},
      {Src(), fifo, 0, kNoTarget},  // exists, so /y; created without waiting for a reader
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + " to " + c.target);
    WriteFileBytes(Src(), source);
    RunOptions options;
    options.timeout_seconds = 20;
    RunResult r = Run({c.source, "/v", c.target, "/y"}, options);
    EXPECT_EQ(r.exit_status, c.status);
    EXPECT_EQ(MaskLocation(r.out), c.out);
    EXPECT_EQ(ReadFileBytes(Src()), source);
    EXPECT_FALSE(PathExists(Dst()));
  }
  struct stat st;
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_FALSE(PathExists(dir_.File("missing")));
}

TEST_F(Faults, FilesThatAnotherProcessHoldsOpen) {
  // Every open lets others read the file but not write it, across processes
  // too: the target cannot be created while anyone holds it, and the source
  // cannot be read while someone holds it for writing.
  const std::string source = SixCards();
  struct Case {
    const char* name;
    bool hold_target;
    uint8_t mode;
    std::string out;
  };
  const Case cases[] = {
      {"target held for writing", true, 2, kNoTarget},
      {"target held for reading", true, 0, kNoTarget},
      {"source held for writing", false, 2, kNoSource},
      {"source held for reading", false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(Src(), source);
    WriteFileBytes(Dst(), "old target");
    OtherProcess held(c.hold_target ? Dst() : Src(), c.mode);
    ASSERT_TRUE(held.opened());
    RunResult r = Run({Src(), "/v", Dst(), "/y"});
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(ReadFileBytes(Src()), source);
    if (c.out.empty()) {
      EXPECT_EQ(r.out, Summary(6, Dst()));
      EXPECT_EQ(ListTexts(ReadFileBytes(Dst())), kListTexts);
    } else {
      EXPECT_EQ(r.out, c.out);
      EXPECT_EQ(ReadFileBytes(Dst()), "old target");
    }
  }
}

TEST_F(Faults, UnusualNames) {
  // Names are taken byte for byte: blanks, bytes 0x80 to 0xFF, a leading
  // dash and long names need nothing special. Run from the scratch folder,
  // so that the names are given as they are.
  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
  const std::string long_name(220, 'L');
  const std::string deep =
      std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c');
  ASSERT_EQ(mkdir(dir_.File(std::string(100, 'a')).c_str(), 0700), 0);
  ASSERT_EQ(mkdir(dir_.File(deep.substr(0, 201)).c_str(), 0700), 0);
  const std::string too_long(300, 'x');  // longer than a folder entry may be
  struct Case {
    std::string source, target;
    std::string out;  // empty for the summary
  };
  const Case cases[] = {
      {"my cards.orn", "the copy .orn", ""},
      {"src " + high, high + " dst", ""},
      {"-src.orn", "-dst.orn", ""},
      {"-", "--", ""},
      {long_name + ".src", long_name + ".dst", ""},
      {"my cards.orn", deep + ".orn", ""},
      {"", "dst.orn", kNoSource},
      {"my cards.orn", "", kNoTarget},
      {too_long, "dst.orn", kNoSource},
      {"my cards.orn", too_long, kNoTarget},
      // The same file under another name: held open for reading, so the
      // target cannot be created over it.
      {"my cards.orn", "link to my cards", kNoTarget},
  };
  const std::string source = SixCards();
  ASSERT_EQ(symlink("my cards.orn", dir_.File("link to my cards").c_str()), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + " to " + c.target);
    if (!c.source.empty() && c.source != too_long) WriteFileBytes(dir_.File(c.source), source);
    RunOptions options;
    options.working_directory = dir_.path();
    RunResult r = Run({c.source, "/v", c.target, "/y"}, options);
    EXPECT_EQ(r.exit_status, 0);
    if (c.source != too_long && !c.source.empty()) {
      EXPECT_EQ(ReadFileBytes(dir_.File(c.source)), source);
    }
    if (c.out.empty()) {
      EXPECT_EQ(r.out, Summary(6, c.target));
      EXPECT_EQ(ListTexts(ReadFileBytes(dir_.File(c.target))), kListTexts);
    } else {
      EXPECT_EQ(r.out, c.out);
    }
  }
}

}  // namespace
