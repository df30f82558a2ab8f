// The random-key tour lengths of up to 128 cities sorted in registers, for
// the AVX-512 builds of the random-key kernels (see key_kernels_simd.h).
// Included only by key_kernels_simd.h.
#pragma once

#include "simd_cells.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

#if defined(__AVX512BW__)
// Up to 128 cities are sorted in registers: each city's key and index make
// one 16-bit value (key << 7 | index), so sorting those values is the
// stable sort by key, and a bitonic network sorts four vectors of 32 of
// them; then each index is replaced by its cell.
constexpr U16 kIota16 = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                         16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
typedef int16_t I16 __attribute__((vector_size(64)));

// One compare-exchange stage of the network over 128 lanes (lane i of the
// whole is lane i % 32 of vector i / 32): i meets i ^ J, and the pair is in
// ascending order when bit K of i is clear. v holds G such sorts side by
// side (vectors 4g .. 4g + 3), so that the stages of one fill the time the
// other's wait for their results.
template <int K, int J, int G>
inline void bitonicStage(U16 (&v)[4 * G]) {
  if constexpr (J >= 32) {  // partners in another vector, the same lane
    #pragma GCC unroll 8
    for (int a = 0; a < 4 * G; ++a) {
      const int b = a ^ (J / 32);
      if (b < a) continue;
      const bool ascending = ((32 * (a & 3)) & K) == 0;
      const U16 x = v[a], y = v[b];
      const U16 low = x < y ? x : y, high = x < y ? y : x;
      v[a] = ascending ? low : high;
      v[b] = ascending ? high : low;
    }
  } else {  // partners in the same vector
    #pragma GCC unroll 8
    for (int a = 0; a < 4 * G; ++a) {
      const U16 x = v[a];
      // Lane l gets lane l ^ J; the compiler picks the cheapest permute.
#if defined(__clang__)
      const U16 y = __builtin_shufflevector(x, x, 0 ^ J, 1 ^ J, 2 ^ J, 3 ^ J, 4 ^ J, 5 ^ J, 6 ^ J, 7 ^ J, 8 ^ J, 9 ^ J,
                                            10 ^ J, 11 ^ J, 12 ^ J, 13 ^ J, 14 ^ J, 15 ^ J, 16 ^ J, 17 ^ J, 18 ^ J,
                                            19 ^ J, 20 ^ J, 21 ^ J, 22 ^ J, 23 ^ J, 24 ^ J, 25 ^ J, 26 ^ J, 27 ^ J,
                                            28 ^ J, 29 ^ J, 30 ^ J, 31 ^ J);
#else
      constexpr U16 partner = kIota16 ^ static_cast<uint16_t>(J);
      const U16 y = __builtin_shuffle(x, partner);
#endif
      const U16 low = x < y ? x : y, high = x < y ? y : x;
      const I16 first = (kIota16 & static_cast<uint16_t>(J)) == 0;
      const I16 ascending = ((kIota16 + static_cast<uint16_t>(32 * (a & 3))) & static_cast<uint16_t>(K)) == 0;
      v[a] = first == ascending ? low : high;
    }
  }
}
template <int K, int J, int G>
inline void bitonicMerge(U16 (&v)[4 * G]) {
  bitonicStage<K, J, G>(v);
  if constexpr (J > 1) bitonicMerge<K, J / 2, G>(v);
}
template <int K, int G>
inline void bitonicSort(U16 (&v)[4 * G]) {
  bitonicMerge<K, K / 2, G>(v);
  if constexpr (K < 128) bitonicSort<K * 2, G>(v);
}

// Sorts G chromosomes' keys at once (keys[g]) and returns their lengths,
// measured in the registers.
template <int G>
void sortKeysInRegisters(const uint8_t* const (&keys)[G], size_t n, const uint16_t* codeOf,
                         int32_t (&lengths)[G]) {
  U16 v[4 * G];
  __m512i cells[4];
  auto lanesOf = [n](size_t first) -> __mmask32 { return first >= n ? 0 : firstLanes(n - first); };
  for (int a = 0; a < 4; ++a) {
    const size_t first = 32 * static_cast<size_t>(a);
    const __mmask32 lanes = lanesOf(first);
    for (int g = 0; g < G; ++g) {
      const U16 key = (U16)_mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(lanes, keys[g] + first));
      const U16 value = (key << 7) | (kIota16 + static_cast<uint16_t>(first));
      v[4 * g + a] = (U16)_mm512_mask_blend_epi16(lanes, _mm512_set1_epi16(-1), (__m512i)value);  // absent: last
    }
    cells[a] = _mm512_maskz_loadu_epi16(lanes, codeOf + first);
  }
  bitonicSort<2, G>(v);
  const __m512i nextLane = (__m512i)(kIota16 + static_cast<uint16_t>(1));
  const size_t last = n - 1;
  for (int g = 0; g < G; ++g) {
    __m512i sorted[4];
    for (int a = 0; a < 4; ++a) {
      const __m512i index = (__m512i)(v[4 * g + a] & static_cast<uint16_t>(127));
      const __m512i low = _mm512_permutex2var_epi16(cells[0], index, cells[1]);
      const __m512i high = _mm512_permutex2var_epi16(cells[2], index, cells[3]);
      const __mmask32 upper = _mm512_test_epi16_mask(index, _mm512_set1_epi16(64));
      sorted[a] = _mm512_mask_blend_epi16(upper, low, high);
    }
    // Edge i joins cells i and i + 1 (lane l of vector a and the lane after
    // it, the next vector's first for l = 31); edges n - 1 on are not the
    // tour's, and the closing one is added at the end.
    __m512i total = _mm512_setzero_si512();
    for (int a = 0; a < 4; ++a) {
      const size_t first = 32 * static_cast<size_t>(a);
      const __mmask32 edges = lanesOf(first + 1);
      // Absent edges zero in both cells: they add nothing.
      const __m512i x = _mm512_maskz_mov_epi16(edges, sorted[a]);
      const __m512i y = _mm512_maskz_permutex2var_epi16(edges, sorted[a], nextLane, sorted[a < 3 ? a + 1 : 3]);
      total = _mm512_add_epi64(total, edgeLengths(x, y));
    }
    // The closing edge, from the last cell back to the first.
    __m512i lastVector = sorted[0];
    for (int a = 1; a < 4; ++a) lastVector = last / 32 == static_cast<size_t>(a) ? sorted[a] : lastVector;
    const __m512i lastCell = _mm512_permutexvar_epi16(_mm512_set1_epi16(static_cast<short>(last % 32)), lastVector);
    // (Lanes read as vector elements: the header's extracting intrinsics set
    // off false warnings of uninitialised values.)
    const auto cell = [](__m512i x) { return static_cast<uint32_t>(((U16)x)[0]); };
    lengths[g] = static_cast<int32_t>(sumLanes(total)) + cellDistance(cell(lastCell), cell(sorted[0]));
  }
}
#endif

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
