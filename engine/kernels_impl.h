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

#if defined(__AVX512F__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics pass an undefined vector as the source of lanes
// they never keep, which its flow analysis reports as uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

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
  uint32_t apply(uint32_t state) const { return multiplier * state + increment; }
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

// A prefetch for writing where the instruction set has one (every
// processor with AVX-512 does), else an ordinary prefetch.
void fetchForWriting(const void* p, size_t bytes) {
  const char* line = static_cast<const char*>(p);
  for (const char* end = line + bytes; line < end; line += 64) __builtin_prefetch(line, 1);
}

// The hit words of the draws after `state`, one after another: bit b of a
// word set when its draw b + 1 is below the threshold.
class HitWordStream {
 public:
  static constexpr int kChains = 64 / kLanes;
  HitWordStream(uint32_t state, uint32_t threshold) : limit_(splat(threshold)) {
    static const LaneJumps<kChains> lanes(1, 1);
    static const Jump j = jumpOver(64);
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) v_[k] = lanes.from(state, k);
    mul_ = splat(j.multiplier);
    inc_ = splat(j.increment);
  }
  uint64_t next() {
    uint64_t word = 0;
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) {
      word |= static_cast<uint64_t>(belowMask(v_[k], limit_)) << (k * kLanes);
      v_[k] = v_[k] * mul_ + inc_;
    }
    return word;
  }

 private:
  U32 v_[kChains];
  U32 mul_, inc_, limit_;
};

void hitWords(uint32_t state, uint32_t threshold, uint64_t* words, size_t wordCount) {
  HitWordStream stream(state, threshold);
  for (size_t w = 0; w < wordCount; ++w) words[w] = stream.next();
}

// floor(n * s / 2^32) in 32-bit lanes (n < 2^16): high and low halves.
inline U32 citiesOf(U32 s, uint32_t n) { return ((s >> 16) * n + (((s & 0xFFFFu) * n) >> 16)) >> 16; }

// For t below count rounded down to whole blocks of 4 kLanes: cities[t] =
// floor(n * (state t + 1) / 2^32). Returns how many were written.
size_t citiesInBlocks(uint32_t state, uint32_t n, uint32_t* cities, size_t count) {
  constexpr int kChains = 4;
  constexpr size_t kBlock = kChains * kLanes;
  static const LaneJumps<kChains> lanes(1, 1);
  static const Jump j = jumpOver(kBlock);
  U32 v[kChains];
  #pragma GCC unroll 16
  for (int k = 0; k < kChains; ++k) v[k] = lanes.from(state, k);
  const U32 mul = splat(j.multiplier), inc = splat(j.increment);
  size_t t = 0;
  for (; t + kBlock <= count; t += kBlock) {
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) {
      storeU32(cities + t + k * kLanes, citiesOf(v[k], n));
      v[k] = v[k] * mul + inc;
    }
  }
  return t;
}

void drawCities(uint32_t state, uint32_t n, uint32_t* cities, size_t count) {
  size_t t = citiesInBlocks(state, n, cities, count);
  state = jumpOver(t).apply(state);
  for (; t < count; ++t) {
    state = state * kMultiplier + 1u;
    cities[t] = static_cast<uint32_t>((uint64_t{n} * state) >> 32);
  }
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
// The first `left` of 32 lanes (all for 32 or more).
inline __mmask32 firstLanes(size_t left) { return left >= 32 ? 0xFFFFFFFFu : (1u << left) - 1; }
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

// Position of the k-th set bit of x (k >= 1, at most popcount(x)): by a bit
// deposit where it is sure to be fast (see groupBits), else by halving
// without branches (the outcome of each halving is unpredictable).
inline int selectBit(uint64_t x, int k) {
#if defined(__BMI2__) && defined(__AVX512F__)
  return __builtin_ctzll(_pdep_u64(uint64_t{1} << (k - 1), x));
#else
  int position = 0;
  for (int width = 32; width > 0; width >>= 1) {
    const int low = popcount64(x & ((uint64_t{1} << width) - 1));
    const int above = k > low;
    k -= above * low;
    x >>= above * width;
    position += above * width;
  }
  return position;
#endif
}

// jumpTo[t] advances t draws (t = 0 .. 65): the state at position t - 1 of a
// word from the state before its first draw.
struct WordJumps {
  Jump to[66];
  WordJumps() {
    for (uint64_t t = 0; t < 66; ++t) to[t] = jumpOver(t);
  }
  uint32_t at(uint32_t wordStart, int t) const { return to[t].apply(wordStart); }
};

const WordJumps& wordJumps() {
  static const WordJumps jumps;
  return jumps;
}

// One word of a mutation's walk: its gene positions (the others are partner
// draws), the hits among them and how many there are; `last` when the
// mutation's last gene lies in it (at bit lastGene), the hits beyond that
// gene then dropped.
struct WalkWord {
  uint64_t genePositions, geneHits, genes;
  bool last;
  int lastGene;
};
inline WalkWord walkWord(uint64_t hits, uint64_t& carry, uint64_t passed, uint32_t n) {
  WalkWord word;
  word.genePositions = ~partnerPositions(hits, carry);
  word.geneHits = hits & word.genePositions;
  word.genes = static_cast<uint64_t>(popcount64(word.genePositions));
  word.last = passed + word.genes >= n;
  word.lastGene = 63;
  if (word.last) {
    word.lastGene = selectBit(word.genePositions, static_cast<int>(n - passed));
    word.geneHits &= word.lastGene == 63 ? ~uint64_t{0} : (uint64_t{2} << word.lastGene) - 1;
  }
  return word;
}

// The plan draws the mutation's words in SIMD lanes, one after another, and
// walks each as it comes; it keeps only the gene positions' hits (those
// after the last gene dropped), which is all the swaps need.
uint32_t pathPlan(uint32_t state, uint32_t threshold, uint32_t n, uint64_t* words, size_t* wordCount) {
  const WordJumps& jumps = wordJumps();
  HitWordStream stream(state, threshold);
  uint64_t carry = 0;   // the next position is a partner draw
  uint64_t passed = 0;  // gene positions before the current word
  uint32_t wordStart = state;  // the state before the word's first draw
  for (size_t w = 0;; ++w) {
    const uint64_t hits = stream.next();
    const WalkWord word = walkWord(hits, carry, passed, n);
    words[w] = word.geneHits;
    if (word.last) {
      // The mutation ends with its last gene's draw, or with the partner
      // after it when that draw hit.
      *wordCount = w + 1;
      return jumps.at(wordStart, word.lastGene + 1 + static_cast<int>((hits >> word.lastGene) & 1));
    }
    passed += word.genes;
    wordStart = jumps.at(wordStart, 64);
  }
}

// A word of gene hits as the swaps read it: the j-th hit of the word, at bit
// b, has below it the j partner draws of the hits before it, and one more
// when the word opens with the partner of the last word's final draw, so
// its gene position is passed + b - j - that one. The word holds 64 minus
// its partner draws gene positions (one hit's partner may lie in the next
// word); the last word is the one that reaches n.
struct GeneWord {
  uint64_t hits;
  uint64_t opensWithPartner;  // 0 or 1
  uint64_t genes;
  bool last;
};
inline GeneWord geneWord(uint64_t hits, uint64_t& opensWithPartner, uint64_t passed, uint32_t n) {
  GeneWord word{hits, opensWithPartner, 0, false};
  const uint64_t closesWithHit = hits >> 63;
  word.genes = 64 - opensWithPartner - static_cast<uint64_t>(popcount64(hits)) + closesWithHit;
  word.last = passed + word.genes >= n;
  opensWithPartner = closesWithHit;
  return word;
}

// The swaps one hit at a time, as they are found.
void pathApplyEach(uint32_t state, uint32_t n, uint16_t* genes, const uint64_t* words) {
  const WordJumps& jumps = wordJumps();
  uint64_t opens = 0;
  uint64_t passed = 0;
  uint32_t wordStart = state;
  for (size_t w = 0;; ++w) {
    const GeneWord word = geneWord(words[w], opens, passed, n);
    // Each hit swaps its gene with the partner position drawn next.
    uint64_t below = passed - word.opensWithPartner;
    for (uint64_t h = word.hits; h != 0; h &= h - 1, --below) {
      const int bit = __builtin_ctzll(h);
      const uint64_t gene = below + static_cast<uint64_t>(bit);
      const uint32_t partner = static_cast<uint32_t>((uint64_t{n} * jumps.at(wordStart, bit + 2)) >> 32);
      const uint16_t t = genes[gene];
      genes[gene] = genes[partner];
      genes[partner] = t;
    }
    if (word.last) return;
    passed += word.genes;
    wordStart = jumps.at(wordStart, 64);
  }
}

#if defined(__AVX512F__)
// The swaps are listed first, a word's hits at a time in SIMD lanes, and
// made afterwards in one run: per hit, its gene position (the rank among
// the word's gene positions, by expanding a count over them) and its
// partner (from the state one draw on, all 64 of a word's at once) packed
// into one entry, the hits' entries compressed to the end of the list.
// Found one at a time, each hit's position and partner took a score of
// instructions and the loop over a word's hits ended where no predictor
// could guess; listed, a word costs the same whatever its hits, and the
// loop that makes the swaps is a few instructions per swap.
typedef uint64_t U64x8 __attribute__((vector_size(64)));
struct PartnerJumps {
  __m512i mul[4], inc[4];  // lane l of vector k: the jump over 16k + l + 2 draws
  PartnerJumps() {
    const WordJumps& jumps = wordJumps();
    for (int k = 0; k < 4; ++k) {
      alignas(64) uint32_t m[16], c[16];
      for (int l = 0; l < 16; ++l) {
        m[l] = jumps.to[16 * k + l + 2].multiplier;
        c[l] = jumps.to[16 * k + l + 2].increment;
      }
      mul[k] = _mm512_load_si512(m);
      inc[k] = _mm512_load_si512(c);
    }
  }
};

// Listing all 64 lanes of a word costs more than it saves below about 200
// genes (three or four words, a dozen hits at most); listing the hits'
// lanes alone pays at any length.
#if defined(__AVX512VBMI2__)
constexpr uint32_t kListFrom = 0;
#else
constexpr uint32_t kListFrom = 200;
#endif
void pathApply(uint32_t state, uint32_t n, uint16_t* genes, const uint64_t* words) {
  if (n < kListFrom) return pathApplyEach(state, n, genes, words);
  static const PartnerJumps partnerJumps;
  const WordJumps& jumps = wordJumps();
  constexpr int kList = 1024;
  alignas(64) uint32_t list[kList + 64];  // gene position | partner << 16
  int listed = 0;
  auto swapListed = [&] {
    for (int i = 0; i < listed; ++i) {
      const uint32_t gene = list[i] & 0xFFFFu, partner = list[i] >> 16;
      const uint16_t t = genes[gene];
      genes[gene] = genes[partner];
      genes[partner] = t;
    }
    listed = 0;
  };
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  uint64_t opens = 0;
  uint64_t passed = 0;
  uint32_t wordStart = state;
#if defined(__AVX512VBMI2__)
  // Only the hits' lanes: their bit positions compressed out of the word,
  // at most 32 (a partner draw follows every hit), each gene position from
  // its bit and its rank among the word's hits (see GeneWord).
  const __m512i bitIota = _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                                          44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26,
                                          25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                                          5, 4, 3, 2, 1, 0);
  const __m512i nLanes = _mm512_set1_epi64(n);
#endif
  for (size_t w = 0;; ++w) {
    const GeneWord word = geneWord(words[w], opens, passed, n);
    if (word.hits != 0) {
      if (listed > kList - 64) swapListed();
      const __m512i start = _mm512_set1_epi32(static_cast<int>(wordStart));
#if defined(__AVX512VBMI2__)
      const __m512i bits = _mm512_maskz_compress_epi8(word.hits, bitIota);
      const int hits = popcount64(word.hits);
      const __m512i base =
          _mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(passed - word.opensWithPartner)), iota);
      for (int from = 0; from < hits; from += 16) {
        const __m512i b = _mm512_cvtepu8_epi32(from == 0 ? _mm512_castsi512_si128(bits)
                                                         : _mm512_extracti32x4_epi32(bits, 1));
        const __mmask16 high = _mm512_test_epi32_mask(b, _mm512_set1_epi32(32));
        const __m512i mul = _mm512_mask_blend_epi32(high, _mm512_permutex2var_epi32(partnerJumps.mul[0], b, partnerJumps.mul[1]),
                                                    _mm512_permutex2var_epi32(partnerJumps.mul[2], b, partnerJumps.mul[3]));
        const __m512i inc = _mm512_mask_blend_epi32(high, _mm512_permutex2var_epi32(partnerJumps.inc[0], b, partnerJumps.inc[1]),
                                                    _mm512_permutex2var_epi32(partnerJumps.inc[2], b, partnerJumps.inc[3]));
        const __m512i s = _mm512_add_epi32(_mm512_mullo_epi32(start, mul), inc);
        // floor(n * state / 2^32): even lanes from their own product's high
        // half, odd lanes from the high half of theirs.
        const __m512i even = _mm512_srli_epi64(_mm512_mul_epu32(s, nLanes), 32);
        const __m512i odd = _mm512_mul_epu32(_mm512_srli_epi64(s, 32), nLanes);
        const __m512i partner = _mm512_mask_blend_epi32(0xAAAA, even, odd);
        const __m512i gene = _mm512_sub_epi32(_mm512_add_epi32(b, base), _mm512_set1_epi32(from));
        _mm512_storeu_si512(list + listed + from, _mm512_or_si512(gene, _mm512_slli_epi32(partner, 16)));
      }
      listed += hits;
#else
      uint32_t rankBase = static_cast<uint32_t>(passed);
      // Every position is a gene's but the partners', which follow the hits.
      const uint64_t genePositions = ~(word.hits << 1 | word.opensWithPartner);
#pragma GCC unroll 4
      for (int k = 0; k < 4; ++k) {
        const auto hitLanes = static_cast<__mmask16>(word.hits >> (16 * k));
        const auto geneLanes = static_cast<__mmask16>(genePositions >> (16 * k));
        const U64x8 s = (U64x8)_mm512_add_epi32(_mm512_mullo_epi32(start, partnerJumps.mul[k]), partnerJumps.inc[k]);
        // floor(n * state / 2^32) for the even lanes into their own low
        // halves, for the odd ones in the high half of the product.
        const U64x8 even = ((s & 0xFFFFFFFFu) * n) >> 32;
        const U64x8 odd = (s >> 32) * n;
        const U32 partner = (U32)(even | (odd & ~uint64_t{0xFFFFFFFFu}));
        const __m512i rank = _mm512_add_epi32(_mm512_maskz_expand_epi32(geneLanes, iota),
                                              _mm512_set1_epi32(static_cast<int>(rankBase)));
        const __m512i entry = _mm512_or_si512(rank, (__m512i)(partner << 16));
        _mm512_storeu_si512(list + listed, _mm512_maskz_compress_epi32(hitLanes, entry));
        listed += __builtin_popcount(hitLanes);
        rankBase += static_cast<uint32_t>(__builtin_popcount(geneLanes));
      }
#endif
    }
    if (word.last) {
      swapListed();
      return;
    }
    passed += word.genes;
    wordStart = jumps.at(wordStart, 64);
  }
}
#else
void pathApply(uint32_t state, uint32_t n, uint16_t* genes, const uint64_t* words) {
  pathApplyEach(state, n, genes, words);
}
#endif

#if defined(__AVX512BW__)
// A block of marks at a time: first fetched one by one into a buffer (four
// per load of the head's codes; plain loads and stores, none waiting for
// another), then sixteen at a time compared with the stamp, the stamped
// ones' positions compressed to the end of the list: the scalar loop's
// appends depend on one another through the count, and a gather of sixteen
// marks costs more than sixteen loads.
uint32_t stampedPositions(const uint16_t* head, uint32_t count, const uint32_t* marks, uint32_t stamp, uint16_t* out) {
  constexpr uint32_t kBlock = 512;
  alignas(64) uint32_t fetched[kBlock];
  const __m512i stamps = _mm512_set1_epi32(static_cast<int>(stamp));
  typedef uint16_t Codes16 __attribute__((vector_size(32)));
  uint32_t found = 0;
  for (uint32_t from = 0; from < count; from += kBlock) {
    const uint32_t size = count - from < kBlock ? count - from : kBlock;
    const uint16_t* codes = head + from;
    uint32_t i = 0;
    for (; i + 4 <= size; i += 4) {
      uint64_t four;
      memcpy(&four, codes + i, sizeof four);
      fetched[i] = marks[four & 0xFFFFu];
      fetched[i + 1] = marks[(four >> 16) & 0xFFFFu];
      fetched[i + 2] = marks[(four >> 32) & 0xFFFFu];
      fetched[i + 3] = marks[four >> 48];
    }
    for (; i < size; ++i) fetched[i] = marks[codes[i]];
    for (i = 0; i < size; i += 16) {
      const auto lanes = static_cast<__mmask16>(firstLanes(size - i));
      const U32 m = (U32)_mm512_maskz_load_epi32(lanes, fetched + i);
      const __mmask16 stamped = _mm512_mask_cmpeq_epi32_mask(lanes, (__m512i)(m & ~0x7FFFu), stamps);
      const Codes16 positions = __builtin_convertvector((U32)_mm512_maskz_compress_epi32(stamped, (__m512i)m) & 0x7FFFu, Codes16);
      memcpy(out + found, &positions, sizeof positions);
      found += static_cast<uint32_t>(__builtin_popcount(stamped));
    }
  }
  return found;
}
#else
uint32_t stampedPositions(const uint16_t* head, uint32_t count, const uint32_t* marks, uint32_t stamp, uint16_t* out) {
  uint32_t found = 0;
  for (uint32_t i = 0; i < count; ++i) {  // without branches: most are unpredictable
    const uint32_t m = marks[head[i]];
    out[found] = static_cast<uint16_t>(m & 0x7FFFu);
    found += (m & ~0x7FFFu) == stamp ? 1 : 0;
  }
  return found;
}
#endif

// ---------------------------------------------------------------------------
// Path initialisation by rejection (see kernels.h).
//
// Draws are generated a block at a time in SIMD lanes, and only their cities
// are kept (a block's last state, and the run's, follow by jumps). Whether a
// city is placed is one byte per city that holds the member's stamp once the
// city is placed; stamps count up from one member to the next, so an older
// mark is always below the current stamp and the bytes need no clearing
// between members. A member is built in two phases:
//   dense:  while many cities are free, every draw is tested in turn, without
//           branches (whether a draw is taken cannot be predicted);
//   sparse: once few are free, most draws are rejections. Cities are grouped
//           into buckets (bucket = city >> shift, at most a few thousand), and
//           a bitset of the buckets that hold a free city is kept in vector
//           registers: a batch of draws is tested against it in SIMD lanes
//           with permutes, no memory access, and only the draws that fall in
//           a flagged bucket (the candidates) are then examined in turn, as
//           in the dense phase. The bitset is rebuilt from the bytes when the
//           free cities have dropped to a quarter; in between it flags more
//           buckets than needed, which costs candidates, never exactness.

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

template <class Flags>
PathRun initialiseMembers(uint32_t state, uint32_t n, const uint16_t* codeOf, uint16_t* genes, size_t stride,
                          int32_t maxMembers, uint64_t drawLimit, uint64_t* ends, uint8_t* work, int shift) {
  const size_t tableBytes = pathTableBytes(n);
  uint8_t* const placed = work;
  uint32_t* const cities = reinterpret_cast<uint32_t*>(work + tableBytes);
  uint32_t* const queue = cities + kPathBlock + 64;
  // The bucket bitset's words; a rebuild clears only those of the buckets
  // there are, the others stay clear.
  alignas(64) uint64_t bucketBits[4096 / 64] = {};
  const size_t bucketWords = (((n - 1) >> shift) >> 6) + 1;
  memset(placed, 0, tableBytes);
  uint8_t stamp = 0;

  // The stream: the draws of cities[i .. end) are made but not used yet;
  // `before` draws precede cities[0].
  size_t i = 0, end = 0;
  uint64_t before = 0;
  uint32_t last = state;  // the last state generated
  static const Jump overBlock = jumpOver(kPathBlock);
  auto ensure = [&](size_t need) {
    if (end - i >= need) return;
    const size_t keep = end - i;
    memmove(cities, cities + i, keep * sizeof(uint32_t));
    before += i;
    i = 0;
    citiesInBlocks(last, n, cities + keep, kPathBlock);
    end = keep + kPathBlock;
    last = overBlock.apply(last);
  };

  // With one city per bucket and few registers, a bucket's flag is cleared
  // as soon as its city is placed (cheap, and only the candidates of the
  // current batch can be stale); otherwise the bitset is rebuilt from the
  // bytes each time the free cities have dropped to a quarter. The sparse
  // phase starts with a quarter of the cities free, or an eighth when the
  // flags are rebuilt (they are then less selective).
  const bool clearing = shift == 0 && Flags::kBuckets <= 1024;
  const uint32_t sparseFree = clearing ? n / 4 : n / 8;
  Flags flags{};
  int32_t m = 0;
  for (; m < maxMembers; ++m) {
    if (m > 0 && before + i >= drawLimit) break;
    if (++stamp == 0) {  // wrapped: old marks could match again
      memset(placed, 0, tableBytes);
      stamp = 1;
    }
    uint16_t* const g = genes + static_cast<size_t>(m) * stride;
    // The next member's lines, which another core may have used last.
    if (m + 1 < maxMembers) fetchForWriting(g + stride, 2 * size_t{n});
    uint32_t filled = 0;
    // Dense: a draw's gene is written at once and kept when its city was
    // free. Runs of draws too short to place the last city are taken
    // without checking anything else; the phase may end a little late, and
    // always leaves the last city to the sparse one.
    while (filled + sparseFree < n && filled + 1 < n) {
      ensure(1);
      const size_t run = end - i < n - 1 - filled ? end - i : n - 1 - filled;
      size_t placedSoFar = filled;
      for (const size_t stop = i + run; i < stop; ++i) {
        const uint32_t c = cities[i];
        const uint32_t mark = placed[c];
        placed[c] = stamp;
        g[placedSoFar] = codeOf[c];
        placedSoFar += mark < stamp ? 1 : 0;
      }
      filled = static_cast<uint32_t>(placedSoFar);
    }
    // Sparse: batches of draws, their candidates in order.
    uint32_t rebuildAt = n;
    while (filled < n) {
      if (n - filled <= rebuildAt) {  // at the phase's start, and then when not clearing
        memset(bucketBits, 0, bucketWords * sizeof(uint64_t));
        for (uint32_t c = 0; c < n; c += 64) {
          uint64_t free = freeMask64(placed + c, stamp);
          if (n - c < 64) free &= (uint64_t{1} << (n - c)) - 1;
          const uint32_t first = (c >> shift);
          bucketBits[first >> 6] |= groupBits(free, shift) << (first & 63);
        }
        flags.load(bucketBits);
        rebuildAt = clearing ? 0 : (n - filled) / 4;
      }
      ensure(kLanes);
      size_t stop = end - (end - i) % kLanes;
      if (stop - i > kPathBatch) stop = i + kPathBatch;
      const size_t candidates = flags.scan(cities, i, stop, shift, queue);
      size_t next = stop;
      for (size_t k = 0; k < candidates; ++k) {
        const uint32_t position = queue[k];
        const uint32_t c = cities[position];
        const uint32_t mark = placed[c];
        placed[c] = stamp;
        g[filled] = codeOf[c];
        filled += mark < stamp ? 1 : 0;
        if (filled == n) {
          next = position + 1;
          break;
        }
        if (clearing) flags.clear(c);
      }
      i = next;
    }
    if (ends) ends[m] = before + i;
  }
  return PathRun{jumpOver(before + i).apply(state), m, before + i};
}

PathRun pathInitialise(uint32_t state, uint32_t n, const uint16_t* codeOf, uint16_t* genes, size_t stride,
                       int32_t maxMembers, uint64_t drawLimit, uint64_t* ends, void* work) {
  uint8_t* const bytes = static_cast<uint8_t*>(work);
#if defined(WENDRA_BUCKET_REGISTERS)
  constexpr uint32_t kPerRegister = BucketFlags<1>::kBuckets;
  constexpr uint32_t kMost = BucketFlags<8>::kBuckets;
#else
  constexpr uint32_t kMost = BucketWords::kBuckets;
#endif
  int shift = 0;  // the least that leaves at most kMost buckets
  while (((n - 1) >> shift) >= kMost) ++shift;
#if defined(WENDRA_BUCKET_REGISTERS)
  const uint32_t buckets = ((n - 1) >> shift) + 1;
  if (buckets <= kPerRegister)
    return initialiseMembers<BucketFlags<1>>(state, n, codeOf, genes, stride, maxMembers, drawLimit, ends, bytes, shift);
  if (buckets <= 2 * kPerRegister)
    return initialiseMembers<BucketFlags<2>>(state, n, codeOf, genes, stride, maxMembers, drawLimit, ends, bytes, shift);
  if (buckets <= 4 * kPerRegister)
    return initialiseMembers<BucketFlags<4>>(state, n, codeOf, genes, stride, maxMembers, drawLimit, ends, bytes, shift);
  return initialiseMembers<BucketFlags<8>>(state, n, codeOf, genes, stride, maxMembers, drawLimit, ends, bytes, shift);
#else
  return initialiseMembers<BucketWords>(state, n, codeOf, genes, stride, maxMembers, drawLimit, ends, bytes, shift);
#endif
}

// Random-key tour lengths without sorting. The decoded tour visits the keys
// in ascending order and each key's cities in ascending order, so its edges
// are of two kinds: from a city to the next one with the same key, and from
// the last city of a key to the first of the next key present (the closing
// edge from the last key's last city to the first key's first). One pass
// over the cities notes, for each, the cell of the previous city with its
// key, or kFirstOfKey | key for a key's first city: one load and two stores
// per city, where a counting sort takes a count and a scatter. A second pass
// measures the edges of the first kind in SIMD lanes and collects each key's
// first cell; the joins between keys take 128 entries more.
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

// keyTourLength for any n; `previous` (n entries) is working memory.
int32_t keyChainLength(const uint8_t* keys, size_t n, const uint16_t* codeOf, uint16_t* previous) {
  alignas(64) uint16_t last[128], first[128];
  for (int k = 0; k < 128; ++k) last[k] = static_cast<uint16_t>(kFirstOfKey | k);
  memset(first, 0, sizeof first);
  // Eight cities at a time: their keys in one load, their predecessors in
  // two stores, as the stores are what limits this loop.
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
  int64_t total = 0;
  i = 0;
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
  return static_cast<int32_t>(total + keyJoins(last, first));
}

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

extern const Kernels kKernels;
const Kernels kKernels = {WENDRA_KERNEL_LABEL, fetchForWriting, hitWords, drawCities,
                          keyInitialise, keyMutate, codeTourLength, keyTourLength, keyTourLengthPair, pathPlan, pathApply, stampedPositions,
                          pathInitialise};

}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
#undef WENDRA_BUCKET_REGISTERS
