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

// Per-lane jumps: lane l of chain k of a block of kChains vectors reaches
// state (k * kLanes + l) * spacing + first from the block's starting state,
// in one multiply-add.
template <int kChains>
struct LaneJumps {
  U32 mul[kChains], inc[kChains];
  LaneJumps(uint64_t first, uint64_t spacing) {
    for (int k = 0; k < kChains; ++k)
      for (int l = 0; l < kLanes; ++l) {
        const Jump j = jumpOver(first + (static_cast<uint64_t>(k) * kLanes + static_cast<uint64_t>(l)) * spacing);
        mul[k][l] = j.multiplier;
        inc[k][l] = j.increment;
      }
  }
  U32 from(uint32_t state, int k) const { return splat(state) * mul[k] + inc[k]; }
};

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
    static const LaneJumps<kChains> lanes(1, 1);
    U32 v[kChains];
    for (int k = 0; k < kChains; ++k) v[k] = lanes.from(state, k);
    static const Jump j = jumpOver(kBlock);
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
  static const LaneJumps<kChains> lanes(1, 1);
  static const Jump j = jumpOver(64);
  U32 v[kChains];
  for (int k = 0; k < kChains; ++k) v[k] = lanes.from(state, k);
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
    const Jump g = jumpOver(7 * static_cast<uint64_t>(kLanes));  // the next group
    groupMul = splat(g.multiplier);
    groupInc = splat(g.increment);
  }
};

template <bool kMutate>
void keyPass(uint32_t state, uint32_t threshold, uint8_t* keys, size_t cities) {
  static const KeyBitJumps jumps;
  static const LaneJumps<1> lanes(1, 7);  // lane l: state 7l + 1
  const U32 limit = splat(threshold);
  U32 first = lanes.from(state, 0);  // the first key bit's state of each city of the group
  size_t i = 0;
  for (; i < cities; i += kLanes) {
    U32 bits = U32{};
    for (int j = 0; j < 7; ++j) {
      const U32 s = first * jumps.mul[j] + jumps.inc[j];
      if constexpr (kMutate)
        bits |= (U32)(s < limit) & splat(1u << (6 - j));
      else
        bits |= (s >> 31) << (6 - j);
    }
    U8 packed = __builtin_convertvector(bits, U8);
    // A last, partial group computes every lane and writes only its cities.
    const size_t width = cities - i < static_cast<size_t>(kLanes) ? cities - i : kLanes;
    if constexpr (kMutate) {
      U8 current = U8{};
      memcpy(&current, keys + i, width);
      packed ^= current;
    }
    memcpy(keys + i, &packed, width);
    first = first * jumps.groupMul + jumps.groupInc;
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

// Bits of the positions that are partner draws, given the hit bits of one
// word and whether its first position is a partner (carry in, updated to
// the next word's). A hit at a gene position makes the next position a
// partner, whose own bit then does not count: within a run of consecutive
// hits every other one is a partner, starting with the second. Computed with
// carries across the runs, as for escaped characters after backslashes.
inline uint64_t partnerPositions(uint64_t hits, uint64_t& carry) {
  const uint64_t kEven = 0x5555555555555555ull;
  hits &= ~carry;
  const uint64_t followsHit = hits << 1 | carry;
  const uint64_t oddStarts = hits & ~kEven & ~followsHit;
  uint64_t evenStarts;
  carry = __builtin_add_overflow(oddStarts, hits, &evenStarts) ? 1 : 0;
  const uint64_t invert = evenStarts << 1;
  return (kEven ^ invert) & followsHit;
}

inline int popcount64(uint64_t x) { return __builtin_popcountll(x); }

// Position of the k-th set bit of x (k >= 1, at most popcount(x)), by
// halving without branches (the outcome of each halving is unpredictable).
inline int selectBit(uint64_t x, int k) {
  int position = 0;
  for (int width = 32; width > 0; width >>= 1) {
    const int low = popcount64(x & ((uint64_t{1} << width) - 1));
    const int above = k > low;
    k -= above * low;
    x >>= above * width;
    position += above * width;
  }
  return position;
}

// jumpTo[t] advances t draws (t = 0 .. 65): the state at position t - 1 of a
// word from the state before its first draw.
struct WordJumps {
  Jump to[66];
  WordJumps() {
    for (uint64_t t = 0; t < 66; ++t) to[t] = jumpOver(t);
  }
  uint32_t at(uint32_t wordStart, int t) const { return to[t].multiplier * wordStart + to[t].increment; }
};

const WordJumps& wordJumps() {
  static const WordJumps jumps;
  return jumps;
}

uint32_t pathPlan(uint32_t state, uint32_t threshold, uint32_t n, uint64_t* words, size_t* wordCount,
                  size_t blockWords) {
  const WordJumps& jumps = wordJumps();
  uint64_t carry = 0;   // the next position is a partner draw
  uint64_t passed = 0;  // gene positions before the current word
  size_t w = 0;
  uint32_t wordStart = state;  // the state before the word's first draw
  for (;;) {
    hitWordsImpl<false>(wordStart, threshold, words + w, nullptr, blockWords);
    for (size_t end = w + blockWords; w < end; ++w) {
      const uint64_t hits = words[w];
      const uint64_t genePositions = ~partnerPositions(hits, carry);
      const uint64_t here = static_cast<uint64_t>(popcount64(genePositions));
      if (passed + here >= n) {
        // The mutation ends with its last gene's draw, or with the partner
        // after it when that draw hit.
        const int last = selectBit(genePositions, static_cast<int>(n - passed));
        *wordCount = w + 1;
        return jumps.at(wordStart, last + 1 + static_cast<int>((hits >> last) & 1));
      }
      passed += here;
      wordStart = jumps.at(wordStart, 64);
    }
  }
}

void pathApply(uint32_t state, uint32_t n, uint16_t* genes, const uint64_t* words) {
  const WordJumps& jumps = wordJumps();
  uint64_t carry = 0;
  uint64_t passed = 0;
  uint32_t wordStart = state;
  for (size_t w = 0;; ++w) {
    const uint64_t hits = words[w];
    const uint64_t genePositions = ~partnerPositions(hits, carry);
    uint64_t geneHits = hits & genePositions;
    const uint64_t here = static_cast<uint64_t>(popcount64(genePositions));
    const bool lastWord = passed + here >= n;
    if (lastWord) {
      const int last = selectBit(genePositions, static_cast<int>(n - passed));
      geneHits &= last == 63 ? ~uint64_t{0} : (uint64_t{2} << last) - 1;
    }
    // Each hit swaps its gene with the partner position drawn next.
    for (uint64_t h = geneHits; h != 0; h &= h - 1) {
      const int bit = __builtin_ctzll(h);
      const uint64_t gene = passed + static_cast<uint64_t>(popcount64(genePositions & ((uint64_t{1} << bit) - 1)));
      const uint32_t partner = static_cast<uint32_t>((uint64_t{n} * jumps.at(wordStart, bit + 2)) >> 32);
      const uint16_t t = genes[gene];
      genes[gene] = genes[partner];
      genes[partner] = t;
    }
    if (lastWord) return;
    passed += here;
    wordStart = jumps.at(wordStart, 64);
  }
}

// Bit l set when city lane l is not yet in the bitset.
inline uint32_t freshLanes(U32 cities, const uint32_t* placed) {
#if defined(__AVX512F__)
  const __m512i words =
      _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), 0xFFFF, (__m512i)(cities >> 5), placed, 4);
  const U32 bits = ((U32)words >> (cities & 31)) & 1;
  return _mm512_cmpeq_epi32_mask((__m512i)bits, _mm512_setzero_si512());
#elif defined(__AVX2__)
  const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(placed), (__m256i)(cities >> 5), 4);
  const U32 bits = ((U32)words >> (cities & 31)) & 1;
  return static_cast<uint32_t>(_mm256_movemask_ps((__m256)(bits == 0)));
#else
  uint32_t m = 0;
  for (int l = 0; l < kLanes; ++l) m |= static_cast<uint32_t>(((placed[cities[l] >> 5] >> (cities[l] & 31)) & 1) == 0) << l;
  return m;
#endif
}

uint32_t pathInitialise(uint32_t state, uint16_t* genes, uint32_t n, const uint16_t* codeOf, uint32_t* placed,
                        uint32_t* buffer, size_t bufferSize) {
  memset(placed, 0, ((n + 31) / 32) * sizeof(uint32_t));
  uint32_t filled = 0;
  // While most cities are still free, every draw is tested in turn, without
  // branches (whether a draw is taken cannot be predicted). Once few are
  // left, most draws are rejected: they are tested a vector at a time, and
  // only a vector holding a free city is looked at draw by draw.
  const uint32_t sparse = n - n / 8;  // cities placed before the vector phase
  for (;;) {
    fillStates(state, buffer, bufferSize);
    size_t i = 0;
    while (filled < sparse && i < bufferSize) {
      const uint32_t s = buffer[i++];
      const uint32_t city = static_cast<uint32_t>((uint64_t{n} * s) >> 32);
      const uint32_t word = placed[city >> 5], bit = 1u << (city & 31);
      placed[city >> 5] = word | bit;
      genes[filled] = codeOf[city];
      filled += (word & bit) == 0 ? 1 : 0;
    }
    if (filled == n) return buffer[i - 1];
    while (filled >= sparse && i + kLanes <= bufferSize) {
      U32 v;
      memcpy(&v, buffer + i, sizeof v);
      // floor(n * s / 2^32) in 32-bit lanes (n < 2^16): high and low halves.
      const U32 cities = ((v >> 16) * n + (((v & 0xFFFFu) * n) >> 16)) >> 16;
      const uint32_t fresh = freshLanes(cities, placed);
      if (fresh == 0) {
        i += kLanes;
        continue;
      }
      const int lane = __builtin_ctz(fresh);
      const uint32_t city = cities[lane];
      placed[city >> 5] |= 1u << (city & 31);
      genes[filled++] = codeOf[city];
      i += static_cast<size_t>(lane) + 1;
      if (filled == n) return buffer[i - 1];
    }
    // The buffer's last draws, one by one.
    while (i < bufferSize) {
      const uint32_t s = buffer[i++];
      const uint32_t city = static_cast<uint32_t>((uint64_t{n} * s) >> 32);
      const uint32_t word = placed[city >> 5], bit = 1u << (city & 31);
      if (word & bit) continue;
      placed[city >> 5] = word | bit;
      genes[filled++] = codeOf[city];
      if (filled == n) return buffer[i - 1];
    }
    state = buffer[bufferSize - 1];
  }
}

// Stable counting sort for long chromosomes: the cities in four contiguous
// blocks, each with its own counts, so that four independent streams of
// increments run side by side. Within a key, block 0's cities come first,
// then block 1's, and so on: ascending city order, as required.
void sortKeysInBlocks(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* tour) {
  uint32_t bins[4][128];
  memset(bins, 0, sizeof bins);
  const size_t q = n / 4;
  const uint8_t* k[4] = {keys, keys + q, keys + 2 * q, keys + 3 * q};
  for (size_t i = 0; i < q; ++i) {
    ++bins[0][k[0][i]];
    ++bins[1][k[1][i]];
    ++bins[2][k[2][i]];
    ++bins[3][k[3][i]];
  }
  for (size_t i = 4 * q; i < n; ++i) ++bins[3][keys[i]];  // the rest belongs to the last block
  uint32_t position = 0;
  for (int key = 0; key < 128; ++key)
    for (int b = 0; b < 4; ++b) {
      const uint32_t count = bins[b][key];
      bins[b][key] = position;
      position += count;
    }
  const uint16_t* c[4] = {codeOf, codeOf + q, codeOf + 2 * q, codeOf + 3 * q};
  for (size_t i = 0; i < q; ++i) {
    tour[bins[0][k[0][i]]++] = c[0][i];
    tour[bins[1][k[1][i]]++] = c[1][i];
    tour[bins[2][k[2][i]]++] = c[2][i];
    tour[bins[3][k[3][i]]++] = c[3][i];
  }
  for (size_t i = 4 * q; i < n; ++i) tour[bins[3][keys[i]]++] = codeOf[i];
}

int32_t keyTourLength(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* tour) {
  // Stable counting sort over the 128 key values, then the length of the
  // sorted cells.
  if (n >= 2048) {
    sortKeysInBlocks(keys, n, codeOf, tour);
    return codeTourLength(tour, n);
  }
  // Short chromosomes: one set of 16-bit counts, four to a 64-bit word for
  // the running sums.
  alignas(64) uint16_t bins[128];
  memset(bins, 0, sizeof bins);
  for (size_t i = 0; i < n; ++i) ++bins[keys[i]];
  uint64_t carry = 0;  // cities in all earlier words
  for (int w = 0; w < 32; ++w) {
    uint64_t word;
    memcpy(&word, bins + 4 * w, sizeof word);
    const uint64_t inclusive = word * 0x0001000100010001ull;
    const uint64_t exclusive = inclusive - word + carry * 0x0001000100010001ull;
    carry += inclusive >> 48;
    memcpy(bins + 4 * w, &exclusive, sizeof exclusive);
  }
  for (size_t i = 0; i < n; ++i) tour[bins[keys[i]]++] = codeOf[i];
  return codeTourLength(tour, n);
}

}  // namespace

extern const Kernels kKernels;
const Kernels kKernels = {WENDRA_KERNEL_LABEL, fillStates, hitWords, hitWordsAndStates,
                          keyInitialise, keyMutate, codeTourLength, keyTourLength, pathPlan, pathApply, pathInitialise};

}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
