#include <gtest/gtest.h>

#include <filesystem>

#include "broken_inputs.h"
#include "corner_values.h"
#include "material/material.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"
#include "native_format_fixture.h"
#include "plugin_scenes.h"

namespace {

using vex3d::test::cornerValues;
using vex3d::test::NativeFormatTest;

// Positions and texture coordinates only: OBJ keeps no per-corner colour.
std::vector<std::vector<vex3d::test::Corner>> shapeAndUV(const C3DObject& object) {
  auto faces = cornerValues(object);
  for (auto& face : faces) {
    for (auto& corner : face) corner.color = {};
  }
  return faces;
}

class ObjTest : public NativeFormatTest {};

TEST_F(ObjTest, ReadsTheBundledCubeWithItsMaterialAndTexture) {
  std::string error;
  CSceneImportOptions options;
  std::unique_ptr<C3DScene> scene =
      read(std::string(VEX3D_TEST_DATA_DIR) + "/samples/cube.obj", &error, &options);
  ASSERT_TRUE(scene) << error;
  const auto nodes = meshNodes(*scene);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0]->GetName(), "Cube");
  C3DObject* cube = *nodes[0]->GetObject();
  EXPECT_EQ(cube->GetPointNbr(), 8);
  ASSERT_EQ(cube->GetFaceNbr(), 6);
  CUVWChannel* uv = cube->GetChannels()->GetUVWChannelByIndex(0, 1);
  ASSERT_NE(uv, nullptr);
  EXPECT_EQ(uv->GetUVWPointList()->GetSize(), 4);
  const std::uint32_t id = cube->GetFaceList()->ElementAt(0)->GetMaterialID();
  C3DMaterial* material = scene->GetMaterial(id);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->GetName(), "Painted");
  EXPECT_EQ(material->GetDiffuseColor().GetGreen(), 115);
  EXPECT_EQ(options.GetLogCount(CIoOptions::logWarning), 0u);
}

TEST_F(ObjTest, RoundTripKeepsObjectsCornersAndMaterials) {
  C3DScene scene;
  C3DMaterial* red = scene.GetMaterials().CreateNewMaterial(7);
  red->SetName("red paint");
  red->SetDiffuseColor(CRGBColor(255, 0, 0));
  C3DMaterial* wood = scene.GetMaterials().CreateNewMaterial(9);
  wood->SetName("wood");
  wood->AddMaterialMap("textures/wood.png", 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  scene.AddNode(nullptr, vex3d::test::meshNode("left", vex3d::test::paintedCube(0.0f, 7)));
  scene.AddNode(nullptr, vex3d::test::meshNode("right", vex3d::test::paintedCube(3.0f, 9)));
  const std::string file = path("pair.obj");
  ASSERT_EQ(save(scene, file), 1);
  ASSERT_TRUE(std::filesystem::exists(path("pair.mtl")));

  std::string error;
  std::unique_ptr<C3DScene> back = read(file, &error);
  ASSERT_TRUE(back) << error;
  const auto nodes = meshNodes(*back);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0]->GetName(), "left");
  EXPECT_EQ(nodes[1]->GetName(), "right");
  const auto original = meshNodes(scene);
  for (int i = 0; i < 2; ++i) {
    C3DObject* mesh = *nodes[i]->GetObject();
    EXPECT_EQ(mesh->GetPointNbr(), 8) << "OBJ keeps points shared whatever the corners carry";
    EXPECT_EQ(shapeAndUV(*mesh), shapeAndUV(*static_cast<C3DObject*>(*original[i]->GetObject())));
  }
  C3DMaterial* redBack =
      back->GetMaterial((*nodes[0]->GetObject()).GetFaceList()->ElementAt(0)->GetMaterialID());
  ASSERT_NE(redBack, nullptr);
  EXPECT_EQ(redBack->GetName(), "red paint");
  EXPECT_EQ(redBack->GetDiffuseColor().GetRed(), 255);
  EXPECT_EQ(redBack->GetDiffuseColor().GetGreen(), 0);
  C3DMaterial* woodBack =
      back->GetMaterial((*nodes[1]->GetObject()).GetFaceList()->ElementAt(0)->GetMaterialID());
  ASSERT_NE(woodBack, nullptr);
  ASSERT_NE(woodBack->GetDiffuseMaps(), nullptr);
  EXPECT_EQ(woodBack->GetDiffuseMaps()->GetFileName(), "textures/wood.png");
  CUVWChannel* uv = (*nodes[1]->GetObject()).GetChannels()->GetUVWChannelByIndex(0, 1);
  ASSERT_NE(uv, nullptr);
  EXPECT_EQ(woodBack->GetDiffuseMaps()->GetChannelID(), uv->GetChannelID())
      << "the map is projected through the object's texture coordinates";
}

TEST_F(ObjTest, RelativeIndicesGroupsBomCrlfAndMissingLibrary) {
  const std::string text =
      "\xEF\xBB\xBF# made by hand\r\nmtllib absent.mtl\r\n"
      "g first\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 0 1\r\n"
      "f\t-3//-1 -2//-1 -1//-1\r\n"
      "g second\r\nv 0 0 2\r\nv 1 0 2\r\nv 1 1 2 \r\nv 0 1 2\r\n"
      "usemtl undefined\r\nf 4 5 6 7\r\nf -4 -3 -1\r\n";
  std::string error;
  CSceneImportOptions options;
  std::unique_ptr<C3DScene> scene = read(writeFile("mixed.obj", text), &error, &options);
  ASSERT_TRUE(scene) << error;
  const auto nodes = meshNodes(*scene);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0]->GetName(), "first");
  C3DObject* second = *nodes[1]->GetObject();
  EXPECT_EQ(second->GetPointNbr(), 4) << "only the points the object uses";
  ASSERT_EQ(second->GetFaceNbr(), 2);
  EXPECT_EQ(second->GetFaceList()->ElementAt(0)->GetSize(), 4u);
  EXPECT_EQ(scene->GetMaterial(second->GetFaceList()->ElementAt(1)->GetMaterialID())->GetName(),
            "undefined");
  C3DObject* first = *nodes[0]->GetObject();
  EXPECT_NE(first->GetChannels()->GetSpecNormalChannel(), nullptr);
  ASSERT_EQ(options.GetLogCount(CIoOptions::logWarning), 1u);
  EXPECT_NE(options.GetLog().back().text.find("absent.mtl"), std::string::npos);
}

TEST_F(ObjTest, IndicesOutOfRangeAreErrorsWithTheirLine) {
  std::string error;
  const std::string points = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  EXPECT_FALSE(readBytes("far.obj", points + "f 1 2 40\n", &error));
  EXPECT_EQ(error, "line 4: point index 40 out of range (3 defined)");
  EXPECT_FALSE(readBytes("zero.obj", points + "f 0 1 2\n", &error));
  EXPECT_EQ(error.rfind("line 4:", 0), 0u) << error;
  EXPECT_FALSE(readBytes("back.obj", points + "f -1 -2 -4\n", &error));
  EXPECT_NE(error.find("-4"), std::string::npos) << error;
  EXPECT_FALSE(readBytes("uv.obj", points + "vt 0 0\nf 1/1 2/2 3/1\n", &error));
  EXPECT_NE(error.find("texture index 2"), std::string::npos) << error;
  EXPECT_FALSE(readBytes("junk.obj", points + "f 1 2 3x\n", &error));
  EXPECT_FALSE(readBytes("lowest.obj", points + "f 1 2 -9223372036854775808\n", &error));
  EXPECT_NE(error.find("point index -9223372036854775808 out of range"), std::string::npos)
      << error;
  EXPECT_FALSE(readBytes("highest.obj", points + "f 1 2 9223372036854775807\n", &error));
}

TEST_F(ObjTest, FacesOfMoreThan65535CornersAreErrors) {
  auto longFace = [](int corners) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf";
    for (int k = 0; k < corners; ++k) text += k % 3 == 0 ? " 1" : k % 3 == 1 ? " 2" : " 3";
    return text + "\n";
  };
  std::string error;
  EXPECT_TRUE(readBytes("longest.obj", longFace(65535), &error)) << error;
  EXPECT_FALSE(readBytes("too_long.obj", longFace(65536), &error));
  EXPECT_EQ(error, "line 4: face of 65536 corners, more than 65535");
}

// The alpha byte is how much a vertex colour outweighs the material.
TEST_F(ObjTest, GivenColoursAreOpaqueAndPointsWithoutOneKeepTheMaterial) {
  const std::string text =
      "v 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 0.5\nv 1 1 0\nf 1 2 3\nf 2 4 3\n";
  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("colours.obj", text, &error);
  ASSERT_TRUE(scene) << error;
  const auto corners = cornerValues(*firstMesh(*scene));
  ASSERT_EQ(corners.size(), 2u);
  using Rgba = std::array<int, 4>;
  EXPECT_EQ(corners[0][0].color, (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(corners[0][1].color, (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(corners[0][2].color, (Rgba{0, 0, 128, 255}));
  EXPECT_EQ(corners[1][0].color, (Rgba{0, 255, 0, 255})) << "a point keeps its colour";
  EXPECT_EQ(corners[1][1].color[3], 0) << "no colour given: the material shows";
}

TEST_F(ObjTest, BrokenInputsNeverCrash) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("cube", vex3d::test::paintedCube(0.0f)));
  const std::string file = path("valid.obj");
  ASSERT_EQ(save(scene, file), 1);
  for (const auto& broken : vex3d::test::brokenInputs(readFile(file))) {
    std::string error;
    std::unique_ptr<C3DScene> read = readBytes("broken.obj", broken.bytes, &error);
    EXPECT_TRUE(read || !error.empty()) << broken.what;
  }
}

}  // namespace
