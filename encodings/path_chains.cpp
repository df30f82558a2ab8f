#include "path_chains.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "random.h"

namespace wendra {

// What the tasks made: each task's working memory (the first task's serves
// the merge too), what each made (task 0 the first members, in place; task
// c + 1 chain c's, in spare slots) and the draws up to each chain member's
// end.
struct PathChains::Runs {
  AlignedBytes work;
  std::size_t workBytes = 0;  // per task
  std::vector<std::vector<std::uint64_t>> ends;
  std::vector<PathRun> made;
};

// A run of a chain's members that joined the true sequence: spare slots
// from.. go to members to..
struct PathChains::Copy {
  std::int32_t from, to, count;
};

struct PathChains::Merged {
  std::uint32_t state;  // after the last member
  std::vector<Copy> copies;
  MergeReport report;
};

PathChains::Plan PathChains::plan(std::int32_t count, int workers) const {
  const Plan sequential{UINT64_MAX, {}};
  if (workers < 2 || count < 2) return sequential;
  // Draws per member: the coupon collector's N (1 + 1/2 + ... + 1/N) on
  // average, with variance N^2 (1 + 1/4 + ... + 1/N^2) - mean.
  const double n = cities_;
  double harmonic = 0.0, squares = 0.0;
  for (auto k = static_cast<std::int32_t>(cities_); k >= 1; --k) {
    harmonic += 1.0 / k;
    squares += 1.0 / (static_cast<double>(k) * k);
  }
  const double mean = n * harmonic;
  const double deviation = std::sqrt(std::max(0.0, n * n * squares - mean));
  // Consecutive tasks overlap by the members a chain usually needs to join
  // the sequence; the last one runs a standard deviation past the expected
  // end (beyond that the rest is made in turn).
  const double overlap = std::ceil(1.5 * harmonic) * mean;
  const double end = count * mean + deviation * std::sqrt(static_cast<double>(count));
  // Spare slots a chain of w draws needs: its expected members, generously.
  auto slotsFor = [&](double w) {
    const double members = w / mean;
    return static_cast<std::int32_t>(members + 3.0 * deviation / mean * std::sqrt(members) + 3.0);
  };
  // The number of tasks: each of the expected draws w = (end + (t - 1)
  // overlap) / t; one more task only when it saves enough and the chains'
  // slots fit.
  int tasks = 1;
  double work = end;
  for (int t = 2; t <= workers; ++t) {
    const double w = (end + (t - 1) * overlap) / t;
    if (w > 0.85 * work || static_cast<std::int64_t>(t - 1) * slotsFor(w) > count) break;
    tasks = t;
    work = w;
  }
  if (tasks < 2) return sequential;

  Plan plan{static_cast<std::uint64_t>(work), {}};
  std::int32_t slot = 0;
  for (int t = 1; t < tasks; ++t) {
    const double start = t * (work - overlap);
    const double limit = t + 1 < tasks ? work : end - start;
    const std::int32_t capacity = slotsFor(limit);
    plan.chains.push_back({static_cast<std::uint64_t>(start), slot, capacity, static_cast<std::uint64_t>(limit)});
    slot += capacity;
  }
  return plan;
}

std::size_t PathChains::workBytes(std::int32_t count, int workers) const {
  // What make() allocates for the plan: the plan itself, each task's working
  // memory, the chains' member ends, what each task made, then the merge's
  // copies (grown by doubling, so up to twice their number) and their
  // running counts.
  const Plan p = plan(count, workers);
  const std::size_t chains = p.chains.size();
  std::size_t bytes = AlignedBytes::allocatedFor(wholeLines(pathWorkBytes(cities_)) * (chains + 1));
  bytes += chains * (sizeof(Chain) + sizeof(std::vector<std::uint64_t>)) + (chains + 1) * sizeof(PathRun);
  for (const Chain& chain : p.chains)
    bytes += static_cast<std::size_t>(std::max<std::int32_t>(chain.capacity, 0)) * sizeof(std::uint64_t);
  if (chains > 0) bytes += 2 * chains * sizeof(Copy) + (chains + 1) * sizeof(std::int64_t);
  return bytes;
}

std::uint32_t PathChains::make(std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
                               WorkerPool* pool, std::uint8_t* spare, const Plan& plan, MergeReport* report) const {
  if (count <= 0) return state;
  // The population is in place by now, so a shortage of memory for the
  // chains' bookkeeping falls back to one task rather than fail.
  const std::size_t chains = plan.chains.size();
  Runs runs;
  try {
    runs.workBytes = wholeLines(pathWorkBytes(cities_));
    runs.work = AlignedBytes(runs.workBytes * (chains + 1));
    runs.ends.resize(chains);
    runs.made.assign(chains + 1, PathRun{state, 0, 0});
    for (std::size_t c = 0; c < chains; ++c)
      runs.ends[c].resize(static_cast<std::size_t>(std::max<std::int32_t>(plan.chains[c].capacity, 0)));
  } catch (const std::bad_alloc&) {
    if (chains == 0) throw;
    return make(members, stride, count, state, nullptr, nullptr, Plan{UINT64_MAX, {}}, report);
  }
  runTasks(runs, members, stride, count, state, pool, spare, plan);
  const Merged merged = merge(runs, members, stride, count, state, plan);
  if (report) *report = merged.report;
  copyIntoPlace(merged.copies, members, spare, stride, pool);
  return merged.state;
}

// In parallel: task 0 makes the first members, task c + 1 chain c. Each task
// has its own working memory; results depend on the task only, never on the
// worker that runs it.
void PathChains::runTasks(Runs& runs, std::uint8_t* members, std::size_t stride, std::int32_t count,
                          std::uint32_t state, WorkerPool* pool, std::uint8_t* spare, const Plan& plan) const {
  const std::size_t geneStride = stride / sizeof(std::uint16_t);
  auto genes = [stride](std::uint8_t* base, std::int32_t slot) {
    return reinterpret_cast<std::uint16_t*>(base + static_cast<std::size_t>(slot) * stride);
  };
  auto task = [&](std::int64_t begin, std::int64_t end, int) {
    for (std::int64_t t = begin; t < end; ++t) {
      void* memory = runs.work.data() + static_cast<std::size_t>(t) * runs.workBytes;
      if (t == 0) {
        if (plan.leadingDraws > 0)
          runs.made[0] = kernels_.initialise(state, cities_, codeOf_, genes(members, 0), geneStride, count,
                                             plan.leadingDraws, nullptr, memory);
        continue;
      }
      const Chain& chain = plan.chains[static_cast<std::size_t>(t - 1)];
      if (chain.capacity <= 0) continue;
      runs.made[t] = kernels_.initialise(StreamJump::over(chain.start).apply(state), cities_, codeOf_,
                                         genes(spare, chain.firstSlot), geneStride, chain.capacity, chain.drawLimit,
                                         runs.ends[static_cast<std::size_t>(t - 1)].data(), memory);
    }
  };
  const auto tasks = static_cast<std::int64_t>(plan.chains.size() + 1);
  if (pool && tasks > 1)
    pool->run(tasks, task);
  else
    task(0, tasks, 0);
}

// In order: the true sequence stands at member `next`, `position` draws
// after `state`, with state s; it is continued member by member where no
// chain's member starts at its position, and takes a chain's members from
// the one that does.
PathChains::Merged PathChains::merge(Runs& runs, std::uint8_t* members, std::size_t stride,
                                     std::int32_t count, std::uint32_t state, const Plan& plan) const {
  Merged merged{runs.made[0].state, {}, {}};
  std::int32_t next = runs.made[0].members;
  std::uint64_t position = runs.made[0].draws;
  std::uint32_t& s = merged.state;
  // Makes true members until `target` draws are reached (or all are made).
  auto makeUntil = [&](std::uint64_t target) {
    const PathRun run = kernels_.initialise(
        s, cities_, codeOf_, reinterpret_cast<std::uint16_t*>(members + static_cast<std::size_t>(next) * stride),
        stride / sizeof(std::uint16_t), count - next, target - position, nullptr, runs.work.data());
    next += run.members;
    merged.report.madeInTurn += run.members;
    position += run.draws;
    s = run.state;
  };
  for (std::size_t c = 0; c < plan.chains.size() && next < count; ++c) {
    const Chain& chain = plan.chains[c];
    const std::int32_t chainMembers = runs.made[c + 1].members;
    const std::vector<std::uint64_t>& ends = runs.ends[c];
    auto startOf = [&](std::int32_t j) { return chain.start + (j == 0 ? 0 : ends[static_cast<std::size_t>(j - 1)]); };
    std::int32_t j = 0;
    while (next < count) {
      while (j < chainMembers && startOf(j) < position) ++j;
      if (j == chainMembers) break;  // the chain lies behind: nothing of it is needed
      if (startOf(j) == position) {  // met: its members from j on are the true ones
        const std::int32_t taken = std::min(chainMembers - j, count - next);
        merged.copies.push_back({chain.firstSlot + j, next, taken});
        ++merged.report.chainsMet;
        next += taken;
        position = chain.start + ends[static_cast<std::size_t>(j + taken - 1)];
        s = j + taken == chainMembers ? runs.made[c + 1].state : StreamJump::over(position).apply(state);
        break;
      }
      makeUntil(startOf(j));  // the chain's next member starts further on: catch up
    }
  }
  if (next < count) makeUntil(UINT64_MAX);
  merged.report.copied = count - runs.made[0].members - merged.report.madeInTurn;
  return merged;
}

// The chains' true members into place, on all workers.
void PathChains::copyIntoPlace(const std::vector<Copy>& copies, std::uint8_t* members, const std::uint8_t* spare,
                               std::size_t stride, WorkerPool* pool) const {
  std::vector<std::int64_t> copyStart(copies.size() + 1, 0);  // running member counts
  for (std::size_t c = 0; c < copies.size(); ++c) copyStart[c + 1] = copyStart[c] + copies[c].count;
  auto copy = [&](std::int64_t begin, std::int64_t end, int) {
    auto c = static_cast<std::size_t>(std::upper_bound(copyStart.begin(), copyStart.end(), begin) - copyStart.begin());
    --c;  // the copy that holds member `begin`
    for (std::int64_t x = begin; x < end; ++x) {
      while (x >= copyStart[c + 1]) ++c;
      const std::int64_t offset = x - copyStart[c];
      std::memcpy(members + static_cast<std::size_t>(copies[c].to + offset) * stride,
                  spare + static_cast<std::size_t>(copies[c].from + offset) * stride, storedBytes_);
    }
  };
  if (pool)
    pool->run(copyStart.back(), copy);
  else
    copy(0, copyStart.back(), 0);
}

}  // namespace wendra
