// wendra-run: the genetic algorithm of the two window programs, headless.
// Options are listed in run_options.h; the output is CSV on stdout.
//
// Tested by tests/cli/exit_status.sh, tests/cli/identity.sh and tests/install/install_tree.sh.

#include "runner.h"

#ifndef WENDRA_VERSION
#define WENDRA_VERSION "1.0.0"
#endif

int main(int argc, char** argv) { return wendra::runProgram(argc, argv, "wendra-run " WENDRA_VERSION); }
