#include "hostlib/containers/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

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

// Blocks move between small and large as lists grow and shrink: every move
// keeps the bytes below the smaller size, and large blocks start on a huge
// page so that the kernel can back them with whole ones.
TEST(HugePageBlocks, ResizingAcrossTheLargeThresholdKeepsTheBytes) {
  constexpr std::size_t kSmall = 1000;
  constexpr std::size_t kLarge = 3 * vex3d::kHugePageBytes + 12345;
  auto* block = static_cast<unsigned char*>(vex3d::allocateBlock(kSmall));
  ASSERT_NE(block, nullptr);
  fill(block, kSmall);

  block = static_cast<unsigned char*>(vex3d::resizeBlock(block, kSmall, kLarge));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % vex3d::kHugePageBytes, 0u);
  EXPECT_TRUE(holds(block, kSmall));
  fill(block, kLarge);

  block = static_cast<unsigned char*>(
      vex3d::resizeBlock(block, kLarge, kLarge + vex3d::kHugePageBytes));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(holds(block, kLarge));

  block = static_cast<unsigned char*>(
      vex3d::resizeBlock(block, kLarge + vex3d::kHugePageBytes, vex3d::kLargeBlockBytes - 1));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(holds(block, vex3d::kLargeBlockBytes - 1));
  std::free(block);
}

TEST(HugePageBlocks, AnImpossibleSizeIsNullNotAWrappedSize) {
  EXPECT_EQ(vex3d::allocateBlock(SIZE_MAX - 1), nullptr);
  auto* block = static_cast<unsigned char*>(vex3d::allocateBlock(16));
  ASSERT_NE(block, nullptr);
  fill(block, 16);
  EXPECT_EQ(vex3d::resizeBlock(block, 16, SIZE_MAX - 1), nullptr);
  EXPECT_TRUE(holds(block, 16));
  std::free(block);
}

}  // namespace
