#pragma once
// The flag-word rules shared by points, faces, lists, channels and objects:
// SetFlag(mask, on), IsFlagSet (all bits of the mask), IsOneFlagSet (any bit).
#include <cstdint>

namespace vex3d {

constexpr void setFlagBits(std::uint32_t& word, std::uint32_t mask, int on) {
  word = on ? (word | mask) : (word & ~mask);
}
constexpr bool allFlagBitsSet(std::uint32_t word, std::uint32_t mask) {
  return (word & mask) == mask;
}
constexpr bool anyFlagBitSet(std::uint32_t word, std::uint32_t mask) { return (word & mask) != 0; }

}  // namespace vex3d
