#include "runtime/command_line.h"

namespace rt {
namespace {

bool IsSeparator(unsigned char c) { return c >= 1 && c <= 32; }

// Cuts the word that begins at or after *at into word and moves *at past it.
void CutWord(std::string_view line, size_t* at, std::string* word) {
  size_t i = *at;
  auto ch = [&](size_t k) -> unsigned char {
    return k < line.size() ? static_cast<unsigned char>(line[k]) : 0;
  };
  for (;;) {
    while (IsSeparator(ch(i))) ++i;
    if (ch(i) == '"' && ch(i + 1) == '"') {
      i += 2;
    } else {
      break;
    }
  }
  word->clear();
  while (ch(i) > ' ') {
    if (ch(i) == '"') {
      ++i;
      while (ch(i) != 0 && ch(i) != '"') word->push_back(line[i++]);
      if (ch(i) != 0) ++i;
    } else {
      word->push_back(line[i++]);
    }
  }
  *at = i;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);
  std::vector<std::string> arguments;
  std::string word;
  size_t at = 0;
  CutWord(line, &at, &word);  // the program's name
  for (;;) {
    CutWord(line, &at, &word);
    // Only a lone quote at the end of the line leaves a word empty.
    if (word.empty()) break;
    arguments.push_back(word);
  }
  return arguments;
}

}  // namespace rt
