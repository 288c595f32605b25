#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/algorithms/face_graph_helper.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

std::vector<int> sorted(const int* values, int n) {
  std::vector<int> v(values, values + n);
  std::sort(v.begin(), v.end());
  return v;
}

// The query first, then its count: both must come from the same call.
template <class Query>
std::vector<int> result(Query query) {
  int n = 0;
  const int* values = query(n);
  return sorted(values, n);
}

std::vector<int> sorted(const CHashTable<int>& set) {
  std::vector<int> v(set.begin(), set.end());
  std::sort(v.begin(), v.end());
  return v;
}

// Faces given as index lists, on `points` points at the origin.
struct Mesh {
  C3DFaceList faces;
  C3DPointList points;
  CGeomInfo geom{&faces, &points};
  Mesh(std::initializer_list<std::vector<int>> corners, int pointCount) {
    points.SetSize(pointCount);
    faces.SetSize(static_cast<int>(corners.size()), 4);
    int i = 0;
    for (const std::vector<int>& c : corners) {
      C3DFace* f = faces[i++];
      f->SetSize(static_cast<std::uint32_t>(c.size()));
      for (std::uint32_t k = 0; k < c.size(); ++k) (*f)[k] = c[k];
    }
    faces.InitPointToFaceGraph(&geom);
    faces.InitEdgeToFaceGraph(&geom);
  }
};

TEST(FaceTopologyTest, TwoTrianglesSharingAnEdge) {
  Mesh m({{0, 1, 2}, {2, 1, 3}}, 4);
  int n = 0;
  const int* onEdge = m.faces.GetFacesConnectedToEdge(C3DEdge(2, 1), n);
  EXPECT_EQ(sorted(onEdge, n), (std::vector<int>{0, 1}));
  m.faces.GetFacesConnectedToEdge(C3DEdge(0, 3), n);
  EXPECT_EQ(n, 0);

  CHashTable<int> both;
  both.Insert(0);
  both.Insert(1);
  CHashMap<C3DEdge, int> border;
  EXPECT_EQ(m.faces.GetEdgesOnBorder(border, both), 4);
  EXPECT_EQ(border.Find(C3DEdge(1, 2)), nullptr);
  ASSERT_NE(border.Find(C3DEdge(3, 2)), nullptr);
  EXPECT_EQ(*border.Find(C3DEdge(3, 2)), 1);
  CHashTable<int> one;
  one.Insert(0);
  EXPECT_EQ(m.faces.GetEdgesOnBorder(border, one), 3);
  EXPECT_NE(border.Find(C3DEdge(1, 2)), nullptr);
}

TEST(FaceTopologyTest, PointGraphKeepsFaceOrderAndRepeats) {
  Mesh m({{0, 1, 2}, {3, 1, 4, 1}, {1, 5, 6}}, 7);
  int n = 0;
  const int* faces = m.faces.GetFacesConnectedToPoint(1, n);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(std::vector<int>(faces, faces + n), (std::vector<int>{0, 1, 1, 2}));
  EXPECT_EQ(m.faces.GetFacesConnectedToPoint(7, n), nullptr);
  EXPECT_EQ(m.faces.GetFacesConnectedToPoint(-1, n), nullptr);
}

// A long list is placed in parts: every point's faces still come in list
// order, across the parts, with repeats and skipped faces where they are.
TEST(FaceTopologyTest, ALongListKeepsFaceOrderAcrossItsParts) {
  constexpr int kFaces = 900000;
  constexpr int kPoints = 1000;
  C3DFaceList faces;
  C3DPointList points;
  points.SetSize(kPoints);
  faces.SetSize(kFaces, 3);
  for (int i = 0; i < kFaces; ++i) {
    // Every point in some 2,700 faces; every seventh face names one twice.
    const int a = i % kPoints;
    faces[i]->SetTriangle(a, (7 * i + 1) % kPoints, i % 7 == 0 ? a : (13 * i + 2) % kPoints);
    if (i % 100000 == 99999) faces[i]->SetFlags(FACE_INVALID, 1);
  }
  CGeomInfo geom(&faces, &points);
  faces.CreatePointToFaceGraph(&geom);
  std::vector<std::vector<int>> expected(kPoints);
  for (int i = 0; i < kFaces; ++i) {
    if (faces[i]->IsFlagSet(FACE_INVALID)) continue;
    for (std::uint32_t k = 0; k < 3; ++k)
      expected[static_cast<std::size_t>((*faces[i])[k])].push_back(i);
  }
  for (int p = 0; p < kPoints; ++p) {
    int n = 0;
    const int* around = faces.GetFacesConnectedToPoint(p, n);
    ASSERT_EQ(n, static_cast<int>(expected[static_cast<std::size_t>(p)].size())) << p;
    EXPECT_TRUE(std::equal(around, around + n, expected[static_cast<std::size_t>(p)].begin())) << p;
  }
}

TEST(FaceTopologyTest, InvalidFacesAreInNeitherGraph) {
  Mesh m({{0, 1, 2}, {2, 1, 3}}, 4);
  m.faces[1]->SetFlags(FACE_INVALID, 1);
  m.faces.CreatePointToFaceGraph(&m.geom);
  m.faces.CreateEdgeToFaceGraph(&m.geom);
  int n = 0;
  m.faces.GetFacesConnectedToPoint(3, n);
  EXPECT_EQ(n, 0);
  m.faces.GetFacesConnectedToEdge(C3DEdge(1, 2), n);
  EXPECT_EQ(n, 1);
  m.faces.GetFacesConnectedToEdge(C3DEdge(1, 3), n);
  EXPECT_EQ(n, 0);
}

TEST(FaceTopologyTest, SetOperationsOnTheFacesOfTwoPoints) {
  // Point 0 is on faces 0, 1, 2; point 1 on faces 1, 2, 3.
  Mesh m({{0, 2, 3}, {0, 1, 4}, {1, 0, 5}, {1, 6, 7}}, 8);
  CFaceGraphHelper helper;
  int n = 0;
  auto op = [&](int type) {
    const int* r = m.faces.GetFacesConnectedToPoints(helper, 0, 1, type, n);
    return sorted(r, n);
  };
  EXPECT_EQ(op(1), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(op(2), (std::vector<int>{1, 2}));
  EXPECT_EQ(op(3), (std::vector<int>{0}));
  EXPECT_EQ(op(4), (std::vector<int>{3}));
  EXPECT_EQ(op(5), (std::vector<int>{0, 3}));
  EXPECT_EQ(op(6), (std::vector<int>{}));
  EXPECT_EQ(op(0), (std::vector<int>{}));
}

TEST(FaceTopologyTest, PointNeighbourKinds) {
  Mesh m({{0, 1, 2, 3}, {1, 4, 5, 2}}, 6);
  CFaceGraphHelper helper;
  int n = 0;
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 0, c, 1); }),
            (std::vector<int>{2}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 0, c, 4); }),
            (std::vector<int>{2}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 0, c, 2); }),
            (std::vector<int>{1, 3}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 0, c, 3); }),
            (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 1, c, 2); }),
            (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsNeighbourg(helper, 1, c, 1); }),
            (std::vector<int>{3, 5}));
  EXPECT_TRUE(m.faces.IsPointNeighbourg(helper, 1, 4));
  EXPECT_FALSE(m.faces.IsPointNeighbourg(helper, 1, 5));

  // Edge neighbours of 1 are {0, 2, 4}, of 2 are {1, 3, 5}.
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsConnectedToPoints(helper, 1, 2, 1, c); }),
            (std::vector<int>{0, 1, 2, 3, 4, 5}));
  CHashTable<int> common;
  EXPECT_EQ(m.faces.GetPointsConnectedToPoints(common, 0, 2, 2), 2);
  EXPECT_EQ(sorted(common), (std::vector<int>{1, 3}));

  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsConnectedToEdge(helper, 1, 2, c, 0); }),
            (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetPointsConnectedToEdge(helper, 1, 2, c, 1); }),
            (std::vector<int>{0, 3, 4, 5}));
  EXPECT_EQ(m.faces.GetPointsConnectedToEdge(helper, 2, 2, n, 1), nullptr);
  EXPECT_EQ(n, 0);
}

TEST(FaceTopologyTest, FaceNeighbours) {
  // A fan of three triangles around point 0, and a fourth touching only 3.
  Mesh m({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {3, 5, 6}}, 7);
  CFaceGraphHelper helper;
  EXPECT_EQ(result([&](int& c) { return m.faces.GetFacesNeighbourg(helper, 1, 1, c); }),
            (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetFacesNeighbourg(helper, 1, 2, c); }),
            (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(result([&](int& c) { return m.faces.GetFacesNeighbourg(helper, 3, 2, c); }),
            (std::vector<int>{3}));
}

TEST(FaceTopologyTest, EdgesIsolationAndConnectedRegions) {
  Mesh m({{0, 1, 2}, {2, 1, 3}, {4, 5, 6}}, 7);
  EXPECT_TRUE(m.faces.DoesEdgeExists(C3DEdge(0, 2), -1));
  EXPECT_TRUE(m.faces.DoesEdgeExists(C3DEdge(1, 3), 1));
  EXPECT_FALSE(m.faces.DoesEdgeExists(C3DEdge(1, 3), 0));
  EXPECT_FALSE(m.faces.DoesEdgeExists(C3DEdge(0, 3), -1));
  EXPECT_FALSE(m.faces.IsIsolatedFace(0));
  EXPECT_TRUE(m.faces.IsIsolatedFace(2));

  CHashTable<int> region;
  region.Insert(0);
  region.Insert(1);
  EXPECT_TRUE(m.faces.AreFacesConnected(&m.geom, region));
  region.Insert(2);
  EXPECT_FALSE(m.faces.AreFacesConnected(&m.geom, region));
}

TEST(FaceTopologyTest, BorderFacesAndPoints) {
  // A closed tetrahedron has no border; an open pair of triangles is all
  // border except the shared edge.
  Mesh closed({{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}}, 4);
  closed.faces.SetBorderFacesStatus(&closed.geom);
  EXPECT_EQ(closed.faces.GetNumberOfFaces(FACE_BORDER, 1), 0);

  Mesh open({{0, 1, 2}, {2, 1, 3}}, 5);
  open.points[4].SetFlag(POINT_BORDER, 1);
  open.faces.SetBorderFacesStatus(&open.geom);
  EXPECT_EQ(open.faces.GetNumberOfFaces(FACE_BORDER, 1), 2);
  open.points.SetBorderPointsStatus(open.faces.GetEdgeGraph());
  EXPECT_TRUE(open.points[0].IsFlagSet(POINT_BORDER));
  EXPECT_FALSE(open.points[0].IsFlagSet(POINT_INNER_EDGE));
  EXPECT_TRUE(open.points[1].IsFlagSet(POINT_BORDER | POINT_INNER_EDGE));
  EXPECT_FALSE(open.points[4].IsFlagSet(POINT_BORDER));
}

TEST(FaceTopologyTest, EdgeTableShrinksWhenEdgesAreFew) {
  // Thirty copies of one triangle: 4 * 30 faces asks for 127 slots, three
  // edges then bring it back to the minimum of 101.
  std::initializer_list<std::vector<int>> none = {};
  Mesh m(none, 3);
  m.faces.SetSize(30, 3);
  for (int i = 0; i < 30; ++i) m.faces[i]->SetTriangle(0, 1, 2);
  m.faces.CreateEdgeToFaceGraph(&m.geom);
  ASSERT_NE(m.faces.GetEdgeGraph(), nullptr);
  EXPECT_EQ(m.faces.GetEdgeGraph()->GetCount(), 3);
  EXPECT_EQ(m.faces.GetEdgeGraph()->GetSize(), 101u);

  // A strip of 200 triangles keeps its 4 * 200 -> 809 slots (401 edges).
  m.points.SetSize(202);
  m.faces.SetSize(200, 3);
  for (int i = 0; i < 200; ++i) m.faces[i]->SetTriangle(i, i + 1, i + 2);
  m.faces.CreateEdgeToFaceGraph(&m.geom);
  EXPECT_EQ(m.faces.GetEdgeGraph()->GetCount(), 401);
  EXPECT_EQ(m.faces.GetEdgeGraph()->GetSize(), 809u);
}

TEST(FaceTopologyTest, GraphsFollowChangesOfTheList) {
  Mesh m({{0, 1, 2}, {2, 1, 3}}, 4);
  m.faces.SetSize(1, 3);
  // A graph naming a face that is gone is never answered from.
  int n = 0;
  EXPECT_FALSE(m.faces.IsPointToFaceGraphValid());
  EXPECT_EQ(m.faces.GetFacesConnectedToPoint(3, n), nullptr);
  EXPECT_EQ(m.faces.UpdateList(&m.geom), 1);
  EXPECT_TRUE(m.faces.IsPointToFaceGraphValid());
  EXPECT_TRUE(m.faces.IsEdgeToFaceGraphValid());
  m.faces.GetFacesConnectedToPoint(1, n);
  EXPECT_EQ(n, 1);
  m.faces.DeleteEdgeToFaceGraph();
  EXPECT_EQ(m.faces.GetEdgeGraph(), nullptr);
}

TEST(FaceTopologyTest, RemovingAndMergingGraphReferences) {
  Mesh m({{0, 1, 2}, {2, 1, 3}, {3, 1, 4}}, 5);
  m.faces.GraphRemoveFaceReference(1);
  int n = 0;
  const int* faces = m.faces.GetFacesConnectedToPoint(1, n);
  EXPECT_EQ(std::vector<int>(faces, faces + n), (std::vector<int>{0, 2}));
  m.faces.GetFacesConnectedToEdge(C3DEdge(1, 2), n);
  EXPECT_EQ(n, 1);

  m.faces.GraphMergePointConnectivity(0, 4);
  faces = m.faces.GetFacesConnectedToPoint(0, n);
  EXPECT_EQ(std::vector<int>(faces, faces + n), (std::vector<int>{0, 2}));
  m.faces.GetFacesConnectedToPoint(4, n);
  EXPECT_EQ(n, 0);
}

}  // namespace
