// Fuzzes wendra-run's argument parsing: arguments are the input split at
// NUL bytes. Whatever comes in, the parser either accepts values inside the
// documented ranges or returns one line naming the problem, without control
// characters. Accepted options, written back as arguments, parse to the same
// options.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "run_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  const wendra::ParsedOptions parsed = wendra::parseRunOptions(args);
  if (!parsed.ok()) {
    if (parsed.error.rfind("wendra-run: ", 0) != 0) std::abort();
    for (char c : parsed.error)
      if (static_cast<unsigned char>(c) < 32 || c == 127) std::abort();
    return 0;
  }
  const wendra::RunOptions& o = parsed.options;
  if (o.help || o.version) return 0;
  const bool inRange = o.width >= 4 && o.width <= 100 && o.height >= 4 && o.height <= 100 &&
                       o.population >= 2 && o.population <= 1000000 && o.generations >= 0 &&
                       o.generations <= 100000000 && o.runs >= 1 && o.runs <= 1000 &&
                       o.threads >= 0 && o.threads <= 1024 && std::isfinite(o.pcross) &&
                       std::isfinite(o.pmut);
  if (!inRange) std::abort();

  char pcross[40], pmut[40];
  std::snprintf(pcross, sizeof pcross, "%.17g", o.pcross);
  std::snprintf(pmut, sizeof pmut, "%.17g", o.pmut);
  std::vector<std::string> again = {
      "--encoding", o.encoding == wendra::EncodingKind::kPath ? "path" : "key",
      "--width=" + std::to_string(o.width), "--height", std::to_string(o.height),
      "--population=" + std::to_string(o.population), "--pcross", pcross, "--pmut=" + std::string(pmut),
      "--generations", std::to_string(o.generations), "--runs=" + std::to_string(o.runs)};
  if (o.threads != 0) again.push_back("--threads=" + std::to_string(o.threads));
  if (o.tour) again.push_back("--tour");
  const wendra::ParsedOptions reparsed = wendra::parseRunOptions(again);
  const wendra::RunOptions& r = reparsed.options;
  if (!reparsed.ok() || r.encoding != o.encoding || r.width != o.width || r.height != o.height ||
      r.population != o.population || r.pcross != o.pcross || r.pmut != o.pmut ||
      r.generations != o.generations || r.runs != o.runs || r.threads != o.threads || r.tour != o.tour)
    std::abort();
  return 0;
}
