// The vector builds of the path creation kernels (path_creation_kernels.h).
// Included only by the builds cmake/kernels.cmake makes; no include guard.

#include "path_buckets_simd.h"
#include "path_creation_kernels.h"
#include "simd_stream.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

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

// Path initialisation by rejection.
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
//           registers (path_buckets_simd.h): a batch of draws is tested
//           against it in SIMD lanes with permutes, no memory access, and only
//           the draws that fall in a flagged bucket (the candidates) are then
//           examined in turn, as in the dense phase. The bitset is rebuilt
//           from the bytes when the free cities have dropped to a quarter; in
//           between it flags more buckets than needed, which costs
//           candidates, never exactness.

// The draws' cities, made a block at a time ahead of their use:
// cities[next .. end) are made but not used yet; `before` draws precede
// cities[0].
struct CityDraws {
  uint32_t* cities;
  uint32_t n;
  uint32_t last;  // the last state generated
  size_t next = 0, end = 0;
  uint64_t before = 0;

  uint64_t used() const { return before + next; }
  // At least `need` cities made and not used yet.
  void ensure(size_t need) {
    if (end - next >= need) return;
    static const Jump overBlock = jumpOver(kPathBlock);
    const size_t keep = end - next;
    memmove(cities, cities + next, keep * sizeof(uint32_t));
    before += next;
    next = 0;
    citiesInBlocks(last, n, cities + keep, kPathBlock);
    end = keep + kPathBlock;
    last = overBlock.apply(last);
  }
};

// Dense: a draw's gene is written at once and kept when its city was free.
// Runs of draws too short to place the last city are taken without checking
// anything else; the phase may end a little late, and always leaves the last
// city to the sparse one. Returns the cities placed.
inline uint32_t placeDense(CityDraws& draws, uint8_t* placed, uint8_t stamp, const uint16_t* codeOf, uint16_t* g,
                           uint32_t sparseFree) {
  const uint32_t n = draws.n;
  uint32_t filled = 0;
  while (filled + sparseFree < n && filled + 1 < n) {
    draws.ensure(1);
    const uint32_t* const cities = draws.cities;
    size_t i = draws.next;
    const size_t run = draws.end - i < n - 1 - filled ? draws.end - i : n - 1 - filled;
    size_t placedSoFar = filled;
    for (const size_t stop = i + run; i < stop; ++i) {
      const uint32_t c = cities[i];
      const uint32_t mark = placed[c];
      placed[c] = stamp;
      g[placedSoFar] = codeOf[c];
      placedSoFar += mark < stamp ? 1 : 0;
    }
    draws.next = i;
    filled = static_cast<uint32_t>(placedSoFar);
  }
  return filled;
}

// What the sparse phase keeps from one member to the next.
struct SparseSetup {
  uint64_t* bucketBits;  // a rebuild clears only the words of the buckets there are
  size_t bucketWords;
  int shift;
  // With one city per bucket and few registers, a bucket's flag is cleared
  // as soon as its city is placed (cheap, and only the candidates of the
  // current batch can be stale); otherwise the bitset is rebuilt from the
  // bytes each time the free cities have dropped to a quarter.
  bool clearing;
  uint32_t* queue;  // the candidates of a batch
};

// Sparse: batches of draws, their candidates in order, until all n cities
// are placed.
template <class Flags>
inline void placeSparse(CityDraws& draws, const SparseSetup& setup, uint8_t* placed, uint8_t stamp,
                        const uint16_t* codeOf, uint16_t* g, uint32_t filled) {
  const uint32_t n = draws.n;
  const int shift = setup.shift;
  const bool clearing = setup.clearing;
  uint32_t* const queue = setup.queue;
  Flags flags{};
  uint32_t rebuildAt = n;
  while (filled < n) {
    if (n - filled <= rebuildAt) {  // at the phase's start, and then when not clearing
      markFreeBuckets(placed, stamp, n, shift, setup.bucketBits, setup.bucketWords);
      flags.load(setup.bucketBits);
      rebuildAt = clearing ? 0 : (n - filled) / 4;
    }
    draws.ensure(kLanes);
    const uint32_t* const cities = draws.cities;
    const size_t i = draws.next;
    size_t stop = draws.end - (draws.end - i) % kLanes;
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
    draws.next = next;
  }
}

template <class Flags>
PathRun initialiseMembers(uint32_t state, uint32_t n, const uint16_t* codeOf, uint16_t* genes, size_t stride,
                          int32_t maxMembers, uint64_t drawLimit, uint64_t* ends, uint8_t* work, int shift) {
  const size_t tableBytes = pathTableBytes(n);
  uint8_t* const placed = work;
  CityDraws draws{reinterpret_cast<uint32_t*>(work + tableBytes), n, state};
  alignas(64) uint64_t bucketBits[4096 / 64] = {};
  const bool clearing = shift == 0 && Flags::kBuckets <= 1024;
  const SparseSetup sparse{bucketBits, (((n - 1) >> shift) >> 6) + 1, shift, clearing,
                           draws.cities + kPathBlock + 64};
  // The sparse phase starts with a quarter of the cities free, or an eighth
  // when the flags are rebuilt (they are then less selective).
  const uint32_t sparseFree = clearing ? n / 4 : n / 8;
  memset(placed, 0, tableBytes);
  uint8_t stamp = 0;
  int32_t m = 0;
  for (; m < maxMembers; ++m) {
    if (m > 0 && draws.used() >= drawLimit) break;
    if (++stamp == 0) {  // wrapped: old marks could match again
      memset(placed, 0, tableBytes);
      stamp = 1;
    }
    uint16_t* const g = genes + static_cast<size_t>(m) * stride;
    // The next member's lines, which another core may have used last.
    if (m + 1 < maxMembers) prefetchForWriting(g + stride, 2 * size_t{n});
    const uint32_t filled = placeDense(draws, placed, stamp, codeOf, g, sparseFree);
    placeSparse<Flags>(draws, sparse, placed, stamp, codeOf, g, filled);
    if (ends) ends[m] = draws.used();
  }
  return PathRun{jumpOver(draws.used()).apply(state), m, draws.used()};
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

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE

namespace wendra {
const PathCreationKernels PathCreationKernels::WENDRA_KERNEL_BUILD = {
    .name = WENDRA_KERNEL_LABEL,
    .initialise = WENDRA_KERNEL_NAMESPACE::pathInitialise,
    .stampedPositions = WENDRA_KERNEL_NAMESPACE::stampedPositions};
}  // namespace wendra
