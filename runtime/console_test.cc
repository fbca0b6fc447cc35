#include "runtime/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/io_error.h"
#include "testing/platform.h"

namespace {

// The console streams keep their state for the whole process, so one test
// walks them from their first use to their close. Standard output is a pipe
// here, not a console: lines stay in the buffer until it fills.
TEST(Console, BuffersAPipeIn128BytesAndReadsLineByLine) {
  const std::string long_line(300, 'x');
  std::vector<std::string> seen;  // what the pipe held at each step
  std::string read;
  uint32_t code = 0;
  {
    testing_support::StandardStreamPipes pipes("yes\r\nno\n" + long_line + "\nY");
    rt::Write(std::string(127, 'a'));
    seen.push_back(pipes.TakeOutput());
    rt::Write("bc");  // fills the buffer: 128 bytes go out, one stays
    seen.push_back(pipes.TakeOutput());
    rt::WriteInt(-2147483647 - 1);
    rt::WriteLn();
    rt::Flush();
    seen.push_back(pipes.TakeOutput());

    // A line end is not passed by ReadChar: it comes again until ReadLn.
    for (int i = 0; i < 5; ++i) read += rt::ReadChar();
    rt::ReadLn();
    for (int i = 0; i < 3; ++i) read += rt::ReadChar();
    rt::ReadLn();
    read += rt::ReadChar();
    rt::ReadLn();  // a line longer than the buffer
    for (int i = 0; i < 3; ++i) read += rt::ReadChar();
    rt::ReadLn();

    code = rt::TakeIoResult();
    rt::CloseConsole();
    seen.push_back(pipes.TakeOutput());
  }
  EXPECT_EQ(code, 0u);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "");
  EXPECT_EQ(seen[1], std::string(127, 'a') + "b");
  EXPECT_EQ(seen[2], "");
  EXPECT_EQ(seen[3], "c-2147483648\r\n");
  EXPECT_EQ(read,
            "yes\r\r"
            "no\n"
            "x"
            "Y\x1A\x1A");
}

}  // namespace
