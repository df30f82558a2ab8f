// The kernels for the avx2 instruction set (see kernels_impl.h).
#define WENDRA_KERNEL_NAMESPACE kernels_avx2
#define WENDRA_KERNEL_LABEL "avx2"
#include "kernels_impl.h"
