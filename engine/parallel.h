#pragma once
// Fork-join over index ranges for the engine's large loops.
//
// parallelChunks(workers, count, body) calls body(begin, end, worker) for
// `workers` contiguous, disjoint chunks covering [0, count), each on its own
// thread (worker = 0 .. workers - 1), and returns when all are done. With
// workers <= 1 it calls body(0, count, 0) on the calling thread. Bodies must
// write disjoint data; which thread runs which chunk never changes a result.

#include <cstdint>
#include <type_traits>

namespace wendra {

// Number of processors this process may run on (at least 1).
int availableCores();

// Whether worker threads exist in this build (OpenMP); without them every
// loop runs on the calling thread.
bool threadsSupported();

namespace detail {
using ChunkCall = void (*)(void* body, std::int64_t begin, std::int64_t end, int worker);
void runChunks(int workers, std::int64_t count, void* body, ChunkCall call);
}  // namespace detail

template <class Body>
void parallelChunks(int workers, std::int64_t count, Body&& body) {
  if (workers <= 1 || count <= 1) {
    body(std::int64_t{0}, count, 0);
    return;
  }
  using B = std::remove_reference_t<Body>;
  detail::runChunks(workers, count, const_cast<void*>(static_cast<const void*>(&body)),
                    [](void* b, std::int64_t begin, std::int64_t end, int worker) {
                      (*static_cast<B*>(b))(begin, end, worker);
                    });
}

}  // namespace wendra
