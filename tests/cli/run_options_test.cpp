#include "run_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engines.h"
#include "runner.h"

namespace wendra {
namespace {

ParsedOptions parse(std::vector<std::string> args) { return parseRunOptions(args); }

// The grid's and population's ranges are the window's inputs' (parameters.h),
// and the usage text names those same ranges.
TEST(RunOptionsTest, RangesAreTheWindowInputs) {
  const std::string usage = usageText();
  for (const auto& [option, input] : {std::pair{"--width", kWidthEditInput},
                                      std::pair{"--height", kHeightEditInput},
                                      std::pair{"--population", kPopEditInput}}) {
    const auto lowest = static_cast<long long>(input.minimum);
    const auto highest = static_cast<long long>(input.maximum);
    EXPECT_TRUE(parseRunOptions({option, std::to_string(lowest)}).ok()) << option;
    EXPECT_TRUE(parseRunOptions({option, std::to_string(highest)}).ok()) << option;
    EXPECT_FALSE(parseRunOptions({option, std::to_string(lowest - 1)}).ok()) << option;
    EXPECT_FALSE(parseRunOptions({option, std::to_string(highest + 1)}).ok()) << option;
    const std::string range = std::to_string(lowest) + " to " + std::to_string(highest);
    EXPECT_NE(usage.find(range), std::string::npos) << option;
  }
}

TEST(RunOptionsTest, DefaultsAndBothValueForms) {
  const RunOptions d = parse({}).options;
  EXPECT_EQ(d.encoding, EncodingKind::kRandomKey);
  EXPECT_EQ(d.width, 10);
  EXPECT_EQ(d.height, 10);
  EXPECT_EQ(d.population, 100);
  EXPECT_EQ(d.pcross, 0.5);
  EXPECT_EQ(d.pmut, 0.07);
  EXPECT_EQ(d.generations, 100);
  EXPECT_EQ(d.runs, 1);
  EXPECT_FALSE(d.tour);

  const ParsedOptions p = parse({"--encoding=path", "--width", "4", "--height=100", "--population", "1000000",
                                 "--pcross", "-0.25", "--pmut=1e-3", "--generations", "0", "--runs=1000",
                                 "--threads", "1024", "--tour"});
  ASSERT_TRUE(p.ok()) << p.error;
  EXPECT_EQ(p.options.encoding, EncodingKind::kPath);
  EXPECT_EQ(p.options.width, 4);
  EXPECT_EQ(p.options.height, 100);
  EXPECT_EQ(p.options.population, 1000000);
  EXPECT_EQ(p.options.pcross, -0.25);
  EXPECT_EQ(p.options.pmut, 0.001);
  EXPECT_EQ(p.options.generations, 0);
  EXPECT_EQ(p.options.runs, 1000);
  EXPECT_EQ(p.options.threads, 1024);
  EXPECT_TRUE(p.options.tour);
  EXPECT_EQ(parse({"--pcross", "+2.", "--pmut", ".5"}).options.pcross, 2.0);
  EXPECT_EQ(d.every, 1);
  EXPECT_FALSE(d.label.has_value());
  EXPECT_TRUE(d.header);
  EXPECT_FALSE(d.quiet);
  const ParsedOptions more = parse({"--every=100000000", "--label", "pc 0.5; pm 0.07 (α)", "--no-header", "--quiet"});
  ASSERT_TRUE(more.ok()) << more.error;
  EXPECT_EQ(more.options.every, 100000000);
  EXPECT_EQ(more.options.label, "pc 0.5; pm 0.07 (α)");
  EXPECT_FALSE(more.options.header);
  EXPECT_TRUE(more.options.quiet);
  EXPECT_EQ(parse({"--label="}).options.label, "");
  EXPECT_EQ(parse({"--pmut", ".5"}).options.pmut, 0.5);
}

struct BadCase {
  std::vector<std::string> args;
  std::string mentions;  // the error names the option and what it allows
};

TEST(RunOptionsTest, BadArgumentsGiveOneLineNamingTheOption) {
  const std::vector<BadCase> cases = {
      {{"--width", "3"}, "--width must be an integer from 4 to 100"},
      {{"--width=101"}, "--width must be an integer from 4 to 100"},
      {{"--height", "10x"}, "--height must be an integer from 4 to 100"},
      {{"--height", ""}, "--height must be"},
      {{"--population", "1"}, "--population must be an integer from 2 to 1000000"},
      {{"--population", "99999999999999999999999"}, "--population must be"},
      {{"--generations", "-1"}, "--generations must be an integer from 0 to 100000000"},
      {{"--generations", "100000001"}, "--generations"},
      {{"--runs", "0"}, "--runs must be an integer from 1 to 1000"},
      {{"--threads", "0"}, "--threads must be an integer from 1 to 1024"},
      {{"--threads", "1025"}, "--threads"},
      {{"--pcross", "0,5"}, "--pcross must be a finite decimal number"},
      {{"--pcross", "nan"}, "--pcross"},
      {{"--pmut", "inf"}, "--pmut"},
      {{"--pmut", "1e400"}, "--pmut"},
      {{"--pmut", "0x10"}, "--pmut"},
      {{"--pmut", "1e"}, "--pmut"},
      {{"--pmut", " 0.5"}, "--pmut"},
      {{"--encoding", "tree"}, "--encoding must be path or key"},
      {{"--width"}, "--width needs a value: an integer from 4 to 100"},
      {{"--pmut"}, "--pmut needs a value"},
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"-w", "10"}, "unexpected argument '-w'"},
      {{"10"}, "unexpected argument '10'"},
      {{"--tour=yes"}, "--tour takes no value"},
      {{"--every", "0"}, "--every must be an integer from 1 to 100000000"},
      {{"--every", "100000001"}, "--every must be"},
      {{"--every", "2.5"}, "--every must be"},
      {{"--every"}, "--every needs a value: an integer from 1 to 100000000"},
      {{"--label", "pc=0.5,pm=0.07"}, "--label must be text without commas, double quotes or control characters, "
                                      "not 'pc=0.5,pm=0.07'"},
      {{"--label", "say \"hi\""}, "--label must be text without"},
      {{"--label=two\nlines"}, "--label must be text without commas, double quotes or control characters, "
                                "not 'two?lines'"},
      {{"--label", "tab\there"}, "--label must be"},
      {{"--label"}, "--label needs a value: text without commas"},
      {{"--quiet=1"}, "--quiet takes no value"},
      {{"--no-header=no"}, "--no-header takes no value"},
  };
  for (const BadCase& c : cases) {
    const ParsedOptions p = parse(c.args);
    ASSERT_FALSE(p.ok()) << c.args[0];
    EXPECT_NE(p.error.find(c.mentions), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
    EXPECT_EQ(p.error.rfind("wendra-run: ", 0), 0u);
  }
}

// The whole --help text, character for character: its ranges and defaults
// come from the option table and the window's inputs, its layout from the
// line rules (descriptions wrapped before column 80, defaults at column 66).
TEST(RunOptionsTest, UsageTextWordForWord) {
  EXPECT_EQ(usageText(), R"(Usage: wendra-run [--encoding path|key] [--width W] [--height H] [--population P]
                  [--pcross PC] [--pmut PM] [--generations G] [--runs K]
                  [--threads T] [--tour] [--every N] [--label TEXT] [--no-header]
                  [--quiet]

Runs the genetic algorithm of wendra1 (--encoding path) or wendra3 (--encoding key)
without a window and prints one CSV row after each creation and after every step:
  run,generation,average,best,overall_best,overall_best_generation
(--tour adds best_tour,overall_best_tour, the cities joined by ';').
On a terminal, stderr shows a progress line while it runs.

Options (a value follows as the next argument or after '='):
  --encoding E     path or key                                    (default key)
  --width W        grid columns, 4 to 100                         (default 10)
  --height H       grid rows, 4 to 100                            (default 10)
  --population P   members, 2 to 1000000                          (default 100)
  --pcross PC      crossover probability, a decimal number        (default 0.5)
  --pmut PM        mutation probability, a decimal number         (default 0.07)
  --generations G  steps after each creation, 0 to 100000000      (default 100)
  --runs K         creations in a row, one random stream, 1 to 1000 (default 1)
  --threads T      worker threads, 1 to 1024; output is the same  (default: all cores)
  --tour           add the tours of the generation and overall best
  --every N        only the rows of generations that are multiples of N, 1 to
                   100000000, and each run's last row             (default 1: all)
  --label TEXT     a first column 'label' with TEXT in every row (no commas,
                   double quotes or control characters)
  --no-header      leave out the header line
  --quiet          no progress line
  --help           show this text
  --version        show the version

Exit status: 0 done, 1 the population does not fit in memory, 2 bad arguments.
)");
}

TEST(RunOptionsTest, HelpAndVersion) {
  EXPECT_TRUE(parse({"--help"}).options.help);
  EXPECT_TRUE(parse({"--width", "20", "--help", "--bogus"}).options.help);
  EXPECT_TRUE(parse({"--version"}).options.version);
  EXPECT_NE(usageText().find("--generations"), std::string::npos);
}

// stdout and stderr of a run; stderr is no terminal here, so it must stay
// empty.
std::string runToString(const RunOptions& options) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  std::FILE* err = std::tmpfile();
  const int status = runAll(options, out, err);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::ftell(err), 0L);
  std::fclose(err);
  return text;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// The generation column of a row (the second, or the third after a label).
int generationOf(const std::string& row, bool labelled) {
  std::size_t at = row.find(',') + 1;
  if (labelled) at = row.find(',', at) + 1;
  return std::stoi(row.substr(at));
}

TEST(RunnerTest, RowsFollowTheEngine) {
  RunOptions options;
  options.encoding = EncodingKind::kPath;
  options.width = 4;
  options.height = 4;
  options.population = 3;
  options.generations = 2;
  options.runs = 2;
  options.tour = true;
  const std::vector<std::string> lines = linesOf(runToString(options));
  ASSERT_EQ(lines.size(), 1u + 2 * 3);
  EXPECT_EQ(lines[0], "run,generation,average,best,overall_best,overall_best_generation,best_tour,overall_best_tour");
  EXPECT_EQ(lines[1].rfind("1,0,", 0), 0u);
  EXPECT_EQ(lines[3].rfind("1,2,", 0), 0u);
  EXPECT_EQ(lines[4].rfind("2,0,", 0), 0u);
  // A row's columns match a second engine driven the same way.
  auto engine = makeEngine(EncodingKind::kPath);
  engine->createPopulation(Grid::of(4, 4), 3, 0.07, 0.5);
  EXPECT_EQ(lines[1], csvRow(*engine, 1, true));
  engine->step();
  EXPECT_EQ(lines[2], csvRow(*engine, 1, true));
}

// --every keeps the rows of the multiples of K and each run's last one, as
// they are in the full output; the default keeps them all.
TEST(RunnerTest, EveryKeepsTheMultiplesAndEachRunsLastRow) {
  RunOptions options;
  options.width = 5;
  options.height = 4;
  options.population = 7;
  options.runs = 2;
  struct Case {
    std::int32_t generations, every;
    std::vector<int> kept;  // generations per run
  };
  const Case cases[] = {{10, 4, {0, 4, 8, 10}}, {8, 4, {0, 4, 8}}, {5, 100, {0, 5}}, {0, 3, {0}}, {3, 1, {0, 1, 2, 3}}};
  for (const Case& c : cases) {
    options.generations = c.generations;
    options.every = 1;
    const std::vector<std::string> all = linesOf(runToString(options));
    options.every = c.every;
    const std::vector<std::string> thinned = linesOf(runToString(options));
    ASSERT_EQ(thinned.size(), 1 + 2 * c.kept.size()) << c.generations << " every " << c.every;
    EXPECT_EQ(thinned[0], all[0]);
    std::size_t row = 1;
    for (int run = 0; run < 2; ++run)
      for (int g : c.kept) EXPECT_EQ(thinned[row++], all[1 + run * (c.generations + 1) + g]) << g;
  }
}

// --label puts a column of its own first, named in the header; --no-header
// leaves the header out; the rest of every row stays as it was.
TEST(RunnerTest, LabelAndHeader) {
  RunOptions options;
  options.generations = 3;
  options.every = 2;
  const std::vector<std::string> plain = linesOf(runToString(options));
  options.label = "pc=0.5 pm=0.07";
  const std::vector<std::string> labelled = linesOf(runToString(options));
  ASSERT_EQ(labelled.size(), plain.size());
  EXPECT_EQ(labelled[0], "label," + plain[0]);
  EXPECT_EQ(csvHeader(false, true), "label,run,generation,average,best,overall_best,overall_best_generation");
  for (std::size_t i = 1; i < plain.size(); ++i) {
    EXPECT_EQ(labelled[i], "pc=0.5 pm=0.07," + plain[i]);
    EXPECT_EQ(generationOf(labelled[i], true), generationOf(plain[i], false));
  }
  options.header = false;
  const std::vector<std::string> headless = linesOf(runToString(options));
  EXPECT_EQ(headless, std::vector<std::string>(labelled.begin() + 1, labelled.end()));
  options.label = "";
  EXPECT_EQ(linesOf(runToString(options))[0], "," + plain[1]);
}

TEST(RunnerTest, RowFormat) {
  auto engine = makeEngine(EncodingKind::kRandomKey);
  engine->createPopulation(Grid::of(4, 4), 3, 0.07, 0.5);
  const std::string row = csvRow(*engine, 7, false);
  char average[64];
  std::snprintf(average, sizeof average, "%.17g", engine->averageLength());
  const std::string expected = "7,0," + std::string(average) + "," +
                               std::to_string(static_cast<int>(engine->generationBestLength())) + "," +
                               std::to_string(static_cast<int>(engine->overallBestLength())) + ",0";
  EXPECT_EQ(row, expected);

  // With tours: the cities of each, in order, joined by ';'.
  auto joined = [](const std::vector<std::int32_t>& tour) {
    std::string text;
    for (std::size_t i = 0; i < tour.size(); ++i) text += (i ? ";" : "") + std::to_string(tour[i]);
    return text;
  };
  engine->step();
  const std::string withTours = csvRow(*engine, 7, true);
  const std::string tours = "," + joined(engine->generationBestTour()) + "," + joined(engine->overallBestTour());
  ASSERT_GE(withTours.size(), tours.size());
  EXPECT_EQ(withTours.substr(withTours.size() - tours.size()), tours);
  EXPECT_EQ(withTours.substr(0, withTours.size() - tours.size()), csvRow(*engine, 7, false));
}

}  // namespace
}  // namespace wendra
