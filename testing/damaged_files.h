// Damaged card files, each made from one sound file by one small edit, with
// the first rule of the format it breaks in the checker's words. The
// checker's tests and the viewer's tests share the table.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A title, 1 + 1 slots, records 1 to 5: the cards 4, 1, 2 in list order and
// the free records 5, 3 on the free list.
std::string SoundFile();

struct DamagedFile {
  std::string name;
  std::string image;
  std::string problem;
};
std::vector<DamagedFile> DamagedFiles();

}  // namespace testing_support
