// Writing a scene in every writable format and reading it back gives the
// model back where it was: the same points in the world, the same way up,
// not mirrored, faces wound the same way, and the names and tree the format
// can hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "animation/vector_key.h"
#include "math/matrix4x4.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "native_format_fixture.h"
#include "plugin_scenes.h"
#include "scene/object_kinds.h"

namespace {

using vex3d::test::meshNode;
using vex3d::test::NativeFormatTest;
using Position = std::array<long, 3>;

C3DObject* polygon(std::initializer_list<std::array<float, 3>> corners) {
  auto* object = new C3DObject;
  const int n = static_cast<int>(corners.size());
  object->Init(n, 1, static_cast<std::uint32_t>(n), 0, 0);
  int i = 0;
  for (const auto& c : corners) (*object->GetPointList())[i++].Init(c[0], c[1], c[2]);
  C3DFace* face = object->GetFaceList()->ElementAt(0);
  face->SetSize(static_cast<std::uint32_t>(n));
  for (int k = 0; k < n; ++k) (*face)[static_cast<std::uint32_t>(k)] = k;
  return object;
}

// rig (moved) > deck, a quad lying at z = 1, and mark, a triangle off
// towards +x, narrower towards +y: turned, mirrored or laid on its side,
// the points are no longer the same. Both face +z.
void buildModel(C3DScene& scene) {
  auto* rig = new C3DSceneNode;
  rig->SetName("rig");
  rig->SetObject(new C3DGroup);
  rig->AddKey(0, C3DTranslateKey(C3DVector(1, 2, 3)));
  scene.AddNode(nullptr, rig);
  scene.AddNode(rig, meshNode("deck", polygon({{0, 0, 1}, {2, 0, 1}, {2, 1, 1}, {0, 1, 1}})));
  scene.AddNode(rig, meshNode("mark", polygon({{3, 0, 0}, {4, 0, 0}, {3, 0.5f, 0}})));
}

std::vector<C3DSceneNode*> meshNodesOf(const C3DScene& scene) {
  std::vector<C3DSceneNode*> nodes;
  C3DBaseObject* object = nullptr;
  CSceneIterator it = scene.Begin();
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (object != nullptr && object->GetKindOf() == OBJECT_POLYGONAL) nodes.push_back(node);
  }
  return nodes;
}

struct World {
  std::vector<Position> positions;  // distinct, sorted, in thousandths
  int points = 0;
  int faces = 0;
  int facesTurnedFromZ = 0;
};

World worldOf(const C3DScene& scene) {
  World world;
  for (C3DSceneNode* node : meshNodesOf(scene)) {
    C4x4Matrix m;
    node->GetNodeTM(0, m, 1);
    const C3DObject& object = *static_cast<C3DObject*>(*node->GetObject());
    const C3DPointList& points = *object.GetPointList();
    std::vector<C3DPoint> placed;
    for (int i = 0; i < points.GetSize(); ++i) {
      const C3DPoint p = points[i] * m;
      placed.push_back(p);
      world.positions.push_back(
          {std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)});
    }
    world.points += points.GetSize();
    const C3DFaceList& faces = *object.GetFaceList();
    world.faces += faces.GetSize();
    for (int f = 0; f < faces.GetSize(); ++f) {
      const C3DFace& face = *faces.ElementAt(f);
      const C3DPoint& a = placed[face[0]];
      const C3DPoint& b = placed[face[1]];
      const C3DPoint& c = placed[face[2]];
      const float nx = (b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y);
      const float ny = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
      const float nz = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      if (!(nz > 0.0f && std::fabs(nx) < 1e-4f && std::fabs(ny) < 1e-4f)) ++world.facesTurnedFromZ;
    }
  }
  std::sort(world.positions.begin(), world.positions.end());
  world.positions.erase(std::unique(world.positions.begin(), world.positions.end()),
                        world.positions.end());
  return world;
}

struct Format {
  const char* extension;
  bool quadsKept;
  // STL and PLY hold one mesh; the library's X3D reader names no node and
  // its 3MF writer writes no name; OBJ flattens the tree.
  bool namesKept;
  bool treeKept;
};

// Every class a plug-in can write.
constexpr Format kFormats[] = {
    {"v3d", true, true, true},    {"obj", true, true, false},  {"stl", false, false, false},
    {"ply", true, false, false},  {"gltf", false, true, true}, {"glb", false, true, true},
    {"dae", true, true, true},    {"3ds", false, true, true},  {"x3d", false, false, false},
    {"3mf", false, false, false}, {"fbx", true, true, true},
};

class RoundTripTest : public NativeFormatTest {};

TEST_F(RoundTripTest, EveryWritableFormatGivesTheModelBackInPlaceTheSameWayUp) {
  C3DScene scene;
  buildModel(scene);
  const World original = worldOf(scene);
  ASSERT_EQ(original.positions.size(), 7u);
  ASSERT_EQ(original.facesTurnedFromZ, 0);
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.extension);
    const std::string file = path(std::string("model.") + format.extension);
    ASSERT_EQ(save(scene, file), 1);
    std::string error;
    std::unique_ptr<C3DScene> back = read(file, &error);
    ASSERT_TRUE(back) << error;
    const World world = worldOf(*back);
    EXPECT_EQ(world.positions, original.positions);
    EXPECT_EQ(world.points, 7);
    EXPECT_EQ(world.faces, format.quadsKept ? 2 : 3);
    EXPECT_EQ(world.facesTurnedFromZ, 0) << "a face turned or wound the other way";

    if (!format.namesKept) continue;
    std::vector<std::string> names;
    for (C3DSceneNode* node : meshNodes(*back)) names.push_back(node->GetName());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"deck", "mark"}));
    if (!format.treeKept) continue;
    const C3DSceneNode* top = back->GetChildNode(nullptr);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->GetName(), "rig");
    EXPECT_EQ(back->GetRightNode(top), nullptr) << "nothing beside the rig";
    for (C3DSceneNode* node : meshNodes(*back)) EXPECT_EQ(back->GetParent(node), top);
  }
  EXPECT_EQ(worldOf(scene).positions, original.positions) << "the user's scene is not touched";
}

}  // namespace
