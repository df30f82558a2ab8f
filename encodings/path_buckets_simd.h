// The free-city buckets of the path creation's sparse phase (see
// path_creation_kernels_simd.h): a bitset over buckets of cities
// (bucket = city >> shift) that flags every bucket holding a city not yet
// placed, kept in vector registers where the instruction set allows, so
// that a batch of draws is tested against it in lanes with no memory
// access. Included only by path_creation_kernels_simd.h.
#pragma once

#include "simd_lanes.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

// Bit k set when bytes[k] is below the stamp: city k is still free.
inline uint64_t freeMask64(const uint8_t* bytes, uint8_t stamp) {
#if defined(__AVX512BW__)
  return _mm512_cmplt_epu8_mask(_mm512_loadu_si512(bytes), _mm512_set1_epi8(static_cast<char>(stamp)));
#elif defined(__AVX2__)
  const __m256i s = _mm256_set1_epi8(static_cast<char>(stamp));
  const uint64_t lo = static_cast<uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)), s)));
  const uint64_t hi = static_cast<uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32)), s)));
  return ~(lo | hi << 32);
#elif defined(__SSE2__)
  const __m128i s = _mm_set1_epi8(static_cast<char>(stamp));
  uint64_t placed = 0;
  for (int k = 0; k < 4; ++k)
    placed |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(
                  _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k)), s))))
              << (16 * k);
  return ~placed;
#else
  uint64_t m = 0;
  for (int k = 0; k < 64; ++k) m |= static_cast<uint64_t>(bytes[k] < stamp) << k;
  return m;
#endif
}

// Bit g set when any of the bits g << shift .. (g + 1) << shift - 1 of m is,
// for g < 64 >> shift.
inline uint64_t groupBits(uint64_t m, int shift) {
  if (shift == 0) return m;
  // pext only where it is sure to be fast: processors with AVX-512 have it
  // in hardware, but some with AVX2 and BMI2 run it in microcode at hundreds
  // of cycles.
#if defined(__BMI2__) && defined(__AVX512F__)
  static const uint64_t kFirstOfGroup[6] = {~uint64_t{0}, 0x5555555555555555ull, 0x1111111111111111ull,
                                            0x0101010101010101ull, 0x0001000100010001ull, 0x0000000100000001ull};
  for (int s = 0; s < shift; ++s) m |= m >> (1 << s);
  return _pext_u64(m, kFirstOfGroup[shift]);
#else
  uint64_t groups = 0;
  for (; m != 0; m &= m - 1) groups |= uint64_t{1} << (__builtin_ctzll(m) >> shift);
  return groups;
#endif
}

#if defined(__AVX512F__)
// The bucket bitset in R registers of 512 buckets each. flagged(b): bit l
// set when bucket b[l] is flagged (b < 512 R).
template <int R>
struct BucketFlags {
  static constexpr uint32_t kBuckets = 512 * R;
  __m512i words[R];
  void load(const uint64_t* bits) {
    for (int r = 0; r < R; ++r) words[r] = _mm512_loadu_si512(bits + 8 * r);
  }
  // Clears the flag of bucket b (b < 512 R).
  void clear(uint32_t b) {
    const __m512i bit = _mm512_set1_epi32(static_cast<int>(1u << (b & 31)));
    const uint32_t word = b >> 5;
    for (int r = 0; r < R; ++r) {
      const auto lane = static_cast<__mmask16>(static_cast<uint32_t>(word >> 4 == static_cast<uint32_t>(r)) << (word & 15));
      words[r] = _mm512_mask_andnot_epi32(words[r], lane, bit, words[r]);
    }
  }
  uint32_t flagged(__m512i b) const {
    const __m512i word = _mm512_srli_epi32(b, 5);  // the permutes read its low 4 or 5 bits
    __m512i w;
    if constexpr (R == 1) {
      w = _mm512_permutexvar_epi32(word, words[0]);
    } else if constexpr (R == 2) {
      w = _mm512_permutex2var_epi32(words[0], word, words[1]);
    } else {
      const __m512i w01 = _mm512_permutex2var_epi32(words[0], word, words[1]);
      const __m512i w23 = _mm512_permutex2var_epi32(words[2], word, words[3]);
      const __mmask16 bit10 = _mm512_test_epi32_mask(b, _mm512_set1_epi32(1 << 10));
      if constexpr (R == 4) {
        w = _mm512_mask_blend_epi32(bit10, w01, w23);
      } else {
        static_assert(R == 8);
        const __m512i w45 = _mm512_permutex2var_epi32(words[4], word, words[5]);
        const __m512i w67 = _mm512_permutex2var_epi32(words[6], word, words[7]);
        const __mmask16 bit11 = _mm512_test_epi32_mask(b, _mm512_set1_epi32(1 << 11));
        w = _mm512_mask_blend_epi32(bit11, _mm512_mask_blend_epi32(bit10, w01, w23),
                                    _mm512_mask_blend_epi32(bit10, w45, w67));
      }
    }
    // Rotating by b brings bit b mod 32 down to bit 0.
    return _mm512_test_epi32_mask(_mm512_rorv_epi32(w, b), _mm512_set1_epi32(1));
  }
  // Appends the positions from .. to - 1 (to - from a multiple of the lane
  // count) whose city's bucket is flagged to queue; returns how many.
  size_t scan(const uint32_t* cities, size_t from, size_t to, int shift, uint32_t* queue) const {
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m512i lanes = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    size_t q = 0;
    for (size_t j = from; j < to; j += 16) {
      const __m512i b = _mm512_srl_epi32(_mm512_loadu_si512(cities + j), count);
      const uint32_t m = flagged(b);
      const __m512i positions = _mm512_add_epi32(lanes, _mm512_set1_epi32(static_cast<int>(j)));
      _mm512_storeu_si512(queue + q, _mm512_maskz_compress_epi32(static_cast<__mmask16>(m), positions));
      q += static_cast<size_t>(__builtin_popcount(m));
    }
    return q;
  }
};
#define WENDRA_BUCKET_REGISTERS 1
#elif defined(__AVX2__)
// The same with 256 buckets per register.
template <int R>
struct BucketFlags {
  static constexpr uint32_t kBuckets = 256 * R;
  __m256i words[R];
  void load(const uint64_t* bits) {
    for (int r = 0; r < R; ++r) words[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bits + 4 * r));
  }
  // Lanes of b whose bit k is set take c, the others a.
  static __m256i select(__m256i b, int k, __m256i a, __m256i c) {
    const __m256 sign = _mm256_castsi256_ps(_mm256_sll_epi32(b, _mm_cvtsi32_si128(31 - k)));
    return _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(c), sign));
  }
  void clear(uint32_t b) {
    const uint32_t word = b >> 5;
    const __m256i lanes = _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    const __m256i bit = _mm256_and_si256(_mm256_cmpeq_epi32(lanes, _mm256_set1_epi32(static_cast<int>(word & 7))),
                                         _mm256_set1_epi32(static_cast<int>(1u << (b & 31))));
    for (int r = 0; r < R; ++r) {
      const __m256i here = _mm256_set1_epi32(-static_cast<int>(static_cast<uint32_t>(r) == word >> 3));
      words[r] = _mm256_andnot_si256(_mm256_and_si256(bit, here), words[r]);
    }
  }
  uint32_t flagged(__m256i b) const {
    const __m256i word = _mm256_srli_epi32(b, 5);  // the permutes read its low 3 bits
    __m256i w[R];
    for (int r = 0; r < R; ++r) w[r] = _mm256_permutevar8x32_epi32(words[r], word);
    for (int level = 0, width = 1; width < R; ++level, width *= 2)
      for (int r = 0; r + width < R; r += 2 * width) w[r] = select(b, 8 + level, w[r], w[r + width]);
    const __m256i bit = _mm256_srlv_epi32(w[0], _mm256_and_si256(b, _mm256_set1_epi32(31)));
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(bit, 31))));
  }
  size_t scan(const uint32_t* cities, size_t from, size_t to, int shift, uint32_t* queue) const {
    const __m128i count = _mm_cvtsi32_si128(shift);
    size_t q = 0;
    for (size_t j = from; j < to; j += 8) {
      const __m256i b = _mm256_srl_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(cities + j)), count);
      const uint32_t m = flagged(b);
      // The lanes of the set bits, in order, from a table.
      const __m256i positions = _mm256_add_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(
                                                     reinterpret_cast<const __m128i*>(&setLanes().of[m]))),
                                                 _mm256_set1_epi32(static_cast<int>(j)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(queue + q), positions);
      q += static_cast<size_t>(__builtin_popcount(m));
    }
    return q;
  }
  // of[m]: the indices of m's set bits, ascending, one per byte.
  struct SetLanes {
    uint64_t of[256];
    SetLanes() {
      for (int m = 0; m < 256; ++m) {
        uint64_t packed = 0;
        int k = 0;
        for (int l = 0; l < 8; ++l)
          if (m >> l & 1) packed |= static_cast<uint64_t>(l) << (8 * k++);
        of[m] = packed;
      }
    }
  };
  static const SetLanes& setLanes() {
    static const SetLanes table;
    return table;
  }
};
#define WENDRA_BUCKET_REGISTERS 1
#endif

// The bitset in memory, tested draw by draw: the portable variant.
struct BucketWords {
  static constexpr uint32_t kBuckets = 4096;
  uint64_t* bits = nullptr;
  void load(uint64_t* b) { bits = b; }
  void clear(uint32_t b) { bits[b >> 6] &= ~(uint64_t{1} << (b & 63)); }
  size_t scan(const uint32_t* cities, size_t from, size_t to, int shift, uint32_t* queue) const {
    size_t q = 0;
    for (size_t j = from; j < to; ++j) {
      const uint32_t b = cities[j] >> shift;
      queue[q] = static_cast<uint32_t>(j);
      q += (bits[b >> 6] >> (b & 63)) & 1;
    }
    return q;
  }
};

// Sets the bits of the buckets that hold a free city (placed[c] below the
// stamp, c < n) in words[0 .. bucketWords - 1] and clears the others.
inline void markFreeBuckets(const uint8_t* placed, uint8_t stamp, uint32_t n, int shift, uint64_t* words,
                            size_t bucketWords) {
  memset(words, 0, bucketWords * sizeof(uint64_t));
  for (uint32_t c = 0; c < n; c += 64) {
    uint64_t free = freeMask64(placed + c, stamp);
    if (n - c < 64) free &= (uint64_t{1} << (n - c)) - 1;
    const uint32_t first = (c >> shift);
    words[first >> 6] |= groupBits(free, shift) << (first & 63);
  }
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
