// wendra-run-literal: wendra-run on the reference engine, for the identity
// tests of the runner's output (same options; --threads is accepted and has
// no effect).

#include <cstdio>
#include <string>
#include <vector>

#include "literal_engines.h"
#include "run_options.h"
#include "runner.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const wendra::ParsedOptions parsed = wendra::parseRunOptions(args);
  if (!parsed.ok()) {
    std::fprintf(stderr, "%s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help || parsed.options.version) {
    std::fputs(wendra::usageText().c_str(), stdout);
    return 0;
  }
  const auto engine = wendra::literal::makeLiteralEngine(parsed.options.encoding);
  return wendra::runAll(parsed.options, *engine, stdout, stderr);
}
