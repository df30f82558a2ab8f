// The vector builds of the tour kernels (tour_kernels.h): edge lengths as
// sums of byte differences (simd_cells.h). Included only by the builds
// cmake/kernels.cmake makes; no include guard.

#include "simd_cells.h"
#include "tour_kernels.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

int32_t codeTourLength(const uint16_t* codes, size_t n) {
  const size_t edges = n - 1;  // the closing edge comes last
  int64_t total = 0;
  size_t i = 0;
#if defined(__AVX512BW__)
  __m512i sum = _mm512_setzero_si512();
  for (; i + 32 <= edges; i += 32)
    sum = _mm512_add_epi64(sum, edgeLengths(_mm512_loadu_si512(codes + i), _mm512_loadu_si512(codes + i + 1)));
  if (i < edges) {  // the rest: absent lanes are zero in both, so add nothing
    const __mmask32 lanes = firstLanes(edges - i);
    sum = _mm512_add_epi64(sum, edgeLengths(_mm512_maskz_loadu_epi16(lanes, codes + i),
                                            _mm512_maskz_loadu_epi16(lanes, codes + i + 1)));
    i = edges;
  }
  total = sumLanes(sum);
#elif defined(__SSE2__)
  // (Also for AVX2: wider vectors gain little on a loop this short.)
  auto load = [](const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  __m128i sum = _mm_setzero_si128();
  for (; i + 8 <= edges; i += 8) sum = _mm_add_epi64(sum, edgeLengths(load(codes + i), load(codes + i + 1)));
  total = sumLanes(sum);
#else
  // Elsewhere, column and row differences in 16-bit lanes.
  constexpr size_t kWidth = 2 * kLanes;  // uint16 lanes
  constexpr int kFlushEvery = 64;        // 64 * (127 + 255) < 2^16
  const U16 columnMask = U16{} + 127;
  while (i + kWidth <= edges) {
    U16 sum = U16{};
    for (int block = 0; block < kFlushEvery && i + kWidth <= edges; ++block, i += kWidth) {
      U16 a, b;
      memcpy(&a, codes + i, sizeof a);
      memcpy(&b, codes + i + 1, sizeof b);
      const U16 ca = a & columnMask, cb = b & columnMask;
      const U16 ra = a >> 7, rb = b >> 7;
      sum += (ca > cb ? ca - cb : cb - ca) + (ra > rb ? ra - rb : rb - ra);
    }
    for (size_t l = 0; l < kWidth; ++l) total += sum[l];
  }
#endif
  for (; i < edges; ++i) total += cellDistance(codes[i], codes[i + 1]);
  return static_cast<int32_t>(total) + cellDistance(codes[n - 1], codes[0]);
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE

namespace wendra {
const TourKernels TourKernels::WENDRA_KERNEL_BUILD = {.name = WENDRA_KERNEL_LABEL,
                                                      .codeTourLength = WENDRA_KERNEL_NAMESPACE::codeTourLength};
}  // namespace wendra
