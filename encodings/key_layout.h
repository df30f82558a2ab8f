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
//   decode:     a stable sort of the cities by key (key_order.h) where the
//               tour itself is wanted; a length is measured without sorting
//               (key_kernels.h).
// The engine's requirements of a layout: chromosome_layout.h.

#include <cstdint>
#include <vector>

#include "aligned.h"
#include "cell_codes.h"
#include "chromosome_layout.h"
#include "grid.h"
#include "instruction_set.h"
#include "key_kernels.h"
#include "parallel.h"
#include "random.h"

namespace wendra {

class KeyLayout {
 public:
  static constexpr std::int32_t kKeyBits = 7;
  // Mutations take 7N draws, whatever happens.
  static constexpr MutationDraws kMutationDraws = MutationDraws::kFixed;
  // So do initialisations: each member starts at a known point.
  static constexpr MemberCreation kMemberCreation = MemberCreation::kFromKnownStarts;

  // What one worker thread crosses and measures with: the working memory of
  // the tour lengths.
  class alignas(64) Worker {  // on lines of its own
   public:
    explicit Worker(const KeyLayout& layout)
        : layout_(&layout), work_(static_cast<std::size_t>(layout.cities_)) {}
    // Bytes the constructor allocates.
    static std::size_t heapBytes(const KeyLayout& layout) {
      return lineVectorBytes<std::uint16_t>(static_cast<std::size_t>(layout.cities_));
    }
    // child1 and child2 become the crossover of copies of a and b at `cut`.
    void crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut, std::uint8_t* child1,
                   std::uint8_t* child2) const;
    std::int32_t length(const std::uint8_t* chromosome);
    // The lengths of a and b into out[0] and out[1], sorted side by side.
    void lengthPair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out);

   private:
    const KeyLayout* layout_;
    LineVector<std::uint16_t> work_;
  };

  // kernels: the builds of the kernel family to run.
  KeyLayout(const Grid& grid, double mutationProbability, InstructionSet kernels);

  static std::int32_t textBytes(const Grid& grid) { return kKeyBits * grid.cities(); }
  std::size_t storedBytes() const { return static_cast<std::size_t>(cities_); }
  std::uint32_t cutBound() const { return static_cast<std::uint32_t>(kKeyBits * cities_); }
  // Bytes the layout itself holds.
  std::size_t heapBytes() const { return codes_.heapBytes(); }

  // Makes `count` members in index order from the stream after `state`,
  // each from its own jumped-to state, and returns the state after the last
  // draw; calls measure(m, m + 2, worker) as soon as members m and m + 1 are
  // made, while they are still in the cache (measure(m, m + 1, worker) for a
  // task's last, odd one).
  template <class Measure>
  std::uint32_t initialise(std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
                           WorkerPool* pool, Measure&& measure) const {
    const std::uint64_t drawsPerMember = static_cast<std::uint64_t>(kKeyBits) * static_cast<std::uint64_t>(cities_);
    auto body = [&](std::int64_t begin, std::int64_t end, int worker) {
      std::uint32_t s = StreamJump::over(drawsPerMember * static_cast<std::uint64_t>(begin)).apply(state);
      for (std::int64_t m = begin; m < end; m += 2) {
        const std::int64_t made = m + 1 < end ? m + 2 : m + 1;
        for (std::int64_t j = m; j < made; ++j) {
          kernels_->initialise(s, members + static_cast<std::size_t>(j) * stride, static_cast<std::size_t>(cities_));
          s = overMutation_.apply(s);
        }
        measure(m, made, worker);
      }
    };
    if (pool)
      pool->run(count, body);
    else
      body(0, count, 0);
    return StreamJump::over(drawsPerMember * static_cast<std::uint64_t>(count)).apply(state);
  }

  // The draws of a mutation (7N), to jump over.
  const StreamJump& overMutation() const { return overMutation_; }
  // The mutation whose draws follow `state`.
  void mutate(std::uint8_t* chromosome, std::uint32_t state) const;

  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  // The reference format: 7 bytes of 0 or 1 per city, most significant first.
  void textForm(const std::uint8_t* chromosome, std::uint8_t* out) const;

 private:
  std::int32_t cities_;
  CellCodes codes_;
  const KeyKernels* kernels_;
  std::uint64_t mutationThreshold_;
  StreamJump overMutation_;  // 7N draws: a member's initialisation, or a mutation
};

}  // namespace wendra
