#include "path_layout.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "kernels.h"

namespace wendra {
namespace {

constexpr std::uint64_t kAlways = std::uint64_t{1} << 32;
constexpr std::size_t kWalkWords = 4;  // hit words drawn per block, at most

std::uint16_t* genes(std::uint8_t* chromosome) { return reinterpret_cast<std::uint16_t*>(chromosome); }
const std::uint16_t* genes(const std::uint8_t* chromosome) {
  return reinterpret_cast<const std::uint16_t*>(chromosome);
}

std::uint32_t below(std::uint32_t n, std::uint32_t state) {
  return static_cast<std::uint32_t>((std::uint64_t{n} * state) >> 32);
}

}  // namespace

PathLayout::Scratch::Scratch(const PathLayout& layout) : tailMark(layout.codes_.codeSpace(), 0) {
  surplusA.resize(static_cast<std::size_t>(layout.cities_) + 1);
  surplusB.resize(static_cast<std::size_t>(layout.cities_) + 1);
}

std::uint32_t PathLayout::Scratch::nextStamp() {
  // Stamps live in the 17 bits above a 15-bit position; on wrap-around the
  // marks are cleared so that no old mark can match.
  if (++stamp == (1u << 17)) {
    std::fill(tailMark.begin(), tailMark.end(), 0u);
    stamp = 1;
  }
  return stamp;
}

PathLayout::PathLayout(const Grid& grid, double mutationProbability)
    : grid_(grid),
      cities_(grid.cities()),
      codes_(grid),
      mutationThreshold_(Random::chanceThreshold(mutationProbability)),
      overGenes_(StreamJump::over(static_cast<std::uint64_t>(cities_))),
      overAllHits_(StreamJump::over(2 * static_cast<std::uint64_t>(cities_))) {}

std::uint32_t PathLayout::initialiseAll(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                        std::uint32_t state, WorkerPool* /*pool*/) const {
  if (count <= 0) return state;
  const auto n = static_cast<std::uint32_t>(cities_);
  AlignedBytes work(pathWorkBytes(n));
  return kernels()
      .pathInitialise(state, n, codes_.codes(), genes(members), stride / 2, count, UINT64_MAX, nullptr, work.data())
      .state;
}

std::size_t PathLayout::blockWords() const {
  // Blocks just long enough for a short chromosome's usual draw count.
  const auto n = static_cast<std::size_t>(cities_);
  return std::min<std::size_t>(kWalkWords, (n + n / 8 + 8 + 63) / 64);
}

std::size_t PathLayout::planWordsFor(std::size_t children) const {
  // A mutation takes at most 2N draws; the last one planned may write a
  // block beyond its own words.
  if (mutationThreshold_ == 0 || mutationThreshold_ == kAlways) return 0;
  return children * ((2 * static_cast<std::size_t>(cities_) + 63) / 64) + kWalkWords;
}

std::uint32_t PathLayout::planMutation(std::uint32_t state, std::uint64_t* words, std::size_t& used) const {
  used = 0;
  if (mutationThreshold_ == 0) return overGenes_.apply(state);
  if (mutationThreshold_ == kAlways) return overAllHits_.apply(state);
  return kernels().pathPlan(state, static_cast<std::uint32_t>(mutationThreshold_), static_cast<std::uint32_t>(cities_),
                            words, &used, blockWords());
}

void PathLayout::mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words, Scratch&) const {
  if (mutationThreshold_ == 0) return;
  std::uint16_t* g = genes(chromosome);
  const auto n = static_cast<std::uint32_t>(cities_);
  if (mutationThreshold_ == kAlways) {
    // Every position hits: draws alternate between the test and the partner.
    for (std::uint32_t i = 0; i < n; ++i) {
      state = state * Random::kMultiplier + Random::kIncrement;
      state = state * Random::kMultiplier + Random::kIncrement;
      std::swap(g[i], g[below(n, state)]);
    }
    return;
  }
  kernels().pathApply(state, n, g, words);
}

void PathLayout::crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut,
                           std::uint8_t* child1, std::uint8_t* child2, Scratch& scratch) const {
  const std::uint16_t* ga = genes(a);
  const std::uint16_t* gb = genes(b);
  std::uint16_t* x = genes(child1);
  std::uint16_t* y = genes(child2);
  const auto n = static_cast<std::uint32_t>(cities_);
  // Heads stay, tails exchanged.
  std::memcpy(x, ga, 2 * cut);
  std::memcpy(x + cut, gb + cut, 2 * (n - cut));
  std::memcpy(y, gb, 2 * cut);
  std::memcpy(y + cut, ga + cut, 2 * (n - cut));
  if (cut == 0) return;
  // The surplus cities of x's head are those of a's head that b's tail holds,
  // each at most once (b is a permutation); their tail positions come from
  // an index of b's tail, and the same for y. The repair never moves a
  // surplus city that a later search would still look for, so the positions
  // indexed before any exchange stay right.
  std::uint32_t* mark = scratch.tailMark.data();
  auto surplus = [&](const std::uint16_t* head, const std::uint16_t* tail, std::uint16_t* out) {
    const std::uint32_t stamp = scratch.nextStamp() << 15;
    for (std::uint32_t p = cut; p < n; ++p) mark[tail[p]] = stamp | p;
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < cut; ++i) {  // without branches: most are unpredictable
      const std::uint32_t m = mark[head[i]];
      out[count] = static_cast<std::uint16_t>(m & 0x7FFFu);
      count += (m & ~0x7FFFu) == stamp ? 1 : 0;
    }
    return count;
  };
  const std::uint32_t tradesA = surplus(ga, gb, scratch.surplusA.data());
  const std::uint32_t tradesB = surplus(gb, ga, scratch.surplusB.data());
  const std::uint32_t trades = std::min(tradesA, tradesB);
  for (std::uint32_t r = 0; r < trades; ++r) std::swap(x[scratch.surplusA[r]], y[scratch.surplusB[r]]);
}

std::int32_t PathLayout::length(const std::uint8_t* chromosome, Scratch&) const {
  return kernels().codeTourLength(genes(chromosome), static_cast<std::size_t>(cities_));
}

void PathLayout::tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const {
  const std::uint16_t* g = genes(chromosome);
  out.resize(static_cast<std::size_t>(cities_));
  for (std::int32_t i = 0; i < cities_; ++i) out[i] = codes_.cityOf(g[i]);
}

void PathLayout::textForm(const std::uint8_t* chromosome, std::uint8_t* out) const {
  const std::uint16_t* g = genes(chromosome);
  for (std::int32_t i = 0; i < cities_; ++i) {
    const std::int32_t gene = codes_.cityOf(g[i]) | 0x8000;
    std::memcpy(out + 4 * i, &gene, 4);
  }
}

}  // namespace wendra
