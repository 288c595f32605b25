#include "hostlib/containers/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void fill(unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(i * 7 + i / 251);
}

bool holds(const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] != static_cast<unsigned char>(i * 7 + i / 251)) return false;
  }
  return true;
}

// Lists grow and shrink through their blocks: every move keeps the bytes
// below the smaller size.
TEST(LargeBlocks, ResizingKeepsTheBytes) {
  constexpr std::size_t kSmall = 1000;
  constexpr std::size_t kLarge = 3 * vex3d::kHugePageBytes + 12345;
  auto* block = static_cast<unsigned char*>(vex3d::allocateBlock(kSmall));
  ASSERT_NE(block, nullptr);
  fill(block, kSmall);

  block = static_cast<unsigned char*>(vex3d::resizeBlock(block, kSmall, kLarge));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(holds(block, kSmall));
  fill(block, kLarge);

  block = static_cast<unsigned char*>(vex3d::resizeBlock(block, kLarge, kSmall));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(holds(block, kSmall));
  std::free(block);
}

TEST(LargeBlocks, AnImpossibleSizeIsNullAndLeavesTheBlock) {
  EXPECT_EQ(vex3d::allocateBlock(SIZE_MAX - 1), nullptr);
  EXPECT_EQ(vex3d::allocateTableBlock(SIZE_MAX - 1), nullptr);
  auto* block = static_cast<unsigned char*>(vex3d::allocateBlock(16));
  ASSERT_NE(block, nullptr);
  fill(block, 16);
  EXPECT_EQ(vex3d::resizeBlock(block, 16, SIZE_MAX - 1), nullptr);
  EXPECT_TRUE(holds(block, 16));
  std::free(block);
}

// A large table starts on a huge page and spans whole ones, so that the
// kernel can back all of it with them; a small one is an ordinary block.
TEST(LargeBlocks, ALargeTableLiesOnHugePages) {
  std::vector<std::uint64_t, vex3d::HugePageAllocator<std::uint64_t>> table(
      vex3d::kHugePageBytes / sizeof(std::uint64_t) + 3, 7);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(table.data()) % vex3d::kHugePageBytes, 0u);
  EXPECT_EQ(table.back(), 7u);
  std::vector<int, vex3d::HugePageAllocator<int>> small(10, 1);
  EXPECT_EQ(small[9], 1);
}

}  // namespace
