#pragma once
// Table sizes for the open-addressing hash tables: quadratic probing only
// reaches every slot it needs when the slot count is prime.
#include <cstdint>

#include "hostlib/hostlib_export.h"

// Smallest prime >= n (NextPrime(101) == 101, NextPrime(0) == 2). Returns 0
// when no 32-bit prime is that large (n > 4294967291).
VEXHOST_EXPORT std::uint32_t NextPrime(std::uint32_t n);

namespace vex3d {

VEXHOST_EXPORT bool isPrime(std::uint32_t n);

}  // namespace vex3d
