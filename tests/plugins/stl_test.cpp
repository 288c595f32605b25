#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <tuple>

#include "broken_inputs.h"
#include "hostlib/io/plugin_api.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "native_format_fixture.h"
#include "plugin_scenes.h"

namespace {

using vex3d::test::NativeFormatTest;

using Triple = std::tuple<float, float, float>;

std::multiset<Triple> pointSet(const C3DObject& object) {
  std::multiset<Triple> out;
  const C3DPointList& points = *object.GetPointList();
  for (int i = 0; i < points.GetSize(); ++i) out.insert({points[i].x, points[i].y, points[i].z});
  return out;
}

std::string binaryStl(const std::vector<std::array<float, 9>>& triangles, const char* header = "") {
  std::string bytes(80, '\0');
  std::memcpy(bytes.data(), header, std::strlen(header));
  const auto count = static_cast<std::uint32_t>(triangles.size());
  bytes.append(reinterpret_cast<const char*>(&count), 4);
  for (const auto& t : triangles) {
    bytes.append(12, '\0');
    bytes.append(reinterpret_cast<const char*>(t.data()), 36);
    bytes.append(2, '\0');
  }
  return bytes;
}

class StlTest : public NativeFormatTest {};

TEST_F(StlTest, BinaryRoundTripWeldsSharedCorners) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("cube", vex3d::test::quadCube(2.0f)));
  const std::string file = path("cube.stl");
  ASSERT_EQ(save(scene, file), 1);
  EXPECT_EQ(readFile(file).size(), 84u + 12u * 50u) << "six quads make twelve triangles";

  std::string error;
  std::unique_ptr<C3DScene> back = read(file, &error);
  ASSERT_TRUE(back) << error;
  C3DObject* mesh = firstMesh(*back);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetFaceNbr(), 12);
  EXPECT_EQ(pointSet(*mesh), pointSet(*firstMesh(scene)));
}

TEST_F(StlTest, TextRoundTripOnRequest) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("my part", vex3d::test::quadCube(0.5f)));
  const std::string file = path("cube_text.stl");
  CSceneExportOptions options;
  options.GetData().SetUInt(VEX3D_FOURCC('T', 'E', 'X', 'T'), 1);
  ASSERT_EQ(save(scene, file, &options), 1);
  EXPECT_EQ(readFile(file).rfind("solid ", 0), 0u);

  std::unique_ptr<C3DScene> back = read(file);
  ASSERT_TRUE(back);
  C3DObject* mesh = firstMesh(*back);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetFaceNbr(), 12);
  EXPECT_EQ(pointSet(*mesh), pointSet(*firstMesh(scene)));
}

TEST_F(StlTest, TextWithBomCrlfTabsAndSeveralSolids) {
  const std::string text =
      "\xEF\xBB\xBFsolid first\r\n"
      "\tFACET NORMAL 0 0 1\r\n\t\tOUTER LOOP\r\n"
      "\t\t\tvertex 0 0 0\r\n\t\t\tvertex +1 0 0\r\n\t\t\tvertex 0 1e0 0\r\n"
      "\t\tENDLOOP\r\n\tENDFACET\r\nendsolid first\r\n"
      "solid second\nfacet normal 0 0 1\nouter loop\n"
      "vertex 0 0 5\nvertex 1 0 5\nvertex 1 1 5\nvertex 0 1 5\n"
      "endloop\nendfacet\nendsolid second\n";
  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("mixed.stl", text, &error);
  ASSERT_TRUE(scene) << error;
  const auto nodes = meshNodes(*scene);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0]->GetName(), "first");
  EXPECT_EQ(nodes[1]->GetName(), "second");
  C3DObject* quad = *nodes[1]->GetObject();
  ASSERT_EQ(quad->GetFaceNbr(), 1);
  EXPECT_EQ(quad->GetFaceList()->ElementAt(0)->GetSize(), 4u);
  C3DObject* triangle = *nodes[0]->GetObject();
  EXPECT_EQ((*triangle->GetPointList())[1].x, 1.0f);
}

TEST_F(StlTest, BinaryHeaderStartingWithSolidIsStillBinary) {
  const std::string bytes = binaryStl({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 1, 1, 0, 0, 1, 0}},
                                      "solid exported by some tool");
  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("solid_header.stl", bytes, &error);
  ASSERT_TRUE(scene) << error;
  C3DObject* mesh = firstMesh(*scene);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetFaceNbr(), 2);
  EXPECT_EQ(mesh->GetPointNbr(), 4) << "the shared edge is welded";
}

TEST_F(StlTest, AbsurdTriangleCountIsAnErrorNotAnAllocation) {
  std::string bytes = binaryStl({{0, 0, 0, 1, 0, 0, 0, 1, 0}});
  const std::uint32_t absurd = 0xFFFFFFFFu;
  std::memcpy(bytes.data() + 80, &absurd, 4);
  std::string error;
  EXPECT_FALSE(readBytes("absurd.stl", bytes, &error));
  EXPECT_NE(error.find("4294967295"), std::string::npos) << error;
}

TEST_F(StlTest, BadTextNamesTheLine) {
  std::string error;
  EXPECT_FALSE(
      readBytes("bad.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 zero 0\n", &error));
  EXPECT_EQ(error.rfind("line 4:", 0), 0u) << error;
  EXPECT_FALSE(readBytes("empty.stl", "solid nothing\nendsolid nothing\n", &error));
}

TEST_F(StlTest, FacetsOfMoreThan65535VerticesAreErrorsNamingTheirLine) {
  // A triangle, then from line 9 a facet of `vertices` points, closed or cut
  // off by the end of the file.
  auto text = [](int vertices, bool closed) {
    std::string t =
        "solid big\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
        "endloop\nendfacet\nfacet normal 0 0 1\nouter loop\n";
    for (int k = 0; k < vertices; ++k)
      t += "vertex " + std::to_string(k) + " " + std::to_string(k % 7) + " 5\n";
    return closed ? t + "endloop\nendfacet\nendsolid big\n" : t;
  };
  std::string error;
  std::unique_ptr<C3DScene> longest = readBytes("longest.stl", text(65535, true), &error);
  ASSERT_TRUE(longest) << error;
  const CFaceList& faces = *firstMesh(*longest)->GetFaceList();
  ASSERT_EQ(faces.GetSize(), 2);
  EXPECT_EQ(faces.ElementAt(1)->GetSize(), 65535u);

  EXPECT_FALSE(readBytes("too_long.stl", text(65536, true), &error));
  EXPECT_EQ(error, "line 9: facet 2 has 65536 vertices, more than 65535");
  EXPECT_FALSE(readBytes("runaway.stl", text(100000, false), &error));
  EXPECT_EQ(error, "line 9: facet 2 has 100000 vertices, more than 65535");
}

TEST_F(StlTest, BrokenInputsNeverCrash) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("cube", vex3d::test::quadCube(0.0f)));
  const std::string binary = path("valid.stl");
  ASSERT_EQ(save(scene, binary), 1);
  CSceneExportOptions options;
  options.GetData().SetUInt(VEX3D_FOURCC('T', 'E', 'X', 'T'), 1);
  const std::string text = path("valid_text.stl");
  ASSERT_EQ(save(scene, text, &options), 1);
  for (const std::string& valid : {readFile(binary), readFile(text)}) {
    for (const auto& broken : vex3d::test::brokenInputs(valid)) {
      std::string error;
      std::unique_ptr<C3DScene> read = readBytes("broken.stl", broken.bytes, &error);
      EXPECT_TRUE(read || !error.empty()) << broken.what;
    }
  }
}

}  // namespace
