// The scalar build of the path creation kernels: one draw, one city at a
// time, with a table of the cities placed.
#include "path_creation_kernels.h"

#include <cstring>

#include "random.h"

namespace wendra {

std::size_t pathTableBytes(std::uint32_t n) { return (std::size_t{n} + 64 + 63) / 64 * 64; }
std::size_t pathWorkBytes(std::uint32_t n) {
  return pathTableBytes(n) + sizeof(std::uint32_t) * (kPathBlock + 64 + kPathBatch + 64);
}

namespace kernels_scalar {
namespace {

PathRun initialise(std::uint32_t state, std::uint32_t n, const std::uint16_t* codeOf, std::uint16_t* genes,
                   std::size_t stride, std::int32_t maxMembers, std::uint64_t drawLimit, std::uint64_t* ends,
                   void* work) {
  auto* placed = static_cast<bool*>(work);
  Random random;
  random.setState(state);
  std::uint64_t draws = 0;
  std::int32_t m = 0;
  for (; m < maxMembers && (m == 0 || draws < drawLimit); ++m) {
    std::memset(placed, 0, n * sizeof(bool));
    std::uint16_t* member = genes + static_cast<std::size_t>(m) * stride;
    for (std::uint32_t filled = 0; filled < n; ++draws) {
      const std::uint32_t city = random.below(n);
      if (!placed[city]) {
        placed[city] = true;
        member[filled++] = codeOf[city];
      }
    }
    if (ends) ends[m] = draws;
  }
  return PathRun{random.state(), m, draws};
}

std::uint32_t stampedPositions(const std::uint16_t* head, std::uint32_t count, const std::uint32_t* marks,
                               std::uint32_t stamp, std::uint16_t* out) {
  std::uint32_t found = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t mark = marks[head[i]];
    if ((mark & ~0x7FFFu) == stamp) out[found++] = static_cast<std::uint16_t>(mark & 0x7FFFu);
  }
  return found;
}

}  // namespace
}  // namespace kernels_scalar

const PathCreationKernels PathCreationKernels::scalar = {
    .name = "scalar", .initialise = kernels_scalar::initialise, .stampedPositions = kernels_scalar::stampedPositions};

}  // namespace wendra
