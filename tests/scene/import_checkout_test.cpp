#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "material/material.h"
#include "material/material_map.h"
#include "math/matrix4x4.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/normal_channels.h"
#include "scene/scene_builders.h"
#include "scene/scene_io_options.h"

namespace {

using vex3d::test::groupNode;
using vex3d::test::meshNode;
using vex3d::test::names;

std::vector<std::string> childNames(const C3DScene& scene, const C3DSceneNode* parent) {
  std::vector<std::string> out;
  for (C3DSceneNode* n = scene.GetChildNode(parent); n; n = scene.GetRightNode(n)) {
    out.push_back(n->GetName());
  }
  return out;
}

TEST(ImportCheckoutTest, NamesUnnamedNodesPerKindAndSortsSiblings) {
  C3DScene scene;
  for (int i = 0; i < 3; ++i) scene.AddNode(nullptr, meshNode(""));
  auto* patch = new C3DSceneNode;
  auto* patchObject = new C3DPatch;
  patchObject->SetPointList(new C3DPointList);
  patchObject->SetFaceList(new C3DFaceList);
  patch->SetObject(patchObject);
  patch->SetName("");
  scene.AddNode(nullptr, patch);
  scene.AddNode(nullptr, meshNode("alpha"));
  scene.AddNode(nullptr, meshNode("Beta"));
  C3DSceneNode* group = groupNode("group");
  scene.AddNode(nullptr, group);
  scene.AddNode(group, meshNode("zed"));
  scene.AddNode(group, meshNode("Apple"));

  CSceneImportOptions options;
  scene.CheckoutImport(options, 0);
  EXPECT_EQ(childNames(scene, nullptr),
            (std::vector<std::string>{"alpha", "Beta", "group", "Patch 1", "Polygonal object 1",
                                      "Polygonal object 2", "Polygonal object 3"}));
  EXPECT_EQ(childNames(scene, group), (std::vector<std::string>{"Apple", "zed"}));
}

TEST(ImportCheckoutTest, RepairsCoordinatesAndDropsFacesNamingMissingPoints) {
  C3DScene scene;
  C3DSceneNode* node = meshNode("m", 10, 2);
  C3DBaseObject* object = node->GetObject();
  object->GetPointList()->ElementAt(3).y = std::nanf("");
  object->GetFaceList()->ElementAt(1)->SetTriangle(0, 1, 10);
  auto* normals = new CSpecNormalChannel;
  normals->GetPointList()->SetSize(3);  // all zero: normalising leaves nothing
  normals->GetFaceList()->SetSize(*object->GetFaceList());
  object->AddChannel(normals);
  scene.AddNode(nullptr, node);

  CSceneImportOptions options;
  scene.CheckoutImport(options, 0);
  EXPECT_EQ(object->GetFaceNbr(), 1);
  ASSERT_GE(object->GetPointNbr(), 3);
  EXPECT_EQ(object->GetPointList()->ElementAt(0).x, 0.0f);
  for (int i = 0; i < object->GetPointNbr(); ++i) {
    EXPECT_FALSE(std::isnan(object->GetPointList()->ElementAt(i).y));
  }
  EXPECT_EQ(object->GetChannels()->GetSpecNormalChannel(), nullptr);
}

// A large object is checked in parts: damage anywhere in it is found.
TEST(ImportCheckoutTest, RepairsALargeObjectThroughout) {
  constexpr int kPoints = 200000;
  constexpr int kFaces = 300000;
  C3DScene scene;
  C3DSceneNode* node = meshNode("m", kPoints, kFaces);
  C3DBaseObject* object = node->GetObject();
  const std::vector<int> badPoints = {0, kPoints / 2, kPoints / 2 + 1, kPoints - 1};
  for (int p : badPoints) object->GetPointList()->ElementAt(p).z = std::nanf("");
  const std::vector<int> badFaces = {0, kFaces / 2 - 1, kFaces / 2, kFaces - 1};
  for (int f : badFaces) object->GetFaceList()->ElementAt(f)->SetTriangle(0, kPoints, 1);
  // Unused points would go with the clean-up: these stay, to be repaired.
  object->GetFaceList()->ElementAt(1)->SetTriangle(kPoints / 2, kPoints / 2 + 1, kPoints - 1);
  scene.AddNode(nullptr, node);

  CSceneImportOptions options;
  scene.CheckoutImport(options, 0);
  EXPECT_EQ(object->GetFaceNbr(), kFaces - static_cast<int>(badFaces.size()));
  int nan = 0;
  for (int i = 0; i < object->GetPointNbr(); ++i)
    nan += std::isnan(object->GetPointList()->ElementAt(i).z);
  EXPECT_EQ(nan, 0);
}

TEST(ImportCheckoutTest, WeldsOnRequestAndNamesMaterials) {
  C3DScene scene;
  C3DSceneNode* node = meshNode("m", 6, 2);
  C3DBaseObject* object = node->GetObject();
  C3DPointList& p = *object->GetPointList();
  p.ElementAt(0) = C3DPoint(0, 0, 0);
  p.ElementAt(1) = C3DPoint(1, 0, 0);
  p.ElementAt(2) = C3DPoint(0, 1, 0);
  p.ElementAt(3) = C3DPoint(1, 0, 0);
  p.ElementAt(4) = C3DPoint(1, 1, 0);
  p.ElementAt(5) = C3DPoint(0, 1, 0);
  object->GetFaceList()->ElementAt(1)->SetTriangle(3, 4, 5);
  scene.AddNode(nullptr, node);
  scene.GetMaterials().CreateNewMaterial(4)->SetName("");
  scene.GetMaterials().CreateNewMaterial(5)->SetName("wood");

  CSceneImportOptions options;
  options.m_flags = IMPORT_WELD_POINTS;
  scene.CheckoutImport(options, 0);
  EXPECT_EQ(object->GetPointNbr(), 4);
  const C3DMaterial* unnamed = scene.GetMaterial(4);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->GetName().rfind("Material ", 0), 0u) << unnamed->GetName();
  EXPECT_EQ(scene.GetMaterial(5)->GetName(), "wood");
}

TEST(ImportCheckoutTest, SwapTurnsGeometryAndProjectedMaps) {
  C3DScene scene;
  C3DSceneNode* node = meshNode("m");
  node->GetObject()->GetPointList()->ElementAt(0) = C3DPoint(1, 2, 3);
  scene.AddNode(nullptr, node);
  C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(3);
  CMaterialMap* planar =
      material->AddMaterialMap("a.png", vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_PLANAR);
  CMaterialMap* stored = material->AddMaterialMap("b.png", 0, MAP_AMBIENT, PROJECTION_EXPLICIT);

  CSceneImportOptions options;
  C3DScene reference;
  C3DSceneNode* ref = meshNode("m");
  ref->GetObject()->GetPointList()->ElementAt(0) = C3DPoint(1, 2, 3);
  reference.AddNode(nullptr, ref);
  ref->SwapCoordinates(1);

  scene.CheckoutImport(options, 1);
  const C3DPoint& moved = node->GetObject()->GetPointList()->ElementAt(0);
  const C3DPoint& expected = ref->GetObject()->GetPointList()->ElementAt(0);
  EXPECT_EQ(moved.x, expected.x);
  EXPECT_EQ(moved.y, expected.y);
  EXPECT_EQ(moved.z, expected.z);
  C4x4Matrix swap;
  swap.InitSwap(1);
  EXPECT_TRUE(planar->GetMatrix() == swap);
  EXPECT_TRUE(stored->GetMatrix() == C4x4Matrix()) << "explicit coordinates stay";
}

TEST(SceneOptionsTest, TransientFlagsAreNeverRemembered) {
  CSceneExportOptions exportOptions;
  exportOptions.m_flags = 0xFFFFFFFF;
  EXPECT_EQ(exportOptions.SaveToData().GetUInt(vex3d::kFlagsKey) & 0x5220F, 0u);
  CCustomData remembered;
  remembered.SetUInt(vex3d::kFlagsKey, 0x2400);
  exportOptions.InitFromData(remembered);
  EXPECT_EQ(exportOptions.m_flags, 0x400u);

  CSceneImportOptions importOptions;
  importOptions.m_flags = IMPORT_WELD_POINTS;
  EXPECT_EQ(importOptions.SaveToData().GetUInt(vex3d::kFlagsKey), 0u);
  remembered.SetUInt(vex3d::kFlagsKey, 1);
  importOptions.InitFromData(remembered);
  EXPECT_EQ(importOptions.m_flags, 0u);
}

}  // namespace

namespace {

C4DVector swapped(std::uint32_t swap, float x, float y, float z) {
  C4x4Matrix m;
  m.InitSwap(swap);
  return m.Mult(x, y, z);
}

TEST(UpAxisSwapTest, EachAxisStandsAlongZAndComesBackWithoutMirroring) {
  struct Case {
    std::uint32_t axis;
    float up[3];
  };
  for (const Case& c : {Case{UP_AXIS_Y, {0, 1, 0}}, Case{UP_AXIS_X, {1, 0, 0}}}) {
    const std::uint32_t in = vex3d::swapToZUp(c.axis);
    const std::uint32_t out = vex3d::swapFromZUp(c.axis);
    const C4DVector up = swapped(in, c.up[0], c.up[1], c.up[2]);
    EXPECT_FLOAT_EQ(up.z, 1.0f) << c.axis;
    // A turn, not a mirror: the axes keep their handedness, so faces keep
    // their winding and normals stay outward.
    const C4DVector ex = swapped(in, 1, 0, 0);
    const C4DVector ey = swapped(in, 0, 1, 0);
    const C4DVector ez = swapped(in, 0, 0, 1);
    const float det = ex.x * (ey.y * ez.z - ey.z * ez.y) - ex.y * (ey.x * ez.z - ey.z * ez.x) +
                      ex.z * (ey.x * ez.y - ey.y * ez.x);
    EXPECT_FLOAT_EQ(det, 1.0f) << c.axis;
    const C4DVector p = swapped(in, 1.0f, 2.0f, 3.0f);
    const C4DVector back = swapped(out, p.x, p.y, p.z);
    EXPECT_FLOAT_EQ(back.x, 1.0f) << c.axis;
    EXPECT_FLOAT_EQ(back.y, 2.0f) << c.axis;
    EXPECT_FLOAT_EQ(back.z, 3.0f) << c.axis;
  }
  EXPECT_EQ(vex3d::swapToZUp(UP_AXIS_Z), 0u);
  EXPECT_EQ(vex3d::swapToZUp(UP_AXIS_UNKNOWN), 0u);
  EXPECT_EQ(vex3d::swapFromZUp(UP_AXIS_Z), 0u);
}

}  // namespace
