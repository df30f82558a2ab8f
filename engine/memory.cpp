#include "memory.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>

namespace wendra {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// The start of a small file (a few kB of /proc or /sys) in `buffer`, read
// without touching the heap, so that a check can run while memory is short
// and costs no allocation; empty when it cannot be read.
template <std::size_t N>
std::string_view readSmallFile(const char* path, char (&buffer)[N]) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::size_t size = 0;
  while (size < N) {
    const ssize_t got = ::read(fd, buffer + size, N - size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    size += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return {buffer, size};
}

// The number after "key" at the start of a line of `text` (as in
// "MemAvailable:   123 kB"), times `unit`; kUnknown when missing.
std::uint64_t field(std::string_view text, std::string_view key, std::uint64_t unit) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.starts_with(key)) continue;
    std::string_view rest = line.substr(key.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    std::uint64_t value = 0;
    const auto [next, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc() || next == rest.data()) return kUnknown;
    return value > kUnknown / unit ? kUnknown : value * unit;
  }
  return kUnknown;
}

constexpr std::uint64_t kKiB = 1024;

// Figures of /proc/meminfo in bytes (kUnknown when missing).
struct SystemMemory {
  std::uint64_t available = kUnknown;    // MemAvailable
  std::uint64_t commitLimit = kUnknown;  // CommitLimit
  std::uint64_t committed = kUnknown;    // Committed_AS
};

SystemMemory systemMemory() {
  char buffer[8192];
  const std::string_view text = readSmallFile("/proc/meminfo", buffer);
  return {field(text, "MemAvailable:", kKiB), field(text, "CommitLimit:", kKiB), field(text, "Committed_AS:", kKiB)};
}

// A number from a cgroup v2 file, or kUnknown for "max" or a missing file.
std::uint64_t cgroupValue(const char* path) {
  char buffer[64];
  const std::string_view text = readSmallFile(path, buffer);
  if (text.starts_with("max")) return kUnknown;
  return field(text, "", 1);
}

// Figures of /proc/self/status in bytes (kUnknown when unreadable).
struct ProcessSizes {
  std::uint64_t addressSpace = kUnknown;  // VmSize
  std::uint64_t data = kUnknown;          // VmData
};

ProcessSizes processSizes() {
  char buffer[8192];
  const std::string_view text = readSmallFile("/proc/self/status", buffer);
  return {field(text, "VmSize:", kKiB), field(text, "VmData:", kKiB)};
}

int overcommitMode() {
  char buffer[16];
  const std::uint64_t mode = field(readSmallFile("/proc/sys/vm/overcommit_memory", buffer), "", 1);
  return mode == kUnknown ? 0 : static_cast<int>(mode);
}

std::uint64_t megabytes(std::uint64_t bytes, bool roundUp) {
  constexpr std::uint64_t kMB = 1000000;
  return roundUp ? (bytes + kMB - 1) / kMB : bytes / kMB;
}

std::uint64_t readAvailableMemory() {
  std::uint64_t available = systemMemory().available;
  const std::uint64_t limit = cgroupValue("/sys/fs/cgroup/memory.max");
  const std::uint64_t used = cgroupValue("/sys/fs/cgroup/memory.current");
  if (limit != kUnknown && used != kUnknown) {
    const std::uint64_t left = limit > used ? limit - used : 0;
    if (left < available) available = left;
  }
  return available;
}

}  // namespace

std::uint64_t availableMemory() {
  // Reading the kernel's figures costs tens of microseconds, as much as
  // creating a small population; a reading a few milliseconds old is as good
  // as a fresh one, so quick successive creations share it.
  using Clock = std::chrono::steady_clock;
  constexpr std::int64_t kFreshFor = std::chrono::nanoseconds(std::chrono::milliseconds(20)).count();
  static std::atomic<std::int64_t> readAt{std::numeric_limits<std::int64_t>::min()};
  static std::atomic<std::uint64_t> reading{0};
  const std::int64_t now = Clock::now().time_since_epoch().count();
  const std::int64_t at = readAt.load(std::memory_order_acquire);
  if (at != std::numeric_limits<std::int64_t>::min() && now - at >= 0 && now - at < kFreshFor)
    return reading.load(std::memory_order_relaxed);
  const std::uint64_t fresh = readAvailableMemory();
  reading.store(fresh, std::memory_order_relaxed);
  readAt.store(now, std::memory_order_release);
  return fresh;
}

std::uint64_t allocatableMemory() {
  std::uint64_t room = kUnknown;
  auto limitBy = [&room](std::uint64_t limit, std::uint64_t used) {
    if (limit == kUnknown || used == kUnknown) return;
    room = std::min(room, limit > used ? limit - used : 0);
  };
  rlimit address{}, data{};
  const bool limitsAddress = getrlimit(RLIMIT_AS, &address) == 0 && address.rlim_cur != RLIM_INFINITY;
  const bool limitsData = getrlimit(RLIMIT_DATA, &data) == 0 && data.rlim_cur != RLIM_INFINITY;
  if (limitsAddress || limitsData) {
    const ProcessSizes sizes = processSizes();
    if (limitsAddress) limitBy(address.rlim_cur, sizes.addressSpace);
    if (limitsData) limitBy(data.rlim_cur, sizes.data);
  }
  // The mode is set at boot and hardly ever changed afterwards.
  static const bool strictOvercommit = overcommitMode() == 2;
  if (strictOvercommit) {
    const SystemMemory system = systemMemory();
    limitBy(system.commitLimit, system.committed);
  }
  return room;
}

std::string notEnoughMemoryMessage(std::int64_t members, const Grid& grid, std::uint64_t neededBytes,
                                   std::uint64_t availableBytes) {
  std::ostringstream text;
  text << "Not enough memory for " << members << " members on a " << grid.width << " x " << grid.height
       << " grid: " << megabytes(neededBytes, true) << " MB needed, ";
  if (availableBytes >= neededBytes)
    text << "which the system refused";
  else
    text << megabytes(availableBytes, false) << " MB available";
  return text.str();
}

void requireMemory(std::int64_t members, const Grid& grid, CreationMemory need, std::uint64_t availableBytes,
                   std::uint64_t allocatableBytes) {
  if (need.fill > availableBytes)
    throw PopulationTooLarge(notEnoughMemoryMessage(members, grid, need.fill, availableBytes));
  if (need.allocate > allocatableBytes)
    throw PopulationTooLarge(notEnoughMemoryMessage(members, grid, need.allocate, allocatableBytes));
}

}  // namespace wendra
