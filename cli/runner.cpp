#include "runner.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "engines.h"
#include "memory.h"
#include "progress.h"

namespace wendra {
namespace {

// The cities joined by ';'. A tour of 10000 cities is written after every
// step, so the numbers are formatted without the printf machinery, straight
// onto the end of the output.
void appendTour(std::string& line, const std::vector<std::int32_t>& tour) {
  line.reserve(line.size() + 6 * tour.size());
  char buffer[16];
  for (std::size_t i = 0; i < tour.size(); ++i) {
    char* p = buffer;
    if (i) *p++ = ';';
    p = std::to_chars(p, buffer + sizeof buffer, tour[i]).ptr;
    line.append(buffer, p);
  }
}

}  // namespace

std::string csvHeader(bool withTours, bool withLabel) {
  std::string header = withLabel ? "label," : "";
  header += "run,generation,average,best,overall_best,overall_best_generation";
  if (withTours) header += ",best_tour,overall_best_tour";
  return header;
}

std::string csvRow(const EvolutionEngine& engine, int run, bool withTours) {
  std::string line;
  appendCsvRow(line, engine, run, withTours);
  return line;
}

void appendCsvRow(std::string& line, const EvolutionEngine& engine, int run, bool withTours) {
  // As printf's "%d,%d,%.17g,%.0f,%.0f,%d" (to_chars with a precision is
  // specified to give printf's digits), without its machinery: at the
  // default size a row is written every 10 microseconds.
  char buffer[160];
  char* const end = buffer + sizeof buffer;
  char* p = std::to_chars(buffer, end, run).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, engine.generation()).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, engine.averageLength(), std::chars_format::general, 17).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, engine.generationBestLength(), std::chars_format::fixed, 0).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, engine.overallBestLength(), std::chars_format::fixed, 0).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, engine.overallBestGeneration()).ptr;
  line.append(buffer, p);
  if (withTours) {
    line += ',';
    appendTour(line, engine.generationBestTour());
    line += ',';
    appendTour(line, engine.overallBestTour());
  }
}

int runAll(const RunOptions& options, std::FILE* out, std::FILE* err) {
  const std::unique_ptr<EvolutionEngine> engine = makeEngine(options.encoding, options.threads);
  return runAll(options, *engine, out, err);
}

int runProgram(int argc, char** argv, const std::string& versionLine, const EngineMaker& makeEngine) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParsedOptions parsed = parseRunOptions(args);
  if (!parsed.ok()) {
    std::fprintf(stderr, "%s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (parsed.options.version) {
    std::printf("%s\n", versionLine.c_str());
    return 0;
  }
  if (!makeEngine) return runAll(parsed.options, stdout, stderr);
  const std::unique_ptr<EvolutionEngine> engine = makeEngine(parsed.options);
  return runAll(parsed.options, *engine, stdout, stderr);
}

int runAll(const RunOptions& options, EvolutionEngine& engine, std::FILE* out, std::FILE* err) {
  const Grid grid = Grid::of(options.width, options.height);
  ProgressLine progress(err, !options.quiet && isatty(fileno(err)), options.runs, options.population,
                        options.generations);

  // The header waits for the first population, so a refused creation
  // leaves stdout empty.
  std::string block;
  // Rows for the terminal that shows the line go out with the line taken
  // off it, and at once.
  const bool sharesTerminal = progress.shown() && isatty(fileno(out));
  auto write = [&] { return std::fwrite(block.data(), 1, block.size(), out) == block.size(); };
  auto flush = [&] {
    const bool written = sharesTerminal ? progress.whileCleared([&] { return write() && std::fflush(out) == 0; }) : write();
    block.clear();
    return written;
  };
  const std::string label = options.label ? *options.label + ',' : std::string();
  auto addRow = [&](int run) {
    block += label;
    appendCsvRow(block, engine, run, options.tour);
    block += '\n';
  };

  bool writing = true;
  for (int run = 1; run <= options.runs && writing; ++run) {
    progress.creating(run);
    try {
      engine.createPopulation(grid, options.population, options.pmut, options.pcross);
    } catch (const PopulationTooLarge& e) {
      progress.finish();
      flush();
      std::fflush(out);
      std::fprintf(err, "wendra-run: %s\n", e.what());
      return 1;
    }
    progress.created(engine.overallBestLength());
    if (run == 1 && options.header) {
      block += csvHeader(options.tour, options.label.has_value());
      block += '\n';
    }
    addRow(run);
    for (std::int32_t g = 1; g <= options.generations; ++g) {
      engine.step();
      progress.stepped(g, engine.overallBestLength());
      if (g % options.every == 0 || g == options.generations) addRow(run);
      if (block.size() >= (1u << 16) && !(writing = flush())) break;
    }
  }
  progress.finish();
  if (!flush() || std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "wendra-run: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace wendra
