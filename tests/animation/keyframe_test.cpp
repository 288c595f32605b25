#include "animation/keyframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "animation/key_curve.h"
#include "animation/matrix_key.h"
#include "animation/time_range.h"
#include "animation/vector_key.h"
#include "math/quaternion.h"

namespace {

using vex3d::kKeyMatrix;
using vex3d::kKeyPivot;
using vex3d::kKeyRotation;
using vex3d::kKeyScale;
using vex3d::kKeyTranslation;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

void expectVector(const C3DVector& v, float x, float y, float z, float tol = 1e-6f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void expectNear(const C4x4Matrix& a, const C4x4Matrix& b, float tol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << "at " << r << "," << c;
}

C4x4Matrix translation(float x, float y, float z) {
  C4x4Matrix m;
  m.InitTranslation(x, y, z);
  return m;
}

TEST(KeyFactory, MakesEveryClassWithItsInitialValues) {
  const std::uint32_t classes[] = {kKeyMatrix, kKeyRotation, kKeyScale, kKeyTranslation, kKeyPivot};
  for (std::uint32_t id : classes) {
    auto key = C3DKeyframe::CreateKey(id, 0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetClassID(), id);
    EXPECT_EQ(key->GetKeyCurve(), nullptr);
    auto* matrixKey = dynamic_cast<C3DMatrixKey*>(key.get());
    ASSERT_NE(matrixKey, nullptr);
    EXPECT_EQ(matrixKey->ToMatrix(), C4x4Matrix(1));
  }
}

TEST(KeyFactory, AttachesTheCurveOrNoneForUnknownClasses) {
  auto key = C3DKeyframe::CreateKey(kKeyPivot, vex3d::kCurveTCB);
  ASSERT_NE(key->GetKeyCurve(), nullptr);
  EXPECT_EQ(key->GetKeyCurve()->GetClassID(), 0x54434220u);
  // Under ASan a curve made for an unknown key class would show as a leak.
  EXPECT_EQ(C3DKeyframe::CreateKey(vex3d::fourcc("XXXX"), vex3d::kCurveTCB), nullptr);
  EXPECT_EQ(C3DKeyframe::CreateKey(0, 0), nullptr);
  EXPECT_EQ(C3DKeyframe::CreateKey(kKeyScale, vex3d::fourcc("BEZI"))->GetKeyCurve(), nullptr);
}

TEST(KeyCurve, TCBCurveCreatesCopiesAndAssigns) {
  auto curve = C3DKeyCurve::CreateCurve(vex3d::kCurveTCB);
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(curve->GetClassID(), vex3d::kCurveTCB);
  auto& tcb = dynamic_cast<C3DTCBCurve&>(*curve);
  const float initial[] = {0, 0, 0, 25, 25};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(tcb.GetParameter(i), initial[i]);
  for (int i = 0; i < 5; ++i) tcb.SetParameter(i, 0.5f + static_cast<float>(i));
  auto copy = curve->Copy();
  ASSERT_NE(copy, nullptr);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(dynamic_cast<C3DTCBCurve&>(*copy).GetParameter(i), 0.5f + static_cast<float>(i));

  EXPECT_EQ(C3DKeyCurve::CreateCurve(0), nullptr);
  EXPECT_EQ(C3DKeyCurve::CreateCurve(0x54434200u), nullptr);

  C3DKeyCurve base;
  EXPECT_EQ(base.GetClassID(), 0u);
  EXPECT_EQ(base.Copy(), nullptr);
  EXPECT_FALSE(base == tcb);
  // Assigning a curve of another class changes nothing.
  C3DTCBCurve other;
  EXPECT_EQ(other = base, 0);
  EXPECT_EQ(other.GetParameter(3), 25.0f);
  EXPECT_EQ(other = static_cast<const C3DKeyCurve&>(tcb), 1);
  EXPECT_EQ(other.GetParameter(3), 3.5f);
  EXPECT_EQ(base = C3DKeyCurve(), 1);
  EXPECT_EQ(static_cast<C3DKeyCurve&>(base) = tcb, 0);
}

TEST(KeyCurve, KeySetAndCreateCurve) {
  C3DTranslateKey key;
  C3DKeyCurve* made = key.CreateCurve(vex3d::kCurveTCB);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(key.GetKeyCurve(), made);
  // The same object again: kept, not deleted.
  key.SetKeyCurve(made);
  EXPECT_EQ(key.GetKeyCurve(), made);
  C3DTCBCurve outside;
  outside.SetParameter(0, 7.0f);
  key.SetKeyCurve(outside);
  ASSERT_NE(key.GetKeyCurve(), &outside);
  EXPECT_EQ(dynamic_cast<C3DTCBCurve*>(key.GetKeyCurve())->GetParameter(0), 7.0f);
  key.SetKeyCurve(std::make_unique<C3DTCBCurve>());
  EXPECT_EQ(dynamic_cast<C3DTCBCurve*>(key.GetKeyCurve())->GetParameter(0), 0.0f);
  EXPECT_EQ(key.CreateCurve(0), nullptr);
  EXPECT_EQ(key.GetKeyCurve(), nullptr);
}

TEST(KeyEvaluate, TranslationIsLinear) {
  const C3DTranslateKey first(C3DVector(0, 0, 0));
  const C3DTranslateKey second(C3DVector(10, 0, 0));
  const CTimeRange range(0, 10);
  C3DTranslateKey out;
  ASSERT_EQ(out.Evaluate(first, second, 5, range), 1);
  expectVector(out.GetVector(), 5, 0, 0);
  EXPECT_EQ(out.ToMatrix(), translation(5, 0, 0));
  ASSERT_EQ(out.Evaluate(first, second, 0, range), 1);
  expectVector(out.GetVector(), 0, 0, 0);
  ASSERT_EQ(out.Evaluate(first, second, 10, range), 1);
  expectVector(out.GetVector(), 10, 0, 0);
  // Outside the range nothing changes.
  EXPECT_EQ(out.Evaluate(first, second, 11, range), 0);
  EXPECT_EQ(out.Evaluate(first, second, -1, range), 0);
  expectVector(out.GetVector(), 10, 0, 0);
}

TEST(KeyEvaluate, ScaleAtAQuarterWithOffsetRange) {
  const C3DScaleKey first(C3DVector(1, 2, 4));
  const C3DScaleKey second(C3DVector(3, -2, 8));
  C3DScaleKey out;
  ASSERT_EQ(out.Evaluate(first, second, 105, CTimeRange(100, 120)), 1);
  // u = 0.25.
  expectVector(out.GetVector(), 1.5f, 1.0f, 5.0f);
  C4x4Matrix expected;
  expected.InitScale(1.5f, 1.0f, 5.0f);
  EXPECT_EQ(out.ToMatrix(), expected);
}

TEST(KeyEvaluate, PivotKeepsOwnParameterRecordAndTakesNoFlags) {
  C3DVector a(0, 2, 0);
  a.SetFlags(0x100, 1);
  C3DPivotKey first(a);
  const C3DPivotKey second(C3DVector(0, 4, 0));
  C3DPivotKey out;
  out.GetCustomData().SetUInt(vex3d::fourcc("TEST"), 9);
  ASSERT_EQ(out.Evaluate(first, second, 1, CTimeRange(0, 2)), 1);
  expectVector(out.GetVector(), 0, 3, 0);
  EXPECT_EQ(out.GetVector().GetFlags(), 0u);
  EXPECT_EQ(out.ToMatrix(), translation(0, 3, 0));
  EXPECT_EQ(out.GetCustomData().GetUInt(vex3d::fourcc("TEST")), 9u);
}

TEST(KeyEvaluate, CurvesDoNotBendTheInterpolation) {
  C3DTranslateKey first(C3DVector(0, 0, 0));
  C3DTranslateKey second(C3DVector(0, 0, 8));
  for (C3DTranslateKey* key : {&first, &second}) {
    auto* tcb = dynamic_cast<C3DTCBCurve*>(key->CreateCurve(vex3d::kCurveTCB));
    ASSERT_NE(tcb, nullptr);
    tcb->SetParameter(0, 1.0f);
    tcb->SetParameter(1, -1.0f);
    tcb->SetParameter(2, 0.5f);
  }
  C3DTranslateKey out;
  ASSERT_EQ(out.Evaluate(first, second, 3, CTimeRange(0, 4)), 1);
  expectVector(out.GetVector(), 0, 0, 6);
  EXPECT_EQ(out.GetKeyCurve(), nullptr);
}

TEST(KeyEvaluate, RangeWithEqualEndsGivesTheFirstKey) {
  const C3DTranslateKey first(C3DVector(1, 2, 3));
  const C3DTranslateKey second(C3DVector(9, 9, 9));
  C3DTranslateKey out;
  ASSERT_EQ(out.Evaluate(first, second, 4, CTimeRange(4, 4)), 1);
  expectVector(out.GetVector(), 1, 2, 3, 0);
  EXPECT_EQ(out.Evaluate(first, second, 5, CTimeRange(4, 4)), 0);
}

TEST(KeyEvaluate, KeysOfAnotherClassAreRefused) {
  const C3DTranslateKey pos(C3DVector(10, 0, 0));
  const C3DPivotKey pivot(C3DVector(10, 0, 0));
  C3DTranslateKey out(C3DVector(1, 1, 1));
  EXPECT_EQ(out.Evaluate(pos, pivot, 5, CTimeRange(0, 10)), 0);
  EXPECT_EQ(out.Evaluate(pivot, pos, 5, CTimeRange(0, 10)), 0);
  C3DPivotKey pivotOut;
  EXPECT_EQ(pivotOut.Evaluate(pos, pos, 5, CTimeRange(0, 10)), 0);
  expectVector(out.GetVector(), 1, 1, 1, 0);
  EXPECT_EQ(out.ToMatrix(), translation(1, 1, 1));
}

TEST(KeyEvaluate, MatrixKeysAreNotInterpolated) {
  const C3DMatrixKey first(translation(0, 0, 0));
  const C3DMatrixKey second(translation(10, 0, 0));
  C3DMatrixKey out(translation(3, 3, 3));
  EXPECT_EQ(out.Evaluate(first, second, 5, CTimeRange(0, 10)), 0);
  EXPECT_EQ(out.ToMatrix(), translation(3, 3, 3));
}

TEST(KeyEvaluate, RotationSlerpsAndLeavesAngleAndAxis) {
  const C3DVector z(0, 0, 1);
  const C3DRotateKey first(0.0f, z);
  const C3DRotateKey second(kHalfPi, z);
  C3DRotateKey out(0.25f, C3DVector(1, 0, 0));
  ASSERT_EQ(out.Evaluate(first, second, 5, CTimeRange(0, 10)), 1);
  C4x4Matrix expected;
  expected.InitRotation(kHalfPi / 2.0f, z);
  expectNear(out.ToMatrix(), expected, 1e-6f);
  float angle = 0.0f;
  expectVector(out.GetRotation(angle), 1, 0, 0, 0);
  EXPECT_EQ(angle, 0.25f);
  // The ends give the keys' own rotations.
  ASSERT_EQ(out.Evaluate(first, second, 10, CTimeRange(0, 10)), 1);
  expectNear(out.ToMatrix(), second.ToMatrix(), 1e-6f);
  ASSERT_EQ(out.Evaluate(first, second, 0, CTimeRange(0, 10)), 1);
  expectNear(out.ToMatrix(), C4x4Matrix(1), 1e-6f);
}

TEST(KeyEvaluate, RotationTakesTheShorterArc) {
  // 170 and -170 degrees about z lie 20 degrees apart through 180 degrees.
  const float a = 170.0f * std::numbers::pi_v<float> / 180.0f;
  const C3DVector z(0, 0, 1);
  const C3DRotateKey first(a, z);
  const C3DRotateKey second(-a, z);
  C3DRotateKey out;
  ASSERT_EQ(out.Evaluate(first, second, 1, CTimeRange(0, 2)), 1);
  C4x4Matrix expected;
  expected.InitRotation(std::numbers::pi_v<float>, z);
  expectNear(out.ToMatrix(), expected, 1e-5f);
}

TEST(RotateKey, QuaternionGivesAxisAndAngle) {
  C3DRotateKey key;
  key.SetQuaternion(CQuaternion(C3DVector(0, 0, 1), kHalfPi));
  float angle = 0.0f;
  expectVector(key.GetRotation(angle), 0, 0, 1, 1e-6f);
  EXPECT_NEAR(angle, kHalfPi, 1e-6f);
  C4x4Matrix expected;
  expected.InitRotation(kHalfPi, 0, 0, 1);
  expectNear(key.ToMatrix(), expected, 1e-6f);
  // Clockwise seen from the tip: x goes to -y.
  C3DVector x(1, 0, 0);
  x *= key.ToMatrix();
  expectVector(x, 0, -1, 0, 1e-6f);
}

TEST(MatrixKey, SetMatrixKeepsEveryKindConsistent) {
  C4x4Matrix m;
  m.InitRotation(0.5f, 0, 1, 0);
  m.InitTranslation(1, 2, 3);
  C3DMatrixKey plain;
  plain.SetMatrix(m);
  EXPECT_EQ(plain.ToMatrix(), m);

  C3DTranslateKey pos;
  static_cast<C3DMatrixKey&>(pos).SetMatrix(m);
  expectVector(pos.GetVector(), 1, 2, 3, 0);
  EXPECT_EQ(pos.ToMatrix(), translation(1, 2, 3));

  C4x4Matrix s;
  s.InitScale(2, 3, 4);
  C3DScaleKey scale;
  scale.SetMatrix(s);
  expectVector(scale.GetVector(), 2, 3, 4, 0);

  C3DRotateKey rot;
  rot.SetMatrix(m);
  float angle = 0.0f;
  expectVector(rot.GetRotation(angle), 0, 1, 0, 1e-5f);
  EXPECT_NEAR(angle, 0.5f, 1e-5f);
  C4x4Matrix r;
  r.InitRotation(0.5f, 0, 1, 0);
  expectNear(rot.ToMatrix(), r, 1e-6f);
}

}  // namespace
