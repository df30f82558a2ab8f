#include "key_layout.h"

#include <cstring>

#include "key_order.h"

namespace wendra {
namespace {

constexpr std::uint64_t kAlways = std::uint64_t{1} << 32;

}  // namespace

void KeyLayout::Worker::crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut,
                                  std::uint8_t* child1, std::uint8_t* child2) const {
  const auto n = static_cast<std::uint32_t>(layout_->cities_);
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

std::int32_t KeyLayout::Worker::length(const std::uint8_t* chromosome) {
  return layout_->kernels_->tourLength(chromosome, static_cast<std::size_t>(layout_->cities_),
                                       layout_->codes_.codes(), work_.data());
}

void KeyLayout::Worker::lengthPair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out) {
  layout_->kernels_->tourLengthPair(a, b, static_cast<std::size_t>(layout_->cities_), layout_->codes_.codes(),
                                    work_.data(), out);
}

KeyLayout::KeyLayout(const Grid& grid, double mutationProbability, InstructionSet kernels)
    : cities_(grid.cities()),
      codes_(grid),
      kernels_(&kernelsFor<KeyKernels>(kernels)),
      mutationThreshold_(Random::chanceThreshold(mutationProbability)),
      overMutation_(StreamJump::over(static_cast<std::uint64_t>(kKeyBits) *
                                     static_cast<std::uint64_t>(grid.cities()))) {}

void KeyLayout::mutate(std::uint8_t* chromosome, std::uint32_t state) const {
  if (mutationThreshold_ == 0) return;
  if (mutationThreshold_ == kAlways) {
    for (std::int32_t i = 0; i < cities_; ++i) chromosome[i] ^= 0x7F;
    return;
  }
  kernels_->mutate(state, static_cast<std::uint32_t>(mutationThreshold_), chromosome,
                   static_cast<std::size_t>(cities_));
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
