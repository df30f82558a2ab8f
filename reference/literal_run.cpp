// wendra-run-literal: wendra-run on the reference engine, for the identity
// tests of the runner's output (same options; --threads is accepted and has
// no effect).

#include "literal_engines.h"
#include "runner.h"

int main(int argc, char** argv) {
  return wendra::runProgram(argc, argv, "wendra-run-literal", [](const wendra::RunOptions& options) {
    return wendra::literal::makeLiteralEngine(options.encoding);
  });
}
