#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>

#include "mesh/algorithms/triangulate_test_support.h"

using vex3d::test::centroid;
using vex3d::test::facesOf;
using vex3d::test::insidePolygon;
using vex3d::test::Point2;
using vex3d::test::PolygonScene;
using vex3d::test::signedArea;
using vex3d::test::Triangle;
using vex3d::test::triangleArea;
using vex3d::test::trianglesOf;
using Faces = std::vector<std::vector<int>>;
using Triangles = std::vector<Triangle>;

namespace {

constexpr auto kTempFlag = static_cast<_FACE_PROPERTIES>(0x80);

// One polygon over fresh points 0..n-1, its face being 0, 1, ... n-1.
struct OnePolygon : PolygonScene {
  std::vector<Point2> outline;
  explicit OnePolygon(std::vector<Point2> corners) : outline(std::move(corners)) {
    std::vector<int> indices;
    for (const Point2& p : outline) {
      indices.push_back(
          points.Add(C3DPoint(static_cast<float>(p[0]), static_cast<float>(p[1]), 0)));
    }
    addFace(indices);
  }
  int triangulate() { return faces.Triangulate(&geom, static_cast<_FACE_PROPERTIES>(0), 1); }

  // The triangles lie inside the outline and add up to its area.
  void expectCovers() const {
    double sum = 0.0;
    for (const Triangle& t : trianglesOf(out)) {
      const Point2& a = outline[static_cast<std::size_t>(t[0])];
      const Point2& b = outline[static_cast<std::size_t>(t[1])];
      const Point2& c = outline[static_cast<std::size_t>(t[2])];
      const double area = triangleArea(a, b, c);
      EXPECT_GE(area, 0.0) << "triangle " << t[0] << " " << t[1] << " " << t[2] << " is reversed";
      if (area > 1e-9) {
        EXPECT_TRUE(insidePolygon(outline, centroid(a, b, c)))
            << "triangle " << t[0] << " " << t[1] << " " << t[2] << " lies outside";
      }
      sum += area;
    }
    EXPECT_NEAR(sum, signedArea(outline), 1e-6);
  }
};

// The 7 x 3 comb with three notches, right to left, down to the given heights.
std::vector<Point2> combOutline(const std::array<double, 3>& bottoms) {
  std::vector<Point2> outline{{0, 0}, {7, 0}, {7, 3}};
  for (int i = 0; i < 3; ++i) {
    const double x = 6 - 2 * i;
    const double y = bottoms[static_cast<std::size_t>(i)];
    outline.insert(outline.end(), {{x, 3}, {x, y}, {x - 1, y}, {x - 1, 3}});
  }
  outline.push_back({0, 3});
  return outline;
}

bool hasTriangle(const Triangles& all, Triangle t) {
  std::sort(t.begin(), t.end());
  return std::any_of(all.begin(), all.end(), [&](Triangle u) {
    std::sort(u.begin(), u.end());
    return u == t;
  });
}

}  // namespace

// --- Ear order

TEST(Triangulate, UnitSquareStartsWithTheCornerAfterTheHead) {
  OnePolygon square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  EXPECT_EQ(square.triangulate(), 2);
  EXPECT_EQ(trianglesOf(square.out), (Triangles{{1, 2, 0}, {0, 2, 3}}));
  EXPECT_TRUE(square.out.IsFlagSet(FACELIST_CHANGED));
}

// expectCovers finds a triangle across the notch: its centroid lies outside.
TEST(Triangulate, LShapedHexagonLeavesTheNotchUncovered) {
  OnePolygon l({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
  EXPECT_EQ(l.triangulate(), 4);
  l.expectCovers();
}

TEST(Triangulate, CombKeepsEveryToothWhole) {
  OnePolygon comb(combOutline({1, 1.5, 1.25}));
  EXPECT_EQ(comb.triangulate(), 14);
  comb.expectCovers();
}

// With every notch bottom on one line, a flat cut runs along that line
// through the reflex corners, which the strict ear test then no longer
// sees: the ring touches itself, later ears overlap the notches and the
// clipping stops before the last three triangles.
TEST(Triangulate, AlignedCombEndsEarly) {
  OnePolygon comb(combOutline({1, 1, 1}));
  EXPECT_EQ(comb.triangulate(), 11);
  const Triangles cut = trianglesOf(comb.out);
  ASSERT_EQ(cut.size(), 11u);
  EXPECT_EQ(cut[7], (Triangle{4, 5, 12})) << "the flat cut along the notch bottoms";
}

TEST(Triangulate, ConcaveStarCoversItsArea) {
  std::vector<Point2> star;
  for (int i = 0; i < 10; ++i) {
    const double angle = i * 3.14159265358979 / 5;
    const double radius = i % 2 == 0 ? 2.0 : 0.8;
    star.push_back({radius * std::cos(angle), radius * std::sin(angle)});
  }
  OnePolygon polygon(star);
  EXPECT_EQ(polygon.triangulate(), 8);
  polygon.expectCovers();
}

TEST(Triangulate, ClockwisePolygonIsCutInItsOwnPlane) {
  // Reversed, the projection frame turns with the normal.
  OnePolygon l({{0, 2}, {1, 2}, {1, 1}, {2, 1}, {2, 0}, {0, 0}});
  EXPECT_EQ(l.triangulate(), 4);
  double sum = 0.0;
  for (const Triangle& t : trianglesOf(l.out)) {
    sum -= triangleArea(l.outline[static_cast<std::size_t>(t[0])],
                        l.outline[static_cast<std::size_t>(t[1])],
                        l.outline[static_cast<std::size_t>(t[2])]);
  }
  EXPECT_NEAR(sum, 3.0, 1e-9) << "every triangle keeps the polygon's winding";
}

// --- The ear test

// Corner 5 is reflex and the ear at corner 2 has the diagonal 3-1 through
// it (2, 0.5); the first edge is vertical so the plane frame is exact.
TEST(Triangulate, ReflexCornerOnTheDiagonalDoesNotBlockTheEar) {
  OnePolygon onEdge({{0, 2}, {0, 0}, {2, -6}, {4, 1}, {4, 3}, {2, 0.5}});
  onEdge.triangulate();
  const Triangles cut = trianglesOf(onEdge.out);
  ASSERT_FALSE(cut.empty());
  // What is left then touches itself at corner 5, so only the first ear is
  // a clean one.
  EXPECT_EQ(cut[0], (Triangle{2, 3, 1}));
}

TEST(Triangulate, ReflexCornerInsideTheEarBlocksIt) {
  OnePolygon inside({{0, 2}, {0, 0}, {2, -6}, {4, 1}, {4, 3}, {1.5, 0.3}});
  EXPECT_EQ(inside.triangulate(), 4);
  EXPECT_FALSE(hasTriangle(trianglesOf(inside.out), {2, 3, 1}));
  inside.expectCovers();
}

// --- Degenerate input

TEST(Triangulate, CollinearCornersStillGiveEveryTriangle) {
  OnePolygon polygon({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}});
  EXPECT_EQ(polygon.triangulate(), 3);
  EXPECT_EQ(trianglesOf(polygon.out), (Triangles{{2, 3, 1}, {3, 4, 1}, {4, 0, 1}}));
  polygon.expectCovers();
}

TEST(Triangulate, RepeatedPointCostsOneTriangle) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3, 3});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 2);
  EXPECT_EQ(trianglesOf(scene.out), (Triangles{{2, 3, 1}, {1, 3, 0}}));
}

TEST(Triangulate, FlatPolygonIsCutInRingOrder) {
  // Every corner projects to one point: all angles 0, all convex.
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}});
  scene.addFace({0, 1, 2, 3, 4});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 3);
  EXPECT_EQ(trianglesOf(scene.out), (Triangles{{1, 2, 0}, {0, 2, 4}, {4, 2, 3}}));
}

TEST(Triangulate, MissingPointMakesTheFaceDegenerate) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}});
  scene.addFace({0, 1, 2, 99});
  scene.addFace({-7, 1, 2, 0});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 4);
  EXPECT_EQ(trianglesOf(scene.out), (Triangles{{1, 2, 0}, {0, 2, 99}, {1, 2, -7}, {-7, 2, 0}}));
}

TEST(Triangulate, NotANumberCornerWritesNothing) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.points[2].x = std::numeric_limits<float>::quiet_NaN();
  scene.addFace({0, 1, 2, 3});
  scene.addUVW({{0, 1, 2, 3}});
  // Standalone use sizes the lists for two triangles and then cuts them.
  EXPECT_EQ(scene.faces[0]->Triangulate(scene.geom, 0, -1), 0);
  EXPECT_EQ(scene.out.GetSize(), 0);
  EXPECT_EQ(scene.outChannel(0).GetSize(), 0);
}

TEST(Triangulate, WithoutDestinationNothingHappens) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3});
  scene.geom.SetFaceList(&scene.faces, nullptr);
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 0);
  scene.geom.SetFaceList(&scene.faces, &scene.faces);
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 0);
  EXPECT_EQ(scene.faces[0]->Triangulate(scene.geom, 0, -1), 0);
  EXPECT_EQ(facesOf(scene.faces), (Faces{{0, 1, 2, 3}}));
}

// --- Copies and selection

TEST(Triangulate, TriangleIsCopiedWithItsAttributes) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}});
  scene.addFace({2, 0, 1});
  scene.faces[0]->SetMaterialID(42);
  scene.faces[0]->SetFlags(0x40, 1);
  scene.addUVW({{7, 8, 9}});
  EXPECT_EQ(scene.faces[0]->Triangulate(scene.geom, 0, -1), 1);
  EXPECT_EQ(facesOf(scene.out), (Faces{{2, 0, 1}}));
  EXPECT_EQ(scene.out[0]->GetMaterialID(), 42u);
  EXPECT_TRUE(scene.out[0]->IsFlagSet(0x40));
  EXPECT_EQ(facesOf(scene.outChannel(0)), (Faces{{7, 8, 9}}));
}

TEST(Triangulate, ListOfTrianglesComesBackUnchangedAndFlagged) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2});
  scene.addFace({0, 2, 3});
  scene.addFace({3, 2, 1});
  scene.addUVW({{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 3);
  EXPECT_EQ(facesOf(scene.out), facesOf(scene.faces));
  EXPECT_EQ(facesOf(scene.outChannel(0)), (Faces{{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}));
  EXPECT_TRUE(scene.out.IsFlagSet(FACELIST_CHANGED));
  EXPECT_TRUE(scene.outChannel(0).IsFlagSet(FACELIST_CHANGED));
}

TEST(Triangulate, FlagThatNoFaceCarriesCopiesEveryFace) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {2, 0.5}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 3, 4});
  scene.addFace({1, 2, 3});
  scene.addFace({0, 1, 2, 3, 4});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, kTempFlag, 1), 3);
  EXPECT_EQ(facesOf(scene.out), facesOf(scene.faces));
  // The other way round every polygon is selected.
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, kTempFlag, 0), 2 + 1 + 3);
}

TEST(Triangulate, OnlyFlaggedPolygonsAreCutAndOrderIsKept) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}});
  scene.addFace({0, 1, 2, 3});
  scene.addFace({1, 4, 5, 2});
  scene.addFace({0, 1, 2, 3});
  scene.faces[1]->SetFlags(kTempFlag, 1);
  scene.addUVW({{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, kTempFlag, 1), 4);
  EXPECT_EQ(facesOf(scene.out), (Faces{{0, 1, 2, 3}, {4, 5, 1}, {1, 5, 2}, {0, 1, 2, 3}}));
  EXPECT_EQ(facesOf(scene.outChannel(0)),
            (Faces{{0, 1, 2, 3}, {5, 6, 4}, {4, 6, 7}, {8, 9, 10, 11}}));
  EXPECT_TRUE(scene.out[1]->IsFlagSet(kTempFlag)) << "triangles take the polygon's flags";
}

// --- Channels

TEST(Triangulate, ChannelIndicesFollowTheirCorners) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3});
  scene.faces[0]->SetMaterialID(5);
  scene.faces[0]->GetCustomData(1)->SetUInt(0x54455354, 77);
  scene.addUVW({{10, 11, 12, 13}});
  scene.addUVW({{3, 2, 1, 0}});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 2);
  EXPECT_EQ(facesOf(scene.out), (Faces{{1, 2, 0}, {0, 2, 3}}));
  EXPECT_EQ(facesOf(scene.outChannel(0)), (Faces{{11, 12, 10}, {10, 12, 13}}));
  EXPECT_EQ(facesOf(scene.outChannel(1)), (Faces{{2, 1, 3}, {3, 1, 0}}));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(scene.out[i]->GetMaterialID(), 5u);
    ASSERT_NE(scene.out[i]->GetCustomData(), nullptr);
    EXPECT_EQ(scene.out[i]->GetCustomData()->GetUInt(0x54455354), 77u);
    EXPECT_FALSE(scene.outChannel(0)[i]->IsOneFlagSet(vex3d::kFaceSkipMask));
  }
}

// A channel face of another size, an invalid channel face and a channel
// shorter than the mesh each give invalid channel triangles.
TEST(Triangulate, ChannelFacesThatCannotFollowAreMarkedInvalid) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3});
  scene.addFace({0, 1, 2});
  scene.addUVW({{10, 11, 12}, {0, 1, 2}});
  CUVWChannel* flagged = scene.addUVW({{10, 11, 12, 13}, {0, 1, 2}});
  flagged->GetFaceList()->ElementAt(0)->SetFlags(FACE_CHANNEL_INVALID | 0x40, 1);
  scene.addUVW({{10, 11, 12, 13}});
  EXPECT_EQ(scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1), 3);
  for (int c = 0; c < 3; ++c) ASSERT_EQ(scene.outChannel(c).GetSize(), 3) << c;
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(scene.outChannel(0)[i]->IsFlagSet(FACE_CHANNEL_INVALID));
    EXPECT_FALSE(scene.out[i]->IsFlagSet(FACE_INVALID)) << "the mesh triangle stays";
    EXPECT_TRUE(scene.outChannel(1)[i]->IsFlagSet(FACE_CHANNEL_INVALID | 0x40));
  }
  EXPECT_FALSE(scene.outChannel(2)[1]->IsFlagSet(FACE_CHANNEL_INVALID));
  EXPECT_TRUE(scene.outChannel(2)[2]->IsFlagSet(FACE_CHANNEL_INVALID));
}

// --- Standalone and slot use

TEST(Triangulate, StandaloneUseReplacesTheDestinationContents) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3});
  scene.addUVW({{4, 5, 6, 7}});
  for (int i = 0; i < 5; ++i) {
    PolygonScene::addFace(scene.out, {9, 9, 9, 9, 9});
    PolygonScene::addFace(scene.outChannel(0), {9, 9});
  }
  EXPECT_EQ(scene.faces[0]->Triangulate(scene.geom, 0, -1), 2);
  EXPECT_EQ(facesOf(scene.out), (Faces{{1, 2, 0}, {0, 2, 3}}));
  EXPECT_EQ(facesOf(scene.outChannel(0)), (Faces{{5, 6, 4}, {4, 6, 7}}));
}

TEST(Triangulate, SlotUseWritesFromTheGivenSlotAndGrowsShortLists) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  scene.addFace({0, 1, 2, 3});
  PolygonScene::addFace(scene.out, {8, 8, 8});
  EXPECT_EQ(scene.faces[0]->Triangulate(&scene.geom, 0, 1), 2);
  EXPECT_EQ(facesOf(scene.out), (Faces{{8, 8, 8}, {1, 2, 0}, {0, 2, 3}}));
}

// --- Predicates

TEST(FacePredicates, NewellNormalFollowsTheWinding) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 0}});
  scene.addFace({0, 1, 2, 3});
  scene.addFace({3, 2, 1, 0});
  scene.addFace({0, 4, 1});
  scene.addFace({0, 1});
  scene.addFace({0, 1, 50});
  C3DVector n;
  scene.faces[0]->GetNormal(scene.geom, n);
  EXPECT_EQ(n, C3DVector(0, 0, 1));
  scene.faces[1]->GetNormal(&scene.geom, n);
  EXPECT_EQ(n, C3DVector(0, 0, -1));
  scene.faces[2]->GetNormal(scene.geom, n);
  EXPECT_EQ(n, C3DVector(0, 0, 0)) << "flat face";
  n.Init(1, 2, 3);
  scene.faces[3]->GetNormal(scene.geom, n);
  EXPECT_EQ(n, C3DVector(1, 2, 3)) << "two corners leave it alone";
  scene.faces[4]->GetNormal(scene.geom, n);
  EXPECT_EQ(n, C3DVector(0, 0, 0)) << "missing point";
}

TEST(FacePredicates, NewellNormalOfATiltedPentagon) {
  PolygonScene scene;
  // In the plane x + y + z = 1, counter-clockwise seen from (1, 1, 1).
  for (const C3DPoint& p : {C3DPoint(1, 0, 0), C3DPoint(0.5f, 0.5f, 0), C3DPoint(0, 1, 0),
                            C3DPoint(0, 0.5f, 0.5f), C3DPoint(0, 0, 1)}) {
    scene.points.Add(p);
  }
  scene.addFace({0, 1, 2, 3, 4});
  C3DVector n;
  scene.faces[0]->GetNormal(scene.geom, n);
  const float k = 1.0f / std::sqrt(3.0f);
  EXPECT_NEAR(n.x, k, 1e-6);
  EXPECT_NEAR(n.y, k, 1e-6);
  EXPECT_NEAR(n.z, k, 1e-6);
}

TEST(FacePredicates, IsConvex) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 0}, {1, 1}, {2, 1}, {1, 2}});
  scene.addFace({0, 1, 2, 3});        // square
  scene.addFace({3, 2, 1, 0});        // the same, clockwise
  scene.addFace({0, 4, 1, 2, 3});     // a corner on an edge
  scene.addFace({0, 1, 6, 5, 7, 3});  // L shape
  scene.addFace({0, 5, 1});           // a triangle is convex whatever it looks like
  scene.addFace({0, 1, 2, 30});       // a missing point
  EXPECT_EQ(scene.faces[0]->IsConvex(&scene.geom), 1);
  EXPECT_EQ(scene.faces[1]->IsConvex(&scene.geom), 1);
  EXPECT_EQ(scene.faces[2]->IsConvex(&scene.geom), 1);
  EXPECT_EQ(scene.faces[3]->IsConvex(&scene.geom), 0);
  EXPECT_EQ(scene.faces[4]->IsConvex(&scene.geom), 1);
  EXPECT_EQ(scene.faces[5]->IsConvex(&scene.geom), 0);
}

TEST(FacePredicates, CompacityFactor) {
  PolygonScene scene;
  scene.addPoints({{0, 0}, {2, 0}, {1, std::sqrt(3.0)}, {1, 0}, {0, 2}, {0, 0}});
  scene.addFace({0, 1, 2});     // equilateral
  scene.addFace({0, 3, 1, 2});  // flat first triangle
  scene.addFace({0, 1, 4});     // right isosceles: 4 sqrt(3) / 8
  scene.addFace({0, 0, 5});     // one point three times
  scene.addFace({0, 1, 77});
  EXPECT_NEAR(scene.faces[0]->GetCompacityFactor(&scene.geom), 1.0f, 1e-6);
  EXPECT_EQ(scene.faces[1]->GetCompacityFactor(&scene.geom), 0.0f);
  EXPECT_NEAR(scene.faces[2]->GetCompacityFactor(&scene.geom), 0.8660254f, 1e-6);
  EXPECT_EQ(scene.faces[3]->GetCompacityFactor(&scene.geom), 0.0f);
  EXPECT_EQ(scene.faces[4]->GetCompacityFactor(&scene.geom), 0.0f);
}

TEST(FacePredicates, IsInTriangle) {
  const C3DPoint a(0, 0, 0);
  const C3DPoint b(4, 0, 0);
  const C3DPoint c(0, 4, 0);
  EXPECT_EQ(C3DPoint(1, 1, 0).IsInTriangle(a, b, c), 1);
  EXPECT_EQ(C3DPoint(3, 3, 0).IsInTriangle(a, b, c), 0) << "in the box, beyond the edge";
  EXPECT_EQ(C3DPoint(5, 1, 0).IsInTriangle(a, b, c), 0) << "outside the box";
  EXPECT_EQ(C3DPoint(1, 1, 0.5f).IsInTriangle(a, b, c), 0) << "off the plane, outside the box";
  EXPECT_EQ(C3DPoint(0, 0, 0).IsInTriangle(a, b, c), 1) << "a corner";
  // Clockwise the cross products point down: the classes still agree.
  EXPECT_EQ(C3DPoint(1, 1, 0).IsInTriangle(a, c, b), 1);
  // A tilted triangle.
  const C3DPoint d(1, 0, 0);
  const C3DPoint e(0, 1, 0);
  const C3DPoint f(0, 0, 1);
  EXPECT_EQ(C3DPoint(1.0f / 3, 1.0f / 3, 1.0f / 3).IsInTriangle(d, e, f), 1);
  EXPECT_EQ(C3DPoint(0.6f, 0.6f, 0).IsInTriangle(d, e, f), 0);
}
