// Mirror partners of points and edges across a mesh's mid-plane.
#include "mesh/algorithms/point_symmetry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

int partner(const C3DPointSymetryMap& map, int i) {
  const int* found = map.Find(i);
  return found == nullptr ? -1 : *found;
}

// A strip of quads over x = -2 ... 2 at y = 0 and y = 1: point (x, y) has
// index 2 (x + 2) + y, so the mirror of index i is 2 (2 - x) + y.
struct Strip {
  C3DPointList points;
  C3DFaceList faces;
  Strip() {
    for (int x = -2; x <= 2; ++x) {
      for (int y = 0; y <= 1; ++y) {
        points.Add(C3DPoint(static_cast<float>(x), static_cast<float>(y), 0.0f));
      }
    }
    faces.SetSize(4, 4);
    for (int q = 0; q < 4; ++q) {
      faces.ElementAt(q)->SetQuadrangle(2 * q, 2 * q + 2, 2 * q + 3, 2 * q + 1);
    }
    faces.InitPointToFaceGraph(nullptr);
  }
  static int index(int x, int y) { return 2 * (x + 2) + y; }
};

TEST(PointSymmetry, EachPointMapsToItsMirrorAndPlanePointsToThemselves) {
  Strip strip;
  const auto map = strip.points.InitSymetryMap(AXIS_X, 0.01f);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->GetCount(), 10);
  for (int x = -2; x <= 2; ++x) {
    for (int y = 0; y <= 1; ++y) {
      EXPECT_EQ(partner(*map, Strip::index(x, y)), Strip::index(-x, y)) << x << "," << y;
    }
  }
}

TEST(PointSymmetry, EdgesFindTheirMirrors) {
  Strip strip;
  const auto map = strip.points.InitSymetryMap(AXIS_X, 0.01f);
  ASSERT_NE(map, nullptr);
  C3DEdge mirrored;
  // The bottom edge from x = -2 to -1 mirrors to the one from 2 to 1.
  const C3DEdge left(Strip::index(-2, 0), Strip::index(-1, 0));
  EXPECT_EQ(map->GetSymetricEdge(strip.faces, left, mirrored, 0),
            C3DPointSymetryMap::SYMETRIC_EDGE_OTHER);
  EXPECT_EQ(mirrored, C3DEdge(Strip::index(1, 0), Strip::index(2, 0)));
  EXPECT_EQ(mirrored.GetFirst(), Strip::index(1, 0));
  // Keeping the order: the partner of the first end comes first.
  EXPECT_EQ(map->GetSymetricEdge(strip.faces, left, mirrored, 1),
            C3DPointSymetryMap::SYMETRIC_EDGE_OTHER);
  EXPECT_EQ(mirrored.GetFirst(), Strip::index(2, 0));
  EXPECT_EQ(mirrored.GetSecond(), Strip::index(1, 0));
  // The edge on the mid-plane is its own mirror.
  EXPECT_EQ(map->GetSymetricEdge(strip.faces, C3DEdge(Strip::index(0, 0), Strip::index(0, 1)),
                                 mirrored, 0),
            C3DPointSymetryMap::SYMETRIC_EDGE_SELF);
}

TEST(PointSymmetry, AnEdgeAcrossTheMidPlaneFromAPointToItsPartnerIsItsOwnMirror) {
  C3DPointList points;
  points.Add(C3DPoint(-1, 0, 0));
  points.Add(C3DPoint(1, 0, 0));
  points.Add(C3DPoint(0, 1, 0));
  C3DFaceList faces;
  faces.SetSize(1, 3);
  faces.ElementAt(0)->SetTriangle(0, 1, 2);
  faces.InitPointToFaceGraph(nullptr);
  const auto map = points.InitSymetryMap(AXIS_X, 0.01f);
  C3DEdge mirrored;
  EXPECT_EQ(map->GetSymetricEdge(faces, C3DEdge(0, 1), mirrored, 1),
            C3DPointSymetryMap::SYMETRIC_EDGE_SELF);
}

TEST(PointSymmetry, AMeshWithoutPartnersGivesAnEmptyMap) {
  C3DPointList points;
  points.Add(C3DPoint(0, 0, 0));
  points.Add(C3DPoint(1, 0.3f, 0));
  points.Add(C3DPoint(3, 0.9f, 0.2f));
  C3DFaceList faces;
  faces.SetSize(1, 3);
  faces.ElementAt(0)->SetTriangle(0, 1, 2);
  faces.InitPointToFaceGraph(nullptr);
  const auto map = points.InitSymetryMap(AXIS_X, 0.001f);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->GetCount(), 0);
  C3DEdge mirrored;
  for (const C3DEdge& edge : {C3DEdge(0, 1), C3DEdge(1, 2), C3DEdge(0, 2)}) {
    EXPECT_EQ(map->GetSymetricEdge(faces, edge, mirrored, 0),
              C3DPointSymetryMap::SYMETRIC_EDGE_NONE);
  }
}

TEST(PointSymmetry, AnEdgeWhoseMirrorIsNoSideGivesNothing) {
  Strip strip;
  const auto map = strip.points.InitSymetryMap(AXIS_X, 0.01f);
  C3DEdge mirrored;
  // The diagonal of the first quad is no side, nor is its mirror.
  EXPECT_EQ(map->GetSymetricEdge(strip.faces, C3DEdge(Strip::index(-2, 0), Strip::index(-1, 1)),
                                 mirrored, 0),
            C3DPointSymetryMap::SYMETRIC_EDGE_NONE);
}

TEST(PointSymmetry, TheToleranceFollowsTheModelsSize) {
  // The partner is off by 0.1% of the extent: found with a tolerance of
  // 0.05 (0.25% of the extent), not with 0.01 (0.05%), at any scale.
  for (const float scale : {0.01f, 1.0f, 1000.0f}) {
    C3DPointList points;
    points.Add(C3DPoint(-1 * scale, 0, 0));
    points.Add(C3DPoint(1 * scale, 0.002f * scale, 0));
    points.Add(C3DPoint(-1 * scale, 1 * scale, 0));
    points.Add(C3DPoint(1 * scale, 1 * scale, 0));
    EXPECT_EQ(partner(*points.InitSymetryMap(AXIS_X, 0.05f), 0), 1) << scale;
    EXPECT_EQ(partner(*points.InitSymetryMap(AXIS_X, 0.01f), 0), -1) << scale;
  }
}

TEST(PointSymmetry, AnEmptyListHasNoMap) {
  C3DPointList points;
  EXPECT_EQ(points.InitSymetryMap(AXIS_Y, 0.01f), nullptr);
}

// Random half meshes mirrored along each axis, shuffled, with points on the
// plane: every point finds exactly its mirror.
TEST(PointSymmetry, RandomMirroredMeshesPairEveryPoint) {
  std::mt19937 random(20261206);
  std::uniform_real_distribution<float> coord(-10.0f, 10.0f);
  std::uniform_real_distribution<float> side(0.5f, 10.0f);
  for (int round = 0; round < 12; ++round) {
    const int axis = round % 3;
    std::vector<C3DPoint> half;
    for (int i = 0; i < 400; ++i) {
      float xyz[3] = {coord(random), coord(random), coord(random)};
      xyz[axis] = side(random);
      half.emplace_back(xyz[0], xyz[1], xyz[2]);
    }
    std::vector<std::pair<C3DPoint, int>> all;  // point and its pair id
    for (int i = 0; i < static_cast<int>(half.size()); ++i) {
      C3DPoint m = half[static_cast<std::size_t>(i)];
      float* c[3] = {&m.x, &m.y, &m.z};
      *c[axis] = -*c[axis];
      all.push_back({half[static_cast<std::size_t>(i)], i});
      all.push_back({m, i});
    }
    for (int i = 0; i < 20; ++i) {
      float xyz[3] = {coord(random), coord(random), coord(random)};
      xyz[axis] = 0.0f;
      all.push_back({C3DPoint(xyz[0], xyz[1], xyz[2]), 1000 + i});
    }
    std::shuffle(all.begin(), all.end(), random);
    C3DPointList points;
    for (const auto& entry : all) points.Add(entry.first);
    const auto map = points.InitSymetryMap(static_cast<_AXIS_INFO>(axis), 0.001f);
    ASSERT_NE(map, nullptr);
    for (int i = 0; i < points.GetSize(); ++i) {
      const int j = partner(*map, i);
      ASSERT_GE(j, 0) << "round " << round << " point " << i;
      EXPECT_EQ(all[static_cast<std::size_t>(j)].second, all[static_cast<std::size_t>(i)].second);
      if (all[static_cast<std::size_t>(i)].second >= 1000) {
        EXPECT_EQ(j, i);
      } else {
        EXPECT_NE(j, i);
      }
    }
  }
}

}  // namespace
