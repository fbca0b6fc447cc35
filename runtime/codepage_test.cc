#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "testing/temp_dir.h"

namespace {

// Reads the measured reference table: oem byte, character, ansi byte, kind.
std::string ReferenceTable(const std::string& path) {
  std::ifstream in(path);
  std::string table(256, '\0');
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line.rfind("oem", 0) == 0) continue;
    std::istringstream fields(line);
    std::string oem, unicode, ansi;
    fields >> oem >> unicode >> ansi;
    table[std::stoul(oem, nullptr, 16)] = static_cast<char>(std::stoul(ansi, nullptr, 16));
    ++rows;
  }
  EXPECT_EQ(rows, 256) << path;
  return table;
}

void ExpectTranslatesLike(const std::string& path) {
  std::string expected = ReferenceTable(path);
  std::string all(256, '\0');
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  std::string translated(256, '\0');
  rt::OemToCharBuffA(all.data(), translated.data(), 256);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(static_cast<uint8_t>(translated[i]), static_cast<uint8_t>(expected[i]))
        << "OEM byte " << std::hex << i;
  }
}

TEST(CodePage, EveryByteMatchesTheMeasuredTable) {
  ExpectTranslatesLike(ORN2ANSI_SOURCE_DIR "/runtime/testdata/oem437-to-ansi1252.tsv");
  // The copy kept with the project's shared material, when it is there.
  std::string shared = ORN2ANSI_SOURCE_DIR "/../shared/codepages/oem437-to-ansi1252.tsv";
  if (testing_support::PathExists(shared)) ExpectTranslatesLike(shared);
}

TEST(CodePage, TranslatesInPlaceAndNamesTheAnsiPage) {
  char text[] = "\x82t\xC9 \xB3\xE0";  // é t ╔ space │ α
  rt::OemToCharBuffA(text, text, 6);
  EXPECT_EQ(std::string(text),
            "\xE9t+ \xA6"
            "a");
  EXPECT_EQ(rt::GetACP(), 1252u);
}

}  // namespace
