#include "io/module.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/files/profile.h"
#include "hostlib/io/plugin_loader.h"
#include "mesh/model/base_object.h"
#include "scene/scene.h"
#include "scoped_config_dir.h"

namespace {

bool preferencesSaved(const vex3d::test::ScopedConfigDir& dir) {
  return std::filesystem::exists(dir.Path() / "3dprefs.prefs");
}

TEST(ModuleTest, OnlyTheFirstStartAndTheLastStopDoTheWork) {
  vex3d::test::ScopedConfigDir dir("module");
  ::setenv("VEX3D_PLUGIN_PATH", dir.Path().c_str(), 1);
  Init3DVex(0);
  Init3DVex(0);
  EXPECT_EQ(vex3d::moduleStartCount(), 2);
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kPluginKind3D), 1);
  EXPECT_EQ(CCommandMgr::GetGroupName(vex3d::kCommandGroup3D), "3D commands");
  EXPECT_EQ(CCommandMgr::GetCategories().size(), 7u);
  EXPECT_EQ(CCommandMgr::GetCategoryName(0x504F5657), "Point of View");

  Close3DVex(0);
  EXPECT_FALSE(preferencesSaved(dir));
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kPluginKind3D), 1);
  Close3DVex(0);
  EXPECT_TRUE(preferencesSaved(dir));
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kPluginKind3D), 0);
  Close3DVex(0);
  EXPECT_EQ(vex3d::moduleStartCount(), 0) << "an unmatched stop does not go negative";
  ::unsetenv("VEX3D_PLUGIN_PATH");
}

TEST(ModuleTest, LightStartRegistersNothingButLoadsSettings) {
  vex3d::test::ScopedConfigDir dir("module");
  CAppProfile::Get().WriteProfileInt("Render", "patchlevel", 3);
  CAppProfile::Get().WriteProfileInt("Render", "smooth", 45);
  Init3DVex(VEX3D_START_LIGHT);
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kPluginKind3D), 0);
  EXPECT_EQ(GetGlobalPatchLevel(), 3u);
  EXPECT_NEAR(vex3d::globalSmoothAngle(), 45.0f * 3.1415927f / 180.0f, 1e-6f);
  Close3DVex(0);
  EXPECT_TRUE(preferencesSaved(dir));
}

TEST(ModuleTest, StopCanKeepThePlugIns) {
  vex3d::test::ScopedConfigDir dir("module");
  ::setenv("VEX3D_PLUGIN_PATH", dir.Path().c_str(), 1);
  Init3DVex(0);
  Close3DVex(VEX3D_STOP_KEEP_PLUGINS);
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kPluginKind3D), 1);
  FreeIOPlugins(vex3d::kPluginKind3D);
  ::unsetenv("VEX3D_PLUGIN_PATH");
}

TEST(ModuleTest, ResourceHandleIsTheLoadedModule) {
  void* handle = Vex3DResourceHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle, Vex3DResourceHandle());
}

}  // namespace
