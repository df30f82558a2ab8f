#include "parallel.h"

#include <algorithm>
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
  while (nextBegin_ < count_) {
    // Each chunk a share of what is left: large ones first, and ever
    // smaller ones towards the end, so that the threads finish close
    // together even when one runs slower than the others.
    const std::int64_t begin = nextBegin_;
    const std::int64_t end = begin + std::max<std::int64_t>(1, (count_ - begin) / (2 * threads_));
    nextBegin_ = end;
    void* body = body_;
    const Call call = call_;
    lock.unlock();
    call(body, begin, end, worker);
    lock.lock();
    doneJobs_ += end - begin;
    finishedJobs_.store(doneJobs_, std::memory_order_release);
    if (doneJobs_ == count_) finished_.notify_all();
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
  nextBegin_ = 0;
  doneJobs_ = 0;
  finishedJobs_.store(0, std::memory_order_relaxed);
  published_.store(++generation_, std::memory_order_release);
  lock.unlock();
  wake_.notify_all();
  leadCall(lead);
  lock.lock();
  work(lock, 0);
  if (doneJobs_ != count_ && spin_) {
    // Chunks taken by helpers are still running: they end within a chunk's
    // time, and waking from a sleep can take far longer on a busy or
    // virtualised machine.
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (finishedJobs_.load(std::memory_order_acquire) != count && std::chrono::steady_clock::now() < until)
      relaxWaiting();
    lock.lock();
  }
  finished_.wait(lock, [this] { return doneJobs_ == count_; });
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
