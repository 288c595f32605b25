#include "hostlib/files/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(FileIo, AtomicWriteCreatesFoldersAndReplacesContent) {
  const auto dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "file_io_test" / "a" / "b";
  std::filesystem::remove_all(dir.parent_path().parent_path());
  const std::string path = (dir / "f.bin").string();
  ASSERT_TRUE(vex3d::writeSettingsFile(path, "hello", 5));
  ASSERT_TRUE(vex3d::writeSettingsFile(path, "hi", 2));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(vex3d::readWholeFile(path, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hi");
  // No temporary file is left beside the target.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(vex3d::readWholeFile((dir / "missing").string(), bytes));
}

}  // namespace
