// The memory check's estimate against the engine's real peak on large
// populations. Each row runs in a child process of its own, which reads its
// resident size just before the creation, creates the population and steps
// it three times on all cores, then reads its peak resident size (VmHWM):
// the difference is what the engine filled. Prints one table.
//
// Usage: engine_memory [--big] [--only key|path]
//   --big   adds random keys on 100 x 100 with P = 1000000 (about 20 GB) and
//           paths on 100 x 100 with P = 400000 (about 17 GB); a row that does
//           not fit in the memory available now is shown as skipped.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fast_engine.h"
#include "key_layout.h"
#include "memory.h"
#include "path_layout.h"

namespace wendra {
namespace {

struct Row {
  const char* kind;
  std::int32_t width, height, population;
};

const Row kRows[] = {{"key", 30, 30, 100000},   {"path", 30, 30, 100000},   {"key", 100, 100, 10000},
                     {"path", 100, 100, 10000}, {"key", 100, 100, 100000},  {"path", 100, 100, 100000}};
const Row kBigRows[] = {{"key", 100, 100, 1000000}, {"path", 100, 100, 400000}};

constexpr double kMutation = 0.07;
constexpr double kCrossover = 0.5;

// A figure of /proc/self/status in bytes.
long long statusBytes(const char* key) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long long kib = -1;
  const std::size_t length = std::strlen(key);
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, key, length) == 0 && line[length] == ':') kib = std::atoll(line + length + 1);
  std::fclose(status);
  return kib < 0 ? -1 : kib * 1024;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class Layout>
int measure(const Row& row) {
  FastEngine<Layout> engine(0);
  const Grid grid = Grid::of(row.width, row.height);
  const CreationMemory need = engine.creationMemory(grid, row.population, kMutation);
  if (need.fill > availableMemory()) {
    std::printf("skip %llu %llu\n", static_cast<unsigned long long>(need.fill),
                static_cast<unsigned long long>(availableMemory()));
    return 0;
  }
  const long long before = statusBytes("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  engine.createPopulation(grid, row.population, kMutation, kCrossover);
  const double create = secondsSince(start);
  const auto stepping = std::chrono::steady_clock::now();
  for (int g = 0; g < 3; ++g) engine.step();
  const double step = secondsSince(stepping) / 3;
  std::printf("ok %llu %lld %lld %.3f %.3f\n", static_cast<unsigned long long>(need.fill), before,
              statusBytes("VmHWM"), create, step);
  return 0;
}

int child(const char* kind, int width, int height, int population) {
  const Row row{kind, width, height, population};
  return std::strcmp(kind, "path") == 0 ? measure<PathLayout>(row) : measure<KeyLayout>(row);
}

void runRow(const Row& row) {
  char self[400];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return;
  self[length] = '\0';
  char command[600];
  std::snprintf(command, sizeof command, "'%s' --child %s %d %d %d", self, row.kind, row.width, row.height,
                row.population);
  std::FILE* pipe = popen(command, "r");
  if (!pipe) return;
  char word[8] = {};
  unsigned long long estimate = 0;
  long long before = 0, peak = 0;
  double create = 0, step = 0;
  const int got = std::fscanf(pipe, "%7s %llu %lld %lld %lf %lf", word, &estimate, &before, &peak, &create, &step);
  pclose(pipe);
  char label[64];
  std::snprintf(label, sizeof label, "%s %dx%d P=%d", row.kind, row.width, row.height, row.population);
  if (got >= 3 && std::strcmp(word, "skip") == 0) {
    std::printf("%-26s %12.1f  skipped: %lld MB available\n", label, estimate / 1e6, before / 1000000);
  } else if (got == 6) {
    const double filled = static_cast<double>(peak - before);
    std::printf("%-26s %12.1f %12.1f %+8.2f%% %10.2f %10.3f\n", label, estimate / 1e6, filled / 1e6,
                100.0 * (static_cast<double>(estimate) - filled) / filled, create, step);
  } else {
    std::printf("%-26s failed\n", label);
  }
  std::fflush(stdout);
}

}  // namespace
}  // namespace wendra

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
    return wendra::child(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  bool big = false;
  const char* only = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big") == 0) {
      big = true;
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: engine_memory [--big] [--only key|path]\n");
      return 2;
    }
  }
  std::printf("%-26s %12s %12s %9s %10s %10s\n", "row", "estimate MB", "peak MB", "est/peak", "create s",
              "step s");
  std::vector<wendra::Row> rows(std::begin(wendra::kRows), std::end(wendra::kRows));
  if (big) rows.insert(rows.end(), std::begin(wendra::kBigRows), std::end(wendra::kBigRows));
  for (const wendra::Row& row : rows)
    if (!only || std::strcmp(only, row.kind) == 0) wendra::runRow(row);
  std::printf("peak MB: the child's VmHWM after creation and three steps less its VmRSS just before the creation\n");
  return 0;
}
