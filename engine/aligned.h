#pragma once
// Memory on whole cache lines: blocks start on a 64-byte boundary and take
// whole lines, so that data of two worker threads never shares a line (a
// shared line written by both moves between the cores on every write).

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace wendra {

inline constexpr std::size_t kCacheLine = 64;

inline std::size_t wholeLines(std::size_t bytes) { return (bytes + kCacheLine - 1) / kCacheLine * kCacheLine; }

template <class T>
struct CacheLineAllocator {
  using value_type = T;
  CacheLineAllocator() = default;
  template <class U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}
  T* allocate(std::size_t n) {
    return static_cast<T*>(::operator new(wholeLines(n * sizeof(T)), std::align_val_t{kCacheLine}));
  }
  void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t{kCacheLine}); }
  template <class U>
  bool operator==(const CacheLineAllocator<U>&) const { return true; }
};

// A vector whose elements occupy cache lines of their own.
template <class T>
using LineVector = std::vector<T, CacheLineAllocator<T>>;

// Bytes a LineVector of `count` elements (sized in one go) takes from the
// allocator.
template <class T>
std::size_t lineVectorBytes(std::size_t count) {
  return count ? wholeLines(count * sizeof(T)) : 0;
}

// A block of bytes on whole cache lines, left uninitialised.
class AlignedBytes {
 public:
  AlignedBytes() = default;
  explicit AlignedBytes(std::size_t size)
      : data_(static_cast<std::uint8_t*>(::operator new(wholeLines(size ? size : 1), std::align_val_t{kCacheLine}))),
        size_(size) {}
  AlignedBytes(AlignedBytes&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  AlignedBytes& operator=(AlignedBytes&& other) noexcept {
    swap(other);
    return *this;
  }
  ~AlignedBytes() {
    if (data_) ::operator delete(data_, std::align_val_t{kCacheLine});
  }
  // Bytes a block of `size` takes from the allocator.
  static std::size_t allocatedFor(std::size_t size) { return wholeLines(size ? size : 1); }

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  void swap(AlignedBytes& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace wendra
