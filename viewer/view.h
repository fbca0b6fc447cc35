// ornview: shows what a card file holds and checks it against the rules
// of the format. It only ever reads the file.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cardfile/charset.h"

namespace ornview {

// Exit statuses.
constexpr int kExitOk = 0;       // listed, or checked and valid
constexpr int kExitBroken = 1;   // no card file, or a rule of the format broken
constexpr int kExitTrouble = 2;  // bad command line, or the file cannot be read

// Runs the tool with its arguments (without the program's name): the
// listing or the check goes to out, complaints to err. Gives the exit
// status.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A card file text as shown on a UTF-8 terminal: in double quotes, each byte
// as its character in the code page, with \" and \\ for the quote and the
// backslash, and \xNN for control codes and bytes without a character.
std::string ShowText(std::string_view bytes, const cardfile::CodePageTable& page);

}  // namespace ornview
