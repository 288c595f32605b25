#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "material/material_map.h"

namespace {

namespace fs = std::filesystem;

// Every candidate the search tries, in order; none is accepted unless it is
// `accept`.
std::vector<std::string> candidates(const std::string& name, const std::string& scene,
                                    const std::vector<std::string>& dirs,
                                    const std::string& accept = {}, std::string* found = nullptr) {
  std::vector<std::string> tried;
  const std::string result =
      vex3d::searchTextureCandidates(name, scene, dirs, [&](const std::string& c) {
        tried.push_back(c);
        return !accept.empty() && c == accept;
      });
  if (found != nullptr) *found = result;
  return tried;
}

using Seq = std::vector<std::string>;

TEST(TextureSearchOrder, AbsoluteWindowsNameMovesOntoTheSceneDriveBeforeTheSceneFolder) {
  std::string found;
  EXPECT_EQ(candidates("C:\\models\\tex\\wood.jpg", "D:\\scenes\\", {}, "D:\\models\\tex\\wood.jpg",
                       &found),
            (Seq{"C:\\models\\tex\\wood.jpg", "D:\\models\\tex\\wood.jpg"}));
  EXPECT_EQ(found, "D:\\models\\tex\\wood.jpg");
  // Nothing accepted: one pass only, the name being absolute.
  EXPECT_EQ(candidates("C:\\models\\tex\\wood.jpg", "D:\\scenes\\", {"E:\\tex\\", "tex\\"}),
            (Seq{"C:\\models\\tex\\wood.jpg", "D:\\models\\tex\\wood.jpg", "D:\\scenes\\wood.jpg",
                 "E:\\tex\\wood.jpg", "D:\\scenes\\tex\\wood.jpg"}));
}

TEST(TextureSearchOrder, RelativeNameWithFoldersThenBareNameInTheSecondPass) {
  EXPECT_EQ(candidates("maps\\wood.jpg", "D:\\scenes\\", {"E:\\tex\\", "tex\\"}),
            (Seq{// first pass: as written, in the scene folder, absolute directories only
                 "maps\\wood.jpg", "D:\\scenes\\maps\\wood.jpg", "E:\\tex\\maps\\wood.jpg",
                 // second pass: the bare file name everywhere
                 "maps\\wood.jpg", "D:\\scenes\\wood.jpg", "E:\\tex\\wood.jpg",
                 "D:\\scenes\\tex\\wood.jpg"}));
}

TEST(TextureSearchOrder, BareNamesPosixScenesAndFailedCanonicalisation) {
  // No folder: never tried as written.
  EXPECT_EQ(
      candidates("wood.jpg", "/home/u/scene/", {"/tex/"}),
      (Seq{"/home/u/scene/wood.jpg", "/tex/wood.jpg", "/home/u/scene/wood.jpg", "/tex/wood.jpg"}));
  // ".." above the root cannot be canonicalised: the relative pass skips the
  // candidate, the bare-name pass uses the directory as written.
  EXPECT_EQ(candidates("../../../a/wood.jpg", "/s/", {"/t/", "../../../../"}),
            (Seq{"../../../a/wood.jpg", "../../../a/wood.jpg", "/s/wood.jpg", "/t/wood.jpg",
                 "../../../../wood.jpg"}));
  // Windows names under a POSIX scene: the drive's folder goes onto "/".
  EXPECT_EQ(candidates("C:\\m\\wood.jpg", "/s/", {}),
            (Seq{"C:\\m\\wood.jpg", "/\\m\\wood.jpg", "/s/wood.jpg"}));
}

TEST(TextureSearchOrder, Canonicalisation) {
  std::string out = "unchanged";
  EXPECT_FALSE(vex3d::canonicalizePath("", out));
  EXPECT_FALSE(vex3d::canonicalizePath("/a/../../b", out));
  EXPECT_FALSE(vex3d::canonicalizePath("C:\\..\\b", out));
  EXPECT_EQ(out, "unchanged");
  ASSERT_TRUE(vex3d::canonicalizePath("D:\\scenes\\.\\x\\..\\maps\\wood.jpg", out));
  EXPECT_EQ(out, "D:\\scenes\\maps\\wood.jpg");
  ASSERT_TRUE(vex3d::canonicalizePath("/s/scene/../tex/", out));
  EXPECT_EQ(out, "/s/tex/");
  ASSERT_TRUE(vex3d::canonicalizePath("/s//maps\\wood.jpg", out));
  EXPECT_EQ(out, "/s/maps/wood.jpg");
  ASSERT_TRUE(vex3d::canonicalizePath("../a/./b/../c", out));
  EXPECT_EQ(out, "../a/c");
  ASSERT_TRUE(vex3d::canonicalizePath("\\\\server\\share\\a\\..\\b.png", out));
  EXPECT_EQ(out, "\\\\server\\share\\b.png");
}

// A tree of files under the build folder:
//   <root>/scene/            the scene's folder
//   <root>/textures/         an absolute texture directory
class TextureSearchFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_root = fs::path(VEX3D_TEST_BINARY_DIR) / "material-test-tmp" / info->name();
    fs::remove_all(m_root);
    fs::create_directories(m_root / "scene");
    fs::create_directories(m_root / "textures");
    m_scene = (m_root / "scene").string() + "/";
    m_textures = (m_root / "textures").string() + "/";
  }
  void TearDown() override { fs::remove_all(m_root); }

  void touch(const std::string& relative) {
    const fs::path p = m_root / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  std::string find(const std::string& name, const std::vector<std::string>& dirs) {
    std::string found = "none";
    CMaterialMap::FindBitmap(name, found, m_scene, dirs);
    return found;
  }

  fs::path m_root;
  std::string m_scene;
  std::string m_textures;
};

TEST_F(TextureSearchFiles, FirstExistingCandidateWins) {
  // Each case starts from an empty tree; `""` in dirs stands for m_textures.
  struct Case {
    std::vector<std::string> files;
    std::string name;
    std::vector<std::string> dirs;
    std::string expected;  // a leading @ stands for m_root
  };
  const Case cases[] = {
      // A relative name as written resolves against the scene folder.
      {{"scene/maps/wood.ppm"}, "maps\\wood.ppm", {""}, "maps/wood.ppm"},
      {{"scene/wood.ppm", "textures/wood.ppm"},
       "C:\\models\\tex\\wood.ppm",
       {""},
       "@/scene/wood.ppm"},
      {{"textures/wood.ppm"}, "/nonexistent-vex3d/tex/wood.ppm", {""}, "@/textures/wood.ppm"},
      // A relative texture directory is taken from the scene folder.
      {{"textures/wood.ppm"}, "C:\\x\\wood.ppm", {"../textures/"}, "@/textures/wood.ppm"},
      {{"textures/maps/wood.ppm", "textures/wood.ppm"},
       "maps\\wood.ppm",
       {"../textures/", ""},
       "@/textures/maps/wood.ppm"},
      // The second pass finds the bare name, the scene folder first.
      {{"textures/wood.ppm"}, "maps\\sub\\wood.ppm", {""}, "@/textures/wood.ppm"},
      {{"textures/wood.ppm", "scene/wood.ppm"}, "maps\\sub\\wood.ppm", {""}, "@/scene/wood.ppm"},
      // A case-insensitive match in the scene folder comes last.
      {{"scene/Wood.PPM"}, "C:\\x\\WOOD.ppm", {}, "@/scene/Wood.PPM"},
      {{"scene/Wood.PPM"}, "maps\\wood.ppm", {}, "@/scene/Wood.PPM"},
      {{"scene/Wood.PPM", "textures/WOOD.ppm"}, "C:\\x\\WOOD.ppm", {""}, "@/textures/WOOD.ppm"},
  };
  for (const Case& c : cases) {
    fs::remove_all(m_root);
    fs::create_directories(m_root / "scene");
    fs::create_directories(m_root / "textures");
    for (const std::string& f : c.files) touch(f);
    std::vector<std::string> dirs = c.dirs;
    for (std::string& d : dirs) {
      if (d.empty()) d = m_textures;
    }
    std::string expected = c.expected;
    if (expected.starts_with('@')) expected.replace(0, 1, m_root.string());
    EXPECT_EQ(find(c.name, dirs), expected) << c.name;
  }
}

TEST_F(TextureSearchFiles, FailureLeavesTheFoundPathAndTheCurrentDirectory) {
  fs::create_directories(m_root / "scene" / "wood.ppm");  // a folder, not a file
  const fs::path before = fs::current_path();
  std::string found = "keep";
  EXPECT_FALSE(CMaterialMap::FindBitmap("C:\\a\\wood.ppm", found, m_scene, {m_textures}));
  EXPECT_EQ(found, "keep");
  EXPECT_EQ(fs::current_path(), before);
  touch("textures/wood.ppm");
  EXPECT_TRUE(CMaterialMap::FindBitmap("C:\\a\\wood.ppm", found, m_scene, {m_textures}));
  EXPECT_EQ(fs::current_path(), before);
}

TEST_F(TextureSearchFiles, TextureDirectoriesComeFromTheInstalledProvider) {
  touch("textures/wood.ppm");
  std::string found;
  vex3d::setTexturePathsProvider(nullptr);
  EXPECT_FALSE(CMaterialMap::FindBitmap("wood.ppm", found, m_scene));
  vex3d::setTexturePathsProvider([this] { return std::vector<std::string>{m_textures}; });
  EXPECT_TRUE(CMaterialMap::FindBitmap("wood.ppm", found, m_scene));
  EXPECT_EQ(found, m_textures + "wood.ppm");
  vex3d::setTexturePathsProvider(nullptr);
}

}  // namespace
