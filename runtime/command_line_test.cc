#include "runtime/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
  const char* name;
  std::string line;
  std::vector<std::string> arguments;
};

TEST(SplitCommandLine, FollowsTheCuttingRules) {
  const Case cases[] = {
      {"program name only", "orn2ansi", {}},
      {"empty line", "", {}},
      {"plain words", "prog a.orn /v b.orn", {"a.orn", "/v", "b.orn"}},
      {"quoted program name is dropped", "\"C:\\Program Files\\o.exe\" a b", {"a", "b"}},
      {"runs of blanks and tabs", "prog \t  a \t\t b  ", {"a", "b"}},
      {"every code 1..32 separates",
       "prog a\x01"
       "b\x1F"
       "c\x0D\x0A"
       "d e",
       {"a", "b", "c", "d", "e"}},
      {"codes from 128 are ordinary", "prog \x80\xA0\xFF x\xE9y", {"\x80\xA0\xFF", "x\xE9y"}},
      {"quoted stretch keeps blanks", "prog \"my file.orn\" /v", {"my file.orn", "/v"}},
      {"quoted stretch joins words", "prog a\"b c\"d", {"ab cd"}},
      {"stretches alternate", "prog \"a\"b\"c\"", {"abc"}},
      {"quote never in an argument", "prog \"\"\"\" x", {"x"}},
      {"empty quotes alone yield nothing", "prog a \"\" b", {"a", "b"}},
      {"empty quotes then blanks", "prog \"\"   \"\" a", {"a"}},
      {"empty quotes before a word", "prog \"\"abc", {"abc"}},
      {"empty quotes inside a word vanish", "prog a\"\"b", {"ab"}},
      {"unclosed quote runs to the end", "prog \"a b", {"a b"}},
      {"lone quote at the end", "prog a \"", {"a"}},
      {"lone quote after blanks", "prog a   \"", {"a"}},
      {"no escape character", "prog a\\\"b c\\\" d", {"a\\b c\\", "d"}},
      {"backslashes are ordinary", "prog C:\\dir\\x.orn", {"C:\\dir\\x.orn"}},
      {"quoted switch", "prog \"/y\"", {"/y"}},
      {"quoted blank", "prog \" \" a", {" ", "a"}},
      {"line ends at a NUL", std::string("prog a\0b", 8), {"a"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::SplitCommandLine(c.line), c.arguments) << c.name;
  }
}

TEST(SplitCommandLine, KeepsEveryArgumentOfALongLine) {
  std::string line = "prog";
  for (int i = 1; i <= 200; ++i) line += " arg" + std::to_string(i);
  line += " " + std::string(300, 'x');
  std::vector<std::string> arguments = rt::SplitCommandLine(line);
  ASSERT_EQ(arguments.size(), 201u);
  EXPECT_EQ(arguments[199], "arg200");
  EXPECT_EQ(arguments[200], std::string(300, 'x'));
}

}  // namespace
