// Sample card files made from a text description, so that anyone can read
// what a sample holds and make it again.
//
// A description is UTF-8 text with one statement a line; blank lines and
// lines that begin with # are skipped:
//
//   title TEXT            the file's title
//   groups A B            slots in the first and the second group of every
//                         record (1 1 when not given)
//   card TEXT | TEXT ...  a card and the texts of its slots in order; blanks
//                         around each text are dropped, missing slots are empty
//   free                  a free record
//   list R R ...          the card list, by record number (the cards in record
//                         order when not given)
//   free-list R R ...     the free list (the free records in record order when
//                         not given)
//
// Records are numbered from 1 in the order of the card and free lines. The
// file is an OEM card file: its texts are stored in code page 437.
#pragma once

#include <string>
#include <string_view>

namespace examples {

// Builds the card file that a description gives. False, with a message that
// names the line, when the description has a mistake.
bool BuildCardFile(std::string_view description, std::string* image, std::string* error);

}  // namespace examples
