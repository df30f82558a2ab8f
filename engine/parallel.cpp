#include "parallel.h"

#include <chrono>
#include <system_error>

#if defined(__linux__)
#include <sched.h>
#endif

namespace wendra {

// The processor is offered to others because the machine may give two of our
// threads one core when other programs keep the rest busy.
void relaxWaiting() {
#if defined(__x86_64__) || defined(__i386__)
  for (int i = 0; i < 16; ++i) __builtin_ia32_pause();
#endif
  std::this_thread::yield();
}

int availableCores() {
#if defined(__linux__)
  cpu_set_t set;  // the processors this process may use, not all there are
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
#endif
  const int n = static_cast<int>(std::thread::hardware_concurrency());
  return n > 0 ? n : 1;
}

WorkerPool::WorkerPool(int threads)
    : threads_(threads > 0 ? threads : availableCores()), spin_(threads_ <= availableCores()) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    published_.store(++generation_, std::memory_order_release);
  }
  wake_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void WorkerPool::work(std::unique_lock<std::mutex>& lock, int worker) {
  while (nextChunk_ < chunks_) {
    const int chunk = nextChunk_++;
    const std::int64_t begin = count_ * chunk / chunks_, end = count_ * (chunk + 1) / chunks_;
    void* body = body_;
    const Call call = call_;
    lock.unlock();
    call(body, begin, end, worker);
    lock.lock();
    finishedChunks_.store(++doneChunks_, std::memory_order_release);
    if (doneChunks_ == chunks_) finished_.notify_all();
  }
}

void WorkerPool::runChunks(std::int64_t count, void* body, Call call, void* lead, void (*leadCall)(void*)) {
  if (helpers_.empty()) {  // started on first use
    for (int w = 1; w < threads_; ++w) {
      try {
        helpers_.emplace_back([this, w] { helperLoop(w); });
      } catch (const std::system_error&) {
        // The system gives no more threads (a limit on threads or on address
        // space): the helpers started and the caller take every chunk.
        // Chunks do not depend on who runs them, so neither does the result.
        break;
      }
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  body_ = body;
  call_ = call;
  count_ = count;
  // Many chunks per thread, so that the threads finish close together.
  chunks_ = static_cast<int>(count < 16 * threads_ ? count : 16 * threads_);
  nextChunk_ = 0;
  doneChunks_ = 0;
  finishedChunks_.store(0, std::memory_order_relaxed);
  published_.store(++generation_, std::memory_order_release);
  lock.unlock();
  wake_.notify_all();
  leadCall(lead);
  lock.lock();
  work(lock, 0);
  if (doneChunks_ != chunks_ && spin_) {
    // Chunks taken by helpers are still running: they end within a chunk's
    // time, and waking from a sleep can take far longer on a busy or
    // virtualised machine.
    const int chunks = chunks_;
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (finishedChunks_.load(std::memory_order_acquire) != chunks && std::chrono::steady_clock::now() < until)
      relaxWaiting();
    lock.lock();
  }
  finished_.wait(lock, [this] { return doneChunks_ == chunks_; });
}

void WorkerPool::helperLoop(int worker) {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (generation_ == seen && !stop_ && spin_) {
      // Spin a while before sleeping: the next step usually follows soon,
      // and a sleeping thread can take milliseconds to wake.
      lock.unlock();
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
      while (published_.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < until)
        relaxWaiting();
      lock.lock();
    }
    wake_.wait(lock, [&] { return generation_ != seen || stop_; });
    if (stop_) return;
    seen = generation_;
    work(lock, worker);
  }
}

}  // namespace wendra
