// The program's main sequence, run once per process.
#pragma once

namespace orn2ansi {

// Checks the command line, asks before an existing target is replaced, opens
// the source read-only, refuses a source already in ANSI, copies it into the
// target and closes the source. Gives the exit status of every end that is
// the program's own decision.
int RunConversion();

// Start-up of the program's own part: the switch scan, then the run.
int Main();

}  // namespace orn2ansi
