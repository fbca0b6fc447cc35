#include "examples/description.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

#include "cardfile/charset.h"
#include "cardfile/check.h"
#include "cardfile/format.h"
#include "testing/card_fixture.h"

namespace examples {
namespace {

std::string Trim(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return "";
  const size_t end = text.find_last_not_of(" \t\r");
  return std::string(text.substr(begin, end - begin + 1));
}

// A mistake in the description, named by its line.
struct Mistake {
  int line;
  std::string what;
};

// A text in code page 437, at most 60 characters.
std::string Oem(const std::string& text, int line) {
  std::string bytes;
  char32_t bad = 0;
  if (!cardfile::EncodeUtf8(text, cardfile::CodePage437, &bytes, &bad)) {
    if (bad == cardfile::NoCharacter) throw Mistake{line, "the text is not UTF-8"};
    std::string shown;
    cardfile::AppendUtf8(bad, shown);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(bad));
    throw Mistake{line, shown + " (" + code + ") is not in code page 437"};
  }
  if (bytes.size() > cardfile::SlotTextMax) {
    throw Mistake{line, "a text of " + std::to_string(bytes.size()) + " characters: at most " +
                            std::to_string(cardfile::SlotTextMax) + " fit a slot"};
  }
  return bytes;
}

std::vector<uint32_t> Numbers(const std::string& text, int line) {
  std::istringstream in(text);
  std::vector<uint32_t> numbers;
  for (std::string word; in >> word;) {
    if (word.find_first_not_of("0123456789") != std::string::npos || word.size() > 9) {
      throw Mistake{line, "'" + word + "' is not a number"};
    }
    numbers.push_back(static_cast<uint32_t>(std::stoul(word)));
  }
  return numbers;
}

struct Description {
  std::string title;
  int first_group = 1, second_group = 1;
  std::vector<std::vector<std::string>> records;  // slot texts; free records have none
  std::vector<bool> is_free;
  bool list_given = false, free_list_given = false;
  std::vector<uint32_t> list, free_list;
  int list_line = 0, free_list_line = 0;
};

Description Parse(std::string_view text) {
  Description d;
  std::istringstream in{std::string(text)};
  int line = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++line;
    const std::string statement = Trim(raw);
    if (statement.empty() || statement[0] == '#') continue;
    const size_t space = statement.find_first_of(" \t");
    const std::string keyword = statement.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(statement.substr(space));
    if (keyword == "title") {
      d.title = Oem(rest, line);
    } else if (keyword == "groups") {
      std::vector<uint32_t> groups = Numbers(rest, line);
      if (groups.size() != 2 || groups[0] < 1 || groups[1] < 1 ||
          groups[0] + groups[1] > cardfile::MaxSlotsPerRecord) {
        throw Mistake{line, "groups takes two numbers from 1 up, 6 slots in all at most"};
      }
      if (!d.records.empty()) throw Mistake{line, "groups must come before the first record"};
      d.first_group = static_cast<int>(groups[0]);
      d.second_group = static_cast<int>(groups[1]);
    } else if (keyword == "card") {
      std::vector<std::string> slots;
      std::string_view texts = rest;
      for (;;) {
        const size_t bar = texts.find('|');
        slots.push_back(Oem(Trim(texts.substr(0, bar)), line));
        if (bar == std::string_view::npos) break;
        texts.remove_prefix(bar + 1);
      }
      const int slots_per_record = d.first_group + d.second_group;
      if (static_cast<int>(slots.size()) > slots_per_record) {
        throw Mistake{line, std::to_string(slots.size()) + " texts for " +
                                std::to_string(slots_per_record) + " slots"};
      }
      d.records.push_back(slots);
      d.is_free.push_back(false);
    } else if (keyword == "free") {
      if (!rest.empty()) throw Mistake{line, "free takes nothing after it"};
      d.records.push_back({});
      d.is_free.push_back(true);
    } else if (keyword == "list") {
      d.list = Numbers(rest, line);
      d.list_given = true;
      d.list_line = line;
    } else if (keyword == "free-list") {
      d.free_list = Numbers(rest, line);
      d.free_list_given = true;
      d.free_list_line = line;
    } else {
      throw Mistake{line, "unknown statement '" + keyword + "'"};
    }
  }
  return d;
}

// A list must name every record of its kind once, and no other.
void CheckList(const Description& d, const std::vector<uint32_t>& list, bool free, int line) {
  const char* kind = free ? "free record" : "card";
  std::set<uint32_t> seen;
  for (uint32_t r : list) {
    if (r < 1 || r > d.records.size() || d.is_free[r - 1] != free) {
      throw Mistake{line, "record " + std::to_string(r) + " is not a " + kind};
    }
    if (!seen.insert(r).second) throw Mistake{line, "record " + std::to_string(r) + " twice"};
  }
  for (uint32_t r = 1; r <= d.records.size(); ++r) {
    if (d.is_free[r - 1] == free && seen.count(r) == 0) {
      throw Mistake{line, std::string(kind) + " " + std::to_string(r) + " is missing"};
    }
  }
}

}  // namespace

bool BuildCardFile(std::string_view description, std::string* image, std::string* error) {
  try {
    const Description d = Parse(description);
    if (d.list_given) CheckList(d, d.list, false, d.list_line);
    if (d.free_list_given) CheckList(d, d.free_list, true, d.free_list_line);
    testing_support::CardFileBuilder builder(static_cast<uint8_t>(d.first_group),
                                             static_cast<uint8_t>(d.second_group));
    builder.Title(d.title);
    for (size_t i = 0; i < d.records.size(); ++i) {
      if (d.is_free[i]) {
        builder.Free();
      } else {
        builder.Card(d.records[i]);
      }
    }
    if (d.list_given) builder.ListOrder(d.list);
    if (d.free_list_given) builder.FreeList(d.free_list);
    *image = builder.Build();
  } catch (const Mistake& mistake) {
    *error = "line " + std::to_string(mistake.line) + ": " + mistake.what;
    return false;
  }
  // What was built must pass the checker; anything else is a fault here.
  cardfile::ImageBytes bytes(*image);
  cardfile::CardFileVisitor nothing;
  cardfile::CheckOptions options;
  options.clean_slot_tails = true;
  *error = cardfile::CheckCardFile(bytes, nothing, options).problem;
  return error->empty();
}

}  // namespace examples
