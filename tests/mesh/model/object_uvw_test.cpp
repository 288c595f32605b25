#include <gtest/gtest.h>

#include <cmath>

#include "material/material.h"
#include "material/material_map.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"

namespace {

// The projection entry point is the object's own; tests reach it here.
struct Projector : C3DObject {
  using C3DBaseObject::CreateUVWChannel;
};

// The coordinates a projection gives one point.
CUVWPoint project(const C3DPoint& p, MapProjection projection, MapAxis axis,
                  C3DVector tile = C3DVector(1, 1, 1)) {
  Projector object;
  object.Init(0, 0, 4, 0, 0);
  object.GetPointList()->Add(p);
  object.GetPointList()->Add(C3DPoint(p.x + 1, p.y, p.z));
  object.GetPointList()->Add(C3DPoint(p.x, p.y + 1, p.z));
  vex3d::test::addFaces(*object.GetFaceList(), {{0, 1, 2}});
  auto map = CMaterialMap::Create("map.png", vex3d::kNoChannelId, MAP_DIFFUSE, projection);
  map->SetAxis(axis);
  map->SetTile(tile);
  object.CreateUVWChannel(map.get());
  const CUVWChannel* channel =
      object.GetChannels()->GetUVWChannelByID(map->GetChannelID(), nullptr, nullptr);
  if (channel == nullptr) return CUVWPoint(NAN, NAN, NAN);
  return channel->GetUVWPointList()->ElementAt(0);
}

TEST(ProjectionTest, PlanarPerAxis) {
  const CUVWPoint centre = project(C3DPoint(0, 0, 0), PROJECTION_PLANAR, MAP_AXIS_2);
  EXPECT_FLOAT_EQ(centre.u, 0.5f);
  EXPECT_FLOAT_EQ(centre.v, -0.5f);
  const C3DPoint p(0.1f, 0.2f, 0.3f);
  const CUVWPoint a1 = project(p, PROJECTION_PLANAR, MAP_AXIS_1);
  EXPECT_FLOAT_EQ(a1.u, 0.6f);
  EXPECT_FLOAT_EQ(a1.v, -0.8f);
  const CUVWPoint a0 = project(p, PROJECTION_PLANAR, MAP_AXIS_DEFAULT);
  EXPECT_FLOAT_EQ(a0.u, 0.8f);
  EXPECT_FLOAT_EQ(a0.v, -0.7f);
  // Tiling is not applied to planar maps.
  const CUVWPoint tiled = project(p, PROJECTION_PLANAR, MAP_AXIS_1, C3DVector(3, 3, 1));
  EXPECT_FLOAT_EQ(tiled.u, 0.6f);
}

TEST(ProjectionTest, CylindricalAngleAndHeight) {
  // Axis 1: the angle of (y, x) = (-qx, qz), height from qy.
  const CUVWPoint front = project(C3DPoint(0, 0.25f, 1), PROJECTION_CYLINDRICAL, MAP_AXIS_1);
  EXPECT_FLOAT_EQ(front.u, 1.0f);  // angle 0
  EXPECT_FLOAT_EQ(front.v, 0.25f);
  // qx = -1, qz = 0: y > 0 on the x = 0 line gives -pi/2, brought to 3pi/2.
  const CUVWPoint side = project(C3DPoint(-1, 0, 0), PROJECTION_CYLINDRICAL, MAP_AXIS_1);
  EXPECT_NEAR(side.u, 0.25f, 1e-6f);
  // Tiled u wraps into [0, 1].
  const CUVWPoint tiled =
      project(C3DPoint(-1, 0, 0), PROJECTION_CYLINDRICAL, MAP_AXIS_1, C3DVector(3, 1, 1));
  EXPECT_NEAR(tiled.u, 0.75f, 1e-5f);
}

TEST(ProjectionTest, SphericalPoles) {
  // Straight above the centre: latitude +pi/2, so v = 0.
  const CUVWPoint pole = project(C3DPoint(0, 1, 0), PROJECTION_SPHERICAL, MAP_AXIS_1);
  EXPECT_NEAR(pole.v, 0.0f, 1e-6f);
  const CUVWPoint equator = project(C3DPoint(0, 0, 1), PROJECTION_SPHERICAL, MAP_AXIS_1);
  EXPECT_NEAR(equator.v, 0.5f, 1e-6f);
  EXPECT_NEAR(equator.u, 1.0f, 1e-6f);
}

TEST(ProjectionTest, MapMatrixMovesThePointIntoMapSpace) {
  Projector object;
  object.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*object.GetPointList(), *object.GetFaceList());
  auto map = CMaterialMap::Create("map.png", vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_PLANAR);
  map->SetAxis(MAP_AXIS_2);
  map->SetTranslation(C3DVector(1, 1, 1));
  const std::uint32_t id = object.CreateUVWChannel(map.get());
  CUVWChannel* channel = object.GetChannels()->GetUVWChannelByID(id, nullptr, nullptr);
  ASSERT_NE(channel, nullptr);
  EXPECT_TRUE(channel->IsFlagSet(CHANNEL_COMPUTED));
  EXPECT_EQ(map->GetChannelID(), id);
  // Point 6 is (1, 1, 1), the map's origin.
  EXPECT_FLOAT_EQ(channel->GetUVWPointList()->ElementAt(6).u, 0.5f);
  EXPECT_EQ(channel->GetFaceList()->GetSize(), 6);
  EXPECT_TRUE(object.IsInvalidate(0x10020000));
  EXPECT_EQ(object.CreateUVWChannel(map.get()), id) << "an existing channel is reused";
  EXPECT_EQ(object.GetChannels()->GetSize(), 1);

  auto explicitMap =
      CMaterialMap::Create("map.png", vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  EXPECT_EQ(object.CreateUVWChannel(explicitMap.get()), 0u);
  EXPECT_EQ(object.CreateUVWChannel(nullptr), 0u);
}

TEST(ProjectionTest, BoxGivesOnePointPerSideInUse) {
  Projector object;
  object.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*object.GetPointList(), *object.GetFaceList());
  auto map = CMaterialMap::Create("map.png", vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_BOX);
  const std::uint32_t id = object.CreateUVWChannel(map.get());
  CUVWChannel* channel = object.GetChannels()->GetUVWChannelByID(id, nullptr, nullptr);
  ASSERT_NE(channel, nullptr);
  // Every cube corner is seen along three sides.
  EXPECT_EQ(channel->GetUVWPointList()->GetSize(), 24);
  // The bottom face (normal -z) uses axis code 2: (x, -y) after the offset.
  const CFace* bottom = channel->GetFaceList()->ElementAt(0);
  const C3DFace* mesh = object.GetFaceList()->ElementAt(0);
  for (std::uint32_t k = 0; k < 4; ++k) {
    const C3DPoint& p = object.GetPointList()->ElementAt((*mesh)[k]);
    const CUVWPoint& t = channel->GetUVWPointList()->ElementAt((*bottom)[k]);
    EXPECT_FLOAT_EQ(t.u, p.x + 0.5f);
    EXPECT_FLOAT_EQ(t.v, -(p.y + 0.5f));
  }
}

// Two materials on two halves of a cube, each with a texture channel of
// its own; the scene owns the materials.
struct TwoMaterialCube {
  C3DScene scene;
  C3DObject cube;
  std::uint32_t channelA = 0;
  std::uint32_t channelB = 0;
  TwoMaterialCube() {
    cube.Init(0, 0, 4, 0, 0);
    vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
    for (int f = 0; f < 6; ++f) cube.GetFaceList()->ElementAt(f)->SetMaterialID(f < 3 ? 1 : 2);
    for (std::uint32_t m : {1u, 2u}) {
      auto* channel = new CUVWChannel;
      channel->GetFaceList()->SetSizeAndFlags(*cube.GetFaceList(), 0);
      for (int f = 0; f < 6; ++f) {
        CFace* face = channel->GetFaceList()->ElementAt(f);
        if ((f < 3) != (m == 1)) {
          face->SetFlags(FACE_INVALID | FACE_CHANNEL_INVALID, 1);
          continue;
        }
        face->SetSize(4);
        for (std::uint32_t k = 0; k < 4; ++k) {
          (*face)[k] = channel->GetUVWPointList()->Add(
              CUVWPoint(static_cast<float>(m), static_cast<float>(k), 0));
        }
      }
      (m == 1 ? channelA : channelB) = channel->GetChannelID();
      cube.AddChannel(channel);
      C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(m);
      material->AddMaterialMap("wood.png", channel->GetChannelID(), MAP_DIFFUSE,
                               PROJECTION_EXPLICIT);
    }
  }
};

TEST(GlobalizeChannelsTest, MergesPerMaterialChannels) {
  TwoMaterialCube t;
  ASSERT_EQ(t.cube.GlobalizeChannels(&t.scene, 1), 1);
  ASSERT_EQ(t.cube.GetChannels()->GetSize(), 1) << "sources removed";
  CUVWChannel* global =
      t.cube.GetChannels()->GetUVWChannelByID(t.cube.GetGlobalUVWChannel(), nullptr, nullptr);
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(global->GetUVWPointList()->GetSize(), 24);
  for (int f = 0; f < 6; ++f) {
    const CFace* face = global->GetFaceList()->ElementAt(f);
    ASSERT_FALSE(face->IsOneFlagSet(FACE_INVALID | FACE_CHANNEL_INVALID));
    const CUVWPoint& first = global->GetUVWPointList()->ElementAt((*face)[0]);
    EXPECT_EQ(first.u, f < 3 ? 1.0f : 2.0f);
  }
  EXPECT_EQ(t.cube.GlobalizeChannels(&t.scene, 1), 0) << "already global";
}

TEST(GlobalizeChannelsTest, FacesOfMaterialsWithoutChannelCarryNoData) {
  TwoMaterialCube t;
  t.scene.GetMaterial(2)->GetDiffuseMaps()->SetChannelID(vex3d::kNoChannelId);
  ASSERT_EQ(t.cube.GlobalizeChannels(&t.scene, 0), 1);
  EXPECT_EQ(t.cube.GetChannels()->GetSize(), 3) << "sources kept";
  CUVWChannel* global =
      t.cube.GetChannels()->GetUVWChannelByID(t.cube.GetGlobalUVWChannel(), nullptr, nullptr);
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(global->GetUVWPointList()->GetSize(), 12);
  EXPECT_TRUE(global->GetFaceList()->ElementAt(4)->IsFlagSet(FACE_INVALID | FACE_CHANNEL_INVALID));
}

TEST(GenerateUVWTest, KeptChannelsBecomeStoredCoordinates) {
  C3DScene scene;
  C3DObject cube;
  cube.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
  for (int f = 0; f < 6; ++f) cube.GetFaceList()->ElementAt(f)->SetMaterialID(5);
  C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(5);
  CMaterialMap* map =
      material->AddMaterialMap("wood.png", vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_PLANAR);
  EXPECT_EQ(cube.GenerateUVW(&scene, 0), 0);
  ASSERT_EQ(cube.GetChannels()->GetSize(), 1);
  EXPECT_TRUE(cube.GetChannels()->GetChannelByIndex(0)->IsFlagSet(CHANNEL_COMPUTED));
  EXPECT_EQ(map->GetProjection(), PROJECTION_PLANAR);

  EXPECT_EQ(cube.GenerateUVW(&scene, 1), 1);
  ASSERT_EQ(cube.GetChannels()->GetSize(), 1);
  EXPECT_FALSE(cube.GetChannels()->GetChannelByIndex(0)->IsFlagSet(CHANNEL_COMPUTED));
  EXPECT_EQ(map->GetProjection(), PROJECTION_EXPLICIT);
}

// A unit cube whose faces all use material 5 of the scene, whose diffuse
// map is projected onto it.
struct ProjectedCube {
  C3DScene scene;
  C3DObject cube;
  CMaterialMap* map = nullptr;
  explicit ProjectedCube(MapProjection projection) {
    cube.Init(0, 0, 4, 0, 0);
    vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
    for (int f = 0; f < 6; ++f) cube.GetFaceList()->ElementAt(f)->SetMaterialID(5);
    map = scene.GetMaterials().CreateNewMaterial(5)->AddMaterialMap("wood.png", vex3d::kNoChannelId,
                                                                    MAP_DIFFUSE, projection);
    map->SetAxis(MAP_AXIS_2);
  }
  CUVWChannel* coordinates() const {
    return cube.GetChannels()->GetUVWChannelByID(map->GetChannelID(), nullptr, nullptr);
  }
};

constexpr unsigned int kEverything = 0xFFF0000;

TEST(UpdateTest, MakesProjectedCoordinatesOnceAndClearsTheBit) {
  ProjectedCube t(PROJECTION_PLANAR);
  ASSERT_TRUE(t.cube.IsInvalidate(UPDATE_UVW)) << "a new mesh has no coordinates yet";
  t.cube.Update(nullptr, kEverything);
  EXPECT_TRUE(t.cube.IsInvalidate(UPDATE_UVW)) << "no scene, no materials: the bit waits";
  EXPECT_EQ(t.cube.GetChannels()->GetSize(), 0);

  t.cube.Invalidate(UPDATE_MODIFIED, 0);
  t.cube.Update(&t.scene, kEverything);
  EXPECT_FALSE(t.cube.IsInvalidate(UPDATE_UVW));
  EXPECT_TRUE(t.cube.IsInvalidate(UPDATE_MODIFIED)) << "new coordinates change what is drawn";
  CUVWChannel* channel = t.coordinates();
  ASSERT_NE(channel, nullptr);
  EXPECT_TRUE(channel->IsFlagSet(CHANNEL_COMPUTED));
  ASSERT_EQ(channel->GetUVWPointList()->GetSize(), 8);
  // Point 6 is (1, 1, 1): axis 2 gives (x + 0.5, -(y + 0.5)).
  EXPECT_FLOAT_EQ(channel->GetUVWPointList()->ElementAt(6).u, 1.5f);
  EXPECT_FLOAT_EQ(channel->GetUVWPointList()->ElementAt(6).v, -1.5f);

  // Up to date: nothing is made again, even after the map changed.
  channel->GetUVWPointList()->ElementAt(0).u = 42.0f;
  t.map->SetAxis(MAP_AXIS_1);
  t.cube.Update(&t.scene, kEverything);
  EXPECT_EQ(t.coordinates(), channel);
  EXPECT_EQ(channel->GetUVWPointList()->ElementAt(0).u, 42.0f);
  EXPECT_EQ(t.cube.GetChannels()->GetSize(), 1);
}

TEST(UpdateTest, InvalidatedCoordinatesFollowTheMapAgain) {
  ProjectedCube t(PROJECTION_PLANAR);
  t.cube.Update(&t.scene, kEverything);
  // Changed channels drop the computed ones and ask for new coordinates.
  t.map->SetAxis(MAP_AXIS_1);
  t.cube.Invalidate(OBJECT_CHANGED_CHANNELS, 1);
  EXPECT_TRUE(t.cube.IsInvalidate(UPDATE_UVW));
  t.cube.Update(&t.scene, kEverything);
  ASSERT_NE(t.coordinates(), nullptr);
  // Axis 1 gives (x + 0.5, -(z + 0.5)); point 4 is (0, 0, 1).
  EXPECT_FLOAT_EQ(t.coordinates()->GetUVWPointList()->ElementAt(4).v, -1.5f);

  t.map->SetProjection(PROJECTION_BOX);
  t.cube.Invalidate(OBJECT_CHANGED_CHANNELS, 1);
  t.cube.Update(&t.scene, kEverything);
  ASSERT_EQ(t.cube.GetChannels()->GetChannelsNumber(CHANNEL_UVW, 0), 1);
  ASSERT_NE(t.coordinates(), nullptr);
  EXPECT_EQ(t.coordinates()->GetUVWPointList()->GetSize(), 24) << "box: one point per side";

  // A projection switched off leaves the object without coordinates.
  t.map->SetProjection(PROJECTION_EXPLICIT);
  t.cube.Invalidate(OBJECT_CHANGED_CHANNELS, 1);
  t.cube.Update(&t.scene, kEverything);
  EXPECT_EQ(t.cube.GetChannels()->GetChannelsNumber(CHANNEL_UVW, 0), 0);
}

TEST(UpdateTest, AnObjectWithoutProjectedMapsIsLeftAlone) {
  TwoMaterialCube t;
  ASSERT_TRUE(t.cube.IsInvalidate(UPDATE_UVW));
  t.cube.Invalidate(UPDATE_MODIFIED, 0);
  const std::uint32_t before = t.cube.GetUpdateFlags();
  const CChannel* first = t.cube.GetChannels()->GetChannelByIndex(0);
  t.cube.Update(&t.scene, kEverything);
  EXPECT_EQ(t.cube.GetUpdateFlags(), before & ~static_cast<std::uint32_t>(UPDATE_UVW));
  ASSERT_EQ(t.cube.GetChannels()->GetSize(), 2);
  EXPECT_EQ(t.cube.GetChannels()->GetChannelByIndex(0), first);
  EXPECT_EQ(t.scene.GetMaterial(1)->GetDiffuseMaps()->GetChannelID(), t.channelA);

  // Curves take no coordinates; their bit is cleared all the same.
  C3DCurve curve;
  curve.Invalidate(OBJECT_CHANGED_CHANNELS, 1);
  ASSERT_TRUE(curve.IsInvalidate(UPDATE_UVW));
  curve.Update(&t.scene, kEverything);
  EXPECT_FALSE(curve.IsInvalidate(UPDATE_UVW));
  EXPECT_EQ(curve.GetChannels()->GetSize(), 0);
}

TEST(UpdateTest, ObjectsSharingAProjectedMaterialKeepTheirCoordinates) {
  ProjectedCube t(PROJECTION_SPHERICAL);
  C3DObject other;
  other.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*other.GetPointList(), *other.GetFaceList(), 3.0f);
  for (int f = 0; f < 6; ++f) other.GetFaceList()->ElementAt(f)->SetMaterialID(5);
  t.cube.Update(&t.scene, kEverything);
  other.Update(&t.scene, kEverything);
  // Both are drawn through the one channel id the map names.
  const std::uint32_t id = t.map->GetChannelID();
  EXPECT_NE(t.cube.GetChannels()->GetUVWChannelByID(id, nullptr, nullptr), nullptr);
  EXPECT_NE(other.GetChannels()->GetUVWChannelByID(id, nullptr, nullptr), nullptr);
  // Regenerating one keeps the id.
  other.Invalidate(OBJECT_CHANGED_POINTS, 1);
  other.Update(&t.scene, kEverything);
  EXPECT_EQ(t.map->GetChannelID(), id);
  EXPECT_NE(other.GetChannels()->GetUVWChannelByID(id, nullptr, nullptr), nullptr);
}

}  // namespace
