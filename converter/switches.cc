#include "converter/switches.h"

#include <bitset>
#include <string>

#include "runtime/system.h"

namespace orn2ansi {
namespace {

// The possible switches: the 40 codes from '8' to '_', after upper-casing.
constexpr unsigned char kFirstSwitch = 0x38;
constexpr unsigned char kLastSwitch = 0x5F;

std::bitset<kLastSwitch - kFirstSwitch + 1> Switches;

bool IsPossibleSwitch(unsigned char c) { return c >= kFirstSwitch && c <= kLastSwitch; }

}  // namespace

char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

void ScanSwitches() {
  Switches.reset();
  for (int i = 1; i <= rt::ParamCount(); ++i) {
    const std::string& argument = rt::ParamStr(i);
    // The character after a slash is the switch, and the scan goes on from
    // it: in "//y" the second slash starts a switch of its own.
    for (size_t at = 0; at + 1 < argument.size(); ++at) {
      if (argument[at] != '/') continue;
      auto c = static_cast<unsigned char>(UpCase(argument[at + 1]));
      if (IsPossibleSwitch(c)) Switches.set(c - kFirstSwitch);
    }
  }
}

bool HasSwitch(char c) {
  auto u = static_cast<unsigned char>(UpCase(c));
  return IsPossibleSwitch(u) && Switches.test(u - kFirstSwitch);
}

}  // namespace orn2ansi
