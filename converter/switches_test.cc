#include "converter/switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/system.h"

namespace orn2ansi {
namespace {

// Scans a command line given as its arguments and gives the switch set as
// the string of its members.
std::string Scan(const std::vector<std::string>& arguments) {
  rt::SetArguments(arguments);
  ScanSwitches();
  std::string members;
  for (int c = 0; c < 256; ++c) {
    if (HasSwitch(static_cast<char>(c)) && !(c >= 'a' && c <= 'z')) members += static_cast<char>(c);
  }
  return members;
}

TEST(Switches, RecordsTheCharacterAfterEverySlash) {
  const struct {
    std::vector<std::string> arguments;
    std::string members;
  } cases[] = {
      {{}, ""},
      {{"/y"}, "Y"},
      {{"/Y"}, "Y"},
      {{"/yes"}, "Y"},
      {{"-y"}, ""},
      {{"/"}, ""},
      {{"out/"}, ""},
      {{"//y"}, "Y"},
      {{"a/b"}, "B"},
      {{"C:/data/yard"}, "DY"},
      {{"src.orn", "/v", "dst.orn"}, "V"},
      {{"/1", "/-", "/7", "/`", "/{", "/~"}, ""},
      {{"/8", "/9", "/?", "/@", "/[", "/\\", "/]", "/^", "/_", "/:"}, "89:?@[\\]^_"},
      {{"/\x80", "/\xE9", "/\xFF", "/\x7F"}, ""},
      {{std::string(198, 'x') + "/y"}, "Y"},
      {{"/a/b/c", "x", "/Z"}, "ABCZ"},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const std::string& a : c.arguments) joined += a + " ";
    EXPECT_EQ(Scan(c.arguments), c.members) << joined;
  }
}

TEST(Switches, HasSwitchIgnoresCaseOfLettersOnly) {
  Scan({"/y", "/@"});
  EXPECT_TRUE(HasSwitch('y'));
  EXPECT_TRUE(HasSwitch('Y'));
  EXPECT_TRUE(HasSwitch('@'));
  EXPECT_FALSE(HasSwitch('`'));  // '@' + 32 is no letter
  EXPECT_FALSE(HasSwitch('v'));
  Scan({});
  EXPECT_FALSE(HasSwitch('y'));  // a new scan starts empty
}

TEST(Switches, ScansTheLastOfTwoHundredArguments) {
  std::vector<std::string> arguments(199, "plain");
  arguments.push_back("/q");
  EXPECT_EQ(Scan(arguments), "Q");
}

TEST(Switches, UpCaseChangesOnlyAToZ) {
  const std::pair<char, char> cases[] = {
      {'a', 'A'}, {'y', 'Y'}, {'z', 'Z'},       {'A', 'A'},       {'`', '`'},       {'{', '{'},
      {'@', '@'}, {'1', '1'}, {'\xE9', '\xE9'}, {'\xFF', '\xFF'}, {'\x1A', '\x1A'}, {'\0', '\0'},
  };
  for (auto [c, upper] : cases) EXPECT_EQ(UpCase(c), upper) << int{c};
}

}  // namespace
}  // namespace orn2ansi
