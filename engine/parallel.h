#pragma once
// A small pool of worker threads for the engine's large loops.
//
// run(count, body) cuts [0, count) into chunks, each a share of what is left
// (large first, down to single jobs at the end), and calls
// body(begin, end, worker) once per chunk; the caller works too (worker 0),
// helpers are workers 1 .. threads - 1. Chunks are handed out one at a time,
// so a helper that is slow to wake (the machine busy with other work) simply
// gets fewer of them: the caller never waits for a thread that has not
// started, only for chunks already taken. Chunk boundaries depend only on
// count and the thread count, never on timing; bodies must write disjoint
// data, so no result depends on which thread ran which chunk.
//
// Helpers spin for up to 5 ms after a job (steps follow each other closely,
// and waking a sleeping thread can take milliseconds on a busy or virtualised
// machine), then sleep; the caller spins for chunks still running. Nobody spins
// when there are more threads than cores. When the system refuses to start
// some helpers, the pool works with those it has. Thread safety: one caller
// at a time.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace wendra {

// Number of processors this process may run on (at least 1).
int availableCores();

// One round of a busy wait: a short pause, then the processor is offered to
// any other ready thread.
void relaxWaiting();

class WorkerPool {
 public:
  // threads: workers including the caller; 0 means one per available core.
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int threads() const { return threads_; }

  template <class Body>
  void run(std::int64_t count, Body&& body) {
    run(count, [] {}, body);
  }

  // The same, but the caller first runs lead() while the helpers already
  // take chunks (they may wait inside a chunk for what lead() produces; lead
  // itself must never wait for a chunk).
  template <class Lead, class Body>
  void run(std::int64_t count, Lead&& lead, Body&& body) {
    if (threads_ <= 1 || count <= 1) {
      lead();
      body(std::int64_t{0}, count, 0);
      return;
    }
    using B = std::remove_reference_t<Body>;
    using L = std::remove_reference_t<Lead>;
    runChunks(
        count, const_cast<void*>(static_cast<const void*>(&body)),
        [](void* b, std::int64_t begin, std::int64_t end, int worker) { (*static_cast<B*>(b))(begin, end, worker); },
        const_cast<void*>(static_cast<const void*>(&lead)), [](void* l) { (*static_cast<L*>(l))(); });
  }

 private:
  using Call = void (*)(void* body, std::int64_t begin, std::int64_t end, int worker);
  void runChunks(std::int64_t count, void* body, Call call, void* lead, void (*leadCall)(void*));
  void helperLoop(int worker);
  // Takes and runs chunks of the current job until none is left. REQUIRES:
  // lock held; returns with it held.
  void work(std::unique_lock<std::mutex>& lock, int worker);

  int threads_;
  std::vector<std::thread> helpers_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  // The current job, guarded by mutex_.
  std::uint64_t generation_ = 0;
  std::atomic<std::uint64_t> published_{0};  // generation_, for spinning helpers to watch
  std::atomic<std::int64_t> finishedJobs_{0};  // doneJobs_, for the spinning caller to watch
  bool spin_ = true;                          // not when there are more threads than cores
  void* body_ = nullptr;
  Call call_ = nullptr;
  std::int64_t count_ = 0;
  std::int64_t nextBegin_ = 0, doneJobs_ = 0;
  bool stop_ = false;
};

}  // namespace wendra
