#pragma once
// Counts how many times a random stream advanced between two states.

#include <cstdint>

#include "random.h"

namespace wendra::testing {

// Number of advances from `from` to reach `to` (at most `limit`), or -1.
inline long drawsBetween(std::uint32_t from, std::uint32_t to, long limit = 50000000) {
  Random r;
  r.setState(from);
  for (long n = 0; n <= limit; ++n) {
    if (r.state() == to) return n;
    r.advance();
  }
  return -1;
}

}  // namespace wendra::testing
