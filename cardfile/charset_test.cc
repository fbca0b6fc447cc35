#include "cardfile/charset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cardfile/format.h"

namespace {

using cardfile::CodePage1252;
using cardfile::CodePage437;
using cardfile::NoCharacter;

// The measured table of the platform's conversion: OEM byte, its code page
// 437 character, ANSI byte, exact or best-fit.
struct Row {
  int oem;
  char32_t character;
  int ansi;
  bool exact;
};

std::vector<Row> MeasuredTable() {
  std::ifstream in(ORN2ANSI_SOURCE_DIR "/runtime/testdata/oem437-to-ansi1252.tsv");
  std::vector<Row> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line.rfind("oem", 0) == 0) continue;
    std::istringstream fields(line);
    std::string oem, unicode, ansi, kind;
    fields >> oem >> unicode >> ansi >> kind;
    rows.push_back({static_cast<int>(std::stoul(oem, nullptr, 16)),
                    static_cast<char32_t>(std::stoul(unicode.substr(2), nullptr, 16)),
                    static_cast<int>(std::stoul(ansi, nullptr, 16)), kind == "exact"});
  }
  return rows;
}

TEST(CharSet, CodePage437IsTheMeasuredTablesCharacterColumn) {
  std::vector<Row> rows = MeasuredTable();
  ASSERT_EQ(rows.size(), 256u);
  for (const Row& row : rows) EXPECT_EQ(CodePage437[row.oem], row.character) << row.oem;
}

// Where the platform's conversion is exact, the ANSI byte shows the same
// character in code page 1252; where it is a best fit, another one. This
// checks the 1252 table against a measurement it was not written from.
TEST(CharSet, CodePage1252AgreesWithEveryExactConversion) {
  for (const Row& row : MeasuredTable()) {
    if (row.exact) {
      EXPECT_EQ(CodePage1252[row.ansi], row.character) << std::hex << row.oem;
    } else {
      EXPECT_NE(CodePage1252[row.ansi], row.character) << std::hex << row.oem;
    }
  }
}

TEST(CharSet, CodePage1252) {
  const struct {
    int byte;
    char32_t character;
  } cases[] = {
      {0x41, U'A'},        {0x80, 0x20AC},      {0x81, NoCharacter}, {0x8A, 0x0160}, {0x8C, 0x0152},
      {0x8D, NoCharacter}, {0x8F, NoCharacter}, {0x90, NoCharacter}, {0x91, 0x2018}, {0x96, 0x2013},
      {0x98, 0x02DC},      {0x9C, 0x0153},      {0x9D, NoCharacter}, {0x9F, 0x0178}, {0xA0, 0x00A0},
      {0xA6, 0x00A6},      {0xE9, 0x00E9},      {0xFF, 0x00FF},
  };
  for (const auto& c : cases) EXPECT_EQ(CodePage1252[c.byte], c.character) << std::hex << c.byte;
}

TEST(CharSet, NoTwoBytesShareACharacter) {
  for (const auto* page : {&CodePage437, &CodePage1252}) {
    std::set<char32_t> seen;
    for (char32_t c : *page) {
      if (c != NoCharacter) {
        EXPECT_TRUE(seen.insert(c).second) << std::hex << uint32_t{c};
      }
    }
  }
}

TEST(CharSet, TheSignatureChoosesThePage) {
  EXPECT_EQ(cardfile::TextCodePage(cardfile::OemSignature), 437);
  EXPECT_EQ(cardfile::TextCodePage(cardfile::AnsiSignature), 1252);
  EXPECT_EQ(&cardfile::TextCodePageTable(cardfile::OemSignature), &CodePage437);
  EXPECT_EQ(&cardfile::TextCodePageTable(cardfile::AnsiSignature), &CodePage1252);
}

TEST(CharSet, Utf8BothWays) {
  const struct {
    char32_t character;
    std::string utf8;
  } cases[] = {
      {U'A', "A"},
      {0x00E9, "\xC3\xA9"},            // é
      {0x07FF, "\xDF\xBF"},            // the last of two bytes
      {0x0800, "\xE0\xA0\x80"},        // the first of three
      {0x2554, "\xE2\x95\x94"},        // ╔
      {0xFFFD, "\xEF\xBF\xBD"},        //
      {0x1F600, "\xF0\x9F\x98\x80"},   // four bytes
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},  // the last character
  };
  for (const auto& c : cases) {
    std::string out;
    cardfile::AppendUtf8(c.character, out);
    EXPECT_EQ(out, c.utf8);
    size_t at = 0;
    EXPECT_EQ(cardfile::DecodeUtf8(c.utf8, &at), c.character);
    EXPECT_EQ(at, c.utf8.size());
  }
}

TEST(CharSet, MalformedUtf8IsNoCharacterAndMovesOneByte) {
  const std::string cases[] = {
      "\x80",              // a continuation byte alone
      "\xC0\x80",          // an overlong NUL
      "\xC1\xBF",          // overlong
      "\xE0\x80\x80",      // overlong
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",  // no lead byte
      "\xE2\x95",          // cut short
      "\xE2\x41\x41",      // a continuation missing
      "\xFF",
  };
  for (const std::string& text : cases) {
    size_t at = 0;
    EXPECT_EQ(cardfile::DecodeUtf8(text, &at), NoCharacter) << testing::PrintToString(text);
    EXPECT_EQ(at, 1u);
  }
}

TEST(CharSet, EncodesIntoAPageOrNamesTheMissingCharacter) {
  std::string out;
  char32_t bad = 0;
  EXPECT_TRUE(cardfile::EncodeUtf8("Cr\xC3\xA8me \xE2\x95\x94", CodePage437, &out, &bad));
  EXPECT_EQ(out, "Cr\x8Ame \xC9");
  EXPECT_FALSE(cardfile::EncodeUtf8("\xC5\x93uf", CodePage437, &out, &bad));  // œ
  EXPECT_EQ(bad, char32_t{0x0153});
  EXPECT_TRUE(cardfile::EncodeUtf8("\xC5\x93uf", CodePage1252, &out, &bad));
  EXPECT_EQ(out, "\x9Cuf");
  EXPECT_FALSE(cardfile::EncodeUtf8("a\xE9", CodePage1252, &out, &bad));  // Latin-1, not UTF-8
  EXPECT_EQ(bad, NoCharacter);
  // Every byte of code page 437 comes back from its character.
  for (int byte = 0; byte < 256; ++byte) {
    std::string utf8;
    cardfile::AppendUtf8(CodePage437[byte], utf8);
    ASSERT_TRUE(cardfile::EncodeUtf8(utf8, CodePage437, &out, &bad)) << byte;
    EXPECT_EQ(out, std::string(1, static_cast<char>(byte)));
  }
}

}  // namespace
