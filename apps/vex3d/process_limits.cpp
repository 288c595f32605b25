#include "process_limits.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "hostlib/core/sanitizer_build.h"

namespace vex3d::cli {

bool addressSpaceCanBeCapped() { return !kSanitizedBuild; }

std::uint64_t defaultThumbnailMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  constexpr std::uint64_t kFloor = 1ull << 30;
  constexpr std::uint64_t kCap = 4ull << 30;
  if (pages <= 0 || pageSize <= 0) return kCap;
  const std::uint64_t quarter =
      static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 4;
  return std::clamp(quarter, kFloor, kCap);
}

void limitProcess(std::uint64_t bytes, unsigned seconds) {
  if (bytes > 0 && addressSpaceCanBeCapped()) {
    rlimit memory{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &memory);
  }
  if (seconds > 0) {
    // Wall time for a file that makes a reader wait, processor time for one
    // that makes it loop; the hard limit one second later is the kernel's
    // own backstop.
    rlimit cpu{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::alarm(seconds);
  }
}

}  // namespace vex3d::cli
