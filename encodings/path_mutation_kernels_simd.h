// The vector builds of the path mutation kernels (path_mutation_kernels.h).
// The draws come 64 at a time as hit words (simd_stream.h); a word's gene
// positions and partner draws are told apart by bit arithmetic, so that a
// mutation is walked a word at a time rather than a draw at a time. Included
// only by the builds cmake/kernels.cmake makes; no include guard.

#include "path_mutation_kernels.h"
#include "simd_stream.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

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

// Swaps waiting to be made, each gene position | partner << 16.
struct SwapList {
  static constexpr int kRoom = 1024;  // a word lists 64 at most
  alignas(64) uint32_t entries[kRoom + 64];
  int listed = 0;
  void makeSwaps(uint16_t* genes) {
    for (int i = 0; i < listed; ++i) {
      const uint32_t gene = entries[i] & 0xFFFFu, partner = entries[i] >> 16;
      const uint16_t t = genes[gene];
      genes[gene] = genes[partner];
      genes[partner] = t;
    }
    listed = 0;
  }
};

// Lists the swaps of one word's hits at out (whole vectors stored); returns
// how many there are. The word's draws start after wordStart, and `passed`
// gene positions come before it.
#if defined(__AVX512VBMI2__)
// Only the hits' lanes: their bit positions compressed out of the word, at
// most 32 (a partner draw follows every hit), each gene position from its
// bit and its rank among the word's hits (see GeneWord).
inline int listHits(const GeneWord& word, uint32_t wordStart, uint64_t passed, uint32_t n,
                    const PartnerJumps& partnerJumps, uint32_t* out) {
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i bitIota = _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                                          44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26,
                                          25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                                          5, 4, 3, 2, 1, 0);
  const __m512i nLanes = _mm512_set1_epi64(n);
  const __m512i start = _mm512_set1_epi32(static_cast<int>(wordStart));
  const __m512i bits = _mm512_maskz_compress_epi8(word.hits, bitIota);
  const int hits = popcount64(word.hits);
  const __m512i base = _mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(passed - word.opensWithPartner)), iota);
  for (int from = 0; from < hits; from += 16) {
    const __m512i b = _mm512_cvtepu8_epi32(from == 0 ? _mm512_castsi512_si128(bits) : _mm512_extracti32x4_epi32(bits, 1));
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
    _mm512_storeu_si512(out + from, _mm512_or_si512(gene, _mm512_slli_epi32(partner, 16)));
  }
  return hits;
}
#else
// All 64 lanes, in four vectors, the hits' compressed out of each.
inline int listHits(const GeneWord& word, uint32_t wordStart, uint64_t passed, uint32_t n,
                    const PartnerJumps& partnerJumps, uint32_t* out) {
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i start = _mm512_set1_epi32(static_cast<int>(wordStart));
  int listed = 0;
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
    _mm512_storeu_si512(out + listed, _mm512_maskz_compress_epi32(hitLanes, entry));
    listed += __builtin_popcount(hitLanes);
    rankBase += static_cast<uint32_t>(__builtin_popcount(geneLanes));
  }
  return listed;
}
#endif

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
  SwapList swaps;
  uint64_t opens = 0;
  uint64_t passed = 0;
  uint32_t wordStart = state;
  for (size_t w = 0;; ++w) {
    const GeneWord word = geneWord(words[w], opens, passed, n);
    if (word.hits != 0) {
      if (swaps.listed > SwapList::kRoom - 64) swaps.makeSwaps(genes);
      swaps.listed += listHits(word, wordStart, passed, n, partnerJumps, swaps.entries + swaps.listed);
    }
    if (word.last) {
      swaps.makeSwaps(genes);
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

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE

namespace wendra {
const PathMutationKernels PathMutationKernels::WENDRA_KERNEL_BUILD = {.name = WENDRA_KERNEL_LABEL,
                                                                      .plan = WENDRA_KERNEL_NAMESPACE::pathPlan,
                                                                      .apply = WENDRA_KERNEL_NAMESPACE::pathApply};
}  // namespace wendra
