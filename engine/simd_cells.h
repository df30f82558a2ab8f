// Distances between cells in vector lanes, for the kernels' vector code (see
// simd_lanes.h). A cell is a code row * 128 + column (column < 128, row < 256;
// see encodings/cell_codes.h).
#pragma once

#include "simd_lanes.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

inline int32_t cellDistance(uint32_t a, uint32_t b) {
  const int32_t dc = static_cast<int32_t>(a & 127u) - static_cast<int32_t>(b & 127u);
  const int32_t dr = static_cast<int32_t>(a >> 7) - static_cast<int32_t>(b >> 7);
  return (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr);
}

#if defined(__AVX512F__)
// The sum of the 64-bit lanes (read as vector elements: the header's
// reduction sets off false warnings of uninitialised values).
inline int64_t sumLanes(__m512i v) {
  typedef int64_t I64 __attribute__((vector_size(64)));
  const I64 lanes = (I64)v;
  int64_t sum = 0;
  for (int l = 0; l < 8; ++l) sum += lanes[l];
  return sum;
}
#endif

// Edge lengths by sums of byte differences. A code row * 128 + column plus
// its row bits again is row * 256 + column: the column in the low byte, the
// row in the high one. The sum of the bytes' absolute differences between
// cells a and cells b, lane by lane, is then the length of the edges between
// them, 4 edges per 64-bit lane of a single instruction; lanes zero in both
// add nothing.
#if defined(__AVX512BW__)
inline __m512i edgeLengths(__m512i a, __m512i b) {
  const __m512i rows = _mm512_set1_epi16(static_cast<short>(0xFF80));
  return _mm512_sad_epu8(_mm512_add_epi16(a, _mm512_and_si512(a, rows)), _mm512_add_epi16(b, _mm512_and_si512(b, rows)));
}
#endif
#if defined(__SSE2__)
inline __m128i edgeLengths(__m128i a, __m128i b) {
  const __m128i rows = _mm_set1_epi16(static_cast<short>(0xFF80));
  return _mm_sad_epu8(_mm_add_epi16(a, _mm_and_si128(a, rows)), _mm_add_epi16(b, _mm_and_si128(b, rows)));
}
inline int64_t sumLanes(__m128i v) {
  alignas(16) int64_t lanes[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
  return lanes[0] + lanes[1];
}
#endif

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
