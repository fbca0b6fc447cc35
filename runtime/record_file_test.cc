#include "runtime/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "runtime/io_error.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// Opens name with the given file-open mode and gives the code the open took.
uint32_t OpenWithMode(rt::RecordFile& file, const std::string& name, uint8_t mode) {
  rt::SetFileMode(mode);
  file.Open(name, 4);
  return rt::TakeIoResult();
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::TakeIoResult();
    path_ = dir_.File("records");
    WriteFileBytes(path_, "0000111122");  // two whole records of 4 and a partial one
  }
  TempDir dir_;
  std::string path_;
};

TEST_F(RecordFileTest, CountsWholeRecordsAndReadsThem) {
  rt::RecordFile file;
  ASSERT_EQ(OpenWithMode(file, path_, 0), 0u);
  EXPECT_EQ(file.RecordCount(), 2u);
  char record[4];
  file.Seek(1);
  file.Read(record);
  EXPECT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(std::string(record, 4), "1111");
  file.Read(record);  // the partial record is not a record
  EXPECT_EQ(rt::TakeIoResult(), rt::kShortRead);
}

TEST_F(RecordFileTest, WritesAtAPositionAndAppendsAtTheEnd) {
  rt::RecordFile file;
  ASSERT_EQ(OpenWithMode(file, path_, 2), 0u);
  file.Seek(2);  // over the partial record
  file.Write("abcd");
  file.Write("efgh");  // the position moved on: appends
  file.Seek(0);
  file.Write("wxyz");
  EXPECT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(file.RecordCount(), 4u);
  file.Close();
  EXPECT_EQ(ReadFileBytes(path_), "wxyz1111abcdefgh");
}

TEST_F(RecordFileTest, FailuresSetTheirCodes) {
  char record[4] = {};
  rt::RecordFile closed;
  closed.Seek(0);
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);
  closed.Read(record);
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);
  closed.Write(record);
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);
  closed.RecordCount();
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);
  closed.Close();
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);

  rt::RecordFile reader;
  ASSERT_EQ(OpenWithMode(reader, path_, 0), 0u);
  reader.Write(record);  // opened for reading only
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotOpen);
  EXPECT_EQ(ReadFileBytes(path_), "0000111122");

  rt::RecordFile other;
  EXPECT_EQ(OpenWithMode(other, dir_.File("missing"), 0), rt::kFileNotFound);
  EXPECT_EQ(OpenWithMode(other, dir_.File("no/such/folder"), 0), rt::kFileNotFound);
  EXPECT_EQ(OpenWithMode(other, path_ + "/below-a-file", 0), rt::kPathNotFound);
  EXPECT_EQ(OpenWithMode(other, "", 0), rt::kFileNotFound);
  EXPECT_EQ(OpenWithMode(other, dir_.path(), 0), rt::kAccessDenied);
  EXPECT_FALSE(other.Create(dir_.path(), 4));
  EXPECT_EQ(rt::TakeIoResult(), rt::kAccessDenied);
  EXPECT_FALSE(other.Create(dir_.File("no/such/folder"), 4));
  EXPECT_EQ(rt::TakeIoResult(), rt::kFileNotFound);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(RecordFileTest, AFifoIsRefusedWithoutWaitingForAWriter) {
  std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  rt::RecordFile file;
  EXPECT_EQ(OpenWithMode(file, fifo, 0), rt::kAccessDenied);
  EXPECT_FALSE(file.Create(fifo, 4));
  EXPECT_EQ(rt::TakeIoResult(), rt::kAccessDenied);
}

TEST_F(RecordFileTest, SharingRuleWithinOneProcess) {
  // Every open lets others read but not write.
  const struct {
    uint8_t first, second;
    uint32_t code;
  } cases[] = {
      {0, 0, 0}, {0, 2, 32}, {2, 0, 32}, {2, 2, 32}, {0, 1, 32}, {1, 0, 32},
  };
  for (const auto& c : cases) {
    rt::RecordFile first, second;
    ASSERT_EQ(OpenWithMode(first, path_, c.first), 0u);
    EXPECT_EQ(OpenWithMode(second, path_, c.second), c.code)
        << int{c.first} << " then " << int{c.second};
  }
  // After the first closes, the file is free again.
  rt::RecordFile first, second;
  ASSERT_EQ(OpenWithMode(first, path_, 2), 0u);
  first.Close();
  EXPECT_EQ(OpenWithMode(second, path_, 2), 0u);
}

TEST_F(RecordFileTest, CreateOverAHeldFileChangesNothing) {
  std::string link = dir_.File("hard-link");
  ASSERT_EQ(::link(path_.c_str(), link.c_str()), 0);
  for (const std::string& name : {path_, link}) {
    rt::RecordFile reader, created;
    ASSERT_EQ(OpenWithMode(reader, path_, 0), 0u);
    EXPECT_FALSE(created.Create(name, 4));
    EXPECT_EQ(rt::TakeIoResult(), rt::kSharingViolation);
    EXPECT_EQ(ReadFileBytes(path_), "0000111122");
  }
  rt::RecordFile created;
  EXPECT_TRUE(created.Create(path_, 4));  // no longer held: emptied
  EXPECT_EQ(created.RecordCount(), 0u);
}

// Holds the file open in a second process with the given mode while the
// test runs.
class OtherProcess {
 public:
  OtherProcess(const std::string& path, uint8_t mode) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(release_), 0);
    pid_ = fork();
    if (pid_ == 0) {
      rt::RecordFile file;
      rt::SetFileMode(mode);
      char ok = file.Open(path, 4) ? 'y' : 'n';
      (void)!write(ready[1], &ok, 1);
      (void)!read(release_[0], &ok, 1);
      _exit(0);
    }
    char ok = 'n';
    EXPECT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    close(ready[0]);
    close(ready[1]);
  }
  ~OtherProcess() {
    (void)!write(release_[1], "x", 1);
    close(release_[0]);
    close(release_[1]);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_;
  int release_[2];
};

TEST_F(RecordFileTest, SharingRuleAcrossProcesses) {
  {
    OtherProcess reader(path_, 0);
    rt::RecordFile file;
    EXPECT_EQ(OpenWithMode(file, path_, 0), 0u);
    rt::RecordFile writer;
    EXPECT_EQ(OpenWithMode(writer, path_, 2), rt::kSharingViolation);
    EXPECT_FALSE(writer.Create(path_, 4));
    EXPECT_EQ(rt::TakeIoResult(), rt::kSharingViolation);
  }
  {
    OtherProcess writer(path_, 2);
    rt::RecordFile file;
    EXPECT_EQ(OpenWithMode(file, path_, 0), rt::kSharingViolation);
  }
  EXPECT_EQ(ReadFileBytes(path_), "0000111122");
}

TEST_F(RecordFileTest, RecordsBeyondFourGibibytes) {
  // A sparse file: record 20,000,000 of 382 bytes lies near 7.6 GB.
  rt::RecordFile file;
  ASSERT_TRUE(file.Create(dir_.File("large"), 382));
  std::string record(382, 'r');
  record[0] = 'A';
  file.Seek(20'000'000);
  file.Write(record.data());
  ASSERT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(file.RecordCount(), 20'000'001u);
  struct stat st;
  ASSERT_EQ(stat(dir_.File("large").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 20'000'001LL * 382);
  std::string back(382, '\0');
  file.Seek(20'000'000);
  file.Read(back.data());
  EXPECT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(back, record);
}

}  // namespace
