#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "hostlib/core/archive.h"
#include "math/matrix4x4.h"
#include "math/quaternion.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kHalfPi = 1.5707964f;

C4x4Matrix fromRows(std::initializer_list<float> v) {
  std::vector<float> values(v);
  values.resize(16, 0.0f);
  return C4x4Matrix(values.data(), 0);
}

void expectNear(const C4x4Matrix& a, const C4x4Matrix& b, float tol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << "at " << r << "," << c;
}

void expectPoint(const C3DPoint& p, float x, float y, float z, float tol = 1e-6f) {
  EXPECT_NEAR(p.x, x, tol);
  EXPECT_NEAR(p.y, y, tol);
  EXPECT_NEAR(p.z, z, tol);
}

C4x4Matrix rotation(float angle, float x, float y, float z) {
  C4x4Matrix m;
  m.InitRotation(angle, x, y, z);
  return m;
}

C4x4Matrix translation(float x, float y, float z) {
  C4x4Matrix m(1);
  m.InitTranslation(x, y, z);
  return m;
}

// A matrix whose every element is distinct, to catch index mix-ups.
C4x4Matrix counting() {
  float v[16];
  for (int i = 0; i < 16; ++i) v[i] = float(i + 1);
  return C4x4Matrix(v, 0);
}

TEST(MatrixLayout, RowByRowAndTheGlColumnLayout) {
  const C4x4Matrix m = counting();
  EXPECT_EQ(m(0, 3), 4.0f);
  EXPECT_EQ(m(3, 0), 13.0f);
  const float* raw = m;
  EXPECT_EQ(raw[4 * 1 + 2], m(1, 2));

  float v[16];
  for (int i = 0; i < 16; ++i) v[i] = float(i + 1);
  const C4x4Matrix gl(v, 1);
  EXPECT_EQ(gl(0, 3), 13.0f);
  EXPECT_EQ(gl(3, 0), 4.0f);

  double d[16];
  for (int i = 0; i < 16; ++i) d[i] = i + 1.0;
  EXPECT_EQ(C4x4Matrix(d, 0), m);
  EXPECT_EQ(C4x4Matrix(d, 1), gl);

  // Loading and saving never transpose.
  C4x4Matrix loaded;
  loaded.LoadMatrix(d);
  EXPECT_EQ(loaded, m);
  loaded = v;
  EXPECT_EQ(loaded, m);
  float out[16];
  gl.SaveMatrix(out);
  EXPECT_EQ(out[3], 13.0f);
  double outD[16];
  m.SaveMatrix(outD);
  EXPECT_EQ(outD[14], 15.0);
}

TEST(MatrixLayout, TransposeInPlaceAndIntoAnother) {
  const C4x4Matrix m = counting();
  C4x4Matrix t;
  m.Transpose(t);
  EXPECT_EQ(t(0, 3), 13.0f);
  EXPECT_EQ(t(2, 1), 7.0f);
  C4x4Matrix self = m;
  self.Transpose(self);
  EXPECT_EQ(self, t);
  self.Transpose();
  EXPECT_EQ(self, m);
}

TEST(MatrixCompare, IdentityToleranceIsHalfAPercentOnEveryElement) {
  EXPECT_TRUE(C4x4Matrix(1).IsIdentity());
  for (int i = 0; i < 16; ++i) {
    for (float sign : {1.0f, -1.0f}) {
      C4x4Matrix m(1);
      float* v = m;
      const float base = v[i];
      v[i] = base + sign * 0.004f;
      EXPECT_TRUE(m.IsIdentity()) << i;
      v[i] = base + sign * 0.006f;
      EXPECT_FALSE(m.IsIdentity()) << i;
    }
  }
  C4x4Matrix nan(1);
  nan(1, 2) = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(nan.IsIdentity());
}

TEST(MatrixCompare, EqualityIsExactAndNanNeverEqual) {
  C4x4Matrix a = counting();
  C4x4Matrix b = counting();
  EXPECT_TRUE(a == b);
  b(3, 3) = std::nextafter(b(3, 3), 100.0f);
  EXPECT_TRUE(a != b);
  a(2, 1) = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(a == a);
  EXPECT_TRUE(a != a);
}

TEST(MatrixArithmetic, ElementWiseOperationsSkipRowThree) {
  C4x4Matrix a = counting();
  a += counting();
  EXPECT_EQ(a(2, 3), 24.0f);
  EXPECT_EQ(a(3, 0), 13.0f);
  a -= counting();
  EXPECT_EQ(a, counting());
  a *= 0.5f;
  EXPECT_EQ(a(0, 0), 0.5f);
  EXPECT_EQ(a(2, 3), 6.0f);
  EXPECT_EQ(a(3, 3), 16.0f);
}

TEST(MatrixRotation, PositiveAngleTurnsClockwiseSeenFromTheAxisTip) {
  const C4x4Matrix z = rotation(kPi / 2, 0, 0, 1);
  expectPoint(C3DPoint(1, 0, 0) * z, 0, -1, 0);
  expectPoint(C3DPoint(0, 1, 0) * z, 1, 0, 0);
  const C4x4Matrix x = rotation(kPi / 2, 1, 0, 0);
  expectPoint(C3DPoint(0, 1, 0) * x, 0, 0, -1);
  expectPoint(C3DPoint(0, 0, 1) * x, 0, 1, 0);
  const C4x4Matrix y = rotation(kPi / 2, 0, 1, 0);
  expectPoint(C3DPoint(1, 0, 0) * y, 0, 0, 1);
  expectPoint(C3DPoint(0, 0, 1) * y, -1, 0, 0);
}

TEST(MatrixRotation, AxisIsNormalisedAndAZeroAxisGivesTheIdentity) {
  expectNear(rotation(0.7f, 0, 0, 5), rotation(0.7f, 0, 0, 1), 1e-7f);
  expectNear(rotation(0.7f, 1, 2, 2), rotation(0.7f, 1.0f / 3, 2.0f / 3, 2.0f / 3), 1e-6f);
  C4x4Matrix m = counting();
  m.InitRotation(1.0f, 0, 0, 0);
  EXPECT_EQ(m, C4x4Matrix(1));
  // A rotation keeps lengths and the axis itself.
  const C4x4Matrix r = rotation(2.1f, 1, -2, 0.5f);
  expectPoint(C3DPoint(1, -2, 0.5f) * r, 1, -2, 0.5f, 1e-5f);
  EXPECT_NEAR(C3DVector(C3DPoint(3, 4, 0) * r).Length(), 5.0f, 1e-5f);
  EXPECT_EQ(r(3, 3), 1.0f);
  EXPECT_EQ(r(0, 3), 0.0f);
}

TEST(MatrixProduct, RightOperandAppliesFirst) {
  const C4x4Matrix rot = rotation(kPi / 2, 0, 0, 1);
  const C4x4Matrix move = translation(1, 0, 0);
  // rot * move: move first, then turn (1, 0, 0) to (0, -1, 0).
  expectPoint(C3DPoint(0, 0, 0) * (rot * move), 0, -1, 0);
  // move * rot: the origin stays put under the turn, then moves.
  expectPoint(C3DPoint(0, 0, 0) * (move * rot), 1, 0, 0);
  expectPoint(C3DPoint(0, 1, 0) * (move * rot), 2, 0, 0);

  C4x4Matrix acc = rot;
  acc *= move;
  EXPECT_EQ(acc, rot * move);
  C4x4Matrix twice = rot;
  twice *= twice;
  expectNear(twice, rotation(kPi, 0, 0, 1), 1e-6f);
}

TEST(MatrixProduct, TranslateAfterRotateMovesInWorldAxes) {
  C4x4Matrix m(1);
  m.Rotate(kPi / 2, 0, 0, 1);
  m.Translate(1, 0, 0);
  expectPoint(C3DPoint(0, 0, 0) * m, 1, 0, 0);
  expectPoint(C3DPoint(0, 1, 0) * m, 2, 0, 0);
  // Rotate multiplies on the right: the translation set before it stays.
  C4x4Matrix t = translation(0, 0, 3);
  t.Rotate(kPi / 2, 0, 0, 1);
  expectPoint(C3DPoint(0, 0, 0) * t, 0, 0, 3);
  expectPoint(C3DPoint(1, 0, 0) * t, 0, -1, 3);
}

TEST(MatrixProduct, PointsAndVectorsBothTakeTheTranslation) {
  C4x4Matrix m = rotation(kPi / 2, 0, 0, 1);
  m.Translate(10, 20, 30);
  m(3, 3) = 2.0f;  // row 3 plays no part: no division by w
  m(3, 0) = 7.0f;
  const C3DVector v = C3DVector(1, 0, 0) * m;
  EXPECT_NEAR(v.x, 10.0f, 1e-5f);
  EXPECT_NEAR(v.y, 19.0f, 1e-5f);
  EXPECT_NEAR(v.z, 30.0f, 1e-5f);
  expectPoint(C3DPoint(1, 0, 0) * m, 10, 19, 30, 1e-5f);

  // Mult and the 4-vector product use row 3.
  const C4DVector h = m.Mult(1, 0, 0);
  EXPECT_NEAR(h.y, 19.0f, 1e-5f);
  EXPECT_EQ(h.w, 9.0f);
  const C4DVector full = m * C4DVector(1, 0, 0, 0);
  EXPECT_NEAR(full.y, -1.0f, 1e-6f);
  EXPECT_EQ(full.w, 7.0f);
}

TEST(MatrixProduct, InPlaceTransformKeepsFlagsAndRecord) {
  const C4x4Matrix m = translation(1, 2, 3);
  C3DPoint p(1, 1, 1);
  p.SetFlag(POINT_BORDER, 1);
  p.GetCustomData(1)->SetUInt(7, 70);
  const C3DPoint fresh = p * m;
  EXPECT_EQ(fresh, C3DPoint(2, 3, 4));
  EXPECT_EQ(fresh.GetFlags(), 0u);
  EXPECT_EQ(fresh.GetCustomData(), nullptr);
  p *= m;
  EXPECT_EQ(p, C3DPoint(2, 3, 4));
  EXPECT_TRUE(p.IsFlagSet(POINT_BORDER));
  ASSERT_NE(p.GetCustomData(0), nullptr);
  C3DVector v(0, 0, 0);
  v.SetFlag(POINT_UNSPECIFIED, 1);
  v *= m;
  EXPECT_EQ(v, C3DVector(1, 2, 3));
  EXPECT_TRUE(v.IsFlagSet(POINT_UNSPECIFIED));
}

TEST(MatrixTranslation, SetAddClearAndRead) {
  C4x4Matrix m = counting();
  m.InitTranslation(C3DVector(-1, -2, -3));
  EXPECT_EQ(m(0, 3), -1.0f);
  EXPECT_EQ(m(2, 3), -3.0f);
  EXPECT_EQ(m(3, 3), 1.0f);
  EXPECT_EQ(m(3, 2), 15.0f);  // the rest of row 3 is left
  EXPECT_EQ(m(0, 0), 1.0f);
  m.Translate(C3DVector(1, 1, 1));
  C3DVector t;
  m.GetTranslation(t);
  EXPECT_EQ(t, C3DVector(0, -1, -2));
  m(3, 3) = 5.0f;
  m.NoTranslation();
  m.GetTranslation(t);
  EXPECT_TRUE(t.IsNull());
  EXPECT_EQ(m(3, 3), 1.0f);
}

TEST(MatrixScale, ScaleMultipliesOnTheRightAndLeavesTheTranslation) {
  C4x4Matrix m = translation(5, 6, 7);
  m.Scale(2, 3, 4);
  expectPoint(C3DPoint(1, 1, 1) * m, 7, 9, 11);
  C4x4Matrix diag = counting();
  diag.InitScale(C3DVector(-1, -2, -3));
  EXPECT_EQ(diag(1, 1), -2.0f);
  EXPECT_EQ(diag(1, 0), 5.0f);
  EXPECT_EQ(diag(3, 3), 16.0f);
}

TEST(MatrixScale, GetScaleReadsColumnLengths) {
  C4x4Matrix m = rotation(0.9f, 1, 1, 0);
  m.Scale(2, 3, 0.5f);
  m.Translate(100, 100, 100);
  C3DVector s;
  m.GetScale(s);
  EXPECT_NEAR(s.x, 2.0f, 1e-6f);
  EXPECT_NEAR(s.y, 3.0f, 1e-6f);
  EXPECT_NEAR(s.z, 0.5f, 1e-6f);
}

TEST(MatrixScale, NoScaleDividesOutTheScaleButNotATinyOne) {
  C4x4Matrix almost(1);
  almost(0, 0) = 1.0000005f;
  const C4x4Matrix before = almost;
  almost.NoScale();
  EXPECT_EQ(almost, before);

  C4x4Matrix m = rotation(0.9f, 1, 1, 0);
  m.Translate(4, 5, 6);
  const C4x4Matrix unscaled = m;
  m.Scale(2, 3, 4);
  m.NoScale();
  expectNear(m, unscaled, 1e-6f);

  // A flattened axis stays flat rather than turning into NaNs.
  C4x4Matrix flat(1);
  flat.Scale(2, 0, 1);
  flat.NoScale();
  EXPECT_EQ(flat(0, 0), 1.0f);
  EXPECT_EQ(flat(1, 1), 0.0f);
  EXPECT_EQ(flat(2, 2), 1.0f);
}

TEST(MatrixSwap, MirrorThenExchange) {
  C4x4Matrix m = counting();
  m.InitSwap(0x10 | 0x04);
  EXPECT_EQ(m, fromRows({1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}));
  m.InitSwap(0x08 | 0x01);
  EXPECT_EQ(m, fromRows({0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
  m.InitSwap(0x20 | 0x02);
  EXPECT_EQ(m, fromRows({0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}));
  // Exchanging x and y sends (1, 0, 0) to (0, 1, 0).
  m.InitSwap(0x01);
  EXPECT_EQ(C3DPoint(1, 2, 3) * m, C3DPoint(2, 1, 3));
  m.InitSwap(0x02);
  EXPECT_EQ(C3DPoint(1, 2, 3) * m, C3DPoint(3, 2, 1));
}

TEST(MatrixSwap, UnknownCombinationsGiveTheIdentity) {
  for (unsigned int flags : {0x00u, 0x18u, 0x38u, 0x18u | 0x04u, 0x03u, 0x07u, 0x06u}) {
    C4x4Matrix m = counting();
    m.InitSwap(flags);
    EXPECT_EQ(m, C4x4Matrix(1)) << flags;
  }
  C4x4Matrix mirrorOnly;
  mirrorOnly.InitSwap(0x20 | 0x05);
  EXPECT_EQ(mirrorOnly, fromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}));
}

TEST(MatrixInverse, RotationAndTranslationComposeToIdentity) {
  C4x4Matrix m = rotation(1.3f, 0.2f, -1, 0.4f);
  m.Scale(2, 0.5f, 3);
  m.Translate(7, -8, 9);
  C4x4Matrix inv;
  ASSERT_EQ(m.Inverse(inv), 1);
  expectNear(m * inv, C4x4Matrix(1), 2e-6f);
  expectNear(inv * m, C4x4Matrix(1), 2e-6f);
  EXPECT_EQ(inv(3, 0), 0.0f);
  EXPECT_EQ(inv(3, 3), 1.0f);
  // In place.
  C4x4Matrix self = m;
  ASSERT_EQ(self.Inverse(self), 1);
  EXPECT_EQ(self, inv);
}

TEST(MatrixInverse, RowThreeIsTakenAsTheAffineRow) {
  C4x4Matrix m = translation(1, 2, 3);
  m(3, 0) = 4.0f;
  m(3, 3) = 0.0f;
  C4x4Matrix inv;
  ASSERT_EQ(m.Inverse(inv), 1);
  EXPECT_EQ(inv, translation(-1, -2, -3));
}

TEST(MatrixInverse, SingularMatricesLeaveTheOutputAlone) {
  C4x4Matrix flat(1);
  flat.Scale(1, 0, 1);
  C4x4Matrix out = counting();
  EXPECT_EQ(flat.Inverse(out), 0);
  EXPECT_EQ(out, counting());
  // Two equal rows.
  const C4x4Matrix rank2 = fromRows({1, 2, 3, 0, 1, 2, 3, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  EXPECT_EQ(rank2.Inverse(out), 0);
  EXPECT_EQ(out, counting());
}

TEST(MatrixInverse, SingularityIsRelativeToTheSizeOfTheTerms) {
  // A uniformly tiny matrix is perfectly invertible.
  C4x4Matrix tiny(1);
  tiny.InitScale(1e-10f, 1e-10f, 1e-10f);
  C4x4Matrix inv;
  ASSERT_EQ(tiny.Inverse(inv), 1);
  EXPECT_NEAR(inv(1, 1), 1e10f, 1e4f);

  // diag(1 + u, 1 - u, v) plus ones off the diagonal: the six terms cancel
  // down to -u^2 v exactly in double, against a term sum of about 4.
  auto nearRankOne = [](float u, float v) {
    return fromRows({1 + u, 1, 1, 0, 1, 1 - u, 1, 0, 1, 1, v, 0, 0, 0, 0, 1});
  };
  const float v = std::ldexp(1.0f, -24);
  // -2^-46 / 4 = 3.6e-15: still invertible.
  const C4x4Matrix above = nearRankOne(std::ldexp(1.0f, -11), v);
  ASSERT_EQ(above.Inverse(inv), 1);
  EXPECT_TRUE(std::isfinite(inv(0, 0)));
  // -2^-48 / 4 = 8.9e-16: under 1e-15, singular though not exactly zero.
  C4x4Matrix out = counting();
  EXPECT_EQ(nearRankOne(std::ldexp(1.0f, -12), v).Inverse(out), 0);
  EXPECT_EQ(out, counting());
}

TEST(MatrixAngles, HeadingPitchBankRoundTrip) {
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  expectNear(m, rotation(0.3f, 0, 1, 0) * rotation(-0.7f, 1, 0, 0) * rotation(1.1f, 0, 0, 1),
             1e-6f);
  float h, p, b;
  m.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.3f, 1e-5f);
  EXPECT_NEAR(p, -0.7f, 1e-5f);
  EXPECT_NEAR(b, 1.1f, 1e-5f);

  // Scale and translation do not disturb the angles.
  m.Scale(2, 5, 0.25f);
  m.Translate(1, 2, 3);
  m.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.3f, 1e-5f);
  EXPECT_NEAR(p, -0.7f, 1e-5f);
  EXPECT_NEAR(b, 1.1f, 1e-5f);

  // Setting the angles does not reset the matrix first.
  C4x4Matrix moved = translation(1, 0, 0);
  moved.SetHPBAngles(0.3f, -0.7f, 1.1f);
  expectPoint(C3DPoint(0, 0, 0) * moved, 1, 0, 0);
}

TEST(MatrixAngles, GimbalLockPutsTheVerticalTurnIntoHeading) {
  float h, p, b;
  C4x4Matrix up(1);
  up.SetHPBAngles(0.4f, kHalfPi, 0.3f);
  up.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.7f, 1e-5f);
  EXPECT_EQ(p, kHalfPi);
  EXPECT_EQ(b, 0.0f);

  C4x4Matrix down(1);
  down.SetHPBAngles(0.4f, -kHalfPi, 0.3f);
  down.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.1f, 1e-5f);
  EXPECT_EQ(p, -kHalfPi);
  EXPECT_EQ(b, 0.0f);

  // The lock starts where sin(pitch) passes 0.998 (pitch about 1.5075).
  C4x4Matrix near(1);
  near.SetHPBAngles(0.4f, 1.52f, 0.3f);
  near.GetHPBAngles(h, p, b);
  EXPECT_EQ(p, kHalfPi);
  EXPECT_EQ(b, 0.0f);
  C4x4Matrix below(1);
  below.SetHPBAngles(0.4f, 1.49f, 0.3f);
  below.GetHPBAngles(h, p, b);
  EXPECT_NEAR(h, 0.4f, 1e-3f);
  EXPECT_NEAR(p, 1.49f, 1e-4f);
  EXPECT_NEAR(b, 0.3f, 1e-3f);
}

TEST(MatrixArchive, GoldenBytesRowByRow) {
  C4x4Matrix m = translation(2.0f, -1.0f, 0.5f);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    m.Serialize(ar);
  }
  // 1 = 00 00 80 3F, 2 = 00 00 00 40, -1 = 00 00 80 BF, 0.5 = 00 00 00 3F.
  const std::vector<std::uint8_t> expected = {
      0, 0, 0x80, 0x3F, 0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0,    0x40,  //
      0, 0, 0,    0,    0, 0, 0x80, 0x3F, 0, 0, 0,    0,    0, 0, 0x80, 0xBF,  //
      0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0x80, 0x3F, 0, 0, 0,    0x3F,  //
      0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0x80, 0x3F};
  EXPECT_EQ(bytes, expected);

  C4x4Matrix back = counting();
  CArchive ar(bytes, CArchive::load);
  back.Serialize(ar);
  EXPECT_EQ(back, m);
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(MatrixArchive, TruncatedInputLeavesTheMatrix) {
  std::vector<std::uint8_t> bytes(63, 0);
  C4x4Matrix m = counting();
  CArchive ar(bytes, CArchive::load);
  try {
    m.Serialize(ar);
    ADD_FAILURE() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
  EXPECT_EQ(m, counting());
}

}  // namespace
