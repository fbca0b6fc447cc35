// Writes the sample card file that a description gives:
//
//   make_card_file DESCRIPTION OUTPUT
//
// scripts/make-examples runs it on every description in examples/.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "examples/description.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: make_card_file DESCRIPTION OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream description;
  description << in.rdbuf();
  if (!in) {
    std::cerr << "make_card_file: " << argv[1] << ": cannot be read\n";
    return 2;
  }
  std::string image, error;
  if (!examples::BuildCardFile(description.str(), &image, &error)) {
    std::cerr << "make_card_file: " << argv[1] << ": " << error << '\n';
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::cerr << "make_card_file: " << argv[2] << ": cannot be written\n";
    return 2;
  }
  return 0;
}
