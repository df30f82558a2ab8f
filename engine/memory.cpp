#include "memory.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace wendra {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

std::uint64_t meminfoAvailable() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  std::string unit;
  while (in >> key >> kib) {
    std::getline(in, unit);
    if (key == "MemAvailable:") return kib * 1024;
  }
  return kUnknown;
}

// A number from a cgroup v2 file, or kUnknown for "max" or a missing file.
std::uint64_t cgroupValue(const char* path) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text) || text == "max") return kUnknown;
  try {
    return std::stoull(text);
  } catch (...) {
    return kUnknown;
  }
}

std::uint64_t megabytes(std::uint64_t bytes, bool roundUp) {
  constexpr std::uint64_t kMB = 1000000;
  return roundUp ? (bytes + kMB - 1) / kMB : bytes / kMB;
}

std::uint64_t readAvailableMemory() {
  std::uint64_t available = meminfoAvailable();
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

std::uint64_t populationBytes(std::int64_t members, std::int64_t chromosomeBytes) {
  const auto p = static_cast<std::uint64_t>(members);
  const auto c = static_cast<std::uint64_t>(chromosomeBytes);
  return 2 * p * c + 2 * c + p * sizeof(double);
}

std::string notEnoughMemoryMessage(std::int64_t members, std::int64_t chromosomeBytes,
                                   std::uint64_t availableBytes) {
  std::ostringstream text;
  text << "Not enough memory for " << members << " members of " << chromosomeBytes
       << " bytes: " << megabytes(populationBytes(members, chromosomeBytes), true)
       << " MB needed, " << megabytes(availableBytes, false) << " MB available";
  return text.str();
}

void requirePopulationFits(std::int64_t members, std::int64_t chromosomeBytes,
                           std::uint64_t availableBytes) {
  if (populationBytes(members, chromosomeBytes) > availableBytes)
    throw PopulationTooLarge(notEnoughMemoryMessage(members, chromosomeBytes, availableBytes));
}

}  // namespace wendra
