// The kernels for the baseline instruction set (see kernels_impl.h).
#define WENDRA_KERNEL_NAMESPACE kernels_generic
#define WENDRA_KERNEL_LABEL "baseline"
#include "kernels_impl.h"
