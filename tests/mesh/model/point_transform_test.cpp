#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "math/matrix4x4.h"
#include "mesh/model/point_lists.h"

namespace {

template <class TList>
void fillRandom(TList& list, int n) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-50.0f, 50.0f);
  for (int i = 0; i < n; ++i) {
    typename TList::Point p;
    p.x = coord(rng);
    p.y = coord(rng);
    p.z = coord(rng);
    list.Add(p);
  }
}

// The raw bytes of the coordinates: "unchanged" means bit for bit, -0.0
// and NaN payloads included.
template <class TList>
std::vector<float> coordinates(const TList& list) {
  std::vector<float> out;
  for (int i = 0; i < list.GetSize(); ++i) {
    out.push_back(list[i].x);
    out.push_back(list[i].y);
    out.push_back(list[i].z);
  }
  return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

C4x4Matrix offIdentityBy(float d) {
  C4x4Matrix m(1);
  m(0, 0) = 1.0f + d;
  m(1, 2) = -d;
  m(2, 3) = d;
  m(0, 3) = -d;
  return m;
}

}  // namespace

TEST(PointTransform, NearIdentityLeavesPointsBitIdentical) {
  C3DPointList points;
  fillRandom(points, 100);
  points.Add(C3DPoint(-0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()));
  const std::vector<float> before = coordinates(points);
  points.SetFlag(POINTLIST_CHANGED, 0);

  EXPECT_EQ(points.MatrixTransform(offIdentityBy(0.004f)), 0);
  EXPECT_TRUE(sameBits(coordinates(points), before));
  EXPECT_FALSE(points.IsFlagSet(POINTLIST_CHANGED));

  C3DVectorList vectors;
  fillRandom(vectors, 10);
  const std::vector<float> vectorsBefore = coordinates(vectors);
  EXPECT_EQ(vectors.MatrixTransform(offIdentityBy(-0.004f)), 0);
  EXPECT_TRUE(sameBits(coordinates(vectors), vectorsBefore));

  // Just beyond the tolerance the matrix applies, translation included.
  EXPECT_EQ(points.MatrixTransform(offIdentityBy(0.006f)), 1);
  EXPECT_TRUE(points.IsFlagSet(POINTLIST_CHANGED));
  EXPECT_FLOAT_EQ(points[0].x, 1.006f * before[0] - 0.006f);
  EXPECT_FLOAT_EQ(points[0].y, before[1] - 0.006f * before[2]);
  EXPECT_FLOAT_EQ(points[0].z, before[2] + 0.006f);
}

TEST(PointTransform, MovesEveryPointAsTheMatrixMovesOne) {
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  m.Scale(2.0f, 0.5f, 3.0f);
  m.Translate(10.0f, -5.0f, 3.0f);

  C3DPointList points;
  fillRandom(points, 1000);
  points[7].SetFlag(POINT_BORDER, 1);
  points[7].GetCustomData(1)->SetUInt(5, 6);
  C3DPointList expected;
  expected = points;
  ASSERT_EQ(points.MatrixTransform(m), 1);
  for (int i = 0; i < points.GetSize(); ++i) {
    const C3DPoint q = expected[i] * m;
    ASSERT_FLOAT_EQ(points[i].x, q.x) << i;
    ASSERT_FLOAT_EQ(points[i].y, q.y) << i;
    ASSERT_FLOAT_EQ(points[i].z, q.z) << i;
  }
  // Only the coordinates change.
  EXPECT_TRUE(points[7].IsFlagSet(POINT_BORDER));
  ASSERT_NE(points[7].GetCustomData(), nullptr);
  EXPECT_EQ(points[7].GetCustomData()->GetUInt(5), 6u);
}

// The direction of a turn is the matrix's own business: see its tests.
TEST(PointTransform, VectorsTakeTheTranslationAsPointsDo) {
  C3DVectorList vectors;
  vectors.Add(C3DVector(0, 0, 1));
  C4x4Matrix shift(1);
  shift.Translate(1.0f, 2.0f, 3.0f);
  vectors.SetFlag(POINTLIST_CHANGED, 0);
  ASSERT_EQ(vectors.MatrixTransform(shift), 1);
  EXPECT_EQ(vectors[0].x, 1.0f);
  EXPECT_EQ(vectors[0].y, 2.0f);
  EXPECT_EQ(vectors[0].z, 4.0f);
  EXPECT_TRUE(vectors.IsFlagSet(POINTLIST_CHANGED));
}

TEST(PointTransform, EmptyListsReportNothingMoved) {
  C4x4Matrix shift(1);
  shift.Translate(1.0f, 0.0f, 0.0f);
  C3DPointList points;
  points.SetFlag(POINTLIST_CHANGED, 0);
  EXPECT_EQ(points.MatrixTransform(shift), 0);
  EXPECT_FALSE(points.IsFlagSet(POINTLIST_CHANGED));
  C3DVectorList vectors;
  EXPECT_EQ(vectors.MatrixTransform(shift), 0);
}
