// AddRecord against a real file-size limit, which only POSIX sets per process.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "cardfile/fichier.h"
#include "runtime/exceptions.h"
#include "testing/card_fixture.h"
#include "testing/temp_dir.h"

namespace cardfile {
namespace {

using testing_support::CardFileBuilder;
using testing_support::CardFrame;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(AddRecord, AFailedAppendLeavesTheFileAsItWas) {
  // A file-size limit at the file's current size: the new card's record is
  // the one write that cannot be made. The new card is written before any
  // neighbour that would point at it, so the file stays byte for byte as it
  // was, whichever case links the card in.
  const struct {
    const char* name;
    bool empty;
    uint32_t after;
  } cases[] = {
      {"empty list", true, 0},
      {"at the front", false, 0},
      {"after the last card", false, 2},
      {"after a card with a successor", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    CardFileBuilder builder;
    if (!c.empty) {
      builder.Card({"one"});
      builder.Card({"two"});
    }
    const std::string image = builder.Build();
    WriteFileBytes(dir.File("f"), image);
    // The limit is set in a child, so that the test itself keeps writing.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{image.size(), image.size()};
      setrlimit(RLIMIT_FSIZE, &limit);
      auto handle = TFichier::Open(dir.File("f"), 2);
      try {
        handle->AddRecord(c.after, CardFrame(handle->FirstSlot(), "new"));
      } catch (const rt::EInOutError& e) {
        _exit(e.ErrorCode() == 112 ? 0 : 2);
      }
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFileBytes(dir.File("f")), image);
  }
}

}  // namespace
}  // namespace cardfile
