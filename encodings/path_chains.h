#pragma once
// Path members made in parallel. A member's draws depend only on where in the
// stream it starts, and the end of a member moves with its start only now
// and then, so a run of members begun anywhere falls onto the true member
// boundaries after a few members (about 1.5 H_N at most, nine times in ten)
// and makes the true members from there on. Task 0 makes the true members
// from the start, straight into place, until `leadingDraws`; each chain, at
// the same time, makes members into spare slots from its start until its
// draw limit. Consecutive tasks overlap by a few members, so a chain usually
// joins the sequence of the task before it while that one still runs. Then,
// in order, the true sequence is continued (member by member, on the calling
// thread, only where needed) until it reaches a start one of the chain's
// members had; that member and the chain's later ones are the true ones and
// are copied into place, and the sequence goes on from the chain's end with
// the next chain. What no chain covers is made in turn. The result is the
// same whatever the pool and its timing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "aligned.h"
#include "parallel.h"
#include "path_creation_kernels.h"

namespace wendra {

class PathChains {
 public:
  // Members of `cities` cities whose gene k is codeOf[k-th city placed],
  // each `storedBytes` long, made by `kernels`.
  PathChains(std::uint32_t cities, const std::uint16_t* codeOf, std::size_t storedBytes,
             const PathCreationKernels& kernels)
      : cities_(cities), codeOf_(codeOf), storedBytes_(storedBytes), kernels_(kernels) {}

  struct Chain {
    std::uint64_t start;      // draws after `state` where the chain begins
    std::int32_t firstSlot;   // its members go to spare slots firstSlot ..
    std::int32_t capacity;    //   firstSlot + capacity - 1 (at most)
    std::uint64_t drawLimit;  // it stops after the member that reaches this many draws
  };
  struct Plan {
    std::uint64_t leadingDraws;  // task 0 stops after the member that reaches this (0: makes none)
    std::vector<Chain> chains;
  };
  // What the merge did: chains whose members joined the true sequence,
  // members copied from them, members made in turn.
  struct MergeReport {
    std::int32_t chainsMet = 0, copied = 0, madeInTurn = 0;
  };

  // The plan for `workers` workers (no chains for one, or when the overlap
  // would cost more than the workers save): tasks of equal expected draws.
  Plan plan(std::int32_t count, int workers) const;
  // Working memory make() allocates with that plan, at most.
  std::size_t workBytes(std::int32_t count, int workers) const;

  // Makes `count` members (`stride` bytes apart) in index order from the
  // stream after `state` and returns the state after the last draw, with
  // `spare` room for `count` more members, free to overwrite (null without
  // chains). REQUIRES: each chain's slots lie in 0 .. count - 1 and the
  // chains' slots do not overlap.
  std::uint32_t make(std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
                     WorkerPool* pool, std::uint8_t* spare, const Plan& plan, MergeReport* report = nullptr) const;

 private:
  struct Runs;
  struct Copy;
  struct Merged;
  void runTasks(Runs& runs, std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
                WorkerPool* pool, std::uint8_t* spare, const Plan& plan) const;
  Merged merge(Runs& runs, std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
               const Plan& plan) const;
  void copyIntoPlace(const std::vector<Copy>& copies, std::uint8_t* members, const std::uint8_t* spare,
                     std::size_t stride, WorkerPool* pool) const;

  std::uint32_t cities_;
  const std::uint16_t* codeOf_;
  std::size_t storedBytes_;
  const PathCreationKernels& kernels_;
};

}  // namespace wendra
