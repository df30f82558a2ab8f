// The engine's speed: milliseconds per generation and per creation for both
// encodings on five sizes, each against the reference build (reference/,
// measured in the same run) and against a limit kernel that does only the
// work no step can avoid, plus the peak memory of the fast engine. Prints
// one table at the end; Google Benchmark's own lines go to stderr as
// progress.
//
// Usage: engine_bench [--quick] [benchmark options]
//   --quick      skips the slowest reference measurements (creation of the
//                path population on 100 x 100 with P = 1000 alone takes minutes)
//   --no-memory  skips the peak memory column.

#include <benchmark/benchmark.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engines.h"
#include "fast_engine.h"
#include "key_layout.h"
#include "instruction_set.h"
#include "literal_engines.h"
#include "parallel.h"
#include "path_layout.h"
#include "random.h"
#include "stream_kernels.h"

namespace wendra {
namespace {

constexpr double kMutation = 0.07;  // the window's initial inputs
constexpr double kCrossover = 0.5;

struct Size {
  std::int32_t width, height, population;
  std::string label() const {
    return std::to_string(width) + "x" + std::to_string(height) + " P=" + std::to_string(population);
  }
};

const Size kSizes[] = {{10, 10, 100}, {30, 30, 1000}, {100, 100, 100}, {100, 100, 1000}, {10, 10, 100000}};
const EncodingKind kKinds[] = {EncodingKind::kRandomKey, EncodingKind::kPath};

const char* kindName(EncodingKind k) { return k == EncodingKind::kPath ? "path" : "key"; }

bool quick = false;
bool skipMemory = false;

// ---------------------------------------------------------------------------
// The limit kernel: the unavoidable work of a step. Every draw the step takes
// (two selections, the crossover decision, the cut of a crossed pair, every
// mutation test and, for the path, one partner draw per expected hit) is
// generated and compared with its threshold in SIMD lanes, and the two
// selected chromosomes of every pair are copied into the offspring in the
// same compact form the fast engine stores. Pairs run on the same workers.
// Creation's limit, on the same workers: every draw of the initialisation
// generated and turned into what it stands for (for the path, its integer
// below N, N (1 + 1/2 + ... + 1/N) draws per member on average; for the
// random key, a bit tested against one half), and every chromosome written
// once.
class LimitKernel {
 public:
  LimitKernel(EncodingKind kind, const Size& size, int threads)
      : kind_(kind), size_(size), pool_(threads) {
    const std::int64_t n = std::int64_t{size.width} * size.height;
    stored_ = kind == EncodingKind::kPath ? 2 * n : n;
    stride_ = static_cast<std::size_t>((stored_ + 63) / 64 * 64);
    mutationDraws_ = kind == EncodingKind::kPath ? n + static_cast<std::int64_t>(std::llround(kMutation * n)) : 7 * n;
    // A path member's rejection sampling takes N (1 + 1/2 + ... + 1/N) draws
    // on average.
    double harmonic = 0.0;
    for (std::int64_t i = 1; i <= n; ++i) harmonic += 1.0 / static_cast<double>(i);
    createDraws_ = kind == EncodingKind::kPath ? static_cast<std::int64_t>(n * harmonic) : 7 * n;
    population_ = AlignedBytes(stride_ * size.population);
    offspring_ = AlignedBytes(stride_ * size.population);
    std::memset(population_.data(), 1, population_.size());
    std::memset(offspring_.data(), 0, offspring_.size());
    words_.assign(static_cast<std::size_t>(pool_.threads()), std::vector<std::uint64_t>());
    cities_.assign(static_cast<std::size_t>(pool_.threads()), std::vector<std::uint32_t>());
  }

  bool large() const { return std::int64_t{size_.population} * size_.width * size_.height >= kParallelWork; }

  template <class Body>
  void forChunks(bool parallel, std::int64_t count, Body&& body) {
    if (parallel)
      pool_.run(count, body);
    else
      body(std::int64_t{0}, count, 0);
  }

  void step() {
    const std::uint32_t start = state_;
    const std::int64_t pairs = size_.population / 2;
    const std::int64_t perPair = 4 + 2 * mutationDraws_;
    const std::uint64_t threshold = Random::chanceThreshold(kMutation);
    forChunks(large(), pairs, [&](std::int64_t begin, std::int64_t end, int worker) {
      std::vector<std::uint64_t>& words = words_[static_cast<std::size_t>(worker)];
      words.resize(static_cast<std::size_t>((mutationDraws_ + 63) / 64));
      std::uint32_t s = StreamJump::over(static_cast<std::uint64_t>(perPair * begin)).apply(start);
      std::uint64_t hits = 0;
      const StreamJump overMutation = StreamJump::over(static_cast<std::uint64_t>(mutationDraws_));
      for (std::int64_t i = begin; i < end; ++i) {
        const std::uint32_t select1 = s = s * Random::kMultiplier + 1;
        const std::uint32_t select2 = s = s * Random::kMultiplier + 1;
        s = s * Random::kMultiplier + 1;  // crossover decision
        s = s * Random::kMultiplier + 1;  // cut
        const auto parent1 = static_cast<std::size_t>((std::uint64_t{select1} * size_.population) >> 32);
        const auto parent2 = static_cast<std::size_t>((std::uint64_t{select2} * size_.population) >> 32);
        std::memcpy(offspring_.data() + 2 * i * stride_, population_.data() + parent1 * stride_, stored_);
        std::memcpy(offspring_.data() + (2 * i + 1) * stride_, population_.data() + parent2 * stride_, stored_);
        for (int c = 0; c < 2; ++c) {
          stream_.hitWords(s, static_cast<std::uint32_t>(threshold), words.data(), words.size());
          for (std::uint64_t w : words) hits += static_cast<std::uint64_t>(__builtin_popcountll(w));
          s = overMutation.apply(s);
        }
      }
      sink_ += hits;
    });
    population_.swap(offspring_);
    state_ = StreamJump::over(static_cast<std::uint64_t>(perPair * pairs)).apply(start);
  }

  void create() {
    const std::uint32_t start = state_;
    const auto n = static_cast<std::uint32_t>(size_.width * size_.height);
    forChunks(large(), size_.population, [&](std::int64_t begin, std::int64_t end, int worker) {
      std::uint32_t s = StreamJump::over(static_cast<std::uint64_t>(createDraws_ * begin)).apply(start);
      const StreamJump overMember = StreamJump::over(static_cast<std::uint64_t>(createDraws_));
      std::uint64_t sum = 0;
      if (kind_ == EncodingKind::kPath) {
        // Every draw turned into its city, a block at a time.
        constexpr std::int64_t kBlock = 4096;
        std::vector<std::uint32_t>& cities = cities_[static_cast<std::size_t>(worker)];
        cities.resize(kBlock);
        const StreamJump overBlock = StreamJump::over(kBlock);
        for (std::int64_t m = begin; m < end; ++m) {
          std::uint32_t b = s;
          for (std::int64_t done = 0; done < createDraws_; done += kBlock) {
            const std::int64_t count = std::min(kBlock, createDraws_ - done);
            stream_.drawCities(b, n, cities.data(), static_cast<std::size_t>(count));
            sum += cities[static_cast<std::size_t>(count - 1)];
            b = overBlock.apply(b);
          }
          std::memset(population_.data() + m * stride_, static_cast<int>(sum & 0xFF), stored_);
          s = overMember.apply(s);
        }
      } else {
        // Every key bit tested against one half.
        std::vector<std::uint64_t>& words = words_[static_cast<std::size_t>(worker)];
        words.resize(static_cast<std::size_t>((createDraws_ + 63) / 64));
        for (std::int64_t m = begin; m < end; ++m) {
          stream_.hitWords(s, 0x80000000u, words.data(), words.size());
          for (std::uint64_t w : words) sum += static_cast<std::uint64_t>(__builtin_popcountll(w));
          std::memset(population_.data() + m * stride_, static_cast<int>(sum & 0xFF), stored_);
          s = overMember.apply(s);
        }
      }
      sink_ += sum;
    });
    state_ = StreamJump::over(static_cast<std::uint64_t>(createDraws_ * size_.population)).apply(start);
  }

 private:
  EncodingKind kind_;
  Size size_;
  WorkerPool pool_;
  const StreamKernels& stream_ = kernelsFor<StreamKernels>(fastestSet());
  std::int64_t stored_ = 0, mutationDraws_ = 0, createDraws_ = 0;
  std::size_t stride_ = 0;
  AlignedBytes population_, offspring_;
  std::vector<std::vector<std::uint64_t>> words_;
  std::vector<std::vector<std::uint32_t>> cities_;
  std::uint32_t state_ = 0;
  std::atomic<std::uint64_t> sink_{0};
};

// ---------------------------------------------------------------------------
// Engines are created once per kind, size and build and reused by the step
// measurements (a reference creation can take minutes).

enum class Build { kLiteral, kFastOne, kFastAll, kLimit };
const char* buildName(Build b) {
  switch (b) {
    case Build::kLiteral: return "literal";
    case Build::kFastOne: return "fast1";
    case Build::kFastAll: return "fast";
    case Build::kLimit: return "limit";
  }
  return "";
}

struct Subject {
  std::unique_ptr<EvolutionEngine> engine;
  std::unique_ptr<LimitKernel> limit;
  bool created = false;
  void create(const Size& s) {
    if (engine)
      engine->createPopulation(Grid::of(s.width, s.height), s.population, kMutation, kCrossover);
    else
      limit->create();
    created = true;
  }
  void step() {
    if (engine)
      engine->step();
    else
      limit->step();
  }
};

std::map<std::string, Subject> subjects;
std::string currentSize;

Subject& subjectFor(Build build, EncodingKind kind, const Size& size) {
  if (size.label() != currentSize) {  // one size at a time in memory
    subjects.clear();
    currentSize = size.label();
  }
  Subject& s = subjects[std::string(buildName(build)) + kindName(kind)];
  if (!s.engine && !s.limit) {
    switch (build) {
      case Build::kLiteral: s.engine = literal::makeLiteralEngine(kind); break;
      case Build::kFastOne: s.engine = makeEngine(kind, 1); break;
      case Build::kFastAll: s.engine = makeEngine(kind, 0); break;
      case Build::kLimit: s.limit = std::make_unique<LimitKernel>(kind, size, availableCores()); break;
    }
  }
  return s;
}

// The single-thread measurements (the reference and fast1) run on the core
// that was fastest when the run began: on cores of unequal speed the scaling
// column then shows what the other cores add to the best one, not what they
// add to a slow one. Parallel measurements run where the scheduler puts them.
int singleThreadCore = -1;

struct SingleThreadPin {
  cpu_set_t before;
  bool pinned = false;
  explicit SingleThreadPin(Build build) {
    if (singleThreadCore < 0 || (build != Build::kLiteral && build != Build::kFastOne)) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(singleThreadCore, &one);
    pinned = sched_getaffinity(0, sizeof before, &before) == 0 && sched_setaffinity(0, sizeof one, &one) == 0;
  }
  ~SingleThreadPin() {
    if (pinned) sched_setaffinity(0, sizeof before, &before);
  }
};

void createBench(benchmark::State& state, Build build, EncodingKind kind, Size size) {
  const SingleThreadPin pin(build);
  Subject& s = subjectFor(build, kind, size);
  for (auto _ : state) s.create(size);
}

void stepBench(benchmark::State& state, Build build, EncodingKind kind, Size size) {
  const SingleThreadPin pin(build);
  Subject& s = subjectFor(build, kind, size);
  if (!s.created) s.create(size);
  for (auto _ : state) s.step();
}

// Rough cost of one reference generation / creation in seconds, to choose
// iteration counts that keep the whole run to minutes.
double literalStepSeconds(EncodingKind kind, const Size& s) {
  const double n = double(s.width) * s.height, p = s.population;
  return kind == EncodingKind::kPath ? p * n * n * 2.2e-11 + p * n * 1.5e-8 : p * n * 3.0e-7;
}
double literalCreateSeconds(EncodingKind kind, const Size& s) {
  const double n = double(s.width) * s.height, p = s.population;
  return kind == EncodingKind::kPath ? p * n * n * 1.2e-9 : p * n * 3.5e-7;
}

// The reference runs first, once per size; then the other builds take
// turns, one measurement each per round: a core that slows down or speeds up
// during the run then affects fast1, fast and limit alike, and the ratios
// compare like with like. Each row's time is the median of its rounds.
constexpr int kRounds = 7;

void registerAll() {
  for (const Size& size : kSizes) {
    for (EncodingKind kind : kKinds) {
      const std::string base = std::string(kindName(kind)) + "/" + size.label() + "/";
      const double createCost = literalCreateSeconds(kind, size), stepCost = literalStepSeconds(kind, size);
      if (quick && createCost > 20.0) continue;  // neither creation nor steps
      auto* c = benchmark::RegisterBenchmark((base + "create/literal").c_str(), createBench, Build::kLiteral, kind, size);
      c->Unit(benchmark::kMillisecond)->UseRealTime();
      if (createCost > 2.0)
        c->Iterations(1)->Repetitions(1);
      else if (createCost > 0.2)
        c->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
      else
        c->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.05)->MinWarmUpTime(0.1);
      auto* s = benchmark::RegisterBenchmark((base + "step/literal").c_str(), stepBench, Build::kLiteral, kind, size);
      s->Unit(benchmark::kMillisecond)->UseRealTime();
      if (stepCost > 0.5)
        s->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
      else if (stepCost > 0.05)
        s->Iterations(2)->Repetitions(5)->ReportAggregatesOnly(true);
      else
        s->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.05)->MinWarmUpTime(0.1);
    }
    for (int round = 0; round < kRounds; ++round) {
      for (EncodingKind kind : kKinds) {
        const std::string base = std::string(kindName(kind)) + "/" + size.label() + "/";
        for (Build build : {Build::kFastOne, Build::kFastAll, Build::kLimit}) {
          const std::string suffix = std::string(buildName(build)) + "/round" + std::to_string(round);
          using Bench = void (*)(benchmark::State&, Build, EncodingKind, Size);
          for (auto [what, bench] : {std::pair<const char*, Bench>{"create/", createBench}, {"step/", stepBench}})
            benchmark::RegisterBenchmark((base + what + suffix).c_str(), bench, build, kind, size)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(0.03)
                ->MinWarmUpTime(round == 0 ? 0.1 : 0.01);
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Peak memory: each size runs in a child process (creation and three steps on
// all cores), which reports its peak resident size.

long peakMemoryKiB(EncodingKind kind, const Size& size) {
  char self[400];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return -1;
  self[length] = '\0';
  char command[512];
  std::snprintf(command, sizeof command, "'%s' --peak-memory %s %d %d %d", self, kindName(kind), size.width,
                size.height, size.population);
  FILE* pipe = popen(command, "r");
  if (!pipe) return -1;
  long kib = -1;
  if (std::fscanf(pipe, "%ld", &kib) != 1) kib = -1;
  pclose(pipe);
  return kib;
}

// What the memory check expects a first creation of `size` on all cores to
// fill.
std::uint64_t creationEstimate(EncodingKind kind, const Size& size) {
  const Grid grid = Grid::of(size.width, size.height);
  if (kind == EncodingKind::kPath) return FastEngine<PathLayout>(0).creationMemory(grid, size.population, kMutation).fill;
  return FastEngine<KeyLayout>(0).creationMemory(grid, size.population, kMutation).fill;
}

int peakMemoryChild(const char* kind, int width, int height, int population) {
  auto engine = makeEngine(std::strcmp(kind, "path") == 0 ? EncodingKind::kPath : EncodingKind::kRandomKey, 0);
  engine->createPopulation(Grid::of(width, height), population, kMutation, kCrossover);
  for (int g = 0; g < 3; ++g) engine->step();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}

// ---------------------------------------------------------------------------
// How fast each core runs, alone and with all of them busy: a chain of
// dependent additions, one per cycle, pinned to the core. On a virtual
// machine the cores may run at very different speeds, and change from
// minute to minute (a host core shared with another guest); the scaling
// column can be no better than they allow.

double addsPerNanosecond() {
  constexpr std::int64_t kAdds = 100'000'000;
  std::uint64_t x = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::int64_t i = 0; i < kAdds; ++i) {
    x += 1;
    __asm__ volatile("" : "+r"(x));  // kept in a register, each addition waiting for the last
  }
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return static_cast<double>(kAdds) / ns;
}

std::vector<int> allowedCores() {
  std::vector<int> cores;
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0)
    for (int c = 0; c < CPU_SETSIZE; ++c)
      if (CPU_ISSET(c, &set)) cores.push_back(c);
  return cores;
}

// Runs addsPerNanosecond on each of `cores` in its own thread, all at once
// or one after another.
std::vector<double> speedsOn(const std::vector<int>& cores, bool together) {
  std::vector<double> speeds(cores.size(), 0.0);
  auto measure = [&](std::size_t i) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cores[i], &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) return;  // this thread only
    speeds[i] = addsPerNanosecond();
  };
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < cores.size(); ++i) {
    threads.emplace_back(measure, i);
    if (!together) threads.back().join();
  }
  for (std::thread& t : threads)
    if (t.joinable()) t.join();
  return speeds;
}

// Prints the speeds; returns the core that was fastest alone (-1 if unknown).
int printCoreSpeeds(const char* when) {
  const std::vector<int> cores = allowedCores();
  if (cores.empty()) return -1;
  const std::vector<double> alone = speedsOn(cores, false), together = speedsOn(cores, true);
  std::printf("core speeds %s, additions per ns (about GHz), alone | all busy:", when);
  for (std::size_t i = 0; i < cores.size(); ++i) std::printf(" cpu%d %.2f | %.2f;", cores[i], alone[i], together[i]);
  std::printf("\n");
  return cores[static_cast<std::size_t>(std::max_element(alone.begin(), alone.end()) - alone.begin())];
}



// ---------------------------------------------------------------------------
// Collects the medians and prints the table.

class TableReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      // kind/size/what/build, without the options Google Benchmark appends.
      std::string name = run.benchmark_name();
      std::size_t end = 0;
      for (int part = 0; part < 4 && end != std::string::npos; ++part) end = name.find('/', end ? end + 1 : 0);
      if (end != std::string::npos) name = name.substr(0, end);
      if (const auto med = name.find("_median"); med != std::string::npos) name = name.substr(0, med);
      results[name].push_back(run.GetAdjustedRealTime());
      std::fprintf(stderr, "%-45s %12.4f ms\n", run.benchmark_name().c_str(), run.GetAdjustedRealTime());
    }
  }
  // Per row: the median of its rounds (or the reference's own median).
  std::map<std::string, double> medians() const {
    std::map<std::string, double> out;
    for (auto [name, times] : results) {
      std::sort(times.begin(), times.end());
      const std::size_t k = times.size();
      out[name] = k % 2 == 1 ? times[k / 2] : (times[k / 2 - 1] + times[k / 2]) / 2;
    }
    return out;
  }
  std::map<std::string, std::vector<double>> results;
};

std::string cell(double v, const char* format = "%.3f") {
  if (!(v > 0)) return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

std::string ratio(double a, double b) {
  if (!(a > 0) || !(b > 0)) return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, a / b >= 100 ? "%.0fx" : "%.1fx", a / b);
  return buffer;
}

void printTable(const std::map<std::string, double>& r, const std::map<std::string, long>& memory) {
  auto get = [&](const std::string& key) {
    const auto it = r.find(key);
    return it == r.end() ? 0.0 : it->second;
  };
  std::printf("\nms per generation (step) and per creation, medians; fast = all %d cores, fast1 = one thread;\n"
              "x literal = literal / fast, x limit = fast / limit, scaling = fast1 / fast; "
              "pm = %.2f, pc = %.2f; kernels: %s\n\n",
              availableCores(), kMutation, kCrossover, nameOf(fastestSet()));
  std::printf("%-16s %-4s %-6s | %10s %10s %10s %10s | %8s %7s %7s | %9s %9s\n", "size", "enc", "what", "literal",
              "fast1", "fast", "limit", "x literal", "x limit", "scaling", "peak MB", "estim. MB");
  for (const Size& size : kSizes) {
    for (EncodingKind kind : kKinds) {
      for (const char* what : {"step", "create"}) {
        const std::string base = std::string(kindName(kind)) + "/" + size.label() + "/" + what + "/";
        const double literal = get(base + "literal"), one = get(base + "fast1"), all = get(base + "fast"),
                     limit = get(base + "limit");
        std::string peak = "", budget = "";
        if (std::strcmp(what, "step") == 0) {
          const auto it = memory.find(std::string(kindName(kind)) + size.label());
          budget = cell(static_cast<double>(creationEstimate(kind, size)) / 1e6, "%.1f");
          peak = it == memory.end() || it->second < 0 ? "-" : cell(it->second * 1024.0 / 1e6, "%.1f");
        }
        std::printf("%-16s %-4s %-6s | %10s %10s %10s %10s | %8s %7s %7s | %9s %9s\n", size.label().c_str(),
                    kindName(kind), what, cell(literal).c_str(), cell(one).c_str(), cell(all).c_str(),
                    cell(limit).c_str(), ratio(literal, all).c_str(), ratio(all, limit).c_str(),
                    ratio(one, all).c_str(), peak.c_str(), budget.c_str());
      }
    }
  }
}

}  // namespace
}  // namespace wendra

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--peak-memory") == 0)
    return wendra::peakMemoryChild(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0)
      wendra::quick = true;
    else if (std::strcmp(argv[i], "--no-memory") == 0)
      wendra::skipMemory = true;
    else
      args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  // Peak memory first, in child processes, before this process grows.
  std::map<std::string, long> memory;
  for (const wendra::Size& size : wendra::kSizes)
    for (wendra::EncodingKind kind : wendra::kKinds)
      if (!wendra::skipMemory)
      memory[std::string(wendra::kindName(kind)) + size.label()] = wendra::peakMemoryKiB(kind, size);
  wendra::registerAll();
  benchmark::Initialize(&count, args.data());
  wendra::TableReporter reporter;
  wendra::singleThreadCore = wendra::printCoreSpeeds("before");
  if (wendra::singleThreadCore >= 0)
    std::printf("single-thread rows (literal, fast1) run on cpu%d\n", wendra::singleThreadCore);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  wendra::printCoreSpeeds("after");
  wendra::printTable(reporter.medians(), memory);
  benchmark::Shutdown();
  return 0;
}
