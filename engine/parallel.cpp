#include "parallel.h"

#include <thread>

#if defined(_OPENMP)
#include <omp.h>
#endif

namespace wendra {

int availableCores() {
#if defined(_OPENMP)
  const int n = omp_get_num_procs();
#else
  const int n = static_cast<int>(std::thread::hardware_concurrency());
#endif
  return n > 0 ? n : 1;
}

bool threadsSupported() {
#if defined(_OPENMP)
  return true;
#else
  return false;
#endif
}

namespace detail {

void runChunks(int workers, std::int64_t count, void* body, ChunkCall call) {
  if (workers > count) workers = static_cast<int>(count);
#if defined(_OPENMP)
  // Exactly `workers` chunks, whatever number of threads the runtime grants:
  // a thread that gets none of its own takes the chunks of the missing ones.
#pragma omp parallel num_threads(workers)
  {
    const int threads = omp_get_num_threads();
    for (int w = omp_get_thread_num(); w < workers; w += threads)
      call(body, count * w / workers, count * (w + 1) / workers, w);
  }
#else
  for (int w = 0; w < workers; ++w) call(body, count * w / workers, count * (w + 1) / workers, w);
#endif
}

}  // namespace detail
}  // namespace wendra
