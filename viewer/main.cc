#include <iostream>
#include <string>
#include <vector>

#include "viewer/view.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return ornview::Main(args, std::cout, std::cerr);
}
