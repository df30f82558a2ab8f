#include "literal_path.h"

#include <utility>

#include "literal_gene_access.h"

namespace wendra::literal {

void PathEncoding::initialise(std::uint8_t* chromosome, Random& random) const {
  GeneWord* genes = genesOf(chromosome);
  std::int32_t count = 0;
  while (count < cities_) {
    const std::int32_t gene = static_cast<std::int32_t>(random.below(cities_)) | kCityBit;
    bool seen = false;
    for (std::int32_t i = 0; i < count && !seen; ++i) seen = genes[i] == gene;
    if (!seen) genes[count++] = gene;
  }
}

namespace {

// First tail position (from cut) holding gene, or -1.
std::int32_t findInTail(const GeneWord* genes, std::int32_t cut, std::int32_t n, std::int32_t gene) {
  for (std::int32_t j = cut; j < n; ++j)
    if (genes[j] == gene) return j;
  return -1;
}

}  // namespace

void PathEncoding::crossoverAt(std::uint8_t* a, std::uint8_t* b, std::int32_t cut) const {
  GeneWord* ga = genesOf(a);
  GeneWord* gb = genesOf(b);
  const std::int32_t n = cities_;
  // Exchange the tails; the heads stay.
  for (std::int32_t p = cut; p < n; ++p) std::swap(ga[p], gb[p]);
  // Repair: the r-th head gene of A that also occurs in A's tail is traded
  // against the r-th such gene of B.
  std::int32_t i = 0, k = 0;
  while (i < cut && k < cut) {
    std::int32_t j = -1, m = -1;
    while (i < cut && (j = findInTail(ga, cut, n, ga[i])) < 0) ++i;
    while (k < cut && (m = findInTail(gb, cut, n, gb[k])) < 0) ++k;
    if (i < cut && k < cut) std::swap(ga[j], gb[m]);
    ++i;
    ++k;
  }
}

void PathEncoding::crossover(std::uint8_t* a, std::uint8_t* b, Random& random) const {
  crossoverAt(a, b, static_cast<std::int32_t>(random.below(cities_)));
}

void PathEncoding::mutate(std::uint8_t* chromosome, double pm, Random& random) const {
  GeneWord* genes = genesOf(chromosome);
  for (std::int32_t i = 0; i < cities_; ++i) {
    if (random.chance(pm)) {
      const auto p = static_cast<std::int32_t>(random.below(cities_));
      std::swap(genes[i], genes[p]);
    }
  }
}

void PathEncoding::tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const {
  const GeneWord* genes = genesOf(chromosome);
  out.resize(static_cast<std::size_t>(cities_));
  for (std::int32_t i = 0; i < cities_; ++i) out[i] = genes[i] & kCityMask;
}

double PathEncoding::length(const std::uint8_t* chromosome) const {
  tour(chromosome, scratch_);
  return tourLength(grid_, scratch_);
}

}  // namespace wendra::literal
