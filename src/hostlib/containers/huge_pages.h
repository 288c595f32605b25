#pragma once
// Where the large blocks of a mesh come from.
//
// Lists of millions of points, faces or indices are written in order right
// after they are sized, and take ordinary pages. Huge pages halved their
// page faults when the machine had huge pages to spare, but a huge page
// must come from a free 2 MiB run: after another program has freed its
// memory in small pages, or on a virtual machine that hands free runs back
// to its host, each one is cleared from cold memory, and the same read took
// two to three times as long. Small pages come from what was just freed.
//
// Tables probed at random (hash tables over a whole mesh) are another
// matter: there the translation misses of small pages cost more than any
// fault, and they take huge pages (HugePageAllocator).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vex3d {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
// From half a huge page on, a table takes whole huge pages: it may hold up
// to twice the memory it needs, but a probe rarely misses the TLB.
inline constexpr std::size_t kLargeBlockBytes = kHugePageBytes / 2;

// No block is larger than the largest object.
inline constexpr std::size_t kMaxBlockBytes = PTRDIFF_MAX;

// A malloc-compatible block (free and realloc take it) for a list's
// values. Null when memory is short.
inline void* allocateBlock(std::size_t bytes) {
  return bytes <= kMaxBlockBytes ? std::malloc(bytes) : nullptr;
}

// realloc for blocks from allocateBlock. Null, with `block` untouched, when
// memory is short.
inline void* resizeBlock(void* block, std::size_t /*oldBytes*/, std::size_t newBytes) {
  return newBytes <= kMaxBlockBytes ? std::realloc(block, newBytes) : nullptr;
}

// A block whose whole 2 MiB pages are asked of the kernel as huge pages
// (advice only: a kernel that declines leaves small ones). A large one
// starts on a huge-page boundary and spans whole huge pages, so that none
// of it is left to small pages. Free takes it. Null when memory is short.
inline void* allocateTableBlock(std::size_t bytes) {
  if (bytes < kLargeBlockBytes) return std::malloc(bytes);
  if (bytes > kMaxBlockBytes - kHugePageBytes) return nullptr;
  const std::size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  void* block = std::aligned_alloc(kHugePageBytes, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (block != nullptr) (void)madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

// A standard allocator for the tables probed at random: large ones take
// huge pages.
template <class T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() noexcept = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* p = allocateTableBlock(n * sizeof(T));
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
