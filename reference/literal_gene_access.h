#pragma once
// Genes of the path chromosome live in the engine's byte blocks; this alias
// lets them be read and written as 32-bit integers without breaking the
// aliasing rules.

#include <cstdint>

namespace wendra::literal {

typedef std::int32_t __attribute__((may_alias)) GeneWord;

inline GeneWord* genesOf(std::uint8_t* chromosome) { return reinterpret_cast<GeneWord*>(chromosome); }
inline const GeneWord* genesOf(const std::uint8_t* chromosome) {
  return reinterpret_cast<const GeneWord*>(chromosome);
}

}  // namespace wendra::literal
