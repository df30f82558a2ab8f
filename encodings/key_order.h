#pragma once
// The order a random-key chromosome decodes to: the cities in ascending key
// order, equal keys in ascending city order, by a stable counting sort over
// the 128 key values.

#include <cstddef>
#include <cstdint>

namespace wendra {

// out[k] = map(k-th city of the order), for the n cities' keys (below 128).
template <class Out, class Map>
void sortByKey(const std::uint8_t* keys, std::size_t n, Out* out, Map map) {
  std::size_t start[128] = {};
  for (std::size_t i = 0; i < n; ++i) ++start[keys[i]];
  std::size_t position = 0;
  for (std::size_t& s : start) {
    const std::size_t count = s;
    s = position;
    position += count;
  }
  for (std::size_t i = 0; i < n; ++i) out[start[keys[i]]++] = map(i);
}

}  // namespace wendra
