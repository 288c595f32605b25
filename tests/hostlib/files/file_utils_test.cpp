#include "hostlib/files/file_utils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "hostlib/text/strings.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder under the build tree for each test.
class FileUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::path(VEX3D_TEST_BINARY_DIR) / "file_utils_test" / test->name();
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_dir = fs::canonical(m_dir);
    m_startDir = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(m_startDir);
    fs::remove_all(m_dir);
  }
  std::string path(const std::string& name) const { return (m_dir / name).string(); }
  void touch(const std::string& name) const { std::ofstream(m_dir / name) << "x"; }

  fs::path m_dir;
  fs::path m_startDir;
};

TEST_F(FileUtilsTest, FileExistsOnlyForFiles) {
  touch("a.txt");
  fs::create_directory(m_dir / "sub");
  fs::create_symlink(m_dir / "a.txt", m_dir / "link");
  fs::create_symlink(m_dir / "gone", m_dir / "dangling");
  EXPECT_TRUE(fileExists(path("a.txt")));
  EXPECT_TRUE(fileExists(path("link")));
  EXPECT_FALSE(fileExists(path("dangling")));
  EXPECT_FALSE(fileExists(path("sub")));
  EXPECT_FALSE(fileExists(path("missing")));
  EXPECT_FALSE(fileExists(""));
  EXPECT_TRUE(vex3d::folderExists(path("sub")));
  EXPECT_FALSE(vex3d::folderExists(path("a.txt")));
}

TEST(FileStripPath, KeepsOrDropsTheExtension) {
  EXPECT_EQ(fileStripPath(R"(C:\scenes\car.3ds)", 0), "car.3ds");
  EXPECT_EQ(fileStripPath(R"(C:\scenes\car.3ds)", 1), "car");
  EXPECT_EQ(fileStripPath("/home/u/a.tar.gz", 0), "a.tar.gz");
  EXPECT_EQ(fileStripPath("/home/u/a.tar.gz", 1), "a.tar");
  EXPECT_EQ(fileStripPath("plain"), "plain");
  EXPECT_EQ(fileStripPath("/home/u/", 0), "");
  EXPECT_EQ(fileStripPath(".hidden", 1), ".hidden");
}

struct Relative {
  const char* path;
  const char* base;
  const char* expected;
};

class MakeRelative : public testing::TestWithParam<Relative> {};

TEST_P(MakeRelative, Cases) {
  const Relative& x = GetParam();
  EXPECT_EQ(fileMakeRelativePath(x.path, x.base), x.expected) << x.path << " from " << x.base;
}

INSTANTIATE_TEST_SUITE_P(
    Posix, MakeRelative,
    testing::Values(Relative{"/home/u/scenes/tex/a.png", "/home/u/scenes/", "tex/a.png"},
                    Relative{"/home/u/scenes/tex/a.png", "/home/u/scenes", "tex/a.png"},
                    Relative{"/home/u/scenes/a.png", "/home/u/scenes/", "a.png"},
                    Relative{"/home/u/tex/a.png", "/home/u/scenes/", "../tex/a.png"},
                    Relative{"/home/u/tex/a.png", "/home/u/scenes/deep/er/", "../../../tex/a.png"},
                    Relative{"/home/u/./x/../tex/a.png", "/home/u/scenes/", "../tex/a.png"},
                    Relative{"/home/u/tex/", "/home/u/scenes/", "../tex/"},
                    Relative{"/home/u/scenes/", "/home/u/scenes/", "./"},
                    Relative{"/home/u/scenes", "/home/u/scenes/", "."},
                    // Case matters on POSIX names.
                    Relative{"/Home/u/a.png", "/home/u/", "/Home/u/a.png"},
                    // Nothing shared below the root: stays absolute.
                    Relative{"/usr/share/tex/a.png", "/home/u/scenes/", "/usr/share/tex/a.png"},
                    // Already relative, or relative base.
                    Relative{"tex/a.png", "/home/u/", "tex/a.png"},
                    Relative{"/home/u/a.png", "scenes/", "/home/u/a.png"}));

INSTANTIATE_TEST_SUITE_P(
    Windows, MakeRelative,
    testing::Values(
        Relative{R"(D:\scenes\tex\wood.jpg)", R"(D:\scenes\)", R"(tex\wood.jpg)"},
        Relative{R"(D:\models\tex\wood.jpg)", R"(d:\Models\scenes\)", R"(..\tex\wood.jpg)"},
        Relative{R"(C:\models\wood.jpg)", R"(D:\models\)", R"(C:\models\wood.jpg)"},
        Relative{R"(\\srv\shr\lib\a.png)", R"(\\SRV\shr\lib\scene\)", R"(..\a.png)"},
        Relative{R"(\\srv\other\lib\a.png)", R"(\\srv\shr\lib\)", R"(\\srv\other\lib\a.png)"},
        // A drive-relative name cannot be placed.
        Relative{R"(D:scenes\a.png)", R"(D:\scenes\)", R"(D:scenes\a.png)"},
        // A drive is not the POSIX root.
        Relative{R"(C:\home\a.png)", "/home/", R"(C:\home\a.png)"},
        Relative{"D:/scenes/tex/a.png", R"(D:\scenes\)", "tex/a.png"}));

TEST_F(FileUtilsTest, PushAndPopRestoreTheCurrentDirectory) {
  fs::create_directories(m_dir / "a" / "b");
  const fs::path start = fs::current_path();
  ASSERT_TRUE(filePushCurrentDirectory(path("a")));
  EXPECT_EQ(fs::current_path(), m_dir / "a");
  ASSERT_TRUE(filePushCurrentDirectory("b"));  // relative to the pushed folder
  EXPECT_EQ(fs::current_path(), m_dir / "a" / "b");
  EXPECT_TRUE(filePopCurrentDirectory());
  EXPECT_EQ(fs::current_path(), m_dir / "a");
  EXPECT_TRUE(filePopCurrentDirectory());
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_FALSE(filePopCurrentDirectory());
  EXPECT_EQ(fs::current_path(), start);
}

TEST_F(FileUtilsTest, FailedPushPushesNothing) {
  fs::create_directories(m_dir / "a");
  touch("file");
  ASSERT_TRUE(filePushCurrentDirectory(path("a")));
  EXPECT_FALSE(filePushCurrentDirectory(path("missing")));
  EXPECT_FALSE(filePushCurrentDirectory(path("file")));
  EXPECT_FALSE(filePushCurrentDirectory(""));
  EXPECT_EQ(fs::current_path(), m_dir / "a");
  // The one pop matches the one successful push.
  EXPECT_TRUE(filePopCurrentDirectory());
  EXPECT_EQ(fs::current_path(), m_startDir);
  EXPECT_FALSE(filePopCurrentDirectory());
}

TEST_F(FileUtilsTest, PopReturnsToARenamedDirectory) {
  fs::create_directories(m_dir / "old");
  fs::create_directories(m_dir / "other");
  ASSERT_TRUE(filePushCurrentDirectory(path("old")));
  ASSERT_TRUE(filePushCurrentDirectory(path("other")));
  fs::rename(m_dir / "old", m_dir / "new");
  EXPECT_TRUE(filePopCurrentDirectory());
  EXPECT_EQ(fs::current_path(), m_dir / "new");
  EXPECT_TRUE(filePopCurrentDirectory());
}

TEST_F(FileUtilsTest, ScopePopsOnlyAfterASuccessfulPush) {
  fs::create_directories(m_dir / "a");
  {
    const vex3d::CurrentDirectoryScope outer(path("a"));
    EXPECT_TRUE(outer.isPushed());
    {
      const vex3d::CurrentDirectoryScope inner(path("missing"));
      EXPECT_FALSE(inner.isPushed());
    }
    EXPECT_EQ(fs::current_path(), m_dir / "a");
  }
  EXPECT_EQ(fs::current_path(), m_startDir);
  EXPECT_FALSE(filePopCurrentDirectory());
}

TEST_F(FileUtilsTest, SameDirIgnoresTrailingSeparatorsAndFollowsLinks) {
  fs::create_directories(m_dir / "real" / "sub");
  fs::create_directory_symlink(m_dir / "real", m_dir / "alias");
  EXPECT_TRUE(fileIsSameDir(path("real"), path("real") + "/"));
  EXPECT_TRUE(fileIsSameDir(path("real") + "//", path("real")));
  EXPECT_TRUE(fileIsSameDir(path("alias"), path("real")));
  EXPECT_TRUE(fileIsSameDir(path("alias/"), path("real/sub/..")));
  EXPECT_TRUE(fileIsSameDir(path("real/./sub"), path("alias/sub/")));
  EXPECT_FALSE(fileIsSameDir(path("real"), path("real/sub")));
  EXPECT_FALSE(fileIsSameDir(path("real"), ""));
  EXPECT_FALSE(fileIsSameDir("", ""));

  // Relative names resolve against the current directory.
  const vex3d::CurrentDirectoryScope cd(m_dir.string());
  EXPECT_TRUE(fileIsSameDir("real", path("alias")));
  EXPECT_TRUE(fileIsSameDir("./real/", "alias"));
}

TEST_F(FileUtilsTest, SameDirOfMissingFoldersComparesNormalisedPaths) {
  fs::create_directories(m_dir / "real");
  fs::create_directory_symlink(m_dir / "real", m_dir / "alias");
  EXPECT_TRUE(fileIsSameDir(path("gone/x/"), path("gone/y/../x")));
  EXPECT_TRUE(fileIsSameDir(path("alias/new"), path("real/new/")));
  EXPECT_FALSE(fileIsSameDir(path("gone/x"), path("gone/y")));
  EXPECT_FALSE(fileIsSameDir(path("real"), path("gone")));
}

// The C library answers in the locale nobody set in this process: what a
// file error says must follow the interface language instead.
TEST(SystemErrorText, SpeaksTheInterfaceLanguage) {
  const vex3d::Language saved = vex3d::currentStringLanguage();
  vex3d::setStringLanguage(vex3d::Language::English);
  EXPECT_EQ(vex3d::systemErrorText(EACCES), "permission denied");
  EXPECT_EQ(vex3d::systemErrorText(ENOENT), "does not exist");
  EXPECT_EQ(vex3d::systemErrorText(EXDEV), "system error " + std::to_string(EXDEV));
  vex3d::setStringLanguage(vex3d::Language::French);
  EXPECT_EQ(vex3d::systemErrorText(ENOSPC), "plus de place sur le périphérique");
  std::string why;
  EXPECT_FALSE(vex3d::fileCanBeWritten("/nonexistent-folder/x.obj", why));
  EXPECT_EQ(why,
            "impossible d'écrire /nonexistent-folder/x.obj : le dossier /nonexistent-folder "
            "n'existe pas");
  vex3d::setStringLanguage(saved);
}

}  // namespace
