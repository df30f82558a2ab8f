#include "key_layout.h"

#include <cstring>

#include "key_order.h"
#include "parallel.h"

namespace wendra {
namespace {

constexpr std::uint64_t kAlways = std::uint64_t{1} << 32;

}  // namespace

KeyLayout::KeyLayout(const Grid& grid, double mutationProbability, InstructionSet kernels)
    : grid_(grid),
      cities_(grid.cities()),
      codes_(grid),
      kernels_(&kernelsFor<KeyKernels>(kernels)),
      mutationThreshold_(Random::chanceThreshold(mutationProbability)),
      overMutation_(StreamJump::over(static_cast<std::uint64_t>(kKeyBits) * static_cast<std::uint64_t>(cities_))) {}

std::uint32_t KeyLayout::initialiseAll(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                       std::uint32_t state, WorkerPool* pool, std::uint8_t* /*spare*/) const {
  return initialiseMeasured(members, stride, count, state, pool, [](std::int64_t, bool, int) {});
}

void KeyLayout::crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut, std::uint8_t* child1,
                          std::uint8_t* child2, Scratch&) const {
  const auto n = static_cast<std::uint32_t>(cities_);
  const std::uint32_t city = cut / kKeyBits;  // the city the cut falls in
  const std::uint32_t bit = cut % kKeyBits;   // its first exchanged bit, from the top
  const auto low = static_cast<std::uint8_t>((1u << (kKeyBits - bit)) - 1);
  std::memcpy(child1, a, city);
  std::memcpy(child2, b, city);
  child1[city] = static_cast<std::uint8_t>((a[city] & ~low) | (b[city] & low));
  child2[city] = static_cast<std::uint8_t>((b[city] & ~low) | (a[city] & low));
  std::memcpy(child1 + city + 1, b + city + 1, n - city - 1);
  std::memcpy(child2 + city + 1, a + city + 1, n - city - 1);
}

void KeyLayout::mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t*, Scratch&) const {
  if (mutationThreshold_ == 0) return;
  if (mutationThreshold_ == kAlways) {
    for (std::int32_t i = 0; i < cities_; ++i) chromosome[i] ^= 0x7F;
    return;
  }
  kernels_->mutate(state, static_cast<std::uint32_t>(mutationThreshold_), chromosome,
                      static_cast<std::size_t>(cities_));
}

std::int32_t KeyLayout::length(const std::uint8_t* chromosome, Scratch& scratch) const {
  return kernels_->tourLength(chromosome, static_cast<std::size_t>(cities_), codes_.codes(),
                                 scratch.work.data());
}

void KeyLayout::lengthPair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out, Scratch& scratch) const {
  kernels_->tourLengthPair(a, b, static_cast<std::size_t>(cities_), codes_.codes(), scratch.work.data(), out);
}

void KeyLayout::tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const {
  out.resize(static_cast<std::size_t>(cities_));
  sortByKey(chromosome, static_cast<std::size_t>(cities_), out.data(),
            [](std::size_t c) { return static_cast<std::int32_t>(c); });
}

void KeyLayout::textForm(const std::uint8_t* chromosome, std::uint8_t* out) const {
  for (std::int32_t i = 0; i < cities_; ++i)
    for (std::int32_t j = 0; j < kKeyBits; ++j) out[kKeyBits * i + j] = (chromosome[i] >> (kKeyBits - 1 - j)) & 1;
}

}  // namespace wendra
