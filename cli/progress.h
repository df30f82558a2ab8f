#pragma once
// The progress line of wendra-run on a terminal's stderr:
//
//   run 2 of 5, generation 1200 of 5000, best 184, 2400 generations/s, 0:07 left
//   run 1 of 1, creating 1000000 members, 12 s
//
// A thread of its own redraws the line four times a second from what the
// run last reported, so the run itself only stores two numbers per
// generation and never waits for the terminal; nothing is drawn in a run's
// first quarter second. The engine's results and draws do not depend on
// it. finish() (or the destructor) clears the line.
//
// Thread safety: every member except the constructor and the destructor may
// be called from the run's thread while the line is shown.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace wendra {

// What the line shows at one moment; a pure function of it gives the text.
struct ProgressState {
  int run = 1, runs = 1;
  bool creating = true;
  std::int32_t population = 0;
  std::int32_t generation = 0, generations = 0;
  double best = 0.0;
  double phaseSeconds = 0.0;     // since the creation or the first step of this run began
  double creationSeconds = 0.0;  // the last creation's time, for the runs still to come
};

// The line for `state`, at most `width` characters (the terminal's columns
// less one; the end is cut off when it does not fit).
std::string progressText(const ProgressState& state, std::size_t width);

class ProgressLine {
 public:
  // Draws on `terminal` only when `enabled` (and the thread can be started).
  ProgressLine(std::FILE* terminal, bool enabled, int runs, std::int32_t population, std::int32_t generations);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool shown() const { return ticker_.joinable(); }

  // Run `run` begins its creation; its creation is done, with `best` the
  // shortest member's length.
  void creating(int run);
  void created(double best);
  // The run has stepped to `generation`; the overall best is `best`.
  void stepped(std::int32_t generation, double best) {
    generation_.store(generation, std::memory_order_relaxed);
    best_.store(best, std::memory_order_relaxed);
  }

  // Calls write() with the line taken off the terminal, for output that may
  // share it (stdout on the same terminal); the next tick draws it again.
  template <class Write>
  auto whileCleared(Write&& write) {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
    return write();
  }

  // Stops the line and clears it; later calls do nothing.
  void finish();

 private:
  void tick();
  void draw();
  void clearLocked();
  double secondsSince(std::int64_t at) const;

  std::FILE* terminal_;
  int runs_;
  std::int32_t population_, generations_;
  std::atomic<int> run_{1};
  std::atomic<bool> creating_{true};
  std::atomic<std::int32_t> generation_{0};
  std::atomic<double> best_{0.0};
  std::atomic<std::int64_t> phaseStart_{0};  // steady clock, ns
  std::atomic<double> creationSeconds_{0.0};

  std::mutex mutex_;  // guards the terminal and what is below
  std::condition_variable wake_;
  bool stop_ = false;
  std::size_t drawnLength_ = 0;  // characters of the line on the terminal now
  std::thread ticker_;
};

}  // namespace wendra
