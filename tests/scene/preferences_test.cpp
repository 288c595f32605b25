#include "scene/preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "hostlib/files/profile.h"
#include "material/material_map.h"
#include "scoped_config_dir.h"
#include "shared/gl_view_settings.h"

namespace fs = std::filesystem;

namespace {

// Each test gets its own preferences folder in the build tree.
class PreferencesTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(m_dir); }

  // A folder holding (or not) the exchange program.
  std::string mayaFolder(const std::string& name, bool withProgram) {
    const fs::path folder = m_dir / name;
    fs::create_directories(folder);
    if (withProgram) std::ofstream(folder / vex3d::kMayaExchangeProgram) << "x";
    return folder.string() + "/";
  }

  vex3d::test::ScopedConfigDir m_config{"preferences_test"};
  const fs::path& m_dir = m_config.Path();
};

TEST_F(PreferencesTest, ViewSettingsFallBackToTheGeneralEntry) {
  C3DPreferences prefs;
  _GlViewSettings s;
  EXPECT_FALSE(prefs.GetDefaultGLViewSettings(s, 0x4F424A20));
  EXPECT_EQ(s.viewMode, 0x700784u);
  EXPECT_EQ(s.viewPos, 5u);
  EXPECT_EQ(s.mask, 0x18u);
  EXPECT_EQ(s.size, 152u);

  _GlViewSettings general;
  general.viewMode = 0x5;
  general.viewPos = 3;
  prefs.SetDefaultGLViewSettings(general, 0);
  EXPECT_TRUE(prefs.HasDefaultGLViewSettings(0));
  EXPECT_FALSE(prefs.HasDefaultGLViewSettings(0x4F424A20));
  _GlViewSettings got;
  EXPECT_TRUE(prefs.GetDefaultGLViewSettings(got, 0x4F424A20));
  EXPECT_EQ(got.viewMode, 0x5u);
  EXPECT_EQ(got.viewPos, 3u);
  EXPECT_EQ(got.mask, 0x18u);

  prefs.RemoveDefaultGLViewSettings(0);
  EXPECT_FALSE(prefs.GetDefaultGLViewSettings(got, 0x4F424A20));
}

TEST_F(PreferencesTest, CustomOrientationComesBackWithItsMaskBit) {
  C3DPreferences prefs;
  _GlViewSettings custom;
  custom.viewPos = kCustomViewPos;
  custom.rotation.InitRotation(0.7f, 1.0f, 2.0f, 3.0f);
  prefs.SetDefaultGLViewSettings(custom, 0x33445320);
  _GlViewSettings got;
  ASSERT_TRUE(prefs.GetDefaultGLViewSettings(got, 0x33445320));
  EXPECT_EQ(got.mask, 0x19u);
  EXPECT_TRUE(got.rotation == custom.rotation);

  std::uint8_t block[3] = {1, 2, 3};
  prefs.SetBinaryData(0x41424344, block, 3);
  std::uint8_t back[3] = {};
  EXPECT_TRUE(prefs.GetBinaryData(0x41424344, back, 3));
  EXPECT_EQ(back[2], 3);
  EXPECT_FALSE(prefs.GetBinaryData(0x41424345, back, 3));
}

TEST_F(PreferencesTest, SavedFileIsReadOnceByInit) {
  {
    C3DPreferences prefs;
    prefs.SetTexturePaths({"/textures", "maps"});
    prefs.SetLWPaths({"/lw"});
    _GlViewSettings s;
    s.viewPos = 2;
    prefs.SetDefaultGLViewSettings(s, 0);
    ASSERT_TRUE(prefs.Save());
  }
  C3DPreferences prefs;
  prefs.Init();
  EXPECT_TRUE(prefs.IsLoaded());
  EXPECT_EQ(prefs.GetTexturePaths(), (std::vector<std::string>{"/textures", "maps"}));
  EXPECT_EQ(prefs.GetLWPaths(), (std::vector<std::string>{"/lw"}));
  _GlViewSettings got;
  EXPECT_TRUE(prefs.GetDefaultGLViewSettings(got, 0));
  EXPECT_EQ(got.viewPos, 2u);

  // A second Init does not read the file again.
  fs::remove(C3DPreferences::GetPreferencesFile());
  prefs.Init();
  EXPECT_EQ(prefs.GetTexturePaths().size(), 2u);
}

TEST_F(PreferencesTest, DamagedFileLeavesEverythingEmpty) {
  std::ofstream(C3DPreferences::GetPreferencesFile(), std::ios::binary) << "VXPF garbage";
  C3DPreferences prefs;
  prefs.Init();
  EXPECT_TRUE(prefs.GetTexturePaths().empty());
  _GlViewSettings got;
  EXPECT_FALSE(prefs.GetDefaultGLViewSettings(got, 0));
}

TEST_F(PreferencesTest, MayaFolderFromTheProfileWhenTheProgramIsThere) {
  C3DPreferences prefs;
  int quits = 0;
  int dialogs = 0;
  prefs.SetMayaHooks({[&](const std::string&) { ++dialogs; }, [&] { ++quits; }});
  int found = -1;
  EXPECT_EQ(prefs.GetMayaPath(found, 0), "");
  EXPECT_EQ(found, 0);

  const std::string empty = mayaFolder("empty", false);
  CAppProfile::Get().WriteProfileString(vex3d::kMayaProfileSection, vex3d::kMayaProfileEntry,
                                        empty);
  EXPECT_EQ(prefs.GetMayaPath(found, 0), "");
  EXPECT_EQ(found, 0) << "the program is not in that folder";

  const std::string real = mayaFolder("maya", true);
  CAppProfile::Get().WriteProfileString(vex3d::kMayaProfileSection, vex3d::kMayaProfileEntry,
                                        real.substr(0, real.size() - 1));
  EXPECT_EQ(prefs.GetMayaPath(found, 0), real);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(quits, 1) << "storing a new folder stops a running server";
  EXPECT_EQ(dialogs, 0);

  // The same folder again changes nothing.
  prefs.SetMayaPath(real, 0, 0);
  EXPECT_EQ(quits, 1);
  // A folder without the program shows the information first.
  prefs.SetMayaPath(empty, 0, 0);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(quits, 2);
  EXPECT_EQ(prefs.GetMayaPath(found, 0), empty);
}

TEST_F(PreferencesTest, StaleBuildDateLooksTheFolderUpAgain) {
  // A folder stored by another build of the module.
  const std::string stored = mayaFolder("old", false);
  CCustomData record;
  record.SetString(0x4D415950, stored);        // 'MAYP'
  record.SetString(0x4D415944, "Mar 3 2001");  // 'MAYD'
  ASSERT_TRUE(record.SaveToPrefs(C3DPreferences::GetPreferencesFile(), 0x33445657, 0x50524546));
  const std::string real = mayaFolder("new", true);
  CAppProfile::Get().WriteProfileString(vex3d::kMayaProfileSection, vex3d::kMayaProfileEntry, real);

  C3DPreferences prefs;
  prefs.Init();
  int found = 0;
  EXPECT_EQ(prefs.GetMayaPath(found, 0), stored) << "without the date check";
  EXPECT_EQ(prefs.GetMayaPath(found, 1), real);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(prefs.GetMayaPath(found, 1), real) << "now stored under this build's date";
}

TEST_F(PreferencesTest, AccessorsMayRunOnSeveralThreads) {
  C3DPreferences prefs;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&prefs, t] {
      for (int i = 0; i < 200; ++i) {
        _GlViewSettings s;
        s.viewPos = static_cast<std::uint32_t>(1 + (i + t) % 6);
        prefs.SetDefaultGLViewSettings(s, static_cast<std::uint32_t>(t));
        const int value = i;
        prefs.SetBinaryData(0x100u + static_cast<std::uint32_t>(t), &value, sizeof value);
        _GlViewSettings got;
        prefs.GetDefaultGLViewSettings(got, static_cast<std::uint32_t>(t));
        prefs.SetLWPaths({std::to_string(i)});
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (std::uint32_t t = 0; t < 4; ++t) {
    int value = -1;
    EXPECT_TRUE(prefs.GetBinaryData(0x100u + t, &value, sizeof value));
    EXPECT_EQ(value, 199);
  }
}

}  // namespace

namespace {

TEST_F(PreferencesTest, TextureSearchUsesTheModulesFolders) {
  const fs::path textures = m_dir / "shared textures";
  fs::create_directories(textures);
  std::ofstream(textures / "wood.png") << "x";
  Get3DPreferences().SetTexturePaths({textures.string()});
  std::string found;
  EXPECT_TRUE(
      CMaterialMap::FindBitmap("C:\\elsewhere\\wood.png", found, (m_dir / "scene").string() + "/"));
  EXPECT_EQ(fs::path(found), textures / "wood.png");
  Get3DPreferences().SetTexturePaths({});
}

}  // namespace
