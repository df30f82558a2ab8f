#pragma once
// Checks that a new population fits in memory before anything is replaced.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "grid.h"

namespace wendra {

// Raised when a population cannot get its memory; the engine that raised it
// is left exactly as it was before the call.
class PopulationTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bytes of memory this process can still fill without being killed for it:
// the smaller of the system's available memory and what the control group's
// limit leaves. Returns UINT64_MAX when neither can be read. A reading is
// reused for 20 ms.
std::uint64_t availableMemory();

// Bytes this process may still allocate at all, touched or not: what its
// address-space and data-size limits (ulimit -v, -d) leave, and under strict
// overcommit (vm.overcommit_memory = 2) what the system's commit limit
// leaves. UINT64_MAX when nothing limits it.
std::uint64_t allocatableMemory();

// What a creation takes, in bytes: `fill` is the memory it fills beyond what
// the engine holds now (net of the population it frees on the way), checked
// against availableMemory(); `allocate` is what it allocates while the
// present population is still held, checked against allocatableMemory().
struct CreationMemory {
  std::uint64_t fill = 0;
  std::uint64_t allocate = 0;
};

// The message of a refused population, e.g.
// "Not enough memory for 1000000 members on a 100 x 100 grid: 20012 MB
// needed, 9000 MB available" (MB = 10^6 bytes, rounded up for the need).
// When availableBytes covers the need (the system refused an allocation all
// the same) the end reads "20012 MB needed, which the system refused".
std::string notEnoughMemoryMessage(std::int64_t members, const Grid& grid, std::uint64_t neededBytes,
                                   std::uint64_t availableBytes);

// Throws PopulationTooLarge, naming the limit that was exceeded, when `need`
// does not fit in `availableBytes` (for need.fill) or `allocatableBytes` (for
// need.allocate).
void requireMemory(std::int64_t members, const Grid& grid, CreationMemory need, std::uint64_t availableBytes,
                   std::uint64_t allocatableBytes);

}  // namespace wendra
