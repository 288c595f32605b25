#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "math/point2d.h"
#include "math/point3d.h"
#include "math/point4d.h"
#include "math/uvw_point.h"
#include "math/vc_point.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Point lists hold millions of these by value.
static_assert(sizeof(C3DPoint) == 32 && sizeof(C3DVector) == 32 && sizeof(CUVWPoint) == 32);
static_assert(sizeof(C2DPoint) == 32 && sizeof(CVCPoint) == 24);
static_assert(std::is_nothrow_move_constructible_v<C3DPoint>);
static_assert(std::is_nothrow_move_constructible_v<CVCPoint>);

void expectXYZ(const C3DVector& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

TEST(Points, AssignmentKeepsTargetCustomDataWhenSourceHasNone) {
  C3DPoint target(1, 1, 1);
  target.GetCustomData(1)->SetUInt(7, 70);
  C3DPoint source(2, 3, 4);
  source.SetFlag(POINT_BORDER, 1);
  target = source;
  EXPECT_EQ(target, source);
  EXPECT_EQ(target.GetFlags(), POINT_BORDER);
  ASSERT_NE(target.GetCustomData(0), nullptr);
  EXPECT_EQ(target.GetCustomData(0)->GetUInt(7), 70u);

  // Through the base-class assignment as well.
  CPt& base = target;
  base = static_cast<const CPt&>(C3DPoint(5, 6, 7));
  EXPECT_EQ(target, C3DPoint(5, 6, 7));
  EXPECT_EQ(target.GetCustomData(0)->GetUInt(7), 70u);
}

TEST(Points, AssignmentCopiesSourceCustomDataIntoTarget) {
  C3DPoint source(1, 2, 3);
  source.GetCustomData(1)->SetUInt(1, 10);
  C3DPoint plain;
  plain = source;
  ASSERT_NE(plain.GetCustomData(0), nullptr);
  EXPECT_EQ(plain.GetCustomData(0)->GetUInt(1), 10u);

  // A target with a record of its own receives a copy of the source's in it.
  C3DPoint withOwn;
  withOwn.GetCustomData(1)->SetUInt(2, 20);
  CCustomData* own = withOwn.GetCustomData(0);
  withOwn = source;
  EXPECT_EQ(withOwn.GetCustomData(0), own);  // same record, new contents
  EXPECT_EQ(*withOwn.GetCustomData(0), *source.GetCustomData(0));

  // Copies are independent of the source.
  source.GetCustomData(0)->SetUInt(1, 11);
  EXPECT_EQ(plain.GetCustomData(0)->GetUInt(1), 10u);
}

TEST(Points, ArithmeticResultsCarryNoFlagsNorCustomData) {
  C3DPoint a(1, 2, 3);
  a.SetFlag(POINT_INVALID, 1);
  a.GetCustomData(1);
  const C3DPoint b = a + C3DPoint(1, 1, 1);
  EXPECT_EQ(b, C3DPoint(2, 3, 4));
  EXPECT_EQ(b.GetFlags(), 0u);
  EXPECT_EQ(b.GetCustomData(), nullptr);
  const C3DVector c = C3DVector(a, b);
  EXPECT_EQ(c.GetFlags(), 0u);
}

TEST(Points, ComparisonsAreExact) {
  const float z = 3.0f;
  const float zNext = std::nextafter(z, 4.0f);
  EXPECT_NE(C3DPoint(1, 2, z), C3DPoint(1, 2, zNext));
  EXPECT_FALSE(C3DPoint(1, 2, z) == C3DPoint(1, 2, zNext));
  EXPECT_NE(C3DVector(1, 2, z), C3DVector(1, 2, zNext));
  EXPECT_NE(C3DPoint(kNaN, 0, 0), C3DPoint(kNaN, 0, 0));
  EXPECT_EQ(C3DPoint(0.0f, 0, 0), C3DPoint(-0.0f, 0, 0));
}

TEST(Vectors, CrossProductFollowsTheRightHand) {
  expectXYZ(C3DVector(1, 0, 0) ^ C3DVector(0, 1, 0), 0, 0, 1);
  expectXYZ(C3DVector(0, 1, 0) ^ C3DVector(1, 0, 0), 0, 0, -1);
  expectXYZ(C3DVector(1, 2, 3) ^ C3DVector(4, 5, 6), -3, 6, -3);
}

TEST(Vectors, InvertIsTheReciprocal) {
  C3DVector v(2, 4, 0.5f);
  v.Invert();
  expectXYZ(v, 0.5f, 0.25f, 2);
  C3DVector z(0, -0.0f, 1);
  z.Invert();
  EXPECT_EQ(z.x, std::numeric_limits<float>::infinity());
  EXPECT_EQ(z.y, -std::numeric_limits<float>::infinity());
}

TEST(Vectors, NormalizeLeavesAZeroVectorAlone) {
  C3DVector zero;
  EXPECT_EQ(zero.Normalize(), 0.0f);
  expectXYZ(zero, 0, 0, 0);
  EXPECT_TRUE(zero.IsNull());

  C3DVector tiny(1e-30f, 0, 0);
  EXPECT_FALSE(tiny.IsNull());
  C3DVector v(0, 3, 4);
  EXPECT_EQ(v.Normalize(), 5.0f);
  expectXYZ(v, 0, 0.6f, 0.8f);
}

TEST(UVWPoints, UVCoordinatePicksTheSpanningPair) {
  float s = -1, t = -1;
  CUVWPoint(0, 0.3f, 0.7f).GetUVCoordinate(s, t);
  EXPECT_EQ(s, 0.3f);
  EXPECT_EQ(t, 0.7f);
  CUVWPoint(0.2f, 0, 0.9f).GetUVCoordinate(s, t);
  EXPECT_EQ(s, 0.2f);
  EXPECT_EQ(t, 0.9f);
  CUVWPoint(0.2f, 0.4f, 0.9f).GetUVCoordinate(s, t);
  EXPECT_EQ(s, 0.2f);
  EXPECT_EQ(t, 0.4f);
}

TEST(UVWPoints, HashTruncatesTheSumTowardZero) {
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(0.6f, 0.6f, 0.0f)), 1u);
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(-0.5f, 0, 0)), 0u);
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(1, 2, 3.9f)), 6u);
  // Out of range values wrap instead of being undefined.
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(-1.5f, 0, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(kNaN, 0, 0)), 0u);
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(1e30f, 0, 0)), 0u);
  EXPECT_EQ(static_cast<unsigned int>(CUVWPoint(4294967296.0f, 0, 0)), 0u);
}

}  // namespace
