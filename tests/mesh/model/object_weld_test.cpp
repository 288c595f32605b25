#include <gtest/gtest.h>

#include <vector>

#include "hostlib/core/progress.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/texture_channels.h"

namespace {

std::vector<int> corners(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

struct Mesh {
  C3DObject object;
  Mesh(std::initializer_list<C3DPoint> points, std::initializer_list<std::vector<int>> faces) {
    object.Init(0, 0, 4, 0, 0);
    for (const C3DPoint& p : points) object.GetPointList()->Add(p);
    vex3d::test::addFaces(*object.GetFaceList(), faces);
  }
  int Weld(float tolerance, int& points, int& faces, unsigned int channels = 0x13) {
    return object.Weld3DPoints(tolerance, points, faces, channels);
  }
};

// A texture channel with one channel point per corner, valued by `uv`.
CUVWChannel* addPerCornerTexture(C3DObject& object, const std::vector<std::vector<float>>& uv) {
  auto* channel = new CUVWChannel;
  CUVWPointList& points = *channel->GetUVWPointList();
  CFaceList& faces = *channel->GetFaceList();
  faces.SetSize(*object.GetFaceList());
  int next = 0;
  for (int f = 0; f < object.GetFaceNbr(); ++f) {
    CFace* face = faces.ElementAt(f);
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const std::vector<float>& v = uv[static_cast<std::size_t>(next)];
      points.Add(CUVWPoint(v[0], v[1], 0.0f));
      (*face)[k] = next++;
    }
  }
  object.AddChannel(channel);
  return channel;
}

TEST(WeldTest, ToleranceZeroUsesAThousandthOfTheDiagonalOverAHundred) {
  // Diagonal 10: cells of 1e-4. The first pair is 1e-7 apart, the second 0.01.
  Mesh close(
      {{5, 5, 0}, {6, 5, 0}, {5, 6, 0}, {5, 5, 1e-7f}, {4, 5, 0}, {5, 4, 0}, {0, 0, 0}, {10, 0, 0}},
      {{0, 1, 2}, {3, 4, 5}, {0, 6, 7}});
  int points = -1;
  int faces = -1;
  ASSERT_EQ(close.Weld(0.0f, points, faces), 1);
  EXPECT_EQ(points, 1);
  EXPECT_EQ(faces, 0);
  EXPECT_EQ(corners(close.object.GetFaceList()->ElementAt(1)), (std::vector<int>{0, 3, 4}));
  EXPECT_TRUE(close.object.IsInvalidate(0x10070000));

  Mesh apart(
      {{5, 5, 0}, {6, 5, 0}, {5, 6, 0}, {5, 5, 0.01f}, {4, 5, 0}, {5, 4, 0}, {0, 0, 0}, {10, 0, 0}},
      {{0, 1, 2}, {3, 4, 5}, {0, 6, 7}});
  ASSERT_EQ(apart.Weld(0.0f, points, faces), 1);
  EXPECT_EQ(points, 0);
  EXPECT_EQ(apart.object.GetPointNbr(), 8);
}

TEST(WeldTest, SharedEdgeAndTinyTriangle) {
  Mesh edge({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
            {{0, 1, 2}, {3, 4, 5}});
  int points = -1;
  int faces = -1;
  ASSERT_EQ(edge.Weld(0.001f, points, faces), 1);
  EXPECT_EQ(edge.object.GetPointNbr(), 4);
  EXPECT_EQ(points, 2);
  EXPECT_EQ(faces, 0);
  EXPECT_EQ(corners(edge.object.GetFaceList()->ElementAt(1)), (std::vector<int>{1, 3, 2}));

  // The middle triangle shrinks to nothing: it goes, its neighbours stay.
  Mesh tiny({{0, 0, 0},
             {1, 0, 0},
             {0, 1, 0},
             {0.5f, 0.5f, 0},
             {0.5f, 0.5f, 1e-6f},
             {0.5f, 0.5f, 2e-6f},
             {2, 2, 0}},
            {{0, 1, 3}, {3, 4, 5}, {5, 6, 2}});
  ASSERT_EQ(tiny.Weld(0.001f, points, faces), 1);
  EXPECT_EQ(faces, 1);
  EXPECT_EQ(points, 2);
  ASSERT_EQ(tiny.object.GetFaceNbr(), 2);
  EXPECT_EQ(corners(tiny.object.GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 2}));
}

TEST(WeldTest, SoupOfAClosedMeshBecomesClosedAgain) {
  C3DObject cube;
  cube.Init(0, 0, 4, 0, 0);
  C3DPointList shared;
  C3DFaceList quads;
  vex3d::test::addCube(shared, quads);
  // Every quad gets four points of its own.
  for (int f = 0; f < 6; ++f) {
    const C3DFace* q = quads.ElementAt(f);
    std::vector<int> own;
    for (std::uint32_t k = 0; k < 4; ++k) {
      own.push_back(cube.GetPointList()->Add(shared.ElementAt((*q)[k])));
    }
    vex3d::test::addFaces(*cube.GetFaceList(), {own});
  }
  ASSERT_EQ(cube.GetPointNbr(), 24);
  int points = 0;
  int faces = 0;
  ASSERT_EQ(cube.Weld3DPoints(0.0f, points, faces, 0x13), 1);
  EXPECT_EQ(cube.GetPointNbr(), 8);
  EXPECT_EQ(points, 16);
  EXPECT_EQ(faces, 0);
  CGeomInfo geom(&cube);
  cube.GetFaceList()->InitEdgeToFaceGraph(&geom);
  cube.GetFaceList()->SetBorderFacesStatus(&geom);
  EXPECT_EQ(cube.GetFaceList()->GetNumberOfFaces(FACE_BORDER, 1), 0);
}

TEST(WeldTest, TextureSeamPointsAreNotMergedAway) {
  // Point 3 lies on point 0 and is shared by two faces whose texture
  // coordinates differ there: welding must keep it.
  Mesh seam({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {-1, 0, 0}, {0, -1, 0}},
            {{0, 1, 2}, {3, 4, 5}, {3, 5, 1}});
  addPerCornerTexture(
      seam.object,
      {{0, 0}, {1, 0}, {0, 1}, {0.5f, 0.5f}, {1, 1}, {0, 0}, {0.9f, 0.9f}, {0, 0}, {1, 0}});
  int points = -1;
  int faces = -1;
  ASSERT_EQ(seam.Weld(0.001f, points, faces), 1);
  EXPECT_EQ(seam.object.GetPointNbr(), 6);
  EXPECT_EQ(points, 0);
  // Without the texture among the watched channels the seam does not hold.
  ASSERT_EQ(seam.Weld(0.001f, points, faces, CHANNEL_VC), 1);
  EXPECT_EQ(seam.object.GetPointNbr(), 5);
  ASSERT_EQ(seam.object.GetChannels()->GetSize(), 1) << "the texture itself stays";
}

TEST(WeldTest, ChannelCornersFollowACollapsedCorner) {
  Mesh quad({{0, 0, 0}, {1, 0, 0}, {1, 0, 1e-6f}, {0, 1, 0}}, {{0, 1, 2, 3}});
  CUVWChannel* texture = addPerCornerTexture(quad.object, {{0, 0}, {1, 0}, {1, 0.001f}, {0, 1}});
  int points = -1;
  int faces = -1;
  ASSERT_EQ(quad.Weld(0.001f, points, faces), 1);
  EXPECT_EQ(corners(quad.object.GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(quad.object.GetChannels()->GetSize(), 1);
  // The corner of the merged point went; the channel's unused point too.
  const CFace* channelFace = texture->GetFaceList()->ElementAt(0);
  ASSERT_EQ(corners(channelFace), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(texture->GetUVWPointList()->ElementAt(2).v, 1.0f);
}

TEST(WeldTest, CancelLeavesTheObjectUntouchedAndProgressCloses) {
  Mesh edge({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
            {{0, 1, 2}, {3, 4, 5}});
  vex3d::ProgressRecorder recorder(1);
  {
    vex3d::ProgressHandlerScope scope(recorder.handler());
    int points = -1;
    int faces = -1;
    EXPECT_EQ(edge.Weld(0.001f, points, faces), 0);
    EXPECT_EQ(points, 0);
    EXPECT_EQ(faces, 0);
  }
  EXPECT_EQ(edge.object.GetPointNbr(), 6);
  EXPECT_EQ(corners(edge.object.GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 5}));
  const std::vector<int> codes = recorder.codes();
  ASSERT_GE(codes.size(), 4u);
  EXPECT_EQ(codes[0], 9);
  EXPECT_EQ(codes[1], 4);
  EXPECT_EQ(codes.back(), 32);
  EXPECT_EQ(recorder.events()[0].info.title, "Merging...");

  C3DObject empty;
  int points = -1;
  int faces = -1;
  EXPECT_EQ(empty.Weld3DPoints(0.0f, points, faces, 0), 0) << "no point list";
}

}  // namespace
