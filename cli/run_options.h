#pragma once
// Command-line options of wendra-run.
//
//   option         meaning                                           default  allowed
//   --encoding     path (wendra1's chromosome) or key (wendra3's)    key      path, key
//   --width        grid columns                                      10       4 .. 100
//   --height       grid rows                                         10       4 .. 100
//   --population   P                                                 100      2 .. 1000000
//   --pcross       crossover probability, decimal number with "."    0.5      any finite number
//   --pmut         mutation probability, likewise                    0.07     any finite number
//   --generations  steps after each creation                         100      0 .. 100000000
//   --runs         creations, one random stream across them          1        1 .. 1000
//   --threads      worker threads (the output never depends on it)   cores    1 .. 1024
//   --tour         add the columns best_tour and overall_best_tour   off
//   --every        rows of the generations that are multiples of K   1        1 .. 100000000
//                  only, and each run's last row
//   --label        a first column "label" holding TEXT on every row  none     text without
//                                                                             , " or controls
//   --no-header    no header line                                    off
//   --quiet        no progress line on a terminal's stderr           off
//   --help         usage on stdout, exit 0
//   --version      version on stdout, exit 0
//
// Values follow as the next argument or after "=" (--width=20). Parsing is
// strict: an unknown option, a missing or malformed value, a value out of
// range or trailing junk ("10x") is an error naming the option and what it
// allows.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine.h"
#include "parameters.h"

namespace wendra {

struct RunOptions {
  EncodingKind encoding = EncodingKind::kRandomKey;
  // The window's starting values (parameters.h).
  std::int32_t width = static_cast<std::int32_t>(kWidthEditInput.initial);
  std::int32_t height = static_cast<std::int32_t>(kHeightEditInput.initial);
  std::int32_t population = static_cast<std::int32_t>(kPopEditInput.initial);
  double pcross = static_cast<double>(kPCrossValueInput.initial);
  double pmut = static_cast<double>(kPMutValueInput.initial);
  std::int32_t generations = 100;
  std::int32_t runs = 1;
  std::int32_t threads = 0;  // 0: one per core
  bool tour = false;
  std::int32_t every = 1;
  std::optional<std::string> label;
  bool header = true;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  RunOptions options;
  std::string error;  // empty when the arguments are valid; else one line, no newline
  bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name.
ParsedOptions parseRunOptions(const std::vector<std::string>& args);

// The --help text, ending with a newline.
std::string usageText();

}  // namespace wendra
