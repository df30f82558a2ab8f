// The vector lanes of one kernel build: lane count, vector types and the few
// operations every family's vector code uses. Included only by the
// <family>_kernels_simd.h headers, once per instruction set (see
// cmake/kernels.cmake): the build's source defines WENDRA_KERNEL_NAMESPACE
// (kernels_<set>) and WENDRA_KERNEL_BUILD (<set>), and is compiled with the
// set's flags. The lane count follows them: 4 on the baseline, 8 with AVX2, 16
// with AVX-512.
#pragma once

#include <stdint.h>
#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#if defined(__AVX512F__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics pass an undefined vector as the source of lanes
// they never keep, which its flow analysis reports as uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The build's name as a string: "avx2" for WENDRA_KERNEL_BUILD avx2.
#define WENDRA_KERNEL_LABEL_OF(build) #build
#define WENDRA_KERNEL_LABEL_FOR(build) WENDRA_KERNEL_LABEL_OF(build)
#define WENDRA_KERNEL_LABEL WENDRA_KERNEL_LABEL_FOR(WENDRA_KERNEL_BUILD)

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

#if defined(__AVX512F__)
constexpr int kLanes = 16;
#elif defined(__AVX2__)
constexpr int kLanes = 8;
#else
constexpr int kLanes = 4;
#endif

typedef uint32_t U32 __attribute__((vector_size(4 * kLanes)));
typedef int32_t I32 __attribute__((vector_size(4 * kLanes)));
typedef uint16_t U16 __attribute__((vector_size(4 * kLanes)));  // 2 * kLanes lanes
typedef uint8_t U8 __attribute__((vector_size(kLanes)));

inline U32 splat(uint32_t x) { return U32{} + x; }

inline U32 loadU32(const uint32_t* p) {
  U32 v;
  memcpy(&v, p, sizeof v);
  return v;
}
inline void storeU32(uint32_t* p, U32 v) { memcpy(p, &v, sizeof v); }

// Bit l set when lane l of a is below lane l of b (unsigned).
inline uint32_t belowMask(U32 a, U32 b) {
#if defined(__AVX512F__)
  return _mm512_cmplt_epu32_mask((__m512i)a, (__m512i)b);
#elif defined(__AVX2__)
  const I32 c = a < b;
  return static_cast<uint32_t>(_mm256_movemask_ps((__m256)c));
#elif defined(__SSE2__)
  const I32 c = a < b;
  return static_cast<uint32_t>(_mm_movemask_ps((__m128)c));
#else
  uint32_t m = 0;
  for (int l = 0; l < kLanes; ++l) m |= static_cast<uint32_t>(a[l] < b[l]) << l;
  return m;
#endif
}

#if defined(__AVX512BW__)
// The first `left` of 32 lanes (all for 32 or more).
inline __mmask32 firstLanes(size_t left) { return left >= 32 ? 0xFFFFFFFFu : (1u << left) - 1; }
#endif

// A prefetch for writing where the instruction set has one (every
// processor with AVX-512 does), else an ordinary prefetch.
inline void prefetchForWriting(const void* p, size_t bytes) {
  const char* line = static_cast<const char*>(p);
  for (const char* end = line + bytes; line < end; line += 64) __builtin_prefetch(line, 1);
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
