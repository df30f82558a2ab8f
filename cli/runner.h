#pragma once
// The headless run: create and step the engine as the options say and write
// the CSV rows.
//
// Tested by tests/cli/identity.sh, tests/cli/exit_status.sh, tests/cli/progress.sh
// and tests/cli/tst_runner.cpp (refusals and unwritable output).

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "engine.h"
#include "run_options.h"

namespace wendra {

// The CSV header line (without the line end); withLabel puts "label" first.
std::string csvHeader(bool withTours, bool withLabel = false);

// One CSV row for the engine's current state (without the line end):
// run,generation,average,best,overall_best,overall_best_generation[,best_tour,overall_best_tour]
std::string csvRow(const EvolutionEngine& engine, int run, bool withTours);
// The same row appended to `out` (no line end).
void appendCsvRow(std::string& out, const EvolutionEngine& engine, int run, bool withTours);

// Runs everything and writes to out; errors go to err as one line. While
// it runs, err shows a progress line when it is a terminal (unless
// options.quiet); otherwise nothing but errors is written to it.
// Returns the exit status: 0 done, 1 the population does not fit in memory
// (or the output could not be written). The engine is the program's for
// options.encoding with options.threads workers (0: one per core).
int runAll(const RunOptions& options, std::FILE* out, std::FILE* err);

// The same run on a given engine (options.encoding and options.threads are
// then not used).
int runAll(const RunOptions& options, EvolutionEngine& engine, std::FILE* out, std::FILE* err);

// A whole program over its arguments (argv[0] is the program's name):
// a bad argument prints its one line on stderr and returns 2; --help prints
// the usage text and --version `versionLine`, each returning 0; otherwise the
// run on the engine `makeEngine` gives (when empty, the program's own for
// the options) returns runAll's status.
using EngineMaker = std::function<std::unique_ptr<EvolutionEngine>(const RunOptions&)>;
int runProgram(int argc, char** argv, const std::string& versionLine, const EngineMaker& makeEngine = {});

}  // namespace wendra
