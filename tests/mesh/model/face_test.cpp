#include <gtest/gtest.h>

#include <vector>

#include "math/point4d.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

std::vector<int> indicesOf(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

C3DFace* addFace(C3DFaceList& list, std::initializer_list<int> indices) {
  C3DSingleFace f;
  for (int i : indices) f.AddIndex(i);
  return list[list.Add(&f)];
}

}  // namespace

TEST(Face, ResizingBelowThreeIndicesInvalidatesAndBackRevalidates) {
  C3DFaceList list;
  C3DFace* f = addFace(list, {1, 2, 3});
  f->SetSize(2);
  EXPECT_TRUE(f->IsFlagSet(FACE_INVALID));
  f->SetSize(3);
  EXPECT_FALSE(f->IsFlagSet(FACE_INVALID));
  EXPECT_EQ(indicesOf(f), (std::vector<int>{1, 2, 0})) << "regrown slots are zero";
}

TEST(Face, ChannelFacesUseTheirOwnInvalidBit) {
  CUVWFaceList uvw;
  uvw.SetSize(1);
  CUVWFace* f = uvw[0];
  f->SetSize(2);
  EXPECT_EQ(f->GetFlags(), FACE_CHANNEL_INVALID);
  f->SetTriangle(0, 1, 2);
  EXPECT_EQ(f->GetFlags(), 0u);
  f->RemoveAll();
  EXPECT_EQ(f->GetSize(), 0u);
  EXPECT_EQ(f->GetFlags(), FACE_CHANNEL_INVALID);
}

TEST(Face, ReplaceIndexMergesWhenTheNewIndexIsPresent) {
  C3DFaceList list;
  C3DFace* quad = addFace(list, {5, 7, 9, 11});
  int position = 99;
  EXPECT_EQ(quad->ReplaceIndex(5, 7, position), 5);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(indicesOf(quad), (std::vector<int>{7, 9, 11}));
  EXPECT_FALSE(quad->IsFlagSet(FACE_INVALID));

  C3DFace* tri = addFace(list, {5, 7, 9});
  EXPECT_EQ(tri->ReplaceIndex(5, 7, position), 2);
  EXPECT_EQ(indicesOf(tri), (std::vector<int>{7, 9}));
  EXPECT_TRUE(tri->IsFlagSet(FACE_INVALID));

  C3DFace* plain = addFace(list, {1, 2, 3});
  EXPECT_EQ(plain->ReplaceIndex(2, 8, position), 1);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(indicesOf(plain), (std::vector<int>{1, 8, 3}));
  EXPECT_EQ(plain->ReplaceIndex(4, 6, position), 0);
  EXPECT_EQ(position, -1);
  EXPECT_EQ(plain->ReplaceIndex(8, 8, position), 0);
  EXPECT_EQ(position, -1);
}

TEST(Face, RemoveIndexDropsTheLastOccurrence) {
  C3DFaceList list;
  C3DFace* f = addFace(list, {4, 1, 4, 2, 3});
  EXPECT_EQ(f->RemoveIndex(4), 1);
  EXPECT_EQ(indicesOf(f), (std::vector<int>{4, 1, 2, 3}));
  EXPECT_EQ(f->RemoveIndex(9), 0);
  EXPECT_EQ(f->RemoveIndex(1), 1);
  EXPECT_FALSE(f->IsFlagSet(FACE_INVALID)) << "a quadrangle becomes a triangle";
  EXPECT_EQ(f->RemoveIndex(2), 1);
  EXPECT_TRUE(f->IsFlagSet(FACE_INVALID));
  EXPECT_EQ(indicesOf(f), (std::vector<int>{4, 3}));
}

TEST(Face, EdgesPointsAndFlip) {
  C3DFaceList list;
  C3DFace* f = addFace(list, {10, 20, 30, 40});
  EXPECT_EQ(f->IsFaceEdge(40, 10, 1), 3) << "the closing edge";
  EXPECT_EQ(f->IsFaceEdge(10, 40, 1), -1);
  EXPECT_EQ(f->IsFaceEdge(10, 40, 0), 3);
  EXPECT_EQ(f->IsFaceEdge(20, 30, 1), 1);
  EXPECT_EQ(f->IsFaceEdge(10, 30, 0), -1);
  EXPECT_EQ(f->IsFacePoint(30), 2);
  EXPECT_EQ(f->IsFacePoint(31), -1);
  EXPECT_FALSE(f->IsTriangular());
  f->Flip();
  EXPECT_EQ(indicesOf(f), (std::vector<int>{40, 30, 20, 10}));
}

TEST(Face, AddIndexReturnsTheNewSizeAndGrowsPastTheCapacity) {
  C3DSingleFace f;
  EXPECT_EQ(f.AddIndex(3), 1u);
  EXPECT_TRUE(f.IsFlagSet(FACE_INVALID));
  EXPECT_EQ(f.AddIndex(4), 2u);
  EXPECT_EQ(f.AddIndex(5), 3u);
  EXPECT_FALSE(f.IsFlagSet(FACE_INVALID));
  EXPECT_EQ(f.AddIndex(6), 4u);
  EXPECT_EQ(f.AddIndex(7), 5u);
  EXPECT_EQ(indicesOf(&f), (std::vector<int>{3, 4, 5, 6, 7}));
  C3DSingleFace copy(f);
  f.SetTriangle(0, 0, 0);
  EXPECT_EQ(indicesOf(&copy), (std::vector<int>{3, 4, 5, 6, 7})) << "own store per single face";
}

TEST(Face, PointFlagsAcrossTheFace) {
  C3DPointList points;
  for (int i = 0; i < 4; ++i) points.Add(C3DPoint(static_cast<float>(i), 0, 0));
  C3DFaceList faces;
  CGeomInfo geom(&faces, &points);
  C3DFace* f = addFace(faces, {0, 1, 2});
  EXPECT_EQ(f->IsPointFlagSet(geom, POINT_BORDER), 0);
  points[1].SetFlag(POINT_BORDER, 1);
  EXPECT_EQ(f->IsPointFlagSet(geom, POINT_BORDER), 1);
  f->SetPointFlag(geom, POINT_BORDER, 1);
  EXPECT_EQ(f->IsPointFlagSet(geom, POINT_BORDER), 2);
  EXPECT_FALSE(points[3].IsFlagSet(POINT_BORDER));
  f->SetFlag(FACE_CHANNEL_INVALID, 1);
  EXPECT_EQ(f->IsPointFlagSet(geom, POINT_BORDER), 0);
  C3DFace* empty = faces[faces.Add(faces[0])];
  empty->SetSize(0);
  empty->SetFlags(0x03, 0);
  EXPECT_EQ(empty->IsPointFlagSet(geom, POINT_BORDER), 2);
}

TEST(Face, CenterIsTheMeanOfThePoints) {
  C3DPointList points;
  points.Add(C3DPoint(0, 0, 0));
  points.Add(C3DPoint(3, 0, 0));
  points.Add(C3DPoint(0, 6, 3));
  C3DFaceList faces;
  CGeomInfo geom(&faces, &points);
  C3DFace* f = addFace(faces, {0, 1, 2});
  C3DPoint c;
  f->GetCenter(geom, c);
  EXPECT_EQ(c, C3DPoint(1, 2, 1));
  C4DPoint c4;
  static_cast<const CFace*>(f)->GetCenter(geom, c4);
  EXPECT_EQ(c4.n, 3);
  EXPECT_EQ(c4.v[1], 2.0f);
  C4DVector plane;
  f->GetPlane(geom, plane);
  EXPECT_NEAR(plane.x, 0.0f, 1e-6f);
  EXPECT_NEAR(plane.y, -0.4472136f, 1e-6f);
  EXPECT_NEAR(plane.z, 0.8944272f, 1e-6f);
  EXPECT_NEAR(plane.w, 0.0f, 1e-6f);
}

TEST(Face, AssignmentCopiesFlagsRecordAndMaterialButNotTheView) {
  C3DFaceList list;
  C3DFace* a = addFace(list, {1, 2, 3});
  a->SetMaterialID(5);
  a->SetFlags(0x100, 1);
  a->GetCustomData(1)->SetUInt(1, 2);
  addFace(list, {7, 8, 9});
  C3DFace* b = list[1];
  *b = *list[0];
  EXPECT_EQ(b->GetMaterialID(), 5u);
  EXPECT_EQ(b->GetFlags(), 0x100u);
  EXPECT_EQ(b->GetCustomData()->GetUInt(1), 2u);
  EXPECT_EQ(indicesOf(b), (std::vector<int>{7, 8, 9}));
}
