// The overwrite question end to end, answered through standard input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/card_fixture.h"
#include "testing/program_output.h"
#include "testing/run_program.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::CardFileBuilder;
using testing_support::kQuestion;
using testing_support::ReadFileBytes;
using testing_support::RunOptions;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::StdinMode;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

class Overwrite : public ::testing::Test {
 protected:
  void SetUp() override {
    CardFileBuilder builder;
    builder.Card({"\x82t\x82"});
    source_ = builder.Build();
    WriteFileBytes(Src(), source_);
    WriteFileBytes(Dst(), "old target");
  }
  std::string Src() const { return dir_.File("src.orn"); }
  std::string Dst() const { return dir_.File("dst.orn"); }
  std::string Summary() const { return testing_support::Summary(1, Dst()); }

  RunResult Run(const std::vector<std::string>& args, const std::string& input) {
    RunResult r = RunProgram(args, input);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(ReadFileBytes(Src()), source_);
    return r;
  }

  TempDir dir_;
  std::string source_;
};

TEST_F(Overwrite, NoLeavesTheTargetAndOpensNothing) {
  for (const char* answer : {"n\n", "N\n", "no\n", "No thanks\r\n", "ny\n", "n"}) {
    SCOPED_TRACE(answer);
    RunResult r = Run({Src(), "/v", Dst()}, answer);
    EXPECT_EQ(r.out, kQuestion);
    EXPECT_EQ(ReadFileBytes(Dst()), "old target");
  }
  // The question comes before the source is looked at.
  RunResult r = Run({dir_.File("missing"), "/v", Dst()}, "n\n");
  EXPECT_EQ(r.out, kQuestion);
}

TEST_F(Overwrite, YesGoesOn) {
  for (const char* answer : {"y\n", "Y\n", "yes\n", "Yes please\r\n", "yn\n", "y"}) {
    SCOPED_TRACE(answer);
    WriteFileBytes(Dst(), "old target");
    RunResult r = Run({Src(), "/v", Dst()}, answer);
    EXPECT_EQ(r.out, kQuestion + Summary());
    EXPECT_NE(ReadFileBytes(Dst()), "old target");
  }
}

TEST_F(Overwrite, AnythingElseAsksAgainExactly) {
  const struct {
    const char* input;
    int questions;
  } cases[] = {
      {" y\ny\n", 2},       {"\ny\n", 2},     {"\r\ny\n", 2}, {"x\n1\n\xE9\n?\ny\n", 5},
      {"xy\nzy\r\nY\n", 3}, {"\x1A\ny\n", 2},  // a Ctrl-Z byte is no answer; only the end of input
                                               // is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    WriteFileBytes(Dst(), "old target");
    RunResult r = Run({Src(), "/v", Dst()}, c.input);
    std::string expected;
    for (int i = 0; i < c.questions; ++i) expected += kQuestion;
    EXPECT_EQ(r.out, expected + Summary());
  }
}

TEST_F(Overwrite, EndOfInputMeansNo) {
  // Every line that is no answer is asked again; then the end means no.
  const struct {
    const char* input;
    int questions;
  } cases[] = {{"", 1}, {"x\n", 2}, {"x", 2}, {"\n\n", 3}, {"?\r\nz", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    RunResult r = Run({Src(), "/v", Dst()}, c.input);
    std::string expected;
    for (int i = 0; i < c.questions; ++i) expected += kQuestion;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(ReadFileBytes(Dst()), "old target");
  }
}

TEST_F(Overwrite, TheYSwitchSkipsTheQuestion) {
  const std::vector<std::vector<std::string>> cases = {
      {Src(), "/v", Dst(), "/y"},
      {Src(), "/v", Dst(), "/Y"},
      {Src(), "/v", Dst(), "extra", "-x/yes"},
  };
  for (const auto& args : cases) {
    WriteFileBytes(Dst(), "old target");
    RunResult r = Run(args, "");
    EXPECT_EQ(r.out, Summary());
  }
  // A target named with forward slashes that hold /y: C:/data/yard.
  std::string yard = dir_.File("yard");
  WriteFileBytes(yard, "old");
  RunResult r = Run({Src(), "/v", yard}, "");
  EXPECT_EQ(r.out, testing_support::Summary(1, yard));
}

TEST_F(Overwrite, NoQuestionForAFolderOrAMissingTarget) {
  RunResult r = Run({Src(), "/v", dir_.path()}, "");
  EXPECT_EQ(r.out, testing_support::kNoTarget);
  r = Run({Src(), "/v", dir_.File("new.orn")}, "");
  EXPECT_EQ(r.out, testing_support::Summary(1, dir_.File("new.orn")));
}

TEST_F(Overwrite, YesThenASourceThatStopsLeavesTheTarget) {
  CardFileBuilder ansi;
  ansi.Ansi();
  WriteFileBytes(Src(), source_ = ansi.Build());
  RunResult r = Run({Src(), "/v", Dst()}, "y\n");
  EXPECT_EQ(r.out, kQuestion + testing_support::kAnsiSource);
  EXPECT_EQ(ReadFileBytes(Dst()), "old target");
  r = RunProgram({dir_.File("missing"), "/v", Dst()}, "y\n");
  EXPECT_EQ(r.out, kQuestion + testing_support::kNoSource);
  EXPECT_EQ(ReadFileBytes(Dst()), "old target");
}

TEST_F(Overwrite, WaitsForAnAnswerOnANonBlockingInput) {
  RunOptions options;
  options.stdin_data = "y\n";
  options.stdin_nonblocking = true;
  options.stdin_delay_ms = 300;
  RunResult r = RunProgram({Src(), "/v", Dst()}, options);
  EXPECT_EQ(r.out, kQuestion + Summary());
  EXPECT_EQ(r.exit_status, 0);
}

TEST_F(Overwrite, OutputThatIsNoConsoleWaitsForStop) {
  // Not a console: the flush before the answer writes nothing yet, so a full
  // disk only shows at the end, where a failure is not reported.
  RunOptions options;
  options.stdout_mode = testing_support::StdoutMode::kDevFull;
  RunResult r = RunProgram({Src(), "/v", Dst()}, options);
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFileBytes(Dst()), "old target");
}

TEST_F(Overwrite, ClosedInputIsAnError) {
  RunOptions options;
  options.stdin_mode = StdinMode::kClosed;
  RunResult r = RunProgram({Src(), "/v", Dst()}, options);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out.substr(0, kQuestion.size() + 22), kQuestion + "Exception EInOutError ");
  EXPECT_EQ(ReadFileBytes(Dst()), "old target");
}

}  // namespace
