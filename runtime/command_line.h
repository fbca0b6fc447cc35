// Cutting a command line that the platform gives as one string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rt {

// The arguments of a command line, without the program's name (the first
// word). Separators are the codes 1 to 32; a double quote opens a stretch
// that runs to the next double quote or the end of the line, separators
// included; quotes are never part of an argument and there is no escape
// character. A pair of empty quotes where an argument would begin is skipped
// with the separators after it; a quote that is the line's last character
// and begins a word yields nothing. The line ends at its first NUL, as the
// platform's string does.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace rt
