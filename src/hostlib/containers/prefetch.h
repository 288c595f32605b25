#pragma once
// A hint to bring the cache line at an address in before it is read.
//
// Not __builtin_prefetch alone: GCC 12's analysis of what a function
// modifies finds one whose only effect is that builtin free of side effects,
// and removes the calls to it. Members such as `table.prefetch(key)` thus
// vanished from the loops meant to overlap their cache misses. An asm
// statement marked volatile cannot be removed.
namespace vex3d {

inline void prefetchForRead(const void* address) {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace vex3d
