#include "math/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/matrix4x4.h"
#include "math/point3d.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kHalfPi = 1.5707964f;

void expectQuat(const CQuaternion& q, float x, float y, float z, float w, float tol = 1e-6f) {
  EXPECT_NEAR(q.x, x, tol);
  EXPECT_NEAR(q.y, y, tol);
  EXPECT_NEAR(q.z, z, tol);
  EXPECT_NEAR(q.w, w, tol);
}

void expectNear(const C4x4Matrix& a, const C4x4Matrix& b, float tol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << "at " << r << "," << c;
}

float norm(const CQuaternion& q) {
  return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

C4x4Matrix rotation(float angle, const C3DVector& axis) {
  C4x4Matrix m;
  m.InitRotation(angle, axis);
  return m;
}

// Unit axes and angles on both sides of a half turn, so that every branch of
// the matrix-to-quaternion conversion is taken.
struct AxisAngle {
  C3DVector axis;
  float angle;
};
const AxisAngle kRotations[] = {
    {{0, 0, 1}, 0.5f},
    {{1, 0, 0}, kPi},
    {{0, 1, 0}, kPi},
    {{0, 0, 1}, kPi},
    {{0.6f, 0, 0.8f}, 2.9f},
    {{0, 0.8f, -0.6f}, 3.1f},
    {{0.48f, 0.6f, 0.64f}, 1.7f},
    {{-0.48f, 0.64f, 0.6f}, -2.6f},
    {{0, 1, 0}, 0.0f},
};

TEST(Quaternion, AxisAngleIsTakenAsGiven) {
  expectQuat(CQuaternion(C3DVector(0, 0, 2), kPi), 0, 0, 2, 0);
  CQuaternion q;
  expectQuat(q, 0, 0, 0, 1, 0);
  q.SetAxisAngle(C3DVector(1, 0, 0), kPi / 2);
  expectQuat(q, std::sqrt(0.5f), 0, 0, std::sqrt(0.5f));
  q = C3DVector(1, 2, 3);
  EXPECT_EQ(q.w, 0.0f);
  EXPECT_EQ(q[2], 3.0f);
  q[3] = 4.0f;
  EXPECT_EQ(C3DVector(q), C3DVector(1, 2, 3));
  const float raw[4] = {5, 6, 7, 8};
  expectQuat(CQuaternion(raw), 5, 6, 7, 8, 0);
}

TEST(Quaternion, HamiltonProductOrder) {
  const CQuaternion i(1, 0, 0, 0), j(0, 1, 0, 0), k(0, 0, 1, 0);
  expectQuat(i * j, 0, 0, 1, 0, 0);
  expectQuat(j * i, 0, 0, -1, 0, 0);
  expectQuat(j * k, 1, 0, 0, 0, 0);
  expectQuat(i * i, 0, 0, 0, -1, 0);
  CQuaternion q = i;
  q *= j;  // i j
  expectQuat(q, 0, 0, 1, 0, 0);
  q = i;
  q.Rotate(j);  // j i
  expectQuat(q, 0, 0, -1, 0, 0);
}

TEST(Quaternion, ProductMapsToTheReversedMatrixProduct) {
  const CQuaternion p(C3DVector(0, 0, 1), 0.8f);
  const CQuaternion q(C3DVector(0.6f, 0.8f, 0), -1.3f);
  expectNear(C4x4Matrix(p * q), C4x4Matrix(q) * C4x4Matrix(p), 1e-6f);
  CQuaternion r = p;
  r.Rotate(C3DVector(0.6f, 0.8f, 0), -1.3f);
  expectNear(C4x4Matrix(r), C4x4Matrix(p) * C4x4Matrix(q), 1e-6f);
}

TEST(QuaternionMatrix, MatrixOfAQuaternionIsTheRotation) {
  for (const AxisAngle& r : kRotations) {
    C4x4Matrix m = C4x4Matrix();
    m(0, 3) = 9.0f;
    m(3, 1) = 9.0f;
    m = CQuaternion(r.axis, r.angle);
    expectNear(m, rotation(r.angle, r.axis), 1e-6f);
  }
  // The quarter turn about z keeps its clockwise sense.
  const C4x4Matrix m(CQuaternion(C3DVector(0, 0, 1), kPi / 2));
  const C3DPoint p = C3DPoint(1, 0, 0) * m;
  EXPECT_NEAR(p.y, -1.0f, 1e-6f);
}

TEST(QuaternionMatrix, QuaternionOfAMatrixRoundTrips) {
  for (const AxisAngle& r : kRotations) {
    const C4x4Matrix m = rotation(r.angle, r.axis);
    CQuaternion q;
    q = m;
    EXPECT_NEAR(norm(q), 1.0f, 1e-6f);
    expectNear(C4x4Matrix(q), m, 2e-6f);
    // Same rotation as the direct quaternion, up to the sign.
    const CQuaternion direct(r.axis, r.angle);
    const float dot = q.x * direct.x + q.y * direct.y + q.z * direct.z + q.w * direct.w;
    EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-6f);
  }
  CQuaternion q;
  q = C4x4Matrix(CQuaternion(0.5f, 0.5f, 0.5f, 0.5f));
  expectQuat(q, 0.5f, 0.5f, 0.5f, 0.5f, 0);
  q = C4x4Matrix(1);
  expectQuat(q, 0, 0, 0, 1, 0);
  // Half turns: the largest diagonal element picks the component computed first.
  q = rotation(kPi, C3DVector(0, 1, 0));
  expectQuat(q, 0, 1, 0, 0);
  q = rotation(kPi, C3DVector(0, 0, 1));
  expectQuat(q, 0, 0, 1, 0);
}

TEST(QuaternionAngles, MatchTheMatrixAngles) {
  const CQuaternion q(0.3f, -0.7f, 1.1f);
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  expectNear(C4x4Matrix(q), m, 1e-6f);
  float h, p, b;
  q.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.3f, 1e-5f);
  EXPECT_NEAR(p, -0.7f, 1e-5f);
  EXPECT_NEAR(b, 1.1f, 1e-5f);
  // The quaternion need not be unit.
  (q * 3.0f).GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.3f, 1e-5f);
  EXPECT_NEAR(p, -0.7f, 1e-5f);
  EXPECT_NEAR(b, 1.1f, 1e-5f);
  // Round trip through the matrix conversion.
  CQuaternion back;
  back = m;
  back.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.3f, 1e-5f);
  EXPECT_NEAR(b, 1.1f, 1e-5f);
}

TEST(QuaternionAngles, GimbalLockAgreesWithTheMatrix) {
  float h, p, b;
  CQuaternion(0.4f, kHalfPi, 0.3f).GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.7f, 1e-5f);
  EXPECT_EQ(p, kHalfPi);
  EXPECT_EQ(b, 0.0f);
  CQuaternion(0.4f, -kHalfPi, 0.3f).GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.1f, 1e-5f);
  EXPECT_EQ(p, -kHalfPi);
  EXPECT_EQ(b, 0.0f);
  // Near the pole both readers switch at the same place (the heading each
  // derives inside the locked band is its own approximation).
  for (float pitch : {1.49f, 1.52f, -1.49f, -1.52f}) {
    const CQuaternion q(0.4f, pitch, 0.3f);
    float mh, mp, mb;
    C4x4Matrix(q).GetHPBAngles(mh, mp, mb);
    q.GetHPBAngles(h, p, b);
    EXPECT_NEAR(p, mp, 1e-4f) << pitch;
    EXPECT_NEAR(b, mb, 1e-4f) << pitch;
    if (std::fabs(pitch) < 1.5f) {
      EXPECT_NEAR(h, mh, 1e-4f) << pitch;
    } else {
      EXPECT_EQ(b, 0.0f);
      EXPECT_NEAR(h, mh, 0.03f) << pitch;
    }
  }
}

TEST(QuaternionAxisAngle, RecoversAxisAndAngle) {
  C3DVector axis;
  float angle = 0.0f;
  EXPECT_EQ(CQuaternion(C3DVector(0, 0.6f, 0.8f), 1.2f).GetAxisAngle(axis, angle), 1);
  EXPECT_NEAR(angle, 1.2f, 1e-6f);
  EXPECT_NEAR(axis.y, 0.6f, 1e-6f);
  EXPECT_NEAR(axis.z, 0.8f, 1e-6f);
  EXPECT_TRUE(CQuaternion(C3DVector(1, 0, 0), 0.1f).IsValid());
}

TEST(QuaternionAxisAngle, NoVectorPartReportsTheXAxis) {
  C3DVector axis(5, 5, 5);
  float angle = 9.0f;
  EXPECT_EQ(CQuaternion(0, 0, 0, 1).GetAxisAngle(axis, angle), 0);
  EXPECT_EQ(axis, C3DVector(1, 0, 0));
  EXPECT_EQ(angle, 0.0f);
  EXPECT_FALSE(CQuaternion(0, 0, 0, 1).IsValid());
  // A w just over 1 is read as 1, not as a NaN angle.
  EXPECT_EQ(CQuaternion(0, 0, 0, 1.0000001f).GetAxisAngle(axis, angle), 0);
  EXPECT_EQ(angle, 0.0f);
  // A half turn's opposite, w = -1: the axis divides to zero.
  EXPECT_EQ(CQuaternion(0, 0, 0, -1).GetAxisAngle(axis, angle), 0);
}

TEST(QuaternionSlerp, EndpointsAndHalfway) {
  const CQuaternion a(C3DVector(0, 0, 1), 0.2f);
  const CQuaternion b(C3DVector(0, 0, 1), 1.8f);
  const CQuaternion s0 = CQuaternion::Slerp(a, b, 0.0f);
  expectQuat(s0, a.x, a.y, a.z, a.w);
  const CQuaternion s1 = CQuaternion::Slerp(a, b, 1.0f);
  expectQuat(s1, b.x, b.y, b.z, b.w);
  // Spherical, not linear: halfway is the mid angle and stays unit.
  const CQuaternion half = CQuaternion::Slerp(a, b, 0.5f);
  const CQuaternion mid(C3DVector(0, 0, 1), 1.0f);
  expectQuat(half, mid.x, mid.y, mid.z, mid.w);
  EXPECT_NEAR(norm(half), 1.0f, 1e-6f);
  const CQuaternion quarter = CQuaternion::Slerp(a, b, 0.25f);
  const CQuaternion atQuarter(C3DVector(0, 0, 1), 0.6f);
  expectQuat(quarter, atQuarter.x, atQuarter.y, atQuarter.z, atQuarter.w);
}

TEST(QuaternionSlerp, TakesTheShorterArc) {
  const CQuaternion a(C3DVector(0, 1, 0), 0.2f);
  const CQuaternion b(C3DVector(0, 1, 0), 1.8f);
  const CQuaternion negB = b * -1.0f;
  const CQuaternion s1 = CQuaternion::Slerp(a, negB, 1.0f);
  expectQuat(s1, b.x, b.y, b.z, b.w);
  const CQuaternion half = CQuaternion::Slerp(a, negB, 0.5f);
  const CQuaternion mid(C3DVector(0, 1, 0), 1.0f);
  expectQuat(half, mid.x, mid.y, mid.z, mid.w);
}

TEST(QuaternionSlerp, NearlyParallelFallsBackToLinearUnnormalised) {
  const CQuaternion id(0, 0, 0, 1);
  expectQuat(CQuaternion::Slerp(id, CQuaternion(0, 0, 0, 2), 0.5f), 0, 0, 0, 1.5f, 0);
  // q and -q are the same rotation: interpolating between them stays put.
  expectQuat(CQuaternion::Slerp(id, CQuaternion(0, 0, 0, -1), 0.3f), 0, 0, 0, 1, 0);
  // Within 1e-6 of parallel: the plain blend of the two.
  const CQuaternion close(0.001f, 0, 0, 0.9999995f);
  const CQuaternion s = CQuaternion::Slerp(id, close, 0.25f);
  expectQuat(s, 0.00025f, 0, 0, 0.75f + 0.25f * 0.9999995f, 1e-7f);
}

}  // namespace
