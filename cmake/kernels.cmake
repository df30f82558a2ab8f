# Kernel families (see engine/instruction_set.h). A family <name> is three
# files beside the code it serves: <name>_kernels.h, the table and what each
# entry computes; <name>_kernels.cpp, the scalar build, plain loops; and
# <name>_kernels_simd.h, the vector code, built here once per instruction set
# with that set's flags. The vector builds include C-level headers only, so no
# inline C++ function compiled with wider instructions can be shared with the
# rest of the program.

set(WENDRA_KERNEL_SETS baseline)
set(wendra_kernel_flags_baseline "")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(WENDRA_X86_KERNELS ON)
  list(APPEND WENDRA_KERNEL_SETS avx2 avx512 avx512vbmi2)
  set(wendra_kernel_flags_avx2 -march=x86-64-v3)
  set(wendra_kernel_flags_avx512 -march=x86-64-v4 -mprefer-vector-width=512 -mprfchw)
  set(wendra_kernel_flags_avx512vbmi2 -march=x86-64-v4 -mavx512vbmi2 -mprefer-vector-width=512 -mprfchw)
endif()

# Adds family `name` (files in the calling directory) to `target`.
function(wendra_add_kernel_family target name)
  target_sources(${target} PRIVATE ${name}_kernels.h ${name}_kernels.cpp ${name}_kernels_simd.h)
  foreach(set IN LISTS WENDRA_KERNEL_SETS)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/kernels/${name}_kernels_${set}.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT
"// The ${set} build of ${name}_kernels_simd.h (made by cmake/kernels.cmake).
#define WENDRA_KERNEL_NAMESPACE kernels_${set}
#define WENDRA_KERNEL_BUILD ${set}
#include \"${CMAKE_CURRENT_SOURCE_DIR}/${name}_kernels_simd.h\"
")
    target_sources(${target} PRIVATE ${source})
    set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "${wendra_kernel_flags_${set}}")
  endforeach()
endfunction()
