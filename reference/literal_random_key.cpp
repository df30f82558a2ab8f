#include "literal_random_key.h"

#include <limits>
#include <utility>

namespace wendra::literal {

std::int32_t RandomKeyEncoding::key(const std::uint8_t* chromosome, std::int32_t city) {
  std::int32_t value = 0;
  for (std::int32_t j = 0; j < kKeyBits; ++j) value = value * 2 + chromosome[city * kKeyBits + j];
  return value;
}

void RandomKeyEncoding::initialise(std::uint8_t* chromosome, Random& random) const {
  const std::int32_t bytes = kKeyBits * cities_;
  for (std::int32_t b = 0; b < bytes; ++b) chromosome[b] = random.uniform() >= 0.5 ? 1 : 0;
}

void RandomKeyEncoding::crossover(std::uint8_t* a, std::uint8_t* b, Random& random) const {
  const std::int32_t bytes = kKeyBits * cities_;
  const auto cut = static_cast<std::int32_t>(random.below(bytes));
  for (std::int32_t p = cut; p < bytes; ++p) std::swap(a[p], b[p]);
}

void RandomKeyEncoding::mutate(std::uint8_t* chromosome, double pm, Random& random) const {
  const std::int32_t bytes = kKeyBits * cities_;
  for (std::int32_t b = 0; b < bytes; ++b)
    if (random.chance(pm)) chromosome[b] ^= 1;
}

void RandomKeyEncoding::tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const {
  // Built from the end: one pass over the cities per distinct key value,
  // largest key first, cities of one key from the highest number down.
  std::vector<std::int32_t>& keys = scratch_;
  keys.resize(static_cast<std::size_t>(cities_));
  for (std::int32_t i = 0; i < cities_; ++i) keys[i] = key(chromosome, i);
  out.resize(static_cast<std::size_t>(cities_));
  std::int32_t threshold = std::numeric_limits<std::int32_t>::max();
  std::int32_t position = cities_ - 1;
  while (position >= 0) {
    std::int32_t found = -1;
    for (std::int32_t i = 0; i < cities_; ++i)
      if (keys[i] < threshold && keys[i] > found) found = keys[i];
    for (std::int32_t i = cities_ - 1; i >= 0; --i)
      if (keys[i] == found) out[position--] = i;
    threshold = found;
  }
}

double RandomKeyEncoding::length(const std::uint8_t* chromosome) const {
  std::vector<std::int32_t> t;
  tour(chromosome, t);
  return tourLength(grid_, t);
}

}  // namespace wendra::literal
