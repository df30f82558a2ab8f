#pragma once
// Checks that a new population fits in memory before anything is replaced.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace wendra {

// Raised when a population cannot get its memory; the engine that raised it
// is left exactly as it was before the call.
class PopulationTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bytes this process can still take without being killed for memory: the
// smaller of the system's available memory and what the control group's limit
// leaves. Returns UINT64_MAX when neither can be read. A reading is reused
// for 20 ms.
std::uint64_t availableMemory();

// Bytes a population of `members` chromosomes of `chromosomeBytes` needs:
// the population and offspring (2 x P x size), the two best copies and P
// selection weights.
std::uint64_t populationBytes(std::int64_t members, std::int64_t chromosomeBytes);

// The message of a refused population, e.g.
// "Not enough memory for 1000000 members of 70000 bytes: 140000 MB needed,
// 21000 MB available" (MB = 10^6 bytes, rounded up for the need).
std::string notEnoughMemoryMessage(std::int64_t members, std::int64_t chromosomeBytes,
                                   std::uint64_t availableBytes);

// Throws PopulationTooLarge when the population does not fit in `availableBytes`.
void requirePopulationFits(std::int64_t members, std::int64_t chromosomeBytes,
                           std::uint64_t availableBytes);

}  // namespace wendra
