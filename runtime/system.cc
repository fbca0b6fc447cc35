#include "runtime/system.h"

#include <string>
#include <utility>
#include <vector>

namespace rt {
namespace {
std::vector<std::string> arguments;
}  // namespace

void SetArguments(std::vector<std::string> list) { arguments = std::move(list); }

int ParamCount() { return static_cast<int>(arguments.size()); }

const std::string& ParamStr(int i) {
  static const std::string empty;
  if (i < 1 || i > ParamCount()) return empty;
  return arguments[i - 1];
}

}  // namespace rt
