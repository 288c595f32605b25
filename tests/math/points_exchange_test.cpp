// Exchange between point kinds through C4DPoint, C4DPoint's own rules,
// C4DVector planes, vertex colours and the point wave.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/point2d.h"
#include "math/point3d.h"
#include "math/point4d.h"
#include "math/uvw_point.h"
#include "math/vc_point.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

C4DPoint make4(int n, float a, float b = 0, float c = 0, float d = 0) {
  C4DPoint p(n, 1);
  p[0] = a;
  p[1] = b;
  p[2] = c;
  p[3] = d;
  return p;
}

void expect4(const C4DPoint& p, int n, float a, float b, float c, float d) {
  EXPECT_EQ(p.GetCount(), n);
  EXPECT_EQ(p[0], a);
  EXPECT_EQ(p[1], b);
  EXPECT_EQ(p[2], c);
  EXPECT_EQ(p[3], d);
}

TEST(PointExchange, EachKindWritesItsCountAndCoordinates) {
  C4DPoint p;
  C2DPoint(1, 2).To4DPoint(p);
  expect4(p, 2, 1, 2, 0, 0);
  C3DPoint(3, 4, 5).To4DPoint(p);
  expect4(p, 3, 3, 4, 5, 0);
  C3DVector(-1, -2, -3).To4DPoint(p);
  expect4(p, 3, -1, -2, -3, 0);
  CUVWPoint(0.25f, 0.5f, 0.75f).To4DPoint(p);
  expect4(p, 3, 0.25f, 0.5f, 0.75f, 0);
  CVCPoint(CRGBColor(0, 128, 255, 7)).To4DPoint(p);
  expect4(p, 4, 0, 128, 255, 7);  // unscaled bytes
}

TEST(PointExchange, ReadingIgnoresTheCount) {
  const C4DPoint p = make4(1, 6, 7, 8, 9);
  C2DPoint p2;
  p2 = p;
  EXPECT_EQ(p2, C2DPoint(6, 7));
  C3DPoint p3;
  p3 = p;
  EXPECT_EQ(p3, C3DPoint(6, 7, 8));
  C3DVector v;
  v = p;
  EXPECT_EQ(v, C3DVector(6, 7, 8));
  CUVWPoint uvw;
  uvw = p;
  EXPECT_EQ(uvw, CUVWPoint(6, 7, 8));
  CVCPoint vc;
  vc = p;
  EXPECT_EQ(vc.GetColor(), CRGBColor(6, 7, 8, 9));
}

TEST(PointExchange, VertexColourTruncatesWithoutClamping) {
  CVCPoint vc;
  vc = make4(4, 1.9f, 255.0f, 0.0f, 128.7f);
  EXPECT_EQ(vc[0], 1);
  EXPECT_EQ(vc[1], 255);
  EXPECT_EQ(vc[2], 0);
  EXPECT_EQ(vc[3], 128);
  // Out of byte range: the truncated value modulo 256; NaN gives 0.
  vc = make4(4, 256.5f, -1.5f, 511.0f, kNaN);
  EXPECT_EQ(vc.GetColor(), CRGBColor(0, 255, 255, 0));
}

TEST(PointExchange, AssignmentAcrossKindsGoesThroughTheExchangeForm) {
  C3DVector normal(0, 0, 1);
  normal.SetFlag(POINT_UNSPECIFIED, 1);
  C3DPoint p(9, 9, 9);
  static_cast<CPt&>(p) = normal;
  EXPECT_EQ(p, C3DPoint(0, 0, 1));
  EXPECT_EQ(p.GetFlags(), POINT_UNSPECIFIED);

  C3DPoint q(5, 5, 5);
  q = normal;  // the point's own overload follows the same rules
  EXPECT_EQ(q, p);
  EXPECT_EQ(q.GetFlags(), POINT_UNSPECIFIED);

  C2DPoint flat;
  static_cast<CPt&>(flat) = C3DPoint(1, 2, 3);
  EXPECT_EQ(flat, C2DPoint(1, 2));

  C3DPoint fromFlat(7, 7, 7);
  static_cast<CPt&>(fromFlat) = C2DPoint(1, 2);
  EXPECT_EQ(fromFlat, C3DPoint(1, 2, 0));

  CUVWPoint uvw;
  static_cast<CPt&>(uvw) = C3DPoint(0.5f, 0.25f, 1);
  EXPECT_EQ(uvw, CUVWPoint(0.5f, 0.25f, 1));

  CVCPoint colour;
  static_cast<CPt&>(colour) = CUVWPoint(12.9f, 300, -2);
  EXPECT_EQ(colour.GetColor(), CRGBColor(12, 44, 254, 0));

  CUVWPoint copy;
  copy = CUVWPoint(1, 2, 3);
  EXPECT_EQ(copy, CUVWPoint(1, 2, 3));
}

TEST(GenericPoints, ConstructionAndCopyFollowTheCount) {
  EXPECT_EQ(C4DPoint().GetCount(), 0);
  C4DPoint p = make4(4, 1, 2, 3, 4);
  p.Init(2);
  expect4(p, 2, 0, 0, 0, 0);

  const C4DPoint src = make4(2, 5, 6, 7, 8);
  C4DPoint dst = make4(4, 1, 2, 3, 4);
  dst = src;  // count and the two counted components only
  expect4(dst, 2, 5, 6, 3, 4);
}

TEST(GenericPoints, CompoundOperatorsRunOverTheLeftCount) {
  C4DPoint a = make4(3, 1, 2, 3);
  a += make4(1, 10, 20, 30, 40);
  expect4(a, 3, 11, 22, 33, 0);
  a -= make4(3, 1, 2, 3);
  expect4(a, 3, 10, 20, 30, 0);
  a *= make4(3, 2, 2, 2);
  expect4(a, 3, 20, 40, 60, 0);
  a /= make4(3, 4, 4, 4);
  expect4(a, 3, 5, 10, 15, 0);
  a /= 5.0f;
  expect4(a, 3, 1, 2, 3, 0);
}

TEST(GenericPoints, BinaryOperatorsTakeTheRightCountAndTheLeftRange) {
  const C4DPoint two = make4(2, 1, 2, 100, 100);
  const C4DPoint three = make4(3, 10, 20, 30, 40);
  expect4(two + three, 3, 11, 22, 0, 0);
  expect4(three - two, 2, 9, 18, -70, 0);
  expect4(two * three, 3, 10, 40, 0, 0);
  expect4(three / two, 2, 10, 10, 0.3f, 0);
}

TEST(GenericPoints, DifferentCountsAreDifferent) {
  const C4DPoint a = make4(2, 1, 2);
  const C4DPoint b = make4(3, 1, 2);
  EXPECT_TRUE(a != b);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(a != make4(2, 1, 2, 99, 99));  // uncounted components do not matter
  EXPECT_TRUE(make4(1, kNaN) != make4(1, kNaN));
  EXPECT_FALSE(make4(1, 0.0f) != make4(1, -0.0f));
}

TEST(GenericPoints, HashSumsTheBitPatternsWithWrapAround) {
  EXPECT_EQ(static_cast<unsigned int>(make4(2, 1.0f, 2.0f, 5.0f)), 0x3F800000u + 0x40000000u);
  EXPECT_EQ(static_cast<unsigned int>(make4(2, -0.0f, -0.0f)), 0u);
  EXPECT_EQ(static_cast<unsigned int>(make4(3, -1.0f, -1.0f, -1.0f)), 0x3E800000u);
  EXPECT_EQ(static_cast<unsigned int>(C4DPoint()), 0u);
}

TEST(Vectors4D, ConstructionSetsWToOne) {
  EXPECT_EQ(C4DVector(1, 2, 3), C4DVector(1, 2, 3, 1));
  EXPECT_EQ(C4DVector(C3DPoint(1, 1, 1), C3DPoint(2, 3, 4)), C4DVector(1, 2, 3, 1));
  C4DVector v(0, 0, 0, 5);
  v.InitFromPoints(C3DPoint(1, 1, 1), C3DPoint(0, 0, 0));
  EXPECT_EQ(v, C4DVector(-1, -1, -1, 1));
  v = C4DVector(0, 0, 0, 5);
  v.InitFromPoint(C3DPoint(4, 5, 6));
  EXPECT_EQ(v, C4DVector(4, 5, 6, 1));
  v = C4DVector(0, 0, 0, 5);
  v = C3DVector(7, 8, 9);
  EXPECT_EQ(v, C4DVector(7, 8, 9, 1));
}

TEST(Vectors4D, NormalDotLengthAndNormalize) {
  C4DVector n(0, 0, 0, 7);
  n.Normal(C4DVector(1, 0, 0, 3), C4DVector(0, 1, 0, 4));
  EXPECT_EQ(n, C4DVector(0, 0, 1, 7));
  EXPECT_EQ(C4DVector(1, 2, 3, 4) * C4DVector(5, 6, 7, 8), 70.0f);
  C4DVector v(0, 3, 4, 9);
  EXPECT_EQ(v.Length(), 5.0f);
  v.Normalize();
  EXPECT_EQ(v, C4DVector(0, 0.6f, 0.8f, 9));
  C4DVector zero(0, 0, 0, 2);
  zero.Normalize();
  EXPECT_EQ(zero, C4DVector(0, 0, 0, 2));
}

TEST(Vectors4D, PlaneOfCounterClockwisePointsFacesItsViewer) {
  // Counter-clockwise seen from +z, in the plane z = 2.
  C4DVector plane;
  plane.GetPlaneVector(C3DPoint(0, 0, 2), C3DPoint(1, 0, 2), C3DPoint(0, 1, 2));
  EXPECT_EQ(plane, C4DVector(0, 0, 1, -2));
  EXPECT_EQ(C3DPoint(5, -5, 3) * plane, 1.0f);
  EXPECT_EQ(C3DPoint(5, -5, 0) * plane, -2.0f);

  // The same points clockwise: the other side.
  plane.GetPlaneVector(C3DPoint(0, 0, 2), C3DPoint(0, 1, 2), C3DPoint(1, 0, 2));
  EXPECT_EQ(C3DPoint(5, -5, 3) * plane, -1.0f);

  // A tilted plane is normalised: distances are true distances.
  plane.GetPlaneVector(C3DPoint(0, 0, 0), C3DPoint(0, 3, 0), C3DPoint(4, 0, 3));
  EXPECT_FLOAT_EQ(plane.Length(), 1.0f);
  EXPECT_FLOAT_EQ(C3DPoint(3, 0, -4) * plane, 5.0f);

  // Collinear points leave a zero normal rather than NaNs.
  plane.GetPlaneVector(C3DPoint(0, 0, 0), C3DPoint(1, 1, 1), C3DPoint(2, 2, 2));
  EXPECT_EQ(plane, C4DVector(0, 0, 0, 0));
}

TEST(PointWave, StepsRunInOrderOnTheMovedCoordinates) {
  // Step 1 lifts z by ~1 (x is a quarter period in); step 3 then reads the
  // lifted z, a quarter of its period, and moves y by ~1. Run the other way
  // round, step 3 would see z = 0 and leave y alone.
  const float amplitude = 1.0f / std::sqrt(17.0f);  // |period| x amplitude ~ 1
  C3DPoint p(0.25f, 0, 0);
  p.NoisyWaveFunc(C3DPoint(), C3DVector(1, 0, 4), amplitude, 1.0f, 0.0f);
  EXPECT_EQ(p.x, 0.25f);
  EXPECT_NEAR(p.z, 1.0f, 1e-5);
  EXPECT_NEAR(p.y, 1.0f, 1e-5);

  // Step 1 reads x before step 2 moves it.
  C3DPoint q(0, 0.25f, 0);
  q.NoisyWaveFunc(C3DPoint(), C3DVector(4, 1, 0), amplitude, 1.0f, 0.0f);
  EXPECT_EQ(q.z, 0.0f);
  EXPECT_NEAR(q.x, 1.0f, 1e-5);
  EXPECT_EQ(q.y, 0.25f);
}

TEST(PointWave, OriginFrequencyAndPhaseShiftTheWave) {
  // (x - origin) f / period + phase = (1.5 - 1) * 2 / 4 + 0 = 0.25 of a turn.
  C3DPoint p(1.5f, 0, 10);
  p.NoisyWaveFunc(C3DPoint(1, 0, 0), C3DVector(4, 0, 0), 0.5f, 2.0f, 0.0f);
  EXPECT_NEAR(p.z, 12.0f, 1e-5);
  // A half-turn phase reverses it.
  C3DPoint q(1.5f, 0, 10);
  q.NoisyWaveFunc(C3DPoint(1, 0, 0), C3DVector(4, 0, 0), 0.5f, 2.0f, 0.5f);
  EXPECT_NEAR(q.z, 8.0f, 1e-5);
  // No period, no wave.
  C3DPoint r(1, 2, 3);
  r.NoisyWaveFunc(C3DPoint(), C3DVector(), 1.0f, 1.0f, 0.25f);
  EXPECT_EQ(r, C3DPoint(1, 2, 3));
}

}  // namespace
