#pragma once
// Lists of millions of points, faces or indices are filled right after they
// are sized. With small pages the page faults of that first touch cost more
// than the filling itself, so large blocks ask the kernel for huge pages
// (where transparent huge pages are left to each program's choice).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vex3d {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
// From half a huge page on, a block takes whole huge pages: it may hold up
// to twice the memory it needs, but it is filled for a fraction of the time.
inline constexpr std::size_t kLargeBlockBytes = kHugePageBytes / 2;

// Advice only: the whole 2 MiB pages inside the block are asked for; a
// smaller block, or a kernel that declines, is left as it is. Call it
// before the block is first written.
inline void preferHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes < kHugePageBytes) return;
  const auto begin =
      (reinterpret_cast<std::uintptr_t>(block) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHugePageBytes - 1);
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// A malloc-compatible block (free and realloc take it) for values written
// right after allocation. A large one starts on a huge-page boundary and
// spans whole huge pages: a block placed anywhere loses its first and last
// partial huge page to small pages, and a small page's fault costs about
// as much as a huge page's. Null when memory is short.
inline void* allocateBlock(std::size_t bytes) {
  if (bytes < kLargeBlockBytes) return std::malloc(bytes);
  if (bytes > SIZE_MAX - kHugePageBytes) return nullptr;
  const std::size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  void* block = std::aligned_alloc(kHugePageBytes, rounded);
  if (block != nullptr) preferHugePages(block, rounded);
  return block;
}

// realloc for blocks from allocateBlock: a block growing into the large
// range moves to a fresh aligned block (one copy, cheaper than the small
// pages a realloc'd block would fault in). Null, with `block` untouched,
// when memory is short.
inline void* resizeBlock(void* block, std::size_t oldBytes, std::size_t newBytes) {
  if (block == nullptr) return allocateBlock(newBytes);
  if (newBytes < kLargeBlockBytes || newBytes <= oldBytes) return std::realloc(block, newBytes);
  void* grown = allocateBlock(newBytes);
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, block, oldBytes);
  std::free(block);
  return grown;
}

// A standard allocator whose large blocks prefer huge pages: for the
// vectors that hold a whole mesh's values.
template <class T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() noexcept = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* p = allocateBlock(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { std::free(p); }
  template <class U>
  bool operator==(const HugePageAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace vex3d
