// The kernels of kernels.h, written once with GCC vector extensions and
// compiled once per instruction set: each kernels_<set>.cpp defines
// WENDRA_KERNEL_NAMESPACE and includes this file with its own -m flags. The
// lane count follows the instruction set (4 on the baseline, 8 with AVX2, 16
// with AVX-512). Only C-level headers are included here, so no inline C++
// function compiled with wider instructions can be shared with the rest of
// the program.
//
// Included only by kernels_*.cpp; no include guard on purpose.

#include <stdint.h>
#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "kernels.h"

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

constexpr uint32_t kMultiplier = 134775813u;

struct Jump {
  uint32_t multiplier, increment;
};

Jump jumpOver(uint64_t k) {
  Jump result{1, 0}, power{kMultiplier, 1};
  for (; k != 0; k >>= 1) {
    if (k & 1) result = {power.multiplier * result.multiplier, power.multiplier * result.increment + power.increment};
    power = {power.multiplier * power.multiplier, power.multiplier * power.increment + power.increment};
  }
  return result;
}

inline U32 splat(uint32_t x) { return U32{} + x; }

// Lane l holds state offset + l (offset >= 1).
U32 statesFrom(uint32_t state, uint64_t offset) {
  U32 v;
  for (int l = 0; l < kLanes; ++l) {
    const Jump j = jumpOver(offset + static_cast<uint64_t>(l));
    v[l] = j.multiplier * state + j.increment;
  }
  return v;
}

// Lane l holds state 7l + 1 (the first key bit of city l of the group).
U32 keyStatesFrom(uint32_t state) {
  U32 v;
  for (int l = 0; l < kLanes; ++l) {
    const Jump j = jumpOver(7 * static_cast<uint64_t>(l) + 1);
    v[l] = j.multiplier * state + j.increment;
  }
  return v;
}

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

void fillStates(uint32_t state, uint32_t* out, size_t count) {
  constexpr int kChains = 4;
  constexpr size_t kBlock = kChains * kLanes;
  size_t t = 0;
  if (count >= kBlock) {
    U32 v[kChains];
    for (int k = 0; k < kChains; ++k) v[k] = statesFrom(state, 1 + k * kLanes);
    const Jump j = jumpOver(kBlock);
    const U32 mul = splat(j.multiplier), inc = splat(j.increment);
    for (; t + kBlock <= count; t += kBlock) {
      for (int k = 0; k < kChains; ++k) {
        storeU32(out + t + k * kLanes, v[k]);
        v[k] = v[k] * mul + inc;
      }
    }
    if (t > 0) state = out[t - 1];
  }
  for (; t < count; ++t) out[t] = state = state * kMultiplier + 1u;
}

template <bool kStoreStates>
void hitWordsImpl(uint32_t state, uint32_t threshold, uint64_t* words, uint32_t* states,
                  size_t wordCount) {
  constexpr int kChains = 64 / kLanes;
  U32 v[kChains];
  for (int k = 0; k < kChains; ++k) v[k] = statesFrom(state, 1 + k * kLanes);
  const Jump j = jumpOver(64);
  const U32 mul = splat(j.multiplier), inc = splat(j.increment), limit = splat(threshold);
  for (size_t w = 0; w < wordCount; ++w) {
    uint64_t word = 0;
    for (int k = 0; k < kChains; ++k) {
      word |= static_cast<uint64_t>(belowMask(v[k], limit)) << (k * kLanes);
      if constexpr (kStoreStates) storeU32(states + 64 * w + k * kLanes, v[k]);
      v[k] = v[k] * mul + inc;
    }
    words[w] = word;
  }
}

void hitWords(uint32_t state, uint32_t threshold, uint64_t* words, size_t wordCount) {
  hitWordsImpl<false>(state, threshold, words, nullptr, wordCount);
}

void hitWordsAndStates(uint32_t state, uint32_t threshold, uint64_t* words, uint32_t* states,
                       size_t wordCount) {
  hitWordsImpl<true>(state, threshold, words, states, wordCount);
}

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
    const Jump g = jumpOver(7 * static_cast<uint64_t>(kLanes));
    groupMul = splat(g.multiplier);
    groupInc = splat(g.increment);
  }
};

// One city's key from its seven states, scalar (the tail of a chromosome).
template <class BitOf>
uint8_t scalarKey(uint32_t& state, BitOf bitOf) {
  uint32_t key = 0;
  for (int j = 0; j < 7; ++j) {
    state = state * kMultiplier + 1u;
    key |= bitOf(state) << (6 - j);
  }
  return static_cast<uint8_t>(key);
}

template <bool kMutate>
void keyPass(uint32_t state, uint32_t threshold, uint8_t* keys, size_t cities) {
  static const KeyBitJumps jumps;
  const U32 limit = splat(threshold);
  size_t i = 0;
  if (cities >= static_cast<size_t>(kLanes)) {
    U32 first = keyStatesFrom(state);
    for (; i + kLanes <= cities; i += kLanes) {
      U32 bits = U32{};
      for (int j = 0; j < 7; ++j) {
        const U32 s = first * jumps.mul[j] + jumps.inc[j];
        if constexpr (kMutate)
          bits |= (U32)(s < limit) & splat(1u << (6 - j));
        else
          bits |= (s >> 31) << (6 - j);
      }
      const U8 packed = __builtin_convertvector(bits, U8);
      if constexpr (kMutate) {
        U8 current;
        memcpy(&current, keys + i, sizeof current);
        const U8 next = current ^ packed;
        memcpy(keys + i, &next, sizeof next);
      } else {
        memcpy(keys + i, &packed, sizeof packed);
      }
      first = first * jumps.groupMul + jumps.groupInc;
    }
    const Jump done = jumpOver(7 * static_cast<uint64_t>(i));
    state = done.multiplier * state + done.increment;
  }
  for (; i < cities; ++i) {
    if constexpr (kMutate)
      keys[i] ^= scalarKey(state, [threshold](uint32_t s) { return static_cast<uint32_t>(s < threshold); });
    else
      keys[i] = scalarKey(state, [](uint32_t s) { return s >> 31; });
  }
}

void keyInitialise(uint32_t state, uint8_t* keys, size_t cities) { keyPass<false>(state, 0, keys, cities); }

void keyMutate(uint32_t state, uint32_t threshold, uint8_t* keys, size_t cities) {
  keyPass<true>(state, threshold, keys, cities);
}

inline int32_t cellDistance(uint32_t a, uint32_t b) {
  const int32_t dc = static_cast<int32_t>(a & 127u) - static_cast<int32_t>(b & 127u);
  const int32_t dr = static_cast<int32_t>(a >> 7) - static_cast<int32_t>(b >> 7);
  return (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr);
}

int32_t codeTourLength(const uint16_t* codes, size_t n) {
  constexpr size_t kWidth = 2 * kLanes;  // uint16 lanes
  constexpr int kFlushEvery = 64;        // 64 * (127 + 511) < 2^16
  const size_t edges = n - 1;            // the closing edge comes last
  int32_t total = 0;
  size_t i = 0;
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
  for (; i < edges; ++i) total += cellDistance(codes[i], codes[i + 1]);
  return total + cellDistance(codes[n - 1], codes[0]);
}

}  // namespace

extern const Kernels kKernels;
const Kernels kKernels = {WENDRA_KERNEL_LABEL, fillStates, hitWords, hitWordsAndStates,
                          keyInitialise, keyMutate, codeTourLength};

}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
