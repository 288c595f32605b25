#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hostlib/core/archive.h"
#include "math/matrix4x4.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/edge.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"

namespace {

constexpr float kPi = 3.1415927f;

void makeCube(C3DObject& cube) {
  cube.Init(0, 0, 4, 0, 0);
  vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList());
}

// An n x n grid of quads in the plane z = 0.
void makeGrid(C3DObject& grid, int n) {
  grid.Init((n + 1) * (n + 1), n * n, 4, 0, 0);
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) {
      (*grid.GetPointList())[y * (n + 1) + x].Init(static_cast<float>(x), static_cast<float>(y),
                                                   0.0f);
    }
  }
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int a = y * (n + 1) + x;
      grid.GetFaceList()->ElementAt(y * n + x)->SetQuadrangle(a, a + 1, a + n + 2, a + n + 1);
    }
  }
}

void expectVector(const C3DVector& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

// A grid large enough to be shared among threads, folded along one column:
// the left half faces +z, the right half is tilted by 60 degrees.
TEST(NormalsTest, ALargeFoldedGridSmoothsEachSideAndMarksTheFoldOnce) {
  constexpr int kSide = 300;  // 89,401 points, 178,802 triangles
  constexpr int kFold = 120;
  const float slope = std::tan(60.0f * kPi / 180.0f);
  C3DObject grid;
  grid.Init(kSide * kSide, 2 * (kSide - 1) * (kSide - 1), 3, 0, 0);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const float z = x > kFold ? slope * static_cast<float>(x - kFold) : 0.0f;
      (*grid.GetPointList())[y * kSide + x].Init(static_cast<float>(x), static_cast<float>(y), z);
    }
  }
  C3DFaceList& faces = *grid.GetFaceList();
  for (int y = 0, f = 0; y + 1 < kSide; ++y) {
    for (int x = 0; x + 1 < kSide; ++x) {
      const int a = y * kSide + x;
      faces.ElementAt(f++)->SetTriangle(a, a + 1, a + kSide + 1);
      faces.ElementAt(f++)->SetTriangle(a, a + kSide + 1, a + kSide);
    }
  }
  grid.SetSmoothAngle(30.0f * kPi / 180.0f);
  CPointNormalChannel* pointChannel = grid.GetPointNormalChannel();
  ASSERT_NE(pointChannel, nullptr);
  const C3DVectorList& pointNormals = *pointChannel->GetNormalVectorList();
  const C3DVectorList& faceNormals = *grid.GetFaceNormalChannel()->GetNormalVectorList();
  ASSERT_EQ(pointNormals.GetSize(), kSide * kSide);
  ASSERT_EQ(faceNormals.GetSize(), faces.GetSize());
  const C3DVector flat(0.0f, 0.0f, 1.0f);
  const C3DVector tilted(-std::sin(60.0f * kPi / 180.0f), 0.0f, std::cos(60.0f * kPi / 180.0f));
  for (int f = 0; f < faces.GetSize(); ++f) {
    const int x = f / 2 % (kSide - 1);
    const C3DVector& expected = x < kFold ? flat : tilted;
    expectVector(faceNormals[f], expected.x, expected.y, expected.z);
    // Around a point of the fold the first face, the reference, is on the
    // flat side: the tilted faces there are beyond the angle.
    EXPECT_EQ(faces.ElementAt(f)->IsFlagSet(FACE_NOT_SMOOTH), x == kFold) << f;
  }
  for (int p = 0; p < kSide * kSide; ++p) {
    const int x = p % kSide;
    // The fold's points take the flat side's normal, the side of their
    // reference face.
    const C3DVector& expected = x > kFold ? tilted : flat;
    expectVector(pointNormals[p], expected.x, expected.y, expected.z);
  }
}

TEST(NormalsTest, CubeAtThirtyDegreesKeepsItsEdgesHard) {
  C3DObject cube;
  makeCube(cube);
  cube.SetSmoothAngle(30.0f * kPi / 180.0f);
  CPointNormalChannel* points = cube.GetPointNormalChannel();
  CFaceNormalChannel* faces = cube.GetFaceNormalChannel();
  ASSERT_NE(points, nullptr);
  EXPECT_TRUE(points->IsFlagSet(CHANNEL_COMPUTED));
  EXPECT_FALSE(points->IsFlagSet(CHANNEL_STALE));
  CGeomInfo geom(&cube);
  C3DFaceList& list = *cube.GetFaceList();
  int notSmooth = 0;
  for (int f = 0; f < 6; ++f) notSmooth += list.ElementAt(f)->IsFlagSet(FACE_NOT_SMOOTH) ? 1 : 0;
  EXPECT_GT(notSmooth, 0);
  // Every point normal is the normal of the first face around it.
  list.InitPointToFaceGraph(&geom);
  for (int p = 0; p < 8; ++p) {
    int n = 0;
    const int* around = list.GetFacesConnectedToPoint(p, n);
    ASSERT_EQ(n, 3);
    const C3DVector& expected = (*faces->GetNormalVectorList())[around[0]];
    const C3DVector& got = (*points->GetNormalVectorList())[p];
    expectVector(got, expected.x, expected.y, expected.z);
  }
  // Each corner of each face answers with its face's own normal.
  C3DVector out;
  points->PrepareSmoothing(&geom, nullptr, faces, &out, cube.GetSmoothAngle());
  for (int f = 0; f < 6; ++f) {
    const C3DVector& own = (*faces->GetNormalVectorList())[f];
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(points->GetSmoothNormalByCorner(f, k), NORMAL_FROM_SMOOTHING);
      expectVector(out, own.x, own.y, own.z);
    }
  }
}

TEST(NormalsTest, HalfTurnSmoothsEverything) {
  C3DObject cube;
  makeCube(cube);
  cube.SetSmoothAngle(kPi);
  CPointNormalChannel* points = cube.GetPointNormalChannel();
  for (int f = 0; f < 6; ++f) {
    EXPECT_FALSE(cube.GetFaceList()->ElementAt(f)->IsFlagSet(FACE_NOT_SMOOTH));
  }
  const float d = 1.0f / std::sqrt(3.0f);
  expectVector((*points->GetNormalVectorList())[6], d, d, d);
  expectVector((*points->GetNormalVectorList())[0], -d, -d, -d);
}

TEST(NormalsTest, FlatGridHasThePlaneNormalEverywhere) {
  C3DObject grid;
  makeGrid(grid, 4);
  CPointNormalChannel* points = grid.GetPointNormalChannel();
  for (int p = 0; p < grid.GetPointNbr(); ++p)
    expectVector((*points->GetNormalVectorList())[p], 0, 0, 1);
  EXPECT_EQ(grid.GetFaceList()->GetNumberOfFaces(static_cast<unsigned int>(FACE_NOT_SMOOTH), 1), 0);
  // A new angle drops the computed normals; asking again rebuilds them.
  grid.SetSmoothAngle(0.1f);
  EXPECT_EQ(grid.GetChannels()->GetSize(), 0);
  EXPECT_NE(grid.GetPointNormalChannel(), nullptr);
}

TEST(NormalsTest, SpecifiedVectorsWinAtTheirCorners) {
  C3DObject grid;
  makeGrid(grid, 1);
  auto* specified = new CSpecNormalChannel;
  specified->GetNormalVectorList()->Add(C3DVector(1, 0, 0));
  C3DVector recompute(0, 0, 0);
  recompute.SetFlag(POINT_UV_FRONTIER, 1);
  specified->GetNormalVectorList()->Add(recompute);
  C3DVector unspecified(0, 0, 0);
  unspecified.SetFlag(POINT_UNSPECIFIED, 1);
  specified->GetNormalVectorList()->Add(unspecified);
  specified->GetNormalFaceList()->SetSize(1, 4);
  specified->GetNormalFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 2);
  grid.AddChannel(specified);

  CGeomInfo geom(&grid);
  CPointNormalChannel* points = grid.GetPointNormalChannel();
  C3DVector out;
  points->PrepareSmoothing(&geom, specified, grid.GetFaceNormalChannel(), &out, 0.5f);
  EXPECT_EQ(points->GetSmoothNormalByCorner(0, 0), NORMAL_FROM_SPEC);
  expectVector(out, 1, 0, 0);
  EXPECT_EQ(points->GetSmoothNormalByCorner(0, 1), NORMAL_FROM_SPEC_COMPUTED);
  expectVector(out, 0, 0, 1);  // computed from the face by PrepareSmoothing
  EXPECT_EQ(points->GetSmoothNormalByCorner(0, 2), NORMAL_FROM_SMOOTHING);
  expectVector(out, 0, 0, 1);
  const int point0 = (*grid.GetFaceList()->ElementAt(0))[0];
  EXPECT_EQ(points->GetSmoothNormalByIndex(0, point0), NORMAL_FROM_SPEC_BY_INDEX);
}

TEST(NormalsTest, ZeroVectorsBecomeUnspecifiedAndAreFilled) {
  C3DObject grid;
  makeGrid(grid, 1);
  auto* specified = new CSpecNormalChannel;
  specified->GetNormalVectorList()->Add(C3DVector(0, 0, 2));
  specified->GetNormalVectorList()->Add(C3DVector(0, 0, 0));
  specified->GetNormalFaceList()->SetSize(1, 4);
  specified->GetNormalFaceList()->ElementAt(0)->SetQuadrangle(0, 0, 1, 0);
  grid.AddChannel(specified);
  EXPECT_EQ(specified->Normalize(), 1);
  expectVector((*specified->GetNormalVectorList())[0], 0, 0, 1);
  EXPECT_TRUE((*specified->GetNormalVectorList())[1].IsFlagSet(POINT_UNSPECIFIED));

  CGeomInfo geom(&grid);
  specified->GenerateNormals(&geom, NORMALS_FILL_CORNERS, 0.5f);
  const CFace* f = specified->GetNormalFaceList()->ElementAt(0);
  const int filled = (*f)[2];
  EXPECT_EQ(filled, 2);
  expectVector((*specified->GetNormalVectorList())[filled], 0, 0, 1);
  EXPECT_TRUE((*specified->GetNormalVectorList())[1].IsFlagSet(POINT_INVALID));

  // Nothing left to fill: nothing changes.
  const int before = specified->GetNormalVectorList()->GetSize();
  specified->GenerateNormals(&geom, NORMALS_FILL_CORNERS, 0.5f);
  EXPECT_EQ(specified->GetNormalVectorList()->GetSize(), before);
}

TEST(NormalsTest, FacesWithoutNormalsAreFilledWhenAsked) {
  C3DObject grid;
  makeGrid(grid, 2);
  auto* specified = new CSpecNormalChannel;
  specified->GetNormalFaceList()->SetSize(4, 4);
  specified->GetNormalFaceList()->SetFacesFlags(FACE_CHANNEL_INVALID, 1);
  grid.AddChannel(specified);
  CGeomInfo geom(&grid);
  specified->GenerateNormals(&geom, NORMALS_FILL_CORNERS, 0.5f);
  EXPECT_EQ(specified->GetNormalVectorList()->GetSize(), 0);
  specified->GenerateNormals(&geom, NORMALS_FILL_FACES, 0.5f);
  // One shared vector per mesh point: all faces agree on a flat grid.
  EXPECT_EQ(specified->GetNormalVectorList()->GetSize(), 9);
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(specified->GetNormalFaceList()->ElementAt(f)->GetSize(), 4u);
    EXPECT_FALSE(specified->GetNormalFaceList()->ElementAt(f)->IsOneFlagSet(0x03));
  }
}

TEST(NormalsTest, AllUnspecifiedFacesAreEmptiedAndTheChannelInvalidated) {
  CSpecNormalChannel specified;
  specified.GetNormalVectorList()->Add(C3DVector(0, 0, 0));
  specified.GetNormalFaceList()->SetSize(1, 3);
  specified.GetNormalFaceList()->ElementAt(0)->SetTriangle(0, 0, 0);
  EXPECT_EQ(specified.Normalize(), 0);
  EXPECT_TRUE(specified.IsFlagSet(CHANNEL_INVALID));
  EXPECT_EQ(specified.GetNormalFaceList()->ElementAt(0)->GetSize(), 0u);
}

TEST(NormalsTest, TransformKeepsDirectionsAndUnitLength) {
  CPointNormalChannel points;
  points.GetNormalVectorList()->Add(C3DVector(0, 0, 1));
  CSpecNormalChannel specified;
  specified.GetNormalVectorList()->Add(C3DVector(1, 0, 0));
  C4x4Matrix m(1);
  m.Translate(5, -3, 2);
  m.Scale(3, 3, 3);
  EXPECT_EQ(points.MatrixTransform(m), 1);
  EXPECT_EQ(specified.MatrixTransform(m), 1);
  expectVector((*points.GetNormalVectorList())[0], 0, 0, 1);
  expectVector((*specified.GetNormalVectorList())[0], 1, 0, 0);
  C4x4Matrix turn(1);
  turn.InitRotation(kPi / 2, 0, 0, 1);
  turn.Scale(2, 2, 2);
  specified.MatrixTransform(turn);
  expectVector((*specified.GetNormalVectorList())[0], 0, -1, 0);
  EXPECT_EQ(specified.MatrixTransform(C4x4Matrix(1)), 0);
}

TEST(NormalsTest, BreaksBetweenSpecifiedNormals) {
  // Two triangles folded along edge 1-2; the specified normals of the
  // shared points differ between the faces.
  C3DObject hinge;
  hinge.Init(4, 2, 3, 0, 0);
  (*hinge.GetPointList())[1].Init(1, 0, 0);
  (*hinge.GetPointList())[2].Init(0, 1, 0);
  (*hinge.GetPointList())[3].Init(1, 1, 1);
  hinge.GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  hinge.GetFaceList()->ElementAt(1)->SetTriangle(2, 1, 3);
  auto* specified = new CSpecNormalChannel;
  specified->GetNormalVectorList()->Add(C3DVector(0, 0, 1));
  specified->GetNormalVectorList()->Add(C3DVector(0, 1, 0));
  specified->GetNormalFaceList()->SetSize(2, 3);
  specified->GetNormalFaceList()->ElementAt(0)->SetTriangle(0, 0, 0);
  specified->GetNormalFaceList()->ElementAt(1)->SetTriangle(1, 1, 1);
  hinge.AddChannel(specified);
  CGeomInfo geom(&hinge);
  specified->InitNormalBreakFlag(&geom, 0.5f, 1);
  EXPECT_TRUE((*hinge.GetPointList())[1].IsFlagSet(POINT_NORMAL_BREAK));
  EXPECT_TRUE((*hinge.GetPointList())[2].IsFlagSet(POINT_NORMAL_BREAK));
  EXPECT_FALSE((*hinge.GetPointList())[0].IsFlagSet(POINT_NORMAL_BREAK));
  EXPECT_TRUE((*specified->GetNormalVectorList())[0].IsFlagSet(POINT_NORMAL_BREAK));
  EXPECT_EQ(specified->IsNormalFrontier(&geom, std::cos(0.5f), C3DEdge(1, 2), 0, 1), 1);
  // Within a right angle and a bit more, the two normals are one.
  EXPECT_EQ(specified->IsNormalFrontier(&geom, std::cos(1.6f), C3DEdge(1, 2), 0, 1), 0);
}

TEST(NormalsTest, ComputedNormalsAreNotStored) {
  C3DObject cube;
  makeCube(cube);
  cube.GetPointNormalChannel();
  auto* given = new CSpecNormalChannel;
  given->GetNormalFaceList()->SetSize(*cube.GetFaceList());
  cube.AddChannel(given);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    cube.Serialize(ar);
  }
  C3DObject loaded;
  CArchive ar(bytes, CArchive::load);
  loaded.Serialize(ar);
  ASSERT_EQ(loaded.GetChannels()->GetSize(), 1);
  CSpecNormalChannel* specified = loaded.GetChannels()->GetSpecNormalChannel();
  ASSERT_NE(specified, nullptr);
  EXPECT_TRUE(specified->IsFlagSet(CHANNEL_STALE | CHANNEL_MASKED_POINTS));
  EXPECT_NE(loaded.GetPointNormalChannel(), nullptr);
  EXPECT_EQ(loaded.GetChannels()->GetSize(), 3);
}

}  // namespace
