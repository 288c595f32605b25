#include <gtest/gtest.h>

#include <vector>

#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

std::vector<unsigned int> materialsOf(const C3DPointList& points, int i) {
  int n = -1;
  const unsigned int* ids = points.GetMaterialsConnectedToPoint(i, n);
  return n > 0 ? std::vector<unsigned int>(ids, ids + n) : std::vector<unsigned int>{};
}

}  // namespace

TEST(PointMaterialGraph, DistinctMaterialsOfTheValidFacesAroundEachPoint) {
  C3DPointList points;
  for (int i = 0; i < 5; ++i) points.Add(C3DPoint());
  C3DFaceList faces;
  faces.SetSize(4, 3);
  faces[0]->SetTriangle(0, 1, 2);
  faces[0]->SetMaterialID(3);
  faces[1]->SetTriangle(1, 2, 3);
  faces[1]->SetMaterialID(5);
  faces[2]->SetTriangle(2, 3, 0);
  faces[2]->SetMaterialID(3);
  faces[3]->SetTriangle(4, 3, 2);
  faces[3]->SetMaterialID(9);
  faces[3]->SetFlag(FACE_CHANNEL_INVALID, 1);
  CGeomInfo geom(&faces, &points);
  points.InitPointMaterialGraph(&geom);
  EXPECT_EQ(materialsOf(points, 2), (std::vector<unsigned int>{3, 5}));
  EXPECT_EQ(materialsOf(points, 0), (std::vector<unsigned int>{3}));
  EXPECT_EQ(points.GetNumberOfMaterialsConnectedToPoint(4), 0);
  EXPECT_EQ(points.GetNumberOfMaterialsConnectedToPoint(99), 0);

  faces[3]->SetFlag(FACE_CHANNEL_INVALID, 0);
  points.Add(C3DPoint());  // sizes do not mark the list; the caller does
  points.SetFlag(POINTLIST_CHANGED, 1);
  EXPECT_EQ(points.UpdateList(&geom), 1);
  EXPECT_EQ(materialsOf(points, 4), (std::vector<unsigned int>{9}));

  points.RemoveAll();
  EXPECT_EQ(points.GetNumberOfMaterialsConnectedToPoint(0), 0);
  points.DeletePointMaterialGraph();
  points.Add(C3DPoint());
  EXPECT_EQ(points.UpdateList(&geom), 1);
  EXPECT_EQ(points.GetNumberOfMaterialsConnectedToPoint(0), 0) << "no longer requested";
}
