// What the command says of textures a file carries inside itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "apps/cli_run.h"
#include "plugins/glb_file.h"

namespace {

namespace fs = std::filesystem;
using cli_run::contains;

TEST(EmbeddedTextureCliTest, InfoListsTheImageAndConvertSaysWhereItWent) {
  const fs::path dir = cli_run::testDir();
  const fs::path glb = dir / "box.glb";
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(
      glb, vex3d::test::twoColourPng(4, 2, {0, 255, 0}, {0, 0, 255})));
  const cli_run::Run info = cli_run::vex3d("info " + glb.string());
  EXPECT_TRUE(contains(info.out, "(embedded, 4 x 2 pixels)")) << info.out;
  EXPECT_FALSE(contains(info.out + info.err, "missing")) << info.out << info.err;
  const cli_run::Run json = cli_run::vex3d("info --json " + glb.string());
  EXPECT_TRUE(contains(json.out, "\"embedded\": {\"width\": 4, \"height\": 2}")) << json.out;

  const cli_run::Run convert =
      cli_run::vex3d("convert " + glb.string() + " " + (dir / "box.obj").string());
  EXPECT_EQ(convert.status, 0) << convert.err;
  EXPECT_TRUE(contains(convert.out + convert.err,
                       "texture written: " + (dir / "box_texture0.png").string()))
      << convert.out << convert.err;
  EXPECT_TRUE(fs::exists(dir / "box_texture0.png"));
}

}  // namespace
