// Fuzzes wendra-run's argument parsing: arguments are the input split at
// NUL bytes. Whatever comes in, the parser either accepts values inside the
// documented ranges or returns one line naming the problem.
#include <cmath>
#include <cstdint>
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
    if (parsed.error.find('\n') != std::string::npos || parsed.error.rfind("wendra-run: ", 0) != 0) std::abort();
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
  return 0;
}
