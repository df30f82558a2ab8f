// The generation step: draw order, selection, records, determinism and the
// refusal of a population that does not fit.
#include "fast_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstring>
#include <vector>

#include "../reference/draw_count.h"
#include "engines.h"
#include "instruction_set.h"
#include "key_layout.h"
#include "literal_engine.h"
#include "literal_path.h"
#include "literal_random_key.h"
#include "path_layout.h"

namespace wendra {
namespace {

using testing::drawsBetween;

struct Record {
  std::int32_t generation, overallBestGeneration;
  double average, best, overall;
  std::vector<std::int32_t> bestTour, overallTour;
  std::uint32_t state;
  bool operator==(const Record&) const = default;
};

Record recordOf(EvolutionEngine& e) {
  return {e.generation(), e.overallBestGeneration(), e.averageLength(), e.generationBestLength(),
          e.overallBestLength(), e.generationBestTour(), e.overallBestTour(), e.random().state()};
}

template <class Engine>
std::vector<std::uint8_t> memberBytes(const Engine& e, std::int32_t i) {
  auto span = e.chromosome(i);
  return {span.begin(), span.end()};
}

// Every member in the reference format, every length, the records and the
// stream's state.
template <class Engine>
std::vector<double> fingerprint(const Engine& e) {
  std::vector<double> f = {static_cast<double>(e.random().state()), e.generationBestLength(), e.overallBestLength(),
                           e.averageLength(), static_cast<double>(e.overallBestGeneration())};
  for (std::int32_t i = 0; i < e.populationSize(); ++i) {
    f.push_back(e.memberLength(i));
    const auto c = e.chromosome(i);
    f.insert(f.end(), c.begin(), c.end());
  }
  return f;
}

// The engine on every kernel build that runs here, the scalar one included,
// on one thread and on the pool (30 x 30 with 200 members is large enough to
// be shared out), against the reference build.
template <class Layout, class Encoding>
void expectEveryKernelBuildToGiveTheReferenceRun() {
  struct Case {
    Grid grid;
    std::int32_t population;
    double pm, pc;
  };
  for (const Case& c : {Case{Grid::of(7, 5), 13, 0.3, 0.7}, Case{Grid::of(30, 30), 200, 0.02, 0.8}}) {
    std::vector<std::vector<double>> want;
    literal::GeneticEngine<Encoding> reference;
    reference.createPopulation(c.grid, c.population, c.pm, c.pc);
    for (int g = 0; g < 4; ++g, reference.step()) want.push_back(fingerprint(reference));
    for (InstructionSet set : runnableSets()) {
      for (int threads : {1, 2}) {
        FastEngine<Layout> fast(threads, FastEngine<Layout>::kRedrawPlanBytes, set);
        fast.createPopulation(c.grid, c.population, c.pm, c.pc);
        for (int g = 0; g < 4; ++g, fast.step())
          ASSERT_EQ(fingerprint(fast), want[g]) << nameOf(set) << " " << threads << " threads, generation " << g;
      }
    }
  }
}

TEST(FastEngineTest, EveryKernelBuildGivesTheReferenceRun) {
  expectEveryKernelBuildToGiveTheReferenceRun<PathLayout, literal::PathEncoding>();
  expectEveryKernelBuildToGiveTheReferenceRun<KeyLayout, literal::RandomKeyEncoding>();
}

TEST(FastEngineTest, TwoEnginesWithTheSameInputsAgreeEverywhere) {
  for (EncodingKind kind : {EncodingKind::kPath, EncodingKind::kRandomKey}) {
    auto a = makeEngine(kind), b = makeEngine(kind);
    for (int run = 0; run < 2; ++run) {
      a->createPopulation(Grid::of(6, 5), 21, 0.05, 0.7);
      b->createPopulation(Grid::of(6, 5), 21, 0.05, 0.7);
      ASSERT_EQ(recordOf(*a), recordOf(*b));
      for (int g = 0; g < 30; ++g) {
        a->step();
        b->step();
        ASSERT_EQ(recordOf(*a), recordOf(*b)) << g;
      }
    }
  }
}

TEST(FastEngineTest, CreationSetsTheRecordsFromTheFirstShortestMember) {
  FastEngine<KeyLayout> e;
  e.createPopulation(Grid::of(4, 4), 50, 0.07, 0.5);
  // Creation draws exactly 7N per member.
  EXPECT_EQ(drawsBetween(0, e.random().state()), 50L * 7 * 16);
  EXPECT_EQ(e.generation(), 0);
  EXPECT_EQ(e.overallBestGeneration(), 0);
  EXPECT_EQ(e.generationBestTour(), e.overallBestTour());
  std::vector<double> lengths;
  for (int i = 0; i < 50; ++i) lengths.push_back(e.memberLength(i));
  const auto first = std::min_element(lengths.begin(), lengths.end()) - lengths.begin();
  EXPECT_EQ(e.generationBestLength(), lengths[first]);
  EXPECT_EQ(e.generationBestTour(), e.memberTour(static_cast<std::int32_t>(first)));
  // Running sums of 1 / (length - shortest + 1), in index order.
  double sum = 0.0;
  for (int i = 0; i < 50; ++i) {
    sum += 1.0 / (lengths[i] - lengths[first] + 1.0);
    EXPECT_EQ(e.selectionWeights()[i], sum) << i;
  }
  // The average is the index-order sum divided by P.
  double total = 0.0;
  for (double l : lengths) total += l;
  EXPECT_EQ(e.averageLength(), total / 50);
}

TEST(FastEngineTest, StepDrawsInTheDocumentedOrder) {
  // Random keys draw a fixed number per operation, so a step's draws count:
  // per pair two selections, the crossover decision, the cut when crossed,
  // and 7N per child; an odd P adds one selection and one mutation.
  const std::int32_t n = 16;
  for (std::int32_t p : {2, 3, 10, 11}) {
    for (double pc : {0.0, 1.0, 1.5, -0.5}) {
      FastEngine<KeyLayout> e;
      e.createPopulation(Grid::of(4, 4), p, 0.1, pc);
      const std::uint32_t before = e.random().state();
      e.step();
      const long pairs = p / 2;
      const long crossings = pc >= 1.0 ? pairs : 0;
      long expected = pairs * (3 + 14 * n) + crossings;
      if (p % 2) expected += 1 + 7 * n;
      EXPECT_EQ(drawsBetween(before, e.random().state()), expected) << p << " " << pc;
    }
  }
}

TEST(FastEngineTest, SelectionCopiesTheFirstMemberWhoseRunningWeightExceedsTheDraw) {
  // With pc = 0 and pm = 0 an offspring is an exact copy of its parent, so
  // the step can be replayed from the weights and the stream.
  for (std::int32_t p : {2, 7, 40}) {
    FastEngine<PathLayout> e;
    e.createPopulation(Grid::of(5, 4), p, 0.0, 0.0);
    for (int g = 0; g < 5; ++g) {
      const std::vector<double> weights(e.selectionWeights().begin(), e.selectionWeights().end());
      std::vector<std::vector<std::uint8_t>> parents;
      for (std::int32_t i = 0; i < p; ++i) parents.push_back(memberBytes(e, i));
      Random replay = e.random();
      std::vector<std::vector<std::uint8_t>> expected(p);
      auto pick = [&] {
        const double r = replay.scaled(weights.back());
        const auto it = std::upper_bound(weights.begin(), weights.end(), r);
        return std::min<std::ptrdiff_t>(it - weights.begin(), p - 1);
      };
      for (std::int32_t i = 0; 2 * i < p; ++i) {
        expected[2 * i] = parents[pick()];
        if (2 * i + 1 < p) {
          expected[2 * i + 1] = parents[pick()];
          replay.uniform();  // crossover decision
          for (int k = 0; k < 2 * 20; ++k) replay.uniform();  // two mutations at pm = 0
        } else {
          for (int k = 0; k < 20; ++k) replay.uniform();
        }
      }
      e.step();
      for (std::int32_t i = 0; i < p; ++i) ASSERT_EQ(memberBytes(e, i), expected[i]) << p << " " << g << " " << i;
      EXPECT_EQ(e.random().state(), replay.state());
    }
  }
}

TEST(FastEngineTest, TiesGoToTheLowerIndexAndTheOverallBestOnlyShrinks) {
  FastEngine<KeyLayout> e;
  e.createPopulation(Grid::of(4, 4), 30, 0.0, 0.0);
  double overall = e.overallBestLength();
  for (int g = 0; g < 20; ++g) {
    const double before = e.overallBestLength();
    const std::int32_t counter = e.generation();
    e.step();
    EXPECT_EQ(e.generation(), counter + 1);
    EXPECT_LE(e.overallBestLength(), overall);
    if (e.overallBestLength() < before) {
      EXPECT_EQ(e.overallBestGeneration(), counter);
    }
    overall = e.overallBestLength();
    std::int32_t first = 0;
    for (std::int32_t i = 1; i < 30; ++i)
      if (e.memberLength(i) < e.memberLength(first)) first = i;
    EXPECT_EQ(e.generationBestTour(), e.memberTour(first));
  }
}

TEST(FastEngineTest, AnImprovementInTheFirstStepIsReportedWithGenerationZero) {
  // Search a few seeds for a first step that improves the overall best.
  bool seen = false;
  for (std::uint32_t seed = 0; seed < 50 && !seen; ++seed) {
    auto e = makeEngine(EncodingKind::kPath);
    e->random().setState(seed);
    e->createPopulation(Grid::of(6, 6), 20, 0.1, 0.9);
    const double start = e->overallBestLength();
    e->step();
    if (e->overallBestLength() < start) {
      seen = true;
      EXPECT_EQ(e->overallBestGeneration(), 0);
      EXPECT_EQ(e->generation(), 1);
    }
  }
  EXPECT_TRUE(seen);
}

TEST(FastEngineTest, WithoutCrossoverAndMutationOnlySelectionActs) {
  auto e = makeEngine(EncodingKind::kPath);
  e->createPopulation(Grid::of(4, 4), 12, 0.0, 0.0);
  for (int g = 0; g < 10; ++g) {
    std::vector<std::vector<std::int32_t>> previous;
    auto& engine = static_cast<FastEngine<PathLayout>&>(*e);
    for (int i = 0; i < 12; ++i) previous.push_back(engine.memberTour(i));
    e->step();
    for (int i = 0; i < 12; ++i) {
      EXPECT_NE(std::find(previous.begin(), previous.end(), engine.memberTour(i)), previous.end());
    }
  }
}

// The halving search of the algorithm as first written.
std::int32_t halvingSearch(const std::vector<double>& w, double r) {
  std::int32_t lo = 0, hi = static_cast<std::int32_t>(w.size()) - 1;
  while (hi > lo) {
    const std::int32_t mid = (lo + hi) / 2;
    if (w[mid] > r)
      hi = mid;
    else if (mid == lo)
      lo = mid + 1;
    else
      lo = mid;
  }
  return hi;
}

TEST(FastEngineTest, RouletteSearchEqualsTheHalvingSearch) {
  // Non-decreasing running weights (with runs of equal values, as when a
  // weight is absorbed by rounding), probed at, just around, below and
  // beyond every weight.
  Random random;
  for (std::int32_t p = 1; p <= 70; ++p) {
    for (int trial = 0; trial < 5; ++trial) {
      std::vector<double> w(static_cast<std::size_t>(p));
      double running = 0.0;
      for (auto& x : w) x = running += random.below(3) == 0 ? 0.0 : 1.0 / (1.0 + random.below(5));
      std::vector<double> probes = {-1.0, 0.0, w.back(), w.back() * 2};
      for (double x : w) probes.insert(probes.end(), {x, std::nextafter(x, -1e9), std::nextafter(x, 1e9)});
      std::vector<std::int32_t> batch(probes.size());
      for (std::size_t at = 0; at < probes.size(); at += 64) {
        const int count = static_cast<int>(std::min<std::size_t>(64, probes.size() - at));
        rouletteIndices(w.data(), p, probes.data() + at, batch.data() + at, count);
      }
      for (std::size_t k = 0; k < probes.size(); ++k) {
        ASSERT_EQ(rouletteIndex(w.data(), p, probes[k]), halvingSearch(w, probes[k])) << p << " " << probes[k];
        ASSERT_EQ(batch[k], halvingSearch(w, probes[k])) << p << " " << probes[k];
      }
    }
  }
}

TEST(FastEngineTest, ThreadCountsAndRecreationGiveTheSameRun) {
  // Large enough to run on the pool; a second creation of the same size
  // reuses the buffers, one of another size replaces them.
  std::vector<std::unique_ptr<EvolutionEngine>> engines;
  for (int threads : {1, 2, 3, 8}) engines.push_back(makeEngine(EncodingKind::kRandomKey, threads));
  for (const Grid grid : {Grid::of(20, 20), Grid::of(20, 20), Grid::of(12, 30)}) {
    for (auto& e : engines) e->createPopulation(grid, 401, 0.05, 0.7);
    for (int g = 0; g < 4; ++g) {
      for (auto& e : engines) e->step();
      for (auto& e : engines) ASSERT_EQ(recordOf(*e), recordOf(*engines[0])) << g;
    }
  }
}

std::uint64_t tinyMemory() { return 1000000; }  // 1 MB

TEST(FastEngineTest, APopulationThatDoesNotFitLeavesEverythingAsItWas) {
  for (EncodingKind kind : {EncodingKind::kPath, EncodingKind::kRandomKey}) {
    auto e = makeEngine(kind), twin = makeEngine(kind);
    for (auto* x : {e.get(), twin.get()}) {
      x->createPopulation(Grid::of(8, 8), 20, 0.05, 0.6);
      x->step();
    }
    e->setMemoryProbe(&tinyMemory);
    const Record before = recordOf(*e);
    try {
      e->createPopulation(Grid::of(100, 100), 1000, 0.05, 0.6);
      FAIL() << "creation should be refused";
    } catch (const PopulationTooLarge& error) {
      EXPECT_EQ(std::string(error.what()).rfind("Not enough memory for 1000 members on a 100 x 100 grid: ", 0), 0u)
          << error.what();
      EXPECT_NE(std::string(error.what()).find("MB needed, 1 MB available"), std::string::npos) << error.what();
    }
    EXPECT_EQ(recordOf(*e), before);
    EXPECT_EQ(e->grid(), Grid::of(8, 8));
    EXPECT_EQ(e->populationSize(), 20);
    for (int g = 0; g < 5; ++g) {
      e->step();
      twin->step();
      EXPECT_EQ(recordOf(*e), recordOf(*twin));
    }
  }
}

}  // namespace
}  // namespace wendra
