#include "run_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engines.h"
#include "runner.h"

namespace wendra {
namespace {

ParsedOptions parse(std::vector<std::string> args) { return parseRunOptions(args); }

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
  };
  for (const BadCase& c : cases) {
    const ParsedOptions p = parse(c.args);
    ASSERT_FALSE(p.ok()) << c.args[0];
    EXPECT_NE(p.error.find(c.mentions), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
    EXPECT_EQ(p.error.rfind("wendra-run: ", 0), 0u);
  }
}

TEST(RunOptionsTest, HelpAndVersion) {
  EXPECT_TRUE(parse({"--help"}).options.help);
  EXPECT_TRUE(parse({"--width", "20", "--help", "--bogus"}).options.help);
  EXPECT_TRUE(parse({"--version"}).options.version);
  EXPECT_NE(usageText().find("--generations"), std::string::npos);
}

std::string runToString(const RunOptions& options) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  const int status = runAll(options, out, stderr);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  EXPECT_EQ(status, 0);
  return text;
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
  const std::string text = runToString(options);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
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
