// The bundled sample scenes load, hold what their generator put in them and
// store back to the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/files/file_io.h"
#include "material/material.h"
#include "material/material_map.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "scene/scene.h"
#include "scene/scene_file.h"

namespace {

std::string sample(const char* name) {
  return std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + name;
}

void expectSameBytesAgain(const char* name, C3DScene& scene) {
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(vex3d::readWholeFile(sample(name), file));
  std::vector<std::uint8_t> again;
  {
    CArchive ar(again, CArchive::store);
    scene.Serialize(ar);
  }
  ASSERT_GE(file.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 8, file.end()), again) << name;
}

TEST(SamplesTest, TexturedCube) {
  C3DScene scene;
  std::string error;
  ASSERT_TRUE(vex3d::loadSceneFile(sample("textured_cube.v3d"), scene, error)) << error;
  C3DSceneNode* cube = scene.GetFirstNode();
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->GetName(), "cube");
  EXPECT_EQ(cube->GetObject()->GetFaceNbr(), 6);
  EXPECT_EQ(cube->GetObject()->GetChannels()->GetChannelsNumber(CHANNEL_UVW, 1), 1);
  C3DMaterial* material = scene.GetMaterial(1);
  ASSERT_NE(material, nullptr);
  ASSERT_NE(material->GetDiffuseMaps(), nullptr);
  EXPECT_EQ(material->GetDiffuseMaps()->GetFileName(), "textures/checker.png");
  CArrayID<std::string> files;
  EXPECT_EQ(scene.GetLinkedFiles(files), 1);
  expectSameBytesAgain("textured_cube.v3d", scene);
}

TEST(SamplesTest, AnimatedGroups) {
  C3DScene scene;
  std::string error;
  ASSERT_TRUE(vex3d::loadSceneFile(sample("animated_groups.v3d"), scene, error)) << error;
  EXPECT_EQ(scene.GetNodeNbr(0), 4);
  EXPECT_EQ(scene.GetNodeNbr(1), 2);
  EXPECT_EQ(scene.GetTimeRange().GetEnd(), 100);
  // At time 100 the arm has turned a quarter and the forearm moved to 3.
  C3DSceneNode* hand = scene.GetChildNode(scene.GetChildNode(scene.GetFirstNode()));
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(hand->GetName(), "hand");
  C4x4Matrix world;
  hand->GetNodeTM(100, world, 1);
  const C3DPoint origin = C3DPoint(0, 0, 0) * world;
  EXPECT_NEAR(origin.x * origin.x + origin.y * origin.y, 9.0f, 1e-4f);
  EXPECT_NEAR(origin.x, 0.0f, 1e-4f);
  expectSameBytesAgain("animated_groups.v3d", scene);
}

TEST(SamplesTest, ColoredQuads) {
  C3DScene scene;
  std::string error;
  ASSERT_TRUE(vex3d::loadSceneFile(sample("colored_quads.v3d"), scene, error)) << error;
  C3DBaseObject* mesh = scene.GetFirstNode()->GetObject();
  EXPECT_EQ(mesh->GetFaceNbr(), 16);
  EXPECT_EQ(mesh->GetChannels()->GetChannelsNumber(CHANNEL_VC, 1), 1);
  expectSameBytesAgain("colored_quads.v3d", scene);
}

TEST(SamplesTest, SceneFilesRefuseWhatIsNotOne) {
  C3DScene scene;
  std::string error;
  EXPECT_FALSE(vex3d::loadSceneFile(sample("cube.obj"), scene, error));
  EXPECT_NE(error.find("not a scene file"), std::string::npos);
  EXPECT_FALSE(vex3d::loadSceneFile(sample("missing.v3d"), scene, error));
}

}  // namespace
