// Command-line switches: one character written right after a slash, in any
// argument.
#pragma once

namespace orn2ansi {

// Upper-cases the letters a to z only; every other code stays as it is.
char UpCase(char c);

// Gathers the switches of every argument into the switch set. Runs once, at
// start-up.
void ScanSwitches();

// Whether switch c (in either case) was on the command line.
bool HasSwitch(char c);

}  // namespace orn2ansi
