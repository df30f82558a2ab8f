// The kernels for the avx512 instruction set (see kernels_impl.h).
#define WENDRA_KERNEL_NAMESPACE kernels_avx512
#define WENDRA_KERNEL_LABEL "avx512"
#include "kernels_impl.h"
