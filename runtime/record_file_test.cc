#include "runtime/record_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/io_error.h"
#include "testing/platform.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::OtherProcess;
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
  EXPECT_EQ(OpenWithMode(other, dir_.File("no/such/folder"), 0),
            testing_support::kMissingFolderCode);
  EXPECT_EQ(OpenWithMode(other, path_ + "/below-a-file", 0), rt::kPathNotFound);
  EXPECT_EQ(OpenWithMode(other, "", 0), rt::kFileNotFound);
  EXPECT_EQ(OpenWithMode(other, dir_.path(), 0), rt::kAccessDenied);
  EXPECT_FALSE(other.Create(dir_.path(), 4));
  EXPECT_EQ(rt::TakeIoResult(), rt::kAccessDenied);
  EXPECT_FALSE(other.Create(dir_.File("no/such/folder"), 4));
  EXPECT_EQ(rt::TakeIoResult(), testing_support::kMissingFolderCode);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(RecordFileTest, ANonRegularFileIsRefusedWithoutWaiting) {
  // A FIFO must not wait for a writer; a device opens and is then refused.
  std::string name = testing_support::NonRegularFile(dir_);
  rt::RecordFile file;
  EXPECT_EQ(OpenWithMode(file, name, 0), rt::kAccessDenied);
  EXPECT_FALSE(file.Create(name, 4));
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
  std::filesystem::create_hard_link(path_, link);
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

TEST_F(RecordFileTest, SharingRuleAcrossProcesses) {
  {
    OtherProcess reader(path_, 0);
    ASSERT_TRUE(reader.opened());
    rt::RecordFile file;
    EXPECT_EQ(OpenWithMode(file, path_, 0), 0u);
    rt::RecordFile writer;
    EXPECT_EQ(OpenWithMode(writer, path_, 2), rt::kSharingViolation);
    EXPECT_FALSE(writer.Create(path_, 4));
    EXPECT_EQ(rt::TakeIoResult(), rt::kSharingViolation);
  }
  {
    OtherProcess writer(path_, 2);
    ASSERT_TRUE(writer.opened());
    rt::RecordFile file;
    EXPECT_EQ(OpenWithMode(file, path_, 0), rt::kSharingViolation);
  }
  EXPECT_EQ(ReadFileBytes(path_), "0000111122");
}

TEST_F(RecordFileTest, RecordsBeyondFourGibibytes) {
  // A sparse file: record 20,000,000 of 382 bytes lies near 7.6 GB.
  std::string large = dir_.File("large");
  testing_support::MakeSparseFile(large, "", 0);
  rt::SetFileMode(2);
  rt::RecordFile file;
  ASSERT_TRUE(file.Open(large, 382));
  std::string record(382, 'r');
  record[0] = 'A';
  file.Seek(20'000'000);
  file.Write(record.data());
  ASSERT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(file.RecordCount(), 20'000'001u);
  EXPECT_EQ(std::filesystem::file_size(large), 20'000'001ULL * 382);
  std::string back(382, '\0');
  file.Seek(20'000'000);
  file.Read(back.data());
  EXPECT_EQ(rt::TakeIoResult(), 0u);
  EXPECT_EQ(back, record);
}

}  // namespace
