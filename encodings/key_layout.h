#pragma once
// The random-key chromosome as the fast engine stores it: one byte per city
// holding its 7-bit key, instead of one byte per key bit (N bytes instead of
// 7N). Bit 6 - j of the key is bit j of the reference format (bit 0 the most
// significant). Operations, draws and results are those of the reference
// random-key chromosome:
//   initialise: 7N uniforms in bit order, a bit set when u >= 0.5; members
//               take a fixed number of draws, so they are initialised in
//               parallel from jumped-to states;
//   crossover:  one integer below 7N, the cut; bits from the cut on swap
//               (whole keys behind the cut's city, the low bits within it);
//   mutate:     7N uniforms, a bit flips when u < pm;
//   decode:     a stable sort of the cities by key (a counting sort over the
//               128 key values) where the tour itself is wanted; a length
//               is measured without sorting, from each city's predecessor
//               with the same key (see keyTourLength in kernels.h), or for
//               up to 128 cities (with AVX-512) by a sorting network on
//               key << 7 | city in the registers.

#include <cstdint>
#include <vector>

#include "aligned.h"
#include "cell_codes.h"
#include "grid.h"
#include "instruction_set.h"
#include "key_kernels.h"
#include "parallel.h"
#include "random.h"

namespace wendra {

class KeyLayout {
 public:
  static constexpr std::int32_t kKeyBits = 7;

  struct alignas(64) Scratch {  // one per worker, on lines of its own
    explicit Scratch(const KeyLayout& layout) : work(static_cast<std::size_t>(layout.cities_)) {}
    // Bytes the constructor allocates.
    static std::size_t heapBytes(const KeyLayout& layout) {
      return lineVectorBytes<std::uint16_t>(static_cast<std::size_t>(layout.cities_));
    }
    LineVector<std::uint16_t> work;  // for the tour lengths
  };

  // kernels: the builds of the kernel family to run.
  KeyLayout(const Grid& grid, double mutationProbability, InstructionSet kernels = fastestSet());

  static std::int32_t textBytes(const Grid& grid) { return kKeyBits * grid.cities(); }
  // Mutations take a fixed number of draws: no hit words are planned.
  static constexpr bool kPlansHitWords = false;
  std::size_t storedBytes() const { return static_cast<std::size_t>(cities_); }
  std::uint32_t cutBound() const { return static_cast<std::uint32_t>(kKeyBits * cities_); }

  // Bytes the layout itself holds.
  std::size_t heapBytes() const { return codes_.heapBytes(); }
  // Working memory initialiseAll allocates: none.
  std::size_t creationWorkBytes(std::int32_t, const WorkerPool*, bool) const { return 0; }

  // Members take 7N draws each, so each starts at a known point: they are
  // made in parallel without speculation, and `spare` is not needed.
  std::uint32_t initialiseAll(std::uint8_t* members, std::size_t stride, std::int32_t count,
                              std::uint32_t state, WorkerPool* pool, std::uint8_t* spare) const;
  // The same, calling measure(i, pair, worker) as soon as member i, and
  // member i + 1 with it when pair is true, is made, while they are still
  // in the cache. Pairs stay within one task.
  template <class Measure>
  std::uint32_t initialiseMeasured(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                   std::uint32_t state, WorkerPool* pool, Measure&& measure) const {
    const KeyKernels& k = *kernels_;
    const std::uint64_t drawsPerMember = static_cast<std::uint64_t>(kKeyBits) * static_cast<std::uint64_t>(cities_);
    auto body = [&](std::int64_t begin, std::int64_t end, int worker) {
      std::uint32_t s = StreamJump::over(drawsPerMember * static_cast<std::uint64_t>(begin)).apply(state);
      for (std::int64_t m = begin; m < end; m += 2) {
        const bool pair = m + 1 < end;
        for (std::int64_t j = m; j < m + (pair ? 2 : 1); ++j) {
          k.initialise(s, members + static_cast<std::size_t>(j) * stride, static_cast<std::size_t>(cities_));
          s = overMutation_.apply(s);
        }
        measure(m, pair, worker);
      }
    };
    if (pool)
      pool->run(count, body);
    else
      body(0, count, 0);
    return StreamJump::over(drawsPerMember * static_cast<std::uint64_t>(count)).apply(state);
  }
  // Mutations take 7N draws, whatever happens: nothing to plan.
  std::size_t planWordsFor(std::size_t) const { return 0; }
  std::uint32_t planMutation(std::uint32_t state, std::uint64_t*, std::size_t& used) const {
    used = 0;
    return overMutation_.apply(state);
  }
  void crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut, std::uint8_t* child1,
                 std::uint8_t* child2, Scratch& scratch) const;
  void mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words, Scratch& scratch) const;
  std::int32_t length(const std::uint8_t* chromosome, Scratch& scratch) const;
  // The lengths of a and b into out[0] and out[1], sorted side by side.
  void lengthPair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out, Scratch& scratch) const;
  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  // The reference format: 7 bytes of 0 or 1 per city, most significant first.
  void textForm(const std::uint8_t* chromosome, std::uint8_t* out) const;

 private:
  Grid grid_;
  std::int32_t cities_;
  CellCodes codes_;
  const KeyKernels* kernels_;
  std::uint64_t mutationThreshold_;
  StreamJump overMutation_;  // 7N draws
};

}  // namespace wendra
