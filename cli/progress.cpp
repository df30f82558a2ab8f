#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <system_error>

namespace wendra {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(250);

std::int64_t now() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

// "42 s", "3:07", "1:02:03".
std::string duration(double seconds) {
  const auto total = static_cast<long long>(std::llround(seconds));
  char text[48];
  if (total < 60)
    std::snprintf(text, sizeof text, "%lld s", total);
  else if (total < 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return text;
}

// Three significant digits, no exponent for the rates a run can have.
std::string rate(double perSecond) {
  char text[48];
  if (perSecond >= 100)
    std::snprintf(text, sizeof text, "%.0f", perSecond);
  else
    std::snprintf(text, sizeof text, "%.3g", perSecond);
  return text;
}

// Columns of the terminal behind `file`, less one so that the cursor never
// wraps onto a new line; 79 when unknown.
std::size_t lineWidth(std::FILE* file) {
  winsize size{};
  if (ioctl(fileno(file), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1u;
  return 79;
}

// Clearing the line on Ctrl-C or a termination request, so that the shell's
// prompt does not land in the middle of it. The handler may only write; it
// is installed only where the signal would have ended the program anyway.
std::atomic<int> signalFd{-1};
std::atomic<std::size_t> signalLength{0};
constexpr int kSignals[] = {SIGINT, SIGTERM};

void clearOnSignal(int sig) {
  const int fd = signalFd.load();
  if (fd >= 0) {
    static const char blanks[] = "                                                                ";
    ssize_t written = ::write(fd, "\r", 1);
    for (std::size_t left = signalLength.load(); left > 0 && written >= 0;) {
      const std::size_t n = left < sizeof blanks - 1 ? left : sizeof blanks - 1;
      written = ::write(fd, blanks, n);
      left -= n;
    }
    written = ::write(fd, "\r", 1);
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void catchSignals(int fd) {
  signalFd.store(fd);
  for (int sig : kSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = clearOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
  }
}

void releaseSignals() {
  for (int sig : kSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == clearOnSignal) std::signal(sig, SIG_DFL);
  }
  signalFd.store(-1);
}

}  // namespace

std::string progressText(const ProgressState& s, std::size_t width) {
  std::string text = "run " + std::to_string(s.run) + " of " + std::to_string(s.runs) + ", ";
  if (s.creating) {
    text += "creating " + std::to_string(s.population) + " members, " + duration(s.phaseSeconds);
  } else {
    text += "generation " + std::to_string(s.generation) + " of " + std::to_string(s.generations);
    char best[32];
    std::snprintf(best, sizeof best, "%.0f", s.best);
    text += ", best " + std::string(best);
    if (s.generation > 0 && s.phaseSeconds > 0) {
      const double perSecond = s.generation / s.phaseSeconds;
      const double runLeft = (s.generations - s.generation) / perSecond;
      const double laterRuns = (s.runs - s.run) * (s.creationSeconds + s.generations / perSecond);
      text += ", " + rate(perSecond) + " generations/s, " + duration(runLeft + laterRuns) + " left";
    }
  }
  if (text.size() > width) text.resize(width);
  return text;
}

ProgressLine::ProgressLine(std::FILE* terminal, bool enabled, int runs, std::int32_t population,
                           std::int32_t generations)
    : terminal_(terminal), runs_(runs), population_(population), generations_(generations) {
  phaseStart_.store(now());
  if (!enabled) return;
  try {
    ticker_ = std::thread([this] { tick(); });
  } catch (const std::system_error&) {
    return;  // no thread to spare: the run goes on without the line
  }
  catchSignals(fileno(terminal_));
}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::creating(int run) {
  run_.store(run, std::memory_order_relaxed);
  generation_.store(0, std::memory_order_relaxed);
  creating_.store(true, std::memory_order_relaxed);
  phaseStart_.store(now(), std::memory_order_relaxed);
}

void ProgressLine::created(double best) {
  best_.store(best, std::memory_order_relaxed);
  const std::int64_t at = now();
  creationSeconds_.store(static_cast<double>(at - phaseStart_.load(std::memory_order_relaxed)) * 1e-9,
                         std::memory_order_relaxed);
  phaseStart_.store(at, std::memory_order_relaxed);
  creating_.store(false, std::memory_order_relaxed);
}

double ProgressLine::secondsSince(std::int64_t at) const { return static_cast<double>(now() - at) * 1e-9; }

void ProgressLine::tick() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, kTick, [this] { return stop_; })) draw();
}

void ProgressLine::draw() {
  ProgressState state;
  state.run = run_.load(std::memory_order_relaxed);
  state.runs = runs_;
  state.creating = creating_.load(std::memory_order_relaxed);
  state.population = population_;
  state.generation = generation_.load(std::memory_order_relaxed);
  state.generations = generations_;
  state.best = best_.load(std::memory_order_relaxed);
  state.phaseSeconds = secondsSince(phaseStart_.load(std::memory_order_relaxed));
  state.creationSeconds = creationSeconds_.load(std::memory_order_relaxed);
  const std::string text = progressText(state, lineWidth(terminal_));
  // Over the old line, with blanks where it was longer.
  std::string out = "\r" + text;
  if (drawnLength_ > text.size()) out.append(drawnLength_ - text.size(), ' ');
  std::fwrite(out.data(), 1, out.size(), terminal_);
  std::fflush(terminal_);
  drawnLength_ = text.size();
  signalLength.store(drawnLength_);
}

void ProgressLine::clearLocked() {
  if (drawnLength_ == 0) return;
  std::string out = "\r" + std::string(drawnLength_, ' ') + "\r";
  std::fwrite(out.data(), 1, out.size(), terminal_);
  std::fflush(terminal_);
  drawnLength_ = 0;
  signalLength.store(0);
}

void ProgressLine::finish() {
  if (!ticker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  ticker_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  clearLocked();
  releaseSignals();
}

}  // namespace wendra
