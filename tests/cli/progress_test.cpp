// The progress line's text; what reaches a terminal is checked through a
// pseudo-terminal by progress.sh.
#include "progress.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace wendra {
namespace {

ProgressState stepping(std::int32_t generation, double seconds) {
  ProgressState s;
  s.run = 2;
  s.runs = 5;
  s.creating = false;
  s.population = 1000;
  s.generation = generation;
  s.generations = 5000;
  s.best = 184;
  s.phaseSeconds = seconds;
  s.creationSeconds = 3;
  return s;
}

TEST(ProgressTest, StepsShowRateAndTimeLeftForAllRuns) {
  // 1200 generations in 0.5 s: 2400 a second; 3800 left in this run
  // (about 1.6 s), then three runs of 3 s creation and 5000 generations.
  EXPECT_EQ(progressText(stepping(1200, 0.5), 200),
            "run 2 of 5, generation 1200 of 5000, best 184, 2400 generations/s, 17 s left");
  ProgressState last = stepping(100, 50);
  last.run = last.runs = 5;
  EXPECT_EQ(progressText(last, 200), "run 5 of 5, generation 100 of 5000, best 184, 2 generations/s, 40:50 left");
  last.generations = 1000000;
  last.phaseSeconds = 300;
  EXPECT_EQ(progressText(last, 200),
            "run 5 of 5, generation 100 of 1000000, best 184, 0.333 generations/s, 833:15:00 left");
  // No rate before the first generation.
  EXPECT_EQ(progressText(stepping(0, 0.2), 200), "run 2 of 5, generation 0 of 5000, best 184");
}

TEST(ProgressTest, CreationShowsThatItIsWorking) {
  ProgressState s = stepping(0, 12.4);
  s.creating = true;
  s.population = 1000000;
  EXPECT_EQ(progressText(s, 200), "run 2 of 5, creating 1000000 members, 12 s");
  s.phaseSeconds = 61;
  EXPECT_EQ(progressText(s, 200), "run 2 of 5, creating 1000000 members, 1:01");
}

TEST(ProgressTest, LineIsCutToTheTerminal) {
  EXPECT_EQ(progressText(stepping(1200, 0.5), 30), "run 2 of 5, generation 1200 of");
  EXPECT_EQ(progressText(stepping(1200, 0.5), 0), "");
}

TEST(ProgressTest, DisabledLineWritesNothing) {
  std::FILE* err = std::tmpfile();
  {
    ProgressLine line(err, false, 3, 100, 10);
    EXPECT_FALSE(line.shown());
    line.creating(1);
    line.created(200);
    line.stepped(1, 190);
    EXPECT_TRUE(line.whileCleared([] { return true; }));
    line.finish();
  }
  EXPECT_EQ(std::ftell(err), 0L);
  std::fclose(err);
}

}  // namespace
}  // namespace wendra
