#include "parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace wendra {
namespace {

using Chunks = std::vector<std::pair<std::int64_t, std::int64_t>>;

// Runs count jobs; returns the chunks (sorted) and checks every job ran once.
Chunks runAndCheck(WorkerPool& pool, std::int64_t count, bool slowFirstChunk) {
  std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
  std::mutex mutex;
  Chunks chunks;
  pool.run(count, [&](std::int64_t begin, std::int64_t end, int worker) {
    EXPECT_GE(worker, 0);
    EXPECT_LT(worker, pool.threads());
    EXPECT_LE(begin, end);
    if (begin == end) return;  // (no jobs at all)
    // A slow chunk at the start leaves the rest to the others.
    if (slowFirstChunk && begin == 0) {
      volatile int spin = 0;
      while (spin < 2000000) spin = spin + 1;
    }
    for (std::int64_t i = begin; i < end; ++i) runs[static_cast<std::size_t>(i)].fetch_add(1);
    std::lock_guard<std::mutex> lock(mutex);
    chunks.emplace_back(begin, end);
  });
  for (std::int64_t i = 0; i < count; ++i) EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << "job " << i;
  std::sort(chunks.begin(), chunks.end());
  return chunks;
}

TEST(WorkerPoolTest, EveryJobRunsOnceInChunksThatDoNotDependOnTiming) {
  for (int threads : {1, 2, 3, 8}) {
    WorkerPool pool(threads);
    for (std::int64_t count : {0, 1, 2, 3, 7, 50, 500, 100001}) {
      const Chunks quick = runAndCheck(pool, count, false);
      const Chunks slow = runAndCheck(pool, count, true);
      EXPECT_EQ(quick, slow) << threads << " threads, " << count << " jobs";
      // The chunks tile [0, count), and the last ones are single jobs once
      // there are more jobs than threads.
      std::int64_t next = 0;
      for (const auto& [begin, end] : quick) {
        EXPECT_EQ(begin, next);
        next = end;
      }
      if (count > 0) {
        EXPECT_EQ(next, count);
      }
      if (threads > 1 && count >= 4 * threads) {
        EXPECT_EQ(quick.back().second - quick.back().first, 1);
        EXPECT_GT(quick.front().second - quick.front().first, 1);
      }
    }
  }
}

}  // namespace
}  // namespace wendra
