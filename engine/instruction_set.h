#pragma once
// The instruction sets the kernels are built for, and which of them this
// processor runs.
//
// A kernel family (stream_kernels.h, tour_kernels.h, and the encodings' in
// encodings/) is a table of function pointers with one build per instruction
// set, held as the table type's static members: `scalar`, plain loops written
// to be read, the reference every other build is tested against; `baseline`,
// `avx2`, `avx512` and `avx512vbmi2`, the family's vector code
// (<family>_kernels_simd.h) compiled once with each set's instructions (see
// cmake/kernels.cmake). Off x86-64 only the scalar and baseline builds exist.
// Every build of a family gives identical results.

#include <vector>

namespace wendra {

enum class InstructionSet { kScalar, kBaseline, kAvx2, kAvx512, kAvx512Vbmi2 };

// "scalar", "baseline", "avx2", "avx512" or "avx512vbmi2": the `name` of the
// builds for the set.
const char* nameOf(InstructionSet set);

// Whether this binary has builds for the set and this processor runs them.
bool runs(InstructionSet set);

// The sets that run here, slowest first: always kScalar and kBaseline, then
// those of the wider vectors this processor has.
std::vector<InstructionSet> runnableSets();

// The fastest of them, what the engine uses unless told otherwise.
InstructionSet fastestSet();

// The build of kernel family `Family` for `set`. REQUIRES: runs(set).
template <class Family>
const Family& kernelsFor(InstructionSet set) {
  switch (set) {
    case InstructionSet::kScalar: return Family::scalar;
    case InstructionSet::kBaseline: break;
#if defined(WENDRA_HAVE_X86_KERNELS)
    case InstructionSet::kAvx2: return Family::avx2;
    case InstructionSet::kAvx512: return Family::avx512;
    case InstructionSet::kAvx512Vbmi2: return Family::avx512vbmi2;
#else
    default: break;
#endif
  }
  return Family::baseline;
}

}  // namespace wendra
