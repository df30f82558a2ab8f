#pragma once
// What the kernels' tests share: every build of a family that runs here (the
// scalar reference first), lengths around the lane and block widths, and
// thresholds at their extremes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "instruction_set.h"
#include "random.h"

namespace wendra::testing {

template <class Family>
std::vector<const Family*> kernelBuilds() {
  std::vector<const Family*> builds;
  for (InstructionSet set : runnableSets()) builds.push_back(&kernelsFor<Family>(set));
  return builds;
}

inline constexpr std::size_t kLengths[] = {1, 2, 3, 7, 8, 15, 16, 17, 31, 33, 63, 64, 65, 100, 127, 129, 333, 1000};
inline constexpr std::uint32_t kThresholds[] = {1u,          0x00001000u, 0x11E0E0E0u /* about 0.07 */,
                                                0x80000000u, 0xE6666666u, 0xFFFFFFFFu};

// The state after `s`.
inline std::uint32_t next(std::uint32_t s) { return s * Random::kMultiplier + Random::kIncrement; }

}  // namespace wendra::testing
