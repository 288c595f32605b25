#include "hostlib/containers/next_prime.h"

namespace vex3d {

bool isPrime(std::uint32_t n) {
  if (n < 4) return n >= 2;
  if (n % 2 == 0 || n % 3 == 0) return false;
  // Every prime above 3 is 6k - 1 or 6k + 1.
  for (std::uint64_t d = 5; d * d <= n; d += 6) {
    if (n % d == 0 || n % (d + 2) == 0) return false;
  }
  return true;
}

}  // namespace vex3d

std::uint32_t NextPrime(std::uint32_t n) {
  constexpr std::uint32_t kLargestPrime = 4294967291u;
  if (n <= 2) return 2;
  if (n > kLargestPrime) return 0;
  std::uint32_t candidate = n | 1u;
  while (!vex3d::isPrime(candidate)) candidate += 2;
  return candidate;
}
