#include "path_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>


namespace wendra {
namespace {

constexpr std::uint64_t kAlways = std::uint64_t{1} << 32;

std::uint16_t* genes(std::uint8_t* chromosome) { return reinterpret_cast<std::uint16_t*>(chromosome); }
const std::uint16_t* genes(const std::uint8_t* chromosome) {
  return reinterpret_cast<const std::uint16_t*>(chromosome);
}

std::uint32_t below(std::uint32_t n, std::uint32_t state) {
  return static_cast<std::uint32_t>((std::uint64_t{n} * state) >> 32);
}

// A run of a chain's members that joined the true sequence: spare slots
// from.. go to members to..
struct Copy {
  std::int32_t from, to, count;
};

}  // namespace

PathLayout::Scratch::Scratch(const PathLayout& layout) : tailMark(layout.codes_.codeSpace(), 0) {
  // Room for a whole vector stored beyond the last entry.
  surplusA.resize(static_cast<std::size_t>(layout.cities_) + 32);
  surplusB.resize(static_cast<std::size_t>(layout.cities_) + 32);
}

std::size_t PathLayout::Scratch::heapBytes(const PathLayout& layout) {
  return lineVectorBytes<std::uint32_t>(layout.codes_.codeSpace()) +
         2 * lineVectorBytes<std::uint16_t>(static_cast<std::size_t>(layout.cities_) + 32);
}

std::uint32_t PathLayout::Scratch::nextStamp() {
  // Stamps live in the 17 bits above a 15-bit position; on wrap-around the
  // marks are cleared so that no old mark can match.
  if (++stamp == (1u << 17)) {
    std::fill(tailMark.begin(), tailMark.end(), 0u);
    stamp = 1;
  }
  return stamp;
}

PathLayout::PathLayout(const Grid& grid, double mutationProbability, InstructionSet kernels)
    : grid_(grid),
      cities_(grid.cities()),
      codes_(grid),
      mutationKernels_(&kernelsFor<PathMutationKernels>(kernels)),
      creationKernels_(&kernelsFor<PathCreationKernels>(kernels)),
      tourKernels_(&kernelsFor<TourKernels>(kernels)),
      mutationThreshold_(Random::chanceThreshold(mutationProbability)),
      overGenes_(StreamJump::over(static_cast<std::uint64_t>(cities_))),
      overAllHits_(StreamJump::over(2 * static_cast<std::uint64_t>(cities_))) {}

std::uint32_t PathLayout::initialiseAll(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                        std::uint32_t state, WorkerPool* pool, std::uint8_t* spare) const {
  return initialiseWithPlan(members, stride, count, state, pool, spare,
                            planChains(count, creationWorkers(pool, spare != nullptr)));
}

int PathLayout::creationWorkers(const WorkerPool* pool, bool spare) {
  // More tasks than cores would only add overlap.
  return pool && spare ? std::min(pool->threads(), availableCores()) : 1;
}

std::size_t PathLayout::creationWorkBytes(std::int32_t count, const WorkerPool* pool, bool spare) const {
  // What initialiseWithPlan allocates for this plan: the plan itself, each
  // task's working memory, the chains' member ends, what each task made,
  // then the merge's
  // copies (grown by doubling, so up to twice their number) and their
  // running counts.
  const ChainPlan plan = planChains(count, creationWorkers(pool, spare));
  const std::size_t chains = plan.chains.size();
  std::size_t bytes = AlignedBytes::allocatedFor(wholeLines(pathWorkBytes(static_cast<std::uint32_t>(cities_))) *
                                                 (chains + 1));
  bytes += chains * (sizeof(Chain) + sizeof(std::vector<std::uint64_t>)) + (chains + 1) * sizeof(PathRun);
  for (const Chain& chain : plan.chains)
    bytes += static_cast<std::size_t>(std::max<std::int32_t>(chain.capacity, 0)) * sizeof(std::uint64_t);
  if (chains > 0) bytes += 2 * chains * sizeof(Copy) + (chains + 1) * sizeof(std::int64_t);
  return bytes;
}

PathLayout::ChainPlan PathLayout::planChains(std::int32_t count, int workers) const {
  const ChainPlan sequential{UINT64_MAX, {}};
  if (workers < 2 || count < 2) return sequential;
  // Draws per member: the coupon collector's N (1 + 1/2 + ... + 1/N) on
  // average, with variance N^2 (1 + 1/4 + ... + 1/N^2) - mean.
  const double n = cities_;
  double harmonic = 0.0, squares = 0.0;
  for (std::int32_t k = cities_; k >= 1; --k) {
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

  ChainPlan plan{static_cast<std::uint64_t>(work), {}};
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

std::uint32_t PathLayout::initialiseWithPlan(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                             std::uint32_t state, WorkerPool* pool, std::uint8_t* spare,
                                             const ChainPlan& plan, MergeReport* report) const {
  if (count <= 0) return state;
  const auto n = static_cast<std::uint32_t>(cities_);
  const PathCreationKernels& k = *creationKernels_;
  const std::size_t chains = plan.chains.size();
  auto slotOf = [stride](std::uint8_t* base, std::int32_t i) { return genes(base + static_cast<std::size_t>(i) * stride); };

  // 1. In parallel: task 0 makes the first members, task c + 1 chain c.
  //    Each task has its own working memory; results depend on the task
  //    only, never on the worker that runs it.
  //    The population is in place by now, so a shortage of memory for the
  //    chains' bookkeeping falls back to one task rather than fail.
  const std::size_t workBytes = wholeLines(pathWorkBytes(n));
  AlignedBytes work;
  std::vector<std::vector<std::uint64_t>> ends;
  std::vector<PathRun> made;
  try {
    work = AlignedBytes(workBytes * (chains + 1));
    ends.resize(chains);
    made.assign(chains + 1, PathRun{state, 0, 0});
    for (std::size_t c = 0; c < chains; ++c)
      ends[c].resize(static_cast<std::size_t>(std::max<std::int32_t>(plan.chains[c].capacity, 0)));
  } catch (const std::bad_alloc&) {
    if (chains == 0) throw;
    return initialiseWithPlan(members, stride, count, state, nullptr, nullptr, ChainPlan{UINT64_MAX, {}}, report);
  }
  auto task = [&](std::int64_t begin, std::int64_t end, int) {
    for (std::int64_t t = begin; t < end; ++t) {
      void* memory = work.data() + static_cast<std::size_t>(t) * workBytes;
      if (t == 0) {
        if (plan.leadingDraws > 0)
          made[0] = k.initialise(state, n, codes_.codes(), slotOf(members, 0), stride / 2, count,
                                     plan.leadingDraws, nullptr, memory);
        continue;
      }
      const Chain& chain = plan.chains[static_cast<std::size_t>(t - 1)];
      if (chain.capacity <= 0) continue;
      made[t] = k.initialise(StreamJump::over(chain.start).apply(state), n, codes_.codes(),
                                 slotOf(spare, chain.firstSlot), stride / 2, chain.capacity, chain.drawLimit,
                                 ends[static_cast<std::size_t>(t - 1)].data(), memory);
    }
  };
  if (pool && chains > 0)
    pool->run(static_cast<std::int64_t>(chains + 1), task);
  else
    task(0, static_cast<std::int64_t>(chains + 1), 0);

  // 2. Merge, in order. The true sequence stands at member i, `position`
  //    draws after `state`, with state s.
  std::int32_t i = made[0].members;
  std::uint64_t position = made[0].draws;
  std::uint32_t s = made[0].state;
  void* memory = work.data();
  std::int32_t chainsMet = 0, madeInTurn = 0;
  // Makes true members until `target` draws are reached (or all are made).
  auto makeUntil = [&](std::uint64_t target) {
    const PathRun run = k.initialise(s, n, codes_.codes(), slotOf(members, i), stride / 2, count - i,
                                         target - position, nullptr, memory);
    i += run.members;
    madeInTurn += run.members;
    position += run.draws;
    s = run.state;
  };
  std::vector<Copy> copies;
  for (std::size_t c = 0; c < chains && i < count; ++c) {
    const Chain& chain = plan.chains[c];
    const std::int32_t chainMembers = made[c + 1].members;
    const std::vector<std::uint64_t>& chainEnds = ends[c];
    auto startOf = [&](std::int32_t j) { return chain.start + (j == 0 ? 0 : chainEnds[static_cast<std::size_t>(j - 1)]); };
    std::int32_t j = 0;
    while (i < count) {
      while (j < chainMembers && startOf(j) < position) ++j;
      if (j == chainMembers) break;  // the chain lies behind: nothing of it is needed
      if (startOf(j) == position) {  // met: its members from j on are the true ones
        const std::int32_t taken = std::min(chainMembers - j, count - i);
        copies.push_back({chain.firstSlot + j, i, taken});
        ++chainsMet;
        i += taken;
        position = chain.start + chainEnds[static_cast<std::size_t>(j + taken - 1)];
        s = j + taken == chainMembers ? made[c + 1].state : StreamJump::over(position).apply(state);
        break;
      }
      makeUntil(startOf(j));  // the chain's next member starts further on: catch up
    }
  }
  if (i < count) makeUntil(UINT64_MAX);
  if (report) *report = {chainsMet, count - made[0].members - madeInTurn, madeInTurn};

  // 3. The chains' true members into place, on all workers.
  std::vector<std::int64_t> copyStart(copies.size() + 1, 0);  // running member counts
  for (std::size_t c = 0; c < copies.size(); ++c) copyStart[c + 1] = copyStart[c] + copies[c].count;
  const std::size_t bytes = storedBytes();
  auto copy = [&](std::int64_t begin, std::int64_t end, int) {
    std::size_t c = static_cast<std::size_t>(std::upper_bound(copyStart.begin(), copyStart.end(), begin) - copyStart.begin()) - 1;
    for (std::int64_t x = begin; x < end; ++x) {
      while (x >= copyStart[c + 1]) ++c;
      const std::int64_t offset = x - copyStart[c];
      std::memcpy(members + static_cast<std::size_t>(copies[c].to + offset) * stride,
                  spare + static_cast<std::size_t>(copies[c].from + offset) * stride, bytes);
    }
  };
  if (pool)
    pool->run(copyStart.back(), copy);
  else
    copy(0, copyStart.back(), 0);
  return s;
}

std::size_t PathLayout::planWordsFor(std::size_t children) const {
  // A mutation takes at most 2N draws.
  if (mutationThreshold_ == 0 || mutationThreshold_ == kAlways) return 0;
  return children * ((2 * static_cast<std::size_t>(cities_) + 63) / 64);
}

std::uint32_t PathLayout::planMutation(std::uint32_t state, std::uint64_t* words, std::size_t& used) const {
  used = 0;
  if (mutationThreshold_ == 0) return overGenes_.apply(state);
  if (mutationThreshold_ == kAlways) return overAllHits_.apply(state);
  return mutationKernels_->plan(state, static_cast<std::uint32_t>(mutationThreshold_), static_cast<std::uint32_t>(cities_),
                            words, &used);
}

void PathLayout::mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words, Scratch&) const {
  if (mutationThreshold_ == 0) return;
  std::uint16_t* g = genes(chromosome);
  const auto n = static_cast<std::uint32_t>(cities_);
  if (mutationThreshold_ == kAlways) {
    // Every position hits: draws alternate between the test and the partner.
    for (std::uint32_t i = 0; i < n; ++i) {
      state = state * Random::kMultiplier + Random::kIncrement;
      state = state * Random::kMultiplier + Random::kIncrement;
      std::swap(g[i], g[below(n, state)]);
    }
    return;
  }
  mutationKernels_->apply(state, n, g, words);
}

void PathLayout::crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut,
                           std::uint8_t* child1, std::uint8_t* child2, Scratch& scratch) const {
  const std::uint16_t* ga = genes(a);
  const std::uint16_t* gb = genes(b);
  std::uint16_t* x = genes(child1);
  std::uint16_t* y = genes(child2);
  const auto n = static_cast<std::uint32_t>(cities_);
  // Heads stay, tails exchanged.
  std::memcpy(x, ga, 2 * cut);
  std::memcpy(x + cut, gb + cut, 2 * (n - cut));
  std::memcpy(y, gb, 2 * cut);
  std::memcpy(y + cut, ga + cut, 2 * (n - cut));
  if (cut == 0) return;
  // The surplus cities of x's head are those of a's head that b's tail holds,
  // each at most once (b is a permutation); their tail positions come from
  // an index of b's tail, and the same for y. The repair never moves a
  // surplus city that a later search would still look for, so the positions
  // indexed before any exchange stay right.
  std::uint32_t* mark = scratch.tailMark.data();
  const PathCreationKernels& k = *creationKernels_;
  auto surplus = [&](const std::uint16_t* head, const std::uint16_t* tail, std::uint16_t* out) {
    const std::uint32_t stamp = scratch.nextStamp() << 15;
    std::uint32_t p = cut;
    // Eight marks per two loads of the tail's codes: the loop is bound by
    // its instruction count more than by its stores.
    for (; p + 8 <= n; p += 8) {
      std::uint64_t codes[2];
      std::memcpy(codes, tail + p, sizeof codes);
      for (std::uint32_t j = 0; j < 8; ++j) mark[(codes[j / 4] >> (16 * (j % 4))) & 0xFFFFu] = (stamp | p) + j;
    }
    for (; p < n; ++p) mark[tail[p]] = stamp | p;
    return k.stampedPositions(head, cut, mark, stamp, out);
  };
  const std::uint32_t tradesA = surplus(ga, gb, scratch.surplusA.data());
  const std::uint32_t tradesB = surplus(gb, ga, scratch.surplusB.data());
  const std::uint32_t trades = std::min(tradesA, tradesB);
  for (std::uint32_t r = 0; r < trades; ++r) std::swap(x[scratch.surplusA[r]], y[scratch.surplusB[r]]);
}

std::int32_t PathLayout::length(const std::uint8_t* chromosome, Scratch&) const {
  return tourKernels_->codeTourLength(genes(chromosome), static_cast<std::size_t>(cities_));
}

void PathLayout::tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const {
  const std::uint16_t* g = genes(chromosome);
  out.resize(static_cast<std::size_t>(cities_));
  for (std::int32_t i = 0; i < cities_; ++i) out[i] = codes_.cityOf(g[i]);
}

void PathLayout::textForm(const std::uint8_t* chromosome, std::uint8_t* out) const {
  const std::uint16_t* g = genes(chromosome);
  for (std::int32_t i = 0; i < cities_; ++i) {
    const std::int32_t gene = codes_.cityOf(g[i]) | 0x8000;
    std::memcpy(out + 4 * i, &gene, 4);
  }
}

}  // namespace wendra
