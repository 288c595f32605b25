#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"

namespace {

// A shared cube whose texture gives every face its own four coordinates.
struct FacetedCube {
  C3DObject cube;
  CUVWChannel* uvw = new CUVWChannel;
  FacetedCube() {
    cube.Init(0, 0, 4, 0, 0);
    vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
    uvw->GetFaceList()->SetSize(*cube.GetFaceList());
    for (int f = 0; f < 6; ++f) {
      CFace* face = uvw->GetFaceList()->ElementAt(f);
      for (std::uint32_t k = 0; k < 4; ++k) {
        (*face)[k] = uvw->GetUVWPointList()->Add(
            CUVWPoint(static_cast<float>(f), static_cast<float>(k), 0.0f));
      }
    }
    cube.AddChannel(uvw);
  }
};

TEST(DisconnectBorderFacesTest, EveryCubeCornerSplitsIntoThree) {
  FacetedCube t;
  ASSERT_EQ(t.cube.DisconnectBorderFaces(), 1);
  ASSERT_EQ(t.cube.GetPointNbr(), 24);
  // No two faces share a point any more, and each point keeps its place.
  std::set<int> used;
  for (int f = 0; f < 6; ++f) {
    const C3DFace* face = t.cube.GetFaceList()->ElementAt(f);
    for (std::uint32_t k = 0; k < 4; ++k) EXPECT_TRUE(used.insert((*face)[k]).second);
  }
  C3DPointList original;
  C3DFaceList originalFaces;
  vex3d::test::addCube(original, originalFaces);
  for (int f = 0; f < 6; ++f) {
    const C3DFace* now = t.cube.GetFaceList()->ElementAt(f);
    const C3DFace* was = originalFaces.ElementAt(f);
    for (std::uint32_t k = 0; k < 4; ++k) {
      const C3DPoint& a = t.cube.GetPointList()->ElementAt((*now)[k]);
      const C3DPoint& b = original.ElementAt((*was)[k]);
      EXPECT_EQ(std::tie(a.x, a.y, a.z), std::tie(b.x, b.y, b.z));
    }
  }
  EXPECT_TRUE(t.cube.IsInvalidate(0x10070000));
  EXPECT_EQ(t.cube.DisconnectBorderFaces(), 0) << "nothing left to split";
}

TEST(DisconnectBorderFacesTest, FacesAgreeingOnAValueKeepSharing) {
  // Two faces of the cube's top carry the same coordinates at their shared
  // edge: only the faces that differ are split off.
  FacetedCube t;
  CUVWPointList& uv = *t.uvw->GetUVWPointList();
  for (int i = 0; i < uv.GetSize(); ++i) uv.ElementAt(i) = CUVWPoint(0.5f, 0.5f, 0.0f);
  // Face 1 (the top) alone differs everywhere.
  for (std::uint32_t k = 0; k < 4; ++k) {
    uv.ElementAt((*t.uvw->GetFaceList()->ElementAt(1))[k]) = CUVWPoint(9.0f, 9.0f, 0.0f);
  }
  ASSERT_EQ(t.cube.DisconnectBorderFaces(), 1);
  EXPECT_EQ(t.cube.GetPointNbr(), 12);
}

TEST(DisconnectBorderFacesTest, NothingWithoutStoredChannels) {
  C3DObject cube;
  cube.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
  EXPECT_EQ(cube.DisconnectBorderFaces(), 0);
  FacetedCube computed;
  computed.uvw->SetFlag(CHANNEL_COMPUTED, 1);
  EXPECT_EQ(computed.cube.DisconnectBorderFaces(), 0);
  EXPECT_EQ(computed.cube.GetPointNbr(), 8);
  C3DObject empty;
  EXPECT_EQ(empty.DisconnectBorderFaces(), 0);
}

}  // namespace
