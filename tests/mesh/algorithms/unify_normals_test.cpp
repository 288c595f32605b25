#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/mesh_builders.h"
#include "mesh/model/geom_info.h"

namespace {

using vex3d::test::addCube;
using vex3d::test::addFaces;

std::vector<int> sortedFlips(const CIntArrayID& flipped) {
  std::vector<int> v(flipped.GetData(), flipped.GetData() + flipped.GetSize());
  std::sort(v.begin(), v.end());
  return v;
}

struct Mesh {
  C3DPointList points;
  C3DFaceList faces;
  CGeomInfo geom{&faces, &points};
  CIntArrayID flipped;
  int Unify() { return faces.UnifyNormals(&geom, flipped); }
  std::vector<int> Face(int i) {
    const CFace* f = faces.ElementAt(i);
    return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
  }
};

TEST(UnifyNormalsTest, InsideOutCubeIsTurnedWhole) {
  Mesh m;
  addCube(m.points, m.faces, 0.0f, true);
  EXPECT_EQ(m.Unify(), 1);
  EXPECT_EQ(sortedFlips(m.flipped), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  Mesh outward;
  addCube(outward.points, outward.faces);
  for (int f = 0; f < 6; ++f) EXPECT_EQ(m.Face(f), std::vector<int>(outward.Face(f))) << f;
}

TEST(UnifyNormalsTest, OneWrongFaceIsTheOnlyOneFlipped) {
  for (int wrong = 0; wrong < 6; ++wrong) {
    Mesh m;
    addCube(m.points, m.faces);
    const std::vector<int> before = m.Face(wrong);
    m.faces.ElementAt(wrong)->Flip();
    EXPECT_EQ(m.Unify(), 1);
    EXPECT_EQ(sortedFlips(m.flipped), (std::vector<int>{wrong}));
    EXPECT_EQ(m.Face(wrong), before);
  }
}

TEST(UnifyNormalsTest, PiecesAreJudgedOneByOne) {
  Mesh m;
  addCube(m.points, m.faces, 0.0f);
  addCube(m.points, m.faces, 3.0f, true);
  EXPECT_EQ(m.Unify(), 1);
  EXPECT_EQ(sortedFlips(m.flipped), (std::vector<int>{6, 7, 8, 9, 10, 11}));
}

TEST(UnifyNormalsTest, ConsistentOutwardMeshIsLeftAlone) {
  Mesh m;
  addCube(m.points, m.faces);
  EXPECT_EQ(m.Unify(), 0);
  EXPECT_EQ(m.flipped.GetSize(), 0);
}

TEST(UnifyNormalsTest, FlatQuadIsJudgedFromBelow) {
  Mesh up;
  for (int i = 0; i < 4; ++i)
    up.points.Add(C3DPoint(i == 1 || i == 2 ? 1.0f : 0.0f, i >= 2 ? 1.0f : 0.0f, 0));
  addFaces(up.faces, {{0, 1, 2, 3}});  // normal +z
  EXPECT_EQ(up.Unify(), 1);
  EXPECT_EQ(up.Face(0), (std::vector<int>{3, 2, 1, 0}));
  EXPECT_EQ(up.Unify(), 0) << "normal -z now stays";
}

TEST(UnifyNormalsTest, ThreeFacesOnAnEdgeAllFollow) {
  // A fin of three triangles on edge 0-1, the last two wound like the
  // first along that edge.
  Mesh m;
  m.points.Add(C3DPoint(0, 0, 0));
  m.points.Add(C3DPoint(1, 0, 0));
  m.points.Add(C3DPoint(0.5f, 1, 0));
  m.points.Add(C3DPoint(0.5f, -1, 0.2f));
  m.points.Add(C3DPoint(0.5f, 0, 1));
  addFaces(m.faces, {{0, 1, 2}, {0, 1, 3}, {0, 1, 4}});
  m.Unify();
  for (int f = 1; f < 3; ++f) {
    // Face f runs edge 0-1 against face 0.
    EXPECT_NE(m.faces.ElementAt(f)->IsFaceEdge(0, 1, 1) >= 0,
              m.faces.ElementAt(0)->IsFaceEdge(0, 1, 1) >= 0);
  }
}

}  // namespace
