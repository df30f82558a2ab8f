// The kernels for avx512 with byte compression (vbmi2; see kernels_impl.h).
#define WENDRA_KERNEL_NAMESPACE kernels_avx512vbmi2
#define WENDRA_KERNEL_LABEL "avx512vbmi2"
#include "kernels_impl.h"
