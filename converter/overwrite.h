// The question put before an existing target file is replaced.
#pragma once

#include <string_view>

namespace orn2ansi {

// Puts a question on the console until it is answered: true for a line that
// begins with Y or y, false for N or n, and false once the input has ended.
// Any other answer writes the question again, exactly.
bool AskYesNo(std::string_view question);

// Whether the run may go on: asks before an existing target file (argument
// 3, a folder does not count) is replaced, unless the y switch was given.
bool MayOverwriteTarget();

}  // namespace orn2ansi
