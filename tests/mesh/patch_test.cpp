#include "mesh/algorithms/patch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "scoped_config_dir.h"

namespace {

using vex3d::test::addCube;
using vex3d::test::addFaces;

std::vector<int> corners(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

void expectAt(const C3DPoint& p, float x, float y, float z) {
  EXPECT_NEAR(p.x, x, 1e-6f);
  EXPECT_NEAR(p.y, y, 1e-6f);
  EXPECT_NEAR(p.z, z, 1e-6f);
}

// Index of the point at (x, y, z); -1 when there is none.
int find(const C3DPointList& points, float x, float y, float z) {
  for (int i = 0; i < points.GetSize(); ++i) {
    const C3DPoint& p = points[i];
    if (std::abs(p.x - x) < 1e-6f && std::abs(p.y - y) < 1e-6f && std::abs(p.z - z) < 1e-6f) {
      return i;
    }
  }
  return -1;
}

void addPoint(C3DBaseObject& object, float x, float y, float z) {
  object.GetPointList()->Add(C3DPoint(x, y, z));
}

void makeQuad(C3DPatch& patch) {
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  addPoint(patch, 0, 0, 0);
  addPoint(patch, 1, 0, 0);
  addPoint(patch, 1, 1, 0);
  addPoint(patch, 0, 1, 0);
  addFaces(*patch.GetFaceList(), {{0, 1, 2, 3}});
}

// One right triangle with legs of `side`.
void makeTriangle(C3DPatch& patch, float side) {
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  addPoint(patch, 0, 0, 0);
  addPoint(patch, side, 0, 0);
  addPoint(patch, 0, side, 0);
  addFaces(*patch.GetFaceList(), {{0, 1, 2}});
}

void makeCube(C3DPatch& patch) {
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  addCube(*patch.GetPointList(), *patch.GetFaceList());
}

void makeTetrahedron(C3DPatch& patch) {
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  addPoint(patch, 0, 0, 0);
  addPoint(patch, 1, 0, 0);
  addPoint(patch, 0, 1, 0);
  addPoint(patch, 0, 0, 1);
  addFaces(*patch.GetFaceList(), {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
}

CUVWChannel* addTexture(C3DBaseObject& object, std::initializer_list<CUVWPoint> values,
                        std::initializer_list<std::vector<int>> faces) {
  auto* uvw = new CUVWChannel;
  for (const CUVWPoint& v : values) uvw->GetUVWPointList()->Add(v);
  CUVWFaceList& list = *uvw->GetUVWFaceList();
  list.SetSize(static_cast<int>(faces.size()), 4);
  int i = 0;
  for (const std::vector<int>& c : faces) {
    CFace* f = list.ElementAt(i++);
    f->SetSize(static_cast<std::uint32_t>(c.size()));
    for (std::uint32_t k = 0; k < c.size(); ++k) (*f)[k] = c[k];
  }
  object.AddChannel(uvw);
  return uvw;
}

TEST(PatchTest, SingleQuadBecomesFourOverNinePoints) {
  C3DPatch patch;
  makeQuad(patch);
  EXPECT_EQ(patch.GetLevel(), -1);
  patch.SetLevel(1);
  EXPECT_EQ(patch.GetLevel(), 1);
  ASSERT_EQ(patch.GetFaceNbr(), 4);
  ASSERT_EQ(patch.GetPointNbr(), 9);
  const C3DPointList& p = *patch.GetPointList();
  expectAt(p[0], 0, 0, 0);
  expectAt(p[2], 1, 1, 0);
  const int e0 = find(p, 0.5f, 0, 0);
  const int e3 = find(p, 0, 0.5f, 0);
  const int centre = find(p, 0.5f, 0.5f, 0);
  ASSERT_GE(e0, 0);
  ASSERT_GE(e3, 0);
  ASSERT_GE(centre, 0);
  EXPECT_GE(find(p, 1, 0.5f, 0), 0);
  EXPECT_GE(find(p, 0.5f, 1, 0), 0);
  EXPECT_EQ(corners(patch.GetFaceList()->ElementAt(0)), (std::vector<int>{0, e0, centre, e3}));
  for (int f = 0; f < 4; ++f) EXPECT_EQ(patch.GetFaceList()->ElementAt(f)->GetSize(), 4u);
}

TEST(PatchTest, CubeCornersFollowTheCatmullClarkWeights) {
  C3DPatch patch;
  makeCube(patch);
  patch.SetLevel(1);
  ASSERT_EQ(patch.GetFaceNbr(), 24);
  ASSERT_EQ(patch.GetPointNbr(), 26);
  const C3DPointList& p = *patch.GetPointList();
  // Corner 0 at the origin: edge neighbours sum to (1, 1, 1), diagonal ones
  // to (2, 2, 2), so (1.5/9 + 0.5/9) on each axis.
  const float near = 2.0f / 9.0f;
  expectAt(p[0], near, near, near);
  expectAt(p[6], 1 - near, 1 - near, 1 - near);
  // Edge 0-1 between the bottom and front faces.
  EXPECT_GE(find(p, 0.5f, 0.125f, 0.125f), 0);
  EXPECT_GE(find(p, 0.5f, 0.5f, 0), 0) << "face point of the bottom";
}

TEST(PatchTest, TetrahedronFollowsTheLoopWeights) {
  C3DPatch patch;
  makeTetrahedron(patch);
  patch.SetLevel(1);
  ASSERT_EQ(patch.GetFaceNbr(), 16);
  ASSERT_EQ(patch.GetPointNbr(), 10);
  const C3DPointList& p = *patch.GetPointList();
  expectAt(p[0], 0.1875f, 0.1875f, 0.1875f);
  // (1 - 3 * 0.1875) * (1, 0, 0) + 0.1875 * ((0, 0, 0) + (0, 1, 0) + (0, 0, 1));
  // the refined points are numbered in order of first use, 2 before 1.
  EXPECT_GE(find(p, 0.4375f, 0.1875f, 0.1875f), 0);
  expectAt(p[1], 0.1875f, 0.4375f, 0.1875f);
  EXPECT_GE(find(p, 0.375f, 0.125f, 0.125f), 0) << "edge 0-1";
  EXPECT_GE(find(p, 0.375f, 0.375f, 0.125f), 0) << "edge 1-2";
  // The first triangle (0, 2, 1) gives (V0, E0, E2) first.
  const C3DFace* first = patch.GetFaceList()->ElementAt(0);
  EXPECT_EQ((*first)[0], 0);
  const C3DPoint& e0 = p[(*first)[1]];
  const C3DPoint& e2 = p[(*first)[2]];
  expectAt(e0, 0.125f, 0.375f, 0.125f);
  expectAt(e2, 0.375f, 0.125f, 0.125f);
}

TEST(PatchTest, OpenTriangleKeepsBorderPointsAndUsesMidpoints) {
  C3DPatch patch;
  makeTriangle(patch, 2);
  patch.SetLevel(1);
  const C3DPointList& p = *patch.GetPointList();
  ASSERT_EQ(p.GetSize(), 6);
  expectAt(p[1], 2, 0, 0);
  EXPECT_GE(find(p, 1, 1, 0), 0);
  EXPECT_EQ(corners(patch.GetFaceList()->ElementAt(3)).size(), 3u);
}

TEST(PatchTest, FaceCountsPerLevelMatchTheEstimate) {
  for (int level = 1; level <= 3; ++level) {
    C3DPatch cube;
    makeCube(cube);
    C3DPatch tetrahedron;
    makeTetrahedron(tetrahedron);
    const std::int64_t cubeEstimate = C3DPatch::EstimateLevel(&cube, level);
    cube.SetLevel(level);
    tetrahedron.SetLevel(level);
    const int grow = 1 << (2 * level);
    EXPECT_EQ(cube.GetFaceNbr(), 6 * grow) << level;
    EXPECT_EQ(cubeEstimate, 6 * grow);
    EXPECT_EQ(tetrahedron.GetFaceNbr(), 4 * grow) << level;
    EXPECT_EQ(C3DPatch::EstimateLevel(&tetrahedron, level), 4 * grow) << "from the control mesh";
  }
}

// Every directed side appears once and its reverse once: a closed, consistently
// oriented surface. Returns V - E + F.
int checkClosedSurface(const C3DBaseObject& object) {
  std::map<std::pair<int, int>, int> sides;
  const C3DFaceList& faces = *object.GetFaceList();
  for (int f = 0; f < faces.GetSize(); ++f) {
    const std::vector<int> c = corners(faces.ElementAt(f));
    for (std::size_t k = 0; k < c.size(); ++k) ++sides[{c[k], c[(k + 1) % c.size()]}];
  }
  for (const auto& [side, count] : sides) {
    EXPECT_EQ(count, 1) << side.first << "-" << side.second;
    EXPECT_EQ(sides.count({side.second, side.first}), 1u) << side.first << "-" << side.second;
  }
  const int edges = static_cast<int>(sides.size()) / 2;
  return object.GetPointNbr() - edges + object.GetFaceNbr();
}

TEST(PatchTest, ClosedSurfacesStayClosedAndOriented) {
  for (int level = 1; level <= 3; ++level) {
    C3DPatch cube;
    makeCube(cube);
    cube.SetLevel(level);
    EXPECT_EQ(checkClosedSurface(cube), 2) << level;
    C3DPatch tetrahedron;
    makeTetrahedron(tetrahedron);
    tetrahedron.SetLevel(level);
    EXPECT_EQ(checkClosedSurface(tetrahedron), 2) << level;
  }
}

TEST(PatchTest, MixedMeshRefinesTrianglesAndQuadsAndCarriesOtherFaces) {
  C3DPatch patch;
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  for (int i = 0; i < 9; ++i)
    addPoint(patch, static_cast<float>(i % 3), static_cast<float>(i / 3), 0);
  addFaces(*patch.GetFaceList(), {{0, 1, 4, 3}, {1, 2, 5}, {3, 4, 7, 8, 6}});
  patch.GetFaceList()->ElementAt(2)->SetMaterialID(9);
  patch.GetFaceList()->ElementAt(0)->SetMaterialID(4);
  patch.SetLevel(2);
  ASSERT_EQ(patch.GetFaceNbr(), 16 + 16 + 1);
  const C3DFaceList& f = *patch.GetFaceList();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(f.ElementAt(i)->GetSize(), 3u) << "triangles first";
  for (int i = 16; i < 32; ++i) {
    EXPECT_EQ(f.ElementAt(i)->GetSize(), 4u);
    EXPECT_EQ(f.ElementAt(i)->GetMaterialID(), 4u) << "children keep the material";
  }
  EXPECT_EQ(f.ElementAt(32)->GetSize(), 5u);
  EXPECT_EQ(f.ElementAt(32)->GetMaterialID(), 9u);
}

TEST(PatchTest, EstimateLevelCountsTrianglesAndQuadsOnly) {
  C3DObject mesh;
  mesh.Init(20, 0, 4, 0, 0);
  C3DFaceList& faces = *mesh.GetFaceList();
  for (int i = 0; i < 10; ++i) addFaces(faces, {{0, 1, 2}});
  for (int i = 0; i < 5; ++i) addFaces(faces, {{0, 1, 2, 3}});
  addFaces(faces, {{0, 1, 2, 3, 4}});
  EXPECT_EQ(C3DPatch::EstimateLevel(&mesh, 2), 240);
  EXPECT_EQ(C3DPatch::EstimateLevel(&mesh, 0), 16);
  faces.ElementAt(0)->SetFlag(FACE_INVALID, 1);
  EXPECT_EQ(C3DPatch::EstimateLevel(&mesh, 1), 14 * 4);
  EXPECT_EQ(C3DPatch::EstimateLevel(nullptr, 1), 0);
}

TEST(PatchTest, LevelIsClampedAndTheSameLevelChangesNothing) {
  C3DPatch patch;
  makeTriangle(patch, 1);
  patch.SetLevel(12);
  EXPECT_EQ(patch.GetLevel(), 8);
  EXPECT_EQ(patch.GetFaceNbr(), 65536);
  patch.SetLevel(1);
  const C3DFaceList* faces = patch.GetFaceList();
  patch.Invalidate(0xFFFFFFFF, 0);
  patch.SetLevel(1);
  EXPECT_EQ(patch.GetFaceList(), faces);
  EXPECT_EQ(patch.GetUpdateFlags() & 0x10070000u, 0u);
  patch.SetLevel(-3);
  EXPECT_EQ(patch.GetLevel(), 0);
  EXPECT_EQ(patch.GetFaceNbr(), 1);
}

TEST(PatchTest, ControlMeshIsNeverChangedAndComesBackOut) {
  C3DPatch patch;
  makeCube(patch);
  CUVWChannel* texture = addTexture(
      patch, {CUVWPoint(0, 0, 0), CUVWPoint(1, 0, 0)},
      {{0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}, {0, 1, 1, 0}});
  const std::uint32_t id = texture->GetChannelID();
  patch.SetLevel(2);
  patch.SetLevel(1);
  patch.SetLevel(3);
  ASSERT_NE(patch.GetSourcePointList(), patch.GetPointList());
  const C3DPointList& control = *patch.GetSourcePointList();
  ASSERT_EQ(control.GetSize(), 8);
  expectAt(control[6], 1, 1, 1);
  EXPECT_EQ(patch.GetSourceFaceList()->GetSize(), 6);

  std::unique_ptr<C3DObject> source = patch.GetSourceObject();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->GetKindOf(), OBJECT_POLYGONAL);
  ASSERT_EQ(source->GetPointNbr(), 8);
  ASSERT_EQ(source->GetFaceNbr(), 6);
  for (int i = 0; i < 8; ++i) {
    const C3DPoint& a = (*source->GetPointList())[i];
    const C3DPoint& b = control[i];
    EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << i;
  }
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(corners(source->GetFaceList()->ElementAt(f)),
              corners(patch.GetSourceFaceList()->ElementAt(f)));
  }
  ASSERT_NE(source->GetChannels()->GetChannelByID(id, CHANNEL_UVW), nullptr);
  EXPECT_EQ(source->GetChannels()->GetChannelByID(id)->GetPointList()->GetSize(), 2);
  EXPECT_NE(patch.GetChannels()->GetChannelByID(id, CHANNEL_UVW), nullptr)
      << "the refined mesh keeps the channel id";

  patch.SetLevel(0);
  EXPECT_EQ(patch.GetPointNbr(), 8);
  EXPECT_EQ(patch.GetSourcePointList(), patch.GetPointList());
}

TEST(PatchTest, TextureChannelFollowsWithAveragedEdgeValues) {
  C3DPatch patch;
  makeQuad(patch);
  addTexture(patch,
             {CUVWPoint(0, 0, 0), CUVWPoint(1, 0, 0), CUVWPoint(1, 1, 0), CUVWPoint(0, 1, 0)},
             {{0, 1, 2, 3}});
  patch.SetLevel(1);
  ASSERT_EQ(patch.GetChannels()->GetSize(), 1);
  auto* uvw = static_cast<CUVWChannel*>(patch.GetChannels()->GetChannelByIndex(0));
  const CUVWFaceList& faces = *uvw->GetUVWFaceList();
  const CUVWPointList& values = *uvw->GetUVWPointList();
  ASSERT_EQ(faces.GetSize(), 4);
  EXPECT_EQ(values.GetSize(), 9);
  const CFace* first = faces.ElementAt(0);
  ASSERT_EQ(first->GetSize(), 4u);
  EXPECT_FLOAT_EQ(values[(*first)[0]].u, 0.0f);
  EXPECT_FLOAT_EQ(values[(*first)[1]].u, 0.5f);
  EXPECT_FLOAT_EQ(values[(*first)[1]].v, 0.0f);
  EXPECT_FLOAT_EQ(values[(*first)[2]].u, 0.5f);
  EXPECT_FLOAT_EQ(values[(*first)[2]].v, 0.5f);
  EXPECT_FLOAT_EQ(values[(*first)[3]].v, 0.5f);
}

TEST(PatchTest, TextureSeamsKeepSeparateEdgeValues) {
  for (const bool seam : {false, true}) {
    C3DPatch patch;
    patch.SetPointList(new C3DPointList);
    patch.SetFaceList(new C3DFaceList);
    addPoint(patch, 0, 0, 0);
    addPoint(patch, 1, 0, 0);
    addPoint(patch, 1, 1, 0);
    addPoint(patch, 0, 1, 0);
    addFaces(*patch.GetFaceList(), {{0, 1, 2}, {0, 2, 3}});
    if (seam) {
      addTexture(patch,
                 {CUVWPoint(0, 0, 0), CUVWPoint(1, 0, 0), CUVWPoint(1, 1, 0), CUVWPoint(5, 5, 0),
                  CUVWPoint(7, 7, 0), CUVWPoint(5, 7, 0)},
                 {{0, 1, 2}, {3, 4, 5}});
    } else {
      addTexture(patch,
                 {CUVWPoint(0, 0, 0), CUVWPoint(1, 0, 0), CUVWPoint(1, 1, 0), CUVWPoint(0, 1, 0)},
                 {{0, 1, 2}, {0, 2, 3}});
    }
    patch.SetLevel(1);
    const CChannel* uvw = patch.GetChannels()->GetChannelByIndex(0);
    EXPECT_EQ(uvw->GetPointList()->GetSize(), seam ? 12 : 9);
    EXPECT_EQ(uvw->GetFaceList()->GetSize(), 8);
    EXPECT_EQ(patch.GetPointNbr(), 9);
  }
}

TEST(PatchTest, CopyKeepsLevelAndControlMesh) {
  C3DPatch patch;
  makeCube(patch);
  patch.SetLevel(2);
  std::unique_ptr<C3DBaseObject> copy = patch.Copy(0, nullptr);
  ASSERT_NE(copy, nullptr);
  auto* twin = static_cast<C3DPatch*>(*copy);
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(twin->GetLevel(), 2);
  EXPECT_EQ(twin->GetFaceNbr(), 96);
  ASSERT_NE(twin->GetSourceFaceList(), patch.GetSourceFaceList());
  EXPECT_EQ(twin->GetSourceFaceList()->GetSize(), 6);
  EXPECT_EQ(twin->GetSourcePointList()->GetSize(), 8);
  twin->SetLevel(1);
  EXPECT_EQ(twin->GetFaceNbr(), 24) << "the copy refines its own control mesh";
  EXPECT_EQ(patch.GetFaceNbr(), 96);
}

TEST(PatchTest, ArchiveStoresTheControlMesh) {
  C3DPatch patch;
  makeQuad(patch);
  patch.SetLevel(2);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    patch.Serialize(ar);
  }
  EXPECT_EQ(patch.GetLevel(), 2);
  EXPECT_EQ(patch.GetFaceNbr(), 16) << "storing leaves the refined mesh in place";

  C3DPatch loaded;
  loaded.SetPointList(new C3DPointList);
  loaded.SetFaceList(new C3DFaceList);
  CArchive ar(bytes, CArchive::load);
  loaded.Serialize(ar);
  EXPECT_EQ(loaded.GetLevel(), -1);
  ASSERT_EQ(loaded.GetFaceNbr(), 1);
  ASSERT_EQ(loaded.GetPointNbr(), 4);
  expectAt((*loaded.GetPointList())[2], 1, 1, 0);
  loaded.SetLevel(2);
  EXPECT_EQ(loaded.GetFaceNbr(), 16);
}

TEST(PatchTest, SceneSetsTheGlobalLevelOnEveryPatch) {
  vex3d::test::ScopedConfigDir config("patch_test");
  C3DScene scene;
  auto* patch = new C3DPatch;
  makeCube(*patch);
  auto* patchNode = new C3DSceneNode;
  patchNode->SetObject(patch);
  scene.AddNode(nullptr, patchNode);
  auto* mesh = new C3DObject;
  mesh->Init(0, 0, 4, 0, 0);
  addCube(*mesh->GetPointList(), *mesh->GetFaceList());
  auto* meshNode = new C3DSceneNode;
  meshNode->SetObject(mesh);
  scene.AddNode(nullptr, meshNode);
  scene.SetGlobalPatchLevel(1);
  EXPECT_EQ(patch->GetLevel(), 1);
  EXPECT_EQ(patch->GetFaceNbr(), 24);
  EXPECT_EQ(mesh->GetFaceNbr(), 6);
  scene.SetGlobalPatchLevel(2);
  EXPECT_EQ(patch->GetFaceNbr(), 96);
  EXPECT_EQ(GetGlobalPatchLevel(), 2u);
  scene.SetGlobalPatchLevel(1);
}

TEST(PatchTest, SchemesCarryFacesTheyCannotRefine) {
  C3DObject mesh;
  mesh.Init(0, 0, 4, 0, 0);
  for (int i = 0; i < 5; ++i) mesh.GetPointList()->Add(C3DPoint(static_cast<float>(i), 0, 1));
  // Three triangles on edge 0-1 (not manifold), one with a repeated corner,
  // one naming a missing point and one marked for removal.
  addFaces(*mesh.GetFaceList(),
           {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {2, 2, 3}, {2, 3, 99}, {2, 3, 4}});
  mesh.GetFaceList()->ElementAt(5)->SetFlag(FACE_INVALID, 1);
  C3DPatch::Subdivide3(mesh, 1);
  ASSERT_EQ(mesh.GetFaceNbr(), 4 * 4 + 2);
  const C3DFaceList& faces = *mesh.GetFaceList();
  EXPECT_EQ(corners(faces.ElementAt(16)), (std::vector<int>{2, 3, 99}));
  EXPECT_TRUE(faces.ElementAt(17)->IsFlagSet(FACE_INVALID));
  // Edge 0-1 has three opposite points: its point is the midpoint.
  EXPECT_GE(find(*mesh.GetPointList(), 0.5f, 0, 1), 0);

  C3DPatch::Subdivide4(mesh, 1);
  EXPECT_EQ(mesh.GetFaceNbr(), 18) << "no quadrangle: nothing changes";
  C3DPatch::Subdivide3(mesh, 0);
  EXPECT_EQ(mesh.GetFaceNbr(), 18);
}

TEST(PatchTest, PerPointColoursFollowTheNewPoints) {
  C3DPatch patch;
  makeQuad(patch);
  auto* colours = new CVCChannel;
  colours->SetFaceList(CHANNEL_VC, nullptr, 1);
  colours->GetVCPointList()->SetSize(4);
  for (int i = 0; i < 4; ++i)
    (*colours->GetVCPointList())[i][0] = static_cast<std::uint8_t>(100 * (i % 2));
  patch.AddChannel(colours);
  patch.SetLevel(1);
  ASSERT_EQ(patch.GetChannels()->GetSize(), 1);
  auto* refined = static_cast<CVCChannel*>(patch.GetChannels()->GetChannelByIndex(0));
  EXPECT_EQ(refined->GetFaceList(), nullptr);
  ASSERT_EQ(refined->GetPointList()->GetSize(), 9);
  const int centre = find(*patch.GetPointList(), 0.5f, 0.5f, 0);
  ASSERT_GE(centre, 0);
  EXPECT_EQ((*refined->GetVCPointList())[centre][0], 50);
}

}  // namespace
