#include <gtest/gtest.h>

#include <vector>

#include "hostlib/containers/int_map.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

std::vector<std::vector<int>> allIndices(const CFaceList& list) {
  std::vector<std::vector<int>> out;
  for (int i = 0; i < list.GetSize(); ++i) {
    const CFace* f = list[i];
    out.emplace_back(f->GetIndices(), f->GetIndices() + f->GetSize());
  }
  return out;
}

void addFaces(C3DFaceList& list, std::initializer_list<std::initializer_list<int>> faces) {
  for (const auto& indices : faces) {
    C3DSingleFace f;
    for (int i : indices) f.AddIndex(i);
    list.Add(&f);
  }
}

void addPoints(C3DPointList& list, int n) {
  for (int i = 0; i < n; ++i) list.Add(C3DPoint(static_cast<float>(i), 0, 0));
}

}  // namespace

TEST(Clean, CleanListIsLeftAlone) {
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 2}, {2, 1, 3, 4}});
  faces.SetFlag(FACELIST_CHANGED, 0);
  CIntMap remap;
  remap.Insert(5, 5);
  EXPECT_EQ(faces.Clean(nullptr, 1, &remap), 0);
  EXPECT_EQ(allIndices(faces), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 3, 4}}));
  EXPECT_FALSE(faces.IsFlagSet(FACELIST_CHANGED));
  EXPECT_TRUE(remap.IsEmpty());
}

TEST(Clean, DegenerateTriangleGoesAndRepeatedCornersAreDropped) {
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 2}, {4, 4, 9}, {1, 2, 2, 3, 4}, {5, 6, 7, 5}});
  faces[3]->SetMaterialID(8);
  CIntMap remap;
  EXPECT_EQ(faces.Clean(nullptr, 1, &remap), 1);
  EXPECT_EQ(allIndices(faces), (std::vector<std::vector<int>>{{0, 1, 2}, {1, 2, 3, 4}, {5, 6, 7}}));
  EXPECT_EQ(faces[2]->GetMaterialID(), 8u);
  EXPECT_EQ(remap.GetCount(), 3);
  EXPECT_EQ(remap[0], 0);
  EXPECT_EQ(remap[2], 1);
  EXPECT_EQ(remap[3], 2);
  EXPECT_FALSE(remap.Contains(1));
  EXPECT_TRUE(faces.IsFlagSet(FACELIST_CHANGED));
  const vex3d::IndexStore& records = faces.GetIndexStore();
  EXPECT_EQ(records.GetRecordNbr(), 3u);
  EXPECT_EQ(records.GetUsedBytes(), 16u + 20u + 16u) << "compacted";
}

TEST(Clean, WithoutFixingOnlyMarkedFacesGo) {
  C3DFaceList faces;
  addFaces(faces, {{4, 4, 9}, {1, 2, 3}});
  EXPECT_EQ(faces.Clean(nullptr, 0, nullptr), 0);
  faces[1]->SetFlag(FACE_INVALID, 1);
  faces[0]->SetFlag(FACE_INVALID, 1);
  EXPECT_EQ(faces.Clean(nullptr, 0, nullptr), 1);
  EXPECT_EQ(faces.GetSize(), 0);
  EXPECT_EQ(faces.GetIndexStore().GetRecordNbr(), 0u);
}

TEST(Clean, PointUsedOnlyByInvalidFacesGoesAndFacesAreRenumbered) {
  C3DPointList points;
  addPoints(points, 6);
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 2}, {2, 3, 5}, {3, 4, 5}});
  faces[2]->SetFlag(FACE_INVALID, 1);
  points.SetFlag(POINTLIST_CHANGED, 0);
  CGeomInfo geom(&faces, &points);
  EXPECT_NE(faces.Clean(&geom), 0);
  ASSERT_EQ(points.GetSize(), 5);
  EXPECT_EQ(points[4], C3DPoint(5, 0, 0));
  EXPECT_TRUE(points.IsFlagSet(POINTLIST_CHANGED));
  EXPECT_EQ(allIndices(faces), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 3, 4}}));
}

TEST(Clean, PointCleaningReportsTheRemap) {
  C3DPointList points;
  addPoints(points, 4);
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 3}});
  CIntMap remap;
  EXPECT_EQ(points.Clean(&faces, &remap), 1);
  EXPECT_EQ(remap.GetCount(), 3);
  EXPECT_EQ(remap[3], 2);
  faces.UpdateIndex(remap);
  EXPECT_EQ(points.Clean(&faces, &remap), 0) << "nothing left to remove";
  faces[0]->SetFlag(FACE_INVALID, 1);
  EXPECT_EQ(points.Clean(&faces, &remap), 1);
  EXPECT_EQ(points.GetSize(), 0);
  EXPECT_TRUE(remap.IsEmpty());
}

TEST(Clean, ChannelInvalidFacesDoNotKeepPoints) {
  C3DPointList points;
  addPoints(points, 3);
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 2}});
  faces[0]->SetFlag(FACE_CHANNEL_INVALID, 1);
  EXPECT_EQ(points.Clean(&faces, nullptr), 1);
  EXPECT_EQ(points.GetSize(), 0);
}

TEST(Clean, SetInvalidPointsMarksUnusedOnes) {
  C3DPointList points;
  addPoints(points, 4);
  C3DFaceList faces;
  addFaces(faces, {{0, 1, 2}, {1, 2, 3}});
  faces[1]->SetFlag(FACE_INVALID, 1);
  points.SetInvalidPoints(faces);
  EXPECT_EQ(points.GetNumberOfPoints(POINT_INVALID, 1), 1);
  EXPECT_TRUE(points[3].IsFlagSet(POINT_INVALID));
}

TEST(Clean, RepeatedCornersAreWalkedFromTheFirst) {
  C3DFaceList faces;
  addFaces(faces, {{5, 5, 7}, {1, 2, 2, 3}, {1, 2, 1, 3}, {1, 1, 1, 2}, {3, 3, 3, 3, 3}});
  faces.CleanPointsIndex(nullptr);
  EXPECT_TRUE(faces[0]->IsFlagSet(FACE_INVALID));
  EXPECT_EQ(allIndices(faces)[1], (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(allIndices(faces)[2], (std::vector<int>{2, 1, 3}));
  EXPECT_FALSE(faces[2]->IsFlagSet(FACE_INVALID));
  // Faces that fall below three corners are marked for removal.
  EXPECT_TRUE(faces[3]->IsFlagSet(FACE_INVALID));
  EXPECT_TRUE(faces[4]->IsFlagSet(FACE_INVALID));
}

TEST(Clean, CleaningDropsStaleGraphs) {
  C3DFaceList faces;
  C3DPointList points;
  addPoints(points, 4);
  addFaces(faces, {{0, 1, 2}, {4, 4, 9}, {0, 2, 3}});
  CGeomInfo geom(&faces, &points);
  faces.InitPointToFaceGraph(&geom);
  EXPECT_EQ(faces.Clean(&geom, 1, nullptr), 1);
  // Face 2 is now face 1: a graph naming it 2 must not be answered from.
  EXPECT_FALSE(faces.IsPointToFaceGraphValid());
  faces.UpdateList(&geom);
  int n = 0;
  const int* around = faces.GetFacesConnectedToPoint(3, n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(around[0], 1);
}
