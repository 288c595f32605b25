// A file put in place only once complete: whatever goes wrong before, the
// old file stays and nothing is left beside it.
#include "hostlib/files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir()); }
  fs::path dir() const { return m_dir.Path(); }
  fs::path existing(const std::string& content = "old") {
    const fs::path path = dir() / "model.obj";
    std::ofstream(path) << content;
    return path;
  }

 private:
  vex3d::test::ScopedConfigDir m_dir{"atomic"};
};

TEST_F(AtomicFileTest, TheTargetChangesOnlyAtTheCommit) {
  const fs::path target = existing();
  vex3d::AtomicFile file;
  std::string why;
  ASSERT_TRUE(file.open(target.string(), why)) << why;
  ASSERT_TRUE(file.write("new content", 11, why)) << why;
  EXPECT_EQ(contentOf(target), "old");
  EXPECT_EQ(entries(dir()).size(), 2u) << "the temporary file lies beside the target";
  ASSERT_TRUE(file.commit(why)) << why;
  EXPECT_EQ(contentOf(target), "new content");
  EXPECT_EQ(entries(dir()), std::vector<std::string>{"model.obj"});
}

TEST_F(AtomicFileTest, GivingUpLeavesTheOldFileAndNothingElse) {
  const fs::path target = existing();
  {
    vex3d::AtomicFile file;
    std::string why;
    ASSERT_TRUE(file.open(target.string(), why));
    ASSERT_TRUE(file.write("half", 4, why));
  }
  EXPECT_EQ(contentOf(target), "old");
  EXPECT_EQ(entries(dir()), std::vector<std::string>{"model.obj"});
}

TEST_F(AtomicFileTest, MissingFoldersAndFoldersAsTargetsAreRefused) {
  vex3d::AtomicFile file;
  std::string why;
  EXPECT_FALSE(file.open((dir() / "absent" / "out.obj").string(), why));
  EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
  EXPECT_FALSE(fs::exists(dir() / "absent"));
  EXPECT_FALSE(file.open(dir().string(), why));
  EXPECT_NE(why.find("is a directory"), std::string::npos) << why;
}

TEST_F(AtomicFileTest, TheOldFilesModeIsKeptAndLinksAreWrittenThrough) {
  const fs::path target = existing();
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const fs::path link = dir() / "link.obj";
  fs::create_symlink(target, link);
  std::string why;
  ASSERT_TRUE(vex3d::writeFileAtomically(link.string(), "through", 7, why)) << why;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(contentOf(target), "through");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A disk that fills up in the middle of a write: the file size limit makes
// the write fail as a full disk would, in a child process.
TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFile) {
  const fs::path target = existing();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string big(1 << 20, 'x');
    std::string why;
    const bool written = vex3d::writeFileAtomically(target.string(), big.data(), big.size(), why);
    ::_exit(written ? 0 : (why.find("cannot write") != std::string::npos ? 3 : 4));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(contentOf(target), "old");
  EXPECT_EQ(entries(dir()), std::vector<std::string>{"model.obj"});
}

TEST_F(AtomicFileTest, AnInterruptedProgramLeavesNoTemporaryFile) {
  const fs::path target = existing();
  for (int sig : {SIGTERM, SIGINT, SIGXCPU}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      vex3d::removeTemporaryFilesOnSignals();
      vex3d::AtomicFile file;
      std::string why;
      if (!file.open(target.string(), why) || !file.write("partial", 7, why)) ::_exit(5);
      ::raise(sig);
      ::_exit(6);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
    EXPECT_EQ(contentOf(target), "old") << sig;
    EXPECT_EQ(entries(dir()), std::vector<std::string>{"model.obj"}) << sig;
  }
}

}  // namespace
