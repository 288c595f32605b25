#include "hostlib/files/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "hostlib/files/file_io.h"
#include "scoped_config_dir.h"

namespace fs = std::filesystem;

namespace {

class ProfileTest : public testing::Test {
 protected:
  vex3d::test::ScopedConfigDir m_config{"profile_test"};
  const fs::path& m_dir = m_config.Path();

  fs::path file() const { return m_dir / "vex3d.ini"; }
  std::string contents() const {
    std::vector<std::uint8_t> bytes;
    vex3d::readWholeFile(file().string(), bytes);
    return std::string(bytes.begin(), bytes.end());
  }
  void overwrite(const std::string& text) const {
    fs::create_directories(m_dir);
    std::ofstream(file(), std::ios::binary) << text;
  }
};

TEST_F(ProfileTest, MissingFolderGivesDefaults) {
  EXPECT_FALSE(fs::exists(m_dir));
  EXPECT_EQ(GetProfileInt("Render", "viewmode", 0x700784), 0x700784);
  EXPECT_EQ(GetProfileInt("Render", "glpixelformat", -1), -1);
  EXPECT_EQ(GetProfileString("Render", "name", "none"), "none");
  EXPECT_FALSE(fs::exists(m_dir));  // reading creates nothing
  EXPECT_EQ(CAppProfile::Get().GetFilePath(), (m_dir / "vex3d.ini").string());
}

TEST_F(ProfileTest, RoundTripCreatesTheFolder) {
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  ASSERT_TRUE(WriteProfileInt("Render", "glpixelformat", -1));
  ASSERT_TRUE(WriteProfileInt("Render", "lightcolor", 0xC0C0C0));
  ASSERT_TRUE(WriteProfileInt("Render", "min", INT32_MIN));
  ASSERT_TRUE(WriteProfileInt("Other", "version", 7));
  ASSERT_TRUE(WriteProfileString("Paths", "maya", "/opt/maya dir/bin/"));
  ASSERT_TRUE(WriteProfileString("Paths", "spaced", "  two blanks  "));
  ASSERT_TRUE(WriteProfileString("Paths", "quoted", "\"q\""));
  ASSERT_TRUE(WriteProfileString("Paths", "empty", ""));
  ASSERT_TRUE(WriteProfileString("Paths", "utf8", "Modèles 3D ✓"));

  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
  EXPECT_EQ(GetProfileInt("Render", "glpixelformat", 0), -1);
  EXPECT_EQ(GetProfileInt("Render", "lightcolor", 0), 0xC0C0C0);
  EXPECT_EQ(GetProfileInt("Render", "min", 0), INT32_MIN);
  EXPECT_EQ(GetProfileInt("Other", "version", 0), 7);
  EXPECT_EQ(GetProfileString("Paths", "maya"), "/opt/maya dir/bin/");
  EXPECT_EQ(GetProfileString("Paths", "spaced"), "  two blanks  ");
  EXPECT_EQ(GetProfileString("Paths", "quoted"), "\"q\"");
  EXPECT_EQ(GetProfileString("Paths", "empty", "default"), "");
  EXPECT_EQ(GetProfileString("Paths", "utf8"), "Modèles 3D ✓");
}

TEST_F(ProfileTest, NamesIgnoreCaseAndRewritesKeepOneEntry) {
  ASSERT_TRUE(WriteProfileInt("Render", "ViewMode", 1));
  ASSERT_TRUE(WriteProfileInt("RENDER", "viewmode", 5));
  EXPECT_EQ(GetProfileInt("render", "VIEWMODE", 0), 5);
  EXPECT_EQ(contents(), "[Render]\nViewMode=5\n");
}

TEST_F(ProfileTest, FileLayoutIsPlainIni) {
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  ASSERT_TRUE(WriteProfileInt("Render", "viewpos", 5));
  ASSERT_TRUE(WriteProfileString("Paths", "tex", "a b"));
  EXPECT_EQ(contents(), "[Render]\nversion=2\nviewpos=5\n\n[Paths]\ntex=a b\n");
}

TEST_F(ProfileTest, HandWrittenIntegers) {
  overwrite(
      "[Render]\n"
      "a = 12 \r\n"
      "b=0xC0C0C0\n"
      "c=4294967295\n"
      "d=+7\n"
      "e=12abc\n"
      "f=4294967296\n"
      "g=\n"
      "h=-2147483649\n"
      "i=+-3\n");
  EXPECT_EQ(GetProfileInt("Render", "a", 0), 12);
  EXPECT_EQ(GetProfileInt("Render", "b", 0), 0xC0C0C0);
  EXPECT_EQ(GetProfileInt("Render", "c", 0), -1);  // same bits as 0xFFFFFFFF
  EXPECT_EQ(GetProfileInt("Render", "d", 0), 7);
  EXPECT_EQ(GetProfileInt("Render", "e", 99), 99);
  EXPECT_EQ(GetProfileInt("Render", "f", 99), 99);
  EXPECT_EQ(GetProfileInt("Render", "g", 99), 99);
  EXPECT_EQ(GetProfileInt("Render", "h", 99), 99);
  EXPECT_EQ(GetProfileInt("Render", "i", 99), 99);
}

TEST_F(ProfileTest, TruncatedFileKeepsWhatCanBeRead) {
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  ASSERT_TRUE(WriteProfileInt("Render", "backgroundcolor", 255));
  ASSERT_TRUE(WriteProfileInt("View", "leftpane", 300));
  const std::string full = contents();
  // Cut inside the last section's header.
  overwrite(full.substr(0, full.find("[View") + 3));
  EXPECT_EQ(GetProfileInt("Render", "backgroundcolor", 0), 255);
  EXPECT_EQ(GetProfileInt("View", "leftpane", 250), 250);
  ASSERT_TRUE(WriteProfileInt("View", "leftpane", 280));
  EXPECT_EQ(contents(), "[Render]\nversion=2\nbackgroundcolor=255\n\n[View]\nleftpane=280\n");
}

TEST_F(ProfileTest, GarbageIsSkippedAndCleanedByTheNextWrite) {
  overwrite(std::string("\xEF\xBB\xBF[Render]\n"
                        "version=2\n"
                        "\x01\x02\xff\xfe binary junk\n"
                        "bad\xC3 utf8=1\n"
                        "no equals sign\n"
                        "=novalue\n"
                        "version=3\n"  // duplicate: the first one counts
                        "[broken\n"
                        "lost=1\n"  // under a broken header: no section
                        "[Render]\n"
                        "smooth=45\n"
                        "; comment\n") +
            std::string("nul\0byte=1\n", 11));
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
  EXPECT_EQ(GetProfileInt("Render", "smooth", 0), 45);
  EXPECT_EQ(GetProfileInt("broken", "lost", -5), -5);
  ASSERT_TRUE(WriteProfileInt("Render", "patchlevel", 2));
  EXPECT_EQ(contents(), "[Render]\nversion=2\nsmooth=45\npatchlevel=2\n");
}

TEST_F(ProfileTest, RandomBytesNeverCrash) {
  std::string bytes;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes += static_cast<char>(seed >> 24);
  }
  overwrite(bytes);
  EXPECT_EQ(GetProfileInt("Render", "viewmode", 0x700784), 0x700784);
  ASSERT_TRUE(WriteProfileInt("Render", "viewmode", 3));
  EXPECT_EQ(GetProfileInt("Render", "viewmode", 0), 3);
}

TEST_F(ProfileTest, OversizedFileReadsAsEmpty) {
  overwrite("[Render]\nversion=2\n" + std::string(2u << 20, ' '));
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 0);
}

TEST_F(ProfileTest, WritesAreAtomicAndLeaveNoTemporaryFile) {
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(WriteProfileInt("Render", "n", i));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"vex3d.ini"});
}

TEST_F(ProfileTest, UnreadableFileIsNotWrittenOver) {
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  fs::permissions(file(), fs::perms::none);
  if (std::ifstream(file()).is_open()) {
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
    GTEST_SKIP() << "permissions are not enforced for this user";
  }
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 0);
  EXPECT_FALSE(WriteProfileInt("Render", "viewpos", 5));
  fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
}

TEST_F(ProfileTest, InvalidNamesAndValuesAreRefused) {
  EXPECT_FALSE(WriteProfileInt("", "x", 1));
  EXPECT_FALSE(WriteProfileInt("Re]nder", "x", 1));
  EXPECT_FALSE(WriteProfileInt(" Render", "x", 1));
  EXPECT_FALSE(WriteProfileInt("Render", "", 1));
  EXPECT_FALSE(WriteProfileInt("Render", "a=b", 1));
  EXPECT_FALSE(WriteProfileInt("Render", ";x", 1));
  EXPECT_FALSE(WriteProfileString("Render", "x", "two\nlines"));
  EXPECT_FALSE(WriteProfileString("Render", "x", "bad\xC3"));
  EXPECT_FALSE(fs::exists(file()));
  EXPECT_EQ(GetProfileInt("Render", "a=b", 4), 4);
}

TEST_F(ProfileTest, DeleteEntry) {
  ASSERT_TRUE(WriteProfileInt("Render", "a", 1));
  ASSERT_TRUE(WriteProfileInt("Other", "b", 2));
  EXPECT_TRUE(CAppProfile::Get().DeleteProfileEntry("render", "A"));
  EXPECT_TRUE(CAppProfile::Get().DeleteProfileEntry("Render", "never"));
  EXPECT_EQ(GetProfileInt("Render", "a", -1), -1);
  EXPECT_EQ(contents(), "[Other]\nb=2\n");
}

TEST_F(ProfileTest, FollowsTheConfigurationFolder) {
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  const fs::path second = m_dir / "second";
  ::setenv("VEX3D_CONFIG_DIR", second.c_str(), 1);
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 0);
  ASSERT_TRUE(WriteProfileInt("Render", "version", 9));
  EXPECT_TRUE(fs::exists(second / "vex3d.ini"));
  ::setenv("VEX3D_CONFIG_DIR", m_dir.c_str(), 1);
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
}

TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kWrites; ++i)
        WriteProfileInt("T" + std::to_string(t), "e" + std::to_string(i), t * 1000 + i);
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(GetProfileInt("T" + std::to_string(t), "e" + std::to_string(i), -1), t * 1000 + i);
}

}  // namespace

namespace {

// Two programs (two viewers, a viewer and a script) share one profile.
TEST_F(ProfileTest, ConcurrentProcessesLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kWrites = 20;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        ok = WriteProfileInt("P" + std::to_string(p), "e" + std::to_string(i), p * 1000 + i) && ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p)
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(GetProfileInt("P" + std::to_string(p), "e" + std::to_string(i), -1), p * 1000 + i);
}

TEST_F(ProfileTest, AWriteKeepsTheFilesModeAndLink) {
  // The user keeps the profile elsewhere (a dotfiles folder) behind a link,
  // readable by nobody else.
  const fs::path real = m_dir / "dotfiles" / "vex3d.ini";
  fs::create_directories(real.parent_path());
  std::ofstream(real) << "[Render]\nversion=1\n";
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  fs::create_symlink(real, file());
  ASSERT_TRUE(WriteProfileInt("Render", "version", 2));
  EXPECT_TRUE(fs::is_symlink(file()));
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
