#include "kernels.h"

namespace wendra {

namespace kernels_generic {
extern const Kernels kKernels;
}
#if defined(WENDRA_HAVE_X86_KERNELS)
namespace kernels_avx2 {
extern const Kernels kKernels;
}
namespace kernels_avx512 {
extern const Kernels kKernels;
}
namespace kernels_avx512vbmi2 {
extern const Kernels kKernels;
}
#endif

KernelList availableKernels() {
  KernelList list{{&kernels_generic::kKernels}, 1};
#if defined(WENDRA_HAVE_X86_KERNELS)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("fma")) {
    list.items[list.count++] = &kernels_avx2::kKernels;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512cd")) {
      list.items[list.count++] = &kernels_avx512::kKernels;
      if (__builtin_cpu_supports("avx512vbmi2")) list.items[list.count++] = &kernels_avx512vbmi2::kKernels;
    }
  }
#endif
  return list;
}

const Kernels& kernels() {
  static const Kernels* const best = [] {
    const KernelList list = availableKernels();
    return list.items[list.count - 1];
  }();
  return *best;
}

}  // namespace wendra
