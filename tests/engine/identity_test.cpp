// The fast engine against the reference build (reference/): after every
// creation and every step, every member's chromosome (in the reference
// format), every length, the selection weights, the average, both records
// with their tours, the counters and the random state must be identical, for
// both encodings and any number of threads (1, 2, 3 and 7 here).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fast_engine.h"
#include "key_layout.h"
#include "literal_engine.h"
#include "literal_path.h"
#include "literal_random_key.h"
#include "path_layout.h"

namespace wendra {
namespace {

struct Snapshot {
  std::int32_t generation, overallBestGeneration;
  double average, best, overall;
  std::vector<std::int32_t> bestTour, overallTour;
  std::uint32_t state;
  std::vector<double> lengths, weights;
  std::vector<std::uint8_t> members;  // all chromosomes, reference format, in order
  bool operator==(const Snapshot&) const = default;
};

template <class Engine>
Snapshot snapshotOf(const Engine& e) {
  Snapshot s{e.generation(), e.overallBestGeneration(), e.averageLength(), e.generationBestLength(),
             e.overallBestLength(), e.generationBestTour(), e.overallBestTour(), e.random().state(),
             {}, {}, {}};
  for (std::int32_t i = 0; i < e.populationSize(); ++i) {
    s.lengths.push_back(e.memberLength(i));
    const auto c = e.chromosome(i);
    s.members.insert(s.members.end(), c.begin(), c.end());
  }
  s.weights.assign(e.selectionWeights().begin(), e.selectionWeights().end());
  return s;
}

// Names the first difference, so a failure says where the engines part.
std::string difference(const Snapshot& want, const Snapshot& got) {
  if (want.state != got.state) return "random state " + std::to_string(want.state) + " vs " + std::to_string(got.state);
  if (want.members != got.members) {
    for (std::size_t b = 0; b < want.members.size() && b < got.members.size(); ++b)
      if (want.members[b] != got.members[b]) return "chromosome bytes differ from byte " + std::to_string(b);
    return "chromosome sizes differ";
  }
  if (want.lengths != got.lengths) return "member lengths";
  if (want.weights != got.weights) return "selection weights";
  if (want.average != got.average) return "average";
  if (want.best != got.best || want.bestTour != got.bestTour) return "generation best";
  if (want.overall != got.overall || want.overallTour != got.overallTour) return "overall best";
  if (want.generation != got.generation || want.overallBestGeneration != got.overallBestGeneration)
    return "counters";
  return "";
}

struct Creation {
  std::int32_t width, height, population;
  double pm, pc;
  int generations;
};

struct Case {
  const char* name;
  std::uint32_t seed;  // the stream's starting state
  std::vector<Creation> creations;  // one after another, one stream
};

template <class Reference, class Fast>
void checkCase(const Case& c) {
  // The reference trajectory, recorded once.
  std::vector<Snapshot> expected;
  {
    Reference reference;
    reference.random().setState(c.seed);
    for (const Creation& k : c.creations) {
      reference.createPopulation(Grid::of(k.width, k.height), k.population, k.pm, k.pc);
      expected.push_back(snapshotOf(reference));
      for (int g = 0; g < k.generations; ++g) {
        reference.step();
        expected.push_back(snapshotOf(reference));
      }
    }
  }
  // Several workers take the plan whole or as one state per pair; the
  // engine chooses by layout and size, and each way is also forced once.
  constexpr std::size_t kByDefault = 1;  // not a size the engine is given below
  struct Workers {
    int threads;
    std::size_t sharedPlanBytes;
  };
  for (const Workers w : {Workers{1, kByDefault}, Workers{2, kByDefault}, Workers{3, kByDefault},
                          Workers{7, kByDefault}, Workers{2, 0}, Workers{2, SIZE_MAX}}) {
    const int threads = w.threads;
    const auto engine = w.sharedPlanBytes == kByDefault ? std::make_unique<Fast>(threads)
                                                       : std::make_unique<Fast>(threads, w.sharedPlanBytes);
    Fast& fast = *engine;
    fast.random().setState(c.seed);
    std::size_t at = 0;
    for (const Creation& k : c.creations) {
      fast.createPopulation(Grid::of(k.width, k.height), k.population, k.pm, k.pc);
      for (int g = 0; g <= k.generations; ++g, ++at) {
        if (g > 0) fast.step();
        const Snapshot got = snapshotOf(fast);
        ASSERT_EQ(difference(expected[at], got), "")
            << c.name << ", " << threads << " threads, plan handed over "
            << (w.sharedPlanBytes == kByDefault ? "as chosen" : w.sharedPlanBytes == 0 ? "whole" : "by states")
            << ", " << k.width << "x" << k.height << " P=" << k.population << ", generation " << g;
        ASSERT_EQ(expected[at], got);
      }
    }
  }
}

// Grids up to 100 x 100, odd and even P, probabilities at 0, 1 and beyond,
// thresholds at the smallest steps of the draws, populations large enough
// for the steps to run on several workers, and creations that follow one
// another on the same stream.
const double kTiny = 1.0 / 4294967296.0;  // 2^-32: only the state 0 hits
const std::vector<Case> kCases = {
    {"defaults", 0, {{10, 10, 100, 0.07, 0.5, 25}}},
    {"two members, nothing acts", 0, {{4, 4, 2, 0.0, 0.0, 20}}},
    {"everything always", 7, {{5, 7, 11, 1.0, 1.0, 15}}},
    {"beyond one", 99, {{8, 6, 9, 1.5, 1.5, 12}}},
    {"negative", 3, {{6, 6, 31, -0.5, -1.0, 10}}},
    {"odd, then even, then odd", 12345,
     {{7, 5, 13, 0.05, 0.7, 8}, {4, 9, 20, 0.2, 0.3, 8}, {9, 9, 3, 0.5, 0.9, 8}}},
    {"thresholds at the step", 1, {{5, 5, 40, kTiny, 1.0 - kTiny / 2, 10}, {6, 5, 41, 1.0 - kTiny, kTiny, 10}}},
    {"thirty, on several workers", 4242, {{30, 30, 146, 0.02, 0.8, 5}}},
    {"wide and flat", 77, {{100, 4, 331, 0.01, 0.6, 4}}},
    {"largest grid", 5, {{100, 100, 3, 0.001, 1.0, 2}, {10, 10, 5, 0.3, 0.5, 3}}},
    // Creations large enough to be shared out among workers, again on the
    // same buffers after steps, with odd counts and few members per worker.
    {"creations on several workers", 31,
     {{30, 30, 200, 0.02, 0.7, 2}, {30, 30, 200, 0.0, 0.5, 1}, {30, 30, 200, 0.05, 0.5, 1}, {10, 10, 2000, 0.05, 0.5, 2},
      {50, 50, 60, 0.01, 0.9, 1}}},
    {"odd creations on several workers", 9, {{10, 10, 1311, 0.05, 0.5, 2}, {30, 30, 151, 0.03, 0.6, 1}, {50, 50, 61, 0.02, 0.5, 1}}},
    {"few members on the largest grid", 2, {{100, 100, 14, 0.001, 0.5, 1}}},
};

class IdentityTest : public ::testing::TestWithParam<Case> {};

TEST_P(IdentityTest, PathEngineMatchesTheReference) {
  checkCase<literal::GeneticEngine<literal::PathEncoding>, FastEngine<PathLayout>>(GetParam());
}

TEST_P(IdentityTest, KeyEngineMatchesTheReference) {
  checkCase<literal::GeneticEngine<literal::RandomKeyEncoding>, FastEngine<KeyLayout>>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, IdentityTest, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
});

// Many small random configurations on one grid each.
TEST(IdentityTest, ManySmallConfigurations) {
  Random pick;
  pick.setState(2026);
  for (int trial = 0; trial < 40; ++trial) {
    const Creation k{4 + static_cast<std::int32_t>(pick.below(9)), 4 + static_cast<std::int32_t>(pick.below(9)),
                     2 + static_cast<std::int32_t>(pick.below(40)), pick.uniform() * 0.3,
                     pick.uniform() * 1.2, 6};
    const Case c{"random", pick.advance(), {k}};
    if (trial % 2)
      checkCase<literal::GeneticEngine<literal::PathEncoding>, FastEngine<PathLayout>>(c);
    else
      checkCase<literal::GeneticEngine<literal::RandomKeyEncoding>, FastEngine<KeyLayout>>(c);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace wendra
