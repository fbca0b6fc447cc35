#include "converter/conversion_run.h"
#include "runtime/program.h"

int main(int argc, char** argv) { rt::RunProgram(argc, argv, orn2ansi::Main); }
