#include "instruction_set.h"

namespace wendra {

const char* nameOf(InstructionSet set) {
  switch (set) {
    case InstructionSet::kScalar: return "scalar";
    case InstructionSet::kBaseline: return "baseline";
    case InstructionSet::kAvx2: return "avx2";
    case InstructionSet::kAvx512: return "avx512";
    case InstructionSet::kAvx512Vbmi2: return "avx512vbmi2";
  }
  return "";
}

bool runs(InstructionSet set) {
  if (set == InstructionSet::kScalar || set == InstructionSet::kBaseline) return true;
#if defined(WENDRA_HAVE_X86_KERNELS)
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("fma");
  const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512cd");
  switch (set) {
    case InstructionSet::kAvx2: return avx2;
    case InstructionSet::kAvx512: return avx512;
    case InstructionSet::kAvx512Vbmi2: return avx512 && __builtin_cpu_supports("avx512vbmi2");
    default: break;
  }
#endif
  return false;
}

std::vector<InstructionSet> runnableSets() {
  std::vector<InstructionSet> sets;
  for (InstructionSet set : {InstructionSet::kScalar, InstructionSet::kBaseline, InstructionSet::kAvx2,
                             InstructionSet::kAvx512, InstructionSet::kAvx512Vbmi2})
    if (runs(set)) sets.push_back(set);
  return sets;
}

InstructionSet fastestSet() {
  static const InstructionSet fastest = runnableSets().back();
  return fastest;
}

}  // namespace wendra
