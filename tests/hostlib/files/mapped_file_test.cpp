// Files as mapped bytes: only regular files, never a wait, and a file that
// shrinks under its reader is a failed read rather than a dead program.
#include "hostlib/files/mapped_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

// The resident pages of the mapping of `data`, from the process's own
// account of its mappings.
std::size_t residentKiB(const void* data) {
  std::ifstream maps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  const auto address = reinterpret_cast<std::uintptr_t>(data);
  while (std::getline(maps, line)) {
    unsigned long begin = 0, end = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &begin, &end) == 2 && line.find(' ') < 30) {
      inside = address >= begin && address < end;
    } else if (inside && line.rfind("Rss:", 0) == 0) {
      return std::stoul(line.substr(4));
    }
  }
  return 0;
}

TEST_F(MappedFileTest, PagesGivenBackStillReadAsTheFile) {
  const fs::path path = dir() / "long.obj";
  const std::size_t size = 8 << 20;
  std::string content(size, 'v');
  for (std::size_t i = 0; i < size; i += 4097) content[i] = static_cast<char>('a' + i % 26);
  std::ofstream(path, std::ios::binary) << content;
  vex3d::MappedFile file;
  std::string why;
  ASSERT_TRUE(file.open(path.string(), why)) << why;
  const unsigned char* data = file.bytes().data();
  const std::size_t before = residentKiB(data);
  EXPECT_GE(before, size / 1024 / 2) << "the mapping is populated when opened";
  // Nothing before the start, and at most what the file holds, is given.
  file.releaseBefore(data);
  file.releaseBefore(data + size + (1 << 20));
  EXPECT_LE(residentKiB(data), 4u);
  file.releaseBefore(data + size / 2);  // already given back: nothing more
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), content);
  EXPECT_TRUE(file.intact());

  vex3d::MappedFile half;
  ASSERT_TRUE(half.open(path.string(), why));
  half.releaseBefore(half.bytes().data() + size / 2 + 100);
  const std::size_t left = residentKiB(half.bytes().data());
  EXPECT_LE(left, size / 1024 / 2 + 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(half.bytes().data()), size), content);
}

}  // namespace
