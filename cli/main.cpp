// wendra-run: the genetic algorithm of the two window programs, headless.
// Options are listed in run_options.h; the output is CSV on stdout.
//
// Tested by tests/cli/exit_status.sh, tests/cli/identity.sh and tests/install/install_tree.sh.

#include <cstdio>
#include <string>
#include <vector>

#include "run_options.h"
#include "runner.h"

#ifndef WENDRA_VERSION
#define WENDRA_VERSION "1.0.0"
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const wendra::ParsedOptions parsed = wendra::parseRunOptions(args);
  if (!parsed.ok()) {
    std::fprintf(stderr, "%s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(wendra::usageText().c_str(), stdout);
    return 0;
  }
  if (parsed.options.version) {
    std::printf("wendra-run %s\n", WENDRA_VERSION);
    return 0;
  }
  return wendra::runAll(parsed.options, stdout, stderr);
}
