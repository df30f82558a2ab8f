#include "path_layout.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wendra {
namespace {

constexpr std::uint64_t kAlways = std::uint64_t{1} << 32;

std::uint16_t* genes(std::uint8_t* chromosome) { return reinterpret_cast<std::uint16_t*>(chromosome); }
const std::uint16_t* genes(const std::uint8_t* chromosome) {
  return reinterpret_cast<const std::uint16_t*>(chromosome);
}

std::uint32_t below(std::uint32_t n, std::uint32_t state) {
  return static_cast<std::uint32_t>((std::uint64_t{n} * state) >> 32);
}

}  // namespace

PathLayout::Worker::Worker(const PathLayout& layout)
    : layout_(&layout), tailMark_(layout.codes_.codeSpace(), 0) {
  // Room for a whole vector stored beyond the last entry.
  surplusA_.resize(static_cast<std::size_t>(layout.cities_) + 32);
  surplusB_.resize(static_cast<std::size_t>(layout.cities_) + 32);
}

std::size_t PathLayout::Worker::heapBytes(const PathLayout& layout) {
  return lineVectorBytes<std::uint32_t>(layout.codes_.codeSpace()) +
         2 * lineVectorBytes<std::uint16_t>(static_cast<std::size_t>(layout.cities_) + 32);
}

std::uint32_t PathLayout::Worker::nextStamp() {
  // Stamps live in the 17 bits above a 15-bit position; on wrap-around the
  // marks are cleared so that no old mark can match.
  if (++stamp_ == (1u << 17)) {
    std::fill(tailMark_.begin(), tailMark_.end(), 0u);
    stamp_ = 1;
  }
  return stamp_;
}

void PathLayout::Worker::crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut,
                                   std::uint8_t* child1, std::uint8_t* child2) {
  const std::uint16_t* ga = genes(a);
  const std::uint16_t* gb = genes(b);
  std::uint16_t* x = genes(child1);
  std::uint16_t* y = genes(child2);
  const auto n = static_cast<std::uint32_t>(layout_->cities_);
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
  const std::uint32_t tradesA = surplus(ga, gb, cut, surplusA_.data());
  const std::uint32_t tradesB = surplus(gb, ga, cut, surplusB_.data());
  const std::uint32_t trades = std::min(tradesA, tradesB);
  for (std::uint32_t r = 0; r < trades; ++r) std::swap(x[surplusA_[r]], y[surplusB_[r]]);
}

std::uint32_t PathLayout::Worker::surplus(const std::uint16_t* head, const std::uint16_t* tail, std::uint32_t cut,
                                          std::uint16_t* out) {
  const auto n = static_cast<std::uint32_t>(layout_->cities_);
  std::uint32_t* mark = tailMark_.data();
  const std::uint32_t stamp = nextStamp() << 15;
  std::uint32_t p = cut;
  // Eight marks per two loads of the tail's codes: the loop is bound by its
  // instruction count more than by its stores.
  for (; p + 8 <= n; p += 8) {
    std::uint64_t codes[2];
    std::memcpy(codes, tail + p, sizeof codes);
    for (std::uint32_t j = 0; j < 8; ++j) mark[(codes[j / 4] >> (16 * (j % 4))) & 0xFFFFu] = (stamp | p) + j;
  }
  for (; p < n; ++p) mark[tail[p]] = stamp | p;
  return layout_->creationKernels_->stampedPositions(head, cut, mark, stamp, out);
}

PathLayout::PathLayout(const Grid& grid, double mutationProbability, InstructionSet kernels)
    : cities_(grid.cities()),
      codes_(grid),
      mutationKernels_(&kernelsFor<PathMutationKernels>(kernels)),
      creationKernels_(&kernelsFor<PathCreationKernels>(kernels)),
      tourKernels_(&kernelsFor<TourKernels>(kernels)),
      mutationThreshold_(Random::chanceThreshold(mutationProbability)),
      overGenes_(StreamJump::over(static_cast<std::uint64_t>(grid.cities()))),
      overAllHits_(StreamJump::over(2 * static_cast<std::uint64_t>(grid.cities()))) {}

PathChains PathLayout::chains() const {
  return PathChains(static_cast<std::uint32_t>(cities_), codes_.codes(), storedBytes(), *creationKernels_);
}

int PathLayout::creationWorkers(const WorkerPool* pool) {
  // More tasks than cores would only add overlap.
  return pool ? std::min(pool->threads(), availableCores()) : 1;
}

std::size_t PathLayout::planWordsPerChild() const {
  // A mutation takes at most 2N draws.
  if (mutationThreshold_ == 0 || mutationThreshold_ == kAlways) return 0;
  return (2 * static_cast<std::size_t>(cities_) + 63) / 64;
}

std::uint32_t PathLayout::planMutation(std::uint32_t state, std::uint64_t* words, std::size_t& used) const {
  used = 0;
  if (mutationThreshold_ == 0) return overGenes_.apply(state);
  if (mutationThreshold_ == kAlways) return overAllHits_.apply(state);
  return mutationKernels_->plan(state, static_cast<std::uint32_t>(mutationThreshold_),
                                static_cast<std::uint32_t>(cities_), words, &used);
}

void PathLayout::mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words) const {
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
  mutationKernels_->apply(state, n, g, words);
}

std::int32_t PathLayout::length(const std::uint8_t* chromosome) const {
  return tourKernels_->codeTourLength(genes(chromosome), static_cast<std::size_t>(cities_));
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
