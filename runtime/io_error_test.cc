#include "runtime/io_error.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/record_file.h"
#include "testing/temp_dir.h"

namespace {

TEST(IoError, TakenReadsAndClears) {
  rt::TakeIoResult();
  rt::SetIoError(5);
  EXPECT_EQ(rt::TakeIoResult(), 5u);
  EXPECT_EQ(rt::TakeIoResult(), 0u);
}

TEST(IoError, CheckedRaisesThePendingCodeOnceAndClears) {
  rt::TakeIoResult();
  EXPECT_NO_THROW(rt::CheckIoResult());
  rt::SetIoError(100);
  try {
    rt::CheckIoResult();
    FAIL() << "no exception";
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 100u);
  }
  EXPECT_EQ(rt::TakeIoResult(), 0u);
}

TEST(IoError, FailureOverwritesSuccessLeavesAndNothingIsSkipped) {
  testing_support::TempDir dir;
  testing_support::WriteFileBytes(dir.File("f"), std::string(20, 'a'));
  rt::TakeIoResult();
  rt::SetFileMode(2);
  rt::RecordFile file;
  ASSERT_TRUE(file.Open(dir.File("f"), 10));
  char record[10];
  file.Seek(5);
  file.Read(record);  // past the end: 100
  file.Seek(0);
  file.Read(record);  // succeeds and leaves the pending 100 alone
  EXPECT_EQ(std::string(record, 10), std::string(10, 'a'));
  // A pending code does not stop the next operation from doing its work.
  file.Seek(1);
  file.Write("bbbbbbbbbb");
  EXPECT_EQ(rt::TakeIoResult(), 100u);
  EXPECT_EQ(testing_support::ReadFileBytes(dir.File("f")),
            std::string(10, 'a') + std::string(10, 'b'));
  rt::RecordFile never_opened;
  never_opened.Read(record);  // overwrites with 103
  file.Seek(9);
  file.Read(record);  // overwrites again with 100
  EXPECT_EQ(rt::TakeIoResult(), 100u);
  file.Close();
  EXPECT_EQ(rt::TakeIoResult(), 0u);
}

}  // namespace
