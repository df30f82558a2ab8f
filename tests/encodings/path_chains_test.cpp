// Parallel creation of path populations against the sequence made on one
// thread: chains started anywhere (on a true member boundary, one draw after
// one, behind the leading members, beyond the end, out of order, too short)
// must leave exactly the members and the random state of the sequence, and
// the planned chains must do so while meeting the sequence. The engine as a
// whole is compared with the reference build in identity_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "aligned.h"
#include "cell_codes.h"
#include "instruction_set.h"
#include "path_creation_kernels.h"
#include "parallel.h"
#include "path_chains.h"
#include "path_layout.h"

namespace wendra {
namespace {

using Plan = PathChains::Plan;
using Report = PathChains::MergeReport;

struct Made {
  std::vector<std::uint8_t> members;  // the stored genes, member after member
  std::uint32_t state;
};

Made makeWithPlan(const PathLayout& layout, std::int32_t count, std::uint32_t state, WorkerPool* pool,
                  const Plan& plan, Report* report = nullptr) {
  const std::size_t bytes = layout.storedBytes(), stride = (bytes + 15) / 16 * 16;
  AlignedBytes members(stride * count), spare(stride * count);
  std::memset(members.data(), 0, members.size());
  std::memset(spare.data(), 0xCD, spare.size());  // left over from earlier use
  Made made{{}, layout.chains().make(members.data(), stride, count, state, pool, spare.data(), plan, report)};
  for (std::int32_t i = 0; i < count; ++i)
    made.members.insert(made.members.end(), members.data() + i * stride, members.data() + i * stride + bytes);
  return made;
}

// Where each member of the sequence starts, in draws after `state`
// (entry count: where the sequence ends).
std::vector<std::uint64_t> boundaries(const Grid& grid, std::int32_t count, std::uint32_t state) {
  const CellCodes codes(grid);
  const auto n = static_cast<std::uint32_t>(grid.cities());
  std::vector<std::uint16_t> genes(static_cast<std::size_t>(n) * count);
  std::vector<std::uint64_t> ends(static_cast<std::size_t>(count) + 1, 0);
  AlignedBytes work(pathWorkBytes(n));
  PathCreationKernels::scalar.initialise(state, n, codes.codes(), genes.data(), n, count, UINT64_MAX,
                                         ends.data() + 1, work.data());
  return ends;
}

// A chain given by the member boundary it is placed against, an offset in
// draws from it, its spare slots and its length in members of the sequence.
struct ChainPlacement {
  std::int32_t member;  // its start: boundary of this member + offset
  std::int64_t offset;
  std::int32_t firstSlot, capacity;
  std::int32_t reach;   // it stops at the boundary of this member
};

struct PlanCase {
  const char* name;
  std::int32_t leading;  // task 0 stops at the boundary of this member
  std::vector<ChainPlacement> chains;
  // What the merge must have done (-1: not checked).
  std::int32_t chainsMet, madeInTurnLeast, madeInTurnMost;
};

constexpr std::int32_t kCount = 300;
const std::int32_t kSome = 100, kMany = 200;

// For 10 x 10, 300 members from state 12345.
const std::vector<PlanCase> kPlanCases = {
    {"exactly on true boundaries", kSome,
     {{kSome, 0, 0, kSome, kMany}, {kMany, 0, kSome, kSome, kCount}}, 2, 0, 0},
    {"one draw after a boundary meets a member or two later", kSome,
     {{kSome, 1, 0, kMany, kCount}}, 1, 1, 5},
    {"started behind the leading members, met where they end", kSome,
     {{50, -7, 0, kCount - 50, kCount}}, 1, 0, 0},
    {"a copy of the leading members from the stream's start", kSome,
     {{0, 0, 0, kCount, kCount}}, 1, 0, 0},
    {"entirely behind: never met", kSome,
     {{10, 3, 0, 50, 60}}, 0, kCount - kSome, kCount - kSome},
    {"beyond the end: never met", kSome,
     {{kCount, 1000, 0, kMany, kCount + 50}}, 0, kCount - kSome, kCount - kSome},
    {"more members than fit: the sequence ends inside the chain", kSome,
     {{kSome, 0, 0, kCount, kCount + 100}}, 1, 0, 0},
    {"too few slots: the rest made in turn", kSome,
     {{kSome, 0, 0, 10, kCount}}, 1, kCount - kSome - 10, kCount - kSome - 10},
    {"stopped by its draw limit before the end", kSome,
     {{kSome, 0, 0, kMany, 150}}, 1, kCount - 150, kCount - 150},
    {"out of order: the later chain first, the earlier then lies behind", kSome,
     {{kMany, 0, 0, kSome, kCount}, {kSome, 0, kSome, kSome, kMany}}, 1, kMany - kSome, kMany - kSome},
    {"no leading members", 0,
     {{0, 0, 0, 150, 150}, {150, 5, 150, 150, kCount}}, 2, 1, 5},
    {"a chain without slots", kSome,
     {{kSome, 0, 0, 0, kCount}}, 0, kCount - kSome, kCount - kSome},
    {"no chains", kCount, {}, 0, 0, 0},
};

TEST(ChainMergeTest, AnyPlanGivesTheSequence) {
  const Grid grid = Grid::of(10, 10);
  const PathLayout layout(grid, 0.05, fastestSet());
  const std::uint32_t state = 12345;
  const Made want = makeWithPlan(layout, kCount, state, nullptr, Plan{UINT64_MAX, {}});
  const std::vector<std::uint64_t> at = boundaries(grid, kCount + 100, state);
  // The sequence itself: its state is the one after the last draw.
  std::uint32_t s = state;
  for (std::uint64_t d = 0; d < at[kCount]; ++d) s = s * Random::kMultiplier + Random::kIncrement;
  ASSERT_EQ(want.state, s);

  std::vector<std::unique_ptr<WorkerPool>> pools;
  for (int threads : {1, 2, 3}) pools.push_back(std::make_unique<WorkerPool>(threads));
  for (const PlanCase& c : kPlanCases) {
    Plan plan{c.leading == 0 ? 0 : at[c.leading], {}};
    for (const ChainPlacement& placement : c.chains) {
      const std::uint64_t start = at[placement.member] + placement.offset;
      plan.chains.push_back({start, placement.firstSlot, placement.capacity, at[placement.reach] - std::min(start, at[placement.reach])});
    }
    std::vector<WorkerPool*> runs = {nullptr};
    for (auto& p : pools) runs.push_back(p.get());
    for (WorkerPool* pool : runs) {
      const std::string where = std::string(c.name) + ", " + std::to_string(pool ? pool->threads() : 0) + " threads";
      Report report;
      const Made got = makeWithPlan(layout, kCount, state, pool, plan, &report);
      EXPECT_EQ(got.state, want.state) << where;
      ASSERT_EQ(got.members, want.members) << where;
      EXPECT_EQ(report.chainsMet, c.chainsMet) << where;
      EXPECT_GE(report.madeInTurn, c.madeInTurnLeast) << where;
      EXPECT_LE(report.madeInTurn, c.madeInTurnMost) << where;
      EXPECT_EQ(report.copied + report.madeInTurn, kCount - c.leading) << where;
    }
  }
}

struct PlannedCase {
  std::int32_t width, height, count;
  int workers;
  std::uint32_t state;
};

// Sizes across the engine's parallel threshold, odd counts, and more
// workers than the members can keep busy.
const PlannedCase kPlannedCases[] = {
    {30, 30, 200, 2, 1},   {30, 30, 200, 3, 2},    {30, 30, 200, 7, 3},   {10, 10, 2000, 2, 4},
    {10, 10, 2000, 7, 5},  {10, 10, 1311, 3, 6},   {50, 50, 60, 7, 7},    {50, 50, 61, 2, 8},
    {100, 100, 14, 7, 9},  {4, 4, 5001, 7, 10},    {7, 5, 999, 16, 11},   {10, 10, 15, 7, 12},
};

TEST(ChainMergeTest, PlannedChainsMeetTheSequence) {
  for (const PlannedCase& c : kPlannedCases) {
    const PathLayout layout(Grid::of(c.width, c.height), 0.05, fastestSet());
    const std::string where = std::to_string(c.width) + "x" + std::to_string(c.height) + " P=" +
                              std::to_string(c.count) + ", " + std::to_string(c.workers) + " workers";
    const Plan plan = layout.chains().plan(c.count, c.workers);
    // The plan's own promises: task 0 makes members, the chains' slots lie
    // in range and apart.
    ASSERT_GE(plan.leadingDraws, 1u) << where;
    ASSERT_LE(plan.chains.size() + 1, static_cast<std::size_t>(c.workers)) << where;
    std::int32_t slot = 0;
    for (const PathChains::Chain& chain : plan.chains) {
      EXPECT_EQ(chain.firstSlot, slot) << where;
      slot += chain.capacity;
    }
    EXPECT_LE(slot, c.count) << where;

    const Made want = makeWithPlan(layout, c.count, c.state, nullptr, Plan{UINT64_MAX, {}});
    WorkerPool pool(c.workers);
    Report report;
    const Made got = makeWithPlan(layout, c.count, c.state, &pool, plan, &report);
    EXPECT_EQ(got.state, want.state) << where;
    ASSERT_EQ(got.members, want.members) << where;
    // Every chain joins the sequence; the members made in turn (where a
    // chain joined late, and past the last chain's end) are few.
    EXPECT_EQ(report.chainsMet, static_cast<std::int32_t>(plan.chains.size())) << where;
    EXPECT_LE(report.madeInTurn, c.count / 10) << where;
  }
}

}  // namespace
}  // namespace wendra
