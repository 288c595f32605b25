// Files as mapped bytes: only regular files, never a wait, and a file that
// shrinks under its reader is a failed read rather than a dead program.
#include "hostlib/files/mapped_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

class MappedFileTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir()); }
  fs::path dir() const { return m_dir.Path(); }

 private:
  vex3d::test::ScopedConfigDir m_dir{"mapped"};
};

TEST_F(MappedFileTest, OnlyRegularFilesOpenAndNothingWaits) {
  const fs::path fifo = dir() / "model.obj";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  vex3d::MappedFile file;
  std::string why;
  EXPECT_FALSE(file.open(fifo.string(), why)) << "a FIFO without a writer must not block";
  EXPECT_NE(why.find("is not a regular file"), std::string::npos) << why;
  EXPECT_FALSE(file.open(dir().string(), why));
  EXPECT_NE(why.find("is a directory"), std::string::npos) << why;
  EXPECT_FALSE(file.open((dir() / "absent.obj").string(), why));
  EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
  EXPECT_EQ(vex3d::whyNotReadable(fifo.string()), "is not a regular file");
  EXPECT_EQ(vex3d::whyNotReadable(dir().string()), "is a directory");
  EXPECT_EQ(vex3d::whyNotReadable((dir() / "absent.obj").string()), "does not exist");

  const fs::path empty = dir() / "empty.obj";
  std::ofstream{empty};
  ASSERT_TRUE(file.open(empty.string(), why)) << why;
  EXPECT_TRUE(file.bytes().empty());
  EXPECT_EQ(vex3d::whyNotReadable(empty.string()), "");
}

TEST_F(MappedFileTest, AFileThatShrinksWhileReadReadsAsZerosAndIsNotIntact) {
  const fs::path path = dir() / "shrinking.ply";
  const std::size_t size = 1 << 20;
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, 'x');
  }
  vex3d::MappedFile file;
  std::string why;
  ASSERT_TRUE(file.open(path.string(), why)) << why;
  ASSERT_EQ(file.bytes().size(), size);
  EXPECT_TRUE(file.intact());
  ASSERT_EQ(::truncate(path.c_str(), 4096), 0);
  std::size_t xs = 0;
  std::size_t zeros = 0;
  for (const unsigned char c : file.bytes()) {
    xs += c == 'x';
    zeros += c == 0;
  }
  EXPECT_EQ(xs, 4096u);
  EXPECT_EQ(zeros, size - 4096u);
  EXPECT_FALSE(file.intact());

  // A fresh mapping of the same file starts intact.
  vex3d::MappedFile again;
  ASSERT_TRUE(again.open(path.string(), why));
  EXPECT_TRUE(again.intact());
  EXPECT_EQ(again.bytes().size(), 4096u);
}

}  // namespace
