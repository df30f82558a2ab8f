#pragma once
// What the fast engine (fast_engine.h) needs of an encoding: how a chromosome
// is stored, the encoding's operations on stored chromosomes, and the memory
// they take. PathLayout and KeyLayout (encodings/) are the two layouts.
//
// They differ in two ways, each named here and declared by the layout:
//   - how a mutation's draws reach the worker that mutates a child
//     (MutationDraws): a fixed number of them, which the step's planner
//     jumps over and the worker draws itself; or a number that depends on
//     the hits, which the planner walks and hands over as hit words;
//   - how the members of a new population are made (MemberCreation): each
//     starting at a known point of the stream, so made in parallel as they
//     are; or each taking a random number of draws, so made in parallel by
//     speculation, in spare room for as many members again.
//
// Thread safety: a layout is read by every worker at once; each worker
// thread has its own Layout::Worker.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "grid.h"
#include "instruction_set.h"
#include "parallel.h"
#include "random.h"

namespace wendra {

enum class MutationDraws { kFixed, kPlannedAsHitWords };
enum class MemberCreation { kFromKnownStarts, kBySpeculation };

// measure(begin, end, worker): the lengths of the members begin .. end - 1,
// just made, are wanted, on worker `worker`. (The form creation calls; the
// engine passes a lambda.)
struct MeasureMembers {
  void operator()(std::int64_t begin, std::int64_t end, int worker) const;
};

// A chromosome is storedBytes() bytes in the engine's blocks; textForm gives
// it in the reference format of textBytes(grid) bytes (the chromosome size
// the window and the tests see). Crossover and lengths are made by a Worker,
// which holds the working memory they need.
template <class L>
concept LayoutBasics =
    std::constructible_from<L, const Grid&, double, InstructionSet> &&  // grid, pm, kernel builds
    requires(const L& layout, const Grid& grid, const std::uint8_t* chromosome, std::uint8_t* text,
             std::vector<std::int32_t>& tour) {
      { L::textBytes(grid) } -> std::same_as<std::int32_t>;
      { layout.storedBytes() } -> std::same_as<std::size_t>;
      { layout.cutBound() } -> std::same_as<std::uint32_t>;  // the crossover's cut: an integer below it
      { layout.heapBytes() } -> std::same_as<std::size_t>;   // what the layout itself allocated
      layout.tour(chromosome, tour);
      layout.textForm(chromosome, text);
    };

template <class L>
concept LayoutWorkers =
    std::constructible_from<typename L::Worker, const L&> &&
    requires(const L& layout, typename L::Worker& worker, const std::uint8_t* a, const std::uint8_t* b,
             std::uint32_t cut, std::uint8_t* child1, std::uint8_t* child2, std::int32_t* lengths) {
      { L::Worker::heapBytes(layout) } -> std::same_as<std::size_t>;  // what its constructor allocates
      worker.crossCopy(a, b, cut, child1, child2);  // the children: copies of a and b, crossed at cut
      { worker.length(a) } -> std::same_as<std::int32_t>;
      worker.lengthPair(a, b, lengths);  // lengths[0] of a, lengths[1] of b
    };

// A fixed number of draws: overMutation() jumps over them; mutate draws them.
template <class L>
concept MutationOfFixedDraws =
    L::kMutationDraws == MutationDraws::kFixed &&
    requires(const L& layout, std::uint8_t* chromosome, std::uint32_t state) {
      { layout.overMutation() } -> std::convertible_to<StreamJump>;
      layout.mutate(chromosome, state);  // the mutation whose draws follow `state`
    };

// Hit words: planMutation walks the draws after `state`, writes `used` hit
// words and returns the state after the last draw; mutate applies them.
template <class L>
concept MutationByHitWords =
    L::kMutationDraws == MutationDraws::kPlannedAsHitWords &&
    requires(const L& layout, std::uint8_t* chromosome, std::uint32_t state, std::uint64_t* words,
             const std::uint64_t* planned, std::size_t& used) {
      { layout.planWordsPerChild() } -> std::same_as<std::size_t>;  // at most
      { layout.planMutation(state, words, used) } -> std::same_as<std::uint32_t>;
      layout.mutate(chromosome, state, planned);
    };

// initialise makes `count` members (`stride` bytes apart) in index order
// from the draws after `state`, calls measure for every member, and returns
// the state after the last draw; the result never depends on the pool.
template <class L>
concept CreationFromKnownStarts =
    L::kMemberCreation == MemberCreation::kFromKnownStarts &&
    requires(const L& layout, std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
             WorkerPool* pool, const MeasureMembers& measure) {
      { layout.initialise(members, stride, count, state, pool, measure) } -> std::same_as<std::uint32_t>;
    };

// The same with `spare` room for `count` more members, free to overwrite,
// and working memory of creationWorkBytes(count, pool) at most while it runs.
template <class L>
concept CreationBySpeculation =
    L::kMemberCreation == MemberCreation::kBySpeculation &&
    requires(const L& layout, std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
             WorkerPool* pool, std::uint8_t* spare, const MeasureMembers& measure) {
      { layout.initialise(members, stride, count, state, pool, spare, measure) } -> std::same_as<std::uint32_t>;
      { layout.creationWorkBytes(count, pool) } -> std::same_as<std::size_t>;
    };

template <class L>
concept ChromosomeLayout = LayoutBasics<L> && LayoutWorkers<L> &&
                           (MutationOfFixedDraws<L> || MutationByHitWords<L>) &&
                           (CreationFromKnownStarts<L> || CreationBySpeculation<L>);

}  // namespace wendra
