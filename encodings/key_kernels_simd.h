// The vector builds of the random-key kernels (key_kernels.h). Included only
// by the builds cmake/kernels.cmake makes; no include guard.
//
// Key bits: each lane makes one city's seven bits, from the city's first
// draw by seven jumps. Tour lengths without sorting: the decoded tour
// visits the keys in ascending order and each key's cities in ascending
// order, so its edges are of two kinds: from a city to the next one with the
// same key, and from the last city of a key to the first of the next key
// present (the closing edge from the last key's last city to the first key's
// first). One pass over the cities notes, for each, the cell of the previous
// city with its key, or kFirstOfKey | key for a key's first city: one load
// and two stores per city, where a counting sort takes a count and a
// scatter. A second pass measures the edges of the first kind in SIMD lanes
// and collects each key's first cell; the joins between keys take 128
// entries more. Up to 128 cities, with AVX-512, are sorted in registers
// instead (key_sort_simd.h).

#include "key_kernels.h"
#include "key_sort_simd.h"
#include "simd_cells.h"
#include "simd_stream.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

// The seven key-bit states of a group of kLanes cities, from the first.
struct KeyBitJumps {
  U32 mul[7], inc[7];
  U32 groupMul, groupInc;
  KeyBitJumps() {
    for (int j = 0; j < 7; ++j) {
      const Jump s = jumpOver(static_cast<uint64_t>(j));
      mul[j] = splat(s.multiplier);
      inc[j] = splat(s.increment);
    }
    const Jump g = jumpOver(7 * static_cast<uint64_t>(kLanes));  // the next group
    groupMul = splat(g.multiplier);
    groupInc = splat(g.increment);
  }
};

template <bool kMutate>
inline U8 keyGroup(U32 first, const KeyBitJumps& jumps, U32 limit) {
  U32 bits = U32{};
  #pragma GCC unroll 7
  for (int j = 0; j < 7; ++j) {
    const U32 s = first * jumps.mul[j] + jumps.inc[j];
    if constexpr (kMutate)
      bits |= (U32)(s < limit) & splat(1u << (6 - j));
    else
      bits |= (s >> 31) << (6 - j);
  }
  return __builtin_convertvector(bits, U8);
}

template <bool kMutate>
void keyPass(uint32_t state, uint32_t threshold, uint8_t* keys, size_t cities) {
  static const KeyBitJumps jumps;
  static const LaneJumps<1> lanes(1, 7);  // lane l: state 7l + 1
  const U32 limit = splat(threshold);
  U32 first = lanes.from(state, 0);  // the first key bit's state of each city of the group
  size_t i = 0;
  // Whole groups load and store the keys as one vector; going through a
  // copy of variable width would stall on the store forwarding.
  for (; i + kLanes <= cities; i += kLanes) {
    U8 packed = keyGroup<kMutate>(first, jumps, limit);
    if constexpr (kMutate) {
      U8 current;
      memcpy(&current, keys + i, sizeof current);
      packed ^= current;
    }
    memcpy(keys + i, &packed, sizeof packed);
    first = first * jumps.groupMul + jumps.groupInc;
  }
  // A last, partial group computes every lane and writes only its cities.
  if (i < cities) {
    const U8 packed = keyGroup<kMutate>(first, jumps, limit);
    for (size_t l = 0; i + l < cities; ++l) {
      if constexpr (kMutate)
        keys[i + l] ^= packed[l];
      else
        keys[i + l] = packed[l];
    }
  }
}

void keyInitialise(uint32_t state, uint8_t* keys, size_t cities) { keyPass<false>(state, 0, keys, cities); }

void keyMutate(uint32_t state, uint32_t threshold, uint8_t* keys, size_t cities) {
  keyPass<true>(state, threshold, keys, cities);
}

constexpr uint16_t kFirstOfKey = 0x8000;  // above every cell code (row < 256)

// Adds the lengths of the joins from each present key's last cell (last[k],
// kFirstOfKey | k when absent) to the next present key's first (first[k]),
// and of the closing one.
int64_t keyJoins(const uint16_t (&last)[128], const uint16_t (&first)[128]) {
#if defined(__AVX512VBMI2__)
  // The present keys' last and first cells, packed in key order.
  alignas(64) uint16_t lasts[128 + 32], firsts[128 + 32 + 1];
  size_t present = 0;
  for (int a = 0; a < 4; ++a) {
    const __m512i l = _mm512_load_si512(last + 32 * a);
    const __mmask32 here = ~_mm512_test_epi16_mask(l, _mm512_set1_epi16(static_cast<short>(kFirstOfKey)));
    _mm512_storeu_si512(lasts + present, _mm512_maskz_compress_epi16(here, l));
    _mm512_storeu_si512(firsts + present, _mm512_maskz_compress_epi16(here, _mm512_load_si512(first + 32 * a)));
    present += static_cast<size_t>(__builtin_popcount(here));
  }
  firsts[present] = firsts[0];  // the closing join
  __m512i sum = _mm512_setzero_si512();
  for (size_t j = 0; j < present; j += 32) {
    const __mmask32 lanes = firstLanes(present - j);
    sum = _mm512_add_epi64(sum, edgeLengths(_mm512_maskz_loadu_epi16(lanes, lasts + j),
                                            _mm512_maskz_loadu_epi16(lanes, firsts + j + 1)));
  }
  return sumLanes(sum);
#else
  // By selection rather than branches: which keys are present is random.
  int64_t total = 0;
  uint32_t previous = 0, opening = 0;
  bool any = false;
  for (int k = 0; k < 128; ++k) {
    const bool here = (last[k] & kFirstOfKey) == 0;
    total += here && any ? cellDistance(previous, first[k]) : 0;
    opening = here && !any ? first[k] : opening;
    previous = here ? last[k] : previous;
    any = any || here;
  }
  return total + cellDistance(previous, opening);
#endif
}
// previous[i] = the cell of the last city before i with i's key, or
// kFirstOfKey | key for a key's first city; last[k] ends as the cell of key
// k's last city (as it was when key k is absent). Eight cities at a time:
// their keys in one load, their predecessors in two stores, as the stores
// are what limits this loop.
inline void notePredecessors(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* previous,
                             uint16_t (&last)[128]) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t eightKeys, cells[2];
    memcpy(&eightKeys, keys + i, sizeof eightKeys);
    memcpy(cells, codeOf + i, sizeof cells);
    uint64_t before[2] = {0, 0};
    #pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      const auto k = static_cast<uint8_t>(eightKeys >> (8 * j));
      before[j / 4] |= static_cast<uint64_t>(last[k]) << (16 * (j % 4));
      last[k] = static_cast<uint16_t>(cells[j / 4] >> (16 * (j % 4)));
    }
    memcpy(previous + i, before, sizeof before);
  }
  for (; i < n; ++i) {
    const uint8_t k = keys[i];
    previous[i] = last[k];
    last[k] = codeOf[i];
  }
}

// The lengths of the edges from each city to the next with the same key,
// summed; first[k] receives the cell of key k's first city.
inline int64_t sameKeyEdges(const uint16_t* previous, size_t n, const uint16_t* codeOf, uint16_t (&first)[128]) {
  int64_t total = 0;
  size_t i = 0;
#if defined(__AVX512BW__)
  const __m512i tag = _mm512_set1_epi16(static_cast<short>(kFirstOfKey));
#if defined(__AVX512VBMI2__)
  alignas(64) uint16_t openingKeys[128 + 32], openingCells[128 + 32];
  size_t openings = 0;
#endif
  __m512i sum = _mm512_setzero_si512();
  for (; i < n; i += 32) {
    const __mmask32 lanes = firstLanes(n - i);
    const __m512i p = _mm512_maskz_loadu_epi16(lanes, previous + i);
    const __m512i c = _mm512_maskz_loadu_epi16(lanes, codeOf + i);
    const __mmask32 opens = _mm512_mask_test_epi16_mask(lanes, p, tag);
    const __mmask32 linked = lanes & ~opens;
    sum = _mm512_add_epi64(sum, edgeLengths(_mm512_maskz_mov_epi16(linked, p), _mm512_maskz_mov_epi16(linked, c)));
    if (opens == 0) continue;
#if defined(__AVX512VBMI2__)
    _mm512_storeu_si512(openingKeys + openings, _mm512_maskz_compress_epi16(opens, p));
    _mm512_storeu_si512(openingCells + openings, _mm512_maskz_compress_epi16(opens, c));
    openings += static_cast<size_t>(__builtin_popcount(opens));
#else
    for (uint32_t m = opens; m != 0; m &= m - 1) {
      const size_t j = i + static_cast<size_t>(__builtin_ctz(m));
      first[previous[j] & 127] = codeOf[j];
    }
#endif
  }
#if defined(__AVX512VBMI2__)
  for (size_t t = 0; t < openings; ++t) first[openingKeys[t] & 127] = openingCells[t];
#endif
  total = sumLanes(sum);
#elif defined(__SSE2__)
  __m128i sum = _mm_setzero_si128();
  for (; i + 8 <= n; i += 8) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codeOf + i));
    const __m128i opens = _mm_srai_epi16(p, 15);  // all ones in a key's first city's lane
    sum = _mm_add_epi64(sum, edgeLengths(_mm_andnot_si128(opens, p), _mm_andnot_si128(opens, c)));
    for (uint32_t m = static_cast<uint32_t>(_mm_movemask_epi8(opens)) & 0x5555u; m != 0; m &= m - 1) {
      const size_t j = i + static_cast<size_t>(__builtin_ctz(m)) / 2;
      first[previous[j] & 127] = codeOf[j];
    }
  }
  total = sumLanes(sum);
#endif
  for (; i < n; ++i) {
    if (previous[i] & kFirstOfKey)
      first[previous[i] & 127] = codeOf[i];
    else
      total += cellDistance(previous[i], codeOf[i]);
  }
  return total;
}

// keyTourLength for any n; `previous` (n entries) is working memory.
int32_t keyChainLength(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* previous) {
  alignas(64) uint16_t last[128], first[128];
  for (int k = 0; k < 128; ++k) last[k] = static_cast<uint16_t>(kFirstOfKey | k);
  memset(first, 0, sizeof first);
  notePredecessors(keys, n, codeOf, previous, last);
  const int64_t linked = sameKeyEdges(previous, n, codeOf, first);
  return static_cast<int32_t>(linked + keyJoins(last, first));
}

int32_t keyTourLength(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* work) {
#if defined(__AVX512BW__)
  if (n <= 128) {
    int32_t length[1];
    sortKeysInRegisters<1>({keys}, n, codeOf, length);
    return length[0];
  }
#endif
  return keyChainLength(keys, n, codeOf, work);
}

void keyTourLengthPair(const uint8_t* keys1, const uint8_t* keys2, size_t n, const uint16_t* codeOf, uint16_t* work,
                       int32_t* lengths) {
#if defined(__AVX512BW__)
  if (n <= 128) {
    int32_t both[2];
    sortKeysInRegisters<2>({keys1, keys2}, n, codeOf, both);
    lengths[0] = both[0];
    lengths[1] = both[1];
    return;
  }
#endif
  lengths[0] = keyChainLength(keys1, n, codeOf, work);
  lengths[1] = keyChainLength(keys2, n, codeOf, work);
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE

namespace wendra {
const KeyKernels KeyKernels::WENDRA_KERNEL_BUILD = {.name = WENDRA_KERNEL_LABEL,
                                                    .initialise = WENDRA_KERNEL_NAMESPACE::keyInitialise,
                                                    .mutate = WENDRA_KERNEL_NAMESPACE::keyMutate,
                                                    .tourLength = WENDRA_KERNEL_NAMESPACE::keyTourLength,
                                                    .tourLengthPair = WENDRA_KERNEL_NAMESPACE::keyTourLengthPair};
}  // namespace wendra
